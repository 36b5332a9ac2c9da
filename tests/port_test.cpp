#include "port.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <nlohmann/json.hpp>
#include <set>
#include <tuple>

#include "support.hpp"

namespace {

using port::Decl;
using port::PortItem;
using port::Survey;
using port::Symbol;
using port::SymbolKind;

constexpr SymbolKind F = SymbolKind::Function;
constexpr SymbolKind M = SymbolKind::Method;
constexpr SymbolKind T = SymbolKind::Type;

// What points into a survey, a report or a line cannot be taken from a temporary one.
template <typename T>
constexpr bool candidates_of = requires(T t) {
  static_cast<T&&>(t).duplication_candidates();
};
template <typename T>
constexpr bool exported_of = requires(T t) {
  static_cast<T&&>(t).missing_exported();
};
template <typename T>
constexpr bool words_of = requires(T t) {
  port::split_word(static_cast<T&&>(t));
  port::leading_ident(static_cast<T&&>(t));
};
static_assert(candidates_of<const Survey&> && !candidates_of<Survey>);
static_assert(exported_of<const port::PortReport&> && !exported_of<port::PortReport>);
static_assert(words_of<const std::string&> && words_of<const char*> && !words_of<std::string>);

std::string describe(const std::optional<Decl>& d) {
  if (!d) return "nothing";
  const char* kind = d->kind == F ? "function" : d->kind == M ? "method" : "type";
  return d->name + " " + kind + (d->exported ? " exported" : " unexported");
}

// ---------------------------------------------------------------------------------------------
// Normalisation

TEST(NormaliseName, Table) {
  struct Row {
    std::string name, norm;
  };
  const Row rows[] = {
      {"JSONParser", "json_parser"},
      {"SQLQueryBuilder", "sql_query_builder"},
      {"IOError", "io_error"},
      {"parseURL2", "parse_url2"},
      {"getJSON", "get_json"},
      {"getURL", "get_url"},
      {"GetUrl", "get_url"},
      {"get_url", "get_url"},
      {"__get_url__", "get_url"},
      {"UTF8String", "utf8_string"},
      {"Vec2D", "vec2_d"},
      {"IPv6Addr", "i_pv6_addr"},
      {"A1B", "a1_b"},
      {"snake_Case", "snake_case"},
      {"my__Name", "my_name"},
      {"__init__", "init"},
      {"_private", "private"},
      {"ABC", "abc"},
      {"user-ID", "user-id"},
      {"ÉtatCivil", "état_civil"},
      {"", ""},
      {"___", ""},
      // Each capital is lowered on its own: no final-sigma form.
      {"ΟΔΟΣ", "οδοσ"},
      // The full lowercase mapping can give two characters.
      {"İstanbul", "i\xCC\x87stanbul"},
      // A titlecase letter is not uppercase: no '_' before it, lowered at the end.
      {"fooǅx", "fooǆx"},
      // Only ASCII digits start a word before a capital.
      {"x\u0663Y", "x\u0663y"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(port::normalise_name(row.name), row.norm) << "name: " << row.name;
  }
}

// ---------------------------------------------------------------------------------------------
// Shared text rules

TEST(TextRules, SplitWordAndLeadingIdent) {
  struct SplitRow {
    std::string in, word, rest;
  };
  const SplitRow splits[] = {
      {"def  f(x)", "def", "f(x)"},     {"word", "word", ""}, {" lead", "", "lead"}, {"", "", ""},
      {"a\u3000\u00a0b c", "a", "b c"},
  };
  for (const SplitRow& row : splits) {
    const port::WordSplit got = port::split_word(row.in);
    EXPECT_EQ(got.word, row.word) << "split: " << row.in;
    EXPECT_EQ(got.rest, row.rest) << "split: " << row.in;
  }
  struct IdentRow {
    std::string in, ident;
  };
  const IdentRow idents[] = {
      {"foo(bar)", "foo"}, {"2fast x", "2fast"},      {"_a_1.b", "_a_1"}, {"(x)", ""}, {"", ""},
      {"état<T>", "état"}, {"x\u0663y-", "x\u0663y"},
  };
  for (const IdentRow& row : idents) {
    EXPECT_EQ(port::leading_ident(row.in), row.ident) << "ident: " << row.in;
  }
}

TEST(TextRules, IsTypeCase) {
  for (const char* name : {"Foo", "_Foo", "FooBAR", "Éa"}) {
    EXPECT_TRUE(port::is_type_case(name)) << name;
  }
  for (const char* name : {"FOO", "F", "F1", "foo", "__Foo", "_", ""}) {
    EXPECT_FALSE(port::is_type_case(name)) << name;
  }
}

TEST(TextRules, AliasesAType) {
  for (const char* rhs : {"int", "list[int]", "int | None", "np.ndarray", "typing.Dict[str, int]",
                          "  _T", "std.mem.Allocator;"}) {
    EXPECT_TRUE(port::aliases_a_type(rhs)) << rhs;
  }
  for (const char* rhs : {"dict()", "pkg.make()", "42", "None", "lambda x: x", "pkg.", "", "  ",
                          "'text'", "[int]", "@This()", "not x", "await f"}) {
    EXPECT_FALSE(port::aliases_a_type(rhs)) << rhs;
  }
}

// ---------------------------------------------------------------------------------------------
// Recognisers

struct DeclRow {
  std::string line;
  std::string expected;  // describe() of the result
};

void check_rows(port::Recogniser recognise, const std::vector<DeclRow>& rows) {
  for (const DeclRow& row : rows) {
    EXPECT_EQ(describe(recognise(row.line)), row.expected) << "line: \"" << row.line << "\"";
  }
}

TEST(Recognisers, Go) {
  check_rows(port::go_decl,
             {
                 {"func (s *Server) Start(ctx context.Context) error {", "Start method exported"},
                 {"func main() {", "main function unexported"},
                 {"type handler struct {", "handler type unexported"},
                 {"type (", "nothing"},
                 {"func(x int) {}", "nothing"},
                 {"func\tF()", "nothing"},
                 {"    func F()", "nothing"},
                 {"\tName string", "nothing"},
                 {"func (broken receiver", "nothing"},
                 {"func   Spaced()", "Spaced function exported"},
                 {"func Élan()", "Élan function exported"},
                 {"var X = 1", "nothing"},
                 {"// func F()", "nothing"},
                 {"", "nothing"},
             });
}

TEST(Recognisers, TypeScript) {
  check_rows(port::ts_decl,
             {
                 {"export function load(path: string) {", "load function exported"},
                 {"function local() {", "local function unexported"},
                 {"export default class App {", "App type exported"},
                 {"export const fetchUser = async (id) => {", "fetchUser function exported"},
                 {"const handler = <T>(x: T) => x", "handler function unexported"},
                 {"export const LIMIT = 10", "nothing"},
                 {"export const run =", "nothing"},
                 {"  async render(): Promise<void> {", "render method exported"},
                 {"  private update<T>(v: T) {", "update method unexported"},
                 {"  *items() {", "items method exported"},
                 {"  constructor(private x: number) {", "nothing"},
                 {"  if (x) {", "nothing"},
                 {"  value = () => {", "nothing"},
                 {"export function* gen() {", "gen function exported"},
                 {"function *gen() {", "gen function unexported"},
                 {"export interface Props {", "Props type exported"},
                 {"declare namespace NS {", "NS type exported"},
                 {"export type Id = string;", "Id type exported"},
                 {"const slow = async(x) => x", "slow function unexported"},
                 {"  function inner() {", "inner function exported"},
                 {"  class Inner {", "nothing"},
                 {"  protected static make(): X {", "make method unexported"},
                 {"  render(): void;", "nothing"},
                 {"  } else if (y) {", "nothing"},
                 {" * text", "nothing"},
                 {" */", "nothing"},
                 {"*", "nothing"},
                 {"// function x() {", "nothing"},
                 {"/* function x() { */", "nothing"},
                 {"export", "nothing"},
                 {"export default", "nothing"},
                 {"import { x } from 'y'", "nothing"},
                 {"", "nothing"},
             });
}

TEST(Recognisers, Zig) {
  check_rows(port::zig_decl,
             {
                 {"pub const Point = struct {", "Point type exported"},
                 {"const Allocator = std.mem.Allocator;", "Allocator type unexported"},
                 {"const Error = error{ Oops };", "Error type unexported"},
                 {"const max_len = 64;", "nothing"},
                 {"const Self = @This();", "nothing"},
                 {"pub fn init() Self {", "init function exported"},
                 {"    pub fn deinit(self: *Self) void {", "deinit method exported"},
                 {"export fn add(a: i32, b: i32) i32 {", "add function unexported"},
                 {"pub inline fn fast() void {", "fast function exported"},
                 {"const Tag = enum(u8) {", "Tag type unexported"},
                 {"const Node = packed struct {", "Node type unexported"},
                 {"const S = structure;", "nothing"},
                 {"const Opaque = opaque", "Opaque type unexported"},
                 {"    const Inner = struct {", "nothing"},
                 {"const Point", "nothing"},
                 {"var Global = struct {};", "nothing"},
                 {"test \"x\" {", "nothing"},
                 {"// pub fn hidden() void {", "nothing"},
                 {"pub", "nothing"},
                 {"", "nothing"},
             });
}

TEST(Recognisers, Swift) {
  check_rows(
      port::swift_decl,
      {
          {"@MainActor final class ViewModel: ObservableObject {", "ViewModel type exported"},
          {"    @objc private func tap(_ sender: Any) {", "tap method unexported"},
          {"    class func make() -> Self {", "make method exported"},
          {"fileprivate func tidy() {", "tidy function unexported"},
          {"    init(x: Int) {", "nothing"},
          {"extension Foo {", "nothing"},
          {"    struct Inner {", "nothing"},
          {"    private(set) func set() {", "set method unexported"},
          {"public protocol Drawable {", "Drawable type exported"},
          {"typealias Handler = (Int) -> Void", "Handler type exported"},
          {"class Foo {", "Foo type exported"},
          {"public func", "nothing"},
          {"func (", "nothing"},
          {"var x = 1", "nothing"},
          {"", "nothing"},
      });
}

TEST(Recognisers, Kotlin) {
  check_rows(port::kotlin_decl,
             {
                 {"fun <T> List<T>.second(): T = this[1]", "second function exported"},
                 {"private fun String.shout() = uppercase()", "shout function unexported"},
                 {"data class User(val name: String)", "User type exported"},
                 {"fun interface Listener {", "Listener type exported"},
                 {"    override fun onCreate(state: Bundle?) {", "onCreate method exported"},
                 {"    companion object {", "nothing"},
                 {"val x = 1", "nothing"},
                 {"@JvmStatic fun main(args: Array<String>) {", "main function exported"},
                 {"protected open class Base", "Base type unexported"},
                 {"fun interfaceFoo() {", "interfaceFoo function exported"},
                 {"suspend fun <T : Any> Flow<T>.collectAll() {", "collectAll function exported"},
                 {"enum class Color {", "Color type exported"},
                 {"typealias Name = String", "Name type exported"},
                 {"    class Nested", "nothing"},
                 {"// fun hidden()", "nothing"},
                 {" * fun doc()", "nothing"},
                 {"private", "nothing"},
                 {"", "nothing"},
             });
}

TEST(Recognisers, Python) {
  check_rows(port::python_decl,
             {
                 {"async def fetch(url):", "fetch function exported"},
                 {"    def _helper(self):", "_helper method unexported"},
                 {"    def __init__(self):", "nothing"},
                 {"class Foo(Base):", "Foo type exported"},
                 {"UserId = int", "UserId type exported"},
                 {"Handler: TypeAlias = Callable[[int], None]", "Handler type exported"},
                 {"handler: typing.TypeAlias = Callable", "handler type exported"},
                 {"type Pair[T] = tuple[T, T]", "Pair type exported"},
                 {"MAX_SIZE = 100", "nothing"},
                 {"Config = make_config()", "nothing"},
                 {"Total += Extra", "nothing"},
                 {"if Foo == Bar:", "nothing"},
                 {"_Private = int", "_Private type unexported"},
                 {"def _(x):", "_ function unexported"},
                 {"def __(x):", "nothing"},
                 {"def __mangled(x):", "nothing"},
                 {"    async def run(self):", "run method exported"},
                 {"    class Inner:", "nothing"},
                 {"    Alias = int", "nothing"},
                 {"Pair[T] = tuple", "nothing"},
                 {"x: int = 5", "nothing"},
                 {"Id: int = 5", "nothing"},
                 {"(Foo := int)", "nothing"},
                 {"Flag != Other", "nothing"},
                 {"__Meta = type", "nothing"},
                 {"type Json = dict[str, Json]", "Json type exported"},
                 {"type = 3", "nothing"},
                 {"# class Foo:", "nothing"},
                 {"", "nothing"},
             });
}

// Lines pieced together from keywords and punctuation: a recogniser never yields an empty name
// and never reads past its line, whatever the mix.
TEST(Recognisers, ArbitraryLinesNeverYieldAnEmptyName) {
  const std::vector<std::string> pieces = {
      "func ",   "type ",  "def ",     "class ",     "fun ",      "fn ", "const ", "pub ",
      "export ", "async ", "private ", "interface ", "@x ",       "(",   ")",      "*",
      "=",       "==",     "<",        ">",          ".",         ":",   "[",      "{",
      " ",       "\t",     "\u3000",   "_",          "__",        "é",   "İ",      "X",
      "y",       "9",      "//",       "#",          "TypeAlias", "\r"};
  std::uint32_t state = 12345;
  const auto next = [&] { return state = state * 1103515245u + 12345u; };
  const port::Recogniser recognisers[] = {port::go_decl,    port::ts_decl,     port::zig_decl,
                                          port::swift_decl, port::kotlin_decl, port::python_decl};
  for (int n = 0; n < 20000; ++n) {
    std::string line;
    for (std::uint32_t k = next() % 8; k > 0; --k) line += pieces[(next() >> 8) % pieces.size()];
    for (const port::Recogniser recognise : recognisers) {
      const auto found = recognise(line);
      ASSERT_TRUE(!found || !found->name.empty()) << "line: \"" << line << "\"";
    }
    ASSERT_EQ(port::normalise_name(port::normalise_name(line)), port::normalise_name(line))
        << "line: \"" << line << "\"";
  }
}

// ---------------------------------------------------------------------------------------------
// Lexical survey

// "name@file" for each symbol, in survey order.
std::vector<std::string> sites(const Survey& survey) {
  std::vector<std::string> out;
  for (const Symbol& s : survey.symbols) out.push_back(s.name + "@" + s.file);
  return out;
}

Survey survey_ok(std::expected<Survey, fsys::IoError> result) {
  EXPECT_TRUE(result.has_value()) << (result ? "" : result.error().message);
  return result ? std::move(*result) : Survey{};
}

TEST(SurveyLexical, EmptyTreesKeepTheLabel) {
  support::TempDir dir;
  dir.write("notes.txt", "func Foo() {}\n");
  const Survey survey = survey_ok(port::survey_go_dir(dir.path(), "my label"));
  EXPECT_EQ(survey.label, "my label");
  EXPECT_TRUE(survey.symbols.empty());
}

TEST(SurveyLexical, WalksByTheProfileRules) {
  support::TempDir dir;
  dir.write("vendor/v.go", "func Vendored() {}\n");
  dir.write("vendor/v.ts", "export function vendored() {}\n");
  dir.write(".github/x.go", "func Hidden() {}\n");
  dir.write("a/.hidden/x.go", "func DeepHidden() {}\n");
  dir.write("a/b/vendor/x.go", "func DeepVendored() {}\n");
  dir.write(".config.go", "func Dotfile() {}\n");
  dir.write("b/x.go", "func Same() {}\n");
  dir.write("a/x.go", "func Same() {}\nfunc Other() {}\n");
  dir.write("a/x_test.go", "func InTest() {}\n");
  const Survey go = survey_ok(port::survey_go_dir(dir.path(), "go"));
  EXPECT_EQ(sites(go), (std::vector<std::string>{"Dotfile@.config.go", "Other@a/x.go",
                                                 "Same@a/x.go", "Same@b/x.go"}));
  const Survey ts = survey_ok(port::survey_ts_dir(dir.path(), "ts"));
  EXPECT_EQ(sites(ts), (std::vector<std::string>{"vendored@vendor/v.ts"}));
}

TEST(SurveyLexical, RootIsWalkedWhateverItsName) {
  support::TempDir dir;
  dir.write(".hidden/x.go", "func A() {}\n");
  dir.write("vendor/y.go", "func B() {}\n");
  EXPECT_EQ(sites(survey_ok(port::survey_go_dir(dir / ".hidden", "h"))),
            (std::vector<std::string>{"A@x.go"}));
  EXPECT_EQ(sites(survey_ok(port::survey_go_dir(dir / "vendor/", "v"))),
            (std::vector<std::string>{"B@y.go"}));
}

TEST(SurveyLexical, SymbolRecordsAndOrder) {
  support::TempDir dir;
  // Three spellings of one name in one file stay in line order; the other file sorts after.
  dir.write("z.go", "func getURL() {}\nfunc GetUrl() {}\ntype get_url int\n");
  dir.write("m/a.go", "func (r *R) GetURL() {}\n");
  const Survey survey = survey_ok(port::survey_go_dir(dir.path(), "t"));
  const std::vector<Symbol> expected = {
      {"GetURL", "get_url", "m/a.go", true, M},
      {"getURL", "get_url", "z.go", false, F},
      {"GetUrl", "get_url", "z.go", true, F},
      {"get_url", "get_url", "z.go", false, T},
  };
  EXPECT_EQ(survey.symbols, expected);
}

// Lines handed to the recorder by the survey.
std::vector<std::string>& recorded() {
  static std::vector<std::string> lines;
  return lines;
}
std::optional<Decl> record_line(std::string_view line) {
  recorded().emplace_back(line);
  return std::nullopt;
}

TEST(SurveyLexical, LineSplitting) {
  struct Row {
    std::string content;
    std::vector<std::string> lines;
  };
  const Row rows[] = {
      {"a\nb", {"a", "b"}},       {"a\nb\n", {"a", "b"}},
      {"a\r\nb\r\n", {"a", "b"}}, {"a\rb\n", {"a\rb"}},
      {"a\r\r\n", {"a\r"}},       {"last\r", {"last\r"}},
      {"\n\n", {"", ""}},         {"", {}},
  };
  for (const Row& row : rows) {
    support::TempDir dir;
    dir.write("f.txt", row.content);
    recorded().clear();
    const auto survey = port::survey_lexical(
        dir.path(), "l", [](std::string_view) { return true; },
        [](std::string_view) { return false; }, record_line);
    ASSERT_TRUE(survey.has_value());
    EXPECT_EQ(recorded(), row.lines) << "content: \"" << row.content << "\"";
  }
}

TEST(SurveyLexical, NamesThatAreNotUtf8) {
  support::TempDir dir;
  dir.write("d\xFF/x\xFE.py", "def run():\n");
  const Survey survey = survey_ok(port::survey_python_dir(dir.path(), "p"));
  EXPECT_EQ(sites(survey), (std::vector<std::string>{"run@d\uFFFD/x\uFFFD.py"}));
}

TEST(SurveyLexical, SymbolicLinks) {
  support::TempDir dir;
  dir.write("real/inner.go", "func Inner() {}\n");
  dir.write("real/target.txt", "func Linked() {}\n");
  dir.symlink("real", "linkdir");             // a link to a directory is never entered
  dir.symlink("real/target.txt", "file.go");  // a link to a file is read through
  const Survey survey = survey_ok(port::survey_go_dir(dir.path(), "s"));
  EXPECT_EQ(sites(survey), (std::vector<std::string>{"Inner@real/inner.go", "Linked@file.go"}));
}

TEST(SurveyLexical, FailuresAbortTheWholeSurvey) {
  struct Row {
    const char* what;
    void (*setup)(const support::TempDir&);
    std::string root;  // relative to the scratch directory
    std::string message;
  };
  const Row rows[] = {
      {"missing root", [](const support::TempDir&) {}, "nope",
       "No such file or directory (os error 2)"},
      {"root is a file", [](const support::TempDir& d) { d.write("f.go", ""); }, "f.go",
       "Not a directory (os error 20)"},
      {"content not UTF-8",
       [](const support::TempDir& d) {
         d.write("a/good.go", "func Good() {}\n");
         d.write("b/bad.go", "func Bad\xFF() {}\n");
       },
       "", "stream did not contain valid UTF-8"},
      {"link to a directory with an accepted name",
       [](const support::TempDir& d) {
         d.mkdir("pkg");
         d.symlink("pkg", "pkg.go");
       },
       "", "Is a directory (os error 21)"},
      {"dangling link", [](const support::TempDir& d) { d.symlink("gone", "x.go"); }, "",
       "No such file or directory (os error 2)"},
      // A FIFO is refused at once rather than waited on.
      {"fifo",
       [](const support::TempDir& d) { ASSERT_EQ(::mkfifo((d / "p.go").c_str(), 0600), 0); }, "",
       "Invalid argument (os error 22)"},
  };
  for (const Row& row : rows) {
    support::TempDir dir;
    row.setup(dir);
    const auto survey = port::survey_go_dir(row.root.empty() ? dir.path() : dir / row.root, "x");
    ASSERT_FALSE(survey.has_value()) << row.what;
    EXPECT_EQ(survey.error().message, row.message) << row.what;
  }
  // Content that is not UTF-8 in a file the profile does not read is never looked at.
  support::TempDir dir;
  dir.write("bad.txt", "\xFF");
  dir.write("ok.go", "func Ok() {}\n");
  EXPECT_EQ(sites(survey_ok(port::survey_go_dir(dir.path(), "x"))),
            (std::vector<std::string>{"Ok@ok.go"}));
}

// ---------------------------------------------------------------------------------------------
// Rust surveys

TEST(FromRust, ConvertsFunctionsAndTypes) {
  using dodureriradi::SurveyedFile;
  using dodureriradi::SurveyedFn;
  using dodureriradi::SurveyedType;
  SurveyedFile lib{.path = "src/lib.rs"};
  lib.fns = {
      SurveyedFn{.name = "check_it", .is_test = true},
      SurveyedFn{.name = "main", .exposed = true},
      SurveyedFn{.name = "new", .vis = "pub", .is_pub = true, .exposed = true, .is_method = true},
      SurveyedFn{.name = "Helper", .vis = "pub(crate)", .exposed = true},
      SurveyedFn{.name = "quiet"},
  };
  lib.types = {SurveyedType{.name = "Helper", .kind = "struct", .vis = "pub(crate)"},
               SurveyedType{.name = "Config", .kind = "struct", .vis = "pub", .is_pub = true}};
  SurveyedFile a{.path = "src/a.rs"};
  a.fns = {SurveyedFn{.name = "helper"}};
  const Survey survey = Survey::from_rust({a, lib}, "rust");
  const std::vector<Symbol> expected = {
      {"Config", "config", "src/lib.rs", true, T}, {"helper", "helper", "src/a.rs", false, F},
      {"Helper", "helper", "src/lib.rs", true, F}, {"Helper", "helper", "src/lib.rs", false, T},
      {"main", "main", "src/lib.rs", true, F},     {"new", "new", "src/lib.rs", true, M},
      {"quiet", "quiet", "src/lib.rs", false, F},
  };
  EXPECT_EQ(survey.label, "rust");
  EXPECT_EQ(survey.symbols, expected);
  EXPECT_TRUE(Survey::from_rust({}, "none").symbols.empty());
}

// ---------------------------------------------------------------------------------------------
// Comparison

// A survey in its own order from (name, file, kind, exported) rows.
struct Sym {
  std::string name, file;
  SymbolKind kind = F;
  bool exported = true;
};
Survey make_survey(std::string label, const std::vector<Sym>& rows) {
  Survey survey{std::move(label), {}};
  for (const Sym& r : rows) {
    survey.symbols.push_back({r.name, port::normalise_name(r.name), r.file, r.exported, r.kind});
  }
  std::stable_sort(survey.symbols.begin(), survey.symbols.end(),
                   [](const Symbol& a, const Symbol& b) {
                     return std::tie(a.norm, a.file) < std::tie(b.norm, b.file);
                   });
  return survey;
}

// The same function name in files f0.x .. f{n-1}.x.
std::vector<Sym> in_files(const std::string& name, int n) {
  std::vector<Sym> out;
  for (int i = 0; i < n; ++i) out.push_back({name, "f" + std::to_string(i) + ".x"});
  return out;
}

std::vector<std::string> norms(const std::vector<PortItem>& items) {
  std::vector<std::string> out;
  for (const PortItem& item : items) out.push_back(item.norm);
  return out;
}

// "missing/added/inherited/introduced/resolved" membership of one name.
std::string lists_of(const port::PortReport& r, const std::string& norm) {
  std::string out;
  const auto mark = [&](const std::vector<PortItem>& items, const char* tag) {
    for (const PortItem& i : items) {
      if (i.norm == norm) out += out.empty() ? tag : std::string(",") + tag;
    }
  };
  mark(r.missing, "missing");
  mark(r.added, "added");
  mark(r.inherited, "inherited");
  mark(r.introduced, "introduced");
  mark(r.resolved, "resolved");
  return out.empty() ? "none" : out;
}

TEST(Compare, EmptySurveys) {
  const auto r = port::compare(make_survey("old", {}), make_survey("new", {}));
  EXPECT_TRUE(r.missing.empty() && r.added.empty() && r.inherited.empty() && r.introduced.empty() &&
              r.resolved.empty());
  EXPECT_EQ(r.old_label, "old");
  EXPECT_EQ(r.new_label, "new");

  const Survey some = make_survey(
      "s",
      {{"zeta", "a.go", F, true}, {"alpha", "a.go", F, false}, {"Dup", "a.go"}, {"dup", "b.go"}});
  const auto from_nothing = port::compare(make_survey("old", {}), some);
  EXPECT_EQ(norms(from_nothing.added), (std::vector<std::string>{"alpha", "dup", "zeta"}));
  EXPECT_EQ(norms(from_nothing.introduced), (std::vector<std::string>{"dup"}));
  EXPECT_TRUE(from_nothing.missing.empty() && from_nothing.inherited.empty() &&
              from_nothing.resolved.empty());

  const auto to_nothing = port::compare(some, make_survey("new", {}));
  EXPECT_EQ(norms(to_nothing.missing), (std::vector<std::string>{"dup", "zeta", "alpha"}));
  ASSERT_EQ(to_nothing.missing_exported().size(), 2u);
  EXPECT_EQ(to_nothing.missing_exported()[1]->norm, "zeta");
  EXPECT_TRUE(to_nothing.added.empty() && to_nothing.introduced.empty() &&
              to_nothing.inherited.empty() && to_nothing.resolved.empty());
}

TEST(Compare, DuplicationByFileCounts) {
  struct Row {
    int old_files, new_files;
    std::string lists;
  };
  const Row rows[] = {
      {1, 1, "none"},       {3, 3, "inherited"}, {3, 1, "resolved"},
      {1, 3, "introduced"}, {3, 6, "resolved"},  {6, 3, "introduced"},
      {5, 5, "none"},       {4, 4, "inherited"}, {0, 2, "added,introduced"},
      {0, 1, "added"},      {2, 0, "missing"},
  };
  for (const Row& row : rows) {
    const auto r = port::compare(make_survey("o", in_files("name", row.old_files)),
                                 make_survey("n", in_files("name", row.new_files)));
    EXPECT_EQ(lists_of(r, "name"), row.lists) << row.old_files << " -> " << row.new_files;
  }
}

TEST(Compare, MatchingAndKinds) {
  // getURL and get_url match: neither lost nor new.
  auto r = port::compare(make_survey("o", {{"getURL", "a.go"}}),
                         make_survey("n", {{"get_url", "a.py"}}));
  EXPECT_EQ(lists_of(r, "get_url"), "none");

  // Methods never make a name duplicated, but are still names.
  r = port::compare(
      make_survey("o", {{"run", "a", M}, {"run", "b", M}, {"run", "c", M}, {"stop", "a", M}}),
      make_survey("n", {{"run", "a", M}, {"run", "b", M}, {"start", "x", M}}));
  EXPECT_EQ(lists_of(r, "run"), "none");
  EXPECT_EQ(lists_of(r, "stop"), "missing");
  EXPECT_EQ(lists_of(r, "start"), "added");

  // A type Parser and a function parser share a name, so the old tree duplicates it.
  r = port::compare(make_survey("o", {{"Parser", "a.go", T}, {"parser", "b.go", F}}),
                    make_survey("n", {{"Parser", "p.py", T}}));
  ASSERT_EQ(r.resolved.size(), 1u);
  EXPECT_EQ(r.resolved[0], (PortItem{"parser", "Parser", {"a.go", "b.go"}, {"p.py"}, true}));

  // File lists count methods too; the duplication judgement does not.
  r = port::compare(make_survey("o", {{"f", "a"}, {"f", "b"}, {"f", "c", M}}),
                    make_survey("n", {{"f", "a"}, {"f", "b"}}));
  ASSERT_EQ(r.inherited.size(), 1u);
  EXPECT_EQ(r.inherited[0].old_files, (std::vector<std::string>{"a", "b", "c"}));
}

TEST(Compare, ChosenSymbol) {
  // Declared in both: name and flag come from the new tree's first symbol (file order first).
  auto r = port::compare(
      make_survey("o", {{"GetUrl", "a", F, true}, {"GetUrl", "b", F, true}}),
      make_survey("n", {{"GetURL", "b", F, true}, {"get_url", "a", F, false}, {"GetUrl", "c"}}));
  ASSERT_EQ(r.inherited.size(), 1u);
  EXPECT_EQ(r.inherited[0], (PortItem{"get_url", "get_url", {"a", "b"}, {"a", "b", "c"}, false}));

  // Not carried over: from the old tree; within a file, the first in line order.
  r = port::compare(make_survey("o", {{"Lost", "b"}, {"LOST", "a", F, false}, {"lost", "a"}}),
                    make_survey("n", {}));
  ASSERT_EQ(r.missing.size(), 1u);
  EXPECT_EQ(r.missing[0], (PortItem{"lost", "LOST", {"a", "b"}, {}, false}));
}

TEST(Compare, ListOrders) {
  // Missing: exported first, each group by name.
  auto r = port::compare(make_survey("o", {{"alpha", "a", F, false},
                                           {"zeta", "a", F, true},
                                           {"beta", "a", F, true},
                                           {"gamma", "a", F, false}}),
                         make_survey("n", {}));
  EXPECT_EQ(norms(r.missing), (std::vector<std::string>{"beta", "zeta", "alpha", "gamma"}));
  EXPECT_EQ(r.missing_exported().size(), 2u);

  // Introduced: by file count, then names of both trees before names new in the rewrite.
  std::vector<Sym> old_rows = {{"zzz", "f0.x"}, {"bbb", "f0.x"}};
  std::vector<Sym> new_rows;
  const std::vector<std::pair<std::string, int>> new_counts = {
      {"zzz", 3}, {"aaa", 3}, {"bbb", 2}, {"ccc", 4}};
  for (const auto& [name, n] : new_counts) {
    for (const Sym& s : in_files(name, n)) new_rows.push_back(s);
  }
  r = port::compare(make_survey("o", old_rows), make_survey("n", new_rows));
  EXPECT_EQ(norms(r.introduced), (std::vector<std::string>{"ccc", "zzz", "aaa", "bbb"}));
  EXPECT_EQ(norms(r.added), (std::vector<std::string>{"aaa", "ccc"}));
  EXPECT_EQ(r.added[0], r.introduced[2]);

  // Inherited: by the larger of the two file counts, ties by name.
  old_rows.clear();
  new_rows.clear();
  const std::vector<std::tuple<std::string, int, int>> counts = {
      {"two", 2, 2}, {"four", 2, 4}, {"three", 3, 2}, {"also3", 3, 3}};
  for (const auto& [name, o, n] : counts) {
    for (const Sym& s : in_files(name, o)) old_rows.push_back(s);
    for (const Sym& s : in_files(name, n)) new_rows.push_back(s);
  }
  r = port::compare(make_survey("o", old_rows), make_survey("n", new_rows));
  EXPECT_EQ(norms(r.inherited), (std::vector<std::string>{"four", "also3", "three", "two"}));
}

// ---------------------------------------------------------------------------------------------
// JSON document

TEST(PortJson, WorkedExample) {
  const Survey old_survey = make_survey("old", {{"ParseHeader", "codec/header.go", F, true}});
  const Survey new_survey = make_survey("new", {});
  const std::string expected = R"({
  "old": {
    "label": "old",
    "symbols": 1,
    "inventory": [
      {
        "name": "ParseHeader",
        "norm": "parse_header",
        "file": "codec/header.go",
        "exported": true
      }
    ]
  },
  "new": {
    "label": "new",
    "symbols": 0
  },
  "missing": [
    {
      "name": "ParseHeader",
      "norm": "parse_header",
      "exported": true,
      "old_files": [
        "codec/header.go"
      ],
      "new_files": []
    }
  ],
  "added": [],
  "inherited_duplication": [],
  "introduced_duplication": [],
  "resolved_duplication": []
})";
  EXPECT_EQ(port::to_json(old_survey, new_survey, port::compare(old_survey, new_survey)), expected);
}

