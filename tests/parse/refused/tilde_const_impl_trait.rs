fn f() -> impl ~const X {}
