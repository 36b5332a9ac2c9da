#include "waves.hpp"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

namespace waves {

// Pass k of the partition selects exactly the modules whose artifact targets all have waves
// below k, so a module's wave is one more than the highest wave of its targets (0 without any).
// The waves are computed that way, in topological order (Kahn), which takes time linear in the
// size of the keystone rather than one scan of every module per wave.
std::expected<std::vector<std::vector<keystone::Module>>, FanOutError> partition_into_waves(
    const keystone::Keystone& keystone) {
  using keystone::DependencyNeeds;
  using keystone::Module;

  // A later module with the same path replaces the earlier one, in the index and its blockers.
  std::unordered_map<std::string_view, const Module*> index;
  for (const Module& module : keystone.modules) index[module.path] = &module;

  std::unordered_map<std::string_view, std::unordered_set<std::string_view>> blockers;
  for (const Module& module : keystone.modules) {
    std::unordered_set<std::string_view> set;
    for (const auto& dep : module.depends_on) {
      if (dep.needs == DependencyNeeds::Artifact && index.contains(dep.on)) set.insert(dep.on);
    }
    blockers[module.path] = std::move(set);
  }

  std::unordered_map<std::string_view, std::vector<std::string_view>> waiting_on;  // target -> users
  std::unordered_map<std::string_view, std::size_t> unplaced;  // path -> blockers without a wave
  std::unordered_map<std::string_view, std::size_t> wave;
  std::vector<std::string_view> ready;
  for (const auto& [path, set] : blockers) {
    unplaced[path] = set.size();
    for (const std::string_view target : set) waiting_on[target].push_back(path);
    if (set.empty()) {
      wave[path] = 0;
      ready.push_back(path);
    }
  }
  while (!ready.empty()) {
    const std::string_view path = ready.back();
    ready.pop_back();
    const std::size_t level = wave[path];
    for (const std::string_view user : waiting_on[path]) {
      std::size_t& user_wave = wave[user];
      user_wave = std::max(user_wave, level + 1);
      if (--unplaced[user] == 0) ready.push_back(user);
    }
  }
  for (const auto& [path, count] : unplaced) {
    if (count != 0) return std::unexpected(FanOutError{});
  }

  std::size_t max_wave = 0;
  for (const auto& [path, level] : wave) max_wave = std::max(max_wave, level);
  std::vector<std::vector<Module>> result(keystone.modules.empty() ? 0 : max_wave + 1);
  for (const Module& module : keystone.modules) {
    result[wave[module.path]].push_back(*index[module.path]);
  }
  return result;
}

}  // namespace waves
