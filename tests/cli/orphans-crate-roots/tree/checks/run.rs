mod helpers;

#[test]
fn run() {}
