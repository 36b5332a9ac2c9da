// survey_bench [DIR]: the Rust survey's throughput over the .rs files under DIR (default
// /usr/share/cargo/registry), single-threaded, and the peak memory of the process.
//
// Three figures: parsing alone (lexer and parser, sources already in memory), the survey of
// in-memory sources (parsing plus the records with all their printed texts), and survey_dir on
// the directory itself (walking, reading and surveying). The best of several passes is reported.
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "bench.hpp"
#include "dodureriradi.hpp"
#include "fsys.hpp"
#include "parser.hpp"

int main(int argc, char** argv) {
  const std::string root = bench::root_arg(argc, argv);
  std::vector<std::string> sources;
  std::size_t bytes = 0;
  if (!bench::load_sources(root, sources, bytes)) return 1;
  constexpr int kPasses = 3;

  std::size_t rejected = 0;
  const double parse = bench::best_of(kPasses, [&] {
    rejected = 0;
    for (const std::string& s : sources) {
      if (!rust::parse_file(s)) ++rejected;
    }
  });

  std::size_t fns = 0;
  const double survey = bench::best_of(kPasses, [&] {
    fns = 0;
    for (const std::string& s : sources) {
      if (auto file = dodureriradi::survey_source("x.rs", s)) fns += file->fns.size();
    }
  });

  std::size_t files = 0;
  bool failed = false;
  const double dir = bench::best_of(kPasses, [&] {
    auto result = dodureriradi::survey_dir(root);
    if (!result) {
      failed = true;
      return;
    }
    files = result->size();
  });
  if (failed) {
    std::fprintf(stderr, "survey of %s failed\n", root.c_str());
    return 1;
  }

  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const double mb = static_cast<double>(bytes) / 1e6;
  std::printf("%zu sources, %.1f MB, %zu do not parse, %zu functions\n", sources.size(), mb,
              rejected, fns);
  std::printf("parse:      %.1f MB/s (%.3f s)\n", mb / parse, parse);
  std::printf("survey:     %.1f MB/s (%.3f s)\n", mb / survey, survey);
  std::printf("survey_dir: %.1f MB/s (%.3f s, %zu files)\n", mb / dir, dir, files);
  std::printf("peak memory: %.1f MB\n", static_cast<double>(usage.ru_maxrss) / 1024.0);
  return 0;
}
