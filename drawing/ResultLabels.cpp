#include "drawing/ResultLabels.h"

#include "drawing/ElevationMark.h"
#include "view/BoardResultText.h"

#include <boost/make_shared.hpp>

#include <cmath>
#include <stdexcept>
#include <string>

ReinZone* PickMiddleReinZone(const _3dVector& xAxis, const _3dVector& yAxis, std::vector<ReinZonePtr> zones,
                             const BoardEdge& edge) {
  const VekGeometryComm& g = g_VekGeometryComm;
  if (zones.size() != 2) throw std::logic_error("middleReinZones.size() != 2");
  _3dVector orientation;
  if (!zones[0]->GetReinDispOrientation(orientation)) throw std::logic_error("!bReinDispOrientationGot");
  if (!g.Equal(orientation.DotProduct(xAxis.CrossProduct(yAxis)), 0.0, g_DefaultTolerance))
    throw std::logic_error("!bXY_ZhengJiao");
  // Direction angle of the bars' spread in the board's frame, signed, so that
  // it compares with the edge line's direction angle on the same footing.
  const double a1 = std::atan2(orientation.DotProduct(yAxis), orientation.DotProduct(xAxis));
  const double a2 = (edge.GetLine().GetEndPoint() - edge.GetLine().GetStartPoint()).GetAngle();
  double e = g.GetIncludedAngle(a1, a2);
  if (!g.Lessthan_Or_Equal(e, g_Pi / 2.0, 1e-4)) e = g_Pi - e;
  return g.Lessthan(e, g_Pi / 4.0, 1e-4) ? zones[0].get() : zones[1].get();
}

namespace {

boost::shared_ptr<_Text> NewText(const std::string& text) {
  auto t = boost::make_shared<_Text>();
  t->SetText(text);
  t->SetAlignment(_Text::kCenter, _Text::kMiddle);
  return t;
}

// Provided area of one face of a support: its support bars and the bars of
// the face's middle zone.
double SupportArea(int diameter, int spacing, const ReinZone& middle) {
  return ProvidedBarArea(diameter, spacing) + ProvidedBarArea(middle.GetDiameter(), middle.GetSpacing());
}

}  // namespace

void MakeEdgeResultTexts(std::vector<ReinZonePtr> upperZones, std::vector<ReinZonePtr> lowerZones,
                         const _3dVector& xAxis, const _3dVector& yAxis, const BoardEdge& edge, bool upperFirst,
                         double crackWidthLimit, EntityList& entities, std::vector<int>& kinds) {
  entities.clear();
  kinds.clear();
  auto add = [&](const boost::shared_ptr<_Text>& text, int kind) {
    entities.push_back(text);
    kinds.push_back(kind);
  };
  auto pair = [upperFirst](double upper, double lower) {
    return upperFirst ? FormatValuePair(upper, lower) : FormatValuePair(lower, upper);
  };
  add(NewText(pair(edge.GetUpperBasicMoment(), edge.GetLowerBasicMoment())), 0x80);
  const std::string upperCase = GetLoadCaseName(edge.GetUpperCombination());
  const std::string lowerCase = GetLoadCaseName(edge.GetLowerCombination());
  add(NewText(upperFirst ? JoinTexts(upperCase, lowerCase) : JoinTexts(lowerCase, upperCase)), 0x100);
  add(NewText(pair(edge.GetUpperCalcArea(), edge.GetLowerCalcArea())), 0x200);
  try {
    const ReinZone* upperMiddle = PickMiddleReinZone(xAxis, yAxis, upperZones, edge);
    const ReinZone* lowerMiddle = PickMiddleReinZone(xAxis, yAxis, lowerZones, edge);
    const double upperArea = SupportArea(edge.GetUpperDiameter(), edge.GetUpperSpacing(), *upperMiddle);
    const double lowerArea = SupportArea(edge.GetLowerDiameter(), edge.GetLowerSpacing(), *lowerMiddle);
    auto area = NewText(pair(upperArea, lowerArea));
    const double w0 = upperFirst ? edge.GetUpperCrackWidth() : edge.GetLowerCrackWidth();
    const double w1 = upperFirst ? edge.GetLowerCrackWidth() : edge.GetUpperCrackWidth();
    const auto parts = SplitAtParen(FormatValuePair(w0, w1));
    auto value = NewText(parts.first), bracketed = NewText(parts.second);
    if (w0 > crackWidthLimit) value->SetColorIndex(1);
    if (w1 > crackWidthLimit) bracketed->SetColorIndex(1);
    add(area, 0x400);
    add(value, 0x800);
    add(bracketed, 0x800);
  } catch (const std::logic_error&) {
    add(NewText(""), 0x400);
    add(NewText(""), 0x800);
    add(NewText(""), 0x800);
  }
}

