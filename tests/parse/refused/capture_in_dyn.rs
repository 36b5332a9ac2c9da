fn f(x: Box<dyn X + use<'a>>) {}
