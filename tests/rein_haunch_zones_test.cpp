// Haunch zones: the bar set a haunch takes, the bar bent through a haunch
// from one board's far bar layer to the other's (worked out by hand for a
// wall on a slab), the two zones of a wall standing inside a slab, the bar of
// an overhang haunch, and over designed examples every haunch with bars that
// stay in the concrete, the same on a second run and after save and reopen.
#include "app/NewTank.h"
#include "app/ProjectFile.h"
#include "designer/TankDesigner.h"
#include "model/TankModeler.h"
#include "platform/Tobrin.h"
#include "platform/Zarvel.h"
#include "rebar/DetailingRules.h"
#include "rebar/HaunchZones.h"
#include "rebar/ReinDesigner.h"
#include "rebar/ReinTrendAdapter.h"
#include "rebar/ZoneBars.h"
#include "tests/host_run.h"
#include "tests/rebar_fixtures.h"
#include "tests/tank_fixtures.h"

#include <gtest/gtest.h>

#include <boost/make_shared.hpp>

#include <cmath>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace {

using rebarfx::MakeBoard;

const double kRoot2 = std::sqrt(2.0);
// la = 0.14 · fy · d / ft for ribbed HRB335 bars (fy 300) in C30 (ft 1.43).
double Anchorage(int d) { return 0.14 * 300.0 * d / 1.43; }

void ExpectPoint(const _3dPoint& p, double x, double y, double z, const std::string& what) {
  EXPECT_NEAR(p.x, x, 0.01) << what;
  EXPECT_NEAR(p.y, y, 0.01) << what;
  EXPECT_NEAR(p.z, z, 0.01) << what;
}

void SetBars(FaceValues& v, int d, int s, const std::string& grade = "HRB335") {
  v.diameter = d;
  v.spacing = s;
  v.grade = grade;
}

void SetAllBars(Board& b, int d, int s) {
  for (bool upper : {true, false}) {
    for (bool x : {true, false}) SetBars(b.GetFaceValues(upper, x), d, s);
    for (BoardEdge& e : b.GetEdges()) SetBars(e.GetFaceValues(upper), d, s);
  }
}

// Unequal covers everywhere, so that a face's own cover shows: wall outer 50,
// inner 30; bottom slab top 35, bottom 40; ribbed bars.
void SetCovers(ProjectSettings& s) {
  MaterialSettings& m = s.GetMaterialSettings();
  m.SetWallOuterCover(50);
  m.SetWallInnerCover(30);
  m.SetBottomSlabTopCover(35);
  m.SetBottomSlabBottomCover(40);
  s.GetCalcSettings().SetRibbedBar(true);
}

// A wall 250 thick standing on a 4000 × 3000 bottom slab 300 thick.  The
// slab lies over x 0..4000, y 0..3000 with its mid-plane at z 0.  The wall
// runs along x at y = wallY from z 0 up 3000; its normal points to −y and its
// upper (−y) face is the outer one.  Wall: 12@150 support bars on its base
// edge, 14@200 crossing (Y) bars; slab 20@100 everywhere.
struct WallOnSlab {
  rebarfx::Design d;
  Tank tank;
  BoardPtr wall, slab;
  EarPtr ear = boost::make_shared<Ear>();
  _3dLine joint;

  explicit WallOnSlab(double wallY = 0.0, double length = 300.0, double angleDeg = 45.0) {
    SetCovers(d.settings);
    slab = MakeBoard(1, 4000, 3000, 300);
    wall = fixtures::MakeWall(0, wallY, 4000, wallY, 0, 3000, 250);
    wall->SetConcreteGrade("C30");
    wall->SetUpperFaceOuter(true);
    tank.AddBoard(wall);
    tank.AddBoard(slab);
    SetAllBars(*slab, 20, 100);
    SetAllBars(*wall, 10, 200);
    for (bool upper : {true, false}) {
      SetBars(wall->GetEdges()[0].GetFaceValues(upper), 12, 150);
      SetBars(wall->GetFaceValues(upper, false), 14, 200);
    }
    ear->SetLength(length);
    ear->SetAngle(angleDeg * g_Pi / 180.0);
    joint = _3dLine(_3dPoint(0, wallY, 0), _3dPoint(4000, wallY, 0));
  }
};

