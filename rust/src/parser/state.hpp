// The parser's state and the helpers every grammar file uses. Private to the parser.
#pragma once

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <string_view>
#include <vector>

#include "parser.hpp"
#include "syntax.hpp"

namespace rust::parser {
// The grammar files are compiled as one unit (see rust/CMakeLists.txt), so the parser keeps
// internal linkage: the compiler inlines its small and single-use functions as it would within
// one file.
namespace {

// ---------------------------------------------------------------------------------------------
// Keywords

enum class Keyword : std::uint8_t {
  None,  // not a keyword (or a raw identifier)
#define KEYWORD(name, spelling, kind) name,
#include "keywords.def"
#undef KEYWORD
};

enum class KeywordClass : std::uint8_t { Reserved, Contextual };

struct KeywordInfo {
  std::string_view spelling;
  KeywordClass class_of;
};

/// Spelling and class of each keyword, indexed by Keyword (Keyword::None first).
inline constexpr KeywordInfo kKeywords[] = {
    {"", KeywordClass::Contextual},
#define KEYWORD(name, spelling, kind) {spelling, KeywordClass::kind},
#include "keywords.def"
#undef KEYWORD
};
inline constexpr std::size_t kKeywordCount = std::size(kKeywords);

/// A set of keywords, one bit each: the sets the grammar names are tested with one shift.
class KeywordSet {
 public:
  constexpr KeywordSet(std::initializer_list<Keyword> keywords) {
    for (const Keyword k : keywords) bits_ |= std::uint64_t{1} << static_cast<unsigned>(k);
  }
  constexpr bool contains(Keyword k) const {
    return ((bits_ >> static_cast<unsigned>(k)) & 1) != 0;
  }
  constexpr KeywordSet operator|(KeywordSet other) const {
    KeywordSet sum = *this;
    sum.bits_ |= other.bits_;
    return sum;
  }

 private:
  std::uint64_t bits_ = 0;
};
static_assert(kKeywordCount <= 64, "a keyword set holds every keyword in one word");

/// The keywords that are never identifiers.
inline constexpr KeywordSet kReservedKeywords = [] {
  KeywordSet set{};
  for (std::size_t k = 0; k < kKeywordCount; ++k) {
    if (kKeywords[k].class_of == KeywordClass::Reserved) set = set | KeywordSet{Keyword(k)};
  }
  return set;
}();

// Binding strength of operators, weakest first.
enum class Prec : std::uint8_t {
  Jump,
  Assign,
  Range,
  Or,
  And,
  Let,
  Compare,
  BitOr,
  BitXor,
  BitAnd,
  Shift,
  Sum,
  Product,
  Cast,
  Prefix,
  Unambiguous,
};

// What the parser remembers of an expression: enough to apply the grammar's restrictions and to
// recognise a call whose callee is a path.
enum class EK : std::uint8_t {
  Other,
  Path,
  Macro,       // a macro invocation in parentheses or brackets
  MacroBrace,  // a macro invocation in braces
  Range,
  Binary,
  Block,  // if, while, for, loop, match, try, unsafe, const and plain blocks
  Verbatim,
};

struct Ex {
  EK kind = EK::Other;
  Prec bin = Prec::Jump;  // Binary: the operator's precedence
  std::uint32_t start = 0;
  std::uint32_t name = kNoToken;  // Path: identifier of the last segment
  std::uint32_t segments = 0;     // Path: number of segments
};

struct PathInfo {
  std::uint32_t segments = 0;
  std::uint32_t last_ident = kNoToken;
  bool qself = false;
  bool leading_colon = false;
  bool mod_style = true;       // no segment has generic arguments
  bool last_has_args = false;  // the last segment has generic arguments
};

// What a type parse tells its caller.
struct TyInfo {
  bool path = false;         // a path type
  bool qself = false;        // ... with a qualified self
  bool simple = false;       // ... of one segment without leading `::` or parenthesised arguments
  bool bare_object = false;  // a trait object without `dyn` of a single bound, no trailing `+`
};

enum class Bound : std::uint8_t { Lifetime, Trait, Capture, Verbatim };

enum class Limits : std::uint8_t { HalfOpen, Closed };

constexpr std::size_t kNoCall = static_cast<std::size_t>(-1);

class Parser {
 public:
  explicit Parser(File& file);
  bool parse();

  std::uint32_t error_token() const { return pos_; }

 private:
  void apply_verbatim();
  void close_list(std::size_t base, std::uint32_t& first, std::uint32_t& count);

