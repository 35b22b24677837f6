#include "core/find_expr.h"

#include <cctype>

namespace sim {
namespace {

bool same_char(char a, char b) {
  return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
}

}  // namespace

bool find_expr_valid(std::string_view expr) {
  if (expr.empty()) return false;
  for (char c : expr) {
    if (!std::isprint(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

bool find_expr_matches(std::string_view expr, std::string_view name) {
  // Iterative glob with one backtrack point: linear enough for names this short.
  std::size_t e = 0, n = 0;
  std::size_t star = std::string_view::npos, resume = 0;
  while (n < name.size()) {
    if (e < expr.size() && (expr[e] == '?' || same_char(expr[e], name[n]))) {
      ++e;
      ++n;
    } else if (e < expr.size() && expr[e] == '*') {
      star = e++;
      resume = n;
    } else if (star != std::string_view::npos) {
      e = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (e < expr.size() && expr[e] == '*') ++e;
  return e == expr.size();
}

}  // namespace sim
