// Editing the walls and slabs of a tank: board heights in a stack, owner
// lookup, snapping, joins (with what the joined walls carried), the slab
// level edit with its check, and the walls reshaped around a moved slab.
#include "model/BoardItems.h"
#include "model/TankModeler.h"
#include "platform/HostServices.h"
#include "tank_fixtures.h"

#include <gtest/gtest.h>

#include <boost/make_shared.hpp>

#include <algorithm>
#include <cmath>

namespace {

using fixtures::MakeWall;
using fixtures::WallAlong;
using fixtures::ZMax;
using fixtures::ZMin;

// A rectangular opening of w × h centred at (u, v) in the wall's plane.
HolePtr AddWallOpening(const BoardPtr& wall, Tank& tank, double u, double v, double w, double h) {
  std::vector<_3dPoint> corners;
  for (const auto& [du, dv] : {std::pair{-0.5, -0.5}, {0.5, -0.5}, {0.5, 0.5}, {-0.5, 0.5}})
    corners.push_back(wall->LocalToWorld(_2dPoint(u + du * w, v + dv * h)));
  std::string why;
  EXPECT_TRUE(TankModeler().AddHole(boost::make_shared<_2dPolyline>(corners, true), wall, tank, &why)) << why;
  return wall->GetHoles().back();
}

// World corners of a rectangular opening.
std::vector<_3dPoint> WorldCorners(const BoardPtr& board, const HolePtr& hole) {
  std::vector<_3dPoint> out;
  for (const _2dPoint& p : boost::dynamic_pointer_cast<RectangleHole>(hole)->GetCorners())
    out.push_back(board->LocalToWorld(p));
  return out;
}

}  // namespace

// ---- Board at a level, new heights, owner lookup ----------------------------

TEST(BoardHeights, BoardOfAStackAtALevel) {
  Tank tank;
  const BoardPtr low = MakeWall(0, 0, 5000, 0, 0, 3000), mid = MakeWall(0, 0, 5000, 0, 3000, 3000),
                 high = MakeWall(0, 0, 5000, 0, 6000, 3000);
  struct Case {
    int level;
    bool answer;
    BoardPtr result;
    int levelAfter;
    std::vector<BoardPtr> above;
  };
  for (const Case& c : {Case{4500, true, mid, 1500, {high}}, Case{6000, false, nullptr, 3000, {high}},
                        Case{12000, true, high, 6000, {}}, Case{1000, true, low, 1000, {mid, high}}}) {
    BoardPtr result;
    int level = c.level;
    std::vector<BoardPtr> above;
    // The list order does not matter: the stack is ordered by bottom.
    EXPECT_EQ(TankModeler().SelectStackBoardAtLevel({high, low, mid}, result, level, tank, above), c.answer)
        << c.level;
    EXPECT_EQ(result, c.result) << c.level;
    EXPECT_EQ(level, c.levelAfter) << c.level;
    EXPECT_EQ(above, c.above) << c.level;
  }
  // One board: that board, nothing else touched.  No board: refused.
  BoardPtr result;
  int level = 777;
  std::vector<BoardPtr> above;
  EXPECT_TRUE(TankModeler().SelectStackBoardAtLevel({mid}, result, level, tank, above));
  EXPECT_EQ(result, mid);
  EXPECT_EQ(level, 777);
  result.reset();
  EXPECT_FALSE(TankModeler().SelectStackBoardAtLevel({}, result, level, tank, above));
  EXPECT_FALSE(result);
  EXPECT_TRUE(above.empty());
}

TEST(BoardHeights, BoardsWithTheSameBottomAreAllKept) {
  // Two boards whose bottoms round to the same millimetre: the later one of
  // the list is the result at their level, and both are appended when they
  // lie above the level.
  Tank tank;
  const BoardPtr low = MakeWall(0, 0, 5000, 0, 0, 3000);
  const BoardPtr a = MakeWall(0, 0, 5000, 0, 3000.2, 3000), b = MakeWall(0, 0, 2000, 0, 2999.9, 3000);
  BoardPtr result;
  int level = 4000;
  std::vector<BoardPtr> above;
  EXPECT_TRUE(TankModeler().SelectStackBoardAtLevel({low, a, b}, result, level, tank, above));
  EXPECT_EQ(result, b);
  level = 1000;
  above.clear();
  EXPECT_TRUE(TankModeler().SelectStackBoardAtLevel({low, a, b}, result, level, tank, above));
  EXPECT_EQ(result, low);
  EXPECT_EQ(above, (std::vector<BoardPtr>{a, b}));
}

