#include "drawing/AutoDimension.h"

#include "view/TankView.h"

#include <boost/pointer_cast.hpp>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// The frame of an edge: u along it from P towards Q, v across it (smaller v
// on the right of P → Q).
struct EdgeFrame {
  double c = 1.0, s = 0.0, vEdge = 0.0, lo = 0.0, hi = 0.0;
  EdgeFrame(const _2dPoint& p, const _2dPoint& q) {
    const double a = std::atan2(q.y - p.y, q.x - p.x);
    c = std::cos(a);
    s = std::sin(a);
    vEdge = V(p);
    lo = std::min(U(p), U(q));
    hi = std::max(U(p), U(q));
  }
  double U(const _2dPoint& r) const { return r.x * c + r.y * s; }
  double V(const _2dPoint& r) const { return r.y * c - r.x * s; }
  _2dPoint Back(double u, double v) const { return _2dPoint(u * c - v * s, u * s + v * c); }

  // A line parallel to the edge and sharing more than 1.0 of its range, as a
  // segment (u(q), v(q)) → (u(p), v(q)) in the frame; false otherwise.
  bool Candidate(const _2dLine& line, double& uq, double& up, double& vq) const {
    const _2dPoint q = line.GetStartPoint(), p = line.GetEndPoint();
    uq = U(q);
    up = U(p);
    vq = V(q);
    if (!(std::fabs(V(p) - vq) / std::fabs(up - uq) < 0.01)) return false;
    const double loL = std::min(uq, up), hiL = std::max(uq, up);
    return std::max(hi, hiL) - std::min(lo, loL) < (hi - lo) + (hiL - loL) - 1.0;
  }
  DimSegment Segment(double uq, double up, double vq) const {
    const _2dPoint a = Back(uq, vq), b = Back(up, vq);
    return DimSegment(a.x, a.y, b.x, b.y);
  }
};

constexpr double kOnEdge = 1e-6;

// Candidate lines on one side of the edge, in the frame, as (u(q), u(p), v).
struct Found {
  double uq, up, v;
};

std::vector<Found> Candidates(const EdgeFrame& f, const std::vector<_2dLine>& lines, bool outside) {
  std::vector<Found> found;
  for (const _2dLine& line : lines) {
    double uq, up, vq;
    if (!f.Candidate(line, uq, up, vq)) continue;
    // Strictly beside the edge: a line on the edge itself, whose across
    // coordinate differs from the edge's by rounding only, is neither side.
    if (outside ? vq < f.vEdge - kOnEdge : vq > f.vEdge + kOnEdge) found.push_back({uq, up, vq});
  }
  std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) { return a.v < b.v; });
  return found;
}

std::vector<_2dLine> LinesOf(const EntityList& entities) {
  std::vector<_2dLine> lines;
  for (const EntityPtr& e : entities)
    if (auto line = boost::dynamic_pointer_cast<_2dLine>(e)) lines.push_back(*line);
  return lines;
}

struct Box {
  double minX, maxX, minY, maxY;
  void Add(double x, double y) {
    minX = std::min(minX, x);
    maxX = std::max(maxX, x);
    minY = std::min(minY, y);
    maxY = std::max(maxY, y);
  }
};

}  // namespace

void FindOuterParallelLines(const std::vector<_2dPoint>& ring, const std::vector<_2dLine>& lines,
                            std::vector<DimSegment>& outer) {
  for (std::size_t k = 0; k + 1 < ring.size(); ++k) {
    const EdgeFrame f(ring[k], ring[k + 1]);
    const std::vector<Found> found = Candidates(f, lines, true);
    if (!found.empty()) outer.push_back(f.Segment(found.back().uq, found.back().up, found.back().v));
  }
}

void FindParallelNeighbourLines(const std::vector<DimSegment>& edges, const std::vector<_2dLine>& outerCandidates,
                                const std::vector<_2dLine>& innerCandidates, std::vector<DimSegment>& outer,
                                std::vector<DimSegment>& inner) {
  for (const DimSegment& edge : edges) {
    const EdgeFrame f(_2dPoint(edge.firstX, edge.firstY), _2dPoint(edge.secondX, edge.secondY));
    const std::vector<Found> out = Candidates(f, outerCandidates, true);
    if (!out.empty()) outer.push_back(f.Segment(out.back().uq, out.back().up, out.back().v));
    const std::vector<Found> in = Candidates(f, innerCandidates, false);
    if (!in.empty()) inner.push_back(f.Segment(in.front().uq, in.front().up, in.front().v));
  }
}

