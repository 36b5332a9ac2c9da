fn f(x: [u8; 1]) { let [1..] = x else { return }; }
