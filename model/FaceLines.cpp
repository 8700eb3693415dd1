// A tank from the face lines of a plan drawing: parallel face lines are
// paired into wall centre lines with the distance between them as the wall's
// thickness, the centre lines are joined and cut where they cross, wall ends
// closed by a curve in the drawing are marked, and walls, top slabs and
// bottom slabs are added in one step.
#include "model/TankModeler.h"
#include "platform/Dusmet.h"
#include "platform/Zarvel.h"

#include <boost/make_shared.hpp>

#include <algorithm>
#include <cmath>

namespace {

// One face line in the frame of its group: along-coordinates umin..umax at
// offset v, with the drawn segment it came from.
struct Face {
  double umin = 0.0;
  double umax = 0.0;
  double v = 0.0;
  WallLineRecord source;
};

// The order of the clean-up and the group sorts: by the first coordinate
// taken to the whole millimetre, then by the second, with full tie-breaks
// so that the order is total (first coordinates within a millimetre of each
// other are thus ordered by the second, as a drawing's noise requires).
bool TotalLess(double a1, double a2, double a3, double a4, double b1, double b2, double b3, double b4) {
  const double ra = std::round(a1), rb = std::round(b1);
  if (ra != rb) return ra < rb;
  if (a2 != b2) return a2 < b2;
  if (a1 != b1) return a1 < b1;
  if (a3 != b3) return a3 < b3;
  return a4 < b4;
}

bool SegmentLess(const WallLineRecord& a, const WallLineRecord& b) {
  return TotalLess(a.startX, a.startY, a.endX, a.endY, b.startX, b.startY, b.endX, b.endY);
}

bool FaceLess(const Face& a, const Face& b) { return TotalLess(a.umin, a.v, a.umax, 0, b.umin, b.v, b.umax, 0); }

double Length(const WallLineRecord& r) { return std::hypot(r.endX - r.startX, r.endY - r.startY); }

// Extends `end` through the faces after `first` in order: a face starting
// before end + gap and reaching beyond end moves it, and the scan restarts.
double Chain(const std::vector<Face>& bundle, std::size_t first, double end, double gap) {
  bool changed = true;
  while (changed) {
    changed = false;
    for (std::size_t i = first + 1; i < bundle.size(); ++i)
      if (bundle[i].umin < end + gap && bundle[i].umax > end) {
        end = bundle[i].umax;
        changed = true;
        break;
      }
  }
  return end;
}

// Code 1 when some curve runs from one face corner of the wall end at P to
// the other.
int EndClosure(double px, double py, double theta, double t, const std::vector<WallLineRecord>& curves) {
  const double halfPi = 1.57079632675;
  const double c1x = px + t / 2 * std::cos(theta + halfPi), c1y = py + t / 2 * std::sin(theta + halfPi);
  const double c2x = px + t / 2 * std::cos(theta - halfPi), c2y = py + t / 2 * std::sin(theta - halfPi);
  for (const WallLineRecord& c : curves) {
    int pairs = 0;
    for (const auto& [ex, ey] : {std::pair{c.startX, c.startY}, std::pair{c.endX, c.endY}})
      for (const auto& [qx, qy] : {std::pair{c1x, c1y}, std::pair{c2x, c2y}})
        if (std::fabs(ex - qx) <= 1.5 && std::fabs(ey - qy) <= 1.5) ++pairs;
    if (pairs == 2) return 1;
  }
  return 0;
}

}  // namespace

