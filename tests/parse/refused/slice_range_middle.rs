fn f(x: &[u8]) { match x { [a, 1.., b] => {} _ => {} } }