TEST(BoardHeights, WallKeepsTheEdgeItRestsOn) {
  Tank tank;
  ASSERT_TRUE(fixtures::MakeRegularTank(tank, fixtures::RegularLayout(1, 1, false, 6000, 4000)));
  const BoardPtr wall = WallAlong(tank, 0, 0, 6000, 0);
  ASSERT_TRUE(wall);
  const double base = ZMin(wall);
  const std::size_t edgesBefore = wall->GetEdges().size();
  TankModeler().SetBoardHeight(wall, 4500, tank);
  EXPECT_NEAR(ZMin(wall), base, 1e-6);
  EXPECT_NEAR(ZMax(wall), base + 4500, 1e-6);
  EXPECT_EQ(wall->GetEdges().size(), edgesBefore);
  // The lower corners stayed where the wall meets the bottom slab.
  int low = 0;
  for (const _3dPoint& p : wall->GetOutlinePoints()) low += std::fabs(p.z - base) < 1e-6;
  EXPECT_EQ(low, 2);
}

TEST(BoardHeights, BoardMeetingNoSlabIsLeftAlone) {
  Tank tank;
  const BoardPtr wall = MakeWall(0, 0, 5000, 0, 0, 3000);
  tank.AddBoard(wall);
  const auto outline = wall->GetOutlinePoints();
  TankModeler().SetBoardHeight(wall, 9000, tank);
  EXPECT_EQ(wall->GetOutlinePoints(), outline);
}

TEST(BoardHeights, TopSlabsMeetingAGroupAndOwnerCell) {
  Tank tank;
  ASSERT_TRUE(fixtures::MakeRegularTank(tank, fixtures::RegularLayout(2, 1, true)));
  const BoardPtr middle = WallAlong(tank, 6000, 0, 6000, 6000);
  ASSERT_TRUE(middle);
  std::vector<BoardPtr> tops;
  TankModeler().CollectAdjoiningTopSlabs(tank, {middle, middle}, tops);
  EXPECT_EQ(tops.size(), 2u);  // each top slab once

  TankCellPtr cell;
  EXPECT_TRUE(TankModeler().FindOwner(middle, tank, cell));
  EXPECT_TRUE(cell);
  TankCellPtr untouched;
  EXPECT_FALSE(TankModeler().FindOwner(MakeWall(0, 0, 1, 0, 0, 1), tank, untouched));
  EXPECT_FALSE(untouched);
}

// ---- Snapping, joins -----------------------------------------------------------

TEST(WallEdits, SnapsEndsOntoExistingWalls) {
  Tank tank;
  tank.AddBoard(MakeWall(0, 0, 0, 6000, 0, 3000, 300));  // along y at x = 0
  struct Case {
    double startX;
    bool snaps;
  };
  for (const Case& c : {Case{100, true}, Case{250, false}, Case{-100, true}}) {
    _2dPoint s(c.startX, 3000), e(5000, 3000);
    EXPECT_EQ(TankModeler().SnapToExistingWalls(tank, s, e, 3), c.snaps) << c.startX;
    EXPECT_NEAR(s.x, c.snaps ? 0.0 : c.startX, 1e-9);
    EXPECT_NEAR(e.x, 5000, 1e-9);
  }
  // A line parallel to the wall never snaps.
  _2dPoint s(100, 0), e(100, 5000);
  EXPECT_FALSE(TankModeler().SnapToExistingWalls(tank, s, e, 3));
}

