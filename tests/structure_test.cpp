#include "structure.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <initializer_list>
#include <string>
#include <vector>

#include "support.hpp"

namespace {

using dodureriradi::ModDecl;
using dodureriradi::SurveyedFile;
using dodureriradi::SurveyedFn;
using dodureriradi::SurveyedType;

SurveyedFn free_fn(std::string name, std::string vis = "", bool test = false) {
  const bool is_pub = vis == "pub";
  return {.name = std::move(name), .vis = std::move(vis), .is_pub = is_pub, .is_test = test};
}
SurveyedFn method(std::string name, std::string vis = "") {
  SurveyedFn fn = free_fn(std::move(name), std::move(vis));
  fn.is_method = true;
  return fn;
}
SurveyedType type(std::string name, std::string kind, std::string vis = "") {
  const bool is_pub = vis == "pub";
  return {
      .name = std::move(name), .kind = std::move(kind), .vis = std::move(vis), .is_pub = is_pub};
}
ModDecl decl(std::string name, std::string parent = "",
             std::optional<std::string> path_attr = std::nullopt, std::string vis = "") {
  return {.name = std::move(name),
          .parent = std::move(parent),
          .path_attr = std::move(path_attr),
          .is_pub = vis == "pub",
          .is_restricted = !vis.empty() && vis != "pub"};
}
SurveyedFile file(std::string path, std::vector<ModDecl> mods = {}) {
  return {.path = std::move(path), .mods = std::move(mods)};
}

std::string c(std::string_view code, std::string_view text) {
  return "\x1b[" + std::string(code) + "m" + std::string(text) + "\x1b[0m";
}

/// The lines, each ended by a newline.
std::string lines(std::initializer_list<std::string> ls) {
  std::string out;
  for (const std::string& l : ls) out += l + "\n";
  return out;
}

// The survey of the worked tree example.
std::vector<SurveyedFile> example_survey() {
  SurveyedFile b = file("src/a/b.rs");
  b.fns = {method("new", "pub"), free_fn("t", "", true)};
  b.tests = {"t"};
  SurveyedFile lib = file("src/lib.rs");
  lib.types = {type("Config", "struct", "pub")};
  lib.fns = {free_fn("load"), free_fn("run", "pub")};
  return {file("build.rs"), b, file("src/a/mod.rs"), lib};
}

// ---------------------------------------------------------------------------------------------
// File tree

TEST(Tree, WorkedExample) {
  const std::vector<SurveyedFile> files = example_survey();
  EXPECT_EQ(structure::render_tree(files, true, false),
            "├── build.rs\n"
            "└── src\n"
            "    ├── a\n"
            "    │   ├── b.rs  · 1 method(s) · 1 test(s)\n"
            "    │   │   └── fn t: pub(self)  #[cfg(test)]\n"
            "    │   └── mod.rs\n"
            "    └── lib.rs  · 2 fn (1 pub) · 1 type(s)\n"
            "        ├── struct Config: pub\n"
            "        ├── fn load: pub(self)\n"
            "        └── fn run: pub\n");
  EXPECT_EQ(structure::render_tree(files, false, false),
            "├── build.rs\n"
            "└── src\n"
            "    ├── a\n"
            "    │   ├── b.rs  · 1 method(s) · 1 test(s)\n"
            "    │   └── mod.rs\n"
            "    └── lib.rs  · 2 fn (1 pub) · 1 type(s)\n");
}

TEST(Tree, WorkedExampleInColour) {
  const std::string none = c("90", "");
  EXPECT_EQ(structure::render_tree(example_survey(), true, true),
            lines({
                "├── build.rs" + none,
                "└── " + c("34", "src"),
                "    ├── " + c("34", "a"),
                "    │   ├── b.rs" + c("90", "  · 1 method(s) · 1 test(s)"),
                "    │   │   └── " + c("34", "fn") + " t: " + c("31", "pub(self)") +
                    c("90", "  #[cfg(test)]"),
                "    │   └── mod.rs" + none,
                "    └── lib.rs" + c("90", "  · 2 fn (1 pub) · 1 type(s)"),
                "        ├── " + c("34", "struct") + " Config: " + c("32", "pub"),
                "        ├── " + c("34", "fn") + " load: " + c("31", "pub(self)"),
                "        └── " + c("34", "fn") + " run: " + c("32", "pub"),
            }));
}

TEST(Tree, Summaries) {
  struct Row {
    const char* name;
    SurveyedFile file;
    std::string line;
  };
  SurveyedFile only_private = file("a.rs");
  only_private.fns = {free_fn("x"), free_fn("y", "pub(crate)"), free_fn("z")};
  SurveyedFile in_tests = file("a.rs");
  in_tests.fns = {free_fn("helper", "pub", true), method("m", "pub")};
  in_tests.fns.back().is_test = true;
  SurveyedFile everything = file("a.rs");
  everything.fns = {free_fn("f", "pub"), method("m1"), method("m2"), free_fn("t", "", true)};
  everything.types = {type("A", "enum"), type("B", "type", "pub(crate)")};
  everything.tests = {"t", "m_test"};
  const Row rows[] = {
      {"nothing", file("a.rs"), "└── a.rs\n"},
      {"private fns only", only_private, "└── a.rs  · 3 fn (0 pub)\n"},
      {"test-module functions not counted", in_tests, "└── a.rs\n"},
      {"every part", everything,
       "└── a.rs  · 1 fn (1 pub) · 2 method(s) · 2 type(s) · 2 test(s)\n"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(structure::render_tree({row.file}, false, false), row.line) << row.name;
  }
}

TEST(Tree, OrderAndBranches) {
  const std::vector<SurveyedFile> files = {
      file("Zeta.rs"),   file("a.rs"),   file("a/deep/x/y.rs"), file("a/deep/z.rs"),
      file("a/last.rs"), file("a_b.rs"), file("alpha.rs"),
  };
  EXPECT_EQ(structure::render_tree(files, false, false),
            "├── Zeta.rs\n"
            "├── a\n"
            "│   ├── deep\n"
            "│   │   ├── x\n"
            "│   │   │   └── y.rs\n"
            "│   │   └── z.rs\n"
            "│   └── last.rs\n"
            "├── a.rs\n"
            "├── a_b.rs\n"
            "└── alpha.rs\n");
  // The survey's own order does not matter, nor does a root-level lib.rs get a special place.
  std::vector<SurveyedFile> reversed(files.rbegin(), files.rend());
  EXPECT_EQ(structure::render_tree(reversed, false, false),
            structure::render_tree(files, false, false));
  EXPECT_EQ(structure::render_tree({file("x/lib.rs"), file("x/a.rs")}, false, false),
            "└── x\n"
            "    ├── a.rs\n"
            "    └── lib.rs\n");
  EXPECT_EQ(structure::render_tree({}, true, true), "");
}

TEST(Tree, ItemRows) {
  SurveyedFile f = file("m.rs");
  f.types = {type("S", "struct", "pub(crate)"), type("E", "enum"),
             type("T", "trait", "pub(self)"),   type("U", "union", "pub(super)"),
             type("A", "type", "pub"),          type("W", "weird")};
  f.fns = {method("skipped", "pub"), free_fn("inner", "pub(in crate::a)"),
           free_fn("t", "pub", true)};
  EXPECT_EQ(structure::render_items(f),
            (std::vector<structure::Row>{{"S", "pub(crate)", "struct", false},
                                         {"E", "", "enum", false},
                                         {"T", "pub(self)", "trait", false},
                                         {"U", "pub(super)", "union", false},
                                         {"A", "pub", "type", false},
                                         {"W", "", "type", false},
                                         {"inner", "pub(in crate::a)", "fn", false},
                                         {"t", "pub", "fn", true}}));
  const std::string fn = c("34", "fn");
  EXPECT_EQ(structure::render_tree({f}, true, true),
            lines({
                "└── m.rs" + c("90", "  · 1 fn (0 pub) · 1 method(s) · 6 type(s)"),
                "    ├── " + c("34", "struct") + " S: " + c("33", "pub(crate)"),
                "    ├── " + c("34", "enum") + " E: " + c("31", "pub(self)"),
                "    ├── " + c("34", "trait") + " T: " + c("33", "pub(self)"),
                "    ├── " + c("34", "union") + " U: " + c("33", "pub(super)"),
                "    ├── " + c("34", "type") + " A: " + c("32", "pub"),
                "    ├── " + c("34", "type") + " W: " + c("31", "pub(self)"),
                "    ├── " + fn + " inner: " + c("33", "pub(in crate::a)"),
                "    └── " + fn + " t: " + c("32", "pub") + c("90", "  #[cfg(test)]"),
            }));

  // Without colour there is no escape byte at all.
  const std::string plain = structure::render_tree({f}, true, false);
  EXPECT_EQ(plain.find('\x1b'), std::string::npos);
  EXPECT_NE(plain.find("    └── fn t: pub  #[cfg(test)]\n"), std::string::npos) << plain;

  // A file with methods only gets no rows.
  SurveyedFile methods = file("m.rs");
  methods.fns = {method("a"), method("b", "pub")};
  EXPECT_EQ(structure::render_tree({methods}, true, false), "└── m.rs  · 2 method(s)\n");
}

// ---------------------------------------------------------------------------------------------
// Orphans

TEST(Orphans, WorkedExample) {
  const std::vector<SurveyedFile> files = {file("src/a.rs"), file("src/b.rs"), file("src/c/mod.rs"),
                                           file("src/lib.rs", {decl("a")}), file("tests/it.rs")};
  const std::vector<structure::Orphan> orphans = structure::find_orphans(files, {});
  EXPECT_EQ(orphans, (std::vector<structure::Orphan>{{"src/b.rs", "mod b;", "src/lib.rs"},
                                                     {"src/c/mod.rs", "mod c;", "src/lib.rs"}}));
  EXPECT_EQ(structure::render_orphans(orphans),
            "2 orphan(s) — on disk, never compiled (no `mod` declaration reaches them):\n"
            "\n"
            "warning: orphaned file `src/b.rs`\n"
            "  help: add `mod b;` to src/lib.rs\n"
            "warning: orphaned file `src/c/mod.rs`\n"
            "  help: add `mod c;` to src/lib.rs\n");
}

TEST(Orphans, RenderEdges) {
  EXPECT_EQ(structure::render_orphans({}),
            "No orphans — every surveyed file is linked by a `mod` declaration.\n");
  EXPECT_EQ(structure::render_orphans({{"x/y.rs", "mod y;", ""}}),
            "1 orphan(s) — on disk, never compiled (no `mod` declaration reaches them):\n"
            "\n"
            "warning: orphaned file `x/y.rs`\n"
            "  no candidate parent module found in the survey\n");
}

TEST(Orphans, ModDir) {
  struct Row {
    std::string path, dir;
    bool manifest_root = false;
  };
  const Row rows[] = {
      {"src/foo.rs", "src/foo"},
      {"src/lib.rs", "src"},
      {"src/a/mod.rs", "src/a"},
      {"build.rs", ""},
      {"foo.rs", "foo"},
      {"src/main.rs", "src"},
      {"a/build.rs", "a"},
      {"src/modx.rs", "src/modx"},
      {"src/lib", "src"},
      // A crate root by place keeps its children beside it.
      {"tests/it.rs", "tests"},
      {"benches/b.rs", "benches"},
      {"examples/e.rs", "examples"},
      {"src/bin/tool.rs", "src/bin"},
      {"tests/common/helpers.rs", "tests/common/helpers"},
      {"test/it.rs", "test/it"},
      // So does a root a manifest names.
      {"tools/tool.rs", "tools", true},
      {"tools/tool.rs", "tools/tool"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(structure::mod_dir(row.path, row.manifest_root), row.dir) << row.path;
  }
}

// One surveyed file at a time, nothing declared: exempt or orphaned.
TEST(Orphans, Exemptions) {
  struct Row {
    std::string path;
    bool orphan;
  };
  const Row rows[] = {
      {"src/lib.rs", false},
      {"src/main.rs", false},
      {"build.rs", false},
      {"lib.rs", false},
      {"x/y/main.rs", false},
      {"tests/it.rs", false},
      {"benches/b.rs", false},
      {"examples/e.rs", false},
      {"src/bin/tool.rs", false},
      {"crate/tests/deep.rs", false},
      {"tests/common/mod.rs", true},  // its directory is "common"
      {"src/foo.rs", true},
      {"foo.rs", true},
      {"test/it.rs", true},
      {"src/Lib.rs", true},
      {"bin.rs", true},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(structure::find_orphans({file(row.path)}, {}).size(), row.orphan ? 1u : 0u)
        << row.path;
  }
}

// Which surveyed files a set of declarations (and roots) leaves unreached.
TEST(Orphans, Reachability) {
  struct Row {
    const char* name;
    std::vector<SurveyedFile> files;
    std::vector<std::string> roots;
    std::vector<std::string> orphans;
  };
  const Row rows[] = {
      {"both file forms of a child",
       {file("src/lib.rs", {decl("a"), decl("b")}), file("src/a.rs"), file("src/b/mod.rs")},
       {},
       {}},
      {"a file declared only by an orphan counts as reached",
       {file("src/x.rs", {decl("y")}), file("src/x/y.rs")},
       {},
       {"src/x.rs"}},
      {"mod common in tests/it.rs reaches tests/common*, beside the crate root",
       {file("tests/it.rs", {decl("common")}), file("tests/common/mod.rs"),
        file("tests/it/common.rs")},
       {},
       {"tests/it/common.rs"}},
      {"examples and benches roots keep their children beside them",
       {file("examples/demo.rs", {decl("shared")}), file("examples/shared/mod.rs"),
        file("benches/b.rs", {decl("common")}), file("benches/common/mod.rs"),
        file("benches/b/common/mod.rs")},
       {},
       {"benches/b/common/mod.rs"}},
      {"a binary in src/bin keeps its children beside it",
       {file("src/bin/tool.rs", {decl("util")}), file("src/bin/util/mod.rs"),
        file("src/bin/tool/util/mod.rs")},
       {},
       {"src/bin/tool/util/mod.rs"}},
      {"a manifest root keeps its children beside it",
       {file("checks/run.rs", {decl("helpers")}), file("checks/helpers.rs"),
        file("checks/run/helpers.rs")},
       {"./checks/run.rs"},
       {"checks/run/helpers.rs"}},
      {"a file of another name keeps its children below it",
       {file("tests/common/helpers.rs", {decl("a")}), file("tests/common/helpers/a.rs"),
        file("tests/common/a.rs"), file("tests/it.rs", {decl("common")}),
        file("tests/common/mod.rs", {decl("helpers")})},
       {},
       {"tests/common/a.rs"}},
      {"a manifest root is linked",
       {file("tests/common/mod.rs"), file("tools/tool.rs")},
       {"./././tests/common/mod.rs", "tools/tool.rs"},
       {}},
      {"roots are taken as written otherwise",
       {file("tools/tool.rs")},
       {"tools//tool.rs"},
       {"tools/tool.rs"}},
      {"inline modules",
       {file("src/lib.rs", {decl("inner", "outer"), decl("leaf", "outer/mid")}),
        file("src/outer/inner.rs"), file("src/outer/mid/leaf/mod.rs"), file("src/inner.rs")},
       {},
       {"src/inner.rs"}},
      {"a file-level path attribute joins the declaring file's own directory",
       {file("src/foo.rs", {decl("x", "", "./gen/x.rs")}), file("src/foo/gen/x.rs"),
        file("src/gen/x.rs"), file("src/lib.rs", {decl("foo")})},
       {},
       {"src/foo/gen/x.rs"}},
      {"a path attribute in a test root reaches below the tests directory",
       {file("tests/lexical.rs", {decl("algorithm", "", "lexical/algorithm.rs")}),
        file("tests/lexical/algorithm.rs")},
       {},
       {}},
      {"a path attribute inside an inline module of a plain file",
       {file("src/foo.rs", {decl("x", "outer", "y.rs")}), file("src/foo/outer/y.rs"),
        file("src/outer/y.rs"), file("src/lib.rs", {decl("foo")})},
       {},
       {"src/outer/y.rs"}},
      {"a .. in a path attribute climbs from the declaring file's directory",
       {file("src/foo.rs", {decl("x", "", "../x.rs")}), file("src/x.rs"), file("x.rs"),
        file("src/lib.rs", {decl("foo")})},
       {},
       {"src/x.rs"}},
      {"a path attribute reaching a sibling directory of a test helper",
       {file("tests/common/mod.rs", {decl("debug", "", "../debug/mod.rs")}),
        file("tests/debug/mod.rs"), file("tests/it.rs", {decl("common")})},
       {},
       {}},
      {"dots inside a path attribute, and inside an inline module",
       {file("src/lib.rs", {decl("a", "", "x/./../a.rs"), decl("b", "inner", "../b.rs")}),
        file("src/a.rs"), file("src/b.rs"), file("src/inner/b.rs")},
       {},
       {"src/inner/b.rs"}},
      {"a path attribute climbing above the root reaches nothing",
       {file("src/lib.rs", {decl("up", "", "../../up.rs")}), file("up.rs")},
       {},
       {"up.rs"}},
      {"path attribute inside an inline module",
       {file("src/lib.rs", {decl("x", "outer", "x_impl.rs")}), file("src/outer/x_impl.rs")},
       {},
       {}},
      {"path attribute inside an inline module of a test root",
       {file("tests/it.rs", {decl("x", "outer", "x_impl.rs")}), file("tests/outer/x_impl.rs")},
       {},
       {}},
      {"root-level lib.rs has an empty base",
       {file("lib.rs", {decl("util"), decl("gen", "", "gen.rs")}), file("util.rs"), file("gen.rs")},
       {},
       {}},
      {"declarations in mod.rs and build.rs",
       {file("src/a/mod.rs", {decl("b")}), file("src/a/b.rs"), file("build.rs", {decl("gen")}),
        file("gen.rs")},
       {},
       {"src/a/mod.rs"}},
  };
  for (const Row& row : rows) {
    std::vector<SurveyedFile> files = row.files;
    std::sort(files.begin(), files.end(),
              [](const SurveyedFile& a, const SurveyedFile& b) { return a.path < b.path; });
    std::vector<std::string> found;
    for (const structure::Orphan& o : structure::find_orphans(files, row.roots)) {
      found.push_back(o.path);
    }
    EXPECT_EQ(found, row.orphans) << row.name;
  }
}

TEST(Orphans, Parents) {
  struct Row {
    const char* name;
    std::vector<std::string> survey;  // sorted by path
    structure::Orphan orphan;         // the orphan looked at (others may be reported too)
    std::vector<std::string> roots = {};
  };
  const Row rows[] = {
      {"mod.rs beats a file of the module's name",
       {"src/a.rs", "src/a/b.rs", "src/a/mod.rs"},
       {"src/a/b.rs", "mod b;", "src/a/mod.rs"}},
      {"lib.rs and main.rs tie; the earlier in survey order wins",
       {"src/lib.rs", "src/main.rs", "src/x.rs"},
       {"src/x.rs", "mod x;", "src/lib.rs"}},
      {"main.rs first in survey order",
       {"src/main.rs", "src/x.rs"},
       {"src/x.rs", "mod x;", "src/main.rs"}},
      {"lib.rs beats a plain file",
       {"src/a.rs", "src/a/b.rs", "src/a/lib.rs"},
       {"src/a/b.rs", "mod b;", "src/a/lib.rs"}},
      {"a plain file of the module's name",
       {"src/a.rs", "src/a/b.rs"},
       {"src/a/b.rs", "mod b;", "src/a.rs"}},
      {"a mod.rs file's module lives one directory up",
       {"src/c/mod.rs", "src/lib.rs"},
       {"src/c/mod.rs", "mod c;", "src/lib.rs"}},
      {"build.rs holds modules of its own directory",
       {"build.rs", "gen.rs"},
       {"gen.rs", "mod gen;", "build.rs"}},
      {"a test root holds modules of its own directory",
       {"tests/common/mod.rs", "tests/it.rs"},
       {"tests/common/mod.rs", "mod common;", "tests/it.rs"}},
      {"a binary in src/bin holds modules of its own directory, not src/bin/tool.rs",
       {"src/bin/tool.rs", "src/bin/tool/util.rs", "src/bin/util/mod.rs"},
       {"src/bin/util/mod.rs", "mod util;", "src/bin/tool.rs"}},
      {"a manifest root holds modules of its own directory",
       {"checks/helpers.rs", "checks/run.rs"},
       {"checks/helpers.rs", "mod helpers;", "checks/run.rs"},
       {"checks/run.rs"}},
      {"no candidate", {"src/lib.rs", "x/y.rs"}, {"x/y.rs", "mod y;", ""}},
  };
  for (const Row& row : rows) {
    std::vector<SurveyedFile> files;
    for (const std::string& path : row.survey) files.push_back(file(path));
    const std::vector<structure::Orphan> orphans = structure::find_orphans(files, row.roots);
    const auto it = std::find_if(orphans.begin(), orphans.end(),
                                 [&row](const auto& o) { return o.path == row.orphan.path; });
    ASSERT_NE(it, orphans.end()) << row.name;
    EXPECT_EQ(*it, row.orphan) << row.name;
  }
}

// ---------------------------------------------------------------------------------------------
// Crate roots from Cargo.toml

std::vector<std::string> sorted(std::vector<std::string> v) {
  std::sort(v.begin(), v.end());
  return v;
}

TEST(ManifestRoots, TargetSections) {
  support::TempDir dir;
  dir.write("Cargo.toml",
            "[package]\n"
            "name = \"x\"\n"
            "path = \"package.rs\"\n"
            "[lib]\n"
            "path = \"src/lib.rs\"\n"
            "[[bin]] # tool\n"
            "path = \"commented-header.rs\"\n"
            "  [[bin]]  \r\n"
            "name = \"tool\"\n"
            "\n"
            "\t path = \"tools/tool.rs\"   \r\n"
            "# path = \"comment.rs\"\n"
            "paths = \"paths.rs\"\n"
            "path = 'single.rs'\n"
            "path = \"open.rs\n"
            "pathological = no quote\n"
            "  name = \"path = \\\"nested.rs\\\"\"\n"
            "[dependencies]\n"
            "path = \"dep.rs\"\n"
            "[[test]]\n"
            "path=\"t.rs\" # trailing\n"
            "[[bench]]\n"
            "path = \"b.rs\"\n"
            "[[example]]\n"
            "path = \"e.rs\"\n"
            "[ lib ]\n"
            "path = \"spaced-header.rs\"\n"
            "[lib]]\n"
            "path = \"unbalanced.rs\"\n"
            "[[examples]]\n"
            "path = \"plural.rs\"\n"
            "[lib]\n"
            "path = \"src\\win.rs\"\n"
            "path = \"/abs/elsewhere.rs\"\n"
            "path = \"" +
                dir.path() +
                "/inside.rs\"\n"
                "path = \"../up.rs\"\n"
                "path = \"./dot.rs\"");
  EXPECT_EQ(sorted(structure::manifest_roots(dir.path())),
            sorted({"src/lib.rs", "tools/tool.rs", "paths.rs", "open.rs", "t.rs", "b.rs", "e.rs",
                    "unbalanced.rs", "src/win.rs", "/abs/elsewhere.rs", "inside.rs", "../up.rs",
                    "dot.rs"}));
}

TEST(ManifestRoots, WhichDirectoriesAreRead) {
  support::TempDir dir;
  const std::string lib = "[lib]\npath = \"src/lib.rs\"\n";
  for (const char* d : {"crates/a", "vendor/v", "build", "node_modules/n", "targets", "a/b/c"}) {
    dir.write(std::string(d) + "/Cargo.toml", lib);
  }
  for (const char* d : {"target", "crates/target", ".git", "crates/.hidden/x"}) {
    dir.write(std::string(d) + "/Cargo.toml", lib);
  }
  dir.write("lower/cargo.toml", lib);
  dir.write("bad/Cargo.toml", "[lib]\npath = \"bad\xff.rs\"\n");
  dir.mkdir("fifo");
  ASSERT_EQ(::mkfifo((dir / "fifo/Cargo.toml").c_str(), 0644), 0);
  dir.mkdir("Cargo.toml");  // a directory of that name is walked, not read
  dir.write("Cargo.toml/inner/Cargo.toml", lib);
  dir.write("name\xff/Cargo.toml", lib);
  dir.write("real/Cargo.toml", lib);
  dir.symlink("../real/Cargo.toml", "linked/Cargo.toml");
  EXPECT_EQ(sorted(structure::manifest_roots(dir.path())),
            sorted({"crates/a/src/lib.rs", "vendor/v/src/lib.rs", "build/src/lib.rs",
                    "node_modules/n/src/lib.rs", "targets/src/lib.rs", "a/b/c/src/lib.rs",
                    "Cargo.toml/inner/src/lib.rs", "name\xEF\xBF\xBD/src/lib.rs", "real/src/lib.rs",
                    "linked/src/lib.rs"}));
}

// The walk as an unprivileged user: the superuser reads every file whatever its mode, so a
// superuser test drops to "nobody" in a child process.
std::vector<std::string> roots_unprivileged(const std::string& root) {
  if (::geteuid() != 0) return structure::manifest_roots(root);
  int fds[2];
  if (::pipe(fds) != 0) return {"pipe failed"};
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(fds[0]);
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(2);
    std::string joined;
    for (const std::string& r : structure::manifest_roots(root)) joined += r + "\n";
    const bool ok =
        ::write(fds[1], joined.data(), joined.size()) == static_cast<ssize_t>(joined.size());
    ::_exit(ok ? 0 : 3);
  }
  ::close(fds[1]);
  std::string out;
  char buf[512];
  ssize_t n;
  while ((n = ::read(fds[0], buf, sizeof buf)) > 0) out.append(buf, static_cast<std::size_t>(n));
  ::close(fds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return {"child failed"};
  std::vector<std::string> lines;
  for (std::size_t pos = 0, nl; (nl = out.find('\n', pos)) != std::string::npos; pos = nl + 1) {
    lines.push_back(out.substr(pos, nl - pos));
  }
  return lines;
}

TEST(ManifestRoots, UnreadableIsPassedOver) {
  support::TempDir dir;
  ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
  const std::string lib = "[lib]\npath = \"lib.rs\"\n";
  dir.write("Cargo.toml", lib);
  dir.write("locked/Cargo.toml", lib);
  dir.write("unreadable/Cargo.toml", lib);
  dir.write("open/Cargo.toml", lib);
  for (const char* d : {"", "/unreadable", "/open"}) {
    ASSERT_EQ(::chmod((dir.path() + d).c_str(), 0755), 0);
  }
  ASSERT_EQ(::chmod((dir / "Cargo.toml").c_str(), 0644), 0);
  ASSERT_EQ(::chmod((dir / "open/Cargo.toml").c_str(), 0644), 0);
  ASSERT_EQ(::chmod((dir / "unreadable/Cargo.toml").c_str(), 0), 0);
  ASSERT_EQ(::chmod((dir / "locked").c_str(), 0), 0);
  EXPECT_EQ(sorted(roots_unprivileged(dir.path())), sorted({"lib.rs", "open/lib.rs"}));
  ::chmod((dir / "locked").c_str(), 0755);
  EXPECT_TRUE(structure::manifest_roots(dir / "missing").empty());
  EXPECT_TRUE(structure::manifest_roots(dir / "Cargo.toml").empty());  // not a directory
}

TEST(ManifestRoots, SymbolicLinks) {
  support::TempDir dir;
  const std::string lib = "[lib]\npath = \"src/lib.rs\"\n";
  dir.write("x/Cargo.toml", lib);
  // Two links to one directory, without a cycle: walked once per link.
  dir.symlink("x", "l1");
  dir.symlink("../x", "deep/l2");
  // Links back up the walk's own path are cycles and are not entered.
  dir.symlink("..", "x/up");
  dir.symlink(".", "x/self");
  dir.symlink(dir.path(), "deep/root");
  dir.symlink("missing", "dangling");
  EXPECT_EQ(sorted(structure::manifest_roots(dir.path())),
            sorted({"x/src/lib.rs", "l1/src/lib.rs", "deep/l2/src/lib.rs"}));
}

TEST(ManifestRoots, RootSpelling) {
  support::TempDir dir;
  dir.write("sub/Cargo.toml", "[[bin]]\npath = \"src/main.rs\"\n");
  EXPECT_EQ(structure::manifest_roots(dir.path() + "/"),
            std::vector<std::string>{"sub/src/main.rs"});
  char cwd[4096];
  ASSERT_NE(::getcwd(cwd, sizeof cwd), nullptr);
  ASSERT_EQ(::chdir(dir.path().c_str()), 0);
  const std::vector<std::string> dot = structure::manifest_roots(".");
  const std::vector<std::string> dot_slash = structure::manifest_roots("./");
  const std::vector<std::string> bare = structure::manifest_roots("sub");
  ASSERT_EQ(::chdir(cwd), 0);
  EXPECT_EQ(dot, std::vector<std::string>{"sub/src/main.rs"});
  EXPECT_EQ(dot_slash, std::vector<std::string>{"sub/src/main.rs"});
  EXPECT_EQ(bare, std::vector<std::string>{"src/main.rs"});
}

// ---------------------------------------------------------------------------------------------
// Visibility fills

TEST(Fills, Classes) {
  const std::string blue = "#dbe9f7", green = "#dff5df", yellow = "#fff3cd", red = "#f5dcdc";
  struct Row {
    const char* name;
    SurveyedFile file;
    std::string colour;
  };
  SurveyedFile main_with_pub = file("src/main.rs");
  main_with_pub.fns = {free_fn("run", "pub"), free_fn("main")};
  main_with_pub.types = {type("T", "struct", "pub")};
  SurveyedFile main_method = file("a.rs");
  main_method.fns = {method("main", "pub(crate)")};
  SurveyedFile main_test = file("a.rs");
  main_test.fns = {free_fn("main", "", true)};
  SurveyedFile reexport = file("a.rs");
  reexport.reexports = {"Thing"};
  SurveyedFile pub_method = file("a.rs");
  pub_method.fns = {method("m", "pub")};
  SurveyedFile pub_type = file("a.rs");
  pub_type.types = {type("T", "enum", "pub")};
  SurveyedFile pub_test_fn = file("a.rs");
  pub_test_fn.fns = {free_fn("t", "pub", true)};
  SurveyedFile restricted_fn = file("a.rs");
  restricted_fn.fns = {free_fn("f"), method("m", "pub(super)")};
  SurveyedFile restricted_type = file("a.rs");
  restricted_type.types = {type("T", "struct", "pub(self)")};
  SurveyedFile restricted_test_fn = file("a.rs");
  restricted_test_fn.fns = {free_fn("t", "pub(crate)", true)};
  SurveyedFile private_items = file("a.rs", {decl("m")});
  private_items.fns = {free_fn("f"), method("g")};
  private_items.types = {type("T", "struct")};
  const Row rows[] = {
      {"private main with public items", main_with_pub, blue},
      {"method named main", main_method, yellow},
      {"test function named main", main_test, red},
      {"only a pub use", reexport, green},
      {"pub mod", file("a.rs", {decl("x", "", std::nullopt, "pub")}), green},
      {"public method", pub_method, green},
      {"public type", pub_type, green},
      {"public test function only", pub_test_fn, red},
      {"pub(crate) mod only", file("a.rs", {decl("x", "", std::nullopt, "pub(crate)")}), yellow},
      {"restricted method", restricted_fn, yellow},
      {"explicit pub(self) type", restricted_type, yellow},
      {"restricted test function only", restricted_test_fn, red},
      {"private items only", private_items, red},
      {"empty file", file("a.rs"), red},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(structure::visibility_fills({row.file}), (graph::Fills{{row.file.path, row.colour}}))
        << row.name;
  }
}

TEST(Fills, OneEntryPerFile) {
  EXPECT_TRUE(structure::visibility_fills({}).empty());
  SurveyedFile b = file("src/b.rs");
  b.fns = {free_fn("f", "pub")};
  EXPECT_EQ(
      structure::visibility_fills({file("src/a.rs"), b, file("src/a/x.rs")}),
      (graph::Fills{{"src/a.rs", "#f5dcdc"}, {"src/a/x.rs", "#f5dcdc"}, {"src/b.rs", "#dff5df"}}));
}

}  // namespace
