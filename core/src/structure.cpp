#include "structure.hpp"

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <utility>

#include "fsys.hpp"
#include "text.hpp"

namespace structure {

using dodureriradi::SurveyedFile;

namespace {

constexpr std::string_view kBranch = "├── ";
constexpr std::string_view kLastBranch = "└── ";
constexpr std::string_view kRail = "│   ";
constexpr std::string_view kGap = "    ";

/// `value` in an ANSI SGR colour with its own reset, or unchanged without colour.
std::string paint(std::string_view value, std::string_view code, bool color) {
  if (!color) return std::string(value);
  std::string out = "\x1b[";
  out += code;
  out += 'm';
  out += value;
  out += "\x1b[0m";
  return out;
}

/// "  · 2 fn (1 pub) · 3 method(s) · 1 type(s) · 1 test(s)", leaving out zero counts; empty
/// when every count is zero.
std::string summary(const SurveyedFile& file) {
  std::size_t fns = 0, pub_fns = 0, methods = 0;
  for (const dodureriradi::SurveyedFn& fn : file.fns) {
    if (fn.is_test) continue;
    if (fn.is_method) {
      ++methods;
    } else {
      ++fns;
      if (fn.is_pub) ++pub_fns;
    }
  }
  std::vector<std::string> parts;
  if (fns != 0) parts.push_back(std::to_string(fns) + " fn (" + std::to_string(pub_fns) + " pub)");
  if (methods != 0) parts.push_back(std::to_string(methods) + " method(s)");
  if (!file.types.empty()) parts.push_back(std::to_string(file.types.size()) + " type(s)");
  if (!file.tests.empty()) parts.push_back(std::to_string(file.tests.size()) + " test(s)");
  std::string out;
  for (const std::string& part : parts) {
    out += out.empty() ? "  · " : " · ";
    out += part;
  }
  return out;
}

/// The visibility of an item row: an empty text reads "pub(self)" in red, "pub" is green and
/// every other form yellow.
std::string shown_vis(std::string_view vis, bool color) {
  if (vis.empty()) return paint("pub(self)", "31", color);
  return paint(vis, vis == "pub" ? "32" : "33", color);
}

void render_rows(const SurveyedFile& file, bool color, std::string_view prefix, std::string& out) {
  const std::vector<Row> rows = render_items(file);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const Row& row = rows[i];
    out += prefix;
    out += i + 1 == rows.size() ? kLastBranch : kBranch;
    out += paint(row.kind, "34", color);
    out += ' ';
    out += row.name;
    out += ": ";
    out += shown_vis(row.vis, color);
    if (row.is_test) out += paint("  #[cfg(test)]", "90", color);
    out += '\n';
  }
}

/// One node of the path tree; the root stands for the surveyed directory and is never printed.
struct Node {
  std::map<std::string, Node> children;  // by byte order of the component
  bool is_file = false;
  std::size_t file_index = 0;  // index into the survey for a file node
};

/// Appends the lines of every child of `node`, depth first, each line starting with `prefix`.
void render_node(const Node& node, const std::vector<SurveyedFile>& files, bool items, bool color,
                 std::string_view prefix, std::string& out) {
  std::size_t left = node.children.size();
  for (const auto& [name, child] : node.children) {
    const bool last = --left == 0;
    std::string child_prefix(prefix);
    child_prefix += last ? kGap : kRail;
    out += prefix;
    out += last ? kLastBranch : kBranch;
    if (!child.is_file) {
      out += paint(name, "34", color);
      out += '\n';
      render_node(child, files, items, color, child_prefix, out);
      continue;
    }
    const SurveyedFile& file = files[child.file_index];
    out += name;
    out += paint(summary(file), "90", color);
    out += '\n';
    if (items) render_rows(file, color, child_prefix, out);
  }
}

void strip_leading_dot_slash(std::string_view& s) {
  while (s.starts_with("./")) s.remove_prefix(2);
}

/// Splits at the last '/': (dir, file name); dir is empty without a '/'.
std::pair<std::string_view, std::string_view> split_last(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) return {std::string_view(), path};
  return {path.substr(0, slash), path.substr(slash + 1)};
}

