#include "platform/morlak/polygon.h"

#include <boost/geometry.hpp>
#include <boost/geometry/geometries/point_xy.hpp>
#include <boost/geometry/geometries/ring.hpp>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <limits>
#include <numeric>
#include <tuple>
#include <unordered_map>
#include <utility>

const PolygonAlgorithm g_PolygonAlgorithm;

namespace {

namespace bg = boost::geometry;
using BgPoint = bg::model::d2::point_xy<double>;
// Counter-clockwise, closed: the form of the loops of this file.
using BgRing = bg::model::ring<BgPoint, false, true>;

constexpr double kTol = kPointTolerance;
// Loops of smaller area than this (mm²) enclose nothing.
constexpr double kAreaEps = kTol * kTol;

// Plan coordinates beyond this (mm) are no geometry but a stand-in value such
// as g_MaxValue; the products of such coordinates would overflow.
constexpr double kMaxCoordinate = 1e12;

bool IsFinite(const _2dPoint& p) { return std::isfinite(p.x) && std::isfinite(p.y); }

bool IsUsable(const _2dPoint& p) {
  return IsFinite(p) && std::fabs(p.x) <= kMaxCoordinate && std::fabs(p.y) <= kMaxCoordinate;
}

double Dot(const _2dVector& a, const _2dVector& b) { return a.x * b.x + a.y * b.y; }
double Cross(const _2dVector& a, const _2dVector& b) { return a.x * b.y - a.y * b.x; }

double DistanceToSegment(const _2dPoint& p, const _2dPoint& a, const _2dPoint& b) {
  _2dVector d = b - a;
  double len2 = Dot(d, d);
  double t = len2 > 0.0 ? std::clamp(Dot(p - a, d) / len2, 0.0, 1.0) : 0.0;
  _2dPoint f = a + d * t;
  return std::hypot(p.x - f.x, p.y - f.y);
}

// A grid coordinate of the tolerance for a value, clamped so that the
// conversion stays defined for any finite value.
std::int64_t GridIndex(double v, double cell) {
  double k = std::floor(v / cell);
  constexpr double kLimit = 4.0e18;
  return static_cast<std::int64_t>(std::clamp(k, -kLimit, kLimit));
}

// Points snapped together within the kernel's point equality.  The first point
// entered stands for every later point equal to it.
class PointPool {
 public:
  int Insert(const _2dPoint& p) {
    int found = Find(p);
    if (found >= 0) return found;
    int id = static_cast<int>(m_points.size());
    m_points.push_back(p);
    m_cells[Key(GridIndex(p.x, kTol), GridIndex(p.y, kTol))].push_back(id);
    return id;
  }

  int Find(const _2dPoint& p) const {
    std::int64_t cx = GridIndex(p.x, kTol), cy = GridIndex(p.y, kTol);
    int best = -1;
    for (std::int64_t dx = -1; dx <= 1; ++dx) {
      for (std::int64_t dy = -1; dy <= 1; ++dy) {
        auto it = m_cells.find(Key(cx + dx, cy + dy));
        if (it == m_cells.end()) continue;
        for (int id : it->second) {
          if ((best < 0 || id < best) && m_points[id] == p) best = id;
        }
      }
    }
    return best;
  }

  const _2dPoint& operator[](int id) const { return m_points[id]; }
  int Size() const { return static_cast<int>(m_points.size()); }

 private:
  using CellKey = std::pair<std::int64_t, std::int64_t>;
  struct CellHash {
    std::size_t operator()(const CellKey& k) const {
      std::uint64_t h = static_cast<std::uint64_t>(k.first) * 0x9E3779B97F4A7C15ull;
      h ^= static_cast<std::uint64_t>(k.second) + 0x7F4A7C159E3779B9ull + (h << 6) + (h >> 2);
      return static_cast<std::size_t>(h);
    }
  };
  static CellKey Key(std::int64_t x, std::int64_t y) { return {x, y}; }

