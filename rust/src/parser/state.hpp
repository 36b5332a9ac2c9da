// The parser's state and the vocabulary every grammar file speaks. Private to the parser.
//
// The parser reads the token vector of one file with a cursor, `pos_`, that moves forward only,
// inside the current group: `end_` is the index of the group's closing token (or the token count
// at the top level), and a group is entered and left as a whole. A grammar function is named after
// the construct it reads at the cursor (`type`, `pat_single`, `use_tree`, `expr`) and returns false
// on a syntax error; the first error ends the whole parse.
//
// Looking ahead. A predicate is given the index `i` of the token it looks at (most often pos_); it
// neither moves the cursor nor records anything, and past `end_` it sees nothing:
//   is_*(i)       what the token at i is: is_punct(i, ';'), is_op(i, "::") (an operator of joined
//                 characters), is_open(i, Delim::Brace), is_keyword(i, Keyword::Fn),
//                 is_keyword_in(i, kModuleKeywords), is_ident(i) (not a reserved word) ...
//   starts_*(i)   whether a construct may start at i, judged by looking ahead: starts_path(i),
//                 starts_signature(i, ...), starts_expression(i)
//   ends_*(i)     whether the token at i ends the construct being read: ends_where_clause(i)
//   end_of_*(i)   the index just past the construct that starts at i: end_of_token_tree(i),
//                 end_of_literal(i) and end_of_visibility(i) (i itself when there is none)
//   *_at(i)       what the operator at i is, as a value: precedence_at(i)
// Consuming, at the cursor:
//   eat_*()       steps over the thing named if it is there and tells whether it was; never an
//                 error (eat_keyword, eat_op, eat_lifetime)
//   expect_*()    steps over it, or fails: a syntax error (expect_punct, expect_keyword ...)
//
// Recording. Besides checking the grammar, the parser records into the File: the spacing marks of
// tokens, the edits of the printed form, the attributes, items, use trees and call sites. A
// construct that turns out to be kept as unparsed tokens ("verbatim") drops what it recorded: its
// reader takes a Snapshot of the record sizes where it begins and calls keep_verbatim. While an
// outermost expression is read, each expression in it is recorded as a node of its shape
// (parens.hpp); once it is read, its nodes give the parentheses printing adds and are dropped.
//
// The grammar, one file per construct: attributes.cpp; paths.cpp (paths, generic arguments);
// generics_and_bounds.cpp (generic parameters, where clauses, bounds); types.cpp; items.cpp
// (items, visibility, functions, use trees); statements.cpp (blocks, statements);
// expressions.cpp; patterns.cpp. parser.cpp holds the entry and the keyword lookup.
#pragma once

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <span>
#include <string_view>
#include <vector>

#include "parens.hpp"
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

/// `crate`, `self` and `super`: the keywords that name a module relative to this one, as in
/// `pub(crate)`, `self::a` or a macro path `super::m!`.
inline constexpr KeywordSet kModuleKeywords = {Keyword::Crate, Keyword::SelfValue, Keyword::Super};
/// The keywords that may stand as a segment of any path: those and `Self`.
inline constexpr KeywordSet kPathSegmentKeywords = kModuleKeywords | KeywordSet{Keyword::SelfType};
/// The keywords read as a whole path segment, never followed by generic arguments: the module
/// keywords and `try` (a plain name in older code).
inline constexpr KeywordSet kPlainSegmentKeywords = kModuleKeywords | KeywordSet{Keyword::Try};
/// The keywords that begin a function pointer type (after its `for<..>`).
inline constexpr KeywordSet kFnPointerKeywords = {Keyword::Fn, Keyword::Unsafe, Keyword::Extern};
/// The keywords that begin a block-like expression whatever follows them.
inline constexpr KeywordSet kBlockLikeKeywords = {Keyword::If, Keyword::While, Keyword::Loop,
                                                  Keyword::Match, Keyword::Unsafe};

// ---------------------------------------------------------------------------------------------
// What a reader tells its caller of what it read

// Binding strength of operators, and the forms of expression recorded as nodes for printing.
using parens::Precedence;
using NodeKind = parens::Kind;
using parens::kNoNode;

enum class ExprKind : std::uint8_t {
  Other,
  Path,
  Macro,       // a macro invocation in parentheses or brackets
  MacroBrace,  // a macro invocation in braces
  Range,
  Binary,
  Block,  // if, while, for, loop, match, try, unsafe, const and plain blocks
  Verbatim,
};

constexpr std::size_t kNoCall = static_cast<std::size_t>(-1);

// A call that the attributes of its statement moved to their own start, as it was before.
struct AttributedCall {
  std::size_t index = kNoCall;        // in File::calls
  std::uint32_t position = 0;         // its own position
  std::uint32_t expr_stmts_read = 0;  // Parser::expr_stmts_read_ when it was moved
};

