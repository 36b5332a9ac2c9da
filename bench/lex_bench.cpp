// lex_bench [DIR]: the Rust lexer's throughput over every .rs file under DIR (default
// /usr/share/cargo/registry). The files are read into memory first; only lexing is timed, over
// several passes, and the best pass is reported.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "bench.hpp"
#include "fsys.hpp"
#include "lexer.hpp"

int main(int argc, char** argv) {
  const std::string root = bench::root_arg(argc, argv);
  std::vector<std::string> sources;
  std::size_t bytes = 0;
  if (!bench::load_sources(root, sources, bytes)) return 1;

  constexpr int kPasses = 5;
  double best = 1e100;
  std::size_t tokens = 0;
  std::size_t failed = 0;
  for (int pass = 0; pass < kPasses; ++pass) {
    tokens = 0;
    failed = 0;
    const auto start = std::chrono::steady_clock::now();
    for (const std::string& s : sources) {
      auto buffer = rust::lex(rust::strip_file_prelude(s));
      if (buffer) {
        tokens += buffer->size();
      } else {
        ++failed;
      }
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    best = std::min(best, took.count());
  }

  // Printing the whole-file token text, for the cost of the other half of the token dump.
  double print_best = 1e100;
  std::string out;
  for (int pass = 0; pass < kPasses; ++pass) {
    const auto start = std::chrono::steady_clock::now();
    for (const std::string& s : sources) {
      auto buffer = rust::lex(rust::strip_file_prelude(s));
      if (!buffer) continue;
      out.clear();
      rust::print_tokens(*buffer, 0, buffer->size(), out);
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    print_best = std::min(print_best, took.count());
  }

  const double mb = static_cast<double>(bytes) / 1e6;
  std::printf("%zu files, %.1f MB, %zu tokens, %zu did not lex\n", sources.size(), mb, tokens,
              failed);
  std::printf("lex:         %.1f MB/s (%.3f s)\n", mb / best, best);
  std::printf("lex + print: %.1f MB/s (%.3f s)\n", mb / print_best, print_best);
  return 0;
}
