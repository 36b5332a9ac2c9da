// The Rust parser: which files parse, how they split into items, and the text printed from the
// syntax tree.
#include "parser.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace std::string_literals;

// The untidied token text of the first item's signature and of its body ("<rejected>" when the
// source does not parse).
std::string signature_text(std::string_view source) {
  auto file = rust::parse_file(source);
  if (!file) return "<rejected>";
  if (file->root_count == 0) return "<no item>";
  const rust::Item& item = file->items[file->item_lists[file->root_first]];
  std::string out;
  rust::print_syntax(*file, item.signature, out);
  return out;
}

std::string body_text(std::string_view statements) {
  const std::string source = "fn f() { " + std::string(statements) + " }";
  auto file = rust::parse_file(source);
  if (!file) return "<rejected>";
  std::string out;
  rust::print_body(*file, file->items[file->item_lists[file->root_first]], out);
  return out;
}

struct TextRow {
  std::string source;
  std::string expected;
};

TEST(SyntaxText, OperatorsAndGroups) {
  for (const TextRow& row : std::vector<TextRow>{
           {"&&x; a && b; **p; !!b; - -a; &mut &mut z;",
            "{ & & x ; a && b ; * * p ; ! ! b ; - - a ; & mut & mut z ; }"},
           {"|| x; move || x; |a, b| a; async move |p: u8| p;",
            "{ | | x ; move | | x ; | a , b | a ; async move | p : u8 | p ; }"},
           {"x?; x.await?; f::<T>(); \"5\".parse::<i32>();",
            "{ x ? ; x . await ? ; f :: < T > () ; \"5\" . parse :: < i32 > () ; }"},
           {"let v: Vec<Vec<u8>> = <Vec<u8>>::new();",
            "{ let v : Vec < Vec < u8 > > = < Vec < u8 > > :: new () ; }"},
           {"a..b; ..=b; a..; ..; a<=b; a>>=1; a!=b;",
            "{ a .. b ; ..= b ; a .. ; .. ; a <= b ; a >>= 1 ; a != b ; }"},
           {"'a: loop { break 'a; } let l = 'b: { 1 };",
            "{ 'a : loop { break 'a ; } let l = 'b : { 1 } ; }"},
           {"S { a, ..Default::default() }; [0; 4]; (1,); ();",
            "{ S { a , .. Default :: default () } ; [0 ; 4] ; (1 ,) ; () ; }"},
           {"let Some(x) = y else { return };", "{ let Some (x) = y else { return } ; }"},
           {"if let Some(x) = a && b {} match x { A | B if c => {} _ => () }",
            "{ if let Some (x) = a && b { } match x { A | B if c => { } _ => () } }"},
           {"m!(a+-1, x=>y); m![a::b]; m! {};",
            "{ m ! (a +- 1 , x => y) ; m ! [a :: b] ; m ! { } ; }"},
           {"1.0.max(2.0); 1.foo(); b'a'; r#\"s\"#; 1_000u64;",
            "{ 1.0 . max (2.0) ; 1 . foo () ; b'a' ; r#\"s\"# ; 1_000u64 ; }"},
           {"let r#match = r#type;", "{ let r#match = r#type ; }"},
       }) {
    EXPECT_EQ(body_text(row.source), row.expected) << row.source;
  }
}

TEST(SyntaxText, EditsOfThePrintedForm) {
  for (const TextRow& row : std::vector<TextRow>{
           // Tuple indices: a float literal splits in two, an index prints as its value.
           {"x.0.1; x.0.1.2; t.01; t.0x1; t.1.0.foo();",
            "{ x . 0 . 1 ; x . 0 . 1 . 2 ; t . 1 ; t . 1 ; t . 1 . 0 . foo () ; }"},
           {"S { 0: a, 01: b };", "{ S { 0 : a , 1 : b } ; }"},
           // The obsolete range pattern, but not inside a macro.
           {"match x { 1...2 => {} } m!(1...2);", "{ match x { 1 ..= 2 => { } } m ! (1 ... 2) ; }"},
           // A negative literal prints as two tokens.
           {"match x { -1 => (), -2..=-1 => () }", "{ match x { - 1 => () , - 2 ..= - 1 => () } }"},
           // Inner attributes of a nested block stay, as syntax.
           {"{ #![allow(x)] 1 } #[cfg(x)] let y = 1;",
            "{ { # ! [allow (x)] 1 } # [cfg (x)] let y = 1 ; }"},
           {"/// doc\nlet x = 1;", "{ # [doc = \" doc\"] let x = 1 ; }"},
           // Items nested in a body: generics lifetimes first, empty `<>`, `where` and colons gone.
           {"fn g<T, 'a>() where {} trait T: {} struct S<T:>(T);",
            "{ fn g < 'a , T , > () { } trait T { } struct S < T > (T) ; }"},
       }) {
    EXPECT_EQ(body_text(row.source), row.expected) << row.source;
  }
}

