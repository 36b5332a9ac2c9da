#include "validation.hpp"

#include <gtest/gtest.h>

#include "keystone_builders.hpp"

namespace {

using namespace builders;

std::string verdict(const keystone::Keystone& k) {
  const auto result = k.validate();
  return result ? "valid" : result.error().text();
}

keystone::Module without_laws(keystone::Module m) {
  m.laws.clear();
  return m;
}
keystone::Module without_exposes(keystone::Module m) {
  m.exposes.clear();
  return m;
}

TEST(Validate, FirstBrokenRuleWins) {
  struct Row {
    const char* name;
    keystone::Keystone keystone;
    std::string expected;
  };
  const Row rows[] = {
      {"no modules", keystone_of({}), "keystone has no modules"},
      {"duplicates before laws", keystone_of({without_laws(module("x")), module("a"), module("a")}),
       "duplicate module path: a"},
      {"no laws before exposes", keystone_of({without_exposes(without_laws(module("a")))}),
       "module 'a' has no laws"},
      {"modules in order", keystone_of({without_exposes(module("a")), without_laws(module("b"))}),
       "module 'a' exposes nothing"},
      {"unknown internal target", keystone_of({module("a", {artifact("src/x.rs")})}),
       "module 'a' depends on unknown internal module 'src/x.rs'"},
      {"no normalisation of targets",
       keystone_of({module("src/x.rs"), module("a", {contract("./src/x.rs")})}),
       "module 'a' depends on unknown internal module './src/x.rs'"},
      {"outside targets ignored",
       keystone_of({module("a", {artifact("serde"), artifact("src"), artifact("library/x"),
                                 artifact(""), artifact("@scope/pkg")})}),
       "valid"},
      {"unknown target found before a cycle",
       keystone_of({module("a", {artifact("b")}), module("b", {artifact("a")}),
                    module("c", {artifact("lib/none")})}),
       "module 'c' depends on unknown internal module 'lib/none'"},
      {"self dependency, contract", keystone_of({module("a", {contract("a")})}),
       "dependency cycle: a -> a"},
      {"two-cycle", keystone_of({module("a", {artifact("b")}), module("b", {artifact("a")})}),
       "dependency cycle: a -> b -> a"},
      {"two-cycle listed the other way",
       keystone_of({module("b", {artifact("a")}), module("a", {artifact("b")})}),
       "dependency cycle: b -> a -> b"},
      {"three-cycle",
       keystone_of({module("a", {artifact("b")}), module("b", {artifact("c")}),
                    module("c", {artifact("a")})}),
       "dependency cycle: a -> b -> c -> a"},
      {"cycle re-entered below the root",
       keystone_of({module("x", {artifact("a")}), module("a", {artifact("b")}),
                    module("b", {artifact("a")})}),
       "dependency cycle: a -> b -> a"},
      {"contract-only cycle still a cycle",
       keystone_of({module("a", {contract("b")}), module("b", {contract("a")})}),
       "dependency cycle: a -> b -> a"},
      {"repeated dependency",
       keystone_of({module("a", {artifact("b"), artifact("b")}), module("b")}), "valid"},
      {"diamond",
       keystone_of({module("a", {artifact("b"), artifact("c")}), module("b", {artifact("d")}),
                    module("c", {artifact("d")}), module("d")}),
       "valid"},
  };
  for (const Row& row : rows) EXPECT_EQ(verdict(row.keystone), row.expected) << row.name;
}

TEST(Validate, LooksInternalPath) {
  for (const char* yes :
       {"src/a", "./a", "../a", "/abs", "public/x", "app/x", "lib/x", "pages/x", "components/x"}) {
    EXPECT_TRUE(validation::looks_internal_path(yes)) << yes;
  }
  for (const char* no : {"", "@src/x", "src", "lib", "library/x", "core/src/x", "serde", "Src/x"}) {
    EXPECT_FALSE(validation::looks_internal_path(no)) << no;
  }
}

TEST(Validate, LongChainDoesNotExhaustTheStack) {
  keystone::Keystone k;
  const int n = 200000;
  for (int i = 0; i < n; ++i) {
    keystone::Module m = module("m" + std::to_string(i));
    m.depends_on.push_back(artifact("m" + std::to_string((i + 1) % n)));
    k.modules.push_back(std::move(m));
  }
  const auto result = k.validate();
  ASSERT_FALSE(result);
  EXPECT_EQ(result.error().cycle.size(), static_cast<std::size_t>(n + 1));
  EXPECT_EQ(result.error().cycle.front(), "m0");
  EXPECT_EQ(result.error().cycle.back(), "m0");
}

}  // namespace
