// Haunches between boards: the kinds, their thresholds, the boards covering
// a joint and the overhang haunch.
#include "model/TankModeler.h"
#include "platform/Zarvel.h"
#include "tank_fixtures.h"

#include <gtest/gtest.h>

#include <boost/make_shared.hpp>

#include <cmath>

namespace {

// Sizes tell the kinds apart in the results.
constexpr int kTopSize = 200, kBottomSize = 150, kCornerSize = 100, kSideSize = 250, kOuterSize = 350;

DetailingSettings NoEars() {
  DetailingSettings d;
  d.SetTopSlabEar({kEarModeNone, 45, kTopSize, 0});
  d.SetBottomSlabEar({kEarModeNone, 45, kBottomSize, 0});
  d.SetWallCornerEar({kEarModeNone, 45, kCornerSize, 0});
  d.SetBottomSlabSideEar({kEarModeNone, 45, kSideSize, 0});
  d.SetBottomSlabOuterEar({kEarModeNone, 45, kOuterSize, 0});
  return d;
}

struct EarCount {
  int top = 0, bottom = 0, corner = 0, side = 0, outer = 0, total = 0;
};

EarCount CountEars(const Tank& tank) {
  std::vector<BoardPtr> firsts, seconds;
  std::vector<BoardJointPtr> joints;
  tank.GetJoints(firsts, seconds, joints);
  EarCount n;
  for (const BoardJointPtr& joint : joints) {
    for (bool overhang : {false, true}) {
      EarPtr ear;
      if (!(overhang ? GetJointOverhangEar(joint, ear) : GetJointEar(joint, ear))) continue;
      ++n.total;
      EXPECT_NEAR(ear->GetAngle(), g_Pi / 4, 1e-12);
      switch (static_cast<int>(ear->GetLength())) {
        case kTopSize: ++n.top; break;
        case kBottomSize: ++n.bottom; break;
        case kCornerSize: ++n.corner; break;
        case kSideSize: ++n.side; break;
        case kOuterSize: EXPECT_TRUE(overhang); ++n.outer; break;
        default: ADD_FAILURE() << "unexpected size " << ear->GetLength();
      }
    }
  }
  return n;
}

BoardPtr Slab(const std::vector<_2dPoint>& pts, double level, int kind = 1, double thickness = 400) {
  auto slab = boost::make_shared<Board>();
  TankModeler().MakeSlabBoard(pts, thickness, level, kind, slab.get());
  return slab;
}

}  // namespace

// A 2 × 1 tank with a top slab: walls 4000 high, x walls 6000 and y walls
// 4000 long.  8 wall/bottom-slab joints (the partition stands on both
// slabs), 8 wall/top-slab joints, 8 wall corners (4 outer corners and the
// two sides of each T-junction where the partition meets the long walls).
TEST(Ears, ThresholdsOfEachKind) {
  Tank tank;
  ASSERT_TRUE(fixtures::MakeRegularTank(tank, fixtures::RegularLayout(2, 1, true, 12000, 4000)));
  TankModeler modeler;
  modeler.MarkOuterWallFaces(tank);
  struct Case {
    const char* kind;
    int threshold;
    int expected;
  };
  // Bottom: strictly greater than the threshold; top and corner: at least.
  const Case cases[] = {{"bottom", 3999, 8}, {"bottom", 4000, 0}, {"top", 4000, 8}, {"top", 4001, 0},
                        {"corner", 4000, 8}, {"corner", 4001, 0}};
  for (const Case& c : cases) {
    DetailingSettings d = NoEars();
    const std::string kind = c.kind;
    if (kind == "bottom") d.SetBottomSlabEar({0, 45, kBottomSize, c.threshold});
    if (kind == "top") d.SetTopSlabEar({1, 45, kTopSize, c.threshold});
    if (kind == "corner") d.SetWallCornerEar({0, 45, kCornerSize, c.threshold});
    modeler.BuildEars(tank, d);
    const EarCount n = CountEars(tank);
    const int got = kind == "bottom" ? n.bottom : kind == "top" ? n.top : n.corner;
    EXPECT_EQ(got, c.expected) << c.kind << " threshold " << c.threshold;
    EXPECT_EQ(n.total, got) << "only the kind switched on, never between two slabs or two walls in line";
  }
  // A rebuild drops the haunches of the run before.
  DetailingSettings all = NoEars();
  all.SetBottomSlabEar({0, 45, kBottomSize, 0});
  all.SetTopSlabEar({0, 45, kTopSize, 0});
  all.SetWallCornerEar({0, 45, kCornerSize, 0});
  modeler.BuildEars(tank, all);
  EXPECT_EQ(CountEars(tank).total, 24);
  modeler.BuildEars(tank, NoEars());
  EXPECT_EQ(CountEars(tank).total, 0);
}

