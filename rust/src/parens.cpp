// The parenthesis rules of printing from the syntax tree (see parens.hpp).
//
// Printing walks an expression from the outside in, carrying where the current subexpression
// stands (a Place): whether it begins a statement or a match arm, whether it lies in a condition,
// which operator comes before it and which after. A subexpression is wrapped when its binding
// strength, adjusted for its place, is too weak for the operator around it, or when its place
// alone demands it. Operators whose right operand runs to the end of the expression (closures,
// jumps, ranges, `let`) are looked through on their right side to see whether the operator that
// follows could be swallowed by them (their reach).
#include "parens.hpp"

#include "parser.hpp"

namespace rust::parens {
namespace {

struct Place {
  Precedence before = Precedence::Jump;  // the operator whose right-hand side ends here
  Precedence after = Precedence::Jump;   // the operator that follows
  bool stmt = false;                     // the whole of an expression statement
  bool stmt_start = false;               // begins an expression statement, not all of it
  bool arm = false;                      // the whole body of a match arm
  bool arm_start = false;                // begins the body of a match arm, not all of it
  bool condition = false;                // a struct literal here would end the condition
  bool condition_end = false;            // the end of a condition
  bool optional_start = false;           // begins an operand that may be absent, in a condition
  bool after_begins_expr = false;        // the operator after it can also begin an expression
  bool after_continues = false;          // something follows it (it does not reach the end)
  bool after_opens_args = false;         // the operator after it is `<` or `<<`
};

constexpr Place kPlain{};

enum class Reach : std::uint8_t { None, Lost, Takes };

class Wraps {
 public:
  Wraps(std::span<const Node> nodes, std::vector<TokenRange>& out) : n_(nodes), out_(out) {}

  void print(std::uint32_t e, Place p) {
    // Operator chains nest without limit on their left (`a + b + ...`); past this depth nothing
    // more is looked at, so that a pathological file cannot exhaust the stack.
    if (depth_ >= kMaxDepth) return;
    ++depth_;
    print_node(e, p);
    --depth_;
  }

 private:
  static constexpr int kMaxDepth = 4 * kMaxNesting;

  void print_node(std::uint32_t e, Place p) {
    const Node& x = n_[e];
    if (needs_wrap(p, x)) {
      wrap(x.first, x.last);
      p = kPlain;
    }
    switch (x.kind) {
      case Kind::Assign:
        attributed(x, p, [&](Place q) {
          const auto [prec, left] = left_operand(q, x.left, false, false, Precedence::Assign);
          sub(x.left, prec <= Precedence::Range, left);
          print(x.right, right_place(q, false, false, Precedence::Assign));
        });
        return;
      case Kind::Await:
      case Kind::Field:
      case Kind::MethodCall:
      case Kind::Try: {
        const auto [prec, base] = dotted_operand(p, x.left);
        sub(x.left, prec < Precedence::Unambiguous, base);
        return;
      }
      case Kind::Binary:
        attributed(x, p, [&](Place q) { binary(x, q); });
        return;
      case Kind::Break:
        if (x.right != kNoNode) {
          // `break ('a: loop {})`: a leading label would be read as the break's own.
          sub(x.right, (x.flags & kLabel) == 0 && leading_label(x.right),
              right_place(p, true, true, Precedence::Jump));
        }
        return;
      case Kind::Call: {
        const auto [prec, callee] = left_operand(p, x.left, true, false, Precedence::Unambiguous);
        const Node& f = n_[x.left];
        sub(x.left,
            f.kind == Kind::Field ? (f.flags & kNamedMember) != 0 : prec < Precedence::Unambiguous,
            callee);
        return;
      }
      case Kind::Cast:
        attributed(x, p, [&](Place q) {
          const auto [prec, operand] = left_operand(q, x.left, false, false, Precedence::Cast);
          sub(x.left, prec < Precedence::Cast, operand);
        });
        return;
      case Kind::Closure:
        print(x.right, right_place(p, false, false, Precedence::Jump));
        return;
      case Kind::Index: {
        const auto [prec, base] = left_operand(p, x.left, true, false, Precedence::Unambiguous);
        sub(x.left, prec < Precedence::Unambiguous, base);
        return;
      }
      case Kind::Let: {
        const Place q = right_place(p, false, false, Precedence::Let);
        sub(x.right, right_strength(q, x.right) < Precedence::Let, q);
        return;
      }
      case Kind::Range:
        attributed(x, p, [&](Place q) {
          if (x.left != kNoNode) {
            const auto [prec, start] = left_operand(q, x.left, true, false, Precedence::Range);
            sub(x.left, prec <= Precedence::Range, start);
          }
          if (x.right != kNoNode) {
            const Place end = right_place(q, false, true, Precedence::Range);
            sub(x.right, right_strength(end, x.right) <= Precedence::Range, end);
          }
        });
        return;
      case Kind::RawAddr:
      case Kind::Reference:
      case Kind::Unary: {
        const Place q = right_place(p, false, false, Precedence::Prefix);
        sub(x.right, right_strength(q, x.right) < Precedence::Prefix, q);
        return;
      }
      case Kind::Return:
      case Kind::Yield:
        if (x.right != kNoNode) print(x.right, right_place(p, true, false, Precedence::Jump));
        return;
      default:
        return;  // closed forms: what they hold prints as expressions of its own
    }
  }

