// The Rust lexer's Unicode classes: the generated tables themselves, and the identifier, white
// space and doc-comment escape classes at the edges of their ranges, with the characters whose
// class changed in Unicode 15.1, 16.0 and 17.0.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

#include "lex_chars.hpp"
#include "lexer.hpp"
#include "text.hpp"
#include "token.hpp"
#include "unicode_tables.hpp"
#include "utf8.hpp"

namespace {

namespace lc = rust::lex_chars;

std::string hex(char32_t c) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "U+%04X", static_cast<unsigned>(c));
  return buf;
}

std::string utf8(char32_t c) {
  std::string out;
  utf8::append(out, c);
  return out;
}

bool in_table(std::span<const rust::unicode::Range> table, char32_t c) {
  for (const auto& r : table) {
    if (c >= r.first && c <= r.last) return true;
  }
  return false;
}

struct Table {
  const char* name;
  const rust::unicode::Property& property;
};

const std::vector<Table>& tables() {
  static const std::vector<Table> all = {
      {.name = "XID_Start", .property = rust::unicode::kXidStart},
      {.name = "XID_Continue", .property = rust::unicode::kXidContinue},
      {.name = "White_Space", .property = rust::unicode::kWhiteSpace},
      {.name = "debug-escaped", .property = rust::unicode::kDebugEscaped},
  };
  return all;
}

// The lookup searches for the last range starting at or before a character, which is only
// right when the ranges are in order, do not overlap and stay inside the code space.
TEST(UnicodeTables, RangesAreSortedDisjointAndInsideTheCodeSpace) {
  EXPECT_STREQ(rust::unicode::kVersion, "17.0.0");
  for (const Table& t : tables()) {
    const auto ranges = t.property.ranges();
    ASSERT_FALSE(ranges.empty()) << t.name;
    for (std::size_t i = 0; i < ranges.size(); ++i) {
      const auto& r = ranges[i];
      EXPECT_LE(r.first, r.last) << t.name << " range " << i;
      EXPECT_LE(r.last, 0x10FFFFu) << t.name << " range " << i;
      if (i > 0) {
        // Adjacent ranges would have been merged: a gap of at least one character.
        EXPECT_LT(ranges[i - 1].last + 1, r.first) << t.name << " range " << i;
      }
    }
  }
}

// The lexer classifies ASCII by its byte table and everything else by the generated tables;
// both must tell the same story where they overlap.
TEST(UnicodeTables, AsciiAgreesWithTheByteClasses) {
  for (char32_t c = 0; c < 128; ++c) {
    const bool start = (lc::kAscii[c] & lc::kIdentStart) != 0;
    const bool cont = (lc::kAscii[c] & lc::kIdentContinue) != 0;
    const bool space = (lc::kAscii[c] & lc::kSpace) != 0;
    EXPECT_EQ(in_table(rust::unicode::kXidStart.ranges(), c) || c == '_', start) << hex(c);
    EXPECT_EQ(in_table(rust::unicode::kXidContinue.ranges(), c), cont) << hex(c);
    EXPECT_EQ(in_table(rust::unicode::kWhiteSpace.ranges(), c), space) << hex(c);
  }
}

// The lookup (a bitmap for the Basic Multilingual Plane, a binary search above it) against a
// plain scan of the ranges, on both sides of both ends of every range.
TEST(UnicodeTables, LookupMatchesAScanAtEveryRangeEdge) {
  for (const Table& t : tables()) {
    const auto ranges = t.property.ranges();
    for (const auto& r : ranges) {
      for (const char32_t c : {char32_t(r.first - 1), r.first, r.last, char32_t(r.last + 1)}) {
        if (c > 0x10FFFF) continue;
        EXPECT_EQ(t.property.contains(c), in_table(ranges, c)) << t.name << " " << hex(c);
      }
    }
    EXPECT_FALSE(t.property.contains(0x110000)) << t.name;
  }
}

struct IdentRow {
  char32_t c;
  bool start;
  bool cont;
  const char* why;
};

