fn f() {
    m! {}
    m!{}.f();
    m!{}?;
    m! {} - 1;
    self::m! {}
    ::m! {}
    r#try! {}
    m!(x);
    m![x]
}
