// The `graph`, `tree` and `orphans` verbs.
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "census.hpp"
#include "cli.hpp"
#include "dodureriradi.hpp"
#include "fsys.hpp"
#include "graph.hpp"
#include "keystone.hpp"
#include "output.hpp"
#include "structure.hpp"
#include "waves.hpp"

namespace cli {

std::optional<keystone::Keystone> read_keystone(const std::string& path) {
  auto content = fsys::read_text(path);
  if (!content) return std::nullopt;
  auto parsed = keystone::Keystone::deserialize(std::move(*content));
  if (!parsed) return std::nullopt;
  return std::move(*parsed);
}

std::uint8_t cmd_graph(const Args& args, Sink& sink) {
  const std::string path = path_arg(args);
  const bool dup = has_flag(args, "--dup");
  const bool mermaid = has_flag(args, "--mermaid");
  const bool acyclic = has_flag(args, "--acyclic");

  std::string text;
  bool failed = false;
  if (fsys::extension(path) == "json") {
    if (dup) {
      sink.err("--dup reads duplicated code, so it needs a source tree, not a keystone file\n");
      return 2;
    }
    const auto keystone = read_keystone(path);
    if (!keystone) {
      sink.err("cannot read a keystone from " + path + "\n");
      return 1;
    }
    failed = acyclic && !waves::wave_levels(*keystone);
    text = mermaid ? graph::to_mermaid(*keystone) : graph::to_dot(*keystone);
  } else {
    keystone::Keystone keystone;
    graph::Fills fills;
    {
      const auto files = dodureriradi::survey_dir(path);
      if (!files || files->empty()) {
        sink.err("no .rs files under " + path + "\n");
        return 1;
      }
      if (dup) {
        text = dodureriradi::duplication_dot(*files);
      } else {
        keystone = dodureriradi::to_keystone(*files, "surveyed: " + path);
        fills = structure::visibility_fills(*files);
      }
    }  // the survey is let go before the drawing is made
    if (!dup) {
      failed = acyclic && !waves::wave_levels(keystone);
      text = mermaid ? graph::to_mermaid_with_fills(keystone, fills)
                     : graph::to_dot_with_fills(keystone, fills);
    }
  }

  if (const auto out = option_value(args, "--out")) {
    // Whatever was printed goes out before a file is touched.
    if (!sink.flush()) return Sink::kFailed;
    if (const auto written = fsys::write_file(*out, text); !written) {
      sink.err("writing " + *out + ": " + written.error().message + "\n");
      return 1;
    }
    sink.err("written → " + *out + "\n");
  } else {
    sink.out(text);
  }
  if (failed) {
    sink.err("cycle: " + std::string(waves::FanOutError::kText) + "\n");
    return 1;
  }
  return 0;
}

std::uint8_t cmd_tree(const Args& args, Sink& sink) {
  const auto files = surveyed(args, sink);
  if (!files) return files.error();
  const bool items = has_flag(args, "--items");
  const bool color =
      ::isatty(1) == 1 && std::getenv("NO_COLOR") == nullptr && !has_flag(args, "--no-color");
  sink.out(structure::render_tree(*files, items, color));
  return 0;
}

std::uint8_t cmd_orphans(const Args& args, Sink& sink) {
  const std::string path = path_arg(args);
  const auto files = surveyed(args, sink);
  if (!files) return files.error();
  const auto orphans = structure::find_orphans(*files, structure::manifest_roots(path));
  sink.out(structure::render_orphans(orphans));
  return orphans.empty() ? 0 : 1;
}

}  // namespace cli
