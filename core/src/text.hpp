// UTF-8 text helpers shared by the reports and surveys: validation, lossy conversion of file
// names, counting and padding by Unicode scalar values, and Unicode character properties (ICU).
#pragma once

#include <concepts>
#include <cstddef>
#include <string>
#include <string_view>

namespace text {

/// A temporary `std::string` given to a function that returns a view into its text argument:
/// such a function has a deleted overload `f(TemporaryString auto&&)`, so a view into a temporary
/// cannot compile, while a literal or a named string still takes the `std::string_view` one.
template <typename T>
concept TemporaryString = std::same_as<T, std::string>;

/// Whether `bytes` is well-formed UTF-8 (no surrogates, no overlong forms, at most U+10FFFF).
bool is_utf8(std::string_view bytes);

/// `bytes` with every ill-formed sequence replaced by U+FFFD, one replacement per maximal
/// ill-formed subpart (the usual lossy conversion).
std::string lossy(std::string_view bytes);

/// Decodes the scalar value at `pos` of valid UTF-8 text and advances `pos` past it.
char32_t decode(std::string_view text, std::size_t& pos);

/// The number of Unicode scalar values in valid UTF-8 text.
std::size_t char_count(std::string_view text);

/// `value` followed by spaces up to `width` scalar values; a longer value is returned whole.
std::string pad_right(std::string_view value, std::size_t width);

/// Spaces up to `width` scalar values, then `value`; a longer value is returned whole.
std::string pad_left(std::string_view value, std::size_t width);

/// Every occurrence of `from` replaced by `to`, scanning from the left without overlap.
std::string replace_all(std::string_view haystack, std::string_view from, std::string_view to);

// Unicode properties, as the Rust standard library defines them for `char`.
bool is_whitespace(char32_t c);    // White_Space
bool is_alphabetic(char32_t c);    // Alphabetic
bool is_numeric(char32_t c);       // general category Nd, Nl or No
bool is_alphanumeric(char32_t c);  // alphabetic or numeric
bool is_uppercase(char32_t c);     // Uppercase
bool is_lowercase(char32_t c);     // Lowercase

/// The full lowercase mapping of one character (may be several characters).
std::string to_lower(char32_t c);

/// The whole text lowercased, with the context-sensitive rules of full case mapping.
std::string to_lower(std::string_view text);

/// `text` with leading (and for `trim`, also trailing) white space removed; a view into `text`,
/// so a temporary text is refused.
std::string_view trim_start(std::string_view text);
std::string_view trim_end(std::string_view text);
std::string_view trim(std::string_view text);
std::string_view trim_start(TemporaryString auto&& text) = delete;
std::string_view trim_end(TemporaryString auto&& text) = delete;
std::string_view trim(TemporaryString auto&& text) = delete;

}  // namespace text
