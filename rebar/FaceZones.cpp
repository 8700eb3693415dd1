// Face zones of the boards: the bars selected for every board face and
// direction laid as one zone per layer.  Each bar line across the board's
// outline becomes bars on the bar layer of the face (the face's own offset
// from the reference plane less its cover), cut where openings cross it; a
// bar end at an opening stops one cover inside the concrete, and a bar end at
// the board's outline takes the end treatment of its edge (free edge, overhang,
// abutment or the boards meeting there; rebar/BarEnds.h).
#include "rebar/FaceZones.h"

#include "platform/Zarvel.h"
#include "rebar/BarEnds.h"
#include "rebar/BarLines.h"
#include "rebar/DetailingRules.h"
#include "rebar/JointZones.h"
#include "rebar/ReinTrendAdapter.h"

#include <boost/make_shared.hpp>

#include <algorithm>
#include <cmath>
#include <memory>
#include <typeinfo>

namespace {

// The first edge of the board whose line holds the point within 0.01 mm; -1
// for none.
int EdgeHolding(const Board& board, const _2dPoint& p) {
  const auto& edges = board.GetEdges();
  for (std::size_t i = 0; i < edges.size(); ++i) {
    const _2dPoint a = edges[i].GetStartPoint(), b = edges[i].GetEndPoint();
    const _2dVector ab = b - a;
    const double len = ab.GetLength();
    if (len <= 0) continue;
    const _2dVector ap = p - a;
    const double t = (ap.x * ab.x + ap.y * ab.y) / (len * len);
    if (std::abs(ab.Cross(ap)) / len <= 0.01 && t >= -0.01 / len && t <= 1 + 0.01 / len) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace

std::vector<double> OutlineCrossings(const std::vector<_2dPoint>& outline, const _2dPoint& a, const _2dPoint& b) {
  std::vector<double> ts;
  const _2dVector d = b - a;
  for (std::size_t i = 0; i < outline.size(); ++i) {
    const _2dPoint& p = outline[i];
    const _2dVector e = outline[(i + 1) % outline.size()] - p;
    const double den = d.Cross(e);
    if (std::abs(den) < 1e-12) continue;
    const _2dVector ap = p - a;
    const double u = ap.Cross(d) / den;
    if (u >= -1e-9 && u <= 1 + 1e-9) ts.push_back(ap.Cross(e) / den);
  }
  return ts;
}

std::vector<double> CircleCrossings(const _2dPoint& centre, double radius, const _2dPoint& a, const _2dPoint& b) {
  const _2dVector d = b - a, f = a - centre;
  const double qa = d.Dot(d), qb = 2 * f.Dot(d), qc = f.Dot(f) - radius * radius;
  const double disc = qb * qb - 4 * qa * qc;
  if (qa <= 0 || disc <= 0) return {};
  return {(-qb - std::sqrt(disc)) / (2 * qa), (-qb + std::sqrt(disc)) / (2 * qa)};
}

namespace {

// Where the linear function v0 + v1·t lies in (lo, hi): the stretch [t0, t1];
// false when it never does.
bool LinearWithin(double v0, double v1, double lo, double hi, double& t0, double& t1) {
  if (std::abs(v1) < 1e-12) {
    if (v0 <= lo || v0 >= hi) return false;
    t0 = -1e300, t1 = 1e300;
    return true;
  }
  t0 = (lo - v0) / v1, t1 = (hi - v0) / v1;
  if (t0 > t1) std::swap(t0, t1);
  return true;
}

// Joins [t0, t1] into the stretch [lo, hi] (empty while lo > hi).
void Widen(double t0, double t1, double& lo, double& hi) {
  lo = std::min(lo, t0);
  hi = std::max(hi, t1);
}

// A distance that counts as keeping the cover: rounding aside, a bar at the
// cover's distance keeps it.
constexpr double kCoverSlack = 1e-6;

}  // namespace

bool OpeningGap(const std::vector<_2dPoint>& corners, double cover, const _2dPoint& a, const _2dPoint& b, double& t0,
                double& t1) {
  std::vector<_2dPoint> c = corners;
  if (c.size() > 1 && (c.front() - c.back()).GetLength() < 1e-9) c.pop_back();
  if (c.size() < 3) return false;
  const _2dVector d = b - a;
  const double length = d.GetLength();
  if (length <= 0) return false;
  double lo = 1e300, hi = -1e300;
  // The crossing, widened by the cover.
  const std::vector<double> ts = OutlineCrossings(c, a, b);
  if (ts.size() >= 2) {
    const auto [mn, mx] = std::minmax_element(ts.begin(), ts.end());
    if ((*mx - *mn) * length > 1e-6) Widen(*mn - cover / length, *mx + cover / length, lo, hi);
  }
  // Closer than the cover to a side: the side's band, or a corner's circle.
  const double reach = cover - kCoverSlack;
  if (reach > 0) {
    for (std::size_t i = 0; i < c.size(); ++i) {
      const _2dPoint& p = c[i];
      const _2dVector e = c[(i + 1) % c.size()] - p;
      const double side = e.GetLength();
      if (side <= 0) continue;
      const _2dVector u = e * (1.0 / side), n(-u.y, u.x);
      const _2dVector ap = a - p;
      double s0, s1, h0, h1;
      if (LinearWithin(ap.Dot(u), d.Dot(u), 0.0, side, s0, s1) &&
          LinearWithin(ap.Dot(n), d.Dot(n), -reach, reach, h0, h1) && std::max(s0, h0) < std::min(s1, h1))
        Widen(std::max(s0, h0), std::min(s1, h1), lo, hi);
      const std::vector<double> around = CircleCrossings(p, reach, a, b);
      if (around.size() == 2) Widen(around[0], around[1], lo, hi);
    }
  }
  if (lo > hi) return false;
  t0 = lo, t1 = hi;
  return true;
}

bool CircleOpeningGap(const _2dPoint& centre, double radius, double cover, const _2dPoint& a, const _2dPoint& b,
                      double& t0, double& t1) {
  const double length = (b - a).GetLength();
  if (length <= 0 || radius <= 0) return false;
  double lo = 1e300, hi = -1e300;
  const std::vector<double> ts = CircleCrossings(centre, radius, a, b);
  if (ts.size() == 2) Widen(ts[0] - cover / length, ts[1] + cover / length, lo, hi);
  const std::vector<double> around = CircleCrossings(centre, radius + std::max(0.0, cover - kCoverSlack), a, b);
  if (around.size() == 2) Widen(around[0], around[1], lo, hi);
  if (lo > hi) return false;
  t0 = lo, t1 = hi;
  return true;
}

std::vector<std::pair<double, double>> PiecesBetweenGaps(std::vector<std::pair<double, double>> gaps,
                                                         double shortest) {
  std::sort(gaps.begin(), gaps.end());
  std::vector<std::pair<double, double>> pieces;
  double from = 0.0;
  for (const auto& [g0, g1] : gaps) {
    if (g1 <= from) continue;
    if (g0 >= 1.0) break;
    if (g0 - from > shortest) pieces.emplace_back(from, g0);
    from = std::max(from, g1);
  }
  if (1.0 - from > shortest) pieces.emplace_back(from, 1.0);
  return pieces;
}

bool InsideOrAlong(const std::vector<_2dPoint>& polygon, const _2dPoint& p) {
  return g_VekGeometryComm.PointInPolygon2d(polygon, p, 0.5) >= 0;
}

double EdgeReach(const Tank& tank, const BoardPtr& board, int edge, const std::vector<BoardPtr>& ignored) {
  std::vector<BoardPtr> others;
  std::vector<int> edges;
  tank.GetBoardsOnEdge(board, edge, others, edges);
  _3dVector in = board->GetEdgeDirection(edge);
  in.Normalize(1e-9);
  double reach = 0.0;
  for (const BoardPtr& other : others) {
    if (!other || other == board || std::find(ignored.begin(), ignored.end(), other) != ignored.end()) continue;
    _3dVector on = other->GetNormal();
    on.Normalize(1e-9);
    const double c = in.DotProduct(on);
    if (std::abs(c) < 0.1) continue;
    reach = std::max(reach, (c > 0 ? other->GetUpperOffset() : other->GetLowerOffset()) / std::abs(c));
  }
  return reach;
}

std::vector<_2dPoint> InsetOutline(const std::vector<_2dPoint>& outline, const std::vector<double>& reaches) {
  const std::size_t n = outline.size();
  if (n < 3 || reaches.size() != n || std::all_of(reaches.begin(), reaches.end(), [](double r) { return r <= 0; }))
    return outline;
  const double area = g_VekGeometryComm.GetArea(outline);
  std::vector<_2dPoint> a(n);
  std::vector<_2dVector> d(n);
  for (std::size_t i = 0; i < n; ++i) {
    const _2dVector e = (outline[(i + 1) % n] - outline[i]).GetUnitVector(1e-9);
    const _2dVector inward = area > 0 ? _2dVector(-e.y, e.x) : _2dVector(e.y, -e.x);
    a[i] = outline[i] + inward * std::max(reaches[i], 0.0);
    d[i] = e;
  }
  std::vector<_2dPoint> clear;
  for (std::size_t i = 0; i < n; ++i) {
    const std::size_t k = (i + n - 1) % n;
    const double den = d[k].Cross(d[i]);
    if (std::abs(den) < 1e-9) {
      clear.push_back(a[i]);
      continue;
    }
    clear.push_back(a[k] + d[k] * ((a[i] - a[k]).Cross(d[i]) / den));
  }
  // Supports that leave no clear part (or turn the outline inside out): the
  // bars are spread over the whole outline.
  const double clearArea = g_VekGeometryComm.GetArea(clear);
  if (clearArea * area <= 0 || std::abs(clearArea) < 1e-6 * std::abs(area)) return outline;
  return clear;
}

std::vector<_2dPoint> GetClearOutline(const Tank& tank, const BoardPtr& board) {
  std::vector<_2dPoint> outline;
  board->GetLocalOutline(outline);
  if (outline.size() < 3) return outline;
  // Neighbours in the board's plane reach nowhere into it.
  std::vector<double> reaches(outline.size());
  for (std::size_t i = 0; i < outline.size(); ++i) reaches[i] = EdgeReach(tank, board, static_cast<int>(i), {});
  return InsetOutline(outline, reaches);
}

_2dLine ExtendToOutline(const std::vector<_2dPoint>& outline, const _2dLine& line) {
  const _2dPoint a = line.GetStartPoint(), b = line.GetEndPoint();
  const std::vector<double> ts = OutlineCrossings(outline, a, b);
  double t0 = 0.0, t1 = 1.0;
  bool before = false, after = false;
  for (double t : ts) {
    if (t <= 1e-9 && (!before || t > t0)) t0 = t, before = true;
    if (t >= 1 - 1e-9 && (!after || t < t1)) t1 = t, after = true;
  }
  const _2dVector d = b - a;
  return _2dLine(a + d * t0, a + d * t1);
}

namespace {

// The end of a bar line on the board's outline, with the edge holding it.
BarEndRecord EndRecord(const BoardPtr& board, const _2dPoint& p) {
  return BarEndRecord{_3dPoint(p.x, p.y, 0.0), board, EdgeHolding(*board, p)};
}

}  // namespace

std::vector<ReinPtr> LayFaceBars(const Tank& tank, const ReinDesignOptions& options, const BoardPtr& board, bool upper,
                                 bool x, int spacing, const ReinTrendAdapter* adapter) {
  std::vector<ReinPtr> bars;
  if (spacing <= 0) return bars;
  const double angle = board->GetReinAngle();
  const _2dVector dir = x ? _2dVector(std::cos(angle), std::sin(angle)) : _2dVector(-std::sin(angle), std::cos(angle));
  // The bar lines are spread over the board's clear part between the boards
  // meeting its edges (no bar line inside a support), then run on to the
  // board's own outline, where their ends take their edges' treatment.
  std::vector<_2dPoint> outline;
  board->GetLocalOutline(outline);
  // A wall whose top is not fixed may have its vertical bars extended: the
  // lines are laid at half the spacing, every other one (the first, third,
  // ...) a bar only the extension long from the wall's foot.
  double extension = 0.0;
  const bool extended = GetWallBarExtension(options, board, upper, x, extension);
  const int lineSpacing = extended ? std::max(1, spacing / 2) : spacing;
  std::vector<_2dLine> lines;
  const bool sortByY = std::abs(dir.y) > std::abs(dir.x);
  LayoutBarLines(GetClearOutline(tank, board), lineSpacing, dir, lines, &sortByY, false);
  if (lines.empty()) return bars;
  std::unique_ptr<ReinTrendAdapter> own;
  if (!adapter) {
    own = std::make_unique<ReinTrendAdapter>(tank);
    adapter = own.get();
  }
  std::vector<boost::shared_ptr<Entity>> openings;
  GetHoleOutlines(board, openings);
  for (std::size_t k = 1; k <= lines.size(); ++k) {
    const _2dLine line = ExtendToOutline(outline, lines[k - 1]);
    const BarEndRecord start = EndRecord(board, line.GetStartPoint()), end = EndRecord(board, line.GetEndPoint());
    if (extended && k % 2 == 1)
      LayoutExtendedBarRow(options, board, start, end, openings, *adapter, upper, x, extension, bars);
    else
      LayoutBarRow(options, board, start, end, openings, *adapter, upper, x, bars);
  }
  return bars;
}

void LayoutBoardFaceZone(const Tank& tank, const ReinDesignOptions& options, const BoardPtr& board, bool upper,
                         bool x, const ReinTrendAdapter* adapter) {
  const FaceValues& v = board->GetFaceValues(upper, x);
  if (v.diameter <= 0 || v.spacing <= 0) return;
  const std::vector<ReinPtr> bars = LayFaceBars(tank, options, board, upper, x, v.spacing, adapter);
  if (bars.empty()) return;

  auto zone = boost::make_shared<ReinZone>();
  zone->SetDiameter(v.diameter);
  zone->SetSpacing(v.spacing);
  zone->SetGrade(v.grade);
  zone->SetCover(GetConcreteCover(options, board, upper));
  zone->SetFace(upper ? 0 : 1);
  zone->SetDirection(x ? 0 : 1);
  // Layer flag: on a wall the X bars lie outside (0), the Y bars inside (1);
  // on a slab the layer with the larger bar area per metre lies outside.
  if (board->GetKind() == 0) {
    zone->SetLayerFlag(x ? 0 : 1);
  } else if (x) {
    const FaceValues& vy = board->GetFaceValues(upper, false);
    const long ax = static_cast<long>(v.diameter) * v.diameter / v.spacing;
    const long ay = vy.spacing > 0 ? static_cast<long>(vy.diameter) * vy.diameter / vy.spacing : 0;
    zone->SetLayerFlag(ay <= ax ? 1 : 0);
  } else {
    zone->SetLayerFlag(0);
  }
  for (const ReinPtr& bar : bars) {
    bar->SetDiameter(v.diameter);
    bar->SetGrade(v.grade);
    zone->AddRein(bar);
  }
  (upper ? board->GetUpperZones() : board->GetLowerZones()).push_back(zone);
}

void LayoutSingleBoardZones(const Tank& tank, const ReinDesignOptions& options, const BoardPtr& board,
                            const ReinTrendAdapter* adapter) {
  std::unique_ptr<ReinTrendAdapter> own;
  if (!adapter) {
    own = std::make_unique<ReinTrendAdapter>(tank);
    adapter = own.get();
  }
  LayoutBoardFaceZone(tank, options, board, true, true, adapter);
  LayoutBoardFaceZone(tank, options, board, true, false, adapter);
  LayoutBoardFaceZone(tank, options, board, false, true, adapter);
  LayoutBoardFaceZone(tank, options, board, false, false, adapter);
}
