#include "waves.hpp"

#include <gtest/gtest.h>

#include "keystone_builders.hpp"

namespace {

using namespace builders;

// The waves as path lists, or "fan-out" when the partition fails.
std::string shape(const keystone::Keystone& k) {
  const auto result = waves::partition_into_waves(k);
  if (!result) return "fan-out";
  std::string out;
  for (const auto& wave : *result) {
    out += "[";
    for (std::size_t i = 0; i < wave.size(); ++i) out += (i ? " " : "") + wave[i].path;
    out += "]";
  }
  return out;
}

TEST(Waves, Partition) {
  struct Row {
    const char* name;
    keystone::Keystone keystone;
    std::string expected;
  };
  const Row rows[] = {
      {"empty", keystone_of({}), ""},
      {"no dependencies", keystone_of({module("b"), module("a")}), "[b a]"},
      {"artifact chain",
       keystone_of({module("a", {artifact("b")}), module("b", {artifact("c")}), module("c")}),
       "[c][b][a]"},
      {"contract shares a wave", keystone_of({module("a", {contract("b")}), module("b")}), "[a b]"},
      {"mixed two-cycle", keystone_of({module("a", {artifact("b")}), module("b", {contract("a")})}),
       "[b][a]"},
      {"artifact self-dependency", keystone_of({module("x"), module("a", {artifact("a")})}),
       "fan-out"},
      {"contract self-dependency", keystone_of({module("a", {contract("a")})}), "[a]"},
      {"outside targets ignored",
       keystone_of({module("a", {artifact("serde"), artifact("src/none.rs")})}), "[a]"},
      {"waiting on a cycle",
       keystone_of({module("x"), module("a", {artifact("b")}), module("b", {artifact("a")}),
                    module("c", {artifact("a")})}),
       "fan-out"},
      {"same target twice", keystone_of({module("a", {artifact("b"), artifact("b")}), module("b")}),
       "[b][a]"},
      {"wave is one more than the highest target",
       keystone_of({module("a", {artifact("b"), artifact("d")}), module("b", {artifact("c")}),
                    module("c"), module("d")}),
       "[c d][b][a]"},
  };
  for (const Row& row : rows) EXPECT_EQ(shape(row.keystone), row.expected) << row.name;
}

TEST(Waves, RepeatedPathFollowsItsLastModule) {
  // The later "a" has no dependency, so "a" is ready at once; the wave holds two copies of it.
  keystone::Module later = module("a");
  later.secret = "later";
  const auto k = keystone_of({module("a", {artifact("b")}), module("b"), later});
  const auto result = waves::partition_into_waves(k);
  ASSERT_TRUE(result);
  ASSERT_EQ(result->size(), 1u);
  ASSERT_EQ((*result)[0].size(), 3u);
  EXPECT_EQ((*result)[0][0].secret, "later");
  EXPECT_EQ((*result)[0][1].path, "b");
  EXPECT_EQ((*result)[0][2].secret, "later");
}

TEST(Waves, CopiesModulesWhole) {
  keystone::Module m = module("a");
  m.owns.push_back({"T", "inv"});
  const auto result = waves::partition_into_waves(keystone_of({m}));
  ASSERT_TRUE(result);
  EXPECT_EQ((*result)[0][0], m);
  EXPECT_EQ(std::string(waves::FanOutError{}.text()),
            "unresolvable graph — cycle in artifact dependencies?");
}

TEST(Waves, LongChainIsLinear) {
  keystone::Keystone k;
  const int n = 100000;
  for (int i = 0; i < n; ++i) {
    k.modules.push_back(module("m" + std::to_string(i), {artifact("m" + std::to_string(i + 1))}));
  }
  const auto result = waves::partition_into_waves(k);
  ASSERT_TRUE(result);
  EXPECT_EQ(result->size(), static_cast<std::size_t>(n));
  EXPECT_EQ(result->front().front().path, "m" + std::to_string(n - 1));
}

}  // namespace
