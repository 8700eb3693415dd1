// Small predicates and comparators the drawing routines hand to the
// standard algorithms: lines in the view plane, points along a bar line,
// edges by height, lines near a point, and point orders.
#pragma once

#include "platform/Morlak.h"
#include "platform/Quenby.h"
#include "view/FiledClasses.h"

#include <vector>

// A 3D line lying in the view plane.
class IsLineInViewPlane {
 public:
  explicit IsLineInViewPlane(const ViewVolumn& volume) : m_volume(volume) {}
  bool operator()(const _3dLine& line) const;

 private:
  ViewVolumn m_volume;
};

// The point at distance d from the reference point along the line; the
// direction is end − start, reversed when the end is nearer the reference
// point than the start.  The result is kept in the out point and returned.
class OffsetPointAlongLine {
 public:
  OffsetPointAlongLine(const _3dLine& line, const _3dPoint& reference, double d, _3dPoint& out)
      : m_line(line), m_reference(reference), m_distance(d), m_out(&out) {}
  _3dPoint operator()() const;

 private:
  _3dLine m_line;
  _3dPoint m_reference;
  double m_distance;
  _3dPoint* m_out;
};

// Two edges of a board: the one whose line midpoint lies lower in the world
// first.
class EdgeHeightLess {
 public:
  explicit EdgeHeightLess(const Board& board) : m_board(&board) {}
  bool operator()(const BoardEdge& a, const BoardEdge& b) const;

 private:
  const Board* m_board;
};

// The midpoint of an edge's line carried into the world, keeping x and y.
struct GetEdgePlanMidPoint {
  _2dPoint operator()(const BoardEdge& edge, const Board& board) const;
};

// A 3D line whose direction is parallel to the vector (the view normal).
class IsParallelToVector {
 public:
  explicit IsParallelToVector(const _3dVector& v) : m_vector(v) {}
  bool operator()(const _3dLine& line) const;

 private:
  _3dVector m_vector;
};

// A line passing within d of p whose foot of the perpendicular from p lies
// within d of one of its ends.
class LineEndsNearPoint {
 public:
  LineEndsNearPoint(const _2dPoint& p, double d) : m_point(p), m_distance(d) {}
  bool operator()(const _2dLine& line) const;

 private:
  _2dPoint m_point;
  double m_distance;
};

// The foot of the perpendicular from p onto a line lies on the segment.
class FootOnSegment {
 public:
  explicit FootOnSegment(const _2dPoint& p) : m_point(p) {}
  bool operator()(const _2dLine& line) const;

 private:
  _2dPoint m_point;
};

// Points by rows: y differing by less than 0.1 counts as one row, ordered
// by x; otherwise the smaller y first.
struct PointYXLess {
  bool operator()(const _3dPoint& p, const _3dPoint& q) const;
};

// Points by x, then y, within a tolerance.
class Point3dLess {
 public:
  explicit Point3dLess(double tol = 1e-4) : m_tol(tol) {}
  bool operator()(const _3dPoint& p, const _3dPoint& q) const;

 private:
  double m_tol;
};

struct IsPointListEmpty {
  bool operator()(const std::vector<_2dPoint>& points) const { return points.empty(); }
};
