fn f() where <T as X>::Y: Z, T: X, <T>::A: B {}
