// The fuzz harnesses: one check per target, each taking one input and returning what it found
// wrong with it (empty when the input passed). The fuzz programs abort on a finding so the fuzzer
// records the input; the regression test replays the kept inputs through the same checks.
//
// Besides "no crash, no hang, no sanitizer report", each check holds the code to the properties
// that must stand for every input: a lexed text prints to a text that lexes to the same tokens, a
// keystone read back from its own JSON equals itself, a recogniser names only identifiers taken
// from the line, a normalised name is a fixed point, and so on.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dodureriradi.hpp"
#include "graph.hpp"
#include "keystone.hpp"
#include "languages.hpp"
#include "lexer.hpp"
#include "port.hpp"
#include "text.hpp"
#include "utf8.hpp"
#include "validation.hpp"
#include "waves.hpp"

namespace fuzz {

/// What a check found wrong with one input; empty when nothing.
using Finding = std::string;

namespace detail {

inline std::string quoted(std::string_view s) {
  std::string out = "\"";
  for (const char c : s) {
    const auto b = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (b < 0x20 || b == 0x7f) {
      static constexpr char kHex[] = "0123456789abcdef";
      out += "\\x";
      out += kHex[b >> 4];
      out += kHex[b & 0xf];
    } else {
      out += c;
    }
  }
  return out + "\"";
}

/// The lines of a text as the lexical survey cuts them: after every '\n', one '\r' before it
/// dropped, no empty last line.
inline std::vector<std::string_view> lines_of(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const std::size_t nl = text.find('\n');
    std::string_view line = text.substr(0, nl);
    if (nl != std::string_view::npos && line.ends_with('\r')) line.remove_suffix(1);
    lines.push_back(line);
    if (nl == std::string_view::npos) break;
    text.remove_prefix(nl + 1);
  }
  return lines;
}

inline bool first_is_whitespace(std::string_view s) {
  if (s.empty()) return false;
  std::size_t pos = 0;
  return text::is_whitespace(text::decode(s, pos));
}

/// Whether `s` is exactly one JSON value in the strict syntax of RFC 8259, with optional white
/// space around it. Iterative, so nesting depth costs heap only. Written apart from the reader
/// under test, to judge what it accepts.
inline bool strict_json(std::string_view s) {
  if (!text::is_utf8(s)) return false;
  std::size_t i = 0;
  const std::size_t n = s.size();
  auto at = [&](std::size_t k) -> int { return k < n ? static_cast<unsigned char>(s[k]) : -1; };
  auto ws = [&] {
    while (i < n && (s[i] == ' ' || s[i] == '\t' || s[i] == '\n' || s[i] == '\r')) ++i;
  };
  auto hex4 = [&](std::size_t k, unsigned& v) {
    v = 0;
    for (std::size_t d = 0; d < 4; ++d) {
      const int c = at(k + d);
      const int digit = c < 0 ? -1 : utf8::hex_digit(static_cast<char>(c));
      if (digit < 0) return false;
      v = (v << 4) | static_cast<unsigned>(digit);
    }
    return true;
  };
  auto string = [&] {
    if (at(i) != '"') return false;
    ++i;
    while (true) {
      const int c = at(i);
      if (c < 0x20) return false;  // end of text or an unescaped control character
      ++i;
      if (c == '"') return true;
      if (c != '\\') continue;
      const int e = at(i++);
      if (e == 'u') {
        unsigned v = 0;
        if (!hex4(i, v)) return false;
        i += 4;
        if (v >= 0xDC00 && v <= 0xDFFF) return false;
        if (v >= 0xD800 && v <= 0xDBFF) {
          unsigned low = 0;
          if (at(i) != '\\' || at(i + 1) != 'u' || !hex4(i + 2, low)) return false;
          if (low < 0xDC00 || low > 0xDFFF) return false;
          i += 6;
        }
      } else if (e != '"' && e != '\\' && e != '/' && e != 'b' && e != 'f' && e != 'n' &&
                 e != 'r' && e != 't') {
        return false;
      }
    }
  };
  auto digits = [&] {
    const std::size_t from = i;
    while (at(i) >= '0' && at(i) <= '9') ++i;
    return i > from;
  };
  auto number = [&] {
    if (at(i) == '-') ++i;
    if (at(i) == '0') {
      ++i;
    } else if (at(i) >= '1' && at(i) <= '9') {
      digits();
    } else {
      return false;
    }
    if (at(i) == '.') {
      ++i;
      if (!digits()) return false;
    }
    if (at(i) == 'e' || at(i) == 'E') {
      ++i;
      if (at(i) == '+' || at(i) == '-') ++i;
      if (!digits()) return false;
    }
    return true;
  };
  auto word = [&](std::string_view w) {
    if (s.substr(i, w.size()) != w) return false;
    i += w.size();
    return true;
  };

  std::vector<char> open;  // '{' or '[' per open container
  enum class Want { Value, Key, After } want = Want::Value;
  while (true) {
    ws();
    switch (want) {
      case Want::Value: {
        const int c = at(i);
        if (c == '{' || c == '[') {
          ++i;
          ws();
          if (at(i) == (c == '{' ? '}' : ']')) {
            ++i;
            want = Want::After;
          } else {
            open.push_back(static_cast<char>(c));
            want = c == '{' ? Want::Key : Want::Value;
          }
          break;
        }
        bool ok = false;
        if (c == '"') {
          ok = string();
        } else if (c == '-' || (c >= '0' && c <= '9')) {
          ok = number();
        } else if (c == 't') {
          ok = word("true");
        } else if (c == 'f') {
          ok = word("false");
        } else if (c == 'n') {
          ok = word("null");
        }
        if (!ok) return false;
        want = Want::After;
        break;
      }
      case Want::Key:
        if (!string()) return false;
        ws();
        if (at(i) != ':') return false;
        ++i;
        want = Want::Value;
        break;
      case Want::After: {
        if (open.empty()) return i == n;
        const int c = at(i);
        if (c == ',') {
          ++i;
          want = open.back() == '{' ? Want::Key : Want::Value;
        } else if (c == (open.back() == '{' ? '}' : ']')) {
          ++i;
          open.pop_back();
        } else {
          return false;
        }
        break;
      }
    }
  }
}

/// The deepest nesting of arrays and objects in a JSON text (brackets inside strings not
/// counted).
inline std::size_t nesting_depth(std::string_view s) {
  std::size_t depth = 0, deepest = 0;
  bool in_string = false;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    if (in_string) {
      if (c == '\\') {
        ++i;
      } else if (c == '"') {
        in_string = false;
      }
    } else if (c == '"') {
      in_string = true;
    } else if (c == '[' || c == '{') {
      deepest = std::max(deepest, ++depth);
    } else if ((c == ']' || c == '}') && depth > 0) {
      --depth;
    }
  }
  return deepest;
}

