// Structure of a surveyed tree: the file tree report, crate roots named by Cargo.toml, orphaned
// files that no `mod` declaration reaches, and the visibility fill of each file's graph node.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "dodureriradi.hpp"
#include "graph.hpp"

namespace structure {

// ---------------------------------------------------------------------------------------------
// File tree

/// One item row of a file in the tree report.
struct Row {
  std::string name;
  std::string vis;   // as surveyed: "pub", a restricted form, or empty
  std::string kind;  // "fn", "struct", "enum", "trait", "union" or "type"
  bool is_test = false;
  bool operator==(const Row&) const = default;
};

/// The tree report of the surveyed files: box-drawing branches, a summary per file, with `items`
/// one row per type and free function, with `color` ANSI colours. Empty for an empty survey.
std::string render_tree(const std::vector<dodureriradi::SurveyedFile>& files, bool items,
                        bool color);

/// The item rows of one file: its types, then its free functions (tests included), in source
/// order.
std::vector<Row> render_items(const dodureriradi::SurveyedFile& file);

// ---------------------------------------------------------------------------------------------
// Crate roots and orphans

/// A surveyed .rs file that no `mod` declaration reaches.
struct Orphan {
  std::string path;         // as surveyed
  std::string declaration;  // "mod name;"
  std::string parent;       // the surveyed file that should hold it; empty when none fits
  bool operator==(const Orphan&) const = default;
};

/// The target paths named in the [lib], [[bin]], [[test]], [[bench]] and [[example]] sections of
/// every Cargo.toml under `root`, relative to `root` with '/' separators, in the order found.
/// Whatever cannot be read is passed over.
std::vector<std::string> manifest_roots(const std::string& root);

/// Whether the file at `path` is a crate root by its name or place: lib.rs, main.rs or build.rs,
/// or a file directly inside a directory named examples, benches, tests or bin.
bool root_by_place(std::string_view path);

/// The directory holding the child modules declared in the file at `path`: the file's own
/// directory for a mod.rs, for a crate root by name or place and for a root a manifest names
/// (`manifest_root`); otherwise the directory named after the file. "src/foo.rs" gives
/// "src/foo"; "src/lib.rs" and "src/bin/tool.rs" give "src" and "src/bin".
std::string mod_dir(std::string_view path, bool manifest_root = false);

/// The surveyed files, in survey order, that are neither a root, nor exempt by name or place, nor
/// reachable from any surveyed `mod` declaration, each with the declaration to add and where.
std::vector<Orphan> find_orphans(const std::vector<dodureriradi::SurveyedFile>& files,
                                 const std::vector<std::string>& roots);

/// The orphans report.
std::string render_orphans(const std::vector<Orphan>& orphans);

// ---------------------------------------------------------------------------------------------
// Visibility fills

/// One fill colour per surveyed file: entry point, public surface, crate-internal or private.
graph::Fills visibility_fills(const std::vector<dodureriradi::SurveyedFile>& files);

}  // namespace structure
