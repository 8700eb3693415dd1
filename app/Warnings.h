// Results a command reports without stopping: failed tank checks and bar
// groups the design could not satisfy.  They are written on the error
// stream so that they are not read over; the command then sets its exit code
// (kExitCheckFailed, kExitDesignFailed).
#pragma once

#include "platform/Tobrin.h"

#include <iosfwd>
#include <string>

namespace tank::app {

// The texts mark squares and cubes for the document writer ("m$2$"); the
// terminal shows them as superscripts.
std::string ForTerminal(std::string line);

// A failed check, framed so that it is not read over; nothing when both
// checks passed.
void WarnFailedChecks(const TankCheckResult& checks, std::ostream& err);

// The bar groups of the tank that are not satisfied, counted and named one
// per line; false (and nothing written) when every group is satisfied.
bool WarnFailingGroups(const Tank& tank, std::ostream& err);

}  // namespace tank::app