// The wall stands on the slab's edge; the haunch (300 mm at 45°) lies inside,
// on the +y side.  Far faces: the wall's outer (−y) face, the slab's bottom.
// Legs from the inner wall cover 30: 300 − 30·√2 = 257.574 on both boards, so
// the bar line runs through (y 125, z 150 + 257.574) and (y 125 + 257.574,
// z 150): y + z = 532.574.  It meets the wall's outer layer (y −125 + 50) at
// z 607.574 and the slab's bottom layer (z −150 + 40) at y 642.574; the
// crossing 14 mm bars outweigh the 12@150 support bars, so the legs are
// la = 0.14·300·14/1.43 long.  The joint's ends lie on the free side edges
// of both boards: the bars are laid from one cover (the wall's larger, 50)
// inside them, 19 at 200 along the 3900 mm left, from x = 100.
TEST(HaunchZones, WallOnSlabEdgeBarWorkedOutByHand) {
  WallOnSlab f;
  BuildHaunchZone(f.tank, f.d.options, f.wall, f.slab, f.joint, f.ear);
  ASSERT_EQ(f.ear->GetZones().size(), 1u);
  const ReinZonePtr zone = f.ear->GetZones().front();
  EXPECT_EQ(zone->GetDiameter(), 14);
  EXPECT_EQ(zone->GetSpacing(), 200);
  EXPECT_EQ(zone->GetGrade(), "HRB335");
  const _2dPolyline& t = zone->GetTemplatePolyline();
  ASSERT_EQ(t.VerNums(), 4);
  const double s = 125 + 150 + 300 - 30 * kRoot2, la = Anchorage(14);
  ExpectPoint(t.GetVertexAt(0), 2000, -75, s + 75 + la, "wall leg end");
  ExpectPoint(t.GetVertexAt(1), 2000, -75, s + 75, "bend in the wall");
  ExpectPoint(t.GetVertexAt(2), 2000, s + 110, -110, "bend in the slab");
  ExpectPoint(t.GetVertexAt(3), 2000, s + 110 + la, -110, "slab leg end");
  for (double b : t.GetBulges()) EXPECT_EQ(b, 0.0);
  EXPECT_NEAR(zone->GetDistributionLine().GetStartPoint().DistanceTo(f.joint.GetStartPoint()), 50.0, 1e-9);
  EXPECT_NEAR(zone->GetDistributionLine().GetEndPoint().DistanceTo(f.joint.GetEndPoint()), 50.0, 1e-9);

  ExpandZoneBars(zone);
  ASSERT_EQ(zone->GetReins().size(), 19u);
  ExpectPoint(zone->GetReins().front()->GetPolyline().GetVertexAt(1), 100, -75, s + 75, "first bar");
  ExpectPoint(zone->GetReins().back()->GetPolyline().GetVertexAt(2), 3700, s + 110, -110, "last bar");
}

// The sloped bar keeps from the haunch's sloped face the cover of the
// wall face the haunch stands on (the inner one), whatever the far face's
// cover: taken from the outer face (30) where the inner asks 50, the bar
// would lie 30 from the sloped face, inside its cover.  Haunch 300 at 45°:
// its sloped face is the plane y + z = 125 + 150 + 300.
TEST(HaunchZones, SlopedBarKeepsTheCoverOfTheFaceTheHaunchStandsOn) {
  struct Case {
    double outer, inner;
  };
  for (const Case& c : {Case{50, 30}, Case{30, 50}}) {
    WallOnSlab f;
    f.d.settings.GetMaterialSettings().SetWallOuterCover(c.outer);
    f.d.settings.GetMaterialSettings().SetWallInnerCover(c.inner);
    BuildHaunchZone(f.tank, f.d.options, f.wall, f.slab, f.joint, f.ear);
    ASSERT_EQ(f.ear->GetZones().size(), 1u);
    const _2dPolyline& t = f.ear->GetZones().front()->GetTemplatePolyline();
    ASSERT_EQ(t.VerNums(), 4);
    for (int i : {1, 2}) {
      const _3dPoint p = t.GetVertexAt(i);
      EXPECT_NEAR((125 + 150 + 300 - (p.y + p.z)) / kRoot2, c.inner, 1e-6) << "outer " << c.outer << ", vertex " << i;
    }
  }
}

