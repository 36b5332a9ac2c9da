#include "keystone.hpp"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

#include "keystone_builders.hpp"
#include "support.hpp"
#include "text.hpp"

namespace {

using keystone::Dependency;
using keystone::DependencyNeeds;
using keystone::Keystone;
using keystone::Module;

// A module as written by `{"path": P, "secret": "s", "exposes": [], "laws": []}`.
Module bare(std::string path) {
  Module m;
  m.path = std::move(path);
  m.secret = "s";
  return m;
}

Keystone with_modules(std::vector<Module> modules) {
  Keystone k;
  k.idea = "i";
  k.essential_complexity = "e";
  k.modules = std::move(modules);
  return k;
}

Module with_dependency(Dependency d) {
  Module m = bare("m");
  m.depends_on.push_back(std::move(d));
  return m;
}

// A keystone document whose single module is `module`.
std::string doc_with_module(const std::string& module) {
  return R"({"idea": "i", "essential_complexity": "e", "modules": [)" + module + "]}";
}

// A keystone document whose single module has the single dependency `dep`.
std::string doc_with_dependency(const std::string& dep) {
  return doc_with_module(R"({"path": "m", "secret": "s", "exposes": [], "laws": [], )"
                         R"("depends_on": [)" +
                         dep + "]}");
}

TEST(KeystoneRead, Accepts) {
  struct Row {
    const char* name;
    std::string input;
    Keystone expected;
  };
  Keystone language_empty = with_modules({});
  language_empty.language = "";
  Keystone unicode = with_modules({});
  unicode.idea = "\"\\/\b\f\n\r\t\xC3\xA9\xF0\x9F\x98\x80";
  Keystone mixed = with_modules({bare("a"), bare("b")});
  mixed.language = "Rust";
  mixed.modules[0].owns.push_back({"T", "inv"});
  mixed.modules[0].exposes.push_back({"op", "c"});
  mixed.modules[1].depends_on.push_back({"a", "why", DependencyNeeds::Contract});
  mixed.modules[1].laws = {"x", "y"};

  const Row rows[] = {
      {"empty texts and no modules", R"({"idea": "", "essential_complexity": "", "modules": []})",
       [] {
         Keystone k;
         return k;
       }()},
      {"members in any order", R"({"modules": [], "essential_complexity": "e", "idea": "i"})",
       with_modules({})},
      {"owns and depends_on default to empty",
       doc_with_module(R"({"path": "a", "secret": "s", "exposes": [], "laws": []})"),
       with_modules({bare("a")})},
      {"needs absent is artifact", doc_with_dependency(R"({"on": "src/a", "because": "why"})"),
       with_modules({with_dependency({"src/a", "why", DependencyNeeds::Artifact})})},
      {"positional dependency of two", doc_with_dependency(R"(["src/a", "why"])"),
       with_modules({with_dependency({"src/a", "why", DependencyNeeds::Artifact})})},
      {"needs contract string", doc_with_dependency(R"(["o", "b", "contract"])"),
       with_modules({with_dependency({"o", "b", DependencyNeeds::Contract})})},
      {"needs object contract",
       doc_with_dependency(R"({"on": "o", "because": "b", "needs": {"contract": null}})"),
       with_modules({with_dependency({"o", "b", DependencyNeeds::Contract})})},
      {"needs object artifact", doc_with_dependency(R"(["o", "b", {"artifact" : null}])"),
       with_modules({with_dependency({"o", "b", DependencyNeeds::Artifact})})},
      {"language null",
       R"({"idea": "i", "language": null, "essential_complexity": "e", "modules": []})",
       with_modules({})},
      {"language empty",
       R"({"idea": "i", "language": "", "essential_complexity": "e", "modules": []})",
       language_empty},
      {"positional keystone with null language", R"(["i", null, "e", []])", with_modules({})},
      {"escapes decoded, surrogate pair combined",
       R"({"idea": "\"\\\/\b\f\n\r\t\u00e9\ud83d\ude00", "essential_complexity": "e", "modules": []})",
       unicode},
      {"raw non-ASCII and U+007F",
       "{\"idea\": \"\xC3\xA9\x7F\", \"essential_complexity\": \"e\", \"modules\": []}",
       [] {
         Keystone k = with_modules({});
         k.idea = "\xC3\xA9\x7F";
         return k;
       }()},
      {"undeclared members at every level, repeated, any type",
       R"({"x": 1, "x": [1, {"a": [true, null]}], "idea": "i", "essential_complexity": "e",
           "modules": [{"path": "a", "secret": "s", "exposes": [{"name": "n", "contract": "c",
           "note": {"deep": [[[]]]}}], "laws": [], "y": "z", "y": -1.5e3}], "z": {}})",
       [] {
         Keystone k = with_modules({bare("a")});
         k.modules[0].exposes.push_back({"n", "c"});
         return k;
       }()},
      {"key compared after unescaping",
       R"({"\u0069dea": "i", "essential_complexity": "e", "modules": []})", with_modules({})},
      {"keys are case-sensitive, so Idea is undeclared",
       R"({"Idea": 5, "idea": "i", "essential_complexity": "e", "modules": []})", with_modules({})},
      {"objects and arrays mixed record by record",
       R"(["i", "Rust", "e", [
            {"path": "a", "secret": "s", "owns": [["T", "inv"]], "exposes": [{"name": "op", "contract": "c"}], "laws": []},
            ["b", "s", [], [], [{"on": "a", "because": "why", "needs": "contract"}], ["x", "y"]]]])",
       mixed},
      {"same path twice and unknown target",
       doc_with_module(
           R"({"path": "a", "secret": "s", "exposes": [], "laws": [], "depends_on": [["nowhere", "why"]]},
                          {"path": "a", "secret": "s", "exposes": [], "laws": []})"),
       [] {
         Module first = bare("a");
         first.depends_on.push_back({"nowhere", "why", DependencyNeeds::Artifact});
         return with_modules({first, bare("a")});
       }()},
      {"white space around the value", " \t\r\n[\"i\", null, \"e\", []] \t\r\n", with_modules({})},
  };
  for (const Row& row : rows) {
    const auto read = Keystone::deserialize(row.input);
    ASSERT_TRUE(read.has_value()) << row.name << ": " << read.error().message;
    EXPECT_EQ(*read, row.expected) << row.name;
  }
}