/// Name normalisation done by the rule's four steps, one after the other, on Unicode scalar
/// values throughout (no shortcut for ASCII names).
inline std::string reference_normalise(std::string_view name) {
  std::vector<char32_t> chars;
  for (std::size_t pos = 0; pos < name.size();) chars.push_back(text::decode(name, pos));
  std::string out;
  for (std::size_t i = 0; i < chars.size(); ++i) {
    const char32_t c = chars[i];
    if (!text::is_uppercase(c)) {
      utf8::append(out, c);
      continue;
    }
    if (i > 0) {
      const char32_t prev = chars[i - 1];
      const bool next_lower = i + 1 < chars.size() && text::is_lowercase(chars[i + 1]);
      if (text::is_lowercase(prev) || (prev >= '0' && prev <= '9') ||
          (text::is_uppercase(prev) && next_lower)) {
        out += '_';
      }
    }
    out += text::to_lower(c);
  }
  while (out.find("__") != std::string::npos) out = text::replace_all(out, "__", "_");
  const std::size_t first = out.find_first_not_of('_');
  out = first == std::string::npos ? "" : out.substr(first, out.find_last_not_of('_') - first + 1);
  return text::to_lower(out);
}

/// Token-text tidying done the plain way: every non-overlapping occurrence from the left, one
/// replacement after the other.
inline std::string reference_tidy(std::string_view input) {
  std::string s(input);
  for (const auto& [from, to] : dodureriradi::kTidySteps) {
    std::string out;
    std::size_t pos = 0;
    for (std::size_t hit; (hit = s.find(from, pos)) != std::string::npos;) {
      out.append(s, pos, hit - pos);
      out += to;
      pos = hit + from.size();
    }
    out.append(s, pos);
    s = std::move(out);
  }
  return s;
}

