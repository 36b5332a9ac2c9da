// The lexical survey and the port comparison: line recognisers for Go, TypeScript, Zig, Swift,
// Kotlin and Python, the language-neutral symbol inventory with its one normalisation rule, the
// comparison of a tree with its rewrite, and that comparison's JSON document.
#pragma once

#include <cstdint>
#include <expected>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dodureriradi.hpp"
#include "fsys.hpp"
#include "languages.hpp"
#include "text.hpp"

namespace port {

// ---------------------------------------------------------------------------------------------
// Symbol inventory

enum class SymbolKind : std::uint8_t {
  Function = 0,  // a free function
  Method = 1,    // a function declared inside a type
  Type = 2,      // class, struct, interface, protocol, enum, container, type alias ...
};

/// One declared name.
struct Symbol {
  std::string name;  // as written in the source
  std::string norm;  // normalise_name(name)
  std::string file;  // relative to the surveyed root, '/' separators
  bool exported = false;
  SymbolKind kind = SymbolKind::Function;
  bool operator==(const Symbol&) const = default;
};

/// Normalised name to the distinct files declaring it, both in ascending byte order. The views
/// borrow from the survey they were taken from.
using Candidates = std::map<std::string_view, std::vector<std::string_view>>;

/// One tree's inventory; `symbols` sorted by (norm, file), stably, so one file's symbols with the
/// same normalised name stay in line order.
struct Survey {
  std::string label;
  std::vector<Symbol> symbols;

  /// The inventory of a Rust survey: every non-test function (a method when it stands in an impl
  /// block) and every type of each file.
  static Survey from_rust(const std::vector<dodureriradi::SurveyedFile>& files,
                          std::string_view label);

  /// Functions and types (methods left out) grouped by normalised name.
  Candidates duplication_candidates() const&;
  void duplication_candidates() const&& = delete;  // the candidates point into the survey
};

/// The one matching key for names across languages: camel case to lower snake case ("JSONParser"
/// becomes "json_parser"), runs of '_' collapsed, '_' trimmed at both ends, all lowercased.
std::string normalise_name(std::string_view name);

// ---------------------------------------------------------------------------------------------
// Line recognisers

/// What a recogniser finds on one line.
struct Decl {
  std::string name;  // never empty
  SymbolKind kind = SymbolKind::Function;
  bool exported = false;
  bool operator==(const Decl&) const = default;
};

struct WordSplit {
  std::string_view word;  // up to the first whitespace character
  std::string_view rest;  // after the word, leading whitespace removed
};

/// Splits off the first word; a text beginning with whitespace gives an empty word.
WordSplit split_word(std::string_view text);
WordSplit split_word(text::TemporaryString auto&& text) = delete;

/// The longest prefix of alphabetic, numeric or '_' characters.
std::string_view leading_ident(std::string_view text);
std::string_view leading_ident(text::TemporaryString auto&& text) = delete;

/// PascalCase after at most one leading '_': an uppercase first character and some lowercase one.
bool is_type_case(std::string_view name);

/// Whether the right-hand side of an assignment reads as a type expression ("int",
/// "typing.Dict[str, int]") rather than a value or a call ("42", "dict()").
bool aliases_a_type(std::string_view rhs);

/// A Python type alias on an assignment line; `typed` marks a `type` statement already.
std::optional<Decl> python_alias(std::string_view text, bool typed);

std::optional<Decl> go_decl(std::string_view line);
std::optional<Decl> ts_decl(std::string_view line);
std::optional<Decl> zig_decl(std::string_view line);
std::optional<Decl> swift_decl(std::string_view line);
std::optional<Decl> kotlin_decl(std::string_view line);
std::optional<Decl> python_decl(std::string_view line);

// ---------------------------------------------------------------------------------------------
// Lexical survey

/// One line, without its line end, to the declaration it makes, if any.
using Recogniser = languages::Recogniser;

/// Walks the tree below `root` (symbolic links to directories not entered, hidden directories
/// and skipped names left out), hands every line of every accepted file to `recognise`, and
/// returns the sorted inventory; the first I/O failure, a file that is not UTF-8 included, fails
/// the whole survey. The entry points below take their language's rules from the language
/// table (languages.hpp).
std::expected<Survey, fsys::IoError> survey_lexical(const std::string& root, std::string_view label,
                                                    fsys::NameRule accept, fsys::NameRule skip,
                                                    Recogniser recognise);

std::expected<Survey, fsys::IoError> survey_go_dir(const std::string& root, std::string_view label);
std::expected<Survey, fsys::IoError> survey_ts_dir(const std::string& root, std::string_view label);
std::expected<Survey, fsys::IoError> survey_zig_dir(const std::string& root,
                                                    std::string_view label);
std::expected<Survey, fsys::IoError> survey_swift_dir(const std::string& root,
                                                      std::string_view label);
std::expected<Survey, fsys::IoError> survey_kotlin_dir(const std::string& root,
                                                       std::string_view label);
std::expected<Survey, fsys::IoError> survey_python_dir(const std::string& root,
                                                       std::string_view label);

// ---------------------------------------------------------------------------------------------
// Port comparison

/// One compared name.
struct PortItem {
  std::string norm;
  std::string name;                    // the chosen symbol's name; `norm` without one
  std::vector<std::string> old_files;  // distinct, ascending; symbols of every kind
  std::vector<std::string> new_files;
  bool exported = false;  // the chosen symbol's flag; false without one
  bool operator==(const PortItem&) const = default;
};

/// An earlier tree set against its rewrite, by normalised name.
struct PortReport {
  std::vector<PortItem> missing;     // not carried over: exported first, then ascending norm
  std::vector<PortItem> added;       // new in the rewrite: ascending norm
  std::vector<PortItem> inherited;   // duplicated in both trees
  std::vector<PortItem> introduced;  // duplicated in the rewrite only
  std::vector<PortItem> resolved;    // duplicated in the earlier tree only, still declared
  std::string old_label;
  std::string new_label;

  /// The exported items of `missing`, in its order (its leading run).
  std::vector<const PortItem*> missing_exported() const&;
  void missing_exported() const&& = delete;  // the items point into the report
};

/// A name is duplicated in a tree when functions or types carrying it stand in 2 to 4 files; in
/// 5 or more files it is an interface convention. The duplication lists are sorted by descending
/// file count, stably.
PortReport compare(const Survey& old_survey, const Survey& new_survey);

/// The comparison as a pretty JSON document (without a final newline): both labels and symbol
/// counts, the earlier tree's inventory and the five lists. Empty when it cannot be produced.
std::string to_json(const Survey& old_survey, const Survey& new_survey, const PortReport& report);

}  // namespace port
