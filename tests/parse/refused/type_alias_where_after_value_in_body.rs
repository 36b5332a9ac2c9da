fn f() {
    type B = u where T: X;
}