// What is not one value in strict JSON syntax fails the read, wherever it is.
TEST(KeystoneRead, RefusesWhatIsNotStrictJson) {
  struct Row {
    const char* name;
    std::string input;
  };
  const std::string ok_tail = R"("essential_complexity": "e", "modules": [])";
  const Row rows[] = {
      {"empty text", ""},
      {"only white space", " \n"},
      {"truncated", R"({"idea": "i", "essential_complexity": "e", "modules": [)"},
      {"truncated inside a string", R"({"idea": "i)"},
      {"byte-order mark",
       "\xEF\xBB\xBF"
       R"(["i", null, "e", []])"},
      {"second closing brace", R"(["i", null, "e", []]})"},
      {"second value", R"(["i", null, "e", []] [])"},
      {"comment after the value", R"(["i", null, "e", []] // done)"},
      {"comment inside", R"(["i", /* c */ null, "e", []])"},
      {"trailing comma", R"(["i", null, "e", [],])"},
      {"form feed after the value", "[\"i\", null, \"e\", []]\f"},
      {"NUL byte after the value", std::string("[\"i\", null, \"e\", []]\0junk", 25)},
      {"NUL byte inside a string", std::string("[\"i\0\", null, \"e\", []]", 21)},
      {"raw control character in a string", "[\"i\x01\", null, \"e\", []]"},
      {"invalid UTF-8 in a string", "[\"\xFF\", null, \"e\", []]"},
      {"overlong UTF-8 in a string", "[\"\xC0\xAF\", null, \"e\", []]"},
      {"UTF-8 encoded surrogate", "[\"\xED\xA0\x80\", null, \"e\", []]"},
      {"invalid UTF-8 in an undeclared key", "{\"\xFE\": 1, " + ok_tail + ", \"idea\": \"i\"}"},
      {"unpaired high surrogate", R"(["\ud83d", null, "e", []])"},
      {"unpaired low surrogate", R"(["\ude00", null, "e", []])"},
      {"high surrogate followed by a letter", R"(["\ud83dx", null, "e", []])"},
      {"two high surrogates", R"(["\ud83d\ud83d", null, "e", []])"},
      {"unpaired surrogate in an undeclared member",
       R"({"x": "\udc00", "idea": "i", )" + ok_tail + "}"},
      {"unknown escape", R"(["\x41", null, "e", []])"},
      {"short unicode escape", R"(["\u41", null, "e", []])"},
      {"single quotes", "['i', null, 'e', []]"},
      {"leading zero in an undeclared member", R"({"x": 01, "idea": "i", )" + ok_tail + "}"},
      {"bare minus in an undeclared member", R"({"x": -, "idea": "i", )" + ok_tail + "}"},
      {"number without digits after the point", R"({"x": 1., "idea": "i", )" + ok_tail + "}"},
      {"plus sign", R"({"x": +1, "idea": "i", )" + ok_tail + "}"},
      {"word that is no literal", R"({"x": nul, "idea": "i", )" + ok_tail + "}"},
  };
  for (const Row& row : rows) {
    EXPECT_FALSE(Keystone::deserialize(row.input).has_value()) << row.name;
  }
  EXPECT_FALSE(Keystone::deserialize(std::string_view()).has_value()) << "a view of nothing";
}

