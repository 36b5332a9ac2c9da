// Expressions: the operators by precedence climbing, the prefix operators, the postfix forms
// (calls, fields, methods, indexing, `?`), and the atoms: literals, paths, macros, struct
// literals, groups, blocks, closures, and the keyword forms.
#include "state.hpp"

namespace rust::parser {

// An expression where a statement may begin: a block-like expression ends it unless a method
// call or `?` follows. `stmt_attrs` is where the attributes of the statement begin, or kNoToken.
// The attributes read here (a match arm body's) belong to the first operand: the block-like
// expression with its postfix forms, or the unary expression the rest is built on.
bool Parser::expr_early(ExprShape& out, std::uint32_t stmt_attrs) {
  const std::uint32_t attrs = pos_;
  const Records before_attrs = records();
  if (!outer_attrs(false)) return false;
  ExprShape e;
  e.start = pos_;
  const bool blocky = is_keyword_in(pos_, kBlockLikeKeywords) ||
                      (is_keyword(pos_, Keyword::For) && !starts_closure_for(pos_)) ||
                      ((is_keyword(pos_, Keyword::Try) || is_keyword(pos_, Keyword::Const)) &&
                       is_open(pos_ + 1, Delim::Brace)) ||
                      is_open(pos_, Delim::Brace) || is_lifetime(pos_);
  if (!blocky) {
    if (!unary(true, e, stmt_attrs)) return false;
    if (attrs < e.start) {
      if (e.kind == ExprKind::Verbatim) {
        drop_records(before_attrs, records());
        mark_verbatim(attrs, e.start);
      }
      attach_attrs(e.node, attrs);
    }
    if (!expr_operators(e, true, Precedence::Jump)) return false;
    out = e;
    return true;
  }
  if (is_keyword(pos_, Keyword::Try)) {
    ++pos_;
    if (!block()) return false;
    e.node = record_node(NodeKind::TryBlock, e.start);
  } else if (!block_like_atom(e)) {
    return false;
  }
  e.kind = ExprKind::Block;
  const bool more = is_dot_or_try(pos_);
  if (more) {
    std::size_t outer_call;
    if (!trailers(e, outer_call)) return false;
  }
  if (attrs < e.start) attach_attrs(e.node, attrs);
  if (more && !expr_operators(e, true, Precedence::Jump)) return false;
  out = e;
  return true;
}

// Whether the `for` at `i` opens the binder of a closure rather than a loop.
inline bool Parser::starts_closure_for(std::uint32_t i) const {
  return starts_generic_parameters(i + 1);
}

// An outermost expression, standing where struct literals are allowed (inside delimiters, after
// the `=` of a let or an attribute, ...).
bool Parser::expr(bool allow_struct) {
  const std::uint32_t base = nodes_.size();
  ExprShape e;
  if (!expr_tree(allow_struct, e)) return false;
  finish_root(e.node, parens::Context::Plain, base);
  return true;
}

// The condition of if and while, the scrutinee of match, the iterator of for.
bool Parser::condition() {
  const std::uint32_t base = nodes_.size();
  ExprShape e;
  if (!expr_tree(false, e)) return false;
  finish_root(e.node, parens::Context::Condition, base);
  return true;
}

// Outer attributes from `first` on, written before the expression `e` (a verbatim expression
// holds them among its tokens).
void Parser::attach_attrs(std::uint32_t e, std::uint32_t first) {
  parens::Node& n = nodes_[e];
  n.first = first;
  if (n.kind != NodeKind::Verbatim) n.flags |= parens::kOuterAttrs | parens::kMayWrap;
}

// A statement's attributes go to the leftmost operand of its assignments, binary operations and
// casts (which it returns); the expressions on the way begin with them too.
std::uint32_t Parser::attach_stmt_attrs(std::uint32_t e, std::uint32_t first) {
  while (nodes_[e].kind == NodeKind::Assign || nodes_[e].kind == NodeKind::Binary ||
         nodes_[e].kind == NodeKind::Cast) {
    nodes_[e].first = first;
    nodes_[e].flags |= parens::kMayWrap;
    e = nodes_[e].left;
  }
  attach_attrs(e, first);
  return e;
}

// Records the parentheses printing adds in the outermost expression `root`.
[[gnu::noinline]] void Parser::record_wraps(std::uint32_t root, parens::Context context) {
  parens::find_wraps(nodes_.nodes(), root, context, wraps_);
  for (const TokenRange& w : wraps_) edit(w.first, w.last, EditKind::Wrap);
  wraps_.clear();
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
      const std::uint16_t flags = operator_flags_at(pos_, len);
      mark_joint(pos_, len);
      pos_ += len;
      ExprShape rhs;
      if (!binop_rhs(allow_struct, prec, rhs)) return false;
      lhs.kind = ExprKind::Binary;
      lhs.precedence = prec;
      lhs.node = record_node(NodeKind::Binary, nodes_[lhs.node].first, lhs.node, rhs.node, flags);
      nodes_[lhs.node].prec = prec;
    } else if (Precedence::Assign >= base && is_punct(pos_, '=') && !is_op(pos_, "=>")) {
      ++pos_;
      ExprShape rhs;
      if (!binop_rhs(allow_struct, Precedence::Assign, rhs)) return false;
      lhs.kind = ExprKind::Other;
      lhs.node = record_node(NodeKind::Assign, nodes_[lhs.node].first, lhs.node, rhs.node);
    } else if (Precedence::Range >= base && is_op(pos_, "..")) {
      Limits limits;
      if (!range_limits(limits)) return false;
      ExprShape end;
      if (!range_end(limits, allow_struct, end)) return false;
      lhs.kind = ExprKind::Range;
      lhs.node = record_node(NodeKind::Range, nodes_[lhs.node].first, lhs.node, end.node);
    } else if (Precedence::Cast >= base && is_keyword(pos_, Keyword::As)) {
      ++pos_;
      const std::uint32_t type_first = pos_;
      if (!type(false)) return false;
      if (is_dot_or_try(pos_) || is_open(pos_, Delim::Bracket) || is_open(pos_, Delim::Paren)) {
        return fail(Expected::CastBeforePostfix);
      }
      lhs.kind = ExprKind::Other;
      lhs.node = record_node(NodeKind::Cast, nodes_[lhs.node].first, lhs.node, kNoNode,
                             type_ends_in_bare_path(type_first, pos_) ? parens::kBarePathType : 0);
    } else {
      break;
    }
  }
  return true;
}

