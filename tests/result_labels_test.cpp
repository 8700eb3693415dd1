// Result texts of boards and board edges on the plans: the load-case names,
// the per-flag texts of a board (number, thickness, level, moments, load
// cases, required and provided areas, crack widths), the middle-zone pick of
// a support, the six edge texts, the crack-width pair and the labels of a
// board placed and turned about their anchor.
#include "app/NewTank.h"
#include "app/ProjectFile.h"
#include "designer/TankDesigner.h"
#include "drawing/ResultLabels.h"
#include "platform/Tobrin.h"
#include "tests/host_run.h"
#include "tests/rebar_fixtures.h"
#include "view/BoardResultText.h"

#include <boost/make_shared.hpp>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using rebarfx::MakeBoard;

constexpr double kPi = 3.14159265358979323846;

// Area of one bar layer per metre width, mm²/m: a bar's area times the bars
// in 1000 mm.
double LayerArea(int d, int s) { return kPi * d * d / 4.0 * 1000.0 / s; }

// A face zone whose bars spread along `spread` (board-local x, y), with the
// given bars.
ReinZonePtr Zone(double sx, double sy, int diameter, int spacing) {
  auto z = boost::make_shared<ReinZone>();
  z->SetDiameter(diameter);
  z->SetSpacing(spacing);
  z->SetDistributionLine(_3dLine(_3dPoint(0, 0, 0), _3dPoint(1000 * sx, 1000 * sy, 0)));
  return z;
}

const _3dVector kX(1, 0, 0), kY(0, 1, 0);

// ---------------------------------------------------------------------------
// Board texts by flag

TEST(BoardResultText, LoadCaseNamesWithUnknownCodesReadingAsTheFirst) {
  const std::map<int, std::string> names = {{0, "有水有土"}, {1, "无水有土"}, {2, "有水无土"},
                                            {3, "无水无土"}, {4, "有水有土"}, {-1, "有水有土"}};
  for (const auto& [code, name] : names) EXPECT_EQ(GetLoadCaseName(code), name) << code;
}

TEST(BoardResultText, TextsOfEachFlagInFaceOrder) {
  BoardPtr slab = MakeBoard(1, 6000, 4000, 400);
  slab->SetNumber(7);
  slab->SetOrigin(_3dPoint(0, 0, -3000));
  slab->SetUpperXBasicMoment(12.5);
  slab->SetLowerXBasicMoment(-3);
  slab->SetUpperYBasicMoment(8);
  slab->SetLowerYBasicMoment(1.25);
  slab->SetUpperXCombination(1);
  slab->SetLowerXCombination(3);
  slab->SetUpperYCombination(2);
  slab->SetLowerYCombination(7);
  slab->SetUpperXCalcArea(800);
  slab->SetLowerXCalcArea(600);
  slab->SetUpperYCalcArea(500);
  slab->SetLowerYCalcArea(400);
  slab->SetUpperXCrackWidth(0.12);
  slab->SetLowerXCrackWidth(0.21);
  slab->SetUpperYCrackWidth(0.05);
  slab->SetLowerYCrackWidth(0.18);
  rebarfx::SetAllFaceBars(slab, 12, 200);
  slab->GetFaceValues(false, false).diameter = 14;
  slab->GetFaceValues(false, false).spacing = 150;

  struct Case {
    int flag;
    bool upperFirst;
    std::string first, second;
  };
  const std::vector<Case> cases = {
      {16, true, "B7", "-"},
      {32, true, "H=400", "-"},
      {64, true, "-2.800", "-"},
      {128, true, "12.5(-3)", "8(1.25)"},
      {128, false, "-3(12.5)", "1.25(8)"},
      {256, true, "无水有土/无水无土", "有水无土/有水有土"},
      {256, false, "无水无土/无水有土", "有水有土/有水无土"},
      {512, false, "600(800)", "400(500)"},
      // 12@200: 565.49 mm²/m; 14@150: 1026.25 mm²/m.
      {1024, true, "565.49(565.49)", "565.49(1026.25)"},
      {2048, false, "0.21(0.12)", "0.18(0.05)"},
      // A combination of flags and a flag outside the table make nothing.
      {48, true, "-", "-"},
      {8192, true, "-", "-"},
      {0, true, "-", "-"},
  };
  for (const Case& c : cases) {
    std::string first = "-", second = "-";
    double y[2] = {-1, -1}, x[2] = {-1, -1};
    MakeBoardLabelText(y, x, *slab, c.upperFirst, c.flag, first, second);
    EXPECT_EQ(first, c.first) << c.flag << " " << c.upperFirst;
    EXPECT_EQ(second, c.second) << c.flag << " " << c.upperFirst;
    if (c.flag == 2048) {
      EXPECT_DOUBLE_EQ(x[0], 0.21);
      EXPECT_DOUBLE_EQ(x[1], 0.12);
      EXPECT_DOUBLE_EQ(y[0], 0.18);
      EXPECT_DOUBLE_EQ(y[1], 0.05);
    } else {
      EXPECT_EQ(x[0], -1) << c.flag;
      EXPECT_EQ(y[1], -1) << c.flag;
    }
  }
}

