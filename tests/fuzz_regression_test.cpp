// Replays, through the fuzz harnesses, every input kept for them: the hand-made seeds
// (fuzz/seeds/<target>/) and every input that once made a target crash or hang
// (fuzz/regressions/<target>/). Each must pass its harness's checks, within a time bound.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "../fuzz/targets.hpp"
#include "fsys.hpp"

namespace {

// Far above the fuzzer's one second, so that a slow machine or a sanitizer build does not fail
// the test; an input that hangs takes much longer.
constexpr auto kTimeBound = std::chrono::seconds(10);

struct KeptInput {
  std::string path;
  std::string data;
};

std::vector<KeptInput> kept_inputs(std::string_view kind, std::string_view target) {
  const std::string dir = fsys::join(fsys::join(QK_SOURCE_DIR "/fuzz", kind), target);
  std::vector<KeptInput> inputs;
  const auto entries = fsys::list_dir(dir);
  if (!entries) return inputs;  // nothing kept for this target
  for (const fsys::DirEntry& e : *entries) {
    if (e.type != fsys::EntryType::File || e.name.starts_with('.')) continue;
    const std::string path = fsys::join(dir, e.name);
    auto data = fsys::read_file(path);
    EXPECT_TRUE(data.has_value()) << path << ": " << data.error().message;
    if (data) inputs.push_back({path, std::move(*data)});
  }
  std::sort(inputs.begin(), inputs.end(),
            [](const KeptInput& a, const KeptInput& b) { return a.path < b.path; });
  return inputs;
}

class KeptInputs : public testing::TestWithParam<fuzz::Target> {};

TEST_P(KeptInputs, PassTheirHarness) {
  const fuzz::Target& target = GetParam();
  std::size_t replayed = 0;
  for (const std::string_view kind : {"seeds", "regressions"}) {
    for (const KeptInput& input : kept_inputs(kind, target.name)) {
      const auto start = std::chrono::steady_clock::now();
      const fuzz::Finding finding = target.check(input.data);
      const auto took = std::chrono::steady_clock::now() - start;
      EXPECT_EQ(finding, "") << input.path;
      EXPECT_LT(took, kTimeBound)
          << input.path << " took "
          << std::chrono::duration_cast<std::chrono::milliseconds>(took).count() << " ms";
      ++replayed;
    }
  }
  EXPECT_GT(replayed, 0u) << "no seeds for " << target.name;
}

INSTANTIATE_TEST_SUITE_P(Fuzz, KeptInputs, testing::ValuesIn(fuzz::kTargets),
                         [](const testing::TestParamInfo<fuzz::Target>& info) {
                           return std::string(info.param.name);
                         });

// Found by the keystone target: JSON parsers refuse numbers too large for a double, or integers
// beyond 64 bits, which strict JSON allows; in an undeclared member they must be skipped like any
// other value.
TEST(KeystoneRead, NumbersTooLargeForTheParser) {
  const std::string base = R"("idea": "i", "essential_complexity": "e", "modules": [])";
  struct Row {
    std::string doc;
    bool reads;
    std::string idea = "i";
  };
  const Row rows[] = {
      {"{\"x\": 1e400, " + base + "}", true},
      {"{\"x\": [-1E+999, 0.5e309, {\"y\": 1" + std::string(400, '0') + "}], " + base + "}", true},
      {"{" + base + ", \"x\": 1e400}", true},
      {"[\"i\", null, \"e\", [], 1e400]", false},  // a positional record has no room for it
      {R"({"idea": 1e400, "essential_complexity": "e", "modules": []})", false},
      {R"({"idea": "i", "essential_complexity": "e", "modules": [1e400]})", false},
      {R"({"idea": "1e400 \" 1e400", "essential_complexity": "e", "modules": [], "x": 1e400})",
       true, "1e400 \" 1e400"},
      {"{\"x\": 1e400, \"x\": 01e400, " + base + "}", false},  // still strict: no leading zero
      {"{\"x\": [18446744073709551616, -9223372036854775809], " + base + "}", true},
      {"{\"x\": 1" + std::string(30, '0') + ".5e-3, " + base + "}", true},
      {"[\"i\", null, \"e\", [], 18446744073709551616]", false},
      {"{\"x\": 1e400, \"x\": 1e400.5, " + base + "}", false},
  };
  for (const Row& row : rows) {
    const auto read = keystone::Keystone::deserialize(row.doc);
    EXPECT_EQ(read.has_value(), row.reads) << row.doc;
    if (read && row.reads) {
      EXPECT_EQ(read->idea, row.idea) << row.doc;
    }
  }
}

// TokenBuffer::text gives a punctuation token its character (it once threw std::out_of_range:
// its table of characters was an empty string_view).
TEST(TokenText, PunctuationIsItsCharacter) {
  const std::string source =
      fsys::read_file(QK_SOURCE_DIR "/fuzz/regressions/lex/text-of-punctuation.rs").value_or("");
  const auto lexed = rust::lex(source);
  ASSERT_TRUE(lexed.has_value());
  for (std::uint32_t i = 0; i < lexed->size(); ++i) {
    if ((*lexed)[i].kind != rust::TokenKind::Punct) continue;
    std::string text;
    try {
      text = std::string(lexed->text(i));
    } catch (const std::exception& e) {
      text = std::string("exception: ") + e.what();
    }
    EXPECT_EQ(text, std::string(1, (*lexed)[i].punct())) << "token " << i;
  }
}

}  // namespace
