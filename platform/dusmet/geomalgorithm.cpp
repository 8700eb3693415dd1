// CAD geometric algorithms: curve intersection, vector rotation and angles,
// names, the tank's outline lists, cutter profiles and polyline sketches.
// The outlines of wall lines are in outlinegroups.cpp.
#include "platform/Dusmet.h"
#include "platform/dusmet/planmath.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <stdexcept>
#include <utility>

GeomAlgorithm g_GeomAlgorithm;

using dusmet::V2;
using dusmet::kTwoPi;
using dusmet::NormalizeAngle;
using dusmet::SamePoint;

namespace {

constexpr double kTol = kPointTolerance;
// Pieces shorter than this carry no direction and are left out.
constexpr double kDegenerate = 1e-9;

// ---------------------------------------------------------------------------
// Curves as pieces: straight segments and circular arcs, each knowing how far
// along its curve it starts.

struct Piece {
  bool isArc = false;
  V2 a, b;             // segment: its ends
  V2 c;                // arc: centre, radius, start angle, signed sweep
  double r = 0.0;      //   (positive counter-clockwise)
  double a0 = 0.0;
  double sweep = 0.0;
  double base = 0.0;   // length along the curve before this piece
  double length = 0.0;
};

Piece MakeSegment(const V2& a, const V2& b) {
  Piece p;
  p.a = a;
  p.b = b;
  p.length = (b - a).Length();
  return p;
}

Piece MakeArc(const V2& c, double r, double a0, double sweep) {
  Piece p;
  p.isArc = true;
  p.c = c;
  p.r = r;
  p.a0 = a0;
  p.sweep = sweep;
  p.length = r * std::fabs(sweep);
  p.a = c + V2(std::cos(a0), std::sin(a0)) * r;
  p.b = c + V2(std::cos(a0 + sweep), std::sin(a0 + sweep)) * r;
  return p;
}

bool IsDegenerate(const Piece& p) {
  return p.isArc ? (p.r <= kDegenerate || p.sweep == 0.0) : p.length <= kDegenerate;
}

// The pieces of a supported curve in order along it; false for an entity
// type that is not a curve of this layer.  Degenerate pieces are left out.
bool Decompose(const Entity& e, std::vector<Piece>& pieces) {
  pieces.clear();
  if (auto* l2 = dynamic_cast<const _2dLine*>(&e)) {
    pieces.push_back(MakeSegment(V2(l2->GetStartPoint()), V2(l2->GetEndPoint())));
  } else if (auto* l3 = dynamic_cast<const _3dLine*>(&e)) {
    pieces.push_back(MakeSegment(V2(l3->GetStartPoint()), V2(l3->GetEndPoint())));
  } else if (auto* arc = dynamic_cast<const _2dArc*>(&e)) {
    double sweep = NormalizeAngle(arc->GetEndAngle() - arc->GetStartAngle());
    if (sweep == 0.0) sweep = kTwoPi;  // equal angles: the full circle
    pieces.push_back(MakeArc(V2(arc->GetCenter()), arc->GetRadius(), arc->GetStartAngle(), sweep));
  } else if (auto* pl = dynamic_cast<const _2dPolyline*>(&e)) {
    // Bulged segments as the kernel draws them.
    const auto& v = pl->GetVertices();
    const std::size_t n = v.size();
    for (int i = 0; i < pl->SegmentCount(); ++i) {
      _2dPoint c;
      double r = 0.0, a0 = 0.0, sweep = 0.0;
      if (pl->GetSegmentArc(i, c, r, a0, sweep))
        pieces.push_back(MakeArc(V2(c), r, a0, sweep));
      else
        pieces.push_back(MakeSegment(V2(v[i]), V2(v[(i + 1) % n])));
    }
  } else {
    return false;
  }
  double base = 0.0;
  std::vector<Piece> kept;
  for (Piece& p : pieces) {
    p.base = base;
    base += p.length;
    if (!IsDegenerate(p)) kept.push_back(p);
  }
  pieces.swap(kept);
  return true;
}

// ---------------------------------------------------------------------------
// Membership of a point in a piece, with its distance along the curve.

// Segment parameter of the point's foot: 0 at the start, 1 at the end.
double SegmentParam(const Piece& s, const V2& p) {
  V2 d = s.b - s.a;
  return (p - s.a).Dot(d) / d.Dot(d);
}

double DistanceToCarrier(const Piece& s, const V2& p) {
  V2 d = s.b - s.a;
  return std::fabs(d.Cross(p - s.a)) / s.length;
}

bool OnSegment(const Piece& s, const V2& p, double& along) {
  if (DistanceToCarrier(s, p) > kTol) return false;
  double t = SegmentParam(s, p);
  double slack = kTol / s.length;
  if (t < -slack || t > 1.0 + slack) return false;
  along = s.base + std::clamp(t, 0.0, 1.0) * s.length;
  return true;
}

bool OnArc(const Piece& a, const V2& p, double& along) {
  if (std::fabs((p - a.c).Length() - a.r) > kTol) return false;
  V2 d = p - a.c;
  double phi = std::atan2(d.y, d.x);
  double delta = NormalizeAngle(a.sweep > 0.0 ? phi - a.a0 : a.a0 - phi);
  double sweep = std::fabs(a.sweep);
  double slack = kTol / a.r;
  if (delta <= sweep + slack) {
    along = a.base + a.r * std::min(delta, sweep);
    return true;
  }
  if (delta >= kTwoPi - slack) {  // just before the start
    along = a.base;
    return true;
  }
  return false;
}

bool OnPiece(const Piece& piece, const V2& p, double& along) {
  return piece.isArc ? OnArc(piece, p, along) : OnSegment(piece, p, along);
}

// ---------------------------------------------------------------------------
// Candidate points of the carriers (lines and whole circles) of two pieces.

void LineCircle(const V2& a, const V2& b, const V2& c, double r, std::vector<V2>& out) {
  V2 d = b - a;
  double len = d.Length();
  V2 u = d * (1.0 / len);
  V2 foot = a + u * (c - a).Dot(u);
  double h = (c - foot).Length();
  if (std::fabs(h - r) <= kTol) {  // tangent
    out.push_back(foot);
    return;
  }
  if (h > r) return;
  double k = std::sqrt(r * r - h * h);
  out.push_back(foot - u * k);
  out.push_back(foot + u * k);
}

void CircleCircle(const Piece& p, const Piece& q, std::vector<V2>& out) {
  V2 d = q.c - p.c;
  double dist = d.Length();
  if (dist <= kTol) {
    // Concentric: one circle when the radii agree; then the arcs overlap and
    // the ends of the shared pieces are the points.
    if (std::fabs(p.r - q.r) <= kTol) {
      out.insert(out.end(), {p.a, p.b, q.a, q.b});
    }
    return;
  }
  double sum = p.r + q.r, diff = std::fabs(p.r - q.r);
  if (dist > sum + kTol || dist < diff - kTol) return;
  V2 u = d * (1.0 / dist);
  if (std::fabs(dist - sum) <= kTol || std::fabs(dist - diff) <= kTol) {  // touching
    double side = (std::fabs(dist - sum) <= kTol || p.r >= q.r) ? 1.0 : -1.0;
    out.push_back(p.c + u * (side * p.r));
    return;
  }
  double along = (dist * dist + p.r * p.r - q.r * q.r) / (2.0 * dist);
  double h = std::sqrt(std::max(0.0, p.r * p.r - along * along));
  V2 m = p.c + u * along;
  out.push_back(m + u.Left() * h);
  out.push_back(m - u.Left() * h);
}

// Intersections of piece `p` of the first curve (unbounded when it is the
// line of mode 1) with piece `q` of the second, each with its distance along
// the first curve.
void IntersectPieces(const Piece& p, const Piece& q, bool unbounded,
                     std::vector<std::pair<double, V2>>& hits) {
  std::vector<V2> cand;
  if (!p.isArc && !q.isArc) {
    bool qOnP = DistanceToCarrier(p, q.a) <= kTol && DistanceToCarrier(p, q.b) <= kTol;
    bool pOnQ = !unbounded && DistanceToCarrier(q, p.a) <= kTol && DistanceToCarrier(q, p.b) <= kTol;
    if (qOnP || pOnQ) {
      // One carrier line: the ends of the shared piece.
      cand = {q.a, q.b};
      if (!unbounded) {
        cand.push_back(p.a);
        cand.push_back(p.b);
      }
    } else {
      V2 d1 = p.b - p.a, d2 = q.b - q.a;
      double denom = d1.Cross(d2);
      if (denom == 0.0) return;  // parallel, apart
      double t = (q.a - p.a).Cross(d2) / denom;
      cand.push_back(p.a + d1 * t);
    }
  } else if (!p.isArc) {
    LineCircle(p.a, p.b, q.c, q.r, cand);
  } else if (!q.isArc) {
    LineCircle(q.a, q.b, p.c, p.r, cand);
  } else {
    CircleCircle(p, q, cand);
  }

  for (const V2& x : cand) {
    double alongP = 0.0, alongQ = 0.0;
    if (!OnPiece(q, x, alongQ)) continue;
    if (unbounded) {
      if (DistanceToCarrier(p, x) > kTol) continue;
      alongP = SegmentParam(p, x) * p.length;
    } else if (!OnPiece(p, x, alongP)) {
      continue;
    }
    hits.emplace_back(alongP, x);
  }
}

bool IsLine(const Entity& e) {
  return dynamic_cast<const _2dLine*>(&e) != nullptr || dynamic_cast<const _3dLine*>(&e) != nullptr;
}

// The plan box of a polyline's geometry: the kernel's box of its vertices
// and arcs, without the constant width.
Extents PolylineBox(const _2dPolyline& pl) {
  _2dPolyline bare = pl;
  bare.SetConstantWidth(0.0);
  return bare.GetExtents();
}

}  // namespace

