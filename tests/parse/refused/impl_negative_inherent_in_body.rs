fn f() {
    impl !S {}
}
