pub fn clamp(x: i32) -> i32 {
    if x < 0 { 0 } else { x }
}

pub fn non_negative(values: &[i32]) -> Vec<i32> {
    let mut out = Vec::new();
    for v in values {
        out.push(clamp(*v));
    }
    out
}
