// The process's two output streams. Standard output is buffered and flushed at exit and before
// anything goes to standard error; a write that fails ends the process with status 101 after
// "failed printing to stdout: ..." (or stderr) on standard error.
#pragma once

#include <string_view>

namespace output {

/// Appends to standard output.
void out(std::string_view text);

/// Writes to standard error at once (standard output is flushed first, keeping their order).
void err(std::string_view text);

/// Writes out everything buffered for standard output.
void flush();

}  // namespace output
