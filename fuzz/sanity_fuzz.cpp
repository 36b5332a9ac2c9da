// Not fuzzed: the check that the fuzz build really carries its sanitizers. The input "heap"
// reads past a heap block (AddressSanitizer), "int" overflows a signed integer
// (UndefinedBehaviorSanitizer); run.sh feeds both and expects each to abort with its report.
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size >= 4 && std::memcmp(data, "heap", 4) == 0) {
    std::vector<std::uint8_t> block(data, data + size);
    volatile std::uint8_t past = block.data()[size];  // one byte past the block
    (void)past;
  }
  if (size >= 3 && std::memcmp(data, "int", 3) == 0) {
    volatile int big = INT_MAX;
    volatile int sum = big + static_cast<int>(size);  // signed overflow
    (void)sum;
  }
  return 0;
}
