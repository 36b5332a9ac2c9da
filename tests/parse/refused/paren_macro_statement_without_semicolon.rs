fn f() { m!(x) y }
