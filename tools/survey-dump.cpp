// survey-dump [--why] ROOT: test support for the Rust survey. Walks ROOT the way the survey does
// and prints, for every accepted .rs file in byte order of its path, one JSON line with the file's
// record, or {"path":P,"parsed":false} when the file does not parse. With --why it also writes,
// for each file that does not parse, "ROOT/P:line:column: message" on standard error.
#include <cstdio>
#include <string>
#include <string_view>

#include "dodureriradi.hpp"
#include "fsys.hpp"
#include "json.hpp"
#include "parser.hpp"

namespace {

void json_string(std::string_view s, std::string& out) { json::quote(s, out); }

void json_bool(bool b, std::string& out) { out += b ? "true" : "false"; }

void json_optional(const std::optional<std::string>& s, std::string& out) {
  if (s) {
    json_string(*s, out);
  } else {
    out += "null";
  }
}

void json_strings(const std::vector<std::string>& list, std::string& out) {
  out += '[';
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (i) out += ',';
    json_string(list[i], out);
  }
  out += ']';
}

void record(const dodureriradi::SurveyedFile& f, std::string& out) {
  out += "{\"path\":";
  json_string(f.path, out);
  out += ",\"parsed\":true,\"fns\":[";
  for (std::size_t i = 0; i < f.fns.size(); ++i) {
    const auto& fn = f.fns[i];
    if (i) out += ',';
    out += "{\"name\":";
    json_string(fn.name, out);
    out += ",\"signature\":";
    json_string(fn.signature, out);
    out += ",\"vis\":";
    json_string(fn.vis, out);
    out += ",\"body\":";
    json_string(fn.body, out);
    out += ",\"cfg\":";
    json_optional(fn.cfg, out);
    out += ",\"is_pub\":";
    json_bool(fn.is_pub, out);
    out += ",\"exposed\":";
    json_bool(fn.exposed, out);
    out += ",\"is_test\":";
    json_bool(fn.is_test, out);
    out += ",\"is_method\":";
    json_bool(fn.is_method, out);
    out += '}';
  }
  out += "],\"types\":[";
  for (std::size_t i = 0; i < f.types.size(); ++i) {
    const auto& t = f.types[i];
    if (i) out += ',';
    out += "{\"name\":";
    json_string(t.name, out);
    out += ",\"kind\":";
    json_string(t.kind, out);
    out += ",\"vis\":";
    json_string(t.vis, out);
    out += ",\"is_pub\":";
    json_bool(t.is_pub, out);
    out += '}';
  }
  out += "],\"uses\":";
  json_strings(f.uses, out);
  out += ",\"tests\":";
  json_strings(f.tests, out);
  out += ",\"reexports\":";
  json_strings(f.reexports, out);
  out += ",\"attr_text\":";
  json_string(f.attr_text, out);
  out += ",\"mods\":[";
  for (std::size_t i = 0; i < f.mods.size(); ++i) {
    const auto& m = f.mods[i];
    if (i) out += ',';
    out += "{\"name\":";
    json_string(m.name, out);
    out += ",\"parent\":";
    json_string(m.parent, out);
    out += ",\"path_attr\":";
    json_optional(m.path_attr, out);
    out += ",\"is_pub\":";
    json_bool(m.is_pub, out);
    out += ",\"is_restricted\":";
    json_bool(m.is_restricted, out);
    out += '}';
  }
  out += "],\"calls\":[";
  for (std::size_t i = 0; i < f.calls.size(); ++i) {
    const auto& c = f.calls[i];
    if (i) out += ',';
    out += "{\"name\":";
    json_string(c.name, out);
    out += ",\"qualified\":";
    json_bool(c.qualified, out);
    out += ",\"in_test\":";
    json_bool(c.in_test, out);
    out += '}';
  }
  out += "]}\n";
}

// "path:line:column: message" for a file that does not parse, or why it cannot be read again.
std::string why(const std::string& path) {
  auto source = fsys::read_text(path);
  if (!source) return path + ": " + source.error().message + "\n";
  auto parsed = rust::parse_file(*source);
  if (parsed) return path + ": parses when read again\n";
  const rust::SourcePosition at = rust::source_position(*source, parsed.error().offset);
  return path + ":" + std::to_string(at.line) + ":" + std::to_string(at.column) + ": " +
         parsed.error().message + "\n";
}

}  // namespace

int main(int argc, char** argv) {
  const bool with_why = argc == 3 && std::string_view(argv[1]) == "--why";
  if (argc != 2 && !with_why) {
    std::fputs("usage: survey-dump [--why] ROOT\n", stderr);
    return 2;
  }
  const std::string root = argv[argc - 1];
  auto entries = dodureriradi::survey_entries(root);
  if (!entries) {
    std::fprintf(stderr, "%s\n", entries.error().message.c_str());
    return 1;
  }
  std::string out;
  for (const auto& e : *entries) {
    out.clear();
    if (e.file) {
      record(*e.file, out);
    } else {
      out += "{\"path\":";
      json_string(e.path, out);
      out += ",\"parsed\":false}\n";
      if (with_why) std::fputs(why(fsys::join(root, e.path)).c_str(), stderr);
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
  }
  return 0;
}
