impl crate::Config {
    fn helper(&self) {}
}

#[test]
fn t() {}
