// Fuzz target: the six line recognisers, the Python alias rule and the type-expression test.
#include "entry.hpp"

QK_FUZZ_ENTRY(fuzz::check_decl)
