fn f() { x.0.1e5; }
