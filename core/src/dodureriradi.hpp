// The Rust survey: one record per .rs file of a tree, built from its syntax tree, and what is
// derived from those records alone: duplicated function names and their liveness, the
// duplication and grep-invisible reports, the duplication graph and the keystone of the code.
#pragma once

#include <array>
#include <cstdint>
#include <expected>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "fsys.hpp"
#include "keystone.hpp"

namespace dodureriradi {

// ---------------------------------------------------------------------------------------------
// Survey records

/// One function or method.
struct SurveyedFn {
  std::string name;       // as displayed; a raw identifier keeps its "r#"
  std::string signature;  // tidied token text: fn f(a: u32) -> String
  std::string vis;        // "pub", a restricted form such as "pub(crate)", or empty
  std::string body;       // token text of the block, braces included, untidied
  std::optional<std::string> cfg;
  bool is_pub = false;     // visibility exactly `pub`
  bool exposed = false;    // visibility not private, or named main
  bool is_test = false;    // in a test module, or carries the test attribute
  bool is_method = false;  // an item of an impl block
  bool operator==(const SurveyedFn&) const = default;
};

/// One enum, struct, trait, type alias or union.
struct SurveyedType {
  std::string name;
  std::string kind;  // "enum", "struct", "trait", "type" or "union"
  std::string vis;
  bool is_pub = false;
  bool operator==(const SurveyedType&) const = default;
};

/// One body-less `mod name;` declaration.
struct ModDecl {
  std::string name;
  std::string parent;  // enclosing inline modules, outermost first, joined with '/'
  std::optional<std::string> path_attr;
  bool is_pub = false;
  bool is_restricted = false;
  bool operator==(const ModDecl&) const = default;
};

/// One call expression whose callee is a path.
struct RawCall {
  std::string name;        // the last segment's identifier
  bool qualified = false;  // the path has more than one segment
  bool in_test = false;    // stands in the body of a test function
  bool operator==(const RawCall&) const = default;
};

/// One parsed .rs file.
struct SurveyedFile {
  std::string path;  // relative to the surveyed root, '/' separators
  std::vector<SurveyedFn> fns;
  std::vector<SurveyedType> types;
  std::vector<std::string> uses;       // tidied token text of every use tree
  std::vector<std::string> tests;      // names of functions carrying the test attribute
  std::vector<std::string> reexports;  // names made visible by `pub use`
  std::string attr_text;               // " " + token text of each recorded attribute
  std::vector<ModDecl> mods;
  std::vector<RawCall> calls;

  /// The file name up to its last '.', or the whole name when it has no '.' or only a first one.
  std::string stem() const;

  bool operator==(const SurveyedFile&) const = default;
};

// ---------------------------------------------------------------------------------------------
// Survey

/// Walks the tree below `root` and surveys every accepted .rs file; sorted by path.
std::expected<std::vector<SurveyedFile>, fsys::IoError> survey_dir(const std::string& root);

/// Parses one source text and records it under `path`; absent when the text does not parse.
std::optional<SurveyedFile> survey_source(std::string_view path, std::string_view source);

/// One accepted .rs file of a survey walk: its path, and its record unless it does not parse.
struct SurveyEntry {
  std::string path;
  std::optional<SurveyedFile> file;
};

/// Called with each accepted .rs file's root-relative path and its UTF-8 text.
using SourceVisitor = std::function<void(std::string path, std::string_view source)>;

/// The walk of the survey: hands every accepted .rs file below `root` to `visit`, in the file
/// system's order; the first directory that cannot be listed or file that cannot be read (or is
/// not UTF-8) ends the walk with that error.
std::expected<void, fsys::IoError> for_each_source(const std::string& root,
                                                   const SourceVisitor& visit);

/// The walk behind `survey_dir`, keeping the files that do not parse as entries without a record;
/// sorted by path.
std::expected<std::vector<SurveyEntry>, fsys::IoError> survey_entries(const std::string& root);

/// The eleven fixed replacements of tidying, (text, replacement), in the order they are applied.
inline constexpr std::array<std::pair<std::string_view, std::string_view>, 11> kTidySteps{{
    {" :: ", "::"},
    {" :", ":"},
    {" <", "<"},
    {"< ", "<"},
    {" >", ">"},
    {" ,", ","},
    {" (", "("},
    {"( ", "("},
    {" )", ")"},
    {" ;", ";"},
    {"& ", "&"},
}};

/// Signatures, restricted visibilities, use trees and cfg texts tidied: each of `kTidySteps` in
/// turn replaces every occurrence of its text, scanning from the left without overlap.
std::string tidy(std::string_view text);

// ---------------------------------------------------------------------------------------------
// Duplicated names and liveness

enum class ConflictKind : std::uint8_t {
  Identical = 0,
  SameSignatureDifferentBody = 1,
  SignaturesDisagree = 2,
  Convention = 3,
  CfgAlternatives = 4,
};
std::string_view label(ConflictKind kind);

enum class Liveness : std::uint8_t {
  ExternalQualified = 0,
  SameFileUnqualified = 1,
  TestsOnly = 2,
  NamedInAttribute = 3,
  NoCallers = 4,
};
std::string_view label(Liveness liveness);

struct ConflictSite {
  std::string path;
  std::string signature;
  std::string body;
  std::optional<std::string> cfg;
  bool is_pub = false;
  Liveness liveness = Liveness::NoCallers;
};

/// A function name defined at two or more sites (test functions and impl methods left out).
struct Conflict {
  std::string name;
  std::vector<ConflictSite> sites;  // survey order

  ConflictKind kind() const;
  /// (signature, sites) groups, largest first, ties in signature byte order.
  std::vector<std::pair<std::string, std::vector<const ConflictSite*>>> signature_groups() const&;
  void signature_groups() const&& = delete;  // the groups point into `sites`
  /// The most frequent signature (the greatest in byte order among equals); empty without sites.
  std::string_view dominant_signature() const&;
  void dominant_signature() const&& = delete;  // the view points into `sites`
};

std::vector<Conflict> find_conflicts(const std::vector<SurveyedFile>& files);

Liveness liveness_of(std::string_view name, const SurveyedFile& home,
                     const std::vector<SurveyedFile>& files);

// ---------------------------------------------------------------------------------------------
// Reports, duplication graph, keystone of the code

std::string render_duplicates(const std::vector<SurveyedFile>& files);
std::string render_invisible(const std::vector<SurveyedFile>& files);

std::string duplication_dot(const std::vector<SurveyedFile>& files);

keystone::Keystone to_keystone(const std::vector<SurveyedFile>& files, std::string_view idea);

}  // namespace dodureriradi
