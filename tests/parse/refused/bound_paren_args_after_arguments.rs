fn f<W: H<u8>()>() {}
