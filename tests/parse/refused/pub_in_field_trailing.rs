struct S { pub(in a b) x: u8 }
