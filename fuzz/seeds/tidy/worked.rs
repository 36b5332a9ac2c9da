use std::{fs, io::{self, Read}};
pub use a::{b, c as d, e::*};
pub(crate) use a::b;
/// Adds.
#[derive(Debug, Clone)]
pub struct Point<T> { #[serde(rename = "x")] pub x: T, y: T }
pub enum E { #[default] A(u32), B { f: i32 } }
union U { a: u32 }
pub trait Tr { fn d(&self) {} }
type Alias = Vec<u8>;
mod a { mod b; mod c { #[path = "x.rs"] mod d; } }
#[cfg(not(test))] mod m { fn f() {} }
#[cfg(test)] mod tests { #[test] fn t() { helper(); } }
fn main() { let v = vec![g()]; h(Self::k(), x.m()); }
pub(in crate::a) async fn run(self: Arc<Self>) {}
fn parse<'a>(input: &'a str, opts: &mut Options) -> Result<Vec<Token<'a>>, Error> { todo!() }
fn from_parts<T: Into<String>>(parts: [T; 2]) -> (String, usize) where T: Clone { (a, b) }
fn f() -> <T as Trait>::Output { <T as Trait>::f(); <T>::g(); }
fn g(x: ::std::fmt::Result) {}
impl<T> Point<T> { #[test] pub fn m(&self) -> Option<&String> { None } }
#[cfg(feature = "x")] fn cfgd() {}
fn r#type() { let c = || f(); (f)(x); get()(); Some(x); }
extern "C" { fn ext(); }
macro_rules! mac { () => {} }