void ExtendSegmentsAlongLines(std::vector<DimSegment>& segments, const std::vector<_2dLine>& lines, bool joinAsNew) {
  std::vector<DimSegment> result;
  for (DimSegment segment : segments) {
    const _2dPoint p0(segment.firstX, segment.firstY), p1(segment.secondX, segment.secondY);
    int matches = 0;
    auto join = [&](const _2dPoint& a, const _2dPoint& b) { result.push_back(DimSegment(a.x, a.y, b.x, b.y)); };
    for (const _2dLine& line : lines) {
      const _2dPoint q = line.GetStartPoint(), p = line.GetEndPoint();
      if (p0 == q) {
        if (joinAsNew) join(p, q);
        else segment.firstX = p.x, segment.firstY = p.y;
        ++matches;
      }
      if (p0 == p) {
        if (joinAsNew) join(q, p);
        else segment.firstX = q.x, segment.firstY = q.y;
        ++matches;
      }
      if (p1 == q) {
        if (joinAsNew) join(p, q);
        else segment.secondX = p.x, segment.secondY = p.y;
        ++matches;
      }
      if (p1 == p) {
        if (joinAsNew) join(q, p);
        else segment.secondX = q.x, segment.secondY = q.y;
        ++matches;
      }
      if (matches >= 2) break;
    }
    result.push_back(segment);
  }
  segments = result;
}

