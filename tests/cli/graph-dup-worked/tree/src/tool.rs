pub fn run() -> i32 {
    0
}
