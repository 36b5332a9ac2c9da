pub fn shared() {}
