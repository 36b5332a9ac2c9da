fn f() {
    x..;
    ..;
    ..=y;
    a..b;
    let _ = (x.., ..y, x..=y);
    for i in 0.. {}
    if x == (..) {}
    let _ = x..y as u8;
    let _ = [0..1, 2..];
    let _ = f(..);
    let _ = x..-1;
}
