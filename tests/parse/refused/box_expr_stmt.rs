fn f() { box x; }
