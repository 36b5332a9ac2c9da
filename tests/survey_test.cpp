// The Rust survey: the walk over a tree and the record of each file.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "dodureriradi.hpp"
#include "support.hpp"

namespace {

using dodureriradi::ModDecl;
using dodureriradi::RawCall;
using dodureriradi::SurveyedFile;
using dodureriradi::SurveyedFn;

std::vector<std::string> paths_of(const std::vector<SurveyedFile>& files) {
  std::vector<std::string> out;
  for (const SurveyedFile& f : files) out.push_back(f.path);
  return out;
}

std::vector<std::string> surveyed_paths(const support::TempDir& dir) {
  auto files = dodureriradi::survey_dir(dir.path());
  EXPECT_TRUE(files) << (files ? "" : files.error().message);
  return files ? paths_of(*files) : std::vector<std::string>{};
}

SurveyedFile survey(std::string_view source) {
  auto file = dodureriradi::survey_source("src/lib.rs", source);
  EXPECT_TRUE(file) << "does not parse:\n" << source;
  return file ? *file : SurveyedFile{};
}

const SurveyedFn* fn_named(const SurveyedFile& file, std::string_view name) {
  for (const SurveyedFn& fn : file.fns) {
    if (fn.name == name) return &fn;
  }
  ADD_FAILURE() << "no function " << name;
  return nullptr;
}

// ---------------------------------------------------------------------------------------------
// The walk

TEST(SurveyWalk, SkipsBuildAndHiddenDirectoriesOnly) {
  support::TempDir dir;
  for (const char* skipped : {"target", "vendor", "build", ".git", "Pods", "zig-out", "DerivedData",
                              "node_modules", ".cache"}) {
    dir.write(std::string(skipped) + "/a.rs", "fn a() {}");
  }
  for (const char* walked : {"src", "tests", "examples", "benches", "src/bin", "Target"}) {
    dir.write(std::string(walked) + "/a.rs", "fn a() {}");
  }
  dir.write(".hidden.rs", "fn h() {}");  // only dot-directories are skipped
  dir.write(".rs", "fn x() {}");         // no extension
  dir.write("x.RS", "fn x() {}");        // the extension is case-sensitive
  dir.write("notes.txt", "fn x() {}");
  EXPECT_EQ(surveyed_paths(dir),
            (std::vector<std::string>{".hidden.rs", "Target/a.rs", "benches/a.rs", "examples/a.rs",
                                      "src/a.rs", "src/bin/a.rs", "tests/a.rs"}));
}

TEST(SurveyWalk, PathsInByteOrder) {
  support::TempDir dir;
  dir.write("src/a_b.rs", "");
  dir.write("src/a/b.rs", "");
  dir.write("src/x.rs", "");
  dir.write("Src/x.rs", "");
  EXPECT_EQ(surveyed_paths(dir),
            (std::vector<std::string>{"Src/x.rs", "src/a/b.rs", "src/a_b.rs", "src/x.rs"}));
}

TEST(SurveyWalk, RootIsWalkedWhateverItsName) {
  support::TempDir dir;
  dir.write("target/.git/lib.rs", "fn f() {}");
  auto files = dodureriradi::survey_dir(dir / "target/.git");
  ASSERT_TRUE(files);
  EXPECT_EQ(paths_of(*files), std::vector<std::string>{"lib.rs"});
}

TEST(SurveyWalk, SymbolicLinks) {
  support::TempDir dir;
  dir.write("real/inner.rs", "fn inner() {}");
  dir.write("file.txt", "fn linked() {}");
  dir.symlink(dir / "real", "tree/dirlink");      // never entered
  dir.symlink(dir / "file.txt", "tree/link.rs");  // surveyed under its own path
  dir.mkdir("tree/dir.rs");                       // a real directory named x.rs is walked
  dir.write("tree/dir.rs/in.rs", "fn in_dir() {}");
  auto files = dodureriradi::survey_dir(dir / "tree");
  ASSERT_TRUE(files) << files.error().message;
  EXPECT_EQ(paths_of(*files), (std::vector<std::string>{"dir.rs/in.rs", "link.rs"}));
  EXPECT_EQ((*files)[1].fns.at(0).name, "linked");

  dir.symlink(dir / "real", "tree/bad.rs");  // x.rs pointing at a directory
  auto failed = dodureriradi::survey_dir(dir / "tree");
  ASSERT_FALSE(failed);
  EXPECT_EQ(failed.error().message, "Is a directory (os error 21)");
}

TEST(SurveyWalk, FileThatDoesNotParseIsLeftOut) {
  support::TempDir dir;
  dir.write("a.rs", "fn a() {}");
  dir.write("b.rs", "fn b( {}");  // does not lex
  dir.write("c.rs", "fn c() { let }");
  dir.write("d.rs", "fn d() {}");
  EXPECT_EQ(surveyed_paths(dir), (std::vector<std::string>{"a.rs", "d.rs"}));
  auto entries = dodureriradi::survey_entries(dir.path());
  ASSERT_TRUE(entries);
  ASSERT_EQ(entries->size(), 4u);
  EXPECT_EQ((*entries)[1].path, "b.rs");
  EXPECT_FALSE((*entries)[1].file);
  EXPECT_FALSE((*entries)[2].file);
}

TEST(SurveyWalk, Failures) {
  support::TempDir dir;
  dir.write("ok.rs", "fn ok() {}");
  dir.write("plain.txt", "");
  struct Row {
    std::string root;
    std::string message;
  };
  for (const Row& row : std::vector<Row>{
           {dir / "missing", "No such file or directory (os error 2)"},
           {dir / "plain.txt", "Not a directory (os error 20)"},
       }) {
    auto files = dodureriradi::survey_dir(row.root);
    ASSERT_FALSE(files) << row.root;
    EXPECT_EQ(files.error().message, row.message) << row.root;
  }

  dir.write("src/bad.rs", std::string("fn f() { \"\xff\" }"));
  auto bad = dodureriradi::survey_dir(dir.path());
  ASSERT_FALSE(bad);
  EXPECT_EQ(bad.error().message, "stream did not contain valid UTF-8");
}

TEST(SurveyWalk, FifoFailsWithoutBlocking) {
  support::TempDir dir;
  ASSERT_EQ(::mkfifo((dir / "pipe.rs").c_str(), 0600), 0);
  auto files = dodureriradi::survey_dir(dir.path());
  ASSERT_FALSE(files);
  EXPECT_EQ(files.error().message, "Invalid argument (os error 22)");
}

TEST(SurveyWalk, NamesThatAreNotUtf8) {
  support::TempDir dir;
  dir.write("d\xff/f\xfe.rs", "fn f() {}");
  EXPECT_EQ(surveyed_paths(dir), std::vector<std::string>{"d\uFFFD/f\uFFFD.rs"});
}

// ---------------------------------------------------------------------------------------------
// One file

TEST(SurveySource, EmptyFile) {
  for (const char* source : {"", "// only a comment\n", "#![allow(dead_code)]\n"}) {
    const SurveyedFile file = survey(source);
    EXPECT_TRUE(file.fns.empty() && file.types.empty() && file.uses.empty() && file.tests.empty() &&
                file.reexports.empty() && file.mods.empty() && file.calls.empty())
        << source;
    EXPECT_EQ(file.attr_text, "") << source;
  }
  EXPECT_FALSE(dodureriradi::survey_source("a.rs", "fn f() {"));
}

TEST(SurveySource, VisibilityAndExposure) {
  const SurveyedFile file = survey(
      "fn main() {}\n"
      "pub(crate) fn krate() {}\n"
      "pub(in crate::a) fn inner() {}\n"
      "pub fn public() {}\n"
      "fn private() {}\n"
      "struct S;\n"
      "impl Tr for S { fn main() {} fn method(&self) {} }\n");
  struct Row {
    std::size_t index;
    std::string name, vis;
    bool is_pub, exposed, is_method;
  };
  for (const Row& row : std::vector<Row>{
           {0, "main", "", false, true, false},
           {1, "krate", "pub(crate)", false, true, false},
           {2, "inner", "pub(in crate::a)", false, true, false},
           {3, "public", "pub", true, true, false},
           {4, "private", "", false, false, false},
           {5, "main", "", false, true, true},
           {6, "method", "", false, false, true},
       }) {
    ASSERT_LT(row.index, file.fns.size());
    const SurveyedFn& fn = file.fns[row.index];
    EXPECT_EQ(fn.name, row.name);
    EXPECT_EQ(fn.vis, row.vis) << row.name;
    EXPECT_EQ(fn.is_pub, row.is_pub) << row.name;
    EXPECT_EQ(fn.exposed, row.exposed) << row.name;
    EXPECT_EQ(fn.is_method, row.is_method) << row.name;
  }
}

TEST(SurveySource, TestFunctionsAndModules) {
  const SurveyedFile file = survey(
      "#![cfg(test)]\n"
      "#[cfg(test)] fn top() {}\n"
      "#[cfg(test)]\n"
      "mod tests {\n"
      "    #[test] fn marked() { helper(); }\n"
      "    fn unmarked() {}\n"
      "    mod deeper { fn deep() {} }\n"
      "}\n"
      "#[cfg(not(test))] mod not_test { fn f() {} }\n"
      "#[cfg(feature = \"testing\")] mod feature { fn g() {} }\n"
      "#[cfg(unix)] mod plain { fn h() {} }\n"
      "mod inner_attr { #![cfg(test)] fn i() {} }\n"
      "mod path_only { #[tests::x] fn j() {} #[test::x] fn k() {} #[testing] fn l() {} }\n"
      "struct S;\n"
      "impl S { #[test] fn method_test(&self) {} }\n");
  struct Row {
    std::string name;
    bool is_test;
  };
  for (const Row& row : std::vector<Row>{{"top", false},
                                         {"marked", true},
                                         {"unmarked", true},
                                         {"deep", true},
                                         {"f", true},
                                         {"g", true},
                                         {"h", false},
                                         {"i", true},
                                         {"j", false},
                                         {"k", false},
                                         {"l", false},
                                         {"method_test", true}}) {
    const SurveyedFn* fn = fn_named(file, row.name);
    ASSERT_TRUE(fn);
    EXPECT_EQ(fn->is_test, row.is_test) << row.name;
  }
  EXPECT_EQ(file.tests, (std::vector<std::string>{"marked", "method_test"}));
  EXPECT_EQ(fn_named(file, "top")->cfg, std::nullopt);
  EXPECT_EQ(file.calls, (std::vector<RawCall>{{"helper", false, true}}));
}

TEST(SurveySource, CfgPredicate) {
  const SurveyedFile file = survey(
      "#[cfg(feature = \"x\")] fn a() {}\n"
      "#[cfg(all(unix, not(windows)))] fn b() {}\n"
      "#[cfg(test)] #[cfg(unix)] fn c() {}\n"
      "#[cfg_attr(unix, inline)] fn d() {}\n"
      "#[inline] #[cfg(unix)] #[cfg(windows)] fn e() {}\n"
      "fn f() { #![cfg(unix)] }\n");
  struct Row {
    std::string name;
    std::optional<std::string> cfg;
  };
  for (const Row& row : std::vector<Row>{{"a", "# [cfg(feature = \"x\")]"},
                                         {"b", "# [cfg(all(unix, not(windows)))]"},
                                         {"c", std::nullopt},
                                         {"d", std::nullopt},
                                         {"e", "# [cfg(unix)]"},
                                         {"f", "# ! [cfg(unix)]"}}) {
    const SurveyedFn* fn = fn_named(file, row.name);
    ASSERT_TRUE(fn);
    EXPECT_EQ(fn->cfg, row.cfg) << row.name;
  }
}

TEST(SurveySource, UsesAndReexports) {
  const SurveyedFile file = survey(
      "pub use a::{b, c as d, e::*};\n"
      "pub(crate) use a::f;\n"
      "use std::{fs, io::{self, Read}};\n"
      "use ::std::fmt;\n"
      "pub use m::{self};\n"
      "pub use x as _;\n"
      "mod inner { pub use y::z; #[cfg(test)] mod t { use super::*; } }\n");
  EXPECT_EQ(file.uses, (std::vector<std::string>{"a::{ b, c as d, e::* }", "a::f",
                                                 "std::{ fs, io::{ self, Read } }", "std::fmt",
                                                 "m::{ self }", "x as _", "y::z", "super::*"}));
  EXPECT_EQ(file.reexports, (std::vector<std::string>{"b", "d", "self", "_", "z"}));
}

TEST(SurveySource, ModuleDeclarations) {
  const SurveyedFile file = survey(
      "pub mod a { mod b; }\n"
      "mod a2 { mod c { #[path = \"x.rs\"] mod d; } }\n"
      "pub(crate) mod e;\n"
      "#[path = r\"raw\\y.rs\"] pub(super) mod f;\n"
      "#[path(\"z.rs\")] #[path = \"later.rs\"] mod g;\n"
      "#[doc = \"d\"] #[path = \"esc\\\"aped.rs\"] mod h;\n"
      "#[cfg(test)] mod t { mod inside_test; }\n");
  EXPECT_EQ(file.mods, (std::vector<ModDecl>{{"b", "a", std::nullopt, false, false},
                                             {"d", "a2/c", "x.rs", false, false},
                                             {"e", "", std::nullopt, false, true},
                                             {"f", "", "raw\\y.rs", false, true},
                                             {"g", "", std::nullopt, false, false},
                                             {"h", "", "esc\"aped.rs", false, false},
                                             {"inside_test", "t", std::nullopt, false, false}}));
  EXPECT_EQ(file.attr_text, "");  // module attributes are not recorded
}

TEST(SurveySource, RecordedAttributes) {
  const SurveyedFile file = survey(
      "/// Adds.\n"
      "#[inline] fn f() { #![allow(unused)] }\n"
      "#[derive(Debug, Clone)] enum E { #[a] V { #[b] x: u8 }, #[c] W(#[d] u8) }\n"
      "#[repr(C)] struct S { #[e] x: u8, y: u8 }\n"
      "#[f] union U { #[not_recorded] x: u8 }\n"
      "#[no] impl S { #[no] fn m(&self) {} }\n"
      "#[no] trait T {} #[no] type A = u8; #[no] mod m {} #[no] use a::b;\n"
      "#[no] const C: u8 = 0; #[no] static X: u8 = 0; #[no] m!();\n");
  EXPECT_EQ(file.attr_text,
            " # [doc = \" Adds.\"] # [inline] # ! [allow (unused)] # [derive (Debug , Clone)]"
            " # [a] # [b] # [c] # [d] # [repr (C)] # [e] # [f]");
  EXPECT_EQ(file.types.size(), 5u);
}

TEST(SurveySource, TypesInOrder) {
  const SurveyedFile file = survey(
      "pub enum E {} struct S; pub(crate) trait T {} type A = u8; union U { x: u8 }\n"
      "mod m { pub struct Inner; }\n"
      "trait Alias = T;\n"
      "type Opaque: Sized;\n");  // a type without `=` is kept unparsed
  std::vector<std::string> got;
  for (const auto& t : file.types) got.push_back(t.kind + " " + t.name + " [" + t.vis + "]");
  EXPECT_EQ(got, (std::vector<std::string>{"enum E [pub]", "struct S []", "trait T [pub(crate)]",
                                           "type A []", "union U []", "struct Inner [pub]"}));
  EXPECT_TRUE(file.types[0].is_pub);
  EXPECT_FALSE(file.types[2].is_pub);
}

TEST(SurveySource, ItemsLeftUnrecorded) {
  const SurveyedFile file = survey(
      "extern \"C\" { fn foreign(); }\n"
      "fn bodyless();\n"
      "trait T { fn default_method() { call_in_trait(); } }\n"
      "impl S { fn no_body(); fn kept() {} }\n"
      "macro_rules! m { () => { fn in_macro() {} } }\n"
      "m! { fn from_macro() {} }\n");
  std::vector<std::string> names;
  for (const SurveyedFn& fn : file.fns) names.push_back(fn.name);
  EXPECT_EQ(names, std::vector<std::string>{"kept"});
  EXPECT_TRUE(file.calls.empty());
}

TEST(SurveySource, CallSites) {
  struct Row {
    std::string body;
    std::vector<RawCall> calls;
  };
  for (const Row& row : std::vector<Row>{
           {"let v = vec![g()]; h(Self::k(), x.m());", {{"h", false}, {"k", true}}},
           {"f(g(x));", {{"f", false}, {"g", false}}},
           {"<T as a::Trait>::f(); <T>::g(); <T as Tr>::h::<u8>();",
            {{"f", true}, {"g", false}, {"h", true}}},
           {"Some(x); Ok(v); crate::m::n();", {{"Some", false}, {"Ok", false}, {"n", true}}},
           {"(f)(x); get()(); x.f(); m!(f());", {{"get", false}}},
           {"let c = || inner(); { nested(); } let x = init();",
            {{"inner", false}, {"nested", false}, {"init", false}}},
           {"fn local() { a(); } impl S { fn m() { b(); } } mod q { fn r() { c(); } }",
            {{"a", false}, {"b", false}, {"c", false}}},
           {"let a: [u8; len()] = [0; cnt()]; #[doc = attr()] x;",
            {{"len", false}, {"cnt", false}, {"attr", false}}},
           {"f::<{ g() }>();", {{"f", false}, {"g", false}}},
           {"r#match(); r#type::x();", {{"r#match", false}, {"x", true}}},
           // A call is recorded before the calls in its own attributes.
           {"#[doc = a()] f(); #[doc = b()] g() + 1; #[doc = c()] h().x; k(#[doc = d()] m());",
            {{"f", false},
             {"a", false},
             {"g", false},
             {"b", false},
             {"c", false},
             {"h", false},
             {"k", false},
             {"m", false},
             {"d", false}}},
           // A where clause is walked with the generics, before what precedes it in the source.
           {"fn g(x: [u8; a()]) where [(); b()]: Sized {}"
            " impl<T> Tr<[u8; c()]> for X where [(); d()]: Sized {}",
            {{"b", false}, {"a", false}, {"d", false}, {"c", false}}},
           // Tokens kept unparsed are never walked.
           {"impl const T for X { fn m() { g(); } } fn n(); h();", {{"h", false}}},
       }) {
    const SurveyedFile file = survey("fn f() { " + row.body + " }");
    std::vector<RawCall> expected = row.calls;
    EXPECT_EQ(file.calls, expected) << row.body;
  }
}

TEST(SurveySource, CallsFollowFunctionsInOrder) {
  const SurveyedFile file = survey(
      "fn a() { x(); }\n"
      "#[test] fn b() { y(); }\n"
      "impl S { fn c() { z(); } }\n"
      "const C: u8 = not_in_a_body();\n");
  EXPECT_EQ(file.calls,
            (std::vector<RawCall>{{"x", false, false}, {"y", false, true}, {"z", false, false}}));
}

// The worked texts of a signature, a body, a visibility, a use tree and a cfg attribute.
TEST(SurveySource, TokenTextOfRecords) {
  struct Row {
    std::string source;
    std::string signature;
    std::string body;
  };
  for (const Row& row : std::vector<Row>{
           {"fn f(a: u32) -> String {}", "fn f(a: u32) -> String", "{ }"},
           {"fn parse<'a>(input: &'a str, opts: &mut Options) -> Result<Vec<Token<'a>>, Error> {}",
            "fn parse<'a>(input: &'a str, opts: &mut Options) -> Result<Vec<Token<'a>>, Error>",
            "{ }"},
           {"fn get(&self, key: &str) -> Option<&String> {}",
            "fn get(&self, key: &str) -> Option<&String>", "{ }"},
           {"fn from_parts<T: Into<String>>(parts: [T; 2]) -> (String, usize) where T: Clone {}",
            "fn from_parts<T: Into<String>>(parts: [T; 2]) ->(String, usize) where T: Clone",
            "{ }"},
           {"fn h<F: Fn(u32) -> bool>(f: F) -> impl Iterator<Item = u8> {}",
            "fn h<F: Fn(u32) -> bool>(f: F) -> impl Iterator<Item = u8>", "{ }"},
           {"fn k(v: &&[u8]) -> &'static str {}", "fn k(v: &&[u8]) -> &'static str", "{ }"},
           {"fn f() -> <T as Trait>::Output {}", "fn f() -><T as Trait>::Output", "{ }"},
           {"fn g(x: ::std::fmt::Result) {}", "fn g(x:::std::fmt::Result)", "{ }"},
           {"async fn run(self: Arc<Self>) {}", "async fn run(self: Arc<Self>)", "{ }"},
           {"fn b() { let n = xs.len(); n + 1 }", "fn b()", "{ let n = xs . len () ; n + 1 }"},
           {"fn r#type() {}", "fn r#type()", "{ }"},
           {"fn p(x: *const u8) -> () {}", "fn p(x: * const u8) ->()", "{ }"},
           {"fn t(x: (u32, u32)) {}", "fn t(x:(u32, u32))", "{ }"},
           {"fn c() { 1_000; \"a\\x41\"; }", "fn c()", "{ 1_000 ; \"a\\x41\" ; }"},
           {"fn w() {\n  a /* c */ +\n b // d\n}", "fn w()", "{ a + b }"},
           {"fn m() { m!(a+-1); m!(a+ -1); a+-1; }", "fn m()",
            "{ m ! (a +- 1) ; m ! (a + - 1) ; a + - 1 ; }"},
       }) {
    const SurveyedFile file = survey(row.source);
    ASSERT_EQ(file.fns.size(), 1u) << row.source;
    EXPECT_EQ(file.fns[0].signature, row.signature) << row.source;
    EXPECT_EQ(file.fns[0].body, row.body) << row.source;
  }
}

}  // namespace
