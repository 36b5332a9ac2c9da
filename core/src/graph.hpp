// Drawings of a keystone's module graph: Graphviz DOT and Mermaid flowchart text.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "keystone.hpp"

namespace graph {

/// Module path -> node fill colour (such as "#dff5df"); empty for a drawing without fills.
using Fills = std::map<std::string, std::string>;

/// A dependency between two modules of one keystone.
struct InternalEdge {
  std::string_view from;
  std::string_view to;
  keystone::DependencyNeeds needs;
};

std::string to_dot(const keystone::Keystone& keystone);
std::string to_dot_with_fills(const keystone::Keystone& keystone, const Fills& fills);
std::string to_mermaid(const keystone::Keystone& keystone);
std::string to_mermaid_with_fills(const keystone::Keystone& keystone, const Fills& fills);

/// Every dependency whose target is the path of a module of the list, in module then
/// `depends_on` order; repeats and self-dependencies included.
std::vector<InternalEdge> internal_edges(const std::vector<keystone::Module>& modules);
std::vector<InternalEdge> internal_edges(std::vector<keystone::Module>&& modules) = delete;

/// Module path -> wave index; empty when the waves cannot be formed.
std::map<std::string, std::size_t> wave_of(const keystone::Keystone& keystone);

/// The node labels of one drawing, for the module graph and the duplication graph alike: a path's
/// leaf (the text after its last '/'), or "parent/leaf" when another path of the drawing has the
/// same leaf (a path listed twice counts twice). The views must outlive the labeller.
class Labeller {
 public:
  explicit Labeller(const std::vector<std::string_view>& all_paths);
  std::string label(std::string_view path) const;

 private:
  std::unordered_map<std::string_view, std::size_t> leaf_counts_;
};

/// The label of `path` among `all_paths`, by the rule of `Labeller`.
std::string label_for(std::string_view path, const std::vector<std::string_view>& all_paths);

/// The text made safe inside a DOT double-quoted string.
std::string escape(std::string_view text);

}  // namespace graph
