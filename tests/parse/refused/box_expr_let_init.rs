fn f() { let y = box x; }
