#include "view/ReinLabel.h"

#include "platform/Nirvox.h"
#include "view/DrawingRoutines.h"

#include <boost/make_shared.hpp>

#include <cstdio>

std::string FormatReinText(int flags, int gradeIndex, int diameter, int spacing, int count) {
  std::string text;
  char buffer[64];
  if (flags & 1) {
    std::snprintf(buffer, sizeof buffer, "%d", count);
    text += buffer;
  }
  if (gradeIndex >= 0 && gradeIndex <= 3) {
    std::snprintf(buffer, sizeof buffer, "%%%%13%d%d", gradeIndex, diameter);
  } else {
    std::snprintf(buffer, sizeof buffer, "%%%%180%d", diameter);
  }
  text += buffer;
  if (flags & 2) {
    const char* separator = GetSpacingSeparatorStyle() == 1 ? "-" : "@";
    std::snprintf(buffer, sizeof buffer, "%s%d", separator, spacing);
    text += buffer;
  }
  return text;
}

double GetReinTextHeightFactor() {
  double height = 3.0, width = 0.7;
  GetTextSize(3, height, width);
  return height;
}

boost::shared_ptr<_Text> MakeReinLabelText(const std::string& text, const _2dPoint& position, double rotation) {
  double heightFactor = 3.0, widthFactor = 0.7;
  GetTextSize(3, heightFactor, widthFactor);
  const double h = GetDrawingUnit() * heightFactor;
  auto label = boost::make_shared<_Text>(text, _3dPoint(position.x, position.y, 0.0), h, rotation);
  label->SetWidth(h * widthFactor);
  label->SetNormal(_3dVector(0, 0, 1));
  label->SetLayer(GetLayerName(8));
  label->SetTextStyle(GetTextStyle(3));
  label->SetStyleName(GetTextStyleName(GetTextStyle(3)));
  label->SetAlignment(_Text::kCenter, _Text::kMiddle);
  return label;
}

void DrawReinMark(const _2dLine& leader, bool side, int number, const std::string& text, bool withMark,
                  bool withText, boost::shared_ptr<Ordinal>& mark, boost::shared_ptr<_Text>& label) {
  const double u = GetDrawingUnit();
  double heightFactor = 3.0, widthFactor = 0.7;
  GetTextSize(3, heightFactor, widthFactor);
  const double h = u * heightFactor;
  const double d = u * GetReinMarkSize();
  const _2dPoint start = leader.GetStartPoint();
  const _2dPoint end = leader.GetEndPoint();
  // Reading direction: left to right, bottom to top.
  const _2dVector reading = PointLess(1e-4)(start, end) ? end - start : start - end;
  const _2dVector along = (end - start).GetUnitVector(g_DefaultTolerance);
  if (withMark) {
    mark = boost::make_shared<Ordinal>(number, end + along * (d * 0.5), reading.GetAngle(), d);
    mark->SetLayer(GetLayerName(8));
  }
  if (withText) {
    _2dVector n = end - start;
    n.Rotate(side ? -0.5 * g_Pi : 0.5 * g_Pi);
    n = n.GetUnitVector(g_DefaultTolerance) * (u * 1.0 + h * 0.5);
    label = MakeReinLabelText(text, leader.GetMidPoint() + n, reading.GetAngle());
  }
}
