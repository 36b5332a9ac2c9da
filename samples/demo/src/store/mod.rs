mod ledger;

pub use ledger::Ledger;

pub(crate) fn clamp(count: i64) -> i64 {
    if count < 0 { 0 } else { count }
}
