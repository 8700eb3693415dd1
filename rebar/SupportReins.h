// Support bars at board junctions.
//
// Where two or more boards meet along a line, the face bars of the boards,
// seen in the junction's cross-section, form a closed cage.  The support bars
// are straight longitudinal bars laid along the junction inside the corners of
// that cage, one SupportRein zone per group of boards meeting along one common
// line.
//
// The junction's section frame: origin at the start of the junction line of
// the group's first two boards, x axis the first board's normal, y axis the
// junction direction crossed with that normal; section coordinates are local
// x and y in that frame, local z runs along the junction.
#pragma once

#include "platform/Quenby.h"
#include "rebar/ReinDesignOptions.h"

#include <string>
#include <vector>

namespace support_rebar {

// Two boards of the tank meeting along a line: their positions in the tank's
// component list (a < b) and the line.
struct JunctionRecord {
  int a = 0;
  int b = 0;
  _3dLine line;
};

// The sorted, distinct component positions of boards meeting along one line.
using JunctionGroup = std::vector<int>;

// ---- Grouping the junctions ------------------------------------------------

// True when both ends of l2 lie within 1 mm of the line through l1's ends and
// the ends are equal (kernel point equality) in either order.
bool LinesCoincide(_3dLine l1, _3dLine l2);
// Order by z, then y (both compared with 0.1 mm), then x.
bool PointZYXLess(_3dPoint p, _3dPoint q);
// The first and the last of all end points of the lines in PointZYXLess
// order (a single line: its own ends); false without lines.
bool ChainEndPoints(const std::vector<_3dLine>& lines, _3dPoint& first, _3dPoint& last);

// The junction groups of the tank's meeting tables (the flag table and the
// line table of Tank::GetOutlineLists): every flagged pair (i, j), i < j, is
// a junction; junctions whose lines coincide and which share a board form one
// group.  A flagged pair the tables cannot support (no line entry, a line of
// no length, a position that is not a board of the tank) is skipped, and a
// note naming it is appended to `skipped`.
void CollectJunctionGroups(const std::vector<std::vector<unsigned char>>& flags,
                           const std::vector<std::vector<_3dLine>>& lines,
                           const std::vector<StructureComponentPtr>& components, std::vector<JunctionGroup>& groups,
                           std::vector<std::string>& skipped);
void CollectJunctionGroups(const Tank& tank, std::vector<JunctionGroup>& groups, std::vector<std::string>& skipped);

// ---- Bar positions in a junction's section ---------------------------------

// The bar points of one zone's first bar crossing the junction: its longest
// segment in the board's plane, with the leg that adjoins its end nearer to
// the junction (no leg at a bottom-slab edge with an overhang, and none when
// the crossing lies at least twice the board's thickness from both ends of
// that segment).  False when no bar of the zone crosses the junction line
// within its ends.
bool GetBarNearJunction(const BoardPtr& board, const _3dLine& junction, const ReinZonePtr& zone,
                        std::vector<_3dPoint>& points);
// The section segments of one board's face bars crossing the junction (the
// X bars when they do not run along it within π/4, else the Y bars): the
// points of the first crossing bar of each face, in section coordinates,
// joined in order.  False unless both faces give at least two points.
bool GetJunctionBarShape(const BoardPtr& board, const _3dPoint& origin, const _3dVector& xAxis,
                         const _3dVector& yAxis, const _3dLine& junction, std::vector<_2dLine>& segments);

// Segment clean-up in the section, all with a 1 mm tolerance: parallel
// segments lying on one another are merged into one; crossing segments are
// cut at the crossing; segments with an end that meets no other segment are
// removed, repeatedly, so that only closed chains remain.
void MergeCollinearLines(std::vector<_2dLine>& lines);
void SplitLinesAtCrossings(std::vector<_2dLine>& lines);
void PruneOpenLineEnds(std::vector<_2dLine>& lines);

// The points of the one closed loop the segments form (counter-clockwise,
// first point repeated at the end); false unless exactly one loop forms.
bool GetSingleLoopPoints(const std::vector<_2dLine>& lines, std::vector<_2dPoint>& points);
// The loop's corners that turn inward (counter-clockwise loop: a turn below π,
// straight points included), in loop order.
void GetLoopCornerPoints(const std::vector<_2dPoint>& loop, std::vector<_2dPoint>& positions);
// Every position closer than minDistance to an earlier one is dropped.
void RemoveClosePoints(std::vector<_2dPoint>& positions, int minDistance);

// The bar positions of the junction of the boards (section coordinates): the
// corners of the cage their crossing face bars close.  False when the bars
// close no single loop.
bool FindSupportBarPoints(const std::vector<BoardPtr>& boards, const _3dPoint& origin, const _3dVector& xAxis,
                          const _3dVector& yAxis, const _3dLine& junction, std::vector<_2dPoint>& positions);
// One bar line per position, along the part of the junction common to every
// board of the group (the overlap of the first board's junction lines with
// the others), in model coordinates.  With `options` an end of that part at a
// free edge of a board of the group (a wall's free top) is pulled back to one
// cover inside that edge's face, as the face bars end there.
bool BuildSupportBarLines(const Tank& tank, const _3dPoint& origin, const _3dVector& xAxis, const _3dVector& yAxis,
                          const std::vector<BoardPtr>& boards, const std::vector<_2dPoint>& positions,
                          std::vector<_3dLine>& barLines, const ReinDesignOptions* options = nullptr);

// ---- Zones -----------------------------------------------------------------

// The zone's joints (of every board pair of the group that forms one), grade
// code 130, the bar diameter, category 5, kind 4096, spacing 0, and one
// straight bar per bar line.
void FillSupportReinBars(const Tank& tank, const std::vector<_3dLine>& barLines, int barDiameter,
                         const std::vector<BoardPtr>& boards, const boost::shared_ptr<SupportRein>& zone);
// Fills the zone of one junction group; false when the group gives no bars.
bool FillSupportRein(const Tank& tank, const std::vector<StructureComponentPtr>& components,
                     const JunctionGroup& group, int barDiameter, const boost::shared_ptr<SupportRein>& zone,
                     const ReinDesignOptions* options = nullptr);
// One zone per group that gives bars, handed to the tank together (the tank's
// earlier support zones are replaced; none are added when no group gives
// bars).
void CreateSupportReins(Tank& tank, int barDiameter, const std::vector<JunctionGroup>& groups,
                        const ReinDesignOptions* options = nullptr);

// The support bars of the whole tank (none for a bar diameter not above 0).
// Returns the notes of the junctions that were skipped because the tank's
// meeting tables do not support them.
std::vector<std::string> GenerateSupportReins(Tank& tank, int barDiameter,
                                              const ReinDesignOptions* options = nullptr);

}  // namespace support_rebar
