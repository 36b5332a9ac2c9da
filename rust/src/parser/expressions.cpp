// Expressions: precedence climbing, unary and postfix forms, atoms.
#include "state.hpp"

namespace rust::parser {

// An expression where a statement may begin: a block-like expression ends it unless a method
// call or `?` follows.
bool Parser::expr_early(Ex& out) {
  const std::uint32_t stmt_attrs = stmt_attrs_;
  stmt_attrs_ = kNoToken;
  if (!expr_attrs()) return false;
  Ex e;
  e.start = pos_;
  const bool blocky =
      kw(pos_, Keyword::If) || kw(pos_, Keyword::While) || kw(pos_, Keyword::Loop) ||
      kw(pos_, Keyword::Match) || kw(pos_, Keyword::Unsafe) ||
      (kw(pos_, Keyword::For) && !closure_for_ahead()) ||
      ((kw(pos_, Keyword::Try) || kw(pos_, Keyword::Const)) && open(pos_ + 1, Delim::Brace)) ||
      open(pos_, Delim::Brace) || lifetime(pos_);
  if (!blocky) {
    stmt_attrs_ = stmt_attrs;
    if (!unary(true, e) || !parse_expr(e, true, Prec::Jump)) return false;
    out = e;
    return true;
  }
  if (kw(pos_, Keyword::Try)) {
    ++pos_;
    if (!block()) return false;
  } else if (!block_like_atom()) {
    return false;
  }
  e.kind = EK::Block;
  if ((punct(pos_, '.') && !dot2(pos_)) || punct(pos_, '?')) {
    std::size_t outer_call;
    if (!trailers(e, outer_call)) return false;
    if (!parse_expr(e, true, Prec::Jump)) return false;
  }
  out = e;
  return true;
}

bool Parser::expr_attrs() {
  while (punct(pos_, '#')) {
    if (!parse_attr(AttrStyle::Outer, false)) return false;
  }
  return true;
}

bool Parser::peek_binop(std::uint32_t i, Prec& prec, std::uint32_t& len) const {
  if (!in(i) || tok_[i].kind != TokenKind::Punct) return false;
  const char c = tok_[i].punct();
  switch (c) {
    case '+':
    case '-':
    case '*':
    case '/':
    case '%':
    case '^':
    case '&':
    case '|':
      if (op2(i, c, '=')) {
        prec = Prec::Assign;
        len = 2;
        return true;
      }
      break;
    default:
      break;
  }
  if (op3(i, '<', '<', '=') || op3(i, '>', '>', '=')) {
    prec = Prec::Assign;
    len = 3;
    return true;
  }
  len = 2;
  if (op2(i, '&', '&')) {
    prec = Prec::And;
    return true;
  }
  if (op2(i, '|', '|')) {
    prec = Prec::Or;
    return true;
  }
  if (op2(i, '<', '<') || op2(i, '>', '>')) {
    prec = Prec::Shift;
    return true;
  }
  if (op2(i, '=', '=') || op2(i, '<', '=') || op2(i, '!', '=') || op2(i, '>', '=')) {
    prec = Prec::Compare;
    return true;
  }
  len = 1;
  switch (c) {
    case '+':
    case '-':
      prec = Prec::Sum;
      return true;
    case '*':
    case '/':
    case '%':
      prec = Prec::Product;
      return true;
    case '^':
      prec = Prec::BitXor;
      return true;
    case '&':
      prec = Prec::BitAnd;
      return true;
    case '|':
      prec = Prec::BitOr;
      return true;
    case '<':
    case '>':
      prec = Prec::Compare;
      return true;
    default:
      return false;
  }
}

Prec Parser::peek_precedence() const {
  Prec p;
  std::uint32_t len;
  if (peek_binop(pos_, p, len)) return p;
  if (punct(pos_, '=') && !op2(pos_, '=', '>')) return Prec::Assign;
  if (dot2(pos_)) return Prec::Range;
  if (kw(pos_, Keyword::As)) return Prec::Cast;
  return Prec::Jump;
}

bool Parser::parse_expr(Ex& lhs, bool allow_struct, Prec base) {
  Nest nest(*this);
  if (!nest.ok) return false;
  for (;;) {
    if (lhs.kind == EK::Range) break;
    Prec prec;
    std::uint32_t len;
    if (peek_binop(pos_, prec, len)) {
      if (prec < base) break;
      if (prec == Prec::Compare && lhs.kind == EK::Binary && lhs.bin == Prec::Compare) {
        return false;
      }
      mark_joint(pos_, len);
      pos_ += len;
      Ex rhs;
      if (!binop_rhs(allow_struct, prec, rhs)) return false;
      lhs.kind = EK::Binary;
      lhs.bin = prec;
    } else if (Prec::Assign >= base && punct(pos_, '=') && !op2(pos_, '=', '>')) {
      ++pos_;
      Ex rhs;
      if (!binop_rhs(allow_struct, Prec::Assign, rhs)) return false;
      lhs.kind = EK::Other;
    } else if (Prec::Range >= base && dot2(pos_)) {
      Limits limits;
      if (!range_limits(limits)) return false;
      if (!range_end(limits, allow_struct)) return false;
      lhs.kind = EK::Range;
    } else if (Prec::Cast >= base && kw(pos_, Keyword::As)) {
      ++pos_;
      if (!type(false)) return false;
      if ((punct(pos_, '.') && !dot2(pos_)) || punct(pos_, '?') || open(pos_, Delim::Bracket) ||
          open(pos_, Delim::Paren)) {
        return false;
      }
      lhs.kind = EK::Other;
    } else {
      break;
    }
  }
  return true;
}

bool Parser::binop_rhs(bool allow_struct, Prec prec, Ex& rhs) {
  if (!unary(allow_struct, rhs)) return false;
  for (;;) {
    const Prec next = peek_precedence();
    if (next > prec || (next == prec && prec == Prec::Assign)) {
      const std::uint32_t cursor = pos_;
      if (!parse_expr(rhs, allow_struct, next)) return false;
      if (pos_ == cursor) break;
    } else {
      break;
    }
  }
  return true;
}

// `..=` or `..` (not `...`).
bool Parser::range_limits(Limits& limits) {
  if (op3(pos_, '.', '.', '=')) {
    mark_joint(pos_, 3);
    pos_ += 3;
    limits = Limits::Closed;
    return true;
  }
  if (dot2(pos_) && !op3(pos_, '.', '.', '.')) {
    mark_joint(pos_, 2);
    pos_ += 2;
    limits = Limits::HalfOpen;
    return true;
  }
  return false;
}

bool Parser::range_end(Limits limits, bool allow_struct) {
  if (limits == Limits::HalfOpen &&
      (at_end() || punct(pos_, ',') || punct(pos_, ';') || (punct(pos_, '.') && !dot2(pos_)) ||
       punct(pos_, '?') || op2(pos_, '=', '>') || (!allow_struct && open(pos_, Delim::Brace)) ||
       punct(pos_, '=') || punct(pos_, '+') || punct(pos_, '/') || punct(pos_, '%') ||
       punct(pos_, '^') || punct(pos_, '>') || op2(pos_, '<', '=') || op2(pos_, '!', '=') ||
       op2(pos_, '-', '=') || op2(pos_, '*', '=') || op2(pos_, '&', '=') || op2(pos_, '|', '=') ||
       op3(pos_, '<', '<', '=') || kw(pos_, Keyword::As))) {
    return true;
  }
  Ex rhs;
  return binop_rhs(allow_struct, Prec::Range, rhs);
}

// A unary expression. The prefix operators are read in a loop (they nest without limit in
// real code such as `&&&x` or `!!x`); the operand is an atom with its postfix forms.
bool Parser::unary(bool allow_struct, Ex& out) {
  Nest nest(*this);
  if (!nest.ok) return false;
  bool prefixed = false;
  // Where the attributes attached to the operand begin: those of a statement (when this is its
  // leftmost operand) or those written right before the operand.
  std::uint32_t attrs = stmt_attrs_;
  const bool from_stmt = attrs != kNoToken;
  stmt_attrs_ = kNoToken;
  for (int prefixes = depth_;; ++prefixes) {
    if (prefixes > kMaxNesting) return false;
    const std::uint32_t begin = pos_;
    if (!expr_attrs()) return false;
    if (!from_stmt || prefixed) attrs = begin;
    if (punct(pos_, '&')) {
      ++pos_;
      bool raw = false;
      if (kw(pos_, Keyword::Raw) && (kw(pos_ + 1, Keyword::Mut) || kw(pos_ + 1, Keyword::Const))) {
        ++pos_;
        raw = true;
      }
      const bool mut = eat_kw(Keyword::Mut);
      if (raw && !mut && !expect_kw(Keyword::Const)) return false;
      prefixed = true;
      continue;
    }
    if (punct(pos_, '*') || punct(pos_, '!') || punct(pos_, '-')) {
      ++pos_;
      prefixed = true;
      continue;
    }
    out = Ex{};
    out.start = pos_;
    if (kw(pos_, Keyword::Box)) {
      if (!box_expr(begin, allow_struct)) return false;
      out.kind = EK::Verbatim;
    } else if (!operand(begin, attrs, from_stmt && !prefixed, allow_struct, out)) {
      return false;
    }
    if (prefixed) out.kind = EK::Other;
    return true;
  }
}

[[gnu::noinline]] bool Parser::box_expr(std::uint32_t begin, bool allow_struct) {
  const Snapshot snap = snapshot();
  ++pos_;
  Ex inner;
  if (!unary(allow_struct, inner)) return false;
  verbatim(begin, snap);
  return true;
}

// An atom with its postfix forms; `attrs` is where the attributes attached to it begin.
bool Parser::operand(std::uint32_t begin, std::uint32_t attrs, bool stmt_attrs, bool allow_struct,
                     Ex& out) {
  if (!atom(allow_struct, out)) return false;
  std::size_t outer_call = kNoCall;
  if (!trailers(out, outer_call)) return false;
  // A call holds the attributes written before it, and a call is visited before its
  // attributes: it sorts at their start.
  if (outer_call != kNoCall && attrs < out.start) {
    if (stmt_attrs) {
      stmt_call_ = outer_call;
      stmt_call_position_ = f_.calls[outer_call].position;
    }
    f_.calls[outer_call].position = attrs;
  }
  if (out.kind == EK::Verbatim) mark_verbatim(begin, pos_);
  return true;
}

// The postfix forms: calls, method calls, fields, tuple indices, indexing, `?` and `.await`.
// `outer_call` is set to the record of the call on a path when that call is the outermost
// postfix form.
bool Parser::trailers(Ex& e, std::size_t& outer_call) {
  for (;;) {
    outer_call = kNoCall;
    if (open(pos_, Delim::Paren)) {
      if (e.kind == EK::Path && e.segments > 0) {
        outer_call = f_.calls.size();
        f_.calls.push_back(CallSite{e.start, e.name, e.segments > 1});
      }
      if (!call_args()) return false;
      e.kind = EK::Other;
      if (outer_call != kNoCall && !(open(pos_, Delim::Paren) || open(pos_, Delim::Bracket) ||
                                     (punct(pos_, '.') && !dot2(pos_)) || punct(pos_, '?'))) {
        return true;
      }
    } else if (punct(pos_, '.') && !dot2(pos_) && e.kind != EK::Range) {
      ++pos_;
      e.kind = EK::Other;
      if (!member_trailer()) return false;
    } else if (open(pos_, Delim::Bracket)) {
      if (!index_trailer()) return false;
      e.kind = EK::Other;
    } else if (punct(pos_, '?') && e.kind != EK::Range) {
      ++pos_;
      e.kind = EK::Other;
    } else {
      break;
    }
  }
  return true;
}

// After the `.` of a postfix form: `.0.1`, `.await`, `.field`, `.0` or `.method::<T>(args)`.
[[gnu::noinline]] bool Parser::member_trailer() {
  if (literal(pos_) && tok_[pos_].lit() == LitKind::Float) {
    bool trailing_dot = false;
    if (!split_index(trailing_dot)) return false;
    if (!trailing_dot) return true;
  }
  if (kw(pos_, Keyword::Await)) {
    ++pos_;
    return true;
  }
  bool named = false;
  if (ident(pos_)) {
    named = true;
    ++pos_;
  } else if (!index_member()) {
    return false;
  }
  bool turbofish = false;
  if (named && colon2(pos_)) {
    if (!angle_args()) return false;
    turbofish = true;
  }
  if ((turbofish || open(pos_, Delim::Paren)) && named) return call_args();
  return true;
}

[[gnu::noinline]] bool Parser::index_trailer() {
  std::uint32_t saved;
  enter(Delim::Bracket, saved);
  return expr(true) && leave(saved);
}

[[gnu::noinline]] bool Parser::call_args() {
  return comma_group(Delim::Paren, [&] { return expr(true); });
}

bool Parser::index_member() {
  if (!literal(pos_) || tok_[pos_].lit() != LitKind::Integer) return false;
  std::uint32_t v;
  const std::string_view t = text(pos_);
  if (!tuple_index_value(t, v)) return false;
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
    if (part.empty() || part[0] < '0' || part[0] > '9') return false;
    for (char c : part) {
      if (!((c >= '0' && c <= '9') || c == '_')) return false;
    }
    std::uint32_t v;
    if (!tuple_index_value(part, v)) return false;
    if (dot == std::string_view::npos) break;
    start = dot + 1;
  }
  edit(pos_, pos_ + 1, EditKind::SplitIndex);
  ++pos_;
  return true;
}

