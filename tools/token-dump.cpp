// token-dump ROOT: test support for the Rust lexer. Walks ROOT the way the Rust survey does and
// prints, for every accepted .rs file in byte order of its path, one JSON line with the file's
// whole token stream: {"path":P,"lexed":true,"tokens":T}, or {"path":P,"lexed":false} when the
// text does not lex.
#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "dodureriradi.hpp"
#include "json.hpp"
#include "lexer.hpp"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: token-dump ROOT\n", stderr);
    return 2;
  }
  // (path, line) pairs, sorted by path once the walk is done.
  std::vector<std::pair<std::string, std::string>> lines;
  std::string tokens;
  const auto walked =
      dodureriradi::for_each_source(argv[1], [&](std::string path, std::string_view source) {
        std::string line = "{\"path\":";
        json::quote(path, line);
        auto buffer = rust::lex(rust::strip_file_prelude(source));
        if (buffer) {
          tokens.clear();
          rust::print_tokens(*buffer, 0, buffer->size(), tokens);
          line += ",\"lexed\":true,\"tokens\":";
          json::quote(tokens, line);
        } else {
          line += ",\"lexed\":false";
        }
        line += "}\n";
        lines.emplace_back(std::move(path), std::move(line));
      });
  if (!walked) {
    std::fprintf(stderr, "%s\n", walked.error().message.c_str());
    return 1;
  }
  std::stable_sort(lines.begin(), lines.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  for (const auto& [path, line] : lines) {
    if (std::fwrite(line.data(), 1, line.size(), stdout) != line.size()) return 1;
  }
  return std::fflush(stdout) == 0 ? 0 : 1;
}
