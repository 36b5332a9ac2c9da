fn f(#[x] a<b>, c: u8) {
    fn g(h<i>) {}
}
trait T {
    fn m(a<'a, T>) {}
}
