fn f() { a .. b .. c; }
