pub enum Top { pub A }
fn f() {
    enum E { pub(crate) A(pub u8), #[a] pub(in x) B { pub y: u8 } = 1, pub(self) C }
}
