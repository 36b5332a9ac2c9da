// Look-ups by index that replaced passes over every record must give what those passes gave.
// Each test sets the indexed function against a plain scan written here, over a dense set of
// generated inputs where the rules compete.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "drift.hpp"

namespace {

// Paths built from prefixes and leaves that make every pairing rule fire, often several at once.
std::vector<std::string> crowded_paths() {
  const std::vector<std::string> prefixes = {"",       "./",   "src/",     "./src/",   "a/",
                                             "a/src/", "b/a/", "src/src/", "x/a/src/", "././"};
  const std::vector<std::string> leaves = {"lib.rs", "a/lib.rs", "x.rs", "src/x.rs",    "lib.rs/",
                                           "",       "a",        "src",  "a/src/lib.rs"};
  std::vector<std::string> paths;
  for (const std::string& leaf : leaves) {
    for (const std::string& prefix : prefixes) paths.push_back(prefix + leaf);
  }
  return paths;
}

/// The pairing rule as one pass over the code modules: the first whose path equals the declared
/// path, whose key equals the declared key, or whose key is a '/'-bounded ending of the other.
std::optional<std::size_t> scan_pair(const std::string& declared,
                                     const std::vector<std::string>& code) {
  const auto ends_at_boundary = [](std::string_view longer, std::string_view shorter) {
    return longer.size() > shorter.size() && longer.ends_with(shorter) &&
           longer[longer.size() - shorter.size() - 1] == '/';
  };
  const std::string key = drift::normalise(declared);
  for (std::size_t i = 0; i < code.size(); ++i) {
    if (declared == code[i]) return i;
    const std::string code_key = drift::normalise(code[i]);
    if (key == code_key || ends_at_boundary(key, code_key) || ends_at_boundary(code_key, key)) {
      return i;
    }
  }
  return std::nullopt;
}

TEST(Indexed, DriftPairsLikeTheScan) {
  const std::vector<std::string> paths = crowded_paths();
  // The code modules in two orders, so "first in keystone order" is tested both ways round.
  std::vector<std::vector<std::string>> orders = {paths, {paths.rbegin(), paths.rend()}};
  for (const std::vector<std::string>& code_paths : orders) {
    keystone::Keystone code;
    for (std::size_t i = 0; i < code_paths.size(); ++i) {
      keystone::Module module;
      module.path = code_paths[i];
      module.exposes.push_back({"op" + std::to_string(i), ""});  // names the module paired with
      code.modules.push_back(module);
    }
    for (const std::string& declared_path : paths) {
      keystone::Keystone declared;
      keystone::Module module;
      module.path = declared_path;
      module.laws.push_back("law");
      declared.modules.push_back(module);

      const drift::DriftReport report = drift::drift(declared, code);
      const std::optional<std::size_t> expected = scan_pair(declared_path, code_paths);
      ASSERT_FALSE(report.items.empty()) << declared_path;
      if (!expected) {
        EXPECT_EQ(report.items.front().kind, drift::DriftKind::MissingFile) << declared_path;
        continue;
      }
      EXPECT_EQ(report.items.front().kind, drift::DriftKind::UndeclaredExposure) << declared_path;
      EXPECT_EQ(report.items.front().name, "op" + std::to_string(*expected)) << declared_path;
    }
  }
}

}  // namespace
