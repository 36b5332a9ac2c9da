// Generic parameters, where clauses and bounds.
#include "state.hpp"

namespace rust::parser {

// Records the printing of params_[base..] between `<` at lt and `>` at gt with lifetimes
// first. Generic parameters (`params` set) and generic arguments differ in when a comma is
// inserted before a type that follows a lifetime without one.
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
  Edit e{lt, gt + 1, EditKind::Reorder, static_cast<std::uint32_t>(f_.parts.size()), 0};
  f_.parts.push_back(Part{lt, lt + 1});
  bool trailing = true;
  for (std::size_t k = base; k < params_.size(); ++k) {
    if (!params_[k].lifetime) continue;
    f_.parts.push_back(Part{params_[k].first, params_[k].last});
    trailing = params_[k].comma;
  }
  for (std::size_t k = base; k < params_.size(); ++k) {
    if (params_[k].lifetime) continue;
    if (!trailing) {
      f_.parts.push_back(Part{});
      trailing = true;
    }
    f_.parts.push_back(Part{params_[k].first, params_[k].last});
    if (!params) trailing = params_[k].comma;
  }
  f_.parts.push_back(Part{gt, gt + 1});
  e.part_count = static_cast<std::uint32_t>(f_.parts.size()) - e.part_first;
  f_.edits.push_back(e);
}

// Generic parameters `<...>`; generics_end_ is left at their last token (or at the token
// before them when there are none).
bool Parser::generics() {
  generics_end_ = pos_ - 1;
  if (!punct(pos_, '<')) return true;
  const std::uint32_t lt = pos_++;
  const std::size_t base = params_.size();
  std::uint32_t gt = 0;
  const bool ok = angle_list(gt, [&](bool& is_lifetime) {
    if (!parse_outer_attrs(false)) return false;
    if (lifetime(pos_)) {
      is_lifetime = true;
      pos_ += 2;
      if (!punct(pos_, ':')) return true;
      const std::uint32_t colon = pos_++;
      const auto stop = [&] { return punct(pos_, ',') || punct(pos_, '>'); };
      if (!separated('+', stop, [&] { return eat_lifetime(); })) return false;
      if (pos_ == colon + 1) edit(colon, colon + 1, EditKind::Delete);
      return true;
    }
    if (ident(pos_)) {
      ++pos_;
      return type_param_rest();
    }
    if (kw(pos_, Keyword::Const)) {
      ++pos_;
      if (!expect_ident() || !expect_punct(':') || !type(true)) return false;
      if (!punct(pos_, '=')) return true;
      ++pos_;
      return const_argument();
    }
    return expect_kw(Keyword::Underscore);
  });
  if (!ok) return false;
  if (params_.size() == base) {
    edit(lt, gt + 1, EditKind::Delete);
  } else {
    reorder_lifetimes_first(base, lt, gt, true);
  }
  params_.resize(base);
  generics_end_ = gt;
  return true;
}

// After a type parameter's name: `: bounds` and `= default`.
bool Parser::type_param_rest() {
  if (punct(pos_, ':')) {
    const std::uint32_t colon = pos_++;
    if (!plus_bounds([&] { return punct(pos_, ',') || punct(pos_, '>') || punct(pos_, '='); })) {
      return false;
    }
    if (pos_ == colon + 1) edit(colon, colon + 1, EditKind::Delete);
  }
  if (punct(pos_, '=')) {
    ++pos_;
    if (!type(true)) return false;
  }
  return true;
}

// `for<'a, 'b>`
bool Parser::bound_lifetimes() {
  if (!expect_kw(Keyword::For) || !expect_punct('<')) return false;
  while (!punct(pos_, '>')) {
    if (!parse_outer_attrs(false)) return false;
    if (!eat_lifetime()) return false;
    if (punct(pos_, '>')) break;
    if (!expect_punct(',')) return false;
  }
  return expect_punct('>');
}

// A where clause. The where clause belongs to the generics: when it stands after other parts
// of its item (parameters, a trait, fields, bounds), the calls inside it are walked with the
// generics, so they take the position `anchor`, the last token of the generic parameters.
bool Parser::where_clause(std::uint32_t anchor) {
  if (!kw(pos_, Keyword::Where)) return true;
  const std::size_t calls = f_.calls.size();
  if (!where_tail()) return false;
  if (anchor != kNoToken) {
    for (std::size_t k = calls; k < f_.calls.size(); ++k) f_.calls[k].position = anchor;
  }
  return true;
}

