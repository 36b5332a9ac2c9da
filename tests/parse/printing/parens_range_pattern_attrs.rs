fn f() {
    let _ = |#[a] 1..=2| e;
    let _ = |#[a] ..=2, #[b] 3..| e;
    let _ = |#[a] 1..=2: u8| e;
    let _ = |#[a] ..| e;
    let _ = |#[a] x| e;
}
