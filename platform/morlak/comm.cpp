// Geometry kernel: the comparison and geometry object.
//
// The arithmetic runs on plain coordinate structs so that it needs nothing
// beyond the inline parts of the value types.  Area, centroid, point in
// polygon and the overlay of two outlines come from Boost.Geometry; the
// tolerance rules the callers rely on (boundary bands, touching, parallel
// lines) are applied around it here.
#include "platform/morlak/comm.h"

// GCC 12 warns, wrongly, that a rescale factor inside Boost's polygon overlay
// may be used uninitialised; the warning belongs to those headers.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <boost/geometry.hpp>
#include <boost/geometry/geometries/multi_polygon.hpp>
#include <boost/geometry/geometries/point_xy.hpp>
#include <boost/geometry/geometries/polygon.hpp>
#include <boost/geometry/geometries/ring.hpp>
#pragma GCC diagnostic pop

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

const VekGeometryComm g_VekGeometryComm{};

namespace {

namespace bg = boost::geometry;

constexpr double kPi = std::numbers::pi;
constexpr double kTwoPi = 2.0 * std::numbers::pi;

// ---------------------------------------------------------------------------
// Plain coordinates

struct V2 {
  double x = 0.0, y = 0.0;
};
V2 operator+(V2 a, V2 b) { return {a.x + b.x, a.y + b.y}; }
V2 operator-(V2 a, V2 b) { return {a.x - b.x, a.y - b.y}; }
V2 operator*(V2 a, double f) { return {a.x * f, a.y * f}; }
double Dot(V2 a, V2 b) { return a.x * b.x + a.y * b.y; }
double Cross(V2 a, V2 b) { return a.x * b.y - a.y * b.x; }
double Len(V2 a) { return std::hypot(a.x, a.y); }
V2 P2(const _2dPoint& p) { return {p.x, p.y}; }
V2 P2(const _2dVector& v) { return {v.x, v.y}; }
_2dPoint ToPoint(V2 a) { return {a.x, a.y}; }

struct V3 {
  double x = 0.0, y = 0.0, z = 0.0;
};
V3 operator+(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
V3 operator-(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
V3 operator*(V3 a, double f) { return {a.x * f, a.y * f, a.z * f}; }
double Dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V3 Cross(V3 a, V3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double Len(V3 a) { return std::sqrt(Dot(a, a)); }
V3 P3(const _3dPoint& p) { return {p.x, p.y, p.z}; }
V3 P3(const _3dVector& v) { return {v.x, v.y, v.z}; }
_3dPoint ToPoint(V3 a) { return {a.x, a.y, a.z}; }
_3dVector ToVector(V3 a) { return {a.x, a.y, a.z}; }

bool IsDegenerate(double length) { return !(length > g_ZeroTolerance); }

// The unit vector, or false for a degenerate one.
bool Unit(V3 v, V3& unit) {
  double len = Len(v);
  if (IsDegenerate(len)) return false;
  unit = v * (1.0 / len);
  return true;
}

// ---------------------------------------------------------------------------
// Frames

struct Frame {
  V3 origin, ex, ey, ez;
  V3 ToLocal(V3 world) const {
    V3 d = world - origin;
    return {Dot(d, ex), Dot(d, ey), Dot(d, ez)};
  }
  V3 ToWorld(V3 local) const { return origin + ex * local.x + ey * local.y + ez * local.z; }
};

// An orthonormal frame from an origin and two axes of any length; y is
// orthonormalised against x.  False for zero or parallel axes.
bool MakeFrame(const _3dPoint& origin, const _3dVector& xAxis, const _3dVector& yAxis, Frame& f) {
  V3 ex, uy;
  if (!Unit(P3(xAxis), ex) || !Unit(P3(yAxis), uy)) return false;
  V3 ez = Cross(ex, uy);
  double s = Len(ez);
  if (!(s > g_ZeroTolerance)) return false;
  f.origin = P3(origin);
  f.ex = ex;
  f.ez = ez * (1.0 / s);
  f.ey = Cross(f.ez, ex);
  return true;
}

// ---------------------------------------------------------------------------
// Distances to segments and lines

// Parameter in [0, 1] of the point of segment a-b nearest to p.
double SegmentParameter(V2 p, V2 a, V2 b) {
  V2 d = b - a;
  double l2 = Dot(d, d);
  if (l2 == 0.0) return 0.0;
  return std::clamp(Dot(p - a, d) / l2, 0.0, 1.0);
}
double DistPointSegment(V2 p, V2 a, V2 b) { return Len(p - (a + (b - a) * SegmentParameter(p, a, b))); }

double DistPointSegment(V3 p, V3 a, V3 b) {
  V3 d = b - a;
  double l2 = Dot(d, d);
  double t = l2 == 0.0 ? 0.0 : std::clamp(Dot(p - a, d) / l2, 0.0, 1.0);
  return Len(p - (a + d * t));
}

// Distance from p to the unbounded line through a and b; to a when they
// coincide.
double DistPointLine(V2 p, V2 a, V2 b) {
  V2 d = b - a;
  double len = Len(d);
  if (IsDegenerate(len)) return Len(p - a);
  return std::fabs(Cross(d, p - a)) / len;
}
double DistPointLine(V3 p, V3 a, V3 b) {
  V3 d = b - a;
  double len = Len(d);
  if (IsDegenerate(len)) return Len(p - a);
  return Len(Cross(d, p - a)) / len;
}

// The closed segments a1-a2 and b1-b2 come within tol of each other.
bool SegmentsMeet(V2 a1, V2 a2, V2 b1, V2 b2, double tol) {
  double o1 = Cross(a2 - a1, b1 - a1), o2 = Cross(a2 - a1, b2 - a1);
  double o3 = Cross(b2 - b1, a1 - b1), o4 = Cross(b2 - b1, a2 - b1);
  if (((o1 < 0 && o2 > 0) || (o1 > 0 && o2 < 0)) && ((o3 < 0 && o4 > 0) || (o3 > 0 && o4 < 0)))
    return true;
  return DistPointSegment(a1, b1, b2) <= tol || DistPointSegment(a2, b1, b2) <= tol ||
         DistPointSegment(b1, a1, a2) <= tol || DistPointSegment(b2, a1, a2) <= tol;
}

// Two directions count as parallel for an intersection when the separation
// of their lines changes by no more than tol over the longer segment.
bool NearlyParallel(double sine, double longer, double tol) { return sine == 0.0 || sine * longer <= tol; }

// ---------------------------------------------------------------------------
// Arcs of bulged polyline sides

struct Arc {
  V2 center;
  double radius = 0.0;
  double start = 0.0;  // angle of the first end, [0, 2π)
  double sweep = 0.0;  // signed: positive counter-clockwise
  V2 a, b;             // the two ends
};

double Normalize(double angle) {
  if (!std::isfinite(angle)) return angle;
  double r = std::fmod(angle, kTwoPi);
  if (r < 0.0) r += kTwoPi;
  if (r >= kTwoPi) r = 0.0;
  return r;
}

// The arc from a to b with the bulge (tan of a quarter of the sweep; positive
// turns counter-clockwise, the arc then lies right of the chord).
Arc MakeArc(V2 a, V2 b, double bulge) {
  Arc arc;
  arc.a = a;
  arc.b = b;
  V2 chord = b - a;
  double len = Len(chord);
  V2 mid = (a + b) * 0.5;
  V2 left{-chord.y / len, chord.x / len};
  arc.center = mid + left * (0.5 * len * (1.0 - bulge * bulge) / (2.0 * bulge));
  arc.radius = 0.25 * len * (1.0 + bulge * bulge) / std::fabs(bulge);
  arc.start = Normalize(std::atan2(a.y - arc.center.y, a.x - arc.center.x));
  arc.sweep = 4.0 * std::atan(bulge);
  return arc;
}

// Whether the direction from the centre to p lies within the arc's sweep.
bool WithinSweep(const Arc& arc, V2 p) {
  double ang = Normalize(std::atan2(p.y - arc.center.y, p.x - arc.center.x));
  double turn = arc.sweep >= 0.0 ? Normalize(ang - arc.start) : Normalize(arc.start - ang);
  return turn <= std::fabs(arc.sweep);
}

double DistPointArc(V2 p, const Arc& arc) {
  if (WithinSweep(arc, p)) return std::fabs(Len(p - arc.center) - arc.radius);
  return std::min(Len(p - arc.a), Len(p - arc.b));
}

// The closed segment s1-s2 comes within tol of the arc.
bool SegmentMeetsArc(V2 s1, V2 s2, const Arc& arc, double tol) {
  if (DistPointArc(s1, arc) <= tol || DistPointArc(s2, arc) <= tol ||
      DistPointSegment(arc.a, s1, s2) <= tol || DistPointSegment(arc.b, s1, s2) <= tol)
    return true;
  V2 d = s2 - s1;
  double l2 = Dot(d, d);
  if (l2 == 0.0) return false;
  // Crossings of the segment with the circle.
  V2 f = s1 - arc.center;
  double bq = Dot(f, d), cq = Dot(f, f) - arc.radius * arc.radius;
  double disc = bq * bq - l2 * cq;
  if (disc >= 0.0) {
    double root = std::sqrt(disc);
    for (double t : {(-bq - root) / l2, (-bq + root) / l2}) {
      if (t >= 0.0 && t <= 1.0 && WithinSweep(arc, s1 + d * t)) return true;
    }
  }
  // A segment that passes just outside the arc comes nearest where the
  // perpendicular from the centre meets it.
  double t = Dot(arc.center - s1, d) / l2;
  if (t > 0.0 && t < 1.0) {
    V2 foot = s1 + d * t;
    if (WithinSweep(arc, foot) && std::fabs(Len(foot - arc.center) - arc.radius) <= tol) return true;
  }
  return false;
}

// ---------------------------------------------------------------------------
// Polygons

// The polygon's points without a last point repeating the first.
std::vector<V2> OpenRing(const std::vector<_2dPoint>& polygon) {
  std::vector<V2> ring;
  ring.reserve(polygon.size());
  for (const _2dPoint& p : polygon) ring.push_back(P2(p));
  while (ring.size() > 1 && Len(ring.back() - ring.front()) <= kPointTolerance) ring.pop_back();
  return ring;
}

using BPoint = bg::model::d2::point_xy<double>;
using BRing = bg::model::ring<BPoint, false, false>;  // counter-clockwise, open
using BPolygon = bg::model::polygon<BPoint, false, true>;
using BMultiPolygon = bg::model::multi_polygon<BPolygon>;

BRing ToBoostRing(const std::vector<V2>& ring) {
  BRing r;
  for (V2 p : ring) r.push_back(BPoint(p.x, p.y));
  return r;
}

BPolygon ToBoostPolygon(const std::vector<V2>& ring) {
  BPolygon poly;
  for (V2 p : ring) poly.outer().push_back(BPoint(p.x, p.y));
  bg::correct(poly);  // closes it and turns it counter-clockwise
  return poly;
}

double SignedArea(const std::vector<V2>& ring) {
  if (ring.size() < 3) return 0.0;
  return bg::area(ToBoostRing(ring));
}

// Area of the intersection of two outlines.  Boost's overlay may throw for
// outlines that cross themselves.
double CommonArea(const std::vector<V2>& a, const std::vector<V2>& b) {
  BMultiPolygon inter;
  bg::intersection(ToBoostPolygon(a), ToBoostPolygon(b), inter);
  return bg::area(inter);
}

double Perimeter(const std::vector<V2>& ring) {
  double sum = 0.0;
  for (std::size_t i = 0; i < ring.size(); ++i) sum += Len(ring[(i + 1) % ring.size()] - ring[i]);
  return sum;
}

bool NearBoundary(const std::vector<V2>& ring, V2 p, double tol) {
  if (ring.size() == 1) return Len(p - ring[0]) <= tol;
  for (std::size_t i = 0; i < ring.size(); ++i) {
    if (DistPointSegment(p, ring[i], ring[(i + 1) % ring.size()]) <= tol) return true;
  }
  return false;
}

// 1 inside, -1 outside, 0 within tol of the boundary.
int PointInRing(const std::vector<V2>& ring, V2 p, double tol) {
  if (ring.empty()) return -1;
  if (NearBoundary(ring, p, tol)) return 0;
  if (ring.size() < 3) return -1;
  return bg::within(BPoint(p.x, p.y), ToBoostPolygon(ring)) ? 1 : -1;
}

bool RingsMeet(const std::vector<V2>& a, const std::vector<V2>& b, double tol) {
  for (std::size_t i = 0; i < a.size(); ++i) {
    V2 a1 = a[i], a2 = a[(i + 1) % a.size()];
    for (std::size_t j = 0; j < b.size(); ++j) {
      if (SegmentsMeet(a1, a2, b[j], b[(j + 1) % b.size()], tol)) return true;
    }
  }
  return false;
}

// Newell's normal of a polygon (length twice its area), and the mean point.
V3 NewellNormal(const std::vector<_3dPoint>& points, V3* mean = nullptr) {
  V3 n, sum;
  for (std::size_t i = 0; i < points.size(); ++i) {
    V3 p = P3(points[i]), q = P3(points[(i + 1) % points.size()]);
    n.x += (p.y - q.y) * (p.z + q.z);
    n.y += (p.z - q.z) * (p.x + q.x);
    n.z += (p.x - q.x) * (p.y + q.y);
    sum = sum + p;
  }
  if (mean && !points.empty()) *mean = sum * (1.0 / static_cast<double>(points.size()));
  return n;
}

double BoxDiagonal(const std::vector<_3dPoint>& points) {
  if (points.empty()) return 0.0;
  V3 lo = P3(points[0]), hi = lo;
  for (const _3dPoint& p : points) {
    lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
    hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
  }
  return Len(hi - lo);
}

}  // namespace

// ---------------------------------------------------------------------------
// Tolerant scalar comparisons

bool VekGeometryComm::Equal(double a, double b, double tol) const { return std::fabs(a - b) <= tol; }
bool VekGeometryComm::Lessthan(double a, double b, double tol) const { return a < b - tol; }
bool VekGeometryComm::Lessthan_Or_Equal(double a, double b, double tol) const { return a <= b + tol; }
bool VekGeometryComm::Greaterthan(double a, double b, double tol) const { return a > b + tol; }
bool VekGeometryComm::Greaterthan_Or_Equal(double a, double b, double tol) const { return a >= b - tol; }

// ---------------------------------------------------------------------------
// Frames and transforms

bool VekGeometryComm::WorldToLocal2d(const _3dPoint& origin, const _3dVector& xAxis,
                                     const _3dVector& yAxis, const _3dPoint& world,
                                     _2dPoint& local) const {
  Frame f;
  if (!MakeFrame(origin, xAxis, yAxis, f)) return false;
  V3 l = f.ToLocal(P3(world));
  local = {l.x, l.y};
  return true;
}

_2dPoint VekGeometryComm::WorldToLocal2d(const _3dPoint& origin, const _3dVector& xAxis,
                                         const _3dVector& yAxis, const _3dPoint& world) const {
  _2dPoint local;
  WorldToLocal2d(origin, xAxis, yAxis, world, local);
  return local;
}

bool VekGeometryComm::WorldToLocal3d(const _3dPoint& origin, const _3dVector& xAxis,
                                     const _3dVector& yAxis, const _3dPoint& world,
                                     _3dPoint& local) const {
  Frame f;
  if (!MakeFrame(origin, xAxis, yAxis, f)) return false;
  local = ToPoint(f.ToLocal(P3(world)));
  return true;
}

_3dPoint VekGeometryComm::WorldToLocal3d(const _3dPoint& origin, const _3dVector& xAxis,
                                         const _3dVector& yAxis, const _3dPoint& world) const {
  _3dPoint local;
  WorldToLocal3d(origin, xAxis, yAxis, world, local);
  return local;
}

_3dPoint VekGeometryComm::LocalToWorld2d(const _3dPoint& origin, const _3dVector& xAxis,
                                         const _3dVector& yAxis, const _2dPoint& local) const {
  return LocalToWorld3d(origin, xAxis, yAxis, _3dPoint(local.x, local.y, 0.0));
}

_3dPoint VekGeometryComm::LocalToWorld3d(const _3dPoint& origin, const _3dVector& xAxis,
                                         const _3dVector& yAxis, const _3dPoint& local) const {
  Frame f;
  if (!MakeFrame(origin, xAxis, yAxis, f)) return origin;
  return ToPoint(f.ToWorld(P3(local)));
}

bool VekGeometryComm::ProjectToPlane(const _3dPoint& origin, const _3dVector& xAxis,
                                     const _3dVector& yAxis, const _3dPoint& point,
                                     _3dPoint& projected) const {
  Frame f;
  if (!MakeFrame(origin, xAxis, yAxis, f)) return false;
  V3 l = f.ToLocal(P3(point));
  projected = ToPoint(f.ToWorld({l.x, l.y, 0.0}));
  return true;
}

_2dPoint VekGeometryComm::To2dPoint(const _3dPoint& p) const { return {p.x, p.y}; }

std::vector<_2dPoint> VekGeometryComm::GetPlanPoints(const std::vector<_3dPoint>& outline) const {
  std::vector<V2> kept;
  for (const _3dPoint& p : outline) {
    V2 q{p.x, p.y};
    bool seen = std::any_of(kept.begin(), kept.end(), [&](V2 k) {
      return std::fabs(k.x - q.x) <= kPointTolerance && std::fabs(k.y - q.y) <= kPointTolerance;
    });
    if (!seen) kept.push_back(q);
  }
  std::vector<_2dPoint> result;
  if (kept.size() >= 3) {
    // All on one plan line: keep its two ends.  The line is taken through the
    // point farthest from the first, which is the best-conditioned choice.
    V2 far = kept[1];
    for (V2 k : kept) {
      if (Len(k - kept[0]) > Len(far - kept[0])) far = k;
    }
    bool collinear = std::all_of(kept.begin(), kept.end(),
                                 [&](V2 k) { return DistPointLine(k, kept[0], far) <= kPointTolerance; });
    if (collinear) {
      V2 dir = far - kept[0];
      if (Dot(dir, kept[1] - kept[0]) < 0.0) dir = dir * -1.0;
      V2 lo = kept[0], hi = kept[0];
      for (V2 k : kept) {
        if (Dot(k - kept[0], dir) < Dot(lo - kept[0], dir)) lo = k;
        if (Dot(k - kept[0], dir) > Dot(hi - kept[0], dir)) hi = k;
      }
      return {ToPoint(lo), ToPoint(hi)};
    }
  }
  for (V2 k : kept) result.push_back(ToPoint(k));
  return result;
}

_3dVector VekGeometryComm::Normalize3d(const _3dVector& v) const {
  V3 u;
  if (!Unit(P3(v), u)) return _3dVector(0, 0, 0);
  return ToVector(u);
}

_3dVector VekGeometryComm::CrossProduct(const _3dVector& a, const _3dVector& b) const {
  return ToVector(Cross(P3(a), P3(b)));
}

_3dVector VekGeometryComm::GetPlaneNormal(const std::vector<_3dPoint>& points) const {
  V3 u;
  if (points.size() < 3 || !Unit(NewellNormal(points), u)) return _3dVector(0, 0, 0);
  return ToVector(u);
}

// ---------------------------------------------------------------------------
// Distances, midpoints, feet, points along a line, overlaps

double VekGeometryComm::Distance(const _2dPoint& a, const _2dPoint& b) const { return Len(P2(b) - P2(a)); }

double VekGeometryComm::Distance3d(const _3dPoint& a, const _3dPoint& b) const { return Len(P3(b) - P3(a)); }

double VekGeometryComm::DistanceWithTolerance(const _2dPoint& a, const _2dPoint& b, double tol) const {
  double d = Distance(a, b);
  return d <= tol ? 0.0 : d;
}

double VekGeometryComm::DistancePointToLine(const _2dPoint& p, const _2dLine& line) const {
  return DistPointLine(P2(p), P2(line.GetStartPoint()), P2(line.GetEndPoint()));
}

_2dPoint VekGeometryComm::GetMidPoint(const _2dPoint& a, const _2dPoint& b) const {
  return ToPoint((P2(a) + P2(b)) * 0.5);
}

_3dPoint VekGeometryComm::GetMidPoint3d(const _3dPoint& a, const _3dPoint& b) const {
  return ToPoint((P3(a) + P3(b)) * 0.5);
}

_2dPoint VekGeometryComm::GetPerpendicularFoot(const _2dPoint& p, const _2dLine& line) const {
  return GetPerpendicularFootByDirection(p, line.GetStartPoint(),
                                         _2dVector(line.GetEndPoint().x - line.GetStartPoint().x,
                                                   line.GetEndPoint().y - line.GetStartPoint().y));
}

_3dPoint VekGeometryComm::GetPerpendicularFoot3d(const _3dPoint& p, const _3dLine& line) const {
  V3 a = P3(line.GetStartPoint()), d = P3(line.GetEndPoint()) - a;
  double l2 = Dot(d, d);
  if (IsDegenerate(std::sqrt(l2))) return line.GetStartPoint();
  return ToPoint(a + d * (Dot(P3(p) - a, d) / l2));
}

_2dPoint VekGeometryComm::GetPerpendicularFootByDirection(const _2dPoint& p, const _2dPoint& start,
                                                          const _2dVector& direction) const {
  V2 a = P2(start), d = P2(direction);
  double l2 = Dot(d, d);
  if (IsDegenerate(std::sqrt(l2))) return start;
  return ToPoint(a + d * (Dot(P2(p) - a, d) / l2));
}

bool VekGeometryComm::PointAlongLine3d(const _3dLine& line, double distance, const _3dPoint& reference,
                                       _3dPoint& out) const {
  V3 s = P3(line.GetStartPoint()), e = P3(line.GetEndPoint()), r = P3(reference);
  V3 u;
  if (!Unit(e - s, u)) return false;
  if (Lessthan(Len(e - r), Len(s - r))) u = u * -1.0;
  out = ToPoint(r + u * distance);
  return true;
}

bool VekGeometryComm::PointAlongLine3d(const _2dLine& line, double distance, const _2dPoint& reference,
                                       _2dPoint& out) const {
  _3dPoint p;
  if (!PointAlongLine3d(_3dLine(_3dPoint(line.GetStartPoint()), _3dPoint(line.GetEndPoint())), distance,
                        _3dPoint(reference), p))
    return false;
  out = {p.x, p.y};
  return true;
}

bool VekGeometryComm::GetOverlap3d(const _3dLine& a, const _3dLine& b, _3dLine& overlap, double tol) const {
  V3 as = P3(a.GetStartPoint()), ae = P3(a.GetEndPoint());
  V3 bs = P3(b.GetStartPoint()), be = P3(b.GetEndPoint());
  V3 u;
  if (!Unit(ae - as, u)) return false;
  if (DistPointLine(bs, as, ae) > tol || DistPointLine(be, as, ae) > tol) return false;
  double length = Len(ae - as);
  double tb0 = Dot(bs - as, u), tb1 = Dot(be - as, u);
  double lo = std::max(0.0, std::min(tb0, tb1));
  double hi = std::min(length, std::max(tb0, tb1));
  if (!(hi - lo > tol)) return false;
  overlap = _3dLine(lo == 0.0 ? a.GetStartPoint() : ToPoint(as + u * lo),
                    hi == length ? a.GetEndPoint() : ToPoint(as + u * hi));
  return true;
}

bool VekGeometryComm::GetOverlapByPoints3d(const _3dPoint& a1, const _3dPoint& a2, const _3dPoint& b1,
                                           const _3dPoint& b2, double tol) const {
  _3dLine overlap;
  return GetOverlap3d(_3dLine(a1, a2), _3dLine(b1, b2), overlap, tol);
}

// ---------------------------------------------------------------------------
// Angles and side tests

double VekGeometryComm::GetAngle(const _2dPoint& p, const _2dPoint& q) const {
  double dx = q.x - p.x, dy = q.y - p.y;
  if (dx == 0.0 && dy == 0.0) return 0.0;
  return Normalize(std::atan2(dy, dx));
}

double VekGeometryComm::GetSweepAngle(double a1, double a2) const { return Normalize(a2 - a1); }

double VekGeometryComm::NormalizeAngle(double angle) const { return Normalize(angle); }

double VekGeometryComm::GetIncludedAngle(double a1, double a2) const {
  double d = Normalize(a2 - a1);
  return d > kPi ? kTwoPi - d : d;
}

namespace {
// Signed distance of p from the directed line a -> b (positive on the left);
// false for a degenerate line.
bool SideDistance(const _2dPoint& a, const _2dPoint& b, const _2dPoint& p, double& dist) {
  V2 d = P2(b) - P2(a);
  double len = Len(d);
  if (IsDegenerate(len)) return false;
  dist = Cross(d, P2(p) - P2(a)) / len;
  return true;
}
}  // namespace

bool VekGeometryComm::IsClockwise(const _2dPoint& a, const _2dPoint& b, const _2dPoint& p, double tol) const {
  double dist;
  return SideDistance(a, b, p, dist) && dist < -tol;
}

bool VekGeometryComm::IsCounterClockwise(const _2dPoint& a, const _2dPoint& b, const _2dPoint& p,
                                         double tol) const {
  double dist;
  return SideDistance(a, b, p, dist) && dist > tol;
}

// ---------------------------------------------------------------------------
// Parallel, perpendicular, collinear and same-line tests

namespace {
V3 Direction(const _2dLine& line) {
  return {line.GetEndPoint().x - line.GetStartPoint().x, line.GetEndPoint().y - line.GetStartPoint().y, 0.0};
}
V3 Direction(const _3dLine& line) { return P3(line.GetEndPoint()) - P3(line.GetStartPoint()); }
}  // namespace

bool VekGeometryComm::IsParallel(const _2dLine& a, const _2dLine& b, double angleTol) const {
  return IsParallel3d(ToVector(Direction(a)), ToVector(Direction(b)), angleTol);
}

bool VekGeometryComm::IsParallel3d(const _3dVector& a, const _3dVector& b, double angleTol) const {
  V3 ua, ub;
  if (!Unit(P3(a), ua) || !Unit(P3(b), ub)) return false;
  return Len(Cross(ua, ub)) <= std::sin(std::min(angleTol, kPi / 2));
}

bool VekGeometryComm::IsParallel3d(const _3dLine& line, const _3dVector& v, double angleTol) const {
  return IsParallel3d(ToVector(Direction(line)), v, angleTol);
}

bool VekGeometryComm::IsPerpendicular(const _3dVector& a, const _3dVector& b, double angleTol) const {
  V3 ua, ub;
  if (!Unit(P3(a), ua) || !Unit(P3(b), ub)) return false;
  return std::fabs(Dot(ua, ub)) <= std::sin(std::min(angleTol, kPi / 2));
}

bool VekGeometryComm::IsPerpendicular(const _3dLine& line, const _3dVector& v, double angleTol) const {
  return IsPerpendicular(ToVector(Direction(line)), v, angleTol);
}

bool VekGeometryComm::IsCollinear(const _2dPoint& a, const _2dPoint& b, const _2dPoint& p, double tol) const {
  return DistPointLine(P2(p), P2(a), P2(b)) <= tol;
}

bool VekGeometryComm::IsSameLine(const _3dLine& a, const _3dLine& b, double tol) const {
  V3 as = P3(a.GetStartPoint()), ae = P3(a.GetEndPoint());
  V3 bs = P3(b.GetStartPoint()), be = P3(b.GetEndPoint());
  auto near = [tol](V3 p, V3 q) {
    return std::fabs(p.x - q.x) <= tol && std::fabs(p.y - q.y) <= tol && std::fabs(p.z - q.z) <= tol;
  };
  if (IsDegenerate(Len(ae - as)) || IsDegenerate(Len(be - bs)))
    return (near(as, bs) && near(ae, be)) || (near(as, be) && near(ae, bs));
  bool collinear = DistPointLine(bs, as, ae) <= tol && DistPointLine(be, as, ae) <= tol &&
                   DistPointLine(as, bs, be) <= tol && DistPointLine(ae, bs, be) <= tol;
  return collinear || near(ae - as, be - bs);
}

// ---------------------------------------------------------------------------
// Intersections

bool VekGeometryComm::IntersectLines(const _2dLine& a, const _2dLine& b, _2dPoint& out, double tol) const {
  return IntersectLinesByPoints(a.GetStartPoint(), a.GetEndPoint(), b.GetStartPoint(), b.GetEndPoint(), out,
                                tol);
}

bool VekGeometryComm::IntersectLinesByPoints(const _2dPoint& a1, const _2dPoint& a2, const _2dPoint& b1,
                                             const _2dPoint& b2, _2dPoint& out, double tol) const {
  V2 p = P2(a1), d1 = P2(a2) - p, q = P2(b1), d2 = P2(b2) - q;
  double l1 = Len(d1), l2 = Len(d2);
  if (IsDegenerate(l1) || IsDegenerate(l2)) return false;
  double cross = Cross(d1, d2);
  if (NearlyParallel(std::fabs(cross) / (l1 * l2), std::max(l1, l2), tol)) return false;
  out = ToPoint(p + d1 * (Cross(q - p, d2) / cross));
  return true;
}

bool VekGeometryComm::IntersectLinesByPoints3d(const _3dPoint& a1, const _3dPoint& a2, const _3dPoint& b1,
                                               const _3dPoint& b2, _3dPoint& out, double tol) const {
  V3 p = P3(a1), d1 = P3(a2) - p, q = P3(b1), d2 = P3(b2) - q;
  double l1 = Len(d1), l2 = Len(d2);
  if (IsDegenerate(l1) || IsDegenerate(l2)) return false;
  V3 n = Cross(d1, d2);
  double n2 = Dot(n, n);
  if (NearlyParallel(std::sqrt(n2) / (l1 * l2), std::max(l1, l2), tol)) return false;
  // Closest points p + s d1 and q + t d2 of the two lines.
  V3 r = q - p;
  double s = Dot(Cross(r, d2), n) / n2;
  double t = Dot(Cross(r, d1), n) / n2;
  V3 pa = p + d1 * s, pb = q + d2 * t;
  if (Len(pa - pb) > tol) return false;
  out = ToPoint((pa + pb) * 0.5);
  return true;
}

bool VekGeometryComm::IntersectLines3d(const _3dLine& a, const _3dLine& b, _3dPoint& out, double tol) const {
  V3 p = P3(a.GetStartPoint()), d1 = P3(a.GetEndPoint()) - p;
  V3 q = P3(b.GetStartPoint()), d2 = P3(b.GetEndPoint()) - q;
  double l1 = Len(d1), l2 = Len(d2);
  if (IsDegenerate(l1) || IsDegenerate(l2)) return false;
  if (NearlyParallel(Len(Cross(d1, d2)) / (l1 * l2), std::max(l1, l2), tol)) return false;
  // Closest points of the two segments (parameters clamped to [0, 1]; the
  // segments are not parallel, so the denominator is positive).
  V3 r = p - q;
  double aa = Dot(d1, d1), ee = Dot(d2, d2), bb = Dot(d1, d2), cc = Dot(d1, r), ff = Dot(d2, r);
  double denom = aa * ee - bb * bb;
  double s = denom > 0.0 ? std::clamp((bb * ff - cc * ee) / denom, 0.0, 1.0) : 0.0;
  double t = (bb * s + ff) / ee;
  if (t < 0.0) {
    t = 0.0;
    s = std::clamp(-cc / aa, 0.0, 1.0);
  } else if (t > 1.0) {
    t = 1.0;
    s = std::clamp((bb - cc) / aa, 0.0, 1.0);
  }
  V3 pa = p + d1 * s, pb = q + d2 * t;
  if (Len(pa - pb) > tol) return false;
  out = ToPoint((pa + pb) * 0.5);
  return true;
}

bool VekGeometryComm::IntersectLinePlane(const _3dLine& line, const _3dPoint& planePoint,
                                         const _3dVector& normal, _3dPoint& out, double tol) const {
  return IntersectLinePlane(line.GetStartPoint(), line.GetEndPoint(), planePoint, normal, out, tol);
}

bool VekGeometryComm::IntersectLinePlane(const _3dPoint& p1, const _3dPoint& p2, const _3dPoint& planePoint,
                                         const _3dVector& normal, _3dPoint& out, double tol) const {
  V3 n;
  if (!Unit(P3(normal), n)) return false;
  V3 a = P3(p1), d = P3(p2) - a;
  double d1 = Dot(a - P3(planePoint), n);
  double d2 = Dot(P3(p2) - P3(planePoint), n);
  if (std::fabs(d1) <= tol && std::fabs(d2) <= tol) {
    out = p1;
    return true;
  }
  double len = Len(d);
  if (IsDegenerate(len)) return false;
  double along = Dot(d, n);
  if (!(std::fabs(along) / len > g_ZeroTolerance)) return false;
  out = ToPoint(a + d * (-d1 / along));
  return true;
}

bool VekGeometryComm::LinesIntersect(const _2dLine& a, const _2dLine& b, double tol) const {
  return SegmentsMeet(P2(a.GetStartPoint()), P2(a.GetEndPoint()), P2(b.GetStartPoint()), P2(b.GetEndPoint()),
                      tol);
}

bool VekGeometryComm::IsLinesIntersect(const _2dLine& a, const _2dLine& b, double tol) const {
  return LinesIntersect(a, b, tol);
}

bool VekGeometryComm::IsLineCrossingPolyline(const _2dLine& line, const _2dPolyline& polyline,
                                             double tol) const {
  const std::vector<_3dPoint>& v = polyline.GetVertices();
  const std::vector<double>& bulges = polyline.GetBulges();
  V2 s1 = P2(line.GetStartPoint()), s2 = P2(line.GetEndPoint());
  if (v.size() == 1) return DistPointSegment(V2{v[0].x, v[0].y}, s1, s2) <= tol;
  std::size_t sides = v.size() < 2 ? 0 : (polyline.IsClosed() ? v.size() : v.size() - 1);
  for (std::size_t i = 0; i < sides; ++i) {
    V2 a{v[i].x, v[i].y}, b{v[(i + 1) % v.size()].x, v[(i + 1) % v.size()].y};
    double bulge = i < bulges.size() ? bulges[i] : 0.0;
    bool straight = std::fabs(bulge) <= 1e-9 || IsDegenerate(Len(b - a)) || !std::isfinite(bulge);
    if (straight ? SegmentsMeet(s1, s2, a, b, tol) : SegmentMeetsArc(s1, s2, MakeArc(a, b, bulge), tol))
      return true;
  }
  return false;
}

bool VekGeometryComm::IsLineCrossingPolygon(const _2dLine& line, const std::vector<_2dPoint>& polygon,
                                            double tol) const {
  std::vector<V2> ring = OpenRing(polygon);
  if (ring.empty()) return false;
  V2 s1 = P2(line.GetStartPoint()), s2 = P2(line.GetEndPoint());
  if (ring.size() == 1) return DistPointSegment(ring[0], s1, s2) <= tol;
  if (RingsMeet({s1, s2}, ring, tol)) return true;
  return PointInRing(ring, s1, tol) == 1;
}

bool VekGeometryComm::IntersectPolygonPlanes(const std::vector<_3dPoint>& a, const std::vector<_3dPoint>& b,
                                             _3dPoint& point, _3dVector& direction, double tol) const {
  if (a.size() < 3 || b.size() < 3) return false;
  V3 ma, mb, na, nb;
  if (!Unit(NewellNormal(a, &ma), na) || !Unit(NewellNormal(b, &mb), nb)) return false;
  V3 axis = Cross(na, nb);
  double sine = Len(axis);
  double size = std::max(BoxDiagonal(a), BoxDiagonal(b));
  if (NearlyParallel(sine, size, tol)) return false;
  V3 u = axis * (1.0 / sine);
  // The point of the common line nearest to the world origin.
  double da = Dot(na, ma), db = Dot(nb, mb), c = Dot(na, nb);
  double det = 1.0 - c * c;
  V3 l0 = na * ((da - db * c) / det) + nb * ((db - da * c) / det);
  // Span the line over both outlines, measured in space and in plan.
  double lo = std::numeric_limits<double>::infinity(), hi = -lo;
  double plan2 = u.x * u.x + u.y * u.y;
  for (const std::vector<_3dPoint>* outline : {&a, &b}) {
    for (const _3dPoint& p : *outline) {
      V3 d = P3(p) - l0;
      double t = Dot(d, u);
      lo = std::min(lo, t);
      hi = std::max(hi, t);
      if (plan2 > 1e-12) {
        double tp = (d.x * u.x + d.y * u.y) / plan2;
        lo = std::min(lo, tp);
        hi = std::max(hi, tp);
      }
    }
  }
  point = ToPoint(l0 + u * lo);
  direction = ToVector(hi - lo > g_ZeroTolerance ? u * (hi - lo) : u);
  return true;
}

// ---------------------------------------------------------------------------
// Point and line membership tests

bool VekGeometryComm::IsPointOnLine(const _2dLine& line, const _2dPoint& p, double tol) const {
  return IsPointOnLine(line.GetStartPoint(), line.GetEndPoint(), p, tol);
}

bool VekGeometryComm::IsPointOnLine(const _2dPoint& start, const _2dPoint& end, const _2dPoint& p,
                                    double tol) const {
  return DistPointSegment(P2(p), P2(start), P2(end)) <= tol;
}

bool VekGeometryComm::IsPointOnSegment(const _2dLine& line, const _2dPoint& p, double tol) const {
  return IsPointOnLine(line, p, tol);
}

bool VekGeometryComm::IsPointOnSegment(const _2dPoint& start, const _2dPoint& end, const _2dPoint& p,
                                       double tol) const {
  return IsPointOnLine(start, end, p, tol);
}

bool VekGeometryComm::IsPointOnLine3d(const _3dPoint& start, const _3dPoint& end, const _3dPoint& p,
                                      double tol) const {
  return DistPointLine(P3(p), P3(start), P3(end)) <= tol;
}

bool VekGeometryComm::IsPointOnSegment3d(const _3dPoint& start, const _3dPoint& end, const _3dPoint& p,
                                         double tol) const {
  return DistPointSegment(P3(p), P3(start), P3(end)) <= tol;
}

bool VekGeometryComm::IsPointOnPlane(const _3dPoint& planePoint, const _3dVector& normal, const _3dPoint& p,
                                     double tol) const {
  V3 n;
  if (!Unit(P3(normal), n)) return false;
  return std::fabs(Dot(P3(p) - P3(planePoint), n)) <= tol;
}

bool VekGeometryComm::IsLineOnPlane(const _3dLine& line, const _3dPoint& planePoint, const _3dVector& normal,
                                    double tol) const {
  V3 n;
  if (!Unit(P3(normal), n)) return false;
  double d1 = Dot(P3(line.GetStartPoint()) - P3(planePoint), n);
  double d2 = Dot(P3(line.GetEndPoint()) - P3(planePoint), n);
  return std::fabs(d1) <= tol || std::fabs(d2) <= tol || (d1 < 0.0 && d2 > 0.0) || (d1 > 0.0 && d2 < 0.0);
}

bool VekGeometryComm::IsPointInExtents(const Extents& extents, const _3dPoint& p, double tol) const {
  return IsPointInExtents(extents, _2dPoint(p.x, p.y), tol);
}

bool VekGeometryComm::IsPointInExtents(const Extents& extents, const _2dPoint& p, double tol) const {
  if (extents.IsEmpty()) return false;
  return p.x >= extents.minX - tol && p.x <= extents.maxX + tol && p.y >= extents.minY - tol &&
         p.y <= extents.maxY + tol;
}

// ---------------------------------------------------------------------------
// Polygons and outlines

double VekGeometryComm::GetArea(const std::vector<_2dPoint>& polygon) const {
  return SignedArea(OpenRing(polygon));
}

_2dPoint VekGeometryComm::GetCenter(const std::vector<_2dPoint>& points) const {
  if (points.empty()) return {0.0, 0.0};
  V2 sum;
  for (const _2dPoint& p : points) sum = sum + P2(p);
  return ToPoint(sum * (1.0 / static_cast<double>(points.size())));
}

bool VekGeometryComm::GetCentroid(const std::vector<_2dPoint>& polygon, _2dPoint& centroid) const {
  std::vector<V2> ring = OpenRing(polygon);
  if (ring.size() < 3 || !(std::fabs(SignedArea(ring)) > g_ZeroTolerance)) return false;
  // Taken relative to the first point, which keeps the products small for
  // outlines far from the world origin.
  V2 base = ring[0];
  std::vector<V2> shifted;
  for (V2 p : ring) shifted.push_back(p - base);
  BPoint c(0.0, 0.0);
  bg::centroid(ToBoostPolygon(shifted), c);
  centroid = {c.x() + base.x, c.y() + base.y};
  return true;
}

bool VekGeometryComm::GetCentroid(const std::vector<_3dPoint>& polygon, _3dPoint& centroid) const {
  std::vector<_2dPoint> plan;
  double z = 0.0;
  for (const _3dPoint& p : polygon) {
    plan.emplace_back(p.x, p.y);
    z += p.z;
  }
  _2dPoint c;
  if (!GetCentroid(plan, c)) return false;
  centroid = _3dPoint(c.x, c.y, z / static_cast<double>(polygon.size()));
  return true;
}

int VekGeometryComm::PointInPolygon(const std::vector<_3dPoint>& polygon, const _3dPoint& p, double tol) const {
  std::vector<_3dPoint> pts = polygon;
  while (pts.size() > 1 && Len(P3(pts.back()) - P3(pts.front())) <= kPointTolerance) pts.pop_back();
  if (pts.empty()) return -1;
  V3 mean, n;
  if (pts.size() < 3 || !Unit(NewellNormal(pts, &mean), n)) {
    for (std::size_t i = 0; i < pts.size(); ++i) {
      if (DistPointSegment(P3(p), P3(pts[i]), P3(pts[(i + 1) % pts.size()])) <= tol) return 0;
    }
    return -1;
  }
  if (std::fabs(Dot(P3(p) - mean, n)) > tol) return -1;
  // In-plane axes: any unit vector perpendicular to the normal, and n × it.
  V3 helper = std::fabs(n.x) < 0.6 ? V3{1, 0, 0} : V3{0, 1, 0};
  V3 ex = Cross(helper, n);
  ex = ex * (1.0 / Len(ex));
  V3 ey = Cross(n, ex);
  std::vector<V2> ring;
  for (const _3dPoint& q : pts) ring.push_back({Dot(P3(q) - mean, ex), Dot(P3(q) - mean, ey)});
  V3 d = P3(p) - mean;
  return PointInRing(ring, {Dot(d, ex), Dot(d, ey)}, tol);
}

int VekGeometryComm::PointInPolygon2d(const std::vector<_2dPoint>& polygon, const _2dPoint& p,
                                      double tol) const {
  return PointInRing(OpenRing(polygon), P2(p), tol);
}

int VekGeometryComm::GetPolygonRelation(const std::vector<_2dPoint>& a, const std::vector<_2dPoint>& b,
                                        double tol) const {
  std::vector<V2> ra = OpenRing(a), rb = OpenRing(b);
  if (ra.empty() || rb.empty()) return -1;
  auto touching = [&]() {
    if (RingsMeet(ra, rb, tol)) return true;
    return PointInRing(rb, ra[0], tol) >= 0 || PointInRing(ra, rb[0], tol) >= 0;
  };
  double areaA = std::fabs(SignedArea(ra)), areaB = std::fabs(SignedArea(rb));
  if (!(areaA > g_ZeroTolerance) || !(areaB > g_ZeroTolerance)) return touching() ? 0 : -1;

  // A common area no larger than a strip tol wide along the longer boundary
  // is a touch, not an overlap.
  double areaTol = std::max(tol, 0.0) * std::max(Perimeter(ra), Perimeter(rb));
  double common = 0.0;
  try {
    common = CommonArea(ra, rb);
  } catch (const std::exception&) {
    // Outlines the overlay refuses (crossing themselves): decide by the
    // boundaries alone.
    for (std::size_t i = 0; i < ra.size(); ++i) {
      for (std::size_t j = 0; j < rb.size(); ++j) {
        if (SegmentsMeet(ra[i], ra[(i + 1) % ra.size()], rb[j], rb[(j + 1) % rb.size()], -1.0)) return 1;
      }
    }
    if (PointInRing(rb, ra[0], tol) == 1 || PointInRing(ra, rb[0], tol) == 1) return 1;
    return touching() ? 0 : -1;
  }
  if (common > areaTol) {
    if (common >= areaA - areaTol) return 2;
    if (common >= areaB - areaTol) return 3;
    return 1;
  }
  return touching() ? 0 : -1;
}

bool VekGeometryComm::GetBoundingRectangle(const std::vector<_2dPoint>& outline, const _2dVector& direction,
                                           std::vector<_2dPoint>& corners) const {
  V2 u = P2(direction);
  double len = Len(u);
  if (outline.empty() || IsDegenerate(len)) return false;
  u = u * (1.0 / len);
  V2 v{-u.y, u.x};
  double a0 = std::numeric_limits<double>::infinity(), a1 = -a0, c0 = a0, c1 = -a0;
  for (const _2dPoint& p : outline) {
    double a = Dot(P2(p), u), c = Dot(P2(p), v);
    a0 = std::min(a0, a);
    a1 = std::max(a1, a);
    c0 = std::min(c0, c);
    c1 = std::max(c1, c);
  }
  corners = {ToPoint(u * a0 + v * c0), ToPoint(u * a1 + v * c0), ToPoint(u * a1 + v * c1),
             ToPoint(u * a0 + v * c1)};
  return true;
}

std::vector<_3dPoint> VekGeometryComm::ChainLines(const std::vector<_3dLine>& lines, double tol) const {
  std::vector<_3dPoint> chain;
  if (lines.empty()) return chain;
  auto near = [tol](const _3dPoint& p, const _3dPoint& q) {
    return std::fabs(p.x - q.x) <= tol && std::fabs(p.y - q.y) <= tol && std::fabs(p.z - q.z) <= tol;
  };
  std::vector<bool> used(lines.size(), false);
  used[0] = true;
  std::vector<_3dPoint> tail{lines[0].GetStartPoint(), lines[0].GetEndPoint()};
  std::vector<_3dPoint> head;  // points before the first line, nearest first
  // Extends the chain at one open end; false when no unused line continues it.
  auto extend = [&](const _3dPoint& end, std::vector<_3dPoint>& into) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (used[i]) continue;
      if (near(lines[i].GetStartPoint(), end)) {
        into.push_back(lines[i].GetEndPoint());
      } else if (near(lines[i].GetEndPoint(), end)) {
        into.push_back(lines[i].GetStartPoint());
      } else {
        continue;
      }
      used[i] = true;
      return true;
    }
    return false;
  };
  while (!near(tail.back(), tail.front()) && extend(tail.back(), tail)) {
  }
  bool closed = tail.size() > 2 && near(tail.back(), tail.front());
  if (closed) {
    tail.pop_back();
    return tail;
  }
  // The far end cannot be continued, so extending at the start never closes
  // the chain.
  while (extend(head.empty() ? tail.front() : head.back(), head)) {
  }
  chain.assign(head.rbegin(), head.rend());
  chain.insert(chain.end(), tail.begin(), tail.end());
  return chain;
}

bool VekGeometryComm::CutOutlineByPlane(const std::vector<_3dPoint>& outline, const _3dPoint& origin,
                                        const _3dVector& xAxis, const _3dVector& yAxis,
                                        const _3dPoint& planePoint, const _3dVector& planeNormal,
                                        std::vector<_3dLine>& segments, double tol) const {
  segments.clear();
  Frame f;
  V3 n;
  if (!MakeFrame(origin, xAxis, yAxis, f) || !Unit(P3(planeNormal), n)) return false;
  // The cut line in the board plane: a u + b v + c = 0, (a, b) a unit vector,
  // so that the left side is the signed distance in millimetres.
  double a = Dot(n, f.ex), b = Dot(n, f.ey), c = Dot(n, f.origin - P3(planePoint));
  double k = std::hypot(a, b);
  if (!(k > g_ZeroTolerance)) return false;
  a /= k;
  b /= k;
  c /= k;
  V2 along{-b, a};    // local direction of (x × y) × normal
  V2 base{-a * c, -b * c};  // the foot of the local origin on the cut line

  std::vector<V2> ring;
  for (const _3dPoint& p : outline) {
    V3 l = f.ToLocal(P3(p));
    ring.push_back({l.x, l.y});
  }
  while (ring.size() > 1 && Len(ring.back() - ring.front()) <= kPointTolerance) ring.pop_back();
  if (ring.size() < 2) return false;

  // Parameters along the cut line where the outline meets it.
  std::vector<double> params;
  std::vector<double> dist;
  for (V2 p : ring) {
    double d = a * p.x + b * p.y + c;
    dist.push_back(std::fabs(d) <= tol ? 0.0 : d);
  }
  for (std::size_t i = 0; i < ring.size(); ++i) {
    std::size_t j = (i + 1) % ring.size();
    if (dist[i] == 0.0) params.push_back(Dot(ring[i] - base, along));
    if ((dist[i] < 0.0 && dist[j] > 0.0) || (dist[i] > 0.0 && dist[j] < 0.0)) {
      V2 x = ring[i] + (ring[j] - ring[i]) * (dist[i] / (dist[i] - dist[j]));
      params.push_back(Dot(x - base, along));
    }
  }
  std::sort(params.begin(), params.end());

  // Keep the stretches between neighbouring crossings whose middle lies in
  // the outline or on its boundary, merged where they join.
  std::vector<std::pair<double, double>> kept;
  for (std::size_t i = 0; i + 1 < params.size(); ++i) {
    double t0 = params[i], t1 = params[i + 1];
    if (!(t1 - t0 > tol)) continue;
    if (PointInRing(ring, base + along * (0.5 * (t0 + t1)), tol) < 0) continue;
    if (!kept.empty() && t0 - kept.back().second <= tol) {
      kept.back().second = t1;
    } else {
      kept.emplace_back(t0, t1);
    }
  }
  for (const auto& [t0, t1] : kept) {
    V2 p0 = base + along * t0, p1 = base + along * t1;
    segments.emplace_back(ToPoint(f.ToWorld({p0.x, p0.y, 0.0})), ToPoint(f.ToWorld({p1.x, p1.y, 0.0})));
  }
  return !segments.empty();
}
