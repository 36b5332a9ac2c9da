#include "drift.hpp"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace {

using drift::DriftItem;
using drift::DriftKind;

/// A module with the given exposed operation names; `laws` decides whether it has one law.
keystone::Module mod(std::string path, std::initializer_list<std::string> exposes = {},
                     bool laws = true) {
  keystone::Module m;
  m.path = std::move(path);
  for (const std::string& name : exposes) m.exposes.push_back({name, "contract of " + name});
  if (laws) m.laws.push_back("law");
  return m;
}

keystone::Keystone keystone_of(std::vector<keystone::Module> modules) {
  keystone::Keystone k;
  k.idea = "idea";
  k.modules = std::move(modules);
  return k;
}

DriftItem missing(std::string m) { return {std::move(m), std::nullopt, DriftKind::MissingFile}; }
DriftItem undeclared(std::string m) { return {std::move(m), std::nullopt, DriftKind::Undeclared}; }
DriftItem no_laws(std::string m) { return {std::move(m), std::nullopt, DriftKind::NoLaws}; }
DriftItem extra(std::string m, std::string n) {
  return {std::move(m), std::move(n), DriftKind::UndeclaredExposure};
}
DriftItem not_public(std::string m, std::string n) {
  return {std::move(m), std::move(n), DriftKind::NotPublic};
}

TEST(Normalise, Keys) {
  struct Row {
    std::string path, key;
  };
  const Row rows[] = {
      {"./src/drift.rs", "drift.rs"},
      {"src/drift.rs", "drift.rs"},
      {"././a.rs", "a.rs"},
      {"../a.rs", "../a.rs"},
      {"core/src/drift.rs", "core/drift.rs"},
      {"src/a/src/b.rs", "a/b.rs"},
      {"lib/src/src/x.rs", "lib/src/x.rs"},
      {"src/src/x.rs", "x.rs"},  // "/src/" made "/", then "src/" removed from the front
      {"src/drift", "drift"},
      {"./", ""},
      {"", ""},
      {"srcx/a.rs", "srcx/a.rs"},
  };
  for (const Row& row : rows) EXPECT_EQ(drift::normalise(row.path), row.key) << row.path;
}

// Which code module (if any) one declared module pairs with.
TEST(Drift, Pairing) {
  struct Row {
    std::string declared;
    std::vector<std::string> code;
    std::string paired;  // empty: no pairing
  };
  const Row rows[] = {
      {"./src/lib.rs", {"src/lib.rs"}, "src/lib.rs"},
      {"drift.rs", {"core/src/drift.rs"}, "core/src/drift.rs"},
      {"rift.rs", {"core/src/drift.rs"}, ""},
      {"src/drift", {"src/drift.rs"}, ""},
      {"core/src/drift.rs", {"drift.rs"}, "drift.rs"},  // the code key is a '/'-bounded ending
      {"lib.rs", {"a/src/lib.rs", "b/src/lib.rs"}, "a/src/lib.rs"},
      // The same path beats the same key, which beats a '/'-bounded ending, whatever the order.
      {"src/client.rs", {"examples/client.rs", "src/client.rs"}, "src/client.rs"},
      {"a/lib.rs", {"lib.rs", "a/lib.rs"}, "a/lib.rs"},
      {"src/a.rs", {"a.rs", "src/a.rs"}, "src/a.rs"},
      {"./src/a.rs", {"lib/a.rs", "src/a.rs"}, "src/a.rs"},
      {"a.rs", {"x/a.rs", "src/a.rs"}, "src/a.rs"},
      // Among endings alone, code order decides, whichever key ends the other.
      {"client.rs", {"examples/client.rs", "tools/client.rs"}, "examples/client.rs"},
      {"x/client.rs", {"client.rs", "y/x/client.rs"}, "client.rs"},
      {"x/client.rs", {"y/x/client.rs", "client.rs"}, "y/x/client.rs"},
      {"x/a.rs", {"y/a.rs"}, ""},
      {"a.rs", {}, ""},
  };
  for (const Row& row : rows) {
    std::vector<keystone::Module> code;
    for (const std::string& path : row.code) code.push_back(mod(path));
    const drift::DriftReport report =
        drift::drift(keystone_of({mod(row.declared)}), keystone_of(code));
    std::vector<DriftItem> expected;
    if (row.paired.empty()) expected.push_back(missing(row.declared));
    for (const std::string& path : row.code) {
      if (path != row.paired) expected.push_back(undeclared(path));
    }
    EXPECT_EQ(report.items, expected) << row.declared;
    EXPECT_EQ(report.matched, row.paired.empty() ? 0u : 1u) << row.declared;
    EXPECT_EQ(report.declared, 1u) << row.declared;
    EXPECT_EQ(report.surveyed, row.code.size()) << row.declared;
  }
}

