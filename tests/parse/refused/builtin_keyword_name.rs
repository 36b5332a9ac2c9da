fn f(x: builtin # type(u8)) {}
