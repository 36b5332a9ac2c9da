fn clamp(x: i32) -> i32 {
    if x < 0 { 0 } else { x }
}