TEST(Drift, Findings) {
  struct Row {
    const char* name;
    std::vector<keystone::Module> declared, code;
    std::vector<DriftItem> items;
    std::size_t matched;
  };
  const Row rows[] = {
      {"agreement", {mod("src/a.rs", {"f", "g"})}, {mod("src/a.rs", {"g", "f"})}, {}, 1},
      {"no laws only", {mod("a.rs", {"f"}, false)}, {mod("a.rs", {"f"})}, {no_laws("a.rs")}, 1},
      {"order within a module",
       {mod("src/a.rs", {"zeta", "old", "alpha"}, false)},
       {mod("src/a.rs", {"zeta", "new2", "new1"})},
       {no_laws("src/a.rs"), extra("src/a.rs", "new1"), extra("src/a.rs", "new2"),
        not_public("src/a.rs", "alpha"), not_public("src/a.rs", "old")},
       1},
      {"repeated names count once",
       {mod("a.rs", {"gone", "gone"})},
       {mod("a.rs", {"x", "x"})},
       {extra("a.rs", "x"), not_public("a.rs", "gone")},
       1},
      {"two declared modules share one code module",
       {mod("src/a.rs", {"f"}), mod("a.rs", {}, false)},
       {mod("src/a.rs", {"f"})},
       {no_laws("a.rs"), extra("a.rs", "f")},
       2},
      {"missing then undeclared in code order",
       {mod("gone.rs"), mod("src/b.rs")},
       {mod("src/z.rs"), mod("src/b.rs"), mod("src/a.rs")},
       {missing("gone.rs"), undeclared("src/z.rs"), undeclared("src/a.rs")},
       1},
      {"a keystone made from the code checks clean against it",
       {mod("examples/client.rs", {"main"}), mod("src/client.rs", {"handshake"})},
       {mod("examples/client.rs", {"main"}), mod("src/client.rs", {"handshake"})},
       {},
       2},
      {"repeated declared paths pair independently",
       {mod("a.rs", {"f"}), mod("a.rs")},
       {mod("a.rs")},
       {not_public("a.rs", "f")},
       2},
      {"empty declared keystone",
       {},
       {mod("a.rs"), mod("b.rs")},
       {undeclared("a.rs"), undeclared("b.rs")},
       0},
      {"empty code keystone",
       {mod("a.rs"), mod("b.rs")},
       {},
       {missing("a.rs"), missing("b.rs")},
       0},
      {"both empty", {}, {}, {}, 0},
  };
  for (const Row& row : rows) {
    const drift::DriftReport report =
        drift::drift(keystone_of(row.declared), keystone_of(row.code));
    EXPECT_EQ(report.items, row.items) << row.name;
    EXPECT_EQ(report.matched, row.matched) << row.name;
    EXPECT_EQ(report.declared, row.declared.size()) << row.name;
    EXPECT_EQ(report.surveyed, row.code.size()) << row.name;
  }
}

// Only paths, operation names and whether laws exist take part; contracts and the rest do not.
TEST(Drift, IgnoresEverythingElse) {
  keystone::Module declared = mod("a.rs", {"f"});
  declared.secret = "one secret";
  declared.exposes[0].contract = "declared contract";
  declared.owns.push_back({"T", "inv"});
  declared.depends_on.push_back({"b.rs", "why", keystone::DependencyNeeds::Artifact});
  keystone::Module code = mod("a.rs", {"f"});
  code.laws = {"another law entirely"};
  keystone::Keystone d = keystone_of({declared});
  d.essential_complexity = "much";
  d.language = "rust";
  EXPECT_TRUE(drift::drift(d, keystone_of({code})).items.empty());
}

TEST(Drift, CountAndByModule) {
  drift::DriftReport report;
  report.items = {no_laws("src/b.rs"), not_public("src/b.rs", "f"), missing("src/a.rs"),
                  not_public("src/b.rs", "g"), undeclared("src/c.rs")};
  EXPECT_EQ(report.count(DriftKind::NotPublic), 2u);
  EXPECT_EQ(report.count(DriftKind::MissingFile), 1u);
  EXPECT_EQ(report.count(DriftKind::UndeclaredExposure), 0u);

  const auto groups = drift::by_module(report);
  std::vector<std::string> keys;
  for (const auto& [path, items] : groups) keys.push_back(path);
  EXPECT_EQ(keys, (std::vector<std::string>{"src/a.rs", "src/b.rs", "src/c.rs"}));
  const auto& b = groups.at("src/b.rs");
  ASSERT_EQ(b.size(), 3u);
  EXPECT_EQ(b[0], &report.items[0]);
  EXPECT_EQ(b[1], &report.items[1]);
  EXPECT_EQ(b[2], &report.items[3]);
  EXPECT_TRUE(drift::by_module(drift::DriftReport{}).empty());
}

}  // namespace
