fn f() { x.0.; }