TEST(UnicodeIdent, StartAndContinueClasses) {
  const IdentRow rows[] = {
      {.c = 0x00AA, .start = true, .cont = true, .why = "first non-ASCII XID_Start"},
      {.c = 0x00A9, .start = false, .cont = false, .why = "symbol just before it"},
      {.c = 0x00B7, .start = false, .cont = true, .why = "middle dot continues only"},
      {.c = 0x02C1, .start = true, .cont = true, .why = "last of a range"},
      {.c = 0x02C2, .start = false, .cont = false, .why = "first after a range"},
      {.c = 0x0300, .start = false, .cont = true, .why = "combining mark"},
      {.c = 0x088F, .start = true, .cont = true, .why = "Arabic letter new in 17.0"},
      {.c = 0x0C5C, .start = true, .cont = true, .why = "Telugu letter new in 17.0"},
      {.c = 0x1ACF, .start = false, .cont = true, .why = "combining mark new in 17.0"},
      {.c = 0x0897, .start = false, .cont = true, .why = "Arabic mark new in 16.0"},
      {.c = 0x1C89, .start = true, .cont = true, .why = "Cyrillic letter new in 16.0"},
      {.c = 0x200C, .start = false, .cont = true, .why = "zero width non-joiner, since 15.1"},
      {.c = 0x200D, .start = false, .cont = true, .why = "zero width joiner, since 15.1"},
      {.c = 0x200B, .start = false, .cont = false, .why = "zero width space"},
      {.c = 0x30FB, .start = false, .cont = true, .why = "katakana middle dot, since 15.1"},
      {.c = 0xFF65, .start = false, .cont = true, .why = "halfwidth katakana middle dot"},
      {.c = 0x2EBF0, .start = true, .cont = true, .why = "CJK extension I, new in 15.1"},
      {.c = 0x323AF, .start = true, .cont = true, .why = "last of CJK extension H"},
      {.c = 0x33479, .start = true, .cont = true, .why = "last XID_Start of 17.0"},
      {.c = 0x3347A, .start = false, .cont = false, .why = "unassigned after it"},
      {.c = 0xE0100, .start = false, .cont = true, .why = "first variation selector supplement"},
      {.c = 0xE01EF, .start = false, .cont = true, .why = "last XID_Continue"},
      {.c = 0xE01F0, .start = false, .cont = false, .why = "unassigned after it"},
      {.c = 0xD800, .start = false, .cont = false, .why = "surrogate"},
      {.c = 0x10FFFF, .start = false, .cont = false, .why = "last code point"},
      {.c = lc::kInvalid, .start = false, .cont = false, .why = "ill-formed UTF-8"},
  };
  for (const IdentRow& row : rows) {
    EXPECT_EQ(lc::is_ident_start(row.c), row.start) << hex(row.c) << " " << row.why;
    EXPECT_EQ(lc::is_ident_continue(row.c), row.cont) << hex(row.c) << " " << row.why;
  }
}

struct SpaceRow {
  char32_t c;
  bool space;
};

TEST(UnicodeSpace, WhiteSpaceAndDirectionMarks) {
  const SpaceRow rows[] = {
      {.c = 0x0085, .space = true},        {.c = 0x00A0, .space = true},
      {.c = 0x1680, .space = true},        {.c = 0x180E, .space = false},
      {.c = 0x1FFF, .space = false},       {.c = 0x2000, .space = true},
      {.c = 0x200A, .space = true},        {.c = 0x200B, .space = false},
      {.c = 0x200E, .space = true},        {.c = 0x200F, .space = true},
      {.c = 0x2027, .space = false},       {.c = 0x2028, .space = true},
      {.c = 0x2029, .space = true},        {.c = 0x202A, .space = false},
      {.c = 0x202F, .space = true},        {.c = 0x205F, .space = true},
      {.c = 0x3000, .space = true},        {.c = 0xFEFF, .space = false},
      {.c = lc::kInvalid, .space = false},
  };
  for (const SpaceRow& row : rows) {
    EXPECT_EQ(lc::is_whitespace_uni(row.c), row.space) << hex(row.c);
  }
}

struct EscapeRow {
  char32_t c;
  bool escaped;
  const char* why;
};

// The text of one character in a doc comment's string: itself, or its \u{..} escape.
std::string escaped(char32_t c) {
  const std::string in = utf8(c);
  std::string out;
  lc::append_escaped(reinterpret_cast<const unsigned char*>(in.data()), in.size(), out);
  return out;
}

std::string escape_of(char32_t c) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "\\u{%x}", static_cast<unsigned>(c));
  return buf;
}

