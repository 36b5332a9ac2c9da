// Types: paths, references, pointers, slices and arrays, tuples, function pointers, trait objects
// (`dyn`, `impl` and bare), `!`, `_`, and the return type of functions.
#include "state.hpp"

namespace rust::parser {

// `-> Type`, when there.
bool Parser::return_type(bool allow_plus) {
  if (!is_op(pos_, "->")) return true;
  eat_op("->");
  return type(allow_plus);
}

// A type; `allow_plus` false where a `+` ends it (after `&`, `*` and `as`). A `dyn*`, a
// `builtin # name(tokens)` and a function pointer's `mut self` parameter are kept verbatim.
bool Parser::type(bool allow_plus, TypeShape* shape_out) {
  Nest nest(*this);
  if (!nest.ok) return false;
  TypeShape local;
  TypeShape& shape = shape_out ? *shape_out : local;
  const std::uint32_t begin = pos_;
  const Snapshot snap = snapshot();
  std::uint32_t binder_end = begin;
  bool lifetimes = false;
  if (is_keyword(pos_, Keyword::For)) {
    if (!binder()) return false;
    lifetimes = true;
    binder_end = pos_;
    if (!(is_path_segment(pos_) || is_keyword_in(pos_, kFnPointerKeywords))) {
      return fail(Expected::Type);
    }
  }
  if (is_open(pos_, Delim::Paren)) {
    std::uint32_t saved;
    enter(Delim::Paren, saved);
    if (at_end()) return leave(saved);  // ()
    if (is_lifetime(pos_)) {
      // `('a + Trait)`: a parenthesised trait object.
      eat_keyword(Keyword::Dyn);
      if (!bounds_list(true, false, false)) return false;
      return leave(saved);
    }
    if (is_punct(pos_, '?')) {
      bool is_const = false;
      return trait_bound(false, is_const) && leave(saved) && plus_more_bounds();
    }
    TypeShape first;
    if (!type(true, &first)) return false;
    if (is_punct(pos_, ',')) {
      ++pos_;
      return comma_list([&] { return type(true); }) && leave(saved);
    }
    if (!leave(saved)) return false;
    if (allow_plus && ((first.path && !first.qself) || first.bare_object)) {
      return plus_more_bounds();
    }
    return true;
  }
  if (is_keyword_in(pos_, kFnPointerKeywords)) return bare_fn();
  if (is_keyword(pos_, Keyword::Builtin) && is_punct(pos_ + 1, '#')) {
    // `builtin # name(tokens)` is kept as written, together with a binder before it.
    if (!builtin_call()) return false;
    keep_verbatim(begin, snap);
    return true;
  }
  if (starts_path(pos_)) {
    PathShape path_shape;
    if (!qpath(false, path_shape)) return false;
    shape.path = true;
    shape.qself = path_shape.qself;
    shape.simple = !path_shape.qself && !path_shape.leading_colon && path_shape.segments == 1;
    if (path_shape.qself) return true;
    if (is_bang(pos_) && path_shape.mod_style) {
      ++pos_;
      shape = TypeShape{};
      // A macro keeps no binder: `for<'a> m!()` prints as `m!()`.
      if (lifetimes) edit(begin, binder_end, EditKind::Delete);
      return verbatim_group();
    }
    if (lifetimes || (allow_plus && is_punct(pos_, '+'))) {
      const bool plus = allow_plus && is_punct(pos_, '+');
      shape = TypeShape{};
      if (plus && !more_bounds()) return false;
      shape.bare_object = !plus;  // a trait object of this single bound
    }
    return true;
  }
  if (is_keyword(pos_, Keyword::Dyn)) {
    ++pos_;
    bool star = false;
    if (is_punct(pos_, '*')) {
      ++pos_;
      star = true;
    }
    if (!bounds_list(allow_plus, false, false)) return false;
    if (star) keep_verbatim(begin, snap);
    return true;
  }
  if (is_open(pos_, Delim::Bracket)) {
    std::uint32_t saved;
    enter(Delim::Bracket, saved);
    if (!type(true)) return false;
    if (is_punct(pos_, ';')) {
      ++pos_;
      if (!expr(true)) return false;
    }
    return leave(saved);
  }
  if (is_punct(pos_, '*')) {
    ++pos_;
    if (!(eat_keyword(Keyword::Const) || eat_keyword(Keyword::Mut))) {
      return fail(Expected::ConstOrMut);
    }
    return type(false);
  }
  if (is_punct(pos_, '&')) {
    ++pos_;
    eat_lifetime();
    eat_keyword(Keyword::Mut);
    return type(false);
  }
  if (is_punct(pos_, '!')) {
    ++pos_;
    return true;
  }
  if (is_keyword(pos_, Keyword::Impl)) {
    ++pos_;
    return bounds_list(allow_plus, true, true);
  }
  if (is_keyword(pos_, Keyword::Underscore)) {
    ++pos_;
    return true;
  }
  if (is_lifetime(pos_)) {
    return bounds_list(true, false, false);
  }
  return fail(Expected::Type);
}

// `for<'a> unsafe extern "C" fn(args) -> ret` (the `for<>` already read).
bool Parser::bare_fn() {
  eat_keyword(Keyword::Unsafe);
  if (eat_keyword(Keyword::Extern)) {
    if (is_string_literal(pos_)) ++pos_;
  }
  if (!expect_keyword(Keyword::Fn)) return false;
  std::uint32_t saved;
  if (!enter(Delim::Paren, saved)) return false;
  bool empty_or_trailing = true;
  bool first = true;
  while (!at_end()) {
    if (!outer_attrs(false)) return false;
    if (empty_or_trailing &&
        (is_op(pos_, "...") ||
         (is_ident_or_underscore(pos_) && is_punct(pos_ + 1, ':') && is_op(pos_ + 2, "...")))) {
      if (!is_op(pos_, "...")) pos_ += 2;
      if (!variadic()) return false;
      break;
    }
    if (!fn_pointer_param(first)) return false;
    first = false;
    empty_or_trailing = false;
    if (at_end()) break;
    if (!expect_punct(',')) return false;
    empty_or_trailing = true;
  }
  if (!leave(saved)) return false;
  return return_type(false);
}

// One parameter of a function pointer type after its attributes: `name: Type` or a type. The first
// one (`allow_self`) may be named `self`, and may also be `mut self`, `mut self: Type` or
// `name: mut self`; those are kept verbatim.
bool Parser::fn_pointer_param(bool allow_self) {
  const std::uint32_t begin = pos_;
  const Snapshot snap = snapshot();
  const bool mut_self =
      allow_self && is_keyword(pos_, Keyword::Mut) && is_keyword(pos_ + 1, Keyword::SelfValue);
  if (mut_self) ++pos_;
  const bool named =
      (is_ident_or_underscore(pos_) || (allow_self && is_keyword(pos_, Keyword::SelfValue))) &&
      is_punct(pos_ + 1, ':') && !is_op(pos_ + 1, "::");
  const bool self_named = named && is_keyword(pos_, Keyword::SelfValue);
  if (named) pos_ += 2;
  bool keep = mut_self;
  if (allow_self && !self_named && is_keyword(pos_, Keyword::Mut) &&
      is_keyword(pos_ + 1, Keyword::SelfValue)) {
    pos_ += 2;
    keep = true;
  } else if (mut_self && !named) {
    ++pos_;  // self
  } else if (!type(true)) {
    return false;
  }
  if (keep) keep_verbatim(begin, snap);
  return true;
}

}  // namespace rust::parser
