type A = (?Sized) + const X;
