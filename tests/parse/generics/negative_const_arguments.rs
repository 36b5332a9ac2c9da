fn f<const N: i8 = -1>(x: X<-2, { -3 }, M = -4>) {
    g::<-5>();
    let y: [u8; -6];
}
