// The Rust lexer: source text to a flat vector of tokens with paired delimiters.
//
// It reads the token rules of current Rust, rule for rule, so that token texts come out as the
// printing rule of token.hpp gives them: the literal forms (and the corner cases of where a
// number ends), the same spacing of punctuation, doc comments turned into doc attributes. Groups
// are lexed with an explicit stack, so nesting depth costs heap, never call stack.
#include "lexer.hpp"

#include <cstring>
#include <limits>

#include "lex_chars.hpp"
#include "utf8.hpp"

namespace rust {

namespace {

using lex_chars::kAscii;
using lex_chars::kDigit;
using lex_chars::kHex;
using lex_chars::kPunct;

constexpr std::size_t kReject = std::numeric_limits<std::size_t>::max();
constexpr std::string_view kBom = "\xEF\xBB\xBF";
// rustc's rendering of a macro expansion error, read as one literal.
constexpr std::string_view kErrorLiteral = "(/*ERROR*/)";

// Bytes that may begin white space or a comment.
constexpr std::uint8_t kSkipCheck = lex_chars::kSpace | lex_chars::kNonAscii | lex_chars::kSlash;

bool has(int b, std::uint8_t cls) { return b >= 0 && b < 128 && (kAscii[b] & cls) != 0; }
bool octal(int b) { return b >= '0' && b <= '7'; }

class Lexer {
 public:
  explicit Lexer(std::string_view text)
      : s_(reinterpret_cast<const unsigned char*>(text.data())), n_(text.size()), text_(text) {}

  std::expected<TokenBuffer, LexError> run();

  /// The position past the white space and ordinary comments at `i`: it stops at a doc comment
  /// and at a block comment that does not close. Kept inline in the token loop, which runs it
  /// between most tokens.
  [[gnu::always_inline]] inline std::size_t skip_whitespace(std::size_t i) const;

 private:
  int at(std::size_t i) const { return i < n_ ? s_[i] : -1; }
  bool starts(std::size_t i, std::string_view lit) const {
    if (i > n_ || n_ - i < lit.size()) return false;
    for (std::size_t k = 0; k < lit.size(); ++k) {
      if (s_[i + k] != static_cast<unsigned char>(lit[k])) return false;
    }
    return true;
  }
  char32_t char_at(std::size_t i, std::size_t& len) const {
    return lex_chars::decode(s_, n_, i, len);
  }

  // The length of the character at `i` when it may start an identifier (XID_Start or '_'), else
  // 0. Most identifiers start with an ASCII letter, which needs no decoding.
  std::size_t ident_start_length(std::size_t i) const {
    if (i >= n_) return 0;
    if (s_[i] < 0x80) return (kAscii[s_[i]] & lex_chars::kIdentStart) != 0 ? 1 : 0;
    std::size_t len = 0;
    return lex_chars::is_ident_start_uni(char_at(i, len)) ? len : 0;
  }
  bool ident_start_at(std::size_t i) const { return ident_start_length(i) != 0; }
  // The end of the XID_Continue characters from `i` on. The ASCII run is read inline; only a
  // non-ASCII character calls out.
  std::size_t ident_rest(std::size_t i) const {
    while (i < n_ && (kAscii[s_[i]] & lex_chars::kIdentContinue) != 0) ++i;
    return i < n_ && s_[i] >= 0x80 ? ident_rest_beyond_ascii(i) : i;
  }
  std::size_t ident_rest_beyond_ascii(std::size_t i) const;
  std::size_t ident_not_raw(std::size_t i) const;
  std::size_t ident_any(std::size_t i, bool& raw) const;
  std::size_t ident(std::size_t i, bool& raw) const;
  std::size_t literal_suffix(std::size_t i) const {
    const std::size_t e = ident_not_raw(i);
    return e == kReject ? i : e;
  }
  std::size_t word_break(std::size_t i) const;

  std::size_t block_comment(std::size_t i) const;
  std::size_t line_end(std::size_t i) const;

