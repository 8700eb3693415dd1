// Rebar zones of haunches.
//
// A haunch (Ear) thickens the inner angle where two boards meet.  Its bars run
// parallel to the haunch's sloped face at cover depth, carried on through both
// boards to the bar layer of each board's far face (the face turned away from
// the other board), with an anchorage leg along that layer at each end.  The
// overhang haunch stands in the outer angle between a wall and the overhang of
// the bottom slab it stands on; its bar starts on the slab's end (or on its
// far bar layer) and ends on the wall's far bar layer.
//
// Face flags: true = upper face (the positive side of Board::GetNormal).
// Leg lengths and bar planes are taken from each face's own offset and cover,
// so eccentric boards and unequal covers come out right.
#pragma once

#include "platform/Quenby.h"
#include "rebar/ReinDesignOptions.h"
#include "rebar/ReinTrendAdapter.h"

// Anchorage length la = α·fy·d / ft (α 0.14 for ribbed bars, else 0.16) of
// bars of the grade and diameter in the board's concrete; 0 when the
// concrete's ft is unknown.
double GetHaunchAnchorageLength(const ReinDesignOptions& options, const Board& board, int diameter,
                                const std::string& grade);

// The support bars of edge e on face f and the board's face bars of face f
// that cross the edge (its Y bars when the edge runs within 45° of the X bars,
// else its X bars).
void GetHaunchBarSets(const Board& board, int e, bool f, BarSet& edgeBars, BarSet& crossingBars);

// The governing bar set of the two boards at a haunch, written into the zone:
// two walls take the largest equivalent area of the four sets (a's edge bars
// first on a tie); a wall against a slab takes the wall's crossing face bars
// when they outweigh its edge bars strictly, else its edge bars; two slabs
// leave the zone unchanged.  An edge index of -1 gives that board unset sets
// (area 0).
void PickHaunchRein(const BoardPtr& a, int ea, bool fa, const BoardPtr& b, int eb, bool fb, ReinZone& zone);

// Bar set, template bar and distribution line (the joint line) of one haunch
// zone.  fa and fb are the far faces; legA is measured along a from b's near
// face, legB along b from a's near face, both to the bar line at cover depth
// under the sloped face.  False (zone incomplete, not to be used) when the
// sloped bar line does not meet a far bar layer.
bool BuildHaunchZoneGeometry(const ReinDesignOptions& options, const BoardPtr& a, bool fa, double legA,
                             const BoardPtr& b, bool fb, double legB, const _3dLine& jointLine, ReinZone& zone);

// The haunch zones of boards a and b along their joint line, added to the
// haunch: one zone, and one more for each board that the other crosses (a
// wall standing inside a slab that continues on both sides).  Nothing when
// neither board is a wall or the haunch is too small to hold a bar at cover
// depth.
void BuildHaunchZone(const Tank& tank, const ReinDesignOptions& options, const BoardPtr& a, const BoardPtr& b,
                     const _3dLine& jointLine, const EarPtr& ear);

// The overhang haunch zone of one edge of a bottom slab, for the slab's far
// face f (the face away from the haunch), added to the joint's overhang
// haunch.  Nothing when the edge has no overhang, no wall stands on it
// (perpendicular to the slab), the joint has no overhang haunch, or the
// haunch's sloped face ends exactly at the overhang's end.
void BuildOverhangHaunchZone(const ReinDesignOptions& options, const ReinTrendAdapter& adapter, const BoardPtr& slab,
                             int edgeIndex, bool f);