// A JSON text that breaks a rule of the records fails the read; the description names the rule.
TEST(KeystoneRead, RefusesBrokenRecordRules) {
  struct Row {
    const char* name;
    std::string input;
    std::string description;  // a part of the error description
  };
  const std::string ok_tail = R"("essential_complexity": "e", "modules": [])";
  const Row rows[] = {
      {"missing idea", "{" + ok_tail + "}", "missing field `idea`"},
      {"missing modules", R"({"idea": "i", "essential_complexity": "e"})",
       "missing field `modules`"},
      {"missing exposes", doc_with_module(R"({"path": "a", "secret": "s", "laws": []})"),
       "missing field `exposes`"},
      {"missing contract",
       doc_with_module(R"({"path": "a", "secret": "s", "exposes": [{"name": "n"}], "laws": []})"),
       "missing field `contract`"},
      {"missing because", doc_with_dependency(R"({"on": "o"})"), "missing field `because`"},
      {"duplicate path",
       doc_with_module(R"({"path": "a", "path": "a", "secret": "s", "exposes": [], "laws": []})"),
       "duplicate field `path`"},
      {"duplicate language after null",
       R"({"language": null, "idea": "i", "language": "Rust", )" + ok_tail + "}",
       "duplicate field `language`"},
      {"idea not a string", R"({"idea": 3, )" + ok_tail + "}",
       "invalid type: integer `3`, expected a string"},
      {"idea null", R"({"idea": null, )" + ok_tail + "}", "invalid type: null, expected a string"},
      {"language a number", R"({"idea": "i", "language": 1.5, )" + ok_tail + "}",
       "expected a string"},
      {"laws holding a number", doc_with_module(R"(["a", "s", [], [], [], [true]])"),
       "invalid type: boolean `true`, expected a string"},
      {"modules null", R"({"idea": "i", "essential_complexity": "e", "modules": null})",
       "expected a sequence"},
      {"modules an object", R"({"idea": "i", "essential_complexity": "e", "modules": {}})",
       "expected a sequence"},
      {"keystone a string", R"("keystone")", "struct Keystone"},
      {"module a string", doc_with_module(R"("src/a")"), "struct Module"},
      {"owned type a number", doc_with_module(R"(["a", "s", [1], [], [], []])"),
       "struct OwnedType"},
      {"operation null", doc_with_module(R"(["a", "s", [], [null], [], []])"),
       "struct OperationSpec"},
      {"dependency a string", doc_with_dependency(R"("src/a")"), "struct Dependency"},
      {"positional keystone too short", R"(["i", null, "e"])", "struct Keystone with 4 elements"},
      {"positional keystone too long", R"(["i", null, "e", [], 1])",
       "struct Keystone with 4 elements"},
      {"positional module too short", doc_with_module(R"(["a", "s", [], []])"),
       "struct Module with 6 elements"},
      {"positional module too long", doc_with_module(R"(["a", "s", [], [], [], [], "x"])"),
       "struct Module with 6 elements"},
      {"positional module without exposes", doc_with_module(R"(["a", "s"])"),
       "struct Module with 6 elements"},
      {"positional dependency of one", doc_with_dependency(R"(["o"])"),
       "struct Dependency with 3 elements"},
      {"positional dependency of four", doc_with_dependency(R"(["o", "b", "artifact", null])"),
       "struct Dependency with 3 elements"},
      {"positional owned type of one", doc_with_module(R"(["a", "s", [["T"]], [], [], []])"),
       "struct OwnedType with 2 elements"},
      {"positional operation of three",
       doc_with_module(R"(["a", "s", [], [["n", "c", "x"]], [], []])"),
       "struct OperationSpec with 2 elements"},
      {"needs capitalised", doc_with_dependency(R"(["o", "b", "Contract"])"),
       "unknown variant `Contract`"},
      {"needs upper case", doc_with_dependency(R"(["o", "b", "ARTIFACT"])"),
       "unknown variant `ARTIFACT`"},
      {"needs null", doc_with_dependency(R"(["o", "b", null])"), "enum DependencyNeeds"},
      {"needs a number", doc_with_dependency(R"(["o", "b", 1])"), "enum DependencyNeeds"},
      {"needs an array", doc_with_dependency(R"(["o", "b", ["contract"]])"),
       "enum DependencyNeeds"},
      {"needs object with a value", doc_with_dependency(R"(["o", "b", {"contract": 0}])"),
       "invalid type: integer `0`, expected unit"},
      {"needs object of two members",
       doc_with_dependency(R"(["o", "b", {"contract": null, "artifact": null}])"), "single key"},
      {"needs object empty", doc_with_dependency(R"(["o", "b", {}])"), "variant identifier"},
      {"needs object with an unknown key", doc_with_dependency(R"(["o", "b", {"Contract": null}])"),
       "unknown variant `Contract`"},
  };
  for (const Row& row : rows) {
    const auto read = Keystone::deserialize(row.input);
    ASSERT_FALSE(read.has_value()) << row.name;
    EXPECT_NE(read.error().message.find(row.description), std::string::npos)
        << row.name << ": " << read.error().message;
    EXPECT_TRUE(text::is_utf8(read.error().message)) << row.name;
  }
}

