// token-dump ROOT: test support for the Rust lexer. Walks ROOT the way the Rust survey does and
// prints, for every accepted .rs file in byte order of its path, one JSON line with the file's
// whole token stream: {"path":P,"lexed":true,"tokens":T}, or {"path":P,"lexed":false} when the
// text does not lex.
#include <algorithm>
#include <cstdio>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "fsys.hpp"
#include "text.hpp"
#include "token.hpp"

namespace {

bool skipped_dir(std::string_view name) {
  static constexpr std::string_view kSkipped[] = {
      "target", "vendor", "build", ".git", "Pods", "zig-out", "DerivedData", "node_modules"};
  if (name.starts_with('.')) return true;
  return std::find(std::begin(kSkipped), std::end(kSkipped), name) != std::end(kSkipped);
}

// Whether the file name's extension is exactly "rs"; a name whose only '.' is its first
// character has no extension.
bool rust_file(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  return dot != std::string_view::npos && dot != 0 && name.substr(dot + 1) == "rs";
}

struct File {
  std::string path;  // relative to the root, '/' separators, U+FFFD for bytes that are not UTF-8
  std::string full;  // as opened
};

std::expected<std::vector<File>, fsys::IoError> walk(const std::string& root) {
  std::vector<File> files;
  std::vector<std::pair<std::string, std::string>> stack{{root, ""}};  // full, relative
  while (!stack.empty()) {
    auto [dir, rel] = std::move(stack.back());
    stack.pop_back();
    auto entries = fsys::list_dir(dir);
    if (!entries) return std::unexpected(entries.error());
    for (const fsys::DirEntry& e : *entries) {
      std::string full = fsys::join(dir, e.name);
      std::string sub = rel.empty() ? e.name : rel + "/" + e.name;
      if (e.type == fsys::EntryType::Directory) {
        if (!skipped_dir(text::lossy(e.name))) stack.emplace_back(std::move(full), std::move(sub));
      } else if (rust_file(e.name)) {
        files.push_back(File{text::lossy(sub), std::move(full)});
      }
    }
  }
  std::stable_sort(files.begin(), files.end(),
                   [](const File& a, const File& b) { return a.path < b.path; });
  return files;
}

void append_json_string(std::string_view s, std::string& out) {
  static constexpr char kHex[] = "0123456789abcdef";
  out += '"';
  for (const char ch : s) {
    const auto c = static_cast<unsigned char>(ch);
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\b':
        out += "\\b";
        break;
      case '\f':
        out += "\\f";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20) {
          out += "\\u00";
          out += kHex[c >> 4];
          out += kHex[c & 0xF];
        } else {
          out += ch;
        }
    }
  }
  out += '"';
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: token-dump ROOT\n", stderr);
    return 2;
  }
  auto files = walk(argv[1]);
  if (!files) {
    std::fprintf(stderr, "%s\n", files.error().message.c_str());
    return 1;
  }
  std::string line;
  std::string tokens;
  for (const File& f : *files) {
    auto source = fsys::read_text(f.full);
    if (!source) {
      std::fprintf(stderr, "%s: %s\n", f.path.c_str(), source.error().message.c_str());
      return 1;
    }
    line.clear();
    line += "{\"path\":";
    append_json_string(f.path, line);
    auto buffer = rust::lex(rust::strip_file_prelude(*source));
    if (buffer) {
      tokens.clear();
      rust::print_tokens(*buffer, 0, buffer->size(), tokens);
      line += ",\"lexed\":true,\"tokens\":";
      append_json_string(tokens, line);
    } else {
      line += ",\"lexed\":false";
    }
    line += "}\n";
    if (std::fwrite(line.data(), 1, line.size(), stdout) != line.size()) return 1;
  }
  return std::fflush(stdout) == 0 ? 0 : 1;
}
