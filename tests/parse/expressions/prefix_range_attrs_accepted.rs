fn f() {
    #[a]
    ..;
    #[a]
    ..=x;
    let _ = #[a] -..x;
    let _ = #[a] x..y;
    match x {
        _ => #[a] ..,
    }
}