bool Parser::where_tail() {
  const std::uint32_t where = pos_++;
  const auto stop = [&] { return where_ends(); };
  if (!separated(',', stop, [&] { return where_predicate(); })) return false;
  if (pos_ == where + 1) edit(where, where + 1, EditKind::Delete);
  return true;
}

bool Parser::where_predicate() {
  if (lifetime(pos_) && punct(pos_ + 2, ':')) {
    pos_ += 3;
    const auto stop = [&] { return where_ends() || punct(pos_, ':'); };
    return separated('+', stop, [&] { return eat_lifetime(); });
  }
  if (kw(pos_, Keyword::For) && !bound_lifetimes()) return false;
  if (!type(true) || !expect_punct(':')) return false;
  return plus_bounds([&] { return where_ends(); });
}

bool Parser::bound(bool allow_capture, bool allow_const, Bound& out) {
  Nest nest(*this);
  if (!nest.ok) return false;
  if (lifetime(pos_)) {
    pos_ += 2;
    out = Bound::Lifetime;
    return true;
  }
  const std::uint32_t begin = pos_;
  const Snapshot snap = snapshot();
  if (kw(pos_, Keyword::Use)) {  // `use<'a, T>`
    ++pos_;
    const auto stop = [&] { return punct(pos_, '>'); };
    const auto captured = [&] { return eat_lifetime() || expect_ident(); };
    if (!expect_punct('<') || !separated(',', stop, captured) || !expect_punct('>')) return false;
    out = Bound::Capture;
    return allow_capture;
  }
  bool is_const = false;
  if (open(pos_, Delim::Paren)) {
    std::uint32_t saved;
    enter(Delim::Paren, saved);
    if (!trait_bound(allow_const, is_const) || !leave(saved)) return false;
  } else if (!trait_bound(allow_const, is_const)) {
    return false;
  }
  if (is_const) {
    verbatim(begin, snap);
    out = Bound::Verbatim;
  } else {
    out = Bound::Trait;
  }
  return true;
}

bool Parser::trait_bound(bool allow_const, bool& is_const) {
  bool lifetimes = false;
  if (kw(pos_, Keyword::For)) {
    if (!bound_lifetimes()) return false;
    lifetimes = true;
  }
  if (open(pos_, Delim::Bracket)) {  // `[const] Trait`
    std::uint32_t saved;
    enter(Delim::Bracket, saved);
    if (!expect_kw(Keyword::Const) || !leave(saved)) return false;
    if (!allow_const) return false;
    is_const = true;
  } else if (punct(pos_, '~') && kw(pos_ + 1, Keyword::Const)) {  // `~const Trait`
    pos_ += 2;
    is_const = true;
  } else if (kw(pos_, Keyword::Const)) {
    ++pos_;
    if (!allow_const) return false;
    is_const = true;
  }
  bool maybe = false;
  if (punct(pos_, '?')) {
    ++pos_;
    maybe = true;
    if (!lifetimes && kw(pos_, Keyword::For)) {
      if (!bound_lifetimes()) return false;
      lifetimes = true;
    }
  }
  PathInfo pi;
  if (!path(false, pi)) return false;
  if (!pi.last_has_args &&
      (open(pos_, Delim::Paren) || (colon2(pos_) && open(pos_ + 2, Delim::Paren)))) {
    eat_op2(':', ':');
    if (!parenthesized_args()) return false;
  }
  if (lifetimes && maybe) return false;
  return true;
}

// `(A, B) -> C` of `Fn(A, B) -> C`.
bool Parser::parenthesized_args() {
  return comma_group(Delim::Paren, [&] { return type(true); }) && return_type(false);
}

// Bounds of `impl`, `dyn` and bare trait objects: at least one trait among them.
bool Parser::bounds_list(bool allow_plus, bool allow_capture, bool allow_const) {
  bool trait = false;
  for (;;) {
    Bound b;
    if (!bound(allow_capture, allow_const, b)) return false;
    if (b == Bound::Trait || b == Bound::Verbatim) trait = true;
    if (!(allow_plus && punct(pos_, '+'))) break;
    ++pos_;
    if (!bound_ahead(allow_const)) break;
  }
  return trait;
}

// After a path type followed by `+`: the rest of a trait object without `dyn`.
bool Parser::more_bounds() {
  while (punct(pos_, '+')) {
    ++pos_;
    if (!bound_ahead(false)) break;
    Bound b;
    if (!bound(true, true, b)) return false;
  }
  return true;
}

// `+ Bound` after a parenthesised bound or type, as often as it comes.
bool Parser::plus_more_bounds() {
  while (punct(pos_, '+')) {
    ++pos_;
    Bound b;
    if (!bound(true, true, b)) return false;
  }
  return true;
}

}  // namespace rust::parser