void TankModeler::GenerateWalls(const ProjectSettings& settings, std::vector<WallLineRecord>& lines,
                                const std::vector<WallLineRecord>& curves, int topSlabFlag,
                                std::vector<WallLineRecord>& out, std::vector<WallLineRecord>* unpaired) const {
  const ModelSettings& model = settings.GetModelSettings();
  const GeometrySettings& geometry = settings.GetGeometrySettings();
  const double D = model.GetMaxWallThickness();
  const double T = model.GetMinWallThickness();
  const double G = std::min(2 * D, 1200.0);
  auto lose = [unpaired](const Face& f) {
    if (unpaired) unpaired->push_back(f.source);
  };

  // Stage 1: order, drop short pieces.
  std::sort(lines.begin(), lines.end(), SegmentLess);
  std::vector<WallLineRecord> remaining;
  for (const WallLineRecord& r : lines) {
    if (Length(r) >= 0.1 * D)
      remaining.push_back(r);
    else if (unpaired)
      unpaired->push_back(r);
  }
  lines.clear();

  // Stage 2: pair face lines into centre lines.
  struct Centre {
    double x0, y0, x1, y1, thickness;
  };
  std::vector<Centre> centres;
  while (!remaining.empty()) {
    const WallLineRecord L0 = remaining.front();
    double dx = L0.endX - L0.startX, dy = L0.endY - L0.startY;
    if (std::fabs(dx) <= 1.0) {
      if (dy < 0) dx = -dx, dy = -dy;
    } else if (dx < 0) {
      dx = -dx, dy = -dy;
    }
    const double theta = std::atan2(dy, dx), c = std::cos(theta), s = std::sin(theta);
    auto U = [c, s](double x, double y) { return x * c + y * s; };
    auto V = [c, s](double x, double y) { return y * c - x * s; };

    std::vector<Face> group;
    std::vector<WallLineRecord> rest;
    for (std::size_t i = 0; i < remaining.size(); ++i) {
      const WallLineRecord& r = remaining[i];
      const double u0 = U(r.startX, r.startY), u1 = U(r.endX, r.endY);
      const double v0 = V(r.startX, r.startY), v1 = V(r.endX, r.endY);
      const double du = std::fabs(u1 - u0);
      if (i == 0 || (du > 0 && std::fabs(v1 - v0) / du < 0.01))
        group.push_back({std::min(u0, u1), std::max(u0, u1), std::min(v0, v1), r});
      else
        rest.push_back(r);
    }
    remaining = std::move(rest);
    if (group.size() < 2) {
      for (const Face& f : group) lose(f);
      continue;
    }
    auto toPlan = [c, s](double u, double v, double& x, double& y) {
      x = u * c - v * s;
      y = u * s + v * c;
    };
    while (!group.empty()) {
      std::sort(group.begin(), group.end(), FaceLess);
      const Face G0 = group.front();
      group.erase(group.begin());
      const bool hasMate = std::any_of(group.begin(), group.end(), [&](const Face& f) {
        return std::fabs(f.v - G0.v) <= D + 5 && G0.umin - 5 <= f.umin && f.umin < G0.umax - 5;
      });
      if (!hasMate) {
        lose(G0);
        continue;
      }
      std::vector<Face> bundle{G0};
      std::vector<Face> keep;
      for (const Face& f : group) (std::fabs(f.v - G0.v) <= D + 5 ? bundle : keep).push_back(f);
      group = std::move(keep);
      const double start = G0.umin;
      const double end = Chain(bundle, 0, G0.umax, G);
      {
        std::vector<Face> inRun;
        for (const Face& f : bundle) (f.umin < start - 5 || f.umax > end + 5 ? group : inRun).push_back(f);
        bundle = std::move(inRun);
      }
      if (bundle.size() <= 1) {
        for (const Face& f : bundle) lose(f);
        continue;
      }
      std::sort(bundle.begin(), bundle.end(), FaceLess);
      const Face F = bundle.front();
      const Face* P = nullptr;
      for (std::size_t i = 1; i < bundle.size(); ++i)
        if (std::fabs(bundle[i].v - F.v) >= T && F.umin - 5 <= bundle[i].umin && bundle[i].umin < F.umax - 5) {
          P = &bundle[i];
          break;
        }
      double runEnd = F.umax;
      if (P) {
        runEnd = Chain(bundle, 0, F.umax, G);
        if (std::fabs(runEnd - F.umin) > 0.1 * D) {
          const double vm = (F.v + P->v) / 2;
          Centre ce{};
          toPlan(F.umin, vm, ce.x0, ce.y0);
          toPlan(runEnd, vm, ce.x1, ce.y1);
          ce.thickness = std::fabs(P->v - F.v);
          centres.push_back(ce);
        }
      }
      for (const Face& f : bundle) {
        if (f.umin < F.umin - 5 || f.umax > runEnd + 5)
          group.push_back(f);
        else if (!P)
          lose(f);
      }
    }
  }

  // Stage 3: heights.
  double top = geometry.GetTopElevation() * 1000.0;
  if (topSlabFlag == 1) top -= geometry.GetTopSlabThickness() * 0.5;
  const double base = geometry.GetBottomElevation() * 1000.0 - geometry.GetBottomSlabThickness() * 0.5;
  const double H = top - base;

  // Stage 4: join and cut the centre lines where they cross.
  auto extended = [D](const Centre& ce) {
    const double len = std::hypot(ce.x1 - ce.x0, ce.y1 - ce.y0);
    const double ux = (ce.x1 - ce.x0) / len, uy = (ce.y1 - ce.y0) / len;
    return _3dLine(_3dPoint(ce.x0 - D * ux, ce.y0 - D * uy, 0), _3dPoint(ce.x1 + D * ux, ce.y1 + D * uy, 0));
  };
  for (std::size_t w = 0; w < centres.size(); ++w) {
    const Centre& W = centres[w];
    const double theta = std::atan2(W.y1 - W.y0, W.x1 - W.x0), c = std::cos(theta), s = std::sin(theta);
    const _3dLine ew = extended(W);
    std::vector<std::pair<double, double>> cuts;  // (u, v)
    for (std::size_t o = 0; o < centres.size(); ++o) {
      if (o == w) continue;
      std::vector<_3dPoint> points;
      if (g_GeomAlgorithm.IntersectCurves(ew, extended(centres[o]), 0, points) > 0)
        cuts.emplace_back(points.front().x * c + points.front().y * s, points.front().y * c - points.front().x * s);
    }
    // The first and the last piece take their codes from the closure test
    // at both of their ends; inner pieces get 0.
    auto record = [&](double x0, double y0, double x1, double y1, bool firstPiece, bool lastPiece) {
      const bool outer = firstPiece || lastPiece;
      WallLineRecord r;
      r.startX = x0;
      r.startY = y0;
      r.endX = x1;
      r.endY = y1;
      r.thickness = W.thickness;
      r.height = H;
      r.startCode = outer ? EndClosure(x0, y0, theta, W.thickness, curves) : 0;
      r.endCode = outer ? EndClosure(x1, y1, theta, W.thickness, curves) : 0;
      out.push_back(r);
    };
    if (cuts.empty()) {
      record(W.x0, W.y0, W.x1, W.y1, true, true);
      continue;
    }
    const double us = W.x0 * c + W.y0 * s, ue = W.x1 * c + W.y1 * s;
    const double vw = W.y0 * c - W.x0 * s;
    std::sort(cuts.begin(), cuts.end());
    const bool addStart = cuts.front().first - us > D;
    const bool addEnd = ue - cuts.back().first > D;
    if (addStart) cuts.emplace_back(us, vw);
    if (addEnd) cuts.emplace_back(ue, vw);
    if (cuts.size() == 1) {
      // The only crossing lies near both ends of a short wall: the wall
      // runs from its farther end to the crossing.
      if (std::fabs(us - cuts.front().first) >= std::fabs(ue - cuts.front().first))
        cuts.emplace_back(us, vw);
      else
        cuts.emplace_back(ue, vw);
    }
    std::sort(cuts.begin(), cuts.end());
    for (std::size_t k = 0; k + 1 < cuts.size(); ++k) {
      const auto [ua, va] = cuts[k];
      const auto [ub, vb] = cuts[k + 1];
      record(ua * c - va * s, ua * s + va * c, ub * c - vb * s, ub * s + vb * c, k == 0, k + 2 == cuts.size());
    }
  }
}

