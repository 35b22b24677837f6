// Names of every exported function, so that a bench fault naming something
// that does not exist is caught as a typo instead of silently never firing.
#pragma once

#include <string_view>

namespace sim {

bool is_entry_point(std::string_view name);

}  // namespace sim
