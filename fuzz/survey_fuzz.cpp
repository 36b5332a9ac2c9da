// Fuzz target: the Rust parser and the survey of one source text.
#include "entry.hpp"

QK_FUZZ_ENTRY(fuzz::check_survey)