// What the parser remembers of an expression: enough to apply the grammar's restrictions and to
// recognise a call whose callee is a path.
struct ExprShape {
  ExprKind kind = ExprKind::Other;
  Precedence precedence = Precedence::Jump;  // Binary: the operator's precedence
  std::uint32_t start = 0;
  std::uint32_t node = kNoNode;    // its record among the expression nodes
  std::uint32_t name = kNoToken;   // Path: identifier of the last segment
  std::uint32_t segments = 0;      // Path: number of segments
  AttributedCall attributed_call;  // the leftmost call of a statement with attributes

  bool block_like() const { return kind == ExprKind::Block; }
};

// What a path parse tells its caller.
struct PathShape {
  std::uint32_t segments = 0;
  std::uint32_t last_ident = kNoToken;
  bool qself = false;
  bool leading_colon = false;
  bool mod_style = true;                     // no segment has generic arguments
  bool last_has_args = false;                // the last segment has generic arguments
  bool last_args_empty = false;              // ... and they are an empty `<>`
  std::uint32_t last_args_first = kNoToken;  // where they begin (`::` or `<`)
};

// What a type parse tells its caller.
struct TypeShape {
  bool path = false;         // a path type
  bool qself = false;        // ... with a qualified self
  bool simple = false;       // ... of one segment without leading `::` or parenthesised arguments
  bool bare_object = false;  // a trait object without `dyn` of a single bound, no trailing `+`
};

enum class BoundKind : std::uint8_t { Lifetime, Trait, Capture, Verbatim };

enum class Limits : std::uint8_t { HalfOpen, Closed };

// What a pattern is, as far as its place cares: a range with both ends, a range missing one.
enum class PatternShape : std::uint8_t { Other, Range, OpenRange };

// ---------------------------------------------------------------------------------------------
// Failures

// What the parser expected where it stopped, or why it refused what it found there.
enum class Expected : std::uint8_t {
  Nothing,  // no failure recorded
  Token,    // the token spelled Failure::spelling: `;`, `::`, `fn`, the current group's `)`
  Group,    // a delimited group, a macro's input
  Item,
  Type,
  Expression,
  Pattern,
  Path,
  Identifier,
  Lifetime,
  TraitBound,
  GenericParameter,
  ConstArgument,
  TupleIndex,
  FieldName,
  ConstOrMut,
  LoopOrBlock,
  RangeEnd,
  // Refusals of what is there.
  ChainedComparison,
  CastBeforePostfix,
  TooDeep,
  CaptureNotAllowed,
  ConstBoundNotAllowed,
  BinderOnMaybeBound,
  SelfNotFirst,
  LabelAfterBreak,
  VisibilityNotAllowed,
  ObsoleteRange,
  GenericsAfterWhere,
  UnderscoreInBinder,
  AttributesBeforeRange,
  OpenRangeInSlice,
  NegativeInherentImpl,
};

// Where and why the parse failed: the furthest token it reached, and what it expected there.
struct Failure {
  std::uint32_t token = kNoToken;
  Expected expected = Expected::Nothing;
  std::string_view spelling;  // Token: a static text
};

// The nodes of the expressions being read: a stack that one outermost expression fills and
// empties again. Pushing, done for every expression, is a store and an increment; the storage
// only grows.
class NodeStack {
 public:
  std::uint32_t push(const parens::Node& node) {
    if (size_ == storage_.size()) grow();
    storage_[size_] = node;
    return size_++;
  }
  parens::Node& operator[](std::uint32_t i) { return storage_[i]; }
  std::uint32_t size() const { return size_; }
  // Drops the nodes from `size` on.
  void truncate(std::uint32_t size) { size_ = size; }
  std::span<const parens::Node> nodes() const { return {storage_.data(), size_}; }

 private:
  [[gnu::noinline]] void grow() { storage_.resize(storage_.empty() ? 64 : 2 * storage_.size()); }

  std::vector<parens::Node> storage_;
  std::uint32_t size_ = 0;
};

class Parser {
 public:
  explicit Parser(File& file);
  // Parses the whole file into its records; false on a syntax error, described by failure().
  bool parse();
  // Why parse() failed; when no reader said why (Expected::Nothing), the token is where the
  // cursor stopped.
  Failure failure() const;

 private:
  // -------------------------------------------------------------------------------------------
  // The tokens, looked at

  std::string_view text(std::uint32_t i) const { return file_.tokens.text(i); }
  bool at_end() const { return pos_ >= end_; }
  // Whether `i` lies inside the current group.
  bool inside(std::uint32_t i) const { return i < end_; }

