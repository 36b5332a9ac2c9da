fn f() { if return x {} }