// Tokens the parser keeps unparsed print as the lexer read them: `:&` stays joined there.
TEST(SyntaxText, VerbatimItemsKeepTheLexersSpacing) {
  for (const TextRow& row : std::vector<TextRow>{
           {"fn g(a:&u8)->u8;", "{ fn g (a :& u8) -> u8 ; }"},
           {"fn g(a:&u8)->u8 {}", "{ fn g (a : & u8) -> u8 { } }"},
           {"static X:&u8;", "{ static X :& u8 ; }"},
           {"impl const T for X { fn f(a:&u8) { g() } }",
            "{ impl const T for X { fn f (a :& u8) { g () } } }"},
           {"const X:&u8;", "{ const X :& u8 ; }"},
       }) {
    EXPECT_EQ(body_text(row.source), row.expected) << row.source;
  }
}

TEST(SyntaxText, GenericsPrintLifetimesFirst) {
  for (const TextRow& row : std::vector<TextRow>{
           {"fn f<T: X, 'b>() {}", "fn f < 'b , T : X , > ()"},
           {"fn f<'a, T, 'b>() {}", "fn f < 'a , 'b , T , > ()"},
           {"fn f<T, 'a, U>() {}", "fn f < 'a , T , U > ()"},
           {"fn f<'a, T>() {}", "fn f < 'a , T > ()"},
           {"fn f<T:>() {}", "fn f < T > ()"},
           {"fn f<'a:, 'b: 'a>() {}", "fn f < 'a , 'b : 'a > ()"},
           {"fn f<>() {}", "fn f ()"},
           {"fn f<T>() where T:, {}", "fn f < T > () where T : ,"},
           {"fn f<T>() where {}", "fn f < T > ()"},
           {"fn f(x: Foo<T, 'a>) -> Bar<'a, T, 'b> {}",
            "fn f (x : Foo < 'a , T , >) -> Bar < 'a , 'b , T , >"},
           {"fn f<T: for<'a> Fn(&'a u8) -> u8 + ?Sized>() {}",
            "fn f < T : for < 'a > Fn (& 'a u8) -> u8 + ? Sized > ()"},
           {"pub(crate) const unsafe extern \"C\" fn f(x: u8, ...) {}",
            "const unsafe extern \"C\" fn f (x : u8 , ...)"},
           {"fn f(&'a mut self, _: impl Iterator<Item = u8> + use<'a>) {}",
            "fn f (& 'a mut self , _ : impl Iterator < Item = u8 > + use < 'a >)"},
       }) {
    EXPECT_EQ(signature_text(row.source), row.expected) << row.source;
  }
}

struct AcceptRow {
  std::string source;
  bool parses;
};

