// Whether a keystone is a well-formed design: the first rule it breaks, as a value.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
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

/// Whether a dependency target names a path inside the project.
bool looks_internal_path(std::string_view target);

}  // namespace validation
