// Wall line records from picked curves, snapping of wall ends, wall boards,
// openings, notches, notch offsets and opening edits.
#include "model/TankModeler.h"
#include "tank_fixtures.h"

#include <gtest/gtest.h>

#include <boost/make_shared.hpp>

#include <cmath>

namespace {

using Objects = std::vector<boost::shared_ptr<VekObject>>;

boost::shared_ptr<_2dPolyline> Polyline(const std::vector<_2dPoint>& pts, const std::vector<double>& bulges,
                                        bool closed) {
  std::vector<_3dPoint> v;
  for (const _2dPoint& p : pts) v.emplace_back(p.x, p.y, 0.0);
  auto pl = boost::make_shared<_2dPolyline>(v, closed);
  pl->SetBulges(bulges);
  return pl;
}

void ExpectRecord(const WallLineRecord& r, double x0, double y0, double x1, double y1, double thickness) {
  EXPECT_NEAR(r.startX, x0, 1e-9);
  EXPECT_NEAR(r.startY, y0, 1e-9);
  EXPECT_NEAR(r.endX, x1, 1e-9);
  EXPECT_NEAR(r.endY, y1, 1e-9);
  EXPECT_EQ(r.thickness, thickness);
  EXPECT_EQ(r.reserved, 0);
  EXPECT_EQ(r.startCode, 0);
  EXPECT_EQ(r.endCode, 0);
  EXPECT_EQ(r.height, 0.0);
}

}  // namespace

TEST(WallLinesFromCurves, PolylineSegmentsByBulge) {
  TankModeler modeler;
  std::vector<WallLineRecord> straight, curved;
  // Open polyline, bulges (0, 0.5, 0, 0): segments 0-1 and 2-3 straight, 1-2
  // curved.
  modeler.ReadWallLines({Polyline({{0, 0}, {1000, 0}, {1000, 1000}, {0, 1000}}, {0, 0.5, 0, 0}, false)},
                        straight, curved);
  ASSERT_EQ(straight.size(), 2u);
  ASSERT_EQ(curved.size(), 1u);
  ExpectRecord(straight[0], 0, 0, 1000, 0, 0.0);
  ExpectRecord(straight[1], 1000, 1000, 0, 1000, 0.0);
  ExpectRecord(curved[0], 1000, 0, 1000, 1000, 1.0);

  // A closed square gives four sides, the closing one included.
  straight.clear();
  curved.clear();
  modeler.ReadWallLines({Polyline({{0, 0}, {1000, 0}, {1000, 1000}, {0, 1000}}, {0, 0, 0, 0}, true)}, straight,
                        curved);
  ASSERT_EQ(straight.size(), 4u);
  EXPECT_TRUE(curved.empty());
  ExpectRecord(straight[3], 0, 1000, 0, 0, 0.0);

  // The closing segment takes the last vertex's bulge.
  straight.clear();
  curved.clear();
  modeler.ReadWallLines({Polyline({{0, 0}, {1000, 0}, {1000, 1000}, {0, 1000}}, {0, 0, 0, -0.3}, true)},
                        straight, curved);
  ASSERT_EQ(straight.size(), 3u);
  ASSERT_EQ(curved.size(), 1u);
  ExpectRecord(curved[0], 0, 1000, 0, 0, 1.0);

  // A closed polyline drawn with its first point repeated: no zero side.
  straight.clear();
  curved.clear();
  modeler.ReadWallLines({Polyline({{0, 0}, {1000, 0}, {1000, 1000}, {0, 1000}, {0, 0}}, {0, 0, 0, 0, 0}, true)},
                        straight, curved);
  EXPECT_EQ(straight.size(), 4u);

  // The bulge threshold: 0.001 is curved, anything smaller straight.
  straight.clear();
  curved.clear();
  modeler.ReadWallLines({Polyline({{0, 0}, {1000, 0}, {2000, 0}}, {0.001, -0.0009999, 0}, false)}, straight,
                        curved);
  EXPECT_EQ(curved.size(), 1u);
  EXPECT_EQ(straight.size(), 1u);
}

