fn f() { g(box 1); }
