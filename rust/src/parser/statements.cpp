// Blocks and statements.
#include "state.hpp"

namespace rust::parser {

// The statements of a block up to the end of the current group.
bool Parser::block_within() {
  Nest nest(*this);
  if (!nest.ok) return false;
  return unrecorded([&] {
    for (;;) {
      while (punct(pos_, ';')) ++pos_;
      if (at_end()) return true;
      bool requires_semi = false;
      if (!stmt(requires_semi)) return false;
      if (at_end()) return true;
      if (requires_semi) return false;
    }
  });
}

// A plain block `{ stmts }` (no inner attributes).
bool Parser::block() {
  std::uint32_t saved;
  if (!enter(Delim::Brace, saved)) return false;
  if (!block_within()) return false;
  return leave(saved);
}

// A block that may open with inner attributes.
bool Parser::block_with_inner() {
  std::uint32_t saved;
  if (!enter(Delim::Brace, saved)) return false;
  if (!parse_inner_attrs(false) || !block_within()) return false;
  return leave(saved);
}

bool Parser::stmt(bool& requires_semi) {
  const std::uint32_t begin = pos_;
  const Snapshot snap = snapshot();
  if (!parse_outer_attrs(false)) return false;
  const std::uint32_t attr_end = pos_;
  const std::uint32_t attr_first = static_cast<std::uint32_t>(f_.attrs.size());

  bool item_macro_ahead = false;
  const std::uint32_t p = skip_mod_style_path(pos_);
  if (p != kNoToken && punct(p, '!')) {
    const std::uint32_t k = p + 1;
    if (ident(k) || kw(k, Keyword::Try)) {
      item_macro_ahead = true;
    } else if (open(k, Delim::Brace)) {
      const std::uint32_t after = tok_[k].partner + 1;
      if (!((punct(after, '.') && !dot2(after)) || punct(after, '?'))) {
        mod_style_path();
        ++pos_;  // '!'
        delimited_verbatim();
        if (punct(pos_, ';')) ++pos_;
        requires_semi = false;
        return true;
      }
    }
  }

  const std::uint32_t n1 = next_tt(pos_);
  const std::uint32_t n2 = next_tt(n1);
  if (kw(pos_, Keyword::Let)) return local(requires_semi);
  const bool is_item =
      kw(pos_, Keyword::Pub) || (kw(pos_, Keyword::Crate) && !colon2(n1)) ||
      kw(pos_, Keyword::Extern) || kw(pos_, Keyword::Use) ||
      (kw(pos_, Keyword::Static) && (kw(n1, Keyword::Mut) || ident(n1))) ||
      (kw(pos_, Keyword::Const) &&
       !(open(n1, Delim::Brace) || kw(n1, Keyword::Static) ||
         (kw(n1, Keyword::Async) &&
          !(kw(n2, Keyword::Unsafe) || kw(n2, Keyword::Extern) || kw(n2, Keyword::Fn))) ||
         kw(n1, Keyword::Move) || punct(n1, '|'))) ||
      (kw(pos_, Keyword::Unsafe) && !open(n1, Delim::Brace)) ||
      (kw(pos_, Keyword::Async) &&
       (kw(n1, Keyword::Unsafe) || kw(n1, Keyword::Extern) || kw(n1, Keyword::Fn))) ||
      kw(pos_, Keyword::Fn) || kw(pos_, Keyword::Mod) || kw(pos_, Keyword::Type) ||
      kw(pos_, Keyword::Struct) || kw(pos_, Keyword::Enum) ||
      (kw(pos_, Keyword::Union) && ident(n1)) ||
      (kw(pos_, Keyword::Auto) && kw(n1, Keyword::Trait)) || kw(pos_, Keyword::Trait) ||
      (kw(pos_, Keyword::Default) && (kw(n1, Keyword::Unsafe) || kw(n1, Keyword::Impl))) ||
      kw(pos_, Keyword::Impl) || kw(pos_, Keyword::Macro) || item_macro_ahead;
  if (is_item) {
    requires_semi = false;
    return item_rest(begin, snap, attr_first);
  }
  // Attributes of an expression statement belong to its leftmost operand.
  if (begin < attr_end) stmt_attrs_ = begin;
  return stmt_expr(requires_semi);
}

bool Parser::local(bool& requires_semi) {
  requires_semi = false;
  ++pos_;  // let
  if (!pat_single()) return false;
  if (punct(pos_, ':')) {
    ++pos_;
    if (!type(true)) return false;
  }
  if (punct(pos_, '=')) {
    ++pos_;
    if (!expr(true)) return false;
    if (!trailing_brace() && kw(pos_, Keyword::Else)) {
      ++pos_;
      if (!block()) return false;
    }
  }
  return expect_punct(';');
}

bool Parser::stmt_expr(bool& requires_semi) {
  Ex e;
  stmt_call_ = kNoCall;
  if (!expr_early(e)) return false;
  // The statement's attributes go down the left operands of assignments, binary operators and
  // casts only: a range keeps them, so its leftmost call sorts at its own place again.
  if (stmt_call_ != kNoCall && e.kind == EK::Range) {
    f_.calls[stmt_call_].position = stmt_call_position_;
  }
  stmt_call_ = kNoCall;
  if (punct(pos_, ';')) {
    ++pos_;
    requires_semi = false;
    return true;
  }
  requires_semi = !(block_like(e) || e.kind == EK::MacroBrace);
  return true;
}

}  // namespace rust::parser