TEST(WallLinesFromCurves, LinesArcsAndOtherEntities) {
  TankModeler modeler;
  std::vector<WallLineRecord> straight, curved;
  // Lists are appended to, not cleared.
  straight.push_back({});
  const Objects picked = {
      boost::make_shared<_3dLine>(_3dPoint(10, 20, 300), _3dPoint(5010, 20, 400)),
      boost::make_shared<_2dArc>(_2dPoint(0, 0), 1000.0, 0.0, g_Pi / 2),
      boost::make_shared<_3dCircle>(_3dPoint(0, 0, 0), 500.0),
      boost::make_shared<_2dLine>(_2dPoint(0, 0), _2dPoint(1, 1)),
      boost::shared_ptr<VekObject>(),
  };
  modeler.ReadWallLines(picked, straight, curved);
  ASSERT_EQ(straight.size(), 2u);
  ExpectRecord(straight[1], 10, 20, 5010, 20, 0.0);
  // The arc: one curved record that keeps only the chord's ends; the
  // thickness 1.0 marks it as a curve.
  ASSERT_EQ(curved.size(), 1u);
  ExpectRecord(curved[0], 1000, 0, 0, 1000, 1.0);
}

TEST(WallLinesFromCurves, SnappingWithinThreeQuartersOfTheWidth) {
  TankModeler modeler;
  // A crossing wall line of width 200 along x = 0.
  const std::vector<Segment2d> lines = {{{0, -5000}, {0, 5000}}, {{1000, 0}, {9000, 0}} /* parallel */};
  const std::vector<double> widths = {200, 10000};
  struct Case {
    double startGap;  // the start lies this far short of the crossing
    int mode;
    bool snapped;
  };
  for (const Case c : {Case{100, 1, true}, Case{160, 1, false}, Case{150, 1, false}, Case{149.9, 3, true},
                       Case{100, 2, false}, Case{100, 0, false}}) {
    _2dPoint start(c.startGap, 0), end(4000, 0);
    EXPECT_EQ(modeler.SnapWallLineEnds(lines, widths, start, end, c.mode), c.snapped)
        << c.startGap << " mode " << c.mode;
    const bool moved = (c.mode == 1 || c.mode == 3) && c.snapped;
    EXPECT_TRUE(start == (moved ? _2dPoint(0, 0) : _2dPoint(c.startGap, 0)));
    EXPECT_TRUE(end == _2dPoint(4000, 0));
  }
  // The end snaps in mode 2; the crossing must lie on the other segment.
  _2dPoint start(-4000, 0), end(-100, 0);
  EXPECT_TRUE(modeler.SnapWallLineEnds(lines, widths, start, end, 2));
  EXPECT_TRUE(end == _2dPoint(0, 0));
  start = {100, 6000};
  end = {4000, 6000};
  EXPECT_FALSE(modeler.SnapWallLineEnds(lines, widths, start, end, 3)) << "crossing beyond the segment";
  // A width missing for a line that would be used.
  start = {100, 0};
  end = {4000, 0};
  EXPECT_THROW(modeler.SnapWallLineEnds(lines, {}, start, end, 1), std::out_of_range);
}

TEST(WallBoards, BuilderAddAndBaseLine) {
  TankModeler modeler;
  WallLineRecord r;
  r.endX = 5000;
  r.thickness = 300;
  r.height = 3000;
  r.startCode = 1;
  Board board;
  ASSERT_TRUE(modeler.MakeWallBoard(r, -250, &board));
  EXPECT_EQ(board.GetKind(), 0);
  EXPECT_EQ(board.GetWallStartCode(), 1);
  EXPECT_DOUBLE_EQ(board.GetUpperOffset(), 150);
  const std::vector<_2dLine> expected = {{{0, 0}, {5000, 0}}, {{5000, 0}, {5000, 3000}},
                                         {{5000, 3000}, {0, 3000}}, {{0, 3000}, {0, 0}}};
  ASSERT_EQ(board.GetEdges().size(), 4u);
  for (int i = 0; i < 4; ++i) {
    EXPECT_TRUE(board.GetEdges()[i].GetStartPoint() == expected[i].GetStartPoint()) << i;
    EXPECT_TRUE(board.GetEdges()[i].GetEndPoint() == expected[i].GetEndPoint()) << i;
  }
  EXPECT_TRUE(board.GetOrigin() == _3dPoint(0, 0, -250));

  Tank tank;
  WallLineRecord tiny = r;
  tiny.endX = 0.0005;
  modeler.AddWall(tiny, 0, tank);
  EXPECT_TRUE(tank.GetComponents().empty()) << "a line shorter than the length tolerance builds no wall";
  modeler.AddWall(r, 0, tank);
  ASSERT_EQ(tank.GetWalls().size(), 1u);

  _2dLine base;
  ASSERT_TRUE(modeler.GetWallBaseLine(tank.GetWalls()[0], base));
  EXPECT_TRUE(base.GetStartPoint() == _2dPoint(0, 0));
  EXPECT_TRUE(base.GetEndPoint() == _2dPoint(5000, 0));
  auto slab = boost::make_shared<Board>();
  modeler.MakeSlabBoard({{0, 0}, {1, 0}, {1, 1}}, 100, 0, 1, slab.get());
  EXPECT_FALSE(modeler.GetWallBaseLine(slab, base));
}

