// Helpers shared by the benchmark programs.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "fsys.hpp"

namespace bench {

/// The text of every .rs file below `dir`, every directory entered where it is listed (hidden
/// ones too, links not followed); whatever cannot be listed or read is passed over.
inline void collect_sources(const std::string& dir, std::vector<std::string>& sources) {
  (void)fsys::walk(dir, {.hidden = true, .pass_over_unlistable = true, .nested = true},
                   [&](const fsys::WalkEntry& entry) -> std::expected<void, fsys::IoError> {
                     if (fsys::extension(entry.name) != "rs") return {};
                     if (auto text = fsys::read_text(entry.path))
                       sources.push_back(std::move(*text));
                     return {};
                   });
}

/// The directory a benchmark measures: its first argument, else the Debian cargo registry.
inline std::string root_arg(int argc, char** argv) {
  return argc > 1 ? argv[1] : "/usr/share/cargo/registry";
}

/// The sources below `root` and their total size; false, with a message, when there is no .rs
/// file there.
inline bool load_sources(const std::string& root, std::vector<std::string>& sources,
                         std::size_t& bytes) {
  collect_sources(root, sources);
  bytes = 0;
  for (const std::string& s : sources) bytes += s.size();
  if (bytes == 0) std::fprintf(stderr, "no .rs files under %s\n", root.c_str());
  return bytes != 0;
}

/// The shortest wall time of `passes` runs of `run`, in seconds.
template <typename F>
double best_of(int passes, F&& run) {
  double best = 1e100;
  for (int pass = 0; pass < passes; ++pass) {
    const auto start = std::chrono::steady_clock::now();
    run();
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    best = std::min(best, took.count());
  }
  return best;
}

}  // namespace bench
