/// Items and their counts.
pub struct Ledger {
    items: Vec<(String, u64)>,
}

impl Ledger {
    pub fn new() -> Self {
        Ledger { items: Vec::new() }
    }

    pub fn sum(&self) -> u64 {
        self.items.iter().map(|(_, n)| n).sum()
    }

    fn main(&self) {}
}

#[cfg(test)]
mod tests {
    #[test]
    fn empty_sums_to_zero() {
        assert_eq!(super::Ledger::new().sum(), 0);
    }
}