  // The three families of quoted literals differ in the escapes and characters they allow:
  // Str ("..." and '.'), Byte (b"..." and b'.': ASCII only, byte escapes) and C (c"...": no NUL).
  enum class Quoted { Str, Byte, C };
  static bool forbidden(unsigned char b, Quoted q) {
    return (q == Quoted::Byte && b >= 0x80) || (q == Quoted::C && b == 0);
  }
  std::size_t backslash_u(std::size_t i, char32_t& value) const;
  std::size_t escape(std::size_t i, Quoted q) const;
  std::size_t trailing_backslash(std::size_t i, int last) const;
  std::size_t cooked_string(std::size_t i, Quoted q) const;
  std::size_t raw_string(std::size_t i, Quoted q) const;
  std::size_t byte_literal(std::size_t i) const;
  std::size_t char_literal(std::size_t i) const;
  std::size_t float_digits(std::size_t i) const;
  std::size_t float_literal(std::size_t i) const;
  std::size_t int_literal(std::size_t i) const;

  bool punct_follows(std::size_t i) const;
  bool doc_comment(std::size_t i, std::size_t& next);
  std::size_t leaf(std::size_t i);

  void push(TokenKind kind, std::size_t begin, std::size_t length, std::uint8_t detail,
            std::uint8_t flags = 0) {
    Token t;
    t.begin = static_cast<std::uint32_t>(begin);
    t.length = static_cast<std::uint32_t>(length);
    t.kind = kind;
    t.detail = detail;
    t.flags = flags;
    tokens_.push_back(t);
  }
  std::size_t push_literal(std::size_t begin, std::size_t end, LitKind kind) {
    if (end != kReject) push(TokenKind::Literal, begin, end - begin, std::uint8_t(kind));
    return end;
  }
  LexError error(std::size_t offset, const char* message) const {
    return LexError{static_cast<std::uint32_t>(offset), message};
  }

