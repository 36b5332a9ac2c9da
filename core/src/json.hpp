// The one pretty JSON layout the tool writes (keystone.json and the port document): two spaces
// per level, one member or element per line, ": " after a key, "[]" and "{}" when empty; strings
// escape '"', '\' and the control characters (\b \t \n \f \r, others as \u00xx), everything else
// is written as its UTF-8 bytes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace json {

/// Appends `s` as a JSON string: '"', '\\' and the control characters escaped, everything else
/// as its bytes (the caller hands over UTF-8).
void quote(std::string_view s, std::string& out);

class PrettyWriter {
 public:
  /// Opens an object ('{') or an array ('[').
  void begin(char open);
  /// Closes the innermost object ('}') or array (']').
  void end(char close);
  /// The key of the next member; its value follows.
  void key(std::string_view name);
  /// A string value. Bytes that are not UTF-8 are written as U+FFFD and clear `ok()`.
  void text(std::string_view s);
  void texts(const std::vector<std::string>& items);
  void boolean(bool b);
  void count(std::size_t n);

  /// False once a text that is not UTF-8 was written.
  bool ok() const { return ok_; }
  std::string take() && { return std::move(out_); }

 private:
  void prefix();
  void newline();
  void put_string(std::string_view s);

  std::string out_;
  std::vector<bool> filled_;  // per open container: whether it has an element yet
  bool after_key_ = false;
  bool ok_ = true;
};

}  // namespace json
