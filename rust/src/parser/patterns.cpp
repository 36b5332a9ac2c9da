// Patterns: or-patterns, bindings, literals and ranges, paths, tuple structs and structs,
// references, tuples and slices, `box` and macros.
#include "state.hpp"

namespace rust::parser {

// Patterns joined by `|`, with a leading `|` where `leading_vert` allows one; `shape` tells whether
// the pattern is a range. A leading `|` makes an or-pattern even of a single case.
bool Parser::pat_multi(bool leading_vert, PatternShape& shape) {
  const bool vert = leading_vert && is_punct(pos_, '|');
  if (vert) ++pos_;
  if (!pat_single(shape)) return false;
  bool alternatives = vert;
  while (is_punct(pos_, '|') && !is_op(pos_, "||") && !is_op(pos_, "|=")) {
    ++pos_;
    if (!pat_single(shape)) return false;
    alternatives = true;
  }
  if (alternatives) shape = PatternShape::Other;
  return true;
}

// One pattern, without a top-level `|`; `shape` tells whether it is a range.
bool Parser::pat_single(PatternShape& shape) {
  shape = PatternShape::Other;
  Nest nest(*this);
  if (!nest.ok) return false;
  const std::uint32_t n1 = pos_ + 1;
  if ((is_ident(pos_) && (is_op(n1, "::") || is_punct(n1, '!') || is_open(n1, Delim::Brace) ||
                          is_open(n1, Delim::Paren) || is_op(n1, ".."))) ||
      (is_keyword(pos_, Keyword::SelfValue) && is_op(n1, "::")) || is_op(pos_, "::") ||
      is_punct(pos_, '<') || is_keyword(pos_, Keyword::SelfType) ||
      is_keyword(pos_, Keyword::Super) || is_keyword(pos_, Keyword::Crate)) {
    return pat_path_like(shape);
  }
  if (is_keyword(pos_, Keyword::Underscore)) {
    ++pos_;
    return true;
  }
  if (is_keyword(pos_, Keyword::Box)) {
    const std::uint32_t begin = pos_;
    const Snapshot snap = snapshot();
    ++pos_;
    if (!pat_single()) return false;
    keep_verbatim(begin, snap);
    return true;
  }
  if (is_punct(pos_, '-') || starts_literal(pos_) || is_keyword(pos_, Keyword::Const)) {
    bool some = false;
    if (!range_bound(some)) return false;
    if (!some) return fail(Expected::Pattern);
    return !is_op(pos_, "..") || range_pattern_end(true, shape);
  }
  if (is_keyword(pos_, Keyword::Ref) || is_keyword(pos_, Keyword::Mut) ||
      is_keyword(pos_, Keyword::SelfValue) || is_ident(pos_)) {
    eat_keyword(Keyword::Ref);
    eat_keyword(Keyword::Mut);
    if (!(is_keyword(pos_, Keyword::SelfValue) || is_ident(pos_))) {
      return fail(Expected::Identifier);
    }
    ++pos_;
    if (is_punct(pos_, '@')) {
      ++pos_;
      return pat_single();
    }
    return true;
  }
  if (is_punct(pos_, '&')) {
    ++pos_;
    eat_keyword(Keyword::Mut);
    return pat_single();
  }
  if (is_open(pos_, Delim::Paren)) {
    return comma_group(Delim::Paren, [&] { return pat_multi(true); });
  }
  if (is_open(pos_, Delim::Bracket)) {
    // A slice element may not be a range missing an end unless parenthesised: `[(1..)]`.
    return comma_group(Delim::Bracket, [&] {
      const std::uint32_t element = pos_;
      PatternShape element_shape;
      if (!pat_multi(true, element_shape)) return false;
      return element_shape != PatternShape::OpenRange ||
             fail_at(element, Expected::OpenRangeInSlice);
    });
  }
  if (is_op(pos_, "..") && !is_op(pos_, "...")) {
    // `..end` is a range missing its start; `..` alone is the rest pattern.
    if (!range_pattern_end(false, shape)) return false;
    shape = shape == PatternShape::Range ? PatternShape::OpenRange : PatternShape::Other;
    return true;
  }
  return fail(Expected::Pattern);
}

// A range pattern from its `..` or `..=` (or the obsolete `...` when `obsolete` is set) on: its
// end, which a closed range must have; `shape` tells whether it has one.
bool Parser::range_pattern_end(bool obsolete, PatternShape& shape) {
  Limits limits;
  if (!(obsolete ? range_limits_obsolete(limits) : range_limits(limits))) return false;
  bool some = false;
  if (!range_bound(some)) return false;
  if (!(some || limits != Limits::Closed)) return fail(Expected::RangeEnd);
  shape = some ? PatternShape::Range : PatternShape::OpenRange;
  return true;
}

// `..=`, `..` or the obsolete `...` (printed as `..=`).
bool Parser::range_limits_obsolete(Limits& limits) {
  if (is_op(pos_, "...")) {
    edit(pos_, pos_ + 3, EditKind::DotDotEq);
    pos_ += 3;
    limits = Limits::Closed;
    return true;
  }
  return range_limits(limits);
}

// One end of a range pattern: a literal, a path or a const block; `some` is clear when the
// pattern has no such end here.
bool Parser::range_bound(bool& some) {
  some = false;
  if (at_end() || is_punct(pos_, '|') || is_punct(pos_, '=') ||
      (is_punct(pos_, ':') && !is_op(pos_, "::")) || is_punct(pos_, ',') || is_punct(pos_, ';') ||
      is_keyword(pos_, Keyword::If)) {
    return true;
  }
  some = true;
  if (const std::uint32_t literal_end = end_of_literal(pos_); literal_end != pos_) {
    pos_ = literal_end;
    return true;
  }
  if (starts_path(pos_)) {
    if (!outer_attrs(false)) return false;
    PathShape path_shape;
    return qpath(true, path_shape);
  }
  if (is_keyword(pos_, Keyword::Const)) {
    ++pos_;
    return block_with_inner();
  }
  return fail(Expected::Pattern);
}

// A pattern that begins with a path: a path, a macro, a struct, a tuple struct or a range.
bool Parser::pat_path_like(PatternShape& shape) {
  PathShape path_shape;
  if (!qpath(true, path_shape)) return false;
  if (!path_shape.qself && is_bang(pos_) && path_shape.mod_style) {
    ++pos_;
    return verbatim_group();
  }
  if (is_open(pos_, Delim::Brace)) return pat_struct();
  if (is_open(pos_, Delim::Paren)) {
    return comma_group(Delim::Paren, [&] { return pat_multi(true); });
  }
  return !is_op(pos_, "..") || range_pattern_end(true, shape);
}

// `{ field: pattern, ref mut name, box name, 0: pattern, .. }` after a struct pattern's path.
bool Parser::pat_struct() {
  std::uint32_t saved;
  enter(Delim::Brace, saved);
  while (!at_end()) {
    if (!outer_attrs(false)) return false;
    if (is_op(pos_, "..")) {
      eat_op("..");
      break;
    }
    const std::uint32_t begin = pos_;
    const Snapshot snap = snapshot();
    const bool boxed = eat_keyword(Keyword::Box);
    const bool by_ref = eat_keyword(Keyword::Ref);
    const bool mut = eat_keyword(Keyword::Mut);
    bool named = false;
    if (is_ident(pos_)) {
      named = true;
      ++pos_;
    } else if (boxed || by_ref || mut) {
      return fail(Expected::Identifier);
    } else if (!index_member()) {
      return false;
    }
    if ((!boxed && !by_ref && !mut && is_punct(pos_, ':')) || !named) {
      if (!expect_punct(':')) return false;
      if (!pat_multi(true)) return false;
    } else if (boxed) {
      keep_verbatim(begin, snap);
    }
    if (at_end()) break;
    if (!expect_punct(',')) return false;
  }
  return leave(saved);
}

}  // namespace rust::parser
