fn f() -> impl X + use<crate> {}