TEST(PortJson, EmptyOldTreeAndSharedNames) {
  const Survey old_survey = make_survey("a", {});
  const Survey new_survey = make_survey("b", {{"x", "n.go"}});
  const std::string doc =
      port::to_json(old_survey, new_survey, port::compare(old_survey, new_survey));
  EXPECT_NE(doc.find("  \"old\": {\n    \"label\": \"a\",\n    \"symbols\": 0,\n"
                     "    \"inventory\": []\n  },\n  \"new\": {\n    \"label\": \"b\",\n"
                     "    \"symbols\": 1\n  },\n  \"missing\": [],\n  \"added\": [\n"
                     "    {\n      \"name\": \"x\",\n      \"norm\": \"x\",\n"
                     "      \"exported\": true,\n      \"old_files\": [],\n"
                     "      \"new_files\": [\n        \"n.go\"\n      ]\n    }\n  ],\n"),
            std::string::npos)
      << doc;
  const std::string same =
      port::to_json(new_survey, new_survey, port::compare(new_survey, new_survey));
  EXPECT_NE(same.find("\"missing\": [],\n  \"added\": [],\n  \"inherited_duplication\": [],\n"
                      "  \"introduced_duplication\": [],\n  \"resolved_duplication\": []\n}"),
            std::string::npos)
      << same;
}