// ---------------------------------------------------------------------------

int GeomAlgorithm::IntersectCurves(const Entity& first, const Entity& second, int mode,
                                   std::vector<_3dPoint>& out) const {
  out.clear();
  if (mode != 0 && mode != 1) return 0;
  bool unbounded = mode == 1;
  if (unbounded && !IsLine(first)) return 0;

  std::vector<Piece> a, b;
  if (!Decompose(first, a) || !Decompose(second, b)) return 0;
  if (unbounded && a.empty()) return 0;

  std::vector<std::pair<double, V2>> hits;
  for (const Piece& p : a)
    for (const Piece& q : b) IntersectPieces(p, q, unbounded, hits);

  std::stable_sort(hits.begin(), hits.end(),
                   [](const auto& x, const auto& y) { return x.first < y.first; });
  std::vector<V2> kept;
  for (const auto& h : hits) {
    bool dup = std::any_of(kept.begin(), kept.end(),
                           [&](const V2& k) { return SamePoint(k, h.second); });
    if (!dup) kept.push_back(h.second);
  }
  for (const V2& k : kept) out.push_back(k.To3d());
  return static_cast<int>(out.size());
}

_3dVector GeomAlgorithm::RotateVector(const _3dVector& vector, double angle,
                                      const _3dVector& axis) const {
  double len = axis.GetLength();
  if (len == 0.0) return vector;
  _3dVector k(axis.x / len, axis.y / len, axis.z / len);
  double c = std::cos(angle), s = std::sin(angle);
  // Rodrigues' rotation formula.
  _3dVector kxv = k.CrossProduct(vector);
  double kv = k.DotProduct(vector);
  return {vector.x * c + kxv.x * s + k.x * kv * (1.0 - c),
          vector.y * c + kxv.y * s + k.y * kv * (1.0 - c),
          vector.z * c + kxv.z * s + k.z * kv * (1.0 - c)};
}

