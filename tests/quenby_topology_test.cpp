// Structural model: how boards meet (joints, neighbour lists with edge
// indices, boards on an edge, joint lines, inward directions, measures, spans)
// on small fixtures, and units, cells, water levels and board numbers of a
// regular tank of two cells.
#include "platform/Morlak.h"
#include "platform/Quenby.h"

#include <gtest/gtest.h>

#include <boost/make_shared.hpp>

#include <algorithm>
#include <cmath>
#include <vector>

#include "tests/tank_fixtures.h"

namespace {

using fixtures::MakeWall;

// A slab over plan points with its mid-plane at `level`: origin at the first
// point, x axis along the first side, y axis its left perpendicular.
BoardPtr MakeSlab(const std::vector<_2dPoint>& pts, double level, int kind, double thickness = 400) {
  auto slab = boost::make_shared<Board>();
  slab->SetKind(kind);
  slab->SetUpperOffset(thickness / 2);
  slab->SetLowerOffset(thickness / 2);
  slab->SetOrigin(_3dPoint(pts[0].x, pts[0].y, level));
  const double dx = pts[1].x - pts[0].x, dy = pts[1].y - pts[0].y;
  slab->SetXAxis(_3dVector(dx, dy, 0));
  slab->SetYAxis(_3dVector(-dy, dx, 0));
  std::vector<BoardEdge> edges(pts.size());
  for (std::size_t i = 0; i < pts.size(); ++i) {
    const _2dPoint& a = pts[i];
    const _2dPoint& b = pts[(i + 1) % pts.size()];
    edges[i].SetLine(_2dLine(slab->WorldToLocal(_3dPoint(a.x, a.y, level)),
                             slab->WorldToLocal(_3dPoint(b.x, b.y, level))));
  }
  slab->SetEdges(edges);
  return slab;
}

BoardPtr MakeRectSlab(double x0, double y0, double x1, double y1, double level, int kind = 1) {
  return MakeSlab({{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}}, level, kind);
}

struct Neighbour {
  Board* board;
  int own;
  int other;
  bool operator==(const Neighbour&) const = default;
};

std::vector<Neighbour> Neighbours(const Tank& tank, const BoardPtr& b) {
  std::vector<BoardPtr> boards;
  std::vector<int> own, other;
  tank.GetNeighbourBoards(b, boards, own, other);
  EXPECT_EQ(boards.size(), own.size());
  EXPECT_EQ(boards.size(), other.size());
  std::vector<Neighbour> result;
  for (std::size_t i = 0; i < boards.size(); ++i) result.push_back({boards[i].get(), own[i], other[i]});
  return result;
}

std::vector<Neighbour> OnEdge(const Tank& tank, const BoardPtr& b, int edge) {
  std::vector<BoardPtr> boards;
  std::vector<int> edges;
  tank.GetBoardsOnEdge(b, edge, boards, edges);
  std::vector<Neighbour> result;
  for (std::size_t i = 0; i < boards.size(); ++i) result.push_back({boards[i].get(), edge, edges[i]});
  return result;
}

void ExpectLine(const _3dLine& line, const _3dPoint& start, const _3dPoint& end) {
  EXPECT_TRUE(line.GetStartPoint() == start) << line.GetStartPoint().x << "," << line.GetStartPoint().y << ","
                                             << line.GetStartPoint().z;
  EXPECT_TRUE(line.GetEndPoint() == end) << line.GetEndPoint().x << "," << line.GetEndPoint().y << ","
                                         << line.GetEndPoint().z;
}

// ---------------------------------------------------------------------------
// Small fixtures

TEST(QuenbyTopology, WallStandingOnTheMiddleOfASlab) {
  Tank tank;
  BoardPtr slab = MakeRectSlab(0, 0, 10000, 6000, 0);
  BoardPtr wall = MakeWall(5000, 0, 5000, 6000, 0, 3000);
  tank.AddBoards({slab, wall});

  BoardJointPtr joint;
  ASSERT_TRUE(tank.FindJoint(wall, slab, joint));
  EXPECT_EQ(joint->GetFirstBoard(), slab);
  EXPECT_EQ(joint->GetSecondBoard(), wall);
  ExpectLine(joint->GetLine(), {5000, 0, 0}, {5000, 6000, 0});

  // The slab has no edge under the wall; the wall stands on its base edge 0.
  EXPECT_EQ(Neighbours(tank, slab), (std::vector<Neighbour>{{wall.get(), -1, 0}}));
  EXPECT_EQ(Neighbours(tank, wall), (std::vector<Neighbour>{{slab.get(), 0, -1}}));
  EXPECT_EQ(OnEdge(tank, wall, 0), (std::vector<Neighbour>{{slab.get(), 0, -1}}));
  EXPECT_TRUE(OnEdge(tank, wall, 2).empty());

  const _3dLine line = joint->GetLine();
  EXPECT_TRUE(wall->GetInwardDirection(line) == _3dVector(0, 0, 1));
  EXPECT_NEAR(wall->GetJointMeasure(line), 3000, 1e-6);
  EXPECT_NEAR(slab->GetJointMeasure(line), 5000, 1e-6);
  EXPECT_NEAR(wall->GetInwardDirection(line).GetAngleTo(slab->GetInwardDirection(line)), g_Pi / 2, 1e-9);
  EXPECT_EQ(wall->FindEdge(line, 1), 0);
  EXPECT_EQ(slab->FindEdge(line, 0), -1);
  EXPECT_TRUE(tank.SpansBothSides(wall, slab));
  EXPECT_FALSE(tank.SpansBothSides(slab, wall));
}

TEST(QuenbyTopology, WallsMeetingInAnLAndInAT) {
  struct Case {
    const char* name;
    double bx0, by0;   // start of the second wall (it runs 4000 along +y)
    int ownA, ownB;    // edge indices at the joint
    double measureA;   // first wall's extent away from the joint
  };
  const Case cases[] = {
      {"L corner", 0, 0, 3, 3, 6000},
      {"T junction", 3000, 0, -1, 3, 3000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Tank tank;
    BoardPtr a = MakeWall(0, 0, 6000, 0, 0, 3000);
    BoardPtr b = MakeWall(c.bx0, c.by0, c.bx0, c.by0 + 4000, 0, 3000);
    tank.AddBoards({a, b});
    EXPECT_EQ(Neighbours(tank, a), (std::vector<Neighbour>{{b.get(), c.ownA, c.ownB}}));
    EXPECT_EQ(Neighbours(tank, b), (std::vector<Neighbour>{{a.get(), c.ownB, c.ownA}}));
    _3dLine line;
    ASSERT_TRUE(tank.GetIntersectionLine(b, a, line));
    ExpectLine(line, {c.bx0, 0, 0}, {c.bx0, 0, 3000});
    EXPECT_NEAR(a->GetJointMeasure(line), c.measureA, 1e-6);
    EXPECT_TRUE(b->GetInwardDirection(line) == _3dVector(0, 1, 0));
    // The through wall of a T lies on both sides of the abutting wall.
    EXPECT_EQ(tank.SpansBothSides(b, a), c.ownA == -1);
    EXPECT_FALSE(tank.SpansBothSides(a, b));
  }
}

TEST(QuenbyTopology, SlabSplitUnderAWallGivesThreeEdgesOnOneLine) {
  Tank tank;
  BoardPtr slab = MakeRectSlab(0, 0, 10000, 6000, 0);
  auto hole = boost::make_shared<CircleHole>();
  hole->SetCenter(_2dPoint(8000, 3000));
  hole->SetRadius(400);
  slab->AddHole(hole);
  BoardPtr wall = MakeWall(5000, 0, 5000, 6000, 0, 3000);
  tank.AddBoards({wall, slab});

  std::vector<BoardPtr> pieces;
  const _3dLine cut({5000, -100, 0}, {5000, 6100, 0});
  ASSERT_TRUE(tank.SplitBoard(slab, cut, pieces));
  ASSERT_EQ(pieces.size(), 2u);
  EXPECT_EQ(tank.GetComponents().size(), 2u) << "splitting does not change the tank";
  tank.RemoveComponent(slab);
  tank.AddBoards(pieces);
  BoardPtr left = pieces[0]->ContainsPoint({1000, 1000}) ? pieces[0] : pieces[1];
  BoardPtr right = left == pieces[0] ? pieces[1] : pieces[0];
  EXPECT_TRUE(right->ContainsPoint({9000, 1000}));
  EXPECT_EQ(right->GetHoles().size(), 1u) << "the opening goes with the piece that holds it";
  EXPECT_TRUE(left->GetHoles().empty());

  const int leftEdge = left->FindEdge(cut);
  const int rightEdge = right->FindEdge(cut);
  ASSERT_GE(leftEdge, 0);
  ASSERT_GE(rightEdge, 0);
  // The wall stands on both pieces; each piece meets the wall and the other
  // piece along its edge under the wall; neighbours come in component order.
  EXPECT_EQ(OnEdge(tank, wall, 0), (std::vector<Neighbour>{{pieces[0].get(), 0, pieces[0] == left ? leftEdge : rightEdge},
                                                            {pieces[1].get(), 0, pieces[1] == left ? leftEdge : rightEdge}}));
  EXPECT_EQ(OnEdge(tank, left, leftEdge),
            (std::vector<Neighbour>{{wall.get(), leftEdge, 0}, {right.get(), leftEdge, rightEdge}}));

  // Three joints on one line, and the outline tables agree with them.
  std::vector<BoardPtr> firsts, seconds;
  std::vector<BoardJointPtr> joints;
  tank.GetJoints(firsts, seconds, joints);
  ASSERT_EQ(joints.size(), 3u);
  for (const BoardJointPtr& j : joints) ExpectLine(j->GetLine(), {5000, 0, 0}, {5000, 6000, 0});
  std::vector<std::vector<unsigned char>> flags;
  std::vector<std::vector<_3dPoint>> outlines;
  std::vector<std::vector<_3dPoint>> frames;
  std::vector<std::vector<_3dLine>> lines;
  tank.GetOutlineLists(flags, outlines, frames, lines);
  ASSERT_EQ(flags.size(), 3u);
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) {
      EXPECT_EQ(flags[i][j] != 0, i != j);
      if (i != j) ExpectLine(lines[i][j], {5000, 0, 0}, {5000, 6000, 0});
    }
  ASSERT_EQ(outlines.size(), 3u);
  EXPECT_EQ(outlines[0].size(), 4u);
  ASSERT_EQ(frames[0].size(), 3u);
  EXPECT_TRUE(frames[0][1] == _3dPoint(5000, 6000, 0)) << "origin + x axis of the wall";
}

TEST(QuenbyTopology, SlabsEdgeToEdge) {
  struct Case {
    const char* name;
    double y1;  // upper end of the right slab's left side
    bool meet;
  };
  const Case cases[] = {
      {"partly shared side", 3000, true},
      {"whole side", 6000, true},
      {"corner contact only", -2000, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Tank tank;
    BoardPtr a = MakeRectSlab(0, 0, 6000, 6000, 0);
    BoardPtr b = c.y1 > 0 ? MakeRectSlab(6000, 0, 12000, c.y1, 0) : MakeRectSlab(6000, c.y1, 12000, 0, 0);
    tank.AddBoards({a, b});
    BoardJointPtr joint;
    EXPECT_EQ(tank.FindJoint(a, b, joint), c.meet);
    if (!c.meet) {
      EXPECT_FALSE(joint);
      EXPECT_TRUE(Neighbours(tank, a).empty());
      continue;
    }
    ExpectLine(joint->GetLine(), {6000, 0, 0}, {6000, c.y1, 0});
    EXPECT_EQ(Neighbours(tank, a), (std::vector<Neighbour>{{b.get(), 1, 3}}));
    EXPECT_EQ(Neighbours(tank, b), (std::vector<Neighbour>{{a.get(), 3, 1}}));
    const _3dLine line = joint->GetLine();
    EXPECT_NEAR(a->GetInwardDirection(line).GetAngleTo(b->GetInwardDirection(line)), g_Pi, 1e-9);
    EXPECT_TRUE(AreFaceSidesAligned(a, 1, b));
  }
}

TEST(QuenbyTopology, FaceSidesAcrossACorner) {
  // A wall standing on the slab's right edge: the slab's top face turns into
  // the wall face that looks back over the slab.
  Tank tank;
  BoardPtr slab = MakeRectSlab(0, 0, 6000, 4000, 0);
  BoardPtr toward = MakeWall(6000, 4000, 6000, 0, 0, 3000);  // normal -x: toward the slab
  BoardPtr away = MakeWall(6000, 0, 6000, 4000, 0, 3000);    // normal +x
  ASSERT_TRUE(toward->GetNormal() == _3dVector(-1, 0, 0));
  EXPECT_TRUE(AreFaceSidesAligned(slab, 1, toward));
  EXPECT_FALSE(AreFaceSidesAligned(slab, 1, away));
  EXPECT_FALSE(AreFaceSidesAligned(slab, 7, toward));
}

TEST(QuenbyTopology, SpansEdgeDirectionsAndPlanContainment) {
  BoardPtr slab = MakeRectSlab(0, 0, 6000, 4000, 150);
  double lx = 0, ly = 0;
  slab->GetSpans(lx, ly);
  EXPECT_NEAR(lx, 6000, 1e-9);
  EXPECT_NEAR(ly, 4000, 1e-9);
  slab->SetReinAngle(g_Pi / 2);
  slab->GetSpans(lx, ly);
  EXPECT_NEAR(lx, 4000, 1e-9);
  EXPECT_NEAR(ly, 6000, 1e-9);
  EXPECT_TRUE(slab->GetMainDirection() == _3dVector(0, 1, 0));

  BoardPtr wall = MakeWall(0, 0, 5000, 0, -250, 3000);
  const auto spans = wall->GetSpans();
  EXPECT_NEAR(spans.first, 5000, 1e-9);
  EXPECT_NEAR(spans.second, 3000, 1e-9);
  // Edge directions point into the board; the wall's outline starts at its base.
  EXPECT_TRUE(wall->GetEdgeDirection(0) == _3dVector(0, 0, 1));
  EXPECT_TRUE(wall->GetEdgeDirection(3) == _3dVector(1, 0, 0));
  EXPECT_TRUE(slab->GetEdgeDirection(1) == _3dVector(-1, 0, 0));
  EXPECT_TRUE(wall->GetOutlinePoints().front() == _3dPoint(0, 0, -250));
  EXPECT_TRUE(wall->GetOutlinePoints().back() == _3dPoint(0, 0, 2750));

  EXPECT_TRUE(slab->ContainsPoint({6000, 4000}));
  EXPECT_FALSE(slab->ContainsPoint({6001, 100}));
  EXPECT_TRUE(wall->ContainsPoint({2500, 149}));
  EXPECT_FALSE(wall->ContainsPoint({2500, 151}));

  // The line tests: on the plane, within the outline.
  const _3dLine inside({100, 100, 150}, {5900, 3900, 150});
  const _3dLine beyond({100, 100, 150}, {6100, 100, 150});
  const _3dLine above({100, 100, 400}, {200, 100, 400});
  EXPECT_TRUE(LineOnBoardTest(inside)(slab) && LineWithinBoardTest(inside)(slab));
  EXPECT_TRUE(LineOnBoardTest(beyond)(slab));
  EXPECT_FALSE(LineWithinBoardTest(beyond)(slab));
  EXPECT_FALSE(BoardSegmentTest(above)(slab));
}

TEST(QuenbyTopology, JointsFollowGeometryAndKeepTheirHaunches) {
  Tank tank;
  BoardPtr slab = MakeRectSlab(0, 0, 6000, 4000, 0);
  BoardPtr wall = MakeWall(0, 0, 6000, 0, 0, 3000);
  tank.AddBoards({slab, wall});
  BoardJointPtr joint;
  ASSERT_TRUE(tank.FindJoint(slab, wall, joint));
  auto ear = boost::make_shared<Ear>();
  SetJointEar(joint, ear);

  // An unrelated board joins: the joint and its haunch stay.
  tank.AddBoard(MakeWall(0, 0, 0, 4000, 0, 3000));
  BoardJointPtr again;
  ASSERT_TRUE(tank.FindJoint(wall, slab, again));
  EXPECT_EQ(again, joint);
  EarPtr got;
  EXPECT_TRUE(GetJointEar(again, got));
  EXPECT_EQ(got, ear);
  EXPECT_FALSE(GetJointOverhangEar(again, got));
  EXPECT_FALSE(got);

  // Lifting the wall through its edge records (in place) ends the joint and
  // its haunch; lowering it again makes a new joint without one.
  auto lift = [&](double dz) {
    for (BoardEdge& edge : wall->GetEdges()) {
      _2dLine line = edge.GetLine();
      line.Move(_3dVector(0, dz, 0));
      edge.SetLine(line);
    }
  };
  lift(500);
  EXPECT_FALSE(tank.FindJoint(wall, slab, again));
  EXPECT_FALSE(again);
  lift(-500);
  ASSERT_TRUE(tank.FindJoint(wall, slab, again));
  EXPECT_NE(again, joint);
  EXPECT_FALSE(GetJointEar(again, got));

  SetJointOverhangEar(again, boost::make_shared<Ear>());
  tank.ClearEars();
  EXPECT_FALSE(GetJointOverhangEar(again, got));

  // While the topology is frozen the boards are taken as they were, but a
  // board added is still met; after the freeze a moved board is seen again.
  {
    const Structure::TopologyFreeze frozen(tank);
    const BoardPtr far = MakeWall(6000, 0, 6000, 4000, 0, 3000);
    tank.AddBoard(far);
    EXPECT_TRUE(tank.FindJoint(far, slab, again));
    lift(500);
    EXPECT_TRUE(tank.FindJoint(wall, slab, again));
  }
  EXPECT_FALSE(tank.FindJoint(wall, slab, again));
}

// Joints of a grid of boards are found whatever the order of the boards,
// as they were found by trying every pair: the slabs of a 5 × 4 grid each
// meet their neighbours in the plan, never a board farther away.
TEST(QuenbyTopology, JointsOfAGridAreTheNeighbours) {
  Tank tank;
  const int nx = 5, ny = 4;
  std::vector<BoardPtr> slabs;
  // Added from the far corner back, so that the order of the boards and the
  // order along x differ.
  for (int j = ny - 1; j >= 0; --j)
    for (int i = nx - 1; i >= 0; --i) slabs.push_back(MakeRectSlab(i * 3000, j * 2000, (i + 1) * 3000, (j + 1) * 2000, 0));
  tank.AddBoards(slabs);
  for (std::size_t a = 0; a < slabs.size(); ++a) {
    for (std::size_t b = 0; b < slabs.size(); ++b) {
      if (a == b) continue;
      const int ia = nx - 1 - static_cast<int>(a) % nx, ja = ny - 1 - static_cast<int>(a) / nx;
      const int ib = nx - 1 - static_cast<int>(b) % nx, jb = ny - 1 - static_cast<int>(b) / nx;
      const bool side = std::abs(ia - ib) + std::abs(ja - jb) == 1;
      BoardJointPtr joint;
      EXPECT_EQ(tank.FindJoint(slabs[a], slabs[b], joint), side) << a << " " << b;
    }
  }
}

// ---------------------------------------------------------------------------
// A regular tank of 2 x 1 cells, built as the regular layout does: walls
// first, then top slabs, then bottom slabs.

class RegularTank : public ::testing::Test {
 protected:
  static constexpr double kBase = -3200;  // bottom slab mid-plane
  static constexpr double kHeight = 4000;

  void SetUp() override {
    const double dx = 6000, dy = 5000;
    walls = {MakeWall(0, 0, dx, 0, kBase, kHeight),           MakeWall(0, dy, dx, dy, kBase, kHeight),
             MakeWall(dx, 0, 2 * dx, 0, kBase, kHeight),      MakeWall(dx, dy, 2 * dx, dy, kBase, kHeight),
             MakeWall(0, 0, 0, dy, kBase, kHeight),           MakeWall(dx, 0, dx, dy, kBase, kHeight),
             MakeWall(2 * dx, 0, 2 * dx, dy, kBase, kHeight)};
    tops = {MakeSlab({{0, 0}, {dx, 0}, {dx, dy}, {0, dy}}, kBase + kHeight, 2, 200),
            MakeSlab({{dx, 0}, {2 * dx, 0}, {2 * dx, dy}, {dx, dy}}, kBase + kHeight, 2, 200)};
    bottoms = {MakeSlab({{0, 0}, {dx, 0}, {dx, dy}, {0, dy}}, kBase, 1, 400),
               MakeSlab({{dx, 0}, {2 * dx, 0}, {2 * dx, dy}, {dx, dy}}, kBase, 1, 400)};
    std::vector<BoardPtr> all = walls;
    all.insert(all.end(), tops.begin(), tops.end());
    all.insert(all.end(), bottoms.begin(), bottoms.end());
    tank.AddBoards(all);
  }

  std::vector<Board*> UnitBoards(const TankCellPtr& cell) const {
    std::vector<Board*> boards;
    for (const UnitPtr& unit : cell->GetUnits())
      for (const StructureComponentPtr& c : unit->GetComponents()) boards.push_back(dynamic_cast<Board*>(c.get()));
    return boards;
  }

  Tank tank;
  std::vector<BoardPtr> walls, tops, bottoms;
};

TEST_F(RegularTank, BoardNumbersRunPerKindAndSurviveEdits) {
  std::vector<int> numbers;
  for (const BoardPtr& b : tank.GetBoards()) numbers.push_back(b->GetNumber());
  EXPECT_EQ(numbers, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 1, 2, 1, 2}));

