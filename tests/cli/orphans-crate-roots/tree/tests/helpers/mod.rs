pub fn help() {}