// A haunch ends where a board closes it: its bars are laid from one cover
// beyond that board's face, never in its cover level with the face.  A cross
// wall along x = 0 (normal −x, outer face −x): the haunch of the wall on the
// slab starts at its inner face 125 plus the inner cover 30.  The corner of
// the two walls runs up from the slab's mid-plane: its haunch starts at the
// slab's top face 150 plus the top cover 35.
TEST(HaunchZones, BarsStartOneCoverBeyondTheFaceOfAClosingBoard) {
  struct Case {
    bool corner;
    _3dPoint start;
  };
  for (const Case& c : {Case{false, _3dPoint(155, 0, 0)}, Case{true, _3dPoint(0, 0, 185)}}) {
    WallOnSlab f;
    const BoardPtr cross = fixtures::MakeWall(0, 3000, 0, 0, 0, 3000, 250);
    cross->SetConcreteGrade("C30");
    cross->SetUpperFaceOuter(true);
    SetAllBars(*cross, 14, 200);
    f.tank.AddBoard(cross);
    const _3dLine joint = c.corner ? _3dLine(_3dPoint(0, 0, 0), _3dPoint(0, 0, 3000)) : f.joint;
    BuildHaunchZone(f.tank, f.d.options, f.wall, c.corner ? cross : f.slab, joint, f.ear);
    ASSERT_FALSE(f.ear->GetZones().empty()) << c.corner;
    for (const ReinZonePtr& z : f.ear->GetZones()) {
      ExpectPoint(z->GetDistributionLine().GetStartPoint(), c.start.x, c.start.y, c.start.z, "first end");
      // The other end lies on the boards' free edges: one cover (the wall's
      // larger, 50) inside them.
      const _3dVector back = (joint.GetStartPoint() - joint.GetEndPoint()) * (50.0 / joint.GetLength());
      const _3dPoint freeEnd = joint.GetEndPoint() + back;
      ExpectPoint(z->GetDistributionLine().GetEndPoint(), freeEnd.x, freeEnd.y, freeEnd.z, "free end");
      ExpandZoneBars(z);
      ASSERT_FALSE(z->GetReins().empty());
      // The first bar's bend in the wall lies past the start, along the joint.
      const _3dPoint bend = z->GetReins().front()->GetPolyline().GetVertexAt(1);
      EXPECT_GT((bend - c.start).DotProduct(joint.GetEndPoint() - joint.GetStartPoint()), 0.0) << c.corner;
    }
  }
}

// Boards off their reference planes: the wall's faces at 175 (outer, −y)
// and 75, the slab's at 100 (top) and 200.  The bar line runs through
// (y 75, z 100 + 257.574) and (y 75 + 257.574, z 100): y + z = 432.574; the
// wall's outer layer lies at y −175 + 50, the slab's bottom layer at
// z −200 + 40.
TEST(HaunchZones, EccentricBoardsUseEachFacesOwnOffset) {
  WallOnSlab f;
  f.wall->SetUpperOffset(175);
  f.wall->SetLowerOffset(75);
  f.slab->SetUpperOffset(100);
  f.slab->SetLowerOffset(200);
  BuildHaunchZone(f.tank, f.d.options, f.wall, f.slab, f.joint, f.ear);
  ASSERT_EQ(f.ear->GetZones().size(), 1u);
  const _2dPolyline& t = f.ear->GetZones().front()->GetTemplatePolyline();
  ASSERT_EQ(t.VerNums(), 4);
  const double s = 75 + 100 + 300 - 30 * kRoot2;
  ExpectPoint(t.GetVertexAt(1), 2000, -125, s + 125, "bend in the wall");
  ExpectPoint(t.GetVertexAt(2), 2000, s + 160, -160, "bend in the slab");
}

// The bar line's intercepts on the two near faces are the legs: the wall
// carries the haunch length less cover / cos θ, the slab that over tan θ.
TEST(HaunchZones, LegsFollowLengthAngleAndCover) {
  struct Case {
    double length, angleDeg;
    int inner;
    double wallLeg, slabLeg;
  };
  const Case cases[] = {
      {300, 45, 35, 250.50, 250.50},
      {300, 30, 35, 259.59, 449.62},
      {150, 60, 30, 90.0, 51.96},
  };
  for (const Case& c : cases) {
    WallOnSlab f(0.0, c.length, c.angleDeg);
    f.d.settings.GetMaterialSettings().SetWallInnerCover(c.inner);
    BuildHaunchZone(f.tank, f.d.options, f.wall, f.slab, f.joint, f.ear);
    ASSERT_EQ(f.ear->GetZones().size(), 1u);
    const _2dPolyline& t = f.ear->GetZones().front()->GetTemplatePolyline();
    const _3dPoint a = t.GetVertexAt(1), b = t.GetVertexAt(2);
    // Along the line from a to b: where it crosses the wall's inner face
    // (y 125) and the slab's top face (z 150).
    const double zAtWall = a.z + (b.z - a.z) * (125 - a.y) / (b.y - a.y);
    const double yAtSlab = a.y + (b.y - a.y) * (150 - a.z) / (b.z - a.z);
    EXPECT_NEAR(zAtWall - 150, c.wallLeg, 0.01) << c.angleDeg;
    EXPECT_NEAR(yAtSlab - 125, c.slabLeg, 0.01) << c.angleDeg;
  }
}