  void wrap(std::uint32_t first, std::uint32_t last) { out_.push_back(TokenRange{first, last}); }

  void sub(std::uint32_t e, bool needs, Place p) {
    if (needs) {
      wrap(n_[e].first, n_[e].last);
      p = kPlain;
    }
    print(e, p);
  }

  // An assignment, binary operation, cast or range with outer attributes prints them before
  // parentheses around the rest.
  template <typename F>
  void attributed(const Node& x, Place p, F body) {
    if ((x.flags & kOuterAttrs) != 0) {
      wrap(x.start, x.last);
      p = kPlain;
    }
    body(p);
  }

  void binary(const Node& x, Place p) {
    const Precedence op = x.prec;
    const auto [left_prec, left] =
        left_operand(p, x.left, (x.flags & kOpBeginsExpr) != 0, (x.flags & kOpBeginsArgs) != 0, op);
    const bool left_wrap = op == Precedence::Assign    ? left_prec <= Precedence::Range
                           : op == Precedence::Compare ? left_prec <= op
                                                       : left_prec < op;
    const Place right = right_place(p, false, false, op);
    const bool right_wrap = op != Precedence::Assign && right_strength(right, x.right) <= op;
    sub(x.left, left_wrap, left);
    sub(x.right, right_wrap, right);
  }

  // --- Places -------------------------------------------------------------------------------

  struct Placed {
    Precedence prec;
    Place place;
  };

  // The left operand of an operator of strength `op`: it begins whatever its parent begins. A
  // statement or match arm goes on past `.`, `?` and `[` (`dotted`), so the operand of those
  // takes the place of the whole.
  Placed left_operand(Place p, std::uint32_t e, bool begins_expr, bool opens_args, Precedence op,
                      bool dotted = false) const {
    const bool stmt = p.stmt || p.stmt_start;
    const bool arm = p.arm || p.arm_start;
    Place q = p;
    q.after = op;
    q.stmt = dotted && stmt;
    q.stmt_start = !dotted && stmt;
    q.arm = dotted && arm;
    q.arm_start = !dotted && arm;
    q.condition_end = false;
    q.after_begins_expr = begins_expr;
    q.after_continues = true;
    q.after_opens_args = opens_args;
    return Placed{left_strength(q, e), q};
  }
  Placed dotted_operand(Place p, std::uint32_t e) const {
    return left_operand(p, e, false, false, Precedence::Unambiguous, true);
  }

  // The right-hand side of an operator of strength `op`. A jump's value is no place for a struct
  // literal to end a condition (`reset_struct`); `optional` marks an operand that may be absent.
  static Place right_place(Place p, bool reset_struct, bool optional, Precedence op) {
    Place q = p;
    q.before = op;
    q.stmt = false;
    q.stmt_start = false;
    q.arm = false;
    q.arm_start = false;
    q.condition = p.condition && !reset_struct;
    q.optional_start = p.condition && optional;
    return q;
  }

  // --- Strength -------------------------------------------------------------------------------

