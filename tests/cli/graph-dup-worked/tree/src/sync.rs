pub fn run(args: &[String]) -> i32 {
    args.len() as i32
}
