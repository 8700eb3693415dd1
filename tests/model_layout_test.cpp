// Regular tank layout, slabs from walls, outer wall faces, bottom-slab
// overhang edges and the default edge restraints.
#include "model/TankModeler.h"
#include "tank_fixtures.h"

#include <gtest/gtest.h>

#include <boost/make_shared.hpp>

#include <cmath>
#include <limits>

namespace {

_2dPoint PlanStart(const BoardPtr& b) { return {b->GetOrigin().x, b->GetOrigin().y}; }

_2dPoint WallEnd(const BoardPtr& wall) {
  const _3dPoint e = wall->GetOrigin() + wall->GetXAxis();
  return {e.x, e.y};
}

int CountKind(const Tank& tank, int kind) {
  int n = 0;
  for (const BoardPtr& b : tank.GetBoards()) n += b->GetKind() == kind;
  return n;
}

}  // namespace

TEST(RegularLayout, TwoByOneCellsWithTopSlab) {
  Tank tank;
  const TankLayoutParams params = fixtures::RegularLayout(2, 1, true, 12000, 6000);
  ASSERT_TRUE(fixtures::MakeRegularTank(tank, params));

  // Walls first, then top slabs, then bottom slabs.
  const auto components = tank.GetComponents();
  ASSERT_EQ(components.size(), 11u);
  const int expectedKinds[11] = {0, 0, 0, 0, 0, 0, 0, 2, 2, 1, 1};
  for (std::size_t i = 0; i < components.size(); ++i)
    EXPECT_EQ(boost::dynamic_pointer_cast<Board>(components[i])->GetKind(), expectedKinds[i]) << i;

  // Walls along x, then along y, each a side of a cell.
  const std::vector<std::pair<_2dPoint, _2dPoint>> expectedWalls = {
      {{0, 0}, {6000, 0}},     {{0, 6000}, {6000, 6000}},  {{6000, 0}, {12000, 0}},
      {{6000, 6000}, {12000, 6000}}, {{0, 0}, {0, 6000}}, {{6000, 0}, {6000, 6000}},
      {{12000, 0}, {12000, 6000}}};
  const auto walls = tank.GetWalls();
  ASSERT_EQ(walls.size(), 7u);
  for (std::size_t i = 0; i < walls.size(); ++i) {
    EXPECT_TRUE(PlanStart(walls[i]) == expectedWalls[i].first) << i;
    EXPECT_TRUE(WallEnd(walls[i]) == expectedWalls[i].second) << i;
    EXPECT_DOUBLE_EQ(walls[i]->GetOrigin().z, -3200.0) << "walls stand on the bottom-slab mid-plane";
    EXPECT_DOUBLE_EQ(walls[i]->GetThickness(), 300.0);
    double height = 0, bottom = 0;
    TankModeler().GetBoardBottomAndHeight(walls[i], height, bottom);
    EXPECT_DOUBLE_EQ(height, 4000.0);
    EXPECT_DOUBLE_EQ(bottom, -3200.0);
  }

  const auto bottoms = tank.GetBottomSlabs();
  const auto tops = tank.GetTopSlabs();
  ASSERT_EQ(bottoms.size(), 2u);
  ASSERT_EQ(tops.size(), 2u);
  for (const BoardPtr& s : bottoms) {
    EXPECT_DOUBLE_EQ(s->GetOrigin().z, -3200.0);
    EXPECT_DOUBLE_EQ(s->GetThickness(), 400.0);
    EXPECT_EQ(s->GetEdges().size(), 4u);
  }
  for (const BoardPtr& s : tops) {
    EXPECT_DOUBLE_EQ(s->GetOrigin().z, 800.0);
    EXPECT_DOUBLE_EQ(s->GetThickness(), 250.0);
  }
  // The left cell first.
  EXPECT_TRUE(PlanStart(bottoms[0]) == _2dPoint(0, 0));
  EXPECT_TRUE(PlanStart(bottoms[1]) == _2dPoint(6000, 0));
  EXPECT_EQ(tank.GetCells().size(), 2u);
}

