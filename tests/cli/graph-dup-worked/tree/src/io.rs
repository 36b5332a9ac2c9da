use std::path::Path;

pub fn load(p: &Path) -> String {
    std::fs::read_to_string(p).unwrap_or_else(|_| String::new())
}
