pub fn old() {}
