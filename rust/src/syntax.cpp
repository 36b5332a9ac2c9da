// The parsed file: small queries (displayed identifiers, single-identifier paths, the value of a
// tuple index and of a string literal), and printing a token range from the syntax tree with the
// spacing of syntax tokens and the edits the parser recorded.
//
// A token prints with one space before it unless it is the first of its stream or follows a
// joined punctuation; "(" and "[" groups print their contents tight, brace groups padded with a
// space inside ("{ }" when empty). A syntax token is joined only inside a multi-character
// operator (and a lifetime's quote); a verbatim token keeps the lexer's spacing.
#include "syntax.hpp"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "utf8.hpp"

namespace rust {

std::string File::display(std::uint32_t token) const {
  std::string out;
  if (tokens[token].kind == TokenKind::Ident && tokens[token].raw()) out = "r#";
  out += tokens.text(token);
  return out;
}

bool File::path_is_ident(TokenRange range, std::string_view name) const {
  if (range.last != range.first + 1) return false;
  const Token& t = tokens[range.first];
  return t.kind == TokenKind::Ident && !t.raw() && tokens.text(range.first) == name;
}

bool tuple_index_value(std::string_view t, std::uint32_t& value) {
  unsigned base = 10;
  std::size_t i = 0;
  if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'o' || t[1] == 'b')) {
    base = t[1] == 'x' ? 16 : t[1] == 'o' ? 8 : 2;
    i = 2;
  }
  std::uint64_t v = 0;
  bool digits = false;
  for (; i < t.size(); ++i) {
    if (t[i] == '_') continue;
    const int d = utf8::hex_digit(t[i]);
    if (d < 0 || static_cast<unsigned>(d) >= base) return false;  // a suffix, an exponent
    v = v * base + static_cast<unsigned>(d);
    if (v > 0xffffffffu) return false;
    digits = true;
  }
  if (!digits) return false;
  value = static_cast<std::uint32_t>(v);
  return true;
}

bool string_literal_value(std::string_view s, std::string& value) {
  value.clear();
  if (s.empty()) return false;
  if (s[0] == 'r') {
    std::size_t pounds = 1;
    while (pounds < s.size() && s[pounds] == '#') ++pounds;
    if (pounds >= s.size() || s[pounds] != '"') return false;
    const std::size_t hashes = pounds - 1;
    const std::size_t close = s.rfind('"');
    if (close == std::string_view::npos || close <= pounds) return false;
    if (close + 1 + hashes > s.size()) return false;
    value.assign(s.substr(pounds + 1, close - pounds - 1));
    return true;
  }
  if (s[0] != '"') return false;
  std::size_t i = 1;
  while (i < s.size()) {
    const char c = s[i];
    if (c == '"') return true;
    if (c == '\\') {
      if (i + 1 >= s.size()) return false;
      const char b = s[i + 1];
      i += 2;
      switch (b) {
        case 'x': {
          if (i + 2 > s.size()) return false;
          const int hi = utf8::hex_digit(s[i]), lo = utf8::hex_digit(s[i + 1]);
          if (hi < 0 || lo < 0) return false;
          value += static_cast<char>(hi * 16 + lo);
          i += 2;
          break;
        }
        case 'u': {
          if (i >= s.size() || s[i] != '{') return false;
          ++i;
          std::uint32_t v = 0;
          while (i < s.size() && s[i] != '}') {
            if (s[i] != '_') {
              const int d = utf8::hex_digit(s[i]);
              if (d < 0) return false;
              v = v * 16 + static_cast<std::uint32_t>(d);
            }
            ++i;
          }
          if (i >= s.size()) return false;
          ++i;
          utf8::append(value, v);
          break;
        }
        case 'n':
          value += '\n';
          break;
        case 'r':
          value += '\r';
          break;
        case 't':
          value += '\t';
          break;
        case '\\':
          value += '\\';
          break;
        case '0':
          value += '\0';
          break;
        case '\'':
          value += '\'';
          break;
        case '"':
          value += '"';
          break;
        case '\r':
        case '\n':
          // A line continuation: the line end and the white space after it are skipped.
          while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\n' || s[i] == '\r')) {
            ++i;
          }
          break;
        default:
          return false;
      }
      continue;
    }
    if (c == '\r' && i + 1 < s.size() && s[i + 1] == '\n') {
      value += '\n';
      i += 2;
      continue;
    }
    value += c;
    ++i;
  }
  return false;
}

namespace {

class Printer {
 public:
  Printer(const File& file, std::string& out) : f_(file), out_(out) {}

  void range(std::uint32_t a, std::uint32_t b) {
    const auto& edits = f_.edits;
    range_from(a, b,
               std::lower_bound(edits.begin(), edits.end(), a,
                                [](const Edit& e, std::uint32_t v) { return e.first < v; }));
  }