TEST(PortJson, StringEscapes) {
  const std::string label = "q\"b\\s/t\tn\nc\x01\x1b\x7f\b\f\r é";
  const Survey old_survey = make_survey(label, {});
  const std::string doc =
      port::to_json(old_survey, old_survey, port::compare(old_survey, old_survey));
  EXPECT_NE(doc.find(R"("label": "q\"b\\s/t\tn\nc\u0001\u001b)"
                     "\x7f"
                     R"(\b\f\r é",)"),
            std::string::npos)
      << doc;
  // A JSON reader gets the label back unchanged.
  EXPECT_EQ(nlohmann::json::parse(doc)["old"]["label"], label);
  // Text that is not UTF-8 cannot be written: the document is empty.
  const Survey bad = make_survey("bad\xFF", {});
  EXPECT_EQ(port::to_json(bad, bad, port::compare(bad, bad)), "");
}

// ---------------------------------------------------------------------------------------------
// Real trees: Debian's Python library and Go sources, and any TypeScript tree named by
// QK_REAL_TS (tests/real_trees/run.sh packs one). Each skips itself when its tree is absent.

void check_real_tree(const std::string& root, decltype(&port::survey_go_dir) survey_dir,
                     std::size_t min_symbols, const std::set<std::string>& known) {
  if (root.empty() || !fsys::is_directory(root)) GTEST_SKIP() << "'" << root << "' is absent";
  const auto start = std::chrono::steady_clock::now();
  const auto result = survey_dir(root, root);
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                      std::chrono::steady_clock::now() - start)
                      .count();
  ASSERT_TRUE(result.has_value()) << root << ": " << result.error().message;
  const Survey& survey = *result;
  std::size_t kinds[3] = {0, 0, 0};
  std::set<std::string> files, found;
  for (std::size_t i = 0; i < survey.symbols.size(); ++i) {
    const Symbol& s = survey.symbols[i];
    ASSERT_FALSE(s.name.empty()) << s.file;
    ASSERT_EQ(port::normalise_name(s.norm), s.norm) << s.name << " in " << s.file;
    if (i > 0) {
      const Symbol& p = survey.symbols[i - 1];
      ASSERT_LE(std::tie(p.norm, p.file), std::tie(s.norm, s.file)) << s.name;
    }
    ++kinds[static_cast<int>(s.kind)];
    files.insert(s.file);
    if (known.contains(s.name)) found.insert(s.name);
  }
  std::cout << root << ": " << files.size() << " files, " << survey.symbols.size() << " symbols ("
            << kinds[0] << " functions, " << kinds[1] << " methods, " << kinds[2] << " types), "
            << survey.duplication_candidates().size() << " names, " << ms << " ms\n";
  EXPECT_GE(survey.symbols.size(), min_symbols);
  EXPECT_GT(kinds[0], 0u);
  EXPECT_GT(kinds[1], 0u);
  EXPECT_GT(kinds[2], 0u);
  EXPECT_EQ(found, known);
  // A tree compared with itself has nothing lost or new.
  const auto report = port::compare(survey, survey);
  EXPECT_TRUE(report.missing.empty() && report.added.empty() && report.introduced.empty() &&
              report.resolved.empty());
  EXPECT_FALSE(port::to_json(survey, survey, report).empty());
}

