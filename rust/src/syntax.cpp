// Small queries on a parsed file: displayed identifiers, single-identifier paths, the value of a
// tuple index and of a string literal.
#include "syntax.hpp"

#include <cstdint>
#include <string>

#include "utf8.hpp"

namespace rust {

std::string File::display(std::uint32_t token) const {
  std::string out;
  if (tokens[token].kind == TokenKind::Ident && tokens[token].raw()) out = "r#";
  out += tokens.text(token);
  return out;
}

bool File::path_is_ident(TokenRange range, std::string_view name) const {
  if (range.last != range.first + 1) return false;
  const Token& t = tokens[range.first];
  return t.kind == TokenKind::Ident && !t.raw() && tokens.text(range.first) == name;
}

bool tuple_index_value(std::string_view t, std::uint32_t& value) {
  unsigned base = 10;
  std::size_t i = 0;
  if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'o' || t[1] == 'b')) {
    base = t[1] == 'x' ? 16 : t[1] == 'o' ? 8 : 2;
    i = 2;
  }
  std::uint64_t v = 0;
  bool digits = false;
  for (; i < t.size(); ++i) {
    if (t[i] == '_') continue;
    const int d = utf8::hex_digit(t[i]);
    if (d < 0 || static_cast<unsigned>(d) >= base) return false;  // a suffix, an exponent
    v = v * base + static_cast<unsigned>(d);
    if (v > 0xffffffffu) return false;
    digits = true;
  }
  if (!digits) return false;
  value = static_cast<std::uint32_t>(v);
  return true;
}

bool string_literal_value(std::string_view s, std::string& value) {
  value.clear();
  if (s.empty()) return false;
  if (s[0] == 'r') {
    std::size_t pounds = 1;
    while (pounds < s.size() && s[pounds] == '#') ++pounds;
    if (pounds >= s.size() || s[pounds] != '"') return false;
    const std::size_t hashes = pounds - 1;
    const std::size_t close = s.rfind('"');
    if (close == std::string_view::npos || close <= pounds) return false;
    if (close + 1 + hashes > s.size()) return false;
    value.assign(s.substr(pounds + 1, close - pounds - 1));
    return true;
  }
  if (s[0] != '"') return false;
  std::size_t i = 1;
  while (i < s.size()) {
    const char c = s[i];
    if (c == '"') return true;
    if (c == '\\') {
      if (i + 1 >= s.size()) return false;
      const char b = s[i + 1];
      i += 2;
      switch (b) {
        case 'x': {
          if (i + 2 > s.size()) return false;
          const int hi = utf8::hex_digit(s[i]), lo = utf8::hex_digit(s[i + 1]);
          if (hi < 0 || lo < 0) return false;
          value += static_cast<char>(hi * 16 + lo);
          i += 2;
          break;
        }
        case 'u': {
          if (i >= s.size() || s[i] != '{') return false;
          ++i;
          std::uint32_t v = 0;
          while (i < s.size() && s[i] != '}') {
            if (s[i] != '_') {
              const int d = utf8::hex_digit(s[i]);
              if (d < 0) return false;
              v = v * 16 + static_cast<std::uint32_t>(d);
            }
            ++i;
          }
          if (i >= s.size()) return false;
          ++i;
          utf8::append(value, v);
          break;
        }
        case 'n':
          value += '\n';
          break;
        case 'r':
          value += '\r';
          break;
        case 't':
          value += '\t';
          break;
        case '\\':
          value += '\\';
          break;
        case '0':
          value += '\0';
          break;
        case '\'':
          value += '\'';
          break;
        case '"':
          value += '"';
          break;
        case '\r':
        case '\n':
          // A line continuation: the line end and the white space after it are skipped.
          while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\n' || s[i] == '\r')) {
            ++i;
          }
          break;
        default:
          return false;
      }
      continue;
    }
    if (c == '\r' && i + 1 < s.size() && s[i + 1] == '\n') {
      value += '\n';
      i += 2;
      continue;
    }
    value += c;
    ++i;
  }
  return false;
}

}  // namespace rust