TEST(RegularLayout, OpenTankAndLargerGrids) {
  struct Case {
    std::uint32_t nx, ny;
    bool top;
  };
  for (const Case c : {Case{1, 1, false}, Case{2, 1, false}, Case{3, 2, true}, Case{3, 2, false}}) {
    Tank tank;
    ASSERT_TRUE(fixtures::MakeRegularTank(tank, fixtures::RegularLayout(c.nx, c.ny, c.top)));
    const int walls = static_cast<int>(c.nx * (c.ny + 1) + c.ny * (c.nx + 1));
    const int cells = static_cast<int>(c.nx * c.ny);
    EXPECT_EQ(CountKind(tank, 0), walls) << c.nx << "x" << c.ny;
    EXPECT_EQ(CountKind(tank, 1), cells);
    EXPECT_EQ(CountKind(tank, 2), c.top ? cells : 0);
    EXPECT_EQ(static_cast<int>(tank.GetCells().size()), cells);
  }
}

TEST(RegularLayout, RefusesBadRecordsWithTheFieldNamed) {
  struct Case {
    const char* field;
    void (*spoil)(TankLayoutParams&);
  };
  const Case cases[] = {
      {"cellsX", [](TankLayoutParams& p) { p.cellsX = 0; }},
      {"cellsY", [](TankLayoutParams& p) { p.cellsY = 0; }},
      // A negative count handed through as unsigned.
      {"cellsX", [](TankLayoutParams& p) { p.cellsX = static_cast<std::uint32_t>(-1); }},
      {"lengthX", [](TankLayoutParams& p) { p.lengthX = 0; }},
      {"lengthY", [](TankLayoutParams& p) { p.lengthY = -6000; }},
      {"lengthX", [](TankLayoutParams& p) { p.lengthX = std::numeric_limits<double>::quiet_NaN(); }},
      {"wallThickness", [](TankLayoutParams& p) { p.wallThickness = 0; }},
      {"wallThickness", [](TankLayoutParams& p) { p.wallThickness = 6000; }},  // as long as a cell
      {"wallThickness", [](TankLayoutParams& p) { p.cellsY = 30; }},          // 200 mm cells along y
      {"wallHeight", [](TankLayoutParams& p) { p.wallHeight = -1; }},
      {"bottomSlabThickness", [](TankLayoutParams& p) { p.bottomSlabThickness = 0; }},
      {"topSlabThickness", [](TankLayoutParams& p) { p.topSlabThickness = 0; }},
  };
  for (const Case& c : cases) {
    TankLayoutParams params = fixtures::RegularLayout(2, 1, true);
    c.spoil(params);
    Tank tank;
    auto keep = fixtures::MakeWall(0, 0, 1000, 0, 0, 1000);
    tank.AddBoard(keep);
    std::string error;
    EXPECT_FALSE(TankModeler().PlaceRegularBoards(params, tank, &error)) << c.field;
    EXPECT_EQ(error.rfind(c.field, 0), 0u) << "error \"" << error << "\" should name " << c.field;
    EXPECT_EQ(tank.GetComponents().size(), 1u) << "a refused record leaves the tank as it was";
    std::vector<WallLineRecord> walls;
    std::vector<CellOutline> cells;
    EXPECT_FALSE(TankModeler().LayoutRegularGrid(params, walls, cells));
    EXPECT_TRUE(walls.empty() && cells.empty());
  }
  // An open tank does not read the top slab thickness.
  TankLayoutParams open = fixtures::RegularLayout(1, 1, false);
  open.topSlabThickness = 0;
  Tank tank;
  EXPECT_TRUE(TankModeler().PlaceRegularBoards(open, tank));
}

