fn f() {
    let _ = |#[a] box e| x;
    let _ = |#[a = g()] box e, #[b] y| x;
    let _ = |#[a] box e: T| x;
    let _ = |#[a] e| x;
}
