#include "drawing/DimensionChain.h"

#include "platform/Nirvox.h"

#include <boost/make_shared.hpp>

#include <cmath>

void DrawDimensionChain(const std::vector<_2dPoint>& points, double offset, double overallOffset, int side,
                        bool overall, EntityList& entities, std::vector<int>& kinds, double scale, double unit,
                        int kind, int category, std::string text) {
  const int categoryStyle = GetCategoryStyle(category);
  const int dimensionStyle = GetDimensionStyle(static_cast<int>(scale), static_cast<int>(unit));
  const std::size_t n = points.size();
  if (n < 2) return;
  double a = std::atan2(points[1].y - points[0].y, points[1].x - points[0].x);
  a += side == 0 ? 0.5 * g_Pi : -0.5 * g_Pi;
  const _2dVector toLine(std::cos(a) * offset * unit, std::sin(a) * offset * unit);
  const _2dVector toOverall(std::cos(a) * overallOffset * unit, std::sin(a) * overallOffset * unit);
  // Points at 1:scale with u drawing units per paper mm: a model length
  // is the drawn length divided by unit / scale.
  const double factor = scale > 0.0 && unit > 0.0 ? unit / scale : 1.0;
  const auto add = [&](const _2dPoint& p, const _2dPoint& q, const _2dVector& shift) {
    auto dim = boost::make_shared<_2dAlignedDimension>(p, q, p + shift, categoryStyle, dimensionStyle, factor);
    dim->SetText(text);
    dim->SetTextHeight(GetDimensionTextHeight() * unit);
    dim->SetArrowSize(GetDimensionTickSize() * unit);
    dim->SetLayer(GetLayerName(category));
    entities.push_back(dim);
    kinds.push_back(kind);
  };
  for (std::size_t i = 0; i + 1 < n; ++i) add(points[i], points[i + 1], toLine);
  if (overall && n >= 3) add(points[0], points[n - 1], toOverall);
}
