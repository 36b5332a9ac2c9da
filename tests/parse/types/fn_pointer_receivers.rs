fn f(g: fn(mut self) -> Vec<u8>, h: fn(x: mut self, y: u8), i: fn(mut self: Box<u8>), j: fn(self: u8, self)) {
    let x: fn(#[a] mut self, Vec<u8>);
}
fn refs(&self::a: u8) {}