TEST(BoardResultText, LevelIsThatOfTheTopFaceOfUpFacingSlabsOnly) {
  struct Case {
    int kind;
    double z, upper, lower;
    bool down;
    std::string level;
  };
  const std::vector<Case> cases = {
      {1, -1650, 150, 150, false, "-1.500"},  // centred 300 mm slab
      {1, -1650, 100, 200, false, "-1.550"},  // eccentric: the upper face is 100 mm up
      {2, 2000, 0, 250, false, "2.000"},      // top slab hanging below its reference plane
      {1, -1650, 150, 150, true, "-"},        // normal pointing down: no level
      {0, -1650, 150, 150, false, "-"},       // a wall: no level, no thickness
  };
  for (const Case& c : cases) {
    BoardPtr b = MakeBoard(c.kind, 3000, 3000, 300);
    b->SetOrigin(_3dPoint(0, 0, c.z));
    b->SetUpperOffset(c.upper);
    b->SetLowerOffset(c.lower);
    if (c.down) b->SetYAxis(_3dVector(0, -1, 0));
    std::string level = "-", thickness = "-", second = "-";
    double y[2], x[2];
    MakeBoardLabelText(y, x, *b, true, 64, level, second);
    MakeBoardLabelText(y, x, *b, true, 32, thickness, second);
    EXPECT_EQ(level, c.level) << c.z << " " << c.upper;
    EXPECT_EQ(thickness, c.kind == 0 ? "-" : "H=" + std::to_string(int(c.upper + c.lower)));
    EXPECT_EQ(second, "-");
  }
}

TEST(BoardResultText, ProvidedAreaOfALayerWithoutBarsIsZero) {
  struct Case {
    int d, s;
    double area;
  } cases[] = {{12, 200, 565.4867}, {14, 125, 1231.5043}, {12, 0, 0}, {0, 200, 0}, {12, -100, 0}, {-8, 100, 0}};
  for (const Case& c : cases) {
    EXPECT_NEAR(ProvidedBarArea(c.d, c.s), c.area, 1e-3) << c.d << "@" << c.s;
    if (c.area > 0) {
      EXPECT_NEAR(ProvidedBarArea(c.d, c.s), LayerArea(c.d, c.s), 1e-9);
    }
  }
  // A slab whose lower y layer has no bars labels 0 there, not "?".
  BoardPtr slab = MakeBoard(1, 3000, 3000, 300);
  rebarfx::SetAllFaceBars(slab, 12, 200);
  slab->GetFaceValues(false, false).spacing = 0;
  std::string first, second;
  double y[2], x[2];
  MakeBoardLabelText(y, x, *slab, true, 1024, first, second);
  EXPECT_EQ(second, "565.49(0)");
}

TEST(BoardResultText, SplitAtTheFirstParenthesis) {
  const std::vector<std::array<std::string, 3>> cases = {
      {"0.12(0.18)", "0.12", "(0.18)"}, {"(0.18)", "", "(0.18)"}, {"a(b)(c)", "a", "(b)(c)"}, {"0.12", "", ""},
      {"", "", ""}};
  for (const auto& c : cases) {
    const auto parts = SplitAtParen(c[0]);
    EXPECT_EQ(parts.first, c[1]) << c[0];
    EXPECT_EQ(parts.second, c[2]) << c[0];
  }
}

// ---------------------------------------------------------------------------
// Edge texts

