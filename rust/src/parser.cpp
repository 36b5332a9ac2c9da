// The parser: a whole Rust file into the records of syntax.hpp.
//
// It follows syn's grammar closely, since which files parse and how they split into items decides
// what the survey sees: the same lookahead rules, the same places where a struct literal is not
// allowed, the same precedence climbing, the same constructs kept as unparsed ("verbatim")
// tokens. It keeps no syntax tree: while it checks the grammar it records the spacing of each
// syntax token (multi-character operators joined), the edits where the printed form differs from
// the source, the call sites, and the items the survey walks. Of an expression it keeps the shape
// only until the outermost expression is read, to find where printing adds parentheses
// (parens.hpp).
//
// Every parse function returns false on a syntax error; the first error ends the whole parse.
#include <algorithm>
#include <cstring>

#include "parens.hpp"
#include "syntax.hpp"

namespace rust {
namespace {

// Keywords, as syn reserves them, followed by the contextual words it treats
// as ordinary identifiers.
enum Kw : std::uint8_t {
  kNone,
  kAbstract,
  kAs,
  kAsync,
  kAwait,
  kBecome,
  kBox,
  kBreak,
  kConst,
  kContinue,
  kCrate,
  kDo,
  kDyn,
  kElse,
  kEnum,
  kExtern,
  kFalse,
  kFinal,
  kFn,
  kFor,
  kIf,
  kImpl,
  kIn,
  kLet,
  kLoop,
  kMacro,
  kMatch,
  kMod,
  kMove,
  kMut,
  kOverride,
  kPriv,
  kPub,
  kRef,
  kReturn,
  kSelfType,
  kSelfValue,
  kStatic,
  kStruct,
  kSuper,
  kTrait,
  kTrue,
  kTry,
  kType,
  kTypeof,
  kUnderscore,
  kUnsafe,
  kUnsized,
  kUse,
  kVirtual,
  kWhere,
  kWhile,
  kYield,
  kLastReserved = kYield,
  kAuto,
  kBuiltin,
  kDefault,
  kRaw,
  kSafe,
  kUnion,
};

struct KwEntry {
  std::string_view text;
  Kw kw;
};

constexpr KwEntry kKeywords[] = {
    {"_", kUnderscore},
    {"Self", kSelfType},
    {"abstract", kAbstract},
    {"as", kAs},
    {"async", kAsync},
    {"auto", kAuto},
    {"await", kAwait},
    {"become", kBecome},
    {"box", kBox},
    {"break", kBreak},
    {"builtin", kBuiltin},
    {"const", kConst},
    {"continue", kContinue},
    {"crate", kCrate},
    {"default", kDefault},
    {"do", kDo},
    {"dyn", kDyn},
    {"else", kElse},
    {"enum", kEnum},
    {"extern", kExtern},
    {"false", kFalse},
    {"final", kFinal},
    {"fn", kFn},
    {"for", kFor},
    {"if", kIf},
    {"impl", kImpl},
    {"in", kIn},
    {"let", kLet},
    {"loop", kLoop},
    {"macro", kMacro},
    {"match", kMatch},
    {"mod", kMod},
    {"move", kMove},
    {"mut", kMut},
    {"override", kOverride},
    {"priv", kPriv},
    {"pub", kPub},
    {"raw", kRaw},
    {"ref", kRef},
    {"return", kReturn},
    {"safe", kSafe},
    {"self", kSelfValue},
    {"static", kStatic},
    {"struct", kStruct},
    {"super", kSuper},
    {"trait", kTrait},
    {"true", kTrue},
    {"try", kTry},
    {"type", kType},
    {"typeof", kTypeof},
    {"union", kUnion},
    {"unsafe", kUnsafe},
    {"unsized", kUnsized},
    {"use", kUse},
    {"virtual", kVirtual},
    {"where", kWhere},
    {"while", kWhile},
    {"yield", kYield},
};

// The keywords grouped by first character (each character's entries are contiguous in
// kKeywords).
struct KeywordIndex {
  std::uint8_t first[128] = {};
  std::uint8_t count[128] = {};
  constexpr KeywordIndex() {
    for (std::uint8_t i = 0; i < std::size(kKeywords); ++i) {
      const auto c = static_cast<unsigned char>(kKeywords[i].text[0]);
      if (count[c] == 0) first[c] = i;
      ++count[c];
    }
  }
};
constexpr KeywordIndex kKeywordIndex;

constexpr bool keywords_grouped() {
  for (std::size_t i = 1; i < std::size(kKeywords); ++i) {
    for (std::size_t j = 0; j + 1 < i; ++j) {
      if (kKeywords[j].text[0] == kKeywords[i].text[0] &&
          kKeywords[i - 1].text[0] != kKeywords[i].text[0]) {
        return false;
      }
    }
  }
  return true;
}
static_assert(keywords_grouped());

Kw keyword_of(std::string_view s) {
  if (s.empty() || s.size() > 8) return kNone;
  const auto c = static_cast<unsigned char>(s[0]);
  if (c >= 128) return kNone;
  const std::uint8_t first = kKeywordIndex.first[c];
  for (std::uint8_t i = first; i < first + kKeywordIndex.count[c]; ++i) {
    if (kKeywords[i].text == s) return kKeywords[i].kw;
  }
  return kNone;
}

using parens::Prec;
using NK = parens::Kind;
using parens::kNoNode;

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
  std::uint32_t node = kNoNode;   // its record among the expression nodes
  std::uint32_t name = kNoToken;  // Path: identifier of the last segment
  std::uint32_t segments = 0;     // Path: number of segments
};

struct PathInfo {
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
struct TyInfo {
  bool path = false;         // a path type
  bool qself = false;        // ... with a qualified self
  bool simple = false;       // ... of one segment without leading `::` or parenthesised arguments
  bool bare_object = false;  // a trait object without `dyn` of a single bound, no trailing `+`
};

enum class Bound : std::uint8_t { Lifetime, Trait, Capture, Verbatim };

enum class Limits : std::uint8_t { HalfOpen, Closed };

// What a pattern is, as far as its place cares: a range with both ends, a range missing one.
enum class PatShape : std::uint8_t { Other, Range, OpenRange };

constexpr std::size_t kNoCall = static_cast<std::size_t>(-1);

class Parser {
 public:
  explicit Parser(File& file)
      : f_(file), tok_(file.tokens.tokens().data()), n_(file.tokens.size()) {
    kw_.resize(n_, kNone);
    for (std::uint32_t i = 0; i < n_; ++i) {
      if (tok_[i].kind == TokenKind::Ident && !tok_[i].raw()) kw_[i] = keyword_of(text(i));
    }
    f_.marks.assign(n_, 0);
  }

  bool parse() {
    pos_ = 0;
    end_ = n_;
    f_.attr_first = static_cast<std::uint32_t>(f_.attrs.size());
    if (!parse_inner_attrs(true)) return false;
    f_.attr_count = static_cast<std::uint32_t>(f_.attrs.size()) - f_.attr_first;
    if (!item_list(&Parser::parse_item, f_.root_first, f_.root_count)) return false;
    apply_verbatim();
    return true;
  }

  std::uint32_t error_token() const { return pos_; }

