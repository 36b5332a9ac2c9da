type A where T: X = u8 where U: Y;
