fn f<T: use<'a>>() {}
