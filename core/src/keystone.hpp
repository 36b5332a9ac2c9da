// The declared design of a program as plain records, and its stored JSON form (keystone.json).
#pragma once

#include <cstdint>
#include <expected>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace validation {
struct KeystoneError;
}

namespace keystone {

/// What a dependency needs of its target. An artifact dependency separates build waves; a
/// contract dependency does not.
enum class DependencyNeeds : std::uint8_t { Contract = 0, Artifact = 1 };

/// "contract" or "artifact".
std::string_view to_text(DependencyNeeds needs);

struct OwnedType {
  std::string name;
  std::string invariant;
  bool operator==(const OwnedType&) const = default;
};

struct OperationSpec {
  std::string name;
  std::string contract;
  bool operator==(const OperationSpec&) const = default;
};

struct Dependency {
  std::string on;  // the target module's path, or any other target text
  std::string because;
  DependencyNeeds needs = DependencyNeeds::Artifact;
  bool operator==(const Dependency&) const = default;
};

struct Module {
  std::string path;  // unique key and graph node name
  std::string secret;
  std::vector<OwnedType> owns;
  std::vector<OperationSpec> exposes;
  std::vector<Dependency> depends_on;
  std::vector<std::string> laws;
  bool operator==(const Module&) const = default;
};

/// Why a keystone.json text could not be read; the description is never shown to users.
struct JsonError {
  std::string message;
};

struct Keystone {
  std::string idea;
  std::optional<std::string> language;
  std::string essential_complexity;
  std::vector<Module> modules;  // order decides waves, node numbering and error order

  bool operator==(const Keystone&) const = default;

  /// Reads a whole keystone.json text (strict JSON, positional or keyed records).
  static std::expected<Keystone, JsonError> deserialize(std::string_view text);
  /// The same, reading a text the caller gives up in place instead of from a copy of it.
  static std::expected<Keystone, JsonError> deserialize(std::string&& text);
  static std::expected<Keystone, JsonError> deserialize(const char* text) {
    return deserialize(std::string_view(text));
  }

  /// The pretty JSON document, ending without a line break.
  std::string serialize() const;

  /// The first rule of a well-formed design that this keystone breaks, if any.
  std::expected<void, validation::KeystoneError> validate() const;
};

}  // namespace keystone
