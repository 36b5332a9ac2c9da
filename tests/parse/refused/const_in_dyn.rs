type A = dyn const X;
