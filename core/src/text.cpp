#include "text.hpp"

#include <unicode/uchar.h>
#include <unicode/ustring.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "utf8.hpp"

namespace text {

namespace {

// Length of the well-formed sequence starting at `pos`, or 0 when the bytes there are
// ill-formed; `bad` then receives the length of the maximal ill-formed subpart (at least 1).
std::size_t sequence_length(std::string_view s, std::size_t pos, std::size_t& bad) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned char b0 = byte(pos);
  bad = 1;
  if (b0 < 0x80) return 1;
  std::size_t need;
  unsigned char lo = 0x80, hi = 0xBF;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    need = 1;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    need = 2;
    if (b0 == 0xE0) lo = 0xA0;
    if (b0 == 0xED) hi = 0x9F;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    need = 3;
    if (b0 == 0xF0) lo = 0x90;
    if (b0 == 0xF4) hi = 0x8F;
  } else {
    return 0;
  }
  for (std::size_t k = 1; k <= need; ++k) {
    if (pos + k >= s.size()) {
      bad = k;
      return 0;
    }
    const unsigned char b = byte(pos + k);
    const unsigned char l = k == 1 ? lo : 0x80, h = k == 1 ? hi : 0xBF;
    if (b < l || b > h) {
      bad = k;
      return 0;
    }
  }
  return need + 1;
}

}  // namespace

bool is_utf8(std::string_view bytes) {
  std::size_t pos = 0, bad = 0;
  while (pos < bytes.size()) {
    // Runs of ASCII, the bulk of source text, eight bytes at a time.
    while (pos + 8 <= bytes.size()) {
      std::uint64_t word;
      std::memcpy(&word, bytes.data() + pos, sizeof word);
      if ((word & 0x8080808080808080ULL) != 0) break;
      pos += 8;
    }
    if (pos >= bytes.size()) break;
    if (static_cast<unsigned char>(bytes[pos]) < 0x80) {
      ++pos;
      continue;
    }
    const std::size_t n = sequence_length(bytes, pos, bad);
    if (n == 0) return false;
    pos += n;
  }
  return true;
}

std::string lossy(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  std::size_t pos = 0, bad = 0;
  while (pos < bytes.size()) {
    const std::size_t n = sequence_length(bytes, pos, bad);
    if (n == 0) {
      out += "\xEF\xBF\xBD";
      pos += bad;
    } else {
      out.append(bytes.substr(pos, n));
      pos += n;
    }
  }
  return out;
}

char32_t decode(std::string_view s, std::size_t& pos) {
  const auto byte = [&](std::size_t i) -> char32_t {
    return i < s.size() ? static_cast<unsigned char>(s[i]) : 0;
  };
  const char32_t b0 = byte(pos);
  if (b0 < 0x80) {
    pos += 1;
    return b0;
  }
  if (b0 < 0xE0) {
    const char32_t c = ((b0 & 0x1F) << 6) | (byte(pos + 1) & 0x3F);
    pos += 2;
    return c;
  }
  if (b0 < 0xF0) {
    const char32_t c = ((b0 & 0x0F) << 12) | ((byte(pos + 1) & 0x3F) << 6) | (byte(pos + 2) & 0x3F);
    pos += 3;
    return c;
  }
  const char32_t c = ((b0 & 0x07) << 18) | ((byte(pos + 1) & 0x3F) << 12) |
                     ((byte(pos + 2) & 0x3F) << 6) | (byte(pos + 3) & 0x3F);
  pos += 4;
  return c;
}

std::size_t char_count(std::string_view s) {
  std::size_t n = 0;
  for (const char ch : s) {
    if ((static_cast<unsigned char>(ch) & 0xC0) != 0x80) ++n;
  }
  return n;
}

std::string pad_right(std::string_view value, std::size_t width) {
  std::string out(value);
  const std::size_t n = char_count(value);
  if (n < width) out.append(width - n, ' ');
  return out;
}

std::string pad_left(std::string_view value, std::size_t width) {
  const std::size_t n = char_count(value);
  std::string out;
  if (n < width) out.append(width - n, ' ');
  out += value;
  return out;
}

