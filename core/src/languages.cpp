#include "languages.hpp"

#include <algorithm>
#include <array>
#include <cstddef>

#include "port.hpp"

namespace languages {

namespace {

template <std::size_t N>
bool is_one_of(std::string_view name, const std::array<std::string_view, N>& list) {
  return std::find(list.begin(), list.end(), name) != list.end();
}

bool contains(std::string_view s, std::string_view part) {
  return s.find(part) != std::string_view::npos;
}

// Files. The census counts every name ending in ".rs", the survey only a name whose extension is
// "rs" (so not ".rs" itself); for the other languages both take the same files.

bool rust_counts(std::string_view n) { return n.ends_with(".rs"); }
bool rust_reads(std::string_view n) { return fsys::extension(n) == "rs"; }

bool go_reads(std::string_view n) { return n.ends_with(".go") && !n.ends_with("_test.go"); }

bool swift_reads(std::string_view n) { return n.ends_with(".swift"); }

bool ts_reads(std::string_view n) {
  return (n.ends_with(".ts") || n.ends_with(".tsx")) && !n.ends_with(".d.ts") &&
         !contains(n, ".test.") && !contains(n, ".spec.");
}

bool kotlin_reads(std::string_view n) {
  return n.ends_with(".kt") && !n.ends_with("Test.kt") && !n.ends_with("Tests.kt");
}

bool python_reads(std::string_view n) {
  return n.ends_with(".py") && !n.starts_with("test_") && !n.ends_with("_test.py") &&
         n != "conftest.py";
}

bool zig_reads(std::string_view n) { return n.ends_with(".zig"); }

// Directories a survey does not enter, besides hidden ones.

bool rust_skips(std::string_view n) {
  static constexpr std::array<std::string_view, 8> kSkipped{
      "target", "vendor", "build", ".git", "Pods", "zig-out", "DerivedData", "node_modules"};
  return is_one_of(n, kSkipped);
}

bool go_skips(std::string_view n) { return n == "vendor"; }

bool swift_skips(std::string_view n) {
  return n == "Pods" || n == "build" || n == "DerivedData" || n.ends_with("Tests");
}

bool ts_skips(std::string_view n) {
  return n == "out" || n == "dist" || n == "build" || n == "coverage" || n == "node_modules";
}

bool kotlin_skips(std::string_view n) {
  return n == "test" || n == "build" || n == "gradle" || n == "androidTest";
}

bool python_skips(std::string_view n) {
  return n == "venv" || n == "dist" || n == "build" || n == "__pycache__" || n == "node_modules" ||
         n == "site-packages" || n.ends_with(".egg-info");
}

bool zig_skips(std::string_view n) { return n == "zig-out"; }

constexpr std::array<Language, 7> kLanguages{{
    {Lang::Rust, "Rust", ".rs", rust_counts, rust_reads, rust_skips, nullptr},
    {Lang::Go, "Go", ".go", go_reads, go_reads, go_skips, port::go_decl},
    {Lang::Swift, "Swift", ".swift", swift_reads, swift_reads, swift_skips, port::swift_decl},
    {Lang::TypeScript, "TypeScript", ".ts", ts_reads, ts_reads, ts_skips, port::ts_decl},
    {Lang::Kotlin, "Kotlin", ".kt", kotlin_reads, kotlin_reads, kotlin_skips, port::kotlin_decl},
    {Lang::Python, "Python", ".py", python_reads, python_reads, python_skips, port::python_decl},
    {Lang::Zig, "Zig", ".zig", zig_reads, zig_reads, zig_skips, port::zig_decl},
}};

static_assert(
    [] {
      for (std::size_t i = 0; i < kLanguages.size(); ++i) {
        if (static_cast<std::size_t>(kLanguages[i].lang) != i) return false;
      }
      return true;
    }(),
    "the rows stand in Lang order");

}  // namespace

std::span<const Language> all() { return kLanguages; }

const Language& of(Lang lang) { return kLanguages[static_cast<std::size_t>(lang)]; }

bool census_skips(std::string_view name) {
  static constexpr std::array<std::string_view, 14> kSkipped{
      "out",         "Pods",        "dist",         "venv",         "build",
      "target",      "vendor",      "gradle",       "zig-out",      "coverage",
      "DerivedData", "__pycache__", "node_modules", "site-packages"};
  return is_one_of(name, kSkipped) || name.ends_with(".egg-info");
}

}  // namespace languages
