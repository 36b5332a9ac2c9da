// stages_bench [DIR]: where a verb's time goes, and how each step grows with the input.
//
// The accepted .rs files under DIR (default /usr/share/cargo/registry) are read into memory in
// path order. For growing prefixes of them (1, 4 and 16 MB, then all of them) every step that
// the verbs run after reading the sources is timed on its own, best of several passes: the
// survey of the in-memory sources, the reports of `map`, the keystone of the code and its JSON
// both ways, the fills and drawings of `graph`, the tree, the orphans, the drift check and the
// symbol inventory of `port`. Each figure is printed as milliseconds per MB of source, so a
// step that grows linearly shows the same figure in every column.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "bench.hpp"
#include "dodureriradi.hpp"
#include "drift.hpp"
#include "fsys.hpp"
#include "graph.hpp"
#include "keystone.hpp"
#include "port.hpp"
#include "structure.hpp"
#include "validation.hpp"
#include "waves.hpp"

namespace {

struct Source {
  std::string path;  // relative to the root
  std::string text;
};

// Keeps a result alive past the timed region so the work is not optimised away.
std::size_t sink = 0;

struct Step {
  const char* name;
  std::function<void()> run;
};

}  // namespace

int main(int argc, char** argv) {
  const std::string root = bench::root_arg(argc, argv);
  auto entries = dodureriradi::survey_entries(root);
  if (!entries) {
    std::fprintf(stderr, "survey of %s failed: %s\n", root.c_str(),
                 entries.error().message.c_str());
    return 1;
  }
  std::vector<Source> sources;
  std::size_t total = 0;
  for (const dodureriradi::SurveyEntry& entry : *entries) {
    auto text = fsys::read_text(fsys::join(root, entry.path));
    if (!text) continue;
    total += text->size();
    sources.push_back({entry.path, std::move(*text)});
  }
  if (total == 0) {
    std::fprintf(stderr, "no .rs files under %s\n", root.c_str());
    return 1;
  }
  const std::vector<std::string> roots = structure::manifest_roots(root);

  std::vector<std::size_t> sizes;
  for (const std::size_t mb : {1, 4, 16}) {
    if (mb * 1000000 < total) sizes.push_back(mb * 1000000);
  }
  sizes.push_back(total);

  // One column per prefix: the files it holds and their bytes.
  struct Column {
    std::size_t count = 0;
    std::size_t bytes = 0;
    std::size_t dependencies = 0;  // of the keystone of the code, which the drawings follow
    std::size_t json_bytes = 0;    // of that keystone written as JSON
    std::vector<std::pair<const char*, double>> figures;  // step, seconds
  };
  std::vector<Column> columns;
  constexpr int kPasses = 3;

  for (const std::size_t size : sizes) {
    Column column;
    while (column.count < sources.size() && column.bytes < size) {
      column.bytes += sources[column.count].text.size();
      ++column.count;
    }
    const std::vector<Source> slice(sources.begin(), sources.begin() + column.count);

    std::vector<dodureriradi::SurveyedFile> files;
    for (const Source& s : slice) {
      if (auto file = dodureriradi::survey_source(s.path, s.text))
        files.push_back(std::move(*file));
    }
    const keystone::Keystone code = dodureriradi::to_keystone(files, "surveyed: bench");
    const std::string json = code.serialize();
    for (const keystone::Module& module : code.modules) {
      column.dependencies += module.depends_on.size();
    }
    column.json_bytes = json.size();
    const keystone::Keystone declared = *keystone::Keystone::deserialize(json);
    const graph::Fills fills = structure::visibility_fills(files);
    const port::Survey inventory = port::Survey::from_rust(files, "bench");

    const std::vector<Step> steps = {
        {"survey (in memory)",
         [&] {
           for (const Source& s : slice) {
             if (auto file = dodureriradi::survey_source(s.path, s.text)) sink += file->fns.size();
           }
         }},
        {"render_duplicates", [&] { sink += dodureriradi::render_duplicates(files).size(); }},
        {"render_invisible", [&] { sink += dodureriradi::render_invisible(files).size(); }},
        {"to_keystone", [&] { sink += dodureriradi::to_keystone(files, "x").modules.size(); }},
        {"validate", [&] { sink += code.validate().has_value(); }},
        {"serialize", [&] { sink += code.serialize().size(); }},
        {"deserialize", [&] { sink += keystone::Keystone::deserialize(json).has_value(); }},
        {"visibility_fills", [&] { sink += structure::visibility_fills(files).size(); }},
        {"to_dot_with_fills", [&] { sink += graph::to_dot_with_fills(code, fills).size(); }},
        {"to_mermaid_with_fills",
         [&] { sink += graph::to_mermaid_with_fills(code, fills).size(); }},
        {"partition_into_waves", [&] { sink += waves::partition_into_waves(code).has_value(); }},
        {"duplication_dot", [&] { sink += dodureriradi::duplication_dot(files).size(); }},
        {"render_tree", [&] { sink += structure::render_tree(files, false, false).size(); }},
        {"render_tree --items", [&] { sink += structure::render_tree(files, true, false).size(); }},
        {"find_orphans + render",
         [&] { sink += structure::render_orphans(structure::find_orphans(files, roots)).size(); }},
        {"drift", [&] { sink += drift::drift(declared, code).items.size(); }},
        {"Survey::from_rust", [&] { sink += port::Survey::from_rust(files, "x").symbols.size(); }},
        {"port compare + to_json",
         [&] {
           const port::PortReport report = port::compare(inventory, inventory);
           sink += port::to_json(inventory, inventory, report).size();
         }},
    };
    for (const Step& step : steps)
      column.figures.emplace_back(step.name, bench::best_of(kPasses, step.run));
    columns.push_back(std::move(column));
  }

  const double full_manifests =
      bench::best_of(kPasses, [&] { sink += structure::manifest_roots(root).size(); });

  std::printf("%-24s", "ms per MB of source");
  for (const Column& c : columns) {
    std::printf(" %9.1f MB", static_cast<double>(c.bytes) / 1e6);
  }
  std::printf("   %s\n", "all (s)");
  std::printf("%-24s", "files");
  for (const Column& c : columns) std::printf(" %12zu", c.count);
  std::printf("\n");
  // The keystone's dependencies grow faster than the sources (a `use` of a common stem such as
  // `error` names every file with that stem), and so do the steps that write or draw them.
  std::printf("%-24s", "dependencies per MB");
  for (const Column& c : columns) {
    std::printf(" %12.0f",
                static_cast<double>(c.dependencies) / (static_cast<double>(c.bytes) / 1e6));
  }
  std::printf("\n");
  std::printf("%-24s", "keystone JSON / source");
  for (const Column& c : columns) {
    std::printf(" %12.3f", static_cast<double>(c.json_bytes) / static_cast<double>(c.bytes));
  }
  std::printf("\n");
  for (std::size_t i = 0; i < columns.front().figures.size(); ++i) {
    std::printf("%-24s", columns.front().figures[i].first);
    for (const Column& c : columns) {
      std::printf(" %12.2f", c.figures[i].second * 1e3 / (static_cast<double>(c.bytes) / 1e6));
    }
    std::printf("   %.3f\n", columns.back().figures[i].second);
  }
  std::printf("%-24s %.3f s over the whole tree (%zu roots)\n", "manifest_roots", full_manifests,
              roots.size());
  return sink == 0 ? 1 : 0;
}
