// Process entry: collect the arguments, dispatch one verb, return its status.
#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <string>
#include <vector>

#include "cli.hpp"
#include "output.hpp"
#include "text.hpp"

int main(int argc, char** argv) {
  // A write into a closed pipe must fail as a value, not kill the process.
  std::signal(SIGPIPE, SIG_IGN);
  // Keep descriptors 0 to 2 occupied, so a file opened later never becomes "standard output";
  // a closed standard output is left unwritable, so printing to it fails as it should.
  for (int fd = 0; fd <= 2; ++fd) {
    if (::fcntl(fd, F_GETFD) == -1) ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  }

  cli::Sink sink;
  std::vector<std::string> args;
  args.reserve(argc > 0 ? static_cast<std::size_t>(argc - 1) : 0);
  for (int i = 1; i < argc; ++i) {
    std::string arg(argv[i]);
    if (!text::is_utf8(arg)) {
      sink.err("quillon keystone: argument " + std::to_string(i) +
               " is not valid UTF-8: " + text::lossy(arg) + "\n");
      return sink.finish(101);
    }
    args.push_back(std::move(arg));
  }
  return sink.finish(cli::run(args, sink));
}