TEST(WallEdits, CollinearWallsMergeWithWhatTheyCarry) {
  Tank tank;
  const BoardPtr a = MakeWall(0, 0, 3000, 0, 0, 3000), b = MakeWall(4000, 0, 6000, 0, 0, 3000);
  a->SetWallStartCode(1);
  b->SetWallEndCode(1);
  a->SetUpperXGrade("HRB400");
  tank.AddBoards({a, b});
  const HolePtr hole = AddWallOpening(a, tank, 1500, 1500, 1000, 800);
  const auto corners = WorldCorners(a, hole);
  auto load = boost::make_shared<PointLoad>();
  load->SetValue(10, b->LocalToWorld(_2dPoint(1000, 1000)));
  TankModeler().AddBoardObject(load, b);

  std::string why;
  ASSERT_TRUE(TankModeler().JoinWalls(a, b, tank, &why)) << why;
  ASSERT_EQ(tank.GetWalls().size(), 1u);
  const BoardPtr merged = tank.GetWalls().front();
  _2dLine line;
  ASSERT_TRUE(TankModeler().GetWallBaseLine(merged, line));
  EXPECT_EQ(line.GetStartPoint(), _2dPoint(0, 0));
  EXPECT_EQ(line.GetEndPoint(), _2dPoint(6000, 0));
  // Outer ends keep their codes; the opening and the load stay where they
  // were; the hand-set grade survives.
  EXPECT_EQ(merged->GetWallStartCode(), 1);
  EXPECT_EQ(merged->GetWallEndCode(), 1);
  ASSERT_EQ(merged->GetHoles().size(), 1u);
  const auto after = WorldCorners(merged, merged->GetHoles().front());
  for (std::size_t i = 0; i < corners.size(); ++i) EXPECT_EQ(after[i], corners[i]) << i;
  ASSERT_EQ(merged->GetLoads().size(), 1u);
  EXPECT_EQ(merged->GetUpperXGrade(), "HRB400");

  // Parallel walls 200 mm apart are left alone.
  Tank other;
  const BoardPtr c = MakeWall(0, 0, 3000, 0, 0, 3000), d = MakeWall(4000, 200, 6000, 200, 0, 3000);
  other.AddBoards({c, d});
  EXPECT_FALSE(TankModeler().JoinWalls(c, d, other));
  EXPECT_EQ(other.GetWalls().size(), 2u);
}

TEST(WallEdits, PerpendicularWallsGrowToTheirCrossing) {
  Tank tank;
  const BoardPtr a = MakeWall(0, 0, 4000, 0, 0, 3000), b = MakeWall(5000, 500, 5000, 6000, 0, 3000);
  a->SetWallStartCode(1);
  a->SetWallEndCode(1);
  tank.AddBoards({a, b});
  const HolePtr hole = AddWallOpening(a, tank, 1000, 1500, 800, 800);
  const auto corners = WorldCorners(a, hole);
  ASSERT_TRUE(TankModeler().JoinWalls(a, b, tank));
  const BoardPtr na = WallAlong(tank, 0, 0, 5000, 0), nb = WallAlong(tank, 5000, 6000, 5000, 0);
  ASSERT_TRUE(na);
  ASSERT_TRUE(nb);
  // The far end keeps its code, the end moved to the meeting point gets 0.
  EXPECT_EQ(na->GetWallStartCode(), 1);
  EXPECT_EQ(na->GetWallEndCode(), 0);
  ASSERT_EQ(na->GetHoles().size(), 1u);
  const auto after = WorldCorners(na, na->GetHoles().front());
  for (std::size_t i = 0; i < corners.size(); ++i) EXPECT_EQ(after[i], corners[i]) << i;

  // A wall already crossing the other's line keeps its length.
  Tank crossing;
  const BoardPtr c = MakeWall(0, 0, 6000, 0, 0, 3000), d = MakeWall(3000, 500, 3000, 4000, 0, 3000);
  crossing.AddBoards({c, d});
  ASSERT_TRUE(TankModeler().JoinWalls(c, d, crossing));
  EXPECT_TRUE(WallAlong(crossing, 0, 0, 6000, 0));
  EXPECT_TRUE(WallAlong(crossing, 3000, 4000, 3000, 0));
}

