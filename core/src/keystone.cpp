#include "keystone.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <exception>
#include <nlohmann/json.hpp>
#include <string>
#include <type_traits>
#include <variant>

#include "json.hpp"
#include "text.hpp"

namespace keystone {

std::string_view to_text(DependencyNeeds needs) {
  return needs == DependencyNeeds::Contract ? "contract" : "artifact";
}

namespace {

using Json = nlohmann::json;

// ---------------------------------------------------------------------------------------------
// Reading
//
// A streaming reader: nlohmann's parser delivers events and keeps its own explicit stack, and
// the handler below keeps one frame per open record, list or skipped value (a skipped value of
// any depth is one frame with a counter), so nothing recurses however deep the document nests.
// Values are written straight into the records being built; a failed read discards them all.

// Where the value that comes next belongs. A vector pointer takes a JSON array of elements; a
// record pointer takes one record (object or positional array).
struct Ignore {};
using Slot = std::variant<Ignore, std::string*, std::optional<std::string>*, DependencyNeeds*,
                          std::vector<std::string>*, std::vector<Module>*, std::vector<OwnedType>*,
                          std::vector<OperationSpec>*, std::vector<Dependency>*, Keystone*, Module*,
                          OwnedType*, OperationSpec*, Dependency*>;

using RecordRef = std::variant<Keystone*, Module*, OwnedType*, OperationSpec*, Dependency*>;

template <class M>
struct MemberOf;
template <class R, class T>
struct MemberOf<T R::*> {
  using Record = R;
};

// Where the value of the member `Member` of a record goes.
template <auto Member>
Slot slot_of(typename MemberOf<decltype(Member)>::Record& record) {
  return &(record.*Member);
}

template <class R>
struct Field {
  std::string_view name;
  bool required;  // a field that is not required keeps the record's default when absent
  Slot (*slot)(R&);
};

// Per record: its name in error descriptions and its fields in declared order, which is also the
// order of the positional form.
template <class R>
struct Record;

template <>
struct Record<Keystone> {
  static constexpr std::string_view kName = "Keystone";
  static constexpr std::array<Field<Keystone>, 4> kFields{{
      {"idea", true, slot_of<&Keystone::idea>},
      {"language", false, slot_of<&Keystone::language>},
      {"essential_complexity", true, slot_of<&Keystone::essential_complexity>},
      {"modules", true, slot_of<&Keystone::modules>},
  }};
};

template <>
struct Record<Module> {
  static constexpr std::string_view kName = "Module";
  static constexpr std::array<Field<Module>, 6> kFields{{
      {"path", true, slot_of<&Module::path>},
      {"secret", true, slot_of<&Module::secret>},
      {"owns", false, slot_of<&Module::owns>},
      {"exposes", true, slot_of<&Module::exposes>},
      {"depends_on", false, slot_of<&Module::depends_on>},
      {"laws", true, slot_of<&Module::laws>},
  }};
};

template <>
struct Record<OwnedType> {
  static constexpr std::string_view kName = "OwnedType";
  static constexpr std::array<Field<OwnedType>, 2> kFields{{
      {"name", true, slot_of<&OwnedType::name>},
      {"invariant", true, slot_of<&OwnedType::invariant>},
  }};
};

template <>
struct Record<OperationSpec> {
  static constexpr std::string_view kName = "OperationSpec";
  static constexpr std::array<Field<OperationSpec>, 2> kFields{{
      {"name", true, slot_of<&OperationSpec::name>},
      {"contract", true, slot_of<&OperationSpec::contract>},
  }};
};

template <>
struct Record<Dependency> {
  static constexpr std::string_view kName = "Dependency";
  static constexpr std::array<Field<Dependency>, 3> kFields{{
      {"on", true, slot_of<&Dependency::on>},
      {"because", true, slot_of<&Dependency::because>},
      {"needs", false, slot_of<&Dependency::needs>},
  }};
};

template <class R>
std::string positional_name() {
  return "struct " + std::string(Record<R>::kName) + " with " +
         std::to_string(Record<R>::kFields.size()) + " elements";
}

struct RecordFrame {
  RecordRef record;
  bool positional;
  std::uint32_t seen = 0;              // keyed form: one bit per field already met
  std::size_t next = 0;                // positional form: index of the next element
  std::optional<std::size_t> pending;  // keyed form: the field of the coming value, if declared
};
struct ListFrame {
  Slot list;  // one of the vector alternatives
};
struct NeedsFrame {  // the object form of `needs`: {"contract": null}
  DependencyNeeds* into;
  bool named = false;
};
struct SkipFrame {  // an undeclared member's value, however deep
  std::size_t depth;
};
using Frame = std::variant<RecordFrame, ListFrame, NeedsFrame, SkipFrame>;

enum class Kind : std::uint8_t { Null, Boolean, Integer, Float, String, Object, Array };

// One value event: its JSON type, the decoded string for a string, and the text shown in an
// error description for a scalar.
struct Value {
  Kind kind;
  std::string* string = nullptr;
  std::string_view shown = {};
};

std::string describe(const Value& v) {
  switch (v.kind) {
    case Kind::Null:
      return "null";
    case Kind::Boolean:
      return "boolean `" + std::string(v.shown) + "`";
    case Kind::Integer:
      return "integer `" + std::string(v.shown) + "`";
    case Kind::Float:
      return "floating point `" + std::string(v.shown) + "`";
    case Kind::String:
      return "string \"" + std::string(v.shown) + "\"";
    case Kind::Object:
      return "map";
    case Kind::Array:
      return "sequence";
  }
  return {};
}

template <class... F>
struct Overloaded : F... {
  using F::operator()...;
};

// The SAX handler nlohmann's parser drives.
class Reader {
 public:
  explicit Reader(Keystone& root) : root_(root) {}

