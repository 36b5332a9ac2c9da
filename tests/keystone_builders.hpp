// Small builders for keystones in tests.
#pragma once

#include <initializer_list>
#include <string>
#include <utility>

#include "keystone.hpp"

namespace builders {

using keystone::DependencyNeeds;

inline keystone::Dependency artifact(std::string on) {
  return {std::move(on), "why", DependencyNeeds::Artifact};
}
inline keystone::Dependency contract(std::string on) {
  return {std::move(on), "why", DependencyNeeds::Contract};
}

/// A module with one law and one exposed operation (so it passes those checks).
inline keystone::Module module(std::string path,
                               std::initializer_list<keystone::Dependency> deps = {}) {
  keystone::Module m;
  m.path = std::move(path);
  m.secret = "s";
  m.exposes.push_back({"op", "c"});
  m.laws.push_back("law");
  m.depends_on.assign(deps.begin(), deps.end());
  return m;
}

inline keystone::Keystone keystone_of(std::initializer_list<keystone::Module> modules,
                                      std::string idea = "idea") {
  keystone::Keystone k;
  k.idea = std::move(idea);
  k.modules.assign(modules.begin(), modules.end());
  return k;
}

}  // namespace builders
