fn modern() {
    if let Some(x) = a && let Ok(y) = b { }
    let Some(v) = opt else { return };
    let f = async || 1;
    let p = &raw const x;
    const { 1 + 1 };
    'block: { break 'block 1; }
    match x { 1 | 2 => {}, a @ 3..=4 => {}, _ => {} }
}
trait G { type Item<'a> where Self: 'a; }
fn cap() -> impl Sized + use<'a, T> {}
unsafe extern "C" { safe fn ok(); }