  bool is_punct(std::uint32_t i, char c) const {
    return inside(i) && tokens_[i].kind == TokenKind::Punct && tokens_[i].punct() == c;
  }
  // Whether the punctuation at `i` is joined to the next token.
  bool is_joint(std::uint32_t i) const { return (tokens_[i].flags & Token::kJoint) != 0; }
  // An operator of two or three characters (`::`, `..=`), every character but the last joined to
  // the next. Asked at almost every token, so always inline.
  template <std::size_t N>
  [[gnu::always_inline]] bool is_op(std::uint32_t i, const char (&op)[N]) const {
    static_assert(N == 3 || N == 4, "an operator of two or three characters");
    if (!(is_punct(i, op[0]) && is_joint(i) && is_punct(i + 1, op[1]))) return false;
    if constexpr (N == 4) return is_joint(i + 1) && is_punct(i + 2, op[2]);
    return true;
  }
  // A `.` that is not the start of `..`: a field, method call, tuple index or `.await` follows.
  bool is_member_dot(std::uint32_t i) const { return is_punct(i, '.') && !is_op(i, ".."); }
  // A `.` (not `..`) or a `?`: the postfix forms that let a block-like expression go on.
  bool is_dot_or_try(std::uint32_t i) const { return is_member_dot(i) || is_punct(i, '?'); }
  // A `!` that is not the start of `!=`: the bang of a macro invocation.
  bool is_bang(std::uint32_t i) const { return is_punct(i, '!') && !is_op(i, "!="); }

  bool is_open(std::uint32_t i, Delim d) const {
    return inside(i) && tokens_[i].kind == TokenKind::Open && tokens_[i].delim() == d;
  }
  bool is_any_open(std::uint32_t i) const {
    return inside(i) && tokens_[i].kind == TokenKind::Open;
  }
  bool is_literal(std::uint32_t i) const {
    return inside(i) && tokens_[i].kind == TokenKind::Literal;
  }
  bool is_string_literal(std::uint32_t i) const {
    return is_literal(i) &&
           (tokens_[i].lit() == LitKind::Str || tokens_[i].lit() == LitKind::RawStr);
  }

  bool is_keyword(std::uint32_t i, Keyword k) const { return inside(i) && keywords_[i] == k; }
  bool is_keyword_in(std::uint32_t i, KeywordSet set) const {
    return inside(i) && set.contains(keywords_[i]);
  }
  // Any identifier token, keywords included.
  bool is_ident_or_keyword(std::uint32_t i) const {
    return inside(i) && tokens_[i].kind == TokenKind::Ident;
  }
  // An identifier that is not a reserved word (raw identifiers always are identifiers).
  bool is_ident(std::uint32_t i) const {
    return is_ident_or_keyword(i) && !kReservedKeywords.contains(keywords_[i]);
  }
  // A name that may also be `_` (a constant, a parameter, a rename in `use` or `extern crate`).
  bool is_ident_or_underscore(std::uint32_t i) const {
    return is_ident(i) || is_keyword(i, Keyword::Underscore);
  }
  // A name that may also be `try` (a module, the name after a macro's bang).
  bool is_ident_or_try(std::uint32_t i) const { return is_ident(i) || is_keyword(i, Keyword::Try); }
  // A lifetime or label: a quote joined to an identifier. It is two tokens.
  bool is_lifetime(std::uint32_t i) const {
    return is_punct(i, '\'') && is_joint(i) && inside(i + 1) &&
           tokens_[i + 1].kind == TokenKind::Ident;
  }

  // An identifier or one of the keywords that may stand as a segment of any path.
  bool is_path_segment(std::uint32_t i) const {
    return is_ident(i) || is_keyword_in(i, kPathSegmentKeywords);
  }
  // Where a path may begin: a segment, a leading `::` or a qualified self `<T as Trait>::`.
  bool starts_path(std::uint32_t i) const {
    return is_path_segment(i) || is_op(i, "::") || is_punct(i, '<');
  }
  // `,` or `>`: the end of a generic parameter or argument.
  bool ends_generic_parameter(std::uint32_t i) const {
    return is_punct(i, ',') || is_punct(i, '>');
  }
  // `default` as a qualifier of an impl or of an impl's item (not the macro `default!`).
  bool is_default_qualifier(std::uint32_t i) const {
    return is_keyword(i, Keyword::Default) && !is_punct(i + 1, '!');
  }