  bool null() { return value({Kind::Null}); }
  bool boolean(bool b) { return value({Kind::Boolean, nullptr, b ? "true" : "false"}); }
  bool number_integer(Json::number_integer_t n) {
    shown_ = std::to_string(n);
    return value({Kind::Integer, nullptr, shown_});
  }
  bool number_unsigned(Json::number_unsigned_t n) {
    shown_ = std::to_string(n);
    return value({Kind::Integer, nullptr, shown_});
  }
  bool number_float(Json::number_float_t, const std::string& raw) {
    return value({Kind::Float, nullptr, raw});
  }
  bool string(std::string& s) { return value({Kind::String, &s, s}); }
  bool binary(Json::binary_t&) { return fail("binary values are not JSON"); }
  bool start_object(std::size_t) { return value({Kind::Object}); }
  bool start_array(std::size_t) { return value({Kind::Array}); }
  bool key(std::string& name);
  bool end_object() { return end_container(); }
  bool end_array() { return end_container(); }
  bool parse_error(std::size_t, const std::string&, const Json::exception& e) {
    number_overflow_ = e.id == 406;
    // The library's message quotes the bytes last read, which need not be UTF-8.
    return fail(text::lossy(e.what()));
  }
  /// Whether the read stopped at a number too large for a double.
  bool number_overflow() const { return number_overflow_; }

  /// Whether the top value closed without any error.
  bool complete() const { return done_ && !error_; }
  const std::optional<std::string>& error() const { return error_; }

 private:
  bool fail(std::string message) {
    if (!error_) error_ = std::move(message);
    return false;  // always stops the parser
  }
  bool type_error(const Value& v, std::string_view expected) {
    return fail("invalid type: " + describe(v) + ", expected " + std::string(expected));
  }
  void pop() {
    stack_.pop_back();
    if (stack_.empty()) done_ = true;
  }
  // `needs` by its variant's name, as a string or as the single key of an object.
  bool needs_named(const std::string& name, DependencyNeeds& needs) {
    if (name == "contract") {
      needs = DependencyNeeds::Contract;
    } else if (name == "artifact") {
      needs = DependencyNeeds::Artifact;
    } else {
      return fail("unknown variant `" + name + "`, expected `contract` or `artifact`");
    }
    return true;
  }

  bool value(const Value& v);
  bool end_container();
  bool place(const Slot& slot, const Value& v);
  bool close_record(RecordFrame& frame);