  // The binding strength of an expression as such.
  Precedence strength_of(const Node& x) const {
    const Precedence attributed =
        (x.flags & kOuterAttrs) != 0 ? Precedence::Prefix : Precedence::Unambiguous;
    switch (x.kind) {
      case Kind::Closure:
        return (x.flags & kDefaultOutput) != 0 ? Precedence::Jump : attributed;
      case Kind::Break:
      case Kind::Return:
      case Kind::Yield:
        return x.right != kNoNode ? Precedence::Jump : Precedence::Unambiguous;
      case Kind::Assign:
        return Precedence::Assign;
      case Kind::Range:
        return Precedence::Range;
      case Kind::Binary:
        return x.prec;
      case Kind::Let:
        return Precedence::Let;
      case Kind::Cast:
        return Precedence::Cast;
      case Kind::RawAddr:
      case Kind::Reference:
      case Kind::Unary:
        return Precedence::Prefix;
      case Kind::Verbatim:
        return Precedence::Unambiguous;
      default:
        return attributed;
    }
  }

  // The strength adjusted for its neighbours: a jump without a value before an operator that
  // could begin one is weakest; what runs to the end binds tightly when nothing follows; a cast
  // to a path type before `<` would take it as generic arguments.
  Precedence strength(Place p, const Node& x) const {
    const bool valueless = x.right == kNoNode;
    if (p.after_begins_expr && valueless &&
        (x.kind == Kind::Break || x.kind == Kind::Return || x.kind == Kind::Yield)) {
      return Precedence::Jump;
    }
    if (!p.after_continues) {
      switch (x.kind) {
        case Kind::Break:
        case Kind::Closure:
        case Kind::Let:
        case Kind::Return:
        case Kind::Yield:
          return Precedence::Prefix;
        case Kind::Range:
          if (x.left == kNoNode) return Precedence::Prefix;
          break;
        default:
          break;
      }
    }
    if (p.after_opens_args && x.kind == Kind::Cast && (x.flags & kBarePathType) != 0) {
      return Precedence::Jump;
    }
    return strength_of(x);
  }

  Precedence left_strength(Place p, std::uint32_t e) const {
    if (!p.after_begins_expr || p.after == Precedence::Range) {
      if (right_reach(e, p, Precedence::Jump, 0, 0) == Reach::Lost && opens_weaker(e, p)) {
        return Precedence::Unambiguous;
      }
    }
    return strength(p, n_[e]);
  }

  Precedence right_strength(Place p, std::uint32_t e) const {
    const Precedence plain = strength(p, n_[e]);
    const bool weak = p.before == Precedence::Assign || p.before == Precedence::Let ||
                              p.before == Precedence::Prefix
                          ? plain < p.before
                          : plain <= p.before;
    const bool swallowed =
        p.after == Precedence::Range || p.after == Precedence::Or || p.after == Precedence::And
            ? true
            : !p.after_begins_expr;
    if (weak && swallowed) {
      const Reach s = right_reach(e, p, p.before, 1, 0);
      if ((s == Reach::Lost || s == Reach::None) && opens_weaker(e, p)) return Precedence::Prefix;
    }
    return plain;
  }

  // --- Places that demand parentheses ---------------------------------------------------------

  // Whether a statement ends after the expression without a semicolon (block-like forms).
  static bool ends_statement(const Node& x) {
    if (x.kind == Kind::Macro) return (x.flags & kBraceMacro) != 0;
    return ends_arm(x);
  }
  // Whether a match arm ends after the expression without a comma.
  static bool ends_arm(const Node& x) {
    switch (x.kind) {
      case Kind::If:
      case Kind::Match:
      case Kind::Block:
      case Kind::Unsafe:
      case Kind::While:
      case Kind::Loop:
      case Kind::ForLoop:
      case Kind::TryBlock:
      case Kind::Const:
        return true;
      default:
        return false;
    }
  }

  static bool plain_block(const Node& x) {
    return x.kind == Kind::Block && (x.flags & (kOuterAttrs | kInnerAttrs | kLabel)) == 0;
  }

