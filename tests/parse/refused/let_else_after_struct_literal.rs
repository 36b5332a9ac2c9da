fn f() { let x = S {} else { return }; }
