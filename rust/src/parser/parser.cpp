// The parser's entry: a whole Rust file into the records of syntax.hpp, and the keyword lookup.
//
// Which files parse and how they split into items decide what the survey sees, so the grammar is
// current Rust's, rule for rule: where a struct literal may stand, how operators bind, which
// constructs are kept as unparsed ("verbatim") tokens. The parser keeps no syntax tree: while it
// checks the grammar it records the spacing of each syntax token (multi-character operators
// joined), the edits where the printed form differs from the source, the call sites, and the items
// the survey walks. Of an expression it keeps the shape only until the outermost expression is
// read, to find where printing adds parentheses (parens.hpp).
#include <algorithm>
#include <array>
#include <string>

#include "lexer.hpp"
#include "state.hpp"

namespace rust::parser {
namespace {

// A word of at most eight bytes as one number, its bytes in order: two words of the same length
// are equal when their numbers are.
constexpr std::uint64_t packed_word(std::string_view s) {
  std::uint64_t word = 0;
  for (const char c : s) word = word << 8 | static_cast<unsigned char>(c);
  return word;
}

// The keywords in byte order of their spelling, and for each first byte the run of them that
// starts with it and the lengths they have: a lookup compares a word with the few keywords of
// its first letter, and only when one of them is as long as the word; it compares the packed
// spellings, a single comparison each.
struct KeywordLookup {
  std::array<Keyword, kKeywordCount - 1> sorted{};
  std::array<std::uint64_t, kKeywordCount - 1> packed{};  // packed_word of each sorted spelling
  std::uint8_t first[128] = {};
  std::uint8_t count[128] = {};
  std::uint32_t lengths[128] = {};  // bit n set: a keyword of n bytes begins with this byte
  std::size_t longest = 0;

  constexpr KeywordLookup() {
    for (std::size_t k = 1; k < kKeywordCount; ++k) sorted[k - 1] = Keyword(k);
    std::sort(sorted.begin(), sorted.end(), [](Keyword a, Keyword b) {
      return kKeywords[std::size_t(a)].spelling < kKeywords[std::size_t(b)].spelling;
    });
    for (std::uint8_t i = 0; i < sorted.size(); ++i) {
      const std::string_view s = kKeywords[std::size_t(sorted[i])].spelling;
      const auto c = static_cast<unsigned char>(s[0]);
      if (count[c] == 0) first[c] = i;
      ++count[c];
      lengths[c] |= std::uint32_t{1} << s.size();
      packed[i] = packed_word(s);
      longest = std::max(longest, s.size());
    }
  }
};
constexpr KeywordLookup kKeywordLookup;
static_assert(kKeywordLookup.longest <= 8, "a keyword's spelling packs into one 64-bit word");

Keyword keyword_of(std::string_view s) {
  if (s.empty() || s.size() > kKeywordLookup.longest) return Keyword::None;
  const auto c = static_cast<unsigned char>(s[0]);
  if (c >= 128 || ((kKeywordLookup.lengths[c] >> s.size()) & 1) == 0) return Keyword::None;
  const std::uint64_t word = packed_word(s);
  const std::uint8_t first = kKeywordLookup.first[c];
  for (std::uint8_t i = first; i < first + kKeywordLookup.count[c]; ++i) {
    const Keyword k = kKeywordLookup.sorted[i];
    if (kKeywordLookup.packed[i] == word && kKeywords[std::size_t(k)].spelling.size() == s.size())
      return k;
  }
  return Keyword::None;
}

}  // namespace

Parser::Parser(File& file)
    : file_(file), tokens_(file.tokens.tokens().data()), token_count_(file.tokens.size()) {
  keywords_.resize(token_count_, Keyword::None);
  for (std::uint32_t i = 0; i < token_count_; ++i) {
    if (tokens_[i].kind == TokenKind::Ident && !tokens_[i].raw())
      keywords_[i] = keyword_of(text(i));
  }
  file_.marks.assign(token_count_, 0);
}

bool Parser::parse() {
  pos_ = 0;
  end_ = token_count_;
  file_.attr_first = static_cast<std::uint32_t>(file_.attrs.size());
  if (!inner_attrs(true)) return false;
  file_.attr_count = static_cast<std::uint32_t>(file_.attrs.size()) - file_.attr_first;
  if (!item_list(&Parser::item, file_.root_first, file_.root_count)) return false;
  apply_verbatim();
  return true;
}

Failure Parser::failure() const {
  return failure_.token != kNoToken ? failure_ : Failure{pos_, Expected::Nothing, {}};
}

[[gnu::cold, gnu::noinline]] bool Parser::fail_at(std::uint32_t token, Expected expected,
                                                  std::string_view spelling) {
  if (failure_.token == kNoToken || token > failure_.token) {
    failure_ = Failure{token, expected, spelling};
  }
  return false;
}

bool Parser::fail_close() {
  return fail(Expected::Token, end_ < token_count_ ? close_char(tokens_[end_].delim()) : "");
}

bool Parser::fail_punct(char c) {
  // The punctuation and delimiter characters, each a static text of its own.
  static constexpr std::string_view kPunctuation = "~!@#$%^&*-=+|;:,<.>/?'()[]{}";
  const std::size_t at = kPunctuation.find(c);
  return fail(Expected::Token, kPunctuation.substr(at == kPunctuation.npos ? 0 : at, 1));
}

void Parser::apply_verbatim() {
  std::sort(verbatim_ranges_.begin(), verbatim_ranges_.end(),
            [](const TokenRange& a, const TokenRange& b) { return a.first < b.first; });
  std::uint32_t done = 0;  // tokens before this one are marked or outside every range
  for (const TokenRange& r : verbatim_ranges_) {
    for (std::uint32_t i = std::max(r.first, done); i < r.last; ++i) {
      file_.marks[i] |= kMarkVerbatim;
    }
    done = std::max(done, r.last);
  }
  verbatim_ranges_.clear();
}

void Parser::close_list(std::size_t base, std::uint32_t& first, std::uint32_t& count) {
  first = static_cast<std::uint32_t>(file_.item_lists.size());
  count = static_cast<std::uint32_t>(item_stack_.size() - base);
  file_.item_lists.insert(file_.item_lists.end(),
                          item_stack_.begin() + static_cast<std::ptrdiff_t>(base),
                          item_stack_.end());
  item_stack_.resize(base);
}

namespace {

// The message of a failure: what was expected, or why what was there is refused.
std::string message(const Failure& failure) {
  switch (failure.expected) {
    case Expected::Nothing:
      return "syntax error";
    case Expected::Token:
      return "expected `" + std::string(failure.spelling) + "`";
    case Expected::Group:
      return "expected `(`, `[` or `{`";
    case Expected::Item:
      return "expected an item";
    case Expected::Type:
      return "expected a type";
    case Expected::Expression:
      return "expected an expression";
    case Expected::Pattern:
      return "expected a pattern";
    case Expected::Path:
      return "expected a path";
    case Expected::Identifier:
      return "expected an identifier";
    case Expected::Lifetime:
      return "expected a lifetime";
    case Expected::TraitBound:
      return "expected a trait bound";
    case Expected::GenericParameter:
      return "expected a generic parameter";
    case Expected::ConstArgument:
      return "expected a constant";
    case Expected::TupleIndex:
      return "invalid tuple index";
    case Expected::FieldName:
      return "expected a field name";
    case Expected::ConstOrMut:
      return "expected `const` or `mut`";
    case Expected::LoopOrBlock:
      return "expected a loop or a block";
    case Expected::RangeEnd:
      return "expected the end of the range";
    case Expected::ChainedComparison:
      return "comparison operators cannot be chained";
    case Expected::CastBeforePostfix:
      return "a cast needs parentheses before `.`, `?`, `(` or `[`";
    case Expected::TooDeep:
      return "nesting too deep";
    case Expected::CaptureNotAllowed:
      return "`use<..>` is not allowed here";
    case Expected::ConstBoundNotAllowed:
      return "a const bound is not allowed here";
    case Expected::BinderOnMaybeBound:
      return "a `?` bound cannot have `for<..>`";
    case Expected::SelfNotFirst:
      return "`self` must be the first parameter";
    case Expected::LabelAfterBreak:
      return "a labelled expression after `break` needs parentheses";
    case Expected::VisibilityNotAllowed:
      return "a visibility is not allowed here";
    case Expected::ObsoleteRange:
      return "`...` is not a range operator here; `..=` is";
    case Expected::GenericsAfterWhere:
      return "generic parameters are not allowed after `where`";
    case Expected::UnderscoreInBinder:
      return "`for<..>` cannot declare `_`";
    case Expected::AttributesBeforeRange:
      return "attributes are not allowed before a range without a start";
    case Expected::OpenRangeInSlice:
      return "a range pattern missing an end needs parentheses in a slice";
    case Expected::NegativeInherentImpl:
      return "an impl without a trait cannot be negative";
  }
  return "syntax error";
}

// The byte offset in the lexed text of token `token`, or the text's end past the last token. The
// text of a doc comment's identifier and string lies in the buffer's own text; the punctuation
// before them covers the comment in the source.
std::uint32_t offset_of(const TokenBuffer& tokens, std::uint32_t token) {
  if (token >= tokens.size()) return static_cast<std::uint32_t>(tokens.source().size());
  while (token > 0 && tokens[token].synthetic()) --token;
  return tokens[token].begin;
}

}  // namespace
}  // namespace rust::parser

