#include "lex_chars.hpp"

#include "unicode_tables.hpp"

namespace rust::lex_chars {

namespace {

bool continuation(const unsigned char* s, std::size_t n, std::size_t i) {
  return i < n && (s[i] & 0xC0) == 0x80;
}

}  // namespace

char32_t decode(const unsigned char* s, std::size_t n, std::size_t i, std::size_t& len) {
  const unsigned char b = s[i];
  len = 1;
  if (b < 0x80) return b;
  if (b >= 0xC2 && b <= 0xDF) {
    if (!continuation(s, n, i + 1)) return kInvalid;
    len = 2;
    return (char32_t(b & 0x1F) << 6) | (s[i + 1] & 0x3F);
  }
  if (b >= 0xE0 && b <= 0xEF) {
    if (!continuation(s, n, i + 1) || !continuation(s, n, i + 2)) return kInvalid;
    const unsigned char b1 = s[i + 1];
    if ((b == 0xE0 && b1 < 0xA0) || (b == 0xED && b1 > 0x9F)) return kInvalid;
    len = 3;
    return (char32_t(b & 0x0F) << 12) | (char32_t(b1 & 0x3F) << 6) | (s[i + 2] & 0x3F);
  }
  if (b >= 0xF0 && b <= 0xF4) {
    if (!continuation(s, n, i + 1) || !continuation(s, n, i + 2) || !continuation(s, n, i + 3)) {
      return kInvalid;
    }
    const unsigned char b1 = s[i + 1];
    if ((b == 0xF0 && b1 < 0x90) || (b == 0xF4 && b1 > 0x8F)) return kInvalid;
    len = 4;
    return (char32_t(b & 0x07) << 18) | (char32_t(b1 & 0x3F) << 12) |
           (char32_t(s[i + 2] & 0x3F) << 6) | (s[i + 3] & 0x3F);
  }
  return kInvalid;
}

bool is_ident_start_uni(char32_t c) { return unicode::kXidStart.contains(c); }

bool is_ident_continue_uni(char32_t c) { return unicode::kXidContinue.contains(c); }

bool is_whitespace_uni(char32_t c) {
  return c == 0x200E || c == 0x200F || unicode::kWhiteSpace.contains(c);
}

namespace {

void append_unicode_escape(char32_t c, std::string& out) {
  static constexpr char kDigits[] = "0123456789abcdef";
  char buf[8];
  int k = 0;
  do {
    buf[k++] = kDigits[c & 0xF];
    c >>= 4;
  } while (c != 0);
  out += "\\u{";
  while (k > 0) out += buf[--k];
  out += '}';
}

}  // namespace

// The bytes a doc comment's text keeps as they are: printable ASCII but the quote and backslash.
constexpr std::array<bool, 256> kPlain = [] {
  std::array<bool, 256> t{};
  for (int c = 0x20; c < 0x7F; ++c) t[c] = c != '"' && c != '\\';
  return t;
}();

void append_escaped(const unsigned char* s, std::size_t n, std::string& out) {
  std::size_t i = 0;
  while (i < n) {
    const unsigned char b = s[i];
    if (kPlain[b]) {
      // A run of plain printable ASCII is copied in one go.
      std::size_t j = i + 1;
      while (j < n && kPlain[s[j]]) ++j;
      out.append(reinterpret_cast<const char*>(s + i), j - i);
      i = j;
      continue;
    }
    if (b < 0x80) {
      switch (b) {
        case '\t':
          out += "\\t";
          break;
        case '\r':
          out += "\\r";
          break;
        case '\n':
          out += "\\n";
          break;
        case '"':
          out += "\\\"";
          break;
        case '\\':
          out += "\\\\";
          break;
        case 0:
          out += (i + 1 < n && s[i + 1] >= '0' && s[i + 1] <= '7') ? "\\x00" : "\\0";
          break;
        default:
          append_unicode_escape(b, out);
          break;
      }
      ++i;
      continue;
    }
    std::size_t len = 1;
    const char32_t c = decode(s, n, i, len);
    if (c == kInvalid) {
      // Not reachable for UTF-8 text; keep the byte so nothing is lost.
      out += static_cast<char>(b);
    } else if (unicode::kDebugEscaped.contains(c)) {
      append_unicode_escape(c, out);
    } else {
      out.append(reinterpret_cast<const char*>(s + i), len);
    }
    i += len;
  }
}

}  // namespace rust::lex_chars
