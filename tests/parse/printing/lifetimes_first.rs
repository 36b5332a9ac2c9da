fn f<T: X, 'b>() {}
