fn f() { match x { _ => m! {} _ => 1 } }