// A haunch smaller than its cover along the slope holds no bar; a haunch
// between two slabs gets no zone.
TEST(HaunchZones, NoZoneWithoutRoomOrWithoutWall) {
  WallOnSlab small(0.0, 40.0, 45.0);  // 40 < 30·√2
  BuildHaunchZone(small.tank, small.d.options, small.wall, small.slab, small.joint, small.ear);
  EXPECT_TRUE(small.ear->GetZones().empty());

  WallOnSlab slabs;
  slabs.wall->SetKind(2);
  BuildHaunchZone(slabs.tank, slabs.d.options, slabs.wall, slabs.slab, slabs.joint, slabs.ear);
  EXPECT_TRUE(slabs.ear->GetZones().empty());
}

// A wall standing inside the slab (the slab continues on both sides): one
// zone for each wall face, each bar bending in the wall's layer on the face
// away from its haunch (outer layer y 1500 − 75, inner y 1500 + 95).
TEST(HaunchZones, WallInsideSlabGetsAZoneOnEachSide) {
  WallOnSlab f(1500.0);
  BuildHaunchZone(f.tank, f.d.options, f.wall, f.slab, f.joint, f.ear);
  ASSERT_EQ(f.ear->GetZones().size(), 2u);
  std::vector<double> wallLayers, slabEnds;
  for (const ReinZonePtr& z : f.ear->GetZones()) {
    const _2dPolyline& t = z->GetTemplatePolyline();
    ASSERT_EQ(t.VerNums(), 4);
    wallLayers.push_back(t.GetVertexAt(1).y);
    slabEnds.push_back(t.GetVertexAt(2).y);
    EXPECT_NEAR(t.GetVertexAt(2).z, -110, 0.01);
  }
  // The slab has no edge on the joint: the wall's bars govern both zones.
  for (const ReinZonePtr& z : f.ear->GetZones()) EXPECT_EQ(z->GetDiameter(), 14);
  EXPECT_NEAR(std::min(wallLayers[0], wallLayers[1]), 1500 - 75, 0.01);
  EXPECT_NEAR(std::max(wallLayers[0], wallLayers[1]), 1500 + 95, 0.01);
  // Each bar crosses the wall into the slab on the haunch's side.
  for (int i = 0; i < 2; ++i) EXPECT_LT((wallLayers[i] - 1500) * (slabEnds[i] - 1500), 0.0);
}

