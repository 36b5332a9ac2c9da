fn f() { if break t {} }
