fn f() {
    #[a = g()]
    become h;
    #[a = g()]
    builtin # x();
    #[a = g()]
    builtin # x() + k();
    #[a = g()]
    builtin # x()..m();
    #[a = g()]
    builtin # x()();
    let _ = #[a = g()] builtin # x(1);
    let _ = #[a = n()] x;
    #[b = p()]
    become { q(); r };
}