TEST(SlabsFromWalls, RebuildAndPickedLoop) {
  Tank tank;
  ASSERT_TRUE(fixtures::MakeRegularTank(tank, fixtures::RegularLayout(2, 1, false)));
  TankModeler modeler;

  // Top slabs over the two regions the walls enclose.
  modeler.RebuildSlabsOfKind(800, 250, true, tank);
  const auto tops = tank.GetTopSlabs();
  ASSERT_EQ(tops.size(), 2u);
  for (const BoardPtr& s : tops) {
    EXPECT_DOUBLE_EQ(s->GetOrigin().z, 800);
    EXPECT_EQ(s->GetEdges().size(), 4u);
  }
  // A rebuild of the bottom slabs replaces them.
  modeler.RebuildSlabsOfKind(-3000, 600, false, tank);
  ASSERT_EQ(tank.GetBottomSlabs().size(), 2u);
  EXPECT_DOUBLE_EQ(tank.GetBottomSlabs()[0]->GetThickness(), 600);

  // One slab around a picked point; none outside every loop.
  TankModeler::RemoveBoardsOfKind(2, tank);
  EXPECT_TRUE(tank.GetTopSlabs().empty());
  EXPECT_FALSE(modeler.AddSlabFromLines({-500, 3000}, tank, true, 800, 250));
  EXPECT_TRUE(tank.GetTopSlabs().empty());
  ASSERT_TRUE(modeler.AddSlabFromLines({9000, 3000}, tank, true, 800, 250));
  ASSERT_EQ(tank.GetTopSlabs().size(), 1u);
  const BoardPtr picked = tank.GetTopSlabs()[0];
  EXPECT_EQ(picked->GetEdges().size(), 4u) << "no zero-length closing edge";
  EXPECT_TRUE(picked->ContainsPoint({9000, 3000}));
  EXPECT_FALSE(picked->ContainsPoint({3000, 3000}));

  // Without walls a rebuild leaves no slab of the kind.
  TankModeler::RemoveBoardsOfKind(0, tank);
  modeler.RebuildSlabsOfKind(-3200, 400, false, tank);
  EXPECT_TRUE(tank.GetBottomSlabs().empty());
  EXPECT_FALSE(modeler.AddSlabFromLines({9000, 3000}, tank, false, -3200, 400));
}

// ---------------------------------------------------------------------------
// Outer wall faces

namespace {

// The face of the wall toward the outside of the plan rectangle
// [0, lx] × [0, ly]: true for the upper face.
bool UpperFaceLooksOut(const BoardPtr& wall, double lx, double ly) {
  const _3dPoint mid = wall->GetOrigin() + wall->GetXAxis() * 0.5;
  const _3dVector n = wall->GetNormal();
  const _2dPoint ahead(mid.x + n.x * 10, mid.y + n.y * 10);
  return ahead.x < 0 || ahead.y < 0 || ahead.x > lx || ahead.y > ly;
}

bool OnOutline(const BoardPtr& wall, double lx, double ly) {
  const _2dPoint s = PlanStart(wall), e = WallEnd(wall);
  auto border = [&](double a, double b, double lim) { return std::fabs(a - lim) < 1 && std::fabs(b - lim) < 1; };
  return border(s.x, e.x, 0) || border(s.x, e.x, lx) || border(s.y, e.y, 0) || border(s.y, e.y, ly);
}

}  // namespace

TEST(OuterWallFaces, OutlineWallsOuterPartitionsInner) {
  Tank tank;
  ASSERT_TRUE(fixtures::MakeRegularTank(tank, fixtures::RegularLayout(3, 2, true)));
  // Stale marks: a partition wall with an outer face, an outline wall with
  // both faces outer.
  const auto walls = tank.GetWalls();
  for (const BoardPtr& w : walls) {
    w->SetUpperFaceOuter(true);
    w->SetLowerFaceOuter(true);
  }
  TankModeler().MarkOuterWallFaces(tank);
  int outline = 0;
  for (const BoardPtr& w : walls) {
    if (OnOutline(w, 12000, 6000)) {
      ++outline;
      const bool up = UpperFaceLooksOut(w, 12000, 6000);
      EXPECT_EQ(w->IsUpperFaceOuter(), up);
      EXPECT_EQ(w->IsLowerFaceOuter(), !up);
    } else {
      EXPECT_FALSE(w->IsUpperFaceOuter()) << "partition walls are inner on both faces";
      EXPECT_FALSE(w->IsLowerFaceOuter());
    }
  }
  EXPECT_EQ(outline, 10);
}