// The governing bar set of a haunch.  HRB335 12@150 weighs 753.98·300/210,
// HPB235 14@150 1026.3: the ribbed bars win; 24@600 and 12@150 weigh the
// same, and the earlier candidate wins the tie.  At a wall against a slab the
// slab's bars never count.
TEST(HaunchZones, GoverningBarSet) {
  struct Set {
    int d, s;
    const char* grade;
  };
  struct Case {
    const char* what;
    int kindA, kindB;
    Set aEdge, aCross, bEdge, bCross;
    bool aOnJoint;
    Set expected;
  };
  const Set none{0, 0, ""};
  const Case cases[] = {
      {"walls: ribbed bars outweigh larger plain ones", 0, 0, {14, 150, "HPB235"}, {10, 200, "HPB235"},
       {10, 200, "HPB235"}, {12, 150, "HRB335"}, true, {12, 150, "HRB335"}},
      {"walls: a tie goes to a's edge bars", 0, 0, {24, 600, "HRB335"}, {10, 200, "HRB335"},
       {12, 150, "HRB335"}, {10, 200, "HRB335"}, true, {24, 600, "HRB335"}},
      {"wall and slab: equal sets keep the edge bars", 0, 1, {12, 150, "HRB335"}, {24, 600, "HRB335"},
       {25, 100, "HRB335"}, {25, 100, "HRB335"}, true, {12, 150, "HRB335"}},
      {"wall and slab: stronger crossing bars", 0, 1, {12, 150, "HRB335"}, {14, 150, "HRB335"},
       {25, 100, "HRB335"}, {25, 100, "HRB335"}, true, {14, 150, "HRB335"}},
      {"slab and wall: the wall's bars", 1, 0, {25, 100, "HRB335"}, {25, 100, "HRB335"},
       {12, 150, "HRB335"}, {10, 100, "HRB335"}, true, {10, 100, "HRB335"}},
      {"wall off the joint: unset", 0, 1, {12, 150, "HRB335"}, {14, 150, "HRB335"},
       {25, 100, "HRB335"}, {25, 100, "HRB335"}, false, none},
      {"two slabs: the zone keeps its set", 1, 2, {12, 150, "HRB335"}, {14, 150, "HRB335"},
       {25, 100, "HRB335"}, {25, 100, "HRB335"}, true, {8, 300, "RRB400"}},
  };
  for (const Case& c : cases) {
    const BoardPtr a = MakeBoard(c.kindA, 3000, 2000, 250), b = MakeBoard(c.kindB, 3000, 2000, 250);
    // Edge 0 runs along X: its crossing bars are the Y bars.
    auto fill = [](Board& board, const Set& edge, const Set& cross) {
      SetBars(board.GetEdges()[0].GetFaceValues(false), edge.d, edge.s, edge.grade);
      SetBars(board.GetFaceValues(false, false), cross.d, cross.s, cross.grade);
      SetBars(board.GetFaceValues(false, true), 32, 100);  // X bars run along the edge: never count
    };
    fill(*a, c.aEdge, c.aCross);
    fill(*b, c.bEdge, c.bCross);
    ReinZone zone;
    zone.SetDiameter(8);
    zone.SetSpacing(300);
    zone.SetGrade("RRB400");
    PickHaunchRein(a, c.aOnJoint ? 0 : -1, false, b, 0, false, zone);
    EXPECT_EQ(zone.GetDiameter(), c.expected.d) << c.what;
    EXPECT_EQ(zone.GetSpacing(), c.expected.s) << c.what;
    EXPECT_EQ(zone.GetGrade(), c.expected.grade) << c.what;
  }
}

// An edge at exactly 45° to the X bars counts as along X: the Y bars cross it.
TEST(HaunchZones, EdgeAtFortyFiveDegreesTakesTheYBars) {
  const BoardPtr b = MakeBoard(0, 3000, 2000, 250, "C30", "HRB335", g_Pi / 4);
  SetBars(b->GetFaceValues(true, true), 10, 200);
  SetBars(b->GetFaceValues(true, false), 16, 150);
  SetBars(b->GetEdges()[0].GetFaceValues(true), 12, 100);
  BarSet edge, crossing;
  GetHaunchBarSets(*b, 0, true, edge, crossing);
  EXPECT_EQ(edge.diameter, 12);
  EXPECT_EQ(crossing.diameter, 16);
  GetHaunchBarSets(*b, 1, true, edge, crossing);  // edge 1 at 135°
  EXPECT_EQ(crossing.diameter, 16);
  GetHaunchBarSets(*b, -1, true, edge, crossing);
  EXPECT_EQ(EquivalentArea(edge) + EquivalentArea(crossing), 0.0);
}

// ---------------------------------------------------------------------------
// Overhang haunches.  A 6000 × 4000 single-cell open tank (walls 300 thick
// standing on the mid-plane of the 400 mm bottom slab at −3200), the slab
// overhanging by `overhang` beyond the walls' outer faces, a 150 mm 45°
// overhang haunch on each outer joint.  Walls 12@150, slab 10@200.

struct OverhangTank {
  rebarfx::Design d;
  Tank tank;
  BoardPtr slab, wall;  // the slab and the wall along y = 0
  int edge = -1;        // the slab's edge under that wall