TEST(EdgeResultTexts, MiddleZoneIsTheOneWhoseBarsCrossTheEdge) {
  // The support moment is carried by bars running across the edge, so the
  // first zone is taken when its bars spread along the edge (within 45°).
  struct Case {
    double edgeAngle, sx, sy;
    bool first;
  } cases[] = {{0, 1, 0, true},
               {0, -1, 0, true},
               {0, 0, 1, false},
               {0, 0, -1, false},
               {0, 1, 1, false},        // exactly 45°: the second zone
               {0, 1, -0.5, true},      // spread at −27°
               {0, -0.5, -1, false},    // spread at −117°: 63° off the edge
               {-kPi / 6, std::cos(-kPi / 6), std::sin(-kPi / 6), true},   // edge and spread both at −30°
               {-kPi / 6, std::cos(kPi / 6), std::sin(kPi / 6), false}};   // spread at +30°: 60° off
  for (const Case& c : cases) {
    BoardEdge edge;
    edge.SetLine(_2dLine(_2dPoint(0, 0), _2dPoint(6000 * std::cos(c.edgeAngle), 6000 * std::sin(c.edgeAngle))));
    const std::vector<ReinZonePtr> zones = {Zone(c.sx, c.sy, 12, 200), Zone(1, 0, 10, 150)};
    EXPECT_EQ(PickMiddleReinZone(kX, kY, zones, edge), (c.first ? zones[0] : zones[1]).get())
        << c.edgeAngle << ": " << c.sx << "," << c.sy;
  }
}

TEST(EdgeResultTexts, MiddleZonePickRefusals) {
  BoardEdge edge;
  edge.SetLine(_2dLine(_2dPoint(0, 0), _2dPoint(6000, 0)));
  auto noOrientation = boost::make_shared<ReinZone>();
  auto outOfPlane = boost::make_shared<ReinZone>();
  outOfPlane->SetDistributionLine(_3dLine(_3dPoint(0, 0, 0), _3dPoint(0, 1000, 1000)));
  const ReinZonePtr good = Zone(0, 1, 12, 200);
  const std::vector<std::pair<std::vector<ReinZonePtr>, std::string>> cases = {
      {{good}, "middleReinZones.size() != 2"},
      {{good, good, good}, "middleReinZones.size() != 2"},
      {{}, "middleReinZones.size() != 2"},
      {{noOrientation, good}, "!bReinDispOrientationGot"},
      {{outOfPlane, good}, "!bXY_ZhengJiao"}};
  for (const auto& [zones, message] : cases) {
    try {
      PickMiddleReinZone(kX, kY, zones, edge);
      ADD_FAILURE() << message;
    } catch (const std::logic_error& e) {
      EXPECT_EQ(std::string(e.what()), message);
    }
  }
}

struct EdgeFixture {
  BoardEdge edge;
  std::vector<ReinZonePtr> upper, lower;
  EdgeFixture() {
    edge.SetLine(_2dLine(_2dPoint(0, 0), _2dPoint(0, 4000)));  // along y
    edge.SetUpperBasicMoment(-40);
    edge.SetLowerBasicMoment(5);
    edge.SetUpperCombination(1);
    edge.SetLowerCombination(2);
    edge.SetUpperCalcArea(900);
    edge.SetLowerCalcArea(300);
    edge.SetUpperDiameter(12);
    edge.SetUpperSpacing(200);
    // The lower face has no support bars: its middle zone's area alone.
    edge.SetLowerDiameter(0);
    edge.SetLowerSpacing(0);
    edge.SetUpperCrackWidth(0.2);
    edge.SetLowerCrackWidth(0.25);
    // Middle zones: x bars (spread along y) first, y bars second; the edge
    // runs along y, so the x bars cross it: the first zone of each face.
    upper = {Zone(0, 1, 10, 100), Zone(1, 0, 14, 125)};
    lower = {Zone(0, 1, 16, 200), Zone(1, 0, 12, 150)};
  }
};

std::vector<std::string> Texts(const EntityList& entities) {
  std::vector<std::string> out;
  for (const EntityPtr& e : entities) out.push_back(boost::dynamic_pointer_cast<_Text>(e)->GetText());
  return out;
}

std::string Pair(double a, double b) { return FormatValuePair(a, b); }

