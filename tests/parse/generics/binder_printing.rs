fn lifetimes(x: for<'a: 'b, 'c:> fn(&'a u8)) {}
fn colons(x: &dyn for<#[a] T:, 'a:> Tr<T>) {}
fn macros(x: for<'a:> m!{}) {
    let y: for<'b> m![] = 1;
}
fn closures() {
    let c = for<'a, T: Copy = u8, const N: usize> |x: &'a T| x;
    for<'a> async move |x: &'a u8| x;
    for <T as X>::S in x {}
}
