// Design files as the host's commands use them: errors name the file.
#pragma once

#include "designer/TankDesigner.h"

#include <string>
#include <vector>

namespace tank::app {

// Opens a design file into the designer (its design stays as it was when
// the file is damaged); the error names the file and the byte offset.  A
// design whose settings or model break the rules a project file is held to
// (ranges of lengths, levels, loads, materials) is refused, every problem
// named; the designer then holds it, and the caller drops it.
void OpenDesign(TankDesigner& designer, const std::string& path);
// What OpenDesign would refuse in the designer's design: settings out of
// their ranges, implausible boards and loads; one line per problem.
std::vector<std::string> DesignProblems(TankDesigner& designer);
// Saves safely (a temporary file renamed over the target).  A design that
// OpenDesign would refuse is not written: the error names its problems.
void SaveDesign(TankDesigner& designer, const std::string& path);
// Every entity a view put on the drawing: those it registered, once, in
// registration sequence, then those it keeps outside its registry (the
// tables' entities).
EntityList ViewEntities(const TankView& view);

}  // namespace tank::app
