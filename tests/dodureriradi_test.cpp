#include "dodureriradi.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support.hpp"

namespace {

using dodureriradi::Conflict;
using dodureriradi::ConflictKind;
using dodureriradi::ConflictSite;
using dodureriradi::Liveness;
using dodureriradi::RawCall;
using dodureriradi::SurveyedFile;
using dodureriradi::SurveyedFn;
using dodureriradi::SurveyedType;

SurveyedFn free_fn(std::string name, std::string signature, std::string body = "{ }",
                   bool is_pub = true) {
  return {.name = std::move(name),
          .signature = std::move(signature),
          .vis = is_pub ? "pub" : "",
          .body = std::move(body),
          .is_pub = is_pub,
          .exposed = is_pub};
}

SurveyedFn test_fn(std::string name) {
  return {.name = std::move(name), .signature = "fn t()", .body = "{ }", .is_test = true};
}

RawCall call(std::string name, bool qualified = false, bool in_test = false) {
  return {.name = std::move(name), .qualified = qualified, .in_test = in_test};
}

ConflictSite site(std::string signature, std::string body = "{ }",
                  std::optional<std::string> cfg = std::nullopt) {
  return {.path = "src/x.rs",
          .signature = std::move(signature),
          .body = std::move(body),
          .cfg = std::move(cfg)};
}

std::vector<ConflictSite> repeated(int count, const std::string& signature) {
  return std::vector<ConflictSite>(count, site(signature));
}

std::vector<ConflictSite> operator+(std::vector<ConflictSite> a,
                                    const std::vector<ConflictSite>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// The survey behind the worked reports: clamp identical in two files and called unqualified,
// outside tests, only inside src/a.rs; load with two signatures in three files, called only
// from a test; run in five files, four of them with one signature, never called.
std::vector<SurveyedFile> worked_survey() {
  const std::string clamp = "fn clamp(x: i32) -> i32";
  const std::string clamp_body = "{ x . max (0) }";
  const std::string run = "fn run(args: &[String]) -> i32";
  std::vector<SurveyedFile> files{
      {.path = "src/a.rs",
       .fns = {free_fn("clamp", clamp, clamp_body),
               free_fn("tick", "fn tick()", "{ clamp (1) ; }")},
       .calls = {call("clamp")}},
      {.path = "src/b.rs", .fns = {free_fn("clamp", clamp, clamp_body, false)}},
      {.path = "src/cache.rs",
       .fns = {free_fn("load", "fn load(key: u64) -> Option<String>", "{ None }", false)}},
      {.path = "src/cfg.rs",
       .fns = {free_fn("load", "fn load(p: &Path) -> String", "{ read (p) }", false)}},
      {.path = "src/cli.rs", .fns = {free_fn("run", run)}},
      {.path = "src/io.rs",
       .fns = {free_fn("load", "fn load(p: &Path) -> String", "{ fs :: read (p) }"),
               test_fn("loads")},
       .tests = {"loads"},
       .calls = {call("load", false, true)}},
      {.path = "src/main.rs", .fns = {free_fn("run", run), free_fn("main", "fn main()", "{ }")}},
      {.path = "src/serve.rs", .fns = {free_fn("run", run)}},
      {.path = "src/tool.rs", .fns = {free_fn("run", "fn run() -> i32")}},
      {.path = "src/worker.rs", .fns = {free_fn("run", run)}},
  };
  // tick and main are called from nowhere, so they stay out of the grep-invisible report.
  return files;
}

// ---------------------------------------------------------------------------------------------
// Stems

TEST(Stem, FileNameUpToLastDot) {
  struct Row {
    std::string path, stem;
  };
  const Row rows[] = {
      {"src/a.rs", "a"},
      {"lib.rs", "lib"},
      {"src/a.b.rs", "a.b"},
      {"src/.hidden.rs", ".hidden"},
      {"src/.hidden", ".hidden"},
      {"src/Makefile", "Makefile"},
      {"src/foo.", "foo"},
      {"src/..rs", "."},
      {"src/my-file.rs", "my-file"},
      {"src/é.rs", "é"},
      {"src/\xff.rs", "\xEF\xBF\xBD"},
      {"src/", "src"},
      {"a/./b.rs", "b"},
      {"a/.", "a"},
      {"", ""},
      {".", ""},
      {"src/..", ""},
      {"/", ""},
  };
  for (const Row& row : rows) {
    const SurveyedFile file{.path = row.path};
    EXPECT_EQ(file.stem(), row.stem) << "path: " << row.path;
  }
}

TEST(Tidy, ElevenReplacementsInTurn) {
  struct Row {
    std::string printed, tidied;
  };
  const Row rows[] = {
      {"fn f < T > ( a : & T ) -> Vec < u8 >", "fn f<T>(a: &T) -> Vec<u8>"},
      {"crate :: a :: { b , c }", "crate::a::{ b, c }"},
      {"x :: < T >", "x::<T>"},
      {"pub (crate)", "pub(crate)"},
      {"# [cfg (feature = \"x\")]", "# [cfg(feature = \"x\")]"},
      {"[u8 ; 4]", "[u8; 4]"},
      {"& & x", "&&x"},
      {"a  ,b", "a ,b"},  // one pass per step: what a replacement leaves is not looked at again
      {"", ""},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(dodureriradi::tidy(row.printed), row.tidied) << "tidy of \"" << row.printed << '"';
  }
}

// ---------------------------------------------------------------------------------------------
// Classification

TEST(ConflictKind, FirstHoldingTestDecides) {
  struct Row {
    const char* name;
    std::vector<ConflictSite> sites;
    ConflictKind expected;
  };
  const std::string f = "fn f(x: u8)";
  const Row rows[] = {
      {"4 of 5 share a signature", repeated(4, f) + repeated(1, "fn f()"),
       ConflictKind::Convention},
      {"8 of 10", repeated(8, f) + repeated(2, "fn f()"), ConflictKind::Convention},
      {"12 of 15", repeated(12, f) + repeated(3, "fn f()"), ConflictKind::Convention},
      {"7 of 10 is not a convention", repeated(7, f) + repeated(3, "fn f()"),
       ConflictKind::SignaturesDisagree},
      {"7 of 9 is not a convention", repeated(7, f) + repeated(2, "fn f()"),
       ConflictKind::SignaturesDisagree},
      {"5 identical copies are a convention", repeated(5, f), ConflictKind::Convention},
      {"4 identical copies", repeated(4, f), ConflictKind::Identical},
      {"3 of 4 never a convention", repeated(3, f) + repeated(1, "fn f()"),
       ConflictKind::SignaturesDisagree},
      {"convention before cfg alternatives",
       {site(f, "{ }", "a"), site(f, "{ }", "b"), site(f, "{ }", "c"), site(f, "{ }", "d"),
        site(f, "{ }", "e")},
       ConflictKind::Convention},
      {"distinct cfgs, signatures differ",
       {site(f, "{ }", "# [cfg(unix)]"), site("fn f()", "{ }", "# [cfg(windows)]")},
       ConflictKind::CfgAlternatives},
      {"same cfg text",
       {site(f, "{ a }", "# [cfg(unix)]"), site(f, "{ b }", "# [cfg(unix)]")},
       ConflictKind::SameSignatureDifferentBody},
      {"one site without cfg",
       {site(f, "{ }", "# [cfg(unix)]"), site(f, "{ }", "# [cfg(windows)]"), site(f)},
       ConflictKind::Identical},
      {"two of three cfgs alike",
       {site(f, "{ }", "a"), site(f, "{ }", "b"), site(f, "{ }", "a")},
       ConflictKind::Identical},
      {"spacing left by tidying differs",
       {site("fn f(x: u8)"), site("fn f(x:  u8)")},
       ConflictKind::SignaturesDisagree},
      {"signature decides before body",
       {site(f, "{ a }"), site("fn f()", "{ b }")},
       ConflictKind::SignaturesDisagree},
      {"bodies differ",
       {site(f, "{ 1_000 }"), site(f, "{ 1000 }")},
       ConflictKind::SameSignatureDifferentBody},
      {"compared with the first site",
       {site(f, "{ a }"), site(f, "{ a }"), site(f, "{ b }")},
       ConflictKind::SameSignatureDifferentBody},
      {"identical", {site(f, "{ a }"), site(f, "{ a }")}, ConflictKind::Identical},
  };
  for (const Row& row : rows) {
    const Conflict conflict{.name = "f", .sites = row.sites};
    EXPECT_EQ(conflict.kind(), row.expected) << row.name;
  }
}

TEST(Conflict, SignatureGroupsLargestFirstThenByteOrder) {
  const Conflict conflict{.name = "f",
                          .sites = {site("fn f(z: u8)"), site("fn f()"), site("fn f(a: u8)"),
                                    site("fn f()"), site("fn f()")}};
  const auto groups = conflict.signature_groups();
  ASSERT_EQ(groups.size(), 3u);
  EXPECT_EQ(groups[0].first, "fn f()");
  ASSERT_EQ(groups[0].second.size(), 3u);
  EXPECT_EQ(groups[0].second[0], &conflict.sites[1]);
  EXPECT_EQ(groups[0].second[1], &conflict.sites[3]);
  EXPECT_EQ(groups[0].second[2], &conflict.sites[4]);
  EXPECT_EQ(groups[1].first, "fn f(a: u8)");
  EXPECT_EQ(groups[2].first, "fn f(z: u8)");
}

TEST(Conflict, DominantSignature) {
  struct Row {
    const char* name;
    std::vector<ConflictSite> sites;
    std::string expected;
  };
  const Row rows[] = {
      {"commonest", repeated(1, "fn b()") + repeated(2, "fn a()"), "fn a()"},
      {"tie goes to the greater", repeated(2, "fn a()") + repeated(2, "fn b()"), "fn b()"},
      {"tie, greater first", repeated(2, "fn b()") + repeated(2, "fn a()"), "fn b()"},
      {"no sites", {}, ""},
  };
  for (const Row& row : rows) {
    const Conflict conflict{.name = "f", .sites = row.sites};
    EXPECT_EQ(conflict.dominant_signature(), row.expected) << row.name;
  }
}

// ---------------------------------------------------------------------------------------------
// Finding conflicts

TEST(FindConflicts, TestsAndMethodsNeverTakePart) {
  SurveyedFn method = free_fn("new", "fn new() -> Self");
  method.is_method = true;
  std::vector<SurveyedFile> files;
  for (const char* path : {"src/a.rs", "src/b.rs", "src/c.rs", "src/d.rs", "src/e.rs"}) {
    files.push_back({.path = path, .fns = {method, test_fn("setup")}});
  }
  EXPECT_TRUE(dodureriradi::find_conflicts(files).empty());
  EXPECT_EQ(dodureriradi::render_duplicates(files), "No duplicated function names across files.\n");
}

TEST(FindConflicts, SitesInSurveyOrderNamesSorted) {
  SurveyedFn gated = free_fn("zeta", "fn zeta()", "{ 2 }", false);
  gated.cfg = "# [cfg(unix)]";
  const std::vector<SurveyedFile> files{
      {.path = "src/a.rs",
       .fns = {free_fn("zeta", "fn zeta()", "{ 1 }"), free_fn("clamp", "fn clamp()"),
               free_fn("clamp", "fn clamp()"), free_fn("main", "fn main()"),
               free_fn("only", "fn only()")}},
      {.path = "src/b.rs", .fns = {gated, free_fn("main", "fn main()")}},
  };
  const auto conflicts = dodureriradi::find_conflicts(files);
  ASSERT_EQ(conflicts.size(), 3u);
  EXPECT_EQ(conflicts[0].name, "clamp");
  ASSERT_EQ(conflicts[0].sites.size(), 2u);
  EXPECT_EQ(conflicts[0].sites[0].path, "src/a.rs");
  EXPECT_EQ(conflicts[0].sites[1].path, "src/a.rs");
  EXPECT_EQ(conflicts[1].name, "main");
  EXPECT_EQ(conflicts[2].name, "zeta");
  const ConflictSite& second = conflicts[2].sites[1];
  EXPECT_EQ(second.path, "src/b.rs");
  EXPECT_EQ(second.signature, "fn zeta()");
  EXPECT_EQ(second.body, "{ 2 }");
  EXPECT_EQ(second.cfg, std::optional<std::string>("# [cfg(unix)]"));
  EXPECT_FALSE(second.is_pub);
  EXPECT_TRUE(conflicts[2].sites[0].is_pub);
  EXPECT_EQ(second.liveness, Liveness::NoCallers);
}

// ---------------------------------------------------------------------------------------------
// Liveness

TEST(Liveness, FromEachKindOfCall) {
  struct Row {
    const char* name;
    std::vector<RawCall> home_calls, other_calls;
    std::string other_attrs;
    Liveness expected;
  };
  const Row rows[] = {
      {"no call, no mention", {}, {}, "", Liveness::NoCallers},
      {"unqualified in home", {call("f")}, {}, "", Liveness::SameFileUnqualified},
      {"qualified elsewhere beats same-file",
       {call("f")},
       {call("f", true)},
       "",
       Liveness::ExternalQualified},
      {"unqualified elsewhere (after a use)", {}, {call("f")}, "", Liveness::ExternalQualified},
      {"only Self:: in home", {call("f", true)}, {}, "", Liveness::ExternalQualified},
      {"Self:: and unqualified in home",
       {call("f", true), call("f")},
       {},
       "",
       Liveness::SameFileUnqualified},
      {"qualified in home and elsewhere",
       {call("f", true), call("f")},
       {call("f", true)},
       "",
       Liveness::ExternalQualified},
      {"tests only", {call("f", false, true)}, {call("f", true, true)}, "", Liveness::TestsOnly},
      {"test call and unqualified elsewhere",
       {call("f", false, true)},
       {call("f")},
       "",
       Liveness::ExternalQualified},
      {"quoted in an attribute",
       {},
       {},
       " # [serde (default = \"f\")]",
       Liveness::NamedInAttribute},
      {"quoted path ending in the name",
       {},
       {},
       " # [serde (default = \"a::f\")]",
       Liveness::NoCallers},
      {"a call decides before the attribute",
       {call("f", false, true)},
       {},
       " # [serde (default = \"f\")]",
       Liveness::TestsOnly},
      {"other names never match",
       {call("ff"), call("F")},
       {call("g", true)},
       "\"ff\"",
       Liveness::NoCallers},
  };
  for (const Row& row : rows) {
    // f is defined in both files, so the conflict's sites show the judgement of both homes.
    const std::vector<SurveyedFile> files{
        {.path = "src/home.rs", .fns = {free_fn("f", "fn f()")}, .calls = row.home_calls},
        {.path = "src/other.rs",
         .fns = {free_fn("f", "fn f()")},
         .attr_text = row.other_attrs,
         .calls = row.other_calls},
    };
    EXPECT_EQ(dodureriradi::liveness_of("f", files[0], files), row.expected) << row.name;
    const auto conflicts = dodureriradi::find_conflicts(files);
    ASSERT_EQ(conflicts.size(), 1u) << row.name;
    for (std::size_t i = 0; i < files.size(); ++i) {
      EXPECT_EQ(conflicts[0].sites[i].liveness, dodureriradi::liveness_of("f", files[i], files))
          << row.name << ", site " << i;
    }
  }
}

TEST(Liveness, SameFileUnqualifiedOnlyForThatFile) {
  const std::vector<SurveyedFile> files{
      {.path = "src/a.rs", .fns = {free_fn("f", "fn f()")}, .calls = {call("f")}},
      {.path = "src/b.rs", .fns = {free_fn("f", "fn f()")}},
  };
  EXPECT_EQ(dodureriradi::liveness_of("f", files[0], files), Liveness::SameFileUnqualified);
  EXPECT_EQ(dodureriradi::liveness_of("f", files[1], files), Liveness::ExternalQualified);
}

TEST(Liveness, AttributeInHomeFileCounts) {
  const std::vector<SurveyedFile> files{
      {.path = "src/a.rs", .attr_text = " # [serde (skip_serializing_if = \"is_zero\")]"},
  };
  EXPECT_EQ(dodureriradi::liveness_of("is_zero", files[0], files), Liveness::NamedInAttribute);
  EXPECT_EQ(dodureriradi::liveness_of("zero", files[0], files), Liveness::NoCallers);
}

// ---------------------------------------------------------------------------------------------
// Reports

TEST(Reports, WorkedDuplicationReport) {
  EXPECT_EQ(dodureriradi::render_duplicates(worked_survey()),
            R"(DUPLICATED NAMES — 2 actionable (1 provably identical), 1 convention(s) filtered out

  clamp (2 sites) — IDENTICAL bodies → safe mechanical dedupe
      src/a.rs                               fn clamp(x: i32) -> i32
                                             └─ live (same-file unqualified) ⚠ grep-invisible
      src/b.rs                               fn clamp(x: i32) -> i32
                                             └─ live (external, qualified)  [private]

  load (3 sites) — SIGNATURES DISAGREE → behaviour decision, not a move
      ── 2 site(s) sharing: fn load(p: &Path) -> String
      src/cfg.rs                             fn load(p: &Path) -> String
                                             └─ live (tests only) ⚠ grep-invisible  [private]
      src/io.rs                              fn load(p: &Path) -> String
                                             └─ live (tests only) ⚠ grep-invisible
      ── 1 site(s) sharing: fn load(key: u64) -> Option<String>
      src/cache.rs                           fn load(key: u64) -> Option<String>
                                             └─ live (tests only) ⚠ grep-invisible  [private]

NOT DUPLICATION (conventions and cfg-gated alternatives)

  run (5 sites) — fn run(args: &[String]) -> i32
      outlier: src/tool.rs                  fn run() -> i32

)");
}

TEST(Reports, WorkedGrepInvisibleReport) {
  EXPECT_EQ(dodureriradi::render_invisible(worked_survey()),
            R"(GREP-INVISIBLE (4 — look dead to `grep module::fn`, but are LIVE)

  src/a.rs                               clamp                        live (same-file unqualified) ⚠ grep-invisible
  src/cache.rs                           load                         live (tests only) ⚠ grep-invisible
  src/cfg.rs                             load                         live (tests only) ⚠ grep-invisible
  src/io.rs                              load                         live (tests only) ⚠ grep-invisible

)");
}

TEST(Reports, KindOrderAndSections) {
  SurveyedFn unix_fn = free_fn("open", "fn open() -> Fd", "{ unix }");
  unix_fn.cfg = "# [cfg(unix)]";
  SurveyedFn win_fn = free_fn("open", "fn open() -> Handle", "{ win }");
  win_fn.cfg = "# [cfg(windows)]";
  const std::vector<SurveyedFile> files{
      {.path = "src/a.rs",
       .fns = {free_fn("alpha", "fn alpha(x: u8)"), free_fn("beta", "fn beta()", "{ 1 }"),
               free_fn("gamma", "fn gamma()"), unix_fn}},
      {.path = "src/b.rs",
       .fns = {free_fn("alpha", "fn alpha()"), free_fn("beta", "fn beta()", "{ 2 }"),
               free_fn("gamma", "fn gamma()"), win_fn}},
  };
  // Identical first, then the different bodies, then the signatures that disagree; the cfg
  // alternatives are counted with the conventions and list every non-dominant signature.
  EXPECT_EQ(dodureriradi::render_duplicates(files),
            "DUPLICATED NAMES — 3 actionable (1 provably identical), 1 convention(s) filtered "
            "out\n\n"
            "  gamma (2 sites) — IDENTICAL bodies → safe mechanical dedupe\n"
            "      src/a.rs                               fn gamma()\n"
            "                                             └─ no callers found in survey\n"
            "      src/b.rs                               fn gamma()\n"
            "                                             └─ no callers found in survey\n"
            "\n"
            "  beta (2 sites) — same signature, DIFFERENT body → behaviour decision, not a move\n"
            "      src/a.rs                               fn beta()\n"
            "                                             └─ no callers found in survey\n"
            "      src/b.rs                               fn beta()\n"
            "                                             └─ no callers found in survey\n"
            "\n"
            "  alpha (2 sites) — SIGNATURES DISAGREE → behaviour decision, not a move\n"
            "      ── 1 site(s) sharing: fn alpha()\n"
            "      src/b.rs                               fn alpha()\n"
            "                                             └─ no callers found in survey\n"
            "      ── 1 site(s) sharing: fn alpha(x: u8)\n"
            "      src/a.rs                               fn alpha(x: u8)\n"
            "                                             └─ no callers found in survey\n"
            "\n"
            "NOT DUPLICATION (conventions and cfg-gated alternatives)\n"
            "\n"
            "  open (2 sites) — fn open() -> Handle\n"
            "      outlier: src/a.rs                     fn open() -> Fd\n"
            "\n");
}

TEST(Reports, ConventionsOnlyAndWideColumns) {
  // Padding counts scalar values: "src/é.rs" is 8 characters in 9 bytes.
  const std::string long_path(40, 'p');
  std::vector<SurveyedFile> files;
  for (const std::string& path :
       {std::string("src/a.rs"), std::string("src/b.rs"), std::string("src/c.rs"),
        std::string("src/d.rs"), std::string("src/é.rs"), long_path}) {
    files.push_back({.path = path, .fns = {free_fn("run", "fn run()")}});
  }
  files.back().fns[0].signature = "fn run(x: u8)";
  EXPECT_EQ(dodureriradi::render_duplicates(files),
            "DUPLICATED NAMES — 0 actionable (0 provably identical), 1 convention(s) filtered "
            "out\n\n"
            "NOT DUPLICATION (conventions and cfg-gated alternatives)\n"
            "\n"
            "  run (6 sites) — fn run()\n"
            "      outlier: " +
                long_path + " fn run(x: u8)\n\n");

  const std::vector<SurveyedFile> pair{
      {.path = "src/é.rs", .fns = {free_fn("f", "fn f()")}, .calls = {call("f")}},
      {.path = long_path, .fns = {free_fn("ünïcode_name_of_thirty_chars", "fn g()")}},
      {.path = "src/z.rs", .attr_text = "\"ünïcode_name_of_thirty_chars\""},
  };
  EXPECT_EQ(dodureriradi::render_invisible(pair),
            "GREP-INVISIBLE (2 — look dead to `grep module::fn`, but are LIVE)\n\n"
            "  src/é.rs                               f                            live "
            "(same-file unqualified) ⚠ grep-invisible\n"
            "  " +
                long_path +
                " ünïcode_name_of_thirty_chars live (named in an attribute, e.g. serde) ⚠ "
                "grep-invisible\n\n");
}

TEST(Reports, GrepInvisibleRowsSkipTestsKeepMethods) {
  SurveyedFn method = free_fn("helper", "fn helper(&self)");
  method.is_method = true;
  SurveyedFn in_test = test_fn("fixture");
  const std::vector<SurveyedFile> files{
      {.path = "src/a.rs",
       .fns = {method, in_test},
       .calls = {call("helper", false, true), call("fixture")}},
  };
  EXPECT_EQ(dodureriradi::render_invisible(files),
            "GREP-INVISIBLE (1 — look dead to `grep module::fn`, but are LIVE)\n\n"
            "  src/a.rs                               helper                       live (tests "
            "only) ⚠ grep-invisible\n\n");
  EXPECT_EQ(dodureriradi::render_invisible({}), "");
  EXPECT_EQ(
      dodureriradi::render_invisible(
          {{.path = "src/a.rs", .fns = {free_fn("f", "fn f()")}, .calls = {call("f", true)}}}),
      "");
}

// ---------------------------------------------------------------------------------------------
// Duplication graph

const std::string kGraphHead =
    "graph duplication {\n"
    "  layout=neato; overlap=false; splines=true;\n"
    "  graph [fontname=\"Helvetica\", fontsize=11, labelloc=\"t\"];\n"
    "  label=\"duplicated decisions — edge weight = shared names\\nred = at least one has "
    "diverged (a ruling) · green = all identical (safe to extract)\";\n"
    "  node [shape=box, style=\"rounded,filled\", fillcolor=\"#f6f8fa\", color=\"#c9d1d9\", "
    "fontname=\"Helvetica\", fontsize=10];\n"
    "\n";
const std::string kNoDecisions =
    kGraphHead + "  \"no duplicated decisions\" [shape=plaintext, fillcolor=\"#ffffff\"];\n}\n";

TEST(DuplicationGraph, WorkedGraph) {
  ASSERT_EQ(kGraphHead.size(), 392u);
  std::vector<SurveyedFile> files = worked_survey();
  files.push_back({.path = "src/x/mod.rs", .fns = {free_fn("parse", "fn parse()")}});
  files.push_back({.path = "src/y/mod.rs", .fns = {free_fn("parse", "fn parse()")}});
  const std::string dot = dodureriradi::duplication_dot(files);
  EXPECT_EQ(dot, kGraphHead + R"(  "src/a.rs" [label="a.rs"];
  "src/b.rs" [label="b.rs"];
  "src/cache.rs" [label="cache.rs"];
  "src/cfg.rs" [label="cfg.rs"];
  "src/io.rs" [label="io.rs"];
  "src/x/mod.rs" [label="x/mod.rs"];
  "src/y/mod.rs" [label="y/mod.rs"];

  "src/a.rs" -- "src/b.rs" [penwidth=2.0, color="#2e7d32", label="clamp", fontcolor="#2e7d32"];
  "src/cache.rs" -- "src/cfg.rs" [penwidth=2.0, color="#c0392b", label="load", fontcolor="#c0392b"];
  "src/cache.rs" -- "src/io.rs" [penwidth=2.0, color="#c0392b", label="load", fontcolor="#c0392b"];
  "src/cfg.rs" -- "src/io.rs" [penwidth=2.0, color="#c0392b", label="load", fontcolor="#c0392b"];
  "src/x/mod.rs" -- "src/y/mod.rs" [penwidth=2.0, color="#2e7d32", label="parse", fontcolor="#2e7d32"];
}
)");
  support::graphviz_accepts(dot, "neato");
}

TEST(DuplicationGraph, NothingToDraw) {
  std::vector<SurveyedFile> conventions;
  for (const char* path : {"src/a.rs", "src/b.rs", "src/c.rs", "src/d.rs", "src/e.rs"}) {
    conventions.push_back({.path = path, .fns = {free_fn("run", "fn run()")}});
  }
  SurveyedFn unix_fn = free_fn("open", "fn open()");
  unix_fn.cfg = "# [cfg(unix)]";
  SurveyedFn win_fn = unix_fn;
  win_fn.cfg = "# [cfg(windows)]";
  struct Row {
    const char* name;
    std::vector<SurveyedFile> files;
  };
  const Row rows[] = {
      {"empty survey", {}},
      {"only conventions", conventions},
      {"only cfg alternatives",
       {{.path = "a.rs", .fns = {unix_fn}}, {.path = "b.rs", .fns = {win_fn}}}},
      {"duplicates inside one file",
       {{.path = "src/a.rs", .fns = {free_fn("f", "fn f()"), free_fn("f", "fn f(x: u8)")}}}},
  };
  for (const Row& row : rows) {
    const std::string dot = dodureriradi::duplication_dot(row.files);
    EXPECT_EQ(dot, kNoDecisions) << row.name;
  }
  support::graphviz_accepts(kNoDecisions, "neato");
}

TEST(DuplicationGraph, EdgeWeightsColoursAndLabels) {
  // run_b, then run_a twice (defined twice in one file): three names on one edge; four names on
  // the other; an identical and a diverged name on the third, which makes it red.
  const std::vector<SurveyedFile> files{
      {.path = "src/lib.rs",
       .fns = {free_fn("run_a", "fn run_a()"), free_fn("run_a", "fn run_a()"),
               free_fn("run_b", "fn run_b()"), free_fn("same", "fn same()"),
               free_fn("split", "fn split()", "{ 1 }")}},
      {.path = "tools/src/lib.rs",
       .fns = {free_fn("run_a", "fn run_a()"), free_fn("run_b", "fn run_b()"),
               free_fn("same", "fn same()"), free_fn("split", "fn split()", "{ 2 }")}},
      {.path = "w.rs",
       .fns = {free_fn("w1", "fn w1()"), free_fn("w2", "fn w2()"), free_fn("w3", "fn w3()"),
               free_fn("w4", "fn w4()")}},
      {.path = "x/w.rs",
       .fns = {free_fn("w1", "fn w1()"), free_fn("w2", "fn w2()"), free_fn("w3", "fn w3()"),
               free_fn("w4", "fn w4()")}},
  };
  const std::string dot = dodureriradi::duplication_dot(files);
  EXPECT_EQ(dot, kGraphHead +
                     "  \"src/lib.rs\" [label=\"src/lib.rs\"];\n"
                     "  \"tools/src/lib.rs\" [label=\"src/lib.rs\"];\n"
                     "  \"w.rs\" [label=\"w.rs\"];\n"
                     "  \"x/w.rs\" [label=\"x/w.rs\"];\n"
                     "\n"
                     "  \"src/lib.rs\" -- \"tools/src/lib.rs\" [penwidth=6.0, color=\"#c0392b\", "
                     "label=\"5 shared\", fontcolor=\"#c0392b\"];\n"
                     "  \"w.rs\" -- \"x/w.rs\" [penwidth=5.0, color=\"#2e7d32\", "
                     "label=\"4 shared\", fontcolor=\"#2e7d32\"];\n"
                     "}\n");
  support::graphviz_accepts(dot, "neato");

  const std::vector<SurveyedFile> small{
      {.path = "b.rs", .fns = {free_fn("run_b", "fn run_b()"), free_fn("run_a", "fn run_a()")}},
      {.path = "a.rs",
       .fns = {free_fn("run_a", "fn run_a()"), free_fn("run_a", "fn run_a()"),
               free_fn("run_b", "fn run_b()")}},
      {.path = "c.rs", .fns = {free_fn("run_c", "fn run_c(x: u8)")}},
      {.path = "d.rs", .fns = {free_fn("run_c", "fn run_c()")}},
      {.path = "e.rs", .fns = {free_fn("run_c", "fn run_c()")}},
  };
  EXPECT_EQ(dodureriradi::duplication_dot(small),
            kGraphHead +
                "  \"a.rs\" [label=\"a.rs\"];\n"
                "  \"b.rs\" [label=\"b.rs\"];\n"
                "  \"c.rs\" [label=\"c.rs\"];\n"
                "  \"d.rs\" [label=\"d.rs\"];\n"
                "  \"e.rs\" [label=\"e.rs\"];\n"
                "\n"
                "  \"a.rs\" -- \"b.rs\" [penwidth=4.0, color=\"#2e7d32\", label=\"run_a, run_a, "
                "run_b\", fontcolor=\"#2e7d32\"];\n"
                "  \"c.rs\" -- \"d.rs\" [penwidth=2.0, color=\"#c0392b\", label=\"run_c\", "
                "fontcolor=\"#c0392b\"];\n"
                "  \"c.rs\" -- \"e.rs\" [penwidth=2.0, color=\"#c0392b\", label=\"run_c\", "
                "fontcolor=\"#c0392b\"];\n"
                "  \"d.rs\" -- \"e.rs\" [penwidth=2.0, color=\"#c0392b\", label=\"run_c\", "
                "fontcolor=\"#c0392b\"];\n"
                "}\n");
}

TEST(DuplicationGraph, QuotesInFileNamesStayInsideTheirStrings) {
  // A file name may hold a double quote or a backslash; written raw it would end the DOT string
  // early, so node ids, labels and edge ends escape them.
  const std::vector<SurveyedFile> files{
      {.path = "src/a\"b.rs", .fns = {free_fn("f", "fn f()")}},
      {.path = "src/c\\d.rs", .fns = {free_fn("f", "fn f()")}},
  };
  const std::string dot = dodureriradi::duplication_dot(files);
  EXPECT_EQ(dot, kGraphHead +
                     "  \"src/a\\\"b.rs\" [label=\"a\\\"b.rs\"];\n"
                     "  \"src/c\\\\d.rs\" [label=\"c\\\\d.rs\"];\n"
                     "\n"
                     "  \"src/a\\\"b.rs\" -- \"src/c\\\\d.rs\" [penwidth=2.0, color=\"#2e7d32\", "
                     "label=\"f\", fontcolor=\"#2e7d32\"];\n"
                     "}\n");
  support::graphviz_accepts(dot, "neato");
}

// ---------------------------------------------------------------------------------------------
// Keystone of the code

TEST(ToKeystone, EmptySurvey) {
  const keystone::Keystone k = dodureriradi::to_keystone({}, "surveyed: .");
  EXPECT_EQ(k.idea, "surveyed: .");
  EXPECT_EQ(k.language, std::optional<std::string>("Rust"));
  EXPECT_EQ(k.essential_complexity, "(unmapped — surveyed from existing source)");
  EXPECT_TRUE(k.modules.empty());
}

TEST(ToKeystone, SmallSurvey) {
  SurveyedFn crate_fn = free_fn("helper", "fn helper() -> u8");
  crate_fn.vis = "pub(crate)";
  crate_fn.is_pub = false;
  SurveyedFn private_main = free_fn("main", "fn main()", "{ }", false);
  private_main.exposed = true;
  SurveyedFn pub_test = free_fn("pub_in_tests", "fn pub_in_tests()");
  pub_test.is_test = true;
  SurveyedFn method = free_fn("len", "fn len(&self) -> usize");
  method.is_method = true;
  const std::vector<SurveyedFile> files{
      {.path = "src/a/types.rs",
       .fns = {free_fn("private", "fn private()", "{ }", false)},
       .types = {{.name = "Kind", .kind = "enum", .vis = "pub", .is_pub = true}},
       .uses = {"crate::types::Kind"}},
      {.path = "src/b/types.rs"},
      {.path = "src/graph.rs",
       .fns = {free_fn("to_dot", "fn to_dot(k: &Keystone) -> String"), crate_fn, method, pub_test},
       .types = {{.name = "Graph", .kind = "struct", .vis = "pub", .is_pub = true},
                 {.name = "Inner", .kind = "struct", .vis = "pub(crate)"},
                 {.name = "Id", .kind = "type", .vis = "pub", .is_pub = true}},
       .tests = {"parses_empty", "rejects_bad"},
       .reexports = {"Kind", "to_dot"}},
      {.path = "src/main.rs",
       .fns = {private_main},
       .uses = {"crate::graph::to_dot", "crate::types::{self, Kind}", "std::fs",
                "crate::graph::Graph", "my_file::x", "a.b::y", "ünï::z"}},
      {.path = "src/my-file.rs"},
      {.path = "src/a.b.rs"},
      {.path = "src/ünï.rs"},
      {.path = "src/to_dot.rs"},
  };
  const keystone::Keystone k = dodureriradi::to_keystone(files, "surveyed: src");
  ASSERT_EQ(k.modules.size(), files.size());
  for (std::size_t i = 0; i < files.size(); ++i) {
    EXPECT_EQ(k.modules[i].path, files[i].path);
    EXPECT_EQ(k.modules[i].secret, "(unmapped — run the semantic pass)");
  }
  using keystone::Dependency;
  using keystone::DependencyNeeds;
  using keystone::OperationSpec;
  using keystone::OwnedType;

  // A file's own stem never counts; the other file with that stem does.
  const keystone::Module& a_types = k.modules[0];
  EXPECT_EQ(a_types.owns, (std::vector<OwnedType>{{"Kind", "(unmapped — enum declared here)"}}));
  EXPECT_TRUE(a_types.exposes.empty());
  EXPECT_EQ(
      a_types.depends_on,
      (std::vector<Dependency>{{"src/b/types.rs", "imports `types`", DependencyNeeds::Contract}}));
  EXPECT_TRUE(a_types.laws.empty());

  const keystone::Module& empty = k.modules[1];
  EXPECT_TRUE(empty.owns.empty() && empty.exposes.empty() && empty.depends_on.empty() &&
              empty.laws.empty());

  const keystone::Module& graph = k.modules[2];
  EXPECT_EQ(graph.owns, (std::vector<OwnedType>{{"Graph", "(unmapped — struct declared here)"},
                                                {"Id", "(unmapped — type declared here)"}}));
  EXPECT_EQ(graph.exposes, (std::vector<OperationSpec>{
                               {"to_dot", "fn to_dot(k: &Keystone) -> String"},
                               {"helper", "fn helper() -> u8"},
                               {"len", "fn len(&self) -> usize"},
                               {"Kind", "re-exported by this module"},
                               {"to_dot", "re-exported by this module"},
                           }));
  EXPECT_EQ(graph.laws,
            (std::vector<std::string>{"test asserts: parses_empty", "test asserts: rejects_bad"}));

  // In order of the first use text naming each file, survey order within one text; stems that
  // hold a character outside words never match; non-ASCII letters belong to words.
  const keystone::Module& main = k.modules[3];
  EXPECT_EQ(main.exposes, (std::vector<OperationSpec>{{"main", "fn main()"}}));
  EXPECT_EQ(main.depends_on, (std::vector<Dependency>{
                                 {"src/graph.rs", "imports `graph`", DependencyNeeds::Contract},
                                 {"src/to_dot.rs", "imports `to_dot`", DependencyNeeds::Contract},
                                 {"src/a/types.rs", "imports `types`", DependencyNeeds::Contract},
                                 {"src/b/types.rs", "imports `types`", DependencyNeeds::Contract},
                                 {"src/ünï.rs", "imports `ünï`", DependencyNeeds::Contract},
                             }));
}

}  // namespace
