fn f() { while break t {} }
