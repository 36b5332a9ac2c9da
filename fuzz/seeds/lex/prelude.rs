#!/usr/bin/env run-cargo-script
//! Inner doc.
/** Block doc with "quotes" and a tab	. */
/*! inner block */
/* nested /* comment */ still */
fn main() { m!(a => b, $x:expr, #[attr] ..= :: ->) }
