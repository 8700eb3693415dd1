// Drawn-line utilities of the board drawings: the closed ring of concrete
// lines of an outline.  TankView::SplitCutSegmentsAtJoints and
// TankView::CollectLinesByBoardKind (view/TankView.h) are defined with them.
#pragma once

#include "platform/Morlak.h"

#include <vector>

// One line per side of the closed ring through the points (the last back to
// the first), both ends × factor, on the concrete layer (category 13) with
// the rebar drawings' concrete line type and colour 7; appended.
void MakeOutlineLines(std::vector<_2dPoint> points, double factor, EntityList& out);
