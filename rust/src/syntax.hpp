// The syntax tree of one Rust source file, as the survey reads it.
//
// The parser checks a whole file against the full grammar of current Rust but keeps only what
// the survey needs: the items of the file and of its inline modules and impl blocks, with their
// attributes, visibilities, signatures, bodies, fields, variants and use trees, and the call
// sites of every expression. Everything is held as indices into the file's token vector: a
// syntax node is printed back from its token range, with the spacing of syntax tokens recorded
// per token while parsing and a short list of edits for the few places where the printed form
// differs from the source (lifetimes printed first among generic parameters, a colon without
// bounds dropped, an empty `where` dropped, `...` patterns printed as `..=`, tuple indices,
// `_ :` before the type of an anonymous parameter, parentheses added where the expression would
// otherwise read differently).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "token.hpp"

namespace rust {

inline constexpr std::uint32_t kNoToken = 0xffffffffu;

/// A half-open range of token indices; a group inside it is always whole.
struct TokenRange {
  std::uint32_t first = 0;
  std::uint32_t last = 0;
};

enum class AttrStyle : std::uint8_t { Outer, Inner };

/// The three forms an attribute's content may take: `path`, `path(tokens)` (any delimiter) and
/// `path = expression`.
enum class MetaForm : std::uint8_t { Path, List, NameValue };

struct Attribute {
  TokenRange tokens;  // from '#' through the closing ']'
  TokenRange path;    // the attribute's path
  TokenRange value;   // List: the delimited group; NameValue: the value expression
  AttrStyle style = AttrStyle::Outer;
  MetaForm form = MetaForm::Path;
};

enum class VisKind : std::uint8_t { Inherited, Public, Restricted };

struct Visibility {
  VisKind kind = VisKind::Inherited;
  TokenRange tokens;
};

enum class UseKind : std::uint8_t { Path, Name, Rename, Glob, Group };

/// One node of a use tree. Path: `ident :: child`; Name: `ident`; Rename: `ident as rename`;
/// Glob: `*`; Group: `{ children }` (the children are `count` entries of File::use_lists from
/// `child`).
struct UseTree {
  UseKind kind = UseKind::Name;
  std::uint32_t ident = kNoToken;
  std::uint32_t rename = kNoToken;
  std::uint32_t child = 0;
  std::uint32_t count = 0;
};

/// The kinds of item. Verbatim: an item kept as unparsed tokens, which is never recorded.
enum class ItemKind : std::uint8_t {
  Const,
  Enum,
  ExternCrate,
  Fn,
  ForeignMod,
  Impl,
  Macro,
  Mod,
  Static,
  Struct,
  Trait,
  TraitAlias,
  Type,
  Union,
  Use,
  Verbatim,
};

/// One item of a module, or one function item of an impl block.
struct Item {
  ItemKind kind = ItemKind::Verbatim;
  bool has_body = false;  // Mod: an inline module; Fn: always
  Visibility vis;
  std::uint32_t ident = kNoToken;
  // Outer attributes followed, for a function and an inline module, by the inner attributes at
  // the head of its body: `attr_count` entries of File::attrs from `attr_first`.
  std::uint32_t attr_first = 0;
  std::uint32_t attr_count = 0;
  // Enum: the attributes of each variant followed by those of its fields, variant by variant;
  // Struct: the attributes of each field.
  std::uint32_t member_attr_first = 0;
  std::uint32_t member_attr_count = 0;
  // Fn: the signature (qualifiers through the where clause) and the body: the first token after
  // the inner attributes at its head, and its closing brace.
  TokenRange signature;
  std::uint32_t body_stmts = kNoToken;
  std::uint32_t body_close = kNoToken;
  // Mod with a body: its items; Impl: its function items. `child_count` entries of
  // File::item_lists from `child_first`.
  std::uint32_t child_first = 0;
  std::uint32_t child_count = 0;
  // Use: the root of the tree (an index into File::use_nodes) and the tree's tokens.
  std::uint32_t use_tree = 0;
  TokenRange use_tokens;
};

/// One call expression whose callee is a path.
struct CallSite {
  // A sort key rather than the call's place: File::calls is sorted by it (stably, so ties keep
  // the walk order), and a function's calls are those whose key lies inside its body. Recorded as
  // the callee's first token, it is rewritten to the first token of attributes written before the
  // call, and for a call in a where clause that stands after other parts of its item to the end
  // of the item's generic parameters (their `>`, or the token before where they would stand), so
  // that the clause is walked with them.
  std::uint32_t position = 0;
  std::uint32_t name = 0;  // the identifier token of the path's last segment
  bool qualified = false;  // the path has more than one segment
};

enum class EditKind : std::uint8_t {
  Delete,      // the tokens print nothing
  DotDotEq,    // the three dots of an obsolete range pattern print as `..=`
  SplitIndex,  // a float literal used as two tuple indices prints as `a . b`
  IndexValue,  // an integer literal used as a tuple index prints as its decimal value
  Reorder,     // the tokens print as the parts File::parts[part_first, part_first+part_count)
  Wildcard,    // the token prints after `_ :` (the type of an anonymous parameter)
  Wrap,        // the tokens print inside parentheses the source does not have
};

struct Edit {
  std::uint32_t first = 0;
  std::uint32_t last = 0;
  EditKind kind = EditKind::Delete;
  std::uint32_t part_first = 0;
  std::uint32_t part_count = 0;
};

/// A part of a reordered range: a token range, or (when `first` is kNoToken) a comma of its own.
struct Part {
  std::uint32_t first = kNoToken;
  std::uint32_t last = kNoToken;
};

/// Per-token marks: how a token is spaced when printed from the syntax tree.
inline constexpr std::uint8_t kMarkJoint = 1;     // a syntax token joined to the next one
inline constexpr std::uint8_t kMarkVerbatim = 2;  // printed with the lexer's spacing, no edits

/// A parsed file. The source text it was parsed from must outlive it.
struct File {
  TokenBuffer tokens;
  std::vector<std::uint8_t> marks;  // one per token
  std::vector<Edit> edits;          // by first token, the enclosing edit first
  std::vector<Part> parts;
  std::vector<Attribute> attrs;
  std::vector<Item> items;
  std::vector<std::uint32_t> item_lists;
  std::vector<UseTree> use_nodes;
  std::vector<std::uint32_t> use_lists;
  std::vector<CallSite> calls;  // by position
  // The file's own inner attributes and its items.
  std::uint32_t attr_first = 0;
  std::uint32_t attr_count = 0;
  std::uint32_t root_first = 0;
  std::uint32_t root_count = 0;

  /// The text of a token as displayed: an identifier with its "r#" when raw.
  std::string display(std::uint32_t token) const;

  /// Whether the path in `range` is exactly the identifier `name`: one segment, no leading `::`,
  /// no generic arguments, not raw.
  bool path_is_ident(TokenRange range, std::string_view name) const;
};

// ---------------------------------------------------------------------------------------------
// Printing from the syntax tree

/// Appends the syntax text of the tokens [range.first, range.last).
void print_syntax(const File& file, TokenRange range, std::string& out);

/// Appends the syntax text of a function's body: its braces around the tokens from the first
/// statement on (the inner attributes at the head of the body are left out).
void print_body(const File& file, const Item& fn, std::string& out);

/// The value of an integer literal used as a tuple index: decimal, hexadecimal, octal or binary
/// digits with underscores, no suffix, at most 2^32 - 1. False for any other text.
bool tuple_index_value(std::string_view literal, std::uint32_t& value);

/// The value of a string literal token (`"..."` or a raw string): escapes resolved, a line end
/// written as CR LF read as LF. False when the token is not such a literal.
bool string_literal_value(std::string_view literal, std::string& value);

}  // namespace rust