TEST(Parser, WhichFilesParse) {
  for (const AcceptRow& row : std::vector<AcceptRow>{
           {"", true},
           {"#![allow(x)] //! doc\nfn f() {}", true},
           {"fn f() { let x = 1 }", false},
           {"fn f() { a < b < c; }", false},  // comparisons do not chain
           {"fn f() { (a < b) < c; }", true},
           {"fn f() { a as usize < b; }", false},  // `<` after a cast type opens generics
           {"fn f() { x as u8.y; }", false},
           {"fn f() { let A | B = x; }", false},  // an or-pattern in `let` needs parentheses
           {"fn f() { let (A | B) = x; }", true},
           {"fn f() { x: u8; }", false},  // no type ascription
           {"type A = Fn(u8);", false},   // parenthesised arguments only in bounds
           {"fn f(x: &Fn(u8)) {}", false},
           {"type A = Box<dyn Fn(u8) -> u8 + Send>;", true},
           {"fn f<F: Fn(u8)>() where F: FnOnce() -> u8 {}", true},
           {"#[foo bar] fn f() {}", false},  // an attribute is a path, a list or `path = expr`
           {"#[doc = \"a\" \"b\"] fn f() {}", false},
           {"#[doc = include_str!(\"x\")] #[unsafe(no_mangle)] fn f() {}", true},
           {"fn f() {} #![inner]", false},
           {"crate fn f() {}", false},
           {";", false},
           {"macro_rules! m { () => {} };", false},
           {"trait T { fn f(u8); }", false},  // no anonymous parameters
           {"fn f() { if c { #![a] } }", false},
           {"fn f() { loop { #![a] } unsafe { #![b] } }", true},
           {"fn f() { 'a: x; }", false},
           {"fn f() { break 'a: loop {}; }", false},
           {"fn f() { x.0.1e3; }", false},
           {"fn f() { x.0u8; }", false},
           {"fn f() { async {} x; }", false},  // an async block needs its semicolon
           {"fn f() { if a {} x; match b {} y; }", true},
           {"fn f() { match x { _ => async {} _ => () } }", false},
           {"fn f() { match x { _ => {} _ => () } }", true},
           {"fn f() { let x = match y {} else { return };  }", false},
           {"fn f() { let Some(x) = y else { return }; }", true},
           {"fn f() { if let Some(x) = a && let Some(y) = b && x > y {} }", true},
           {"fn f() { let x = S { a: 1 }; if x == S {} {} }", true},
           {"fn f() { for x in 0.. {} while let Some(x) = it.next() {} }", true},
           {"fn f() { x = y = z; a += b; c <<= 1; }", true},
           {"fn f() { let _ = &raw const x; let _ = &raw mut y; let raw = &raw; }", true},
           {"fn f() { const { 1 }; let c = const || 1; static || 2; }", true},
           {"fn f() -> impl Iterator<Item = &'a u8> + use<'a, T> {}", true},
           {"fn f<T: ~const Tr>() {}", false},  // only `const` and `[const]` modify a bound
           {"unsafe extern \"C\" { pub safe fn a(); pub unsafe static B: i32; fn c(x: i32, ...); }",
            true},
           {"pub trait A = B + Send; auto trait C {} unsafe impl Send for X {} impl !Sync for X {}",
            true},
           {"struct S<const N: usize = 4, T = u8>(T) where T: Copy;", true},
           {"enum E { A = 1, B(u8), C { x: u8 } }", true},
           {"union U { x: u8, y: u16 }", true},
           {"extern crate self as me; use ::{a, b}; use {::c, d};", true},
           {"impl<T> X<T> { default fn f() {} pub(crate) const C: u8 = 1; type A = u8; m!(); }",
            true},
           // `box` is a pattern only; as an expression it no longer parses.
           {"fn f() { let x = 1 + box 2; }", false},
       }) {
    EXPECT_EQ(static_cast<bool>(rust::parse_file(row.source)), row.parses) << row.source;
  }
}

std::vector<rust::ItemKind> root_kinds(std::string_view source) {
  auto file = rust::parse_file(source);
  EXPECT_TRUE(file) << source;
  std::vector<rust::ItemKind> kinds;
  if (!file) return kinds;
  for (std::uint32_t k = 0; k < file->root_count; ++k) {
    kinds.push_back(file->items[file->item_lists[file->root_first + k]].kind);
  }
  return kinds;
}

TEST(Parser, ItemKinds) {
  using K = rust::ItemKind;
  struct Row {
    std::string source;
    std::vector<K> kinds;
  };
  for (const Row& row : std::vector<Row>{
           {"const C: u8 = 1; enum E {} extern crate a; fn f() {} extern \"C\" {} impl S {}",
            {K::Const, K::Enum, K::ExternCrate, K::Fn, K::ForeignMod, K::Impl}},
           {"m!(); mod m; mod n {} static S: u8 = 0; struct T; trait Tr {} trait A = B;",
            {K::Macro, K::Mod, K::Mod, K::Static, K::Struct, K::Trait, K::TraitAlias}},
           {"type A = u8; union U { x: u8 } use a::b; macro_rules! m { () => {} }",
            {K::Type, K::Union, K::Use, K::Macro}},
           {"unsafe extern \"C\" {} unsafe mod m {} unsafe impl S {} unsafe trait T {}",
            {K::ForeignMod, K::Mod, K::Impl, K::Trait}},
           // What is kept as unparsed tokens is not an item of any kind.
           {"fn f(); const C: u8; static S: u8; type T; type U: Sized = u8; impl const T for X {}"
            " pub impl X {} use {::a, b}; macro m() {} const G<T>: u8 = 1;",
            {}},
       }) {
    auto kinds = root_kinds(row.source);
    std::erase_if(kinds, [](K k) { return k == K::Verbatim; });
    EXPECT_EQ(kinds, row.kinds) << row.source;
  }
}

