// View board: polyface meshes of extruded solids (see solids.h).
#include "platform/nirvox/solids.h"

// Boost.Geometry's rescaling policy trips GCC's flow analysis in its own
// headers; the value it warns about is always set before use.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"

#include <boost/geometry.hpp>
#include <boost/geometry/geometries/point_xy.hpp>
#include <boost/geometry/geometries/polygon.hpp>
#include <boost/geometry/geometries/multi_polygon.hpp>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <tuple>
#include <utility>

namespace nirvox {
namespace {

namespace bg = boost::geometry;
using BgPoint = bg::model::d2::point_xy<double>;
using BgPolygon = bg::model::polygon<BgPoint>;
using BgMulti = bg::model::multi_polygon<BgPolygon>;
using Ring = std::vector<_2dPoint>;

bool Finite(double v) { return std::isfinite(v); }
bool Finite(const _3dPoint& p) { return Finite(p.x) && Finite(p.y) && Finite(p.z); }

// The profile plane's frame: origin, two axes in the plane and the normal.
struct Frame {
  _3dPoint origin;
  _3dVector u, v, n;
  _2dPoint To2d(const _3dPoint& p) const {
    const _3dVector d = p - origin;
    return {d.DotProduct(u), d.DotProduct(v)};
  }
  double Along(const _3dPoint& p) const { return (p - origin).DotProduct(n); }
  _3dPoint To3d(const _2dPoint& q, double w) const { return origin + u * q.x + v * q.y + n * w; }
};

Frame MakeFrame(const _3dPoint& origin, _3dVector n) {
  Frame f;
  f.origin = origin;
  n.Normalize(0.0);
  f.n = n;
  f.u = std::fabs(n.z) < 0.9 ? _3dVector(0, 0, 1).CrossProduct(n) : _3dVector(1, 0, 0).CrossProduct(n);
  f.u.Normalize(0.0);
  f.v = n.CrossProduct(f.u);
  f.v.Normalize(0.0);
  return f;
}

// The profile's points in 3D: the loop's start points, or the circle as a
// polygon.
std::vector<_3dPoint> ProfilePoints(const _3dExtrudant& solid) {
  std::vector<_3dPoint> pts;
  if (const _3dCircle* c = solid.GetProfileCircle()) {
    const Frame f = MakeFrame(c->GetCenter(), c->GetNormal().IsZero() ? _3dVector(0, 0, 1) : c->GetNormal());
    const double r = std::fabs(c->GetRadius());
    for (int i = 0; i < kCircleSides; ++i) {
      const double a = 2.0 * g_Pi * i / kCircleSides;
      pts.push_back(c->GetCenter() + f.u * (r * std::cos(a)) + f.v * (r * std::sin(a)));
    }
    return pts;
  }
  for (const _3dLine& l : solid.GetProfileLines()) pts.push_back(l.GetStartPoint());
  return pts;
}

BgPolygon ToPolygon(const Ring& ring) {
  BgPolygon poly;
  for (const _2dPoint& p : ring) bg::append(poly.outer(), BgPoint(p.x, p.y));
  bg::correct(poly);
  return poly;
}

Ring FromRing(const bg::model::ring<BgPoint>& ring) {
  Ring out;
  for (const BgPoint& p : ring) {
    const _2dPoint q(p.x(), p.y());
    if (out.empty() || !(out.back() == q)) out.push_back(q);
  }
  while (out.size() > 1 && out.front() == out.back()) out.pop_back();
  return out;
}

// The profile less the cutters that run through the solid, as polygons with
// holes (outer ring first).
std::vector<std::vector<Ring>> CutProfile(const _3dExtrudant& solid, const Frame& f, const Ring& profile) {
  const double half = std::fabs(solid.GetHeight()) * 0.5;
  BgMulti region;
  region.push_back(ToPolygon(profile));
  for (const auto& cutter : solid.GetHoles()) {
    if (!cutter) continue;
    const std::vector<_3dPoint> pts = ProfilePoints(*cutter);
    if (pts.size() < 3) continue;
    const _3dVector cn = cutter->GetNormal();
    if (std::fabs(cn.DotProduct(f.n)) < 1.0 - 1e-6) continue;  // crosses in another direction
    const double mid = f.Along(pts.front());
    const double ch = std::fabs(cutter->GetHeight()) * 0.5;
    if (mid + ch < -half - 1e-6 || mid - ch > half + 1e-6) continue;  // misses the solid
    Ring ring;
    for (const _3dPoint& p : pts) ring.push_back(f.To2d(p));
    try {
      BgMulti rest;
      bg::difference(region, ToPolygon(ring), rest);
      region.swap(rest);
    } catch (const std::exception&) {
      // A cutter the geometry library cannot subtract is left out.
    }
  }
  std::vector<std::vector<Ring>> out;
  for (const BgPolygon& poly : region) {
    std::vector<Ring> rings{FromRing(poly.outer())};
    if (rings.front().size() < 3) continue;
    for (const auto& inner : poly.inners()) {
      Ring r = FromRing(inner);
      if (r.size() >= 3) rings.push_back(r);
    }
    out.push_back(std::move(rings));
  }
  return out;
}

class MeshBuilder {
 public:
  MeshBuilder(const Frame& f, double half) : m_f(f), m_half(half) {}