// Of a binary operator of `len` characters at `i`: whether it can also begin an expression (`-`,
// `*`, `&`, `|`, `&&`, `||`, `<`, `<<`) and whether it can open generic arguments.
std::uint16_t Parser::operator_flags_at(std::uint32_t i, std::uint32_t len) const {
  const char c = tokens_[i].punct();
  const bool doubled = len == 2 && is_punct(i + 1, c);
  if ((len == 1 && c == '<') || (doubled && c == '<')) {
    return parens::kOpBeginsExpr | parens::kOpBeginsArgs;
  }
  if (len == 1 && (c == '-' || c == '*' || c == '&' || c == '|')) return parens::kOpBeginsExpr;
  if (doubled && (c == '&' || c == '|')) return parens::kOpBeginsExpr;
  return 0;
}

// Whether the type [first, last) ends in a path whose last segment has no generic arguments, so
// that a `<` after it would open them: `u8`, `&T`, `fn() -> T`, `dyn (Trait)`.
bool Parser::type_ends_in_bare_path(std::uint32_t first, std::uint32_t last) const {
  // A bound or type kept verbatim at the end is no path.
  for (auto r = verbatim_ranges_.rbegin(); r != verbatim_ranges_.rend() && r->first >= first; ++r) {
    if (r->last == last) return false;
  }
  for (;;) {
    if (last <= first) return false;
    const std::uint32_t end = last - 1;
    if (tokens_[end].kind == TokenKind::Ident) {
      return !is_keyword(end, Keyword::Underscore) && !(end > first && is_lifetime(end - 1));
    }
    if (tokens_[end].kind != TokenKind::Close || tokens_[end].delim() != Delim::Paren) {
      return false;
    }
    // A parenthesised bound after `dyn`, `impl` or `+` ends as its own path does; any other
    // parentheses close a tuple, a parenthesised type, parameters or a macro's input.
    const std::uint32_t open = tokens_[end].partner;
    if (open == first || !(is_keyword(open - 1, Keyword::Dyn) ||
                           is_keyword(open - 1, Keyword::Impl) || is_punct(open - 1, '+'))) {
      return false;
    }
    first = open + 1;
    last = end;
  }
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
// cannot begin an expression here (and `end` keeps no node).
bool Parser::range_end(Limits limits, bool allow_struct, ExprShape& end) {
  if (limits == Limits::HalfOpen &&
      (at_end() || is_punct(pos_, ',') || is_punct(pos_, ';') || is_member_dot(pos_) ||
       is_punct(pos_, '?') || is_op(pos_, "=>") || (!allow_struct && is_open(pos_, Delim::Brace)) ||
       is_punct(pos_, '=') || is_punct(pos_, '+') || is_punct(pos_, '/') || is_punct(pos_, '%') ||
       is_punct(pos_, '^') || is_punct(pos_, '>') || is_op(pos_, "<=") || is_op(pos_, "!=") ||
       is_op(pos_, "-=") || is_op(pos_, "*=") || is_op(pos_, "&=") || is_op(pos_, "|=") ||
       is_op(pos_, "<<=") || is_keyword(pos_, Keyword::As))) {
    return true;
  }
  return binop_rhs(allow_struct, Precedence::Range, end);
}

// A unary expression. The prefix operators are read in a loop (they nest without limit in
// real code such as `&&&x` or `!!x`); the operand is an atom with its postfix forms.
// `stmt_attrs` is where the attributes of a statement begin when this is its leftmost operand.
bool Parser::unary(bool allow_struct, ExprShape& out, std::uint32_t stmt_attrs) {
  Nest nest(*this);
  if (!nest.ok) return false;
  // The prefix operators read so far, the last `prefix_count` of prefixes_, outermost first.
  std::uint32_t prefix_count = 0;
  // Where the attributes attached to the operand begin: those of a statement (when this is its
  // leftmost operand) or those written right before the operand.
  std::uint32_t attrs = stmt_attrs;
  const bool from_stmt = attrs != kNoToken;
  for (int prefixes = depth_;; ++prefixes) {
    if (prefixes > kMaxNesting) return fail(Expected::TooDeep);
    const std::uint32_t begin = pos_;
    const bool attributed = is_punct(pos_, '#');
    const Records before_attrs = attributed ? records() : Records{0, 0};
    if (!outer_attrs(false)) return false;
    if (!from_stmt || prefix_count > 0) attrs = begin;
    if (is_punct(pos_, '&')) {
      const std::uint32_t op = pos_++;
      bool raw = false;
      if (is_keyword(pos_, Keyword::Raw) &&
          (is_keyword(pos_ + 1, Keyword::Mut) || is_keyword(pos_ + 1, Keyword::Const))) {
        ++pos_;
        raw = true;
      }
      const bool mut = eat_keyword(Keyword::Mut);
      if (raw && !mut && !expect_keyword(Keyword::Const)) return false;
      prefixes_.push_back(Prefix{raw ? NodeKind::RawAddr : NodeKind::Reference, begin, op});
      ++prefix_count;
      continue;
    }
    if (is_punct(pos_, '*') || is_punct(pos_, '!') || is_punct(pos_, '-')) {
      prefixes_.push_back(Prefix{NodeKind::Unary, begin, pos_++});
      ++prefix_count;
      continue;
    }
    out = ExprShape{};
    out.start = pos_;
    // Attributes written right before a range with no start are refused (a statement's own
    // attributes were read before it and may precede one).
    if (pos_ > begin && is_op(pos_, "..")) return fail_at(begin, Expected::AttributesBeforeRange);
    if (!operand(begin, attrs, from_stmt && prefix_count == 0, allow_struct, out)) return false;
    // A verbatim expression keeps the attributes written right before it among its tokens (and
    // without attributes it leaves nothing recorded to drop).
    if (attributed && out.kind == ExprKind::Verbatim) drop_records(before_attrs, records());
    if (begin < out.start) attach_attrs(out.node, begin);
    if (prefix_count == 0) return true;
    for (; prefix_count > 0; --prefix_count) {
      const Prefix& prefix = prefixes_.back();
      out.node = record_node(prefix.kind, prefix.begin, kNoNode, out.node);
      if (prefix.begin < prefix.op) attach_attrs(out.node, prefix.begin);
      nodes_[out.node].start = prefix.op;
      prefixes_.pop_back();
    }
    out.kind = ExprKind::Other;
    return true;
  }
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
    const std::uint32_t first = nodes_[e.node].first;
    if (is_open(pos_, Delim::Paren)) {
      if (e.kind == ExprKind::Path && e.segments > 0) {
        outer_call = file_.calls.size();
        file_.calls.push_back(CallSite{e.start, e.name, e.segments > 1});
      }
      if (!call_args()) return false;
      e.kind = ExprKind::Other;
      e.node = record_node(NodeKind::Call, first, e.node);
      if (outer_call != kNoCall &&
          !(is_open(pos_, Delim::Paren) || is_open(pos_, Delim::Bracket) || is_dot_or_try(pos_))) {
        return true;
      }
    } else if (is_member_dot(pos_) && e.kind != ExprKind::Range) {
      ++pos_;
      e.kind = ExprKind::Other;
      if (!member_trailer(e)) return false;
    } else if (is_open(pos_, Delim::Bracket)) {
      if (!index_trailer()) return false;
      e.kind = ExprKind::Other;
      e.node = record_node(NodeKind::Index, first, e.node);
    } else if (is_punct(pos_, '?') && e.kind != ExprKind::Range) {
      ++pos_;
      e.kind = ExprKind::Other;
      e.node = record_node(NodeKind::Try, first, e.node);
    } else {
      break;
    }
  }
  return true;
}