TEST(OuterWallFaces, TurnedWallTakesTheOppositeMarks) {
  Tank tank;
  // A counter-clockwise square whose walls' normals all point outward, one
  // of them drawn the other way round; and a long wall that a partition
  // meets from inside.
  tank.AddBoard(fixtures::MakeWall(0, 0, 6000, 0, 0, 3000));
  tank.AddBoard(fixtures::MakeWall(6000, 0, 6000, 4000, 0, 3000));
  tank.AddBoard(fixtures::MakeWall(0, 4000, 6000, 4000, 0, 3000));  // normal inward
  tank.AddBoard(fixtures::MakeWall(0, 4000, 0, 0, 0, 3000));
  tank.AddBoard(fixtures::MakeWall(3000, 0, 3000, 4000, 0, 3000));  // partition
  TankModeler().MarkOuterWallFaces(tank);
  const auto walls = tank.GetWalls();
  for (int i : {0, 1, 3}) {
    EXPECT_TRUE(walls[i]->IsUpperFaceOuter()) << i;
    EXPECT_FALSE(walls[i]->IsLowerFaceOuter()) << i;
  }
  EXPECT_FALSE(walls[2]->IsUpperFaceOuter());
  EXPECT_TRUE(walls[2]->IsLowerFaceOuter());
  EXPECT_FALSE(walls[4]->IsUpperFaceOuter());
  EXPECT_FALSE(walls[4]->IsLowerFaceOuter());
}

// ---------------------------------------------------------------------------
// Bottom-slab overhang edges

TEST(SlabOverhangs, OutlineEdgesOnlyAndRemarked) {
  Tank tank;
  ASSERT_TRUE(fixtures::MakeRegularTank(tank, fixtures::RegularLayout(2, 1, true)));
  TankModeler modeler;
  for (double overhang : {500.0, 800.0}) {
    modeler.MarkSlabOverhangs(tank, overhang);
    int marked = 0;
    for (const BoardPtr& slab : tank.GetBottomSlabs()) {
      for (int e = 0; e < 4; ++e) {
        double length = 0;
        const bool on = slab->GetEdgeOverhang(e, length);
        const _3dLine line = slab->GetEdgeLine(e);
        const bool shared = std::fabs(line.GetStartPoint().x - 6000) < 1 && std::fabs(line.GetEndPoint().x - 6000) < 1;
        EXPECT_EQ(on, !shared);
        if (on) {
          EXPECT_DOUBLE_EQ(length, overhang);
          ++marked;
        }
      }
    }
    EXPECT_EQ(marked, 6);
    EXPECT_TRUE(tank.HasBottomSlabOverhang());
  }
  // Top slabs never carry the mark.
  for (const BoardPtr& slab : tank.GetTopSlabs()) {
    double length = 0;
    for (int e = 0; e < 4; ++e) EXPECT_FALSE(slab->GetEdgeOverhang(e, length));
  }
  // No bottom slab: nothing happens.
  TankModeler::RemoveBoardsOfKind(1, tank);
  modeler.MarkSlabOverhangs(tank, 500);
  EXPECT_FALSE(tank.HasBottomSlabOverhang());
}

// ---------------------------------------------------------------------------
// Default edge restraints

namespace {

constexpr int kWallTop = 11, kTopEdge = 12, kBottomEdge = 13;

// The edge index of a board whose world line runs between the two points
// (either way); -1 when none.
int EdgeBetween(const BoardPtr& b, const _3dPoint& p, const _3dPoint& q) {
  for (int e = 0; e < static_cast<int>(b->GetEdges().size()); ++e) {
    const _3dLine l = b->GetEdgeLine(e);
    if ((l.GetStartPoint() == p && l.GetEndPoint() == q) || (l.GetStartPoint() == q && l.GetEndPoint() == p))
      return e;
  }
  return -1;
}

}  // namespace