  tank.RemoveComponent(walls[2]);  // wall 3 leaves for good
  tank.UpdateBoard(walls[1]);      // wall 2 leaves and comes back
  tank.AddBoard(walls[1]);
  tank.AddBoard(MakeWall(0, 2500, 6000, 2500, kBase, kHeight));
  numbers.clear();
  for (const BoardPtr& b : tank.GetWalls()) numbers.push_back(b->GetNumber());
  EXPECT_EQ(numbers, (std::vector<int>{1, 4, 5, 6, 7, 2, 8}));

  tank.RenumberBoards();
  numbers.clear();
  for (const BoardPtr& b : tank.GetWalls()) numbers.push_back(b->GetNumber());
  EXPECT_EQ(numbers, (std::vector<int>{1, 2, 3, 4, 5, 6, 7}));
}

TEST_F(RegularTank, ClearLeavesNothing) {
  auto hole = boost::make_shared<CircleHole>();
  tank.GetNextHoleId(hole);
  tank.AddOtherReinZone(boost::make_shared<ReinZone>());
  tank.Clear();
  std::vector<boost::shared_ptr<VekObject>> objects;
  tank.GetObjectList(objects);
  EXPECT_TRUE(objects.empty());
  EXPECT_TRUE(tank.GetUnits().empty());
  EXPECT_TRUE(tank.GetCells().empty());
  EXPECT_TRUE(tank.GetBoardJoints(walls[0]).empty());
  EXPECT_TRUE(tank.GetReinZones().GetZones().empty());
  EXPECT_EQ(tank.GetNextHoleId(hole), 1);
  tank.AddBoard(walls[3]);
  EXPECT_EQ(walls[3]->GetNumber(), 4) << "a board keeps a number that is free";
}

