fn f<T: F::<>::() -> u8, U: a::b<>(u8), V: G<>>() -> impl n::<>() {
    let x: &dyn F::(u8) -> u8;
}