TEST(Parser, ImplBlocksKeepTheirFunctionsWithBodies) {
  auto file = rust::parse_file(
      "impl S { #[a] fn f(&self) { #![b] } fn g(); const C: u8 = 1; type T = u8; m!(); }");
  ASSERT_TRUE(file);
  const rust::Item& impl = file->items[file->item_lists[file->root_first]];
  ASSERT_EQ(impl.kind, rust::ItemKind::Impl);
  ASSERT_EQ(impl.child_count, 1u);
  const rust::Item& f = file->items[file->item_lists[impl.child_first]];
  EXPECT_EQ(file->display(f.ident), "f");
  ASSERT_EQ(f.attr_count, 2u);  // the outer attribute and the inner one of the body
  EXPECT_EQ(file->attrs[f.attr_first + 1].style, rust::AttrStyle::Inner);
  std::string body;
  rust::print_body(*file, f, body);
  EXPECT_EQ(body, "{ }");
}

// Nesting deeper than the limit is a syntax error, not a stack overflow; code nested a few
// hundred levels deep still parses.
TEST(Parser, DeepNesting) {
  auto nested = [](std::size_t n, std::string_view open, std::string_view core,
                   std::string_view close) {
    std::string s;
    for (std::size_t i = 0; i < n; ++i) s += open;
    s += core;
    for (std::size_t i = 0; i < n; ++i) s += close;
    return s;
  };
  struct Row {
    std::string prefix, open, core, close, suffix;
  };
  for (const Row& row : std::vector<Row>{
           {"fn f() { let x = ", "(", "1", ")", "; }"},
           {"fn f() { ", "f(", "", ")", "; }"},
           {"fn f() { let x = a", "[a", "", "]", "; }"},
           {"fn f() ", "{", "", "}", ""},
           {"fn f() { let x = ", "|| ", "1", "", "; }"},
           {"fn f() { ", "a = ", "1", "", "; }"},
           {"fn f() { let x = ", "-", "1", "", "; }"},
           {"fn f() { let ", "(", "x", ")", " = 1; }"},
           {"fn f() { let ", "&", "x", "", " = 1; }"},
           {"type T = ", "Vec<", "u8", ">", ";"},
           {"type T = ", "&", "u8", "", ";"},
           {"fn f<", "T: A<", "u8", ">", ">() {}"},
           {"", "mod a { ", "", "}", ""},
           {"use ", "a::{", "b", "}", ";"},
           {"fn f() { ", "fn g() { ", "", "}", " }"},
       }) {
    const std::string shallow =
        row.prefix + nested(300, row.open, row.core, row.close) + row.suffix;
    EXPECT_TRUE(rust::parse_file(shallow)) << row.prefix << row.open;
    const std::string deep =
        row.prefix + nested(100000, row.open, row.core, row.close) + row.suffix;
    EXPECT_FALSE(rust::parse_file(deep)) << row.prefix << row.open;
  }
}

TEST(Parser, StringLiteralValue) {
  for (const TextRow& row : std::vector<TextRow>{
           {R"("x.rs")", "x.rs"},
           {R"("a\"b\\c\n\t\r\0\x41\u{e9}")", "a\"b\\c\n\t\r\0A\u00e9"s},
           {"\"line\\\n    continued\"", "linecontinued"},
           {"\"crlf\r\nend\"", "crlf\nend"},
           {R"(r"raw\n")", "raw\\n"},
           {R"(r#"has "quotes""#)", "has \"quotes\""},
       }) {
    std::string value;
    ASSERT_TRUE(rust::string_literal_value(row.source, value)) << row.source;
    EXPECT_EQ(value, std::string(row.expected)) << row.source;
  }
  std::string value;
  EXPECT_FALSE(rust::string_literal_value("b\"bytes\"", value));
  EXPECT_FALSE(rust::string_literal_value("1", value));
}

}  // namespace
