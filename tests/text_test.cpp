#include "text.hpp"

#include <gtest/gtest.h>

namespace {

TEST(Text, LossyReplacesEachIllFormedSubpart) {
  struct Row {
    std::string in, out;
  };
  const Row rows[] = {
      {"plain", "plain"},
      {"a\xFF"
       "b",
       "a\xEF\xBF\xBD"
       "b"},
      {"\xE2\x82", "\xEF\xBF\xBD"},  // truncated three-byte sequence: one U+FFFD
      {"\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},  // a surrogate: three
      {"\xC3\xA9", "\xC3\xA9"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(text::lossy(row.in), row.out) << row.in;
    EXPECT_EQ(text::is_utf8(row.in), row.in == row.out) << row.in;
  }
}

TEST(Text, PaddingCountsScalarValues) {
  EXPECT_EQ(text::pad_right("é", 3), "é  ");
  EXPECT_EQ(text::pad_right("abcd", 2), "abcd");
  EXPECT_EQ(text::pad_left("7", 4), "   7");
  EXPECT_EQ(text::pad_left("12345", 4), "12345");
}

TEST(Text, UnicodeProperties) {
  EXPECT_TRUE(text::is_uppercase(U'É'));
  EXPECT_TRUE(text::is_lowercase(U'é'));
  EXPECT_TRUE(text::is_whitespace(U'\u3000'));
  EXPECT_TRUE(text::is_numeric(U'\u0663'));  // ARABIC-INDIC DIGIT THREE
  EXPECT_FALSE(text::is_alphanumeric(U'-'));
  EXPECT_EQ(text::to_lower(U'\u0130'), "i\xCC\x87");  // full mapping: two characters
  EXPECT_EQ(text::trim("\u00a0 x \t"), "x");
}

}  // namespace