  bool needs_wrap(Place p, const Node& x) const {
    const bool valueless = x.right == kNoNode;
    return (p.stmt_start && ends_statement(x)) ||
           ((p.stmt || p.stmt_start) && x.kind == Kind::Let) || (p.arm_start && ends_arm(x)) ||
           (p.condition && x.kind == Kind::Struct) ||
           (p.condition_end && valueless && (x.kind == Kind::Return || x.kind == Kind::Yield)) ||
           (p.condition_end && !p.condition &&
            ((x.kind == Kind::Break && valueless) || x.kind == Kind::Path ||
             (x.kind == Kind::Range && valueless))) ||
           (p.optional_start && plain_block(x));
  }

  // Whether the expression begins with the label of a loop or block.
  bool leading_label(std::uint32_t e) const {
    for (;;) {
      const Node& x = n_[e];
      switch (x.kind) {
        case Kind::Block:
        case Kind::ForLoop:
        case Kind::Loop:
        case Kind::While:
          return (x.flags & kLabel) != 0;
        case Kind::Assign:
        case Kind::Await:
        case Kind::Binary:
        case Kind::Call:
        case Kind::Cast:
        case Kind::Field:
        case Kind::Index:
        case Kind::MethodCall:
        case Kind::Try:
          e = x.left;
          break;
        case Kind::Range:
          if (x.left == kNoNode) return false;
          e = x.left;
          break;
        default:
          return false;
      }
    }
  }

  // --- Reach ---------------------------------------------------------------------------------

  // Whether the operator before the expression binds no tighter than the one it opens with.
  bool opens_weaker(std::uint32_t e, Place p) const {
    const Node& x = n_[e];
    switch (x.kind) {
      case Kind::Assign:
        return p.before <= Precedence::Assign;
      case Kind::Binary:
        return x.prec == Precedence::Assign ? p.before <= Precedence::Assign : p.before < x.prec;
      case Kind::Cast:
        return p.before < Precedence::Cast;
      case Kind::Range:
        return x.left == kNoNode || p.before < Precedence::Assign;
      default:
        return true;
    }
  }

