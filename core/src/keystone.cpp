#include "keystone.hpp"

#include <simdjson.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <type_traits>
#include <variant>

#include "json.hpp"

namespace keystone {

std::string_view to_text(DependencyNeeds needs) {
  return needs == DependencyNeeds::Contract ? "contract" : "artifact";
}

namespace {

template <class... F>
struct Overloaded : F... {
  using F::operator()...;
};

// ---------------------------------------------------------------------------------------------
// Reading
//
// simdjson checks the whole text against strict JSON and builds a tree of it; the records are
// then read from the tree, field by field, as their tables below say. Only declared fields are
// visited, so the walk nests no deeper than the records do, however deep an undeclared member's
// value is.

// Where the value of one field goes. A vector takes a JSON array of elements.
using Slot = std::variant<std::string*, std::optional<std::string>*, DependencyNeeds*,
                          std::vector<std::string>*, std::vector<Module>*, std::vector<OwnedType>*,
                          std::vector<OperationSpec>*, std::vector<Dependency>*>;

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

using Element = simdjson::dom::element;
using simdjson::dom::element_type;

// A value as an error description names it.
std::string describe(const Element& v) {
  switch (v.type()) {
    case element_type::NULL_VALUE:
      return "null";
    case element_type::BOOL:
      return "boolean `" + std::string(v.get_bool().value_unsafe() ? "true" : "false") + "`";
    case element_type::INT64:
      return "integer `" + std::to_string(v.get_int64().value_unsafe()) + "`";
    case element_type::UINT64:
      return "integer `" + std::to_string(v.get_uint64().value_unsafe()) + "`";
    case element_type::DOUBLE:
      return "floating point `" + std::to_string(v.get_double().value_unsafe()) + "`";
    case element_type::STRING:
      return "string \"" + std::string(v.get_string().value_unsafe()) + "\"";
    case element_type::OBJECT:
      return "map";
    case element_type::ARRAY:
      return "sequence";
  }
  return {};
}

// The outcome of reading one value: nothing, or the description of the first broken rule.
using Read = std::expected<void, std::string>;

Read fail(std::string description) { return std::unexpected(std::move(description)); }

Read type_error(const Element& v, std::string_view expected) {
  return fail("invalid type: " + describe(v) + ", expected " + std::string(expected));
}

Read text(std::string& into, const Element& v) {
  if (!v.is_string()) return type_error(v, "a string");
  into = v.get_string().value_unsafe();
  return {};
}

// `needs` by its variant's name, as a string or as the single key of an object.
Read needs_named(std::string_view name, DependencyNeeds& into) {
  if (name == "contract") {
    into = DependencyNeeds::Contract;
  } else if (name == "artifact") {
    into = DependencyNeeds::Artifact;
  } else {
    return fail("unknown variant `" + std::string(name) + "`, expected `contract` or `artifact`");
  }
  return {};
}

// The string form, or the object form {"contract": null}.
Read needs(DependencyNeeds& into, const Element& v) {
  if (v.is_string()) return needs_named(v.get_string().value_unsafe(), into);
  if (!v.is_object()) return type_error(v, "enum DependencyNeeds");
  const simdjson::dom::object members = v.get_object().value_unsafe();
  if (members.size() == 0) return fail("invalid type: empty map, expected variant identifier");
  if (members.size() > 1) return fail("invalid value: map, expected map with a single key");
  const auto member = *members.begin();
  if (Read named = needs_named(member.key, into); !named) return named;
  if (!member.value.is_null()) return type_error(member.value, "unit");
  return {};
}

template <class R>
Read record(R& rec, const Element& v);

Read place(const Slot& slot, const Element& v) {
  const Overloaded into{
      [&](std::string* s) { return text(*s, v); },
      [&](std::optional<std::string>* s) {
        if (v.is_null()) {
          s->reset();
          return Read{};
        }
        return text(s->emplace(), v);
      },
      [&](DependencyNeeds* n) { return needs(*n, v); },
      [&]<class T>(std::vector<T>* list) {
        if (!v.is_array()) return type_error(v, "a sequence");
        const simdjson::dom::array elements = v.get_array().value_unsafe();
        for (const Element element : elements) {
          T& item = list->emplace_back();
          Read read;
          if constexpr (std::is_same_v<T, std::string>) {
            read = text(item, element);
          } else {
            read = record(item, element);
          }
          if (!read) return read;
        }
        return Read{};
      },
  };
  return std::visit(into, slot);
}

// A record from an object whose members come in any order (undeclared ones passed over) or
// from an array of its field values in declared order.
template <class R>
Read record(R& rec, const Element& v) {
  const auto& fields = Record<R>::kFields;
  if (v.is_object()) {
    std::uint32_t seen = 0;  // one bit per field read
    const simdjson::dom::object members = v.get_object().value_unsafe();
    for (const auto member : members) {
      for (std::size_t i = 0; i < fields.size(); ++i) {
        if (fields[i].name != member.key) continue;
        if (seen & (1u << i)) return fail("duplicate field `" + std::string(member.key) + "`");
        seen |= 1u << i;
        if (Read read = place(fields[i].slot(rec), member.value); !read) return read;
        break;
      }
    }
    for (std::size_t i = 0; i < fields.size(); ++i) {
      if (fields[i].required && !(seen & (1u << i))) {
        return fail("missing field `" + std::string(fields[i].name) + "`");
      }
    }
    return {};
  }
  if (!v.is_array()) return type_error(v, "struct " + std::string(Record<R>::kName));
  const simdjson::dom::array elements = v.get_array().value_unsafe();
  const auto invalid_length = [](std::size_t length) {
    return fail("invalid length " + std::to_string(length) + ", expected " + positional_name<R>());
  };
  std::size_t count = 0;
  for (const Element element : elements) {
    if (count == fields.size()) return invalid_length(count + 1);
    if (Read read = place(fields[count++].slot(rec), element); !read) return read;
  }
  for (std::size_t i = count; i < fields.size(); ++i) {
    if (fields[i].required) return invalid_length(count);
  }
  return {};
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

// `text` with every number written as 0. Strict JSON puts no bound on numbers, but the parser
// refuses those it cannot hold (beyond a double's range, integers beyond 64 bits). No declared
// field takes a number, so a number's value never decides a read: it is either part of an
// undeclared member or the wrong type for its field.
std::string zero_numbers(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const char c = text[i];
    std::size_t j = i + 1;
    if (c == '"') {  // a string, copied whole
      while (j < text.size() && text[j] != '"') j += text[j] == '\\' ? 2 : 1;
      j = std::min(j + 1, text.size());
    } else if (c == '-' || (c >= '0' && c <= '9')) {
      // The longest run of number characters; it is left as it is unless it is one number.
      while (j < text.size() &&
             ((text[j] >= '0' && text[j] <= '9') || text[j] == '.' || text[j] == 'e' ||
              text[j] == 'E' || text[j] == '+' || text[j] == '-')) {
        ++j;
      }
      if (scan_number(text.data() + i, text.data() + j) == text.data() + j) {
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

// The tree of one strict JSON text. The parser reads a little past the end of the text, so the
// string is given that much room beyond its size and read where it is, not copied. The parser
// keeps one frame per open array or object; it is made room for as many as the text has brackets
// when the usual allowance is not enough.
simdjson::simdjson_result<Element> parse(simdjson::dom::parser& parser, std::string& text) {
  text.reserve(text.size() + simdjson::SIMDJSON_PADDING);
  constexpr bool kCopy = false;
  auto tree = parser.parse(text.data(), text.size(), kCopy);
  if (tree.error() != simdjson::DEPTH_ERROR) return tree;
  const auto brackets = static_cast<std::size_t>(
      std::count_if(text.begin(), text.end(), [](char c) { return c == '[' || c == '{'; }));
  if (const auto error = parser.allocate(text.size(), brackets + 1); error) return error;
  return parser.parse(text.data(), text.size(), kCopy);
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

}  // namespace

std::expected<Keystone, JsonError> Keystone::deserialize(std::string_view text) {
  std::string copy;
  copy.reserve(text.size() + simdjson::SIMDJSON_PADDING);
  copy.append(text);
  return deserialize(std::move(copy));
}

std::expected<Keystone, JsonError> Keystone::deserialize(std::string&& text) {
  simdjson::dom::parser parser;
  auto tree = parse(parser, text);
  std::string zeroed;
  if (tree.error() == simdjson::NUMBER_ERROR) {  // a malformed number, or one it cannot hold
    zeroed = zero_numbers(text);
    tree = parse(parser, zeroed);
  }
  if (tree.error()) return std::unexpected(JsonError{simdjson::error_message(tree.error())});
  Keystone result;
  if (Read read = record(result, tree.value_unsafe()); !read) {
    return std::unexpected(JsonError{std::move(read).error()});
  }
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
