// Bar ends at board edges: how the end of a bar that reaches a board edge is
// finished.  Each treatment appends the points the bar gets at that end, in
// model coordinates, in the order the bar passes them going outwards; the
// bar-row builders join them to the bar line in place of its end point.
//
// One treatment per end, chosen in this order:
// - a bottom-slab edge that carries an overhang: the bar runs through the wall
//   into the overhang (the bottom bars turn up at the slab end);
// - an edge resting on the face of another board (an abutment, no edge of the
//   other board on the line): the bar is anchored in that board;
// - an edge other boards meet edge to edge: with one continuation record the
//   bar runs straight on, turns back or bends into the partner; with several
//   the attached boards are taken into account as well;
// - a free edge: the bar stops one cover inside the concrete.
//
// Face flag: true = upper face (slab top, wall outer side).  Leg lengths
// through a board's thickness use the distance between its two bar layers,
// thickness − upper cover − lower cover, and bar planes use each face's own
// offset and cover, so eccentric boards and unequal covers come out right.
#pragma once

#include "platform/Quenby.h"
#include "rebar/ReinDesignOptions.h"

#include <vector>

class ReinTrendAdapter;

// One end of a bar line: the point in the bar's board-local frame (z = 0), the
// board that owns the edge and the index of the edge the point lies on (-1
// when it lies on none).
struct BarEndRecord {
  _3dPoint point;
  BoardPtr board;
  int edgeIndex = -1;
};

// The point of a board face's bar layer over a board-local point: the face's
// offset from the reference plane less its cover, along the normal.
_3dPoint BarLayerPoint(const ReinDesignOptions& options, const Board& board, const BoardPtr& owner,
                       const _2dPoint& local, bool face);

// End treatment of one end of one bar line laid on `barBoard` (whose frame the
// records' points are given in): appends the points of `end`, the other end
// giving the bar's direction.  An end record with edge index -1, or whose
// board is missing, is a free end.
void TreatBarEndAtEdge(const ReinDesignOptions& options, const BoardPtr& barBoard, const BarEndRecord& end,
                       const BarEndRecord& other, std::vector<_3dPoint>& out, const ReinTrendAdapter& adapter,
                       bool face, bool isX);

// The treatments themselves.  P_end is the bar's point on the edge (on the
// bar layer), P_in another point of the bar inside the board; the bar runs
// from P_in to P_end.  Each leaves `out` unchanged when it does not apply and
// answers whether it applied (a bar too short to reach the joint's corner
// line applies and appends nothing: it keeps its end).

// A bottom-slab edge with an overhang: through the wall to the slab end, one
// cover inside; the lower bars turn up there to the upper bar layer and, with
// a joint length longer than that leg, run back along the top (or follow an
// overhang haunch that spans the overhang).  False without a wall to turn
// into.
bool ExtendBarAtOverhangEdge(const ReinDesignOptions& options, const BoardPtr& board, int edgeIndex,
                             const _3dPoint& pEnd, const _3dPoint& pIn, std::vector<_3dPoint>& out,
                             const ReinTrendAdapter& adapter, bool face, bool isX);

// An edge resting on another board's face: straight into that board when the
// embedment there is long enough, else to its far bar layer and turned along
// this board's normal for the rest of the anchorage (or the full rule length).
// False without an abutment.
bool AnchorBarAtAbutment(const ReinDesignOptions& options, const BoardPtr& board, int edgeIndex,
                         const _3dPoint& pEnd, const _3dPoint& pIn, std::vector<_3dPoint>& out,
                         const ReinTrendAdapter& adapter, bool face, bool isX);

// An edge with one continuation record: straight on into the partner, a
// hairpin turned back, an L-shaped end, or at a corner a bend at the
// partner's far bar layer.  False without a partner to turn into.
bool TreatBarEndAtPartner(const ReinDesignOptions& options, const BoardPtr& board, int edgeIndex,
                          const _3dPoint& pEnd, const _3dPoint& pIn, std::vector<_3dPoint>& out,
                          const ReinTrendAdapter& adapter, bool face, bool isX);

// An edge with two or more continuation records: the decisions above, with the
// attached boards of the line passed through, turned at or bent into.
bool BuildEdgeZonesMulti(const ReinDesignOptions& options, const BoardPtr& board, int edgeIndex,
                         const _3dPoint& pEnd, const _3dPoint& pIn, std::vector<_3dPoint>& out,
                         const ReinTrendAdapter& adapter, bool face, bool isX);

// The polyline of a bar from its line points and the points of its two ends:
// the start points, reversed, in place of the first line point, the end
// points in place of the last.  An end without points keeps its line point.
std::vector<_3dPoint> JoinBarEnds(const std::vector<_3dPoint>& line, const std::vector<_3dPoint>& startPoints,
                                  const std::vector<_3dPoint>& endPoints);
