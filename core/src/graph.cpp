#include "graph.hpp"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "text.hpp"
#include "waves.hpp"

namespace graph {

using keystone::DependencyNeeds;
using keystone::Keystone;
using keystone::Module;

namespace {

/// Appends `s` made safe inside a DOT double-quoted string; runs without a special character
/// are copied whole.
void append_escaped(std::string& out, std::string_view s) {
  std::size_t start = 0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    if (c != '\\' && c != '"' && c != '\n') continue;
    out.append(s.data() + start, i - start);
    out += c == '\\' ? "\\\\" : c == '"' ? "\\\"" : " ";
    start = i + 1;
  }
  out.append(s.data() + start, s.size() - start);
}

}  // namespace

std::string escape(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  append_escaped(out, s);
  return out;
}

std::vector<InternalEdge> internal_edges(const std::vector<Module>& modules) {
  std::unordered_set<std::string_view> paths;
  for (const Module& module : modules) paths.insert(module.path);
  std::vector<InternalEdge> edges;
  for (const Module& module : modules) {
    for (const auto& dep : module.depends_on) {
      if (paths.contains(dep.on)) edges.push_back({module.path, dep.on, dep.needs});
    }
  }
  return edges;
}

std::map<std::string, std::size_t> wave_of(const Keystone& keystone) {
  std::map<std::string, std::size_t> result;
  const auto levels = waves::wave_levels(keystone);
  if (!levels) return result;
  for (std::size_t i = 0; i < keystone.modules.size(); ++i) {
    result[keystone.modules[i].path] = (*levels)[i];
  }
  return result;
}

