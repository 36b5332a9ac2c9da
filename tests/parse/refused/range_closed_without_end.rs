fn f() { x..=; }