/// A token's text as printed: punctuation and delimiters by their character, identifiers and
/// literals from their buffer.
inline std::string token_text(const rust::TokenBuffer& buf, std::uint32_t i) {
  const rust::Token& t = buf[i];
  switch (t.kind) {
    case rust::TokenKind::Punct:
      return std::string(1, t.punct());
    case rust::TokenKind::Open:
      return t.delim() == rust::Delim::None ? "" : std::string(1, "([{"[t.detail % 3]);
    case rust::TokenKind::Close:
      return t.delim() == rust::Delim::None ? "" : std::string(1, ")]}"[t.detail % 3]);
    case rust::TokenKind::Ident:
    case rust::TokenKind::Literal:
      break;
  }
  return std::string(buf.text(i));
}

/// Structural soundness of a token buffer: texts inside their buffers, delimiters paired and
/// properly nested, punctuation from the fixed set.
inline Finding check_tokens(const rust::TokenBuffer& buf) {
  constexpr std::string_view kPunct = "~!#$%^&*-=+|;:,<.>/?@'";
  std::vector<std::uint32_t> open;
  for (std::uint32_t i = 0; i < buf.size(); ++i) {
    const rust::Token& t = buf[i];
    const std::string_view home = t.synthetic() ? buf.synthetic() : buf.source();
    if (t.begin > home.size() || t.length > home.size() - t.begin) {
      return "token " + std::to_string(i) + " lies outside its text";
    }
    switch (t.kind) {
      case rust::TokenKind::Open:
        if (t.partner <= i || t.partner >= buf.size() ||
            buf[t.partner].kind != rust::TokenKind::Close || buf[t.partner].partner != i ||
            buf[t.partner].detail != t.detail) {
          return "open delimiter " + std::to_string(i) + " has no matching close";
        }
        open.push_back(i);
        break;
      case rust::TokenKind::Close:
        if (open.empty() || open.back() != t.partner) {
          return "close delimiter " + std::to_string(i) + " closes the wrong group";
        }
        open.pop_back();
        break;
      case rust::TokenKind::Punct:
        if (t.detail == 0 || kPunct.find(t.punct()) == std::string_view::npos) {
          return "token " + std::to_string(i) + " is punctuation outside the fixed set";
        }
        if (buf.text(i) != std::string_view(&kPunct[kPunct.find(t.punct())], 1)) {
          return "the text of punctuation token " + std::to_string(i) + " is not its character";
        }
        break;
      case rust::TokenKind::Ident:
      case rust::TokenKind::Literal:
        if (t.length == 0) return "token " + std::to_string(i) + " has an empty text";
        break;
    }
  }
  if (!open.empty()) return "a group is left open";
  return {};
}

