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
// A view as one drawing of a sheet: its entities, previewed as an
// isometric view when the view is in 3D space (the 3D model, the 3D bars).
ExportPart ViewPart(const TankView& view);
// What the design's current mode shows, as one sheet: the drawings on the
// sheet's plane (plans and the drawing views, laid out where they are, with
// the user's own entities) first, then every 3D view beside them, so that
// nothing is drawn over anything else.  Hidden entities (those of the other
// modes) are left out by the export.
std::vector<ExportPart> SheetOfMode(const TankDesigner& designer);

}  // namespace tank::app
