// Where printing an expression from its syntax tree puts parentheses the source does not have.
//
// The printer writes every expression from the tree and wraps a subexpression in parentheses
// wherever the text would otherwise read back as a different tree or cut a statement short:
// a block-like expression that begins a longer statement (`(match x {}) - 1;`), a cast followed
// by `<` whose type ends in a path that could take generic arguments (`(x as T) < y`), an
// attributed binary operation, assignment, cast or range (`#[a] (x..y)`), a block that would
// otherwise open a condition's body (`if ..= ({}) {}`), and the operators whose right operand
// runs to the end of the expression (closures, jumps, ranges) when something follows them.
// The parser records the shape of each expression as a node; the rules below read the nodes of
// one outermost expression and give the token ranges to wrap.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "syntax.hpp"

namespace rust::parens {

/// Binding strength of operators, weakest first.
enum class Precedence : std::uint8_t {
  Jump,  // return, break, closures
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
  Prefix,       // unary operators and references
  Unambiguous,  // paths, literals, calls, fields, indexing, blocks and other closed forms
};

/// The forms of expression, as far as the rules tell them apart.
enum class Kind : std::uint8_t {
  Array,
  Assign,  // `a = b`; a compound assignment is a Binary of precedence Assign
  Async,
  Await,
  Binary,
  Block,
  Break,
  Call,
  Cast,
  Closure,
  Const,
  Continue,
  Field,
  ForLoop,
  If,
  Index,
  Infer,
  Let,
  Lit,
  Loop,
  Macro,
  Match,
  MethodCall,
  Paren,
  Path,
  Range,
  RawAddr,
  Reference,
  Repeat,
  Return,
  Struct,
  Try,
  TryBlock,
  Tuple,
  Unary,
  Unsafe,
  Verbatim,
  While,
  Yield,
};

inline constexpr std::uint32_t kNoNode = 0xffffffffu;

// Node flags.
inline constexpr std::uint16_t kOuterAttrs = 1;      // outer attributes written before it
inline constexpr std::uint16_t kInnerAttrs = 2;      // Block: inner attributes at its head
inline constexpr std::uint16_t kLabel = 4;           // Block, loops: a label; Break: a label
inline constexpr std::uint16_t kBraceMacro = 8;      // Macro: invoked with braces
inline constexpr std::uint16_t kDefaultOutput = 16;  // Closure: no `-> Type`
inline constexpr std::uint16_t kNamedMember = 32;    // Field: a named field, not a tuple index
inline constexpr std::uint16_t kBarePathType = 64;   // Cast: the type ends in an argument-less path
inline constexpr std::uint16_t kOpBeginsExpr = 128;  // Binary: the operator can begin an expression
inline constexpr std::uint16_t kOpBeginsArgs = 256;  // Binary: the operator can open generic args
// The expression or one inside it (not inside delimiters) satisfies may_need_wraps.
inline constexpr std::uint16_t kMayWrap = 512;

/// One expression. Children are indices of earlier nodes of the same sequence.
struct Node {
  Kind kind = Kind::Verbatim;
  Precedence prec = Precedence::Jump;  // Binary: the operator's precedence
  std::uint16_t flags = 0;
  std::uint32_t first = 0;  // first token, outer attributes included
  std::uint32_t start = 0;  // first token after the outer attributes
  std::uint32_t last = 0;   // one past the last token
  // Assign, Binary: the left operand; Cast: the operand; Range: the start; Await, Call, Field,
  // Index, MethodCall, Try: the expression they apply to.
  std::uint32_t left = kNoNode;
  // Assign, Binary: the right operand; Range: the end; Break, Return, Yield: the value; Closure:
  // the body; Let: the scrutinee; RawAddr, Reference, Unary: the operand.
  std::uint32_t right = kNoNode;
};

/// Where an outermost expression stands.
enum class Context : std::uint8_t {
  Plain,      // inside delimiters, after `=` of a let, an attribute's value ...
  Statement,  // an expression statement
  MatchArm,   // the body of a match arm
  Condition,  // the condition of if and while, the scrutinee of match, the iterator of for
};

/// Whether printing may add parentheses in an expression because it holds this node: a cast, a
/// closure, a range, a jump, a `let`, a macro in braces, a struct literal or an attributed
/// expression. In an expression read from source text and holding none of these, every operand
/// binds as tightly as its operator needs and no place demands parentheses.
inline bool may_need_wraps(const Node& n) {
  switch (n.kind) {
    case Kind::Cast:
    case Kind::Closure:
    case Kind::Range:
    case Kind::Break:
    case Kind::Return:
    case Kind::Yield:
    case Kind::Let:
    case Kind::Struct:
      return true;
    case Kind::Macro:
      return (n.flags & kBraceMacro) != 0;
    default:
      return (n.flags & kOuterAttrs) != 0;
  }
}

/// Appends to `wraps` the token ranges that print inside added parentheses when the expression
/// `root` of `nodes` prints in `context`; an enclosing range comes before the ranges inside it.
void find_wraps(std::span<const Node> nodes, std::uint32_t root, Context context,
                std::vector<TokenRange>& wraps);

}  // namespace rust::parens
