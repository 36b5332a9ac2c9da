fn f() { x = #[a] ..y }
