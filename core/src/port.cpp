#include "port.hpp"

#include <algorithm>
#include <array>
#include <string>
#include <utility>
#include <vector>

#include "json.hpp"
#include "text.hpp"
#include "utf8.hpp"

namespace port {

namespace {

// ---------------------------------------------------------------------------------------------
// Character helpers on valid UTF-8 text

char32_t first_char(std::string_view s) {
  std::size_t pos = 0;
  return text::decode(s, pos);
}

bool is_ident_char(char32_t c) { return c == '_' || text::is_alphanumeric(c); }

// Indentation alone tells a member from a top-level declaration.
bool is_indented(std::string_view line) {
  return !line.empty() && text::is_whitespace(first_char(line));
}

// The words of `s` separated by runs of whitespace.
std::vector<std::string_view> split_whitespace(std::string_view s) {
  std::vector<std::string_view> words;
  std::size_t pos = 0, start = 0;
  bool in_word = false;
  while (pos < s.size()) {
    const std::size_t at = pos;
    const bool space = text::is_whitespace(text::decode(s, pos));
    if (space && in_word) words.push_back(s.substr(start, at - start));
    if (!space && !in_word) start = at;
    in_word = !space;
  }
  if (in_word) words.push_back(s.substr(start));
  return words;
}

template <std::size_t N>
bool is_one_of(std::string_view word, const std::array<std::string_view, N>& list) {
  return std::find(list.begin(), list.end(), word) != list.end();
}

// The text after the first `c`, with leading whitespace removed; none when `c` is absent.
std::optional<std::string_view> after(std::string_view s, char c) {
  const std::size_t at = s.find(c);
  if (at == std::string_view::npos) return std::nullopt;
  return text::trim_start(s.substr(at + 1));
}

std::optional<Decl> decl(std::string_view name, SymbolKind kind, bool exported) {
  if (name.empty()) return std::nullopt;
  return Decl{std::string(name), kind, exported};
}

// A name of two or more characters beginning with "__" (dunders, name mangling).
bool is_dunder(std::string_view name) { return name.size() >= 2 && name.starts_with("__"); }

}  // namespace

// ---------------------------------------------------------------------------------------------
// Normalisation

namespace {

// The rule below for a name that is all ASCII, byte by byte: the Unicode case properties and
// mappings of ASCII characters are those of 'A'-'Z' and 'a'-'z'.
std::string normalise_ascii(std::string_view name) {
  const auto upper = [](char c) { return c >= 'A' && c <= 'Z'; };
  const auto lower = [](char c) { return c >= 'a' && c <= 'z'; };
  std::string out;
  out.reserve(name.size() + 4);
  const auto put = [&out](char c) {
    if (c == '_' && (out.empty() || out.back() == '_')) return;  // runs collapse, none leads
    out += c;
  };
  for (std::size_t i = 0; i < name.size(); ++i) {
    const char c = name[i];
    if (!upper(c)) {
      put(c);
      continue;
    }
    if (i > 0) {
      const char prev = name[i - 1];
      const bool acronym_end = upper(prev) && i + 1 < name.size() && lower(name[i + 1]);
      if (lower(prev) || (prev >= '0' && prev <= '9') || acronym_end) put('_');
    }
    put(static_cast<char>(c + ('a' - 'A')));
  }
  if (!out.empty() && out.back() == '_') out.pop_back();
  return out;
}

}  // namespace

std::string normalise_name(std::string_view name) {
  if (std::all_of(name.begin(), name.end(),
                  [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
    return normalise_ascii(name);
  }
  std::vector<char32_t> chars;
  chars.reserve(name.size());
  for (std::size_t pos = 0; pos < name.size();) chars.push_back(text::decode(name, pos));

  std::string out;
  out.reserve(name.size() + 4);
  for (std::size_t i = 0; i < chars.size(); ++i) {
    const char32_t c = chars[i];
    if (!text::is_uppercase(c)) {
      utf8::append(out, c);
      continue;
    }
    if (i > 0) {
      const char32_t prev = chars[i - 1];
      const bool acronym_end =
          text::is_uppercase(prev) && i + 1 < chars.size() && text::is_lowercase(chars[i + 1]);
      if (text::is_lowercase(prev) || (prev >= '0' && prev <= '9') || acronym_end) out += '_';
    }
    out += text::to_lower(c);
  }

  // Collapse runs of '_' and trim them at both ends.
  std::string squeezed;
  squeezed.reserve(out.size());
  for (const char ch : out) {
    if (ch == '_' && (squeezed.empty() || squeezed.back() == '_')) continue;
    squeezed += ch;
  }
  if (!squeezed.empty() && squeezed.back() == '_') squeezed.pop_back();
  // Characters with a lowercase mapping that are not uppercase (titlecase letters) go here.
  return text::to_lower(squeezed);
}

// ---------------------------------------------------------------------------------------------
// Shared text rules

WordSplit split_word(std::string_view s) {
  std::size_t pos = 0;
  while (pos < s.size()) {
    std::size_t next = pos;
    if (text::is_whitespace(text::decode(s, next))) break;
    pos = next;
  }
  return WordSplit{s.substr(0, pos), text::trim_start(s.substr(pos))};
}

std::string_view leading_ident(std::string_view s) {
  std::size_t pos = 0;
  while (pos < s.size()) {
    std::size_t next = pos;
    if (!is_ident_char(text::decode(s, next))) break;
    pos = next;
  }
  return s.substr(0, pos);
}

bool is_type_case(std::string_view name) {
  if (name.starts_with('_')) name.remove_prefix(1);
  if (name.empty() || !text::is_uppercase(first_char(name))) return false;
  for (std::size_t pos = 0; pos < name.size();) {
    if (text::is_lowercase(text::decode(name, pos))) return true;
  }
  return false;
}

bool aliases_a_type(std::string_view rhs) {
  static constexpr std::array<std::string_view, 8> kValueHeads = {
      "if", "not", "for", "True", "None", "False", "await", "lambda"};
  std::string_view s = text::trim_start(rhs);
  if (s.empty()) return false;
  const char32_t c = first_char(s);
  if (c != '_' && !text::is_alphabetic(c)) return false;
  const std::string_view head = leading_ident(s);
  if (is_one_of(head, kValueHeads)) return false;
  s.remove_prefix(head.size());
  while (!s.empty()) {
    if (s.front() != '.') return s.front() != '(';
    const std::string_view part = leading_ident(s.substr(1));
    if (part.empty()) return false;
    s.remove_prefix(1 + part.size());
  }
  return true;
}

std::optional<Decl> python_alias(std::string_view s, bool typed) {
  const std::size_t eq = s.find('=');
  if (eq == std::string_view::npos) return std::nullopt;
  if (eq + 1 < s.size() && s[eq + 1] == '=') return std::nullopt;
  if (eq > 0 && std::string_view("!<>+-*/|^~:%&").find(s[eq - 1]) != std::string_view::npos) {
    return std::nullopt;
  }
  const std::string_view lhs = text::trim(s.substr(0, eq));
  std::string_view name_part = lhs;
  if (const std::size_t colon = lhs.find(':'); colon != std::string_view::npos) {
    name_part = text::trim_end(lhs.substr(0, colon));
    if (!typed) {
      const std::string_view annotation = text::trim(lhs.substr(colon + 1));
      typed = annotation == "TypeAlias" || annotation == "typing.TypeAlias";
    }
  }
  const std::string_view name = leading_ident(name_part);
  if (name.empty() || is_dunder(name)) return std::nullopt;
  if (name.size() == name_part.size()) {
    if (!typed && !is_type_case(name)) return std::nullopt;
  } else if (!typed || name_part[name.size()] != '[') {
    return std::nullopt;
  }
  if (!aliases_a_type(s.substr(eq + 1))) return std::nullopt;
  return decl(name, SymbolKind::Type, !name.starts_with('_'));
}

// ---------------------------------------------------------------------------------------------
// Recognisers

std::optional<Decl> go_decl(std::string_view line) {
  if (line.empty() || is_indented(line)) return std::nullopt;
  std::string_view name;
  SymbolKind kind;
  if (line.starts_with("func ")) {
    const std::string_view r = text::trim_start(line.substr(5));
    if (r.starts_with('(')) {
      const auto past_receiver = after(r, ')');
      if (!past_receiver) return std::nullopt;
      name = leading_ident(*past_receiver);
      kind = SymbolKind::Method;
    } else {
      name = leading_ident(r);
      kind = SymbolKind::Function;
    }
  } else if (line.starts_with("type ")) {
    name = leading_ident(text::trim_start(line.substr(5)));
    kind = SymbolKind::Type;
  } else {
    return std::nullopt;
  }
  if (name.empty()) return std::nullopt;
  return decl(name, kind, text::is_uppercase(first_char(name)));
}

namespace {

// An indented TypeScript line whose word names a method: `name(` or `name<` on a line that opens
// a block or a parameter list.
std::optional<Decl> ts_member(std::string_view trimmed, std::string_view word, bool exported) {
  static constexpr std::array<std::string_view, 22> kNotMethods = {
      "if",     "for",  "while", "switch", "catch", "do",         "else",  "try",
      "return", "with", "new",   "typeof", "await", "yield",      "throw", "const",
      "let",    "var",  "case",  "delete", "void",  "constructor"};
  const std::string_view line_end = text::trim_end(trimmed);
  if (!line_end.ends_with('(') && !line_end.ends_with('{')) return std::nullopt;
  if (word.starts_with('*')) word.remove_prefix(1);
  const std::string_view name = leading_ident(word);
  if (is_one_of(name, kNotMethods)) return std::nullopt;
  if (name.size() == word.size()) return std::nullopt;
  const char next = word[name.size()];
  if (next != '(' && next != '<') return std::nullopt;
  return decl(name, SymbolKind::Method, exported);
}

}  // namespace

std::optional<Decl> ts_decl(std::string_view line) {
  static constexpr std::array<std::string_view, 3> kExporting = {"export", "declare", "default"};
  static constexpr std::array<std::string_view, 2> kHiding = {"private", "protected"};
  static constexpr std::array<std::string_view, 9> kNeutral = {
      "public", "static", "readonly", "abstract", "override", "accessor", "get", "set", "async"};
  static constexpr std::array<std::string_view, 5> kTypeWords = {"class", "interface", "enum",
                                                                 "type", "namespace"};
  static constexpr std::array<std::string_view, 3> kBindings = {"const", "let", "var"};

  const std::string_view t = text::trim_start(line);
  if (t.starts_with("//") || t.starts_with("/*")) return std::nullopt;
  if (t.starts_with('*')) {
    // Comment continuation lines go; a generator member such as "*items() {" stays.
    const std::string_view second = t.substr(1);
    if (second.empty()) return std::nullopt;
    const char32_t c = first_char(second);
    if (c != '_' && !text::is_alphabetic(c)) return std::nullopt;
  }
  const bool indented = is_indented(line);
  bool exported = indented;
  const std::vector<std::string_view> words = split_whitespace(t);
  std::size_t i = 0;
  for (; i < words.size(); ++i) {
    if (is_one_of(words[i], kExporting)) {
      exported = true;
    } else if (is_one_of(words[i], kHiding)) {
      exported = false;
    } else if (!is_one_of(words[i], kNeutral)) {
      break;
    }
  }
  if (i == words.size()) return std::nullopt;
  const std::string_view word = words[i];
  const std::optional<std::string_view> next =
      i + 1 < words.size() ? std::optional(words[i + 1]) : std::nullopt;
  std::string_view keyword = word;
  while (keyword.ends_with('*')) keyword.remove_suffix(1);

  if (keyword == "function") {
    if (!next) return std::nullopt;
    std::string_view name_word = *next;
    if (name_word.starts_with('*')) name_word.remove_prefix(1);
    return decl(leading_ident(name_word), SymbolKind::Function, exported);
  }
  if (is_one_of(keyword, kTypeWords)) {
    if (indented) return ts_member(t, word, exported);
    if (!next) return std::nullopt;
    return decl(leading_ident(*next), SymbolKind::Type, exported);
  }
  if (is_one_of(keyword, kBindings)) {
    if (indented) return ts_member(t, word, exported);
    if (!next) return std::nullopt;
    const std::string_view name = leading_ident(*next);
    const auto value = after(t, '=');
    if (!value) return std::nullopt;
    const bool arrow_or_function =
        value->starts_with('(') || value->starts_with('<') ||
        (value->starts_with("async") && text::trim_start(value->substr(5)).starts_with('('));
    if (!arrow_or_function) return std::nullopt;
    return decl(name, SymbolKind::Function, exported);
  }
  if (!indented) return std::nullopt;
  return ts_member(t, word, exported);
}

std::optional<Decl> zig_decl(std::string_view line) {
  static constexpr std::array<std::string_view, 6> kNeutral = {
      "export", "inline", "extern", "noinline", "comptime", "threadlocal"};
  static constexpr std::array<std::string_view, 7> kContainers = {
      "struct", "enum", "union", "opaque", "error", "packed", "extern"};

  const std::string_view t = text::trim_start(line);
  if (t.starts_with("//")) return std::nullopt;
  bool exported = false;
  WordSplit split = split_word(t);
  while (split.word == "pub" || is_one_of(split.word, kNeutral)) {
    if (split.word == "pub") exported = true;
    split = split_word(split.rest);
  }
  const bool indented = is_indented(line);
  if (split.word == "fn") {
    return decl(leading_ident(split.rest), indented ? SymbolKind::Method : SymbolKind::Function,
                exported);
  }
  if (split.word != "const" || indented) return std::nullopt;
  const std::string_view name = leading_ident(split.rest);
  const auto value = after(t, '=');
  if (!value) return std::nullopt;
  bool container = false;
  for (const std::string_view word : kContainers) {
    if (!value->starts_with(word)) continue;
    const std::string_view tail = value->substr(word.size());
    container = tail.empty() || tail.front() == '(' || tail.front() == '{' ||
                text::is_whitespace(first_char(tail));
    if (container) break;
  }
  if (!container && !(is_type_case(name) && aliases_a_type(*value))) return std::nullopt;
  return decl(name, SymbolKind::Type, exported);
}

std::optional<Decl> swift_decl(std::string_view line) {
  static constexpr std::array<std::string_view, 15> kNeutral = {
      "public",   "static",   "final",    "open",        "lazy",
      "weak",     "package",  "dynamic",  "internal",    "override",
      "mutating", "indirect", "required", "nonisolated", "convenience"};
  static constexpr std::array<std::string_view, 6> kTypeWords = {"enum",   "class",    "actor",
                                                                 "struct", "protocol", "typealias"};

  const std::vector<std::string_view> words = split_whitespace(line);
  bool exported = true;
  std::size_t i = 0;
  for (; i < words.size(); ++i) {
    const std::string_view head = words[i].substr(0, words[i].find('('));
    if (is_one_of(head, kNeutral) || head.starts_with('@')) continue;
    if (head == "private" || head == "fileprivate") {
      exported = false;
      continue;
    }
    if (head == "class" && i + 1 < words.size() && words[i + 1] == "func") continue;
    break;
  }
  if (i + 1 >= words.size()) return std::nullopt;
  const std::string_view keyword = words[i];
  const std::string_view name = leading_ident(words[i + 1]);
  const bool indented = is_indented(line);
  if (keyword == "func") {
    return decl(name, indented ? SymbolKind::Method : SymbolKind::Function, exported);
  }
  if (is_one_of(keyword, kTypeWords) && !indented) return decl(name, SymbolKind::Type, exported);
  return std::nullopt;
}

std::optional<Decl> kotlin_decl(std::string_view line) {
  static constexpr std::array<std::string_view, 23> kNeutral = {
      "public",   "internal", "abstract", "override",  "operator",   "external",
      "lateinit", "suspend",  "tailrec",  "companion", "annotation", "open",
      "data",     "enum",     "final",    "value",     "infix",      "const",
      "inner",    "sealed",   "inline",   "expect",    "actual"};
  static constexpr std::array<std::string_view, 4> kTypeWords = {"class", "object", "interface",
                                                                 "typealias"};

  const std::string_view t = text::trim_start(line);
  if (t.starts_with("//") || t.starts_with("/*") || t.starts_with('*')) return std::nullopt;
  bool exported = true;
  WordSplit split = split_word(t);
  for (;; split = split_word(split.rest)) {
    const std::string_view w = split.word;
    if (w == "private" || w == "protected") {
      exported = false;
    } else if (!(is_one_of(w, kNeutral) || w.starts_with('@') ||
                 (w == "fun" && split.rest.starts_with("interface ")))) {
      break;
    }
  }
  const bool indented = is_indented(line);
  if (split.word == "fun") {
    // Drop type parameters, a generic receiver type and a receiver type before the name.
    std::string_view f = split.rest.substr(0, split.rest.find('('));
    if (const std::size_t gt = f.rfind('>'); gt != std::string_view::npos) f = f.substr(gt + 1);
    f = text::trim_start(f);
    if (const std::size_t dot = f.rfind('.'); dot != std::string_view::npos) f = f.substr(dot + 1);
    return decl(leading_ident(f), indented ? SymbolKind::Method : SymbolKind::Function, exported);
  }
  if (is_one_of(split.word, kTypeWords) && !indented) {
    return decl(leading_ident(split.rest), SymbolKind::Type, exported);
  }
  return std::nullopt;
}

std::optional<Decl> python_decl(std::string_view line) {
  const std::string_view t = text::trim_start(line);
  if (t.starts_with('#')) return std::nullopt;
  WordSplit split = split_word(t);
  if (split.word == "async") split = split_word(split.rest);
  const bool indented = is_indented(line);
  if (split.word == "def") {
    const std::string_view name = leading_ident(split.rest);
    if (is_dunder(name)) return std::nullopt;
    return decl(name, indented ? SymbolKind::Method : SymbolKind::Function, !name.starts_with('_'));
  }
  if (indented) return std::nullopt;
  if (split.word == "class") {
    const std::string_view name = leading_ident(split.rest);
    return decl(name, SymbolKind::Type, !name.starts_with('_'));
  }
  if (split.word == "type" && split.rest.find('=') != std::string_view::npos) {
    return python_alias(split.rest, true);
  }
  return python_alias(t, false);
}

// ---------------------------------------------------------------------------------------------
// Lexical survey

namespace {

// Stable order by normalised name, then file, in byte order.
void sort_symbols(std::vector<Symbol>& symbols) {
  std::stable_sort(symbols.begin(), symbols.end(), [](const Symbol& a, const Symbol& b) {
    if (const int c = a.norm.compare(b.norm); c != 0) return c < 0;
    return a.file < b.file;
  });
}

// Hands every line of `content` to `recognise`: lines end at '\n', which goes with one '\r'
// before it; text after the last '\n' is a line when not empty and keeps a trailing '\r'.
void recognise_lines(std::string_view content, const std::string& file, Recogniser recognise,
                     std::vector<Symbol>& symbols) {
  while (!content.empty()) {
    const std::size_t end = content.find('\n');
    std::string_view line = content.substr(0, end);
    if (end == std::string_view::npos) {
      content = {};
    } else {
      content.remove_prefix(end + 1);
      if (line.ends_with('\r')) line.remove_suffix(1);
    }
    if (auto found = recognise(line)) {
      std::string norm = normalise_name(found->name);
      symbols.push_back(
          Symbol{std::move(found->name), std::move(norm), file, found->exported, found->kind});
    }
  }
}

}  // namespace

std::expected<Survey, fsys::IoError> survey_lexical(const std::string& root, std::string_view label,
                                                    fsys::NameRule accept, fsys::NameRule skip,
                                                    Recogniser recognise) {
  std::vector<Symbol> symbols;
  auto walked = fsys::walk(root, {.skip = skip},
                           [&](const fsys::WalkEntry& entry) -> std::expected<void, fsys::IoError> {
                             if (!accept(text::lossy(entry.name))) return {};
                             auto content = fsys::read_text(entry.path);
                             if (!content) return std::unexpected(std::move(content.error()));
                             recognise_lines(*content, entry.relative(), recognise, symbols);
                             return {};
                           });
  if (!walked) return std::unexpected(std::move(walked.error()));
  sort_symbols(symbols);
  return Survey{std::string(label), std::move(symbols)};
}

namespace {

std::expected<Survey, fsys::IoError> survey_with(languages::Lang lang, const std::string& root,
                                                 std::string_view label) {
  const languages::Language& language = languages::of(lang);
  return survey_lexical(root, label, language.reads, language.skips, language.recognise);
}

}  // namespace

std::expected<Survey, fsys::IoError> survey_go_dir(const std::string& root,
                                                   std::string_view label) {
  return survey_with(languages::Lang::Go, root, label);
}
std::expected<Survey, fsys::IoError> survey_ts_dir(const std::string& root,
                                                   std::string_view label) {
  return survey_with(languages::Lang::TypeScript, root, label);
}
std::expected<Survey, fsys::IoError> survey_zig_dir(const std::string& root,
                                                    std::string_view label) {
  return survey_with(languages::Lang::Zig, root, label);
}
std::expected<Survey, fsys::IoError> survey_swift_dir(const std::string& root,
                                                      std::string_view label) {
  return survey_with(languages::Lang::Swift, root, label);
}
std::expected<Survey, fsys::IoError> survey_kotlin_dir(const std::string& root,
                                                       std::string_view label) {
  return survey_with(languages::Lang::Kotlin, root, label);
}
std::expected<Survey, fsys::IoError> survey_python_dir(const std::string& root,
                                                       std::string_view label) {
  return survey_with(languages::Lang::Python, root, label);
}

Survey Survey::from_rust(const std::vector<dodureriradi::SurveyedFile>& files,
                         std::string_view label) {
  std::vector<Symbol> symbols;
  for (const dodureriradi::SurveyedFile& file : files) {
    for (const dodureriradi::SurveyedFn& fn : file.fns) {
      if (fn.is_test) continue;
      symbols.push_back(Symbol{fn.name, normalise_name(fn.name), file.path, fn.exposed,
                               fn.is_method ? SymbolKind::Method : SymbolKind::Function});
    }
    for (const dodureriradi::SurveyedType& type : file.types) {
      symbols.push_back(
          Symbol{type.name, normalise_name(type.name), file.path, type.is_pub, SymbolKind::Type});
    }
  }
  sort_symbols(symbols);
  return Survey{std::string(label), std::move(symbols)};
}

// ---------------------------------------------------------------------------------------------
// Port comparison

namespace {

// Adds `file` to an ascending set kept as a vector; a survey's own order makes this an append.
void add_file(std::vector<std::string_view>& files, std::string_view file) {
  if (files.empty() || files.back() < file) {
    files.push_back(file);
    return;
  }
  const auto at = std::lower_bound(files.begin(), files.end(), file);
  if (*at != file) files.insert(at, file);
}

// A normalised name's files and the first symbol, in survey order, that carries it.
struct NameEntry {
  const Symbol* first = nullptr;
  std::vector<std::string_view> files;
};
using NameMap = std::map<std::string_view, NameEntry>;

NameMap name_map(const Survey& survey) {
  NameMap names;
  auto last = names.end();
  for (const Symbol& symbol : survey.symbols) {
    if (last == names.end() || last->first != symbol.norm) {
      last = names.try_emplace(names.end(), symbol.norm);
      if (!last->second.first) last->second.first = &symbol;
    }
    add_file(last->second.files, symbol.file);
  }
  return names;
}

bool duplicated(const Candidates& candidates, std::string_view norm) {
  const auto it = candidates.find(norm);
  return it != candidates.end() && it->second.size() >= 2 && it->second.size() <= 4;
}

std::vector<std::string> owned(const std::vector<std::string_view>* files) {
  if (!files) return {};
  return std::vector<std::string>(files->begin(), files->end());
}

PortItem make_item(std::string_view norm, const Symbol* symbol,
                   const std::vector<std::string_view>* old_files,
                   const std::vector<std::string_view>* new_files) {
  return PortItem{std::string(norm), symbol ? symbol->name : std::string(norm), owned(old_files),
                  owned(new_files), symbol && symbol->exported};
}

void sort_by_file_count(std::vector<PortItem>& items) {
  const auto count = [](const PortItem& item) {
    return std::max(item.old_files.size(), item.new_files.size());
  };
  std::stable_sort(items.begin(), items.end(),
                   [&](const PortItem& a, const PortItem& b) { return count(a) > count(b); });
}

}  // namespace

Candidates Survey::duplication_candidates() const& {
  Candidates candidates;
  auto last = candidates.end();
  for (const Symbol& symbol : symbols) {
    if (symbol.kind == SymbolKind::Method) continue;
    if (last == candidates.end() || last->first != symbol.norm) {
      last = candidates.try_emplace(candidates.end(), symbol.norm);
    }
    add_file(last->second, symbol.file);
  }
  return candidates;
}

std::vector<const PortItem*> PortReport::missing_exported() const& {
  std::vector<const PortItem*> out;
  for (const PortItem& item : missing) {
    if (item.exported) out.push_back(&item);
  }
  return out;
}

PortReport compare(const Survey& old_survey, const Survey& new_survey) {
  const NameMap old_names = name_map(old_survey);
  const NameMap new_names = name_map(new_survey);
  const Candidates old_dups = old_survey.duplication_candidates();
  const Candidates new_dups = new_survey.duplication_candidates();

  PortReport report;
  report.old_label = old_survey.label;
  report.new_label = new_survey.label;
  for (const auto& [norm, old_entry] : old_names) {
    const auto in_new = new_names.find(norm);
    if (in_new == new_names.end()) {
      report.missing.push_back(make_item(norm, old_entry.first, &old_entry.files, nullptr));
      continue;
    }
    const bool old_dup = duplicated(old_dups, norm);
    const bool new_dup = duplicated(new_dups, norm);
    if (!old_dup && !new_dup) continue;
    const Symbol* chosen = in_new->second.first ? in_new->second.first : old_entry.first;
    PortItem item = make_item(norm, chosen, &old_entry.files, &in_new->second.files);
    if (old_dup && new_dup) {
      report.inherited.push_back(std::move(item));
    } else if (old_dup) {
      report.resolved.push_back(std::move(item));
    } else {
      report.introduced.push_back(std::move(item));
    }
  }
  for (const auto& [norm, new_entry] : new_names) {
    if (old_names.contains(norm)) continue;
    PortItem item = make_item(norm, new_entry.first, nullptr, &new_entry.files);
    if (duplicated(new_dups, norm)) report.introduced.push_back(item);
    report.added.push_back(std::move(item));
  }

  sort_by_file_count(report.inherited);
  sort_by_file_count(report.introduced);
  sort_by_file_count(report.resolved);
  std::stable_partition(report.missing.begin(), report.missing.end(),
                        [](const PortItem& item) { return item.exported; });
  return report;
}

// ---------------------------------------------------------------------------------------------
// JSON document

namespace {

using JsonOut = json::PrettyWriter;

void write_items(JsonOut& out, std::string_view name, const std::vector<PortItem>& items) {
  out.key(name);
  out.begin('[');
  for (const PortItem& item : items) {
    out.begin('{');
    out.key("name");
    out.text(item.name);
    out.key("norm");
    out.text(item.norm);
    out.key("exported");
    out.boolean(item.exported);
    out.key("old_files");
    out.texts(item.old_files);
    out.key("new_files");
    out.texts(item.new_files);
    out.end('}');
  }
  out.end(']');
}

}  // namespace

std::string to_json(const Survey& old_survey, const Survey& new_survey, const PortReport& report) {
  JsonOut out;
  out.begin('{');
  out.key("old");
  out.begin('{');
  out.key("label");
  out.text(old_survey.label);
  out.key("symbols");
  out.count(old_survey.symbols.size());
  out.key("inventory");
  out.begin('[');
  for (const Symbol& symbol : old_survey.symbols) {
    out.begin('{');
    out.key("name");
    out.text(symbol.name);
    out.key("norm");
    out.text(symbol.norm);
    out.key("file");
    out.text(symbol.file);
    out.key("exported");
    out.boolean(symbol.exported);
    out.end('}');
  }
  out.end(']');
  out.end('}');
  out.key("new");
  out.begin('{');
  out.key("label");
  out.text(new_survey.label);
  out.key("symbols");
  out.count(new_survey.symbols.size());
  out.end('}');
  write_items(out, "missing", report.missing);
  write_items(out, "added", report.added);
  write_items(out, "inherited_duplication", report.inherited);
  write_items(out, "introduced_duplication", report.introduced);
  write_items(out, "resolved_duplication", report.resolved);
  out.end('}');
  // Text that is not UTF-8 cannot be written as JSON.
  if (!out.ok()) return {};
  return std::move(out).take();
}

}  // namespace port
