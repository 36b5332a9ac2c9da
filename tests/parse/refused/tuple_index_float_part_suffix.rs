fn f() { x.0.1u8; }
