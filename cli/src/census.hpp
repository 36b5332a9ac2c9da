// The language census: which of the seven source languages a tree is written in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "languages.hpp"

namespace cli {

/// The seven source languages, in the order that breaks ties.
using Lang = languages::Lang;

/// The extension shown in reports: ".rs", ".go", ".swift", ".ts", ".kt", ".py", ".zig".
std::string_view ext(Lang lang);

/// ".rs/.go/.swift/.ts/.kt/.py/.zig"
std::string all_exts();

/// Files counted per language; a language has an entry only when one of its files was counted.
using Census = std::map<Lang, std::size_t>;

/// The language a file name counts for, if any.
std::optional<Lang> classify(std::string_view name);

/// Counts the source files below `root`, following symbolic links to directories (a directory
/// that is already an ancestor on the current path is not entered again). Never fails.
Census source_counts(const std::string& root);

/// The language with the most files; ties go to the earlier language.
std::optional<Lang> dominant(const Census& counts);

/// "{count} {ext}" for every other language present, in language order.
std::vector<std::string> other_langs(Lang dominant, const Census& counts);

}  // namespace cli

#include <expected>

#include "dodureriradi.hpp"
#include "port.hpp"

namespace cli {

/// A tree's symbol inventory in its dominant language; none without sources or when the survey
/// fails.
std::optional<port::Survey> survey_any(const std::string& dir, std::string_view label);

class Sink;

/// The Rust survey of the verb's PATH. Prints its own message through `sink` and fails with
/// status 1 when the survey fails ("cannot survey ...") or finds no file ("no .rs files under
/// ...").
std::expected<std::vector<dodureriradi::SurveyedFile>, std::uint8_t> surveyed(
    const std::vector<std::string>& args, Sink& sink);

}  // namespace cli
