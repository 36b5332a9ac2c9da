fn f<T: const X + [const] Y + (const Z) + ?Sized>() -> impl const X + [const] Y {}
fn g(a: &((f) + 'a + g), b: Box<(?Sized) + X>, c: &(f + ?Sized + for<'a> X<'a> + (Y)), d: &(f +)) {}