  // -------------------------------------------------------------------------------------------
  // Tokens
  std::string_view text(std::uint32_t i) const { return f_.tokens.text(i); }
  bool at_end() const { return pos_ >= end_; }
  bool in(std::uint32_t i) const { return i < end_; }
  bool punct(std::uint32_t i, char c) const {
    return in(i) && tok_[i].kind == TokenKind::Punct && tok_[i].punct() == c;
  }
  bool joint(std::uint32_t i) const { return (tok_[i].flags & Token::kJoint) != 0; }

  // A multi-character operator: every character but the last joined to the next. Asked at almost
  // every token, so always inline.
  [[gnu::always_inline]] bool op2(std::uint32_t i, char a, char b) const {
    return punct(i, a) && joint(i) && punct(i + 1, b);
  }
  bool op3(std::uint32_t i, char a, char b, char c) const {
    return op2(i, a, b) && joint(i + 1) && punct(i + 2, c);
  }
  bool colon2(std::uint32_t i) const { return op2(i, ':', ':'); }
  bool dot2(std::uint32_t i) const { return op2(i, '.', '.'); }
  bool open(std::uint32_t i, Delim d) const {
    return in(i) && tok_[i].kind == TokenKind::Open && tok_[i].delim() == d;
  }
  bool any_open(std::uint32_t i) const { return in(i) && tok_[i].kind == TokenKind::Open; }
  bool literal(std::uint32_t i) const { return in(i) && tok_[i].kind == TokenKind::Literal; }
  bool str_literal(std::uint32_t i) const {
    return literal(i) && (tok_[i].lit() == LitKind::Str || tok_[i].lit() == LitKind::RawStr);
  }
  bool kw(std::uint32_t i, Keyword k) const { return in(i) && keywords_[i] == k; }

  // Any identifier token, keywords included.
  bool ident_any(std::uint32_t i) const { return in(i) && tok_[i].kind == TokenKind::Ident; }

  // An identifier that is not a reserved word (raw identifiers always are identifiers).
  bool ident(std::uint32_t i) const {
    return ident_any(i) && !kReservedKeywords.contains(keywords_[i]);
  }
  bool lifetime(std::uint32_t i) const {
    return punct(i, '\'') && joint(i) && in(i + 1) && tok_[i + 1].kind == TokenKind::Ident;
  }

  // The token tree after the one at `i`: a group or a lifetime counts as one.
  std::uint32_t next_tt(std::uint32_t i) const {
    if (!in(i)) return end_;
    if (tok_[i].kind == TokenKind::Open) return tok_[i].partner + 1;
    if (lifetime(i)) return i + 2;
    return i + 1;
  }

  // The length in tokens of a literal at `i` as the grammar reads one: a literal token, `true`,
  // `false`, or `-` followed by a numeric literal. Zero when there is none.
  std::uint32_t lit_len(std::uint32_t i) const {
    if (literal(i)) return 1;
    if (kw(i, Keyword::True) || kw(i, Keyword::False)) return 1;
    if (punct(i, '-') && literal(i + 1) &&
        (tok_[i + 1].lit() == LitKind::Integer || tok_[i + 1].lit() == LitKind::Float)) {
      return 2;
    }
    return 0;
  }

  // -------------------------------------------------------------------------------------------
  // Recording
  void mark_joint(std::uint32_t i, std::uint32_t len) {
    for (std::uint32_t k = 0; k + 1 < len; ++k) f_.marks[i + k] |= kMarkJoint;
  }

  // Verbatim ranges nest (a macro inside an unparsed item, an unparsed item inside another);
  // they are marked once all are known, so that each token is marked once.
  void mark_verbatim(std::uint32_t first, std::uint32_t last) {
    if (first < last) verbatim_.push_back(TokenRange{first, last});
  }
  void edit(std::uint32_t first, std::uint32_t last, EditKind kind) {
    f_.edits.push_back(Edit{first, last, kind, 0, 0});
  }

  // Sizes of every record vector, to drop what a construct recorded once it turns out verbatim.
  struct Snapshot {
    std::size_t attrs, items, item_lists, use_nodes, use_lists, calls, edits, parts, list;
  };
  Snapshot snapshot() const {
    return Snapshot{f_.attrs.size(),     f_.items.size(),     f_.item_lists.size(),
                    f_.use_nodes.size(), f_.use_lists.size(), f_.calls.size(),
                    f_.edits.size(),     f_.parts.size(),     list_.size()};
  }

