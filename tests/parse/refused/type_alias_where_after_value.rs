type A = u8 where T: X;