std::pair<boost::shared_ptr<_Text>, boost::shared_ptr<_Text>> GetCrackWidthTexts(const EntityList& entities,
                                                                                 const std::vector<int>& kinds) {
  std::vector<std::size_t> at;
  for (std::size_t i = 0; i < kinds.size() && at.size() < 2; ++i)
    if (kinds[i] == 0x800) at.push_back(i);
  auto first = boost::dynamic_pointer_cast<_Text>(entities.at(at.at(0)));
  auto second = boost::dynamic_pointer_cast<_Text>(entities.at(at.at(1)));
  if (first->GetText().find('(') != std::string::npos) std::swap(first, second);
  return {first, second};
}

namespace {

// Keeps a text readable: a rotation pointing left turns half a turn.
double FoldRotation(double a) {
  constexpr double t = 1e-4;
  if (a > g_Pi / 2.0 + t && a < g_Pi - t) return a + g_Pi;
  if (a >= g_Pi - t && a <= 3.0 * g_Pi / 2.0 + t) return a - g_Pi;
  return a;
}

_2dPoint Turned(double dx, double dy, double angle) {
  const double c = std::cos(angle), s = std::sin(angle);
  return _2dPoint(dx * c - dy * s, dx * s + dy * c);
}

}  // namespace

void MakeBoardResultLabels(Board& board, bool upperFirst, double angle, const _2dPoint& anchor, double height,
                           double widthFactor, int textStyle, double crackWidthLimit, AcadViewBoard* viewBoard,
                           EntityList& entities, std::vector<int>& kinds) {
  entities.clear();
  kinds.clear();
  auto measure = [&](const std::string& s) { return viewBoard->GetTextLength(s, height, widthFactor, textStyle); };
  auto text = [&](const std::string& s, const _2dPoint& at, double rotation) {
    auto t = boost::make_shared<_Text>(s, _3dPoint(at.x, at.y, 0.0), height, rotation);
    t->SetWidth(height * widthFactor);
    t->SetLayer(GetLayerName(8));
    t->SetTextStyle(GetTextStyle(0));
    t->SetStyleName(GetTextStyleName(GetTextStyle(0)));
    t->SetNormal(_3dVector(0, 0, 1));
    t->SetAlignment(_Text::kCenter, _Text::kMiddle);
    return t;
  };
  for (int flag : {16, 32, 64, 128, 256, 512, 1024, 2048}) {
    double yPair[2] = {0.0, 0.0}, xPair[2] = {0.0, 0.0};
    std::string s1, s2;
    MakeBoardLabelText(yPair, xPair, board, upperFirst, flag, s1, s2);
    if (flag == 64) {
      for (const EntityPtr& e : DrawPlanElevationMark(anchor, s1, height, widthFactor, textStyle, viewBoard)) {
        entities.push_back(e);
        kinds.push_back(64);
      }
      continue;
    }
    // One direction's label centred at base: whole, or for crack widths split
    // into the value and the bracketed value, each coloured above the limit.
    auto place = [&](const std::string& s, const _2dPoint& base, double rotation, const double values[2]) {
      if (flag != 2048) {
        entities.push_back(text(s, base, rotation));
        kinds.push_back(flag);
        return;
      }
      const double whole = measure(s);
      const auto parts = SplitAtParen(s);
      const double la = measure(parts.first), lb = measure(parts.second);
      const _2dPoint along = Turned(1.0, 0.0, rotation);
      const double da = la / 2.0 - whole / 2.0, db = whole / 2.0 - lb / 2.0;
      auto a = text(parts.first, _2dPoint(base.x + along.x * da, base.y + along.y * da), rotation);
      auto b = text(parts.second, _2dPoint(base.x + along.x * db, base.y + along.y * db), rotation);
      if (values[0] > crackWidthLimit) a->SetColorIndex(1);
      if (values[1] > crackWidthLimit) b->SetColorIndex(1);
      entities.push_back(a);
      kinds.push_back(flag);
      entities.push_back(b);
      kinds.push_back(2048);
    };
    const _2dPoint shift1 = Turned(-measure(s1) / 2.0, 0.0, angle);
    place(s1, _2dPoint(anchor.x + shift1.x, anchor.y + shift1.y), FoldRotation(angle), xPair);
    const _2dPoint shift2 = Turned(height / 2.0, 0.0, angle);
    place(s2, _2dPoint(anchor.x + shift2.x, anchor.y + shift2.y), FoldRotation(angle + g_Pi / 2.0), yPair);
  }
}
