// The fast paths must give what the plain versions they replaced gave: look-ups by index
// against a pass over every record, in-place rewriting against copying, word-at-a-time scans
// against byte-at-a-time ones. Each test sets the library function against a plain version
// written here, over generated inputs dense in the cases where the two could part.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "../fuzz/targets.hpp"
#include "dodureriradi.hpp"
#include "drift.hpp"
#include "fsys.hpp"
#include "keystone.hpp"
#include "port.hpp"
#include "support.hpp"
#include "text.hpp"
#include "waves.hpp"

namespace {

// Paths built from prefixes and leaves that make every pairing rule fire, often several at once.
std::vector<std::string> crowded_paths() {
  const std::vector<std::string> prefixes = {"",       "./",   "src/",     "./src/",   "a/",
                                             "a/src/", "b/a/", "src/src/", "x/a/src/", "././"};
  const std::vector<std::string> leaves = {"lib.rs", "a/lib.rs", "x.rs", "src/x.rs",    "lib.rs/",
                                           "",       "a",        "src",  "a/src/lib.rs"};
  std::vector<std::string> paths;
  for (const std::string& leaf : leaves) {
    for (const std::string& prefix : prefixes) paths.push_back(prefix + leaf);
  }
  return paths;
}

/// The pairing rule as passes over the code modules: the first whose path equals the declared
/// path; else the first whose key equals the declared key; else the first whose key is a
/// '/'-bounded ending of the other.
std::optional<std::size_t> scan_pair(const std::string& declared,
                                     const std::vector<std::string>& code) {
  const auto ends_at_boundary = [](std::string_view longer, std::string_view shorter) {
    return longer.size() > shorter.size() && longer.ends_with(shorter) &&
           longer[longer.size() - shorter.size() - 1] == '/';
  };
  const std::string key = drift::normalise(declared);
  for (std::size_t i = 0; i < code.size(); ++i) {
    if (declared == code[i]) return i;
  }
  for (std::size_t i = 0; i < code.size(); ++i) {
    if (key == drift::normalise(code[i])) return i;
  }
  for (std::size_t i = 0; i < code.size(); ++i) {
    const std::string code_key = drift::normalise(code[i]);
    if (ends_at_boundary(key, code_key) || ends_at_boundary(code_key, key)) return i;
  }
  return std::nullopt;
}

TEST(FastPaths, DriftPairsLikeTheScan) {
  const std::vector<std::string> paths = crowded_paths();
  // The code modules in two orders, so "first in keystone order" is tested both ways round.
  std::vector<std::vector<std::string>> orders = {paths, {paths.rbegin(), paths.rend()}};
  for (const std::vector<std::string>& code_paths : orders) {
    keystone::Keystone code;
    for (std::size_t i = 0; i < code_paths.size(); ++i) {
      keystone::Module module;
      module.path = code_paths[i];
      module.exposes.push_back({"op" + std::to_string(i), ""});  // names the module paired with
      code.modules.push_back(module);
    }
    for (const std::string& declared_path : paths) {
      keystone::Keystone declared;
      keystone::Module module;
      module.path = declared_path;
      module.laws.push_back("law");
      declared.modules.push_back(module);

      const drift::DriftReport report = drift::drift(declared, code);
      const std::optional<std::size_t> expected = scan_pair(declared_path, code_paths);
      ASSERT_FALSE(report.items.empty()) << declared_path;
      if (!expected) {
        EXPECT_EQ(report.items.front().kind, drift::DriftKind::MissingFile) << declared_path;
        continue;
      }
      EXPECT_EQ(report.items.front().kind, drift::DriftKind::UndeclaredExposure) << declared_path;
      EXPECT_EQ(report.items.front().name, "op" + std::to_string(*expected)) << declared_path;
    }
  }
}

// Every text of up to five pieces drawn from the characters the tidying steps look at, so runs
// of spaces, steps that create matches for later ones and matches at both ends all occur.
TEST(FastPaths, TidyLikeTheReplacementsInTurn) {
  const std::vector<std::string_view> pieces = {" ", ":", "::", "<", ">", ",",
                                                "(", ")", ";",  "&", "a", "  "};
  std::vector<std::string> texts = {""};
  std::vector<std::string> level = {""};
  for (int length = 1; length <= 5; ++length) {
    std::vector<std::string> next;
    for (const std::string& shorter : level) {
      for (const std::string_view piece : pieces) next.push_back(shorter + std::string(piece));
    }
    texts.insert(texts.end(), next.begin(), next.end());
    level = std::move(next);
  }
  for (const std::string& text : texts) {
    ASSERT_EQ(dodureriradi::tidy(text), fuzz::detail::reference_tidy(text)) << '"' << text << '"';
  }
}

/// Well-formedness byte by byte, the definition the word-at-a-time scan must keep.
bool plain_is_utf8(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char b0 = b(i);
    std::size_t need = 0;
    unsigned char lo = 0x80, hi = 0xBF;
    if (b0 < 0x80) {
      ++i;
      continue;
    } else if (b0 >= 0xC2 && b0 <= 0xDF) {
      need = 1;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
      need = 2;
      lo = b0 == 0xE0 ? 0xA0 : 0x80;
      hi = b0 == 0xED ? 0x9F : 0xBF;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
      need = 3;
      lo = b0 == 0xF0 ? 0x90 : 0x80;
      hi = b0 == 0xF4 ? 0x8F : 0xBF;
    } else {
      return false;
    }
    if (i + need >= s.size()) return false;
    for (std::size_t k = 1; k <= need; ++k) {
      const unsigned char c = b(i + k);
      if (c < (k == 1 ? lo : 0x80) || c > (k == 1 ? hi : 0xBF)) return false;
    }
    i += need + 1;
  }
  return true;
}

