// Expressions: the operators by precedence climbing, the prefix operators, the postfix forms
// (calls, fields, methods, indexing, `?`), and the atoms: literals, paths, macros, struct
// literals, groups, blocks, closures, and the keyword forms.
#include "state.hpp"

namespace rust::parser {

// An expression where a statement may begin: a block-like expression ends it unless a method
// call or `?` follows. `stmt_attrs` is where the attributes of the statement begin, or kNoToken.
bool Parser::expr_early(ExprShape& out, std::uint32_t stmt_attrs) {
  if (!outer_attrs(false)) return false;
  ExprShape e;
  e.start = pos_;
  const bool blocky = is_keyword_in(pos_, kBlockLikeKeywords) ||
                      (is_keyword(pos_, Keyword::For) && !starts_closure_for(pos_)) ||
                      ((is_keyword(pos_, Keyword::Try) || is_keyword(pos_, Keyword::Const)) &&
                       is_open(pos_ + 1, Delim::Brace)) ||
                      is_open(pos_, Delim::Brace) || is_lifetime(pos_);
  if (!blocky) {
    if (!unary(true, e, stmt_attrs) || !expr_operators(e, true, Precedence::Jump)) return false;
    out = e;
    return true;
  }
  if (is_keyword(pos_, Keyword::Try)) {
    ++pos_;
    if (!block()) return false;
  } else if (!block_like_atom()) {
    return false;
  }
  e.kind = ExprKind::Block;
  if (is_dot_or_try(pos_)) {
    std::size_t outer_call;
    if (!trailers(e, outer_call)) return false;
    if (!expr_operators(e, true, Precedence::Jump)) return false;
  }
  out = e;
  return true;
}

// Whether the `for` at `i` opens the `for<'a>` of a closure rather than a loop.
inline bool Parser::starts_closure_for(std::uint32_t i) const {
  return is_punct(i + 1, '<') && (is_lifetime(i + 2) || is_punct(i + 2, '>'));
}

// Whether an expression can begin at `i` (after `return`, `break` and `yield`).
inline bool Parser::starts_expression(std::uint32_t i) const {
  return (is_ident_or_keyword(i) && !is_keyword(i, Keyword::As)) || is_open(i, Delim::Paren) ||
         is_open(i, Delim::Bracket) || is_open(i, Delim::Brace) || starts_literal(i) ||
         is_bang(i) || (is_punct(i, '-') && !is_op(i, "-=") && !is_op(i, "->")) ||
         (is_punct(i, '*') && !is_op(i, "*=")) || (is_punct(i, '|') && !is_op(i, "|=")) ||
         (is_punct(i, '&') && !is_op(i, "&=")) || is_op(i, "..") ||
         (is_punct(i, '<') && !is_op(i, "<=") && !is_op(i, "<<=")) || is_op(i, "::") ||
         is_lifetime(i) || is_punct(i, '#');
}

// A binary operator at `i` (compound assignments included): its precedence and its length in
// tokens.
bool Parser::is_binary_operator(std::uint32_t i, Precedence& prec, std::uint32_t& len) const {
  if (!inside(i) || tokens_[i].kind != TokenKind::Punct) return false;
  const char c = tokens_[i].punct();
  switch (c) {
    case '+':
    case '-':
    case '*':
    case '/':
    case '%':
    case '^':
    case '&':
    case '|':
      if (is_joint(i) && is_punct(i + 1, '=')) {  // a compound assignment
        prec = Precedence::Assign;
        len = 2;
        return true;
      }
      break;
    default:
      break;
  }
  if (is_op(i, "<<=") || is_op(i, ">>=")) {
    prec = Precedence::Assign;
    len = 3;
    return true;
  }
  len = 2;
  if (is_op(i, "&&")) {
    prec = Precedence::And;
    return true;
  }
  if (is_op(i, "||")) {
    prec = Precedence::Or;
    return true;
  }
  if (is_op(i, "<<") || is_op(i, ">>")) {
    prec = Precedence::Shift;
    return true;
  }
  if (is_op(i, "==") || is_op(i, "<=") || is_op(i, "!=") || is_op(i, ">=")) {
    prec = Precedence::Compare;
    return true;
  }
  len = 1;
  switch (c) {
    case '+':
    case '-':
      prec = Precedence::Sum;
      return true;
    case '*':
    case '/':
    case '%':
      prec = Precedence::Product;
      return true;
    case '^':
      prec = Precedence::BitXor;
      return true;
    case '&':
      prec = Precedence::BitAnd;
      return true;
    case '|':
      prec = Precedence::BitOr;
      return true;
    case '<':
    case '>':
      prec = Precedence::Compare;
      return true;
    default:
      return false;
  }
}

// The precedence of the operator at `i`, counting `=`, `..` and `as`; Jump when there is none.
Precedence Parser::precedence_at(std::uint32_t i) const {
  Precedence p;
  std::uint32_t len;
  if (is_binary_operator(i, p, len)) return p;
  if (is_punct(i, '=') && !is_op(i, "=>")) return Precedence::Assign;
  if (is_op(i, "..")) return Precedence::Range;
  if (is_keyword(i, Keyword::As)) return Precedence::Cast;
  return Precedence::Jump;
}

// The operators after `lhs` that bind at least as tightly as `base`, by precedence climbing:
// binary operators (comparisons do not chain), assignments, ranges and casts.
bool Parser::expr_operators(ExprShape& lhs, bool allow_struct, Precedence base) {
  Nest nest(*this);
  if (!nest.ok) return false;
  for (;;) {
    if (lhs.kind == ExprKind::Range) break;
    Precedence prec;
    std::uint32_t len;
    if (is_binary_operator(pos_, prec, len)) {
      if (prec < base) break;
      if (prec == Precedence::Compare && lhs.kind == ExprKind::Binary &&
          lhs.precedence == Precedence::Compare) {
        return fail(Expected::ChainedComparison);
      }
      mark_joint(pos_, len);
      pos_ += len;
      ExprShape rhs;
      if (!binop_rhs(allow_struct, prec, rhs)) return false;
      lhs.kind = ExprKind::Binary;
      lhs.precedence = prec;
    } else if (Precedence::Assign >= base && is_punct(pos_, '=') && !is_op(pos_, "=>")) {
      ++pos_;
      ExprShape rhs;
      if (!binop_rhs(allow_struct, Precedence::Assign, rhs)) return false;
      lhs.kind = ExprKind::Other;
    } else if (Precedence::Range >= base && is_op(pos_, "..")) {
      Limits limits;
      if (!range_limits(limits)) return false;
      if (!range_end(limits, allow_struct)) return false;
      lhs.kind = ExprKind::Range;
    } else if (Precedence::Cast >= base && is_keyword(pos_, Keyword::As)) {
      ++pos_;
      if (!type(false)) return false;
      if (is_dot_or_try(pos_) || is_open(pos_, Delim::Bracket) || is_open(pos_, Delim::Paren)) {
        return fail(Expected::CastBeforePostfix);
      }
      lhs.kind = ExprKind::Other;
    } else {
      break;
    }
  }
  return true;
}

// The right operand of an operator of precedence `prec`, with the operators that bind more
// tightly (or as tightly, for the right-associative assignment).
bool Parser::binop_rhs(bool allow_struct, Precedence prec, ExprShape& rhs) {
  if (!unary(allow_struct, rhs)) return false;
  for (;;) {
    const Precedence next = precedence_at(pos_);
    if (next > prec || (next == prec && prec == Precedence::Assign)) {
      const std::uint32_t cursor = pos_;
      if (!expr_operators(rhs, allow_struct, next)) return false;
      if (pos_ == cursor) break;
    } else {
      break;
    }
  }
  return true;
}

// `..=` or `..` (not `...`).
bool Parser::range_limits(Limits& limits) {
  if (eat_op("..=")) {
    limits = Limits::Closed;
    return true;
  }
  if (!is_op(pos_, "...") && eat_op("..")) {
    limits = Limits::HalfOpen;
    return true;
  }
  return fail(Expected::ObsoleteRange);
}

// The end of a range after its `..` or `..=`; a half-open range has none before a token that
// cannot begin an expression here.
bool Parser::range_end(Limits limits, bool allow_struct) {
  if (limits == Limits::HalfOpen &&
      (at_end() || is_punct(pos_, ',') || is_punct(pos_, ';') || is_member_dot(pos_) ||
       is_punct(pos_, '?') || is_op(pos_, "=>") || (!allow_struct && is_open(pos_, Delim::Brace)) ||
       is_punct(pos_, '=') || is_punct(pos_, '+') || is_punct(pos_, '/') || is_punct(pos_, '%') ||
       is_punct(pos_, '^') || is_punct(pos_, '>') || is_op(pos_, "<=") || is_op(pos_, "!=") ||
       is_op(pos_, "-=") || is_op(pos_, "*=") || is_op(pos_, "&=") || is_op(pos_, "|=") ||
       is_op(pos_, "<<=") || is_keyword(pos_, Keyword::As))) {
    return true;
  }
  ExprShape rhs;
  return binop_rhs(allow_struct, Precedence::Range, rhs);
}

// A unary expression. The prefix operators are read in a loop (they nest without limit in
// real code such as `&&&x` or `!!x`); the operand is an atom with its postfix forms.
// `stmt_attrs` is where the attributes of a statement begin when this is its leftmost operand.
bool Parser::unary(bool allow_struct, ExprShape& out, std::uint32_t stmt_attrs) {
  Nest nest(*this);
  if (!nest.ok) return false;
  bool prefixed = false;
  // Where the attributes attached to the operand begin: those of a statement (when this is its
  // leftmost operand) or those written right before the operand.
  std::uint32_t attrs = stmt_attrs;
  const bool from_stmt = attrs != kNoToken;
  for (int prefixes = depth_;; ++prefixes) {
    if (prefixes > kMaxNesting) return fail(Expected::TooDeep);
    const std::uint32_t begin = pos_;
    if (!outer_attrs(false)) return false;
    if (!from_stmt || prefixed) attrs = begin;
    if (is_punct(pos_, '&')) {
      ++pos_;
      bool raw = false;
      if (is_keyword(pos_, Keyword::Raw) &&
          (is_keyword(pos_ + 1, Keyword::Mut) || is_keyword(pos_ + 1, Keyword::Const))) {
        ++pos_;
        raw = true;
      }
      const bool mut = eat_keyword(Keyword::Mut);
      if (raw && !mut && !expect_keyword(Keyword::Const)) return false;
      prefixed = true;
      continue;
    }
    if (is_punct(pos_, '*') || is_punct(pos_, '!') || is_punct(pos_, '-')) {
      ++pos_;
      prefixed = true;
      continue;
    }
    out = ExprShape{};
    out.start = pos_;
    if (is_keyword(pos_, Keyword::Box)) {
      if (!box_expr(begin, allow_struct)) return false;
      out.kind = ExprKind::Verbatim;
    } else if (!operand(begin, attrs, from_stmt && !prefixed, allow_struct, out)) {
      return false;
    }
    if (prefixed) out.kind = ExprKind::Other;
    return true;
  }
}

// `box expr`, kept verbatim.
[[gnu::noinline]] bool Parser::box_expr(std::uint32_t begin, bool allow_struct) {
  const Snapshot snap = snapshot();
  ++pos_;
  ExprShape inner;
  if (!unary(allow_struct, inner)) return false;
  keep_verbatim(begin, snap);
  return true;
}

// An atom with its postfix forms; `attrs` is where the attributes attached to it begin, those of
// its statement when `stmt_attrs` is set.
bool Parser::operand(std::uint32_t begin, std::uint32_t attrs, bool stmt_attrs, bool allow_struct,
                     ExprShape& out) {
  if (!atom(allow_struct, out)) return false;
  std::size_t outer_call = kNoCall;
  if (!trailers(out, outer_call)) return false;
  // A call holds the attributes written before it, and a call is visited before its
  // attributes: it sorts at their start.
  if (outer_call != kNoCall && attrs < out.start) {
    if (stmt_attrs) {
      out.attributed_call =
          AttributedCall{outer_call, file_.calls[outer_call].position, expr_stmts_read_};
    }
    file_.calls[outer_call].position = attrs;
  }
  if (out.kind == ExprKind::Verbatim) mark_verbatim(begin, pos_);
  return true;
}

// The postfix forms: calls, method calls, fields, tuple indices, indexing, `?` and `.await`.
// `outer_call` is set to the record of the call on a path when that call is the outermost
// postfix form.
bool Parser::trailers(ExprShape& e, std::size_t& outer_call) {
  for (;;) {
    outer_call = kNoCall;
    if (is_open(pos_, Delim::Paren)) {
      if (e.kind == ExprKind::Path && e.segments > 0) {
        outer_call = file_.calls.size();
        file_.calls.push_back(CallSite{e.start, e.name, e.segments > 1});
      }
      if (!call_args()) return false;
      e.kind = ExprKind::Other;
      if (outer_call != kNoCall &&
          !(is_open(pos_, Delim::Paren) || is_open(pos_, Delim::Bracket) || is_dot_or_try(pos_))) {
        return true;
      }
    } else if (is_member_dot(pos_) && e.kind != ExprKind::Range) {
      ++pos_;
      e.kind = ExprKind::Other;
      if (!member_trailer()) return false;
    } else if (is_open(pos_, Delim::Bracket)) {
      if (!index_trailer()) return false;
      e.kind = ExprKind::Other;
    } else if (is_punct(pos_, '?') && e.kind != ExprKind::Range) {
      ++pos_;
      e.kind = ExprKind::Other;
    } else {
      break;
    }
  }
  return true;
}

// After the `.` of a postfix form: `.0.1`, `.await`, `.field`, `.0` or `.method::<T>(args)`.
[[gnu::noinline]] bool Parser::member_trailer() {
  if (is_literal(pos_) && tokens_[pos_].lit() == LitKind::Float) {
    bool trailing_dot = false;
    if (!split_index(trailing_dot)) return false;
    if (!trailing_dot) return true;
  }
  if (is_keyword(pos_, Keyword::Await)) {
    ++pos_;
    return true;
  }
  bool named = false;
  if (is_ident(pos_)) {
    named = true;
    ++pos_;
  } else if (!index_member()) {
    return false;
  }
  bool turbofish = false;
  if (named && is_op(pos_, "::")) {
    if (!angle_args()) return false;
    turbofish = true;
  }
  if ((turbofish || is_open(pos_, Delim::Paren)) && named) return call_args();
  return true;
}

// `[index]`
[[gnu::noinline]] bool Parser::index_trailer() {
  std::uint32_t saved;
  enter(Delim::Bracket, saved);
  return expr(true) && leave(saved);
}

// `(arguments)`
[[gnu::noinline]] bool Parser::call_args() {
  return comma_group(Delim::Paren, [&] { return expr(true); });
}

// A tuple index `.0` (or a struct literal's numbered field): an integer literal without suffix,
// printed in decimal.
bool Parser::index_member() {
  if (!is_literal(pos_) || tokens_[pos_].lit() != LitKind::Integer) {
    return fail(Expected::FieldName);
  }
  std::uint32_t v;
  const std::string_view t = text(pos_);
  if (!tuple_index_value(t, v)) return fail(Expected::TupleIndex);
  if (t != std::to_string(v)) edit(pos_, pos_ + 1, EditKind::IndexValue);
  ++pos_;
  return true;
}

// `x.0.1`: the float literal `0.1` is two tuple indices.
bool Parser::split_index(bool& trailing_dot) {
  std::string_view t = text(pos_);
  trailing_dot = !t.empty() && t.back() == '.';
  if (trailing_dot) t.remove_suffix(1);
  std::size_t start = 0;
  for (;;) {
    const std::size_t dot = t.find('.', start);
    const std::string_view part =
        t.substr(start, dot == std::string_view::npos ? t.npos : dot - start);
    if (part.empty() || part[0] < '0' || part[0] > '9') return fail(Expected::TupleIndex);
    for (char c : part) {
      if (!((c >= '0' && c <= '9') || c == '_')) return fail(Expected::TupleIndex);
    }
    std::uint32_t v;
    if (!tuple_index_value(part, v)) return fail(Expected::TupleIndex);
    if (dot == std::string_view::npos) break;
    start = dot + 1;
  }
  edit(pos_, pos_ + 1, EditKind::SplitIndex);
  ++pos_;
  return true;
}

// An expression that needs no precedence: literals, paths, groups, blocks and keyword forms.
// Each form sits in a function of its own, so that the frames on the recursive path stay small.
bool Parser::atom(bool allow_struct, ExprShape& out) {
  out.start = pos_;
  if (end_of_literal(pos_) == pos_ + 1) {  // a negative number is a literal under a prefix `-`
    ++pos_;
    return true;
  }
  if (is_keyword(pos_, Keyword::Async) &&
      (is_open(pos_ + 1, Delim::Brace) ||
       (is_keyword(pos_ + 1, Keyword::Move) && is_open(pos_ + 2, Delim::Brace)))) {
    ++pos_;
    eat_keyword(Keyword::Move);
    return block();
  }
  if (is_keyword(pos_, Keyword::Try) && is_open(pos_ + 1, Delim::Brace)) {
    ++pos_;
    out.kind = ExprKind::Block;
    return block();
  }
  if (is_punct(pos_, '|') || is_keyword(pos_, Keyword::Move) ||
      (is_keyword(pos_, Keyword::For) && starts_closure_for(pos_)) ||
      (is_keyword(pos_, Keyword::Const) && !is_open(pos_ + 1, Delim::Brace)) ||
      is_keyword(pos_, Keyword::Static) ||
      (is_keyword(pos_, Keyword::Async) &&
       (is_punct(pos_ + 1, '|') || is_keyword(pos_ + 1, Keyword::Move)))) {
    return closure(allow_struct);
  }
  if (is_keyword(pos_, Keyword::Builtin) && is_punct(pos_ + 1, '#')) return builtin(out);
  if (starts_path(pos_) ||
      (is_keyword(pos_, Keyword::Try) && (is_punct(pos_ + 1, '!') || is_op(pos_ + 1, "::")))) {
    return path_or_macro_or_struct(allow_struct, out);
  }
  if (is_open(pos_, Delim::Paren)) return paren_or_tuple();
  if (is_keyword(pos_, Keyword::Break)) return break_expr(allow_struct);
  if (is_keyword(pos_, Keyword::Continue)) {
    ++pos_;
    eat_lifetime();
    return true;
  }
  if (is_keyword(pos_, Keyword::Return) || is_keyword(pos_, Keyword::Yield)) return return_expr();
  if (is_keyword(pos_, Keyword::Become)) return become(out);
  if (is_open(pos_, Delim::Bracket)) return array_or_repeat();
  if (is_keyword(pos_, Keyword::Let)) return let_expr(allow_struct);
  if (is_keyword_in(pos_, kBlockLikeKeywords) || is_keyword(pos_, Keyword::For) ||
      is_keyword(pos_, Keyword::Const) || is_open(pos_, Delim::Brace) || is_lifetime(pos_)) {
    out.kind = ExprKind::Block;
    return block_like_atom();
  }
  if (is_op(pos_, "..")) {
    out.kind = ExprKind::Range;
    return prefix_range(allow_struct);
  }
  if (is_keyword(pos_, Keyword::Underscore)) {
    ++pos_;
    return true;
  }
  return fail(Expected::Expression);
}

// `builtin # name(tokens)`, kept verbatim.
[[gnu::noinline]] bool Parser::builtin(ExprShape& out) {
  pos_ += 2;
  if (!expect_ident()) return false;
  if (!is_open(pos_, Delim::Paren)) return fail_punct('(');
  verbatim_group();
  out.kind = ExprKind::Verbatim;
  return true;
}

// `(a)`, `(a,)`, `(a, b)` or `()`.
[[gnu::noinline]] bool Parser::paren_or_tuple() {
  return comma_group(Delim::Paren, [&] { return expr(true); });
}

// `break 'label? value?` (a labelled block after `break` is not allowed).
[[gnu::noinline]] bool Parser::break_expr(bool allow_struct) {
  ++pos_;
  if (is_lifetime(pos_) && is_punct(pos_ + 2, ':')) return fail(Expected::LabelAfterBreak);
  eat_lifetime();
  if (starts_expression(pos_) && (allow_struct || !is_open(pos_, Delim::Brace))) {
    if (!expr(allow_struct)) return false;
  }
  return true;
}

// `return value?` and `yield value?`.
[[gnu::noinline]] bool Parser::return_expr() {
  ++pos_;
  if (starts_expression(pos_)) {
    if (!expr(true)) return false;
  }
  return true;
}

// `become call`, kept verbatim.
[[gnu::noinline]] bool Parser::become(ExprShape& out) {
  const std::uint32_t begin = pos_;
  const Snapshot snap = snapshot();
  ++pos_;
  if (!expr(true)) return false;
  keep_verbatim(begin, snap);
  out.kind = ExprKind::Verbatim;
  return true;
}

// `[a, b]` or `[value; count]`.
[[gnu::noinline]] bool Parser::array_or_repeat() {
  std::uint32_t saved;
  enter(Delim::Bracket, saved);
  if (at_end()) return leave(saved);
  if (!expr(true)) return false;
  if (is_punct(pos_, ';')) {
    ++pos_;
    if (!expr(true)) return false;
    return leave(saved);
  }
  while (!at_end()) {
    if (!expect_punct(',')) return false;
    if (at_end()) break;
    if (!expr(true)) return false;
  }
  return leave(saved);
}

// `let pattern = scrutinee` in a condition; the scrutinee takes no operator weaker than `==`.
[[gnu::noinline]] bool Parser::let_expr(bool allow_struct) {
  ++pos_;
  if (!pat_multi(true) || !expect_punct('=')) return false;
  ExprShape scrutinee;
  if (!unary(allow_struct, scrutinee)) return false;
  return expr_operators(scrutinee, allow_struct, Precedence::Compare);
}

// `if`, `while`, `for`, `loop`, `match`, `unsafe { }`, `const { }`, a labelled loop or block, or a
// plain block.
[[gnu::noinline]] bool Parser::block_like_atom() {
  if (is_keyword(pos_, Keyword::If)) return expr_if();
  if (is_keyword(pos_, Keyword::While)) return expr_while();
  if (is_keyword(pos_, Keyword::For)) return expr_for();
  if (is_keyword(pos_, Keyword::Loop)) return expr_loop();
  if (is_keyword(pos_, Keyword::Match)) return expr_match();
  if (is_keyword(pos_, Keyword::Unsafe) || is_keyword(pos_, Keyword::Const)) {
    ++pos_;
    return block_with_inner();
  }
  if (is_lifetime(pos_)) return labeled();
  return block_with_inner();
}

// `..end`, `..=end` or `..` alone.
[[gnu::noinline]] bool Parser::prefix_range(bool allow_struct) {
  Limits limits;
  if (!range_limits(limits)) return false;
  return range_end(limits, allow_struct);
}

// `'label: loop`, `'label: while`, `'label: for` or `'label: { }`.
bool Parser::labeled() {
  pos_ += 2;
  if (!expect_punct(':')) return false;
  if (is_keyword(pos_, Keyword::While)) return expr_while();
  if (is_keyword(pos_, Keyword::For)) return expr_for();
  if (is_keyword(pos_, Keyword::Loop)) return expr_loop();
  if (is_open(pos_, Delim::Brace)) return block_with_inner();
  return fail(Expected::LoopOrBlock);
}

// `for<'a>? const? static? async? move? |params| body`, the body a block when a return type is
// given.
[[gnu::noinline]] bool Parser::closure(bool allow_struct) {
  if (is_keyword(pos_, Keyword::For) && !bound_lifetimes()) return false;
  eat_keyword(Keyword::Const);
  eat_keyword(Keyword::Static);
  eat_keyword(Keyword::Async);
  eat_keyword(Keyword::Move);
  if (!expect_punct('|')) return false;
  for (;;) {
    if (is_punct(pos_, '|')) break;
    if (!outer_attrs(false)) return false;
    if (!pat_single()) return false;
    if (is_punct(pos_, ':')) {
      ++pos_;
      if (!type(true)) return false;
    }
    if (is_punct(pos_, '|')) break;
    if (!expect_punct(',')) return false;
  }
  if (!expect_punct('|')) return false;
  if (is_op(pos_, "->")) {
    eat_op("->");
    if (!type(true)) return false;
    return block();
  }
  return expr(allow_struct);
}

// A path, a macro invocation `path!(...)` or a struct literal `Path { fields }`.
[[gnu::noinline]] bool Parser::path_or_macro_or_struct(bool allow_struct, ExprShape& out) {
  PathShape path_shape;
  if (!qpath(true, path_shape)) return false;
  if (!path_shape.qself && is_bang(pos_) && path_shape.mod_style) {
    ++pos_;
    if (!is_any_open(pos_)) return fail(Expected::Group);
    out.kind = is_open(pos_, Delim::Brace) ? ExprKind::MacroBrace : ExprKind::Macro;
    return verbatim_group();
  }
  if (allow_struct && is_open(pos_, Delim::Brace)) {
    out.kind = ExprKind::Other;
    return struct_literal();
  }
  out.kind = ExprKind::Path;
  out.name = path_shape.last_ident;
  out.segments = path_shape.segments;
  return true;
}

// `{ field: value, name, 0: value, ..base }` after a struct literal's path.
[[gnu::noinline]] bool Parser::struct_literal() {
  std::uint32_t saved;
  enter(Delim::Brace, saved);
  while (!at_end()) {
    if (is_op(pos_, "..")) {
      eat_op("..");
      if (!at_end()) {
        if (!expr(true)) return false;
      }
      break;
    }
    if (!outer_attrs(false)) return false;
    bool named = false;
    if (is_ident(pos_)) {
      named = true;
      ++pos_;
    } else if (!index_member()) {
      return false;
    }
    if (is_punct(pos_, ':') || !named) {
      if (!expect_punct(':')) return false;
      if (!expr(true)) return false;
    }
    if (at_end()) break;
    if (!expect_punct(',')) return false;
  }
  return leave(saved);
}

// `if condition { } else if condition { } else { }`
[[gnu::noinline]] bool Parser::expr_if() {
  for (;;) {
    ++pos_;  // if
    if (!expr(false)) return false;
    if (!block()) return false;
    if (!is_keyword(pos_, Keyword::Else)) return true;
    ++pos_;
    if (is_keyword(pos_, Keyword::If)) continue;
    if (is_open(pos_, Delim::Brace)) return block();
    return fail_punct('{');
  }
}

[[gnu::noinline]] bool Parser::expr_while() {
  ++pos_;
  if (!expr(false)) return false;
  return block_with_inner();
}

[[gnu::noinline]] bool Parser::expr_for() {
  ++pos_;
  if (!pat_multi(true) || !expect_keyword(Keyword::In)) return false;
  if (!expr(false)) return false;
  return block_with_inner();
}

bool Parser::expr_loop() {
  ++pos_;
  return block_with_inner();
}

// `match scrutinee { pattern if guard => body, ... }`; a block-like body needs no comma.
[[gnu::noinline]] bool Parser::expr_match() {
  ++pos_;
  if (!expr(false)) return false;
  std::uint32_t saved;
  if (!enter(Delim::Brace, saved)) return false;
  if (!inner_attrs(false)) return false;
  while (!at_end()) {
    if (!outer_attrs(false)) return false;
    if (!pat_multi(true)) return false;
    if (is_keyword(pos_, Keyword::If)) {
      ++pos_;
      if (!expr(true)) return false;
    }
    if (!eat_op("=>")) return fail(Expected::Token, "=>");
    ExprShape body;
    if (!expr_early(body)) return false;
    const bool requires_comma = !body.block_like();
    if (requires_comma && !at_end()) {
      if (!expect_punct(',')) return false;
    } else if (is_punct(pos_, ',')) {
      ++pos_;
    }
  }
  return leave(saved);
}

}  // namespace rust::parser
