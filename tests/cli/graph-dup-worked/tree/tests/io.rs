use std::path::Path;

#[test]
fn io_load_reads_files() {
    let _ = demo::io::load(Path::new("Cargo.toml"));
}
