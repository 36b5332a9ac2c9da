#include "waves.hpp"

#include <algorithm>
#include <unordered_map>

namespace waves {

// A module's wave is one more than the highest wave of its artifact targets (0 without any):
// exactly the modules that pass k of a partition by repeated scans would select. The waves are
// computed that way, in topological order (Kahn) over module indices, which takes time linear
// in the size of the keystone rather than one scan of every module per wave.
std::expected<std::vector<std::size_t>, FanOutError> wave_levels(
    const keystone::Keystone& keystone) {
  using keystone::DependencyNeeds;
  const std::vector<keystone::Module>& modules = keystone.modules;
  const std::size_t n = modules.size();

  // A later module with the same path replaces the earlier one: each path is one node, the
  // module that holds it last, and only that module's dependencies count.
  std::unordered_map<std::string_view, std::size_t> node_of;
  node_of.reserve(n);
  for (std::size_t i = 0; i < n; ++i) node_of[modules[i].path] = i;

  // For every node its distinct artifact targets among the nodes, then who waits on whom.
  std::vector<std::size_t> unplaced(n, 0);  // per node: targets without a wave yet
  std::vector<std::size_t> user_start(n + 1, 0);
  std::vector<std::pair<std::size_t, std::size_t>> links;  // (target, user)
  std::vector<std::size_t> targets;
  for (std::size_t i = 0; i < n; ++i) {
    if (node_of[modules[i].path] != i) continue;
    targets.clear();
    for (const keystone::Dependency& dep : modules[i].depends_on) {
      if (dep.needs != DependencyNeeds::Artifact) continue;
      if (const auto it = node_of.find(dep.on); it != node_of.end()) targets.push_back(it->second);
    }
    std::sort(targets.begin(), targets.end());
    targets.erase(std::unique(targets.begin(), targets.end()), targets.end());
    unplaced[i] = targets.size();
    for (const std::size_t target : targets) {
      links.emplace_back(target, i);
      ++user_start[target + 1];
    }
  }
  for (std::size_t i = 0; i < n; ++i) user_start[i + 1] += user_start[i];
  std::vector<std::size_t> users(links.size());
  {
    std::vector<std::size_t> fill(user_start.begin(), user_start.end() - 1);
    for (const auto& [target, user] : links) users[fill[target]++] = user;
  }

  std::vector<std::size_t> level(n, 0);
  std::vector<std::size_t> ready;
  std::size_t placed = 0, nodes = 0;
  for (std::size_t i = 0; i < n; ++i) {
    if (node_of[modules[i].path] != i) continue;
    ++nodes;
    if (unplaced[i] == 0) ready.push_back(i);
  }
  while (!ready.empty()) {
    const std::size_t node = ready.back();
    ready.pop_back();
    ++placed;
    for (std::size_t k = user_start[node]; k < user_start[node + 1]; ++k) {
      const std::size_t user = users[k];
      level[user] = std::max(level[user], level[node] + 1);
      if (--unplaced[user] == 0) ready.push_back(user);
    }
  }
  if (placed != nodes) return std::unexpected(FanOutError{});

  std::vector<std::size_t> result(n);
  for (std::size_t i = 0; i < n; ++i) result[i] = level[node_of[modules[i].path]];
  return result;
}

std::expected<std::vector<std::vector<keystone::Module>>, FanOutError> partition_into_waves(
    const keystone::Keystone& keystone) {
  const auto levels = wave_levels(keystone);
  if (!levels) return std::unexpected(levels.error());
  const std::vector<keystone::Module>& modules = keystone.modules;
  std::unordered_map<std::string_view, std::size_t> last;
  for (std::size_t i = 0; i < modules.size(); ++i) last[modules[i].path] = i;

  std::size_t max_wave = 0;
  for (const std::size_t level : *levels) max_wave = std::max(max_wave, level);
  std::vector<std::vector<keystone::Module>> result(modules.empty() ? 0 : max_wave + 1);
  // Every occurrence of a repeated path stands for the module that holds the path last.
  for (std::size_t i = 0; i < modules.size(); ++i) {
    result[(*levels)[i]].push_back(modules[last[modules[i].path]]);
  }
  return result;
}

}  // namespace waves
