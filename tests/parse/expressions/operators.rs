fn f() {
    a && b;
    &&x;
    **p;
    x?;
    f::<T>();
    a..b;
    ..=b;
    a <= b;
}