// An expression that needs no precedence: literals, paths, groups, blocks and keyword forms.
// Each form sits in a function of its own, so that the frames on the recursive path stay small.
bool Parser::atom(bool allow_struct, Ex& out) {
  out.start = pos_;
  if (lit_len(pos_) == 1) {
    ++pos_;
    return true;
  }
  if (kw(pos_, Keyword::Async) && (open(pos_ + 1, Delim::Brace) ||
                                   (kw(pos_ + 1, Keyword::Move) && open(pos_ + 2, Delim::Brace)))) {
    ++pos_;
    eat_kw(Keyword::Move);
    return block();
  }
  if (kw(pos_, Keyword::Try) && open(pos_ + 1, Delim::Brace)) {
    ++pos_;
    out.kind = EK::Block;
    return block();
  }
  if (punct(pos_, '|') || kw(pos_, Keyword::Move) ||
      (kw(pos_, Keyword::For) && closure_for_ahead()) ||
      (kw(pos_, Keyword::Const) && !open(pos_ + 1, Delim::Brace)) || kw(pos_, Keyword::Static) ||
      (kw(pos_, Keyword::Async) && (punct(pos_ + 1, '|') || kw(pos_ + 1, Keyword::Move)))) {
    return closure(allow_struct);
  }
  if (kw(pos_, Keyword::Builtin) && punct(pos_ + 1, '#')) return builtin(out);
  if (qpath_start(pos_) || (kw(pos_, Keyword::Try) && (punct(pos_ + 1, '!') || colon2(pos_ + 1)))) {
    return path_or_macro_or_struct(allow_struct, out);
  }
  if (open(pos_, Delim::Paren)) return paren_or_tuple();
  if (kw(pos_, Keyword::Break)) return break_expr(allow_struct);
  if (kw(pos_, Keyword::Continue)) {
    ++pos_;
    eat_lifetime();
    return true;
  }
  if (kw(pos_, Keyword::Return) || kw(pos_, Keyword::Yield)) return return_expr();
  if (kw(pos_, Keyword::Become)) return become(out);
  if (open(pos_, Delim::Bracket)) return array_or_repeat();
  if (kw(pos_, Keyword::Let)) return let_expr(allow_struct);
  if (kw(pos_, Keyword::If) || kw(pos_, Keyword::While) || kw(pos_, Keyword::For) ||
      kw(pos_, Keyword::Loop) || kw(pos_, Keyword::Match) || kw(pos_, Keyword::Unsafe) ||
      kw(pos_, Keyword::Const) || open(pos_, Delim::Brace) || lifetime(pos_)) {
    out.kind = EK::Block;
    return block_like_atom();
  }
  if (dot2(pos_)) {
    out.kind = EK::Range;
    return prefix_range(allow_struct);
  }
  if (kw(pos_, Keyword::Underscore)) {
    ++pos_;
    return true;
  }
  return false;
}