// Mutated documents read as a second JSON library reads them: a text read without an error is
// strict JSON to that library too, and reads to the same keystone as that library's rewriting of
// it (keys sorted, escapes decoded and re-encoded), so strings decode alike.
TEST(KeystoneRead, LikeASecondJsonLibrary) {
  const std::string seeds[] = {
      R"json({"idea": "i\u00e9\ud83d\ude00\n\/\"", "language": null, "essential_complexity": "e",
          "modules": [{"path": "src/a.rs", "secret": "s", "owns": [{"name": "T", "invariant": "v"}],
                       "exposes": [["f", "fn f()"]], "laws": ["l"], "x": [1, -2.5e3, true, {}],
                       "depends_on": [{"on": "b", "because": "c", "needs": {"artifact": null}}]}]})json",
      R"json(["idea", "Rust", "e", [["p", "s", [], [], [["o", "b", "contract"]], []]]])json",
      R"json({"modules": [], "essential_complexity": "\t", "idea": "",
          "skip": {"a": [[], {"b": null}], "c": 0}})json",
  };
  const char alphabet[] = {'"', '\\', '{', '}', '[', ']', ',', ':',    ' ',    '\n',   '0',
                           '1', '-',  '.', 'u', 'n', 'a', '/', '\x01', '\xC3', '\xA9', '\xFF'};
  support::Draws next(2024);
  std::size_t read = 0;
  for (int round = 0; round < 20000; ++round) {
    std::string text = seeds[next(std::size(seeds))];
    for (std::uint32_t edits = 1 + next(3); edits > 0; --edits) {
      const std::size_t at = next(static_cast<std::uint32_t>(text.size() + 1));
      const char c = alphabet[next(sizeof alphabet)];
      switch (next(3)) {
        case 0:
          text.insert(text.begin() + static_cast<std::ptrdiff_t>(at), c);
          break;
        case 1:
          if (at < text.size()) text.erase(at, 1);
          break;
        default:
          if (at < text.size()) text[at] = c;
          break;
      }
    }
    const auto keystone = keystone::Keystone::deserialize(text);
    if (!keystone) continue;
    ++read;
    ASSERT_TRUE(nlohmann::json::accept(text)) << text;
    const std::string rewritten = nlohmann::json::parse(text).dump();
    const auto again = keystone::Keystone::deserialize(rewritten);
    ASSERT_TRUE(again.has_value()) << text << "\n" << rewritten;
    EXPECT_EQ(*again, *keystone) << text << "\n" << rewritten;
  }
  EXPECT_GT(read, 1000u);  // enough mutants stay readable to compare their values
}

