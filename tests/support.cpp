#include "support.hpp"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace support {

namespace fs = std::filesystem;

TempDir::TempDir() {
  const char* base = std::getenv("TMPDIR");
  std::string templ = std::string(base && *base ? base : "/tmp") + "/qk-test-XXXXXX";
  char* made = ::mkdtemp(templ.data());
  if (!made) std::abort();
  path_ = made;
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

std::string TempDir::operator/(std::string_view rel) const {
  return path_ + "/" + std::string(rel);
}

void TempDir::write(std::string_view rel, std::string_view content) const {
  const fs::path p = fs::path(path_) / fs::path(std::string(rel));
  fs::create_directories(p.parent_path());
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
}

void TempDir::mkdir(std::string_view rel) const {
  fs::create_directories(fs::path(path_) / fs::path(std::string(rel)));
}

void TempDir::symlink(std::string_view target, std::string_view rel) const {
  const fs::path p = fs::path(path_) / fs::path(std::string(rel));
  fs::create_directories(p.parent_path());
  fs::create_symlink(fs::path(std::string(target)), p);
}

int run_shell(const std::string& command, std::string* out) {
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return -1;
  std::string text;
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) text.append(buf, n);
  const int status = ::pclose(pipe);
  if (out) *out = std::move(text);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

bool graphviz_accepts(std::string_view dot, const char* layout) {
  TempDir dir;
  dir.write("g.dot", dot);
  std::string messages;
  const int status = run_shell(
      std::string(layout) + " -Tsvg -o " + (dir / "g.svg") + " " + (dir / "g.dot") + " 2>&1",
      &messages);
  EXPECT_EQ(status, 0) << layout << " refused the graph:\n" << messages << "\n" << dot;
  return status == 0;
}

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string test_name(std::string_view name) {
  std::string out(name);
  for (char& c : out) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return out;
}

}  // namespace support