  // The tokens [first, pos_) become verbatim: printed as read, and nothing inside is recorded.
  void verbatim(std::uint32_t first, const Snapshot& s) {
    f_.attrs.resize(s.attrs);
    f_.items.resize(s.items);
    f_.item_lists.resize(s.item_lists);
    f_.use_nodes.resize(s.use_nodes);
    f_.use_lists.resize(s.use_lists);
    f_.calls.resize(s.calls);
    f_.edits.resize(s.edits);
    f_.parts.resize(s.parts);
    list_.resize(s.list);
    mark_verbatim(first, pos_);
  }
  void record_item(const Item& item) {
    list_.push_back(static_cast<std::uint32_t>(f_.items.size()));
    f_.items.push_back(item);
  }

  // Runs `parse` with the recording of items and of their attributes switched off.
  template <typename F>
  bool unrecorded(F parse) {
    const bool saved = record_;
    record_ = false;
    const bool ok = parse();
    record_ = saved;
    return ok;
  }

  // An item reader: it is given where its item begins and the records to fall back to should the
  // item be kept verbatim.
  using ItemReader = bool (Parser::*)(std::uint32_t begin, const Snapshot& snap);

  // Nesting guard: too deep a nesting is a syntax error, never a stack overflow.
  struct Nest {
    Parser& p;
    bool ok;
    explicit Nest(Parser& parser) : p(parser), ok(++parser.depth_ <= kMaxNesting) {}
    ~Nest() { --p.depth_; }
  };

  // -------------------------------------------------------------------------------------------
  // Groups

  // Enters the group opened at pos_ (which must be of delimiter `d`); `saved` keeps the outer end.
  bool enter(Delim d, std::uint32_t& saved) {
    saved = end_;
    if (!open(pos_, d)) return false;
    end_ = tok_[pos_].partner;
    ++pos_;
    return true;
  }

  // Leaves the current group, which must be fully consumed.
  bool leave(std::uint32_t saved) {
    if (pos_ != end_) return false;
    pos_ = end_ + 1;
    end_ = saved;
    return true;
  }

  // Skips a delimited token tree whose tokens are kept as read (a macro's or attribute's input).
  bool delimited_verbatim() {
    if (!any_open(pos_)) return false;
    const std::uint32_t close = tok_[pos_].partner;
    mark_verbatim(pos_ + 1, close);
    pos_ = close + 1;
    return true;
  }

  // Elements read by `element`, separated by commas (a trailing one allowed), up to the end of
  // the current group.
  template <typename F>
  bool comma_list(F element) {
    while (!at_end()) {
      if (!element()) return false;
      if (at_end()) break;
      if (!expect_punct(',')) return false;
    }
    return true;
  }

  // A group of delimiter `d` holding such a list.
  template <typename F>
  bool comma_group(Delim d, F element) {
    std::uint32_t saved;
    return enter(d, saved) && comma_list(element) && leave(saved);
  }

  // Elements read by `element` and joined by `sep` (a trailing one allowed), from here up to a
  // token where `stop` holds or an element that no `sep` follows.
  template <typename Stop, typename F>
  bool separated(char sep, Stop stop, F element) {
    for (;;) {
      if (stop()) return true;
      if (!element()) return false;
      if (!punct(pos_, sep)) return true;
      ++pos_;
    }
  }

  // Each steps over what it names and tells whether it was there; `expect_` where the grammar
  // requires it, `eat_` where it is optional.
  bool expect_punct(char c) {
    if (!punct(pos_, c)) return false;
    ++pos_;
    return true;
  }
  bool eat_kw(Keyword k) {
    if (!kw(pos_, k)) return false;
    ++pos_;
    return true;
  }
  bool expect_kw(Keyword k) { return eat_kw(k); }
  bool expect_ident() {
    if (!ident(pos_)) return false;
    ++pos_;
    return true;
  }
  bool eat_op2(char a, char b) {
    if (!op2(pos_, a, b)) return false;
    mark_joint(pos_, 2);
    pos_ += 2;
    return true;
  }
  bool eat_lifetime() {
    if (!lifetime(pos_)) return false;
    pos_ += 2;
    return true;
  }

  // -------------------------------------------------------------------------------------------
  // Paths

  // An identifier or one of the keywords that may stand as a segment of any path.
  bool segment(std::uint32_t i) const {
    return ident(i) || kw(i, Keyword::Super) || kw(i, Keyword::SelfValue) ||
           kw(i, Keyword::SelfType) || kw(i, Keyword::Crate);
  }

