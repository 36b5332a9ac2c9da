pub(in a::b) struct S;
pub(in ::a) macro m() {}
pub(crate) macro n {}
pub(in self) fn f() {}
pub(in crate::x) fn g() {}
pub(super) fn h() {}
struct T(pub (crate::A, B));
