// Facts the designer gives the host: the foundation level worked out by
// hand, board counts and wall thicknesses, boards with their zones, opening
// and notch outlines, the ordering of board groups and the opening numbers.
#include "designer/Statistics.h"
#include "designer/TankDesigner.h"
#include "platform/Zarvel.h"
#include "tests/host_run.h"
#include "tests/rebar_fixtures.h"

#include <gtest/gtest.h>

#include <boost/make_shared.hpp>

#include <cmath>
#include <typeinfo>

namespace {

using rebarfx::MakeBoard;

BoardPtr Slab(double z, double upper, double lower, double lx = 3000) {
  BoardPtr b = MakeBoard(1, lx, 4000, upper + lower);
  b->SetUpperOffset(upper);
  b->SetLowerOffset(lower);
  b->SetOrigin(_3dPoint(0, 0, z));
  return b;
}

// The foundation level: the burial depth (m, the ground's depth above the
// lowest bottom slab's underside) plus the underside's level (m) below the
// slab's lowest outline point.
TEST(Statistics, FoundationLevelFromTheLowestBottomSlab) {
  const double slope = std::atan(0.1);
  struct Case {
    const char* name;
    std::vector<BoardPtr> slabs;
    double expected;
  };
  BoardPtr sloped = Slab(0, 200, 200);
  sloped->SetYAxis(_3dVector(0, std::cos(slope), std::sin(slope)));
  BoardPtr downward = Slab(1000, 100, 300);
  downward->SetYAxis(_3dVector(0, -1, 0));  // normal down: the upper face looks down
  const Case cases[] = {
      {"no bottom slab", {}, 0.0},
      {"level slab 400 thick at 1.0 m", {Slab(1000, 200, 200)}, 2.5 + 0.8},
      {"eccentric slab: 300 below the plane", {Slab(1000, 100, 300)}, 2.5 + 0.7},
      {"slab turned over: 100 below the plane", {downward}, 2.5 + 0.9},
      {"the lower of two slabs, listed second", {Slab(1000, 200, 200), Slab(-500, 150, 150)}, 2.5 - 0.65},
      {"sloped slab: thickness measured vertically", {sloped}, 2.5 - 0.2 / std::cos(slope)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TankDesigner designer;
    designer.GetSettings().GetGeologySettings().SetBurialDepth(2.5);
    for (const BoardPtr& s : c.slabs) designer.GetTank().AddBoard(s);
    EXPECT_NEAR(designer.GetFoundationLevel(), c.expected, 1e-9);
  }
}

TEST(Statistics, BoardCountsAndWallThicknesses) {
  TankDesigner designer;
  EXPECT_EQ(designer.GetMaxWallThickness(), 0.0);
  EXPECT_EQ(designer.GetMinWallThickness(), 0.0);
  Tank& tank = designer.GetTank();
  for (double t : {300.0, 250.0, 400.0}) {
    BoardPtr w = MakeBoard(0, 3000, 3000, t);
    w->SetOrigin(_3dPoint(0, 10000 * t, 0));
    tank.AddBoard(w);
  }
  tank.AddBoard(MakeBoard(1, 3000, 3000, 300));
  BoardPtr top1 = MakeBoard(2, 3000, 3000, 200), top2 = MakeBoard(2, 3000, 3000, 200);
  top1->SetOrigin(_3dPoint(0, 0, 3000));
  top2->SetOrigin(_3dPoint(0, 50000, 3000));
  tank.AddBoard(top1);
  tank.AddBoard(top2);
  const std::pair<int, int> counts[] = {{0, 3}, {1, 1}, {2, 2}, {5, 2}};
  for (const auto& [kind, count] : counts) EXPECT_EQ(designer.CountBoards(kind), count) << kind;
  EXPECT_EQ(designer.GetMaxWallThickness(), 400.0);
  EXPECT_EQ(designer.GetMinWallThickness(), 250.0);
}

// Board records go to the lists of their kinds, appended to what the host's
// lists hold, each with the board's number and all its zones; then the
// tank's own zones and its support zones.
TEST(Statistics, BoardRecordsAppendedPerKind) {
  TankDesigner designer;
  Tank& tank = designer.GetTank();
  BoardPtr wall = MakeBoard(0, 3000, 3000, 250), slab = MakeBoard(1, 3000, 3000, 300);
  wall->SetOrigin(_3dPoint(0, 9000, 0));
  tank.AddBoard(slab);
  tank.AddBoard(wall);
  auto face = boost::make_shared<ReinZone>(), edge = boost::make_shared<ReinZone>();
  wall->GetUpperZones().push_back(face);
  wall->GetEdges()[0].GetLowerZones().push_back(edge);
  auto other = boost::make_shared<ReinZone>();
  tank.AddOtherReinZone(other);
  auto support = boost::make_shared<SupportRein>();
  tank.AddSupportReins({support});

  std::vector<BoardZoneRecord> walls(1), tops, bottoms;
  std::vector<ReinZonePtr> others, supports;
  designer.GetBoardRecords(walls, tops, bottoms, others, supports);
  ASSERT_EQ(walls.size(), 2u);
  EXPECT_EQ(walls[1].boardNumber, wall->GetNumber());
  EXPECT_EQ(walls[1].zones, (std::vector<ReinZonePtr>{face, edge}));
  ASSERT_EQ(bottoms.size(), 1u);
  EXPECT_EQ(bottoms[0].boardNumber, slab->GetNumber());
  EXPECT_TRUE(bottoms[0].zones.empty());
  EXPECT_TRUE(tops.empty());
  EXPECT_EQ(others, (std::vector<ReinZonePtr>{other}));
  ASSERT_EQ(supports.size(), 1u);
  EXPECT_EQ(supports[0], support);
}

// Openings give a circle or a closed polyline at z = 0 in the board's frame;
// notches only through their own function; an object that is not a board
// gives nothing.
TEST(Statistics, OpeningAndNotchOutlines) {
  BoardPtr wall = MakeBoard(0, 6000, 3000, 250);
  auto circle = boost::make_shared<CircleHole>();
  circle->SetCenter({1000, 1500});
  circle->SetRadius(300);
  auto rect = boost::make_shared<RectangleHole>();
  rect->SetCorners({{2000, 1000}, {3000, 1000}, {3000, 2000}, {2000, 2000}});
  auto notch = boost::make_shared<Notch>();
  notch->SetOutline({{4000, 0, 50}, {5000, 0, 50}, {5000, 500, 50}});
  wall->AddHole(circle);
  wall->AddHole(notch);
  wall->AddHole(rect);

  std::vector<EntityPtr> holes = {boost::make_shared<_2dPolyline>()};  // appended to
  MakeHoleOutlineEntities(wall, holes);
  ASSERT_EQ(holes.size(), 3u);
  ASSERT_EQ(typeid(*holes[1]), typeid(_3dCircle));
  const auto& c = static_cast<const _3dCircle&>(*holes[1]);
  EXPECT_EQ(c.GetCenter(), _3dPoint(1000, 1500, 0));
  EXPECT_EQ(c.GetRadius(), 300.0);
  ASSERT_EQ(typeid(*holes[2]), typeid(_2dPolyline));
  const auto& r = static_cast<const _2dPolyline&>(*holes[2]);
  EXPECT_TRUE(r.IsClosed());
  ASSERT_EQ(r.VerNums(), 4);
  EXPECT_EQ(r.GetVertexAt(2), _3dPoint(3000, 2000, 0));

  std::vector<EntityPtr> notches;
  MakeNotchOutlineEntities(wall, notches);
  ASSERT_EQ(notches.size(), 1u);
  const auto& n = static_cast<const _2dPolyline&>(*notches[0]);
  ASSERT_EQ(n.VerNums(), 3);
  EXPECT_EQ(n.GetVertexAt(1), _3dPoint(5000, 0, 0));
  for (double bulge : n.GetBulges()) EXPECT_EQ(bulge, 0.0);

  std::vector<EntityPtr> none;
  MakeHoleOutlineEntities(circle, none);
  MakeNotchOutlineEntities(boost::make_shared<Tank>(), none);
  EXPECT_TRUE(none.empty());
}

// Boards sorted by the integer mean of thickness and spans, largest first;
// other objects keep their places.
TEST(Statistics, BoardGroupsSortedByDescendingKey) {
  // Keys: (t + 3000 + 3000) / 3 for thickness t.
  BoardPtr k1 = MakeBoard(1, 3000, 3000, 300), k3 = MakeBoard(1, 3000, 3000, 900), k2 = MakeBoard(1, 3000, 3000, 600);
  auto load = boost::make_shared<Load>();
  std::vector<std::vector<boost::shared_ptr<VekObject>>> groups = {{k1, load, k3, k2}, {}};
  SortBoardGroups(groups);
  EXPECT_EQ(groups[0], (std::vector<boost::shared_ptr<VekObject>>{k3, load, k2, k1}));
  EXPECT_TRUE(groups[1].empty());
}

// Equal openings share a number when their boards' thicknesses differ by at
// most 1 mm; circles and rectangles are numbered apart, each from 1.
TEST(Statistics, OpeningsNumberedByShapeAndThickness) {
  struct Case {
    const char* name;
    double secondThickness;
    int secondCircleNumber;
  };
  const Case cases[] = {{"251 thick", 251, 1}, {"252 thick", 252, 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Tank tank;
    BoardPtr a = MakeBoard(0, 3000, 3000, 250), b = MakeBoard(0, 3000, 3000, c.secondThickness);
    b->SetOrigin(_3dPoint(0, 9000, 0));
    tank.AddBoard(a);
    tank.AddBoard(b);
    auto circleA = boost::make_shared<CircleHole>(), circleB = boost::make_shared<CircleHole>();
    for (const auto& h : {circleA, circleB}) {
      h->SetCenter({1000, 1000});
      h->SetRadius(200);
    }
    auto rectA = boost::make_shared<RectangleHole>(), rectB = boost::make_shared<RectangleHole>();
    rectA->SetCorners({{0, 0}, {500, 0}, {500, 800}, {0, 800}});
    rectB->SetCorners({{0, 0}, {800, 0}, {800, 500}, {0, 500}});  // the same opening turned
    a->AddHole(rectA);
    a->AddHole(circleA);
    b->AddHole(circleB);
    b->AddHole(rectB);
    TankDesigner::NumberHoles(tank);
    EXPECT_EQ(circleA->GetNumber(), 1);
    EXPECT_EQ(circleB->GetNumber(), c.secondCircleNumber);
    EXPECT_EQ(rectA->GetNumber(), 1);
    EXPECT_EQ(rectB->GetNumber(), c.secondCircleNumber);
  }
}

// The design command's summary ends with the tank in figures.
class StatisticsOnTheHost : public HostCommandTest {};

TEST_F(StatisticsOnTheHost, DesignSummaryCountsBoardsAndWallThicknesses) {
  const HostRun run = RunTool({"design", std::string(TANK_SOURCE_DIR) + "/examples/open-single-cell.json"});
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_NE(run.out.find("walls: 4 (250 to 250 mm thick), bottom slabs: 1, top slabs: 0; rebar zones: "),
            std::string::npos)
      << run.out;
}

}  // namespace