// ---------------------------------------------------------------------------
// Openings

namespace {

// A wall 6000 long and 3000 high at base 0: its local frame is plan x along
// the base line and z up.
BoardPtr TestWall() { return fixtures::MakeWall(0, 0, 6000, 0, 0, 3000); }

// A polyline in the wall's plane (y = 0) from local points.
boost::shared_ptr<_2dPolyline> OnWall(const std::vector<_2dPoint>& local, bool closed = true) {
  std::vector<_3dPoint> v;
  for (const _2dPoint& p : local) v.emplace_back(p.x, 0.0, p.y);
  return boost::make_shared<_2dPolyline>(v, closed);
}

}  // namespace

TEST(Openings, CircleInTheBoardFrame) {
  TankModeler modeler;
  for (double off : {0.0, 80.0}) {  // off the board plane: same hole
    Tank tank;
    auto wall = TestWall();
    tank.AddBoard(wall);
    auto circle = boost::make_shared<_3dCircle>(_3dPoint(1000, off, 1500), 400.0, _3dVector(0, 1, 0));
    ASSERT_TRUE(modeler.AddHole(circle, wall, tank));
    ASSERT_EQ(wall->GetHoles().size(), 1u);
    auto hole = boost::dynamic_pointer_cast<CircleHole>(wall->GetHoles()[0]);
    ASSERT_TRUE(hole);
    EXPECT_TRUE(hole->GetCenter() == _2dPoint(1000, 1500));
    EXPECT_DOUBLE_EQ(hole->GetRadius(), 400);
    EXPECT_EQ(hole->GetId(), 1);
  }
}

