fn load() {}

pub fn run() {}

pub struct Config;
