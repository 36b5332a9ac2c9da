#include "fsys.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// ---------------------------------------------------------------------------------------------
// Path components

TEST(PathRules, FileNameStemAndExtension) {
  struct Row {
    std::string path, name, stem, extension;
  };
  const Row rows[] = {
      {.path = "src/a.rs", .name = "a.rs", .stem = "a", .extension = "rs"},
      {.path = "a.rs", .name = "a.rs", .stem = "a", .extension = "rs"},
      {.path = "src/a.b.rs", .name = "a.b.rs", .stem = "a.b", .extension = "rs"},
      {.path = "src/.hidden", .name = ".hidden", .stem = ".hidden", .extension = ""},
      {.path = "src/.hidden.rs", .name = ".hidden.rs", .stem = ".hidden", .extension = "rs"},
      {.path = ".rs", .name = ".rs", .stem = ".rs", .extension = ""},
      {.path = "..rs", .name = "..rs", .stem = ".", .extension = "rs"},
      {.path = "src/foo.", .name = "foo.", .stem = "foo", .extension = ""},
      {.path = "keystone.json", .name = "keystone.json", .stem = "keystone", .extension = "json"},
      {.path = "dir.json/", .name = "dir.json", .stem = "dir", .extension = "json"},
      {.path = "a//b.rs", .name = "b.rs", .stem = "b", .extension = "rs"},
      {.path = "a/./b.rs", .name = "b.rs", .stem = "b", .extension = "rs"},
      {.path = "a/.", .name = "a", .stem = "a", .extension = ""},
      {.path = "./a.rs", .name = "a.rs", .stem = "a", .extension = "rs"},
      {.path = "/a.rs", .name = "a.rs", .stem = "a", .extension = "rs"},
      {.path = "", .name = "", .stem = "", .extension = ""},
      {.path = ".", .name = "", .stem = "", .extension = ""},
      {.path = "./", .name = "", .stem = "", .extension = ""},
      {.path = "..", .name = "", .stem = "", .extension = ""},
      {.path = "src/..", .name = "", .stem = "", .extension = ""},
      {.path = "/", .name = "", .stem = "", .extension = ""},
      {.path = "//.", .name = "", .stem = "", .extension = ""},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(fsys::file_name(row.path), row.name) << "file name of \"" << row.path << '"';
    EXPECT_EQ(fsys::file_stem(row.path), row.stem) << "stem of \"" << row.path << '"';
    EXPECT_EQ(fsys::extension(row.path), row.extension) << "extension of \"" << row.path << '"';
  }
}

TEST(PathRules, ComponentsAndTheirRanges) {
  struct Row {
    std::string path;
    std::vector<std::string> texts;
  };
  const Row rows[] = {
      {.path = "a/b", .texts = {"a", "b"}},
      {.path = "/a//b/", .texts = {"/", "a", "b"}},
      {.path = "./a/./b/.", .texts = {".", "a", "b"}},
      {.path = "/./a", .texts = {"/", "a"}},
      {.path = "a/../b", .texts = {"a", "..", "b"}},
      {.path = "", .texts = {}},
  };
  for (const Row& row : rows) {
    std::vector<std::string> texts;
    for (const fsys::Component& c : fsys::components(row.path)) {
      texts.emplace_back(c.text);
      EXPECT_EQ(row.path.substr(c.begin, c.end - c.begin), c.text) << "range in " << row.path;
    }
    EXPECT_EQ(texts, row.texts) << "components of \"" << row.path << '"';
  }
}

}  // namespace
