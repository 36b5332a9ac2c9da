// Fuzz target: token-text tidying on raw text and on printed token text.
#include "entry.hpp"

QK_FUZZ_ENTRY(fuzz::check_tidy)
