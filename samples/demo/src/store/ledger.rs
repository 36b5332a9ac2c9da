use std::collections::BTreeMap;

use super::clamp;

/// Stock counts by item name.
#[derive(Debug, Default)]
pub struct Ledger {
    counts: BTreeMap<String, i64>,
}

impl Ledger {
    pub fn receive(&mut self, item: &str, count: i64) {
        *self.counts.entry(item.to_string()).or_insert(0) += count;
    }

    pub fn ship(&mut self, item: &str, count: i64) {
        let left = self.counts.get(item).copied().unwrap_or(0) - count;
        self.counts.insert(item.to_string(), clamp(left));
    }

    pub fn items(&self) -> impl Iterator<Item = (&String, i64)> + '_ {
        self.counts.iter().map(|(k, v)| (k, *v))
    }
}

#[cfg(test)]
mod tests {
    use super::*;

    #[test]
    fn shipping_never_goes_below_zero() {
        let mut ledger = Ledger::default();
        ledger.ship("x", 3);
        assert_eq!(ledger.items().next().map(|(_, n)| n), Some(0));
    }
}
