#include "lexer.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../fuzz/targets.hpp"
#include "support.hpp"

namespace {

// The token text of a whole source, or "<error>" when it does not lex.
std::string printed(std::string_view source) {
  auto buffer = rust::lex(source);
  if (!buffer) return "<error>";
  std::string out;
  rust::print_tokens(*buffer, 0, buffer->size(), out);
  return out;
}

struct Row {
  std::string source;
  std::string expected;
};

void expect_rows(const std::vector<Row>& rows) {
  for (const Row& row : rows) {
    EXPECT_EQ(printed(row.source), row.expected) << "source: " << row.source;
  }
}

TEST(LexPrint, SpacingOfTheLexedStream) {
  expect_rows({
      {"fn f(a: u32) -> String", "fn f (a : u32) -> String"},
      {"a::b", "a :: b"},
      {"m!(a+-1)", "m ! (a +- 1)"},
      {"m!(a+ -1)", "m ! (a + - 1)"},
      {"#[derive(Debug, Clone)]", "# [derive (Debug , Clone)]"},
      {"#[cfg(all(unix, not(windows)))]", "# [cfg (all (unix , not (windows)))]"},
      {"pub(in crate::a)", "pub (in crate :: a)"},
      {"std::{fs, io::{self, Read}}", "std :: { fs , io :: { self , Read } }"},
      {"{ let n = xs.len(); n + 1 }", "{ let n = xs . len () ; n + 1 }"},
      {"fn f() {}", "fn f () { }"},
      {"{{}}", "{ { } }"},
      {"[()]{x}", "[()] { x }"},
      // A quote before a lifetime counts as punctuation for the character before it.
      {"fn k(v: &&[u8]) -> &'static str", "fn k (v : && [u8]) -> &'static str"},
      {"<'a>,", "<'a >,"},
      // A '/' that opens a comment does not join; comments and layout leave no trace.
      {"a+/* c */b", "a + b"},
      {"a+// c\nb", "a + b"},
      {"a+/=b", "a +/= b"},
      {"#![allow(x)]", "#! [allow (x)]"},
      {"x=>y ..= <<= ->", "x => y ..= <<= ->"},
      {"r#type r#match", "r#type r#match"},
  });
}

TEST(LexPrint, RangeOfWholeGroups) {
  auto buffer = rust::lex("f(a, b) { x }");
  ASSERT_TRUE(buffer);
  // Tokens: f ( a , b ) { x }
  ASSERT_EQ(buffer->size(), 9u);
  std::string out;
  rust::print_tokens(*buffer, 1, 6, out);
  EXPECT_EQ(out, "(a , b)");
  out.clear();
  rust::print_tokens(*buffer, 6, 9, out);
  EXPECT_EQ(out, "{ x }");
}

TEST(LexTokens, DelimitersArePaired) {
  auto buffer = rust::lex("a ( [ ] { b } ) c");
  ASSERT_TRUE(buffer);
  const rust::TokenBuffer& b = *buffer;
  ASSERT_EQ(b.size(), 9u);
  const std::pair<std::uint32_t, std::uint32_t> pairs[] = {{1, 7}, {2, 3}, {4, 6}};
  for (auto [open, close] : pairs) {
    EXPECT_EQ(b[open].kind, rust::TokenKind::Open) << open;
    EXPECT_EQ(b[close].kind, rust::TokenKind::Close) << close;
    EXPECT_EQ(b[open].partner, close) << open;
    EXPECT_EQ(b[close].partner, open) << close;
    EXPECT_EQ(b[open].delim(), b[close].delim()) << open;
  }
  EXPECT_EQ(b[4].delim(), rust::Delim::Brace);
  EXPECT_EQ(b.text(4), "{");
  EXPECT_EQ(b.text(6), "}");
}

TEST(LexTokens, IdentifiersLifetimesAndSpacing) {
  auto buffer = rust::lex("r#type 'r#a 'b: x+=1");
  ASSERT_TRUE(buffer);
  const rust::TokenBuffer& b = *buffer;
  // r#type ' a ' b : x + = 1
  ASSERT_EQ(b.size(), 10u);
  EXPECT_EQ(b[0].kind, rust::TokenKind::Ident);
  EXPECT_TRUE(b[0].raw());
  EXPECT_EQ(b.text(0), "type");
  EXPECT_EQ(b[0].begin, 2u);
  EXPECT_EQ(b[1].punct(), '\'');
  EXPECT_EQ(b[1].flags, rust::Token::kJoint | rust::Token::kLifetime);
  EXPECT_TRUE(b[2].raw());
  EXPECT_EQ(b.text(2), "a");
  EXPECT_EQ(b[3].flags, rust::Token::kJoint | rust::Token::kLifetime);
  EXPECT_FALSE(b[4].raw());
  EXPECT_EQ(b.text(4), "b");
  EXPECT_FALSE(b[5].joint());  // ':' before a space
  EXPECT_TRUE(b[7].joint());   // '+' before '='
  EXPECT_FALSE(b[8].joint());  // '=' before a digit
  EXPECT_EQ(b[9].kind, rust::TokenKind::Literal);
  EXPECT_EQ(b[9].lit(), rust::LitKind::Integer);
}

TEST(LexTokens, DocCommentBecomesAttributeTokens) {
  auto buffer = rust::lex("//! in\n/// out\nfn");
  ASSERT_TRUE(buffer);
  const rust::TokenBuffer& b = *buffer;
  // # ! [ doc = " in" ]  # [ doc = " out" ]  fn
  ASSERT_EQ(b.size(), 14u);
  EXPECT_EQ(b[0].punct(), '#');
  EXPECT_FALSE(b[0].joint());
  EXPECT_EQ(b[1].punct(), '!');
  EXPECT_FALSE(b[1].joint());
  EXPECT_EQ(b[2].kind, rust::TokenKind::Open);
  EXPECT_EQ(b[2].partner, 6u);
  EXPECT_EQ(b[3].kind, rust::TokenKind::Ident);
  EXPECT_TRUE(b[3].synthetic());
  EXPECT_EQ(b.text(3), "doc");
  EXPECT_EQ(b[4].punct(), '=');
  EXPECT_FALSE(b[4].joint());
  EXPECT_EQ(b[5].lit(), rust::LitKind::Str);
  EXPECT_TRUE(b[5].synthetic());
  EXPECT_EQ(b.text(5), "\" in\"");
  EXPECT_EQ(b[6].partner, 2u);
  EXPECT_EQ(b[7].punct(), '#');
  EXPECT_EQ(b[8].kind, rust::TokenKind::Open);
  EXPECT_EQ(b.text(11), "\" out\"");
  EXPECT_EQ(b.text(13), "fn");
  EXPECT_EQ(b[13].begin, 15u);
}

TEST(LexLiterals, TextAndKind) {
  struct LitRow {
    std::string source;
    rust::LitKind kind;
  };
  const LitRow rows[] = {
      {"1", rust::LitKind::Integer},
      {"1_000u64", rust::LitKind::Integer},
      {"0xffu8", rust::LitKind::Integer},
      {"0o17", rust::LitKind::Integer},
      {"0b1010_1010u16", rust::LitKind::Integer},
      {"0x1p3", rust::LitKind::Integer},  // p3 is a suffix
      {"1f32", rust::LitKind::Integer},
      {"1e10", rust::LitKind::Float},
      {"1E-5", rust::LitKind::Float},
      {"1.5e+3f64", rust::LitKind::Float},
      {"2.5f32", rust::LitKind::Float},
      {"3.", rust::LitKind::Float},
      {"'a'", rust::LitKind::Char},
      {"'\\u{10FFFF}'", rust::LitKind::Char},
      {"'\\x7f'", rust::LitKind::Char},
      {"'''", rust::LitKind::Char},
      {"b'\\xff'", rust::LitKind::Byte},
      {"\"a\\\"b\"", rust::LitKind::Str},
      {"\"cont\\\n   inued\"", rust::LitKind::Str},
      {"\"crlf\r\nok\"", rust::LitKind::Str},
      {"\"s\"suffix", rust::LitKind::Str},
      {"b\"\\x80\"", rust::LitKind::ByteStr},
      {"c\"cstr\\u{1F600}\"", rust::LitKind::CStr},
      {"r\"raw\"", rust::LitKind::RawStr},
      {"r###\"a\"##\"###", rust::LitKind::RawStr},
      {"br#\"rb\"#", rust::LitKind::RawByteStr},
      {"cr#\"craw\"#", rust::LitKind::RawCStr},
      {"(/*ERROR*/)", rust::LitKind::Error},
  };
  for (const LitRow& row : rows) {
    auto buffer = rust::lex(row.source);
    ASSERT_TRUE(buffer) << row.source;
    ASSERT_EQ(buffer->size(), 1u) << row.source;
    EXPECT_EQ((*buffer)[0].kind, rust::TokenKind::Literal) << row.source;
    EXPECT_EQ((*buffer)[0].lit(), row.kind) << row.source;
    EXPECT_EQ(buffer->text(0), row.source);
  }
}

TEST(LexLiterals, WhereANumberEnds) {
  expect_rows({
      {"1.", "1."},
      {"1.0", "1.0"},
      {"1..2", "1 .. 2"},
      {"1..=2", "1 ..= 2"},
      {"1.foo()", "1 . foo ()"},
      {"1._x", "1 . _x"},
      {"1.0.max(2.0)", "1.0 . max (2.0)"},
      {"0.0.0", "0.0 . 0"},
      {"1.2.3", "1.2 . 3"},
      {"x.0.1", "x . 0.1"},
      {"y.0 .1", "y . 0 . 1"},
      {"1.e5", "1 . e5"},
      {"1e+5", "1e+5"},
      {"1e", "1e"},  // no exponent digits and no fraction: an integer with suffix e
      {"1e+", "1e +"},
      {"1.0e", "1.0e"},  // the float before the exponent, then e as its suffix
      {"1.0e+-1", "1.0e +- 1"},
      {"1u32.pow(2)", "1u32 . pow (2)"},
      {"0x1.5", "0x1 . 5"},
      {"1_", "1_"},
  });
}

TEST(LexLiterals, QuotesLifetimesAndPrefixes) {
  expect_rows({
      {"'a 'b'", "'a 'b'"},
      {"'_ 'static", "'_ 'static"},
      {"&'a x", "&'a x"},
      {"'r\"s\"", "'r\"s\""},  // the name after the quote is r, then a raw string follows
      {"brx crate bx", "brx crate bx"},
      {"r#abc", "r#abc"},
  });
}

TEST(LexDoc, CommentsAndEscapes) {
  expect_rows({
      {"/// Adds.", "# [doc = \" Adds.\"]"},
      {"//! inner", "# ! [doc = \" inner\"]"},
      {"/** block */", "# [doc = \" block \"]"},
      {"/*! inner block */", "# ! [doc = \" inner block \"]"},
      {"/** */", "# [doc = \" \"]"},
      {"///", "# [doc = \"\"]"},
      // Ordinary comments: four slashes, three stars, the empty block.
      {"//// no\n/*** no */ /**/ /***/ x", "x"},
      {"/* a /* nested */ still */ x", "x"},
      {"/// tab\there \"q\" \\ 'single'", "# [doc = \" tab\\there \\\"q\\\" \\\\ 'single'\"]"},
      {"/// é 日本", "# [doc = \" é 日本\"]"},
      {std::string("/// \0x \0"
                   "0 \0",
                   11),
       "# [doc = \" \\0x \\x000 \\0\"]"},
      {"/// zw\u200bsp soft\u00adhy e\u0301 bell\a del\x7f nbsp\u00a0",
       "# [doc = \" zw\\u{200b}sp soft\\u{ad}hy e\\u{301} bell\\u{7} del\\u{7f} "
       "nbsp\\u{a0}\"]"},
      {"/// crlf\r\nfn", "# [doc = \" crlf\"] fn"},
      {"/** a\r\n b */", "# [doc = \" a\\r\\n b \"]"},
      {"/** multi\n * line */", "# [doc = \" multi\\n * line \"]"},
      {"fn f() { /// inside\n }", "fn f () { # [doc = \" inside\"] }"},
  });
}

TEST(LexWhitespace, AsTheReferenceLexerSkipsIt) {
  expect_rows({
      {"a\tb\x0b"
       "c\x0c"
       "d\re\r\nf",
       "a b c d e f"},
      {"a\u00a0b\u2028c\u3000d", "a b c d"},
      {"a\u200eb\u200fc", "a b c"},
      {"\xEF\xBB\xBF"
       "fn",
       "fn"},  // one leading byte-order mark
  });
  EXPECT_EQ(printed("a\u200bb"), "<error>");  // zero-width space is no white space
  EXPECT_EQ(printed("a \xEF\xBB\xBF b"), "<error>");
}

TEST(LexErrors, TextsThatDoNotLex) {
  const std::string rows[] = {
      "(",
      ")",
      "(]",
      "fn f() { (]",
      "{ [ }",
      "\"abc",
      "\"bare\rcr\"",
      "\"\\q\"",
      "'\\u{110000}'",
      "'\\u{}'",
      "'\\u{1234567}'",
      "'\\x80'",
      "'",
      "'ab'",
      "'1",
      "'a#",
      "'r#self",
      "b'\xC3\xA9'",
      "b\"\xC3\xA9\"",
      "br\"\xC3\xA9\"",
      "c\"\\0\"",
      "c\"\\x00\"",
      "c\"\\u{0}\"",
      std::string("c\"\0\"", 4),
      "r#\"open",
      "r##x",
      "r#_",
      "r#self",
      "r#crate",
      "0b102",
      "0o8",
      "0x",
      "1\u0301",
      "/* open",
      "/* a /* b */",
      "/** open",
      "/// bare\rcr",
      "/** bare\r */",
      "fn f() { \\ }",
      "let a = 1 \u2203 2;",
      "`",
      "\xFF",
      "\xC3",
  };
  for (const std::string& source : rows) {
    auto buffer = rust::lex(source);
    EXPECT_FALSE(buffer) << "source: " << source;
  }
}

TEST(LexErrors, OffsetsPointAtTheFault) {
  auto unclosed = rust::lex("a ( b");
  ASSERT_FALSE(unclosed);
  EXPECT_EQ(unclosed.error().offset, 2u);
  auto stray = rust::lex("a b )");
  ASSERT_FALSE(stray);
  EXPECT_EQ(stray.error().offset, 4u);
  auto symbol = rust::lex("x = \\");
  ASSERT_FALSE(symbol);
  EXPECT_EQ(symbol.error().offset, 4u);
  EXPECT_FALSE(symbol.error().message.empty());
}

TEST(LexErrors, DeepNestingNeedsNoCallStack) {
  constexpr int kDepth = 100000;
  const std::string deep = std::string(kDepth, '(') + "1" + std::string(kDepth, ')');
  auto buffer = rust::lex(deep);
  ASSERT_TRUE(buffer);
  EXPECT_EQ(buffer->size(), 2u * kDepth + 1);
  EXPECT_EQ((*buffer)[0].partner, 2u * kDepth);
  std::string out;
  rust::print_tokens(*buffer, 0, buffer->size(), out);
  EXPECT_EQ(out, deep);
  const std::string unclosed(kDepth, '{'), unopened(kDepth, '}');
  EXPECT_FALSE(rust::lex(unclosed));
  EXPECT_FALSE(rust::lex(unopened));
}

TEST(LexErrors, EveryTruncationIsHandled) {
  // Cutting a text anywhere gives either a sound token buffer whose printed text lexes back to
  // the same tokens, or an error with a message at an offset inside the text; never a read past
  // the end. A cut inside a literal or a comment, or one that leaves a group open, is an error.
  const std::string source =
      "#![a] /// d\r\n/** e */ fn f<'a>() -> &'a str { r##\"x\"## b'\\x7f' c\"\\u{1F600}\" "
      "'\\u{10FFFF}' 1.5e+3f64 0b1_0 \"s\\\n  t\" /* /* */ */ x.0.1 r#y é }";
  ASSERT_TRUE(rust::lex(source)) << source;
  const std::size_t brace = source.find('{');
  for (std::size_t cut = 0; cut < source.size(); ++cut) {
    const std::string part = source.substr(0, cut);
    EXPECT_EQ(fuzz::check_lex(part), "") << "cut at " << cut;
    if (cut > brace) {
      EXPECT_FALSE(rust::lex(part)) << "the group is left open at " << cut;
    }
  }
  const std::string in_comment = source.substr(0, source.find("e */"));
  const std::string in_raw_string = source.substr(0, source.find("\"##"));
  EXPECT_FALSE(rust::lex(in_comment));
  EXPECT_FALSE(rust::lex(in_raw_string));
}

TEST(LexPrelude, ByteOrderMarkAndShebang) {
  struct PreludeRow {
    std::string source;
    std::string kept;
  };
  const PreludeRow rows[] = {
      {"fn", "fn"},
      {"\xEF\xBB\xBF"
       "fn",
       "fn"},
      {"#!/usr/bin/env run\nfn", "\nfn"},
      {"#!/usr/bin/env run", ""},
      {"\xEF\xBB\xBF#!x\nfn", "\nfn"},
      {"#![allow(x)]\nfn", "#![allow(x)]\nfn"},
      {"#! [allow(x)]", "#! [allow(x)]"},
      {"#! // c\n/* d */ [x]", "#! // c\n/* d */ [x]"},
      {"#! /// doc\n[x]", "\n[x]"},  // a doc comment is not skipped: the first line goes
      {"#! /* open [x]", ""},
      {"x\n#!/bin", "x\n#!/bin"},
  };
  for (const PreludeRow& row : rows) {
    const std::string_view source = row.source;
    const std::string_view kept = rust::strip_file_prelude(source);
    EXPECT_EQ(kept, row.kept) << "source: " << row.source;
    // The result is a view into the source, so token offsets map back to the file.
    EXPECT_EQ(kept.data() + kept.size(), source.data() + source.size()) << row.source;
  }
  EXPECT_EQ(printed(rust::strip_file_prelude("#!/bin/x\n//! Doc.\nfn")),
            "# ! [doc = \" Doc.\"] fn");
  // The file reader drops one byte-order mark and the lexer one more; a mark after the shebang
  // line is in the text.
  EXPECT_EQ(printed(rust::strip_file_prelude("\xEF\xBB\xBF\xEF\xBB\xBF"
                                             "fn")),
            "fn");
  EXPECT_EQ(printed(rust::strip_file_prelude("#!/bin/x\n\xEF\xBB\xBF"
                                             "fn")),
            "<error>");
}

// The token-dump tool walks a tree the way the survey does.
TEST(TokenDump, WalksLikeTheSurvey) {
  const std::string tool = std::string(QK_BINARY_DIR) + "/token-dump";
  ASSERT_EQ(support::run_shell("test -x '" + tool + "'"), 0) << "no " << tool;
  support::TempDir dir;
  dir.write("src/a/b.rs", "fn b() {}");
  dir.write("src/a_b.rs", "/// D\nfn ab() {}");
  dir.write("Src/x.rs", "x");
  dir.write("src/.hidden.rs", "h");
  dir.write("src/.rs", "no");
  dir.write("src/x.RS", "no");
  dir.write("src/bad.rs", "fn f() { (]");
  dir.write("target/t.rs", "no");
  dir.write("node_modules/n.rs", "no");
  dir.write(".git/g.rs", "no");
  dir.write(".cache/c.rs", "no");
  dir.write("tests/t.rs", "#!/bin/x\nt");
  dir.mkdir("real.rs");
  dir.write("real.rs/inner.rs", "i");
  dir.symlink("src", "link");
  dir.symlink("src/a_b.rs", "alias.rs");
  std::string out;
  ASSERT_EQ(support::run_shell("'" + tool + "' '" + dir.path() + "'", &out), 0);
  EXPECT_EQ(out,
            "{\"path\":\"Src/x.rs\",\"lexed\":true,\"tokens\":\"x\"}\n"
            "{\"path\":\"alias.rs\",\"lexed\":true,\"tokens\":\"# [doc = \\\" D\\\"] fn ab () "
            "{ }\"}\n"
            "{\"path\":\"real.rs/inner.rs\",\"lexed\":true,\"tokens\":\"i\"}\n"
            "{\"path\":\"src/.hidden.rs\",\"lexed\":true,\"tokens\":\"h\"}\n"
            "{\"path\":\"src/a/b.rs\",\"lexed\":true,\"tokens\":\"fn b () { }\"}\n"
            "{\"path\":\"src/a_b.rs\",\"lexed\":true,\"tokens\":\"# [doc = \\\" D\\\"] fn ab () "
            "{ }\"}\n"
            "{\"path\":\"src/bad.rs\",\"lexed\":false}\n"
            "{\"path\":\"tests/t.rs\",\"lexed\":true,\"tokens\":\"t\"}\n");
}

TEST(TokenDump, UnreadableTreeFails) {
  const std::string tool = std::string(QK_BINARY_DIR) + "/token-dump";
  ASSERT_EQ(support::run_shell("test -x '" + tool + "'"), 0) << "no " << tool;
  support::TempDir dir;
  dir.write("bad.rs", "fn \xFF");
  EXPECT_EQ(support::run_shell("'" + tool + "' '" + dir.path() + "' 2>/dev/null"), 1);
  EXPECT_EQ(support::run_shell("'" + tool + "' '" + dir.path() + "/missing' 2>/dev/null"), 1);
}

}  // namespace

TEST(TokenText, EveryKindOfToken) {
  const std::string_view source = "a += 'x' [r#b]";
  const auto lexed = rust::lex(source);
  ASSERT_TRUE(lexed);
  const rust::TokenBuffer& b = *lexed;
  std::string joined;
  for (std::uint32_t i = 0; i < b.size(); ++i) joined += std::string(b.text(i)) + "|";
  EXPECT_EQ(joined, "a|+|=|'x'|[|b|]|");
}