TEST(EdgeResultTexts, SixTextsInKindOrderWithTheSupportArea) {
  EdgeFixture f;
  const double upperArea = LayerArea(12, 200) + LayerArea(10, 100);  // 565.49 + 785.40
  const double lowerArea = LayerArea(16, 200);                       // no support bars: 1005.31
  for (bool upperFirst : {true, false}) {
    EntityList entities = {boost::make_shared<_Text>()};
    std::vector<int> kinds = {99};
    MakeEdgeResultTexts(f.upper, f.lower, kX, kY, f.edge, upperFirst, 0.2, entities, kinds);
    EXPECT_EQ(kinds, (std::vector<int>{0x80, 0x100, 0x200, 0x400, 0x800, 0x800}));
    const std::vector<std::string> expected =
        upperFirst ? std::vector<std::string>{"-40(5)", "无水有土/有水无土", "900(300)", Pair(upperArea, lowerArea),
                                              "0.2", "(0.25)"}
                   : std::vector<std::string>{"5(-40)", "有水无土/无水有土", "300(900)", Pair(lowerArea, upperArea),
                                              "0.25", "(0.2)"};
    EXPECT_EQ(Texts(entities), expected) << upperFirst;
    EXPECT_EQ(expected[3], upperFirst ? "1350.88(1005.31)" : "1005.31(1350.88)");
    // 0.2 equals the limit and keeps its colour; 0.25 exceeds it, on
    // whichever side it stands.
    const int valueColour = entities[4]->GetColorIndex(), bracketColour = entities[5]->GetColorIndex();
    EXPECT_EQ(valueColour == 1, !upperFirst) << upperFirst;
    EXPECT_EQ(bracketColour == 1, upperFirst) << upperFirst;
  }
}

TEST(EdgeResultTexts, FacesWithoutTwoZonesGiveThreeEmptyTexts) {
  EdgeFixture f;
  const std::vector<std::vector<ReinZonePtr>> badFaces = {
      {}, {f.upper[0]}, {f.upper[0], f.upper[1], f.upper[0]}, {boost::make_shared<ReinZone>(), f.upper[1]}};
  for (const auto& bad : badFaces)
    for (bool badUpper : {true, false}) {
      EntityList entities;
      std::vector<int> kinds;
      MakeEdgeResultTexts(badUpper ? bad : f.upper, badUpper ? f.lower : bad, kX, kY, f.edge, true, 0.2, entities,
                          kinds);
      EXPECT_EQ(kinds, (std::vector<int>{0x80, 0x100, 0x200, 0x400, 0x800, 0x800}));
      EXPECT_EQ(Texts(entities),
                (std::vector<std::string>{"-40(5)", "无水有土/有水无土", "900(300)", "", "", ""}));
    }
}

TEST(EdgeResultTexts, CrackWidthPairComesBackValueFirst) {
  EdgeFixture f;
  EntityList entities;
  std::vector<int> kinds;
  MakeEdgeResultTexts(f.upper, f.lower, kX, kY, f.edge, true, 0.2, entities, kinds);
  auto pair = GetCrackWidthTexts(entities, kinds);
  EXPECT_EQ(pair.first->GetText(), "0.2");
  EXPECT_EQ(pair.second->GetText(), "(0.25)");
  std::swap(entities[4], entities[5]);
  pair = GetCrackWidthTexts(entities, kinds);
  EXPECT_EQ(pair.first->GetText(), "0.2");
  EXPECT_EQ(pair.second->GetText(), "(0.25)");
}

// ---------------------------------------------------------------------------
// Board labels

struct Label {
  std::string text;
  int kind;
  double x, y, rotation;
  int colour;
};

std::vector<Label> Labels(const EntityList& entities, const std::vector<int>& kinds) {
  std::vector<Label> out;
  for (std::size_t i = 0; i < entities.size(); ++i)
    if (auto t = boost::dynamic_pointer_cast<_Text>(entities[i]))
      out.push_back({t->GetText(), kinds[i], t->GetPosition().x, t->GetPosition().y, t->GetRotation(),
                     t->GetColorIndex()});
  return out;
}