  Keystone& root_;
  std::vector<Frame> stack_;
  std::optional<std::string> error_;
  std::string shown_;
  bool done_ = false;
  bool number_overflow_ = false;
};

bool Reader::value(const Value& v) {
  if (stack_.empty()) {
    if (done_) return fail("trailing characters");
    return place(&root_, v);
  }
  Frame& top = stack_.back();
  if (auto* skip = std::get_if<SkipFrame>(&top)) {
    if (v.kind == Kind::Object || v.kind == Kind::Array) ++skip->depth;
    return true;
  }
  if (std::holds_alternative<NeedsFrame>(top)) {
    return v.kind == Kind::Null || type_error(v, "unit");
  }
  if (auto* list = std::get_if<ListFrame>(&top)) {
    // A new element; a vector is only appended to while its own list frame is on top, so the
    // element's address stays valid for as long as its record frame is open.
    const Overloaded append{
        []<class T>(std::vector<T>* items) -> Slot { return &items->emplace_back(); },
        [](auto) -> Slot { return Ignore{}; },  // a list frame always holds a vector
    };
    const Slot element = std::visit(append, list->list);
    return place(element, v);
  }
  auto& record = std::get<RecordFrame>(top);
  return std::visit(
      [&](auto* rec) -> bool {
        using R = std::remove_pointer_t<decltype(rec)>;
        if (!record.positional) {
          return place(
              record.pending ? Record<R>::kFields[*record.pending].slot(*rec) : Slot(Ignore{}), v);
        }
        const std::size_t field = record.next++;
        if (field >= Record<R>::kFields.size()) {
          return fail("invalid length " + std::to_string(field + 1) + ", expected " +
                      positional_name<R>());
        }
        return place(Record<R>::kFields[field].slot(*rec), v);
      },
      record.record);
}

bool Reader::place(const Slot& slot, const Value& v) {
  const Overloaded into{
      [&](Ignore) {
        if (v.kind == Kind::Object || v.kind == Kind::Array) stack_.push_back(SkipFrame{1});
        return true;
      },
      [&](std::string* text) {
        if (v.kind != Kind::String) return type_error(v, "a string");
        *text = std::move(*v.string);
        return true;
      },
      [&](std::optional<std::string>* text) {
        if (v.kind == Kind::Null) {
          text->reset();
          return true;
        }
        if (v.kind != Kind::String) return type_error(v, "a string");
        *text = std::move(*v.string);
        return true;
      },
      [&](DependencyNeeds* needs) {
        if (v.kind == Kind::Object) {
          stack_.push_back(NeedsFrame{needs});
          return true;
        }
        if (v.kind != Kind::String) return type_error(v, "enum DependencyNeeds");
        return needs_named(*v.string, *needs);
      },
      [&]<class T>(std::vector<T>* list) {
        if (v.kind != Kind::Array) return type_error(v, "a sequence");
        stack_.push_back(ListFrame{list});
        return true;
      },
      [&]<class R>(R* rec) {
        if (v.kind != Kind::Object && v.kind != Kind::Array) {
          return type_error(v, "struct " + std::string(Record<R>::kName));
        }
        stack_.push_back(RecordFrame{rec, v.kind == Kind::Array});
        return true;
      },
  };
  return std::visit(into, slot);
}

bool Reader::key(std::string& name) {
  Frame& top = stack_.back();
  if (std::holds_alternative<SkipFrame>(top)) return true;
  if (auto* needs = std::get_if<NeedsFrame>(&top)) {
    if (needs->named) return fail("invalid value: map, expected map with a single key");
    needs->named = true;
    return needs_named(name, *needs->into);
  }
  auto& record = std::get<RecordFrame>(top);
  return std::visit(
      [&](auto* rec) -> bool {
        using R = std::remove_pointer_t<decltype(rec)>;
        record.pending.reset();
        for (std::size_t i = 0; i < Record<R>::kFields.size(); ++i) {
          if (Record<R>::kFields[i].name != name) continue;
          if (record.seen & (1u << i)) return fail("duplicate field `" + name + "`");
          record.seen |= 1u << i;
          record.pending = i;
          break;
        }
        return true;
      },
      record.record);
}

// Checks that every required field the record did not receive has a default.
bool Reader::close_record(RecordFrame& frame) {
  return std::visit(
      [&](auto* rec) -> bool {
        using R = std::remove_pointer_t<decltype(rec)>;
        const auto& fields = Record<R>::kFields;
        for (std::size_t i = 0; i < fields.size(); ++i) {
          if (!fields[i].required) continue;
          if (frame.positional && i >= frame.next) {
            return fail("invalid length " + std::to_string(frame.next) + ", expected " +
                        positional_name<R>());
          }
          if (!frame.positional && !(frame.seen & (1u << i))) {
            return fail("missing field `" + std::string(fields[i].name) + "`");
          }
        }
        return true;
      },
      frame.record);
}

// The end of an object or an array. The parser pairs them, so an object closes a record, a
// skipped value or a `needs` object, and an array a record, a skipped value or a list.
bool Reader::end_container() {
  Frame& top = stack_.back();
  if (auto* skip = std::get_if<SkipFrame>(&top)) {
    if (--skip->depth == 0) pop();
    return true;
  }
  if (auto* needs = std::get_if<NeedsFrame>(&top)) {
    if (!needs->named) return fail("invalid type: empty map, expected variant identifier");
  } else if (auto* record = std::get_if<RecordFrame>(&top)) {
    if (!close_record(*record)) return false;
  }
  pop();
  return true;
}

// ---------------------------------------------------------------------------------------------
// Writing

using Writer = json::PrettyWriter;

void serialize(const Module& m, Writer& w);

// A member whose value is a text.
void text_member(std::string_view key, std::string_view value, Writer& w) {
  w.key(key);
  w.text(value);
}

void serialize(const OwnedType& t, Writer& w) {
  w.begin('{');
  text_member("name", t.name, w);
  text_member("invariant", t.invariant, w);
  w.end('}');
}

void serialize(const OperationSpec& op, Writer& w) {
  w.begin('{');
  text_member("name", op.name, w);
  text_member("contract", op.contract, w);
  w.end('}');
}

void serialize(const Dependency& d, Writer& w) {
  w.begin('{');
  text_member("on", d.on, w);
  text_member("because", d.because, w);
  text_member("needs", to_text(d.needs), w);
  w.end('}');
}

template <class T>
void serialize_list(const std::vector<T>& items, Writer& w) {
  w.begin('[');
  for (const T& item : items) serialize(item, w);
  w.end(']');
}

void serialize(const Module& m, Writer& w) {
  w.begin('{');
  text_member("path", m.path, w);
  text_member("secret", m.secret, w);
  w.key("owns");
  serialize_list(m.owns, w);
  w.key("exposes");
  serialize_list(m.exposes, w);
  w.key("depends_on");
  serialize_list(m.depends_on, w);
  w.key("laws");
  w.texts(m.laws);
  w.end('}');
}

// The end of the number in JSON's strict syntax, -?(0|[1-9][0-9]*)(.[0-9]+)?([eE][+-]?[0-9]+)?,
// that starts at `p`; nullptr when none does.
const char* scan_number(const char* p, const char* end) {
  const auto digits = [&] {
    const char* from = p;
    while (p < end && *p >= '0' && *p <= '9') ++p;
    return p > from;
  };
  if (p < end && *p == '-') ++p;
  if (p < end && *p == '0') {
    ++p;
  } else if (!digits()) {
    return nullptr;
  }
  if (p < end && *p == '.') {
    ++p;
    if (!digits()) return nullptr;
  }
  if (p < end && (*p == 'e' || *p == 'E')) {
    ++p;
    if (p < end && (*p == '+' || *p == '-')) ++p;
    if (!digits()) return nullptr;
  }
  return p;
}

// Whether `token` is one number in JSON's strict syntax.
bool json_number(std::string_view token) {
  return scan_number(token.data(), token.data() + token.size()) == token.data() + token.size();
}

// `text` with every number too large for a double (1e400, which strict JSON allows but the
// library refuses) written as 0. No declared field takes a number, so such a number can only be
// part of a skipped member, or fail the read as the wrong type either way.
std::string tame_huge_numbers(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const char c = text[i];
    std::size_t j = i + 1;
    if (c == '"') {  // a string, copied whole
      while (j < text.size() && text[j] != '"') j += text[j] == '\\' ? 2 : 1;
      j = std::min(j + 1, text.size());
    } else if (c == '-' || (c >= '0' && c <= '9')) {
      while (j < text.size() &&
             ((text[j] >= '0' && text[j] <= '9') || text[j] == '.' || text[j] == 'e' ||
              text[j] == 'E' || text[j] == '+' || text[j] == '-')) {
        ++j;
      }
      const std::string token(text.substr(i, j - i));
      if (json_number(token) && std::isinf(std::strtod(token.c_str(), nullptr))) {
        out += '0';
        i = j;
        continue;
      }
    }
    out.append(text.substr(i, j - i));
    i = j;
  }
  return out;
}

// A reader of strict JSON for the common case, a well-formed document, that hands the record
// reader the same events in the same order as the library's parser, several times faster. It
// accepts only what strict JSON accepts and gives up at the first thing it does not take (or that
// the record reader refuses); the document is then read again by the library, whose verdict and
// messages stand. Numbers are checked against the grammar but never converted: no declared
// field takes one, so their values only matter to the messages of a failed read.
class FastJson {
 public:
  FastJson(std::string_view text, Reader& reader)
      : p_(text.data()), end_(text.data() + text.size()), reader_(reader) {}

