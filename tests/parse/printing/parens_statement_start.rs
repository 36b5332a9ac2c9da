fn f() {
    try!{}();
    try::m!{} + 1;
    try!{}[0];
    try!{} as u8;
    try!{} = 1;
    try!{}..;
    try!{}.f();
    try!{}?;
    let _ = try!{}();
    match x {
        _ => try!{}(),
    }
}