std::string nested(std::size_t depth, std::string_view open, std::string_view inner,
                   std::string_view close) {
  std::string out;
  for (std::size_t i = 0; i < depth; ++i) out += open;
  out += inner;
  for (std::size_t i = 0; i < depth; ++i) out += close;
  return out;
}

// Deep nesting must neither overflow the stack nor slip past the record rules.
TEST(KeystoneRead, DeepNesting) {
  constexpr std::size_t kDepth = 10000;
  const std::string tail = R"(, "idea": "i", "essential_complexity": "e", "modules": []})";

  const auto arrays = Keystone::deserialize(R"({"notes": )" + nested(kDepth, "[", "", "]") + tail);
  ASSERT_TRUE(arrays.has_value()) << arrays.error().message;
  EXPECT_EQ(*arrays, with_modules({}));

  const auto objects =
      Keystone::deserialize(R"({"notes": )" + nested(kDepth, R"({"a": )", "1", "}") + tail);
  ASSERT_TRUE(objects.has_value()) << objects.error().message;
  EXPECT_EQ(*objects, with_modules({}));

  struct Row {
    const char* name;
    std::string input;
  };
  const Row refused[] = {
      {"deep modules", R"({"idea": "i", "essential_complexity": "e", "modules": )" +
                           nested(kDepth, "[", "", "]") + "}"},
      {"deep idea", R"({"essential_complexity": "e", "modules": [], "idea": )" +
                        nested(kDepth, "[", "", "]") + "}"},
      {"deep laws",
       doc_with_module(R"(["a", "s", [], [], [], )" + nested(kDepth, "[", "", "]") + "]")},
      {"deep needs", doc_with_dependency(R"(["o", "b", )" +
                                         nested(kDepth, R"({"contract": )", "null", "}") + "]")},
      {"deep undeclared member left open",
       R"({"idea": "i", "essential_complexity": "e", "modules": [], "x": )" +
           nested(kDepth, "[", "", "")},
  };
  for (const Row& row : refused) {
    EXPECT_FALSE(Keystone::deserialize(row.input).has_value()) << row.name;
  }
}

TEST(KeystoneWrite, Layout) {
  Keystone k;
  k.idea = "i";
  k.language = "l";
  k.essential_complexity = "e";
  Module m;
  m.path = "p";
  m.secret = "s";
  m.exposes.push_back({"n", "c"});
  m.depends_on.push_back({"o", "b", DependencyNeeds::Artifact});
  m.laws.push_back("w");
  k.modules.push_back(m);
  EXPECT_EQ(k.serialize(), R"({
  "idea": "i",
  "language": "l",
  "essential_complexity": "e",
  "modules": [
    {
      "path": "p",
      "secret": "s",
      "owns": [],
      "exposes": [
        {
          "name": "n",
          "contract": "c"
        }
      ],
      "depends_on": [
        {
          "on": "o",
          "because": "b",
          "needs": "artifact"
        }
      ],
      "laws": [
        "w"
      ]
    }
  ]
})");
}

