// The printing rule of token streams: one space between neighbours except after a joint
// punctuation, brace groups padded inside. The flat layout makes it a single loop, whatever the
// nesting depth.
#include "token.hpp"

namespace rust {

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