TEST(BoardResultLabels, TextsEndAtTheAnchorAndStandAcrossItReadUpright) {
  AcadViewBoard viewBoard;
  BoardPtr slab = MakeBoard(1, 6000, 4000, 300);
  slab->SetNumber(3);
  slab->SetOrigin(_3dPoint(0, 0, -1650));
  slab->SetUpperXCrackWidth(0.1);
  slab->SetLowerXCrackWidth(0.3);
  slab->SetUpperYCrackWidth(0.3);
  slab->SetLowerYCrackWidth(0.2);
  const double h = 300, wf = 0.7;
  const _2dPoint anchor(1000, 2000);
  for (double angle : {0.0, 2 * kPi / 3}) {
    EntityList entities;
    std::vector<int> kinds;
    MakeBoardResultLabels(*slab, true, angle, anchor, h, wf, 0, 0.2, &viewBoard, entities, kinds);
    ASSERT_EQ(entities.size(), kinds.size());
    // Two texts per flag, four for the crack widths, and the elevation
    // mark's text and three lines.
    EXPECT_EQ(entities.size(), 6u * 2 + 4 + 4);
    EXPECT_EQ(std::count(kinds.begin(), kinds.end(), 64), 4);
    const double r1 = angle == 0.0 ? 0.0 : 5 * kPi / 3, r2 = angle == 0.0 ? kPi / 2 : kPi / 6;
    for (const Label& l : Labels(entities, kinds)) {
      if (l.kind == 64) {
        EXPECT_EQ(l.text, "-1.500");
        continue;
      }
      const bool across = std::fabs(l.rotation - r2) < 1e-9;
      EXPECT_TRUE(across || std::fabs(l.rotation - r1) < 1e-9) << l.text << " " << l.rotation;
      if (l.kind == 2048 || l.text.empty()) continue;
      // A whole text: centred half its length before the anchor along the
      // angle, or half a text height beside the anchor across it.
      const double length = viewBoard.GetTextLength(l.text, h, wf, 0);
      const double along = across ? h / 2 : -length / 2;
      EXPECT_NEAR(l.x, anchor.x + along * std::cos(angle), 1e-6) << l.text;
      EXPECT_NEAR(l.y, anchor.y + along * std::sin(angle), 1e-6) << l.text;
    }
    // Crack widths: the value's and the bracket's centres split the whole
    // text's place; colour only above the limit 0.2.
    std::vector<Label> cracks;
    for (const Label& l : Labels(entities, kinds))
      if (l.kind == 2048) cracks.push_back(l);
    ASSERT_EQ(cracks.size(), 4u);
    EXPECT_EQ(cracks[0].text, "0.1");
    EXPECT_EQ(cracks[1].text, "(0.3)");
    EXPECT_EQ(cracks[2].text, "0.3");
    EXPECT_EQ(cracks[3].text, "(0.2)");
    EXPECT_EQ(std::vector<int>({cracks[0].colour == 1, cracks[1].colour == 1, cracks[2].colour == 1,
                                cracks[3].colour == 1}),
              std::vector<int>({0, 1, 1, 0}));
    const double whole = viewBoard.GetTextLength("0.1(0.3)", h, wf, 0);
    const double la = viewBoard.GetTextLength("0.1", h, wf, 0), lb = viewBoard.GetTextLength("(0.3)", h, wf, 0);
    const double ca = angle == 0.0 ? 1 : -1;  // a folded rotation reads the other way
    const double centreA = -whole / 2 + ca * (la / 2 - whole / 2), centreB = -whole / 2 + ca * (whole / 2 - lb / 2);
    EXPECT_NEAR(std::hypot(cracks[0].x - anchor.x, cracks[0].y - anchor.y), std::fabs(centreA), 1e-6);
    EXPECT_NEAR(std::hypot(cracks[1].x - anchor.x, cracks[1].y - anchor.y), std::fabs(centreB), 1e-6);
  }
}

TEST(BoardResultLabels, WallGetsNoThicknessNorElevation) {
  AcadViewBoard viewBoard;
  BoardPtr wall = MakeBoard(0, 6000, 4000, 300);
  wall->SetNumber(12);
  EntityList entities;
  std::vector<int> kinds;
  MakeBoardResultLabels(*wall, true, 0.0, _2dPoint(0, 0), 300, 0.7, 0, 0.2, &viewBoard, entities, kinds);
  EXPECT_EQ(std::count(kinds.begin(), kinds.end(), 64), 0);
  for (const Label& l : Labels(entities, kinds)) {
    if (l.kind == 32) {
      EXPECT_EQ(l.text, "");
    }
    if (l.kind == 16) {
      EXPECT_TRUE(l.text == "B12" || l.text.empty());
    }
  }
}

