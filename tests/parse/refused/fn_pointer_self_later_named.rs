type A = fn(x: u8, self: u8);