void AutoDimensionPlan(TankView& view, EntityList& entities, std::vector<int>& kinds, bool left, bool bottom,
                       bool right, bool top, bool joinAsNew, const std::vector<_2dLine>& referenceLines, double scale,
                       double unit) {
  const Extents extent = view.GetExtent(static_cast<int>(0xFDFFE007u));
  EntityList matching, other;
  view.SplitEntitiesByKind(0x40000000, matching, other);
  const std::vector<_2dLine> planLines = LinesOf(matching);
  view.SplitEntitiesByKind(2, matching, other);
  std::vector<_2dLine> outlineLines = LinesOf(matching);
  view.SplitEntitiesByKind(4, matching, other);
  const std::vector<_2dLine> otherLines = LinesOf(matching);
  if (outlineLines.size() <= 1) return;

  // Trace the outer outline from the leftmost line.
  double x0 = std::numeric_limits<double>::max();
  for (const _2dLine& l : outlineLines) x0 = std::min({x0, l.GetStartPoint().x, l.GetEndPoint().x});
  std::vector<_2dLine> pool;
  std::vector<_2dPoint> ring;
  for (std::size_t i = 0; i < outlineLines.size(); ++i) {
    const _2dLine& l = outlineLines[i];
    if (ring.empty() && (std::fabs(l.GetStartPoint().x - x0) <= 0.1 || std::fabs(l.GetEndPoint().x - x0) <= 0.1)) {
      ring = {l.GetStartPoint(), l.GetEndPoint()};
      continue;
    }
    pool.push_back(l);
  }
  pool.insert(pool.end(), otherLines.begin(), otherLines.end());
  for (bool found = true; found;) {
    found = false;
    for (auto it = pool.begin(); it != pool.end(); ++it) {
      if (it->GetStartPoint() == ring.back()) {
        ring.push_back(it->GetEndPoint());
      } else if (it->GetEndPoint() == ring.back()) {
        ring.push_back(it->GetStartPoint());
      } else {
        continue;
      }
      pool.erase(it);
      found = true;
      break;
    }
  }
  if (ring.size() < 4) return;
  if (!(ring.back() == ring.front())) ring.push_back(ring.front());
  if (g_VekGeometryComm.GetArea(ring) < 0.0) std::reverse(ring.begin(), ring.end());

  Box box{x0, ring[0].x, ring[0].y, ring[0].y};
  for (const _2dPoint& p : ring) {
    box.maxX = std::max(box.maxX, p.x);
    box.minY = std::min(box.minY, p.y);
    box.maxY = std::max(box.maxY, p.y);
  }
  const double midX = (box.maxX + box.minX) * 0.5, midY = (box.maxY + box.minY) * 0.5;

  // Sides: 0 left, 1 bottom, 2 right, 3 top.
  const bool enabled[4] = {left, bottom, right, top};
  std::vector<_2dPoint> references[4];
  for (const _2dLine& l : referenceLines) {
    const _2dPoint e = l.GetEndPoint();
    const double dx = e.x - l.GetStartPoint().x, dy = e.y - l.GetStartPoint().y;
    if (std::fabs(dx) > std::fabs(dy)) references[e.y > midY ? 3 : 1].push_back(e);
    else references[e.x > midX ? 2 : 0].push_back(e);
  }

  struct RingEdge {
    _2dPoint p, q;
    double lowX, highX, lowY, highY;
  };
  std::vector<RingEdge> edges;
  for (std::size_t k = 0; k + 1 < ring.size(); ++k) {
    const _2dPoint& p = ring[k];
    const _2dPoint& q = ring[k + 1];
    edges.push_back({p, q, std::min(p.x, q.x), std::max(p.x, q.x), std::min(p.y, q.y), std::max(p.y, q.y)});
  }
  auto share = [](double lo1, double hi1, double lo2, double hi2) {
    return (hi1 - lo1) + (hi2 - lo2) - 1.0 >= std::max(hi1, hi2) - std::min(lo1, lo2);
  };
  std::vector<DimSegment> visible[4], perpendicular[4];
  for (int side = 0; side < 4; ++side) {
    if (!enabled[side]) continue;
    const bool vertical = side == 0 || side == 2;  // the side measures heights
    for (const RingEdge& e : edges) {
      const double across = vertical ? std::fabs(e.q.y - e.p.y) : std::fabs(e.q.x - e.p.x);
      const DimSegment record(e.p.x, e.p.y, e.q.x, e.q.y);
      if (across < 1.0) {
        perpendicular[side].push_back(record);
        continue;
      }
      bool seen = false;
      switch (side) {
        case 0: seen = (e.lowX + e.highX) * 0.5 < midX; break;
        case 1: seen = e.lowY < midY; break;
        case 2: seen = (e.lowX + e.highX) * 0.5 > midX; break;
        default: seen = e.highY > midY; break;
      }
      if (!seen) continue;
      for (const RingEdge& o : edges) {
        if (&o == &e) continue;
        const double oAcross = vertical ? std::fabs(o.q.y - o.p.y) : std::fabs(o.q.x - o.p.x);
        if (oAcross < 1.0) continue;
        bool hides = false;
        switch (side) {
          case 0: hides = o.highX < e.highX && share(o.lowY, o.highY, e.lowY, e.highY); break;
          case 1: hides = o.highY < e.highY && share(o.lowX, o.highX, e.lowX, e.highX); break;
          case 2: hides = o.lowX > e.lowX && share(o.lowY, o.highY, e.lowY, e.highY); break;
          default: hides = o.highY > e.highY && share(o.lowX, o.highX, e.lowX, e.highX); break;
        }
        if (hides) {
          seen = false;
          break;
        }
      }
      if (seen) visible[side].push_back(record);
    }
  }

  std::vector<DimSegment> outerOfRing;
  FindOuterParallelLines(ring, planLines, outerOfRing);
  for (const DimSegment& s : outerOfRing) {
    box.Add(s.firstX, s.firstY);
    box.Add(s.secondX, s.secondY);
  }
  std::vector<DimSegment> outer[4], inner[4];
  for (int side = 0; side < 4; ++side) {
    if (!enabled[side]) continue;
    FindParallelNeighbourLines(visible[side], planLines, outlineLines, outer[side], inner[side]);
    ExtendSegmentsAlongLines(inner[side], otherLines, joinAsNew);
    // A perpendicular edge stays only where it meets a visible edge.
    std::vector<DimSegment> kept;
    for (const DimSegment& s : perpendicular[side]) {
      bool meets = false;
      for (const DimSegment& v : visible[side])
        for (const _2dPoint& a : {_2dPoint(s.firstX, s.firstY), _2dPoint(s.secondX, s.secondY)})
          for (const _2dPoint& b : {_2dPoint(v.firstX, v.firstY), _2dPoint(v.secondX, v.secondY)})
            if (std::fabs(a.x - b.x) <= 1.0 && std::fabs(a.y - b.y) <= 1.0) meets = true;
      if (meets) kept.push_back(s);
    }
    perpendicular[side] = kept;
  }
  if (!extent.IsEmpty()) {
    box.Add(extent.minX, extent.minY);
    box.Add(extent.maxX, extent.maxY);
  }

  for (int side = 0; side < 4; ++side) {
    // A side that sees no edge of the outline has nothing to measure from.
    if (!enabled[side] || visible[side].empty()) continue;
    const bool vertical = side == 0 || side == 2;
    const double at = side == 0 ? box.minX : side == 1 ? box.minY : side == 2 ? box.maxX : box.maxY;
    std::vector<double> values;
    auto along = [vertical](double x, double y) { return vertical ? y : x; };
    double lo = std::numeric_limits<double>::max(), hi = std::numeric_limits<double>::lowest();
    for (const DimSegment& s : visible[side]) {
      lo = std::min({lo, along(s.firstX, s.firstY), along(s.secondX, s.secondY)});
      hi = std::max({hi, along(s.firstX, s.firstY), along(s.secondX, s.secondY)});
    }
    values = {lo, hi};
    if (!outer[side].empty()) {
      double olo = std::numeric_limits<double>::max(), ohi = std::numeric_limits<double>::lowest();
      for (const DimSegment& s : outer[side]) {
        olo = std::min({olo, along(s.firstX, s.firstY), along(s.secondX, s.secondY)});
        ohi = std::max({ohi, along(s.firstX, s.firstY), along(s.secondX, s.secondY)});
      }
      if (olo < lo) values.push_back(olo);
      if (ohi > hi) values.push_back(ohi);
    }
    for (const DimSegment& s : inner[side]) {
      values.push_back(along(s.firstX, s.firstY));
      values.push_back(along(s.secondX, s.secondY));
    }
    for (const DimSegment& s : perpendicular[side]) values.push_back(along(s.firstX, s.firstY));
    for (const _2dPoint& p : references[side]) values.push_back(along(p.x, p.y));

    std::sort(values.begin(), values.end());
    std::vector<_2dPoint> points;
    for (std::size_t i = 0; i < values.size(); ++i) {
      // A point within 1.0 of the one before it along the chain merges.
      if (i > 0 && !(values[i] - values[i - 1] > 1.0)) continue;
      points.push_back(vertical ? _2dPoint(at, values[i]) : _2dPoint(values[i], at));
    }
    DrawDimensionChain(points, 10.0, 20.0, side == 0 || side == 3 ? 0 : 1, true, entities, kinds, scale, unit,
                       0x4000, 14, "");
  }
}
