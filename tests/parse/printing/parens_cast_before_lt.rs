fn f() {
    x as self < y;
    x as dyn (u) < y;
    x as self << 2;
    x as &self < y;
    x as *const super < y;
    x as fn() -> crate < y;
    x as impl Fn() -> self < y;
    x as dyn (Fn() -> self) < y;
    x as dyn (?Sized) < y;
    let _ = g(x as self < y);
    x as u8 + 1;
    x as fn() < y;
    x as dyn (T<U>) < y;
    x as (self) < y;
    x as [self; 1] < y;
    x as self > y;
    x as self <= y;
}
