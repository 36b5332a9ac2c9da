mod ledger;
pub use ledger::Ledger;

#[derive(Debug)]
pub enum Unit {
    Piece,
    Box { size: u32 },
}

pub(crate) fn rounded(x: u64) -> u64 {
    x / 100 * 100
}
