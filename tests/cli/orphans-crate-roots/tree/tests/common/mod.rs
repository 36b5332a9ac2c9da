pub fn setup() {}
