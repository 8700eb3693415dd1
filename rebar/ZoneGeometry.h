// Geometry of rebar zones at board joints: the corner point where the bar
// plane of one face of a board meets the face plane of the neighbouring board
// into which that face turns.
#pragma once

#include "platform/Quenby.h"
#include "rebar/ReinDesignOptions.h"

class ReinTrendAdapter;

// The point where the bar plane of `face` of the board (face offset less the
// cover) meets, across edge `edgeIndex`, the face plane of the neighbouring
// board into which that face turns (ReinTrendAdapter::GetCornerNeighbour; no
// cover on the neighbour's side), found from the midpoint of the edge.  For
// boards continuing in one plane it is the edge midpoint moved onto the bar
// plane.  False, `point` untouched, when the edge has no neighbour on its
// line or the two lines do not meet (parallel boards not in one plane): the
// caller then skips the zone.
bool GetJointCornerPoint(const ReinDesignOptions& options, const BoardPtr& board, int edgeIndex,
                         const ReinTrendAdapter& adapter, bool face, _3dPoint& point);