[[gnu::noinline]] bool Parser::builtin(Ex& out) {
  pos_ += 2;
  if (!expect_ident() || !open(pos_, Delim::Paren)) return false;
  delimited_verbatim();
  out.kind = EK::Verbatim;
  return true;
}

[[gnu::noinline]] bool Parser::paren_or_tuple() {
  return comma_group(Delim::Paren, [&] { return expr(true); });
}

[[gnu::noinline]] bool Parser::break_expr(bool allow_struct) {
  ++pos_;
  if (lifetime(pos_) && punct(pos_ + 2, ':')) return false;
  eat_lifetime();
  if (can_begin_expr() && (allow_struct || !open(pos_, Delim::Brace))) {
    if (!expr(allow_struct)) return false;
  }
  return true;
}

[[gnu::noinline]] bool Parser::return_expr() {
  ++pos_;
  if (can_begin_expr()) {
    if (!expr(true)) return false;
  }
  return true;
}

[[gnu::noinline]] bool Parser::become(Ex& out) {
  const std::uint32_t begin = pos_;
  const Snapshot snap = snapshot();
  ++pos_;
  if (!expr(true)) return false;
  verbatim(begin, snap);
  out.kind = EK::Verbatim;
  return true;
}

[[gnu::noinline]] bool Parser::array_or_repeat() {
  std::uint32_t saved;
  enter(Delim::Bracket, saved);
  if (at_end()) return leave(saved);
  if (!expr(true)) return false;
  if (punct(pos_, ';')) {
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

[[gnu::noinline]] bool Parser::let_expr(bool allow_struct) {
  ++pos_;
  if (!pat_multi(true) || !expect_punct('=')) return false;
  Ex scrutinee;
  if (!unary(allow_struct, scrutinee)) return false;
  return parse_expr(scrutinee, allow_struct, Prec::Compare);
}

[[gnu::noinline]] bool Parser::block_like_atom() {
  if (kw(pos_, Keyword::If)) return expr_if();
  if (kw(pos_, Keyword::While)) return expr_while();
  if (kw(pos_, Keyword::For)) return expr_for();
  if (kw(pos_, Keyword::Loop)) return expr_loop();
  if (kw(pos_, Keyword::Match)) return expr_match();
  if (kw(pos_, Keyword::Unsafe) || kw(pos_, Keyword::Const)) {
    ++pos_;
    return block_with_inner();
  }
  if (lifetime(pos_)) return labeled();
  return block_with_inner();
}

[[gnu::noinline]] bool Parser::prefix_range(bool allow_struct) {
  Limits limits;
  if (!range_limits(limits)) return false;
  return range_end(limits, allow_struct);
}

bool Parser::labeled() {
  pos_ += 2;
  if (!expect_punct(':')) return false;
  if (kw(pos_, Keyword::While)) return expr_while();
  if (kw(pos_, Keyword::For)) return expr_for();
  if (kw(pos_, Keyword::Loop)) return expr_loop();
  if (open(pos_, Delim::Brace)) return block_with_inner();
  return false;
}

[[gnu::noinline]] bool Parser::closure(bool allow_struct) {
  if (kw(pos_, Keyword::For) && !bound_lifetimes()) return false;
  eat_kw(Keyword::Const);
  eat_kw(Keyword::Static);
  eat_kw(Keyword::Async);
  eat_kw(Keyword::Move);
  if (!expect_punct('|')) return false;
  for (;;) {
    if (punct(pos_, '|')) break;
    if (!parse_outer_attrs(false)) return false;
    if (!pat_single()) return false;
    if (punct(pos_, ':')) {
      ++pos_;
      if (!type(true)) return false;
    }
    if (punct(pos_, '|')) break;
    if (!expect_punct(',')) return false;
  }
  if (!expect_punct('|')) return false;
  if (op2(pos_, '-', '>')) {
    eat_op2('-', '>');
    if (!type(true)) return false;
    return block();
  }
  return expr(allow_struct);
}

[[gnu::noinline]] bool Parser::path_or_macro_or_struct(bool allow_struct, Ex& out) {
  PathInfo pi;
  if (!qpath(true, pi)) return false;
  if (!pi.qself && punct(pos_, '!') && !op2(pos_, '!', '=') && pi.mod_style) {
    ++pos_;
    if (!any_open(pos_)) return false;
    out.kind = open(pos_, Delim::Brace) ? EK::MacroBrace : EK::Macro;
    return delimited_verbatim();
  }
  if (allow_struct && open(pos_, Delim::Brace)) {
    out.kind = EK::Other;
    return struct_literal();
  }
  out.kind = EK::Path;
  out.name = pi.last_ident;
  out.segments = pi.segments;
  return true;
}

[[gnu::noinline]] bool Parser::struct_literal() {
  std::uint32_t saved;
  enter(Delim::Brace, saved);
  while (!at_end()) {
    if (dot2(pos_)) {
      eat_op2('.', '.');
      if (!at_end()) {
        if (!expr(true)) return false;
      }
      break;
    }
    if (!parse_outer_attrs(false)) return false;
    bool named = false;
    if (ident(pos_)) {
      named = true;
      ++pos_;
    } else if (!index_member()) {
      return false;
    }
    if (punct(pos_, ':') || !named) {
      if (!expect_punct(':')) return false;
      if (!expr(true)) return false;
    }
    if (at_end()) break;
    if (!expect_punct(',')) return false;
  }
  return leave(saved);
}

[[gnu::noinline]] bool Parser::expr_if() {
  for (;;) {
    ++pos_;  // if
    if (!expr(false)) return false;
    if (!block()) return false;
    if (!kw(pos_, Keyword::Else)) return true;
    ++pos_;
    if (kw(pos_, Keyword::If)) continue;
    if (open(pos_, Delim::Brace)) return block();
    return false;
  }
}

[[gnu::noinline]] bool Parser::expr_while() {
  ++pos_;
  if (!expr(false)) return false;
  return block_with_inner();
}

[[gnu::noinline]] bool Parser::expr_for() {
  ++pos_;
  if (!pat_multi(true) || !expect_kw(Keyword::In)) return false;
  if (!expr(false)) return false;
  return block_with_inner();
}

bool Parser::expr_loop() {
  ++pos_;
  return block_with_inner();
}

[[gnu::noinline]] bool Parser::expr_match() {
  ++pos_;
  if (!expr(false)) return false;
  std::uint32_t saved;
  if (!enter(Delim::Brace, saved)) return false;
  if (!parse_inner_attrs(false)) return false;
  while (!at_end()) {
    if (!parse_outer_attrs(false)) return false;
    if (!pat_multi(true)) return false;
    if (kw(pos_, Keyword::If)) {
      ++pos_;
      if (!expr(true)) return false;
    }
    if (!eat_op2('=', '>')) return false;
    Ex body;
    if (!expr_early(body)) return false;
    const bool requires_comma = !block_like(body);
    if (requires_comma && !at_end()) {
      if (!expect_punct(',')) return false;
    } else if (punct(pos_, ',')) {
      ++pos_;
    }
  }
  return leave(saved);
}

}  // namespace rust::parser
