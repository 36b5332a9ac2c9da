#include "output.hpp"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "fsys.hpp"

namespace output {

namespace {

std::string& pending() {
  static std::string buffer;
  return buffer;
}

constexpr std::size_t kFlushAt = 1 << 16;

// Writes all of `text` to `fd`; returns 0 or the errno of the failed write.
int write_all(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t n = ::write(fd, text.data(), text.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    text.remove_prefix(static_cast<std::size_t>(n));
  }
  return 0;
}

[[noreturn]] void fail(std::string_view stream, int errnum) {
  pending().clear();
  const std::string message =
      "failed printing to " + std::string(stream) + ": " + fsys::os_error(errnum).message + "\n";
  write_all(2, message);
  std::_Exit(101);
}

}  // namespace

void flush() {
  std::string& buffer = pending();
  if (buffer.empty()) return;
  const int errnum = write_all(1, buffer);
  buffer.clear();
  if (errnum != 0) fail("stdout", errnum);
}

void out(std::string_view text) {
  std::string& buffer = pending();
  if (text.size() >= kFlushAt) {
    // A whole report goes out as it is, not copied into the buffer first.
    flush();
    if (const int errnum = write_all(1, text); errnum != 0) fail("stdout", errnum);
    return;
  }
  buffer.append(text);
  if (buffer.size() >= kFlushAt) flush();
}

void err(std::string_view text) {
  flush();
  const int errnum = write_all(2, text);
  if (errnum != 0) fail("stderr", errnum);
}

}  // namespace output
