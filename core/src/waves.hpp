// The order in which a keystone's modules can be built: waves separated by artifact
// dependencies.
#pragma once

#include <expected>
#include <string_view>
#include <vector>

#include "keystone.hpp"

namespace waves {

/// The artifact dependencies between modules cannot be ordered (they hold a cycle).
struct FanOutError {
  /// "unresolvable graph — cycle in artifact dependencies?"
  static constexpr std::string_view kText = "unresolvable graph — cycle in artifact dependencies?";
  std::string_view text() const { return kText; }
};

/// The wave of every module, in keystone order, as `partition_into_waves` would place it (a
/// repeated path takes the wave of the module that holds it last), without copying any module.
std::expected<std::vector<std::size_t>, FanOutError> wave_levels(
    const keystone::Keystone& keystone);

/// Wave 0 holds the modules that wait for no other module's artifact; each later wave the modules
/// whose artifact dependencies all lie in earlier waves. Modules keep keystone order in a wave.
std::expected<std::vector<std::vector<keystone::Module>>, FanOutError> partition_into_waves(
    const keystone::Keystone& keystone);

}  // namespace waves
