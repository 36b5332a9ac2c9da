use crate::store::Ledger;

pub(crate) fn total(ledger: &Ledger) -> u64 {
    ledger.sum()
}

pub(super) fn rounded(x: u64) -> u64 {
    x / 10 * 10
}