  /// Whether the whole text was one value that the record reader took without an error.
  bool read() {
    std::vector<char> open;  // '{' or '[' per open container
    for (;;) {
      skip_space();
      if (p_ == end_) return false;
      bool complete = true;  // a whole value was read, rather than a container opened
      switch (*p_) {
        case '{':
          ++p_;
          if (!reader_.start_object(kUnknownSize)) return false;
          skip_space();
          if (p_ < end_ && *p_ == '}') {
            ++p_;
            if (!reader_.end_object()) return false;
          } else {
            open.push_back('{');
            if (!member_key()) return false;
            complete = false;
          }
          break;
        case '[':
          ++p_;
          if (!reader_.start_array(kUnknownSize)) return false;
          skip_space();
          if (p_ < end_ && *p_ == ']') {
            ++p_;
            if (!reader_.end_array()) return false;
          } else {
            open.push_back('[');
            complete = false;
          }
          break;
        case '"':
          if (!string(scratch_) || !reader_.string(scratch_)) return false;
          break;
        case 't':
          if (!literal("true") || !reader_.boolean(true)) return false;
          break;
        case 'f':
          if (!literal("false") || !reader_.boolean(false)) return false;
          break;
        case 'n':
          if (!literal("null") || !reader_.null()) return false;
          break;
        default:
          if (!number() || !reader_.number_integer(0)) return false;
          break;
      }
      if (!complete) continue;
      // After a value: close what ends here, then go on to the next element or member.
      for (;;) {
        skip_space();
        if (open.empty()) return p_ == end_;
        if (p_ == end_) return false;
        if (*p_ == ',') {
          ++p_;
          if (open.back() == '{') {
            skip_space();
            if (!member_key()) return false;
          }
          break;
        }
        if (*p_ != (open.back() == '{' ? '}' : ']')) return false;
        ++p_;
        const bool object = open.back() == '{';
        open.pop_back();
        if (!(object ? reader_.end_object() : reader_.end_array())) return false;
      }
    }
  }