double GeomAlgorithm::GetAngle(const _3dVector& v1, const _3dVector& v2,
                               const _3dVector& normal) const {
  double nlen = normal.GetLength();
  if (nlen <= g_ZeroTolerance) {
    if (v1.GetLength() <= g_ZeroTolerance || v2.GetLength() <= g_ZeroTolerance) return 0.0;
    return std::atan2(v1.CrossProduct(v2).GetLength(), v1.DotProduct(v2));
  }
  _3dVector n(normal.x / nlen, normal.y / nlen, normal.z / nlen);
  _3dVector p1 = v1 - n * n.DotProduct(v1);
  _3dVector p2 = v2 - n * n.DotProduct(v2);
  if (p1.GetLength() <= g_ZeroTolerance || p2.GetLength() <= g_ZeroTolerance) return 0.0;
  double a = NormalizeAngle(std::atan2(n.DotProduct(p1.CrossProduct(p2)), p1.DotProduct(p2)));
  // A turn that rounding alone keeps short of a full turn is no turn.
  return a > kTwoPi - 1e-12 ? 0.0 : a;
}

bool GeomAlgorithm::ContainsName(const std::vector<std::string>& names,
                                 const std::string& name) const {
  auto lower = [](unsigned char ch) {
    return ch < 0x80 ? static_cast<unsigned char>(std::tolower(ch)) : ch;
  };
  return std::any_of(names.begin(), names.end(), [&](const std::string& n) {
    return n.size() == name.size() &&
           std::equal(n.begin(), n.end(), name.begin(), [&](char x, char y) {
             return lower(static_cast<unsigned char>(x)) == lower(static_cast<unsigned char>(y));
           });
  });
}

void GeomAlgorithm::SetTankOutlines(const BoardFlagTable& meetFlags, const BoardPointTable& second,
                                    const BoardPointTable& third) {
  for (const auto& row : meetFlags)
    if (row.size() != meetFlags.size())
      throw std::invalid_argument("SetTankOutlines: the board meet table is not square");
  m_meetFlags = meetFlags;
  m_second = second;
  m_third = third;
}