  std::vector<_2dPoint> m_points;
  std::unordered_map<CellKey, std::vector<int>, CellHash> m_cells;
};

// A side of the subdivision between two snapped points, with the input lines
// it is part of and how often it was given.
struct Edge {
  int u = 0, v = 0;
  int count = 0;
  std::vector<int> sources;  // input line indices, ascending, without repeats
};

// The lines split at every crossing, T-junction and overlap, their ends
// snapped: the planar subdivision all searches walk.
struct Subdivision {
  PointPool points;
  std::vector<Edge> edges;
};

struct InputSegment {
  _2dPoint a, b;
  int source;
  double minX, maxX, minY, maxY;
};

// Records where segment `s` must be split because of segment `o`: where an
// end of `o` lies on its interior, and where the two cross properly.
void AddEndPointSplits(const InputSegment& s, const InputSegment& o,
                       std::vector<std::pair<double, _2dPoint>>& splits) {
  _2dVector d = s.b - s.a;
  double len2 = Dot(d, d);
  for (const _2dPoint& p : {o.a, o.b}) {
    if (p == s.a || p == s.b) continue;
    if (DistanceToSegment(p, s.a, s.b) > kTol) continue;
    double t = Dot(p - s.a, d) / len2;
    if (!(t > 0.0 && t < 1.0)) continue;
    splits.emplace_back(t, p);
  }
}

void Intersect(const InputSegment& s, const InputSegment& o,
               std::vector<std::pair<double, _2dPoint>>& sSplits,
               std::vector<std::pair<double, _2dPoint>>& oSplits) {
  AddEndPointSplits(s, o, sSplits);
  AddEndPointSplits(o, s, oSplits);

  _2dVector r = s.b - s.a, q = o.b - o.a;
  double lenR = r.GetLength(), lenQ = q.GetLength();
  double denom = Cross(r, q);
  // Parallel lines meet only through their ends (handled above).
  if (std::fabs(denom) <= 1e-12 * lenR * lenQ) return;
  _2dVector w = o.a - s.a;
  double t = Cross(w, q) / denom;
  double u = Cross(w, r) / denom;
  if (!std::isfinite(t) || !std::isfinite(u)) return;
  // Crossings within the tolerance of an end are T-junctions or shared ends.
  if (t * lenR <= kTol || (1.0 - t) * lenR <= kTol) return;
  if (u * lenQ <= kTol || (1.0 - u) * lenQ <= kTol) return;
  _2dPoint x = s.a + r * t;
  sSplits.emplace_back(t, x);
  oSplits.emplace_back(u, x);
}

Subdivision BuildSubdivision(const std::vector<_2dLine>& lines) {
  Subdivision sub;
  std::vector<InputSegment> segs;
  segs.reserve(lines.size());
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const _2dPoint& a = lines[i].GetStartPoint();
    const _2dPoint& b = lines[i].GetEndPoint();
    if (!IsUsable(a) || !IsUsable(b) || a == b) continue;
    segs.push_back({a, b, static_cast<int>(i), std::min(a.x, b.x), std::max(a.x, b.x),
                    std::min(a.y, b.y), std::max(a.y, b.y)});
  }
  // Line ends first, in input order: they stand for the points snapped to them.
  for (const InputSegment& s : segs) {
    sub.points.Insert(s.a);
    sub.points.Insert(s.b);
  }

