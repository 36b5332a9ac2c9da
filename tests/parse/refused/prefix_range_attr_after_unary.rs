fn f() { let _ = -#[a] ..x; }
