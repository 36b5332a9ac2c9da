fn f() { extern { type D where T: X = u where U: Y; } }
