fn f() {
    a == ..b;
    let _ = (return) - 1;
    let _ = 1 + return 1;
    break as u8;
    return == x;
    let _ = match x {} - 1;
    -match x {};
    x = match y {} + 1;
    match x {
        _ => m!{} - 1,
    }
    if let x = y && z {}
    match break S { x } {}
}
