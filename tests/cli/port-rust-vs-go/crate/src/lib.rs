pub fn parse_config() {}

pub struct Open;

fn flush_all() {}

impl Open {
    pub fn close(&self) {}
}