// After the `.` of a postfix form: `.0.1`, `.await`, `.field`, `.0` or `.method::<T>(args)`.
[[gnu::noinline]] bool Parser::member_trailer(ExprShape& e) {
  const std::uint32_t first = nodes_[e.node].first;
  if (is_literal(pos_) && tokens_[pos_].lit() == LitKind::Float) {
    bool trailing_dot = false;
    std::uint32_t parts = 0;
    if (!split_index(trailing_dot, parts)) return false;
    for (std::uint32_t k = 0; k < parts; ++k) e.node = record_node(NodeKind::Field, first, e.node);
    if (!trailing_dot) return true;
  }
  if (is_keyword(pos_, Keyword::Await)) {
    ++pos_;
    e.node = record_node(NodeKind::Await, first, e.node);
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
  if ((turbofish || is_open(pos_, Delim::Paren)) && named) {
    if (!call_args()) return false;
    e.node = record_node(NodeKind::MethodCall, first, e.node);
    return true;
  }
  e.node = record_node(NodeKind::Field, first, e.node, kNoNode, named ? parens::kNamedMember : 0);
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

// `x.0.1`: the float literal `0.1` is two tuple indices, `parts` of them. Each part between the
// dots is read as an integer literal of its own, so `0.0x1f` is the indices 0 and 31; a part with
// a suffix or an exponent is refused.
bool Parser::split_index(bool& trailing_dot, std::uint32_t& parts) {
  std::string_view t = text(pos_);
  trailing_dot = !t.empty() && t.back() == '.';
  if (trailing_dot) t.remove_suffix(1);
  std::size_t start = 0;
  for (;;) {
    const std::size_t dot = t.find('.', start);
    const std::string_view part =
        t.substr(start, dot == std::string_view::npos ? t.npos : dot - start);
    if (part.empty() || part[0] < '0' || part[0] > '9') return fail(Expected::TupleIndex);
    std::uint32_t v;
    if (!tuple_index_value(part, v)) return fail(Expected::TupleIndex);
    ++parts;
    if (dot == std::string_view::npos) break;
    start = dot + 1;
  }
  edit(pos_, pos_ + 1, EditKind::SplitIndex);
  ++pos_;
  return true;
}

// An expression that needs no precedence: literals, paths, groups, blocks and keyword forms, with
// its node.
bool Parser::atom(bool allow_struct, ExprShape& out) {
  out.start = pos_;
  out.node = kNoNode;
  NodeKind kind = NodeKind::Verbatim;
  if (!atom_form(allow_struct, out, kind)) return false;
  if (out.node == kNoNode) out.node = record_node(kind, out.start);
  return true;
}

// The atom at the cursor: a form with parts records its node itself, any other tells its `kind`.
// Each form sits in a function of its own, so that the frames on the recursive path stay small.
bool Parser::atom_form(bool allow_struct, ExprShape& out, NodeKind& kind) {
  if (end_of_literal(pos_) == pos_ + 1) {  // a negative number is a literal under a prefix `-`
    ++pos_;
    kind = NodeKind::Lit;
    return true;
  }
  if (is_keyword(pos_, Keyword::Async) &&
      (is_open(pos_ + 1, Delim::Brace) ||
       (is_keyword(pos_ + 1, Keyword::Move) && is_open(pos_ + 2, Delim::Brace)))) {
    ++pos_;
    eat_keyword(Keyword::Move);
    kind = NodeKind::Async;
    return block();
  }
  if (is_keyword(pos_, Keyword::Try) && is_open(pos_ + 1, Delim::Brace)) {
    ++pos_;
    out.kind = ExprKind::Block;
    kind = NodeKind::TryBlock;
    return block();
  }
  if (is_punct(pos_, '|') || is_keyword(pos_, Keyword::Move) ||
      (is_keyword(pos_, Keyword::For) && starts_closure_for(pos_)) ||
      (is_keyword(pos_, Keyword::Const) && !is_open(pos_ + 1, Delim::Brace)) ||
      is_keyword(pos_, Keyword::Static) ||
      (is_keyword(pos_, Keyword::Async) &&
       (is_punct(pos_ + 1, '|') || is_keyword(pos_ + 1, Keyword::Move)))) {
    return closure(allow_struct, out);
  }
  if (is_keyword(pos_, Keyword::Builtin) && is_punct(pos_ + 1, '#')) return builtin(out);
  if (starts_path(pos_) ||
      (is_keyword(pos_, Keyword::Try) && (is_punct(pos_ + 1, '!') || is_op(pos_ + 1, "::")))) {
    return path_or_macro_or_struct(allow_struct, out);
  }
  if (is_open(pos_, Delim::Paren)) return paren_or_tuple(out);
  if (is_keyword(pos_, Keyword::Break)) return break_expr(allow_struct, out);
  if (is_keyword(pos_, Keyword::Continue)) {
    ++pos_;
    eat_lifetime();
    kind = NodeKind::Continue;
    return true;
  }
  if (is_keyword(pos_, Keyword::Return) || is_keyword(pos_, Keyword::Yield)) {
    return return_expr(out);
  }
  if (is_keyword(pos_, Keyword::Become)) return become(out);
  if (is_open(pos_, Delim::Bracket)) return array_or_repeat(out);
  if (is_keyword(pos_, Keyword::Let)) return let_expr(allow_struct, out);
  if (is_keyword_in(pos_, kBlockLikeKeywords) || is_keyword(pos_, Keyword::For) ||
      is_keyword(pos_, Keyword::Const) || is_open(pos_, Delim::Brace) || is_lifetime(pos_)) {
    out.kind = ExprKind::Block;
    return block_like_atom(out);
  }
  if (is_op(pos_, "..")) {
    out.kind = ExprKind::Range;
    return prefix_range(allow_struct, out);
  }
  if (is_keyword(pos_, Keyword::Underscore)) {
    ++pos_;
    kind = NodeKind::Infer;
    return true;
  }
  return fail(Expected::Expression);
}

// `builtin # name(tokens)`, in a type or an expression: the name an identifier, the parenthesised
// tokens unparsed.
bool Parser::builtin_call() {
  pos_ += 2;
  if (!expect_ident()) return false;
  if (!is_open(pos_, Delim::Paren)) return fail_punct('(');
  return verbatim_group();
}

// `builtin # name(tokens)` as an expression, kept verbatim.
[[gnu::noinline]] bool Parser::builtin(ExprShape& out) {
  if (!builtin_call()) return false;
  out.kind = ExprKind::Verbatim;
  return true;
}

// `(x)` is a parenthesised expression; `()`, `(x,)` and `(x, y)` are tuples.
[[gnu::noinline]] bool Parser::paren_or_tuple(ExprShape& out) {
  std::uint32_t saved;
  enter(Delim::Paren, saved);
  std::uint32_t elements = 0;
  const bool ok = comma_list([&] {
    ++elements;
    return expr(true);
  });
  if (!ok) return false;
  const bool comma = elements > 0 && is_punct(pos_ - 1, ',');
  if (!leave(saved)) return false;
  out.node = record_node(elements == 1 && !comma ? NodeKind::Paren : NodeKind::Tuple, out.start);
  return true;
}

// `break 'label? value?` (a labelled block after `break` is not allowed). Where struct literals
// are not allowed (a condition), a brace right after `break` is not its value, but a value that
// starts otherwise is read with struct literals allowed: `match break S {} {}` breaks with `S {}`.
[[gnu::noinline]] bool Parser::break_expr(bool allow_struct, ExprShape& out) {
  ++pos_;
  if (is_lifetime(pos_) && is_punct(pos_ + 2, ':')) return fail(Expected::LabelAfterBreak);
  const bool label = eat_lifetime();
  ExprShape value;
  if (starts_expression(pos_) && (allow_struct || !is_open(pos_, Delim::Brace))) {
    if (!expr_tree(true, value)) return false;
  }
  out.node =
      record_node(NodeKind::Break, out.start, kNoNode, value.node, label ? parens::kLabel : 0);
  return true;
}

// `return value?` and `yield value?`.
[[gnu::noinline]] bool Parser::return_expr(ExprShape& out) {
  const NodeKind kind = is_keyword(pos_, Keyword::Return) ? NodeKind::Return : NodeKind::Yield;
  ++pos_;
  ExprShape value;
  if (starts_expression(pos_)) {
    if (!expr_tree(true, value)) return false;
  }
  out.node = record_node(kind, out.start, kNoNode, value.node);
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
[[gnu::noinline]] bool Parser::array_or_repeat(ExprShape& out) {
  std::uint32_t saved;
  enter(Delim::Bracket, saved);
  NodeKind kind = NodeKind::Array;
  if (!at_end()) {
    if (!expr(true)) return false;
    if (is_punct(pos_, ';')) {
      ++pos_;
      if (!expr(true)) return false;
      kind = NodeKind::Repeat;
    } else {
      while (!at_end()) {
        if (!expect_punct(',')) return false;
        if (at_end()) break;
        if (!expr(true)) return false;
      }
    }
  }
  if (!leave(saved)) return false;
  out.node = record_node(kind, out.start);
  return true;
}

// `let pattern = scrutinee` in a condition; the scrutinee takes no operator weaker than `==`.
[[gnu::noinline]] bool Parser::let_expr(bool allow_struct, ExprShape& out) {
  ++pos_;
  if (!pat_multi(true) || !expect_punct('=')) return false;
  ExprShape scrutinee;
  if (!unary(allow_struct, scrutinee)) return false;
  if (!expr_operators(scrutinee, allow_struct, Precedence::Compare)) return false;
  out.node = record_node(NodeKind::Let, out.start, kNoNode, scrutinee.node);
  return true;
}

// `if`, `while`, `for`, `loop`, `match`, `unsafe { }`, `const { }`, a labelled loop or block, or a
// plain block.
[[gnu::noinline]] bool Parser::block_like_atom(ExprShape& out) {
  const std::uint32_t first = pos_;
  std::uint16_t flags = 0;
  if (is_lifetime(pos_)) {  // `'label:` before a loop or a block
    pos_ += 2;
    if (!expect_punct(':')) return false;
    flags = parens::kLabel;
    if (!(is_keyword(pos_, Keyword::While) || is_keyword(pos_, Keyword::For) ||
          is_keyword(pos_, Keyword::Loop) || is_open(pos_, Delim::Brace))) {
      return fail(Expected::LoopOrBlock);
    }
  }
  // The forms that begin with a keyword and are read by a function of their own.
  struct Form {
    Keyword keyword;
    NodeKind kind;
    bool (Parser::*read)();
  };
  static constexpr Form kForms[] = {
      {Keyword::If, NodeKind::If, &Parser::expr_if},
      {Keyword::While, NodeKind::While, &Parser::expr_while},
      {Keyword::For, NodeKind::ForLoop, &Parser::expr_for},
      {Keyword::Loop, NodeKind::Loop, &Parser::expr_loop},
      {Keyword::Match, NodeKind::Match, &Parser::expr_match},
  };
  const Form* form = std::find_if(std::begin(kForms), std::end(kForms),
                                  [&](const Form& f) { return is_keyword(pos_, f.keyword); });
  NodeKind kind = NodeKind::Block;
  bool ok = false;
  if (form != std::end(kForms)) {
    kind = form->kind;
    ok = (this->*form->read)();
  } else if (is_keyword(pos_, Keyword::Unsafe) || is_keyword(pos_, Keyword::Const)) {
    kind = is_keyword(pos_, Keyword::Unsafe) ? NodeKind::Unsafe : NodeKind::Const;
    ++pos_;
    ok = block_with_inner();
  } else {
    if (is_open(pos_, Delim::Brace) && is_punct(pos_ + 1, '#') && is_punct(pos_ + 2, '!')) {
      flags |= parens::kInnerAttrs;
    }
    ok = block_with_inner();
  }
  if (!ok) return false;
  out.node = record_node(kind, first, kNoNode, kNoNode, flags);
  return true;
}

// `..end`, `..=end` or `..` alone.
[[gnu::noinline]] bool Parser::prefix_range(bool allow_struct, ExprShape& out) {
  Limits limits;
  if (!range_limits(limits)) return false;
  ExprShape end;
  if (!range_end(limits, allow_struct, end)) return false;
  out.node = record_node(NodeKind::Range, out.start, kNoNode, end.node);
  return true;
}

// `for<..>? const? static? async? move? |params| body`, the body a block when a return type is
// given.
[[gnu::noinline]] bool Parser::closure(bool allow_struct, ExprShape& out) {
  if (is_keyword(pos_, Keyword::For) && !binder()) return false;
  eat_keyword(Keyword::Const);
  eat_keyword(Keyword::Static);
  eat_keyword(Keyword::Async);
  eat_keyword(Keyword::Move);
  if (!expect_punct('|')) return false;
  for (;;) {
    if (is_punct(pos_, '|')) break;
    const std::uint32_t attrs = pos_;
    const Records before_attrs = records();
    if (!outer_attrs(false)) return false;
    const std::uint32_t pattern = pos_;
    const Records after_attrs = records();
    PatternShape shape;
    if (!pat_single(shape)) return false;
    if (is_punct(pos_, ':')) {
      ++pos_;
      if (!type(true)) return false;
    } else if (attrs < pattern && is_keyword(pattern, Keyword::Box)) {
      // An untyped parameter keeps its attributes on its pattern, which a box pattern, kept as
      // read, has no place for: they are dropped.
      drop_records(before_attrs, after_attrs);
      edit(attrs, pattern, EditKind::Delete);
    } else if (attrs < pattern && shape != PatternShape::Other) {
      // A range pattern prints its attributes before parentheses around it.
      edit(pattern, pos_, EditKind::Wrap);
    }
    if (is_punct(pos_, '|')) break;
    if (!expect_punct(',')) return false;
  }
  if (!expect_punct('|')) return false;
  ExprShape body;
  std::uint16_t flags = parens::kDefaultOutput;
  if (is_op(pos_, "->")) {
    eat_op("->");
    if (!type(true)) return false;
    body.start = pos_;
    if (!block()) return false;
    body.node = record_node(NodeKind::Block, body.start);
    flags = 0;
  } else if (!expr_tree(allow_struct, body)) {
    return false;
  }
  out.node = record_node(NodeKind::Closure, out.start, kNoNode, body.node, flags);
  return true;
}

// A path, a macro invocation `path!(...)` or a struct literal `Path { fields }`.
[[gnu::noinline]] bool Parser::path_or_macro_or_struct(bool allow_struct, ExprShape& out) {
  PathShape path_shape;
  if (!qpath(true, path_shape)) return false;
  if (!path_shape.qself && is_bang(pos_) && path_shape.mod_style) {
    ++pos_;
    if (!is_any_open(pos_)) return fail(Expected::Group);
    const bool brace = is_open(pos_, Delim::Brace);
    out.kind = brace ? ExprKind::MacroBrace : ExprKind::Macro;
    verbatim_group();
    out.node =
        record_node(NodeKind::Macro, out.start, kNoNode, kNoNode, brace ? parens::kBraceMacro : 0);
    return true;
  }
  if (allow_struct && is_open(pos_, Delim::Brace)) {
    out.kind = ExprKind::Other;
    if (!struct_literal()) return false;
    out.node = record_node(NodeKind::Struct, out.start);
    return true;
  }
  out.kind = ExprKind::Path;
  out.name = path_shape.last_ident;
  out.segments = path_shape.segments;
  out.node = record_node(NodeKind::Path, out.start);
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
    if (!condition()) return false;
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
  if (!condition()) return false;
  return block_with_inner();
}

[[gnu::noinline]] bool Parser::expr_for() {
  ++pos_;
  if (!pat_multi(true) || !expect_keyword(Keyword::In)) return false;
  if (!condition()) return false;
  return block_with_inner();
}

bool Parser::expr_loop() {
  ++pos_;
  return block_with_inner();
}

// `match scrutinee { pattern if guard => body, ... }`; a block-like body needs no comma.
[[gnu::noinline]] bool Parser::expr_match() {
  ++pos_;
  if (!condition()) return false;
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
    const std::uint32_t base = nodes_.size();
    if (!expr_early(body)) return false;
    finish_root(body.node, parens::Context::MatchArm, base);
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
