// Drawings of a keystone's module graph: Graphviz DOT and Mermaid flowchart text.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <tuple>
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

/// Module path -> wave index; empty when the waves cannot be formed.
std::map<std::string, std::size_t> wave_of(const keystone::Keystone& keystone);

/// The node label: the path's leaf, or "parent/leaf" when another path has the same leaf.
std::string label_for(std::string_view path, const std::vector<std::string_view>& all_paths);

/// The text made safe inside a DOT double-quoted string.
std::string escape(std::string_view text);

}  // namespace graph