  const unsigned char* s_;
  std::size_t n_;
  std::string_view text_;
  std::vector<Token> tokens_;
  std::string synthetic_;
  std::uint32_t doc_ident_ = std::numeric_limits<std::uint32_t>::max();
};

// ident_rest from a non-ASCII character on.
std::size_t Lexer::ident_rest_beyond_ascii(std::size_t i) const {
  std::size_t len = 0;
  for (;;) {
    while (i < n_ && (kAscii[s_[i]] & lex_chars::kIdentContinue) != 0) ++i;
    if (i >= n_ || s_[i] < 0x80) return i;
    if (!lex_chars::is_ident_continue_uni(char_at(i, len))) return i;
    i += len;
  }
}

// An identifier without the raw prefix: XID_Start or '_', then XID_Continue characters.
std::size_t Lexer::ident_not_raw(std::size_t i) const {
  const std::size_t len = ident_start_length(i);
  return len == 0 ? kReject : ident_rest(i + len);
}

std::size_t Lexer::ident_any(std::size_t i, bool& raw) const {
  raw = starts(i, "r#");
  const std::size_t begin = raw ? i + 2 : i;
  const std::size_t end = ident_not_raw(begin);
  if (end == kReject || !raw) return end;
  const std::string_view sym = text_.substr(begin, end - begin);
  if (sym == "_" || sym == "super" || sym == "self" || sym == "Self" || sym == "crate") {
    return kReject;
  }
  return end;
}

// An identifier where a literal prefix would have started a literal is not one.
std::size_t Lexer::ident(std::size_t i, bool& raw) const {
  const int b0 = at(i);
  const int b1 = at(i + 1);
  const int b2 = at(i + 2);
  switch (b0) {
    case 'r':  // r" r#" r##
      if (b1 == '"' || (b1 == '#' && (b2 == '"' || b2 == '#'))) return kReject;
      break;
    case 'b':  // b" b' br" br#
      if (b1 == '"' || b1 == '\'' || (b1 == 'r' && (b2 == '"' || b2 == '#'))) return kReject;
      break;
    case 'c':  // c" cr" cr#
      if (b1 == '"' || (b1 == 'r' && (b2 == '"' || b2 == '#'))) return kReject;
      break;
    default:
      break;
  }
  return ident_any(i, raw);
}

// A number may not run straight into an identifier character.
std::size_t Lexer::word_break(std::size_t i) const {
  if (i >= n_) return i;
  std::size_t len = 0;
  return lex_chars::is_ident_continue(char_at(i, len)) ? kReject : i;
}

inline std::size_t Lexer::skip_whitespace(std::size_t i) const {
  while (i < n_) {
    const unsigned char b = s_[i];
    if (b == '/') {
      const int b1 = at(i + 1);
      const int b2 = at(i + 2);
      if (b1 == '/') {
        // An ordinary line comment; "///" (but not "////") and "//!" are doc comments.
        if ((b2 == '/' && at(i + 3) != '/') || b2 == '!') return i;
        i = line_end(i);
        continue;
      }
      if (b1 == '*') {
        // "/**/" and "/***" open ordinary comments; "/**" and "/*!" open doc comments.
        if (b2 == '!' || (b2 == '*' && at(i + 3) != '/' && at(i + 3) != '*')) return i;
        const std::size_t e = block_comment(i);
        if (e == kReject) return i;
        i = e;
        continue;
      }
      return i;
    }
    if (b < 0x80) {
      if ((kAscii[b] & lex_chars::kSpace) == 0) return i;
      ++i;
      // Indentation: runs of spaces, eight at a time.
      while (n_ - i >= 8 && std::memcmp(s_ + i, "        ", 8) == 0) i += 8;
      while (i < n_ && (kAscii[s_[i]] & lex_chars::kSpace) != 0) ++i;
      continue;
    }
    std::size_t len = 0;
    if (!lex_chars::is_whitespace_uni(char_at(i, len))) return i;
    i += len;
  }
  return i;
}

// A block comment from its "/*", nested comments counted; the end just past its "*/".
std::size_t Lexer::block_comment(std::size_t i) const {
  std::size_t depth = 0;
  const std::size_t upper = n_ - 1;
  std::size_t j = i;
  while (j < upper) {
    const unsigned char b = s_[j];
    if (b == '/' && s_[j + 1] == '*') {
      ++depth;
      ++j;
    } else if (b == '*' && s_[j + 1] == '/') {
      --depth;
      if (depth == 0) return j + 2;
      ++j;
    }
    ++j;
  }
  return kReject;
}

// The position of the next line feed, or the end of the text.
std::size_t Lexer::line_end(std::size_t i) const {
  const void* nl = i < n_ ? std::memchr(s_ + i, '\n', n_ - i) : nullptr;
  return nl == nullptr ? n_ : static_cast<const unsigned char*>(nl) - s_;
}

// \u{...} from the '{': one to six hex digits, underscores after the first, a valid scalar.
std::size_t Lexer::backslash_u(std::size_t i, char32_t& value) const {
  if (at(i) != '{') return kReject;
  ++i;
  value = 0;
  int len = 0;
  while (i < n_) {
    const unsigned char c = s_[i++];
    if (const int digit = utf8::hex_digit(static_cast<char>(c)); digit >= 0) {
      if (len == 6) return kReject;
      value = value * 16 + static_cast<char32_t>(digit);
      ++len;
    } else if (c == '_' && len > 0) {
      continue;
    } else if (c == '}' && len > 0) {
      const bool scalar = value <= 0x10FFFF && !(value >= 0xD800 && value <= 0xDFFF);
      return scalar ? i : kReject;
    } else {
      return kReject;
    }
  }
  return kReject;
}

// An escape from its backslash, one that a literal of family `q` allows: \x with two hex digits
// (the first octal for Str, not both zero for C), \u{...} (not for Byte, not zero for C), or one
// of \n \r \t \\ \' \" and \0 (not for C).
std::size_t Lexer::escape(std::size_t i, Quoted q) const {
  switch (at(i + 1)) {
    case 'x': {
      const int hi = at(i + 2);
      const int lo = at(i + 3);
      if (!(q == Quoted::Str ? octal(hi) : has(hi, kHex)) || !has(lo, kHex)) return kReject;
      if (q == Quoted::C && hi == '0' && lo == '0') return kReject;
      return i + 4;
    }
    case 'u': {
      if (q == Quoted::Byte) return kReject;
      char32_t value = 0;
      const std::size_t e = backslash_u(i + 2, value);
      return q == Quoted::C && value == 0 ? kReject : e;
    }
    case '0':
      return q == Quoted::C ? kReject : i + 2;
    case 'n':
    case 'r':
    case 't':
    case '\\':
    case '\'':
    case '"':
      return i + 2;
    default:
      return kReject;
  }
}

// After a backslash and line break inside a string: the white space that follows is skipped; a
// carriage return must be followed by a line feed.
std::size_t Lexer::trailing_backslash(std::size_t i, int last) const {
  for (;;) {
    if (last == '\r') {
      if (at(i) != '\n') return kReject;
      ++i;
    }
    const int b = at(i);
    if (b == ' ' || b == '\t' || b == '\n' || b == '\r') {
      last = b;
      ++i;
      continue;
    }
    if (b < 0) return kReject;
    return i;
  }
}

// "...", b"..." or c"..." from just past the opening quote.
std::size_t Lexer::cooked_string(std::size_t i, Quoted q) const {
  while (i < n_) {
    const unsigned char b = s_[i];
    if (b == '"') return literal_suffix(i + 1);
    if (b == '\r') {
      if (at(i + 1) != '\n') return kReject;
      i += 2;
      continue;
    }
    if (b == '\\') {
      const int c = at(i + 1);
      i = c == '\n' || c == '\r' ? trailing_backslash(i + 2, c) : escape(i, q);
      if (i == kReject) return kReject;
      continue;
    }
    if (forbidden(b, q)) return kReject;
    ++i;
  }
  return kReject;
}

// A raw string from its first '#' or quote (just past r, br or cr): at most 255 hashes, closed
// by a quote and as many hashes; a carriage return must be followed by a line feed.
std::size_t Lexer::raw_string(std::size_t i, Quoted q) const {
  std::size_t j = i;
  while (at(j) == '#') ++j;
  if (at(j) != '"' || j - i > 255) return kReject;
  const std::size_t hashes = j - i;
  ++j;
  while (j < n_) {
    const unsigned char b = s_[j];
    if (b == '"') {
      std::size_t k = 0;
      while (k < hashes && at(j + 1 + k) == '#') ++k;
      if (k == hashes) return literal_suffix(j + 1 + hashes);
    } else if (b == '\r') {
      if (at(j + 1) != '\n') return kReject;
      ++j;
    } else if (forbidden(b, q)) {
      return kReject;
    }
    ++j;
  }
  return kReject;
}

// b'.' from the b.
std::size_t Lexer::byte_literal(std::size_t i) const {
  std::size_t j = i + 2;
  const int b = at(j);
  if (b < 0) return kReject;
  j = b == '\\' ? escape(j, Quoted::Byte) : j + 1;
  if (j == kReject || at(j) != '\'') return kReject;
  return literal_suffix(j + 1);
}

// '.' from the quote: any one character or an escape, then the closing quote.
std::size_t Lexer::char_literal(std::size_t i) const {
  std::size_t j = i + 1;
  if (j >= n_) return kReject;
  if (s_[j] == '\\') {
    j = escape(j, Quoted::Str);
    if (j == kReject) return kReject;
  } else {
    std::size_t len = 1;
    char_at(j, len);
    j += len;
  }
  if (at(j) != '\'') return kReject;
  return literal_suffix(j + 1);
}

// The digits of a float: a fraction (a '.' not followed by another '.' or an identifier) and/or
// an exponent. An exponent without digits leaves the float before it, when there is a fraction.
std::size_t Lexer::float_digits(std::size_t i) const {
  if (!has(at(i), kDigit)) return kReject;
  std::size_t j = i + 1;
  bool has_dot = false;
  bool has_exp = false;
  while (j < n_) {
    const unsigned char c = s_[j];
    if (has(c, kDigit) || c == '_') {
      ++j;
    } else if (c == '.') {
      if (has_dot) break;
      if (at(j + 1) == '.' || ident_start_at(j + 1)) return kReject;
      ++j;
      has_dot = true;
    } else if (c == 'e' || c == 'E') {
      ++j;
      has_exp = true;
      break;
    } else {
      break;
    }
  }
  if (!has_dot && !has_exp) return kReject;
  if (has_exp) {
    const std::size_t before_exp = has_dot ? j - 1 : kReject;
    bool has_sign = false;
    bool has_value = false;
    while (j < n_) {
      const unsigned char c = s_[j];
      if (c == '+' || c == '-') {
        if (has_value) break;
        if (has_sign) return before_exp;
        ++j;
        has_sign = true;
      } else if (has(c, kDigit)) {
        ++j;
        has_value = true;
      } else if (c == '_') {
        ++j;
      } else {
        break;
      }
    }
    if (!has_value) return before_exp;
  }
  return j;
}

std::size_t Lexer::float_literal(std::size_t i) const {
  std::size_t j = float_digits(i);
  if (j == kReject) return kReject;
  if (ident_start_at(j)) j = ident_not_raw(j);
  return word_break(j);
}

// An integer in base 2, 8, 10 or 16 with underscores, then an optional suffix. A decimal digit
// too large for the base rejects the number; a letter digit too large ends it.
std::size_t Lexer::int_literal(std::size_t i) const {
  int base = 10;
  if (starts(i, "0x")) {
    base = 16;
    i += 2;
  } else if (starts(i, "0o")) {
    base = 8;
    i += 2;
  } else if (starts(i, "0b")) {
    base = 2;
    i += 2;
  }
  bool empty = true;
  while (i < n_) {
    const unsigned char b = s_[i];
    if (const int digit = utf8::hex_digit(static_cast<char>(b)); digit >= 0) {
      if (digit >= base) {
        if (b <= '9') return kReject;
        break;
      }
    } else if (b == '_') {
      if (empty && base == 10) return kReject;
      ++i;
      continue;
    } else {
      break;
    }
    ++i;
    empty = false;
  }
  if (empty) return kReject;
  if (ident_start_at(i)) i = ident_not_raw(i);
  return word_break(i);
}

// Whether a punctuation character starts at `i` (the '/' of a comment does not count).
bool Lexer::punct_follows(std::size_t i) const {
  if (!has(at(i), kPunct)) return false;
  return !(s_[i] == '/' && (at(i + 1) == '/' || at(i + 1) == '*'));
}

// A doc comment at `i` becomes # [doc = "..."] (with ! for an inner one).
bool Lexer::doc_comment(std::size_t i, std::size_t& next) {
  bool inner = false;
  std::size_t text_begin = 0;
  std::size_t text_end = 0;
  std::size_t end = 0;
  if (starts(i, "//!") || (starts(i, "///") && at(i + 3) != '/')) {
    inner = s_[i + 2] == '!';
    text_begin = i + 3;
    end = line_end(text_begin);
    text_end = end;
    if (end < n_ && end > text_begin && s_[end - 1] == '\r') --text_end;
  } else if (starts(i, "/*!") || (starts(i, "/**") && at(i + 3) != '*')) {
    inner = s_[i + 2] == '!';
    end = block_comment(i);
    if (end == kReject) return false;
    text_begin = i + 3;
    text_end = end - 2;
  } else {
    return false;
  }
  // A carriage return inside the text must start a CRLF pair. Most comments have none, so the
  // text is searched for one rather than read byte by byte.
  for (std::size_t k = text_begin; k < text_end; ++k) {
    const void* cr = std::memchr(s_ + k, '\r', text_end - k);
    if (cr == nullptr) break;
    k = static_cast<std::size_t>(static_cast<const unsigned char*>(cr) - s_);
    if (k + 1 >= text_end || s_[k + 1] != '\n') return false;
  }

  const std::size_t span = end - i;
  push(TokenKind::Punct, i, span, '#');
  if (inner) push(TokenKind::Punct, i, span, '!');
  const auto open = static_cast<std::uint32_t>(tokens_.size());
  push(TokenKind::Open, i, span, std::uint8_t(Delim::Bracket));
  if (doc_ident_ == std::numeric_limits<std::uint32_t>::max()) {
    doc_ident_ = static_cast<std::uint32_t>(synthetic_.size());
    synthetic_ += "doc";
  }
  push(TokenKind::Ident, doc_ident_, 3, 0, Token::kSynthetic);
  push(TokenKind::Punct, i, span, '=');
  const std::size_t lit_begin = synthetic_.size();
  synthetic_ += '"';
  lex_chars::append_escaped(s_ + text_begin, text_end - text_begin, synthetic_);
  synthetic_ += '"';
  push(TokenKind::Literal, lit_begin, synthetic_.size() - lit_begin, std::uint8_t(LitKind::Str),
       Token::kSynthetic);
  const auto close = static_cast<std::uint32_t>(tokens_.size());
  push(TokenKind::Close, i, span, std::uint8_t(Delim::Bracket));
  tokens_[open].partner = close;
  tokens_[close].partner = open;
  next = end;
  return true;
}

// One literal, punctuation or identifier at `i`; the position past it, or kReject.
std::size_t Lexer::leaf(std::size_t i) {
  const unsigned char b = s_[i];
  std::size_t e = kReject;
  switch (b) {
    case '"':
      return push_literal(i, cooked_string(i + 1, Quoted::Str), LitKind::Str);
    case 'r':
      e = push_literal(i, raw_string(i + 1, Quoted::Str), LitKind::RawStr);
      break;
    case 'b':
      if (at(i + 1) == '"') {
        e = push_literal(i, cooked_string(i + 2, Quoted::Byte), LitKind::ByteStr);
      } else if (at(i + 1) == 'r') {
        e = push_literal(i, raw_string(i + 2, Quoted::Byte), LitKind::RawByteStr);
      } else if (at(i + 1) == '\'') {
        e = push_literal(i, byte_literal(i), LitKind::Byte);
      }
      break;
    case 'c':
      if (at(i + 1) == '"') {
        e = push_literal(i, cooked_string(i + 2, Quoted::C), LitKind::CStr);
      } else if (at(i + 1) == 'r') {
        e = push_literal(i, raw_string(i + 2, Quoted::C), LitKind::RawCStr);
      }
      break;
    case '\'': {
      e = push_literal(i, char_literal(i), LitKind::Char);
      if (e != kReject) return e;
      // A lifetime or label: the quote, joint, and then the identifier as the next token.
      bool raw = false;
      const std::size_t after = ident_any(i + 1, raw);
      if (after == kReject || at(after) == '\'' || (at(after) == '#' && !raw)) return kReject;
      push(TokenKind::Punct, i, 1, '\'', Token::kJoint | Token::kLifetime);
      return i + 1;
    }
    case '(':
      if (starts(i, kErrorLiteral)) {
        return push_literal(i, i + kErrorLiteral.size(), LitKind::Error);
      }
      return kReject;
    default:
      if (b >= '0' && b <= '9') {
        e = push_literal(i, float_literal(i), LitKind::Float);
        if (e == kReject) e = push_literal(i, int_literal(i), LitKind::Integer);
        return e;
      }
      if (has(b, kPunct)) {
        if (b == '/' && (at(i + 1) == '/' || at(i + 1) == '*')) return kReject;
        push(TokenKind::Punct, i, 1, b, punct_follows(i + 1) ? Token::kJoint : 0);
        return i + 1;
      }
      if (has(b, lex_chars::kIdentStart)) {
        // The common identifier: an ASCII start other than the r, b and c of raw identifiers and
        // literal prefixes (their cases above) is an identifier as it stands.
        e = ident_rest(i + 1);
        push(TokenKind::Ident, i, e - i, 0);
        return e;
      }
      break;
  }
  if (e != kReject) return e;
  bool raw = false;
  e = ident(i, raw);
  if (e == kReject) return kReject;
  const std::size_t begin = raw ? i + 2 : i;
  push(TokenKind::Ident, begin, e - begin, 0, raw ? Token::kRaw : 0);
  return e;
}

const char* leaf_error(unsigned char b) {
  switch (b) {
    case '"':
      return "unterminated or invalid string literal";
    case '\'':
      return "invalid character literal or lifetime";
    case '/':
      return "unterminated block comment or carriage return in doc comment";
    default:
      if (b >= '0' && b <= '9') return "invalid number literal";
      return "unexpected character";
  }
}

std::expected<TokenBuffer, LexError> Lexer::run() {
  if (n_ >= std::numeric_limits<std::uint32_t>::max()) {
    return std::unexpected(error(0, "source text too large"));
  }
  tokens_.reserve(n_ / 4 + 16);
  std::vector<std::uint32_t> open;  // indices of the Open tokens of the groups being lexed
  std::size_t i = starts(0, kBom) ? kBom.size() : 0;
  for (;;) {
    // Most tokens follow one another directly or after one space: skip the call then.
    if (i < n_) {
      const unsigned char b = s_[i];
      if (b == ' ' && i + 1 < n_ && (kAscii[s_[i + 1]] & kSkipCheck) == 0) {
        ++i;
      } else if ((kAscii[b] & kSkipCheck) != 0) {
        i = skip_whitespace(i);
      }
    }
    if (i < n_ && s_[i] == '/' && doc_comment(i, i)) continue;
    if (i >= n_) {
      if (!open.empty())
        return std::unexpected(error(tokens_[open.back()].begin, "unclosed delimiter"));
      break;
    }
    const unsigned char b = s_[i];
    Delim delim = Delim::None;
    bool opening = false;
    switch (b) {
      case '(':
        if (starts(i, kErrorLiteral)) break;
        delim = Delim::Paren;
        opening = true;
        break;
      case '[':
        delim = Delim::Bracket;
        opening = true;
        break;
      case '{':
        delim = Delim::Brace;
        opening = true;
        break;
      case ')':
        delim = Delim::Paren;
        break;
      case ']':
        delim = Delim::Bracket;
        break;
      case '}':
        delim = Delim::Brace;
        break;
      default:
        break;
    }
    if (delim != Delim::None) {
      if (opening) {
        open.push_back(static_cast<std::uint32_t>(tokens_.size()));
        push(TokenKind::Open, i, 1, std::uint8_t(delim));
      } else {
        if (open.empty()) return std::unexpected(error(i, "unexpected closing delimiter"));
        const std::uint32_t o = open.back();
        open.pop_back();
        if (tokens_[o].delim() != delim) {
          return std::unexpected(error(i, "mismatched closing delimiter"));
        }
        const auto c = static_cast<std::uint32_t>(tokens_.size());
        push(TokenKind::Close, i, 1, std::uint8_t(delim));
        tokens_[o].partner = c;
        tokens_[c].partner = o;
      }
      ++i;
      continue;
    }
    const std::size_t e = leaf(i);
    if (e == kReject) return std::unexpected(error(i, leaf_error(b)));
    i = e;
  }
  return TokenBuffer(text_, std::move(synthetic_), std::move(tokens_));
}

}  // namespace

std::string_view strip_file_prelude(std::string_view source) {
  if (source.starts_with(kBom)) source.remove_prefix(kBom.size());
  if (!source.starts_with("#!")) return source;
  // "#!" opens an inner attribute when '[' follows past white space and ordinary comments.
  const std::string_view rest = source.substr(2);
  if (rest.substr(Lexer(rest).skip_whitespace(0)).starts_with('[')) return source;
  // The shebang line goes; its line feed stays.
  const std::size_t nl = source.find('\n');
  return nl == std::string_view::npos ? source.substr(source.size()) : source.substr(nl);
}

std::expected<TokenBuffer, LexError> lex(std::string_view source) { return Lexer(source).run(); }

}  // namespace rust
