fn f(x: &[u8]) { match x { [const { 1 }..] => {} _ => {} } }
