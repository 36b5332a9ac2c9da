fn f(y: Option<u8>) {
    let Some(x) = y else { return };
}
