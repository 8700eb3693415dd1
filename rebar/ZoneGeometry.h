// Geometry of rebar zones at board joints: the corner point where the bar
// plane of one face of a board meets the face plane of the neighbouring board
// into which that face turns; the stretch of a joint line that keeps its
// bars one cover inside the free faces at its ends.
#pragma once

#include "platform/Quenby.h"
#include "rebar/ReinDesignOptions.h"

#include <vector>

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

// For each edge of the board, whether no other board meets it (across it, in
// its plane or abutting a face): the edge's end face is a free concrete face.
std::vector<bool> GetFreeEdges(const ReinTrendAdapter& adapter, const BoardPtr& board);
std::vector<bool> GetFreeEdges(const Tank& tank, const BoardPtr& board);

// The line along which bars are repeated (along the board, on an edge's line
// or beside it) with each end that reaches a free edge of the board pulled
// back along the line until it lies the board's larger cover inside that
// edge's face, so that no bar of the row lies in the cover of a free face (as
// the face bars end one cover inside a free edge).  `free` as GetFreeEdges
// gives it.  An end is taken to reach a free edge when, seen in the board's
// plane, it lies on the edge's line (within 1 mm outside it) or inside it by
// less than the cover, beside the edge (within twice the board's thickness of
// its ends).  Ends that would cross leave the line with no length.
_3dLine PullBackAtFreeEdges(const ReinDesignOptions& options, const BoardPtr& board, const std::vector<bool>& free,
                            const _3dLine& line);
