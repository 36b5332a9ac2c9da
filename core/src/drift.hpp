// The drift check: a declared keystone compared with the keystone derived from the code, module
// by module, as a list of findings.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "keystone.hpp"

namespace drift {

/// What a finding says; the check verb prints a fixed label for each.
enum class DriftKind : std::uint8_t {
  MissingFile = 0,         // a declared module matches no code module
  Undeclared = 1,          // a code module that no declared module matched
  UndeclaredExposure = 2,  // exposed by the code, missing from the declared exposes
  NotPublic = 3,           // listed in the declared exposes, not exposed by the code
  NoLaws = 4,              // a matched declared module without laws
};

/// One finding.
struct DriftItem {
  std::string module;               // the declared path; the code path for Undeclared
  std::optional<std::string> name;  // the operation, for UndeclaredExposure and NotPublic
  DriftKind kind = DriftKind::MissingFile;
  bool operator==(const DriftItem&) const = default;
};

/// The findings of one check with the module counts.
struct DriftReport {
  std::vector<DriftItem> items;  // declared modules in order, then the undeclared code modules
  std::size_t declared = 0;      // modules of the declared keystone
  std::size_t surveyed = 0;      // modules of the code keystone
  std::size_t matched = 0;       // declared modules that paired with a code module

  /// The number of items of `kind`.
  std::size_t count(DriftKind kind) const;
};

/// The matching key of a module path: leading "./" removed, every "/src/" made "/", then
/// leading "src/" removed.
std::string normalise(std::string_view path);

/// Compares the declared keystone with the code's keystone. Each declared module pairs with the
/// first code module of the same path, else the first of the same key, else the first whose key
/// and the declared key are one a '/'-bounded ending of the other.
DriftReport drift(const keystone::Keystone& declared, const keystone::Keystone& code);

/// The items grouped under their module path (ascending byte order), each list in report order.
/// The pointers point into `report`.
std::map<std::string, std::vector<const DriftItem*>> by_module(const DriftReport& report);

}  // namespace drift
