// Automatic dimensioning of the plan views: four chains of dimensions around
// the drawn outline (left and right measuring heights, bottom and top
// measuring widths), through the outline corners, the inner faces of the
// boards behind the outline, plan lines outside it and the reference points
// the drawn bars leave.
#pragma once

#include "drawing/DimensionChain.h"
#include "platform/Morlak.h"

#include <vector>

class TankView;

// For each edge of the closed ring (counter-clockwise, so that the right of
// an edge is outside), the nearest line parallel to it, lying outside it and
// sharing more than 1.0 of its length; appended as a segment at that line's
// distance over the line's extent along the edge.
void FindOuterParallelLines(const std::vector<_2dPoint>& ring, const std::vector<_2dLine>& lines,
                            std::vector<DimSegment>& outer);

// For each edge (first point to second), the nearest parallel overlapping
// outer candidate on its right and the nearest inner candidate on its left
// (the edge itself excluded); an edge without a candidate adds nothing.
void FindParallelNeighbourLines(const std::vector<DimSegment>& edges, const std::vector<_2dLine>& outerCandidates,
                                const std::vector<_2dLine>& innerCandidates, std::vector<DimSegment>& outer,
                                std::vector<DimSegment>& inner);

// Lengthens each segment by the lines that continue it at its ends (at most
// two connections per segment), or with `joinAsNew` keeps the segment and
// adds those lines as segments of their own before it.
void ExtendSegmentsAlongLines(std::vector<DimSegment>& segments, const std::vector<_2dLine>& lines, bool joinAsNew);

// Dimension chains of kind 0x4000 around the view's drawn outline (board
// outline lines of kind 2 and 4, plan lines of kind 0x40000000), on the
// enabled sides, appended to the lists in the order left, bottom, right,
// top.  A side on which no outline edge is visible gets no chain; an outline
// of fewer than two lines, or one that does not close into a ring, gets
// none at all.
void AutoDimensionPlan(TankView& view, EntityList& entities, std::vector<int>& kinds, bool left, bool bottom,
                       bool right, bool top, bool joinAsNew, const std::vector<_2dLine>& referenceLines, double scale,
                       double unit);
