fn f() { x as u8?; }
