pub(in) fn f() {}
