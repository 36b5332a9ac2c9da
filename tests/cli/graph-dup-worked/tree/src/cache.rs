fn load(key: u64) -> Option<String> {
    if key == 0 { None } else { Some(key.to_string()) }
}

#[cfg(test)]
mod tests {
    #[test]
    fn misses_zero() {
        assert!(super::load(0).is_none());
    }
}
