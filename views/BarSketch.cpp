// The bar sketch of the rebar schedule: the typical bar of a mark unfolded
// flat, fitted to its cell, turned for a bar on the far face of its board,
// and the true length of each straight segment written beside it.
#include "views/TableViews.h"

#include "platform/Dusmet.h"

#include <boost/make_shared.hpp>
#include <boost/pointer_cast.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// A segment is bulged (an arc) when its bulge is not 0.
bool IsBulged(const _2dPolyline& p, int segment) {
  const std::vector<double>& bulges = p.GetBulges();
  return segment < static_cast<int>(bulges.size()) && std::fabs(bulges[static_cast<std::size_t>(segment)]) > 1e-9;
}

// The angle of a length text on a segment of direction angle a (0 ≤ a < 2π):
// texts read from left to right, and upwards on vertical segments.
double SegmentTextAngle(double a) {
  const double pi = g_Pi;
  if (a <= 0.5 * pi) return a;
  if (a < pi) return a - pi;
  if (g_VekGeometryComm.Greaterthan_Or_Equal(a, pi - 1e-4, 1e-4) && a < 1.5 * pi) return a - pi;
  if (g_VekGeometryComm.Equal(a, 1.5 * pi, 1e-4)) return 0.5 * pi;
  return a;
}

// The length text of sketch segment s0 → s1 showing `length`.
boost::shared_ptr<_Text> SegmentText(const _3dPoint& s0, const _3dPoint& s1, double length, double u) {
  const _2dPoint p0(s0), p1(s1);
  const _2dPoint m((p0.x + p1.x) / 2.0, (p0.y + p1.y) / 2.0);
  _2dVector n = p1 - p0;
  const double a = n.GetAngle();
  n.Rotate(0.5 * g_Pi);
  n.Normalize(0.01);
  // 1.5u clear of the bar plus 0.8u, half the text and a little air.
  const double d = 2.3 * u;
  // The side up or to the right of the segment (rounding left in a turned
  // unit vector does not count as a side).
  const double eps = 1e-9;
  const _2dPoint at = (n.x > eps || n.y > eps) ? m + n * d : m - n * d;
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%lld", static_cast<long long>(std::trunc(length)));
  auto text = boost::make_shared<_Text>(buffer, _3dPoint(at), 3.0 * u, SegmentTextAngle(a));
  text->SetWidth(2.1 * u);
  text->SetNormal(_3dVector(0.0, 0.0, 1.0));
  text->SetAlignment(_Text::kCenter, _Text::kMiddle);
  text->SetLayer(GetLayerName(8));
  const int style = GetTextStyle(0);
  text->SetTextStyle(style);
  text->SetStyleName(GetTextStyleName(style));
  return text;
}

}  // namespace

void MakeBarSketch(const AcadViewBoard& board, double size, const _2dPolyline& bar, _2dPolyline& sketch) {
  const int n = bar.VerNums();
  if (n < 2) return;
  const std::vector<_3dPoint>& b = bar.GetVertices();
  std::vector<_3dPoint> f(static_cast<std::size_t>(n));
  f[0] = _3dPoint(0.0, 0.0, 0.0);
  f[1] = _3dPoint(g_VekGeometryComm.Distance3d(b[0], b[1]), 0.0, 0.0);
  _3dVector normal(0.0, 0.0, 0.0);
  if (n >= 3) normal = (b[0] - b[1]).CrossProduct(b[2] - b[1]);
  const _3dVector up(0.0, 0.0, 1.0);
  for (std::size_t i = 1; i + 1 < static_cast<std::size_t>(n); ++i) {
    const double alpha = g_GeomAlgorithm.GetAngle(b[i - 1] - b[i], b[i + 1] - b[i], normal);
    _3dVector back = f[i - 1] - f[i];
    // A zero-length segment before the vertex keeps the last direction.
    if (!back.Normalize(g_AngleTolerance)) back = i >= 2 ? (f[i - 2] - f[i - 1]).GetUnitVector() : _3dVector(-1, 0, 0);
    const _3dVector dir = g_GeomAlgorithm.RotateVector(back, alpha, up) * (b[i + 1] - b[i]).GetLength();
    f[i + 1] = f[i] + dir;
  }
  sketch.SetVertices(f);
  sketch.SetBulges(bar.GetBulges().size() == f.size() ? bar.GetBulges() : std::vector<double>(f.size(), 0.0));
  sketch.SetClosed(bar.IsClosed());
  sketch.SetConstantWidth(bar.GetConstantWidth());
  sketch.SetColorIndex(bar.GetColorIndex());
  sketch.SetLayer(bar.GetLayer());
  const double textSize = static_cast<double>(board.MeasureText("8", 0x2003));
  g_GeomAlgorithm.FitSketch(textSize, size, sketch);
}

void ReinTableView::PlaceBarSketch(const ZoneBoardMap& farZones, const ReinZonePtr& zone, _2dPolyline& sketch,
                                   const _3dPoint& target) {
  const _2dPolyline box = g_GeomAlgorithm.GetBoundingBox(sketch);
  const _3dPoint v0 = box.GetVertexAt(0), v2 = box.GetVertexAt(2);
  const _3dPoint centre((v0.x + v2.x) / 2.0, (v0.y + v2.y) / 2.0, (v0.z + v2.z) / 2.0);
  if (farZones.count(zone) != 0) g_GeomAlgorithm.RotatePolyline(sketch, centre, g_Pi);
  g_GeomAlgorithm.MovePolyline(sketch, centre, target);
}

ZoneBoardMap ReinTableView::CollectFarZones(Tank& tank) const {
  ZoneBoardMap nearZones, farZones;
  const BoardReinZoneCollector collect(&tank, 3, 0, m_viewVolumn, false, &nearZones, &farZones);
  for (const auto& component : tank.GetComponents())
    if (const BoardPtr board = boost::dynamic_pointer_cast<Board>(component)) collect(board);
  return farZones;
}

std::vector<boost::shared_ptr<_Text>> DrawSegmentLengths(const _2dPolyline& sketch, const _2dPolyline& bar, double u) {
  std::vector<boost::shared_ptr<_Text>> texts;
  const std::vector<_3dPoint>& s = sketch.GetVertices();
  const std::vector<_3dPoint>& b = bar.GetVertices();
  const int n = std::min(sketch.VerNums(), bar.VerNums());
  bool straight = false;
  for (int i = 0; i + 1 < n; ++i) {
    if (IsBulged(sketch, i)) continue;
    straight = true;
    const auto k = static_cast<std::size_t>(i);
    texts.push_back(SegmentText(s[k], s[k + 1], g_VekGeometryComm.Distance3d(b[k], b[k + 1]), u));
  }
  // A ring: its one text is its diameter, the chord of its first half.
  if (!straight && n >= 2) texts.push_back(SegmentText(s[0], s[1], g_VekGeometryComm.Distance3d(b[0], b[1]), u));
  return texts;
}
