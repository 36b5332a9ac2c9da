// The parser: a whole Rust file into the records of syntax.hpp.
//
// It follows syn's grammar closely, since which files parse and how they split into items decides
// what the survey sees: the same lookahead rules, the same places where a struct literal is not
// allowed, the same precedence climbing, the same constructs kept as unparsed ("verbatim")
// tokens. It builds no node per expression: while it checks the grammar it
// records the spacing of each syntax token (multi-character operators joined), the edits where the
// printed form differs from the source, the call sites, and the items the survey walks.
//
// Every parse function returns false on a syntax error; the first error ends the whole parse.
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

Parser::Parser(File& file) : f_(file), tok_(file.tokens.tokens().data()), n_(file.tokens.size()) {
  keywords_.resize(n_, Keyword::None);
  for (std::uint32_t i = 0; i < n_; ++i) {
    if (tok_[i].kind == TokenKind::Ident && !tok_[i].raw()) keywords_[i] = keyword_of(text(i));
  }
  f_.marks.assign(n_, 0);
}

bool Parser::parse() {
  pos_ = 0;
  end_ = n_;
  f_.attr_first = static_cast<std::uint32_t>(f_.attrs.size());
  if (!parse_inner_attrs(true)) return false;
  f_.attr_count = static_cast<std::uint32_t>(f_.attrs.size()) - f_.attr_first;
  if (!item_list(&Parser::parse_item, f_.root_first, f_.root_count)) return false;
  apply_verbatim();
  return true;
}

void Parser::apply_verbatim() {
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

void Parser::close_list(std::size_t base, std::uint32_t& first, std::uint32_t& count) {
  first = static_cast<std::uint32_t>(f_.item_lists.size());
  count = static_cast<std::uint32_t>(list_.size() - base);
  f_.item_lists.insert(f_.item_lists.end(), list_.begin() + static_cast<std::ptrdiff_t>(base),
                       list_.end());
  list_.resize(base);
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
