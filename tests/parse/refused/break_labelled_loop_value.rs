fn f() { break 'a: loop {}; }
