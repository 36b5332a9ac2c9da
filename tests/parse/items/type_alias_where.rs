type B where T: X = u8;
extern "C" {
    type C = u8 where;
}
fn f() {
    type A<> where = u8;
}
trait T {
    type A = u8 where T: X;
    type B<> where;
}
