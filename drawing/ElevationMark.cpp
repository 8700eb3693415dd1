#include "drawing/ElevationMark.h"

#include <boost/make_shared.hpp>

#include <utility>

EntityList DrawPlanElevationMark(const _2dPoint& anchor, const std::string& text, double height, double widthFactor,
                                 int textStyle, AcadViewBoard* board) {
  EntityList out;
  if (text.empty()) return out;
  const double u = GetDrawingUnit();
  const double length = board->GetTextLength(text, height, widthFactor, textStyle);
  auto label = boost::make_shared<_Text>(text, _3dPoint(anchor.x, anchor.y, 0.0), height, 0.0);
  label->SetLayer(GetLayerName(9));
  label->SetTextStyle(textStyle);
  label->SetStyleName(GetTextStyleName(textStyle));
  label->SetNormal(_3dVector(0, 0, 1));
  label->SetWidth(height * widthFactor);
  label->SetAlignment(_Text::kCenter, _Text::kMiddle);
  out.push_back(label);
  const double y0 = anchor.y - (u + height / 2.0);
  const _2dPoint p1(anchor.x - length / 2.0 - 6.0 * u, y0), p2(anchor.x + length / 2.0, y0);
  const _2dPoint p3(p1.x + 3.0 * u, y0 - 3.0 * u), p4(p1.x + 6.0 * u, y0);
  // The rule and its triangle are thin lines, on the layer of the text.
  for (const auto& [a, b] : {std::pair{p1, p2}, std::pair{p1, p3}, std::pair{p3, p4}}) {
    auto line = boost::make_shared<_2dLine>(a, b);
    line->SetLayer(label->GetLayer());
    out.push_back(line);
  }
  return out;
}