  int Vertex(const _2dPoint& q, bool top) {
    const auto key = std::make_tuple(std::llround(q.x * 1e4), std::llround(q.y * 1e4), top);
    const auto it = m_index.find(key);
    if (it != m_index.end()) return it->second;
    const int index = static_cast<int>(mesh.vertices.size());
    mesh.vertices.push_back(m_f.To3d(q, top ? m_half : -m_half));
    m_index.emplace(key, index);
    return index;
  }

  void Face(std::vector<int> v, std::vector<bool> visible) {
    // Drop repeated corners (a trapezoid that narrows to a point).
    std::vector<int> vv;
    std::vector<bool> vis;
    for (std::size_t k = 0; k < v.size(); ++k) {
      if (!vv.empty() && vv.back() == v[k]) {
        vis.back() = vis.back() || visible[k];
        continue;
      }
      vv.push_back(v[k]);
      vis.push_back(visible[k]);
    }
    while (vv.size() > 1 && vv.front() == vv.back()) {
      vv.pop_back();
      vis.pop_back();
    }
    if (vv.size() < 3) return;
    MeshFace face;
    face.count = static_cast<int>(vv.size());
    for (int k = 0; k < face.count; ++k) {
      face.vertices[static_cast<std::size_t>(k)] = vv[static_cast<std::size_t>(k)];
      face.visible[static_cast<std::size_t>(k)] = vis[static_cast<std::size_t>(k)];
    }
    mesh.faces.push_back(face);
  }

  // Both caps of a polygon with holes, split into trapezoids between the
  // x values of its corners.
  void Caps(const std::vector<Ring>& rings) {
    struct Edge {
      _2dPoint a, b;
    };
    std::vector<Edge> edges;
    std::vector<double> xs;
    for (const Ring& r : rings)
      for (std::size_t k = 0; k < r.size(); ++k) {
        const _2dPoint& a = r[k];
        const _2dPoint& b = r[(k + 1) % r.size()];
        xs.push_back(a.x);
        if (std::fabs(a.x - b.x) > 1e-9) edges.push_back(a.x < b.x ? Edge{a, b} : Edge{b, a});
      }
    std::sort(xs.begin(), xs.end());
    xs.erase(std::unique(xs.begin(), xs.end(), [](double p, double q) { return std::fabs(p - q) <= 1e-7; }),
             xs.end());
    const auto yAt = [](const Edge& e, double x) {
      if (x <= e.a.x) return e.a.y;
      if (x >= e.b.x) return e.b.y;
      return e.a.y + (e.b.y - e.a.y) * (x - e.a.x) / (e.b.x - e.a.x);
    };
    for (std::size_t s = 0; s + 1 < xs.size(); ++s) {
      const double x0 = xs[s], x1 = xs[s + 1], xm = (x0 + x1) * 0.5;
      std::vector<const Edge*> crossing;
      for (const Edge& e : edges)
        if (e.a.x < xm && e.b.x > xm) crossing.push_back(&e);
      std::sort(crossing.begin(), crossing.end(),
                [&](const Edge* p, const Edge* q) { return yAt(*p, xm) < yAt(*q, xm); });
      for (std::size_t k = 0; k + 1 < crossing.size(); k += 2) {
        const Edge& lo = *crossing[k];
        const Edge& hi = *crossing[k + 1];
        const _2dPoint p0(x0, yAt(lo, x0)), p1(x1, yAt(lo, x1)), p2(x1, yAt(hi, x1)), p3(x0, yAt(hi, x0));
        // Visible: the pieces of the profile's sides; hidden: the cuts.
        const std::vector<bool> vis{true, false, true, false};
        Face({Vertex(p0, false), Vertex(p1, false), Vertex(p2, false), Vertex(p3, false)}, vis);
        Face({Vertex(p0, true), Vertex(p1, true), Vertex(p2, true), Vertex(p3, true)}, vis);
      }
    }
  }

