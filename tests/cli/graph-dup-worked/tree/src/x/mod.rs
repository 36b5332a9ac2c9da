pub fn parse(s: &str) -> Vec<String> {
    s.split(',').map(str::to_string).collect()
}
