// Geometry kernel: the comparison and geometry object g_VekGeometryComm.
//
// One stateless object with const members for the tolerant comparisons,
// frames, distances, angles, side tests, intersections, membership tests and
// polygon work that the tank model, the rebar designer and the drawings share.
//
// Conventions that hold for every member:
// - Lengths in model millimetres, angles in radians, x to the right, y up;
//   directions are measured from +x, counter-clockwise positive.
// - A tolerance is a length (mm) unless its name says angle.  Where a member
//   takes a tolerance, leaving it out means kPointTolerance (1e-4): points and
//   coordinates compare equal within 1e-4.  A tolerance of 0 compares exactly.
// - Lines (_2dLine, _3dLine) are segments; the members whose name or comment
//   says "unbounded" work on the infinite carrier line instead.
// - A member that reports failure through a bool leaves its out parameters
//   untouched when it fails.
// - "Degenerate" means a zero vector or a segment whose ends coincide (length
//   not above g_ZeroTolerance); such input never divides by zero: members
//   answer as their comment says.
#pragma once

#include "platform/morlak/entities.h"

#include <vector>

class VekGeometryComm {
 public:
  constexpr VekGeometryComm() = default;

  // -------------------------------------------------------------------------
  // Tolerant scalar comparisons

  // |a - b| <= tol.
  bool Equal(double a, double b, double tol = kPointTolerance) const;
  // a lies below b by more than tol: a < b - tol.
  bool Lessthan(double a, double b, double tol = kPointTolerance) const;
  // a <= b + tol.
  bool Lessthan_Or_Equal(double a, double b, double tol = kPointTolerance) const;
  // a > b + tol.
  bool Greaterthan(double a, double b, double tol = kPointTolerance) const;
  // a >= b - tol.
  bool Greaterthan_Or_Equal(double a, double b, double tol = kPointTolerance) const;

  // -------------------------------------------------------------------------
  // Frames and transforms
  //
  // A frame is an origin and an x and a y axis of any length: a wall's x axis
  // is its end minus its start, a slab's axes are a side and its left-hand
  // perpendicular.  The axes are normalised inside, so local coordinates are
  // model millimetres whatever the axes' lengths.  A y axis not perpendicular
  // to x is orthonormalised against x (its component along x is dropped), so
  // local y is the distance from the x axis within the plane of the two axes.
  // Local z runs along unit(x) × unit(y), the frame's normal.
  // The axes are degenerate when either is a zero vector or they are parallel
  // (the sine of their angle not above g_ZeroTolerance).

  // World point to local (x, y) in the plane; the component along the normal
  // is dropped, so points off the plane map to their orthogonal projection
  // (mapping never fails for them).  Returns false, `local` untouched, for
  // degenerate axes.
  bool WorldToLocal2d(const _3dPoint& origin, const _3dVector& xAxis, const _3dVector& yAxis,
                      const _3dPoint& world, _2dPoint& local) const;
  // The same; (0, 0) for degenerate axes (use the bool form to tell).
  _2dPoint WorldToLocal2d(const _3dPoint& origin, const _3dVector& xAxis, const _3dVector& yAxis,
                          const _3dPoint& world) const;
  // World point to local (x, y, z); false, `local` untouched, for degenerate
  // axes.
  bool WorldToLocal3d(const _3dPoint& origin, const _3dVector& xAxis, const _3dVector& yAxis,
                      const _3dPoint& world, _3dPoint& local) const;
  // The same; (0, 0, 0) for degenerate axes.
  _3dPoint WorldToLocal3d(const _3dPoint& origin, const _3dVector& xAxis, const _3dVector& yAxis,
                          const _3dPoint& world) const;
  // Local (x, y) in the plane to the world point; the origin for degenerate
  // axes.
  _3dPoint LocalToWorld2d(const _3dPoint& origin, const _3dVector& xAxis, const _3dVector& yAxis,
                          const _2dPoint& local) const;
  // Local (x, y, z) to the world point, z along the frame's normal (bar depths
  // +-t/2 - cover); the origin for degenerate axes.
  _3dPoint LocalToWorld3d(const _3dPoint& origin, const _3dVector& xAxis, const _3dVector& yAxis,
                          const _3dPoint& local) const;
  // Orthogonal projection of the point onto the plane through the origin
  // spanned by the two axes; false, `projected` untouched, for degenerate axes.
  bool ProjectToPlane(const _3dPoint& origin, const _3dVector& xAxis, const _3dVector& yAxis,
                      const _3dPoint& point, _3dPoint& projected) const;
  // The plan point (x, y).
  _2dPoint To2dPoint(const _3dPoint& p) const;
  // The outline reduced to plan points: (x, y) of every point, each plan point
  // kept once (a point equal within kPointTolerance to one already kept is
  // dropped), in outline order.  When the kept points all lie on one plan line
  // (a vertical wall or opening outline), the result is the two ends of that
  // line only, ordered along the direction from the first kept point to the
  // second: a wall outline (s, b), (e, b), (e, t), (s, t) gives s, e, also
  // when extra points were inserted on its sides.  A zero-length wall gives
  // one point; an empty outline an empty list.
  std::vector<_2dPoint> GetPlanPoints(const std::vector<_3dPoint>& outline) const;
  // The unit vector; the zero vector for a degenerate one.
  _3dVector Normalize3d(const _3dVector& v) const;
  // a × b, not normalised.
  _3dVector CrossProduct(const _3dVector& a, const _3dVector& b) const;
  // Unit normal of the plane through the points (Newell's method, so any
  // simple polygon works, whatever its convex and collinear vertices); it
  // points to the side from which the points run counter-clockwise.  The zero
  // vector when the points span no plane (fewer than three, or collinear).
  _3dVector GetPlaneNormal(const std::vector<_3dPoint>& points) const;