namespace rust {

SourcePosition source_position(std::string_view text, std::uint32_t offset) {
  const std::string_view before = text.substr(0, offset);
  const std::size_t line_end = before.rfind('\n');
  const std::string_view line = line_end == before.npos ? before : before.substr(line_end + 1);
  SourcePosition at;
  at.line = 1 + static_cast<std::uint32_t>(std::count(before.begin(), before.end(), '\n'));
  // A character begins at every byte but the continuation bytes of UTF-8; a byte-order mark
  // before the first line is none of its characters.
  at.column = 1 + static_cast<std::uint32_t>(std::count_if(line.begin(), line.end(), [](char c) {
                return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
              }));
  if (at.line == 1 && line.starts_with("\xEF\xBB\xBF")) --at.column;
  return at;
}

std::expected<File, ParseError> parse_file(std::string_view source) {
  const std::string_view lexed_text = strip_file_prelude(source);
  const auto prelude = static_cast<std::uint32_t>(lexed_text.data() - source.data());
  auto lexed = lex(lexed_text);
  if (!lexed) {
    return std::unexpected(ParseError{prelude + lexed.error().offset, lexed.error().message});
  }
  File file;
  file.tokens = std::move(*lexed);
  parser::Parser parser(file);
  if (!parser.parse()) {
    const parser::Failure failure = parser.failure();
    return std::unexpected(ParseError{prelude + parser::offset_of(file.tokens, failure.token),
                                      parser::message(failure)});
  }
  std::stable_sort(file.edits.begin(), file.edits.end(), [](const Edit& a, const Edit& b) {
    return a.first != b.first ? a.first < b.first : a.last > b.last;
  });
  std::stable_sort(file.calls.begin(), file.calls.end(),
                   [](const CallSite& a, const CallSite& b) { return a.position < b.position; });
  return file;
}

}  // namespace rust