  explicit OverhangTank(double overhang) {
    SetCovers(d.settings);
    d.settings.GetDetailingSettings().SetBottomSlabOuterEar(EarSetting{0, 45.0, 150, 0});
    EXPECT_TRUE(fixtures::MakeRegularTank(tank, fixtures::RegularLayout(1, 1, false, 6000, 4000), true));
    TankModeler modeler;
    modeler.MarkSlabOverhangs(tank, overhang);
    modeler.BuildEars(tank, d.settings.GetDetailingSettings());
    rebarfx::AssignGrades(tank, d.settings);
    for (const BoardPtr& b : tank.GetBoards()) SetAllBars(*b, b->GetKind() == 0 ? 12 : 10, b->GetKind() == 0 ? 150 : 200);
    slab = tank.GetBottomSlabs().front();
    wall = fixtures::WallAlong(tank, 0, 0, 6000, 0);
    for (int i = 0; i < static_cast<int>(slab->GetEdges().size()); ++i) {
      const _3dLine l = slab->GetEdgeLine(i);
      if (std::fabs(l.GetStartPoint().y) < 1 && std::fabs(l.GetEndPoint().y) < 1) edge = i;
    }
  }
  // Wall-face distance outward (−y) from the wall's mid-plane and height
  // above the slab's mid-plane of a model point.
  static double Out(const _3dPoint& p) { return -p.y; }
  static double Up(const _3dPoint& p) { return p.z + 3200; }
};

// Overhang 520: legs 150 − 50·√2 = 79.289 (the wall's outer cover), so the
// bar line runs through (out 150 + 79.289, up 200) and (out 150, up 200 +
// 79.289): out + up = s = 429.289.  It meets the slab's bottom layer (up
// −200 + 40) at out 589.289, 40.711 before the layer's end one cover inside
// the overhang (out 150 + 520 − 40 = 630); la = 352.448 is longer, so the leg
// runs to the end and turns up by the rest, 311.737.  At the wall's inner
// layer (out −150 + 30) the bar turns up by la.
TEST(OverhangHaunchZones, BarWorkedOutByHand) {
  OverhangTank f(520);
  ASSERT_NE(f.wall, nullptr);
  ASSERT_GE(f.edge, 0);
  ReinTrendAdapter adapter(f.tank);
  BuildOverhangHaunchZone(f.d.options, adapter, f.slab, f.edge, true);  // the haunch is not below the slab
  BoardJointPtr joint;
  for (const BoardJointPtr& j : f.tank.GetBoardJoints(f.slab))
    if (j->GetFirstBoard() == f.wall || j->GetSecondBoard() == f.wall) joint = j;
  EarPtr ear;
  ASSERT_TRUE(GetJointOverhangEar(joint, ear));
  EXPECT_TRUE(ear->GetZones().empty());
  BuildOverhangHaunchZone(f.d.options, adapter, f.slab, f.edge, false);
  ASSERT_EQ(ear->GetZones().size(), 1u);
  const ReinZonePtr zone = ear->GetZones().front();
  EXPECT_EQ(zone->GetDiameter(), 12);
  EXPECT_EQ(zone->GetSpacing(), 150);
  const _2dPolyline& t = zone->GetTemplatePolyline();
  const double s = 150 + 200 + 150 - 50 * kRoot2, la = Anchorage(12);
  struct V {
    double out, up;
  };
  const V expected[] = {{630, -160 + la - (630 - (s + 160))}, {630, -160}, {s + 160, -160}, {-120, s + 120},
                        {-120, s + 120 + la}};
  ASSERT_EQ(t.VerNums(), 5);
  for (int i = 0; i < 5; ++i) {
    EXPECT_NEAR(OverhangTank::Out(t.GetVertexAt(i)), expected[i].out, 0.01) << i;
    EXPECT_NEAR(OverhangTank::Up(t.GetVertexAt(i)), expected[i].up, 0.01) << i;
    EXPECT_NEAR(t.GetVertexAt(i).x, 3000, 0.01) << i;
  }
}

