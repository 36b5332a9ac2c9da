// Whether a keystone is a well-formed design: the first rule it breaks, as a value.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "keystone.hpp"

namespace validation {

/// The first rule a keystone breaks. `text()` is the user message, one line without a break.
struct KeystoneError {
  enum class Kind : std::uint8_t {
    NoModules,
    DuplicateModule,
    UnknownDependency,
    Cycle,
    NoLaws,
    ExposesNothing,
  };
  Kind kind = Kind::NoModules;
  std::string path;                // the module concerned (DuplicateModule, UnknownDependency,
                                   // NoLaws, ExposesNothing)
  std::string target;              // UnknownDependency: the unknown target
  std::vector<std::string> cycle;  // Cycle: the paths, first and last equal

  std::string text() const;
  bool operator==(const KeystoneError&) const = default;
};

/// The state of one module in the cycle search.
enum class Color : std::uint8_t { White = 0, Grey = 1, Black = 2 };

/// Module path -> paths of the keystone's modules it depends on, in `depends_on` order.
using Graph = std::unordered_map<std::string_view, std::vector<std::string_view>>;

/// Whether a dependency target names a path inside the project.
bool looks_internal_path(std::string_view target);

/// The first cycle met by a depth-first search from each root in turn.
std::expected<void, KeystoneError> detect_cycle(const Graph& graph,
                                                const std::vector<std::string_view>& roots);

/// One step of the depth-first search of `detect_cycle`.
std::expected<void, KeystoneError> visit(std::string_view node,
                                         std::vector<std::string_view>& stack, const Graph& graph,
                                         std::unordered_map<std::string_view, Color>& colours);

}  // namespace validation