  // -------------------------------------------------------------------------
  // Distances, midpoints, feet, points along a line, overlaps

  double Distance(const _2dPoint& a, const _2dPoint& b) const;
  double Distance3d(const _3dPoint& a, const _3dPoint& b) const;
  // The distance, with points equal within tol counted as 0 apart.
  double DistanceWithTolerance(const _2dPoint& a, const _2dPoint& b,
                               double tol = kPointTolerance) const;
  // Distance from the point to the unbounded line of the segment (callers test
  // the foot against the segment separately); the distance to the start for a
  // degenerate segment.
  double DistancePointToLine(const _2dPoint& p, const _2dLine& line) const;
  _2dPoint GetMidPoint(const _2dPoint& a, const _2dPoint& b) const;
  _3dPoint GetMidPoint3d(const _3dPoint& a, const _3dPoint& b) const;
  // Foot of the perpendicular from the point on the unbounded line; the start
  // for a degenerate line.
  _2dPoint GetPerpendicularFoot(const _2dPoint& p, const _2dLine& line) const;
  _3dPoint GetPerpendicularFoot3d(const _3dPoint& p, const _3dLine& line) const;
  // Foot on the unbounded line through `start` along `direction` (any length);
  // `start` for a zero direction.
  _2dPoint GetPerpendicularFootByDirection(const _2dPoint& p, const _2dPoint& start,
                                           const _2dVector& direction) const;
  // The point at `distance` from `reference` along the line: the direction is
  // end - start, reversed when the end lies nearer to the reference point than
  // the start, so the point moves away from the line's end nearer to the
  // reference (from one end: towards the other end).  A negative distance
  // goes the other way.  False, `out` untouched, for a degenerate line.
  bool PointAlongLine3d(const _3dLine& line, double distance, const _3dPoint& reference,
                        _3dPoint& out) const;
  // The same in plan.
  bool PointAlongLine3d(const _2dLine& line, double distance, const _2dPoint& reference,
                        _2dPoint& out) const;
  // The common part of two collinear segments (b's ends within tol of a's
  // line), running in a's direction.  False, `overlap` untouched, when they
  // are not collinear, or share no more than a point (an overlap not longer
  // than tol), or a is degenerate.
  bool GetOverlap3d(const _3dLine& a, const _3dLine& b, _3dLine& overlap,
                    double tol = kPointTolerance) const;
  // Whether the segment a1-a2 and b1-b2 overlap in the sense of GetOverlap3d.
  bool GetOverlapByPoints3d(const _3dPoint& a1, const _3dPoint& a2, const _3dPoint& b1,
                            const _3dPoint& b2, double tol = kPointTolerance) const;

  // -------------------------------------------------------------------------
  // Angles and side tests