/// What the graph verb does with a keystone it read: validation, waves, DOT and Mermaid. A valid
/// design's artifact dependencies can be ordered; the waves hold every module once; drawings are
/// UTF-8.
inline Finding check_design(const keystone::Keystone& k) {
  const auto valid = k.validate();
  if (k.validate() != valid) return "validation is not a pure function";
  const auto waves = waves::partition_into_waves(k);
  if (valid && !waves) return "a valid keystone whose artifact dependencies cannot be ordered";
  if (waves) {
    std::size_t placed = 0;
    for (const auto& wave : *waves) {
      if (wave.empty()) return "an empty wave";
      placed += wave.size();
    }
    if (placed != k.modules.size()) {
      return "the waves hold " + std::to_string(placed) + " modules of " +
             std::to_string(k.modules.size());
    }
  }
  if (!valid && !text::is_utf8(valid.error().text())) return "validation message not UTF-8";
  if (!text::is_utf8(graph::to_dot(k))) return "DOT text not UTF-8";
  if (!text::is_utf8(graph::to_mermaid(k))) return "Mermaid text not UTF-8";
  return {};
}

}  // namespace detail

/// The Rust lexer and the printing rule: lexing never crashes; a text that lexes gives a sound
/// token buffer whose printed text is UTF-8 and lexes again to the same tokens.
inline Finding check_lex(std::string_view data) {
  if (!text::is_utf8(data)) return {};  // files are read as UTF-8 text before they are lexed
  const std::string_view source = rust::strip_file_prelude(data);
  const auto lexed = rust::lex(source);
  if (!lexed) {
    if (lexed.error().offset > source.size()) return "lex error offset lies past the text";
    if (lexed.error().message.empty()) return "lex error without a message";
    return {};
  }
  if (Finding f = detail::check_tokens(*lexed); !f.empty()) return f;
  std::string printed;
  rust::print_tokens(*lexed, 0, lexed->size(), printed);
  if (!text::is_utf8(printed)) return "printed token text is not UTF-8";
  // A leading space keeps a printed "#!" from being taken for a shebang line.
  const std::string again_source = " " + printed;
  const auto again = rust::lex(again_source);
  if (!again) {
    return "printed token text does not lex: " + again.error().message + " at byte " +
           std::to_string(again.error().offset) + " of " + detail::quoted(printed);
  }
  if (again->size() != lexed->size()) {
    return "printed token text lexes to " + std::to_string(again->size()) + " tokens instead of " +
           std::to_string(lexed->size()) + ": " + detail::quoted(printed);
  }
  constexpr std::uint8_t kCompared = rust::Token::kJoint | rust::Token::kRaw;
  for (std::uint32_t i = 0; i < lexed->size(); ++i) {
    const rust::Token& a = (*lexed)[i];
    const rust::Token& b = (*again)[i];
    if (a.kind != b.kind || a.detail != b.detail || a.partner != b.partner ||
        (a.flags & kCompared) != (b.flags & kCompared) ||
        detail::token_text(*lexed, i) != detail::token_text(*again, i)) {
      return "token " + std::to_string(i) + " differs after printing and lexing again: " +
             detail::quoted(detail::token_text(*lexed, i)) + " became " +
             detail::quoted(detail::token_text(*again, i)) + " in " + detail::quoted(printed);
    }
  }
  return {};
}

/// Token-text tidying: `tidy` gives what the eleven replacements give, on raw text and on the
/// printed token text of a lexed file, and never lengthens a text.
inline Finding check_tidy(std::string_view data) {
  auto compare = [](std::string_view input) -> Finding {
    const std::string got = dodureriradi::tidy(input);
    const std::string want = detail::reference_tidy(input);
    if (got != want) {
      return "tidy of " + detail::quoted(input) + " gave " + detail::quoted(got) + " instead of " +
             detail::quoted(want);
    }
    if (got.size() > input.size()) return "tidy lengthened " + detail::quoted(input);
    return {};
  };
  if (Finding f = compare(data); !f.empty()) return f;
  if (!text::is_utf8(data)) return {};
  const auto lexed = rust::lex(rust::strip_file_prelude(data));
  if (!lexed) return {};
  std::string printed;
  rust::print_tokens(*lexed, 0, lexed->size(), printed);
  return compare(printed);
}

