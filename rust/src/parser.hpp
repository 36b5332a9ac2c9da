// The Rust parser's entry: a whole source file into the syntax tree of syntax.hpp.
#pragma once

#include <cstdint>
#include <expected>
#include <string>
#include <string_view>

#include "syntax.hpp"

namespace rust {

/// Why a file does not parse: where, as a byte offset into the text given to parse_file, and what
/// was expected there ("expected a type", "expected `;`") or why the text does not lex
/// ("unclosed delimiter"). The place is the furthest token the parser reached.
struct ParseError {
  std::uint32_t offset = 0;
  std::string message;
};

/// Lexes and parses a whole source file (a leading byte-order mark and a `#!` first line that
/// opens no inner attribute are ignored). `source` must outlive the result.
std::expected<File, ParseError> parse_file(std::string_view source);
std::expected<File, ParseError> parse_file(TemporaryString auto&& source) = delete;

/// A place in a text: its line and its column, both counted from 1; the column counts characters
/// (a leading byte-order mark is none).
struct SourcePosition {
  std::uint32_t line = 1;
  std::uint32_t column = 1;
};

/// The line and column of byte `offset` of `text` (of its end when the offset lies past it).
SourcePosition source_position(std::string_view text, std::uint32_t offset);

/// How deeply expressions, types, patterns, blocks and items may nest before a file is refused.
inline constexpr int kMaxNesting = 1000;

}  // namespace rust
