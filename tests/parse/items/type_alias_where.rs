type A = u8 where T: X;
type B where T: X = u8;
type C<> = u8 where;
fn f() {
    type A<> where = u8;
    type B = u where T: X;
}
trait T {
    type A = u8 where T: X;
    type B<> where;
}
