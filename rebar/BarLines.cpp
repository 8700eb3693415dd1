#include "rebar/BarLines.h"

#include "platform/Dusmet.h"

#include <algorithm>
#include <cmath>

void LayoutBarLines(const std::vector<_2dPoint>& outline, int spacing, const _2dVector& direction,
                    std::vector<_2dLine>& lines, const bool* sortByY, bool single) {
  if (spacing <= 0 || outline.size() < 3) return;
  std::vector<_2dPoint> c;
  if (!g_VekGeometryComm.GetBoundingRectangle(outline, direction, c) || c.size() < 4) return;

  // The first bar side and the step across the bars.
  _2dPoint sideStart = c[0], sideEnd = c[1];
  _2dVector step = c[2] - c[1];
  if (step.IsParallelTo(direction)) {
    sideStart = c[1];
    sideEnd = c[2];
    step = c[3] - c[2];
  }
  const double width = step.GetLength();
  if (!step.Normalize(g_ZeroTolerance)) return;

  std::vector<double> offsets;
  if (single) {
    offsets.push_back(spacing);
  } else {
    int n = static_cast<int>(width / spacing);
    double r = width - n * static_cast<double>(spacing);
    if (g_VekGeometryComm.Equal(r, 0.0, 1e-4)) {
      r = spacing;
      --n;
    }
    for (int i = 0; i < n; ++i) offsets.push_back(r / 2 + i * static_cast<double>(spacing));
  }
  if (offsets.empty()) return;

  std::vector<_3dPoint> vertices;
  vertices.reserve(outline.size());
  for (const _2dPoint& p : outline) vertices.emplace_back(p.x, p.y, 0.0);
  _2dPolyline polygon(vertices, true);

  const bool byY = sortByY && *sortByY;
  std::vector<_3dPoint> points;
  for (double offset : offsets) {
    const _2dVector move = step * offset;
    const _2dLine candidate(sideStart + move, sideEnd + move);
    points.clear();
    g_GeomAlgorithm.IntersectCurves(candidate, polygon, 1, points);
    if (byY)
      std::stable_sort(points.begin(), points.end(), _3dPoint::LessByY());
    else
      std::stable_sort(points.begin(), points.end(), _3dPoint::LessByX());
    if (points.size() < 2 || points.size() % 2 != 0) continue;
    for (std::size_t k = 0; k + 1 < points.size(); k += 2)
      lines.emplace_back(_2dPoint(points[k].x, points[k].y), _2dPoint(points[k + 1].x, points[k + 1].y));
  }
}