// One sequence, well-formed or not, at every offset of an ASCII text longer than two words, and
// cut short by the end of the text.
TEST(FastPaths, Utf8CheckLikeTheByteScan) {
  const std::string sequences[] = {"\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "\xFF",
                                   "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\x80",
                                   "\xE2\x82", "\xC3"};
  for (const std::string& sequence : sequences) {
    for (std::size_t at = 0; at <= 20; ++at) {
      for (std::size_t tail : {std::size_t{0}, std::size_t{1}, std::size_t{9}}) {
        const std::string text = std::string(at, 'a') + sequence + std::string(tail, 'b');
        EXPECT_EQ(text::is_utf8(text), plain_is_utf8(text))
            << "sequence of " << sequence.size() << " byte(s) at " << at << ", tail " << tail;
      }
    }
  }
  EXPECT_TRUE(text::is_utf8(std::string(1000, 'x')));
  EXPECT_FALSE(text::is_utf8(std::string(999, 'x') + "\x80"));
}

// Files read straight into their text: empty, smaller and larger than the chunk a growing file
// is read on in, and exactly one chunk.
TEST(FastPaths, ReadFileWholeAtEverySize) {
  support::TempDir dir;
  for (const std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{4095},
                                 std::size_t{65536}, std::size_t{65537}, std::size_t{300001}}) {
    std::string content(size, '\0');
    for (std::size_t i = 0; i < size; ++i) content[i] = static_cast<char>('a' + i % 26);
    const std::string name = "f" + std::to_string(size);
    dir.write(name, content);
    const auto read = fsys::read_file(dir / name);
    ASSERT_TRUE(read.has_value()) << size;
    EXPECT_EQ(*read, content) << size;
  }
}

/// Waves by repeated scans: pass k places every path whose artifact targets (paths of modules,
/// the last module holding a path speaking for it) all have waves below k; a pass that places
/// nothing while paths remain means a cycle. The wave of each module, in keystone order.
std::optional<std::vector<std::size_t>> scan_waves(const keystone::Keystone& k) {
  std::map<std::string, const keystone::Module*> last;
  for (const keystone::Module& m : k.modules) last[m.path] = &m;
  std::map<std::string, std::size_t> wave;
  for (std::size_t pass = 0; wave.size() < last.size(); ++pass) {
    std::vector<std::string> placed;
    for (const auto& [path, module] : last) {
      if (wave.contains(path)) continue;
      bool ready = true;
      for (const keystone::Dependency& dep : module->depends_on) {
        if (dep.needs != keystone::DependencyNeeds::Artifact || !last.contains(dep.on)) continue;
        const auto it = wave.find(dep.on);
        ready = ready && it != wave.end() && it->second < pass;
      }
      if (ready) placed.push_back(path);
    }
    if (placed.empty()) return std::nullopt;
    for (const std::string& path : placed) wave[path] = pass;
  }
  std::vector<std::size_t> result;
  for (const keystone::Module& m : k.modules) result.push_back(wave.at(m.path));
  return result;
}

