// Generic parameters, where clauses and bounds.
#include "state.hpp"

namespace rust::parser {

// Records the printing of params_[base..] between `<` at lt and `>` at gt with lifetimes
// first. Generic parameters and precise captures (`params` set) differ from generic arguments in
// when a comma is inserted before a type that follows a lifetime without one.
void Parser::reorder_lifetimes_first(std::size_t base, std::uint32_t lt, std::uint32_t gt,
                                     bool params) {
  bool seen_other = false, out_of_order = false;
  for (std::size_t k = base; k < params_.size(); ++k) {
    if (params_[k].lifetime) {
      if (seen_other) out_of_order = true;
    } else {
      seen_other = true;
    }
  }
  if (!out_of_order) return;
  Edit e{lt, gt + 1, EditKind::Reorder, static_cast<std::uint32_t>(file_.parts.size()), 0};
  file_.parts.push_back(Part{lt, lt + 1});
  bool trailing = true;
  for (std::size_t k = base; k < params_.size(); ++k) {
    if (!params_[k].lifetime) continue;
    file_.parts.push_back(Part{params_[k].first, params_[k].last});
    trailing = params_[k].comma;
  }
  for (std::size_t k = base; k < params_.size(); ++k) {
    if (params_[k].lifetime) continue;
    if (!trailing) {
      file_.parts.push_back(Part{});
      trailing = true;
    }
    file_.parts.push_back(Part{params_[k].first, params_[k].last});
    if (!params) trailing = params_[k].comma;
  }
  file_.parts.push_back(Part{gt, gt + 1});
  e.part_count = static_cast<std::uint32_t>(file_.parts.size()) - e.part_first;
  file_.edits.push_back(e);
}

// Generic parameters `<...>`; `last` is set to their last token (the token before them when there
// are none): the place of the calls in a where clause that follows other parts of the item.
bool Parser::generics(std::uint32_t& last) {
  last = pos_ - 1;
  if (!is_punct(pos_, '<')) return true;
  const std::uint32_t lt = pos_++;
  const std::size_t base = params_.size();
  std::uint32_t gt = 0;
  const bool ok = angle_list(gt, [&](bool& lifetime) { return generic_parameter(true, lifetime); });
  if (!ok) return false;
  if (params_.size() == base) {
    edit(lt, gt + 1, EditKind::Delete);
  } else {
    reorder_lifetimes_first(base, lt, gt, true);
  }
  params_.resize(base);
  last = gt;
  return true;
}

// One generic parameter with its attributes: a lifetime with its bounds, a type parameter with its
// bounds and default, a const parameter with its default, or (where `allow_underscore`) `_`. A
// colon without bounds prints nothing.
bool Parser::generic_parameter(bool allow_underscore, bool& lifetime) {
  if (!outer_attrs(false)) return false;
  if (is_lifetime(pos_)) {
    lifetime = true;
    pos_ += 2;
    if (!is_punct(pos_, ':')) return true;
    const std::uint32_t colon = pos_++;
    const auto stop = [&] { return ends_generic_parameter(pos_); };
    if (!separated('+', stop, [&] { return expect_lifetime(); })) return false;
    if (pos_ == colon + 1) edit(colon, colon + 1, EditKind::Delete);
    return true;
  }
  if (is_ident(pos_)) {
    ++pos_;
    return type_param_rest();
  }
  if (is_keyword(pos_, Keyword::Const)) {
    ++pos_;
    if (!expect_ident() || !expect_punct(':') || !type(true)) return false;
    if (!is_punct(pos_, '=')) return true;
    ++pos_;
    return const_argument();
  }
  if (is_keyword(pos_, Keyword::Underscore)) {
    if (!allow_underscore) return fail(Expected::UnderscoreInBinder);
    ++pos_;
    return true;
  }
  return fail(Expected::GenericParameter);
}

// After a type parameter's name: `: bounds` and `= default`.
bool Parser::type_param_rest() {
  if (is_punct(pos_, ':')) {
    const std::uint32_t colon = pos_++;
    if (!plus_bounds([&] { return ends_generic_parameter(pos_) || is_punct(pos_, '='); })) {
      return false;
    }
    if (pos_ == colon + 1) edit(colon, colon + 1, EditKind::Delete);
  }
  if (is_punct(pos_, '=')) {
    ++pos_;
    if (!type(true)) return false;
  }
  return true;
}

// A binder `for<'a, T: Bound = Default, const N: usize>`: generic parameters of every kind but
// `_`, printed in their source order.
bool Parser::binder() {
  if (!expect_keyword(Keyword::For) || !expect_punct('<')) return false;
  const std::size_t base = params_.size();
  std::uint32_t gt = 0;
  const bool ok =
      angle_list(gt, [&](bool& lifetime) { return generic_parameter(false, lifetime); });
  params_.resize(base);
  return ok;
}

// A where clause. The where clause belongs to the generics: when it stands after other parts
// of its item (parameters, a trait, fields, bounds), the calls inside it are walked with the
// generics, so they take the position `anchor`, the last token of the generic parameters.
bool Parser::where_clause(std::uint32_t anchor) {
  if (!is_keyword(pos_, Keyword::Where)) return true;
  const std::size_t calls = file_.calls.size();
  if (!where_tail()) return false;
  if (anchor != kNoToken) {
    for (std::size_t k = calls; k < file_.calls.size(); ++k) file_.calls[k].position = anchor;
  }
  return true;
}

// Whether the token at `i` ends a where clause or one of its predicates.
inline bool Parser::ends_where_clause(std::uint32_t i) const {
  return !inside(i) || is_open(i, Delim::Brace) || is_punct(i, ',') || is_punct(i, ';') ||
         (is_punct(i, ':') && !is_op(i, "::")) || is_punct(i, '=');
}

// `where` and its predicates, the `where` printed only when one follows; generic parameters
// right after the keyword are refused.
bool Parser::where_tail() {
  const std::uint32_t where = pos_++;
  if (starts_generic_parameters(pos_)) return fail(Expected::GenericsAfterWhere);
  const auto stop = [&] { return ends_where_clause(pos_); };
  if (!separated(',', stop, [&] { return where_predicate(); })) return false;
  if (pos_ == where + 1) edit(where, where + 1, EditKind::Delete);
  return true;
}

// `'a: 'b + 'c`, or `for<'a>? Type: Bounds`.
bool Parser::where_predicate() {
  if (is_lifetime(pos_) && is_punct(pos_ + 2, ':')) {
    pos_ += 3;
    const auto stop = [&] { return ends_where_clause(pos_) || is_punct(pos_, ':'); };
    return separated('+', stop, [&] { return expect_lifetime(); });
  }
  if (is_keyword(pos_, Keyword::For) && !binder()) return false;
  if (!type(true) || !expect_punct(':')) return false;
  return plus_bounds([&] { return ends_where_clause(pos_); });
}

// One bound: a lifetime, a trait (possibly parenthesised, `?`, `for<..>` or const-qualified; a
// const one is kept verbatim), or the precise capture `use<..>` where `allow_capture` holds.
bool Parser::bound(bool allow_capture, bool allow_const, BoundKind& out) {
  Nest nest(*this);
  if (!nest.ok) return false;
  if (is_lifetime(pos_)) {
    pos_ += 2;
    out = BoundKind::Lifetime;
    return true;
  }
  const std::uint32_t begin = pos_;
  const Snapshot snap = snapshot();
  // `use<'a, T, Self>`, printed lifetimes first like generic parameters.
  if (is_keyword(pos_, Keyword::Use)) {
    ++pos_;
    const std::uint32_t lt = pos_;
    if (!expect_punct('<')) return false;
    const std::size_t base = params_.size();
    std::uint32_t gt = 0;
    const bool ok = angle_list(gt, [&](bool& lifetime) {
      lifetime = eat_lifetime();
      if (lifetime) return true;
      if (!(is_ident(pos_) || is_keyword(pos_, Keyword::SelfType))) {
        return fail(Expected::Identifier);
      }
      ++pos_;
      return true;
    });
    if (ok) reorder_lifetimes_first(base, lt, gt, true);
    params_.resize(base);
    if (!ok) return false;
    out = BoundKind::Capture;
    return allow_capture || fail_at(begin, Expected::CaptureNotAllowed);
  }
  bool is_const = false;
  if (is_open(pos_, Delim::Paren)) {
    std::uint32_t saved;
    enter(Delim::Paren, saved);
    if (!trait_bound(allow_const, is_const) || !leave(saved)) return false;
  } else if (!trait_bound(allow_const, is_const)) {
    return false;
  }
  if (is_const) {
    keep_verbatim(begin, snap);
    out = BoundKind::Verbatim;
  } else {
    out = BoundKind::Trait;
  }
  return true;
}

// A trait bound without parentheses: `for<..>`? `const` qualifier? `?`? path, with the
// parenthesised arguments of `Fn(A) -> B`.
bool Parser::trait_bound(bool allow_const, bool& is_const) {
  bool lifetimes = false;
  if (is_keyword(pos_, Keyword::For)) {
    if (!binder()) return false;
    lifetimes = true;
  }
  const std::uint32_t qualifier = pos_;
  if (is_open(pos_, Delim::Bracket)) {  // `[const] Trait`
    std::uint32_t saved;
    enter(Delim::Bracket, saved);
    if (!expect_keyword(Keyword::Const) || !leave(saved)) return false;
    if (!allow_const) return fail_at(qualifier, Expected::ConstBoundNotAllowed);
    is_const = true;
  } else if (is_keyword(pos_, Keyword::Const)) {
    ++pos_;
    if (!allow_const) return fail_at(qualifier, Expected::ConstBoundNotAllowed);
    is_const = true;
  }
  bool maybe = false;
  const std::uint32_t question = pos_;
  if (is_punct(pos_, '?')) {
    ++pos_;
    maybe = true;
    if (!lifetimes && is_keyword(pos_, Keyword::For)) {
      if (!binder()) return false;
      lifetimes = true;
    }
  }
  PathShape path_shape;
  if (!path(false, path_shape)) return false;
  // `Fn(A) -> B`: parenthesised arguments on a last segment without generic arguments (an empty
  // `<>` counts as none and gives way to them). Neither that `<>` nor a `::` before the
  // parentheses prints.
  if ((!path_shape.last_has_args || path_shape.last_args_empty) &&
      (is_open(pos_, Delim::Paren) || (is_op(pos_, "::") && is_open(pos_ + 2, Delim::Paren)))) {
    const std::uint32_t dropped = path_shape.last_has_args ? path_shape.last_args_first : pos_;
    eat_op("::");
    if (dropped < pos_) edit(dropped, pos_, EditKind::Delete);
    if (!parenthesized_args()) return false;
  }
  if (lifetimes && maybe) return fail_at(question, Expected::BinderOnMaybeBound);
  return true;
}

// `(A, B) -> C` of `Fn(A, B) -> C`.
bool Parser::parenthesized_args() {
  return comma_group(Delim::Paren, [&] { return type(true); }) && return_type(false);
}

// Bounds of `impl`, `dyn` and bare trait objects: at least one trait among them.
bool Parser::bounds_list(bool allow_plus, bool allow_capture, bool allow_const) {
  const std::uint32_t first = pos_;
  bool trait = false;
  for (;;) {
    BoundKind kind;
    if (!bound(allow_capture, allow_const, kind)) return false;
    if (kind == BoundKind::Trait || kind == BoundKind::Verbatim) trait = true;
    if (!(allow_plus && is_punct(pos_, '+'))) break;
    ++pos_;
    if (!starts_bound(pos_, allow_const)) break;
  }
  return trait || fail_at(first, Expected::TraitBound);
}

// Whether a bound may start at `i` (a trailing `+` is followed by none).
inline bool Parser::starts_bound(std::uint32_t i, bool allow_const) const {
  return is_ident_or_keyword(i) || is_op(i, "::") || is_punct(i, '?') || is_lifetime(i) ||
         is_open(i, Delim::Paren) ||
         (allow_const && (is_open(i, Delim::Bracket) || is_keyword(i, Keyword::Const)));
}

// After a path type followed by `+`: the rest of a trait object without `dyn`, whose later bounds
// are neither `const`, `[const]` nor `use<..>`.
bool Parser::more_bounds() {
  while (is_punct(pos_, '+')) {
    ++pos_;
    if (!starts_bound(pos_, false)) break;
    BoundKind kind;
    if (!bound(false, false, kind)) return false;
  }
  return true;
}

// `+ Bound` after a parenthesised bound or type, as often as it comes (the same bounds as above).
bool Parser::plus_more_bounds() {
  while (is_punct(pos_, '+')) {
    ++pos_;
    BoundKind kind;
    if (!bound(false, false, kind)) return false;
  }
  return true;
}

}  // namespace rust::parser
