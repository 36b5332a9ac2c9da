// The shared UTF-8 encoder and hex-digit reader.
#include "utf8.hpp"

#include <gtest/gtest.h>

#include <string>

#include "text.hpp"

namespace {

// Each encoded length at both of its edges: the bytes, and a decode that gives the value back.
TEST(Utf8Append, EveryLengthAtItsEdges) {
  struct Row {
    char32_t c;
    std::string bytes;
  };
  const Row rows[] = {
      {.c = 0x00, .bytes = std::string(1, '\0')},
      {.c = 0x7F, .bytes = "\x7F"},
      {.c = 0x80, .bytes = "\xC2\x80"},
      {.c = 0x7FF, .bytes = "\xDF\xBF"},
      {.c = 0x800, .bytes = "\xE0\xA0\x80"},
      {.c = 0xFFFF, .bytes = "\xEF\xBF\xBF"},
      {.c = 0x10000, .bytes = "\xF0\x90\x80\x80"},
      {.c = 0x10FFFF, .bytes = "\xF4\x8F\xBF\xBF"},
  };
  for (const Row& row : rows) {
    std::string out = "x";
    utf8::append(out, row.c);
    EXPECT_EQ(out, "x" + row.bytes) << "U+" << std::hex << static_cast<unsigned>(row.c);
    std::size_t pos = 1;
    EXPECT_EQ(text::decode(out, pos), row.c) << "U+" << std::hex << static_cast<unsigned>(row.c);
    EXPECT_EQ(pos, out.size());
  }
}

TEST(Utf8HexDigit, DigitsOfBothCasesAndTheirNeighbours) {
  struct Row {
    char c;
    int value;
  };
  const Row rows[] = {
      {.c = '0', .value = 0},  {.c = '9', .value = 9},     {.c = 'a', .value = 10},
      {.c = 'f', .value = 15}, {.c = 'A', .value = 10},    {.c = 'F', .value = 15},
      {.c = '/', .value = -1}, {.c = ':', .value = -1},    {.c = '@', .value = -1},
      {.c = 'G', .value = -1}, {.c = '`', .value = -1},    {.c = 'g', .value = -1},
      {.c = '_', .value = -1}, {.c = '\xC3', .value = -1},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(utf8::hex_digit(row.c), row.value) << "character " << static_cast<int>(row.c);
  }
}

}  // namespace
