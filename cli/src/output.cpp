#include "output.hpp"

#include <unistd.h>

#include <cerrno>

#include "fsys.hpp"

namespace cli {

namespace {

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

}  // namespace

void Sink::fail(std::string_view stream, int errnum) {
  failed_ = true;
  buffer_.clear();
  const std::string message =
      "failed printing to " + std::string(stream) + ": " + fsys::os_error(errnum).message + "\n";
  write_all(err_fd_, message);
}

void Sink::write_out(std::string_view text) {
  if (const int errnum = write_all(out_fd_, text); errnum != 0) fail("stdout", errnum);
}

bool Sink::flush() {
  if (!failed_ && !buffer_.empty()) {
    write_out(buffer_);
    buffer_.clear();
  }
  return !failed_;
}

void Sink::out(std::string_view text) {
  if (failed_) return;
  if (text.size() >= kFlushAt) {
    // A whole report goes out as it is, not copied into the buffer first.
    if (flush()) write_out(text);
    return;
  }
  buffer_.append(text);
  if (buffer_.size() >= kFlushAt) static_cast<void>(flush());
}

void Sink::err(std::string_view text) {
  if (!flush()) return;
  if (const int errnum = write_all(err_fd_, text); errnum != 0) fail("stderr", errnum);
}

std::uint8_t Sink::finish(std::uint8_t status) { return flush() ? status : kFailed; }

}  // namespace cli