// Small keystones drawn at random from few paths: repeated paths, self-dependencies, targets
// outside the keystone, contract and artifact dependencies and cycles all occur often.
TEST(FastPaths, WavesLikeRepeatedScans) {
  support::Draws next(12345);
  const std::string names[] = {"a", "b", "c", "d", "e", "serde"};
  std::size_t cycles = 0;
  for (int round = 0; round < 3000; ++round) {
    keystone::Keystone k;
    const std::uint32_t modules = next(7);
    for (std::uint32_t i = 0; i < modules; ++i) {
      keystone::Module m;
      m.path = names[next(5)];
      m.secret = std::to_string(i);
      const std::uint32_t deps = next(4);
      for (std::uint32_t d = 0; d < deps; ++d) {
        m.depends_on.push_back({names[next(6)], "why",
                                next(3) == 0 ? keystone::DependencyNeeds::Contract
                                             : keystone::DependencyNeeds::Artifact});
      }
      k.modules.push_back(m);
    }
    const auto expected = scan_waves(k);
    const auto levels = waves::wave_levels(k);
    const auto partition = waves::partition_into_waves(k);
    ASSERT_EQ(levels.has_value(), expected.has_value()) << "round " << round;
    ASSERT_EQ(partition.has_value(), expected.has_value()) << "round " << round;
    if (!expected) {
      ++cycles;
      continue;
    }
    EXPECT_EQ(*levels, *expected) << "round " << round;
    // The partition holds, wave by wave in keystone order, the last module of each path.
    std::size_t total = 0;
    for (std::size_t w = 0; w < partition->size(); ++w) {
      std::vector<std::string> want;
      for (std::size_t i = 0; i < k.modules.size(); ++i) {
        if ((*expected)[i] == w) want.push_back(k.modules[i].path);
      }
      std::vector<std::string> got;
      for (const keystone::Module& m : (*partition)[w]) got.push_back(m.path);
      EXPECT_EQ(got, want) << "round " << round << ", wave " << w;
      total += got.size();
    }
    EXPECT_EQ(total, k.modules.size()) << "round " << round;
  }
  EXPECT_GT(cycles, 100u);  // the draw must reach the failing case too
}

// The words of a use text are read without decoding while they are ASCII: for every ASCII
// character between two letters, and for a few non-ASCII ones, the keystone of the code must
// depend on the file named by the whole run when the character is alphanumeric or '_', and on
// the files named by the two letters otherwise.
TEST(FastPaths, UseWordsSplitLikeTheUnicodeProperties) {
  std::vector<std::string> between;
  for (int c = 0; c < 0x80; ++c) {
    if (c != '/') between.push_back(std::string(1, static_cast<char>(c)));
  }
  for (const char* other : {"é", "٣", "Ⅻ", "—", "\u00a0", "ß"}) between.push_back(other);
  for (const std::string& c : between) {
    std::size_t pos = 0;
    const char32_t scalar = text::decode(c, pos);
    const bool joins = scalar == U'_' || text::is_alphanumeric(scalar);
    std::vector<dodureriradi::SurveyedFile> files(4);
    files[0].path = "user.rs";
    files[0].uses = {"x" + c + "y"};
    files[1].path = "x.rs";
    files[2].path = "x" + c + "y.rs";
    files[3].path = "y.rs";
    const keystone::Keystone k = dodureriradi::to_keystone(files, "idea");
    std::vector<std::string> targets;
    for (const keystone::Dependency& dep : k.modules[0].depends_on) targets.push_back(dep.on);
    const std::vector<std::string> expected =
        joins ? std::vector<std::string>{files[2].path} : std::vector<std::string>{"x.rs", "y.rs"};
    EXPECT_EQ(targets, expected) << "character U+" << std::hex
                                 << static_cast<std::uint32_t>(scalar);
  }
}

