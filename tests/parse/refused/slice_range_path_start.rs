fn f(x: &[u8]) { match x { [A::B..] => {} _ => {} } }
