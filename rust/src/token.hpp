// Token trees of Rust source, as the lexer reads them.
//
// A file lexes into one flat vector of tokens. A group is an Open token, its inner tokens and the
// matching Close token; each delimiter knows the index of its partner, so a parser steps over a
// whole group in O(1). Tokens hold byte offsets, never strings: the text of an identifier or
// literal lies in the source buffer (which must outlive the TokenBuffer) or, for the tokens a doc
// comment turns into, in the buffer's own synthetic text.
#pragma once

#include <concepts>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace rust {

/// A temporary string. A function that keeps or returns a view into its text refuses one (its
/// overload for it is deleted), so that a view of freed memory cannot compile.
template <typename T>
concept TemporaryString = std::same_as<std::remove_cv_t<T>, std::string>;

enum class Delim : std::uint8_t { Paren, Bracket, Brace, None };

/// The character that opens or closes a group of delimiter `d`; none for Delim::None.
inline std::string_view open_char(Delim d) {
  return d == Delim::None ? std::string_view() : std::string_view("([{").substr(std::size_t(d), 1);
}
inline std::string_view close_char(Delim d) {
  return d == Delim::None ? std::string_view() : std::string_view(")]}").substr(std::size_t(d), 1);
}

enum class TokenKind : std::uint8_t {
  Ident,    // identifier or keyword (raw flag for r#name); also the name after a lifetime's quote
  Punct,    // one punctuation character: ~ ! # $ % ^ & * - = + | ; : , < . > / ? @ '
  Literal,  // a literal, its text exactly as written
  Open,     // opening delimiter of a group; `partner` is the index of its Close
  Close,    // closing delimiter of a group; `partner` is the index of its Open
};

enum class LitKind : std::uint8_t {
  Integer,  // digits without fraction or exponent, any suffix included (1f32 is an Integer)
  Float,    // digits with a fraction or an exponent
  Char,
  Byte,
  Str,
  ByteStr,
  CStr,
  RawStr,
  RawByteStr,
  RawCStr,
  Error,  // the text "(/*ERROR*/)", which the lexer reads as one literal as rustc writes it
};

struct Token {
  static constexpr std::uint8_t kJoint = 1;      // Punct: the next token follows with no space
  static constexpr std::uint8_t kRaw = 2;        // Ident: written r#name
  static constexpr std::uint8_t kSynthetic = 4;  // text lies in TokenBuffer::synthetic()
  static constexpr std::uint8_t kLifetime = 8;   // Punct '\'' that opens a lifetime or label

  // For the '#', '!', '[', '=' and ']' a doc comment turns into, begin/length cover the comment in
  // the source; its "doc" identifier and string literal carry kSynthetic.
  std::uint32_t begin = 0;    // byte offset of the text (source, or synthetic when flagged)
  std::uint32_t length = 0;   // byte length of the text (an Ident's length excludes "r#")
  std::uint32_t partner = 0;  // Open/Close: index of the matching delimiter
  TokenKind kind = TokenKind::Punct;
  std::uint8_t detail = 0;  // Punct: the character; Open/Close: Delim; Literal: LitKind
  std::uint8_t flags = 0;

  bool joint() const { return (flags & kJoint) != 0; }
  bool raw() const { return (flags & kRaw) != 0; }
  bool synthetic() const { return (flags & kSynthetic) != 0; }
  char punct() const { return static_cast<char>(detail); }
  Delim delim() const { return static_cast<Delim>(detail); }
  LitKind lit() const { return static_cast<LitKind>(detail); }
};
static_assert(sizeof(Token) == 16, "a token stays a small value");

/// The tokens of one source text.
class TokenBuffer {
 public:
  TokenBuffer() = default;
  TokenBuffer(std::string_view source, std::string synthetic, std::vector<Token> tokens)
      : source_(source), synthetic_(std::move(synthetic)), tokens_(std::move(tokens)) {}

  std::string_view source() const { return source_; }
  std::string_view synthetic() const& { return synthetic_; }
  std::string_view synthetic() const&& = delete;
  std::span<const Token> tokens() const& { return tokens_; }
  std::span<const Token> tokens() const&& = delete;
  const Token& operator[](std::uint32_t i) const { return tokens_[i]; }
  std::uint32_t size() const { return static_cast<std::uint32_t>(tokens_.size()); }

  /// The text of token `i`: an identifier's name (without "r#"), a literal as written, a
  /// punctuation or delimiter character.
  /// Inline for identifiers and literals, the texts the parser and the printers ask for most.
  std::string_view text(std::uint32_t i) const& {
    const Token& t = tokens_[i];
    if (t.kind == TokenKind::Ident || t.kind == TokenKind::Literal) {
      return (t.synthetic() ? std::string_view(synthetic_) : source_).substr(t.begin, t.length);
    }
    return delimiter_or_punct_text(t);
  }
  std::string_view text(std::uint32_t i) const&& = delete;  // it may lie in the buffer's own text

 private:
  // The text of a punctuation or delimiter token.
  static std::string_view delimiter_or_punct_text(const Token& t);

  std::string_view source_;
  std::string synthetic_;
  std::vector<Token> tokens_;
};

/// Appends the token text of tokens [first, last) (whole groups) by the printing rule: one space
/// between neighbours except after a joint punctuation, "{ " and " }" inside non-empty brace
/// groups, "{ }" for an empty one.
void print_tokens(const TokenBuffer& buffer, std::uint32_t first, std::uint32_t last,
                  std::string& out);

}  // namespace rust
