fn ret() -> impl X + use<T, 'a> {}
fn many() -> impl X + use<U, 'a, T, 'b> {}
fn trailing() -> impl X + use<'a, T, Self,> {}
fn empty() -> impl X + use<> {}
fn first() -> impl use<'a> + Iterator<Item = &'a u8> {}
