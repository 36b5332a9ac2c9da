use crate::store::Ledger;

/// One line per item, sorted by name.
pub fn summary(ledger: &Ledger) -> String {
    let mut lines: Vec<String> = ledger
        .items()
        .map(|(name, count)| {
            let shown = clamp(count);
            format!("{name}: {shown}")
        })
        .collect();
    lines.sort();
    lines.join("\n")
}

fn clamp(count: i64) -> i64 {
    if count < 0 { 0 } else { count }
}

#[cfg(test)]
mod tests {
    use super::*;

    #[test]
    fn summary_lists_every_item() {
        let mut ledger = Ledger::default();
        ledger.receive("a", 1);
        assert_eq!(summary(&ledger), "a: 1");
    }
}
