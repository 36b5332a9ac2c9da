// Attributes, outer (`#[...]`) and inner (`#![...]`): a path, then nothing, a delimited group kept
// as read, or `= value`.
#include "state.hpp"

namespace rust::parser {

bool Parser::attr(AttrStyle style, bool record) {
  Attribute a;
  a.style = style;
  a.tokens.first = pos_;
  ++pos_;  // '#'
  if (style == AttrStyle::Inner && !expect_punct('!')) return false;
  std::uint32_t saved;
  if (!enter(Delim::Bracket, saved)) return false;
  a.path.first = pos_;
  if (is_keyword(pos_, Keyword::Unsafe)) {
    ++pos_;
  } else if (!mod_style_path()) {
    return false;
  }
  a.path.last = pos_;
  if (is_any_open(pos_)) {
    a.form = MetaForm::List;
    a.value.first = pos_;
    verbatim_group();
    a.value.last = pos_;
  } else if (is_punct(pos_, '=')) {
    a.form = MetaForm::NameValue;
    ++pos_;
    a.value.first = pos_;
    if (const std::uint32_t literal_end = end_of_literal(pos_);
        literal_end != pos_ && literal_end == end_) {
      pos_ = literal_end;
    } else if (is_punct(pos_, '#') && is_open(pos_ + 1, Delim::Bracket)) {
      return fail(Expected::Expression);  // an attribute is no value
    } else {
      if (!expr(true)) return false;
    }
    a.value.last = pos_;
  }
  if (!leave(saved)) return false;
  a.tokens.last = pos_;
  if (record) file_.attrs.push_back(a);
  return true;
}

}  // namespace rust::parser
