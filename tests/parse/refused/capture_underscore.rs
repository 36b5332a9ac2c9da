fn f() -> impl X + use<_> {}