// How the bar begins, by the overhang: long enough for the whole anchorage
// leg along the bottom layer; too short for it (the leg turns up the end, at
// most to the top layer: 400 − 40 − 35); so short that the bar line reaches
// the end before the bottom layer (the bar starts on the end, 3 vertices),
// also above the slab's top inside a haunch longer than the overhang; exactly
// the haunch's reach (no zone).
TEST(OverhangHaunchZones, BarStartByOverhangLength) {
  const double s = 150 + 200 + 150 - 50 * kRoot2, la = Anchorage(12);
  struct Case {
    double overhang;
    int vertices;
    double firstOut, firstUp;
    double slabUpper = 200, slabLower = 200;
  };
  const Case cases[] = {
      {1000, 4, s + 160 + la, -160},
      {500, 5, 610, 165},
      {200, 3, 310, s - 310},
      {100, 3, 210, s - 210},
      {150, 0, 0, 0},
      // The slab off its reference plane: top face 150, bottom 250 from it.
      {1000, 4, s - 50 + 210 + la, -210, 150, 250},
  };
  for (const Case& c : cases) {
    OverhangTank f(c.overhang);
    f.slab->SetUpperOffset(c.slabUpper);
    f.slab->SetLowerOffset(c.slabLower);
    ReinTrendAdapter adapter(f.tank);
    ReinDesigner().BuildOverhangZones(f.tank, f.d.options, adapter);
    std::vector<ReinZonePtr> zones;
    for (const BoardJointPtr& j : f.tank.GetBoardJoints(f.wall)) {
      EarPtr ear;
      if (GetJointOverhangEar(j, ear)) zones = ear->GetZones();
    }
    if (c.vertices == 0) {
      EXPECT_TRUE(zones.empty()) << c.overhang;
      continue;
    }
    ASSERT_EQ(zones.size(), 1u) << c.overhang;
    const _2dPolyline& t = zones.front()->GetTemplatePolyline();
    ASSERT_EQ(t.VerNums(), c.vertices) << c.overhang;
    EXPECT_NEAR(OverhangTank::Out(t.GetVertexAt(0)), c.firstOut, 0.01) << c.overhang;
    EXPECT_NEAR(OverhangTank::Up(t.GetVertexAt(0)), c.firstUp, 0.01) << c.overhang;
    // Tagged and laid: 6000 mm of joint at 150.
    EXPECT_EQ(zones.front()->GetCategory(), 4);
    EXPECT_EQ(zones.front()->GetKind(), 256);
    EXPECT_EQ(zones.front()->GetReins().size(), 40u);
  }
}

// An edge whose overhang mark was taken away keeps its haunch but gets no
// overhang zone; the other three edges do.
TEST(OverhangHaunchZones, EdgeWithoutOverhangHasNoZone) {
  OverhangTank f(500);
  f.slab->SetEdgeOverhang(f.edge, false, 0.0);
  ReinTrendAdapter adapter(f.tank);
  ReinDesigner().BuildOverhangZones(f.tank, f.d.options, adapter);
  int ears = 0, zones = 0;
  for (const BoardJointPtr& j : f.tank.GetBoardJoints(f.slab)) {
    EarPtr ear;
    if (!GetJointOverhangEar(j, ear)) continue;
    ++ears;
    zones += static_cast<int>(ear->GetZones().size());
    if (j->GetFirstBoard() == f.wall || j->GetSecondBoard() == f.wall) {
      EXPECT_TRUE(ear->GetZones().empty());
    }
  }
  EXPECT_EQ(ears, 4);
  EXPECT_EQ(zones, 3);
}

// ---------------------------------------------------------------------------
// Designed examples.

// Inside the board's solid (1 mm allowance): between its faces and within
// its outline.
bool InsideBoard(const Board& b, const _3dPoint& p) {
  const double h = (p - b.GetOrigin()).DotProduct(b.GetNormal());
  if (h > b.GetUpperOffset() + 1.0 || h < -b.GetLowerOffset() - 1.0) return false;
  std::vector<_2dPoint> outline;
  b.GetLocalOutline(outline);
  return g_VekGeometryComm.PointInPolygon2d(outline, b.WorldToLocal(p), 1.0) >= 0;
}

// Every haunch zone of the tank in joint order, with its bars, as text.
std::string DescribeHaunchZones(const Tank& tank) {
  std::ostringstream out;
  std::vector<BoardPtr> firsts, seconds;
  std::vector<BoardJointPtr> joints;
  tank.GetJoints(firsts, seconds, joints);
  for (std::size_t i = 0; i < joints.size(); ++i)
    for (bool overhang : {false, true}) {
      EarPtr ear;
      if (!(overhang ? GetJointOverhangEar(joints[i], ear) : GetJointEar(joints[i], ear))) continue;
      for (const ReinZonePtr& z : ear->GetZones()) {
        out << i << (overhang ? "o " : " ") << z->GetKind() << ' ' << z->GetCategory() << ' ' << z->GetGrade() << ' '
            << z->GetDiameter() << '@' << z->GetSpacing() << " #" << z->GetNumber() << ' ' << z->GetLayerFlag();
        for (const ReinPtr& r : z->GetReins()) {
          out << " |";
          for (const _3dPoint& p : r->GetPolyline().GetVertices()) out << ' ' << p.x << ',' << p.y << ',' << p.z;
        }
        out << '\n';
      }
    }
  return out.str();
}

