impl<T> !S<T> { fn h() {} }
