#pragma once
#include "instrument/status.h"

// The one report of a failed live operation: stops the poll timer, says what
// went wrong (timeout, the driver's message, or that the message lookup
// itself failed), then tells the operator to reset the module or restart.
void ReportInstrumentError(ViStatus status);
