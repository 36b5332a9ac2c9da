fn f() { let x = match y {} else { return }; }