TEST_F(RegularTank, UnitsAreOnePerBoardAndRegroupByPairs) {
  std::vector<UnitPtr> units = tank.GetUnits();
  ASSERT_EQ(units.size(), 11u);
  const std::vector<BoardPtr> boards = tank.GetBoards();
  for (std::size_t i = 0; i < units.size(); ++i) {
    ASSERT_EQ(units[i]->GetComponentCount(), 1);
    EXPECT_EQ(units[i]->GetComponent(0), boards[i]);
    EXPECT_EQ(units[i]->GetNumber(), boards[i]->GetNumber());
  }
  EXPECT_THROW(units[0]->GetComponent(1), std::out_of_range);

  // The two top slabs become one unit numbered like its first board, and the
  // same pair splits it again; slabs of different kinds are not grouped.
  ASSERT_EQ(tank.GetCells().size(), 2u);
  tank.EditObjectPair(tops[0], tops[1]);
  units = tank.GetUnits();
  ASSERT_EQ(units.size(), 10u);
  EXPECT_EQ(units[7]->GetComponents(), (std::vector<StructureComponentPtr>{tops[0], tops[1]}));
  EXPECT_EQ(units[7]->GetNumber(), 1);
  for (const TankCellPtr& cell : tank.GetCells())
    EXPECT_EQ(cell->GetUnits().front(), units[7]) << "the cells hold the grouped unit";
  tank.EditObjectPair(tops[0], bottoms[0]);
  EXPECT_EQ(tank.GetUnits().size(), 10u);
  tank.EditObjectPair(tops[0], tops[1]);
  EXPECT_EQ(tank.GetUnits().size(), 11u);

  tank.EditObjectPair(bottoms[0], bottoms[1]);
  units = tank.GetUnits();
  tank.EditComponentUnits(units.back());
  EXPECT_EQ(tank.GetUnits().size(), 11u);

  // A board that leaves through UpdateBoard comes back into its group.
  tank.EditObjectPair(bottoms[0], bottoms[1]);
  tank.UpdateBoard(bottoms[1]);
  tank.AddBoard(bottoms[1]);
  units = tank.GetUnits();
  ASSERT_EQ(units.size(), 10u);
  EXPECT_EQ(units.back()->GetComponentCount(), 2);
  tank.RemoveComponent(bottoms[0]);
  tank.RemoveComponent(bottoms[1]);
  EXPECT_EQ(tank.GetUnits().size(), 9u) << "an emptied unit is dropped";
}

