#include "drift.hpp"

#include <algorithm>
#include <set>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "text.hpp"

namespace drift {

namespace {

void remove_leading(std::string& s, std::string_view prefix) {
  std::size_t start = 0;
  while (s.compare(start, prefix.size(), prefix) == 0) start += prefix.size();
  s.erase(0, start);
}

/// The code modules by their matching keys, so that pairing one declared module costs a few
/// look-ups instead of a pass over every code module.
class CodeIndex {
 public:
  explicit CodeIndex(const keystone::Keystone& code) : code_(code) {
    keys_.reserve(code.modules.size());
    for (const keystone::Module& module : code.modules) keys_.push_back(normalise(module.path));
    for (std::size_t i = 0; i < keys_.size(); ++i) {
      by_path_.try_emplace(code.modules[i].path, i);
      by_key_.try_emplace(keys_[i], i);
      // Every ending of the key that follows a '/'.
      const std::string_view key = keys_[i];
      for (std::size_t slash = key.find('/'); slash != std::string_view::npos;
           slash = key.find('/', slash + 1)) {
        by_ending_.try_emplace(key.substr(slash + 1), i);
      }
    }
  }

  /// The code module `declared` pairs with: the first, in keystone order, with the same path;
  /// else the first with the same key; else the first whose key and the declared key are one a
  /// '/'-bounded ending of the other. A file that only shares an ending (examples/client.rs for
  /// src/client.rs) is never taken over the file itself.
  const keystone::Module* pair(const keystone::Module& declared) const {
    const std::string key = normalise(declared.path);
    std::size_t best = first(by_path_, declared.path);
    if (best == kNone) best = first(by_key_, key);
    if (best == kNone) {
      best = first(by_ending_, key);  // the code key ends with "/" + key
      const std::string_view declared_key = key;
      for (std::size_t slash = declared_key.find('/'); slash != std::string_view::npos;
           slash = declared_key.find('/', slash + 1)) {
        // the declared key ends with "/" + code key
        best = std::min(best, first(by_key_, declared_key.substr(slash + 1)));
      }
    }
    return best == kNone ? nullptr : &code_.modules[best];
  }

 private:
  using Lookup = std::unordered_map<std::string_view, std::size_t>;
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

  static std::size_t first(const Lookup& map, std::string_view probe) {
    const auto it = map.find(probe);
    return it == map.end() ? kNone : it->second;
  }

  const keystone::Keystone& code_;
  std::vector<std::string> keys_;  // normalised path of each code module
  Lookup by_path_;                 // path -> first module with it
  Lookup by_key_;                  // key -> first module with it
  Lookup by_ending_;               // '/'-bounded ending of a key -> first module with it
};

std::set<std::string_view> names_of(const keystone::Module& module) {
  std::set<std::string_view> names;
  for (const keystone::OperationSpec& op : module.exposes) names.insert(op.name);
  return names;
}

}  // namespace

std::size_t DriftReport::count(DriftKind kind) const {
  return static_cast<std::size_t>(std::count_if(
      items.begin(), items.end(), [kind](const DriftItem& item) { return item.kind == kind; }));
}

std::string normalise(std::string_view path) {
  std::string key(path);
  remove_leading(key, "./");
  key = text::replace_all(key, "/src/", "/");
  remove_leading(key, "src/");
  return key;
}

DriftReport drift(const keystone::Keystone& declared, const keystone::Keystone& code) {
  DriftReport report;
  report.declared = declared.modules.size();
  report.surveyed = code.modules.size();
  std::unordered_set<std::string_view> paired;
  const CodeIndex index(code);

  for (const keystone::Module& d : declared.modules) {
    const keystone::Module* c = index.pair(d);
    if (c == nullptr) {
      report.items.push_back({d.path, std::nullopt, DriftKind::MissingFile});
      continue;
    }
    paired.insert(c->path);
    ++report.matched;
    if (d.laws.empty()) report.items.push_back({d.path, std::nullopt, DriftKind::NoLaws});

    const std::set<std::string_view> wanted = names_of(d);
    const std::set<std::string_view> found = names_of(*c);
    for (const std::string_view name : found) {
      if (!wanted.contains(name)) {
        report.items.push_back({d.path, std::string(name), DriftKind::UndeclaredExposure});
      }
    }
    for (const std::string_view name : wanted) {
      if (!found.contains(name)) {
        report.items.push_back({d.path, std::string(name), DriftKind::NotPublic});
      }
    }
  }

  for (const keystone::Module& c : code.modules) {
    if (!paired.contains(c.path)) {
      report.items.push_back({c.path, std::nullopt, DriftKind::Undeclared});
    }
  }
  return report;
}

std::map<std::string, std::vector<const DriftItem*>> by_module(const DriftReport& report) {
  std::map<std::string, std::vector<const DriftItem*>> groups;
  for (const DriftItem& item : report.items) groups[item.module].push_back(&item);
  return groups;
}

}  // namespace drift
