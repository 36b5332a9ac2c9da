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

#include "lexer.hpp"
#include "state.hpp"

namespace rust::parser {
namespace {

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

}  // namespace

Parser::Parser(File& file) : f_(file), tok_(file.tokens.tokens().data()), n_(file.tokens.size()) {
  kw_.resize(n_, kNone);
  for (std::uint32_t i = 0; i < n_; ++i) {
    if (tok_[i].kind == TokenKind::Ident && !tok_[i].raw()) kw_[i] = keyword_of(text(i));
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
