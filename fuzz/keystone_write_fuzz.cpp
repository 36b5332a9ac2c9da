// Fuzz target: the keystone.json writer on keystones built from the input, read back.
#include "entry.hpp"

QK_FUZZ_ENTRY(fuzz::check_keystone_write)
