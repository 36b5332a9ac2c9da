// The Rust parser's entry: a whole source file into the syntax tree of syntax.hpp.
#pragma once

#include <cstdint>
#include <expected>
#include <string>
#include <string_view>

#include "syntax.hpp"

namespace rust {

/// Why a file does not parse: the token where parsing stopped.
struct ParseError {
  std::uint32_t token = 0;
  std::string message;
};

/// Lexes and parses a whole source file (a leading byte-order mark and a `#!` first line that
/// opens no inner attribute are ignored). `source` must outlive the result.
std::expected<File, ParseError> parse_file(std::string_view source);

/// How deeply expressions, types, patterns, blocks and items may nest before a file is refused.
inline constexpr int kMaxNesting = 1000;

}  // namespace rust
