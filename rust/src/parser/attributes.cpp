// Attributes: outer and inner, in their three forms.
#include "state.hpp"

namespace rust::parser {

bool Parser::parse_outer_attrs(bool record) {
  while (punct(pos_, '#')) {
    if (!parse_attr(AttrStyle::Outer, record)) return false;
  }
  return true;
}

bool Parser::parse_inner_attrs(bool record) {
  while (punct(pos_, '#') && punct(pos_ + 1, '!')) {
    if (!parse_attr(AttrStyle::Inner, record)) return false;
  }
  return true;
}

bool Parser::parse_attr(AttrStyle style, bool record) {
  Attribute a;
  a.style = style;
  a.tokens.first = pos_;
  ++pos_;  // '#'
  if (style == AttrStyle::Inner && !expect_punct('!')) return false;
  std::uint32_t saved;
  if (!enter(Delim::Bracket, saved)) return false;
  a.path.first = pos_;
  if (kw(pos_, Keyword::Unsafe)) {
    ++pos_;
  } else if (!mod_style_path()) {
    return false;
  }
  a.path.last = pos_;
  if (any_open(pos_)) {
    a.form = MetaForm::List;
    a.value.first = pos_;
    delimited_verbatim();
    a.value.last = pos_;
  } else if (punct(pos_, '=')) {
    a.form = MetaForm::NameValue;
    ++pos_;
    a.value.first = pos_;
    const std::uint32_t n = lit_len(pos_);
    if (n > 0 && pos_ + n == end_) {
      pos_ += n;
    } else if (punct(pos_, '#') && open(pos_ + 1, Delim::Bracket)) {
      return false;
    } else {
      if (!expr(true)) return false;
    }
    a.value.last = pos_;
  }
  if (!leave(saved)) return false;
  a.tokens.last = pos_;
  if (record) f_.attrs.push_back(a);
  return true;
}

}  // namespace rust::parser