  // Pairs whose boxes touch, found by sweeping the boxes along x.
  std::vector<std::vector<std::pair<double, _2dPoint>>> splits(segs.size());
  std::vector<std::size_t> order(segs.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::sort(order.begin(), order.end(), [&](std::size_t i, std::size_t j) {
    return segs[i].minX < segs[j].minX || (segs[i].minX == segs[j].minX && i < j);
  });
  for (std::size_t oi = 0; oi < order.size(); ++oi) {
    const InputSegment& s = segs[order[oi]];
    for (std::size_t oj = oi + 1; oj < order.size(); ++oj) {
      const InputSegment& o = segs[order[oj]];
      if (o.minX > s.maxX + kTol) break;
      if (o.minY > s.maxY + kTol || o.maxY < s.minY - kTol) continue;
      Intersect(s, o, splits[order[oi]], splits[order[oj]]);
    }
  }

  // Pieces between consecutive split points; equal pieces become one edge.
  std::unordered_map<std::uint64_t, int> edgeIndex;
  for (std::size_t i = 0; i < segs.size(); ++i) {
    auto& sp = splits[i];
    std::stable_sort(sp.begin(), sp.end(),
                     [](const auto& l, const auto& r) { return l.first < r.first; });
    std::vector<int> ids;
    ids.reserve(sp.size() + 2);
    ids.push_back(sub.points.Insert(segs[i].a));
    for (const auto& s : sp) ids.push_back(sub.points.Insert(s.second));
    ids.push_back(sub.points.Insert(segs[i].b));
    for (std::size_t k = 0; k + 1 < ids.size(); ++k) {
      int u = ids[k], v = ids[k + 1];
      if (u == v) continue;
      int lo = std::min(u, v), hi = std::max(u, v);
      std::uint64_t key = (static_cast<std::uint64_t>(lo) << 32) | static_cast<std::uint32_t>(hi);
      auto [it, inserted] = edgeIndex.emplace(key, static_cast<int>(sub.edges.size()));
      if (inserted) sub.edges.push_back({lo, hi, 0, {}});
      Edge& e = sub.edges[it->second];
      ++e.count;
      if (e.sources.empty() || e.sources.back() != segs[i].source) e.sources.push_back(segs[i].source);
    }
  }
  return sub;
}

// Removes the edges that close nothing: repeatedly, every edge at a point
// that has no other edge.
std::vector<int> PruneTrees(const Subdivision& sub, const std::vector<int>& edgeIds) {
  std::vector<std::vector<int>> incident(sub.points.Size());
  for (int e : edgeIds) {
    incident[sub.edges[e].u].push_back(e);
    incident[sub.edges[e].v].push_back(e);
  }
  std::vector<int> degree(sub.points.Size());
  for (int p = 0; p < sub.points.Size(); ++p) degree[p] = static_cast<int>(incident[p].size());
  std::vector<char> removed(sub.edges.size(), 0);
  std::vector<int> stack;
  for (int p = 0; p < sub.points.Size(); ++p) {
    if (degree[p] == 1) stack.push_back(p);
  }
  while (!stack.empty()) {
    int p = stack.back();
    stack.pop_back();
    if (degree[p] != 1) continue;
    for (int e : incident[p]) {
      if (removed[e]) continue;
      removed[e] = 1;
      int other = sub.edges[e].u == p ? sub.edges[e].v : sub.edges[e].u;
      --degree[p];
      if (--degree[other] == 1) stack.push_back(other);
      break;
    }
  }
  std::vector<int> kept;
  for (int e : edgeIds) {
    if (!removed[e]) kept.push_back(e);
  }
  return kept;
}

// A corner of a walked loop: a point and the side that leaves it.
struct Corner {
  int point;
  int edge;
};
using CornerLoop = std::vector<Corner>;

// Walks every face of the subdivision formed by the given edges.  Each edge
// is used once in each direction; a face is on the left of its loop.
std::vector<CornerLoop> WalkFaces(const Subdivision& sub, const std::vector<int>& edgeIds) {
  // Half-edge 2k runs u -> v of edge edgeIds[k], 2k + 1 runs back.
  const int nHalf = static_cast<int>(edgeIds.size()) * 2;
  auto origin = [&](int h) {
    const Edge& e = sub.edges[edgeIds[h / 2]];
    return h % 2 == 0 ? e.u : e.v;
  };
  auto target = [&](int h) { return origin(h ^ 1); };

  // Outgoing half-edges of each point, counter-clockwise by direction.
  std::unordered_map<int, std::vector<int>> outgoing;
  for (int h = 0; h < nHalf; ++h) outgoing[origin(h)].push_back(h);
  std::vector<double> angle(nHalf), length(nHalf);
  for (int h = 0; h < nHalf; ++h) {
    _2dVector d = sub.points[target(h)] - sub.points[origin(h)];
    angle[h] = std::atan2(d.y, d.x);
    length[h] = d.GetLength();
  }
  std::vector<int> position(nHalf);
  for (auto& [point, hs] : outgoing) {
    std::sort(hs.begin(), hs.end(), [&](int a, int b) {
      return std::tie(angle[a], length[a], a) < std::tie(angle[b], length[b], b);
    });
    for (std::size_t i = 0; i < hs.size(); ++i) position[hs[i]] = static_cast<int>(i);
  }
  // Arriving along h, leave by the next outgoing half-edge clockwise from the
  // way back: the smallest turn that keeps the face on the left.
  auto next = [&](int h) {
    int back = h ^ 1;
    const std::vector<int>& hs = outgoing[origin(back)];
    int n = static_cast<int>(hs.size());
    return hs[(position[back] - 1 + n) % n];
  };

  std::vector<CornerLoop> faces;
  std::vector<char> used(nHalf, 0);
  for (int start = 0; start < nHalf; ++start) {
    if (used[start]) continue;
    CornerLoop face;
    for (int h = start; !used[h]; h = next(h)) {
      used[h] = 1;
      face.push_back({origin(h), edgeIds[h / 2]});
    }
    faces.push_back(std::move(face));
  }
  return faces;
}

std::vector<_2dPoint> Points(const Subdivision& sub, const CornerLoop& loop) {
  std::vector<_2dPoint> pts;
  pts.reserve(loop.size() + 1);
  for (const Corner& c : loop) pts.push_back(sub.points[c.point]);
  return pts;
}

// Signed area of a loop given without its closing repeat.
double SignedArea(const std::vector<_2dPoint>& pts) {
  if (pts.size() < 3) return 0.0;
  BgRing ring;
  ring.reserve(pts.size() + 1);
  for (const _2dPoint& p : pts) ring.emplace_back(p.x, p.y);
  ring.emplace_back(pts.front().x, pts.front().y);
  return bg::area(ring);
}

double SignedArea(const Subdivision& sub, const CornerLoop& loop) {
  return SignedArea(Points(sub, loop));
}

CornerLoop Reversed(const CornerLoop& loop) {
  // The side from corner i to corner i + 1 becomes the side leaving i + 1.
  CornerLoop r;
  const std::size_t n = loop.size();
  r.reserve(n);
  for (std::size_t j = 0; j < n; ++j) {
    std::size_t from = (n - j) % n;
    std::size_t side = (2 * n - j - 1) % n;
    r.push_back({loop[from].point, loop[side].edge});
  }
  return r;
}

// Splits a closed walk at the points it visits more than once into simple
// loops.
std::vector<CornerLoop> SplitAtRepeatedPoints(const CornerLoop& loop) {
  std::vector<CornerLoop> parts;
  CornerLoop stack;
  std::unordered_map<int, std::size_t> at;
  for (const Corner& c : loop) {
    auto it = at.find(c.point);
    if (it != at.end()) {
      std::size_t k = it->second;
      CornerLoop part(stack.begin() + static_cast<std::ptrdiff_t>(k), stack.end());
      for (const Corner& p : part) at.erase(p.point);
      stack.resize(k);
      parts.push_back(std::move(part));
    }
    at[c.point] = stack.size();
    stack.push_back(c);
  }
  if (!stack.empty()) parts.push_back(std::move(stack));
  return parts;
}

bool ShareSource(const std::vector<int>& a, const std::vector<int>& b) {
  auto i = a.begin(), j = b.begin();
  while (i != a.end() && j != b.end()) {
    if (*i == *j) return true;
    if (*i < *j) ++i; else ++j;
  }
  return false;
}

std::vector<int> CommonSources(const std::vector<int>& a, const std::vector<int>& b) {
  std::vector<int> r;
  std::set_intersection(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(r));
  return r;
}

// prev -> p -> next runs straight on (p within the tolerance of the side
// prev-next, and no turn back).
bool RunsStraightOn(const _2dPoint& prev, const _2dPoint& p, const _2dPoint& next) {
  if (Dot(p - prev, next - p) <= 0.0) return false;
  return DistanceToSegment(p, prev, next) <= kTol;
}

// A loop point with the input lines of the side leaving it.
struct LoopPoint {
  _2dPoint p;
  std::vector<int> sources;
};

// Drops the points where the loop runs straight on along one input line.
std::vector<LoopPoint> DropSplitPoints(std::vector<LoopPoint> loop) {
  const std::size_t n = loop.size();
  if (n < 4) return loop;
  // Start at a point where the loop turns: it stays whatever goes around it.
  std::size_t start = n;
  for (std::size_t i = 0; i < n; ++i) {
    if (!RunsStraightOn(loop[(i + n - 1) % n].p, loop[i].p, loop[(i + 1) % n].p)) {
      start = i;
      break;
    }
  }
  if (start == n) return loop;
  std::rotate(loop.begin(), loop.begin() + static_cast<std::ptrdiff_t>(start), loop.end());
  std::vector<LoopPoint> out;
  out.push_back(loop[0]);
  for (std::size_t i = 1; i < n; ++i) {
    LoopPoint& last = out.back();
    const _2dPoint& next = loop[(i + 1) % n].p;
    if (ShareSource(last.sources, loop[i].sources) && RunsStraightOn(last.p, loop[i].p, next)) {
      last.sources = CommonSources(last.sources, loop[i].sources);
      continue;
    }
    out.push_back(loop[i]);
  }
  return out;
}

std::vector<LoopPoint> ToLoopPoints(const Subdivision& sub, const CornerLoop& loop) {
  std::vector<LoopPoint> out;
  out.reserve(loop.size());
  for (const Corner& c : loop) out.push_back({sub.points[c.point], sub.edges[c.edge].sources});
  return out;
}

// Grid key of a point: height first, then abscissa, on a grid of the
// tolerance; the exact values break ties.
auto LowKey(const _2dPoint& p) {
  return std::make_tuple(std::llround(std::clamp(p.y / kTol, -4.0e18, 4.0e18)),
                         std::llround(std::clamp(p.x / kTol, -4.0e18, 4.0e18)), p.y, p.x);
}

// Starts the loop at its lowest (then leftmost) point and closes it.
PointLoop Finish(const std::vector<_2dPoint>& pts) {
  std::size_t low = 0;
  for (std::size_t i = 1; i < pts.size(); ++i) {
    if (LowKey(pts[i]) < LowKey(pts[low])) low = i;
  }
  PointLoop loop(pts.begin() + static_cast<std::ptrdiff_t>(low), pts.end());
  loop.insert(loop.end(), pts.begin(), pts.begin() + static_cast<std::ptrdiff_t>(low));
  loop.push_back(loop.front());
  return loop;
}

PointLoop Finish(const std::vector<LoopPoint>& loop) {
  std::vector<_2dPoint> pts;
  pts.reserve(loop.size());
  for (const LoopPoint& lp : loop) pts.push_back(lp.p);
  return Finish(pts);
}

// Orders finished loops by their first point; loops starting at one point by
// the direction of their first side, then by area (larger first).
void SortLoops(PointLoops& loops) {
  auto key = [](const PointLoop& l) {
    _2dVector d = l[1] - l[0];
    std::vector<_2dPoint> open(l.begin(), l.end() - 1);
    return std::make_tuple(LowKey(l[0]), std::atan2(d.y, d.x), -SignedArea(open));
  };
  std::vector<std::pair<decltype(key(loops.front())), std::size_t>> keys;
  keys.reserve(loops.size());
  for (std::size_t i = 0; i < loops.size(); ++i) keys.emplace_back(key(loops[i]), i);
  std::stable_sort(keys.begin(), keys.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  PointLoops sorted;
  sorted.reserve(loops.size());
  for (const auto& k : keys) sorted.push_back(std::move(loops[k.second]));
  loops = std::move(sorted);
}

std::vector<int> AllEdges(const Subdivision& sub) {
  std::vector<int> ids(sub.edges.size());
  std::iota(ids.begin(), ids.end(), 0);
  return ids;
}

PointLoops Regions(const std::vector<_2dLine>& lines) {
  Subdivision sub = BuildSubdivision(lines);
  std::vector<int> edges = PruneTrees(sub, AllEdges(sub));
  PointLoops regions;
  for (const CornerLoop& face : WalkFaces(sub, edges)) {
    if (SignedArea(sub, face) <= kAreaEps) continue;  // outer boundaries
    std::vector<LoopPoint> pts = DropSplitPoints(ToLoopPoints(sub, face));
    if (pts.size() < 3) continue;
    regions.push_back(Finish(pts));
  }
  SortLoops(regions);
  return regions;
}

bool Contains(const PointLoop& loop, const _2dPoint& p) {
  for (std::size_t i = 0; i + 1 < loop.size(); ++i) {
    if (DistanceToSegment(p, loop[i], loop[i + 1]) <= kTol) return true;
  }
  BgRing ring;
  ring.reserve(loop.size());
  for (const _2dPoint& q : loop) ring.emplace_back(q.x, q.y);
  return bg::within(BgPoint(p.x, p.y), ring);
}

// Drops consecutive equal points (cyclically) and spikes from an open loop.
std::vector<_2dPoint> CleanPoints(const PointLoop& loop) {
  std::vector<_2dPoint> pts;
  for (const _2dPoint& p : loop) {
    if (!IsUsable(p)) continue;
    if (pts.empty() || !(pts.back() == p)) pts.push_back(p);
  }
  while (pts.size() > 1 && pts.back() == pts.front()) pts.pop_back();
  // Spikes: the loop turns back along its previous side at p.  Removing one
  // can make its neighbours equal or a new spike, so repeat until none is left.
  bool changed = true;
  while (changed && pts.size() >= 3) {
    changed = false;
    for (std::size_t i = 0; i < pts.size() && pts.size() >= 3; ++i) {
      std::size_t n = pts.size();
      const _2dPoint& prev = pts[(i + n - 1) % n];
      const _2dPoint& next = pts[(i + 1) % n];
      _2dVector a = pts[i] - prev, b = next - pts[i];
      bool back = Dot(a, b) < 0.0 &&
                  std::fabs(Cross(a, b)) <= kTol * std::max(a.GetLength(), b.GetLength());
      if (!back && !(prev == next)) continue;
      pts.erase(pts.begin() + static_cast<std::ptrdiff_t>(i));
      // The neighbours may now be equal.
      n = pts.size();
      if (n >= 2) {
        std::size_t j = (i + n - 1) % n;
        if (pts[j] == pts[i % n]) pts.erase(pts.begin() + static_cast<std::ptrdiff_t>(i % n));
      }
      changed = true;
      break;
    }
  }
  return pts;
}

bool LiesOnSomeLine(const _2dPoint& a, const _2dPoint& b, const std::vector<_2dLine>& lines) {
  for (const _2dLine& l : lines) {
    if (DistanceToSegment(a, l.GetStartPoint(), l.GetEndPoint()) <= kTol &&
        DistanceToSegment(b, l.GetStartPoint(), l.GetEndPoint()) <= kTol) {
      return true;
    }
  }
  return false;
}

}  // namespace

PointLoops PolygonAlgorithm::BuildLoops(const std::vector<_2dLine>& lines) const {
  Subdivision sub = BuildSubdivision(lines);
  // Sides given an even number of times cancel; an odd number counts once.
  std::vector<int> odd;
  for (std::size_t e = 0; e < sub.edges.size(); ++e) {
    if (sub.edges[e].count % 2 == 1) odd.push_back(static_cast<int>(e));
  }
  std::vector<int> edges = PruneTrees(sub, odd);
  PointLoops loops;
  for (const CornerLoop& face : WalkFaces(sub, edges)) {
    // Each connected group has one clockwise face walk: its outer boundary.
    if (SignedArea(sub, face) >= -kAreaEps) continue;
    for (CornerLoop& part : SplitAtRepeatedPoints(Reversed(face))) {
      double area = SignedArea(sub, part);
      if (std::fabs(area) <= kAreaEps) continue;  // a line walked there and back
      if (area < 0.0) part = Reversed(part);
      std::vector<LoopPoint> pts = DropSplitPoints(ToLoopPoints(sub, part));
      if (pts.size() < 3) continue;
      loops.push_back(Finish(pts));
    }
  }
  SortLoops(loops);
  return loops;
}

PointLoop PolygonAlgorithm::NormalizeLoop(PointLoop loop) const {
  return NormalizeLoop(std::move(loop), {});
}

PointLoop PolygonAlgorithm::NormalizeLoop(PointLoop loop, const std::vector<_2dLine>& lines) const {
  std::vector<_2dPoint> pts = CleanPoints(loop);
  if (pts.size() < 3) return {};
  if (!lines.empty()) {
    // Merge at points where the loop runs straight on and both sides lie on
    // one of the lines.  Start at a point that certainly stays (a turn).
    const std::size_t n = pts.size();
    std::size_t start = n;
    for (std::size_t i = 0; i < n; ++i) {
      if (!RunsStraightOn(pts[(i + n - 1) % n], pts[i], pts[(i + 1) % n])) {
        start = i;
        break;
      }
    }
    if (start < n) {
      std::rotate(pts.begin(), pts.begin() + static_cast<std::ptrdiff_t>(start), pts.end());
      std::vector<_2dPoint> out{pts[0]};
      for (std::size_t i = 1; i < n; ++i) {
        const _2dPoint& next = pts[(i + 1) % n];
        if (RunsStraightOn(out.back(), pts[i], next) && LiesOnSomeLine(out.back(), next, lines)) continue;
        out.push_back(pts[i]);
      }
      // Keep the caller's first point first when it stayed.
      auto first = std::find_if(out.begin(), out.end(), [&](const _2dPoint& p) {
        return p.x == loop.front().x && p.y == loop.front().y;
      });
      if (first != out.end()) std::rotate(out.begin(), first, out.end());
      pts = std::move(out);
    }
  }
  if (pts.size() < 3) return {};
  if (SignedArea(pts) < 0.0) std::reverse(pts.begin() + 1, pts.end());
  pts.push_back(pts.front());
  return pts;
}

PointLoops PolygonAlgorithm::FindRegions(const std::vector<_2dLine>& lines) const {
  return Regions(lines);
}

bool PolygonAlgorithm::FindLoopAroundPoint(const _2dPoint& point, const std::vector<_2dLine>& lines,
                                           PointLoop& loop) const {
  if (!IsUsable(point)) return false;
  const PointLoop* best = nullptr;
  double bestArea = 0.0;
  PointLoops regions = Regions(lines);
  for (const PointLoop& r : regions) {
    if (!Contains(r, point)) continue;
    double area = SignedArea(std::vector<_2dPoint>(r.begin(), r.end() - 1));
    if (best == nullptr || area < bestArea) {
      best = &r;
      bestArea = area;
    }
  }
  if (best == nullptr) return false;
  loop = *best;
  return true;
}
