fn binder(x: for<'a> builtin # x(&'a u8)) {}
fn reference(x: &builtin # a(b)) -> [builtin # c(); 2] {}
fn body() {
    let x: builtin#t() = 1 as builtin # u ( a );
}
