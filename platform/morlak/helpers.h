// Geometry kernel: free geometry helpers.
//
// Splitting polylines into lines, orienting and thinning out lines, the
// scale-move and frame steps applied to entities, points and lines one by one
// (function objects for std::for_each and std::transform), and the line and
// point predicates (for std::find_if, std::partition, std::count_if).
//
// Function objects accept the kernel value or a boost::shared_ptr to it; a
// null pointer is left alone by the transforms and accepted by no predicate.
// Tolerances are kPointTolerance (1e-4 mm) unless a comment says otherwise.
// GetEntitiesExtents lives with the entities (entities.h).
#pragma once

#include "platform/morlak/comm.h"
#include "platform/morlak/entities.h"

#include <boost/shared_ptr.hpp>

#include <vector>

// ---------------------------------------------------------------------------
// Polylines into lines

// The segments of a polyline in order as 3D lines, one per segment: vertex i
// to vertex i + 1, and for a closed polyline the closing segment from the last
// vertex back to the first (a closed two-vertex polyline, a circle, gives its
// diameter there and back).  A bulged segment becomes its chord.  Segments of
// zero length are kept, so line i always belongs to vertex i.  The lines take
// the polyline's layer, colour and line type.  Fewer than two vertices give no
// line.
std::vector<_3dLine> ExplodePolyline(const _2dPolyline& polyline);
// The same as plan lines (x and y of the vertices).
std::vector<_2dLine> ExplodePolylineTo2d(const _2dPolyline& polyline);
// The straight runs of a bar: as ExplodePolyline, but a segment whose ends
// coincide (a repeated bar point) is left out, so every line has a length.
// Bent parts given by bulges become their chords.
std::vector<_3dLine> ExplodeReinPolyline(const _2dPolyline& bar);

// ---------------------------------------------------------------------------
// Single lines

// The line oriented so that it runs towards increasing x; a line whose ends
// have the same x within kPointTolerance (vertical) runs towards increasing y.
// Two parallel lines thus come out oriented alike.  A copy; the properties are
// kept.
_2dLine OrientLine(const _2dLine& line);
// The plan line (x and y) of a 3D line, with its properties.
_2dLine To2dLine(const _3dLine& line);

// The lines worth keeping of a set of drawn lines, as the same objects, in
// their order: a line is dropped when it is null, has no length (ends equal),
// or lies wholly on a longer line that is kept (both its ends within
// kPointTolerance of that line), and of lines that are equal (either
// direction) only the first is kept.  Lines that overlap only in part are all
// kept.
std::vector<boost::shared_ptr<_2dLine>> FilterLines(
    const std::vector<boost::shared_ptr<_2dLine>>& lines);

// ---------------------------------------------------------------------------
// Transforms

// Entity::Scale(scale) about the origin, then Entity::Move(offset).
class EntityScaleMoveFunctor {
 public:
  EntityScaleMoveFunctor(double scale, const _3dVector& offset) : m_scale(scale), m_offset(offset) {}
  void operator()(Entity& entity) const;
  template <class T>
  void operator()(const boost::shared_ptr<T>& entity) const {
    if (entity) (*this)(*entity);
  }

 private:
  double m_scale;
  _3dVector m_offset;
};

// A plan line into drawing coordinates: both ends scaled about the origin,
// then turned counter-clockwise about the origin by `rotation` (radians, 0 for
// none), then moved by the offset's x and y.
class LineScaleMoveFunctor {
 public:
  LineScaleMoveFunctor(double scale, const _3dVector& offset, double rotation = 0.0)
      : m_scale(scale), m_offset(offset), m_rotation(rotation) {}
  void operator()(_2dLine& line) const;
  template <class T>
  void operator()(const boost::shared_ptr<T>& line) const {
    if (line) (*this)(*line);
  }
  _2dPoint Map(const _2dPoint& p) const;

 private:
  double m_scale;
  _3dVector m_offset;
  double m_rotation;
};