/// keystone.json: what the reader accepts is strict JSON; writing a keystone read and reading it
/// back gives an equal keystone and the same text; the same document written by another JSON
/// writer reads the same; undeclared members put at the head of the top object change nothing;
/// the graph verb's work on it holds (check_design). An input holding a NUL byte is split there:
/// the part after it is the value of the inserted undeclared member.
inline Finding check_keystone(std::string_view data) {
  std::string_view doc = data;
  std::optional<std::string_view> extra;
  if (const std::size_t nul = data.find('\0'); nul != std::string_view::npos) {
    doc = data.substr(0, nul);
    extra = data.substr(nul + 1);
  }
  const auto first = keystone::Keystone::deserialize(doc);
  if (!first) return {};
  if (!detail::strict_json(doc)) return "read a text that is not strict JSON";
  const std::string written = first->serialize();
  if (!detail::strict_json(written)) return "wrote a text that is not strict JSON: " + written;
  if (written.ends_with('\n')) return "the written document ends with a line break";
  const auto second = keystone::Keystone::deserialize(written);
  if (!second) return "cannot read its own text (" + second.error().message + "): " + written;
  if (!(*second == *first)) return "reads its own text back as another keystone: " + written;
  if (second->serialize() != written) return "writes a keystone read back differently";
  if (Finding f = detail::check_design(*first); !f.empty()) return f;

  // The same document written compactly and pretty by another writer (escapes, number forms and
  // white space of its own; a repeated undeclared key kept once) reads the same. The library's
  // writer recurses, so only for documents of modest depth.
  if (detail::nesting_depth(doc) <= 64) {
    try {
      const auto other = nlohmann::ordered_json::parse(doc);
      for (const std::string& form : {other.dump(), other.dump(1, '\t')}) {
        const auto again = keystone::Keystone::deserialize(form);
        if (!again || !(*again == *first)) {
          return "the same document written otherwise reads differently: " + detail::quoted(form);
        }
      }
    } catch (const nlohmann::json::exception&) {
      // A document that writer's own reader refuses (a number too large for a double) is not
      // rewritten.
    }
  }

  if (!extra || !detail::strict_json(*extra)) return {};
  const std::size_t brace = doc.find_first_not_of(" \t\n\r");
  if (brace == std::string_view::npos || doc[brace] != '{') return {};
  // Twice the same undeclared key: such keys may repeat.
  const std::string member = "\"x-undeclared\": " + std::string(*extra) + ",";
  const std::string widened =
      std::string(doc.substr(0, brace + 1)) + member + member + std::string(doc.substr(brace + 1));
  const auto third = keystone::Keystone::deserialize(widened);
  if (!third) {
    return "an undeclared member with the value " + detail::quoted(*extra) +
           " makes the read fail (" + third.error().message + ")";
  }
  if (!(*third == *first)) return "an undeclared member changes the keystone read";
  return {};
}

