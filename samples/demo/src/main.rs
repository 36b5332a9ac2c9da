//! A small stock-keeping program, kept as the tool's demonstration tree.

mod report;
mod store;

use store::Ledger;

fn main() {
    let mut ledger = Ledger::default();
    ledger.receive("bolts", 40);
    ledger.receive("nuts", 25);
    ledger.ship("bolts", 15);
    println!("{}", report::summary(&ledger));
}
