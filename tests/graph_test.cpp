#include "graph.hpp"

#include <gtest/gtest.h>

#include "keystone_builders.hpp"
#include "support.hpp"

namespace {

using namespace builders;

const std::string kHead =
    "digraph keystone {\n"
    "  rankdir=LR;\n"
    "  compound=true;\n"
    "  graph [fontname=\"Helvetica\", fontsize=11, labelloc=\"t\"];\n";
const std::string kKey =
    "\\n\\nA → B: A depends on B · dashed = contract (same wave) · heavy = artifact (wave "
    "barrier)";
const std::string kLegend =
    " · fill: blue = entry point, green = pub surface, yellow = crate-internal, red = private";
const std::string kTail =
    "  node [shape=box, style=\"rounded,filled\", fillcolor=\"#f6f8fa\", color=\"#c9d1d9\", "
    "fontname=\"Helvetica\", fontsize=10];\n"
    "  edge [fontname=\"Helvetica\", fontsize=8, color=\"#8a8a8a\"];\n"
    "\n";
const std::string kStyle = "    style=dashed; color=\"#b8c4cf\"; fontsize=10;\n";

std::string head(const std::string& title, bool legend = false) {
  return kHead + "  label=\"" + title + kKey + (legend ? kLegend : "") + "\";\n" + kTail;
}

TEST(Dot, EmptyKeystone) {
  const std::string dot = graph::to_dot(keystone_of({}, "Maps code. Checks design"));
  EXPECT_EQ(dot, head("Maps code") + "}\n");
  support::graphviz_accepts(dot);
}

TEST(Dot, Titles) {
  struct Row {
    std::string idea, title;
  };
  const std::string s110(110, 'x'), s111(111, 'y'), e111 = [] {
    std::string s;
    for (int i = 0; i < 111; ++i) s += "é";
    return s;
  }();
  std::string e107;
  for (int i = 0; i < 107; ++i) e107 += "é";
  const Row rows[] = {
      {"Maps code. Checks design", "Maps code"},
      {"  Line one\nLine two", "Line one"},
      {"", ""},
      {"surveyed: ./src", "surveyed:"},
      {s110, s110},
      {s111, std::string(107, 'y') + "…"},
      {e111, e107 + "…"},
      {"say \"hi\" \\ back", "say \\\"hi\\\" \\\\ back"},
  };
  for (const Row& row : rows) {
    const std::string dot = graph::to_dot(keystone_of({}, row.idea));
    EXPECT_EQ(dot, head(row.title) + "}\n") << row.idea;
  }
}

TEST(Dot, ArtifactChainMakesTwoWaves) {
  const auto k = keystone_of({module("src/a.rs", {artifact("src/b.rs")}), module("src/b.rs")});
  const std::string dot = graph::to_dot(k);
  EXPECT_EQ(dot, head("idea") +
                     "  subgraph cluster_wave0 {\n"
                     "    label=\"wave 0  (1 module)\";\n" +
                     kStyle +
                     "    \"src/b.rs\" [label=\"b.rs\"];\n"
                     "  }\n"
                     "\n"
                     "  subgraph cluster_wave1 {\n"
                     "    label=\"wave 1  (1 module)\";\n" +
                     kStyle +
                     "    \"src/a.rs\" [label=\"a.rs\"];\n"
                     "  }\n"
                     "\n"
                     "  \"src/a.rs\" -> \"src/b.rs\" [penwidth=2.0, color=\"#c0392b\"];\n"
                     "}\n");
  support::graphviz_accepts(dot);
}

TEST(Dot, ContractSharesAWaveAndSelfCycleIsRed) {
  const std::string shared =
      graph::to_dot(keystone_of({module("a", {contract("b"), artifact("serde")}), module("b")}));
  EXPECT_EQ(shared, head("idea") +
                        "  subgraph cluster_wave0 {\n"
                        "    label=\"wave 0  (2 modules)\";\n" +
                        kStyle +
                        "    \"a\" [label=\"a\"];\n"
                        "    \"b\" [label=\"b\"];\n"
                        "  }\n"
                        "\n"
                        "  \"a\" -> \"b\" [style=dashed];\n"
                        "}\n");
  const std::string cyclic =
      graph::to_dot(keystone_of({module("a", {artifact("a")}), module("b")}));
  EXPECT_EQ(cyclic, head("idea") +
                        "  \"a\" [label=\"a\", fillcolor=\"#ffe9e9\", color=\"#c0392b\"];\n"
                        "  \"b\" [label=\"b\", fillcolor=\"#ffe9e9\", color=\"#c0392b\"];\n"
                        "  \"a\" -> \"a\" [penwidth=2.0, color=\"#c0392b\"];\n"
                        "}\n");
  support::graphviz_accepts(shared);
  support::graphviz_accepts(cyclic);
}

TEST(Dot, FillsEscapesAndRepeatedPaths) {
  const auto k = keystone_of({module("src/x\"y.rs"), module("src/a/mod.rs"), module("src/a/mod.rs"),
                              module("line\nfeed")});
  graph::Fills fills{{"src/a/mod.rs", "#dff5df"}, {"elsewhere", "#f5dcdc"}};
  const std::string dot = graph::to_dot_with_fills(k, fills);
  EXPECT_EQ(dot, head("idea", true) +
                     "  subgraph cluster_wave0 {\n"
                     "    label=\"wave 0  (4 modules)\";\n" +
                     kStyle +
                     "    \"src/x\\\"y.rs\" [label=\"x\\\"y.rs\"];\n"
                     "    \"src/a/mod.rs\" [label=\"a/mod.rs\", fillcolor=\"#dff5df\"];\n"
                     "    \"src/a/mod.rs\" [label=\"a/mod.rs\", fillcolor=\"#dff5df\"];\n"
                     "    \"line feed\" [label=\"line feed\"];\n"
                     "  }\n"
                     "\n"
                     "}\n");
  // Fills that hold no module path still bring the legend.
  EXPECT_NE(
      graph::to_dot_with_fills(keystone_of({module("a")}), {{"zzz", "#fff3cd"}}).find(kLegend),
      std::string::npos);
  support::graphviz_accepts(dot);
}

TEST(Labels, LeafOrParentAndLeaf) {
  const std::vector<std::string_view> all{"src/cli/mod.rs", "src/core/mod.rs", "src/lib.rs"};
  EXPECT_EQ(graph::label_for("src/cli/mod.rs", all), "cli/mod.rs");
  EXPECT_EQ(graph::label_for("src/core/mod.rs", all), "core/mod.rs");
  EXPECT_EQ(graph::label_for("src/lib.rs", all), "lib.rs");
  const std::vector<std::string_view> twins{"x/a/mod.rs", "y/a/mod.rs", "mod.rs"};
  EXPECT_EQ(graph::label_for("x/a/mod.rs", twins), "a/mod.rs");
  EXPECT_EQ(graph::label_for("y/a/mod.rs", twins), "a/mod.rs");
  EXPECT_EQ(graph::label_for("mod.rs", twins), "mod.rs");
  EXPECT_EQ(graph::label_for("a/mod.rs", twins), "a/mod.rs");
  EXPECT_EQ(graph::label_for("dir/", {"dir/", "x"}), "");
  EXPECT_EQ(graph::label_for("dir/", {"dir/", "x/"}), "dir/");
}

TEST(Escape, ThreeReplacementsOnly) {
  EXPECT_EQ(graph::escape("a\\b\"c\nd\re\t{}"), "a\\\\b\\\"c d\re\t{}");
}

TEST(Mermaid, Shapes) {
  struct Row {
    const char* name;
    keystone::Keystone keystone;
    graph::Fills fills;
    std::string expected;
  };
  const Row rows[] = {
      {"empty", keystone_of({}), {}, "graph LR\n"},
      {"artifact",
       keystone_of({module("src/a.rs", {artifact("src/b.rs")}), module("src/b.rs")}),
       {},
       "graph LR\n  subgraph wave0[\"wave 0\"]\n    m1[\"b.rs\"]\n  end\n"
       "  subgraph wave1[\"wave 1\"]\n    m0[\"a.rs\"]\n  end\n  m0 ==> m1\n"},
      {"contract",
       keystone_of({module("src/a.rs", {contract("src/b.rs")}), module("src/b.rs")}),
       {},
       "graph LR\n  subgraph wave0[\"wave 0\"]\n    m0[\"a.rs\"]\n    m1[\"b.rs\"]\n  end\n"
       "  m0 -.-> m1\n"},
      {"self cycle with fills",
       keystone_of({module("a", {artifact("a")}), module("b\"q")}),
       {{"a", "#dbe9f7"}, {"b\"q", "#f5dcdc"}, {"other", "#fff3cd"}},
       "graph LR\n  m0[\"a\"]\n  m1[\"b'q\"]\n  m0 ==> m0\n  style m0 fill:#dbe9f7\n"
       "  style m1 fill:#f5dcdc\n"},
      {"repeated path takes its later identifier",
       keystone_of({module("x"), module("y"), module("x")}),
       {{"x", "#dff5df"}},
       "graph LR\n  subgraph wave0[\"wave 0\"]\n    m2[\"x\"]\n    m1[\"y\"]\n    m2[\"x\"]\n"
       "  end\n  style m2 fill:#dff5df\n  style m2 fill:#dff5df\n"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(graph::to_mermaid_with_fills(row.keystone, row.fills), row.expected) << row.name;
  }
}

TEST(Edges, RepeatsAndSelfEdgesKept) {
  const auto k = keystone_of(
      {module("a", {artifact("b"), artifact("b"), contract("a"), artifact("zz")}), module("b")});
  const auto edges = graph::internal_edges(k.modules);
  ASSERT_EQ(edges.size(), 3u);
  EXPECT_EQ(edges[2].to, "a");
  EXPECT_EQ(edges[2].needs, keystone::DependencyNeeds::Contract);
  const auto waves = graph::wave_of(k);
  EXPECT_EQ(waves.at("a"), 1u);
  EXPECT_EQ(waves.at("b"), 0u);
}

}  // namespace
