#[path = "./gen/x.rs"]
mod x;
