fn f() {
    match x {
        A => {}
        B => if c {} else {},
        C => m! {},
        D => m!(),
        E => unsafe {}
        F => 'a: loop {}
        G => x + 1,
        H => {}.len(),
        _ => return
    }
}
