pub fn util_fn() {}