TEST(UnicodeEscape, PrintableCharactersStayAndOthersAreEscaped) {
  const EscapeRow rows[] = {
      {.c = 0x007F, .escaped = true, .why = "delete (Cc)"},
      {.c = 0x0080, .escaped = true, .why = "first C1 control"},
      {.c = 0x009F, .escaped = true, .why = "last C1 control"},
      {.c = 0x00A0, .escaped = true, .why = "no-break space (Zs)"},
      {.c = 0x00A1, .escaped = false, .why = "inverted exclamation mark"},
      {.c = 0x00AD, .escaped = true, .why = "soft hyphen (Cf)"},
      {.c = 0x00E9, .escaped = false, .why = "letter"},
      {.c = 0x0300, .escaped = true, .why = "first grapheme extender"},
      {.c = 0x036F, .escaped = true, .why = "last of the combining diacritics"},
      {.c = 0x0370, .escaped = false, .why = "Greek letter after them"},
      {.c = 0x0378, .escaped = true, .why = "unassigned (Cn)"},
      {.c = 0x088F, .escaped = false, .why = "assigned in 17.0"},
      {.c = 0x0C5C, .escaped = false, .why = "assigned in 17.0"},
      {.c = 0x1ACF, .escaped = true, .why = "mark assigned in 17.0, extends graphemes"},
      {.c = 0x1B4E, .escaped = false, .why = "assigned in 16.0"},
      {.c = 0x1C89, .escaped = false, .why = "assigned in 16.0"},
      {.c = 0x0897, .escaped = true, .why = "mark assigned in 16.0, extends graphemes"},
      {.c = 0x0CBE, .escaped = false, .why = "spacing mark that does not extend"},
      {.c = 0x0CC2, .escaped = true, .why = "spacing mark that always extended"},
      {.c = 0x200B, .escaped = true, .why = "zero width space (Cf)"},
      {.c = 0x200D, .escaped = true, .why = "zero width joiner"},
      {.c = 0x2028, .escaped = true, .why = "line separator (Zl)"},
      {.c = 0x2029, .escaped = true, .why = "paragraph separator (Zp)"},
      {.c = 0x3000, .escaped = true, .why = "ideographic space (Zs)"},
      {.c = 0xE000, .escaped = true, .why = "first private use (Co)"},
      {.c = 0xF8FF, .escaped = true, .why = "last private use of the BMP"},
      {.c = 0xF900, .escaped = false, .why = "CJK compatibility ideograph"},
      {.c = 0xFEFF, .escaped = true, .why = "byte order mark (Cf)"},
      {.c = 0xFFFD, .escaped = false, .why = "replacement character"},
      {.c = 0xFFFF, .escaped = true, .why = "noncharacter (Cn)"},
      {.c = 0x10000, .escaped = false, .why = "first supplementary character"},
      {.c = 0x1F600, .escaped = false, .why = "emoji"},
      {.c = 0x2EBF0, .escaped = false, .why = "CJK extension I, assigned in 15.1"},
      {.c = 0x33479, .escaped = false, .why = "last of CJK extension J, assigned in 17.0"},
      {.c = 0x3347A, .escaped = true, .why = "unassigned after it"},
      {.c = 0xE0001, .escaped = true, .why = "language tag (Cf)"},
      {.c = 0xE0100, .escaped = true, .why = "variation selector"},
      {.c = 0xF0000, .escaped = true, .why = "supplementary private use"},
      {.c = 0x10FFFF, .escaped = true, .why = "last code point"},
  };
  for (const EscapeRow& row : rows) {
    EXPECT_EQ(escaped(row.c), row.escaped ? escape_of(row.c) : utf8(row.c))
        << hex(row.c) << " " << row.why;
  }
}

// Unicode 16.0 made these spacing marks grapheme extenders, so a doc comment escapes them.
TEST(UnicodeEscape, SpacingMarksThatExtendGraphemesSince16) {
  const char32_t marks[] = {0x0CC0,  0x0CC7,  0x0CC8,  0x0CCA,  0x0CCB,  0x1715,  0x1734,
                            0x1B3B,  0x1B3D,  0x1B43,  0x1B44,  0x1BAA,  0x1BF2,  0x1BF3,
                            0xA953,  0xA9C0,  0x111C0, 0x11235, 0x1134D, 0x116B6, 0x1193D,
                            0x11F41, 0x16FF0, 0x16FF1, 0x1D166, 0x1D16D};
  for (const char32_t c : marks) EXPECT_EQ(escaped(c), escape_of(c)) << hex(c);
}

// The text of each token of a source, or {"<error>"} when it does not lex.
std::vector<std::string> token_texts(const std::string& source) {
  auto buffer = rust::lex(source);
  if (!buffer) return {"<error>"};
  std::vector<std::string> out;
  for (std::uint32_t i = 0; i < buffer->size(); ++i) out.emplace_back(buffer->text(i));
  return out;
}

struct LexRow {
  std::string source;
  std::vector<std::string> tokens;
};

TEST(UnicodeLex, IdentifiersAndDocTextOfTheNewerTables) {
  const LexRow rows[] = {
      {.source = "\u088F", .tokens = {"\u088F"}},
      {.source = "a\u088F", .tokens = {"a\u088F"}},
      {.source = "a\u200Db", .tokens = {"a\u200Db"}},
      {.source = "a\u200Cb", .tokens = {"a\u200Cb"}},
      {.source = "x\u30FB", .tokens = {"x\u30FB"}},
      {.source = "x\u0897 y", .tokens = {"x\u0897", "y"}},
      {.source = "x\u3000y", .tokens = {"x", "y"}},
      {.source = "\u200Da", .tokens = {"<error>"}},
      {.source = "\u0897a", .tokens = {"<error>"}},
      {.source = "a\U0003347A", .tokens = {"<error>"}},
      {.source = "/// a\u0CC0", .tokens = {"#", "[", "doc", "=", "\" a\\u{cc0}\"", "]"}},
      {.source = "/// \u088F", .tokens = {"#", "[", "doc", "=", "\" \u088F\"", "]"}},
  };
  for (const LexRow& row : rows) {
    EXPECT_EQ(token_texts(row.source), row.tokens) << "source: " << row.source;
  }
}

}  // namespace