TEST(Ears, TJunctionAndCoveredCorner) {
  TankModeler modeler;
  DetailingSettings d = NoEars();
  d.SetWallCornerEar({0, 45, kCornerSize, 0});

  // A T-junction: the partition gets a haunch in each of its two corners,
  // the two walls in line get none.
  Tank t;
  auto left = fixtures::MakeWall(0, 0, 4000, 0, 0, 3000);
  auto right = fixtures::MakeWall(4000, 0, 8000, 0, 0, 3000);
  auto stem = fixtures::MakeWall(4000, 0, 4000, 4000, 0, 3000);
  t.AddBoards({left, right, stem});
  modeler.BuildEars(t, d);
  EXPECT_EQ(CountEars(t).corner, 2);
  BoardJointPtr joint;
  ASSERT_TRUE(t.FindJoint(left, stem, joint));
  EXPECT_TRUE(joint->GetEar());
  ASSERT_TRUE(t.FindJoint(left, right, joint));
  EXPECT_FALSE(joint->GetEar());

  // Two walls at a right angle get a haunch, unless a third wall meets the
  // first along the same edge inside the angle between them.
  Tank corner;
  auto a = fixtures::MakeWall(0, 0, 4000, 0, 0, 3000);
  auto b = fixtures::MakeWall(0, 0, 0, 4000, 0, 3000);
  corner.AddBoards({a, b});
  modeler.BuildEars(corner, d);
  EXPECT_EQ(CountEars(corner).corner, 1);
  auto between = fixtures::MakeWall(0, 0, 3000, 3000, 0, 3000);
  corner.AddBoard(between);
  EXPECT_TRUE(modeler.IsJointCoveredByThirdBoard(a, b, _3dLine({0, 0, 0}, {0, 0, 3000}), corner));
  modeler.BuildEars(corner, d);
  EXPECT_EQ(CountEars(corner).total, 0);

  // Two walls turning their outer faces toward each other get none.
  corner.RemoveComponent(between);
  for (const BoardPtr& w : {a, b}) {
    w->SetUpperFaceOuter(true);
    w->SetLowerFaceOuter(true);
  }
  modeler.BuildEars(corner, d);
  EXPECT_EQ(CountEars(corner).total, 0);
}

// A wall standing at the slab's level is a bottom-haunch case, one meeting
// the slab elsewhere a side-haunch case; each answers to its own mode
// whichever of the two comes first in the tank.
TEST(Ears, WallAndBottomSlabInEitherOrder) {
  struct Case {
    const char* what;
    double wallBase;  // the slab's mid-plane is at 0
    int bottomMode, sideMode;
    int bottom, side;
  };
  const Case cases[] = {
      {"wall on the slab", 0, 0, kEarModeNone, 1, 0},
      {"wall on the slab, bottom kind off", 0, kEarModeNone, 0, 0, 0},
      {"slab meets the wall above its base", -1000, kEarModeNone, 0, 0, 1},
      {"slab meets the wall above its base, side kind off", -1000, 0, kEarModeNone, 0, 0},
  };
  TankModeler modeler;
  for (const Case& c : cases) {
    for (bool wallFirst : {true, false}) {
      Tank tank;
      auto slab = Slab({{0, 0}, {6000, 0}, {6000, 4000}, {0, 4000}}, 0);
      auto wall = fixtures::MakeWall(0, 0, 6000, 0, c.wallBase, 4000);
      if (wallFirst)
        tank.AddBoards({wall, slab});
      else
        tank.AddBoards({slab, wall});
      DetailingSettings d = NoEars();
      d.SetBottomSlabEar({c.bottomMode, 45, kBottomSize, 0});
      d.SetBottomSlabSideEar({c.sideMode, 45, kSideSize, 0});
      modeler.BuildEars(tank, d);
      const EarCount n = CountEars(tank);
      EXPECT_EQ(n.bottom, c.bottom) << c.what << (wallFirst ? ", wall first" : ", slab first");
      EXPECT_EQ(n.side, c.side) << c.what << (wallFirst ? ", wall first" : ", slab first");
    }
  }
}

TEST(Ears, OverhangHaunchAndTopSlabLevel) {
  TankModeler modeler;
  // The slab's edge under the wall overhangs: the outer haunch comes even
  // with the bottom and side kinds off.
  Tank tank;
  auto slab = Slab({{0, 0}, {6000, 0}, {6000, 4000}, {0, 4000}}, 0);
  auto wall = fixtures::MakeWall(0, 0, 6000, 0, 0, 4000);
  tank.AddBoards({wall, slab});
  modeler.MarkSlabOverhangs(tank, 500);
  DetailingSettings d = NoEars();
  d.SetBottomSlabOuterEar({0, 45, kOuterSize, 0});
  modeler.BuildEars(tank, d);
  EarCount n = CountEars(tank);
  EXPECT_EQ(n.outer, 1);
  EXPECT_EQ(n.total, 1);
  slab->ClearEdgeOverhangs();
  modeler.BuildEars(tank, d);
  EXPECT_EQ(CountEars(tank).total, 0);

  // A wall standing at a top slab's level (a parapet on it) gets no top
  // haunch; a wall under it does.
  Tank top;
  auto roof = Slab({{0, 0}, {6000, 0}, {6000, 4000}, {0, 4000}}, 0, 2, 250);
  auto parapet = fixtures::MakeWall(0, 0, 6000, 0, 0, 1000);
  top.AddBoards({parapet, roof});
  DetailingSettings dt = NoEars();
  dt.SetTopSlabEar({0, 45, kTopSize, 0});
  modeler.BuildEars(top, dt);
  EXPECT_EQ(CountEars(top).total, 0);
  auto under = fixtures::MakeWall(0, 4000, 6000, 4000, -3000, 3000);
  top.AddBoard(under);
  modeler.BuildEars(top, dt);
  EXPECT_EQ(CountEars(top).top, 1);
}
