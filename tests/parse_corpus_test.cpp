// The parser's golden corpus, kept as data under tests/parse/<area>/:
//   <case>.rs        a small Rust source file
//   <case>.expected  the one JSON line `survey-dump tests/parse` prints for it (its path taken
//                    relative to tests/parse): the file's survey record, or {"parsed":false}
//                    for a file that must not parse
// survey-dump runs once over the whole corpus; each case compares its own line. A case without
// an .expected fails, and so does an .expected without its source.
// Set UPDATE_GOLDEN=1 to rewrite the expectations from what the parser does now.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "support.hpp"

namespace {

namespace fs = std::filesystem;

const fs::path kCorpus = fs::path(QK_SOURCE_DIR) / "tests" / "parse";

// Every file of the corpus with extension `ext`, as its path relative to the corpus without
// the extension, in byte order.
std::vector<std::string> corpus_stems(const std::string& ext) {
  std::vector<std::string> stems;
  if (!fs::is_directory(kCorpus)) return stems;
  for (const auto& entry : fs::recursive_directory_iterator(kCorpus)) {
    if (!entry.is_regular_file() || entry.path().extension() != ext) continue;
    std::string rel = fs::relative(entry.path(), kCorpus).generic_string();
    rel.resize(rel.size() - ext.size());
    stems.push_back(std::move(rel));
  }
  std::sort(stems.begin(), stems.end());
  return stems;
}

// The "path" member that opens a survey-dump line (corpus paths need no JSON escapes).
std::string record_path(const std::string& line) {
  const std::string key = "{\"path\":\"";
  if (!line.starts_with(key)) return {};
  const std::size_t close = line.find('"', key.size());
  if (close == std::string::npos) return {};
  return line.substr(key.size(), close - key.size());
}

// The lines survey-dump prints over the corpus, by path; read once for all cases.
const std::map<std::string, std::string>& dumped() {
  static const std::map<std::string, std::string> lines = [] {
    std::map<std::string, std::string> by_path;
    std::string out;
    support::run_shell(std::string(QK_BINARY_DIR) + "/survey-dump " + kCorpus.string(), &out);
    std::istringstream in(out);
    std::string line;
    while (std::getline(in, line)) by_path[record_path(line)] = line + "\n";
    return by_path;
  }();
  return lines;
}

bool updating() {
  const char* update = std::getenv("UPDATE_GOLDEN");
  return update && *update && std::string(update) != "0";
}

class ParseCase : public testing::TestWithParam<std::string> {};

TEST_P(ParseCase, MatchesGolden) {
  const std::string& stem = GetParam();
  const auto it = dumped().find(stem + ".rs");
  ASSERT_NE(it, dumped().end()) << "survey-dump printed no record for " << stem << ".rs";
  const fs::path expected = kCorpus / (stem + ".expected");
  if (updating()) {
    std::ofstream(expected, std::ios::binary | std::ios::trunc) << it->second;
    return;
  }
  ASSERT_TRUE(fs::exists(expected)) << stem << ".rs has no .expected";
  EXPECT_EQ(it->second, support::slurp(expected.string())) << "record of " << stem << ".rs";
}

// An expectation whose source is gone would go unnoticed otherwise.
TEST(ParseCorpus, EveryExpectationHasItsSource) {
  const std::vector<std::string> sources = corpus_stems(".rs");
  for (const std::string& stem : corpus_stems(".expected")) {
    EXPECT_TRUE(std::binary_search(sources.begin(), sources.end(), stem))
        << stem << ".expected has no " << stem << ".rs";
  }
}

INSTANTIATE_TEST_SUITE_P(Golden, ParseCase, testing::ValuesIn(corpus_stems(".rs")),
                         [](const testing::TestParamInfo<std::string>& info) {
                           return support::test_name(info.param);
                         });
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(ParseCase);

}  // namespace
