pub fn main_fn() {}
