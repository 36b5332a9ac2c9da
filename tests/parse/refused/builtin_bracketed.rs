pub type T = builtin # foo[];
