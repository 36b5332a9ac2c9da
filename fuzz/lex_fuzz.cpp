// Fuzz target: the Rust lexer, its token buffer and the printing rule, printed text lexed again.
#include "entry.hpp"

QK_FUZZ_ENTRY(fuzz::check_lex)
