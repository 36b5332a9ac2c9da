pub fn lib_fn() {}