// ASCII names take a byte-by-byte path: every name of up to five characters drawn from upper-
// and lowercase letters, digits, '_' and two other marks must normalise as the Unicode rule does.
TEST(FastPaths, NormaliseAsciiLikeTheUnicodeRule) {
  const std::string_view alphabet = "AbZ1_x-";
  std::vector<std::string> level = {""};
  for (int length = 1; length <= 5; ++length) {
    std::vector<std::string> next;
    for (const std::string& shorter : level) {
      for (const char c : alphabet) next.push_back(shorter + c);
    }
    for (const std::string& name : next) {
      ASSERT_EQ(port::normalise_name(name), fuzz::detail::reference_normalise(name)) << name;
    }
    level = std::move(next);
  }
  // Names with non-ASCII characters keep the Unicode path.
  for (const char* name : {"ÉtéX", "aÉ", "ǅx", "İI", "ΣΑΣ"}) {
    EXPECT_EQ(port::normalise_name(name), fuzz::detail::reference_normalise(name)) << name;
  }
}

/// The port document as the JSON library builds and dumps it.
std::string library_port_json(const port::Survey& old_survey, const port::Survey& new_survey,
                              const port::PortReport& report) {
  using Json = nlohmann::ordered_json;
  const auto items = [](const std::vector<port::PortItem>& list) {
    Json out = Json::array();
    for (const port::PortItem& item : list) {
      Json entry = Json::object();
      entry["name"] = item.name;
      entry["norm"] = item.norm;
      entry["exported"] = item.exported;
      entry["old_files"] = item.old_files;
      entry["new_files"] = item.new_files;
      out.push_back(std::move(entry));
    }
    return out;
  };
  try {
    Json inventory = Json::array();
    for (const port::Symbol& symbol : old_survey.symbols) {
      Json entry = Json::object();
      entry["name"] = symbol.name;
      entry["norm"] = symbol.norm;
      entry["file"] = symbol.file;
      entry["exported"] = symbol.exported;
      inventory.push_back(std::move(entry));
    }
    Json doc = Json::object();
    doc["old"]["label"] = old_survey.label;
    doc["old"]["symbols"] = old_survey.symbols.size();
    doc["old"]["inventory"] = std::move(inventory);
    doc["new"]["label"] = new_survey.label;
    doc["new"]["symbols"] = new_survey.symbols.size();
    doc["missing"] = items(report.missing);
    doc["added"] = items(report.added);
    doc["inherited_duplication"] = items(report.inherited);
    doc["introduced_duplication"] = items(report.introduced);
    doc["resolved_duplication"] = items(report.resolved);
    return doc.dump(2);
  } catch (const std::exception&) {
    return {};
  }
}

// The port document is written directly; random inventories whose names, files and labels hold
// quotes, backslashes, control characters, non-ASCII text and, now and then, bytes that are not
// UTF-8 must come out as the JSON library writes them (nothing at all for text it refuses).
TEST(FastPaths, PortJsonLikeTheJsonLibrary) {
  const std::string names[] = {"a",      "b\"q",    "c\\d",     "e\x01", "\xC3\xA9t\xC3\xA9",
                               "f\tg\n", "HttpGet", "http_get", "\x7f/", "x\xFF"};
  support::Draws next(7);
  std::size_t refused = 0;
  for (int round = 0; round < 400; ++round) {
    const bool clean = round % 4 != 0;  // most rounds keep every text UTF-8
    const auto draw = [&] {
      std::string name = names[next(std::size(names) - (clean ? 1 : 0))];
      return name;
    };
    port::Survey surveys[2];
    for (port::Survey& survey : surveys) {
      survey.label = clean ? "tree \"" + std::to_string(round) + "\"" : draw();
      for (std::uint32_t n = next(12); n > 0; --n) {
        port::Symbol symbol;
        symbol.name = draw();
        symbol.norm = port::normalise_name(symbol.name);
        symbol.file = "src/" + draw() + ".rs";
        symbol.exported = next(2) == 0;
        symbol.kind = static_cast<port::SymbolKind>(next(3));
        survey.symbols.push_back(symbol);
      }
      std::stable_sort(survey.symbols.begin(), survey.symbols.end(),
                       [](const port::Symbol& a, const port::Symbol& b) {
                         return a.norm != b.norm ? a.norm < b.norm : a.file < b.file;
                       });
    }
    const port::PortReport report = port::compare(surveys[0], surveys[1]);
    const std::string expected = library_port_json(surveys[0], surveys[1], report);
    refused += expected.empty();
    EXPECT_EQ(port::to_json(surveys[0], surveys[1], report), expected) << "round " << round;
  }
  EXPECT_GT(refused, 10u);  // the refusal is reached too
}

}  // namespace
