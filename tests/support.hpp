// Helpers shared by the test programs: scratch directories and real consumers of our output.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace support {

/// A fresh directory under $TMPDIR, removed with everything in it when the value goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  /// Path of `rel` inside the directory.
  std::string operator/(std::string_view rel) const;
  /// Writes `content` to `rel`, creating parent directories.
  void write(std::string_view rel, std::string_view content) const;
  /// Creates directory `rel` with its parents.
  void mkdir(std::string_view rel) const;
  /// Creates a symbolic link `rel` pointing at `target` (taken as written).
  void symlink(std::string_view target, std::string_view rel) const;

 private:
  std::string path_;
};

/// Whether Graphviz accepts `dot` with the given layout program ("dot" or "neato"), rendering to
/// SVG. Fails the calling test with Graphviz's message when it does not.
bool graphviz_accepts(std::string_view dot, const char* layout = "dot");

/// Runs `command` with /bin/sh; returns its exit status and stores its standard output.
int run_shell(const std::string& command, std::string* out = nullptr);

/// A repeatable stream of pseudo-random draws for generated test inputs: each call gives a number
/// below `bound` (a linear congruential generator, the same sequence on every platform).
class Draws {
 public:
  explicit Draws(std::uint32_t seed) : state_(seed) {}
  std::uint32_t operator()(std::uint32_t bound) {
    state_ = state_ * 1664525u + 1013904223u;
    return (state_ >> 16) % bound;
  }

 private:
  std::uint32_t state_;
};

/// The whole content of a file, or the empty text when it cannot be read.
std::string slurp(const std::string& path);

/// A case name as a test name: every character but letters and digits becomes '_'.
std::string test_name(std::string_view name);

}  // namespace support