  // The token tree after the one at `i`: a group or a lifetime counts as one.
  std::uint32_t end_of_token_tree(std::uint32_t i) const {
    if (!inside(i)) return end_;
    if (tokens_[i].kind == TokenKind::Open) return tokens_[i].partner + 1;
    if (is_lifetime(i)) return i + 2;
    return i + 1;
  }
  // Where a literal at `i` ends, as the grammar reads one: a literal token, `true`, `false`, or
  // `-` followed by a numeric literal; `i` itself when there is none.
  std::uint32_t end_of_literal(std::uint32_t i) const {
    if (is_literal(i)) return i + 1;
    if (is_keyword(i, Keyword::True) || is_keyword(i, Keyword::False)) return i + 1;
    if (is_punct(i, '-') && is_literal(i + 1) &&
        (tokens_[i + 1].lit() == LitKind::Integer || tokens_[i + 1].lit() == LitKind::Float)) {
      return i + 2;
    }
    return i;
  }
  bool starts_literal(std::uint32_t i) const { return end_of_literal(i) != i; }
  // Where a mod-style path starting at `i` ends, or kNoToken when none starts there.
  std::uint32_t end_of_mod_style_path(std::uint32_t i) const {
    if (is_op(i, "::")) i += 2;
    for (;;) {
      if (!is_path_segment(i)) return kNoToken;
      ++i;
      if (!is_op(i, "::")) return i;
      i += 2;
    }
  }
  // Where a visibility starting at `i` ends (i itself when there is none).
  std::uint32_t end_of_visibility(std::uint32_t i) const {
    if (!is_keyword(i, Keyword::Pub)) return i;
    ++i;
    if (is_open(i, Delim::Paren)) {
      const std::uint32_t close = tokens_[i].partner;
      const std::uint32_t c = i + 1;
      if (is_keyword_in(c, kModuleKeywords) && c + 1 == close) return close + 1;
      if (is_keyword(c, Keyword::In)) return close + 1;
    }
    return i;
  }
  // `const`? `async`? (`unsafe` | `safe`)? (`extern` "abi"?)? `fn` at `i`.
  bool starts_signature(std::uint32_t i, bool allow_safe) const {
    if (is_keyword(i, Keyword::Const)) ++i;
    if (is_keyword(i, Keyword::Async)) ++i;
    if (allow_safe && is_keyword(i, Keyword::Safe)) {
      ++i;
    } else if (is_keyword(i, Keyword::Unsafe)) {
      ++i;
    }
    if (is_keyword(i, Keyword::Extern)) {
      ++i;
      if (is_string_literal(i)) ++i;
    }
    return is_keyword(i, Keyword::Fn);
  }
  // Whether the `<` at `i`, after `impl`, `where` or `for`, opens generic parameters rather than
  // a qualified path: `<>`, `<#`, `<const`, or a lifetime or identifier followed by `>`, `,`, `=`
  // or a `:` that does not begin `::` (`<T>::X` counts as generic parameters).
  bool starts_generic_parameters(std::uint32_t i) const {
    if (!is_punct(i, '<')) return false;
    const std::uint32_t n = i + 1;
    if (is_punct(n, '>') || is_punct(n, '#') || is_keyword(n, Keyword::Const)) return true;
    if (!(is_lifetime(n) || is_ident(n))) return false;
    const std::uint32_t k = end_of_token_tree(n);
    return is_punct(k, '>') || is_punct(k, ',') || is_punct(k, '=') ||
           (is_punct(k, ':') && !is_op(k, "::"));
  }
  // Whether the path of an item macro may start at `i`.
  bool starts_macro_path(std::uint32_t i) const {
    return is_ident(i) || is_keyword_in(i, kModuleKeywords) || is_op(i, "::");
  }
  // Whether the token before the cursor closes a brace group: the expression just read ends
  // with a block.
  bool follows_brace() const {
    return pos_ > 0 && tokens_[pos_ - 1].kind == TokenKind::Close &&
           tokens_[pos_ - 1].delim() == Delim::Brace;
  }

  // -------------------------------------------------------------------------------------------
  // Failing

  // Records why the parse fails at the cursor, unless it failed further on already, and returns
  // false for the caller to return. Only the paths of syntax errors call it.
  bool fail(Expected expected, std::string_view spelling = {}) {
    return fail_at(pos_, expected, spelling);
  }
  // The same for a refusal of the construct that begins at `token`.
  bool fail_at(std::uint32_t token, Expected expected, std::string_view spelling = {});
  // Expected the punctuation `c`, the keyword `k`, the end of the current group.
  bool fail_punct(char c);
  bool fail_keyword(Keyword k) { return fail(Expected::Token, kKeywords[std::size_t(k)].spelling); }
  bool fail_close();

  // -------------------------------------------------------------------------------------------
  // Recording