std::string replace_all(std::string_view haystack, std::string_view from, std::string_view to) {
  std::string out;
  out.reserve(haystack.size());
  std::size_t pos = 0;
  while (true) {
    const std::size_t hit = from.empty() ? std::string_view::npos : haystack.find(from, pos);
    if (hit == std::string_view::npos) break;
    out.append(haystack.substr(pos, hit - pos));
    out.append(to);
    pos = hit + from.size();
  }
  out.append(haystack.substr(pos));
  return out;
}

bool is_whitespace(char32_t c) {
  if (c < 0x80) return c == ' ' || (c >= 0x09 && c <= 0x0D);
  return u_hasBinaryProperty(static_cast<UChar32>(c), UCHAR_WHITE_SPACE);
}

bool is_alphabetic(char32_t c) {
  if (c < 0x80) return (c | 0x20) >= 'a' && (c | 0x20) <= 'z';
  return u_hasBinaryProperty(static_cast<UChar32>(c), UCHAR_ALPHABETIC);
}

bool is_numeric(char32_t c) {
  if (c < 0x80) return c >= '0' && c <= '9';
  const auto mask = U_GET_GC_MASK(static_cast<UChar32>(c));
  return (mask & (U_GC_ND_MASK | U_GC_NL_MASK | U_GC_NO_MASK)) != 0;
}

bool is_alphanumeric(char32_t c) { return is_alphabetic(c) || is_numeric(c); }

bool is_uppercase(char32_t c) {
  if (c < 0x80) return c >= 'A' && c <= 'Z';
  return u_hasBinaryProperty(static_cast<UChar32>(c), UCHAR_UPPERCASE);
}

bool is_lowercase(char32_t c) {
  if (c < 0x80) return c >= 'a' && c <= 'z';
  return u_hasBinaryProperty(static_cast<UChar32>(c), UCHAR_LOWERCASE);
}

namespace {

// Lowercases UTF-8 text through ICU's root-locale full case mapping.
std::string icu_lower(std::string_view utf8) {
  std::vector<UChar> in(utf8.size() + 1);
  int32_t in_len = 0;
  UErrorCode status = U_ZERO_ERROR;
  u_strFromUTF8(in.data(), static_cast<int32_t>(in.size()), &in_len, utf8.data(),
                static_cast<int32_t>(utf8.size()), &status);
  if (U_FAILURE(status)) return std::string(utf8);
  std::vector<UChar> low(static_cast<std::size_t>(in_len) * 3 + 4);
  status = U_ZERO_ERROR;
  const int32_t low_len =
      u_strToLower(low.data(), static_cast<int32_t>(low.size()), in.data(), in_len, "", &status);
  if (U_FAILURE(status)) return std::string(utf8);
  std::string out(static_cast<std::size_t>(low_len) * 3 + 4, '\0');
  int32_t out_len = 0;
  status = U_ZERO_ERROR;
  u_strToUTF8(out.data(), static_cast<int32_t>(out.size()), &out_len, low.data(), low_len, &status);
  if (U_FAILURE(status)) return std::string(utf8);
  out.resize(static_cast<std::size_t>(out_len));
  return out;
}

}  // namespace

std::string to_lower(char32_t c) {
  std::string out;
  if (c < 0x80) {
    out += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    return out;
  }
  utf8::append(out, c);
  return icu_lower(out);
}

std::string to_lower(std::string_view s) {
  bool ascii = true;
  for (const char ch : s) ascii = ascii && static_cast<unsigned char>(ch) < 0x80;
  if (!ascii) return icu_lower(s);
  std::string out(s);
  for (char& ch : out) {
    if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch + 32);
  }
  return out;
}

std::string_view trim_start(std::string_view s) {
  std::size_t pos = 0;
  while (pos < s.size()) {
    std::size_t next = pos;
    if (!is_whitespace(decode(s, next))) break;
    pos = next;
  }
  return s.substr(pos);
}

std::string_view trim_end(std::string_view s) {
  std::size_t end = s.size();
  while (end > 0) {
    std::size_t start = end - 1;
    while (start > 0 && (static_cast<unsigned char>(s[start]) & 0xC0) == 0x80) --start;
    std::size_t probe = start;
    if (!is_whitespace(decode(s, probe))) break;
    end = start;
  }
  return s.substr(0, end);
}

std::string_view trim(std::string_view s) { return trim_end(trim_start(s)); }

}  // namespace text
