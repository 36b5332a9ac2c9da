// The `map` verb: the Rust map report, or the lexical map report for any other language.
#include <algorithm>
#include <set>

#include "census.hpp"
#include "cli.hpp"
#include "dodureriradi.hpp"
#include "output.hpp"
#include "port.hpp"
#include "text.hpp"
#include "validation.hpp"

namespace cli {

namespace {

std::uint8_t lexical_map_of(const std::string& path, const Census& counts, Sink& sink) {
  const auto lang = dominant(counts);
  const auto survey = lang ? survey_any(path, path) : std::nullopt;
  if (!lang || !survey) {
    sink.err("no " + all_exts() + " sources under " + path + "\n");
    return 1;
  }

  std::set<std::string_view> files;
  std::size_t functions = 0, methods = 0, types = 0;
  for (const port::Symbol& symbol : survey->symbols) {
    files.insert(symbol.file);
    switch (symbol.kind) {
      case port::SymbolKind::Function:
        ++functions;
        break;
      case port::SymbolKind::Method:
        ++methods;
        break;
      case port::SymbolKind::Type:
        ++types;
        break;
    }
  }
  sink.out("Lexical survey (" + std::string(ext(*lang)) + ") — " + std::to_string(files.size()) +
           " file(s) · " + std::to_string(functions) + " function(s) · " + std::to_string(methods) +
           " method(s) · " + std::to_string(types) + " type(s)\n\n");

  std::string others;
  for (const std::string& other : other_langs(*lang, counts)) {
    others += (others.empty() ? "" : ", ") + other;
  }
  if (!others.empty()) {
    sink.out("(also present, not surveyed: " + others + " — run `map` on their subdir" +
             (counts.contains(Lang::Rust) ? ", and .rs gets the AST pass" : "") + ")\n\n");
  }

  const port::Candidates candidates = survey->duplication_candidates();
  std::vector<std::pair<std::string_view, const std::vector<std::string_view>*>> groups;
  for (const auto& [name, names_files] : candidates) {
    if (names_files.size() >= 2) groups.emplace_back(name, &names_files);
  }
  std::stable_sort(groups.begin(), groups.end(), [](const auto& a, const auto& b) {
    return a.second->size() > b.second->size();
  });
  std::size_t conventions = 0;
  std::vector<const decltype(groups)::value_type*> duplicates;
  for (const auto& group : groups) {
    if (group.second->size() >= 5) {
      ++conventions;
    } else {
      duplicates.push_back(&group);
    }
  }

  if (duplicates.empty()) {
    sink.out("No duplicated top-level names across files.\n");
  } else {
    std::string report = "DUPLICATED NAMES (lexical — same top-level name, " +
                         std::to_string(duplicates.size()) + " group(s); bodies not compared):\n\n";
    for (const auto* group : duplicates) {
      report += "  " + text::pad_right(group->first, 28) + " ";
      for (std::size_t i = 0; i < group->second->size(); ++i) {
        if (i > 0) report += ", ";
        report += (*group->second)[i];
      }
      report += "\n";
    }
    sink.out(report);
  }
  if (conventions > 0) {
    sink.out("\n(" + std::to_string(conventions) +
             " name(s) in 5+ files treated as interface conventions, not copies.)\n");
  }
  sink.out("\nLexical only: names, not bodies — verify before merging anything.\n");
  return 0;
}

/// The lexical report; a keystone asked for with "--json OUT" cannot be derived from it, which
/// fails the run once the report is out.
std::uint8_t lexical_map_for(const std::string& path, const Census& counts,
                             const std::optional<std::string>& json_out, Sink& sink) {
  const std::uint8_t status = lexical_map_of(path, counts, sink);
  if (status != 0 || !json_out) return status;
  sink.err("no keystone written to " + *json_out + ": a keystone is derived from Rust code only\n");
  return 1;
}

}  // namespace

std::uint8_t lexical_map(const std::string& path, Sink& sink) {
  return lexical_map_of(path, source_counts(path), sink);
}

std::uint8_t cmd_map(const Args& args, Sink& sink) {
  const std::string path = path_arg(args);
  const std::optional<std::string> json_out = option_value(args, "--json");
  const Census counts = source_counts(path);
  if (dominant(counts) != Lang::Rust) return lexical_map_for(path, counts, json_out, sink);

  keystone::Keystone keystone;
  {
    const auto files = dodureriradi::survey_dir(path);
    if (!files) {
      sink.err("cannot survey " + path + ": " + files.error().message + "\n");
      return 1;
    }
    if (files->empty()) return lexical_map_for(path, counts, json_out, sink);

    std::size_t public_fns = 0, types = 0;
    for (const dodureriradi::SurveyedFile& file : *files) {
      for (const dodureriradi::SurveyedFn& fn : file.fns) public_fns += fn.is_pub && !fn.is_test;
      types += file.types.size();
    }
    sink.out("Surveyed " + std::to_string(files->size()) + " file(s) · " +
             std::to_string(public_fns) + " public fn(s) · " + std::to_string(types) +
             " type(s)\n\n");
    sink.out(dodureriradi::render_duplicates(*files));
    sink.out(dodureriradi::render_invisible(*files));
    keystone = dodureriradi::to_keystone(*files, "surveyed: " + path);
  }  // the rest reads only the keystone, so the survey is let go
  const std::string modules = std::to_string(keystone.modules.size());
  if (const auto valid = keystone.validate(); valid) {
    sink.out("Map: VALID DAG (" + modules + " modules)\n");
  } else {
    sink.out("Map: " + modules + " modules — " + valid.error().text() + "\n");
  }

  if (json_out) {
    // The report reaches standard output before the file is touched, so a run whose report
    // cannot be printed stops without writing anything.
    if (!sink.flush()) return Sink::kFailed;
    const auto written = fsys::write_file(*json_out, keystone.serialize());
    if (!written) {
      sink.err("writing " + *json_out + ": " + written.error().message + "\n");
      return 1;
    }
    sink.out("map written → " + *json_out + "\n");
  }
  return 0;
}

}  // namespace cli
