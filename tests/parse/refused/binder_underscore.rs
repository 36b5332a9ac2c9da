fn f(x: for<_> fn()) {}