namespace {

std::string_view leaf_of(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::vector<std::string_view> path_list(const Keystone& keystone) {
  std::vector<std::string_view> paths;
  paths.reserve(keystone.modules.size());
  for (const Module& module : keystone.modules) paths.push_back(module.path);
  return paths;
}

std::string dot_title(std::string_view idea) {
  const std::size_t end = idea.find_first_of(".\n");
  std::string_view title = text::trim(idea.substr(0, end));
  std::string cut(title);
  if (text::char_count(title) > 110) {
    std::size_t pos = 0;
    for (int i = 0; i < 107; ++i) text::decode(title, pos);
    cut = std::string(title.substr(0, pos)) + "…";
  }
  return escape(cut);
}

// The members of each wave, in keystone order (repeated paths included); none when the waves
// cannot be formed.
std::vector<std::vector<std::string_view>> wave_members(
    const Keystone& keystone,
    const std::expected<std::vector<std::size_t>, waves::FanOutError>& levels) {
  if (!levels) return {};
  std::size_t max = 0;
  for (const std::size_t level : *levels) max = std::max(max, level);
  std::vector<std::vector<std::string_view>> members(levels->empty() ? 0 : max + 1);
  for (std::size_t i = 0; i < levels->size(); ++i) {
    members[(*levels)[i]].push_back(keystone.modules[i].path);
  }
  return members;
}

}  // namespace

// Counting the leaves once keeps the labels of a drawing of n modules linear instead of comparing
// every path with every other.
Labeller::Labeller(const std::vector<std::string_view>& all_paths) {
  for (const std::string_view path : all_paths) ++leaf_counts_[leaf_of(path)];
}

std::string Labeller::label(std::string_view path) const {
  const std::string_view leaf = leaf_of(path);
  const auto it = leaf_counts_.find(leaf);
  const std::size_t count = it == leaf_counts_.end() ? 0 : it->second;
  const std::size_t slash = path.rfind('/');
  if (count < 2 || slash == std::string_view::npos) return std::string(leaf);
  const std::string_view dir = path.substr(0, slash);
  const std::size_t before = dir.rfind('/');
  const std::string_view parent = before == std::string_view::npos ? dir : dir.substr(before + 1);
  return std::string(parent) + "/" + std::string(leaf);
}

std::string label_for(std::string_view path, const std::vector<std::string_view>& all_paths) {
  return Labeller(all_paths).label(path);
}

std::string to_dot(const Keystone& keystone) { return to_dot_with_fills(keystone, Fills{}); }

std::string to_dot_with_fills(const Keystone& keystone, const Fills& fills) {
  const std::vector<std::string_view> paths = path_list(keystone);
  const Labeller labeller(paths);
  const auto levels = waves::wave_levels(keystone);

  std::string out;
  out += "digraph keystone {\n";
  out += "  rankdir=LR;\n";
  out += "  compound=true;\n";
  out += "  graph [fontname=\"Helvetica\", fontsize=11, labelloc=\"t\"];\n";
  out += "  label=\"" + dot_title(keystone.idea) +
         "\\n\\nA → B: A depends on B · dashed = contract (same wave) · heavy = artifact (wave "
         "barrier)";
  if (!fills.empty()) {
    out +=
        " · fill: blue = entry point, green = pub surface, yellow = crate-internal, red = private";
  }
  out += "\";\n";
  out +=
      "  node [shape=box, style=\"rounded,filled\", fillcolor=\"#f6f8fa\", color=\"#c9d1d9\", "
      "fontname=\"Helvetica\", fontsize=10];\n";
  out += "  edge [fontname=\"Helvetica\", fontsize=8, color=\"#8a8a8a\"];\n";
  out += "\n";

  const auto members = wave_members(keystone, levels);
  for (std::size_t w = 0; w < members.size(); ++w) {
    if (members[w].empty()) continue;
    const std::size_t n = members[w].size();
    out += "  subgraph cluster_wave" + std::to_string(w) + " {\n";
    out += "    label=\"wave " + std::to_string(w) + "  (" + std::to_string(n) + " module" +
           (n == 1 ? "" : "s") + ")\";\n";
    out += "    style=dashed; color=\"#b8c4cf\"; fontsize=10;\n";
    for (const std::string_view path : members[w]) {
      out += "    \"";
      append_escaped(out, path);
      out += "\" [label=\"";
      append_escaped(out, labeller.label(path));
      out += '"';
      if (const auto it = fills.find(std::string(path)); it != fills.end()) {
        out += ", fillcolor=\"";
        out += it->second;
        out += '"';
      }
      out += "];\n";
    }
    out += "  }\n\n";
  }

  if (!levels) {
    for (const std::string_view path : paths) {
      out += "  \"";
      append_escaped(out, path);
      out += "\" [label=\"";
      append_escaped(out, labeller.label(path));
      out += "\", fillcolor=\"#ffe9e9\", color=\"#c0392b\"];\n";
    }
  }

  for (const InternalEdge& edge : internal_edges(keystone.modules)) {
    out += "  \"";
    append_escaped(out, edge.from);
    out += "\" -> \"";
    append_escaped(out, edge.to);
    out += edge.needs == DependencyNeeds::Contract ? "\" [style=dashed];\n"
                                                   : "\" [penwidth=2.0, color=\"#c0392b\"];\n";
  }
  out += "}\n";
  return out;
}

std::string to_mermaid(const Keystone& keystone) {
  return to_mermaid_with_fills(keystone, Fills{});
}

std::string to_mermaid_with_fills(const Keystone& keystone, const Fills& fills) {
  const std::vector<std::string_view> paths = path_list(keystone);
  const Labeller labeller(paths);
  const auto levels = waves::wave_levels(keystone);

  // A repeated path takes the identifier of its last occurrence.
  std::unordered_map<std::string_view, std::string> ids;
  for (std::size_t i = 0; i < paths.size(); ++i) ids[paths[i]] = "m" + std::to_string(i);
  const auto append_label = [&](std::string& out, std::string_view path) {
    std::string l = labeller.label(path);
    std::replace(l.begin(), l.end(), '"', '\'');
    out += l;
  };

  std::string out = "graph LR\n";
  const auto members = wave_members(keystone, levels);
  for (std::size_t w = 0; w < members.size(); ++w) {
    if (members[w].empty()) continue;
    const std::string ws = std::to_string(w);
    out += "  subgraph wave" + ws + "[\"wave " + ws + "\"]\n";
    for (const std::string_view path : members[w]) {
      out += "    ";
      out += ids[path];
      out += "[\"";
      append_label(out, path);
      out += "\"]\n";
    }
    out += "  end\n";
  }
  if (!levels) {
    for (const std::string_view path : paths) {
      out += "  ";
      out += ids[path];
      out += "[\"";
      append_label(out, path);
      out += "\"]\n";
    }
  }
  for (const InternalEdge& edge : internal_edges(keystone.modules)) {
    out += "  ";
    out += ids[edge.from];
    out += edge.needs == DependencyNeeds::Artifact ? " ==> " : " -.-> ";
    out += ids[edge.to];
    out += '\n';
  }
  if (!fills.empty()) {
    for (const std::string_view path : paths) {
      if (const auto it = fills.find(std::string(path)); it != fills.end()) {
        out += "  style ";
        out += ids[path];
        out += " fill:";
        out += it->second;
        out += '\n';
      }
    }
  }
  return out;
}

}  // namespace graph
