// The Rust lexer: source text to the token trees of token.hpp.
#pragma once

#include <cstdint>
#include <expected>
#include <string>
#include <string_view>

#include "token.hpp"

namespace rust {

/// Why a text does not lex; `offset` is the byte offset in the lexed text.
struct LexError {
  std::uint32_t offset = 0;
  std::string message;
};

/// The part of a file's text that is lexed: without a leading byte-order mark, and without a
/// first line that begins with "#!" but does not open an inner attribute.
std::string_view strip_file_prelude(std::string_view source);
std::string_view strip_file_prelude(TemporaryString auto&& source) = delete;

/// Lexes `source` into token trees. Doc comments become doc attributes. Delimiters must
/// balance; a text that does not lex gives an error value. `source` must outlive the result.
/// A leading byte-order mark is skipped (token offsets stay offsets into `source`).
std::expected<TokenBuffer, LexError> lex(std::string_view source);
std::expected<TokenBuffer, LexError> lex(TemporaryString auto&& source) = delete;

}  // namespace rust
