// Names and texts of every status the stand-ins can return, shared by
// viStatusDesc, the driver's error messages and the bench reader (which lets a
// bench name a status instead of spelling out its number).
#pragma once

#include <optional>
#include <string>

#include "visa_stub.h"

namespace sim {

// nullptr when the status is not one of ours.
const char* status_name(ViStatus status);
const char* status_text(ViStatus status);
std::optional<ViStatus> status_from_name(const std::string& name);

}  // namespace sim