void TankModeler::BuildTankFromCurves(const std::vector<boost::shared_ptr<VekObject>>& entities,
                                      const ProjectSettings& settings, Tank& tank,
                                      std::vector<WallLineRecord>* unpaired) const {
  const int topSlabFlag = settings.GetModelSettings().HasTopSlab();
  const GeometrySettings& geometry = settings.GetGeometrySettings();
  std::vector<WallLineRecord> lines, curves, records;
  ReadWallLines(entities, lines, curves);
  const double base = geometry.GetBottomElevation() * 1000.0 - geometry.GetBottomSlabThickness() * 0.5;
  GenerateWalls(settings, lines, curves, topSlabFlag, records, unpaired);
  std::vector<BoardPtr> boards;
  for (const WallLineRecord& r : records) {
    auto wall = boost::make_shared<Board>();
    if (MakeWallBoard(r, base, wall.get())) boards.push_back(wall);
  }
  if (topSlabFlag == 1)
    MakeSlabsFromWalls(std::vector<BoardPtr>(boards), boards, 2,
                       geometry.GetTopElevation() * 1000.0 - geometry.GetTopSlabThickness() * 0.5,
                       geometry.GetTopSlabThickness());
  MakeSlabsFromWalls(std::vector<BoardPtr>(boards), boards, 1, base, geometry.GetBottomSlabThickness());
  tank.AddBoards(boards);
}
