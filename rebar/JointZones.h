// Joint zones along the common edges of boards, and the bar rows of a zone.
//
// A joint zone carries the support bars of a board edge across the joint into
// the neighbouring board: its template bar (straight, cranked, L-shaped or
// carried round the joint to the other faces) is repeated along the edge at
// the zone's spacing.  It stands in the edge zone list of the face, and also
// in the partner edge's list when the partner's edge bars govern there (one
// object in both lists).
//
// The bar-row builders turn one bar line of a zone into bars: the line cut at
// the openings it crosses or passes closer than the cover, each end finished
// at the board edge it reaches.
//
// Face flag everywhere: true = upper face (slab top, wall outer side), false
// = lower face.  Lengths in mm.
#pragma once

#include "platform/Quenby.h"
#include "rebar/BarEnds.h"
#include "rebar/ReinDesignOptions.h"

#include <boost/shared_ptr.hpp>

#include <functional>

#include <vector>

class ReinTrendAdapter;
class ProjectSettings;

// ---- Joint zones -----------------------------------------------------------

// The zone whose bar runs along the board's face, crosses the joint to the
// board's other face at the neighbour's far bar layer and runs along the
// neighbour's face into it (five vertices).  Nothing when the edge has no
// continuation or the corner points cannot be found.
void BuildJointZone(const ReinDesignOptions& options, const BoardPtr& board, int edgeIndex,
                    const ReinTrendAdapter& adapter, bool face);
// The zone whose bar runs on into the neighbour: straight (or cranked across a
// change of thickness) into a board in the same plane, L-shaped round an
// ordinary corner.  Nothing when the edge has no continuation or the corner
// points cannot be found.
void BuildCornerJointZone(const ReinDesignOptions& options, const BoardPtr& board, int edgeIndex,
                          const ReinTrendAdapter& adapter, bool face);
// An edge with one neighbour: per face (upper, then lower) without a zone yet
// and with edge bars stronger than the crossing face bars, the corner zone when
// the boards continue in one plane or the neighbour turns away from the face,
// else the zone carried round the joint.
void BuildJointZoneOneNeighbour(const ReinDesignOptions& options, const BoardPtr& board, int edgeIndex,
                                const ReinTrendAdapter& adapter);
// An edge where two or more boards meet: per face, the corner zone when one
// neighbour is the edge's single partner, else the zone between two boards.
void BuildJointZoneSeveral(const ReinDesignOptions& options, const BoardPtr& board, int edgeIndex,
                           const ReinTrendAdapter& adapter);
// The zone of an edge standing between two boards A and C of a junction (a
// wall under the joint of two slabs): its bar runs from the board along C's
// bar layer into A.  Falls back to the corner zone when A and C continue in
// one plane or the board does not lie between them.
void BuildJointZoneBetween(const ReinDesignOptions& options, const BoardPtr& board, int edgeIndex,
                           const ReinTrendAdapter& adapter, bool face);
// Every board edge of the tank with neighbours, in component and edge order;
// boards left out of the design are skipped.
void LayoutJointZones(Tank& tank, const ReinDesignOptions& options, const ReinTrendAdapter& adapter);

// ---- Bar rows --------------------------------------------------------------

// The outlines of the board's openings in its local frame: a circle for a
// round opening, a closed polyline through the corners of a rectangular one.
void GetHoleOutlines(const BoardPtr& board, std::vector<boost::shared_ptr<Entity>>& outlines);

// Where the bars of a row lie and how their ends are finished, when that is
// not the board's own: the bars of a group of boards lie on the group's bar
// layer, and each end takes the treatment of the edge of the group board it
// ends on.
struct BarRowLayer {
  // Distance of the bar layer from the board's reference plane, toward the face.
  double level = 0.0;
  // How far the bars keep from an opening.
  double cover = 0.0;
  // The points an end takes at its edge (the other end gives the bar's
  // direction); none: the end keeps its line point.
  std::function<std::vector<_3dPoint>(const BarEndRecord& end, const BarEndRecord& other)> treat;
};

// The points of one bar line in model space on the bar layer of the face, in
// order from the start: the start, then where the bar stops before and starts
// again after every opening it is cut at (one cover clear of the opening),
// the end.  A line starting or ending inside an opening's cover starts or
// ends one cover clear of it.
void BuildBarLinePoints(std::vector<_3dPoint>& points, const ReinDesignOptions& options, const BoardPtr& board,
                        const BarEndRecord& start, const BarEndRecord& end,
                        const std::vector<boost::shared_ptr<Entity>>& outlines, const ReinTrendAdapter& adapter,
                        bool face, bool xBars);

// The bars of one bar line (its ends in the board's local frame), cut at the
// openings of `outlines` (board-local circles and closed polylines) and
// finished at both ends.  A bar cut at an opening stops one cover clear of
// it, and a bar passing an opening closer than the cover is cut as the bars
// crossing it are.  An end on a board edge takes that edge's treatment
// (TreatBarEndAtEdge): pulled back by the cover at a free edge, carried on,
// bent or anchored where other boards meet.  The bars are appended in the
// order: the piece at the start (running from the opening back through the
// start's end points), the piece at the end, then the pieces between openings
// along the line, each of those running toward the line's end.  `layer`, when given, takes the place of the board's bar layer of
// the face and of its end treatment.
void LayoutBarRow(const ReinDesignOptions& options, const BoardPtr& board, const BarEndRecord& start,
                  const BarEndRecord& end, const std::vector<boost::shared_ptr<Entity>>& outlines,
                  const ReinTrendAdapter& adapter, bool face, bool xBars, std::vector<ReinPtr>& bars,
                  const BarRowLayer* layer = nullptr);

// A bar of length `extension` from one end of the line into the board: from
// the start when a bottom slab meets its edge (a partner of the edge or the
// slab it rests on), else from the end.  Only that end is finished; the far end stays inside the board.  An
// extension that reaches the line's other end gives the ordinary bars of the
// whole line.
void LayoutExtendedBarRow(const ReinDesignOptions& options, const BoardPtr& board, const BarEndRecord& start,
                          const BarEndRecord& end, const std::vector<boost::shared_ptr<Entity>>& outlines,
                          const ReinTrendAdapter& adapter, bool face, bool xBars, double extension,
                          std::vector<ReinPtr>& bars, const BarRowLayer* layer = nullptr);

// All bar rows of a face zone laid afresh across the board's outline at the
// spacing, with the diameter and the zone's grade; the zone's bars are
// replaced by them.  With `lastLineOnly` only the last bar line is laid and
// the zone is left as it was.  `withoutOpenings` lays the rows as if the board
// had no openings.  The new bars are returned.
std::vector<ReinPtr> LayoutBarRowsWithHoles(bool withoutOpenings, ProjectSettings& settings,
                                            ReinTrendAdapter adapter, const BoardPtr& board, const ReinZonePtr& zone,
                                            bool face, bool xBars, int diameter, int spacing, bool lastLineOnly);
