#include "drift.hpp"

#include <algorithm>
#include <set>

#include "text.hpp"

namespace drift {

namespace {

void remove_leading(std::string& s, std::string_view prefix) {
  std::size_t start = 0;
  while (s.compare(start, prefix.size(), prefix) == 0) start += prefix.size();
  s.erase(0, start);
}

/// `longer` ends with `shorter`, and the character just before that ending is '/'.
bool ends_at_boundary(std::string_view longer, std::string_view shorter) {
  return longer.size() > shorter.size() && longer.ends_with(shorter) &&
         longer[longer.size() - shorter.size() - 1] == '/';
}

/// The first code module that `declared` pairs with; all four rules are tried on one code module
/// before the next is considered.
const keystone::Module* pair(const keystone::Module& declared, const keystone::Keystone& code) {
  const std::string key = normalise(declared.path);
  for (const keystone::Module& candidate : code.modules) {
    if (declared.path == candidate.path) return &candidate;
    const std::string code_key = normalise(candidate.path);
    if (key == code_key || ends_at_boundary(key, code_key) || ends_at_boundary(code_key, key)) {
      return &candidate;
    }
  }
  return nullptr;
}

std::set<std::string> names_of(const keystone::Module& module) {
  std::set<std::string> names;
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
  std::set<std::string_view> paired;

  for (const keystone::Module& d : declared.modules) {
    const keystone::Module* c = pair(d, code);
    if (c == nullptr) {
      report.items.push_back({d.path, std::nullopt, DriftKind::MissingFile});
      continue;
    }
    paired.insert(c->path);
    ++report.matched;
    if (d.laws.empty()) report.items.push_back({d.path, std::nullopt, DriftKind::NoLaws});

    const std::set<std::string> wanted = names_of(d);
    const std::set<std::string> found = names_of(*c);
    for (const std::string& name : found) {
      if (!wanted.contains(name)) {
        report.items.push_back({d.path, name, DriftKind::UndeclaredExposure});
      }
    }
    for (const std::string& name : wanted) {
      if (!found.contains(name)) report.items.push_back({d.path, name, DriftKind::NotPublic});
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
