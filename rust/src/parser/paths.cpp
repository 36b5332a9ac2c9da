// Paths: mod-style paths (no generic arguments), paths with generic arguments, qualified paths
// `<T as Trait>::x`, and the generic arguments themselves.
#include "state.hpp"

namespace rust::parser {

// `a::b::c` without generic arguments, as in attributes, visibilities and macro paths.
bool Parser::mod_style_path() {
  eat_op("::");
  while (is_path_segment(pos_)) {
    ++pos_;
    if (!eat_op("::")) return true;
  }
  return fail(Expected::Path);  // no segment, or a trailing `::`
}

// One segment: a name with its generic arguments (with `::` before the `<` in an expression), or
// one of the keywords that take none.
bool Parser::path_segment(bool expr_style, PathShape& shape) {
  shape.segments++;
  shape.last_has_args = false;
  if (is_keyword_in(pos_, kPlainSegmentKeywords)) {
    shape.last_ident = pos_++;
    return true;
  }
  if (!(is_keyword(pos_, Keyword::SelfType) || is_ident(pos_))) return fail(Expected::Identifier);
  shape.last_ident = pos_++;
  if ((!expr_style && is_punct(pos_, '<') && !is_op(pos_, "<=") && !is_op(pos_, "<<=")) ||
      (is_op(pos_, "::") && is_punct(pos_ + 2, '<'))) {
    shape.last_args_first = pos_;
    const std::uint32_t lt = is_op(pos_, "::") ? pos_ + 2 : pos_;
    shape.last_args_empty = is_punct(lt + 1, '>');
    if (!angle_args()) return false;
    shape.mod_style = false;
    shape.last_has_args = true;
  }
  return true;
}

// A path: an optional leading `::`, then segments joined by `::` (a `::` before a parenthesis
// ends it, as in `Fn::()`).
bool Parser::path(bool expr_style, PathShape& shape) {
  if (is_op(pos_, "::")) {
    eat_op("::");
    shape.leading_colon = true;
  }
  if (!path_segment(expr_style, shape)) return false;
  while (is_op(pos_, "::") && !is_open(pos_ + 2, Delim::Paren)) {
    eat_op("::");
    if (!path_segment(expr_style, shape)) return false;
  }
  return true;
}

// A path with an optional qualified self: `<T as Trait>::rest` or `<T>::rest`.
bool Parser::qpath(bool expr_style, PathShape& shape) {
  if (!is_punct(pos_, '<')) return path(expr_style, shape);
  ++pos_;
  if (!type(true)) return false;
  shape.qself = true;
  if (eat_keyword(Keyword::As)) {
    if (!path(false, shape)) return false;
  }
  if (!expect_punct('>')) return false;
  if (!eat_op("::")) return fail(Expected::Token, "::");
  for (;;) {
    if (!path_segment(expr_style, shape)) return false;
    if (!is_op(pos_, "::")) break;
    eat_op("::");
  }
  return true;
}

// Generic arguments `<...>`, with the turbofish `::` when present. Lifetimes are printed
// before the other arguments, whatever their order in the source.
bool Parser::angle_args() {
  Nest nest(*this);
  if (!nest.ok) return false;
  eat_op("::");
  const std::uint32_t lt = pos_;
  if (!expect_punct('<')) return false;
  const std::size_t base = params_.size();
  std::uint32_t gt = 0;
  const bool ok = angle_list(gt, [&](bool& lifetime) {
    if (is_lifetime(pos_) && !is_punct(pos_ + 2, '+')) {
      pos_ += 2;
      lifetime = true;
      return true;
    }
    if (starts_const_argument(pos_)) return const_argument();
    TypeShape shape;
    if (!type(true, &shape)) return false;
    if (!shape.simple) return true;
    if (is_punct(pos_, '=')) {  // an associated type or constant
      ++pos_;
      if (starts_const_argument(pos_)) return const_argument();
      return type(true);
    }
    if (is_punct(pos_, ':')) {  // an associated type's bounds
      ++pos_;
      return plus_bounds([&] { return ends_generic_parameter(pos_); });
    }
    return true;
  });
  if (!ok) return false;
  reorder_lifetimes_first(base, lt, gt, false);
  params_.resize(base);
  return true;
}

// Where a generic argument is a constant rather than a type: a literal or a block.
inline bool Parser::starts_const_argument(std::uint32_t i) const {
  return starts_literal(i) || is_open(i, Delim::Brace);
}

// A const generic argument: a literal, an identifier or a block. A negative literal prints as `-`
// and the number apart, as everywhere else.
bool Parser::const_argument() {
  if (const std::uint32_t literal_end = end_of_literal(pos_); literal_end != pos_) {
    pos_ = literal_end;
    return true;
  }
  if (is_ident(pos_)) {
    ++pos_;
    return true;
  }
  if (is_open(pos_, Delim::Brace)) return block_with_inner();
  return fail(Expected::ConstArgument);
}

}  // namespace rust::parser