  // Prints [a, b) with the edits from `it` on (those before it enclose the range). It runs for
  // every token of every function body the survey keeps, so everything it calls, down to the
  // string appends of each token, is inlined into it.
  [[gnu::flatten]] void range_from(std::uint32_t a, std::uint32_t b,
                                   std::vector<Edit>::const_iterator it) {
    const auto end = f_.edits.end();
    std::uint32_t i = a;
    while (i < b) {
      while (it != end && it->first < i) ++it;
      // The enclosing edit comes first; one that reaches past `b` belongs to an outer range. A
      // verbatim token takes no edit but added parentheses.
      auto e = it;
      while (e != end && e->first == i &&
             (e->last > b || ((f_.marks[i] & kMarkVerbatim) != 0 && e->kind != EditKind::Wrap))) {
        ++e;
      }
      if (e != end && e->first == i) {
        apply(e);
        i = e->last;
        continue;
      }
      token(i);
      ++i;
    }
  }

  void token(std::uint32_t i) {
    const Token& t = f_.tokens[i];
    switch (t.kind) {
      case TokenKind::Open:
        open(t.delim());
        return;
      case TokenKind::Close:
        close(t.delim());
        return;
      case TokenKind::Punct: {
        const std::uint8_t m = f_.marks[i];
        const bool joint = (m & kMarkVerbatim) != 0
                               ? t.joint()
                               : ((m & kMarkJoint) != 0 || (t.flags & Token::kLifetime) != 0);
        const char c = t.punct();
        emit(std::string_view(&c, 1), true, joint);
        return;
      }
      case TokenKind::Ident:
        space();
        if (t.raw()) out_ += "r#";
        out_ += f_.tokens.text(i);
        first_ = false;
        prev_joint_ = false;
        return;
      case TokenKind::Literal:
        emit(f_.tokens.text(i), false, false);
        return;
    }
  }

  void emit(std::string_view text, bool is_punct, bool joint) {
    space();
    out_ += text;
    first_ = false;
    prev_joint_ = is_punct && joint;
  }

  void open(Delim d) {
    space();
    out_ += open_char(d);
    if (d == Delim::Brace) out_ += ' ';
    first_ = true;
    prev_joint_ = false;
  }

  void close(Delim d) {
    if (d == Delim::Brace && !first_) out_ += ' ';
    out_ += close_char(d);
    first_ = false;
    prev_joint_ = false;
  }

 private:
  void space() {
    if (!first_ && !prev_joint_) out_ += ' ';
  }

  // The decimal form of a tuple index (the parser checked that it has a value).
  static std::string decimal(std::string_view t) {
    std::uint32_t v = 0;
    tuple_index_value(t, v);
    return std::to_string(v);
  }

  void apply(std::vector<Edit>::const_iterator at) {
    const Edit& e = *at;
    switch (e.kind) {
      case EditKind::Wrap:
        open(Delim::Paren);
        range_from(e.first, e.last, at + 1);
        close(Delim::Paren);
        return;
      case EditKind::Delete:
        return;
      case EditKind::DotDotEq:
        emit(".", true, true);
        emit(".", true, true);
        emit("=", true, false);
        return;
      case EditKind::IndexValue:
        emit(decimal(f_.tokens.text(e.first)), false, false);
        return;
      case EditKind::SplitIndex: {
        std::string_view t = f_.tokens.text(e.first);
        const bool trailing_dot = !t.empty() && t.back() == '.';
        if (trailing_dot) t.remove_suffix(1);
        std::size_t start = 0;
        for (;;) {
          const std::size_t dot = t.find('.', start);
          emit(decimal(t.substr(start, dot == std::string_view::npos ? t.npos : dot - start)),
               false, false);
          if (dot == std::string_view::npos) break;
          emit(".", true, false);
          start = dot + 1;
        }
        if (trailing_dot) emit(".", true, false);
        return;
      }
      case EditKind::Wildcard:
        emit("_", false, false);
        emit(":", true, false);
        token(e.first);
        return;
      case EditKind::Reorder:
        for (std::uint32_t k = 0; k < e.part_count; ++k) {
          const Part& p = f_.parts[e.part_first + k];
          if (p.first == kNoToken) {
            emit(",", true, false);
          } else {
            range(p.first, p.last);
          }
        }
        return;
    }
  }

  const File& f_;
  std::string& out_;
  bool first_ = true;
  bool prev_joint_ = false;
};

}  // namespace

void print_syntax(const File& file, TokenRange range, std::string& out) {
  Printer p(file, out);
  p.range(range.first, range.last);
}

void print_body(const File& file, const Item& fn, std::string& out) {
  Printer p(file, out);
  p.open(Delim::Brace);
  p.range(fn.body_stmts, fn.body_close);
  p.close(Delim::Brace);
}

}  // namespace rust