  // Direction angle of q - p from +x in [0, 2π); 0 when the points coincide.
  double GetAngle(const _2dPoint& p, const _2dPoint& q) const;
  // Counter-clockwise turn from direction a1 to direction a2, in [0, 2π): a
  // direction a quarter turn to the left of a1 gives π/2, one to the right
  // 3π/2.
  double GetSweepAngle(double a1, double a2) const;
  // The angle brought into [0, 2π) (2π itself gives 0).
  double NormalizeAngle(double angle) const;
  // The unsigned angle between two directions given as angles, in [0, π].
  double GetIncludedAngle(double a1, double a2) const;
  // p lies strictly right of the directed line a -> b (clockwise of it): its
  // distance from the line exceeds tol.  False for a point within tol of the
  // unbounded line, and for a degenerate line.
  bool IsClockwise(const _2dPoint& a, const _2dPoint& b, const _2dPoint& p,
                   double tol = kPointTolerance) const;
  // p lies strictly left of a -> b; the mirror of IsClockwise, so a point on
  // the line is neither.
  bool IsCounterClockwise(const _2dPoint& a, const _2dPoint& b, const _2dPoint& p,
                          double tol = kPointTolerance) const;

  // -------------------------------------------------------------------------
  // Parallel, perpendicular, collinear and same-line tests

  // The directions are parallel in either orientation: the angle between them
  // is within angleTol of 0 or π.  False when either is degenerate.
  bool IsParallel(const _2dLine& a, const _2dLine& b, double angleTol = g_AngleTolerance) const;
  bool IsParallel3d(const _3dVector& a, const _3dVector& b,
                    double angleTol = g_AngleTolerance) const;
  bool IsParallel3d(const _3dLine& line, const _3dVector& v,
                    double angleTol = g_AngleTolerance) const;
  // The angle between the directions is within angleTol of π/2.  False when
  // either is degenerate.
  bool IsPerpendicular(const _3dVector& a, const _3dVector& b,
                       double angleTol = g_AngleTolerance) const;
  bool IsPerpendicular(const _3dLine& line, const _3dVector& v,
                       double angleTol = g_AngleTolerance) const;
  // p lies within tol of the unbounded line through a and b (within tol of a
  // when a and b coincide).
  bool IsCollinear(const _2dPoint& a, const _2dPoint& b, const _2dPoint& p,
                   double tol = kPointTolerance) const;
  // Two 3D segments are the same line when they lie on one carrier line (both
  // ends of each within tol of the other's line, either orientation, any
  // lengths) or when one is the other moved (end - start equal within tol).
  // Both readings are needed: walking a bar chain, the first pair of
  // neighbouring segments that is not the same line spans a plane, which
  // needs collinear neighbours to pass; grouping the bars of a zone by shape,
  // the upper and lower bars of a hole detail lie apart and must still match
  // as copies of one another.  A degenerate segment is the same line as
  // another only when their ends coincide.
  bool IsSameLine(const _3dLine& a, const _3dLine& b, double tol = kPointTolerance) const;

  // -------------------------------------------------------------------------
  // Intersections
  //
  // Two lines count as parallel for an intersection when their separation
  // changes by no more than tol over the longer segment (sine of the angle ×
  // longer length <= tol): the point would be meaningless or far away.

