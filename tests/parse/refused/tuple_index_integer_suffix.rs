fn f() { x.0u8; }
