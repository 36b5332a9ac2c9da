fn f() { x as u8.f(); }
