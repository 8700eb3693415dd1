// The rebar design as the host's commands run it: progress on the error
// stream, the summary per board on the output.
#pragma once

#include "app/Commands.h"
#include "designer/TankDesigner.h"

#include <string>

namespace tank::app {

// Designs the reinforcement of an analysed tank as `design` does, its
// progress and summary written as `design` writes them, and marks the design
// done.  The error names the input.  Unsatisfied groups are left to the
// caller (WarnFailingGroups).
void DesignTankRein(TankDesigner& designer, const std::string& input, HostStreams& io);
// Whether the design's bars belong to its tank as it stands: designed, and
// not changed (model or settings) since the analysis they were designed from.
bool IsDesignCurrent(const TankDesigner& designer);

}  // namespace tank::app
