// Geometry kernel: the polygon algorithms g_PolygonAlgorithm.
//
// The model builders hand in plan lines (wall base lines, slab edges, board
// sides) and get back closed loops of points.  One convention holds for every
// loop this object returns:
//   - it runs counter-clockwise, the inside on the left of each side
//     (positive signed area, x to the right and y up);
//   - it is closed by repeating its first point as its last point;
//   - it starts at its lowest point (the leftmost of equally low ones).
// Loops of several results are ordered by that first point: lowest first,
// leftmost first among equally low ones (heights and abscissae compared on a
// grid of the kernel tolerance, so that noise in the last digits does not
// change the order); loops that start at the same point by the direction of
// their first side (angle from +x), then larger area first.  A grid of cells
// thus comes back row by row from the bottom, each row from left to right.
// The result does not depend on the order or the direction of the lines (but
// for which of several nearly equal points stands for them, see below).
//
// All three searches work on one planar subdivision of the lines:
//   - Lines with a non-finite coordinate or one beyond ±1e12 mm (a stand-in
//     such as g_MaxValue, not a plan point) and lines whose ends are equal
//     (within kPointTolerance) are ignored.
//   - End points closer than kPointTolerance (per coordinate, the kernel's
//     point equality) are snapped together; the first such point in the input
//     stands for the others, so loop points are input points wherever a line
//     ends.
//   - Lines are split where they cross, where a line ends on another (a
//     T-junction, within kPointTolerance of it) and where collinear lines
//     overlap.  Overlapping pieces become one side.
//   - Lines that do not close anything (dangling lines, trees of lines) are
//     removed before the loops are walked; they never form or break a loop.
//   - The loops are walked side by side: arriving at a point, the walk leaves
//     along the next line clockwise from the one it came in by (the sharpest
//     turn to the left), so the face being walked stays on the left.  This
//     walks every face of the subdivision exactly once; the bounded faces run
//     counter-clockwise, the outer boundary of each connected group of lines
//     clockwise.
//   - A loop point where the loop runs straight on along one input line (the
//     line was split there only because another line touches it from the
//     other side) is dropped again, so each side of a loop is one input line
//     or the part of one input line between two other lines.  Where two
//     collinear input lines meet end to end, their common point stays: the
//     two sides still coincide with the two lines.
#pragma once

#include "platform/morlak/entities.h"

#include <vector>

// A closed loop of plan points, its first point repeated at its end.
using PointLoop = std::vector<_2dPoint>;
using PointLoops = std::vector<PointLoop>;

class PolygonAlgorithm {
 public:
  // The outlines the lines form, one per connected group of lines.
  //  1. Sides that occur twice cancel: a side shared by two adjoining boards
  //     whose outlines are both given (in either direction) is dropped, and
  //     only the part where two sides overlap cancels when they overlap
  //     partly.  A side given once stays (two slabs drawn with their common
  //     edge once), an odd number of times counts as once.
  //  2. Of what is left, the outer boundary of each connected group of lines
  //     is returned: sides inside it (a common edge given once, partition
  //     lines) are not part of it.
  //  3. An outer boundary that touches itself at a point (two boards meeting
  //     at one corner only) is returned as one loop per part.
  // A group of lines inside another one that does not touch it (the rim of an
  // opening) gives a loop of its own, counter-clockwise like every loop.
  // Lines that form no closed outline give no loop; no lines, no loops.
  PointLoops BuildLoops(const std::vector<_2dLine>& lines) const;

  // Cleans up a loop, keeping every side on the line it lies on:
  //  - drops points that are not finite or beyond ±1e12 mm, and consecutive
  //    points that are equal (kernel point equality),
  //    the closing repeat included, and points where the loop runs back along
  //    its previous side (a zero-width spike);
  //  - reverses a clockwise loop so that it runs counter-clockwise (starting
  //    at the same point);
  //  - closes the loop by repeating its first point.
  // Collinear consecutive sides are NOT merged here: a loop alone does not
  // tell whether two collinear sides are one slab edge or the edges of two
  // slabs side by side, and callers match sides to edges one for one.  Loops
  // of this object have no split points on straight sides besides such
  // meeting points (see above).  A loop with fewer than three distinct points
  // gives an empty loop.
  PointLoop NormalizeLoop(PointLoop loop) const;
  // The same, and besides merges two consecutive collinear sides (running on
  // in the same direction) where both lie on one of the given lines (within
  // kPointTolerance): a point that only split one line of the caller goes.
  PointLoop NormalizeLoop(PointLoop loop, const std::vector<_2dLine>& lines) const;

  // The bounded faces the lines form: every closed region not divided by a
  // further line, once each (the regions of a grid of wall lines are its
  // cells).  A region with a group of lines inside it that does not touch its
  // boundary is returned whole (the inner group gives regions of its own);
  // when a line joins the inner group to the boundary, the region's loop runs
  // along that line twice.
  PointLoops FindRegions(const std::vector<_2dLine>& lines) const;

  // The smallest region of FindRegions that contains the point, inside or on
  // its boundary (within kPointTolerance); false, and `loop` left unchanged,
  // when no region contains it.
  bool FindLoopAroundPoint(const _2dPoint& point, const std::vector<_2dLine>& lines,
                           PointLoop& loop) const;
};

extern const PolygonAlgorithm g_PolygonAlgorithm;