class HaunchZonesDesigned : public HostCommandTest {
 protected:
  void Design(TankDesigner& designer, const std::string& example, bool overhangHaunch, bool topHaunch) {
    tank::app::BuildNewTank(designer, tank::app::ReadProject(tank::app::ExampleProject(example), "x"), "x");
    DetailingSettings& detailing = designer.GetSettings().GetDetailingSettings();
    if (overhangHaunch) detailing.SetBottomSlabOuterEar(EarSetting{0, 45.0, 150, 0});
    if (topHaunch) detailing.SetTopSlabEar(EarSetting{0, 30.0, 200, 0});
    ASSERT_TRUE(designer.Analyse()) << GetLastAnalysisError();
    designer.DesignRein(nullptr);
  }
};

// Every haunch of every example (and of the open tank with overhang
// haunches, and of the covered tank with haunches under the top slab) has a
// zone with bars; every bar of an ordinary haunch lies in
// the concrete of its two boards; an overhang haunch's bar ends in its wall;
// a second run and a save and reopen give the same zones.
TEST_F(HaunchZonesDesigned, ExamplesHaveHaunchBarsInTheConcrete) {
  struct Case {
    const char* example;
    bool overhangHaunch, topHaunch;
  };
  for (const Case c : {Case{"open-single-cell", true, false}, Case{"buried-two-cell", false, false},
                       Case{"buried-two-cell", false, true}, Case{"grid-3x2", false, false}}) {
    SCOPED_TRACE(c.example);
    TankDesigner designer;
    Design(designer, c.example, c.overhangHaunch, c.topHaunch);
    const Tank& tank = designer.GetTank();
    std::vector<BoardPtr> firsts, seconds;
    std::vector<BoardJointPtr> joints;
    tank.GetJoints(firsts, seconds, joints);
    int haunches = 0, overhangs = 0;
    for (std::size_t i = 0; i < joints.size(); ++i) {
      EarPtr ear;
      if (GetJointEar(joints[i], ear)) {
        ++haunches;
        bool withBars = false;
        for (const ReinZonePtr& z : ear->GetZones()) {
          EXPECT_EQ(z->GetCategory(), 4);
          EXPECT_EQ(z->GetLayerFlag(), 1);
          withBars = withBars || !z->GetReins().empty();
          for (const ReinPtr& r : z->GetReins())
            for (const _3dPoint& p : r->GetPolyline().GetVertices())
              EXPECT_TRUE(InsideBoard(*firsts[i], p) || InsideBoard(*seconds[i], p))
                  << "joint " << i << " at " << p.x << ',' << p.y << ',' << p.z;
        }
        EXPECT_TRUE(withBars) << "joint " << i;
      }
      if (GetJointOverhangEar(joints[i], ear)) {
        ++overhangs;
        ASSERT_EQ(ear->GetZones().size(), 1u) << "joint " << i;
        const ReinZonePtr z = ear->GetZones().front();
        EXPECT_FALSE(z->GetReins().empty());
        const BoardPtr& wall = firsts[i]->GetKind() == 0 ? firsts[i] : seconds[i];
        for (const ReinPtr& r : z->GetReins())
          EXPECT_TRUE(InsideBoard(*wall, r->GetPolyline().GetVertices().back()));
      }
    }
    EXPECT_GT(haunches, 0);
    EXPECT_EQ(overhangs, c.overhangHaunch ? 4 : 0);
    if (c.topHaunch) {
      int underTop = 0;
      for (std::size_t i = 0; i < joints.size(); ++i) {
        EarPtr ear;
        if (GetJointEar(joints[i], ear) && (firsts[i]->GetKind() == 2 || seconds[i]->GetKind() == 2)) ++underTop;
      }
      EXPECT_GT(underTop, 0);
    }

    const std::string first = DescribeHaunchZones(tank);
    designer.DesignRein(nullptr);
    EXPECT_EQ(DescribeHaunchZones(designer.GetTank()), first);

    const std::string path = Path("haunch.tkd");
    SaveDesignFile(designer, path);
    TankDesigner reopened;
    OpenDesignFile(reopened, path);
    EXPECT_EQ(DescribeHaunchZones(reopened.GetTank()), first);
  }
}

}  // namespace