  // Intersection of the unbounded lines (corners beyond the segments are
  // found).  False for parallel lines (collinear ones included) and for a
  // degenerate line; `out` is then untouched.
  bool IntersectLines(const _2dLine& a, const _2dLine& b, _2dPoint& out,
                      double tol = kPointTolerance) const;
  // The same for the lines through a1, a2 and through b1, b2.
  bool IntersectLinesByPoints(const _2dPoint& a1, const _2dPoint& a2, const _2dPoint& b1,
                              const _2dPoint& b2, _2dPoint& out,
                              double tol = kPointTolerance) const;
  // Intersection of the unbounded 3D lines through a1, a2 and b1, b2: the
  // lines must pass within tol of each other (nearly meeting lines are
  // admitted); `out` is the midpoint of their closest points.  False for
  // parallel, skew (farther apart than tol) or degenerate lines.
  bool IntersectLinesByPoints3d(const _3dPoint& a1, const _3dPoint& a2, const _3dPoint& b1,
                                const _3dPoint& b2, _3dPoint& out,
                                double tol = kPointTolerance) const;
  // Bounded: the two segments come within tol of each other (touching ends
  // included); `out` is the midpoint of their closest points.  False for
  // parallel (also overlapping collinear) and degenerate segments.
  bool IntersectLines3d(const _3dLine& a, const _3dLine& b, _3dPoint& out,
                        double tol = kPointTolerance) const;
  // Intersection of the unbounded line with the plane through planePoint with
  // the given normal (any length).  A line lying in the plane (both ends
  // within tol of it) meets it everywhere: `out` is the line's start.  False
  // for a line parallel to the plane and off it (the cosine of its angle with
  // the plane's normal not above g_ZeroTolerance), a degenerate line off the
  // plane, or a zero normal.
  bool IntersectLinePlane(const _3dLine& line, const _3dPoint& planePoint,
                          const _3dVector& normal, _3dPoint& out,
                          double tol = kPointTolerance) const;
  bool IntersectLinePlane(const _3dPoint& p1, const _3dPoint& p2, const _3dPoint& planePoint,
                          const _3dVector& normal, _3dPoint& out,
                          double tol = kPointTolerance) const;
  // The closed segments meet: they cross, touch (an end on the other segment,
  // ends meeting) or overlap, all within tol.
  bool LinesIntersect(const _2dLine& a, const _2dLine& b, double tol = kPointTolerance) const;
  // The same test (the name the section drawings use).
  bool IsLinesIntersect(const _2dLine& a, const _2dLine& b,
                        double tol = kPointTolerance) const;
  // The segment meets the polyline in plan (vertex x and y; the closing side
  // of a closed polyline included; bulged sides as their arcs), within tol.
  bool IsLineCrossingPolyline(const _2dLine& line, const _2dPolyline& polyline,
                              double tol = kPointTolerance) const;
  // The segment meets the closed polygon (a repeated closing point is
  // allowed): it crosses or touches the boundary within tol, or lies inside.
  bool IsLineCrossingPolygon(const _2dLine& line, const std::vector<_2dPoint>& polygon,
                             double tol = kPointTolerance) const;
  // The common line of the planes of two outlines.  `point` and `direction`
  // span it over both outlines: the segment from `point` to `point +
  // direction` covers the orthogonal projections of every outline point on
  // the line, both in space and in plan, so a plan test of that segment
  // against either plan outline answers for the whole line.  `point` is the
  // start of that span.  False, the outs untouched, when either outline spans
  // no plane or the planes are parallel within tol (sine of their angle ×
  // the larger outline's size <= tol).
  bool IntersectPolygonPlanes(const std::vector<_3dPoint>& a, const std::vector<_3dPoint>& b,
                              _3dPoint& point, _3dVector& direction,
                              double tol = kPointTolerance) const;

  // -------------------------------------------------------------------------
  // Point and line membership tests

  // The point lies on the closed segment: within tol of it, ends included.
  bool IsPointOnLine(const _2dLine& line, const _2dPoint& p, double tol = kPointTolerance) const;
  bool IsPointOnLine(const _2dPoint& start, const _2dPoint& end, const _2dPoint& p,
                     double tol = kPointTolerance) const;
  // The same test (both names are segment tests).
  bool IsPointOnSegment(const _2dLine& line, const _2dPoint& p,
                        double tol = kPointTolerance) const;
  bool IsPointOnSegment(const _2dPoint& start, const _2dPoint& end, const _2dPoint& p,
                        double tol = kPointTolerance) const;
  // The point lies within tol of the unbounded line through start and end
  // (of start when they coincide).
  bool IsPointOnLine3d(const _3dPoint& start, const _3dPoint& end, const _3dPoint& p,
                       double tol = kPointTolerance) const;
  // The point lies within tol of the closed segment.
  bool IsPointOnSegment3d(const _3dPoint& start, const _3dPoint& end, const _3dPoint& p,
                          double tol = kPointTolerance) const;
  // The point lies within tol of the plane; false for a zero normal.
  bool IsPointOnPlane(const _3dPoint& planePoint, const _3dVector& normal, const _3dPoint& p,
                      double tol = kPointTolerance) const;
  // The closed segment touches or crosses the plane: an end within tol of it,
  // or the ends on opposite sides.  A segment lying in the plane passes, and
  // so does one that meets it in a single point.  False for a zero normal.
  bool IsLineOnPlane(const _3dLine& line, const _3dPoint& planePoint, const _3dVector& normal,
                     double tol = kPointTolerance) const;
  // The box contains the point in plan (x and y, borders included within
  // tol); false for an empty box.
  bool IsPointInExtents(const Extents& extents, const _3dPoint& p,
                        double tol = kPointTolerance) const;
  bool IsPointInExtents(const Extents& extents, const _2dPoint& p,
                        double tol = kPointTolerance) const;

