// Why a file does not parse: the line, column and message of the place where the parser (or the
// lexer) stopped.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "parser.hpp"

namespace {

// "line:column: message" of the failure to parse `source`, or "parses".
std::string why(const std::string& source) {
  auto file = rust::parse_file(source);
  if (file) return "parses";
  const rust::SourcePosition at = rust::source_position(source, file.error().offset);
  return std::to_string(at.line) + ":" + std::to_string(at.column) + ": " + file.error().message;
}

struct Row {
  std::string source;
  std::string expected;
};

void expect_rows(const std::vector<Row>& rows) {
  for (const Row& row : rows) {
    EXPECT_EQ(why(row.source), row.expected) << "source: " << row.source;
  }
}

TEST(ParseErrors, SayWhereAndWhat) {
  expect_rows({
      {.source = "fn f() { let x = 1 }", .expected = "1:20: expected `;`"},
      {.source = "fn f() {\n  x\n  y\n}", .expected = "3:3: expected `;`"},
      {.source = "type A = ;", .expected = "1:10: expected a type"},
      {.source = "fn f() { 1 + ; }", .expected = "1:14: expected an expression"},
      {.source = "fn f(: u8) {}", .expected = "1:6: expected a pattern"},
      {.source = "struct", .expected = "1:7: expected an identifier"},
      {.source = "const X: u8 = 1", .expected = "1:16: expected `;`"},
      {.source = "fn f() {}\n/// doc\n", .expected = "3:1: expected an item"},
      {.source = "use a::{b c};", .expected = "1:11: expected `,`"},
      {.source = "impl X { fn f() }", .expected = "1:17: expected `{`"},
      {.source = "fn f() { match x { 1 2 } }", .expected = "1:22: expected `=>`"},
      {.source = "fn f() -> impl 'a {}", .expected = "1:16: expected a trait bound"},
      {.source = "fn f() { a < b < c; }",
       .expected = "1:16: comparison operators cannot be chained"},
      {.source = "fn f() { x as u8.y; }",
       .expected = "1:17: a cast needs parentheses before `.`, `?`, `(` or `[`"},
      {.source = "fn f(&self, self) {}", .expected = "1:13: `self` must be the first parameter"},
      {.source = "pub m!();", .expected = "1:1: a visibility is not allowed here"},
      {.source = "fn f<T>() where <T> T: U {}",
       .expected = "1:17: generic parameters are not allowed after `where`"},
      {.source = "fn f(x: for<_> fn()) {}", .expected = "1:13: `for<..>` cannot declare `_`"},
      {.source = "fn f() { g(#[a] ..x); }",
       .expected = "1:12: attributes are not allowed before a range without a start"},
      {.source = "fn f() { let [a, ..=2] = x; }",
       .expected = "1:18: a range pattern missing an end needs parentheses in a slice"},
  });
}

TEST(ParseErrors, LexingFailuresKeepTheLexersPlace) {
  expect_rows({
      {.source = "fn f() {", .expected = "1:8: unclosed delimiter"},
      {.source = "fn f() { ) }", .expected = "1:10: mismatched closing delimiter"},
      {.source = "let s = \"abc", .expected = "1:9: unterminated or invalid string literal"},
      {.source = "x\ny = \\", .expected = "2:5: unexpected character"},
  });
}

// Columns count characters; the file's prelude (a byte-order mark, a `#!` line) keeps its place;
// the tokens a doc comment becomes point at the comment.
TEST(ParseErrors, PlacesInTheSourceAsWritten) {
  expect_rows({
      {.source = "/* \u00e9\u00e9 */ type A = ;", .expected = "1:19: expected a type"},
      {.source = "#!/bin/sh\ntype A = ;", .expected = "2:10: expected a type"},
      {.source = "\xEF\xBB\xBFtype A = ;", .expected = "1:10: expected a type"},
      {.source = "fn f() {} //! inner", .expected = "1:11: expected `[`"},
  });
}

TEST(ParseErrors, NestingTooDeep) {
  const std::string deep =
      "fn f() { " + std::string(5000, '(') + "1" + std::string(5000, ')') + "; }";
  auto file = rust::parse_file(deep);
  ASSERT_FALSE(file);
  EXPECT_EQ(file.error().message, "nesting too deep");
}

}  // namespace
