pub fn x() {}
