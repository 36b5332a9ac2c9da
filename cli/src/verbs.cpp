#include "cli.hpp"
#include "output.hpp"

namespace cli {

std::uint8_t cmd_graph(const Args&) { return 1; }

}  // namespace cli
