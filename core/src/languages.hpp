// The seven source languages the tool reads, in one table: the extension its reports show, the
// files the language census counts, the files and directories a survey reads and passes over,
// and the line recogniser of the lexical survey (Rust files go to the parser instead). The
// census has one list of directories of its own, for every language, beside the table.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "fsys.hpp"

namespace port {
struct Decl;
}

namespace languages {

/// The seven languages, in the order that breaks the census's ties.
enum class Lang : std::uint8_t { Rust, Go, Swift, TypeScript, Kotlin, Python, Zig };

/// One line, without its line end, to the declaration it makes, if any.
using Recogniser = std::optional<port::Decl> (*)(std::string_view line);

/// One row of the table. The name rules test the exact bytes of a name, case-sensitively.
struct Language {
  Lang lang;
  std::string_view name;  // "Go"
  std::string_view ext;   // in reports: ".go" (TypeScript's ".tsx" files count as ".ts")
  fsys::NameRule counts;  // the census counts a file of this name
  fsys::NameRule reads;   // the survey reads a file of this name
  fsys::NameRule skips;   // the survey does not enter a directory of this name (nor a hidden one)
  Recogniser recognise;   // the lexical survey's, one line at a time; none for Rust
};

/// Every row, in `Lang` order.
std::span<const Language> all();

/// The row of `lang`.
const Language& of(Lang lang);

/// The census does not enter a directory of this name (nor a hidden one), whatever the language.
bool census_skips(std::string_view name);

}  // namespace languages
