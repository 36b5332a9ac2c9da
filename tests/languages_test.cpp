#include "languages.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "port.hpp"

namespace {

using languages::Lang;

TEST(Languages, FileAndDirectoryNames) {
  struct Row {
    Lang lang;
    std::vector<std::string> read, not_read, skipped, entered;
  };
  const Row rows[] = {
      {.lang = Lang::Rust,
       .read = {"a.rs", ".hidden.rs", "..rs", "\xff.rs"},
       .not_read = {".rs", "x.RS", "a.rs.bak"},
       .skipped = {"target", "vendor", "build", ".git", "Pods", "zig-out", "DerivedData",
                   "node_modules"},
       .entered = {"Target", "src", "tests", "examples", "benches", "bin", "out"}},
      {.lang = Lang::Go,
       .read = {"test.go", "main.go", ".x.go"},
       .not_read = {"a_test.go", "_test.go", "A.GO"},
       .skipped = {"vendor"},
       .entered = {"Vendor", "vendors", "test"}},
      {.lang = Lang::Swift,
       .read = {"App.swift", "AppTests.swift"},
       .not_read = {"App.swif"},
       .skipped = {"Pods", "build", "DerivedData", "Tests", "AppUITests"},
       .entered = {"Testsuite"}},
      {.lang = Lang::TypeScript,
       .read = {"x.d.tsx", "a.tsx", ".config.ts", "x.ts"},
       .not_read = {"x.d.ts", "app.test.tsx", "my.spec.utils.ts", "a.js"},
       .skipped = {"out", "dist", "build", "coverage", "node_modules"},
       .entered = {"vendor", "src"}},
      {.lang = Lang::Kotlin,
       .read = {"Testing.kt", "Main.kt"},
       .not_read = {"FooTest.kt", "Test.kt", "FooTests.kt", "x.kts"},
       .skipped = {"test", "build", "gradle", "androidTest"},
       .entered = {"tests", "Test"}},
      {.lang = Lang::Python,
       .read = {"test.py", "tests.py", "mytest_x.py"},
       .not_read = {"test_x.py", "x_test.py", "conftest.py", "x.pyi"},
       .skipped = {"venv", "dist", "build", "__pycache__", "node_modules", "site-packages",
                   "foo.egg-info", ".egg-info"},
       .entered = {"env", "tests"}},
      {.lang = Lang::Zig,
       .read = {"a.zig"},
       .not_read = {"a.zon"},
       .skipped = {"zig-out"},
       .entered = {"zig-cache"}},
  };
  for (const Row& row : rows) {
    const languages::Language& language = languages::of(row.lang);
    EXPECT_EQ(language.lang, row.lang);
    for (const std::string& n : row.read) {
      EXPECT_TRUE(language.reads(n)) << language.name << " reads " << n;
    }
    for (const std::string& n : row.not_read) {
      EXPECT_FALSE(language.reads(n)) << language.name << " does not read " << n;
    }
    for (const std::string& n : row.skipped) {
      EXPECT_TRUE(language.skips(n)) << language.name << " skips " << n;
    }
    for (const std::string& n : row.entered) {
      EXPECT_FALSE(language.skips(n)) << language.name << " enters " << n;
    }
  }
}

// The census counts what the surveys read, except that every name ending in ".rs" counts for
// Rust, ".rs" itself included.
TEST(Languages, CensusCountsWhatTheSurveysRead) {
  const std::vector<std::string> names = {
      "a.rs",    ".rs",   "x.RS",     "a.go", "a_test.go", "x.d.ts",
      "a.tsx",   "A.kt",  "ATest.kt", "a.py", "test_a.py", "conftest.py",
      "a.swift", "a.zig", "a",        "rs",   "Cargo.toml"};
  for (const languages::Language& language : languages::all()) {
    for (const std::string& n : names) {
      const bool counted = language.reads(n) || (language.lang == Lang::Rust && n == ".rs");
      EXPECT_EQ(language.counts(n), counted) << language.name << " counting " << n;
    }
  }
}

TEST(Languages, CensusDirectories) {
  for (const char* skipped :
       {"out", "Pods", "dist", "venv", "build", "target", "vendor", "gradle", "zig-out", "coverage",
        "DerivedData", "__pycache__", "node_modules", "site-packages", "x.egg-info"}) {
    EXPECT_TRUE(languages::census_skips(skipped)) << skipped;
  }
  // Hidden directories are the walk's rule; the per-language lists are not the census's.
  for (const char* entered : {"Target", "src", "test", "Tests", "androidTest", ".git"}) {
    EXPECT_FALSE(languages::census_skips(entered)) << entered;
  }
}

TEST(Languages, ExtensionsAndRecognisers) {
  std::string exts;
  for (const languages::Language& language : languages::all()) exts += language.ext;
  EXPECT_EQ(exts, ".rs.go.swift.ts.kt.py.zig");
  EXPECT_EQ(languages::of(Lang::Rust).recognise, nullptr);
  EXPECT_EQ(languages::of(Lang::Go).recognise, &port::go_decl);
  EXPECT_EQ(languages::of(Lang::Swift).recognise, &port::swift_decl);
  EXPECT_EQ(languages::of(Lang::TypeScript).recognise, &port::ts_decl);
  EXPECT_EQ(languages::of(Lang::Kotlin).recognise, &port::kotlin_decl);
  EXPECT_EQ(languages::of(Lang::Python).recognise, &port::python_decl);
  EXPECT_EQ(languages::of(Lang::Zig).recognise, &port::zig_decl);
}

}  // namespace