TEST(EdgeRestraints, RegularTankWithTopSlab) {
  Tank tank;
  ASSERT_TRUE(fixtures::MakeRegularTank(tank, fixtures::RegularLayout(2, 1, true)));
  TankModeler().ClassifyBoardEdges(tank, kWallTop, kTopEdge, kBottomEdge);
  const auto walls = tank.GetWalls();
  for (std::size_t i = 0; i < walls.size(); ++i) {
    const auto r = walls[i]->GetRestrictions();
    ASSERT_EQ(r.size(), 4u);
    const bool partition = i == 5;  // the wall between the two cells
    EXPECT_EQ(r[0].GetKind(), Restirction::kFixed) << "wall base on the bottom slab, wall " << i;
    EXPECT_EQ(r[1].GetKind(), Restirction::kFixed) << "wall junction, wall " << i;
    EXPECT_EQ(r[2].GetKind(), partition ? Restirction::kFixed : kWallTop) << "wall top, wall " << i;
    EXPECT_EQ(r[3].GetKind(), Restirction::kFixed) << "wall junction, wall " << i;
  }
  for (int kind : {1, 2}) {
    const auto slabs = kind == 1 ? tank.GetBottomSlabs() : tank.GetTopSlabs();
    const double z = kind == 1 ? -3200 : 800;
    for (const BoardPtr& slab : slabs) {
      const auto r = slab->GetRestrictions();
      ASSERT_EQ(r.size(), 4u);
      const int shared = EdgeBetween(slab, {6000, 0, z}, {6000, 6000, z});
      ASSERT_NE(shared, -1);
      for (int e = 0; e < 4; ++e)
        EXPECT_EQ(r[e].GetKind(), e == shared ? Restirction::kFixed : (kind == 1 ? kBottomEdge : kTopEdge))
            << "slab kind " << kind << " edge " << e;
    }
  }
  // Twice gives the same lists; restraints set by hand are replaced.
  const auto before = walls[0]->GetRestrictions();
  walls[0]->SetRestrictions({Restirction(1)});
  TankModeler().ClassifyBoardEdges(tank, kWallTop, kTopEdge, kBottomEdge);
  EXPECT_EQ(walls[0]->GetRestrictions(), before);
}

TEST(EdgeRestraints, OpenTankAndLoneBoards) {
  Tank tank;
  ASSERT_TRUE(fixtures::MakeRegularTank(tank, fixtures::RegularLayout(2, 1, false)));
  TankModeler().ClassifyBoardEdges(tank, kWallTop, kTopEdge, kBottomEdge);
  for (const BoardPtr& w : tank.GetWalls()) {
    const auto r = w->GetRestrictions();
    ASSERT_EQ(r.size(), 4u);
    EXPECT_EQ(r[0].GetKind(), Restirction::kFixed);
    EXPECT_EQ(r[2].GetKind(), Restirction::kFree) << "the top of an open tank's wall is free";
  }
  // A board meeting nothing is free all round; a bottom-slab edge meeting a
  // top slab (and nothing else) is fixed; a top-slab edge meeting only a
  // wall takes the top-slab code.
  Tank lone;
  auto slab = boost::make_shared<Board>();
  ASSERT_TRUE(TankModeler().MakeSlabBoard({{0, 0}, {3000, 0}, {3000, 3000}, {0, 3000}}, 300, 0, 1, slab.get()));
  lone.AddBoard(slab);
  TankModeler().ClassifyBoardEdges(lone, kWallTop, kTopEdge, kBottomEdge);
  for (const Restirction& r : slab->GetRestrictions()) EXPECT_EQ(r.GetKind(), Restirction::kFree);

  auto top = boost::make_shared<Board>();
  ASSERT_TRUE(TankModeler().MakeSlabBoard({{3000, 0}, {6000, 0}, {6000, 3000}, {3000, 3000}}, 300, 0, 2, top.get()));
  lone.AddBoard(top);
  TankModeler().ClassifyBoardEdges(lone, kWallTop, kTopEdge, kBottomEdge);
  const int e = EdgeBetween(slab, {3000, 0, 0}, {3000, 3000, 0});
  ASSERT_NE(e, -1);
  EXPECT_EQ(slab->GetRestrictions()[e].GetKind(), Restirction::kFixed);

  auto wall = fixtures::MakeWall(6000, 0, 6000, 3000, -3000, 3000);
  lone.AddBoard(wall);
  TankModeler().ClassifyBoardEdges(lone, kWallTop, kTopEdge, kBottomEdge);
  const int te = EdgeBetween(top, {6000, 0, 0}, {6000, 3000, 0});
  ASSERT_NE(te, -1);
  EXPECT_EQ(top->GetRestrictions()[te].GetKind(), kTopEdge);
  EXPECT_EQ(wall->GetRestrictions()[2].GetKind(), kWallTop);
}
