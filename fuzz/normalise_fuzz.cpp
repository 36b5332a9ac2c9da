// Fuzz target: name normalisation.
#include "entry.hpp"

QK_FUZZ_ENTRY(fuzz::check_normalise)
