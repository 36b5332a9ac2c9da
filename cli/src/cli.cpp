#include "cli.hpp"

#include "output.hpp"

namespace cli {

const std::string_view kBanner =
    "keystone — map a program onto its module graph and check the declared keystone against the "
    "code";

std::string usage_text() {
  std::string text(kBanner);
  text +=
      "\n"
      "\n"
      "USAGE\n"
      "  quillon keystone map   [PATH] [--json OUT]     survey the code; report duplicated "
      "decisions\n"
      "  quillon keystone check [PATH] [--declared F]   compare keystone.json against the code\n"
      "  quillon keystone graph [PATH|FILE] [opts]      emit the DAG: --mermaid, --dup, --acyclic, "
      "--out F\n"
      "  quillon keystone tree  [PATH] [--items]        file hierarchy with visibility\n"
      "  quillon keystone orphans [PATH]                .rs files no `mod` declaration links — "
      "never compiled\n"
      "\n"
      "  quillon keystone port OLD NEW [--all] [--json]  compare a rewrite against its original\n"
      "\n"
      "  graph takes a keystone.json (the declared design) or a source tree (the real one).\n"
      "  Default output is Graphviz DOT on stdout:  quillon keystone graph . | dot -Tsvg -o "
      "arch.svg\n"
      "  --acyclic makes graph exit non-zero if the module graph has a cycle (gate-able).\n"
      "\n"
      "  map reads .rs (real ASTs) and .go .swift .ts .kt .py .zig (lexical: names, not\n"
      "  bodies). It surveys the tree's DOMINANT language and names the ones it skipped.\n"
      "  check, graph, tree and orphans are Rust-only — they need the AST.\n"
      "\n"
      "PATH defaults to the current directory; --declared defaults to PATH/keystone.json.\n"
      "`check` and `orphans` exit non-zero when they find a problem, so both can gate a commit.\n";
  return text;
}

std::optional<std::string> positional(const Args& args) {
  bool skip = false;
  for (const std::string& arg : args) {
    if (skip) {
      skip = false;
      continue;
    }
    if (arg == "--declared" || arg == "--json" || arg == "--out") {
      skip = true;
      continue;
    }
    if (arg.empty()) return arg;
    if (arg.front() == '-') continue;
    return arg;
  }
  return std::nullopt;
}

std::string path_arg(const Args& args) { return positional(args).value_or("."); }

bool has_flag(const Args& args, std::string_view flag) {
  for (const std::string& arg : args) {
    if (arg == flag) return true;
  }
  return false;
}

std::optional<std::string> option_value(const Args& args, std::string_view option) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == option) {
      if (i + 1 < args.size()) return args[i + 1];
      return std::nullopt;
    }
  }
  return std::nullopt;
}

std::uint8_t run(const Args& args, Sink& sink) {
  if (args.empty()) {
    sink.out(usage_text());
    return 0;
  }
  const std::string& verb = args.front();
  const Args rest(args.begin() + 1, args.end());
  if (verb == "help" || verb == "-h" || verb == "--help") {
    sink.out(usage_text());
    return 0;
  }
  if (verb == "--describe") {
    sink.out(std::string(kBanner) + "\n");
    return 0;
  }
  if (verb == "map") return cmd_map(rest, sink);
  if (verb == "check") return cmd_check(rest, sink);
  if (verb == "graph") return cmd_graph(rest, sink);
  if (verb == "tree") return cmd_tree(rest, sink);
  if (verb == "orphans") return cmd_orphans(rest, sink);
  if (verb == "port") return cmd_port(rest, sink);
  sink.err("quillon keystone: unknown verb `" + verb + "`\n\n");
  sink.out(usage_text());
  return 2;
}

}  // namespace cli
