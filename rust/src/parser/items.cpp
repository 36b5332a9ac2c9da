// Items: the item lists of the file and of modules, impls, traits and foreign blocks; visibility;
// functions with their signatures and bodies; constants, statics and type aliases; structs, enums
// and unions with their fields; traits, impls and their items; modules; macros; use trees.
#include "state.hpp"

namespace rust::parser {

// Items read by `reader` up to the end of the current group, each one level of nesting deeper;
// the recorded ones are listed in `first`/`count`.
bool Parser::item_list(ItemReader reader, std::uint32_t& first, std::uint32_t& count) {
  const std::size_t base = item_stack_.size();
  while (!at_end()) {
    Nest nest(*this);
    if (!nest.ok || !(this->*reader)(pos_, snapshot())) return false;
  }
  if (recording_) close_list(base, first, count);
  return true;
}

// `{ #![inner] items }` of an impl, a trait or an extern block: the recorded items become the
// children of `owner`; the inner attributes are not recorded.
bool Parser::item_block(ItemReader reader, Item& owner) {
  std::uint32_t saved;
  if (!enter(Delim::Brace, saved) || !inner_attrs(false)) return false;
  return item_list(reader, owner.child_first, owner.child_count) && leave(saved);
}

bool Parser::visibility(Visibility& v) {
  v.tokens.first = pos_;
  const std::uint32_t end = end_of_visibility(pos_);
  v.kind = end == pos_       ? VisKind::Inherited
           : end == pos_ + 1 ? VisKind::Public
                             : VisKind::Restricted;
  if (v.kind == VisKind::Restricted && is_keyword(pos_ + 2, Keyword::In)) {
    // `pub(in path)`: a path without generic arguments fills the parentheses.
    const std::uint32_t saved_end = end_;
    end_ = end - 1;
    pos_ += 3;
    const bool ok = mod_style_path() && (at_end() || fail_close());
    end_ = saved_end;
    if (!ok) return false;
  }
  pos_ = end;
  v.tokens.last = pos_;
  return true;
}

bool Parser::signature(bool allow_safe, bool* safe, std::uint32_t* name) {
  eat_keyword(Keyword::Const);
  eat_keyword(Keyword::Async);
  const bool is_unsafe = eat_keyword(Keyword::Unsafe);
  if (allow_safe && !is_unsafe && is_keyword(pos_, Keyword::Safe)) {
    ++pos_;
    if (safe) *safe = true;
  }
  if (eat_keyword(Keyword::Extern)) {
    if (is_string_literal(pos_)) ++pos_;
  }
  if (!expect_keyword(Keyword::Fn)) return false;
  if (name) *name = pos_;
  if (!expect_ident()) return false;
  std::uint32_t anchor;
  if (!generics(anchor)) return false;
  std::uint32_t saved;
  if (!enter(Delim::Paren, saved)) return false;
  if (!fn_args()) return false;
  if (!leave(saved)) return false;
  if (!return_type(true)) return false;
  return where_clause(anchor);
}

// Whether a method's receiver starts at `i`: `self`, `mut self`, `&self`, `&'a mut self` ...,
// unless `self` begins a path.
inline bool Parser::starts_receiver(std::uint32_t i) const {
  if (is_punct(i, '&')) {
    ++i;
    if (is_lifetime(i)) i += 2;
  }
  if (is_keyword(i, Keyword::Mut)) ++i;
  return is_keyword(i, Keyword::SelfValue) && !is_op(i + 1, "::");
}

// The `...` of a variadic function, its last parameter: at most a comma follows.
bool Parser::variadic() {
  mark_joint(pos_, 3);
  pos_ += 3;
  return at_end() || expect_punct(',');
}

bool Parser::fn_args() {
  bool first = true;
  while (!at_end()) {
    if (!outer_attrs(false)) return false;
    if (is_op(pos_, "...")) return variadic();
    if (starts_receiver(pos_)) {
      if (!first) return fail(Expected::SelfNotFirst);
      const bool reference = is_punct(pos_, '&');
      if (reference) {
        ++pos_;
        eat_lifetime();
      }
      eat_keyword(Keyword::Mut);
      ++pos_;  // self
      if (!reference && is_punct(pos_, ':')) {
        ++pos_;
        if (!type(true)) return false;
      }
    } else if (is_ident(pos_) && is_punct(pos_ + 1, '<')) {
      // An anonymous parameter of the 2015 edition, `a<b>`: a type printed as `_: a<b>`.
      edit(pos_, pos_ + 1, EditKind::Wildcard);
      if (!type(true)) return false;
    } else {
      if (!pat_single()) return false;
      if (!expect_punct(':')) return false;
      if (is_op(pos_, "...")) return variadic();
      if (!type(true)) return false;
    }
    first = false;
    if (at_end()) break;
    if (!expect_punct(',')) return false;
  }
  return true;
}

// A function body `{ #![inner] stmts }`; the inner attributes join the function's attributes.
bool Parser::fn_body(Item& it, bool record) {
  if (!is_open(pos_, Delim::Brace)) return fail_punct('{');
  std::uint32_t saved;
  enter(Delim::Brace, saved);
  if (!inner_attrs(record)) return false;
  it.body_stmts = pos_;
  it.body_close = end_;
  if (!block_within()) return false;
  return leave(saved);
}

// A function from its signature on: one with a body is recorded (its attributes those from
// `it.attr_first` on, the inner ones of its body included), one without (`;`) is kept verbatim.
bool Parser::fn_item(Item& it) {
  it.signature.first = pos_;
  if (!signature(false, nullptr, &it.ident)) return false;
  it.signature.last = pos_;
  if (is_punct(pos_, ';')) {
    ++pos_;
    return true;
  }
  it.has_body = true;
  if (!fn_body(it, recording_)) return false;
  it.kind = ItemKind::Fn;
  it.attr_count = static_cast<std::uint32_t>(file_.attrs.size()) - it.attr_first;
  return true;
}

// A `const` item from its name: `NAME<generics>: Type = value where ...;`, the value optional.
// `value` tells whether there is one, `extras` whether there are generics or a where clause.
bool Parser::const_rest(bool& value, bool& extras) {
  if (!is_ident_or_underscore(pos_)) return fail(Expected::Identifier);
  ++pos_;
  extras = is_punct(pos_, '<');
  if (!generics() || !expect_punct(':') || !type(true)) return false;
  value = false;
  if (is_punct(pos_, '=')) {
    ++pos_;
    if (!expr(true)) return false;
    value = true;
  }
  extras = extras || is_keyword(pos_, Keyword::Where);
  return where_clause() && expect_punct(';');
}

// A type alias from its name: `Name<generics>: Bounds where ... = Type where ...;`, every part
// after the name optional, the where clause at the place `where_at` allows. A where clause after
// the type is walked with the generics. A colon without bounds prints nothing.
bool Parser::type_alias_rest(AliasWhere where_at, AliasShape& shape) {
  if (!expect_ident()) return false;
  std::uint32_t anchor;
  if (!generics(anchor)) return false;
  if (is_punct(pos_, ':')) {
    const std::uint32_t colon = pos_++;
    shape.colon = true;
    if (!type_bounds_until_eq()) return false;
    if (pos_ == colon + 1) edit(colon, colon + 1, EditKind::Delete);
  }
  const bool early_where = where_at != AliasWhere::AfterValue && is_keyword(pos_, Keyword::Where);
  if (early_where && !where_clause()) return false;
  if (is_punct(pos_, '=')) {
    ++pos_;
    if (!type(true)) return false;
    shape.value = true;
  }
  if (where_at != AliasWhere::BeforeValue && !early_where && !where_clause(anchor)) return false;
  return expect_punct(';');
}

// An item's visibility, its keyword and its name.
bool Parser::item_head(Item& it) {
  if (!visibility(it.vis)) return false;
  it.ident = ++pos_;
  return expect_ident();
}

// An item of a module: its outer attributes and the rest.
bool Parser::item(std::uint32_t begin, const Snapshot& snap) {
  const std::uint32_t attr_first = static_cast<std::uint32_t>(file_.attrs.size());
  if (!outer_attrs(recording_)) return false;
  return item_rest(begin, snap, attr_first);
}

// Everything of an item after its outer attributes (those from `attr_first` on): read by the
// reader of its leading keyword, then recorded, or kept verbatim from `begin`.
bool Parser::item_rest(std::uint32_t begin, const Snapshot& snap, std::uint32_t attr_first) {
  Item it;
  it.attr_first = attr_first;
  // The item's own attributes: the outer ones; a function or an inline module adds the inner
  // ones at the head of its body (recorded before anything else inside it).
  it.attr_count = static_cast<std::uint32_t>(file_.attrs.size()) - attr_first;
  if (!item_by_keyword(it)) return false;
  end_item(it, begin, snap);
  return true;
}

// An item that its reader left of kind Verbatim is kept as unparsed tokens from `begin`; any
// other is recorded.
void Parser::end_item(const Item& it, std::uint32_t begin, const Snapshot& snap) {
  if (it.kind == ItemKind::Verbatim) {
    keep_verbatim(begin, snap);
  } else if (recording_) {
    record_item(it);
  }
}

// Reads an item with the reader of the keyword after its visibility. Each reader fills `it` and
// sets its kind, or leaves it Verbatim for an item kept as unparsed tokens.
bool Parser::item_by_keyword(Item& it) {
  const std::uint32_t keyword = end_of_visibility(pos_);
  const bool inherited = keyword == pos_;
  if (is_keyword(keyword, Keyword::Fn) || starts_signature(keyword, false)) {
    return visibility(it.vis) && fn_item(it);
  }
  if (!inside(keyword)) return fail_at(keyword, Expected::Item);
  switch (keywords_[keyword]) {
    case Keyword::Extern:
      return extern_item(it, keyword, inherited);
    case Keyword::Use:
      return use_item(it);
    case Keyword::Static:
      return static_item(it);
    case Keyword::Const:
      return const_item(it);
    case Keyword::Unsafe:
      return unsafe_item(it, keyword, inherited);
    case Keyword::Mod:
      return module(it);
    case Keyword::Type:
      return type_alias_item(it);
    case Keyword::Struct:
      return struct_item(it);
    case Keyword::Enum:
      return enum_item(it);
    case Keyword::Trait:
      return trait_or_alias(it);
    case Keyword::Impl:
      return impl(it);
    case Keyword::Macro:
      return macro_definition(it);
    // The contextual keywords begin an item only before the right token; else they name a macro.
    case Keyword::Union:
      if (is_ident(keyword + 1)) return union_item(it);
      break;
    case Keyword::Auto:
      if (is_keyword(keyword + 1, Keyword::Trait)) return trait_item_def(it);
      break;
    case Keyword::Default:
      if (is_default_qualifier(keyword)) return impl(it);
      break;
    default:
      break;
  }
  if (!starts_macro_path(keyword)) return fail_at(keyword, Expected::Item);
  if (!inherited) return fail(Expected::VisibilityNotAllowed);
  if (!item_macro(true)) return false;
  it.kind = ItemKind::Macro;
  return true;
}

// `extern crate name as rename;`, or a foreign block `extern "abi"? { ... }`.
bool Parser::extern_item(Item& it, std::uint32_t keyword, bool inherited) {
  const std::uint32_t k = keyword + 1;
  if (is_keyword(k, Keyword::Crate)) {
    if (!visibility(it.vis)) return false;
    pos_ += 2;
    if (!(is_keyword(pos_, Keyword::SelfValue) || is_ident(pos_))) {
      return fail(Expected::Identifier);
    }
    it.ident = pos_++;
    if (eat_keyword(Keyword::As)) {
      if (!is_ident_or_underscore(pos_)) return fail(Expected::Identifier);
      ++pos_;
    }
    if (!expect_punct(';')) return false;
    it.kind = ItemKind::ExternCrate;
    return true;
  }
  if (is_open(k, Delim::Brace) || (is_string_literal(k) && is_open(k + 1, Delim::Brace))) {
    return (inherited || fail(Expected::VisibilityNotAllowed)) && foreign_mod(it);
  }
  return fail_at(keyword, Expected::Item);
}

// `use tree;` A tree with a path from the crate root inside a group is kept verbatim.
bool Parser::use_item(Item& it) {
  if (!visibility(it.vis) || !expect_keyword(Keyword::Use)) return false;
  const bool leading = eat_op("::");
  it.use_tokens.first = pos_;
  bool none = false;
  std::uint32_t root = 0;
  if (!use_tree(!leading, none, root)) return false;
  it.use_tokens.last = pos_;
  if (!expect_punct(';')) return false;
  if (none) return true;
  it.use_tree = root;
  it.kind = ItemKind::Use;
  return true;
}

// `static mut? NAME: Type = value;` Without the type or the value it is kept verbatim.
bool Parser::static_item(Item& it) {
  if (!visibility(it.vis)) return false;
  ++pos_;
  eat_keyword(Keyword::Mut);
  if (!expect_ident()) return false;
  if (is_punct(pos_, '=')) {
    ++pos_;
    return expr(true) && expect_punct(';');
  }
  if (!expect_punct(':') || !type(true)) return false;
  if (is_punct(pos_, ';')) {
    ++pos_;
    return true;
  }
  if (!expect_punct('=') || !expr(true) || !expect_punct(';')) return false;
  it.kind = ItemKind::Static;
  return true;
}

// `const NAME: Type = value;` Without a value, or with generics or a where clause, it is kept
// verbatim.
bool Parser::const_item(Item& it) {
  if (!visibility(it.vis)) return false;
  it.ident = ++pos_;
  bool value = false, extras = false;
  if (!const_rest(value, extras)) return false;
  if (value && !extras) it.kind = ItemKind::Const;
  return true;
}

// `unsafe` before a trait, an impl, a foreign block or a module.
bool Parser::unsafe_item(Item& it, std::uint32_t keyword, bool inherited) {
  const std::uint32_t k = keyword + 1;
  if (is_keyword(k, Keyword::Trait) ||
      (is_keyword(k, Keyword::Auto) && is_keyword(k + 1, Keyword::Trait))) {
    return trait_item_def(it);
  }
  if (is_keyword(k, Keyword::Impl)) return impl(it);
  if (is_keyword(k, Keyword::Extern)) {
    return (inherited || fail(Expected::VisibilityNotAllowed)) && foreign_mod(it);
  }
  if (is_keyword(k, Keyword::Mod)) return module(it);
  return fail_at(keyword, Expected::Item);
}

// `type Name<generics> = Type;` With bounds or without a value it is kept verbatim.
bool Parser::type_alias_item(Item& it) {
  if (!visibility(it.vis)) return false;
  it.ident = ++pos_;
  AliasShape alias;
  if (!type_alias_rest(AliasWhere::BeforeValue, alias)) return false;
  if (alias.value && !alias.colon) it.kind = ItemKind::Type;
  return true;
}

// `struct Name<generics> where ... { fields }`, `(fields) where ...;` or `;`.
bool Parser::struct_item(Item& it) {
  std::uint32_t anchor;
  if (!item_head(it) || !generics(anchor)) return false;
  it.member_attr_first = static_cast<std::uint32_t>(file_.attrs.size());
  if (!struct_data(anchor)) return false;
  it.member_attr_count = static_cast<std::uint32_t>(file_.attrs.size()) - it.member_attr_first;
  it.kind = ItemKind::Struct;
  return true;
}

// `enum Name<generics> where ... { variants }`
bool Parser::enum_item(Item& it) {
  if (!item_head(it) || !generics() || !where_clause()) return false;
  it.member_attr_first = static_cast<std::uint32_t>(file_.attrs.size());
  if (!enum_body()) return false;
  it.member_attr_count = static_cast<std::uint32_t>(file_.attrs.size()) - it.member_attr_first;
  it.kind = ItemKind::Enum;
  return true;
}

// `union Name<generics> where ... { fields }`
bool Parser::union_item(Item& it) {
  if (!item_head(it) || !generics() || !where_clause()) return false;
  if (!unrecorded([&] { return named_fields(); })) return false;
  it.kind = ItemKind::Union;
  return true;
}

// `trait Name<generics>: Bounds where ... { items }`, or the alias `trait Name = Bounds;`.
bool Parser::trait_or_alias(Item& it) {
  std::uint32_t anchor;
  if (!item_head(it) || !generics(anchor)) return false;
  if (is_punct(pos_, '=')) {
    ++pos_;
    const auto stop = [&] { return is_keyword(pos_, Keyword::Where) || is_punct(pos_, ';'); };
    if (!plus_bounds(stop, false) || !where_clause(anchor) || !expect_punct(';')) return false;
    it.kind = ItemKind::TraitAlias;
    return true;
  }
  if (!(is_open(pos_, Delim::Brace) || is_punct(pos_, ':') || is_keyword(pos_, Keyword::Where))) {
    return fail_punct('{');
  }
  if (!trait_rest(it, anchor)) return false;
  it.kind = ItemKind::Trait;
  return true;
}

// `macro name(params) { body }` or `macro name { rules }`, kept verbatim.
bool Parser::macro_definition(Item& it) {
  if (!visibility(it.vis)) return false;
  ++pos_;
  if (!expect_ident()) return false;
  if (is_open(pos_, Delim::Paren)) pos_ = tokens_[pos_].partner + 1;
  if (!is_open(pos_, Delim::Brace)) return fail_punct('{');
  pos_ = tokens_[pos_].partner + 1;
  return true;
}

// `path! ident? (tokens);` or `path! ident? { tokens }`; the identifier only where `allow_ident`
// (not in trait, impl and extern blocks).
bool Parser::item_macro(bool allow_ident) {
  if (!mod_style_path() || !expect_punct('!')) return false;
  if (allow_ident && is_ident_or_try(pos_)) ++pos_;
  if (!is_any_open(pos_)) return fail(Expected::Group);
  const bool brace = is_open(pos_, Delim::Brace);
  verbatim_group();
  if (!brace && !expect_punct(';')) return false;
  return true;
}

// Bounds after `type X:` up to `where`, `=` or `;`.
bool Parser::type_bounds_until_eq() {
  return plus_bounds([&] {
    return is_keyword(pos_, Keyword::Where) || is_punct(pos_, '=') || is_punct(pos_, ';');
  });
}

// `unsafe? mod name;` or `mod name { #![inner] items }`; the inner attributes join the module's.
bool Parser::module(Item& it) {
  if (!visibility(it.vis)) return false;
  eat_keyword(Keyword::Unsafe);
  if (!expect_keyword(Keyword::Mod)) return false;
  if (!is_ident_or_try(pos_)) return fail(Expected::Identifier);
  it.ident = pos_++;
  it.kind = ItemKind::Mod;
  if (is_punct(pos_, ';')) {
    ++pos_;
    return true;
  }
  std::uint32_t saved;
  if (!enter(Delim::Brace, saved)) return false;
  it.has_body = true;
  if (!inner_attrs(recording_)) return false;
  it.attr_count = static_cast<std::uint32_t>(file_.attrs.size()) - it.attr_first;
  return item_list(&Parser::item, it.child_first, it.child_count) && leave(saved);
}

// `unsafe? extern "abi"? { #![inner] foreign items }`; its items are not recorded.
bool Parser::foreign_mod(Item& it) {
  eat_keyword(Keyword::Unsafe);
  if (!expect_keyword(Keyword::Extern)) return false;
  if (is_string_literal(pos_)) ++pos_;
  if (!unrecorded([&] { return item_block(&Parser::foreign_item, it); })) return false;
  it.kind = ItemKind::ForeignMod;
  return true;
}

bool Parser::foreign_item(std::uint32_t begin, const Snapshot& snap) {
  if (!outer_attrs(false)) return false;
  const std::uint32_t ahead = end_of_visibility(pos_);
  Visibility v;
  if (is_keyword(ahead, Keyword::Fn) || starts_signature(ahead, true)) {
    if (!visibility(v)) return false;
    bool safe = false;
    if (!signature(true, &safe)) return false;
    if (is_open(pos_, Delim::Brace)) {
      if (!block_with_inner()) return false;
      keep_verbatim(begin, snap);
      return true;
    }
    if (!expect_punct(';')) return false;
    if (safe) keep_verbatim(begin, snap);
    return true;
  }
  if (is_keyword(ahead, Keyword::Static) ||
      ((is_keyword(ahead, Keyword::Unsafe) || is_keyword(ahead, Keyword::Safe)) &&
       is_keyword(ahead + 1, Keyword::Static))) {
    if (!visibility(v)) return false;
    const bool special = is_keyword(pos_, Keyword::Unsafe) || is_keyword(pos_, Keyword::Safe);
    if (special) ++pos_;
    ++pos_;  // static
    eat_keyword(Keyword::Mut);
    if (!expect_ident() || !expect_punct(':') || !type(true)) return false;
    bool value = false;
    if (is_punct(pos_, '=')) {
      ++pos_;
      if (!expr(true)) return false;
      value = true;
    }
    if (!expect_punct(';')) return false;
    if (special || value) keep_verbatim(begin, snap);
    return true;
  }
  if (is_keyword(ahead, Keyword::Type)) {
    if (!visibility(v)) return false;
    ++pos_;
    AliasShape alias;
    if (!type_alias_rest(AliasWhere::Either, alias)) return false;
    if (alias.colon || alias.value) keep_verbatim(begin, snap);
    return true;
  }
  if (ahead == pos_ && starts_macro_path(ahead)) return item_macro(false);
  return fail_at(ahead, Expected::Item);
}

bool Parser::struct_data(std::uint32_t anchor) {
  if (is_keyword(pos_, Keyword::Where)) {
    if (!where_clause()) return false;
    if (is_open(pos_, Delim::Brace)) return named_fields();
    return expect_punct(';');
  }
  if (is_open(pos_, Delim::Paren)) {
    if (!unnamed_fields()) return false;
    if (!where_clause(anchor)) return false;
    return expect_punct(';');
  }
  if (is_open(pos_, Delim::Brace)) return named_fields();
  return expect_punct(';');
}

bool Parser::named_fields() {
  return comma_group(Delim::Brace, [&] {
    if (!outer_attrs(recording_)) return false;
    Visibility v;
    if (!visibility(v)) return false;
    const bool unnamed = is_keyword(pos_, Keyword::Underscore);
    if (!(unnamed || is_ident(pos_))) return fail(Expected::FieldName);
    ++pos_;
    if (!expect_punct(':')) return false;
    if (unnamed && (is_keyword(pos_, Keyword::Struct) ||
                    (is_keyword(pos_, Keyword::Union) && is_open(pos_ + 1, Delim::Brace)))) {
      const std::uint32_t begin = pos_;
      const Snapshot snap = snapshot();
      ++pos_;
      if (!unrecorded([&] { return named_fields(); })) return false;
      keep_verbatim(begin, snap);
      return true;
    }
    return type(true);
  });
}

bool Parser::unnamed_fields() {
  return comma_group(Delim::Paren, [&] {
    Visibility v;
    return outer_attrs(recording_) && visibility(v) && type(true);
  });
}

// The variants of an enum; a variant's visibility is read but prints nothing.
bool Parser::enum_body() {
  return comma_group(Delim::Brace, [&] {
    if (!outer_attrs(recording_)) return false;
    Visibility v;
    if (!visibility(v) || !expect_ident()) return false;
    if (v.kind != VisKind::Inherited) edit(v.tokens.first, v.tokens.last, EditKind::Delete);
    if (is_open(pos_, Delim::Brace)) {
      if (!named_fields()) return false;
    } else if (is_open(pos_, Delim::Paren)) {
      if (!unnamed_fields()) return false;
    }
    if (is_punct(pos_, '=')) {
      ++pos_;
      if (!unrecorded([&] { return expr(true); })) return false;
    }
    return true;
  });
}

// `unsafe? auto? trait Name<..> ...` (for the forms that start with unsafe or auto).
bool Parser::trait_item_def(Item& it) {
  if (!visibility(it.vis)) return false;
  eat_keyword(Keyword::Unsafe);
  eat_keyword(Keyword::Auto);
  if (!expect_keyword(Keyword::Trait)) return false;
  if (!is_ident(pos_)) return fail(Expected::Identifier);
  it.ident = pos_++;
  std::uint32_t anchor;
  if (!generics(anchor) || !trait_rest(it, anchor)) return false;
  it.kind = ItemKind::Trait;
  return true;
}

bool Parser::trait_rest(Item& it, std::uint32_t anchor) {
  if (is_punct(pos_, ':')) {
    const std::uint32_t colon = pos_++;
    if (!plus_bounds(
            [&] { return is_keyword(pos_, Keyword::Where) || is_open(pos_, Delim::Brace); }))
      return false;
    if (pos_ == colon + 1) edit(colon, colon + 1, EditKind::Delete);
  }
  if (!where_clause(anchor)) return false;
  return unrecorded([&] { return item_block(&Parser::trait_item, it); });
}

bool Parser::trait_item(std::uint32_t begin, const Snapshot& snap) {
  if (!outer_attrs(false)) return false;
  Visibility v;
  if (!visibility(v)) return false;
  const bool has_default = eat_keyword(Keyword::Default);
  const bool special = v.kind != VisKind::Inherited || has_default;
  if (is_keyword(pos_, Keyword::Fn) || starts_signature(pos_, false)) {
    if (!signature(false)) return false;
    if (!(is_open(pos_, Delim::Brace) ? block_with_inner() : expect_punct(';'))) return false;
  } else if (is_keyword(pos_, Keyword::Const)) {
    ++pos_;
    bool value = false, extras = false;
    if (!const_rest(value, extras)) return false;
    if (extras) {
      keep_verbatim(begin, snap);
      return true;
    }
  } else if (is_keyword(pos_, Keyword::Type)) {
    ++pos_;
    AliasShape alias;
    if (!type_alias_rest(AliasWhere::AfterValue, alias)) return false;
  } else if (!special && starts_macro_path(pos_)) {
    if (!item_macro(false)) return false;
  } else {
    return fail(Expected::Item);
  }
  if (special) keep_verbatim(begin, snap);
  return true;
}

// `default? unsafe? impl<generics> const? !? Type (for Type)? where ... { items }`; its function
// items with bodies are recorded. A public or const impl and one whose trait is not a path are
// kept verbatim; `!` is only for a trait impl.
bool Parser::impl(Item& it) {
  const bool has_vis = is_keyword(pos_, Keyword::Pub);
  if (!visibility(it.vis)) return false;
  eat_keyword(Keyword::Default);
  eat_keyword(Keyword::Unsafe);
  if (!expect_keyword(Keyword::Impl)) return false;
  if (starts_generic_parameters(pos_) && !generics()) return false;
  const std::uint32_t anchor = pos_ - 1;  // the end of the generics, or `impl`
  bool is_const = false;
  if (is_keyword(pos_, Keyword::Const) ||
      (is_punct(pos_, '?') && is_keyword(pos_ + 1, Keyword::Const))) {
    if (is_punct(pos_, '?')) ++pos_;
    ++pos_;
    is_const = true;
  }
  const std::uint32_t type_begin = pos_;
  bool polarity = false;
  if (is_punct(pos_, '!') && !is_open(pos_ + 1, Delim::Brace)) {
    ++pos_;
    polarity = true;
  }
  TypeShape first;
  if (!type(true, &first)) return false;
  bool missing_trait = false;
  if (is_keyword(pos_, Keyword::For)) {
    ++pos_;
    missing_trait = !(first.path && !first.qself);
    if (!type(true)) return false;
  } else if (polarity) {
    return fail_at(type_begin, Expected::NegativeInherentImpl);
  }
  if (!where_clause(anchor) || !item_block(&Parser::impl_item, it)) return false;
  if (!(has_vis || is_const || missing_trait)) it.kind = ItemKind::Impl;
  return true;
}

bool Parser::impl_item(std::uint32_t begin, const Snapshot& snap) {
  const std::uint32_t attr_first = static_cast<std::uint32_t>(file_.attrs.size());
  if (!outer_attrs(recording_)) return false;
  std::uint32_t ahead = end_of_visibility(pos_);
  const bool inherited = ahead == pos_;
  bool has_default = false;
  if (is_default_qualifier(ahead)) {
    ++ahead;
    has_default = true;
  }
  if (is_keyword(ahead, Keyword::Fn) || starts_signature(ahead, false)) {
    Item it;
    it.attr_first = attr_first;
    if (!visibility(it.vis)) return false;
    eat_keyword(Keyword::Default);
    if (!fn_item(it)) return false;
    end_item(it, begin, snap);
    return true;
  }
  if (is_keyword(ahead, Keyword::Const)) {
    pos_ = ahead + 1;
    bool value = false, extras = false;
    if (!const_rest(value, extras)) return false;
    if (!value || extras) keep_verbatim(begin, snap);
    return true;
  }
  if (is_keyword(ahead, Keyword::Type)) {
    pos_ = ahead + 1;
    AliasShape alias;
    if (!type_alias_rest(AliasWhere::AfterValue, alias)) return false;
    if (alias.colon || !alias.value) keep_verbatim(begin, snap);
    return true;
  }
  if (inherited && !has_default && starts_macro_path(ahead)) return item_macro(false);
  return fail_at(ahead, Expected::Item);
}

// A use tree; `none` is set when a group holds a path that starts at the crate root (`::a`),
// which leaves the whole item unparsed.
bool Parser::use_tree(bool allow_root, bool& none, std::uint32_t& node) {
  Nest nest(*this);
  if (!nest.ok) return false;
  UseTree t;
  if (is_ident(pos_) || is_keyword_in(pos_, kPlainSegmentKeywords)) {
    t.ident = pos_++;
    if (is_op(pos_, "::")) {
      eat_op("::");
      t.kind = UseKind::Path;
      bool sub_none = false;
      std::uint32_t child = 0;
      if (!use_tree(false, sub_none, child)) return false;
      t.child = child;
    } else if (is_keyword(pos_, Keyword::As)) {
      ++pos_;
      if (!is_ident_or_underscore(pos_)) return fail(Expected::Identifier);
      t.kind = UseKind::Rename;
      t.rename = pos_++;
    } else {
      t.kind = UseKind::Name;
    }
  } else if (is_punct(pos_, '*')) {
    ++pos_;
    t.kind = UseKind::Glob;
  } else if (is_open(pos_, Delim::Brace)) {
    t.kind = UseKind::Group;
    bool any_root = false;
    const std::size_t base = use_stack_.size();
    const bool ok = comma_group(Delim::Brace, [&] {
      const bool this_root = allow_root && eat_op("::");
      any_root |= this_root;
      bool sub_none = false;
      std::uint32_t child = 0;
      if (!use_tree(allow_root && !this_root, sub_none, child)) return false;
      if (sub_none) any_root = true;
      if (!any_root) use_stack_.push_back(child);
      return true;
    });
    if (!ok) return false;
    if (any_root) none = true;
    t.child = static_cast<std::uint32_t>(file_.use_lists.size());
    t.count = static_cast<std::uint32_t>(use_stack_.size() - base);
    file_.use_lists.insert(file_.use_lists.end(),
                           use_stack_.begin() + static_cast<std::ptrdiff_t>(base),
                           use_stack_.end());
    use_stack_.resize(base);
  } else {
    return fail(Expected::Path);
  }
  node = static_cast<std::uint32_t>(file_.use_nodes.size());
  file_.use_nodes.push_back(t);
  return true;
}

}  // namespace rust::parser
