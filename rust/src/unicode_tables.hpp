// The Unicode character properties the Rust lexer reads, as tables generated from one pinned
// Unicode data release (tools/unicode/gen_tables.mjs writes unicode_tables.cpp), so that the
// lexer reads the same characters whatever Unicode library the system has.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace rust::unicode {

/// The code points `first` to `last`, both included.
struct Range {
  char32_t first;
  char32_t last;
};

/// One property: its ranges (sorted, disjoint, never adjacent; ASCII included), and a bit a
/// character of the Basic Multilingual Plane, built from them at compile time, so that the
/// common characters cost one load and the rest a binary search.
class Property {
 public:
  template <std::size_t N>
  consteval explicit Property(const Range (&ranges)[N]) : ranges_(ranges) {
    for (const Range& r : ranges_) {
      for (char32_t c = r.first; c <= r.last && c < kPlane; ++c) {
        bmp_[c / 64] |= std::uint64_t{1} << (c % 64);
      }
    }
  }

  bool contains(char32_t c) const {
    if (c < kPlane) return (bmp_[c / 64] >> (c % 64) & 1) != 0;
    const auto after = std::upper_bound(ranges_.begin(), ranges_.end(), c,
                                        [](char32_t v, const Range& r) { return v < r.first; });
    return after != ranges_.begin() && c <= (after - 1)->last;
  }

  std::span<const Range> ranges() const { return ranges_; }

 private:
  static constexpr char32_t kPlane = 0x10000;
  std::span<const Range> ranges_;
  std::array<std::uint64_t, kPlane / 64> bmp_{};
};

/// The Unicode version the tables come from, e.g. "17.0.0".
extern const char kVersion[];

extern const Property kXidStart;
extern const Property kXidContinue;
extern const Property kWhiteSpace;
/// What a debug-escaped string writes as \u{..}: grapheme extenders and the characters that
/// are not printable (general categories Cc Cf Cs Co Cn Zl Zp Zs, except U+0020).
extern const Property kDebugEscaped;

}  // namespace rust::unicode