/// keystone.json writer: any keystone built in memory (texts of every character, lists of every
/// length) is written as strict JSON and read back equal.
inline Finding check_keystone_write(std::string_view data) {
  std::size_t pos = 0;
  auto byte = [&]() -> unsigned {
    return pos < data.size() ? static_cast<unsigned char>(data[pos++]) : 0u;
  };
  auto text_of = [&]() {
    const std::size_t want = byte() % 24;
    const std::size_t len = std::min(want, data.size() - pos);
    const std::string_view raw = data.substr(pos, len);
    pos += len;
    return text::lossy(raw);  // texts in memory are UTF-8
  };
  auto count = [&](unsigned most) { return byte() % (most + 1); };

  keystone::Keystone k;
  k.idea = text_of();
  if (byte() & 1) k.language = text_of();
  k.essential_complexity = text_of();
  for (unsigned m = count(8); m > 0; --m) {
    keystone::Module mod;
    mod.path = text_of();
    mod.secret = text_of();
    for (unsigned i = count(3); i > 0; --i) mod.owns.push_back({text_of(), text_of()});
    for (unsigned i = count(3); i > 0; --i) mod.exposes.push_back({text_of(), text_of()});
    for (unsigned i = count(3); i > 0; --i) {
      // Mostly a dependency on a module of the keystone (an earlier one, or this one), so the
      // graph has edges and cycles to draw.
      const unsigned target = byte();
      keystone::Dependency d{target < 192 && !k.modules.empty()
                                 ? k.modules[target % k.modules.size()].path
                             : target < 224 ? mod.path
                                            : text_of(),
                             text_of()};
      d.needs =
          (byte() & 1) ? keystone::DependencyNeeds::Contract : keystone::DependencyNeeds::Artifact;
      mod.depends_on.push_back(std::move(d));
    }
    for (unsigned i = count(3); i > 0; --i) mod.laws.push_back(text_of());
    k.modules.push_back(std::move(mod));
  }

  const std::string written = k.serialize();
  if (!detail::strict_json(written)) return "wrote a text that is not strict JSON: " + written;
  if (written.ends_with('\n')) return "the written document ends with a line break";
  const auto back = keystone::Keystone::deserialize(written);
  if (!back) return "cannot read its own text (" + back.error().message + "): " + written;
  if (!(*back == k)) return "reads its own text back as another keystone: " + written;
  return detail::check_design(k);
}

/// The six line recognisers, the Python alias rule and the type-expression test, on every line
/// of the input: a declaration names a non-empty identifier found in the line, its kind agrees
/// with the line's indentation, and the same line always gives the same answer.
inline Finding check_decl(std::string_view data) {
  if (!text::is_utf8(data)) return {};  // source files are read as UTF-8 text
  auto sound = [](std::string_view who, std::string_view line,
                  const std::optional<port::Decl>& d) -> Finding {
    if (!d) return {};
    const std::string where = std::string(who) + " on " + detail::quoted(line);
    if (d->name.empty()) return where + ": empty name";
    if (line.find(d->name) == std::string_view::npos) {
      return where + ": name " + detail::quoted(d->name) + " is not in the line";
    }
    if (port::leading_ident(d->name) != d->name) {
      return where + ": name " + detail::quoted(d->name) + " is not an identifier";
    }
    if (static_cast<unsigned>(d->kind) > 2) return where + ": kind out of range";
    return {};
  };

  for (const std::string_view line : detail::lines_of(data)) {
    const bool indented = detail::first_is_whitespace(line);
    for (const languages::Language& lang : languages::all()) {
      if (lang.recognise == nullptr) continue;  // Rust files go to the parser
      const std::optional<port::Decl> d = lang.recognise(line);
      if (Finding f = sound(lang.name, line, d); !f.empty()) return f;
      if (lang.recognise(line) != d) return std::string(lang.name) + ": not a pure function";
      if (!d) continue;
      const std::string where = std::string(lang.name) + " on " + detail::quoted(line);
      // Indentation makes a member (a Go method has a receiver instead); types are declared at
      // the top level only; only a TypeScript `function` is a function at any indentation.
      if (d->kind == port::SymbolKind::Method && !indented && lang.lang != languages::Lang::Go) {
        return where + ": top-level method";  // Go methods are top-level, with a receiver
      }
      if (d->kind == port::SymbolKind::Type && indented) return where + ": indented type";
      if (d->kind == port::SymbolKind::Function && indented &&
          lang.lang != languages::Lang::TypeScript) {
        return where + ": indented function";
      }
      if (lang.lang == languages::Lang::Go) {
        std::size_t p = 0;
        if (d->exported != text::is_uppercase(text::decode(d->name, p))) {
          return where + ": exported flag disagrees with the name's case";
        }
      }
      if (lang.lang == languages::Lang::Python && d->exported == d->name.starts_with('_')) {
        return where + ": exported flag disagrees with the leading '_'";
      }
    }
    for (const bool typed : {false, true}) {
      const std::optional<port::Decl> d = port::python_alias(line, typed);
      if (Finding f = sound("python_alias", line, d); !f.empty()) return f;
      if (d && d->kind != port::SymbolKind::Type) return "python_alias: not a type";
      if (port::python_alias(line, typed) != d) return "python_alias: not a pure function";
    }
    if (port::aliases_a_type(line) != port::aliases_a_type(line)) {
      return "aliases_a_type: not a pure function";
    }
  }
  return {};
}

