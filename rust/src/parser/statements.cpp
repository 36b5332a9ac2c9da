// Blocks and statements: `let`, items in blocks, macro statements and expression statements.
#include "state.hpp"

namespace rust::parser {

// The statements of a block up to the end of the current group.
bool Parser::block_within() {
  Nest nest(*this);
  if (!nest.ok) return false;
  return unrecorded([&] {
    for (;;) {
      while (is_punct(pos_, ';')) ++pos_;
      if (at_end()) return true;
      bool requires_semi = false;
      if (!stmt(requires_semi)) return false;
      if (at_end()) return true;
      if (requires_semi) return fail_punct(';');
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
  if (!inner_attrs(false) || !block_within()) return false;
  return leave(saved);
}

// The keywords that start an item in a block whatever follows them.
constexpr KeywordSet kItemKeywords = {
    Keyword::Pub,    Keyword::Extern, Keyword::Use,   Keyword::Fn,   Keyword::Mod,  Keyword::Type,
    Keyword::Struct, Keyword::Enum,   Keyword::Trait, Keyword::Impl, Keyword::Macro};
// What follows `async` (and `const async`) in a function's qualifiers.
constexpr KeywordSet kAfterAsyncInFn = {Keyword::Unsafe, Keyword::Extern, Keyword::Fn};

// Whether the statement at `i` is an item (an item macro aside), judged by its first two token
// trees: `const`, `unsafe`, `static` and `async` also begin expressions.
inline bool Parser::starts_block_item(std::uint32_t i) const {
  if (!inside(i)) return false;
  const std::uint32_t n1 = end_of_token_tree(i);
  if (is_keyword_in(i, kItemKeywords)) return true;
  switch (keywords_[i]) {
    case Keyword::Crate:
      return !is_op(n1, "::");
    case Keyword::Static:
      return is_keyword(n1, Keyword::Mut) || is_ident(n1);
    case Keyword::Const: {
      const std::uint32_t n2 = end_of_token_tree(n1);
      return !(is_open(n1, Delim::Brace) || is_keyword(n1, Keyword::Static) ||
               (is_keyword(n1, Keyword::Async) && !is_keyword_in(n2, kAfterAsyncInFn)) ||
               is_keyword(n1, Keyword::Move) || is_punct(n1, '|'));
    }
    case Keyword::Unsafe:
      return !is_open(n1, Delim::Brace);
    case Keyword::Async:
      return is_keyword_in(n1, kAfterAsyncInFn);
    case Keyword::Union:
      return is_ident(n1);
    case Keyword::Auto:
      return is_keyword(n1, Keyword::Trait);
    case Keyword::Default:
      return is_keyword(n1, Keyword::Unsafe) || is_keyword(n1, Keyword::Impl);
    default:
      return false;
  }
}

// A statement: `let`, an item (also an item macro `m! name ...` and a macro in braces, which are
// not followed by `.` or `?`), or an expression statement.
bool Parser::stmt(bool& requires_semi) {
  const std::uint32_t begin = pos_;
  const Snapshot snap = snapshot();
  if (!outer_attrs(false)) return false;
  const std::uint32_t attr_end = pos_;
  const Records attr_records = records();
  const std::uint32_t attr_first = static_cast<std::uint32_t>(file_.attrs.size());

  bool item_macro_follows = false;
  const std::uint32_t p = end_of_mod_style_path(pos_);
  if (p != kNoToken && is_punct(p, '!')) {
    const std::uint32_t k = p + 1;
    if (is_ident_or_try(k)) {
      item_macro_follows = true;
    } else if (is_open(k, Delim::Brace)) {
      const std::uint32_t after = tokens_[k].partner + 1;
      if (!is_dot_or_try(after)) {
        mod_style_path();
        ++pos_;  // '!'
        verbatim_group();
        if (is_punct(pos_, ';')) ++pos_;
        requires_semi = false;
        return true;
      }
    }
  }

  if (is_keyword(pos_, Keyword::Let)) return local(requires_semi);
  if (starts_block_item(pos_) || item_macro_follows) {
    requires_semi = false;
    return item_rest(begin, snap, attr_first);
  }
  // Attributes of an expression statement belong to its leftmost operand.
  bool verbatim_target = false;
  if (!stmt_expr(begin < attr_end ? begin : kNoToken, requires_semi, verbatim_target)) {
    return false;
  }
  // A verbatim expression that takes the statement's attributes keeps them among its tokens.
  if (verbatim_target) {
    drop_records(Records{snap.calls, snap.edits}, attr_records);
    mark_verbatim(begin, attr_end);
  }
  return true;
}

// `let pattern: Type = value else { ... };`, all but the pattern optional.
bool Parser::local(bool& requires_semi) {
  requires_semi = false;
  ++pos_;  // let
  if (!pat_single()) return false;
  if (is_punct(pos_, ':')) {
    ++pos_;
    if (!type(true)) return false;
  }
  if (is_punct(pos_, '=')) {
    ++pos_;
    if (!expr(true)) return false;
    if (!follows_brace() && is_keyword(pos_, Keyword::Else)) {
      ++pos_;
      if (!block()) return false;
    }
  }
  return expect_punct(';');
}

// An expression statement whose attributes begin at `attrs` (kNoToken when it has none); only a
// block-like expression or a macro in braces may go without its semicolon. `verbatim_target`
// tells whether the attributes went to a verbatim expression.
bool Parser::stmt_expr(std::uint32_t attrs, bool& requires_semi, bool& verbatim_target) {
  ++expr_stmts_read_;
  ExprShape e;
  const std::uint32_t base = nodes_.size();
  if (!expr_early(e, attrs)) return false;
  if (attrs != kNoToken) {
    verbatim_target = nodes_[attach_stmt_attrs(e.node, attrs)].kind == NodeKind::Verbatim;
  }
  finish_root(e.node, parens::Context::Statement, base);
  // The statement's attributes go down the left operands of assignments, binary operators and
  // casts only: a range keeps them, so its leftmost call sorts at its own place again, unless an
  // expression statement was read inside the range after that call.
  const AttributedCall& call = e.attributed_call;
  if (call.index != kNoCall && e.kind == ExprKind::Range &&
      call.expr_stmts_read == expr_stmts_read_) {
    file_.calls[call.index].position = call.position;
  }
  if (is_punct(pos_, ';')) {
    ++pos_;
    requires_semi = false;
    return true;
  }
  requires_semi = !(e.block_like() || e.kind == ExprKind::MacroBrace);
  return true;
}

}  // namespace rust::parser
