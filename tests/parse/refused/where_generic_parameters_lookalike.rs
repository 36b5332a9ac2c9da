fn f() where <u8>::X: Y {}
