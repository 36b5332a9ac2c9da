fn f() { match break t {} }
