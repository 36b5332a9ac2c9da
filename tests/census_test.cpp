#include "census.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "support.hpp"

namespace {

using cli::Lang;

TEST(Census, Classification) {
  struct Row {
    const char* name;
    std::optional<Lang> lang;
  };
  const Row rows[] = {
      {"a.rs", Lang::Rust},
      {"tests.rs", Lang::Rust},
      {"x.go", Lang::Go},
      {"a_test.go", {}},
      {"AppTests.swift", Lang::Swift},
      {"a.ts", Lang::TypeScript},
      {"a.tsx", Lang::TypeScript},
      {"x.d.ts", {}},
      {"a.spec.tsx", {}},
      {"b.test.ts", {}},
      {"c.kt", Lang::Kotlin},
      {"FooTest.kt", {}},
      {"FooTests.kt", {}},
      {"Testing.kt", Lang::Kotlin},
      {"a.py", Lang::Python},
      {"test_a.py", {}},
      {"a_test.py", {}},
      {"conftest.py", {}},
      {"z.zig", Lang::Zig},
      {".rs", Lang::Rust},
      {"a.RS", {}},
      {"Makefile", {}},
  };
  for (const Row& row : rows) EXPECT_EQ(cli::classify(row.name), row.lang) << row.name;
}

TEST(Census, WalkSkipsAndFollowsLinks) {
  support::TempDir t;
  t.write("a.rs", "");
  t.write("tests/lib.rs", "");
  t.write("Target/x.rs", "");  // only the exact lower-case name is skipped
  t.write("target/y.rs", "");
  t.write("node_modules/z.ts", "");
  t.write(".git/h.rs", "");
  t.write("foo.egg-info/p.py", "");
  t.write("py/a.py", "");
  t.write("py/b.py", "");
  t.write("elsewhere/c.go", "");
  t.symlink("../elsewhere", "linked/dir");  // a link to a directory is walked
  t.symlink("missing.go", "dangling.go");   // a dangling link counts by its name
  const cli::Census counts = cli::source_counts(t.path());
  EXPECT_EQ(counts, (cli::Census{{Lang::Rust, 3}, {Lang::Go, 3}, {Lang::Python, 2}}));
  EXPECT_EQ(cli::dominant(counts), Lang::Rust);
  EXPECT_EQ(cli::other_langs(Lang::Go, counts), (std::vector<std::string>{"3 .rs", "2 .py"}));
}

TEST(Census, LinkCyclesEndAndRepeatedDirectoriesCountTwice) {
  support::TempDir t;
  t.write("a/one.py", "");
  t.symlink("..", "a/up");       // a cycle back to the root
  t.symlink("../a", "b/again");  // the same directory a second time, without a cycle
  const cli::Census counts = cli::source_counts(t.path());
  // a/one.py is reached as a/one.py and b/again/one.py; through a/up the walk would return to
  // the root, an ancestor, which is not entered again.
  EXPECT_EQ(counts, (cli::Census{{Lang::Python, 2}}));
}

TEST(Census, NothingToCount) {
  support::TempDir t;
  t.write("file.txt", "x");
  EXPECT_TRUE(cli::source_counts(t.path()).empty());
  EXPECT_TRUE(cli::source_counts(t / "file.txt").empty());
  EXPECT_TRUE(cli::source_counts(t / "missing").empty());
  EXPECT_EQ(cli::dominant({}), std::nullopt);
}

TEST(Census, TiesGoToTheEarlierLanguage) {
  EXPECT_EQ(cli::dominant({{Lang::Go, 3}, {Lang::Python, 3}}), Lang::Go);
  EXPECT_EQ(cli::dominant({{Lang::Rust, 2}, {Lang::Zig, 2}}), Lang::Rust);
  EXPECT_EQ(cli::dominant({{Lang::Rust, 1}, {Lang::Zig, 2}}), Lang::Zig);
  EXPECT_EQ(cli::all_exts(), ".rs/.go/.swift/.ts/.kt/.py/.zig");
}

}  // namespace