// Moves points and lines by a fixed vector (a plan vector moves 3D points in
// x and y only).
class TranslateFunctor {
 public:
  explicit TranslateFunctor(const _2dVector& v) : m_v(v.x, v.y, 0.0) {}
  explicit TranslateFunctor(const _3dVector& v) : m_v(v) {}
  void operator()(_2dPoint& p) const { p.x += m_v.x; p.y += m_v.y; }
  void operator()(_3dPoint& p) const { p.x += m_v.x; p.y += m_v.y; p.z += m_v.z; }
  void operator()(_2dLine& line) const;
  void operator()(_3dLine& line) const;
  template <class T>
  void operator()(const boost::shared_ptr<T>& item) const {
    if (item) (*this)(*item);
  }

 private:
  _3dVector m_v;
};

// Which way a frame step maps.
enum class FrameDirection { kWorldToLocal, kLocalToWorld };

// Maps points through a frame (origin, x axis, y axis of any length) with
// g_VekGeometryComm.WorldToLocal3d or LocalToWorld3d.  By default world to
// local: the callers carry model points into a view's or a board's frame.
// Degenerate axes (zero or parallel) map every point to (0, 0, 0), world to
// local, or to the origin, local to world.
class FramePointFunctor {
 public:
  FramePointFunctor(const _3dPoint& origin, const _3dVector& xAxis, const _3dVector& yAxis,
                    FrameDirection direction = FrameDirection::kWorldToLocal)
      : m_origin(origin), m_x(xAxis), m_y(yAxis), m_direction(direction) {}
  _3dPoint Map(const _3dPoint& p) const;
  // In place.
  void operator()(_3dPoint& p) const { p = Map(p); }
  // Every vertex of the polyline, in place (bulges and the rest unchanged).
  void operator()(_2dPolyline& polyline) const;
  template <class T>
  void operator()(const boost::shared_ptr<T>& item) const {
    if (item) (*this)(*item);
  }

 private:
  _3dPoint m_origin;
  _3dVector m_x, m_y;
  FrameDirection m_direction;
};

// Maps both ends of 3D lines through a frame, in place.  By default local to
// world: the caller builds box edges in a board's frame and tests them against
// a plane given in world coordinates.
class FrameLineFunctor {
 public:
  FrameLineFunctor(const _3dPoint& origin, const _3dVector& xAxis, const _3dVector& yAxis,
                   FrameDirection direction = FrameDirection::kLocalToWorld)
      : m_points(origin, xAxis, yAxis, direction) {}
  _3dLine Map(const _3dLine& line) const;
  void operator()(_3dLine& line) const { line = Map(line); }
  template <class T>
  void operator()(const boost::shared_ptr<T>& item) const {
    if (item) (*this)(*item);
  }

 private:
  FramePointFunctor m_points;
};

// ---------------------------------------------------------------------------
// Predicates and orders

// A 3D line touches or crosses the plane through the point with the normal
// (g_VekGeometryComm.IsLineOnPlane); false for a zero normal.
class PlaneLinePredicate {
 public:
  PlaneLinePredicate(const _3dPoint& planePoint, const _3dVector& normal,
                     double tol = kPointTolerance)
      : m_point(planePoint), m_normal(normal), m_tol(tol) {}
  bool operator()(const _3dLine& line) const;
  template <class T>
  bool operator()(const boost::shared_ptr<T>& line) const {
    return line && (*this)(*line);
  }

 private:
  _3dPoint m_point;
  _3dVector m_normal;
  double m_tol;
};

// A strict weak order of plan lines that ignores their direction: each line is
// taken from its lower end to its upper end in _2dPoint::PointOrder (x, then
// y for equal x within the tolerance), and lines compare by their lower ends,
// then by their upper ends.  A line and its reverse are equivalent.  A null
// pointer comes before every line.
struct LessLine {
  bool operator()(const _2dLine& a, const _2dLine& b) const;
  template <class T>
  bool operator()(const boost::shared_ptr<T>& a, const boost::shared_ptr<T>& b) const {
    if (!a || !b) return !a && b;
    return (*this)(*a, *b);
  }
};

