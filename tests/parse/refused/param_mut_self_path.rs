fn f(mut self::a: u8) {}
