trait T { type A where T: X = u8; }
