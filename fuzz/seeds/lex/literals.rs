fn lits() {
    let _ = (1, 1_000, 0x1F, 0o17, 0b1010, 1u8, 1e10, 1.5e-3f64, 2., 1.0f32, 'a', '\'', '\u{1F600}');
    let _ = (b'a', b'\x7f', "s\"\n\t\\", b"bytes\x00", c"cstr", r"raw", r#"raw "quoted""#, br##"x"##, cr"c");
    let r#type = r#match; 'outer: loop { break 'outer; }
    x.0.1; 1..=2; a::<'static, T>(); *const u8; &&mut x; a+-1; (/*ERROR*/);
}