  // Looks down the right side of the expression, for an operator of strength `prec` before it:
  // Takes when the operator after it would be taken in by its rightmost part, Lost when
  // parentheses around the whole would do no good, None when nothing there takes an operator.
  // The levels count how far down the right side the look has gone.
  Reach right_reach(std::uint32_t e, Place p, Precedence prec, int none_level,
                    int lost_level) const {
    const Node& x = n_[e];
    const bool by_prec = prec == Precedence::Assign || prec == Precedence::Compare ? prec <= p.after
                                                                                   : prec < p.after;
    // What the order of the two operators alone says.
    const Reach ordered = by_prec || p.after == Precedence::Jump ? Reach::Takes : Reach::Lost;
    const int takes_level = ordered == Reach::Takes ? 1 : 0;
    if (needs_wrap(p, x)) return ordered;
    const bool attrs = (x.flags & kOuterAttrs) != 0;
    const bool closed_after = p.after == Precedence::Unambiguous;
    switch (x.kind) {
      case Kind::Assign: {
        if (attrs) break;
        if (closed_after ? none_level >= 2 : lost_level >= 1) return Reach::Takes;
        const Place right = right_place(p, false, false, Precedence::Assign);
        const Reach s =
            right_reach(x.right, right, Precedence::Assign, closed_after ? none_level : 1, 1);
        if (s != Reach::None) return Reach::Takes;
        return closed_after ? Reach::None : Reach::Lost;
      }
      case Kind::Binary: {
        if (attrs) break;
        if (closed_after ? none_level >= 2 && (ordered == Reach::Takes || lost_level >= 1)
                         : lost_level >= 1) {
          return Reach::Takes;
        }
        const Precedence op = x.prec;
        if (op == Precedence::Compare && p.after == Precedence::Compare) return Reach::Takes;
        const Place right = right_place(p, false, false, op);
        const Reach s = right_reach(x.right, right, op, closed_after ? none_level : 1, takes_level);
        if (s == Reach::Lost) return ordered;
        if (s == Reach::Takes) return Reach::Takes;
        if (op != Precedence::Assign && right_strength(right, x.right) <= op) return ordered;
        return closed_after ? Reach::None : Reach::Lost;
      }
      case Kind::RawAddr:
      case Kind::Reference:
      case Kind::Unary: {
        if (closed_after ? none_level >= 2 && (ordered == Reach::Takes || lost_level >= 1)
                         : lost_level >= 1) {
          return Reach::Takes;
        }
        const Place right = right_place(p, false, false, Precedence::Prefix);
        const Reach s =
            right_reach(x.right, right, prec, closed_after ? none_level : 1, takes_level);
        if (s == Reach::Lost) return ordered;
        if (s == Reach::Takes) return Reach::Takes;
        if (right_strength(right, x.right) < Precedence::Prefix) return ordered;
        return closed_after ? Reach::None : Reach::Lost;
      }
      case Kind::Range: {
        if (attrs) break;
        if (x.right == kNoNode) return p.after_begins_expr ? Reach::Takes : Reach::None;
        if (none_level >= 2) return Reach::Takes;
        const bool assign_or_range = p.after == Precedence::Assign || p.after == Precedence::Range;
        const Place right = right_place(p, false, true, Precedence::Range);
        const Reach s =
            right_reach(x.right, right, Precedence::Range, none_level, assign_or_range ? 0 : 1);
        if (s == Reach::Takes || (s == Reach::Lost && !assign_or_range)) return Reach::Takes;
        return right_strength(right, x.right) <= Precedence::Range ? Reach::Takes : Reach::None;
      }
      case Kind::Break:
        if (x.right != kNoNode) {
          if (lost_level >= 1 || ((x.flags & kLabel) == 0 && leading_label(x.right))) {
            return Reach::Takes;
          }
          return jump_value(x.right, right_place(p, true, true, Precedence::Jump));
        }
        return p.after == Precedence::Assign && prec > Precedence::Assign ? Reach::None
                                                                          : Reach::Takes;
      case Kind::Return:
      case Kind::Yield:
        if (x.right != kNoNode) {
          if (lost_level >= 1) return Reach::Takes;
          return jump_value(x.right, right_place(p, true, false, Precedence::Jump));
        }
        return p.after == Precedence::Assign && prec > Precedence::Assign ? Reach::None
                                                                          : Reach::Takes;
      case Kind::Closure:
        if ((x.flags & kDefaultOutput) == 0 && !plain_block(n_[x.right])) return Reach::Takes;
        if (lost_level >= 1) return Reach::Takes;
        return jump_value(x.right, right_place(p, false, false, Precedence::Jump));
      case Kind::Let: {
        if (lost_level >= 1) return Reach::Takes;
        const Place right = right_place(p, false, false, Precedence::Let);
        const bool weaker_after = p.after < Precedence::Let;
        const Reach s = right_reach(x.right, right, Precedence::Let, 1, weaker_after ? 0 : 1);
        if (s != Reach::Takes && weaker_after) return Reach::Lost;
        if (s == Reach::Takes) return Reach::Takes;
        if (right_strength(right, x.right) < Precedence::Let) return Reach::Takes;
        return s == Reach::None ? Reach::Lost : Reach::Takes;
      }
      default:
        break;
    }
    if ((p.after == Precedence::Assign || p.after == Precedence::Range) &&
        prec == Precedence::Range) {
      return Reach::None;
    }
    if (prec == Precedence::Let && p.after < Precedence::Let) return Reach::None;
    return ordered;
  }

  // The value of a jump or the body of a closure, which runs to the end of the expression.
  Reach jump_value(std::uint32_t e, Place p) const {
    return right_reach(e, p, Precedence::Jump, 1, 1) == Reach::None ? Reach::Lost : Reach::Takes;
  }

  std::span<const Node> n_;
  std::vector<TokenRange>& out_;
  int depth_ = 0;
};

Place place_of(Context context) {
  Place p;
  switch (context) {
    case Context::Plain:
      break;
    case Context::Statement:
      p.stmt = true;
      break;
    case Context::MatchArm:
      p.arm = true;
      break;
    case Context::Condition:
      p.condition = true;
      p.condition_end = true;
      break;
  }
  return p;
}

}  // namespace

void find_wraps(std::span<const Node> nodes, std::uint32_t root, Context context,
                std::vector<TokenRange>& wraps) {
  Wraps w(nodes, wraps);
  w.print(root, place_of(context));
}

}  // namespace rust::parens
