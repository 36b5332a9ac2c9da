#include "fsys.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support.hpp"

namespace {

// ---------------------------------------------------------------------------------------------
// Tree walk

/// The root-relative paths of the entries a walk hands over, in its order; "!" and the error
/// text last when it fails.
std::vector<std::string> walked(const std::string& root, const fsys::WalkRules& rules) {
  std::vector<std::string> seen;
  const auto result = fsys::walk(root, rules, [&](const fsys::WalkEntry& entry) {
    seen.push_back(entry.relative());
    return std::expected<void, fsys::IoError>();
  });
  if (!result) seen.push_back("! " + result.error().message);
  return seen;
}

std::vector<std::string> sorted(std::vector<std::string> v) {
  std::sort(v.begin(), v.end());
  return v;
}

bool is_build(std::string_view name) { return name == "build"; }

TEST(Walk, SkipsHiddenAndNamedDirectoriesBelowTheRoot) {
  support::TempDir t;
  t.write("src/a.rs", "");
  t.write(".git/b.rs", "");
  t.write("build/c.rs", "");
  t.write("src/build/d.rs", "");
  t.write(".e.rs", "");  // a hidden file is handed over
  EXPECT_EQ(sorted(walked(t.path(), {.skip = is_build})),
            (std::vector<std::string>{".e.rs", "src/a.rs"}));
  EXPECT_EQ(
      sorted(walked(t.path(), {.hidden = true})),
      (std::vector<std::string>{".e.rs", ".git/b.rs", "build/c.rs", "src/a.rs", "src/build/d.rs"}));
  // The root is walked whatever its name.
  EXPECT_EQ(walked(t / "build", {.skip = is_build}), (std::vector<std::string>{"c.rs"}));
  EXPECT_EQ(walked(t / ".git", {}), (std::vector<std::string>{"b.rs"}));
}

TEST(Walk, OrderOfDirectories) {
  support::TempDir t;
  t.write("x/x.rs", "");
  t.write("y/z/z.rs", "");
  t.write("f.rs", "");
  const auto listing = fsys::list_dir(t.path());
  ASSERT_TRUE(listing);
  std::vector<std::string> first_listed;  // x and y in the order the root's listing gives them
  for (const fsys::DirEntry& e : *listing) {
    if (e.name != "f.rs") first_listed.push_back(e.name);
  }
  const auto file_in = [](const std::string& name) {
    return name == "f.rs" ? "f.rs" : name == "x" ? "x/x.rs" : "y/z/z.rs";
  };
  // Nested: each directory where the listing names it, so f.rs may stand between them.
  std::vector<std::string> nested;
  for (const fsys::DirEntry& e : *listing) nested.push_back(file_in(e.name));
  EXPECT_EQ(walked(t.path(), {.nested = true}), nested);
  // Otherwise: the root's files first, then its subdirectories, the last listed first.
  std::vector<std::string> stacked{"f.rs"};
  for (auto it = first_listed.rbegin(); it != first_listed.rend(); ++it) {
    stacked.push_back(file_in(*it));
  }
  EXPECT_EQ(walked(t.path(), {}), stacked);
}

TEST(Walk, LinksFollowedOrNot) {
  support::TempDir t;
  t.write("real/f.rs", "");
  t.symlink("real", "link");       // a second way into real/
  t.symlink("..", "real/up");      // back to the root: a cycle
  t.symlink("f.rs", "real/g.rs");  // a link to a file
  t.symlink("missing", "dangling");
  EXPECT_EQ(sorted(walked(t.path(), {})),
            (std::vector<std::string>{"dangling", "link", "real/f.rs", "real/g.rs", "real/up"}));
  EXPECT_EQ(
      sorted(walked(t.path(), {.follow_links = true})),
      (std::vector<std::string>{"dangling", "link/f.rs", "link/g.rs", "real/f.rs", "real/g.rs"}));
}

TEST(Walk, UnlistableDirectoriesAndFailingVisits) {
  support::TempDir t;
  t.write("file.rs", "");
  EXPECT_EQ(walked(t / "missing", {}),
            (std::vector<std::string>{"! No such file or directory (os error 2)"}));
  EXPECT_EQ(walked(t / "file.rs", {}),
            (std::vector<std::string>{"! Not a directory (os error 20)"}));
  EXPECT_TRUE(walked(t / "missing", {.pass_over_unlistable = true}).empty());

  t.write("a/one.rs", "");
  t.write("a/two.rs", "");
  std::size_t visits = 0;
  const auto result = fsys::walk(t.path(), {}, [&](const fsys::WalkEntry&) {
    ++visits;
    return std::expected<void, fsys::IoError>(std::unexpected(fsys::IoError{"stop"}));
  });
  ASSERT_FALSE(result);
  EXPECT_EQ(result.error().message, "stop");
  EXPECT_EQ(visits, 1u);
}

TEST(Walk, EntryPathsAndNamesThatAreNotUtf8) {
  support::TempDir t;
  t.write("d\xff/x\xfe.rs", "");
  std::vector<std::string> dirs, paths, relatives;
  ASSERT_TRUE(fsys::walk(t.path(), {}, [&](const fsys::WalkEntry& entry) {
    dirs.push_back(entry.dir);
    paths.push_back(entry.path);
    relatives.push_back(entry.rel + "|" + entry.relative());
    return std::expected<void, fsys::IoError>();
  }));
  EXPECT_EQ(dirs, (std::vector<std::string>{t / "d\xff"}));
  EXPECT_EQ(paths, (std::vector<std::string>{t / "d\xff/x\xfe.rs"}));
  EXPECT_EQ(relatives, (std::vector<std::string>{"d\uFFFD|d\uFFFD/x\uFFFD.rs"}));
}

// ---------------------------------------------------------------------------------------------
// Path components

// The functions that return a view into their text take a literal, a view or a named string,
// and refuse a temporary string, whose view would dangle.
template <typename Text>
constexpr bool views_into = requires(Text t) {
  fsys::components(static_cast<Text&&>(t));
  fsys::file_name(static_cast<Text&&>(t));
  fsys::file_stem(static_cast<Text&&>(t));
  fsys::extension(static_cast<Text&&>(t));
  text::trim(static_cast<Text&&>(t));
  text::trim_start(static_cast<Text&&>(t));
  text::trim_end(static_cast<Text&&>(t));
};
static_assert(views_into<const char*> && views_into<std::string_view> &&
              views_into<const std::string&> && views_into<std::string&>);
static_assert(!views_into<std::string>);

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
