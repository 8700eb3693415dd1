// Structural model: plane frames and the planar tests shared by the boards'
// queries and the topology routine.  The tolerances are the model's own (1 mm
// for joints), so the tests are written out here rather than borrowed.
#include "platform/quenby/internal.h"

#include <algorithm>
#include <cmath>

namespace quenby {

PlaneFrame::PlaneFrame(const _3dPoint& o, const _3dVector& xAxis, const _3dVector& yAxis) : origin(o) {
  _3dVector x = xAxis;
  if (!x.Normalize(1e-12)) return;
  _3dVector y = yAxis - x * yAxis.DotProduct(x);
  if (!y.Normalize(1e-12)) return;
  ux = x;
  uy = y;
  n = x.CrossProduct(y);
  n.Normalize(1e-12);
  valid = true;
}

PlaneFrame FrameOf(const Board& board) {
  return PlaneFrame(board.GetOrigin(), board.GetXAxis(), board.GetYAxis());
}

double SignedArea2(const std::vector<_2dPoint>& polygon) {
  return 2.0 * g_VekGeometryComm.GetArea(polygon);
}

double DistanceToSegment(const _2dPoint& p, const _2dPoint& a, const _2dPoint& b) {
  const double dx = b.x - a.x, dy = b.y - a.y;
  const double len2 = dx * dx + dy * dy;
  double t = 0.0;
  if (len2 > 0.0) t = std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / len2, 0.0, 1.0);
  return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

bool IsInsideOrOn(const std::vector<_2dPoint>& polygon, const _2dPoint& p, double tol) {
  return g_VekGeometryComm.PointInPolygon2d(polygon, p, tol) >= 0;
}

std::vector<std::pair<double, double>> CoverIntervals(const std::vector<_2dPoint>& polygon, const _2dPoint& p0,
                                                      const _2dVector& dir, double tol) {
  std::vector<std::pair<double, double>> result;
  const std::size_t n = polygon.size();
  if (n < 2) return result;
  const _2dVector across(-dir.y, dir.x);
  std::vector<double> h(n), s(n);
  for (std::size_t i = 0; i < n; ++i) {
    const _2dVector d = polygon[i] - p0;
    h[i] = d.Dot(across);
    s[i] = d.Dot(dir);
  }
  // Where the boundary meets the line: vertices on it and crossings of sides.
  std::vector<double> cuts;
  for (std::size_t i = 0; i < n; ++i) {
    const std::size_t j = (i + 1) % n;
    if (std::fabs(h[i]) <= tol) cuts.push_back(s[i]);
    if ((h[i] > tol && h[j] < -tol) || (h[i] < -tol && h[j] > tol))
      cuts.push_back(s[i] + (s[j] - s[i]) * h[i] / (h[i] - h[j]));
  }
  if (cuts.size() < 2) return result;
  std::sort(cuts.begin(), cuts.end());
  for (std::size_t k = 0; k + 1 < cuts.size(); ++k) {
    const double a = cuts[k], b = cuts[k + 1];
    if (b - a <= 1e-9) continue;
    const double m = 0.5 * (a + b);
    if (!IsInsideOrOn(polygon, p0 + dir * m, tol)) continue;
    if (!result.empty() && a - result.back().second <= 1e-9)
      result.back().second = b;
    else
      result.emplace_back(a, b);
  }
  return result;
}

std::vector<std::pair<double, double>> IntersectIntervals(const std::vector<std::pair<double, double>>& a,
                                                          const std::vector<std::pair<double, double>>& b) {
  std::vector<std::pair<double, double>> result;
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    const double lo = std::max(a[i].first, b[j].first);
    const double hi = std::min(a[i].second, b[j].second);
    if (hi > lo) result.emplace_back(lo, hi);
    if (a[i].second < b[j].second) ++i; else ++j;
  }
  return result;
}

bool PointZYXLess(const _3dPoint& p, const _3dPoint& q) {
  if (std::fabs(p.z - q.z) >= 0.1) return p.z < q.z;
  if (std::fabs(p.y - q.y) >= 0.1) return p.y < q.y;
  return p.x < q.x;
}

}  // namespace quenby
