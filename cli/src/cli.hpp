// The command line: verb dispatch, the shared argument rules, and the verb handlers.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "keystone.hpp"
#include "output.hpp"

namespace cli {

using Args = std::vector<std::string>;

/// "keystone — map a program onto its module graph and check the declared keystone against the
/// code".
extern const std::string_view kBanner;

/// The 21-line usage text, each line ending with a newline.
std::string usage_text();

/// Runs one invocation: `args` are the process arguments after the program name; everything it
/// prints goes through `sink`.
std::uint8_t run(const Args& args, Sink& sink);

/// The first verb argument that is neither an option nor the value of "--declared", "--json" or
/// "--out"; an empty argument counts as positional.
std::optional<std::string> positional(const Args& args);

/// `positional`, or "." when there is none.
std::string path_arg(const Args& args);

/// A flag is set when any argument equals it exactly.
bool has_flag(const Args& args, std::string_view flag);

/// The argument right after the first occurrence of `option`; none when that occurrence is last.
std::optional<std::string> option_value(const Args& args, std::string_view option);

// Verb handlers: each takes the arguments after the verb, prints through `sink` and returns the
// exit status.
std::uint8_t cmd_map(const Args& args, Sink& sink);
std::uint8_t cmd_check(const Args& args, Sink& sink);
std::uint8_t cmd_graph(const Args& args, Sink& sink);
std::uint8_t cmd_tree(const Args& args, Sink& sink);
std::uint8_t cmd_orphans(const Args& args, Sink& sink);
std::uint8_t cmd_port(const Args& args, Sink& sink);

/// The lexical map report of `path`, for trees whose dominant language is not Rust.
std::uint8_t lexical_map(const std::string& path, Sink& sink);

/// The keystone.json at `path`, or none when it cannot be read or parsed.
std::optional<keystone::Keystone> read_keystone(const std::string& path);

}  // namespace cli