std::string_view without_rs(std::string_view name) {
  if (name.ends_with(".rs")) name.remove_suffix(3);
  return name;
}

/// `path` with its "." components dropped and each ".." taking back the component before it, as
/// the compiler reads a path attribute; nothing when a ".." climbs above the surveyed root. A path
/// without such components is returned as it is.
std::optional<std::string> resolve_dots(std::string_view path) {
  const auto is_dots = [](std::string_view c) { return c == "." || c == ".."; };
  std::vector<std::string_view> parts;
  bool dots = false;
  for (std::size_t start = 0;;) {
    const std::size_t slash = path.find('/', start);
    const std::string_view part = path.substr(start, slash - start);
    dots = dots || is_dots(part);
    parts.push_back(part);
    if (slash == std::string_view::npos) break;
    start = slash + 1;
  }
  if (!dots) return std::string(path);
  std::vector<std::string_view> kept;
  for (const std::string_view part : parts) {
    if (part == ".") continue;
    if (part == "..") {
      if (kept.empty()) return std::nullopt;
      kept.pop_back();
      continue;
    }
    kept.push_back(part);
  }
  std::string out;
  for (const std::string_view part : kept) {
    if (!out.empty()) out += '/';
    out += part;
  }
  return out;
}

/// "{a}/{b}", or `b` alone when `a` is empty.
std::string under(std::string_view a, std::string_view b) {
  if (a.empty()) return std::string(b);
  std::string out(a);
  out += '/';
  out += b;
  return out;
}

// ---------------------------------------------------------------------------------------------
// Manifest walk

// The one directory name, besides hidden ones, that the manifest walk does not enter.
bool is_target_dir(std::string_view name) { return name == "target"; }

/// `path` without the leading components of `root`; `path` whole when `root` is not a prefix.
std::string relative_to(std::string_view path, std::string_view root) {
  const std::vector<fsys::Component> p = fsys::components(path);
  const std::vector<fsys::Component> r = fsys::components(root);
  if (r.size() > p.size()) return std::string(path);
  for (std::size_t i = 0; i < r.size(); ++i) {
    if (p[i].text != r[i].text) return std::string(path);
  }
  if (r.size() == p.size()) return std::string();
  return std::string(path.substr(p[r.size()].begin, p.back().end - p[r.size()].begin));
}

