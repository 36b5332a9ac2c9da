// Token texts and the printing rule of token streams: one space between neighbours except after a
// joint punctuation, brace groups padded inside. The flat layout makes printing a single loop,
// whatever the nesting depth.
#include "token.hpp"

namespace rust {

std::string_view TokenBuffer::delimiter_or_punct_text(const Token& t) {
  switch (t.kind) {
    case TokenKind::Ident:
    case TokenKind::Literal:
      break;  // text() reads these itself
    case TokenKind::Punct: {
      // Indexed by the character itself; the table starts with NULs, so its length is given.
      static constexpr char kChars[] =
          "\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0"
          " !\"#$%&'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`abcdefghijklmnopqrstu"
          "vwxyz{|}~";
      static constexpr std::string_view kPunct(kChars, sizeof kChars - 1);
      return kPunct.substr(t.detail, 1);
    }
    case TokenKind::Open:
      return open_char(t.delim());
    case TokenKind::Close:
      return close_char(t.delim());
  }
  return {};
}

void print_tokens(const TokenBuffer& buffer, std::uint32_t first, std::uint32_t last,
                  std::string& out) {
  const std::span<const Token> tokens = buffer.tokens();
  const std::string_view source = buffer.source();
  const std::string_view synthetic = buffer.synthetic();
  bool space = false;  // a space is due before the next token of the current stream
  for (std::uint32_t i = first; i < last; ++i) {
    const Token& t = tokens[i];
    if (t.kind == TokenKind::Close) {
      if (t.delim() == Delim::Brace && t.partner + 1 != i) out += ' ';
      out += close_char(t.delim());
      space = true;
      continue;
    }
    if (space) out += ' ';
    switch (t.kind) {
      case TokenKind::Open:
        out += open_char(t.delim());
        if (t.delim() == Delim::Brace) out += ' ';
        space = false;
        break;
      case TokenKind::Punct:
        out += t.punct();
        space = !t.joint();
        break;
      case TokenKind::Ident:
        if (t.raw()) out += "r#";
        [[fallthrough]];
      case TokenKind::Literal:
        out.append((t.synthetic() ? synthetic : source).data() + t.begin, t.length);
        space = true;
        break;
      case TokenKind::Close:
        break;
    }
  }
}

}  // namespace rust
