m!x {}
m!try {}
fn f() {
    m!y {}
}
impl S { m! {} m!(); a::b![]; }
trait T { m! {} }
extern "C" { m!(); }