/// Name normalisation: the result is what the rule's steps give, UTF-8, lowercase, free of "__" and
/// of '_' at either end, empty only for a name made of '_' alone, and normalising it again changes
/// nothing (unless it keeps an uppercase character that has no lowercase form, where the rule
/// itself is not idempotent: "A\U0001D400" gives "a\U0001D400", which gives "a_\U0001D400").
inline Finding check_normalise(std::string_view data) {
  if (!text::is_utf8(data)) return {};  // names come from UTF-8 text
  const std::string norm = port::normalise_name(data);
  const std::string where =
      "normalise_name(" + detail::quoted(data) + ") = " + detail::quoted(norm);
  if (const std::string want = detail::reference_normalise(data); norm != want) {
    return where + " instead of " + detail::quoted(want);
  }
  if (!text::is_utf8(norm)) return where + ": not UTF-8";
  if (norm.find("__") != std::string::npos) return where + ": holds \"__\"";
  if (norm.starts_with('_') || norm.ends_with('_')) return where + ": '_' at an end";
  if (norm.empty() != (data.find_first_not_of('_') == std::string_view::npos)) {
    return where + ": empty for a name with more than '_' in it";
  }
  if (text::to_lower(norm) != norm) return where + ": not lowercase";
  bool keeps_uppercase = false;
  for (std::size_t pos = 0; pos < norm.size();) {
    if (text::is_uppercase(text::decode(norm, pos))) keeps_uppercase = true;
  }
  if (!keeps_uppercase && port::normalise_name(norm) != norm) {
    return where + ": normalising again gives " + detail::quoted(port::normalise_name(norm));
  }
  return {};
}

