#include "json.hpp"

#include "text.hpp"

namespace json {

void quote(std::string_view s, std::string& out) {
  static constexpr char kHex[] = "0123456789abcdef";
  out += '"';
  std::size_t run = 0;  // start of the characters not yet written, which need no escape
  for (std::size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && c != '"' && c != '\\') continue;
    out.append(s.data() + run, i - run);
    run = i + 1;
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\b':
        out += "\\b";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\f':
        out += "\\f";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        out += "\\u00";
        out += kHex[byte >> 4];
        out += kHex[byte & 0xf];
    }
  }
  out.append(s.data() + run, s.size() - run);
  out += '"';
}

void PrettyWriter::begin(char open) {
  prefix();
  out_ += open;
  filled_.push_back(false);
}

void PrettyWriter::end(char close) {
  const bool filled = filled_.back();
  filled_.pop_back();
  if (filled) newline();
  out_ += close;
}

void PrettyWriter::key(std::string_view name) {
  prefix();
  put_string(name);
  out_ += ": ";
  after_key_ = true;
}

void PrettyWriter::text(std::string_view s) {
  prefix();
  put_string(s);
}

void PrettyWriter::texts(const std::vector<std::string>& items) {
  begin('[');
  for (const std::string& item : items) text(item);
  end(']');
}

void PrettyWriter::boolean(bool b) {
  prefix();
  out_ += b ? "true" : "false";
}

void PrettyWriter::count(std::size_t n) {
  prefix();
  out_ += std::to_string(n);
}

// Before a value: nothing right after its key; otherwise the separator and the value's own line.
void PrettyWriter::prefix() {
  if (after_key_) {
    after_key_ = false;
    return;
  }
  if (filled_.empty()) return;
  if (filled_.back()) out_ += ',';
  filled_.back() = true;
  newline();
}

void PrettyWriter::newline() {
  out_ += '\n';
  out_.append(2 * filled_.size(), ' ');
}

void PrettyWriter::put_string(std::string_view s) {
  std::string repaired;
  if (!text::is_utf8(s)) {
    ok_ = false;
    repaired = text::lossy(s);
    s = repaired;
  }
  quote(s, out_);
}

}  // namespace json