TEST(Openings, OnlyRectanglesAndCirclesInsideTheBoard) {
  struct Case {
    const char* what;
    boost::shared_ptr<VekObject> entity;
    bool added;
    std::size_t corners;
  };
  const double s = std::sqrt(0.5);
  const Case cases[] = {
      {"closed rectangle", OnWall({{1000, 1000}, {2000, 1000}, {2000, 1800}, {1000, 1800}}), true, 4},
      {"open rectangle", OnWall({{1000, 1000}, {2000, 1000}, {2000, 1800}, {1000, 1800}}, false), true, 4},
      {"closing point repeated",
       OnWall({{1000, 1000}, {2000, 1000}, {2000, 1800}, {1000, 1800}, {1000, 1000}}), true, 4},
      {"rotated rectangle",
       OnWall({{3000, 1000}, {3000 + 800 * s, 1000 + 800 * s}, {3000, 1000 + 1600 * s}, {3000 - 800 * s, 1000 + 800 * s}}),
       true, 4},
      {"1 mm inside", OnWall({{1, 1}, {5999, 1}, {5999, 2999}, {1, 2999}}), true, 4},
      {"circle 1 mm inside", boost::make_shared<_3dCircle>(_3dPoint(1000, 0, 1500), 999.0), true, 0},
      {"parallelogram", OnWall({{1000, 1000}, {2000, 1000}, {2100, 1800}, {1100, 1800}}), false, 0},
      {"corner off by 5e-4 rad", OnWall({{1000, 1000}, {2000, 1000}, {2000, 1800}, {1000 + 0.4, 1800}}), true, 4},
      {"corner off by 2e-3 rad", OnWall({{1000, 1000}, {2000, 1000}, {2000, 1800}, {1000 + 1.6, 1800}}), false, 0},
      {"three corners", OnWall({{1000, 1000}, {2000, 1000}, {2000, 1800}}), false, 0},
      {"five corners", OnWall({{1000, 1000}, {2000, 1000}, {2000, 1800}, {1500, 2000}, {1000, 1800}}), false, 0},
      {"repeated corner", OnWall({{1000, 1000}, {2000, 1000}, {2000, 1000}, {1000, 1800}}), false, 0},
      {"less than 1 mm inside", OnWall({{0.5, 1000}, {2000, 1000}, {2000, 1800}, {0.5, 1800}}), false, 0},
      {"across the edge", OnWall({{5000, 1000}, {7000, 1000}, {7000, 1800}, {5000, 1800}}), false, 0},
      {"outside", OnWall({{7000, 1000}, {8000, 1000}, {8000, 1800}, {7000, 1800}}), false, 0},
      {"circle across the edge", boost::make_shared<_3dCircle>(_3dPoint(300, 0, 1500), 400.0), false, 0},
      {"circle without radius", boost::make_shared<_3dCircle>(_3dPoint(1000, 0, 1500), 0.0), false, 0},
      {"arc", boost::make_shared<_2dArc>(_2dPoint(1000, 0), 400.0, 0.0, 1.0), false, 0},
  };
  TankModeler modeler;
  for (const Case& c : cases) {
    Tank tank;
    auto wall = TestWall();
    tank.AddBoard(wall);
    std::string reason;
    EXPECT_EQ(modeler.AddHole(c.entity, wall, tank, &reason), c.added) << c.what;
    EXPECT_EQ(wall->GetHoles().size(), c.added ? 1u : 0u) << c.what;
    EXPECT_EQ(reason.empty(), c.added) << c.what;
    if (c.added && c.corners) {
      auto rect = boost::dynamic_pointer_cast<RectangleHole>(wall->GetHoles()[0]);
      ASSERT_TRUE(rect) << c.what;
      EXPECT_EQ(rect->GetCorners().size(), c.corners) << c.what;
    }
  }
  // A bulged side makes no rectangle; a target that is not a board gets
  // nothing.
  Tank tank;
  auto wall = TestWall();
  tank.AddBoard(wall);
  auto bulged = OnWall({{1000, 1000}, {2000, 1000}, {2000, 1800}, {1000, 1800}});
  bulged->SetBulgeAt(1, 0.2);
  EXPECT_FALSE(modeler.AddHole(bulged, wall, tank));
  EXPECT_FALSE(modeler.AddHole(OnWall({{1000, 1000}, {2000, 1000}, {2000, 1800}, {1000, 1800}}),
                               boost::make_shared<Notch>(), tank));
  EXPECT_TRUE(wall->GetHoles().empty());
}

TEST(Openings, RectanglesFollowTheBoardOutline) {
  // An L-shaped slab: a rectangle in the notch of the L lies outside it
  // although all its corners lie inside the L's bounding box.
  TankModeler modeler;
  Tank tank;
  auto slab = boost::make_shared<Board>();
  ASSERT_TRUE(modeler.MakeSlabBoard({{0, 0}, {6000, 0}, {6000, 3000}, {3000, 3000}, {3000, 6000}, {0, 6000}}, 300,
                                    0, 1, slab.get()));
  tank.AddBoard(slab);
  auto poly = [](std::vector<_2dPoint> pts) {
    std::vector<_3dPoint> v;
    for (auto& p : pts) v.emplace_back(p.x, p.y, 0);
    return boost::make_shared<_2dPolyline>(v, true);
  };
  EXPECT_FALSE(modeler.AddHole(poly({{2000, 2000}, {4000, 2000}, {4000, 4000}, {2000, 4000}}), slab, tank));
  EXPECT_TRUE(modeler.AddHole(poly({{500, 500}, {2500, 500}, {2500, 2500}, {500, 2500}}), slab, tank));
  EXPECT_EQ(slab->GetHoles().size(), 1u);
}

// ---------------------------------------------------------------------------
// Notches and opening edits

TEST(Notches, OneNotchPerBoardWithItsOwnId) {
  TankModeler modeler;
  Tank tank;
  auto a = TestWall(), b = fixtures::MakeWall(0, 0, 0, 6000, 0, 3000), c = fixtures::MakeWall(6000, 0, 6000, 6000, 0, 3000);
  tank.AddBoards({a, b, c});
  auto outline = OnWall({{0, 2500}, {1000, 2500}, {1000, 3000}, {0, 3000}});
  modeler.AddNotch(outline, 7, {a, b, boost::make_shared<Notch>(), c}, tank);
  int lastId = 0;
  for (const BoardPtr& board : {a, b, c}) {
    ASSERT_EQ(board->GetHoles().size(), 1u);
    auto notch = boost::dynamic_pointer_cast<Notch>(board->GetHoles()[0]);
    ASSERT_TRUE(notch);
    EXPECT_EQ(notch->GetCode(), 7);
    EXPECT_EQ(notch->GetOutline(), outline->GetVertices()) << "stored in world coordinates";
    EXPECT_GT(notch->GetId(), lastId);
    lastId = notch->GetId();
  }
  // Only a polyline makes a notch.
  modeler.AddNotch(boost::make_shared<_3dCircle>(_3dPoint(0, 0, 0), 10.0), 0, {a}, tank);
  EXPECT_EQ(a->GetHoles().size(), 1u);
}

