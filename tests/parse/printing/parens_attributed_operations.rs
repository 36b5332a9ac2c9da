fn f() {
    #[a]
    ..;
    #[a]
    x..y;
    #[a]
    ..=z;
    /// doc
    x..y;
    #[a]
    x + y;
    #[a]
    x = y;
    #[a]
    x as u8;
    #[a]
    x += 1;
    let _ = #[a] x + y;
    f(#[a] x..);
    match x {
        _ => #[a] ..,
        _ => #[a] x..y,
    }
}