// Where the standard library of Debian's Python is, as the interpreter says: the python3 package
// the build installs, else the python3 on PATH; empty when neither answers. (Another interpreter
// found first on PATH may bring its library's own tests, some in encodings other than UTF-8,
// which make a lexical survey of the tree fail.)
std::string python_library() {
  const std::string ask =
      " -c 'import sysconfig; print(sysconfig.get_paths()[\"stdlib\"])' 2>/dev/null";
  std::string out;
  if (support::run_shell("/usr/bin/python3" + ask, &out) != 0 &&
      support::run_shell("python3" + ask, &out) != 0) {
    return {};
  }
  while (out.ends_with('\n')) out.pop_back();
  return out;
}

TEST(RealTrees, PythonLibrary) {
  check_real_tree(python_library(), port::survey_python_dir, 10000,
                  {"OrderedDict", "JSONDecoder", "urlparse", "Path"});
}

TEST(RealTrees, GoSources) {
  check_real_tree("/usr/share/gocode/src/golang.org/x/text", port::survey_go_dir, 1000,
                  {"Tag", "NewReader", "Transformer"});
}

TEST(RealTrees, TypeScriptSources) {
  const char* root = std::getenv("QK_REAL_TS");
  if (!root) GTEST_SKIP() << "QK_REAL_TS names no TypeScript tree";
  check_real_tree(root, port::survey_ts_dir, 200, {});
}

}  // namespace