TEST(KeystoneWrite, LanguageNoneAndEmptyModules) {
  Keystone k;
  k.idea = "i";
  k.essential_complexity = "e";
  EXPECT_EQ(k.serialize(),
            "{\n  \"idea\": \"i\",\n  \"essential_complexity\": \"e\",\n  \"modules\": []\n}");
  k.language = "";
  EXPECT_EQ(k.serialize(),
            "{\n  \"idea\": \"i\",\n  \"language\": \"\",\n  \"essential_complexity\": \"e\",\n"
            "  \"modules\": []\n}");
}

TEST(KeystoneWrite, Escapes) {
  struct Row {
    const char* name;
    std::string text;
    std::string written;  // the JSON string, quotes included
  };
  const Row rows[] = {
      {"quote and backslash", "a\"b\\c", R"("a\"b\\c")"},
      {"short escapes", "\b\t\n\f\r", R"("\b\t\n\f\r")"},
      {"other control characters", std::string("\0\x01\x0b\x1f", 4),
       R"("\u0000\u0001\u000b\u001f")"},
      {"slash and DEL raw", "/\x7f", "\"/\x7f\""},
      {"non-ASCII raw", "\xC3\xA9\xE2\x86\x92\xF0\x9F\x98\x80",
       "\"\xC3\xA9\xE2\x86\x92\xF0\x9F\x98\x80\""},
      {"bytes that are not UTF-8 become U+FFFD",
       "a\xFF"
       "b",
       "\"a\xEF\xBF\xBD"
       "b\""},
  };
  for (const Row& row : rows) {
    Keystone k;
    k.idea = row.text;
    const std::string out = k.serialize();
    EXPECT_EQ(out, "{\n  \"idea\": " + row.written +
                       ",\n  \"essential_complexity\": \"\",\n  \"modules\": []\n}")
        << row.name;
    EXPECT_TRUE(Keystone::deserialize(out).has_value()) << row.name;
  }
}

TEST(KeystoneWrite, RoundTrips) {
  using builders::artifact;
  using builders::contract;
  using builders::module;

  std::string all_controls;
  for (char c = 1; c < 0x20; ++c) all_controls += c;
  Keystone odd;
  odd.idea = std::string("nul \0 and the rest ", 19) + all_controls;
  odd.language = "\"quoted\" \\ back/slash";
  odd.essential_complexity = "\xC3\xA9t\xC3\xA9 \xE2\x86\x92 \xF0\x9F\x98\x80 \x7f";
  Module m = module("src/\xE2\x98\x83.rs", {artifact("src/a"), contract("serde")});
  m.owns.push_back({"T\n", "\t"});
  m.laws.push_back("");
  odd.modules = {m, module("src/a"), module("src/a")};

  Keystone plain = builders::keystone_of({module("src/a", {contract("src/b")}), module("src/b")});
  Keystone empty_language = with_modules({bare("")});
  empty_language.language = "";

  const Keystone rows[] = {Keystone{}, plain, empty_language, odd};
  for (const Keystone& k : rows) {
    const std::string written = k.serialize();
    const auto read = Keystone::deserialize(written);
    ASSERT_TRUE(read.has_value()) << written << "\n" << read.error().message;
    EXPECT_EQ(*read, k) << written;
    EXPECT_EQ(read->serialize(), written);
  }
}

// Reading drops undeclared members, so what is written back holds only the declared fields.
TEST(KeystoneWrite, UndeclaredMembersAreNotWrittenBack) {
  const auto ok = Keystone::deserialize(
      R"({"idea": "i", "extra": [1], "essential_complexity": "e",
          "modules": [{"path": "a", "secret": "s", "exposes": [], "laws": [], "more": {},
                       "depends_on": [{"on": "o", "because": "b", "why": 1}]}]})");
  ASSERT_TRUE(ok.has_value()) << ok.error().message;
  EXPECT_EQ(ok->serialize(), R"({
  "idea": "i",
  "essential_complexity": "e",
  "modules": [
    {
      "path": "a",
      "secret": "s",
      "owns": [],
      "exposes": [],
      "depends_on": [
        {
          "on": "o",
          "because": "b",
          "needs": "artifact"
        }
      ],
      "laws": []
    }
  ]
})");
}

}  // namespace
