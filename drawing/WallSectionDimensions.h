// Dimensions of a wall section: height chains on the left and right, width
// chains below and above, elevation marks at the main levels, and the
// elevation mark itself; with the dimension of the lines a picked line
// crosses on a plan.
#pragma once

#include "drawing/DimensionChain.h"
#include "platform/Morlak.h"

#include <utility>
#include <vector>

class TankView;

// The printed elevation of a drawing height y: y × scale / unit × 0.001 −
// base + offset (metres), the pair being {base, offset}.
using ElevationReference = std::pair<double, double>;

// An elevation mark at the point: the triangle hanging on the level with
// the level text ("%.3f" m) beside it on the right or the left, text kind 2
// (layer 8), lines on the thin-line layer (9), optionally a base line under
// the triangle; every entity appended with kind 0x20000.
void DrawElevationMark(const _2dPoint& position, EntityList& entities, std::vector<int>& kinds,
                       const ElevationReference& reference, double scale, double unit, bool textRight,
                       bool withBaseLine);

// A line with |dx| < 1 that starts or ends at the point.
bool HasVerticalLineAtPoint(const _2dPoint& point, const std::vector<_2dLine>& lines);
// Removes every line whose two ends are the two points of a segment, in
// either order.
void RemoveLinesOnSegments(std::vector<_2dLine>& lines, const std::vector<DimSegment>& segments);
// Each segment's upper end continued by the first line touching it, the
// line added (far end, touching end) before the segment.
void ExtendSegmentsAtTop(std::vector<DimSegment>& segments, const std::vector<_2dLine>& lines, bool joinAsNew);
// Points at height y for both ends of every segment and every extra point,
// sorted by x, those within 1.0 of the one before merged.
void BuildHorizontalChainPoints(std::vector<_2dPoint>& points, double y, const std::vector<DimSegment>& segments,
                                const std::vector<_2dPoint>& extra);
// The wall faces and the levels to mark: the faces at the first two face
// positions are the left faces, at the last two the right; horizontal
// outline lines across a wall, at a wall foot, over a face, and the inner
// levels of the bottom profile are the levels.  Lines taken leave `lines`.
void GroupWallFaces(const std::vector<DimSegment>& vertical, std::vector<_2dLine>& lines,
                    const std::vector<DimSegment>& sortedInner, std::vector<DimSegment>& leftFaces,
                    std::vector<DimSegment>& rightFaces, std::vector<DimSegment>& horizontal);

// The dimensions of the wall section drawn in the view, appended with their
// kinds (0x4000 dimensions, 0x20000 elevation marks).  An empty outline
// gives none; a side without an inner line of the bottom profile is left
// out.  The foundation level is not used.
void DimensionWallSection(TankView& view, EntityList& entities, std::vector<int>& kinds,
                          const ElevationReference& reference, double foundationLevel, bool left, bool bottom,
                          bool right, bool top, bool joinAsNew, const std::vector<_2dLine>& referenceLines,
                          double scale, double unit);

// The dimension chain along a picked line: the distances between its
// consecutive crossings with the plan lines and board outline lines of the
// view (kind 0x40000000 or 2), each crossing half a unit to the right of the
// line; kind 0x4000, no overall dimension.  Fewer than two crossings give
// nothing.
void DimensionAlongLine(TankView& view, const _2dLine& picked, EntityList& entities, std::vector<int>& kinds);
