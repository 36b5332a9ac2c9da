// The parser's entry: a whole Rust file into the records of syntax.hpp, and the keyword lookup.
//
// Which files parse and how they split into items decide what the survey sees, so the grammar is
// current Rust's, rule for rule: where a struct literal may stand, how operators bind, which
// constructs are kept as unparsed ("verbatim") tokens. The parser builds no node per expression:
// while it checks the grammar it records the spacing of each syntax token (multi-character
// operators joined), the edits where the printed form differs from the source, the call sites,
// and the items the survey walks.
#include <algorithm>
#include <array>

#include "lexer.hpp"
#include "state.hpp"

namespace rust::parser {
namespace {

// The keywords in byte order of their spelling, and for each first byte the run of them that
// starts with it: a lookup compares a word with the few keywords of its first letter.
struct KeywordLookup {
  std::array<Keyword, kKeywordCount - 1> sorted{};
  std::uint8_t first[128] = {};
  std::uint8_t count[128] = {};
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
      longest = std::max(longest, s.size());
    }
  }
};
constexpr KeywordLookup kKeywordLookup;

Keyword keyword_of(std::string_view s) {
  if (s.empty() || s.size() > kKeywordLookup.longest) return Keyword::None;
  const auto c = static_cast<unsigned char>(s[0]);
  if (c >= 128) return Keyword::None;
  const std::uint8_t first = kKeywordLookup.first[c];
  for (std::uint8_t i = first; i < first + kKeywordLookup.count[c]; ++i) {
    const Keyword k = kKeywordLookup.sorted[i];
    if (kKeywords[std::size_t(k)].spelling == s) return k;
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

}  // namespace rust::parser

namespace rust {

std::expected<File, ParseError> parse_file(std::string_view source) {
  auto lexed = lex(strip_file_prelude(source));
  if (!lexed) return std::unexpected(ParseError{0, lexed.error().message});
  File file;
  file.tokens = std::move(*lexed);
  parser::Parser parser(file);
  if (!parser.parse()) return std::unexpected(ParseError{parser.error_token(), "syntax error"});
  std::stable_sort(file.edits.begin(), file.edits.end(), [](const Edit& a, const Edit& b) {
    return a.first != b.first ? a.first < b.first : a.last > b.last;
  });
  std::stable_sort(file.calls.begin(), file.calls.end(),
                   [](const CallSite& a, const CallSite& b) { return a.position < b.position; });
  return file;
}

}  // namespace rust
