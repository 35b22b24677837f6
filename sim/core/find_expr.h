// The search expressions of viFindRsrc, cut down to the forms instrument
// software really uses ("?*INSTR", "GPIB?*::INSTR"): '?' is one character,
// '*' any run of characters, letters match regardless of case.
#pragma once

#include <string_view>

namespace sim {

bool find_expr_valid(std::string_view expr);
bool find_expr_matches(std::string_view expr, std::string_view name);

}  // namespace sim
