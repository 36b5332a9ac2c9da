#include "token.hpp"

namespace rust {

std::string_view TokenBuffer::text(std::uint32_t i) const {
  const Token& t = tokens_[i];
  switch (t.kind) {
    case TokenKind::Ident:
    case TokenKind::Literal:
      return (t.synthetic() ? std::string_view(synthetic_) : source_).substr(t.begin, t.length);
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

}  // namespace rust