  // -------------------------------------------------------------------------
  // Polygons and outlines
  //
  // Polygons are point lists, closed implicitly; a last point repeating the
  // first is allowed and ignored.

  // Signed area: positive for points running counter-clockwise, negative for
  // clockwise, 0 for fewer than three points.
  double GetArea(const std::vector<_2dPoint>& polygon) const;
  // The mean of the points; (0, 0) for an empty list.
  _2dPoint GetCenter(const std::vector<_2dPoint>& points) const;
  // The area centroid of the polygon.  False, `centroid` untouched, when it
  // cannot be formed: fewer than three points, or an area not above
  // g_ZeroTolerance.
  bool GetCentroid(const std::vector<_2dPoint>& polygon, _2dPoint& centroid) const;
  // The same in plan for 3D points (x and y of the plan centroid; z the mean
  // z of the points).
  bool GetCentroid(const std::vector<_3dPoint>& polygon, _3dPoint& centroid) const;
  // 1 inside, -1 outside, 0 on the boundary (within tol of a side).  The point
  // is tested in the polygon's own plane; a point farther than tol from that
  // plane is outside.  A polygon that spans no plane has no inside: 0 on its
  // sides, -1 elsewhere.
  int PointInPolygon(const std::vector<_3dPoint>& polygon, const _3dPoint& p,
                     double tol = kPointTolerance) const;
  // The same in 2D (either orientation).
  int PointInPolygon2d(const std::vector<_2dPoint>& polygon, const _2dPoint& p,
                       double tol = kPointTolerance) const;
  // How two plan outlines lie to each other: -1 apart (farther than tol), 0
  // touching only (common boundary or a common area no larger than a strip
  // tol wide along the boundary), 1 overlapping, 2 the first within the
  // second (also for equal outlines), 3 the second within the first.  So 0
  // and -1 mean "no overlap", as the slab conflict check needs.  An outline
  // that spans no area overlaps nothing: 0 when within tol of the other, else
  // -1.
  int GetPolygonRelation(const std::vector<_2dPoint>& a, const std::vector<_2dPoint>& b,
                         double tol = kPointTolerance) const;
  // The rectangle around the outline with sides along the direction: corners
  // counter-clockwise, c0 at (least along, least across), c1 (most along,
  // least across), c2 (most along, most across), c3 (least along, most
  // across), "across" being the direction turned by +π/2.  So c0-c1 runs along
  // the direction and c2 - c1 across it.  False, `corners` untouched, for an
  // empty outline or a zero direction.
  bool GetBoundingRectangle(const std::vector<_2dPoint>& outline, const _2dVector& direction,
                            std::vector<_2dPoint>& corners) const;
  // Orders lines given in any order and orientation into a point chain: it
  // starts with the first line, extends at its end and then at its start by
  // any line with an end equal (within tol) to the chain's open end, and
  // stops when no line continues it.  A chain that closes gives each corner
  // once (the first point is not repeated).  Lines that the chain does not
  // reach are left out.
  std::vector<_3dPoint> ChainLines(const std::vector<_3dLine>& lines,
                                   double tol = kPointTolerance) const;
  // Cuts a board outline (world points in the board's plane, closed
  // implicitly) with the plane through planePoint with normal planeNormal, in
  // the board frame (origin, x and y axis).  `segments` is cleared and gets
  // the parts of the cut line that lie in the outline (inside or along its
  // boundary, each longer than tol), in world points, all running along
  // (x × y) × planeNormal and ordered along that direction.  Returns whether
  // any segment results; false also when the plane is parallel to the board
  // or the frame is degenerate.
  bool CutOutlineByPlane(const std::vector<_3dPoint>& outline, const _3dPoint& origin,
                         const _3dVector& xAxis, const _3dVector& yAxis,
                         const _3dPoint& planePoint, const _3dVector& planeNormal,
                         std::vector<_3dLine>& segments, double tol = kPointTolerance) const;
};

// The kernel's one comparison and geometry object.
extern const VekGeometryComm g_VekGeometryComm;
