// Detailing rules: covers, joint and anchorage lengths from rule texts, the
// extension of vertical wall bars, zone extensions, face relations and the
// packing of opening bars.
#include "rebar/DetailingRules.h"
#include "tests/rebar_fixtures.h"
#include "tests/tank_fixtures.h"

#include <gtest/gtest.h>

#include <boost/make_shared.hpp>

namespace {

using rebarfx::MakeBoard;

TEST(DetailingRules, CoverByBoardKindAndFace) {
  rebarfx::Design d;
  MaterialSettings& m = d.settings.GetMaterialSettings();
  m.SetTopSlabTopCover(31);
  m.SetTopSlabBottomCover(32);
  m.SetBottomSlabTopCover(33);
  m.SetBottomSlabBottomCover(34);
  m.SetWallOuterCover(45);
  m.SetWallInnerCover(25);
  BoardPtr outerWall = fixtures::MakeWall(0, 0, 6000, 0, 0, 4000);
  outerWall->SetUpperFaceOuter(true);
  BoardPtr partition = fixtures::MakeWall(0, 0, 6000, 0, 0, 4000);
  BoardPtr other = MakeBoard(7, 1000, 1000, 200);
  struct Row {
    BoardPtr board;
    double upper, lower;
  };
  const Row rows[] = {
      {MakeBoard(2, 1000, 1000, 200), 31, 32},
      {MakeBoard(1, 1000, 1000, 200), 33, 34},
      {outerWall, 45, 25},
      {partition, 25, 25},
      {other, 0, 0},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(GetConcreteCover(d.options, r.board, true), r.upper) << r.board->GetKind();
    EXPECT_EQ(GetConcreteCover(d.options, r.board, false), r.lower) << r.board->GetKind();
  }
}

TEST(DetailingRules, JointLengthFromRuleText) {
  rebarfx::Design d;
  d.settings.GetCalcSettings().SetRibbedBar(true);
  BoardPtr slab = MakeBoard(1, 6000, 4000, 300, "C25");  // ft = 1.27
  slab->GetEdges()[1].SetUpperDiameter(16);
  slab->GetEdges()[1].SetUpperGrade("HRB335");  // fy = 300
  struct Case {
    const char* rule;
    double length;
  };
  const Case cases[] = {
      {"10d", 160},
      {"1.5d", 24},
      {"壁厚", 300},
      {"不考虑", 0.14 * 300 * 16 / 1.27},  // 529.13
      {"500", 500},
      {"abc", 0},
  };
  for (const Case& c : cases) {
    d.settings.GetReinSettings().SetHorizontalJointLengthRule(c.rule);
    d.settings.GetReinSettings().SetVerticalJointLengthRule("1");
    double length = -1;
    ASSERT_TRUE(GetLengthFromSetting(d.options, slab, 1, true, true, length));
    EXPECT_NEAR(length, c.length, 1e-9) << c.rule;
  }
  EXPECT_NEAR(GetAnchorageLength(d.options, slab, true, 1), 529.1338, 1e-4);
  d.settings.GetCalcSettings().SetRibbedBar(false);
  EXPECT_NEAR(GetAnchorageLength(d.options, slab, true, 1), 0.16 * 300 * 16 / 1.27, 1e-9);
  double untouched = 7;
  EXPECT_FALSE(GetLengthFromSetting(d.options, BoardPtr(), 1, true, true, untouched));
  EXPECT_EQ(untouched, 7);
  // Unknown concrete: no anchorage length rather than an infinite one.
  BoardPtr unknown = MakeBoard(1, 6000, 4000, 300, "X");
  unknown->GetEdges()[0].SetUpperDiameter(16);
  EXPECT_EQ(GetAnchorageLength(d.options, unknown, true, 0), 0.0);
}

TEST(DetailingRules, FaceBarLengthUsesTheVerticalRuleForWallYBars) {
  rebarfx::Design d;
  d.settings.GetReinSettings().SetHorizontalJointLengthRule("10d");
  d.settings.GetReinSettings().SetVerticalJointLengthRule("35d");
  BoardPtr wall = fixtures::MakeWall(0, 0, 6000, 0, 0, 4500);
  wall->SetUpperYDiameter(12);
  wall->SetUpperXDiameter(14);
  BoardPtr slab = MakeBoard(1, 6000, 4000, 300);
  slab->SetUpperYDiameter(12);
  EXPECT_EQ(GetFaceBarLengthFromSetting(d.options, wall, true, false), 420);
  EXPECT_EQ(GetFaceBarLengthFromSetting(d.options, wall, true, true), 140);
  EXPECT_EQ(GetFaceBarLengthFromSetting(d.options, slab, true, false), 120);
}

// A wall 6000 long and 4500 high: its vertical bars are the Y bars, span 4500.
TEST(DetailingRules, WallBarExtension) {
  struct Case {
    const char* what;
    const char* rule;
    int topRestraint;
    bool on;
    int minSpan;
    bool isX;
    bool applies;
    double extension;
  };
  const double joint = 35 * 12;  // vertical joint rule 35d, Y bars of 12
  const Case cases[] = {
      {"fraction and joint", "1/3+", 1, true, 2000, false, true, 1500 + joint},
      {"fraction only", "1/3", 2, true, 2000, false, true, 1500},
      {"no fraction in the first three characters", "abc", 1, true, 2000, false, true, 0},
      {"no fraction, joint added to 0", "ab+", 1, true, 2000, false, true, joint},
      {"divisor past the third character", "10/3", 1, true, 2000, false, true, 0},
      {"fixed top", "1/3+", 0, true, 2000, false, false, -1},
      {"rule off", "1/3+", 1, false, 2000, false, false, -1},
      {"horizontal bars", "1/3+", 1, true, 2000, true, false, -1},
      {"span not above the minimum", "1/3+", 1, true, 4500, false, false, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    rebarfx::Design d;
    d.settings.GetGeometrySettings().SetWallTopRestraint(c.topRestraint);
    DetailingSettings& det = d.settings.GetDetailingSettings();
    det.SetWallBarExtensionOn(c.on);
    det.SetWallBarExtensionMinSpan(c.minSpan);
    det.SetWallBarExtensionRule(c.rule);
    d.settings.GetReinSettings().SetVerticalJointLengthRule("35d");
    BoardPtr wall = fixtures::MakeWall(0, 0, 6000, 0, 0, 4500);
    wall->SetUpperYDiameter(12);
    double extension = -1;
    EXPECT_EQ(GetWallBarExtension(d.options, wall, true, c.isX, extension), c.applies);
    EXPECT_NEAR(extension, c.extension, 1e-9);
  }
  rebarfx::Design d;
  d.settings.GetDetailingSettings().SetWallBarExtensionOn(true);
  double e = -1;
  EXPECT_FALSE(GetWallBarExtension(d.options, MakeBoard(1, 6000, 6000, 300), true, false, e));
}

TEST(DetailingRules, ZoneExtension) {
  // A 8000 × 4000 slab with X bars along its long side: edge 0 runs along
  // the X bars, so a zone there reaches across the span Ly = 4000.
  BoardPtr slab = MakeBoard(1, 8000, 4000, 300);
  BoardPtr longY = MakeBoard(1, 4010, 8000, 300);
  struct Case {
    const char* what;
    BoardPtr board;
    int edge;
    bool shorter;
    int step;
    double extension;
  };
  const Case cases[] = {
      {"L = 4000, step 10", slab, 0, false, 10, 1000},
      {"across the other edge L = 8000", slab, 1, false, 10, 2000},
      {"L = 4010, step 10", longY, 1, false, 10, 1010},
      {"L = 4000, step 50: a quarter already a multiple", slab, 0, false, 50, 1000},
      {"L = 4010, step 50", longY, 1, false, 50, 1050},
      {"shorter span", slab, 1, true, 10, 1000},
      {"step 0: the quarter span", slab, 0, false, 0, 1000},
      {"negative step: the quarter span", longY, 1, false, -5, 1002.5},
  };
  for (const Case& c : cases) {
    rebarfx::Design d;
    d.options.m_bShorterSpan = c.shorter;
    d.options.m_nRoundingStep = c.step;
    EXPECT_DOUBLE_EQ(GetZoneExtension(d.options, c.board, c.edge), c.extension) << c.what;
  }
  // Edges at exactly 45 degrees to the X bars count as along them.
  BoardPtr turned = MakeBoard(1, 1000, 1000, 300, "C30", "HRB335", g_Pi / 4);
  EXPECT_EQ(IsEdgeAlongReinX(*turned, 0), 1);
  EXPECT_EQ(IsEdgeAlongReinX(*slab, 1), 0);
  EXPECT_EQ(IsEdgeAlongReinX(*slab, 9), 0);
}

TEST(DetailingRules, ZoneAcrossLineByAngle) {
  const _3dLine line(_3dPoint(0, 0, 0), _3dPoint(1000, 0, 0));
  struct Case {
    double degrees;
    bool across;
  };
  for (const Case& c : {Case{0, false}, Case{44, false}, Case{45, true}, Case{90, true}, Case{134, true},
                        Case{135, false}, Case{180, false}}) {
    auto zone = boost::make_shared<ReinZone>();
    const double a = c.degrees * g_Pi / 180;
    _3dPoint end(1000 * std::cos(a), 1000 * std::sin(a), 0);
    if (c.degrees == 45) end = _3dPoint(1000, 1000, 0);
    if (c.degrees == 135) end = _3dPoint(-1000, 1000, 0);
    zone->SetDistributionLine(_3dLine(_3dPoint(0, 0, 0), end));
    EXPECT_EQ(IsZoneAcrossLine(line)(zone), c.across) << c.degrees;
  }
  EXPECT_FALSE(IsZoneAcrossLine(line)(boost::make_shared<ReinZone>()));
}

TEST(DetailingRules, BoardRelation) {
  auto board = [](double upper, double lower, bool flipped) {
    auto b = boost::make_shared<Board>();
    b->SetUpperOffset(upper);
    b->SetLowerOffset(lower);
    if (flipped) b->SetYAxis(_3dVector(0, -1, 0));
    return b;
  };
  struct Case {
    BoardPtr a, b;
    int relation;
  };
  const Case cases[] = {
      {board(150, 150, false), board(150, 150, false), 3},
      {board(150, 100, false), board(150, 200, false), 1},
      {board(100, 150, false), board(200, 150, false), 2},
      {board(100, 200, false), board(150, 250, false), 0},
      {board(100, 200, false), board(200, 100, true), 3},  // opposite normals pair crosswise
      {board(100, 200, false), board(300, 100, true), 1},
      {board(100, 200, false), board(200, 300, true), 2},
  };
  for (const Case& c : cases) EXPECT_EQ(GetBoardRelation(c.a, c.b), c.relation);
}

TEST(DetailingRules, PointAtRatioAndOpeningZone) {
  const _3dPoint p = PointAtRatio(0.25)(_3dPoint(0, 0, 0), _3dPoint(400, 800, -40));
  EXPECT_EQ(p, _3dPoint(100, 200, -10));

  struct Case {
    int boardKind;
    const char* grade;
    int kind, code;
  };
  for (const Case& c : {Case{0, "HRB400", 256, 132}, Case{1, "RRB400", 16, 133}, Case{2, "HRB335", 1, 131},
                        Case{1, "HPB235", 16, 130}, Case{2, "Q235", 1, 130}}) {
    BoardPtr b = MakeBoard(c.boardKind, 1000, 1000, 200);
    auto hole = boost::make_shared<CircleHole>();
    auto bar = boost::make_shared<Rein>();
    bar->SetDiameter(14);
    bar->SetGrade(c.grade);
    MakeZoneFromReins(b, hole, {bar, boost::make_shared<Rein>()});
    ASSERT_EQ(hole->GetZones().size(), 1u);
    const ReinZonePtr& z = hole->GetZones().front();
    EXPECT_EQ(z->GetKind(), c.kind);
    EXPECT_EQ(z->GetCategory(), 6);
    EXPECT_EQ(z->GetDiameter(), 14);
    EXPECT_EQ(z->GetGradeCode(), c.code) << c.grade;
    EXPECT_EQ(z->GetSpacing(), 0);
    EXPECT_EQ(z->GetReins().size(), 2u);
    MakeZoneFromReins(b, hole, {});
    EXPECT_EQ(hole->GetZones().size(), 1u);
  }
}

}  // namespace