/// The parser and survey of one source text: never crashes, always gives the same record, parses
/// only what lexes, and fills the record consistently.
inline Finding check_survey(std::string_view data) {
  if (!text::is_utf8(data)) return {};  // survey_dir reads files as UTF-8 text
  const std::optional<dodureriradi::SurveyedFile> file =
      dodureriradi::survey_source("src/f.rs", data);
  if (dodureriradi::survey_source("src/f.rs", data) != file)
    return "two surveys of one text differ";
  if (!file) return {};
  if (!rust::lex(rust::strip_file_prelude(data))) return "parsed a text that does not lex";
  if (file->path != "src/f.rs") return "the record lost its path";
  bool any_test = false;
  for (const auto& fn : file->fns) {
    const std::string where = "function " + detail::quoted(fn.name);
    if (fn.name.empty()) return "a function without a name";
    if (fn.signature.find("fn") == std::string::npos) return where + ": signature without fn";
    if (!fn.body.starts_with('{') || !fn.body.ends_with('}')) return where + ": body not braced";
    if (fn.is_pub != (fn.vis == "pub")) return where + ": is_pub disagrees with vis";
    if (fn.exposed != (!fn.vis.empty() || fn.name == "main")) return where + ": wrong exposed";
    if (fn.cfg && fn.cfg->find("test") != std::string::npos) return where + ": cfg mentions test";
    for (const std::string* t : {&fn.name, &fn.signature, &fn.vis, &fn.body}) {
      if (!text::is_utf8(*t)) return where + ": text not UTF-8";
    }
    any_test = any_test || fn.is_test;
  }
  for (const std::string& t : file->tests) {
    bool found = false;
    for (const auto& fn : file->fns) found = found || (fn.name == t && fn.is_test);
    if (!found) return "test " + detail::quoted(t) + " is no test function";
  }
  for (const auto& ty : file->types) {
    if (ty.name.empty()) return "a type without a name";
    if (ty.kind != "enum" && ty.kind != "struct" && ty.kind != "trait" && ty.kind != "type" &&
        ty.kind != "union") {
      return "type " + detail::quoted(ty.name) + " of kind " + detail::quoted(ty.kind);
    }
    if (ty.is_pub != (ty.vis == "pub")) return "type " + ty.name + ": is_pub disagrees with vis";
  }
  for (const auto& m : file->mods) {
    if (m.name.empty()) return "a mod declaration without a name";
    if (m.is_pub && m.is_restricted) return "mod " + m.name + ": both pub and restricted";
  }
  for (const auto& c : file->calls) {
    if (c.name.empty()) return "a call without a name";
    if (c.in_test && !any_test) return "call " + c.name + " in a test body without a test";
  }
  for (const std::string& u : file->uses) {
    if (u.empty()) return "an empty use tree";
  }
  if (!text::is_utf8(file->attr_text)) return "attribute text not UTF-8";
  // Every kept text is token text, so it lexes again.
  auto lexes = [](std::string_view what, std::string_view t) -> Finding {
    if (const auto l = rust::lex(t); !l) {
      return std::string(what) + " " + detail::quoted(t) + " does not lex: " + l.error().message;
    }
    return {};
  };
  for (const auto& fn : file->fns) {
    for (const auto& [what, t] : {std::pair{"signature", &fn.signature},
                                  std::pair{"body", &fn.body}, std::pair{"visibility", &fn.vis}}) {
      if (Finding f = lexes(what, *t); !f.empty()) return f;
    }
    if (fn.cfg) {
      if (Finding f = lexes("cfg", *fn.cfg); !f.empty()) return f;
    }
  }
  for (const std::string& u : file->uses) {
    if (Finding f = lexes("use tree", u); !f.empty()) return f;
  }
  if (Finding f = lexes("attribute text", file->attr_text); !f.empty()) return f;

  // What map, check and graph derive from a tree of two copies of the file, every function of
  // which is then duplicated.
  std::vector<dodureriradi::SurveyedFile> tree(2, *file);
  tree[0].path = "src/a.rs";
  tree[1].path = "src/b.rs";
  for (const std::string& report :
       {dodureriradi::render_duplicates(tree), dodureriradi::render_invisible(tree),
        dodureriradi::duplication_dot(tree)}) {
    if (!text::is_utf8(report)) return "a report of the file is not UTF-8";
  }
  const keystone::Keystone code = dodureriradi::to_keystone(tree, "surveyed: .");
  if (code.modules.size() != 2) return "the keystone of two files has other than two modules";
  const auto back = keystone::Keystone::deserialize(code.serialize());
  if (!back || !(*back == code)) return "the keystone of the code does not read back equal";
  if (Finding f = detail::check_design(code); !f.empty()) return "keystone of the code: " + f;
  std::size_t symbols = file->types.size();
  for (const auto& fn : file->fns) symbols += fn.is_test ? 0 : 1;
  if (port::Survey::from_rust(tree, ".").symbols.size() != 2 * symbols) {
    return "the symbol inventory lost or gained symbols";
  }
  return {};
}

/// A fuzz target: its name (fuzz/<name>_fuzz.cpp, fuzz/seeds/<name>/, fuzz/regressions/<name>/)
/// and its check.
struct Target {
  std::string_view name;
  Finding (*check)(std::string_view data);
};

inline constexpr Target kTargets[] = {
    {"lex", check_lex},
    {"tidy", check_tidy},
    {"survey", check_survey},
    {"keystone", check_keystone},
    {"keystone_write", check_keystone_write},
    {"decl", check_decl},
    {"normalise", check_normalise},
};

}  // namespace fuzz