  void mark_joint(std::uint32_t i, std::uint32_t len) {
    for (std::uint32_t k = 0; k + 1 < len; ++k) file_.marks[i + k] |= kMarkJoint;
  }
  // Verbatim ranges nest (a macro inside an unparsed item, an unparsed item inside another);
  // they are marked once all are known, so that each token is marked once.
  void mark_verbatim(std::uint32_t first, std::uint32_t last) {
    if (first < last) verbatim_ranges_.push_back(TokenRange{first, last});
  }
  void apply_verbatim();
  void edit(std::uint32_t first, std::uint32_t last, EditKind kind) {
    file_.edits.push_back(Edit{first, last, kind, 0, 0});
  }

  // Sizes of every record vector, to drop what a construct recorded once it turns out verbatim.
  struct Snapshot {
    std::size_t attrs, items, item_lists, use_nodes, use_lists, calls, edits, parts, item_stack;
  };
  Snapshot snapshot() const {
    return Snapshot{file_.attrs.size(),     file_.items.size(),     file_.item_lists.size(),
                    file_.use_nodes.size(), file_.use_lists.size(), file_.calls.size(),
                    file_.edits.size(),     file_.parts.size(),     item_stack_.size()};
  }
  // The tokens [first, pos_) become verbatim: printed as read, and nothing inside is recorded.
  void keep_verbatim(std::uint32_t first, const Snapshot& s) {
    file_.attrs.resize(s.attrs);
    file_.items.resize(s.items);
    file_.item_lists.resize(s.item_lists);
    file_.use_nodes.resize(s.use_nodes);
    file_.use_lists.resize(s.use_lists);
    file_.calls.resize(s.calls);
    file_.edits.resize(s.edits);
    file_.parts.resize(s.parts);
    item_stack_.resize(s.item_stack);
    mark_verbatim(first, pos_);
  }

  // The calls and edits recorded so far; what lies between two such marks can be dropped when
  // the tokens it came from turn out to be kept as read.
  struct Records {
    std::size_t calls, edits;
  };
  Records records() const { return Records{file_.calls.size(), file_.edits.size()}; }
  void drop_records(const Records& from, const Records& to) {
    file_.calls.erase(file_.calls.begin() + static_cast<std::ptrdiff_t>(from.calls),
                      file_.calls.begin() + static_cast<std::ptrdiff_t>(to.calls));
    file_.edits.erase(file_.edits.begin() + static_cast<std::ptrdiff_t>(from.edits),
                      file_.edits.begin() + static_cast<std::ptrdiff_t>(to.edits));
  }

  void record_item(const Item& item) {
    item_stack_.push_back(static_cast<std::uint32_t>(file_.items.size()));
    file_.items.push_back(item);
  }
  // The items pushed on item_stack_ from `base` on become one list of File::item_lists.
  void close_list(std::size_t base, std::uint32_t& first, std::uint32_t& count);
  // Runs `parse` with the recording of items and of their attributes switched off.
  template <typename F>
  bool unrecorded(F parse) {
    const bool saved = recording_;
    recording_ = false;
    const bool ok = parse();
    recording_ = saved;
    return ok;
  }

  // -------------------------------------------------------------------------------------------
  // Nesting and groups

  // Nesting guard: too deep a nesting is a syntax error, never a stack overflow.
  struct Nest {
    Parser& p;
    bool ok;
    explicit Nest(Parser& parser)
        : p(parser), ok(++parser.depth_ <= kMaxNesting || parser.fail(Expected::TooDeep)) {}
    ~Nest() { --p.depth_; }
  };