/// Appends the target paths of one manifest's text, joined to `dir` and made relative to `root`.
void read_manifest(std::string_view manifest, const std::string& dir, const std::string& root,
                   std::vector<std::string>& out) {
  static const std::set<std::string_view> kTargets = {"lib", "bin", "test", "bench", "example"};
  bool in_target = false;
  std::size_t start = 0;
  while (start <= manifest.size()) {
    std::size_t end = manifest.find('\n', start);
    if (end == std::string_view::npos) end = manifest.size();
    const std::string_view line = text::trim(manifest.substr(start, end - start));
    start = end + 1;
    if (line.empty()) continue;
    if (line.front() == '[') {
      const std::size_t first = line.find_first_not_of("[]");
      const std::size_t last = line.find_last_not_of("[]");
      const std::string_view name = first == std::string_view::npos
                                        ? std::string_view()
                                        : line.substr(first, last - first + 1);
      in_target = kTargets.contains(name);
      continue;
    }
    if (!in_target || !line.starts_with("path")) continue;
    const std::size_t open = line.find('"');
    if (open == std::string_view::npos) continue;
    const std::size_t close = line.find('"', open + 1);
    const std::string_view value = close == std::string_view::npos
                                       ? line.substr(open + 1)
                                       : line.substr(open + 1, close - open - 1);
    const std::string joined = value.starts_with('/') ? std::string(value) : fsys::join(dir, value);
    out.push_back(text::replace_all(text::lossy(relative_to(joined, root)), "\\", "/"));
  }
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// File tree

std::string render_tree(const std::vector<SurveyedFile>& files, bool items, bool color) {
  Node root;
  for (std::size_t i = 0; i < files.size(); ++i) {
    Node* node = &root;
    const std::string_view path = files[i].path;
    std::size_t start = 0;
    for (;;) {
      const std::size_t slash = path.find('/', start);
      const std::size_t end = slash == std::string_view::npos ? path.size() : slash;
      node = &node->children[std::string(path.substr(start, end - start))];
      if (slash == std::string_view::npos) break;
      start = slash + 1;
    }
    node->is_file = true;
    node->file_index = i;
  }
  std::string out;
  render_node(root, files, items, color, "", out);
  return out;
}

std::vector<Row> render_items(const SurveyedFile& file) {
  std::vector<Row> rows;
  for (const dodureriradi::SurveyedType& type : file.types) {
    const bool known = type.kind == "struct" || type.kind == "enum" || type.kind == "trait" ||
                       type.kind == "union";
    rows.push_back({type.name, type.vis, known ? type.kind : "type", false});
  }
  for (const dodureriradi::SurveyedFn& fn : file.fns) {
    if (!fn.is_method) rows.push_back({fn.name, fn.vis, "fn", fn.is_test});
  }
  return rows;
}

// ---------------------------------------------------------------------------------------------
// Crate roots and orphans

std::vector<std::string> manifest_roots(const std::string& root) {
  std::vector<std::string> found;
  // Whatever cannot be listed or read is passed over.
  (void)fsys::walk(root,
                   {.skip = is_target_dir, .follow_links = true, .pass_over_unlistable = true},
                   [&](const fsys::WalkEntry& entry) -> std::expected<void, fsys::IoError> {
                     if (entry.name != "Cargo.toml") return {};
                     if (const auto manifest = fsys::read_text(entry.path)) {
                       read_manifest(*manifest, entry.dir, root, found);
                     }
                     return {};
                   });
  return found;
}

bool root_by_place(std::string_view path) {
  static const std::set<std::string_view> kRootNames = {"lib.rs", "main.rs", "build.rs"};
  static const std::set<std::string_view> kRootDirs = {"examples", "benches", "tests", "bin"};
  const auto [dir, name] = split_last(path);
  return kRootNames.contains(name) || kRootDirs.contains(split_last(dir).second);
}

std::string mod_dir(std::string_view path, bool manifest_root) {
  const auto [dir, name] = split_last(path);
  const std::string_view stem = without_rs(name);
  if (stem == "mod" || stem == "lib" || stem == "main" || stem == "build" || manifest_root ||
      root_by_place(path)) {
    return std::string(dir);
  }
  return under(dir, stem);
}

std::vector<Orphan> find_orphans(const std::vector<SurveyedFile>& files,
                                 const std::vector<std::string>& roots) {
  std::set<std::string> manifest;
  for (std::string_view root : roots) {
    strip_leading_dot_slash(root);
    manifest.emplace(root);
  }
  // The child-module directory of every surveyed file, in survey order.
  std::vector<std::string> dirs;
  dirs.reserve(files.size());
  for (const SurveyedFile& file : files) {
    dirs.push_back(mod_dir(file.path, manifest.contains(file.path)));
  }

  // Every path a surveyed declaration can reach, whether or not the declaring file is reached.
  std::set<std::string> linked = manifest;
  for (std::size_t i = 0; i < files.size(); ++i) {
    for (const dodureriradi::ModDecl& decl : files[i].mods) {
      // A path attribute at file level is relative to the declaring file's own directory; any
      // other declaration starts from the child-module directory and the inline modules around.
      std::string base = decl.path_attr && decl.parent.empty()
                             ? std::string(split_last(files[i].path).first)
                             : under(dirs[i], decl.parent);
      while (base.ends_with('/')) base.pop_back();
      if (decl.path_attr) {
        std::string_view value = *decl.path_attr;
        strip_leading_dot_slash(value);
        if (auto reached = resolve_dots(under(base, value))) linked.insert(std::move(*reached));
      } else {
        linked.insert(under(base, decl.name + ".rs"));
        linked.insert(under(base, decl.name + "/mod.rs"));
      }
    }
  }

  const auto preference = [](std::string_view path) {
    const std::string_view name = split_last(path).second;
    if (name == "mod.rs") return 0;
    if (name == "main.rs" || name == "lib.rs") return 1;
    return 2;
  };

  // The two best parent candidates of every child-module directory, by preference and then
  // survey order: an orphan takes the best one that is not itself. Indexing once keeps the
  // search linear in the number of files.
  struct Best {
    const SurveyedFile* first = nullptr;
    const SurveyedFile* second = nullptr;
  };
  std::map<std::string, Best, std::less<>> parents;
  for (std::size_t i = 0; i < files.size(); ++i) {
    const SurveyedFile& candidate = files[i];
    Best& best = parents[dirs[i]];
    const int rank = preference(candidate.path);
    if (best.first == nullptr || rank < preference(best.first->path)) {
      best.second = best.first;
      best.first = &candidate;
    } else if (best.second == nullptr || rank < preference(best.second->path)) {
      best.second = &candidate;
    }
  }

  std::vector<Orphan> orphans;
  for (const SurveyedFile& file : files) {
    if (root_by_place(file.path) || linked.contains(file.path)) continue;
    const auto [dir, name] = split_last(file.path);

    std::string_view module = without_rs(name);
    std::string_view target = dir;
    if (module == "mod") {
      std::tie(target, module) = split_last(dir);
    }
    const SurveyedFile* parent = nullptr;
    if (const auto it = parents.find(target); it != parents.end()) {
      parent = it->second.first != nullptr && it->second.first->path != file.path
                   ? it->second.first
                   : it->second.second;
    }
    orphans.push_back({file.path, "mod " + std::string(module) + ";",
                       parent != nullptr ? parent->path : std::string()});
  }
  return orphans;
}

std::string render_orphans(const std::vector<Orphan>& orphans) {
  if (orphans.empty()) {
    return "No orphans — every surveyed file is linked by a `mod` declaration.\n";
  }
  std::string out = std::to_string(orphans.size()) +
                    " orphan(s) — on disk, never compiled (no `mod` declaration reaches them):\n\n";
  for (const Orphan& orphan : orphans) {
    out += "warning: orphaned file `" + orphan.path + "`\n";
    if (orphan.parent.empty()) {
      out += "  no candidate parent module found in the survey\n";
    } else {
      out += "  help: add `" + orphan.declaration + "` to " + orphan.parent + "\n";
    }
  }
  return out;
}

// ---------------------------------------------------------------------------------------------
// Visibility fills

graph::Fills visibility_fills(const std::vector<SurveyedFile>& files) {
  graph::Fills fills;
  for (const SurveyedFile& file : files) {
    const auto any_fn = [&file](auto pred) {
      return std::any_of(file.fns.begin(), file.fns.end(), pred);
    };
    const auto any_type = [&file](auto pred) {
      return std::any_of(file.types.begin(), file.types.end(), pred);
    };
    const auto any_mod = [&file](auto pred) {
      return std::any_of(file.mods.begin(), file.mods.end(), pred);
    };
    const bool entry = any_fn([](const dodureriradi::SurveyedFn& fn) {
      return !fn.is_test && !fn.is_method && fn.name == "main";
    });
    const bool public_item =
        any_fn([](const dodureriradi::SurveyedFn& fn) { return !fn.is_test && fn.is_pub; }) ||
        any_type([](const dodureriradi::SurveyedType& type) { return type.is_pub; }) ||
        !file.reexports.empty() ||
        any_mod([](const dodureriradi::ModDecl& decl) { return decl.is_pub; });
    const bool restricted_item =
        any_fn([](const dodureriradi::SurveyedFn& fn) {
          return !fn.is_test && !fn.vis.empty() && !fn.is_pub;
        }) ||
        any_type([](const dodureriradi::SurveyedType& type) {
          return !type.vis.empty() && !type.is_pub;
        }) ||
        any_mod([](const dodureriradi::ModDecl& decl) { return decl.is_restricted; });
    const char* colour = entry             ? "#dbe9f7"
                         : public_item     ? "#dff5df"
                         : restricted_item ? "#fff3cd"
                                           : "#f5dcdc";
    fills.emplace(file.path, colour);
  }
  return fills;
}

}  // namespace structure