TEST_F(RegularTank, CellsHoldTheirSlabsAndSurroundingWalls) {
  const std::vector<TankCellPtr> cells = tank.GetCells();
  ASSERT_EQ(cells.size(), 2u);
  EXPECT_EQ(UnitBoards(cells[0]), (std::vector<Board*>{tops[0].get(), bottoms[0].get(), walls[0].get(),
                                                         walls[1].get(), walls[4].get(), walls[5].get()}));
  EXPECT_EQ(UnitBoards(cells[1]), (std::vector<Board*>{tops[1].get(), bottoms[1].get(), walls[2].get(),
                                                         walls[3].get(), walls[5].get(), walls[6].get()}));
  // The units are the tank's own (pointer identity, as owner lookups need).
  const std::vector<UnitPtr> units = tank.GetUnits();
  for (const TankCellPtr& cell : cells)
    for (const UnitPtr& unit : cell->GetUnits())
      EXPECT_NE(std::find(units.begin(), units.end(), unit), units.end());
  // A cell object stays while its region stays.
  tank.AddBoard(MakeWall(20000, 0, 25000, 0, kBase, kHeight));
  EXPECT_EQ(tank.GetCells(), cells);
}

TEST_F(RegularTank, WaterLevels) {
  // Default: water up to the underside of the top slab (800 - 100) above the
  // top of the bottom slab (-3200 + 200).
  for (const TankCellPtr& cell : tank.GetCells()) EXPECT_NEAR(cell->GetWaterLevel(), 3700, 1e-9);

  tank.SetDesignWaterDepth(3000);
  for (const TankCellPtr& cell : tank.GetCells()) EXPECT_NEAR(cell->GetWaterLevel(), 3000, 1e-9);

  tank.GetCells()[1]->SetWaterLevel(2500);
  tank.SetDesignWaterDepth(-1);
  EXPECT_NEAR(tank.GetCells()[0]->GetWaterLevel(), 3700, 1e-9);
  EXPECT_NEAR(tank.GetCells()[1]->GetWaterLevel(), 2500, 1e-9) << "a cell's own level stays";

  // An open cell: up to the top of its walls (-3200 + 4000).
  tank.RemoveComponent(tops[0]);
  EXPECT_NEAR(tank.GetCells()[0]->GetWaterLevel(), 3800, 1e-9);
}