// Every label of every board of a designed tank states the board's own
// result: its number, thickness and top-face level from the tank's geometry,
// its provided bars as an area per metre, and the design values in face
// order.
class DesignedTankLabels : public HostCommandTest {};

TEST_F(DesignedTankLabels, EveryTextIsTheBoardsValue) {
  TankDesigner designer;
  tank::app::BuildNewTank(designer, tank::app::ReadProject(tank::app::ExampleProject("buried-two-cell"), "x"), "x");
  ASSERT_TRUE(designer.Analyse()) << GetLastAnalysisError();
  designer.DesignRein(nullptr);
  AcadViewBoard viewBoard;
  const double limit = 0.2;
  int slabs = 0;
  for (const BoardPtr& b : designer.GetTank().GetBoards()) {
    EntityList entities;
    std::vector<int> kinds;
    MakeBoardResultLabels(*b, true, 0.0, _2dPoint(0, 0), 300, 0.7, 0, limit, &viewBoard, entities, kinds);
    std::map<int, std::vector<Label>> byKind;
    for (const Label& l : Labels(entities, kinds)) byKind[l.kind].push_back(l);
    const bool slab = b->GetKind() == 1 || b->GetKind() == 2;
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "B%d", b->GetNumber());
    EXPECT_EQ(byKind[16][0].text, buffer);
    EXPECT_EQ(byKind[16][1].text, "");
    if (slab) {
      ++slabs;
      // The project's own figures: bottom slab 400 mm with its top at
      // −4.5 m, top slab 250 mm with its top at the tank top, −0.5 m.
      const bool bottom = b->GetKind() == 1;
      EXPECT_EQ(byKind[32][0].text, bottom ? "H=400" : "H=250");
      ASSERT_EQ(byKind[64].size(), 1u);
      EXPECT_EQ(byKind[64][0].text, bottom ? "-4.500" : "-0.500");
    } else {
      EXPECT_EQ(byKind[32][0].text, "");
      EXPECT_TRUE(byKind[64].empty());
    }
    auto pairOf = [&](bool x, auto get) { return Pair(get(b->GetFaceValues(true, x)), get(b->GetFaceValues(false, x))); };
    auto moment = [](const FaceValues& v) { return v.basicMoment; };
    auto required = [](const FaceValues& v) { return v.calcArea; };
    auto provided = [](const FaceValues& v) { return v.spacing > 0 && v.diameter > 0 ? LayerArea(v.diameter, v.spacing) : 0.0; };
    for (bool x : {true, false}) {
      const int i = x ? 0 : 1;
      EXPECT_EQ(byKind[128][i].text, pairOf(x, moment));
      EXPECT_EQ(byKind[512][i].text, pairOf(x, required));
      EXPECT_EQ(byKind[1024][i].text, pairOf(x, provided));
      const FaceValues& up = b->GetFaceValues(true, x);
      const FaceValues& lo = b->GetFaceValues(false, x);
      EXPECT_EQ(byKind[256][i].text, JoinTexts(GetLoadCaseName(up.combination), GetLoadCaseName(lo.combination)));
      EXPECT_NE(byKind[256][i].text.find("水"), std::string::npos);
    }
    // Crack widths: value then bracket per direction, coloured above the
    // limit.
    ASSERT_EQ(byKind[2048].size(), 4u);
    const double widths[4] = {b->GetUpperXCrackWidth(), b->GetLowerXCrackWidth(), b->GetUpperYCrackWidth(),
                              b->GetLowerYCrackWidth()};
    for (int i = 0; i < 4; ++i) {
      const std::string number = FormatValuePair(widths[i], 0).substr(0, FormatValuePair(widths[i], 0).find('('));
      EXPECT_EQ(byKind[2048][i].text, i % 2 ? "(" + number + ")" : number);
      EXPECT_EQ(byKind[2048][i].colour == 1, widths[i] > limit) << b->GetNumber() << " " << i;
    }
  }
  EXPECT_GE(slabs, 2);
}

}  // namespace