  // Enters the group opened at pos_ (which must be of delimiter `d`); `saved` keeps the outer end.
  bool enter(Delim d, std::uint32_t& saved) {
    saved = end_;
    if (!is_open(pos_, d)) return fail_punct(open_char(d)[0]);
    end_ = tokens_[pos_].partner;
    ++pos_;
    return true;
  }
  // Leaves the current group, which must be fully consumed.
  bool leave(std::uint32_t saved) {
    if (pos_ != end_) return fail_close();
    pos_ = end_ + 1;
    end_ = saved;
    return true;
  }
  // A delimited token tree whose tokens are kept as read (a macro's or attribute's input).
  bool verbatim_group() {
    if (!is_any_open(pos_)) return fail(Expected::Group);
    const std::uint32_t close = tokens_[pos_].partner;
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
      if (!is_punct(pos_, sep)) return true;
      ++pos_;
    }
  }

  // -------------------------------------------------------------------------------------------
  // Eat and expect

  bool expect_punct(char c) {
    if (!is_punct(pos_, c)) return fail_punct(c);
    ++pos_;
    return true;
  }
  bool eat_keyword(Keyword k) {
    if (!is_keyword(pos_, k)) return false;
    ++pos_;
    return true;
  }
  bool expect_keyword(Keyword k) { return eat_keyword(k) || fail_keyword(k); }
  bool expect_ident() {
    if (!is_ident(pos_)) return fail(Expected::Identifier);
    ++pos_;
    return true;
  }
  // An operator of joined characters, marked joined for printing.
  template <std::size_t N>
  bool eat_op(const char (&op)[N]) {
    if (!is_op(pos_, op)) return false;
    mark_joint(pos_, N - 1);
    pos_ += N - 1;
    return true;
  }
  bool eat_lifetime() {
    if (!is_lifetime(pos_)) return false;
    pos_ += 2;
    return true;
  }
  bool expect_lifetime() { return eat_lifetime() || fail(Expected::Lifetime); }

  // -------------------------------------------------------------------------------------------
  // attributes.cpp

  // Attributes are read before almost every item, statement, field and expression, and most
  // often there is none: the test for a `#` is inline, the reading of one is not.
  bool outer_attrs(bool record) {
    while (is_punct(pos_, '#')) {
      if (!attr(AttrStyle::Outer, record)) return false;
    }
    return true;
  }
  bool inner_attrs(bool record) {
    while (is_punct(pos_, '#') && is_punct(pos_ + 1, '!')) {
      if (!attr(AttrStyle::Inner, record)) return false;
    }
    return true;
  }
  [[gnu::noinline]] bool attr(AttrStyle style, bool record);

  // -------------------------------------------------------------------------------------------
  // paths.cpp

  bool mod_style_path();
  bool path_segment(bool expr_style, PathShape& shape);
  bool path(bool expr_style, PathShape& shape);
  bool qpath(bool expr_style, PathShape& shape);
  bool angle_args();
  bool starts_const_argument(std::uint32_t i) const;
  bool const_argument();

  // -------------------------------------------------------------------------------------------
  // generics_and_bounds.cpp

  // A generic parameter or argument of a `<...>` as angle_list reads it.
  struct Param {
    std::uint32_t first, last;  // the parameter and its comma
    bool lifetime, comma;
  };
  // The parameters or arguments of a `<...>` from just past the `<` through the `>`, which `gt`
  // is left at; `param` reads one and tells whether it is a lifetime. Each goes to params_.
  template <typename F>
  bool angle_list(std::uint32_t& gt, F param) {
    while (!is_punct(pos_, '>')) {
      Param p{pos_, 0, false, false};
      if (!param(p.lifetime)) return false;
      p.comma = !is_punct(pos_, '>');
      if (p.comma && !expect_punct(',')) return false;
      p.last = pos_;
      params_.push_back(p);
    }
    gt = pos_;
    return expect_punct('>');
  }
  void reorder_lifetimes_first(std::size_t base, std::uint32_t lt, std::uint32_t gt, bool params);
  bool generics(std::uint32_t& last);
  // Generic parameters whose last token nothing needs.
  bool generics() {
    std::uint32_t last;
    return generics(last);
  }
  bool generic_parameter(bool allow_underscore, bool& lifetime);
  bool type_param_rest();
  bool binder();
  bool where_clause(std::uint32_t anchor = kNoToken);
  bool ends_where_clause(std::uint32_t i) const;
  bool where_tail();
  bool where_predicate();
  bool bound(bool allow_capture, bool allow_const, BoundKind& out);
  // Bounds joined by `+` (see `separated`).
  template <typename Stop>
  bool plus_bounds(Stop stop, bool allow_const = true) {
    return separated('+', stop, [&] {
      BoundKind kind;
      return bound(false, allow_const, kind);
    });
  }
  bool trait_bound(bool allow_const, bool& is_const);
  bool parenthesized_args();
  bool bounds_list(bool allow_plus, bool allow_capture, bool allow_const);
  bool starts_bound(std::uint32_t i, bool allow_const) const;
  bool more_bounds();
  bool plus_more_bounds();

  // -------------------------------------------------------------------------------------------
  // types.cpp

  bool return_type(bool allow_plus);
  bool type(bool allow_plus, TypeShape* shape = nullptr);
  bool bare_fn();
  bool fn_pointer_param(bool allow_self);

  // -------------------------------------------------------------------------------------------
  // items.cpp

  // An item reader: it is given where its item begins and the records to fall back to should the
  // item be kept verbatim.
  using ItemReader = bool (Parser::*)(std::uint32_t begin, const Snapshot& snap);
  // What a type alias holds besides its name, generics and where clause.
  struct AliasShape {
    bool colon = false, value = false;
  };
  // Where a type alias may take its where clause: before the `=` (items), after the type (trait
  // and impl items), or at either place but only once (foreign items).
  enum class AliasWhere : std::uint8_t { BeforeValue, AfterValue, Either };
  bool item_list(ItemReader reader, std::uint32_t& first, std::uint32_t& count);
  bool item_block(ItemReader reader, Item& owner);
  bool visibility(Visibility& v);
  bool signature(bool allow_safe, bool* safe = nullptr, std::uint32_t* name = nullptr);
  bool starts_receiver(std::uint32_t i) const;
  bool variadic();
  bool fn_args();
  bool fn_body(Item& it, bool record);
  bool fn_item(Item& it);
  bool const_rest(bool& value, bool& extras);
  bool type_alias_rest(AliasWhere where_at, AliasShape& shape);
  bool item_head(Item& it);
  bool item(std::uint32_t begin, const Snapshot& snap);
  bool item_rest(std::uint32_t begin, const Snapshot& snap, std::uint32_t attr_first);
  void end_item(const Item& it, std::uint32_t begin, const Snapshot& snap);
  bool item_by_keyword(Item& it);
  bool extern_item(Item& it, std::uint32_t keyword, bool inherited);
  bool use_item(Item& it);
  bool static_item(Item& it);
  bool const_item(Item& it);
  bool unsafe_item(Item& it, std::uint32_t keyword, bool inherited);
  bool type_alias_item(Item& it);
  bool struct_item(Item& it);
  bool enum_item(Item& it);
  bool union_item(Item& it);
  bool trait_or_alias(Item& it);
  bool macro_definition(Item& it);
  bool item_macro(bool allow_ident);
  bool type_bounds_until_eq();
  bool module(Item& it);
  bool foreign_mod(Item& it);
  bool foreign_item(std::uint32_t begin, const Snapshot& snap);
  bool struct_data(std::uint32_t anchor);
  bool named_fields();
  bool unnamed_fields();
  bool enum_body();
  bool trait_item_def(Item& it);
  bool trait_rest(Item& it, std::uint32_t anchor);
  bool trait_item(std::uint32_t begin, const Snapshot& snap);
  bool impl(Item& it);
  bool impl_item(std::uint32_t begin, const Snapshot& snap);
  bool use_tree(bool allow_root, bool& none, std::uint32_t& node);

  // -------------------------------------------------------------------------------------------
  // statements.cpp

  bool block_within();
  bool block();
  bool block_with_inner();
  bool starts_block_item(std::uint32_t i) const;
  bool stmt(bool& requires_semi);
  bool local(bool& requires_semi);
  bool stmt_expr(std::uint32_t attrs, bool& requires_semi, bool& verbatim_target);

  // -------------------------------------------------------------------------------------------
  // expressions.cpp

  // An expression that is part of a larger one, its nodes kept for the outermost; `allow_struct`
  // false where a brace would end it (conditions, scrutinees).
  bool expr_tree(bool allow_struct, ExprShape& out) {
    if (!unary(allow_struct, out)) return false;
    return expr_operators(out, allow_struct, Precedence::Jump);
  }
  bool expr(bool allow_struct);
  bool condition();
  bool expr_early(ExprShape& out, std::uint32_t stmt_attrs = kNoToken);
  // Records an expression node that ends at the cursor. Asked for every expression, so inline:
  // where the kind and operands are known at the call, most of it folds away.
  [[gnu::always_inline]] std::uint32_t record_node(NodeKind kind, std::uint32_t first,
                                                   std::uint32_t left = kNoNode,
                                                   std::uint32_t right = kNoNode,
                                                   std::uint16_t flags = 0) {
    parens::Node n;
    n.kind = kind;
    n.flags = flags;
    n.first = first;
    n.start = first;
    n.last = pos_;
    n.left = left;
    n.right = right;
    std::uint16_t inner = 0;  // the flags of the operands
    if (left != kNoNode) inner |= nodes_[left].flags;
    if (right != kNoNode) inner |= nodes_[right].flags;
    if ((inner & parens::kMayWrap) != 0 || parens::may_need_wraps(n)) n.flags |= parens::kMayWrap;
    return nodes_.push(n);
  }
  void attach_attrs(std::uint32_t e, std::uint32_t first);
  std::uint32_t attach_stmt_attrs(std::uint32_t e, std::uint32_t first);
  // Ends the outermost expression `root`, whose nodes begin at `base`: records the parentheses
  // printing adds where one of them may need some, and drops its nodes.
  void finish_root(std::uint32_t root, parens::Context context, std::uint32_t base) {
    if ((nodes_[root].flags & parens::kMayWrap) != 0) record_wraps(root, context);
    nodes_.truncate(base);
  }
  void record_wraps(std::uint32_t root, parens::Context context);
  bool starts_closure_for(std::uint32_t i) const;
  bool starts_expression(std::uint32_t i) const;
  bool is_binary_operator(std::uint32_t i, Precedence& prec, std::uint32_t& len) const;
  Precedence precedence_at(std::uint32_t i) const;
  bool expr_operators(ExprShape& lhs, bool allow_struct, Precedence base);
  std::uint16_t operator_flags_at(std::uint32_t i, std::uint32_t len) const;
  bool type_ends_in_bare_path(std::uint32_t first, std::uint32_t last) const;
  bool binop_rhs(bool allow_struct, Precedence prec, ExprShape& rhs);
  bool range_limits(Limits& limits);
  bool range_end(Limits limits, bool allow_struct, ExprShape& end);
  bool unary(bool allow_struct, ExprShape& out, std::uint32_t stmt_attrs = kNoToken);
  bool operand(std::uint32_t begin, std::uint32_t attrs, bool stmt_attrs, bool allow_struct,
               ExprShape& out);
  bool trailers(ExprShape& e, std::size_t& outer_call);
  [[gnu::noinline]] bool member_trailer(ExprShape& e);
  [[gnu::noinline]] bool index_trailer();
  [[gnu::noinline]] bool call_args();
  bool index_member();
  bool split_index(bool& trailing_dot, std::uint32_t& parts);
  bool atom(bool allow_struct, ExprShape& out);
  bool atom_form(bool allow_struct, ExprShape& out, NodeKind& kind);
  bool builtin_call();
  [[gnu::noinline]] bool builtin(ExprShape& out);
  [[gnu::noinline]] bool paren_or_tuple(ExprShape& out);
  [[gnu::noinline]] bool break_expr(bool allow_struct, ExprShape& out);
  [[gnu::noinline]] bool return_expr(ExprShape& out);
  [[gnu::noinline]] bool become(ExprShape& out);
  [[gnu::noinline]] bool array_or_repeat(ExprShape& out);
  [[gnu::noinline]] bool let_expr(bool allow_struct, ExprShape& out);
  [[gnu::noinline]] bool block_like_atom(ExprShape& out);
  [[gnu::noinline]] bool prefix_range(bool allow_struct, ExprShape& out);
  [[gnu::noinline]] bool closure(bool allow_struct, ExprShape& out);
  [[gnu::noinline]] bool path_or_macro_or_struct(bool allow_struct, ExprShape& out);
  [[gnu::noinline]] bool struct_literal();
  [[gnu::noinline]] bool expr_if();
  [[gnu::noinline]] bool expr_while();
  [[gnu::noinline]] bool expr_for();
  bool expr_loop();
  [[gnu::noinline]] bool expr_match();

  // -------------------------------------------------------------------------------------------
  // patterns.cpp

  bool pat_multi(bool leading_vert, PatternShape& shape);
  bool pat_single(PatternShape& shape);
  // A pattern whose shape does not matter here.
  bool pat_multi(bool leading_vert) {
    PatternShape shape;
    return pat_multi(leading_vert, shape);
  }
  bool pat_single() {
    PatternShape shape;
    return pat_single(shape);
  }
  bool range_pattern_end(bool obsolete, PatternShape& shape);
  bool range_limits_obsolete(Limits& limits);
  bool range_bound(bool& some);
  bool pat_path_like(PatternShape& shape);
  bool pat_struct();

  // -------------------------------------------------------------------------------------------
  // State

  File& file_;
  const Token* tokens_;
  std::uint32_t token_count_;
  std::vector<Keyword> keywords_;  // per token: the keyword it is, or Keyword::None
  std::uint32_t pos_ = 0;          // the cursor
  std::uint32_t end_ = 0;          // the closing token of the current group, or token_count_
  int depth_ = 0;                  // nesting depth, see Nest
  bool recording_ = true;          // items and their attributes are recorded, see unrecorded()
  // Stacks shared by the readers of nested lists.
  std::vector<std::uint32_t> item_stack_;    // items of the item lists being read
  std::vector<std::uint32_t> use_stack_;     // children of the use groups being read
  std::vector<Param> params_;                // generic parameters and arguments being read
  std::vector<TokenRange> verbatim_ranges_;  // token ranges kept as the lexer read them
  NodeStack nodes_;                          // the expressions being read, see record_node()
  std::vector<TokenRange> wraps_;            // parentheses printing adds, found for one expression
  // A prefix operator read before its operand: its node's kind, its attributes, its operator.
  struct Prefix {
    NodeKind kind;
    std::uint32_t begin, op;
  };
  std::vector<Prefix> prefixes_;       // prefix operators being read, see unary()
  std::uint32_t expr_stmts_read_ = 0;  // expression statements begun so far
  Failure failure_;                    // see fail()
};

}  // namespace
}  // namespace rust::parser
