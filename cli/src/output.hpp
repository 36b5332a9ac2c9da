// Where a run's output goes. Standard output is held in a buffer and written out in large
// pieces; standard error is written at once, after whatever is buffered, so the two keep their
// order. The first write that fails prints "failed printing to stdout: ..." (or stderr) on
// standard error; from then on nothing more is written and the run ends with status 101.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace cli {

class Sink {
 public:
  /// The exit status of a run whose output could not be written.
  static constexpr std::uint8_t kFailed = 101;

  /// A sink over the descriptors of standard output and standard error.
  explicit Sink(int out_fd = 1, int err_fd = 2) : out_fd_(out_fd), err_fd_(err_fd) {}
  Sink(const Sink&) = delete;
  Sink& operator=(const Sink&) = delete;

  /// Appends to standard output.
  void out(std::string_view text);

  /// Writes to standard error, after what is buffered for standard output.
  void err(std::string_view text);

  /// Writes out what is buffered for standard output. False when a write of the run has failed:
  /// the verb then stops, so that nothing (a file least of all) follows a report that could not
  /// be printed.
  [[nodiscard]] bool flush();

  /// Flushes, and gives `status`, or `kFailed` when a write of the run has failed.
  std::uint8_t finish(std::uint8_t status);

 private:
  void write_out(std::string_view text);
  void fail(std::string_view stream, int errnum);

  int out_fd_;
  int err_fd_;
  std::string buffer_;
  bool failed_ = false;
};

}  // namespace cli