TEST(WallEdits, OpeningThatWouldNotFitRefusesTheReplacement) {
  const BoardPtr wall = MakeWall(0, 0, 6000, 0, 0, 3000);
  Tank tank;
  tank.AddBoard(wall);
  AddWallOpening(wall, tank, 5000, 1500, 800, 800);
  const BoardPtr shorter = MakeWall(0, 0, 4000, 0, 0, 3000);
  std::string why;
  EXPECT_FALSE(model_items::OpeningsFit(*wall, *shorter, [](const _3dPoint& p) { return p; }, &why));
  EXPECT_NE(why.find("outside"), std::string::npos);
  EXPECT_TRUE(model_items::OpeningsFit(*wall, *MakeWall(0, 0, 7000, 0, 0, 3000),
                                       [](const _3dPoint& p) { return p; }, &why));
}

TEST(WallEdits, AddWallBoardsNeedsAValuePerSegment) {
  Tank tank;
  EXPECT_THROW(TankModeler().AddWallBoards({{_2dPoint(0, 0), _2dPoint(1000, 0)}, {_2dPoint(0, 0), _2dPoint(0, 1000)}},
                                           {3000}, {300, 300}, 0, tank),
               std::out_of_range);
  EXPECT_TRUE(tank.GetComponents().empty());
}

// ---- Slab level edit --------------------------------------------------------

namespace {

// The edit moving the slab parallel to itself by dz.
SlabLevelEdit Moved(const BoardPtr& slab, double dz, Tank& tank) {
  SlabLevelEdit e;
  e.slab = slab;
  e.origin = slab->GetOrigin();
  e.origin.z += dz;
  e.xAxis = slab->GetXAxis();
  e.yAxis = slab->GetYAxis();
  slab->GetLocalOutline(e.outline);
  e.wallThickness = 300;
  e.tank = &tank;
  return e;
}

}  // namespace

TEST(SlabLevel, TopSlabMayNotReachTheBottomSlab) {
  ResetHostServices();
  Tank tank;
  ASSERT_TRUE(fixtures::MakeRegularTank(tank, fixtures::RegularLayout(1, 1, true, 6000, 4000)));
  const BoardPtr top = tank.GetTopSlabs().front();
  const BoardPtr bottom = tank.GetBottomSlabs().front();
  const double gap = top->GetOrigin().z - bottom->GetOrigin().z;
  std::string message;
  // To the same level, and to 0.5 mm above the bottom slab: refused.
  for (const double dz : {-gap, -gap + 0.5}) {
    EXPECT_FALSE(TankModeler().ModifySlabLevel(Moved(top, dz, tank), &message)) << dz;
    EXPECT_NE(message.find("当前修改的顶板1不能低于底板1或相交"), std::string::npos) << message;
  }
  EXPECT_EQ(GetScriptedHost().GetMessages().size(), 2u);
  EXPECT_EQ(tank.GetTopSlabs().front(), top);

  // A wall is refused with a message of its own.
  message.clear();
  EXPECT_FALSE(TankModeler().ModifySlabLevel(Moved(tank.GetWalls().front(), 100, tank), &message));
  EXPECT_NE(message.find("墙"), std::string::npos) << message;
  EXPECT_EQ(message.find("不能低于底板"), std::string::npos) << message;
}

TEST(SlabLevel, TopSlabOverNoBottomSlabIsNeverRefused) {
  Tank tank;
  ASSERT_TRUE(fixtures::MakeRegularTank(tank, fixtures::RegularLayout(1, 1, true, 6000, 4000)));
  const BoardPtr top = tank.GetTopSlabs().front();
  TankModeler().RemoveBoard(tank.GetBottomSlabs().front(), tank);
  EXPECT_TRUE(TankModeler().ModifySlabLevel(Moved(top, -20000, tank)));
}