 private:
  static constexpr std::size_t kUnknownSize = static_cast<std::size_t>(-1);

  void skip_space() {
    while (p_ < end_ && (*p_ == ' ' || *p_ == '\n' || *p_ == '\r' || *p_ == '\t')) ++p_;
  }

  bool literal(std::string_view word) {
    if (static_cast<std::size_t>(end_ - p_) < word.size() ||
        std::string_view(p_, word.size()) != word) {
      return false;
    }
    p_ += word.size();
    return true;
  }

  bool number() {
    const char* e = scan_number(p_, end_);
    if (e == nullptr) return false;
    p_ = e;
    return true;
  }

  bool member_key() {
    if (p_ == end_ || *p_ != '"' || !string(scratch_) || !reader_.key(scratch_)) return false;
    skip_space();
    if (p_ == end_ || *p_ != ':') return false;
    ++p_;
    return true;
  }

  static int hex(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  }

  // Four hexadecimal digits after "\u".
  bool code_unit(char32_t& unit) {
    if (end_ - p_ < 4) return false;
    unit = 0;
    for (int k = 0; k < 4; ++k) {
      const int h = hex(p_[k]);
      if (h < 0) return false;
      unit = unit * 16 + static_cast<char32_t>(h);
    }
    p_ += 4;
    return true;
  }

