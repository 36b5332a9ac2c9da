impl !S { fn f() {} }