 private:
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
  bool kw(std::uint32_t i, Kw k) const { return in(i) && kw_[i] == k; }
  // Any identifier token, keywords included.
  bool ident_any(std::uint32_t i) const { return in(i) && tok_[i].kind == TokenKind::Ident; }
  // An identifier that is not a reserved word (raw identifiers always are identifiers).
  bool ident(std::uint32_t i) const {
    return ident_any(i) && (kw_[i] == kNone || kw_[i] > kLastReserved);
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
    if (kw(i, kTrue) || kw(i, kFalse)) return 1;
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
  void apply_verbatim() {
    std::sort(verbatim_.begin(), verbatim_.end(),
              [](const TokenRange& a, const TokenRange& b) { return a.first < b.first; });
    std::uint32_t done = 0;  // tokens before this one are marked or outside every range
    for (const TokenRange& r : verbatim_) {
      for (std::uint32_t i = std::max(r.first, done); i < r.last; ++i) {
        f_.marks[i] |= kMarkVerbatim;
      }
      done = std::max(done, r.last);
    }
    verbatim_.clear();
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

  // The calls and edits recorded so far; what lies between two such marks can be dropped when
  // the tokens it came from turn out to be kept as read.
  struct Records {
    std::size_t calls, edits;
  };
  Records records() const { return Records{f_.calls.size(), f_.edits.size()}; }
  void drop_records(const Records& from, const Records& to) {
    f_.calls.erase(f_.calls.begin() + static_cast<std::ptrdiff_t>(from.calls),
                   f_.calls.begin() + static_cast<std::ptrdiff_t>(to.calls));
    f_.edits.erase(f_.edits.begin() + static_cast<std::ptrdiff_t>(from.edits),
                   f_.edits.begin() + static_cast<std::ptrdiff_t>(to.edits));
  }

  void close_list(std::size_t base, std::uint32_t& first, std::uint32_t& count) {
    first = static_cast<std::uint32_t>(f_.item_lists.size());
    count = static_cast<std::uint32_t>(list_.size() - base);
    f_.item_lists.insert(f_.item_lists.end(), list_.begin() + static_cast<std::ptrdiff_t>(base),
                         list_.end());
    list_.resize(base);
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

  // Items read by `item` up to the end of the current group, each one level of nesting deeper;
  // the recorded ones are listed in `first`/`count`.
  bool item_list(ItemReader item, std::uint32_t& first, std::uint32_t& count) {
    const std::size_t base = list_.size();
    while (!at_end()) {
      Nest nest(*this);
      if (!nest.ok || !(this->*item)(pos_, snapshot())) return false;
    }
    if (record_) close_list(base, first, count);
    return true;
  }
  // `{ #![inner] items }` of an impl, a trait or an extern block: the recorded items become the
  // children of `owner`; the inner attributes are not recorded.
  bool item_block(ItemReader item, Item& owner) {
    std::uint32_t saved;
    if (!enter(Delim::Brace, saved) || !parse_inner_attrs(false)) return false;
    return item_list(item, owner.child_first, owner.child_count) && leave(saved);
  }

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
  bool eat_kw(Kw k) {
    if (!kw(pos_, k)) return false;
    ++pos_;
    return true;
  }
  bool expect_kw(Kw k) { return eat_kw(k); }
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
  // Attributes

  bool parse_outer_attrs(bool record) {
    while (punct(pos_, '#')) {
      if (!parse_attr(AttrStyle::Outer, record)) return false;
    }
    return true;
  }
  bool parse_inner_attrs(bool record) {
    while (punct(pos_, '#') && punct(pos_ + 1, '!')) {
      if (!parse_attr(AttrStyle::Inner, record)) return false;
    }
    return true;
  }

  bool parse_attr(AttrStyle style, bool record) {
    Attribute a;
    a.style = style;
    a.tokens.first = pos_;
    ++pos_;  // '#'
    if (style == AttrStyle::Inner && !expect_punct('!')) return false;
    std::uint32_t saved;
    if (!enter(Delim::Bracket, saved)) return false;
    a.path.first = pos_;
    if (kw(pos_, kUnsafe)) {
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

  // -------------------------------------------------------------------------------------------
  // Paths

  // An identifier or one of the keywords that may stand as a segment of any path.
  bool segment(std::uint32_t i) const {
    return ident(i) || kw(i, kSuper) || kw(i, kSelfValue) || kw(i, kSelfType) || kw(i, kCrate);
  }
  // Where a path may begin: a segment, a leading `::` or a qualified self `<T as Trait>::`.
  bool qpath_start(std::uint32_t i) const { return segment(i) || colon2(i) || punct(i, '<'); }

  // `a::b::c` without generic arguments, as in attributes, visibilities and macro paths.
  bool mod_style_path() {
    eat_op2(':', ':');
    while (segment(pos_)) {
      ++pos_;
      if (!eat_op2(':', ':')) return true;
    }
    return false;  // no segment, or a trailing `::`
  }

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

  bool path_segment(bool expr_style, PathInfo& pi) {
    pi.segments++;
    pi.last_has_args = false;
    if (kw(pos_, kSuper) || kw(pos_, kSelfValue) || kw(pos_, kCrate) || kw(pos_, kTry)) {
      pi.last_ident = pos_++;
      return true;
    }
    if (kw(pos_, kSelfType) || ident(pos_)) {
      pi.last_ident = pos_++;
    } else {
      return false;
    }
    if ((!expr_style && punct(pos_, '<') && !op2(pos_, '<', '=') && !op3(pos_, '<', '<', '=')) ||
        (colon2(pos_) && punct(pos_ + 2, '<'))) {
      pi.last_args_first = pos_;
      const std::uint32_t lt = colon2(pos_) ? pos_ + 2 : pos_;
      pi.last_args_empty = punct(lt + 1, '>');
      if (!angle_args()) return false;
      pi.mod_style = false;
      pi.last_has_args = true;
    }
    return true;
  }

  // Path::parse: optional leading `::`, then segments joined by `::`.
  bool path(bool expr_style, PathInfo& pi) {
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
  bool qpath(bool expr_style, PathInfo& pi) {
    if (!punct(pos_, '<')) return path(expr_style, pi);
    ++pos_;
    if (!type(true)) return false;
    pi.qself = true;
    if (eat_kw(kAs)) {
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
  bool angle_args() {
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

  // A const generic argument: a literal, an identifier or a block. A negative literal is one
  // literal here and prints as `-1`.
  bool const_argument() {
    if (const std::uint32_t n = lit_len(pos_); n > 0) {
      mark_joint(pos_, n);
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

  // Records the printing of params_[base..] between `<` at lt and `>` at gt with lifetimes
  // first. Generic parameters and precise captures (`params` set) differ from generic arguments
  // in when a comma is inserted before a type that follows a lifetime without one.
  void reorder_lifetimes_first(std::size_t base, std::uint32_t lt, std::uint32_t gt, bool params) {
    bool seen_other = false, out_of_order = false;
    for (std::size_t k = base; k < params_.size(); ++k) {
      if (params_[k].lifetime) {
        if (seen_other) out_of_order = true;
      } else {
        seen_other = true;
      }
    }
    if (!out_of_order) return;
    Edit e{lt, gt + 1, EditKind::Reorder, static_cast<std::uint32_t>(f_.parts.size()), 0};
    f_.parts.push_back(Part{lt, lt + 1});
    bool trailing = true;
    for (std::size_t k = base; k < params_.size(); ++k) {
      if (!params_[k].lifetime) continue;
      f_.parts.push_back(Part{params_[k].first, params_[k].last});
      trailing = params_[k].comma;
    }
    for (std::size_t k = base; k < params_.size(); ++k) {
      if (params_[k].lifetime) continue;
      if (!trailing) {
        f_.parts.push_back(Part{});
        trailing = true;
      }
      f_.parts.push_back(Part{params_[k].first, params_[k].last});
      if (!params) trailing = params_[k].comma;
    }
    f_.parts.push_back(Part{gt, gt + 1});
    e.part_count = static_cast<std::uint32_t>(f_.parts.size()) - e.part_first;
    f_.edits.push_back(e);
  }

  // Generic parameters `<...>`; generics_end_ is left at their last token (or at the token
  // before them when there are none).
  bool generics() {
    generics_end_ = pos_ - 1;
    if (!punct(pos_, '<')) return true;
    const std::uint32_t lt = pos_++;
    const std::size_t base = params_.size();
    std::uint32_t gt = 0;
    const bool ok =
        angle_list(gt, [&](bool& is_lifetime) { return generic_param(true, is_lifetime); });
    if (!ok) return false;
    if (params_.size() == base) {
      edit(lt, gt + 1, EditKind::Delete);
    } else {
      reorder_lifetimes_first(base, lt, gt, true);
    }
    params_.resize(base);
    generics_end_ = gt;
    return true;
  }

  // One generic parameter with its attributes: a lifetime with its bounds, a type parameter
  // with its bounds and default, a const parameter with its default, or (where
  // `allow_underscore`) `_`. A colon without bounds prints nothing.
  bool generic_param(bool allow_underscore, bool& is_lifetime) {
    if (!parse_outer_attrs(false)) return false;
    if (lifetime(pos_)) {
      is_lifetime = true;
      pos_ += 2;
      if (!punct(pos_, ':')) return true;
      const std::uint32_t colon = pos_++;
      const auto stop = [&] { return punct(pos_, ',') || punct(pos_, '>'); };
      if (!separated('+', stop, [&] { return eat_lifetime(); })) return false;
      if (pos_ == colon + 1) edit(colon, colon + 1, EditKind::Delete);
      return true;
    }
    if (ident(pos_)) {
      ++pos_;
      return type_param_rest();
    }
    if (kw(pos_, kConst)) {
      ++pos_;
      if (!expect_ident() || !expect_punct(':') || !type(true)) return false;
      if (!punct(pos_, '=')) return true;
      ++pos_;
      return const_argument();
    }
    return allow_underscore && expect_kw(kUnderscore);
  }

  // After a type parameter's name: `: bounds` and `= default`.
  bool type_param_rest() {
    if (punct(pos_, ':')) {
      const std::uint32_t colon = pos_++;
      if (!plus_bounds([&] { return punct(pos_, ',') || punct(pos_, '>') || punct(pos_, '='); })) {
        return false;
      }
      if (pos_ == colon + 1) edit(colon, colon + 1, EditKind::Delete);
    }
    if (punct(pos_, '=')) {
      ++pos_;
      if (!type(true)) return false;
    }
    return true;
  }

  // A binder `for<'a, T: Bound = Default, const N: usize>`: generic parameters of every kind
  // but `_`, printed in their source order.
  bool binder() {
    if (!expect_kw(kFor) || !expect_punct('<')) return false;
    const std::size_t base = params_.size();
    std::uint32_t gt = 0;
    const bool ok =
        angle_list(gt, [&](bool& is_lifetime) { return generic_param(false, is_lifetime); });
    params_.resize(base);
    return ok;
  }

  // Whether the `<` at `i`, after `impl`, `where` or `for`, opens generic parameters rather than
  // a qualified path: `<>`, `<#`, `<const`, or a lifetime or identifier followed by `>`, `,`, `=`
  // or a `:` that does not begin `::` (`<T>::X` counts as generics).
  bool generics_ahead(std::uint32_t i) const {
    if (!punct(i, '<')) return false;
    const std::uint32_t n = i + 1;
    if (punct(n, '>') || punct(n, '#') || kw(n, kConst)) return true;
    if (!(lifetime(n) || ident(n))) return false;
    const std::uint32_t k = next_tt(n);
    return punct(k, '>') || punct(k, ',') || punct(k, '=') || (punct(k, ':') && !colon2(k));
  }

  // A where clause. The where clause belongs to the generics: when it stands after other parts
  // of its item (parameters, a trait, fields, bounds), the calls inside it are walked with the
  // generics, so they take the position `anchor`, the last token of the generic parameters.
  bool where_clause(std::uint32_t anchor = kNoToken) {
    if (!kw(pos_, kWhere)) return true;
    const std::size_t calls = f_.calls.size();
    if (!where_tail()) return false;
    if (anchor != kNoToken) {
      for (std::size_t k = calls; k < f_.calls.size(); ++k) f_.calls[k].position = anchor;
    }
    return true;
  }

  // Whether the token at pos_ ends a where clause or one of its predicates.
  bool where_ends() const {
    return at_end() || open(pos_, Delim::Brace) || punct(pos_, ',') || punct(pos_, ';') ||
           (punct(pos_, ':') && !colon2(pos_)) || punct(pos_, '=');
  }

  // A where clause from its `where`; generic parameters right after the keyword are refused.
  bool where_tail() {
    const std::uint32_t where = pos_++;
    if (generics_ahead(pos_)) return false;
    const auto stop = [&] { return where_ends(); };
    if (!separated(',', stop, [&] { return where_predicate(); })) return false;
    if (pos_ == where + 1) edit(where, where + 1, EditKind::Delete);
    return true;
  }

  bool where_predicate() {
    if (lifetime(pos_) && punct(pos_ + 2, ':')) {
      pos_ += 3;
      const auto stop = [&] { return where_ends() || punct(pos_, ':'); };
      return separated('+', stop, [&] { return eat_lifetime(); });
    }
    if (kw(pos_, kFor) && !binder()) return false;
    if (!type(true) || !expect_punct(':')) return false;
    return plus_bounds([&] { return where_ends(); });
  }

  // -------------------------------------------------------------------------------------------
  // Bounds

  bool bound(bool allow_capture, bool allow_const, Bound& out) {
    Nest nest(*this);
    if (!nest.ok) return false;
    if (lifetime(pos_)) {
      pos_ += 2;
      out = Bound::Lifetime;
      return true;
    }
    const std::uint32_t begin = pos_;
    const Snapshot snap = snapshot();
    if (kw(pos_, kUse)) {  // `use<'a, T, Self>`, printed lifetimes first like generics
      ++pos_;
      const std::uint32_t lt = pos_;
      if (!expect_punct('<')) return false;
      const std::size_t base = params_.size();
      std::uint32_t gt = 0;
      const bool ok = angle_list(gt, [&](bool& is_lifetime) {
        is_lifetime = eat_lifetime();
        return is_lifetime || expect_ident() || eat_kw(kSelfType);
      });
      if (ok) reorder_lifetimes_first(base, lt, gt, true);
      params_.resize(base);
      out = Bound::Capture;
      return ok && allow_capture;
    }
    bool is_const = false;
    if (open(pos_, Delim::Paren)) {
      std::uint32_t saved;
      enter(Delim::Paren, saved);
      if (!trait_bound(allow_const, is_const) || !leave(saved)) return false;
    } else if (!trait_bound(allow_const, is_const)) {
      return false;
    }
    if (is_const) {
      verbatim(begin, snap);
      out = Bound::Verbatim;
    } else {
      out = Bound::Trait;
    }
    return true;
  }

  // Bounds joined by `+` (see `separated`).
  template <typename Stop>
  bool plus_bounds(Stop stop, bool allow_const = true) {
    return separated('+', stop, [&] {
      Bound b;
      return bound(false, allow_const, b);
    });
  }

  bool trait_bound(bool allow_const, bool& is_const) {
    bool lifetimes = false;
    if (kw(pos_, kFor)) {
      if (!binder()) return false;
      lifetimes = true;
    }
    if (open(pos_, Delim::Bracket)) {  // `[const] Trait`
      std::uint32_t saved;
      enter(Delim::Bracket, saved);
      if (!expect_kw(kConst) || !leave(saved)) return false;
      if (!allow_const) return false;
      is_const = true;
    } else if (kw(pos_, kConst)) {
      ++pos_;
      if (!allow_const) return false;
      is_const = true;
    }
    bool maybe = false;
    if (punct(pos_, '?')) {
      ++pos_;
      maybe = true;
      if (!lifetimes && kw(pos_, kFor)) {
        if (!binder()) return false;
        lifetimes = true;
      }
    }
    PathInfo pi;
    if (!path(false, pi)) return false;
    // `Fn(A) -> B`: parenthesised arguments on a last segment without generic arguments (an
    // empty `<>` counts as none and gives way to them). Neither that `<>` nor a `::` before the
    // parentheses prints.
    if ((!pi.last_has_args || pi.last_args_empty) &&
        (open(pos_, Delim::Paren) || (colon2(pos_) && open(pos_ + 2, Delim::Paren)))) {
      const std::uint32_t dropped = pi.last_has_args ? pi.last_args_first : pos_;
      eat_op2(':', ':');
      if (dropped < pos_) edit(dropped, pos_, EditKind::Delete);
      if (!parenthesized_args()) return false;
    }
    if (lifetimes && maybe) return false;
    return true;
  }

  // `(A, B) -> C` of `Fn(A, B) -> C`.
  bool parenthesized_args() {
    return comma_group(Delim::Paren, [&] { return type(true); }) && return_type(false);
  }

  // Bounds of `impl`, `dyn` and bare trait objects: at least one trait among them.
  bool bounds_list(bool allow_plus, bool allow_capture, bool allow_const) {
    bool trait = false;
    for (;;) {
      Bound b;
      if (!bound(allow_capture, allow_const, b)) return false;
      if (b == Bound::Trait || b == Bound::Verbatim) trait = true;
      if (!(allow_plus && punct(pos_, '+'))) break;
      ++pos_;
      if (!bound_ahead(allow_const)) break;
    }
    return trait;
  }

  // Whether a bound may start at pos_ (a trailing `+` is followed by none).
  bool bound_ahead(bool allow_const) const {
    return ident_any(pos_) || colon2(pos_) || punct(pos_, '?') || lifetime(pos_) ||
           open(pos_, Delim::Paren) ||
           (allow_const && (open(pos_, Delim::Bracket) || kw(pos_, kConst)));
  }

  // After a path type followed by `+`: the rest of a trait object without `dyn`, whose later
  // bounds are neither `const`, `[const]` nor `use<..>`.
  bool more_bounds() {
    while (punct(pos_, '+')) {
      ++pos_;
      if (!bound_ahead(false)) break;
      Bound b;
      if (!bound(false, false, b)) return false;
    }
    return true;
  }

  // `+ Bound` after a parenthesised bound or type, as often as it comes (the same bounds as
  // above).
  bool plus_more_bounds() {
    while (punct(pos_, '+')) {
      ++pos_;
      Bound b;
      if (!bound(false, false, b)) return false;
    }
    return true;
  }

  // -------------------------------------------------------------------------------------------
  // Types

  bool return_type(bool allow_plus) {
    if (!op2(pos_, '-', '>')) return true;
    eat_op2('-', '>');
    return type(allow_plus);
  }

  bool type(bool allow_plus, TyInfo* info = nullptr) {
    Nest nest(*this);
    if (!nest.ok) return false;
    TyInfo local;
    TyInfo& ti = info ? *info : local;
    const std::uint32_t begin = pos_;
    const Snapshot snap = snapshot();
    std::uint32_t binder_end = begin;
    bool lifetimes = false;
    if (kw(pos_, kFor)) {
      if (!binder()) return false;
      lifetimes = true;
      binder_end = pos_;
      if (!(segment(pos_) || kw(pos_, kFn) || kw(pos_, kUnsafe) || kw(pos_, kExtern))) return false;
    }
    if (open(pos_, Delim::Paren)) {
      std::uint32_t saved;
      enter(Delim::Paren, saved);
      if (at_end()) return leave(saved);  // ()
      if (lifetime(pos_)) {
        // `('a + Trait)`: a parenthesised trait object.
        eat_kw(kDyn);
        if (!bounds_list(true, false, false)) return false;
        return leave(saved);
      }
      if (punct(pos_, '?')) {
        bool is_const = false;
        return trait_bound(false, is_const) && leave(saved) && plus_more_bounds();
      }
      TyInfo first;
      if (!type(true, &first)) return false;
      if (punct(pos_, ',')) {
        ++pos_;
        return comma_list([&] { return type(true); }) && leave(saved);
      }
      if (!leave(saved)) return false;
      if (allow_plus && ((first.path && !first.qself) || first.bare_object)) {
        return plus_more_bounds();
      }
      return true;
    }
    if (kw(pos_, kFn) || kw(pos_, kUnsafe) || kw(pos_, kExtern)) {
      return bare_fn();
    }
    if (kw(pos_, kBuiltin) && punct(pos_ + 1, '#')) {
      // `builtin # name(tokens)` is kept as written, together with a binder before it.
      if (!builtin_call()) return false;
      verbatim(begin, snap);
      return true;
    }
    if (qpath_start(pos_)) {
      PathInfo pi;
      if (!qpath(false, pi)) return false;
      ti.path = true;
      ti.qself = pi.qself;
      ti.simple = !pi.qself && !pi.leading_colon && pi.segments == 1;
      if (pi.qself) return true;
      if (punct(pos_, '!') && !op2(pos_, '!', '=') && pi.mod_style) {
        ++pos_;
        ti = TyInfo{};
        // A macro keeps no binder: `for<'a> m!()` prints as `m!()`.
        if (lifetimes) edit(begin, binder_end, EditKind::Delete);
        return delimited_verbatim();
      }
      if (lifetimes || (allow_plus && punct(pos_, '+'))) {
        const bool plus = allow_plus && punct(pos_, '+');
        ti = TyInfo{};
        if (plus && !more_bounds()) return false;
        ti.bare_object = !plus;  // a trait object of this single bound
      }
      return true;
    }
    if (kw(pos_, kDyn)) {
      ++pos_;
      bool star = false;
      if (punct(pos_, '*')) {
        ++pos_;
        star = true;
      }
      if (!bounds_list(allow_plus, false, false)) return false;
      if (star) verbatim(begin, snap);
      return true;
    }
    if (open(pos_, Delim::Bracket)) {
      std::uint32_t saved;
      enter(Delim::Bracket, saved);
      if (!type(true)) return false;
      if (punct(pos_, ';')) {
        ++pos_;
        if (!expr(true)) return false;
      }
      return leave(saved);
    }
    if (punct(pos_, '*')) {
      ++pos_;
      if (!(eat_kw(kConst) || eat_kw(kMut))) return false;
      return type(false);
    }
    if (punct(pos_, '&')) {
      ++pos_;
      eat_lifetime();
      eat_kw(kMut);
      return type(false);
    }
    if (punct(pos_, '!')) {
      ++pos_;
      return true;
    }
    if (kw(pos_, kImpl)) {
      ++pos_;
      return bounds_list(allow_plus, true, true);
    }
    if (kw(pos_, kUnderscore)) {
      ++pos_;
      return true;
    }
    if (lifetime(pos_)) {
      return bounds_list(true, false, false);
    }
    return false;
  }

  // `builtin # name(tokens)`, in a type or an expression: the name an identifier, the
  // parenthesised tokens unparsed.
  bool builtin_call() {
    pos_ += 2;
    if (!expect_ident() || !open(pos_, Delim::Paren)) return false;
    return delimited_verbatim();
  }

  // `for<'a> unsafe extern "C" fn(args) -> ret` (the `for<>` already read).
  bool bare_fn() {
    eat_kw(kUnsafe);
    if (eat_kw(kExtern)) {
      if (str_literal(pos_)) ++pos_;
    }
    if (!expect_kw(kFn)) return false;
    std::uint32_t saved;
    if (!enter(Delim::Paren, saved)) return false;
    bool empty_or_trailing = true;
    bool first = true;
    while (!at_end()) {
      if (!parse_outer_attrs(false)) return false;
      if (empty_or_trailing &&
          (op3(pos_, '.', '.', '.') || ((ident(pos_) || kw(pos_, kUnderscore)) &&
                                        punct(pos_ + 1, ':') && op3(pos_ + 2, '.', '.', '.')))) {
        if (!op3(pos_, '.', '.', '.')) pos_ += 2;
        if (!variadic()) return false;
        break;
      }
      if (!fn_pointer_param(first)) return false;
      first = false;
      empty_or_trailing = false;
      if (at_end()) break;
      if (!expect_punct(',')) return false;
      empty_or_trailing = true;
    }
    if (!leave(saved)) return false;
    return return_type(false);
  }

  // One parameter of a function pointer type after its attributes: `name: Type` or a type. The
  // first one (`allow_self`) may be named `self`, and may also be `mut self`, `mut self: Type`
  // or `name: mut self`; those are kept verbatim.
  bool fn_pointer_param(bool allow_self) {
    const std::uint32_t begin = pos_;
    const Snapshot snap = snapshot();
    const bool mut_self = allow_self && kw(pos_, kMut) && kw(pos_ + 1, kSelfValue);
    if (mut_self) ++pos_;
    const bool named =
        (ident(pos_) || kw(pos_, kUnderscore) || (allow_self && kw(pos_, kSelfValue))) &&
        punct(pos_ + 1, ':') && !colon2(pos_ + 1);
    const bool self_named = named && kw(pos_, kSelfValue);
    if (named) pos_ += 2;
    bool keep = mut_self;
    if (allow_self && !self_named && kw(pos_, kMut) && kw(pos_ + 1, kSelfValue)) {
      pos_ += 2;
      keep = true;
    } else if (mut_self && !named) {
      ++pos_;  // self
    } else if (!type(true)) {
      return false;
    }
    if (keep) verbatim(begin, snap);
    return true;
  }

  // -------------------------------------------------------------------------------------------
  // Visibility

  // Where a visibility starting at `i` ends (i itself when there is none).
  std::uint32_t skip_visibility(std::uint32_t i) const {
    if (!kw(i, kPub)) return i;
    ++i;
    if (open(i, Delim::Paren)) {
      const std::uint32_t close = tok_[i].partner;
      const std::uint32_t c = i + 1;
      if ((kw(c, kCrate) || kw(c, kSelfValue) || kw(c, kSuper)) && c + 1 == close) {
        return close + 1;
      }
      if (kw(c, kIn)) return close + 1;
    }
    return i;
  }

  bool visibility(Visibility& v) {
    v.tokens.first = pos_;
    const std::uint32_t end = skip_visibility(pos_);
    v.kind = end == pos_       ? VisKind::Inherited
             : end == pos_ + 1 ? VisKind::Public
                               : VisKind::Restricted;
    if (v.kind == VisKind::Restricted && kw(pos_ + 2, kIn)) {
      // `pub(in path)`: a path without generic arguments fills the parentheses.
      const std::uint32_t saved_end = end_;
      end_ = end - 1;
      pos_ += 3;
      const bool ok = mod_style_path() && at_end();
      end_ = saved_end;
      if (!ok) return false;
    }
    pos_ = end;
    v.tokens.last = pos_;
    return true;
  }

  // -------------------------------------------------------------------------------------------
  // Items

  // `const`? `async`? (`unsafe` | `safe`)? (`extern` "abi"?)? `fn` at `i`.
  bool peek_signature(std::uint32_t i, bool allow_safe) const {
    if (kw(i, kConst)) ++i;
    if (kw(i, kAsync)) ++i;
    if (allow_safe && kw(i, kSafe)) {
      ++i;
    } else if (kw(i, kUnsafe)) {
      ++i;
    }
    if (kw(i, kExtern)) {
      ++i;
      if (str_literal(i)) ++i;
    }
    return kw(i, kFn);
  }

  bool signature(bool allow_safe, bool* safe = nullptr, std::uint32_t* name = nullptr) {
    eat_kw(kConst);
    eat_kw(kAsync);
    const bool is_unsafe = eat_kw(kUnsafe);
    if (allow_safe && !is_unsafe && kw(pos_, kSafe)) {
      ++pos_;
      if (safe) *safe = true;
    }
    if (eat_kw(kExtern)) {
      if (str_literal(pos_)) ++pos_;
    }
    if (!expect_kw(kFn)) return false;
    if (name) *name = pos_;
    if (!expect_ident()) return false;
    if (!generics()) return false;
    const std::uint32_t anchor = generics_end_;
    std::uint32_t saved;
    if (!enter(Delim::Paren, saved)) return false;
    if (!fn_args()) return false;
    if (!leave(saved)) return false;
    if (!return_type(true)) return false;
    return where_clause(anchor);
  }

  // `self`, `mut self`, `&self`, `&'a mut self` ...: a receiver, unless `self` begins a path.
  bool receiver_ahead(std::uint32_t i) const {
    if (punct(i, '&')) {
      ++i;
      if (lifetime(i)) i += 2;
    }
    if (kw(i, kMut)) ++i;
    return kw(i, kSelfValue) && !colon2(i + 1);
  }

  // The `...` of a variadic function, its last parameter: at most a comma follows.
  bool variadic() {
    mark_joint(pos_, 3);
    pos_ += 3;
    return at_end() || expect_punct(',');
  }

  bool fn_args() {
    bool first = true;
    while (!at_end()) {
      if (!parse_outer_attrs(false)) return false;
      if (op3(pos_, '.', '.', '.')) return variadic();
      if (receiver_ahead(pos_)) {
        if (!first) return false;
        const bool reference = punct(pos_, '&');
        if (reference) {
          ++pos_;
          eat_lifetime();
        }
        eat_kw(kMut);
        ++pos_;  // self
        if (!reference && punct(pos_, ':')) {
          ++pos_;
          if (!type(true)) return false;
        }
      } else if (ident(pos_) && punct(pos_ + 1, '<')) {
        // An anonymous parameter of the 2015 edition, `a<b>`: a type printed as `_: a<b>`.
        edit(pos_, pos_ + 1, EditKind::Wildcard);
        if (!type(true)) return false;
      } else {
        if (!pat_single()) return false;
        if (!expect_punct(':')) return false;
        if (op3(pos_, '.', '.', '.')) return variadic();
        if (!type(true)) return false;
      }
      first = false;
      if (at_end()) break;
      if (!expect_punct(',')) return false;
    }
    return true;
  }

  // A function body `{ #![inner] stmts }`; the inner attributes join the function's attributes.
  bool fn_body(Item& it, bool record) {
    if (!open(pos_, Delim::Brace)) return false;
    std::uint32_t saved;
    it.body_open = pos_;
    enter(Delim::Brace, saved);
    if (!parse_inner_attrs(record)) return false;
    it.body_stmts = pos_;
    it.body_close = end_;
    if (!block_within()) return false;
    return leave(saved);
  }

  // A function from its signature on: one with a body is recorded (its attributes those from
  // `it.attr_first` on), one without (`;`) is kept verbatim from `begin`.
  bool fn_item(Item& it, std::uint32_t begin, const Snapshot& snap) {
    it.signature.first = pos_;
    if (!signature(false, nullptr, &it.ident)) return false;
    it.signature.last = pos_;
    if (punct(pos_, ';')) {
      ++pos_;
      verbatim(begin, snap);
      return true;
    }
    it.has_body = true;
    if (!fn_body(it, record_)) return false;
    it.kind = ItemKind::Fn;
    it.attr_count = static_cast<std::uint32_t>(f_.attrs.size()) - it.attr_first;
    if (record_) record_item(it);
    return true;
  }

  // A `const` item from its name: `NAME<generics>: Type = value where ...;`, the value optional.
  // `value` tells whether there is one, `extras` whether there are generics or a where clause.
  bool const_rest(bool& value, bool& extras) {
    if (!(ident(pos_) || kw(pos_, kUnderscore))) return false;
    ++pos_;
    extras = punct(pos_, '<');
    if (!generics() || !expect_punct(':') || !type(true)) return false;
    value = false;
    if (punct(pos_, '=')) {
      ++pos_;
      if (!expr(true)) return false;
      value = true;
    }
    extras = extras || kw(pos_, kWhere);
    return where_clause() && expect_punct(';');
  }

  // What a type alias holds besides its name, generics and where clause.
  struct AliasShape {
    bool colon = false, value = false;
  };
  // A type alias from its name: `Name<generics>: Bounds where ... = Type where ...;`, every part
  // after the name optional. Items and foreign items take the where clause before the `=` or,
  // when there is none there, after the type; trait and impl items only after it. A where clause
  // after the type is walked with the generics. A colon without bounds prints nothing.
  bool type_alias_rest(bool where_last, AliasShape& shape) {
    if (!expect_ident()) return false;
    if (!generics()) return false;
    const std::uint32_t anchor = generics_end_;
    if (punct(pos_, ':')) {
      const std::uint32_t colon = pos_++;
      shape.colon = true;
      if (!type_bounds_until_eq()) return false;
      if (pos_ == colon + 1) edit(colon, colon + 1, EditKind::Delete);
    }
    const bool early_where = !where_last && kw(pos_, kWhere);
    if (early_where && !where_clause()) return false;
    if (punct(pos_, '=')) {
      ++pos_;
      if (!type(true)) return false;
      shape.value = true;
    }
    if (!early_where && !where_clause(anchor)) return false;
    return expect_punct(';');
  }

  // An item's visibility, its keyword and its name.
  bool item_head(Item& it) {
    if (!visibility(it.vis)) return false;
    it.ident = ++pos_;
    return expect_ident();
  }

  // Whether the path of an item macro may start at `i`.
  bool macro_path_ahead(std::uint32_t i) const {
    return ident(i) || kw(i, kSelfValue) || kw(i, kSuper) || kw(i, kCrate) || colon2(i);
  }

  bool parse_item(std::uint32_t begin, const Snapshot& snap) {
    const std::uint32_t attr_first = static_cast<std::uint32_t>(f_.attrs.size());
    if (!parse_outer_attrs(record_)) return false;
    return item_rest(begin, snap, attr_first);
  }

  // Everything of an item after its outer attributes.
  bool item_rest(std::uint32_t begin, const Snapshot& snap, std::uint32_t attr_first) {
    Item it;
    it.attr_first = attr_first;
    // The item's own attributes: the outer ones, and for a function or an inline module also the
    // inner ones at the head of its body (recorded before anything else inside it).
    std::uint32_t outer = static_cast<std::uint32_t>(f_.attrs.size()) - attr_first;
    auto finish = [&](ItemKind kind) {
      it.kind = kind;
      it.attr_count = outer;
      if (record_) record_item(it);
      return true;
    };
    auto as_verbatim = [&]() {
      verbatim(begin, snap);
      return true;
    };
    auto impl_block = [&] {
      bool verb = false;
      if (!impl(it, verb)) return false;
      return verb ? as_verbatim() : finish(ItemKind::Impl);
    };
    const std::uint32_t ahead = skip_visibility(pos_);
    const bool inherited = ahead == pos_;

    if (kw(ahead, kFn) || peek_signature(ahead, false)) {
      return visibility(it.vis) && fn_item(it, begin, snap);
    }
    if (kw(ahead, kExtern)) {
      const std::uint32_t k = ahead + 1;
      if (kw(k, kCrate)) {
        if (!visibility(it.vis)) return false;
        pos_ += 2;
        if (!(kw(pos_, kSelfValue) || ident(pos_))) return false;
        it.ident = pos_++;
        if (eat_kw(kAs)) {
          if (!(ident(pos_) || kw(pos_, kUnderscore))) return false;
          ++pos_;
        }
        return expect_punct(';') && finish(ItemKind::ExternCrate);
      }
      if (open(k, Delim::Brace) || (str_literal(k) && open(k + 1, Delim::Brace))) {
        return inherited && foreign_mod(it) && finish(ItemKind::ForeignMod);
      }
      return false;
    }
    if (kw(ahead, kUse)) {
      if (!visibility(it.vis) || !expect_kw(kUse)) return false;
      const bool leading = eat_op2(':', ':');
      it.use_tokens.first = pos_;
      bool none = false;
      std::uint32_t root = 0;
      if (!use_tree(!leading, none, root)) return false;
      it.use_tokens.last = pos_;
      if (!expect_punct(';')) return false;
      if (none) return as_verbatim();
      it.use_tree = root;
      return finish(ItemKind::Use);
    }
    if (kw(ahead, kStatic)) {
      if (!visibility(it.vis)) return false;
      ++pos_;
      eat_kw(kMut);
      if (!expect_ident()) return false;
      if (punct(pos_, '=')) {
        ++pos_;
        if (!expr(true) || !expect_punct(';')) return false;
        return as_verbatim();
      }
      if (!expect_punct(':') || !type(true)) return false;
      if (punct(pos_, ';')) {
        ++pos_;
        return as_verbatim();
      }
      return expect_punct('=') && expr(true) && expect_punct(';') && finish(ItemKind::Static);
    }
    if (kw(ahead, kConst)) {
      if (!visibility(it.vis)) return false;
      it.ident = ++pos_;
      bool value = false, extras = false;
      if (!const_rest(value, extras)) return false;
      if (!value || extras) return as_verbatim();
      return finish(ItemKind::Const);
    }
    if (kw(ahead, kUnsafe)) {
      const std::uint32_t k = ahead + 1;
      if (kw(k, kTrait) || (kw(k, kAuto) && kw(k + 1, kTrait))) {
        return trait_item_def(it) && finish(ItemKind::Trait);
      }
      if (kw(k, kImpl)) return impl_block();
      if (kw(k, kExtern)) return inherited && foreign_mod(it) && finish(ItemKind::ForeignMod);
      if (kw(k, kMod)) return module(it, outer) && finish(ItemKind::Mod);
      return false;
    }
    if (kw(ahead, kMod)) {
      return module(it, outer) && finish(ItemKind::Mod);
    }
    if (kw(ahead, kType)) {
      if (!visibility(it.vis)) return false;
      it.ident = ++pos_;
      AliasShape alias;
      if (!type_alias_rest(false, alias)) return false;
      if (!alias.value || alias.colon) return as_verbatim();
      return finish(ItemKind::Type);
    }
    if (kw(ahead, kStruct)) {
      if (!item_head(it)) return false;
      if (!generics()) return false;
      it.member_attr_first = static_cast<std::uint32_t>(f_.attrs.size());
      if (!struct_data(generics_end_)) return false;
      it.member_attr_count = static_cast<std::uint32_t>(f_.attrs.size()) - it.member_attr_first;
      return finish(ItemKind::Struct);
    }
    if (kw(ahead, kEnum)) {
      if (!item_head(it)) return false;
      if (!generics() || !where_clause()) return false;
      it.member_attr_first = static_cast<std::uint32_t>(f_.attrs.size());
      if (!enum_body()) return false;
      it.member_attr_count = static_cast<std::uint32_t>(f_.attrs.size()) - it.member_attr_first;
      return finish(ItemKind::Enum);
    }
    if (kw(ahead, kUnion) && ident(ahead + 1)) {
      if (!item_head(it)) return false;
      if (!generics() || !where_clause()) return false;
      return unrecorded([&] { return named_fields(); }) && finish(ItemKind::Union);
    }
    if (kw(ahead, kTrait)) {
      // A trait or a trait alias.
      if (!item_head(it)) return false;
      if (!generics()) return false;
      const std::uint32_t anchor = generics_end_;
      if (punct(pos_, '=')) {
        ++pos_;
        const auto stop = [&] { return kw(pos_, kWhere) || punct(pos_, ';'); };
        return plus_bounds(stop, false) && where_clause(anchor) && expect_punct(';') &&
               finish(ItemKind::TraitAlias);
      }
      if (!(open(pos_, Delim::Brace) || punct(pos_, ':') || kw(pos_, kWhere))) return false;
      return trait_rest(it, anchor) && finish(ItemKind::Trait);
    }
    if (kw(ahead, kAuto) && kw(ahead + 1, kTrait)) {
      return trait_item_def(it) && finish(ItemKind::Trait);
    }
    if (kw(ahead, kImpl) || (kw(ahead, kDefault) && !punct(ahead + 1, '!'))) return impl_block();
    if (kw(ahead, kMacro)) {
      if (!visibility(it.vis)) return false;
      ++pos_;
      if (!expect_ident()) return false;
      if (open(pos_, Delim::Paren)) pos_ = tok_[pos_].partner + 1;
      if (!open(pos_, Delim::Brace)) return false;
      pos_ = tok_[pos_].partner + 1;
      return as_verbatim();
    }
    if (inherited && macro_path_ahead(ahead)) {
      return item_macro(true) && finish(ItemKind::Macro);
    }
    return false;
  }

  // `path! ident? (tokens);` or `path! ident? { tokens }`; the identifier only where
  // `allow_ident` (not in trait, impl and extern blocks).
  bool item_macro(bool allow_ident) {
    if (!mod_style_path() || !expect_punct('!')) return false;
    if (allow_ident && (ident(pos_) || kw(pos_, kTry))) ++pos_;
    if (!any_open(pos_)) return false;
    const bool brace = open(pos_, Delim::Brace);
    delimited_verbatim();
    if (!brace && !expect_punct(';')) return false;
    return true;
  }

  // Bounds after `type X:` up to `where`, `=` or `;`.
  bool type_bounds_until_eq() {
    return plus_bounds([&] { return kw(pos_, kWhere) || punct(pos_, '=') || punct(pos_, ';'); });
  }

  bool module(Item& it, std::uint32_t& attr_count) {
    if (!visibility(it.vis)) return false;
    eat_kw(kUnsafe);
    if (!expect_kw(kMod)) return false;
    if (!(ident(pos_) || kw(pos_, kTry))) return false;
    it.ident = pos_++;
    if (punct(pos_, ';')) {
      ++pos_;
      return true;
    }
    std::uint32_t saved;
    if (!enter(Delim::Brace, saved)) return false;
    it.has_body = true;
    if (!parse_inner_attrs(record_)) return false;
    attr_count = static_cast<std::uint32_t>(f_.attrs.size()) - it.attr_first;
    return item_list(&Parser::parse_item, it.child_first, it.child_count) && leave(saved);
  }

  bool foreign_mod(Item& it) {
    eat_kw(kUnsafe);
    if (!expect_kw(kExtern)) return false;
    if (str_literal(pos_)) ++pos_;
    return unrecorded([&] { return item_block(&Parser::foreign_item, it); });
  }

  bool foreign_item(std::uint32_t begin, const Snapshot& snap) {
    if (!parse_outer_attrs(false)) return false;
    const std::uint32_t ahead = skip_visibility(pos_);
    Visibility v;
    if (kw(ahead, kFn) || peek_signature(ahead, true)) {
      if (!visibility(v)) return false;
      bool safe = false;
      if (!signature(true, &safe)) return false;
      if (open(pos_, Delim::Brace)) {
        if (!block_with_inner()) return false;
        verbatim(begin, snap);
        return true;
      }
      if (!expect_punct(';')) return false;
      if (safe) verbatim(begin, snap);
      return true;
    }
    if (kw(ahead, kStatic) ||
        ((kw(ahead, kUnsafe) || kw(ahead, kSafe)) && kw(ahead + 1, kStatic))) {
      if (!visibility(v)) return false;
      const bool special = kw(pos_, kUnsafe) || kw(pos_, kSafe);
      if (special) ++pos_;
      ++pos_;  // static
      eat_kw(kMut);
      if (!expect_ident() || !expect_punct(':') || !type(true)) return false;
      bool value = false;
      if (punct(pos_, '=')) {
        ++pos_;
        if (!expr(true)) return false;
        value = true;
      }
      if (!expect_punct(';')) return false;
      if (special || value) verbatim(begin, snap);
      return true;
    }
    if (kw(ahead, kType)) {
      if (!visibility(v)) return false;
      ++pos_;
      AliasShape alias;
      if (!type_alias_rest(false, alias)) return false;
      if (alias.colon || alias.value) verbatim(begin, snap);
      return true;
    }
    if (ahead == pos_ && macro_path_ahead(ahead)) return item_macro(false);
    return false;
  }

  bool struct_data(std::uint32_t anchor) {
    if (kw(pos_, kWhere)) {
      if (!where_clause()) return false;
      if (open(pos_, Delim::Brace)) return named_fields();
      return expect_punct(';');
    }
    if (open(pos_, Delim::Paren)) {
      if (!unnamed_fields()) return false;
      if (!where_clause(anchor)) return false;
      return expect_punct(';');
    }
    if (open(pos_, Delim::Brace)) return named_fields();
    return expect_punct(';');
  }

  bool named_fields() {
    return comma_group(Delim::Brace, [&] {
      if (!parse_outer_attrs(record_)) return false;
      Visibility v;
      if (!visibility(v)) return false;
      const bool unnamed = kw(pos_, kUnderscore);
      if (!(unnamed || ident(pos_))) return false;
      ++pos_;
      if (!expect_punct(':')) return false;
      if (unnamed && (kw(pos_, kStruct) || (kw(pos_, kUnion) && open(pos_ + 1, Delim::Brace)))) {
        const std::uint32_t begin = pos_;
        const Snapshot snap = snapshot();
        ++pos_;
        if (!unrecorded([&] { return named_fields(); })) return false;
        verbatim(begin, snap);
        return true;
      }
      return type(true);
    });
  }

  bool unnamed_fields() {
    return comma_group(Delim::Paren, [&] {
      Visibility v;
      return parse_outer_attrs(record_) && visibility(v) && type(true);
    });
  }

  // The variants of an enum; a variant's visibility is read but prints nothing.
  bool enum_body() {
    return comma_group(Delim::Brace, [&] {
      if (!parse_outer_attrs(record_)) return false;
      Visibility v;
      if (!visibility(v) || !expect_ident()) return false;
      if (!v.tokens.empty()) edit(v.tokens.first, v.tokens.last, EditKind::Delete);
      if (open(pos_, Delim::Brace)) {
        if (!named_fields()) return false;
      } else if (open(pos_, Delim::Paren)) {
        if (!unnamed_fields()) return false;
      }
      if (punct(pos_, '=')) {
        ++pos_;
        if (!unrecorded([&] { return expr(true); })) return false;
      }
      return true;
    });
  }

  // `unsafe? auto? trait Name<..> ...` (for the forms that start with unsafe or auto).
  bool trait_item_def(Item& it) {
    if (!visibility(it.vis)) return false;
    eat_kw(kUnsafe);
    eat_kw(kAuto);
    if (!expect_kw(kTrait)) return false;
    if (!ident(pos_)) return false;
    it.ident = pos_++;
    if (!generics()) return false;
    return trait_rest(it, generics_end_);
  }

  bool trait_rest(Item& it, std::uint32_t anchor) {
    if (punct(pos_, ':')) {
      const std::uint32_t colon = pos_++;
      if (!plus_bounds([&] { return kw(pos_, kWhere) || open(pos_, Delim::Brace); })) return false;
      if (pos_ == colon + 1) edit(colon, colon + 1, EditKind::Delete);
    }
    if (!where_clause(anchor)) return false;
    return unrecorded([&] { return item_block(&Parser::trait_item, it); });
  }

  bool trait_item(std::uint32_t begin, const Snapshot& snap) {
    if (!parse_outer_attrs(false)) return false;
    Visibility v;
    if (!visibility(v)) return false;
    const bool has_default = eat_kw(kDefault);
    const bool special = v.kind != VisKind::Inherited || has_default;
    if (kw(pos_, kFn) || peek_signature(pos_, false)) {
      if (!signature(false)) return false;
      if (!(open(pos_, Delim::Brace) ? block_with_inner() : expect_punct(';'))) return false;
    } else if (kw(pos_, kConst)) {
      ++pos_;
      bool value = false, extras = false;
      if (!const_rest(value, extras)) return false;
      if (extras) {
        verbatim(begin, snap);
        return true;
      }
    } else if (kw(pos_, kType)) {
      ++pos_;
      AliasShape alias;
      if (!type_alias_rest(true, alias)) return false;
    } else if (!special && macro_path_ahead(pos_)) {
      if (!item_macro(false)) return false;
    } else {
      return false;
    }
    if (special) verbatim(begin, snap);
    return true;
  }

  bool impl(Item& it, bool& verb) {
    const bool has_vis = kw(pos_, kPub);
    if (!visibility(it.vis)) return false;
    eat_kw(kDefault);
    eat_kw(kUnsafe);
    if (!expect_kw(kImpl)) return false;
    if (generics_ahead(pos_) && !generics()) return false;
    const std::uint32_t anchor = pos_ - 1;  // the end of the generics, or `impl`
    bool is_const = false;
    if (kw(pos_, kConst) || (punct(pos_, '?') && kw(pos_ + 1, kConst))) {
      if (punct(pos_, '?')) ++pos_;
      ++pos_;
      is_const = true;
    }
    const std::uint32_t ty_begin = pos_;
    const Snapshot ty_snap = snapshot();
    bool polarity = false;
    if (punct(pos_, '!') && !open(pos_ + 1, Delim::Brace)) {
      ++pos_;
      polarity = true;
    }
    TyInfo first;
    if (!type(true, &first)) return false;
    bool missing_trait = false;
    if (kw(pos_, kFor)) {
      ++pos_;
      missing_trait = !(first.path && !first.qself);
      if (!type(true)) return false;
    } else if (polarity) {
      verbatim(ty_begin, ty_snap);
    }
    if (!where_clause(anchor) || !item_block(&Parser::impl_item, it)) return false;
    verb = has_vis || is_const || missing_trait;
    return true;
  }

  bool impl_item(std::uint32_t begin, const Snapshot& snap) {
    const std::uint32_t attr_first = static_cast<std::uint32_t>(f_.attrs.size());
    if (!parse_outer_attrs(record_)) return false;
    std::uint32_t ahead = skip_visibility(pos_);
    const bool inherited = ahead == pos_;
    bool has_default = false;
    if (kw(ahead, kDefault) && !punct(ahead + 1, '!')) {
      ++ahead;
      has_default = true;
    }
    if (kw(ahead, kFn) || peek_signature(ahead, false)) {
      Item it;
      it.attr_first = attr_first;
      if (!visibility(it.vis)) return false;
      eat_kw(kDefault);
      return fn_item(it, begin, snap);
    }
    if (kw(ahead, kConst)) {
      pos_ = ahead + 1;
      bool value = false, extras = false;
      if (!const_rest(value, extras)) return false;
      if (!value || extras) verbatim(begin, snap);
      return true;
    }
    if (kw(ahead, kType)) {
      pos_ = ahead + 1;
      AliasShape alias;
      if (!type_alias_rest(true, alias)) return false;
      if (alias.colon || !alias.value) verbatim(begin, snap);
      return true;
    }
    if (inherited && !has_default && macro_path_ahead(ahead)) return item_macro(false);
    return false;
  }

  // A use tree; `none` is set when a group holds a path that starts at the crate root (`::a`),
  // which leaves the whole item unparsed.
  bool use_tree(bool allow_root, bool& none, std::uint32_t& node) {
    Nest nest(*this);
    if (!nest.ok) return false;
    UseTree t;
    if (ident(pos_) || kw(pos_, kSelfValue) || kw(pos_, kSuper) || kw(pos_, kCrate) ||
        kw(pos_, kTry)) {
      t.ident = pos_++;
      if (colon2(pos_)) {
        eat_op2(':', ':');
        t.kind = UseKind::Path;
        bool sub_none = false;
        std::uint32_t child = 0;
        if (!use_tree(false, sub_none, child)) return false;
        t.child = child;
      } else if (kw(pos_, kAs)) {
        ++pos_;
        if (!(ident(pos_) || kw(pos_, kUnderscore))) return false;
        t.kind = UseKind::Rename;
        t.rename = pos_++;
      } else {
        t.kind = UseKind::Name;
      }
    } else if (punct(pos_, '*')) {
      ++pos_;
      t.kind = UseKind::Glob;
    } else if (open(pos_, Delim::Brace)) {
      t.kind = UseKind::Group;
      bool any_root = false;
      const std::size_t base = use_stack_.size();
      const bool ok = comma_group(Delim::Brace, [&] {
        const bool this_root = allow_root && eat_op2(':', ':');
        any_root |= this_root;
        bool sub_none = false;
        std::uint32_t child = 0;
        if (!use_tree(allow_root && !this_root, sub_none, child)) return false;
        if (sub_none) any_root = true;
        if (!any_root) use_stack_.push_back(child);
        return true;
      });
      if (!ok) return false;
      if (any_root) none = true;
      t.child = static_cast<std::uint32_t>(f_.use_lists.size());
      t.count = static_cast<std::uint32_t>(use_stack_.size() - base);
      f_.use_lists.insert(f_.use_lists.end(),
                          use_stack_.begin() + static_cast<std::ptrdiff_t>(base), use_stack_.end());
      use_stack_.resize(base);
    } else {
      return false;
    }
    node = static_cast<std::uint32_t>(f_.use_nodes.size());
    f_.use_nodes.push_back(t);
    return true;
  }

  // -------------------------------------------------------------------------------------------
  // Statements

  // The statements of a block up to the end of the current group.
  bool block_within() {
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
  bool block() {
    std::uint32_t saved;
    if (!enter(Delim::Brace, saved)) return false;
    if (!block_within()) return false;
    return leave(saved);
  }

  // A block that may open with inner attributes.
  bool block_with_inner() {
    std::uint32_t saved;
    if (!enter(Delim::Brace, saved)) return false;
    if (!parse_inner_attrs(false) || !block_within()) return false;
    return leave(saved);
  }

  bool stmt(bool& requires_semi) {
    const std::uint32_t begin = pos_;
    const Snapshot snap = snapshot();
    if (!parse_outer_attrs(false)) return false;
    const std::uint32_t attr_end = pos_;
    const Records attr_records = records();
    const std::uint32_t attr_first = static_cast<std::uint32_t>(f_.attrs.size());

    bool item_macro_ahead = false;
    const std::uint32_t p = skip_mod_style_path(pos_);
    if (p != kNoToken && punct(p, '!')) {
      const std::uint32_t k = p + 1;
      if (ident(k) || kw(k, kTry)) {
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
    if (kw(pos_, kLet)) return local(requires_semi);
    const bool is_item =
        kw(pos_, kPub) || (kw(pos_, kCrate) && !colon2(n1)) || kw(pos_, kExtern) ||
        kw(pos_, kUse) || (kw(pos_, kStatic) && (kw(n1, kMut) || ident(n1))) ||
        (kw(pos_, kConst) &&
         !(open(n1, Delim::Brace) || kw(n1, kStatic) ||
           (kw(n1, kAsync) && !(kw(n2, kUnsafe) || kw(n2, kExtern) || kw(n2, kFn))) ||
           kw(n1, kMove) || punct(n1, '|'))) ||
        (kw(pos_, kUnsafe) && !open(n1, Delim::Brace)) ||
        (kw(pos_, kAsync) && (kw(n1, kUnsafe) || kw(n1, kExtern) || kw(n1, kFn))) ||
        kw(pos_, kFn) || kw(pos_, kMod) || kw(pos_, kType) || kw(pos_, kStruct) ||
        kw(pos_, kEnum) || (kw(pos_, kUnion) && ident(n1)) || (kw(pos_, kAuto) && kw(n1, kTrait)) ||
        kw(pos_, kTrait) || (kw(pos_, kDefault) && (kw(n1, kUnsafe) || kw(n1, kImpl))) ||
        kw(pos_, kImpl) || kw(pos_, kMacro) || item_macro_ahead;
    if (is_item) {
      requires_semi = false;
      return item_rest(begin, snap, attr_first);
    }
    // Attributes of an expression statement belong to its leftmost operand.
    if (begin < attr_end) stmt_attrs_ = begin;
    bool verbatim_target = false;
    if (!stmt_expr(requires_semi, begin < attr_end ? begin : kNoToken, verbatim_target)) {
      return false;
    }
    // A verbatim expression that takes the statement's attributes keeps them among its tokens.
    if (verbatim_target) {
      drop_records(Records{snap.calls, snap.edits}, attr_records);
      mark_verbatim(begin, attr_end);
    }
    return true;
  }

  bool local(bool& requires_semi) {
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
      if (!trailing_brace() && kw(pos_, kElse)) {
        ++pos_;
        if (!block()) return false;
      }
    }
    return expect_punct(';');
  }

  // Whether the expression just parsed ends with a brace.
  bool trailing_brace() const {
    return pos_ > 0 && tok_[pos_ - 1].kind == TokenKind::Close &&
           tok_[pos_ - 1].delim() == Delim::Brace;
  }

  static bool block_like(const Ex& e) { return e.kind == EK::Block; }

  // An expression statement whose attributes begin at `attrs` (kNoToken when there are none);
  // `verbatim_target` tells whether they went to a verbatim expression.
  bool stmt_expr(bool& requires_semi, std::uint32_t attrs, bool& verbatim_target) {
    Ex e;
    stmt_call_ = kNoCall;
    const std::size_t base = nodes_.size();
    if (!expr_early(e)) return false;
    if (attrs != kNoToken)
      verbatim_target = nodes_[attach_stmt_attrs(e.node, attrs)].kind == NK::Verbatim;
    finish_root(e.node, parens::Context::Statement, base);
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

  // -------------------------------------------------------------------------------------------
  // Expressions

  // An expression where a statement may begin: a block-like expression ends it unless a method
  // call or `?` follows.
  // The attributes read here (a match arm body's) belong to the first operand: the block-like
  // expression with its postfix forms, or the unary expression the rest is built on.
  bool expr_early(Ex& out) {
    const std::uint32_t stmt_attrs = stmt_attrs_;
    stmt_attrs_ = kNoToken;
    const std::uint32_t attrs = pos_;
    const Records before_attrs = records();
    if (!expr_attrs()) return false;
    Ex e;
    e.start = pos_;
    const bool blocky = kw(pos_, kIf) || kw(pos_, kWhile) || kw(pos_, kLoop) || kw(pos_, kMatch) ||
                        kw(pos_, kUnsafe) || (kw(pos_, kFor) && !closure_for_ahead()) ||
                        ((kw(pos_, kTry) || kw(pos_, kConst)) && open(pos_ + 1, Delim::Brace)) ||
                        open(pos_, Delim::Brace) || lifetime(pos_);
    if (!blocky) {
      stmt_attrs_ = stmt_attrs;
      if (!unary(true, e)) return false;
      if (attrs < e.start) {
        if (e.kind == EK::Verbatim) {
          drop_records(before_attrs, records());
          mark_verbatim(attrs, e.start);
        }
        attach_attrs(e.node, attrs);
      }
      if (!parse_expr(e, true, Prec::Jump)) return false;
      out = e;
      return true;
    }
    if (kw(pos_, kTry)) {
      ++pos_;
      if (!block()) return false;
      e.node = node(NK::TryBlock, e.start);
    } else if (!block_like_atom(e)) {
      return false;
    }
    e.kind = EK::Block;
    const bool more = (punct(pos_, '.') && !dot2(pos_)) || punct(pos_, '?');
    if (more) {
      std::size_t outer_call;
      if (!trailers(e, outer_call)) return false;
    }
    if (attrs < e.start) attach_attrs(e.node, attrs);
    if (more && !parse_expr(e, true, Prec::Jump)) return false;
    out = e;
    return true;
  }

  // Whether the `for` at pos_ opens the binder of a closure rather than a loop.
  bool closure_for_ahead() const { return generics_ahead(pos_ + 1); }

  bool expr_attrs() {
    while (punct(pos_, '#')) {
      if (!parse_attr(AttrStyle::Outer, false)) return false;
    }
    return true;
  }

  // An expression that is part of a larger one; `allow_struct` false where a brace would end it
  // (conditions, scrutinees).
  bool expr_tree(bool allow_struct, Ex& out) {
    if (!unary(allow_struct, out)) return false;
    return parse_expr(out, allow_struct, Prec::Jump);
  }
  // An outermost expression, standing where struct literals are allowed (inside delimiters, after
  // the `=` of a let or an attribute, ...).
  bool expr(bool allow_struct) {
    const std::size_t base = nodes_.size();
    Ex e;
    if (!expr_tree(allow_struct, e)) return false;
    finish_root(e.node, parens::Context::Plain, base);
    return true;
  }
  // The condition of if and while, the scrutinee of match, the iterator of for.
  bool condition() {
    const std::size_t base = nodes_.size();
    Ex e;
    if (!expr_tree(false, e)) return false;
    finish_root(e.node, parens::Context::Condition, base);
    return true;
  }

  // Records an expression node that ends at pos_.
  [[gnu::noinline]] std::uint32_t node(NK kind, std::uint32_t first, std::uint32_t left = kNoNode,
                                       std::uint32_t right = kNoNode, std::uint16_t flags = 0) {
    parens::Node n;
    n.kind = kind;
    n.flags = flags;
    n.first = first;
    n.start = first;
    n.last = pos_;
    n.left = left;
    n.right = right;
    if (parens::may_need_wraps(n) ||
        (left != kNoNode && (nodes_[left].flags & parens::kMayWrap) != 0) ||
        (right != kNoNode && (nodes_[right].flags & parens::kMayWrap) != 0)) {
      n.flags |= parens::kMayWrap;
    }
    if (nodes_.size() == nodes_.capacity()) nodes_.reserve(2 * nodes_.size() + 256);
    nodes_.push_back(n);
    return static_cast<std::uint32_t>(nodes_.size() - 1);
  }
  // Outer attributes from `first` on, written before the expression `e` (a verbatim expression
  // holds them among its tokens).
  void attach_attrs(std::uint32_t e, std::uint32_t first) {
    parens::Node& n = nodes_[e];
    n.first = first;
    if (n.kind != NK::Verbatim) n.flags |= parens::kOuterAttrs | parens::kMayWrap;
  }
  // A statement's attributes go to the leftmost operand of its assignments, binary operations
  // and casts (which it returns); the expressions on the way begin with them too.
  std::uint32_t attach_stmt_attrs(std::uint32_t e, std::uint32_t first) {
    while (nodes_[e].kind == NK::Assign || nodes_[e].kind == NK::Binary ||
           nodes_[e].kind == NK::Cast) {
      nodes_[e].first = first;
      nodes_[e].flags |= parens::kMayWrap;
      e = nodes_[e].left;
    }
    attach_attrs(e, first);
    return e;
  }
  // Records the parentheses printing adds in the outermost expression `root`, whose nodes begin
  // at `base`, and drops its nodes.
  void finish_root(std::uint32_t root, parens::Context context, std::size_t base) {
    if ((nodes_[root].flags & parens::kMayWrap) != 0) {
      parens::find_wraps(nodes_, root, context, wraps_);
      for (const TokenRange& w : wraps_) edit(w.first, w.last, EditKind::Wrap);
      wraps_.clear();
    }
    nodes_.resize(base);
  }

  bool peek_binop(std::uint32_t i, Prec& prec, std::uint32_t& len) const {
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

  Prec peek_precedence() const {
    Prec p;
    std::uint32_t len;
    if (peek_binop(pos_, p, len)) return p;
    if (punct(pos_, '=') && !op2(pos_, '=', '>')) return Prec::Assign;
    if (dot2(pos_)) return Prec::Range;
    if (kw(pos_, kAs)) return Prec::Cast;
    return Prec::Jump;
  }

  bool parse_expr(Ex& lhs, bool allow_struct, Prec base) {
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
        const std::uint16_t flags = operator_flags(pos_, len);
        mark_joint(pos_, len);
        pos_ += len;
        Ex rhs;
        if (!binop_rhs(allow_struct, prec, rhs)) return false;
        lhs.kind = EK::Binary;
        lhs.bin = prec;
        lhs.node = node(NK::Binary, nodes_[lhs.node].first, lhs.node, rhs.node, flags);
        nodes_[lhs.node].prec = prec;
      } else if (Prec::Assign >= base && punct(pos_, '=') && !op2(pos_, '=', '>')) {
        ++pos_;
        Ex rhs;
        if (!binop_rhs(allow_struct, Prec::Assign, rhs)) return false;
        lhs.kind = EK::Other;
        lhs.node = node(NK::Assign, nodes_[lhs.node].first, lhs.node, rhs.node);
      } else if (Prec::Range >= base && dot2(pos_)) {
        Limits limits;
        if (!range_limits(limits)) return false;
        Ex end;
        if (!range_end(limits, allow_struct, end)) return false;
        lhs.kind = EK::Range;
        lhs.node = node(NK::Range, nodes_[lhs.node].first, lhs.node, end.node);
      } else if (Prec::Cast >= base && kw(pos_, kAs)) {
        ++pos_;
        const std::uint32_t ty = pos_;
        if (!type(false)) return false;
        if ((punct(pos_, '.') && !dot2(pos_)) || punct(pos_, '?') || open(pos_, Delim::Bracket) ||
            open(pos_, Delim::Paren)) {
          return false;
        }
        lhs.kind = EK::Other;
        lhs.node = node(NK::Cast, nodes_[lhs.node].first, lhs.node, kNoNode,
                        ends_in_bare_path(ty, pos_) ? parens::kBarePathType : 0);
      } else {
        break;
      }
    }
    return true;
  }

  // Of a binary operator of `len` characters at `i`: whether it can also begin an expression
  // (`-`, `*`, `&`, `|`, `&&`, `||`, `<`, `<<`) and whether it can open generic arguments.
  std::uint16_t operator_flags(std::uint32_t i, std::uint32_t len) const {
    const char c = tok_[i].punct();
    const bool doubled = len == 2 && punct(i + 1, c);
    if ((len == 1 && c == '<') || (doubled && c == '<')) {
      return parens::kOpBeginsExpr | parens::kOpBeginsArgs;
    }
    if (len == 1 && (c == '-' || c == '*' || c == '&' || c == '|')) return parens::kOpBeginsExpr;
    if (doubled && (c == '&' || c == '|')) return parens::kOpBeginsExpr;
    return 0;
  }

  // Whether the type [first, last) ends in a path whose last segment has no generic arguments,
  // so that a `<` after it would open them: `u8`, `&T`, `fn() -> T`, `dyn (Trait)`.
  bool ends_in_bare_path(std::uint32_t first, std::uint32_t last) const {
    // A bound or type kept verbatim at the end is no path.
    for (auto r = verbatim_.rbegin(); r != verbatim_.rend() && r->first >= first; ++r) {
      if (r->last == last) return false;
    }
    for (;;) {
      if (last <= first) return false;
      const std::uint32_t end = last - 1;
      if (tok_[end].kind == TokenKind::Ident) {
        return !kw(end, kUnderscore) && !(end > first && lifetime(end - 1));
      }
      if (tok_[end].kind != TokenKind::Close || tok_[end].delim() != Delim::Paren) return false;
      // A parenthesised bound after `dyn`, `impl` or `+` ends as its own path does; any other
      // parentheses close a tuple, a parenthesised type, parameters or a macro's input.
      const std::uint32_t open = tok_[end].partner;
      if (open == first || !(kw(open - 1, kDyn) || kw(open - 1, kImpl) || punct(open - 1, '+'))) {
        return false;
      }
      first = open + 1;
      last = end;
    }
  }

  bool binop_rhs(bool allow_struct, Prec prec, Ex& rhs) {
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
  bool range_limits(Limits& limits) {
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

  // The end of a range after its limits, if it has one (`end` keeps no node otherwise).
  bool range_end(Limits limits, bool allow_struct, Ex& end) {
    if (limits == Limits::HalfOpen &&
        (at_end() || punct(pos_, ',') || punct(pos_, ';') || (punct(pos_, '.') && !dot2(pos_)) ||
         punct(pos_, '?') || op2(pos_, '=', '>') || (!allow_struct && open(pos_, Delim::Brace)) ||
         punct(pos_, '=') || punct(pos_, '+') || punct(pos_, '/') || punct(pos_, '%') ||
         punct(pos_, '^') || punct(pos_, '>') || op2(pos_, '<', '=') || op2(pos_, '!', '=') ||
         op2(pos_, '-', '=') || op2(pos_, '*', '=') || op2(pos_, '&', '=') || op2(pos_, '|', '=') ||
         op3(pos_, '<', '<', '=') || kw(pos_, kAs))) {
      return true;
    }
    return binop_rhs(allow_struct, Prec::Range, end);
  }

  // A unary expression. The prefix operators are read in a loop (they nest without limit in
  // real code such as `&&&x` or `!!x`); the operand is an atom with its postfix forms.
  bool unary(bool allow_struct, Ex& out) {
    Nest nest(*this);
    if (!nest.ok) return false;
    bool prefixed = false;
    // Where the attributes attached to the operand begin: those of a statement (when this is its
    // leftmost operand) or those written right before the operand.
    std::uint32_t attrs = stmt_attrs_;
    const bool from_stmt = attrs != kNoToken;
    stmt_attrs_ = kNoToken;
    // The prefix operators read so far, outermost first, each with the attributes before it.
    const std::size_t outer = prefixes_.size();
    for (int prefixes = depth_;; ++prefixes) {
      if (prefixes > kMaxNesting) return false;
      const std::uint32_t begin = pos_;
      const Records before_attrs = records();
      if (!expr_attrs()) return false;
      if (!from_stmt || prefixed) attrs = begin;
      if (punct(pos_, '&')) {
        const std::uint32_t op = pos_++;
        bool raw = false;
        if (kw(pos_, kRaw) && (kw(pos_ + 1, kMut) || kw(pos_ + 1, kConst))) {
          ++pos_;
          raw = true;
        }
        const bool mut = eat_kw(kMut);
        if (raw && !mut && !expect_kw(kConst)) return false;
        prefixes_.push_back(Prefix{raw ? NK::RawAddr : NK::Reference, begin, op});
        prefixed = true;
        continue;
      }
      if (punct(pos_, '*') || punct(pos_, '!') || punct(pos_, '-')) {
        prefixes_.push_back(Prefix{NK::Unary, begin, pos_++});
        prefixed = true;
        continue;
      }
      out = Ex{};
      out.start = pos_;
      // Attributes written right before a range with no start are refused (a statement's own
      // attributes were read before it and may precede one).
      if (pos_ > begin && dot2(pos_)) return false;
      if (!operand(begin, attrs, from_stmt && !prefixed, allow_struct, out)) return false;
      // A verbatim expression keeps the attributes written right before it among its tokens.
      if (out.kind == EK::Verbatim) drop_records(before_attrs, records());
      if (begin < out.start) attach_attrs(out.node, begin);
      while (prefixes_.size() > outer) {
        const Prefix& pre = prefixes_.back();
        out.node = node(pre.kind, pre.begin, kNoNode, out.node);
        if (pre.begin < pre.op) attach_attrs(out.node, pre.begin);
        nodes_[out.node].start = pre.op;
        prefixes_.pop_back();
      }
      if (prefixed) out.kind = EK::Other;
      return true;
    }
  }

  // An atom with its postfix forms; `attrs` is where the attributes attached to it begin.
  bool operand(std::uint32_t begin, std::uint32_t attrs, bool stmt_attrs, bool allow_struct,
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
  bool trailers(Ex& e, std::size_t& outer_call) {
    for (;;) {
      outer_call = kNoCall;
      const std::uint32_t first = nodes_[e.node].first;
      if (open(pos_, Delim::Paren)) {
        if (e.kind == EK::Path && e.segments > 0) {
          outer_call = f_.calls.size();
          f_.calls.push_back(CallSite{e.start, e.name, e.segments > 1});
        }
        if (!call_args()) return false;
        e.kind = EK::Other;
        e.node = node(NK::Call, first, e.node);
        if (outer_call != kNoCall && !(open(pos_, Delim::Paren) || open(pos_, Delim::Bracket) ||
                                       (punct(pos_, '.') && !dot2(pos_)) || punct(pos_, '?'))) {
          return true;
        }
      } else if (punct(pos_, '.') && !dot2(pos_) && e.kind != EK::Range) {
        ++pos_;
        e.kind = EK::Other;
        if (!member_trailer(e)) return false;
      } else if (open(pos_, Delim::Bracket)) {
        if (!index_trailer()) return false;
        e.kind = EK::Other;
        e.node = node(NK::Index, first, e.node);
      } else if (punct(pos_, '?') && e.kind != EK::Range) {
        ++pos_;
        e.kind = EK::Other;
        e.node = node(NK::Try, first, e.node);
      } else {
        break;
      }
    }
    return true;
  }

  // After the `.` of a postfix form: `.0.1`, `.await`, `.field`, `.0` or `.method::<T>(args)`.
  [[gnu::noinline]] bool member_trailer(Ex& e) {
    const std::uint32_t first = nodes_[e.node].first;
    if (literal(pos_) && tok_[pos_].lit() == LitKind::Float) {
      bool trailing_dot = false;
      std::uint32_t parts = 0;
      if (!split_index(trailing_dot, parts)) return false;
      for (std::uint32_t k = 0; k < parts; ++k) e.node = node(NK::Field, first, e.node);
      if (!trailing_dot) return true;
    }
    if (kw(pos_, kAwait)) {
      ++pos_;
      e.node = node(NK::Await, first, e.node);
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
    if ((turbofish || open(pos_, Delim::Paren)) && named) {
      if (!call_args()) return false;
      e.node = node(NK::MethodCall, first, e.node);
      return true;
    }
    e.node = node(NK::Field, first, e.node, kNoNode, named ? parens::kNamedMember : 0);
    return true;
  }

  [[gnu::noinline]] bool index_trailer() {
    std::uint32_t saved;
    enter(Delim::Bracket, saved);
    return expr(true) && leave(saved);
  }

  [[gnu::noinline]] bool call_args() {
    return comma_group(Delim::Paren, [&] { return expr(true); });
  }

  bool index_member() {
    if (!literal(pos_) || tok_[pos_].lit() != LitKind::Integer) return false;
    std::uint32_t v;
    const std::string_view t = text(pos_);
    if (!tuple_index_value(t, v)) return false;
    if (t != std::to_string(v)) edit(pos_, pos_ + 1, EditKind::IndexValue);
    ++pos_;
    return true;
  }

  // `x.0.1`: the float literal `0.1` is two tuple indices. Each part between the dots is read as
  // an integer literal of its own, so `0.0x1f` is the indices 0 and 31; a part with a suffix or
  // an exponent is refused.
  bool split_index(bool& trailing_dot, std::uint32_t& parts) {
    std::string_view t = text(pos_);
    trailing_dot = !t.empty() && t.back() == '.';
    if (trailing_dot) t.remove_suffix(1);
    std::size_t start = 0;
    for (;;) {
      const std::size_t dot = t.find('.', start);
      const std::string_view part =
          t.substr(start, dot == std::string_view::npos ? t.npos : dot - start);
      if (part.empty() || part[0] < '0' || part[0] > '9') return false;
      std::uint32_t v;
      if (!tuple_index_value(part, v)) return false;
      ++parts;
      if (dot == std::string_view::npos) break;
      start = dot + 1;
    }
    edit(pos_, pos_ + 1, EditKind::SplitIndex);
    ++pos_;
    return true;
  }

  // An expression that needs no precedence: literals, paths, groups, blocks and keyword forms.
  // Each form sits in a function of its own, so that the frames on the recursive path stay small.
  bool atom(bool allow_struct, Ex& out) {
    out.start = pos_;
    out.node = kNoNode;
    NK kind = NK::Verbatim;
    if (!atom_of(allow_struct, out, kind)) return false;
    if (out.node == kNoNode) out.node = node(kind, out.start);
    return true;
  }

  // The atom at pos_: its node is recorded here when it has children, else it is of `kind`.
  bool atom_of(bool allow_struct, Ex& out, NK& kind) {
    if (lit_len(pos_) == 1) {
      ++pos_;
      kind = NK::Lit;
      return true;
    }
    if (kw(pos_, kAsync) &&
        (open(pos_ + 1, Delim::Brace) || (kw(pos_ + 1, kMove) && open(pos_ + 2, Delim::Brace)))) {
      ++pos_;
      eat_kw(kMove);
      kind = NK::Async;
      return block();
    }
    if (kw(pos_, kTry) && open(pos_ + 1, Delim::Brace)) {
      ++pos_;
      out.kind = EK::Block;
      kind = NK::TryBlock;
      return block();
    }
    if (punct(pos_, '|') || kw(pos_, kMove) || (kw(pos_, kFor) && closure_for_ahead()) ||
        (kw(pos_, kConst) && !open(pos_ + 1, Delim::Brace)) || kw(pos_, kStatic) ||
        (kw(pos_, kAsync) && (punct(pos_ + 1, '|') || kw(pos_ + 1, kMove)))) {
      return closure(allow_struct, out);
    }
    if (kw(pos_, kBuiltin) && punct(pos_ + 1, '#')) return builtin(out);
    if (qpath_start(pos_) || (kw(pos_, kTry) && (punct(pos_ + 1, '!') || colon2(pos_ + 1)))) {
      return path_or_macro_or_struct(allow_struct, out);
    }
    if (open(pos_, Delim::Paren)) return paren_or_tuple(out);
    if (kw(pos_, kBreak)) return break_expr(allow_struct, out);
    if (kw(pos_, kContinue)) {
      ++pos_;
      eat_lifetime();
      kind = NK::Continue;
      return true;
    }
    if (kw(pos_, kReturn) || kw(pos_, kYield)) return return_expr(out);
    if (kw(pos_, kBecome)) return become(out);
    if (open(pos_, Delim::Bracket)) return array_or_repeat(out);
    if (kw(pos_, kLet)) return let_expr(allow_struct, out);
    if (kw(pos_, kIf) || kw(pos_, kWhile) || kw(pos_, kFor) || kw(pos_, kLoop) ||
        kw(pos_, kMatch) || kw(pos_, kUnsafe) || kw(pos_, kConst) || open(pos_, Delim::Brace) ||
        lifetime(pos_)) {
      out.kind = EK::Block;
      return block_like_atom(out);
    }
    if (dot2(pos_)) {
      out.kind = EK::Range;
      return prefix_range(allow_struct, out);
    }
    if (kw(pos_, kUnderscore)) {
      ++pos_;
      kind = NK::Infer;
      return true;
    }
    return false;
  }

  [[gnu::noinline]] bool builtin(Ex& out) {
    if (!builtin_call()) return false;
    out.kind = EK::Verbatim;
    return true;
  }

  // `(x)` is a parenthesised expression; `()`, `(x,)` and `(x, y)` are tuples.
  [[gnu::noinline]] bool paren_or_tuple(Ex& out) {
    std::uint32_t saved;
    enter(Delim::Paren, saved);
    std::uint32_t elements = 0;
    bool comma = false;
    const bool ok = comma_list([&] {
      ++elements;
      return expr(true);
    });
    if (!ok) return false;
    comma = elements > 0 && punct(pos_ - 1, ',');
    if (!leave(saved)) return false;
    out.node = node(elements == 1 && !comma ? NK::Paren : NK::Tuple, out.start);
    return true;
  }

  // `break 'label value`. Where struct literals are not allowed (a condition), a brace right
  // after `break` is not its value, but a value that starts otherwise is read with struct literals
  // allowed: `match break S {} {}` breaks with `S {}`.
  [[gnu::noinline]] bool break_expr(bool allow_struct, Ex& out) {
    ++pos_;
    if (lifetime(pos_) && punct(pos_ + 2, ':')) return false;
    const bool label = eat_lifetime();
    Ex value;
    if (can_begin_expr() && (allow_struct || !open(pos_, Delim::Brace))) {
      if (!expr_tree(true, value)) return false;
    }
    out.node = node(NK::Break, out.start, kNoNode, value.node, label ? parens::kLabel : 0);
    return true;
  }

  [[gnu::noinline]] bool return_expr(Ex& out) {
    const NK kind = kw(pos_, kReturn) ? NK::Return : NK::Yield;
    ++pos_;
    Ex value;
    if (can_begin_expr()) {
      if (!expr_tree(true, value)) return false;
    }
    out.node = node(kind, out.start, kNoNode, value.node);
    return true;
  }

  [[gnu::noinline]] bool become(Ex& out) {
    const std::uint32_t begin = pos_;
    const Snapshot snap = snapshot();
    ++pos_;
    if (!expr(true)) return false;
    verbatim(begin, snap);
    out.kind = EK::Verbatim;
    return true;
  }

  [[gnu::noinline]] bool array_or_repeat(Ex& out) {
    std::uint32_t saved;
    enter(Delim::Bracket, saved);
    NK kind = NK::Array;
    if (!at_end()) {
      if (!expr(true)) return false;
      if (punct(pos_, ';')) {
        ++pos_;
        if (!expr(true)) return false;
        kind = NK::Repeat;
      } else {
        while (!at_end()) {
          if (!expect_punct(',')) return false;
          if (at_end()) break;
          if (!expr(true)) return false;
        }
      }
    }
    if (!leave(saved)) return false;
    out.node = node(kind, out.start);
    return true;
  }

  [[gnu::noinline]] bool let_expr(bool allow_struct, Ex& out) {
    ++pos_;
    if (!pat_multi(true) || !expect_punct('=')) return false;
    Ex scrutinee;
    if (!unary(allow_struct, scrutinee)) return false;
    if (!parse_expr(scrutinee, allow_struct, Prec::Compare)) return false;
    out.node = node(NK::Let, out.start, kNoNode, scrutinee.node);
    return true;
  }

  // if, while, for, loop, match, unsafe and const blocks, plain and labelled blocks.
  [[gnu::noinline]] bool block_like_atom(Ex& out) {
    const std::uint32_t first = pos_;
    std::uint16_t flags = 0;
    if (lifetime(pos_)) {
      pos_ += 2;
      if (!expect_punct(':')) return false;
      flags = parens::kLabel;
      if (!(kw(pos_, kWhile) || kw(pos_, kFor) || kw(pos_, kLoop) || open(pos_, Delim::Brace))) {
        return false;
      }
    }
    struct Form {
      Kw keyword;
      NK kind;
      bool (Parser::*read)();
    };
    static constexpr Form kForms[] = {
        {kIf, NK::If, &Parser::expr_if},          {kWhile, NK::While, &Parser::expr_while},
        {kFor, NK::ForLoop, &Parser::expr_for},   {kLoop, NK::Loop, &Parser::expr_loop},
        {kMatch, NK::Match, &Parser::expr_match},
    };
    NK kind = NK::Block;
    bool ok = false;
    const Form* form = std::find_if(std::begin(kForms), std::end(kForms),
                                    [&](const Form& f) { return kw(pos_, f.keyword); });
    if (form != std::end(kForms)) {
      kind = form->kind;
      ok = (this->*form->read)();
    } else if (kw(pos_, kUnsafe) || kw(pos_, kConst)) {
      kind = kw(pos_, kUnsafe) ? NK::Unsafe : NK::Const;
      ++pos_;
      ok = block_with_inner();
    } else {
      if (open(pos_, Delim::Brace) && punct(pos_ + 1, '#') && punct(pos_ + 2, '!')) {
        flags |= parens::kInnerAttrs;
      }
      ok = block_with_inner();
    }
    if (!ok) return false;
    out.node = node(kind, first, kNoNode, kNoNode, flags);
    return true;
  }

  [[gnu::noinline]] bool prefix_range(bool allow_struct, Ex& out) {
    Limits limits;
    if (!range_limits(limits)) return false;
    Ex end;
    if (!range_end(limits, allow_struct, end)) return false;
    out.node = node(NK::Range, out.start, kNoNode, end.node);
    return true;
  }

  // Whether an expression can begin here (after `return`, `break` and `yield`).
  bool can_begin_expr() const {
    return (ident_any(pos_) && !kw(pos_, kAs)) || open(pos_, Delim::Paren) ||
           open(pos_, Delim::Bracket) || open(pos_, Delim::Brace) || lit_len(pos_) > 0 ||
           (punct(pos_, '!') && !op2(pos_, '!', '=')) ||
           (punct(pos_, '-') && !op2(pos_, '-', '=') && !op2(pos_, '-', '>')) ||
           (punct(pos_, '*') && !op2(pos_, '*', '=')) ||
           (punct(pos_, '|') && !op2(pos_, '|', '=')) ||
           (punct(pos_, '&') && !op2(pos_, '&', '=')) || dot2(pos_) ||
           (punct(pos_, '<') && !op2(pos_, '<', '=') && !op3(pos_, '<', '<', '=')) ||
           colon2(pos_) || lifetime(pos_) || punct(pos_, '#');
  }

  [[gnu::noinline]] bool closure(bool allow_struct, Ex& out) {
    if (kw(pos_, kFor) && !binder()) return false;
    eat_kw(kConst);
    eat_kw(kStatic);
    eat_kw(kAsync);
    eat_kw(kMove);
    if (!expect_punct('|')) return false;
    for (;;) {
      if (punct(pos_, '|')) break;
      const std::uint32_t attrs = pos_;
      const Records before_attrs = records();
      if (!parse_outer_attrs(false)) return false;
      const std::uint32_t pat = pos_;
      const Records after_attrs = records();
      if (!pat_single()) return false;
      if (punct(pos_, ':')) {
        ++pos_;
        if (!type(true)) return false;
      } else if (attrs < pat && kw(pat, kBox)) {
        // An untyped parameter keeps its attributes on its pattern, which a box pattern, kept
        // as read, has no place for: they are dropped.
        drop_records(before_attrs, after_attrs);
        edit(attrs, pat, EditKind::Delete);
      } else if (attrs < pat && pat_shape_ != PatShape::Other) {
        // A range pattern prints its attributes before parentheses around it.
        edit(pat, pos_, EditKind::Wrap);
      }
      if (punct(pos_, '|')) break;
      if (!expect_punct(',')) return false;
    }
    if (!expect_punct('|')) return false;
    Ex body;
    std::uint16_t flags = parens::kDefaultOutput;
    if (op2(pos_, '-', '>')) {
      eat_op2('-', '>');
      if (!type(true)) return false;
      body.start = pos_;
      if (!block()) return false;
      body.node = node(NK::Block, body.start);
      flags = 0;
    } else if (!expr_tree(allow_struct, body)) {
      return false;
    }
    out.node = node(NK::Closure, out.start, kNoNode, body.node, flags);
    return true;
  }

  [[gnu::noinline]] bool path_or_macro_or_struct(bool allow_struct, Ex& out) {
    PathInfo pi;
    if (!qpath(true, pi)) return false;
    if (!pi.qself && punct(pos_, '!') && !op2(pos_, '!', '=') && pi.mod_style) {
      ++pos_;
      if (!any_open(pos_)) return false;
      const bool brace = open(pos_, Delim::Brace);
      out.kind = brace ? EK::MacroBrace : EK::Macro;
      delimited_verbatim();
      out.node = node(NK::Macro, out.start, kNoNode, kNoNode, brace ? parens::kBraceMacro : 0);
      return true;
    }
    if (allow_struct && open(pos_, Delim::Brace)) {
      out.kind = EK::Other;
      if (!struct_literal()) return false;
      out.node = node(NK::Struct, out.start);
      return true;
    }
    out.kind = EK::Path;
    out.name = pi.last_ident;
    out.segments = pi.segments;
    out.node = node(NK::Path, out.start);
    return true;
  }

  [[gnu::noinline]] bool struct_literal() {
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

  [[gnu::noinline]] bool expr_if() {
    for (;;) {
      ++pos_;  // if
      if (!condition()) return false;
      if (!block()) return false;
      if (!kw(pos_, kElse)) return true;
      ++pos_;
      if (kw(pos_, kIf)) continue;
      if (open(pos_, Delim::Brace)) return block();
      return false;
    }
  }

  [[gnu::noinline]] bool expr_while() {
    ++pos_;
    if (!condition()) return false;
    return block_with_inner();
  }

  [[gnu::noinline]] bool expr_for() {
    ++pos_;
    if (!pat_multi(true) || !expect_kw(kIn)) return false;
    if (!condition()) return false;
    return block_with_inner();
  }

  bool expr_loop() {
    ++pos_;
    return block_with_inner();
  }

  [[gnu::noinline]] bool expr_match() {
    ++pos_;
    if (!condition()) return false;
    std::uint32_t saved;
    if (!enter(Delim::Brace, saved)) return false;
    if (!parse_inner_attrs(false)) return false;
    while (!at_end()) {
      if (!parse_outer_attrs(false)) return false;
      if (!pat_multi(true)) return false;
      if (kw(pos_, kIf)) {
        ++pos_;
        if (!expr(true)) return false;
      }
      if (!eat_op2('=', '>')) return false;
      Ex body;
      const std::size_t base = nodes_.size();
      if (!expr_early(body)) return false;
      finish_root(body.node, parens::Context::MatchArm, base);
      const bool requires_comma = !block_like(body);
      if (requires_comma && !at_end()) {
        if (!expect_punct(',')) return false;
      } else if (punct(pos_, ',')) {
        ++pos_;
      }
    }
    return leave(saved);
  }

  // -------------------------------------------------------------------------------------------
  // Patterns

  // A pattern with alternatives. A leading `|` makes an or-pattern even of a single case.
  bool pat_multi(bool leading_vert) {
    const bool vert = leading_vert && punct(pos_, '|');
    if (vert) ++pos_;
    if (!pat_single()) return false;
    bool alternatives = vert;
    while (punct(pos_, '|') && !op2(pos_, '|', '|') && !op2(pos_, '|', '=')) {
      ++pos_;
      if (!pat_single()) return false;
      alternatives = true;
    }
    if (alternatives) pat_shape_ = PatShape::Other;
    return true;
  }

  // One pattern without alternatives; pat_shape_ tells afterwards whether it is a range.
  bool pat_single() {
    PatShape shape = PatShape::Other;
    const bool ok = pat_single_of(shape);
    pat_shape_ = shape;
    return ok;
  }

  bool pat_single_of(PatShape& shape) {
    Nest nest(*this);
    if (!nest.ok) return false;
    const std::uint32_t n1 = pos_ + 1;
    if ((ident(pos_) && (colon2(n1) || punct(n1, '!') || open(n1, Delim::Brace) ||
                         open(n1, Delim::Paren) || dot2(n1))) ||
        (kw(pos_, kSelfValue) && colon2(n1)) || colon2(pos_) || punct(pos_, '<') ||
        kw(pos_, kSelfType) || kw(pos_, kSuper) || kw(pos_, kCrate)) {
      return pat_path_like(shape);
    }
    if (kw(pos_, kUnderscore)) {
      ++pos_;
      return true;
    }
    if (kw(pos_, kBox)) {
      const std::uint32_t begin = pos_;
      const Snapshot snap = snapshot();
      ++pos_;
      if (!pat_single()) return false;
      verbatim(begin, snap);
      return true;
    }
    if (punct(pos_, '-') || lit_len(pos_) > 0 || kw(pos_, kConst)) {
      bool some = false;
      if (!range_bound(some) || !some) return false;
      return !dot2(pos_) || range_pattern_end(true, shape);
    }
    if (kw(pos_, kRef) || kw(pos_, kMut) || kw(pos_, kSelfValue) || ident(pos_)) {
      eat_kw(kRef);
      eat_kw(kMut);
      if (kw(pos_, kSelfValue) || ident(pos_)) {
        ++pos_;
      } else {
        return false;
      }
      if (punct(pos_, '@')) {
        ++pos_;
        return pat_single();
      }
      return true;
    }
    if (punct(pos_, '&')) {
      ++pos_;
      eat_kw(kMut);
      return pat_single();
    }
    if (open(pos_, Delim::Paren)) {
      return comma_group(Delim::Paren, [&] { return pat_multi(true); });
    }
    if (open(pos_, Delim::Bracket)) {
      // A slice element may not be a range missing an end unless parenthesised: `[(1..)]`.
      return comma_group(Delim::Bracket,
                         [&] { return pat_multi(true) && pat_shape_ != PatShape::OpenRange; });
    }
    if (dot2(pos_) && !op3(pos_, '.', '.', '.')) {
      // `..end` is a range missing its start; `..` alone is the rest pattern.
      if (!range_pattern_end(false, shape)) return false;
      shape = shape == PatShape::Range ? PatShape::OpenRange : PatShape::Other;
      return true;
    }
    return false;
  }

  // A range pattern from its `..` or `..=` (or the obsolete `...` when `obsolete` is set) on: its
  // end, which a closed range must have; `shape` tells whether it has one.
  bool range_pattern_end(bool obsolete, PatShape& shape) {
    Limits limits;
    if (!(obsolete ? range_limits_obsolete(limits) : range_limits(limits))) return false;
    bool some = false;
    if (!range_bound(some) || !(some || limits != Limits::Closed)) return false;
    shape = some ? PatShape::Range : PatShape::OpenRange;
    return true;
  }

  // `..=`, `..` or the obsolete `...` (printed as `..=`).
  bool range_limits_obsolete(Limits& limits) {
    if (op3(pos_, '.', '.', '.')) {
      edit(pos_, pos_ + 3, EditKind::DotDotEq);
      pos_ += 3;
      limits = Limits::Closed;
      return true;
    }
    return range_limits(limits);
  }

  // One end of a range pattern: a literal, a path or a const block; `some` is clear when the
  // pattern has no such end here.
  bool range_bound(bool& some) {
    some = false;
    if (at_end() || punct(pos_, '|') || punct(pos_, '=') || (punct(pos_, ':') && !colon2(pos_)) ||
        punct(pos_, ',') || punct(pos_, ';') || kw(pos_, kIf)) {
      return true;
    }
    some = true;
    if (const std::uint32_t n = lit_len(pos_); n > 0) {
      pos_ += n;
      return true;
    }
    if (qpath_start(pos_)) {
      if (!parse_outer_attrs(false)) return false;
      PathInfo pi;
      return qpath(true, pi);
    }
    if (kw(pos_, kConst)) {
      ++pos_;
      return block_with_inner();
    }
    return false;
  }

  bool pat_path_like(PatShape& shape) {
    PathInfo pi;
    if (!qpath(true, pi)) return false;
    if (!pi.qself && punct(pos_, '!') && !op2(pos_, '!', '=') && pi.mod_style) {
      ++pos_;
      return delimited_verbatim();
    }
    if (open(pos_, Delim::Brace)) return pat_struct();
    if (open(pos_, Delim::Paren)) {
      return comma_group(Delim::Paren, [&] { return pat_multi(true); });
    }
    return !dot2(pos_) || range_pattern_end(true, shape);
  }

  bool pat_struct() {
    std::uint32_t saved;
    enter(Delim::Brace, saved);
    while (!at_end()) {
      if (!parse_outer_attrs(false)) return false;
      if (dot2(pos_)) {
        eat_op2('.', '.');
        break;
      }
      const std::uint32_t begin = pos_;
      const Snapshot snap = snapshot();
      const bool boxed = eat_kw(kBox);
      const bool by_ref = eat_kw(kRef);
      const bool mut = eat_kw(kMut);
      bool named = false;
      if (ident(pos_)) {
        named = true;
        ++pos_;
      } else if (boxed || by_ref || mut) {
        return false;
      } else if (!index_member()) {
        return false;
      }
      if ((!boxed && !by_ref && !mut && punct(pos_, ':')) || !named) {
        if (!expect_punct(':')) return false;
        if (!pat_multi(true)) return false;
      } else if (boxed) {
        verbatim(begin, snap);
      }
      if (at_end()) break;
      if (!expect_punct(',')) return false;
    }
    return leave(saved);
  }

  // -------------------------------------------------------------------------------------------

  File& f_;
  const Token* tok_;
  std::uint32_t n_;
  std::vector<std::uint8_t> kw_;
  std::uint32_t pos_ = 0;
  std::uint32_t end_ = 0;
  int depth_ = 0;
  bool record_ = true;
  std::vector<std::uint32_t> list_;       // items of the lists being parsed
  std::vector<std::uint32_t> use_stack_;  // children of the use groups being parsed
  std::vector<Param> params_;             // generic parameters and arguments being parsed
  std::vector<TokenRange> verbatim_;      // token ranges kept as the lexer read them
  std::uint32_t generics_end_ = 0;        // see generics()
  std::vector<parens::Node> nodes_;       // the expressions being read
  std::vector<TokenRange> wraps_;         // parentheses printing adds, found for one expression
  struct Prefix {
    NK kind;
    std::uint32_t begin, op;  // its attributes, its operator
  };
  std::vector<Prefix> prefixes_;          // prefix operators being read
  std::uint32_t stmt_attrs_ = kNoToken;   // attributes of the expression statement being read
  PatShape pat_shape_ = PatShape::Other;  // see pat_single()
  std::size_t stmt_call_ = kNoCall;       // the call that took them, and its own position
  std::uint32_t stmt_call_position_ = 0;
};

}  // namespace

std::expected<File, ParseError> parse_file(std::string_view source) {
  auto lexed = lex(strip_file_prelude(source));
  if (!lexed) return std::unexpected(ParseError{0, lexed.error().message});
  File file;
  file.tokens = std::move(*lexed);
  Parser parser(file);
  if (!parser.parse()) return std::unexpected(ParseError{parser.error_token(), "syntax error"});
  std::stable_sort(file.edits.begin(), file.edits.end(), [](const Edit& a, const Edit& b) {
    return a.first != b.first ? a.first < b.first : a.last > b.last;
  });
  std::stable_sort(file.calls.begin(), file.calls.end(),
                   [](const CallSite& a, const CallSite& b) { return a.position < b.position; });
  return file;
}

}  // namespace rust