  // One side face per side of the ring; the edge where two sides meet is
  // drawn when they turn by more than 20 degrees (not on a circle).
  void Sides(const Ring& r) {
    const std::size_t n = r.size();
    const auto corner = [&](std::size_t k) {
      const _2dPoint& prev = r[(k + n - 1) % n];
      const _2dPoint& at = r[k];
      const _2dPoint& next = r[(k + 1) % n];
      return (at - prev).GetAngleTo(next - at) > 20.0 * g_Pi / 180.0;
    };
    for (std::size_t k = 0; k < n; ++k) {
      const _2dPoint& a = r[k];
      const _2dPoint& b = r[(k + 1) % n];
      Face({Vertex(a, false), Vertex(b, false), Vertex(b, true), Vertex(a, true)},
           {true, corner((k + 1) % n), true, corner(k)});
    }
  }

  SolidMesh mesh;

 private:
  Frame m_f;
  double m_half;
  std::map<std::tuple<long long, long long, bool>, int> m_index;
};

}  // namespace

SolidMesh MeshSolid(const _3dExtrudant& solid) {
  const std::vector<_3dPoint> pts = ProfilePoints(solid);
  const double height = std::fabs(solid.GetHeight());
  if (pts.size() < 3 || !(height > 0.0) || !IsFiniteSolid(solid)) return {};
  const Frame f = MakeFrame(pts.front(), solid.GetNormal());
  Ring profile;
  for (const _3dPoint& p : pts) profile.push_back(f.To2d(p));
  if (std::fabs(bg::area(ToPolygon(profile))) <= g_ZeroTolerance) return {};
  MeshBuilder builder(f, height * 0.5);
  for (const std::vector<Ring>& rings : CutProfile(solid, f, profile)) {
    builder.Caps(rings);
    for (const Ring& r : rings) builder.Sides(r);
  }
  return builder.mesh;
}

std::vector<std::array<_3dPoint, 2>> SolidEdges(const _3dExtrudant& solid) {
  const SolidMesh mesh = MeshSolid(solid);
  std::set<std::pair<int, int>> seen;
  std::vector<std::array<_3dPoint, 2>> out;
  for (const MeshFace& face : mesh.faces)
    for (int k = 0; k < face.count; ++k) {
      if (!face.visible[static_cast<std::size_t>(k)]) continue;
      int a = face.vertices[static_cast<std::size_t>(k)];
      int b = face.vertices[static_cast<std::size_t>((k + 1) % face.count)];
      if (a > b) std::swap(a, b);
      if (!seen.insert({a, b}).second) continue;
      out.push_back({mesh.vertices[static_cast<std::size_t>(a)], mesh.vertices[static_cast<std::size_t>(b)]});
    }
  return out;
}

bool IsFiniteSolid(const _3dExtrudant& solid) {
  if (!Finite(solid.GetHeight())) return false;
  for (const _3dLine& l : solid.GetProfileLines())
    if (!Finite(l.GetStartPoint()) || !Finite(l.GetEndPoint())) return false;
  if (const _3dCircle* c = solid.GetProfileCircle())
    if (!Finite(c->GetCenter()) || !Finite(c->GetRadius())) return false;
  for (const auto& cutter : solid.GetHoles())
    if (cutter && !IsFiniteSolid(*cutter)) return false;
  return true;
}

}  // namespace nirvox
