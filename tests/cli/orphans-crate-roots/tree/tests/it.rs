mod common;
#[path = "lexical/algorithm.rs"]
mod algorithm;

#[test]
fn it() {}
