#include "validation.hpp"

#include <array>
#include <cstdint>
#include <expected>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace validation {

std::string KeystoneError::text() const {
  switch (kind) {
    case Kind::NoModules:
      return "keystone has no modules";
    case Kind::DuplicateModule:
      return "duplicate module path: " + path;
    case Kind::UnknownDependency:
      return "module '" + path + "' depends on unknown internal module '" + target + "'";
    case Kind::Cycle: {
      std::string out = "dependency cycle: ";
      for (std::size_t i = 0; i < cycle.size(); ++i) {
        if (i > 0) out += " -> ";
        out += cycle[i];
      }
      return out;
    }
    case Kind::NoLaws:
      return "module '" + path + "' has no laws";
    case Kind::ExposesNothing:
      return "module '" + path + "' exposes nothing";
  }
  return {};
}

bool looks_internal_path(std::string_view target) {
  if (target.empty() || target.front() == '@') return false;
  static constexpr std::array<std::string_view, 9> kPrefixes{
      "src/", "./", "../", "/", "public/", "app/", "lib/", "pages/", "components/"};
  for (const std::string_view prefix : kPrefixes) {
    if (target.starts_with(prefix)) return true;
  }
  return false;
}

namespace {

// The state of one module in the cycle search.
enum class Color : std::uint8_t { White = 0, Grey = 1, Black = 2 };

// Module path -> paths of the keystone's modules it depends on, in `depends_on` order.
using Graph = std::unordered_map<std::string_view, std::vector<std::string_view>>;

// One step of the depth-first search of `detect_cycle`. The search keeps its own stack of pending
// neighbours instead of recursing, so a long chain of dependencies cannot exhaust the call stack;
// it visits nodes and neighbours in the same order as the recursive formulation and so reports
// the same cycle.
std::expected<void, KeystoneError> visit(std::string_view node,
                                         std::vector<std::string_view>& stack, const Graph& graph,
                                         std::unordered_map<std::string_view, Color>& colours) {
  static const std::vector<std::string_view> kNone;
  const auto neighbours_of = [&](std::string_view n) -> const std::vector<std::string_view>& {
    const auto it = graph.find(n);
    return it == graph.end() ? kNone : it->second;
  };
  struct Frame {
    std::string_view node;
    std::size_t next;  // index of the next neighbour to look at
  };
  std::vector<Frame> frames{{node, 0}};
  colours[node] = Color::Grey;
  while (!frames.empty()) {
    Frame& frame = frames.back();
    const std::vector<std::string_view>& neighbours = neighbours_of(frame.node);
    if (frame.next == neighbours.size()) {
      colours[frame.node] = Color::Black;
      frames.pop_back();
      // The frame below pushed this node onto the stack; the root's entry belongs to the caller.
      if (!frames.empty()) stack.pop_back();
      continue;
    }
    const std::string_view neighbour = neighbours[frame.next++];
    const Color colour = colours[neighbour];
    if (colour == Color::White) {
      stack.push_back(neighbour);
      colours[neighbour] = Color::Grey;
      frames.push_back({neighbour, 0});
    } else if (colour == Color::Grey) {
      std::size_t from = 0;
      while (stack[from] != neighbour) ++from;
      KeystoneError error{.kind = KeystoneError::Kind::Cycle};
      for (std::size_t i = from; i < stack.size(); ++i) error.cycle.emplace_back(stack[i]);
      error.cycle.emplace_back(neighbour);
      return std::unexpected(std::move(error));
    }
  }
  return {};
}

// The first cycle met by a depth-first search from each root in turn.
std::expected<void, KeystoneError> detect_cycle(const Graph& graph,
                                                const std::vector<std::string_view>& roots) {
  std::unordered_map<std::string_view, Color> colours;
  for (const auto& [key, _] : graph) colours[key] = Color::White;
  for (const std::string_view root : roots) {
    if (colours[root] != Color::White) continue;
    std::vector<std::string_view> stack{root};
    if (auto found = visit(root, stack, graph, colours); !found) return found;
  }
  return {};
}

}  // namespace

}  // namespace validation

namespace keystone {

std::expected<void, validation::KeystoneError> Keystone::validate() const {
  using validation::KeystoneError;
  if (modules.empty())
    return std::unexpected(KeystoneError{.kind = KeystoneError::Kind::NoModules});

  std::unordered_set<std::string_view> seen;
  for (const Module& module : modules) {
    if (!seen.insert(module.path).second) {
      return std::unexpected(
          KeystoneError{.kind = KeystoneError::Kind::DuplicateModule, .path = module.path});
    }
  }

  for (const Module& module : modules) {
    if (module.laws.empty()) {
      return std::unexpected(
          KeystoneError{.kind = KeystoneError::Kind::NoLaws, .path = module.path});
    }
    if (module.exposes.empty()) {
      return std::unexpected(
          KeystoneError{.kind = KeystoneError::Kind::ExposesNothing, .path = module.path});
    }
  }

  const std::unordered_set<std::string_view>& paths = seen;
  validation::Graph graph;
  std::vector<std::string_view> roots;
  roots.reserve(modules.size());
  for (const Module& module : modules) {
    std::vector<std::string_view> neighbours;
    for (const Dependency& dep : module.depends_on) {
      if (paths.contains(dep.on)) {
        neighbours.push_back(dep.on);
      } else if (validation::looks_internal_path(dep.on)) {
        return std::unexpected(KeystoneError{
            .kind = KeystoneError::Kind::UnknownDependency, .path = module.path, .target = dep.on});
      }
    }
    graph[module.path] = std::move(neighbours);
    roots.push_back(module.path);
  }
  return validation::detect_cycle(graph, roots);
}

}  // namespace keystone
