mod store;
pub(crate) mod prices;

use store::Ledger;
use crate::prices::total;

fn main() {
    let ledger = Ledger::new();
    println!("{}", total(&ledger));
}