bool GeomAlgorithm::MakeCutterOutline(std::vector<_3dPoint> outline, std::vector<_3dPoint>& out,
                                      double margin) const {
  out.clear();
  std::vector<V2> pts;
  for (const _3dPoint& p : outline) {
    V2 q(p);
    if (pts.empty() || !SamePoint(pts.back(), q)) pts.push_back(q);
  }
  while (pts.size() > 1 && SamePoint(pts.front(), pts.back())) pts.pop_back();

  auto emit = [&](const std::vector<V2>& v) {
    for (const V2& p : v) out.push_back(p.To3d());
  };
  std::size_t n = pts.size();
  double twiceArea = 0.0;
  for (std::size_t i = 0; i < n; ++i) twiceArea += pts[i].Cross(pts[(i + 1) % n]);
  if (n < 3 || std::fabs(twiceArea) <= 2.0 * g_ZeroTolerance) {
    emit(pts);
    return false;
  }

  // Outward is to the right of each side on a counter-clockwise loop, to the
  // left on a clockwise one; each corner moves to where its two moved sides
  // meet.
  bool ccw = twiceArea > 0.0;
  auto outward = [&](const V2& from, const V2& to) {
    V2 d = to - from;
    d = d * (1.0 / d.Length());
    return ccw ? d.Right() : d.Left();
  };
  std::vector<V2> moved(n);
  for (std::size_t i = 0; i < n; ++i) {
    const V2& prev = pts[(i + n - 1) % n];
    const V2& cur = pts[i];
    const V2& next = pts[(i + 1) % n];
    V2 n1 = outward(prev, cur), n2 = outward(cur, next);
    V2 d1 = cur - prev, d2 = next - cur;
    double denom = d1.Cross(d2);
    if (std::fabs(denom) <= 1e-12 * d1.Length() * d2.Length()) {
      moved[i] = cur + n2 * margin;  // straight on (or doubling back)
      continue;
    }
    V2 a1 = prev + n1 * margin, a2 = cur + n2 * margin;
    double t = (a2 - a1).Cross(d2) / denom;
    moved[i] = a1 + d1 * t;
  }
  emit(moved);
  return true;
}

_2dPolyline GeomAlgorithm::GetBoundingBox(const _2dPolyline& polyline) const {
  Extents box = PolylineBox(polyline);
  if (box.IsEmpty()) box = Extents(_3dPoint(0.0, 0.0, 0.0));
  std::vector<_3dPoint> corners = {{box.minX, box.minY, 0.0},
                                   {box.maxX, box.minY, 0.0},
                                   {box.maxX, box.maxY, 0.0},
                                   {box.minX, box.maxY, 0.0}};
  return _2dPolyline(corners, true);
}

void GeomAlgorithm::FitSketch(double textSize, double size, _2dPolyline& sketch) const {
  if (!(size > 0.0)) return;
  Extents box = PolylineBox(sketch);
  if (box.IsEmpty()) return;
  double extent = std::max(box.maxX - box.minX, box.maxY - box.minY);
  if (extent <= g_ZeroTolerance) return;
  double target = size - 2.0 * std::max(0.0, textSize);
  if (target <= 0.0) target = size;
  double k = target / extent;
  V2 centre((box.minX + box.maxX) * 0.5, (box.minY + box.maxY) * 0.5);
  std::vector<_3dPoint> v = sketch.GetVertices();
  for (_3dPoint& p : v) {
    p.x = centre.x + (p.x - centre.x) * k;
    p.y = centre.y + (p.y - centre.y) * k;
  }
  sketch.SetVertices(v);  // bulges stay with their vertices
}

void GeomAlgorithm::RotatePolyline(_2dPolyline& polyline, const _3dPoint& centre,
                                   double angle) const {
  double c = std::cos(angle), s = std::sin(angle);
  std::vector<_3dPoint> v = polyline.GetVertices();
  for (_3dPoint& p : v) {
    double dx = p.x - centre.x, dy = p.y - centre.y;
    p.x = centre.x + dx * c - dy * s;
    p.y = centre.y + dx * s + dy * c;
  }
  polyline.SetVertices(v);  // bulges stay with their vertices
}

void GeomAlgorithm::RotatePolyline(_2dPolyline& polyline, const _2dPoint& centre,
                                   double angle) const {
  RotatePolyline(polyline, _3dPoint(centre), angle);
}

void GeomAlgorithm::MovePolyline(_2dPolyline& polyline, const _3dPoint& from,
                                 const _3dPoint& to) const {
  std::vector<_3dPoint> v = polyline.GetVertices();
  for (_3dPoint& p : v) {
    p.x += to.x - from.x;
    p.y += to.y - from.y;
    p.z += to.z - from.z;
  }
  polyline.SetVertices(v);  // bulges stay with their vertices
}