TEST_F(RegularTank, NeighboursGiveTheEdgeRestraintPicture) {
  // Bottom slab edges: right side (1) meets the middle wall and the other
  // bottom slab; the outer sides meet one wall each.
  EXPECT_EQ(OnEdge(tank, bottoms[0], 1),
            (std::vector<Neighbour>{{walls[5].get(), 1, 0}, {bottoms[1].get(), 1, 3}}));
  EXPECT_EQ(OnEdge(tank, bottoms[0], 0), (std::vector<Neighbour>{{walls[0].get(), 0, 0}}));
  // Middle wall: bottom edge on two bottom slabs, top edge under two top
  // slabs, its vertical sides against the walls in line.
  EXPECT_EQ(OnEdge(tank, walls[5], 0), (std::vector<Neighbour>{{bottoms[0].get(), 0, 1}, {bottoms[1].get(), 0, 3}}));
  EXPECT_EQ(OnEdge(tank, walls[5], 2), (std::vector<Neighbour>{{tops[0].get(), 2, 1}, {tops[1].get(), 2, 3}}));
  EXPECT_EQ(OnEdge(tank, walls[5], 3), (std::vector<Neighbour>{{walls[0].get(), 3, 1}, {walls[2].get(), 3, 3}}));
  EXPECT_EQ(tank.GetAdjoiningBoards(walls[5]).size(), 8u);

  // The wall joints at (6000, 0) and at (6000, 5000) form groups of three;
  // the corner joints, one at each place, stand in none.
  const auto groups = tank.GetJointGroups();
  ASSERT_EQ(groups.size(), 2u);
  for (const auto& group : groups) EXPECT_EQ(group.size(), 3u);
  std::vector<BoardPtr> slabs = {bottoms[0]};
  EXPECT_EQ(tank.GetSlabWalls(slabs, walls),
            (std::vector<BoardPtr>{walls[0], walls[1], walls[4], walls[5]}));
}

}  // namespace
