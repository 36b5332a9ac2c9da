// Character classes of the Rust lexer: an ASCII table for the common case, Unicode tables
// generated from one pinned release (unicode_tables.hpp) for the rest.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace rust::lex_chars {

enum : std::uint8_t {
  kIdentStart = 1,     // XID_Start or '_'
  kIdentContinue = 2,  // XID_Continue
  kSpace = 4,          // white space as the lexer skips it
  kPunct = 8,          // one of ~ ! @ # $ % ^ & * - = + | ; : , < . > / ? '
  kDigit = 16,         // 0-9
  kHex = 32,           // 0-9 a-f A-F
  kNonAscii = 64,      // a byte of a multi-byte character: ask the Unicode properties
  kSlash = 128,        // '/', which may open a comment
};

/// Classes of every byte value; bytes from 0x80 up carry only kNonAscii.
inline constexpr std::array<std::uint8_t, 256> kAscii = [] {
  std::array<std::uint8_t, 256> t{};
  for (int c = 0x80; c < 0x100; ++c) t[c] = kNonAscii;
  for (int c = 'a'; c <= 'z'; ++c) t[c] |= kIdentStart | kIdentContinue;
  for (int c = 'A'; c <= 'Z'; ++c) t[c] |= kIdentStart | kIdentContinue;
  t['_'] |= kIdentStart | kIdentContinue;
  for (int c = '0'; c <= '9'; ++c) t[c] |= kIdentContinue | kDigit | kHex;
  for (int c = 'a'; c <= 'f'; ++c) t[c] |= kHex;
  for (int c = 'A'; c <= 'F'; ++c) t[c] |= kHex;
  for (int c = 0x09; c <= 0x0d; ++c) t[c] |= kSpace;
  t[' '] |= kSpace;
  t['/'] |= kSlash;
  for (const char* p = "~!@#$%^&*-=+|;:,<.>/?'"; *p != 0; ++p)
    t[static_cast<unsigned char>(*p)] |= kPunct;
  return t;
}();

/// A value no scalar has: what `decode` yields for an ill-formed byte.
inline constexpr char32_t kInvalid = 0x110000;

/// Decodes the scalar value at `s[i]` (i < n), storing its byte length in `len`; an ill-formed
/// sequence yields `kInvalid` with length 1, so a scan always moves on.
char32_t decode(const unsigned char* s, std::size_t n, std::size_t i, std::size_t& len);

// Properties of non-ASCII characters; `kInvalid` has none of them.
bool is_ident_start_uni(char32_t c);     // XID_Start
bool is_ident_continue_uni(char32_t c);  // XID_Continue
bool is_whitespace_uni(char32_t c);      // White_Space, or a left-to-right / right-to-left mark

inline bool is_ident_start(char32_t c) {
  return c < 128 ? (kAscii[c] & kIdentStart) != 0 : is_ident_start_uni(c);
}
inline bool is_ident_continue(char32_t c) {
  return c < 128 ? (kAscii[c] & kIdentContinue) != 0 : is_ident_continue_uni(c);
}

/// Appends the text a doc comment becomes inside a string literal (quotes not included):
/// backslash escapes for \t \r \n \\ \", \0 (or \x00 before an octal digit), \u{..} for
/// grapheme extenders and characters that are not printable, everything else as written.
void append_escaped(const unsigned char* s, std::size_t n, std::string& out);

}  // namespace rust::lex_chars
