// Fuzz target: the keystone.json reader, then the writer, then the reader again.
#include "entry.hpp"

QK_FUZZ_ENTRY(fuzz::check_keystone)
