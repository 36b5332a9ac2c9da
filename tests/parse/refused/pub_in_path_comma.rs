pub(in a,) struct S;
