// The entry point the fuzzer drives (libFuzzer's interface, which AFL++'s driver also calls):
// runs one check and aborts on a finding, so the input is kept as a crash.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "targets.hpp"

#define QK_FUZZ_ENTRY(check)                                                          \
  extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) { \
    const fuzz::Finding finding =                                                     \
        check(std::string_view(reinterpret_cast<const char*>(data), size));           \
    if (!finding.empty()) {                                                           \
      std::fprintf(stderr, "fuzz finding: %s\n", finding.c_str());                    \
      std::abort();                                                                   \
    }                                                                                 \
    return 0;                                                                         \
  }