  // The string starting at the opening quote under `p_`, decoded into `out`.
  bool string(std::string& out) {
    out.clear();
    ++p_;
    const char* run = p_;
    for (;;) {
      while (p_ < end_ && *p_ != '"' && *p_ != '\\' && static_cast<unsigned char>(*p_) >= 0x20) {
        ++p_;
      }
      if (p_ == end_ || static_cast<unsigned char>(*p_) < 0x20) return false;
      // Escapes are ASCII, so checking each raw run checks every multi-byte sequence whole.
      const std::string_view raw(run, static_cast<std::size_t>(p_ - run));
      if (!text::is_utf8(raw)) return false;
      out.append(raw);
      if (*p_ == '"') {
        ++p_;
        return true;
      }
      ++p_;  // the backslash
      if (p_ == end_) return false;
      const char e = *p_++;
      switch (e) {
        case '"':
          out += '"';
          break;
        case '\\':
          out += '\\';
          break;
        case '/':
          out += '/';
          break;
        case 'b':
          out += '\b';
          break;
        case 'f':
          out += '\f';
          break;
        case 'n':
          out += '\n';
          break;
        case 'r':
          out += '\r';
          break;
        case 't':
          out += '\t';
          break;
        case 'u': {
          char32_t unit = 0;
          if (!code_unit(unit)) return false;
          if (unit >= 0xDC00 && unit <= 0xDFFF) return false;
          if (unit >= 0xD800 && unit <= 0xDBFF) {
            char32_t low = 0;
            if (end_ - p_ < 2 || p_[0] != '\\' || p_[1] != 'u') return false;
            p_ += 2;
            if (!code_unit(low) || low < 0xDC00 || low > 0xDFFF) return false;
            unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
          }
          text::append_utf8(out, unit);
          break;
        }
        default:
          return false;
      }
      run = p_;
    }
  }

  const char* p_;
  const char* end_;
  Reader& reader_;
  std::string scratch_;
};

std::expected<Keystone, JsonError> read_document(std::string_view text, bool& number_overflow) {
  Keystone result;
  Reader reader(result);
  bool parsed = false;
  try {
    parsed = Json::sax_parse(text.begin(), text.end(), &reader, Json::input_format_t::json,
                             /*strict=*/true, /*ignore_comments=*/false);
  } catch (const std::exception& e) {
    return std::unexpected(JsonError{text::lossy(e.what())});
  }
  number_overflow = reader.number_overflow();
  if (reader.error()) return std::unexpected(JsonError{*reader.error()});
  if (!parsed || !reader.complete()) return std::unexpected(JsonError{"EOF while parsing a value"});
  return result;
}

}  // namespace

std::expected<Keystone, JsonError> Keystone::deserialize(std::string_view text) {
  // nlohmann's lexer would skip a byte-order mark and take a NUL byte for the end of the input
  // (so "{...}\0junk" would pass); neither may appear in a strict JSON text.
  if (text.starts_with("\xEF\xBB\xBF")) {
    return std::unexpected(JsonError{"expected value at line 1 column 1 (byte-order mark)"});
  }
  if (text.find('\0') != std::string_view::npos) {
    return std::unexpected(JsonError{"NUL byte in JSON text"});
  }
  {
    Keystone fast;
    Reader reader(fast);
    if (FastJson(text, reader).read() && reader.complete()) return fast;
  }
  bool number_overflow = false;
  auto result = read_document(text, number_overflow);
  if (!result && number_overflow) result = read_document(tame_huge_numbers(text), number_overflow);
  return result;
}

std::string Keystone::serialize() const {
  Writer w;
  w.begin('{');
  text_member("idea", idea, w);
  if (language) text_member("language", *language, w);
  text_member("essential_complexity", essential_complexity, w);
  w.key("modules");
  serialize_list(modules, w);
  w.end('}');
  return std::move(w).take();
}

}  // namespace keystone