  // Where a path may begin: a segment, a leading `::` or a qualified self `<T as Trait>::`.
  bool qpath_start(std::uint32_t i) const { return segment(i) || colon2(i) || punct(i, '<'); }

  // Where a mod-style path starting at `i` ends, or kNoToken when none starts there.
  std::uint32_t skip_mod_style_path(std::uint32_t i) const {
    if (colon2(i)) i += 2;
    for (;;) {
      if (!segment(i)) return kNoToken;
      ++i;
      if (!colon2(i)) return i;
      i += 2;
    }
  }

  // -------------------------------------------------------------------------------------------
  // Generics
  struct Param {
    std::uint32_t first, last;  // the parameter and its comma
    bool lifetime, comma;
  };

  // The parameters or arguments of a `<...>` from just past the `<` through the `>`, which `gt`
  // is left at; `param` reads one and tells whether it is a lifetime. Each goes to params_.
  template <typename F>
  bool angle_list(std::uint32_t& gt, F param) {
    while (!punct(pos_, '>')) {
      Param p{pos_, 0, false, false};
      if (!param(p.lifetime)) return false;
      p.comma = !punct(pos_, '>');
      if (p.comma && !expect_punct(',')) return false;
      p.last = pos_;
      params_.push_back(p);
    }
    gt = pos_;
    return expect_punct('>');
  }

  // -------------------------------------------------------------------------------------------
  // Bounds

  // Bounds joined by `+` (see `separated`).
  template <typename Stop>
  bool plus_bounds(Stop stop, bool allow_const = true) {
    return separated('+', stop, [&] {
      Bound b;
      return bound(false, allow_const, b);
    });
  }

  // -------------------------------------------------------------------------------------------
  // Items

  // What a type alias holds besides its name.
  struct AliasShape {
    bool generics = false, colon = false, where = false, value = false;
  };

  // -------------------------------------------------------------------------------------------
  // Statements
  static bool block_like(const Ex& e) { return e.kind == EK::Block; }

  // -------------------------------------------------------------------------------------------
  // Expressions

  // An expression; `allow_struct` false where a brace would end it (conditions, scrutinees).
  bool expr(bool allow_struct, Ex& out) {
    if (!unary(allow_struct, out)) return false;
    return parse_expr(out, allow_struct, Prec::Jump);
  }

  // An expression whose form does not matter here.
  bool expr(bool allow_struct) {
    Ex e;
    return expr(allow_struct, e);
  }

  // -------------------------------------------------------------------------------------------
  // attributes.cpp

  bool parse_outer_attrs(bool record);
  bool parse_inner_attrs(bool record);
  bool parse_attr(AttrStyle style, bool record);

  // -------------------------------------------------------------------------------------------
  // paths.cpp

  bool mod_style_path();
  bool path_segment(bool expr_style, PathInfo& pi);
  bool path(bool expr_style, PathInfo& pi);
  bool qpath(bool expr_style, PathInfo& pi);
  bool angle_args();
  bool const_argument();

  // -------------------------------------------------------------------------------------------
  // generics_and_bounds.cpp

  void reorder_lifetimes_first(std::size_t base, std::uint32_t lt, std::uint32_t gt, bool params);
  bool generics();
  bool type_param_rest();
  bool bound_lifetimes();
  bool where_clause(std::uint32_t anchor = kNoToken);
  // Whether the token at pos_ ends a where clause or one of its predicates.
  bool where_ends() const {
    return at_end() || open(pos_, Delim::Brace) || punct(pos_, ',') || punct(pos_, ';') ||
           (punct(pos_, ':') && !colon2(pos_)) || punct(pos_, '=');
  }
  bool where_tail();
  bool where_predicate();
  bool bound(bool allow_capture, bool allow_const, Bound& out);
  bool trait_bound(bool allow_const, bool& is_const);
  bool parenthesized_args();
  bool bounds_list(bool allow_plus, bool allow_capture, bool allow_const);
  // Whether a bound may start at pos_ (a trailing `+` is followed by none).
  bool bound_ahead(bool allow_const) const {
    return ident_any(pos_) || colon2(pos_) || punct(pos_, '?') || lifetime(pos_) ||
           open(pos_, Delim::Paren) ||
           (allow_const && (open(pos_, Delim::Bracket) || kw(pos_, Keyword::Const)));
  }
  bool more_bounds();
  bool plus_more_bounds();

