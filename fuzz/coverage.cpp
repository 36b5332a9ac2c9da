// Edge coverage for AFL++ from GCC's own instrumentation, for a GCC that AFL++'s plugin refuses
// (the plugin insists on the exact compiler build it was made with). Every basic block compiled
// with -fsanitize-coverage=trace-pc calls __sanitizer_cov_trace_pc; the block's address, taken
// relative to the executable so that it is the same in every run, is hashed to 16 bits and the
// edge from the previous block is counted in AFL's map, as AFL's own instrumentation does.
// afl-compiler-rt.o supplies the map, the fork server and the persistent loop.
#include <cstdint>

extern "C" std::uint8_t* __afl_area_ptr;
extern "C" char __executable_start;  // provided by the linker

namespace {
thread_local std::uint32_t previous = 0;
}

extern "C" __attribute__((no_sanitize_coverage)) void __sanitizer_cov_trace_pc() {
  const std::uint64_t offset = reinterpret_cast<std::uintptr_t>(__builtin_return_address(0)) -
                               reinterpret_cast<std::uintptr_t>(&__executable_start);
  const auto block = static_cast<std::uint32_t>((offset * 0x9E3779B97F4A7C15ull) >> 48);
  __afl_area_ptr[block ^ previous]++;
  previous = block >> 1;
}