// A line equal to the given one in either direction (_2dLine::operator==).
class SameLinePredicate {
 public:
  explicit SameLinePredicate(const _2dLine& line) : m_line(line) {}
  bool operator()(const _2dLine& line) const { return line == m_line; }
  template <class T>
  bool operator()(const boost::shared_ptr<T>& line) const {
    return line && (*this)(*line);
  }

 private:
  _2dLine m_line;
};

// A point strictly left of the directed line, farther than tol from its
// carrier (g_VekGeometryComm.IsCounterClockwise); for an upward line, left is
// smaller x.  A point on the line is neither left nor right; a line without
// length has no sides.  3D points are taken in plan.
class LeftOfLinePredicate {
 public:
  explicit LeftOfLinePredicate(const _2dLine& line, double tol = kPointTolerance)
      : m_start(line.GetStartPoint()), m_end(line.GetEndPoint()), m_tol(tol) {}
  bool operator()(const _2dPoint& p) const;
  bool operator()(const _3dPoint& p) const { return (*this)(_2dPoint(p)); }

 private:
  _2dPoint m_start, m_end;
  double m_tol;
};

// A point strictly right of the directed line (g_VekGeometryComm.IsClockwise);
// the mirror of LeftOfLinePredicate.
class RightOfLinePredicate {
 public:
  explicit RightOfLinePredicate(const _2dLine& line, double tol = kPointTolerance)
      : m_start(line.GetStartPoint()), m_end(line.GetEndPoint()), m_tol(tol) {}
  bool operator()(const _2dPoint& p) const;
  bool operator()(const _3dPoint& p) const { return (*this)(_2dPoint(p)); }

 private:
  _2dPoint m_start, m_end;
  double m_tol;
};

// A line that has the point as its start or its end (kernel point equality).
class EndPointPredicate {
 public:
  explicit EndPointPredicate(const _2dPoint& point) : m_point(point) {}
  bool operator()(const _2dLine& line) const {
    return line.GetStartPoint() == m_point || line.GetEndPoint() == m_point;
  }
  template <class T>
  bool operator()(const boost::shared_ptr<T>& line) const {
    return line && (*this)(*line);
  }

 private:
  _2dPoint m_point;
};

// The line predicates that match a projected bar segment with the drawn lines
// of a board section.  Each is built from one line:
//   LineSelectPredicate(c)  accepts lines parallel to c in either direction
//                           (within g_AngleTolerance): the board lines a bar
//                           segment c may run along;
//   PointLinePredicate(l)   accepts points strictly right of the directed line
//                           l (clockwise of it, beyond the tolerance): a board
//                           line is turned so that the board lies on its right;
//   LinePairPredicate(l)    accepts lines on the same carrier line as l (both
//                           ends within the tolerance of l's unbounded line):
//                           the lines of one board face, as against the lines
//                           of the opposite face.
// Lines without length are accepted by none of them and accept nothing.
class LineSelectPredicate {
 public:
  explicit LineSelectPredicate(const _2dLine& line) : m_line(line) {}
  bool operator()(const _2dLine& line) const;
  template <class T>
  bool operator()(const boost::shared_ptr<T>& line) const {
    return line && (*this)(*line);
  }

 private:
  _2dLine m_line;
};

class PointLinePredicate {
 public:
  explicit PointLinePredicate(const _2dLine& line) : m_right(line) {}
  bool operator()(const _2dPoint& p) const { return m_right(p); }
  bool operator()(const _3dPoint& p) const { return m_right(p); }

 private:
  RightOfLinePredicate m_right;
};

class LinePairPredicate {
 public:
  explicit LinePairPredicate(const _2dLine& line) : m_line(line) {}
  bool operator()(const _2dLine& line) const;
  template <class T>
  bool operator()(const boost::shared_ptr<T>& line) const {
    return line && (*this)(*line);
  }

 private:
  _2dLine m_line;
};