  // -------------------------------------------------------------------------------------------
  // types.cpp

  bool return_type(bool allow_plus);
  bool type(bool allow_plus, TyInfo* info = nullptr);
  bool bare_fn(bool& mut_self);

  // -------------------------------------------------------------------------------------------
  // items.cpp

  bool item_list(ItemReader item, std::uint32_t& first, std::uint32_t& count);
  bool item_block(ItemReader item, Item& owner);
  // Where a visibility starting at `i` ends (i itself when there is none).
  std::uint32_t skip_visibility(std::uint32_t i) const {
    if (!kw(i, Keyword::Pub)) return i;
    ++i;
    if (open(i, Delim::Paren)) {
      const std::uint32_t close = tok_[i].partner;
      const std::uint32_t c = i + 1;
      if ((kw(c, Keyword::Crate) || kw(c, Keyword::SelfValue) || kw(c, Keyword::Super)) &&
          c + 1 == close) {
        return close + 1;
      }
      if (kw(c, Keyword::In)) return close + 1;
    }
    return i;
  }
  bool visibility(Visibility& v);
  // `const`? `async`? (`unsafe` | `safe`)? (`extern` "abi"?)? `fn` at `i`.
  bool peek_signature(std::uint32_t i, bool allow_safe) const {
    if (kw(i, Keyword::Const)) ++i;
    if (kw(i, Keyword::Async)) ++i;
    if (allow_safe && kw(i, Keyword::Safe)) {
      ++i;
    } else if (kw(i, Keyword::Unsafe)) {
      ++i;
    }
    if (kw(i, Keyword::Extern)) {
      ++i;
      if (str_literal(i)) ++i;
    }
    return kw(i, Keyword::Fn);
  }
  bool signature(bool allow_safe, bool* safe = nullptr, std::uint32_t* name = nullptr);
  bool receiver_ahead(std::uint32_t i) const {
    if (punct(i, '&')) {
      ++i;
      if (lifetime(i)) i += 2;
    }
    if (kw(i, Keyword::Mut)) ++i;
    return kw(i, Keyword::SelfValue);
  }
  bool variadic();
  bool fn_args();
  bool fn_body(Item& it, bool record);
  bool fn_item(Item& it, std::uint32_t begin, const Snapshot& snap);
  bool const_rest(bool& value, bool& extras);
  bool type_alias_rest(bool where_last, AliasShape& shape);
  bool item_head(Item& it);
  // Whether the path of an item macro may start at `i`.
  bool macro_path_ahead(std::uint32_t i) const {
    return ident(i) || kw(i, Keyword::SelfValue) || kw(i, Keyword::Super) ||
           kw(i, Keyword::Crate) || colon2(i);
  }
  bool parse_item(std::uint32_t begin, const Snapshot& snap);
  bool item_rest(std::uint32_t begin, const Snapshot& snap, std::uint32_t attr_first);
  bool item_macro();
  bool type_bounds_until_eq();
  bool module(Item& it, std::uint32_t& attr_count);
  bool foreign_mod(Item& it);
  bool foreign_item(std::uint32_t begin, const Snapshot& snap);
  bool struct_data(std::uint32_t anchor);
  bool named_fields();
  bool unnamed_fields();
  bool enum_body();
  bool trait_item_def(Item& it);
  bool trait_rest(Item& it, std::uint32_t anchor);
  bool trait_item(std::uint32_t begin, const Snapshot& snap);
  bool impl(Item& it, bool& verb);
  bool impl_item(std::uint32_t begin, const Snapshot& snap);
  bool use_tree(bool allow_root, bool& none, std::uint32_t& node);

  // -------------------------------------------------------------------------------------------
  // statements.cpp

  bool block_within();
  bool block();
  bool block_with_inner();
  bool stmt(bool& requires_semi);
  bool local(bool& requires_semi);
  // Whether the expression just parsed ends with a brace.
  bool trailing_brace() const {
    return pos_ > 0 && tok_[pos_ - 1].kind == TokenKind::Close &&
           tok_[pos_ - 1].delim() == Delim::Brace;
  }
  bool stmt_expr(bool& requires_semi);

  // -------------------------------------------------------------------------------------------
  // expressions.cpp

