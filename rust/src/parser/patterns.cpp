// Patterns.
#include "state.hpp"

namespace rust::parser {

bool Parser::pat_multi(bool leading_vert) {
  if (leading_vert && punct(pos_, '|')) ++pos_;
  if (!pat_single()) return false;
  while (punct(pos_, '|') && !op2(pos_, '|', '|') && !op2(pos_, '|', '=')) {
    ++pos_;
    if (!pat_single()) return false;
  }
  return true;
}

bool Parser::pat_single() {
  Nest nest(*this);
  if (!nest.ok) return false;
  const std::uint32_t n1 = pos_ + 1;
  if ((ident(pos_) && (colon2(n1) || punct(n1, '!') || open(n1, Delim::Brace) ||
                       open(n1, Delim::Paren) || dot2(n1))) ||
      (kw(pos_, Keyword::SelfValue) && colon2(n1)) || colon2(pos_) || punct(pos_, '<') ||
      kw(pos_, Keyword::SelfType) || kw(pos_, Keyword::Super) || kw(pos_, Keyword::Crate)) {
    return pat_path_like();
  }
  if (kw(pos_, Keyword::Underscore)) {
    ++pos_;
    return true;
  }
  if (kw(pos_, Keyword::Box)) {
    const std::uint32_t begin = pos_;
    const Snapshot snap = snapshot();
    ++pos_;
    if (!pat_single()) return false;
    verbatim(begin, snap);
    return true;
  }
  if (punct(pos_, '-') || lit_len(pos_) > 0 || kw(pos_, Keyword::Const)) {
    bool some = false;
    if (!range_bound(some) || !some) return false;
    return !dot2(pos_) || range_pattern_end(true);
  }
  if (kw(pos_, Keyword::Ref) || kw(pos_, Keyword::Mut) || kw(pos_, Keyword::SelfValue) ||
      ident(pos_)) {
    eat_kw(Keyword::Ref);
    eat_kw(Keyword::Mut);
    if (kw(pos_, Keyword::SelfValue) || ident(pos_)) {
      ++pos_;
    } else {
      return false;
    }
    if (punct(pos_, '@')) {
      ++pos_;
      return pat_single();
    }
    return true;
  }
  if (punct(pos_, '&')) {
    ++pos_;
    eat_kw(Keyword::Mut);
    return pat_single();
  }
  if (open(pos_, Delim::Paren) || open(pos_, Delim::Bracket)) {
    return comma_group(tok_[pos_].delim(), [&] { return pat_multi(true); });
  }
  if (dot2(pos_) && !op3(pos_, '.', '.', '.')) return range_pattern_end(false);
  return false;
}

// A range pattern from its `..` or `..=` (or the obsolete `...` when `obsolete` is set) on: its
// end, which a closed range must have.
bool Parser::range_pattern_end(bool obsolete) {
  Limits limits;
  if (!(obsolete ? range_limits_obsolete(limits) : range_limits(limits))) return false;
  bool some = false;
  return range_bound(some) && (some || limits != Limits::Closed);
}

// `..=`, `..` or the obsolete `...` (printed as `..=`).
bool Parser::range_limits_obsolete(Limits& limits) {
  if (op3(pos_, '.', '.', '.')) {
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
  if (at_end() || punct(pos_, '|') || punct(pos_, '=') || (punct(pos_, ':') && !colon2(pos_)) ||
      punct(pos_, ',') || punct(pos_, ';') || kw(pos_, Keyword::If)) {
    return true;
  }
  some = true;
  if (const std::uint32_t n = lit_len(pos_); n > 0) {
    pos_ += n;
    return true;
  }
  if (qpath_start(pos_)) {
    if (!parse_outer_attrs(false)) return false;
    PathInfo pi;
    return qpath(true, pi);
  }
  if (kw(pos_, Keyword::Const)) {
    ++pos_;
    return block_with_inner();
  }
  return false;
}

bool Parser::pat_path_like() {
  PathInfo pi;
  if (!qpath(true, pi)) return false;
  if (!pi.qself && punct(pos_, '!') && !op2(pos_, '!', '=') && pi.mod_style) {
    ++pos_;
    return delimited_verbatim();
  }
  if (open(pos_, Delim::Brace)) return pat_struct();
  if (open(pos_, Delim::Paren)) {
    return comma_group(Delim::Paren, [&] { return pat_multi(true); });
  }
  return !dot2(pos_) || range_pattern_end(true);
}

bool Parser::pat_struct() {
  std::uint32_t saved;
  enter(Delim::Brace, saved);
  while (!at_end()) {
    if (!parse_outer_attrs(false)) return false;
    if (dot2(pos_)) {
      eat_op2('.', '.');
      break;
    }
    const std::uint32_t begin = pos_;
    const Snapshot snap = snapshot();
    const bool boxed = eat_kw(Keyword::Box);
    const bool by_ref = eat_kw(Keyword::Ref);
    const bool mut = eat_kw(Keyword::Mut);
    bool named = false;
    if (ident(pos_)) {
      named = true;
      ++pos_;
    } else if (boxed || by_ref || mut) {
      return false;
    } else if (!index_member()) {
      return false;
    }
    if ((!boxed && !by_ref && !mut && punct(pos_, ':')) || !named) {
      if (!expect_punct(':')) return false;
      if (!pat_multi(true)) return false;
    } else if (boxed) {
      verbatim(begin, snap);
    }
    if (at_end()) break;
    if (!expect_punct(',')) return false;
  }
  return leave(saved);
}

}  // namespace rust::parser
