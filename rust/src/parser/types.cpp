// Types, function pointer types and return types.
#include "state.hpp"

namespace rust::parser {

bool Parser::return_type(bool allow_plus) {
  if (!op2(pos_, '-', '>')) return true;
  eat_op2('-', '>');
  return type(allow_plus);
}

bool Parser::type(bool allow_plus, TyInfo* info) {
  Nest nest(*this);
  if (!nest.ok) return false;
  TyInfo local;
  TyInfo& ti = info ? *info : local;
  const std::uint32_t begin = pos_;
  const Snapshot snap = snapshot();
  bool lifetimes = false;
  if (kw(pos_, Keyword::For)) {
    if (!bound_lifetimes()) return false;
    lifetimes = true;
    if (!(segment(pos_) || kw(pos_, Keyword::Fn) || kw(pos_, Keyword::Unsafe) ||
          kw(pos_, Keyword::Extern)))
      return false;
  }
  if (open(pos_, Delim::Paren)) {
    std::uint32_t saved;
    enter(Delim::Paren, saved);
    if (at_end()) return leave(saved);  // ()
    if (lifetime(pos_)) {
      // `('a + Trait)`: a parenthesised trait object.
      eat_kw(Keyword::Dyn);
      if (!bounds_list(true, false, false)) return false;
      return leave(saved);
    }
    if (punct(pos_, '?')) {
      bool is_const = false;
      return trait_bound(false, is_const) && leave(saved) && plus_more_bounds();
    }
    TyInfo first;
    if (!type(true, &first)) return false;
    if (punct(pos_, ',')) {
      ++pos_;
      return comma_list([&] { return type(true); }) && leave(saved);
    }
    if (!leave(saved)) return false;
    if (allow_plus && ((first.path && !first.qself) || first.bare_object)) {
      return plus_more_bounds();
    }
    return true;
  }
  if (kw(pos_, Keyword::Fn) || kw(pos_, Keyword::Unsafe) || kw(pos_, Keyword::Extern)) {
    bool mut_self = false;
    if (!bare_fn(mut_self)) return false;
    if (mut_self) verbatim(begin, snap);
    return true;
  }
  if (qpath_start(pos_)) {
    PathInfo pi;
    if (!qpath(false, pi)) return false;
    ti.path = true;
    ti.qself = pi.qself;
    ti.simple = !pi.qself && !pi.leading_colon && pi.segments == 1;
    if (pi.qself) return true;
    if (punct(pos_, '!') && !op2(pos_, '!', '=') && pi.mod_style) {
      ++pos_;
      ti = TyInfo{};
      return delimited_verbatim();
    }
    if (lifetimes || (allow_plus && punct(pos_, '+'))) {
      const bool plus = allow_plus && punct(pos_, '+');
      ti = TyInfo{};
      if (plus && !more_bounds()) return false;
      ti.bare_object = !plus;  // a trait object of this single bound
    }
    return true;
  }
  if (kw(pos_, Keyword::Dyn)) {
    ++pos_;
    bool star = false;
    if (punct(pos_, '*')) {
      ++pos_;
      star = true;
    }
    if (!bounds_list(allow_plus, false, false)) return false;
    if (star) verbatim(begin, snap);
    return true;
  }
  if (open(pos_, Delim::Bracket)) {
    std::uint32_t saved;
    enter(Delim::Bracket, saved);
    if (!type(true)) return false;
    if (punct(pos_, ';')) {
      ++pos_;
      if (!expr(true)) return false;
    }
    return leave(saved);
  }
  if (punct(pos_, '*')) {
    ++pos_;
    if (!(eat_kw(Keyword::Const) || eat_kw(Keyword::Mut))) return false;
    return type(false);
  }
  if (punct(pos_, '&')) {
    ++pos_;
    eat_lifetime();
    eat_kw(Keyword::Mut);
    return type(false);
  }
  if (punct(pos_, '!')) {
    ++pos_;
    return true;
  }
  if (kw(pos_, Keyword::Impl)) {
    ++pos_;
    return bounds_list(allow_plus, true, true);
  }
  if (kw(pos_, Keyword::Underscore)) {
    ++pos_;
    return true;
  }
  if (lifetime(pos_)) {
    return bounds_list(true, false, false);
  }
  return false;
}

// `for<'a> unsafe extern "C" fn(args) -> ret` (the `for<>` already read).
bool Parser::bare_fn(bool& mut_self) {
  eat_kw(Keyword::Unsafe);
  if (eat_kw(Keyword::Extern)) {
    if (str_literal(pos_)) ++pos_;
  }
  if (!expect_kw(Keyword::Fn)) return false;
  std::uint32_t saved;
  if (!enter(Delim::Paren, saved)) return false;
  bool empty_or_trailing = true;
  bool first = true;
  while (!at_end()) {
    if (!parse_outer_attrs(false)) return false;
    if (empty_or_trailing &&
        (op3(pos_, '.', '.', '.') || ((ident(pos_) || kw(pos_, Keyword::Underscore)) &&
                                      punct(pos_ + 1, ':') && op3(pos_ + 2, '.', '.', '.')))) {
      if (!op3(pos_, '.', '.', '.')) pos_ += 2;
      if (!variadic()) return false;
      break;
    }
    if ((ident(pos_) || kw(pos_, Keyword::Underscore) || (first && kw(pos_, Keyword::SelfValue))) &&
        punct(pos_ + 1, ':') && !colon2(pos_ + 1)) {
      pos_ += 2;
      if (!type(true)) return false;
    } else if (kw(pos_, Keyword::Mut) && kw(pos_ + 1, Keyword::SelfValue)) {
      pos_ += 2;
      mut_self = true;
    } else if (!type(true)) {
      return false;
    }
    first = false;
    empty_or_trailing = false;
    if (at_end()) break;
    if (!expect_punct(',')) return false;
    empty_or_trailing = true;
  }
  if (!leave(saved)) return false;
  return return_type(false);
}

}  // namespace rust::parser