  bool expr_early(Ex& out);
  // Whether the `for` at pos_ opens the `for<'a>` of a closure rather than a loop.
  bool closure_for_ahead() const {
    return punct(pos_ + 1, '<') && (lifetime(pos_ + 2) || punct(pos_ + 2, '>'));
  }
  bool expr_attrs();
  bool peek_binop(std::uint32_t i, Prec& prec, std::uint32_t& len) const;
  Prec peek_precedence() const;
  bool parse_expr(Ex& lhs, bool allow_struct, Prec base);
  bool binop_rhs(bool allow_struct, Prec prec, Ex& rhs);
  bool range_limits(Limits& limits);
  bool range_end(Limits limits, bool allow_struct);
  bool unary(bool allow_struct, Ex& out);
  [[gnu::noinline]] bool box_expr(std::uint32_t begin, bool allow_struct);
  bool operand(std::uint32_t begin, std::uint32_t attrs, bool stmt_attrs, bool allow_struct,
               Ex& out);
  bool trailers(Ex& e, std::size_t& outer_call);
  [[gnu::noinline]] bool member_trailer();
  [[gnu::noinline]] bool index_trailer();
  [[gnu::noinline]] bool call_args();
  bool index_member();
  bool split_index(bool& trailing_dot);
  bool atom(bool allow_struct, Ex& out);
  [[gnu::noinline]] bool builtin(Ex& out);
  [[gnu::noinline]] bool paren_or_tuple();
  [[gnu::noinline]] bool break_expr(bool allow_struct);
  [[gnu::noinline]] bool return_expr();
  [[gnu::noinline]] bool become(Ex& out);
  [[gnu::noinline]] bool array_or_repeat();
  [[gnu::noinline]] bool let_expr(bool allow_struct);
  [[gnu::noinline]] bool block_like_atom();
  [[gnu::noinline]] bool prefix_range(bool allow_struct);
  // Whether an expression can begin here (after `return`, `break` and `yield`).
  bool can_begin_expr() const {
    return (ident_any(pos_) && !kw(pos_, Keyword::As)) || open(pos_, Delim::Paren) ||
           open(pos_, Delim::Bracket) || open(pos_, Delim::Brace) || lit_len(pos_) > 0 ||
           (punct(pos_, '!') && !op2(pos_, '!', '=')) ||
           (punct(pos_, '-') && !op2(pos_, '-', '=') && !op2(pos_, '-', '>')) ||
           (punct(pos_, '*') && !op2(pos_, '*', '=')) ||
           (punct(pos_, '|') && !op2(pos_, '|', '=')) ||
           (punct(pos_, '&') && !op2(pos_, '&', '=')) || dot2(pos_) ||
           (punct(pos_, '<') && !op2(pos_, '<', '=') && !op3(pos_, '<', '<', '=')) ||
           colon2(pos_) || lifetime(pos_) || punct(pos_, '#');
  }
  bool labeled();
  [[gnu::noinline]] bool closure(bool allow_struct);
  [[gnu::noinline]] bool path_or_macro_or_struct(bool allow_struct, Ex& out);
  [[gnu::noinline]] bool struct_literal();
  [[gnu::noinline]] bool expr_if();
  [[gnu::noinline]] bool expr_while();
  [[gnu::noinline]] bool expr_for();
  bool expr_loop();
  [[gnu::noinline]] bool expr_match();

  // -------------------------------------------------------------------------------------------
  // patterns.cpp

  bool pat_multi(bool leading_vert);
  bool pat_single();
  bool range_pattern_end(bool obsolete);
  bool range_limits_obsolete(Limits& limits);
  bool range_bound(bool& some);
  bool pat_path_like();
  bool pat_struct();

  // -------------------------------------------------------------------------------------------

  File& f_;
  const Token* tok_;
  std::uint32_t n_;
  std::vector<Keyword> keywords_;  // per token: the keyword it is, or Keyword::None
  std::uint32_t pos_ = 0;
  std::uint32_t end_ = 0;
  int depth_ = 0;
  bool record_ = true;
  std::vector<std::uint32_t> list_;       // items of the lists being parsed
  std::vector<std::uint32_t> use_stack_;  // children of the use groups being parsed
  std::vector<Param> params_;             // generic parameters and arguments being parsed
  std::vector<TokenRange> verbatim_;      // token ranges kept as the lexer read them
  std::uint32_t generics_end_ = 0;        // see generics()
  std::uint32_t stmt_attrs_ = kNoToken;   // attributes of the expression statement being read
  std::size_t stmt_call_ = kNoCall;       // the call that took them, and its own position
  std::uint32_t stmt_call_position_ = 0;
};

}  // namespace
}  // namespace rust::parser
