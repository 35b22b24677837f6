// The search expressions of viFindRsrc, read as VISA reads them: '?' is any
// one character; '*' and '+' repeat the element before them (a character,
// '?', a list or a group) zero or more, or one or more times; "[list]" and
// "[^list]" take ranges such as "0-9"; "exp|exp" is either whole side and
// "(exp)" groups; '\' makes the next character plain. A name matches only
// as a whole, and letters match regardless of case. So "?*INSTR" lists
// everything, while "GPIB*" is "GPI" followed by any run of 'B's.
#pragma once

#include <bitset>
#include <optional>
#include <string_view>
#include <vector>

namespace sim {

class FindExpr {
 public:
  // Nullopt for a malformed expression (VI_ERROR_INV_EXPR): empty, a control
  // character, a repeat with nothing before it, an empty branch or group, an
  // unbalanced parenthesis, an open or empty list, a reversed range or a
  // trailing '\'.
  static std::optional<FindExpr> compile(std::string_view expr);

  // Runs in time proportional to the name times the expression, whatever
  // the expression nests: no search can hang the library.
  bool matches(std::string_view name) const;

 private:
  struct Step {
    enum Op { chars, split, jump, done } op = done;
    int a = 0, b = 0;  // chars: index into sets_; split: both targets; jump: a
  };
  friend class FindExprCompiler;
  std::vector<Step> program_;
  std::vector<std::bitset<256>> sets_;
};

}  // namespace sim