TEST(SlabLevel, LoweredBottomSlabStretchesItsWallsAndKeepsItsOpenings) {
  Tank tank;
  ASSERT_TRUE(fixtures::MakeRegularTank(tank, fixtures::RegularLayout(1, 1, false, 6000, 4000)));
  const BoardPtr slab = tank.GetBottomSlabs().front();
  slab->SetUpperOffset(250);  // a hand-set eccentricity
  slab->SetLowerOffset(150);
  slab->SetUpperXGrade("HRB400");
  auto circle = boost::make_shared<_3dCircle>(_3dPoint(3000, 2000, slab->GetOrigin().z), 300);
  ASSERT_TRUE(TankModeler().AddHole(circle, slab, tank));
  const double z0 = slab->GetOrigin().z;
  const double wallTop = ZMax(tank.GetWalls().front());
  // An opening in a wall that will be stretched keeps its place.
  const BoardPtr front = WallAlong(tank, 0, 0, 6000, 0);
  ASSERT_TRUE(front);
  const auto corners = WorldCorners(front, AddWallOpening(front, tank, 3000, 2000, 1000, 800));

  ASSERT_TRUE(TankModeler().ModifySlabLevel(Moved(slab, -500, tank)));
  ASSERT_EQ(tank.GetBottomSlabs().size(), 1u);
  const BoardPtr moved = tank.GetBottomSlabs().front();
  EXPECT_NE(moved, slab);
  EXPECT_NEAR(moved->GetOrigin().z, z0 - 500, 1e-6);
  EXPECT_EQ(moved->GetNumber(), 1);
  // The opening, the faces and the grade came along.
  ASSERT_EQ(moved->GetHoles().size(), 1u);
  const auto hole = boost::dynamic_pointer_cast<CircleHole>(moved->GetHoles().front());
  ASSERT_TRUE(hole);
  const _3dPoint centre = moved->LocalToWorld(hole->GetCenter());
  EXPECT_NEAR(centre.x, 3000, 1e-6);
  EXPECT_NEAR(centre.y, 2000, 1e-6);
  EXPECT_DOUBLE_EQ(moved->GetUpperOffset(), 250);
  EXPECT_DOUBLE_EQ(moved->GetLowerOffset(), 150);
  EXPECT_EQ(moved->GetUpperXGrade(), "HRB400");
  // Every wall reaches down to the new slab, its top unchanged.
  ASSERT_EQ(tank.GetWalls().size(), 4u);
  for (const BoardPtr& wall : tank.GetWalls()) {
    EXPECT_NEAR(ZMin(wall), z0 - 500, 1e-6);
    EXPECT_NEAR(ZMax(wall), wallTop, 1e-6);
  }
  ASSERT_EQ(front->GetHoles().size(), 1u);
  const auto after = WorldCorners(front, front->GetHoles().front());
  for (std::size_t i = 0; i < corners.size(); ++i) EXPECT_EQ(after[i], corners[i]) << i;
}

TEST(SlabLevel, SlabRaisedToTheWallTopRemovesTheCollapsedWalls) {
  Tank tank;
  ASSERT_TRUE(fixtures::MakeRegularTank(tank, fixtures::RegularLayout(1, 1, false, 6000, 4000)));
  const BoardPtr slab = tank.GetBottomSlabs().front();
  const double height = ZMax(tank.GetWalls().front()) - ZMin(tank.GetWalls().front());
  ASSERT_TRUE(TankModeler().ModifySlabLevel(Moved(slab, height, tank)));
  EXPECT_TRUE(tank.GetWalls().empty());
  EXPECT_EQ(tank.GetBottomSlabs().size(), 1u);
}

TEST(SlabLevel, GapBetweenAdjoiningSlabsIsClosedByAWall) {
  // Two bottom slabs edge to edge with no wall on their joint: lowering one
  // opens a step that a new wall piece closes.
  Tank tank;
  TankModeler m;
  auto a = boost::make_shared<Board>(), b = boost::make_shared<Board>();
  ASSERT_TRUE(m.MakeSlabBoard({{0, 0}, {4000, 0}, {4000, 3000}, {0, 3000}}, 400, -200, 1, a.get()));
  ASSERT_TRUE(m.MakeSlabBoard({{4000, 0}, {8000, 0}, {8000, 3000}, {4000, 3000}}, 400, -200, 1, b.get()));
  tank.AddBoards({a, b});
  ASSERT_TRUE(m.ModifySlabLevel(Moved(a, -600, tank)));
  ASSERT_EQ(tank.GetWalls().size(), 1u);
  const BoardPtr gap = tank.GetWalls().front();
  EXPECT_DOUBLE_EQ(gap->GetThickness(), 300);
  EXPECT_NEAR(ZMin(gap), -800, 1e-6);
  EXPECT_NEAR(ZMax(gap), -200, 1e-6);
}
