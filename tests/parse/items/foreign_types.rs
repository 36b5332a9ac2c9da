fn f() {
    extern "C" {
        type A<T> where T: X;
        pub type B = u8 where;
        type C: X;
        #[a] type D<'a, T>;
    }
}
