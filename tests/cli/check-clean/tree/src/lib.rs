pub fn run() {}

#[test]
fn runs() {
    run();
}
