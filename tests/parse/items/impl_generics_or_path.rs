impl <Self>::X {}
impl <Vec<u8>>::X {}
impl <'a> X<'a> {}
impl <T = u8> X {}
impl <T> ::X<T> {}
impl<> S {}
impl<#[a] T> S<T> {}
impl<const N: usize> S<N> {}
