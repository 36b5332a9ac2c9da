// Paths: mod-style paths, paths with generic arguments, qualified paths, generic arguments.
#include "state.hpp"

namespace rust::parser {

// `a::b::c` without generic arguments, as in attributes, visibilities and macro paths.
bool Parser::mod_style_path() {
  eat_op2(':', ':');
  while (segment(pos_)) {
    ++pos_;
    if (!eat_op2(':', ':')) return true;
  }
  return false;  // no segment, or a trailing `::`
}

bool Parser::path_segment(bool expr_style, PathInfo& pi) {
  pi.segments++;
  pi.last_has_args = false;
  if (kw(pos_, Keyword::Super) || kw(pos_, Keyword::SelfValue) || kw(pos_, Keyword::Crate) ||
      kw(pos_, Keyword::Try)) {
    pi.last_ident = pos_++;
    return true;
  }
  if (kw(pos_, Keyword::SelfType) || ident(pos_)) {
    pi.last_ident = pos_++;
  } else {
    return false;
  }
  if ((!expr_style && punct(pos_, '<') && !op2(pos_, '<', '=') && !op3(pos_, '<', '<', '=')) ||
      (colon2(pos_) && punct(pos_ + 2, '<'))) {
    if (!angle_args()) return false;
    pi.mod_style = false;
    pi.last_has_args = true;
  }
  return true;
}

// Path::parse: optional leading `::`, then segments joined by `::`.
bool Parser::path(bool expr_style, PathInfo& pi) {
  if (colon2(pos_)) {
    eat_op2(':', ':');
    pi.leading_colon = true;
  }
  if (!path_segment(expr_style, pi)) return false;
  while (colon2(pos_) && !open(pos_ + 2, Delim::Paren)) {
    eat_op2(':', ':');
    if (!path_segment(expr_style, pi)) return false;
  }
  return true;
}

// A path with an optional qualified self: `<T as Trait>::rest` or `<T>::rest`.
bool Parser::qpath(bool expr_style, PathInfo& pi) {
  if (!punct(pos_, '<')) return path(expr_style, pi);
  ++pos_;
  if (!type(true)) return false;
  pi.qself = true;
  if (eat_kw(Keyword::As)) {
    if (!path(false, pi)) return false;
  }
  if (!expect_punct('>')) return false;
  if (!eat_op2(':', ':')) return false;
  for (;;) {
    if (!path_segment(expr_style, pi)) return false;
    if (!colon2(pos_)) break;
    eat_op2(':', ':');
  }
  return true;
}

// Generic arguments `<...>`, with the turbofish `::` when present. Lifetimes are printed
// before the other arguments, whatever their order in the source.
bool Parser::angle_args() {
  Nest nest(*this);
  if (!nest.ok) return false;
  eat_op2(':', ':');
  const std::uint32_t lt = pos_;
  if (!expect_punct('<')) return false;
  const std::size_t base = params_.size();
  std::uint32_t gt = 0;
  const bool ok = angle_list(gt, [&](bool& is_lifetime) {
    if (lifetime(pos_) && !punct(pos_ + 2, '+')) {
      pos_ += 2;
      is_lifetime = true;
      return true;
    }
    if (lit_len(pos_) > 0 || open(pos_, Delim::Brace)) return const_argument();
    TyInfo ti;
    if (!type(true, &ti)) return false;
    if (!ti.simple) return true;
    if (punct(pos_, '=')) {
      ++pos_;
      if (lit_len(pos_) > 0 || open(pos_, Delim::Brace)) return const_argument();
      return type(true);
    }
    if (punct(pos_, ':')) {
      ++pos_;
      return plus_bounds([&] { return punct(pos_, ',') || punct(pos_, '>'); });
    }
    return true;
  });
  if (!ok) return false;
  reorder_lifetimes_first(base, lt, gt, false);
  params_.resize(base);
  return true;
}

// A const generic argument: a literal, an identifier or a block.
bool Parser::const_argument() {
  if (const std::uint32_t n = lit_len(pos_); n > 0) {
    pos_ += n;
    return true;
  }
  if (ident(pos_)) {
    ++pos_;
    return true;
  }
  if (open(pos_, Delim::Brace)) return block_with_inner();
  return false;
}

}  // namespace rust::parser