TEST(Notches, MoveWithTheFaces) {
  TankModeler modeler;
  auto wall = TestWall();  // normal -y
  auto onUpper = boost::make_shared<Notch>();
  onUpper->SetOutline({{0, -100, 2500}, {1000, -100, 2500}, {1000, -100, 3000}});
  auto onLower = boost::make_shared<Notch>();
  onLower->SetOutline({{0, 100, 2500}, {1000, 100, 2500}, {1000, 100, 3000}});
  wall->AddHole(onUpper);
  wall->AddHole(onLower);
  // Thickness 300 -> 400: half the change, 50 mm, each notch with its face.
  modeler.OffsetNotches(wall, 50, true);
  EXPECT_DOUBLE_EQ(onUpper->GetOutline()[0].y, -150);
  EXPECT_DOUBLE_EQ(onLower->GetOutline()[0].y, 150);
  // An eccentricity change moves both the same way; 0.05 moves nothing.
  modeler.OffsetNotches(wall, 20, false);
  EXPECT_DOUBLE_EQ(onUpper->GetOutline()[0].y, -170);
  EXPECT_DOUBLE_EQ(onLower->GetOutline()[0].y, 130);
  modeler.OffsetNotches(wall, 0.05, true);
  EXPECT_DOUBLE_EQ(onUpper->GetOutline()[0].y, -170);
}

TEST(Notches, EditBoardHolesByKind) {
  TankModeler modeler;
  auto make = [] {
    auto wall = TestWall();
    for (double x : {1000.0, 3000.0}) {
      auto c = boost::make_shared<CircleHole>();
      c->SetCenter({x, 1500});
      c->SetRadius(200);
      wall->AddHole(c);
    }
    wall->AddHole(boost::make_shared<Notch>());
    return wall;
  };
  auto wall = make();
  const HolePtr second = wall->GetHoles()[1];
  int kind = 4;
  modeler.EditBoardHoles({1}, &kind, {wall});
  EXPECT_EQ(wall->GetHoles().size(), 3u) << "index beyond the notches: nothing";
  kind = 0;
  modeler.EditBoardHoles({1}, &kind, {wall});
  ASSERT_EQ(wall->GetHoles().size(), 2u);
  EXPECT_TRUE(std::find(wall->GetHoles().begin(), wall->GetHoles().end(), second) == wall->GetHoles().end());
  // An index list shorter than the board list: the boards before are edited.
  auto first = make(), other = make();
  EXPECT_THROW(modeler.EditBoardHoles({0}, &kind, {first, other}), std::out_of_range);
  EXPECT_EQ(first->GetHoles().size(), 2u);
  EXPECT_EQ(other->GetHoles().size(), 3u);
}

TEST(OneCallEdits, PairsUnitsAndBoards) {
  TankModeler modeler;
  Tank tank;
  ASSERT_TRUE(fixtures::MakeRegularTank(tank, fixtures::RegularLayout(2, 1, false)));
  const auto slabs = tank.GetBottomSlabs();
  const std::size_t units = tank.GetUnits().size();
  modeler.EditBoardPair(tank, {slabs[0]});
  modeler.EditBoardPair(tank, {slabs[0], slabs[1], slabs[0]});
  EXPECT_EQ(tank.GetUnits().size(), units);
  modeler.EditBoardPair(tank, {slabs[0], slabs[1]});
  EXPECT_EQ(tank.GetUnits().size(), units - 1);
  modeler.RemoveBoard(slabs[1], tank);
  EXPECT_EQ(tank.GetBottomSlabs().size(), 1u);
  auto load = boost::make_shared<AreaLoad>();
  modeler.AddBoardObject(load, slabs[0]);
  EXPECT_EQ(slabs[0]->GetLoads().size(), 1u);
  modeler.RemoveBoardObject(load, slabs[0]);
  EXPECT_TRUE(slabs[0]->GetLoads().empty());
}
