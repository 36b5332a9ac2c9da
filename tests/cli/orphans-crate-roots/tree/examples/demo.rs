mod shared;

fn main() {}
