fn f() { let _ = #[a] ..; }
