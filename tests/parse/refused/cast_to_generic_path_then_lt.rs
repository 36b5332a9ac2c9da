fn f() { let _ = x as u8 < y; }
