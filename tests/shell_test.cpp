// The whole-tank shell model: isolated plates against the classic tables
// (Timoshenko & Woinowsky-Krieger, ν = 0.3), the sign rule whatever way a
// board's normal points, an open tank against the per-board plate solver,
// mesh convergence, openings, springs and self weight, and the failures
// (mechanisms, boards the mesher cannot take, bad loads).
#include "platform/tobrin/shell.h"
#include "platform/tobrin/plate.h"
#include "tank_fixtures.h"

#include <gtest/gtest.h>

#include <boost/make_shared.hpp>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

using namespace tobrin;

namespace {

// A horizontal slab x0..x1 × y0..y1 at level z; its normal points up unless
// `downward`, where the y axis is turned so that the normal points down.
BoardPtr MakeSlab(double x0, double y0, double x1, double y1, double z, double thickness, int kind,
                  bool downward = false) {
  auto slab = boost::make_shared<Board>();
  slab->SetKind(kind);
  slab->SetUpperOffset(thickness / 2);
  slab->SetLowerOffset(thickness / 2);
  slab->SetOrigin(_3dPoint(x0, y0, z));
  slab->SetXAxis(_3dVector(1, 0, 0));
  slab->SetYAxis(_3dVector(0, downward ? -1 : 1, 0));
  const _3dPoint corners[4] = {{x0, y0, z}, {x1, y0, z}, {x1, y1, z}, {x0, y1, z}};
  std::vector<BoardEdge> edges(4);
  for (int i = 0; i < 4; ++i)
    edges[i].SetLine(_2dLine(slab->WorldToLocal(corners[i]), slab->WorldToLocal(corners[(i + 1) % 4])));
  slab->SetEdges(edges);
  return slab;
}

// Supports along the four sides of the rectangle x0..x1 × y0..y1 at level z:
// clamped (every unknown held) or simply supported (deflection and the
// rotation along the side held, the "hard" support of the Kirchhoff plate).
std::vector<ShellLineSupport> RectangleSupports(double x0, double y0, double x1, double y1, double z,
                                                bool clamped) {
  const _3dPoint c[4] = {{x0, y0, z}, {x1, y0, z}, {x1, y1, z}, {x0, y1, z}};
  std::vector<ShellLineSupport> s(4);
  for (int i = 0; i < 4; ++i) {
    s[i].a = c[i];
    s[i].b = c[(i + 1) % 4];
    if (!clamped) {
      // Sides along x hold the rotation about y, sides along y that about x.
      const bool alongX = i % 2 == 0;
      s[i].rotations = {!alongX, alongX, true};
    }
  }
  return s;
}

TankCaseLoads UniformLoads(std::size_t boards, std::size_t board, double q) {
  TankCaseLoads loads(boards);
  loads[board].areas.push_back(PlateAreaLoad::Uniform(q));
  return loads;
}

// A square open tank: bottom slab and four walls of side `side` (centre
// lines) and height `height`, walls numbered counter-clockwise from the
// side along +x; every wall's normal points out of the tank.
std::vector<BoardPtr> OpenTank(double side, double height, double wallThickness, double slabThickness) {
  std::vector<BoardPtr> boards;
  boards.push_back(MakeSlab(0, 0, side, side, 0, slabThickness, 1));
  boards.push_back(fixtures::MakeWall(0, 0, side, 0, 0, height, wallThickness));
  boards.push_back(fixtures::MakeWall(side, 0, side, side, 0, height, wallThickness));
  boards.push_back(fixtures::MakeWall(side, side, 0, side, 0, height, wallThickness));
  boards.push_back(fixtures::MakeWall(0, side, 0, 0, 0, height, wallThickness));
  return boards;
}

// Internal water to the top of every wall: outward, so along the walls' +normal.
TankCaseLoads WaterLoads(double height) {
  TankCaseLoads loads(5);
  for (int w = 1; w <= 4; ++w) loads[w].areas.push_back(PlateAreaLoad::AlongY(0, 10.0 * height / 1000.0, height, 0));
  return loads;
}

constexpr double kE = 30000.0;

}  // namespace

// ---------------------------------------------------------------------------
// Isolated square plate, a = 1 m, t = 10 mm (thin, so the Mindlin element
// meets the Kirchhoff tables), q = 1 kPa along +normal.

struct PlateCase {
  const char* name;
  bool clamped;
  double w;        // × q a⁴ / D
  double mCentre;  // × q a²
  double mEdge;    // × q a², at mid-edge (0 for simple supports)
};

class ShellSquarePlate : public ::testing::TestWithParam<PlateCase> {};

TEST_P(ShellSquarePlate, MatchesTheClassicTables) {
  const PlateCase& c = GetParam();
  const double a = 1000.0, t = 10.0, nu = 0.3;
  ShellOptions opt;
  opt.poisson = nu;
  opt.elementSize = a / 24;
  const std::vector<BoardPtr> boards = {MakeSlab(0, 0, a, a, 0, t, 2)};
  ShellTankModel model(boards, {kE}, opt, RectangleSupports(0, 0, a, a, 0, c.clamped));
  ASSERT_EQ(model.Status(), SolveStatus::Ok) << model.Reason();
  const ShellResult r = model.SolveDetailed(UniformLoads(1, 0, 1.0), 0.0);
  ASSERT_EQ(r.Status(), SolveStatus::Ok) << r.Reason();
  const double d = kE * t * t * t / (12 * (1 - nu * nu));  // N·mm
  const double wRef = c.w * 1e-3 * std::pow(a, 4) / d;     // mm
  const ShellBoardNode* centre = r.NearestNode(0, a / 2, a / 2);
  ASSERT_NE(centre, nullptr);
  EXPECT_NEAR(centre->displacement.z, wRef, 0.01 * wRef);
  EXPECT_NEAR(centre->m.mx, c.mCentre, 0.01 * c.mCentre);
  EXPECT_NEAR(centre->m.my, c.mCentre, 0.01 * c.mCentre);
  if (c.clamped) {
    const ShellBoardNode* edge = r.NearestNode(0, a / 2, 0);
    ASSERT_NE(edge, nullptr);
    EXPECT_NEAR(edge->m.my, c.mEdge, 0.02 * std::fabs(c.mEdge));
    // The edge extremes of the board carry the same support moment.
    EXPECT_NEAR(r.Moments()[0].edges[0].min, c.mEdge, 0.02 * std::fabs(c.mEdge));
  }
}

INSTANTIATE_TEST_SUITE_P(Tables, ShellSquarePlate,
                         ::testing::Values(PlateCase{"SimplySupported", false, 0.00406, 0.0479, 0.0},
                                           PlateCase{"Clamped", true, 0.00126, 0.0229, -0.0513}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// A square open tank under internal water on a very stiff bottom slab: by
// symmetry every wall behaves like a board with three fixed edges and a
// free top, which the per-board plate solver computes directly.

namespace {

constexpr double kSide = 2000.0, kHeight = 1500.0, kWall = 100.0;

struct TankFigures {
  double base = 0.0;   // wall base moment at mid-width, bars crossing the base
  double side = 0.0;   // wall side moment at mid-height, bars crossing the side
  double span = 0.0;   // largest span moment of the horizontal bars
};

TankFigures SolveOpenTank(double elementSize) {
  const std::vector<BoardPtr> boards = OpenTank(kSide, kHeight, kWall, 400.0);
  ShellOptions opt;
  opt.elementSize = elementSize;
  opt.subgradeModulus = 1e6;
  // The slab a thousand times stiffer than the walls: a fixed base.
  ShellTankModel model(boards, {kE * 1000, kE, kE, kE, kE}, opt);
  EXPECT_EQ(model.Status(), SolveStatus::Ok) << model.Reason();
  const ShellResult r = model.SolveDetailed(WaterLoads(kHeight), 0.0);
  EXPECT_EQ(r.Status(), SolveStatus::Ok) << r.Reason();
  TankFigures f;
  if (r.Status() != SolveStatus::Ok) return f;
  const ShellBoardNode* base = r.NearestNode(1, kSide / 2, 0);
  const ShellBoardNode* side = r.NearestNode(1, kSide, kHeight / 2);
  f.base = base->m.my;
  f.side = side->m.mx;
  f.span = r.Moments()[1].spanX.max;
  // All four walls carry the same moments.
  for (int w = 2; w <= 4; ++w) {
    EXPECT_NEAR(r.Moments()[w].edges[0].min, r.Moments()[1].edges[0].min, 1e-6);
    EXPECT_NEAR(r.Moments()[w].spanX.max, r.Moments()[1].spanX.max, 1e-6);
  }
  return f;
}

}  // namespace

// One mesh series serves both checks: the finest mesh against the plate
// solver, the series for its convergence.  The sizes divide the wall's
// width and height, so nodes lie at mid-width and mid-height.
TEST(ShellTank, WaterInAnOpenTankMatchesTheWallWithThreeFixedEdgesAndConverges) {
  const double sizes[3] = {125.0, 62.5, 50.0};
  TankFigures f[3];
  for (int i = 0; i < 3; ++i) f[i] = SolveOpenTank(sizes[i]);
  const TankFigures& shell = f[2];

  PlateInput input = PlateInput::Rectangle(
      kSide, kHeight, {EdgeRestraint::Fixed, EdgeRestraint::Fixed, EdgeRestraint::Free, EdgeRestraint::Fixed},
      kWall, kE, 0.2, 16);
  PlateLoadCase water;
  water.areas.push_back(PlateAreaLoad::AlongY(0, 10.0 * kHeight / 1000.0, kHeight, 0));
  const PlateResult plate = SolvePlate(input, water);
  ASSERT_TRUE(plate.Ok()) << plate.Reason();
  PlateEdgeMoment base, side;
  ASSERT_TRUE(plate.EdgeMoment(0, base));
  ASSERT_TRUE(plate.EdgeMoment(1, side));
  // Water pushes the walls outward (+normal): the inner (lower) face is in
  // tension at the fixed edges, the outer (upper) face in the span.
  EXPECT_LT(shell.base, 0.0);
  EXPECT_LT(shell.side, 0.0);
  EXPECT_GT(shell.span, 0.0);
  EXPECT_NEAR(shell.base, base.mid, 0.05 * std::fabs(base.mid));
  EXPECT_NEAR(shell.side, side.mid, 0.05 * std::fabs(side.mid));
  EXPECT_NEAR(shell.span, plate.Extremes(false).maxMx, 0.05 * plate.Extremes(false).maxMx);

  for (double TankFigures::*value : {&TankFigures::base, &TankFigures::side, &TankFigures::span}) {
    const double coarse = std::fabs(f[0].*value - f[2].*value);
    const double fine = std::fabs(f[1].*value - f[2].*value);
    EXPECT_LT(fine, 0.02 * std::fabs(f[2].*value));
    EXPECT_LT(fine, coarse + 1e-9);  // the series closes in
  }
}

// ---------------------------------------------------------------------------
// Point and line loads on the simply supported square plate.

TEST(ShellLoads, PointAndLineLoadsReachTheNodesOnce) {
  const double a = 1000.0, t = 10.0, nu = 0.3;
  ShellOptions opt;
  opt.poisson = nu;
  opt.elementSize = a / 24;
  const std::vector<BoardPtr> boards = {MakeSlab(0, 0, a, a, 0, t, 2)};
  ShellTankModel model(boards, {kE}, opt, RectangleSupports(0, 0, a, a, 0, false));
  ASSERT_EQ(model.Status(), SolveStatus::Ok) << model.Reason();
  const double d = kE * t * t * t / (12 * (1 - nu * nu));

  // A central point load of 1 kN: w = 0.01160 P a² / D.
  TankCaseLoads point(1);
  point[0].points.push_back({a / 2, a / 2, 1.0});
  const ShellResult rp = model.SolveDetailed(point, 0.0);
  ASSERT_EQ(rp.Status(), SolveStatus::Ok) << rp.Reason();
  const double wRef = 0.01160 * 1e3 * a * a / d;
  EXPECT_NEAR(rp.NearestNode(0, a / 2, a / 2)->displacement.z, wRef, 0.01 * wRef);

  // A line load along an element side (shared by two elements) gives what
  // the same load 1 mm off it gives: no piece is counted twice.
  auto lineAt = [&](double x) {
    TankCaseLoads line(1);
    line[0].lines.push_back({x, 0, x, a, 2.0, 2.0});
    const ShellResult r = model.SolveDetailed(line, 0.0);
    EXPECT_EQ(r.Status(), SolveStatus::Ok) << r.Reason();
    return r.Status() == SolveStatus::Ok ? r.NearestNode(0, a / 2, a / 2)->displacement.z : 0.0;
  };
  const double onSide = lineAt(a / 2), inside = lineAt(a / 2 + 1.0);
  EXPECT_GT(onSide, 0.0);
  EXPECT_NEAR(onSide, inside, 0.01 * inside);

  // A load off the board is refused, with zero moments.
  TankCaseLoads off(1);
  off[0].points.push_back({2 * a, a / 2, 1.0});
  TankCaseMoments out;
  std::string reason;
  EXPECT_EQ(model.Solve(off, 0.0, out, reason), SolveStatus::InvalidInput);
  EXPECT_NE(reason.find("point load"), std::string::npos) << reason;
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].edges.size(), 4u);
  EXPECT_EQ(out[0].spanX.min, 0.0);
}

// Loadings solved together, most of them repeating the loads of some
// boards (as cell patterns and combinations do), give the moments of each
// loading solved alone; a bad load in a later loading is still refused.
TEST(ShellLoads, LoadingsSolvedTogetherMatchEachSolvedAlone) {
  const double side = 2000.0, height = 1500.0;
  ShellOptions opt;
  opt.elementSize = 250.0;
  const std::vector<BoardPtr> boards = OpenTank(side, height, 150, 300);
  const ShellTankModel model(boards, std::vector<double>(boards.size(), kE), opt);
  ASSERT_EQ(model.Status(), SolveStatus::Ok) << model.Reason();
  const TankCaseLoads water = WaterLoads(height);
  TankCaseLoads halfFull = water;  // walls 1 and 2 as before, walls 3 and 4 half full
  for (int w = 3; w <= 4; ++w) halfFull[w].areas = {PlateAreaLoad::AlongY(0, 7.5, height / 2, 0)};
  TankCaseLoads withPoint = water;
  withPoint[0].points.push_back({side / 3, side / 2, 5.0});
  std::vector<ShellLoading> loadings = {{water, 1.0}, {water, 1.2}, {halfFull, 1.0}, {withPoint, 1.0}, {water, 1.0}};
  std::vector<TankCaseMoments> together;
  std::string reason;
  ASSERT_EQ(model.SolveAll(loadings, together, reason), SolveStatus::Ok) << reason;
  ASSERT_EQ(together.size(), loadings.size());
  auto near = [](double a, double b) { return std::fabs(a - b) <= 1e-9 * (1.0 + std::fabs(b)); };
  for (std::size_t c = 0; c < loadings.size(); ++c) {
    SCOPED_TRACE("loading " + std::to_string(c));
    TankCaseMoments alone;
    ASSERT_EQ(model.Solve(loadings[c].loads, loadings[c].selfWeightFactor, alone, reason), SolveStatus::Ok) << reason;
    ASSERT_EQ(alone.size(), together[c].size());
    for (std::size_t b = 0; b < alone.size(); ++b) {
      const BoardMoments& x = together[c][b];
      const BoardMoments& y = alone[b];
      EXPECT_TRUE(near(x.spanX.max, y.spanX.max) && near(x.spanX.min, y.spanX.min)) << "board " << b;
      EXPECT_TRUE(near(x.spanY.max, y.spanY.max) && near(x.spanY.min, y.spanY.min)) << "board " << b;
      ASSERT_EQ(x.edges.size(), y.edges.size());
      for (std::size_t e = 0; e < y.edges.size(); ++e)
        EXPECT_TRUE(near(x.edges[e].max, y.edges[e].max) && near(x.edges[e].min, y.edges[e].min))
            << "board " << b << " edge " << e;
    }
  }
  // The loadings differ where their loads do.
  EXPECT_NE(together[0][3].edges[0].max, together[2][3].edges[0].max);
  EXPECT_TRUE(together[0][0].edges[0].max != together[1][0].edges[0].max ||
              together[0][0].edges[0].min != together[1][0].edges[0].min);
  EXPECT_EQ(together[0][1].edges[0].max, together[4][1].edges[0].max);

  loadings.push_back(loadings[0]);
  loadings.back().loads[0].points.push_back({3 * side, side / 2, 1.0});
  EXPECT_EQ(model.SolveAll(loadings, together, reason), SolveStatus::InvalidInput);
  EXPECT_NE(reason.find("point load"), std::string::npos) << reason;
}

// Many loadings (more than one block of right-hand sides, the last block
// partly filled) keep each loading's own moments; a bad loading in a late
// block leaves no moments of the earlier blocks behind.
TEST(ShellLoads, ManyLoadingsKeepTheirOwnMomentsAcrossBlocks) {
  const double side = 2000.0, height = 1500.0;
  ShellOptions opt;
  opt.elementSize = 500.0;
  const std::vector<BoardPtr> boards = OpenTank(side, height, 150, 300);
  const ShellTankModel model(boards, std::vector<double>(boards.size(), kE), opt);
  ASSERT_EQ(model.Status(), SolveStatus::Ok) << model.Reason();
  const TankCaseLoads water = WaterLoads(height);
  TankCaseLoads withPoint = water;
  withPoint[0].points.push_back({side / 3, side / 2, 5.0});
  std::vector<ShellLoading> loadings;
  for (int i = 0; i < 75; ++i) loadings.push_back({i % 2 == 0 ? water : withPoint, 1.0 + 0.01 * i});
  std::vector<TankCaseMoments> together;
  std::string reason;
  ASSERT_EQ(model.SolveAll(loadings, together, reason), SolveStatus::Ok) << reason;
  ASSERT_EQ(together.size(), loadings.size());
  for (std::size_t c : {0u, 31u, 32u, 33u, 63u, 64u, 74u}) {
    SCOPED_TRACE("loading " + std::to_string(c));
    TankCaseMoments alone;
    ASSERT_EQ(model.Solve(loadings[c].loads, loadings[c].selfWeightFactor, alone, reason), SolveStatus::Ok) << reason;
    ASSERT_EQ(alone.size(), together[c].size());
    for (std::size_t b = 0; b < alone.size(); ++b) {
      EXPECT_NEAR(together[c][b].spanX.max, alone[b].spanX.max, 1e-9 * (1.0 + std::fabs(alone[b].spanX.max)));
      EXPECT_NEAR(together[c][b].spanY.min, alone[b].spanY.min, 1e-9 * (1.0 + std::fabs(alone[b].spanY.min)));
      for (std::size_t e = 0; e < alone[b].edges.size(); ++e)
        EXPECT_NEAR(together[c][b].edges[e].min, alone[b].edges[e].min, 1e-9 * (1.0 + std::fabs(alone[b].edges[e].min)));
    }
  }
  EXPECT_NE(together[64][0].edges[0].min, together[74][0].edges[0].min);

  loadings[70].loads[0].points.push_back({3 * side, side / 2, 1.0});
  EXPECT_EQ(model.SolveAll(loadings, together, reason), SolveStatus::InvalidInput);
  ASSERT_EQ(together.size(), loadings.size());
  for (const TankCaseMoments& m : together)
    for (const BoardMoments& b : m) {
      EXPECT_EQ(b.spanX.max, 0.0);
      for (const MomentRange& e : b.edges) EXPECT_EQ(e.min, 0.0);
    }
}

// Loadings as sums of a few basic loadings, solved once each, give the
// moments of the summed loads solved directly: a plain sum with the self
// weight, a sum on the base of an earlier one (a term taken off, another
// put on), and a base used twice.  A combination that names a later base
// or a missing basic loading is refused.
TEST(ShellLoads, CombinedLoadingsMatchTheirSumSolvedAlone) {
  const double side = 2000.0, height = 1500.0;
  ShellOptions opt;
  opt.elementSize = 250.0;
  const std::vector<BoardPtr> boards = OpenTank(side, height, 150, 300);
  ShellTankModel model(boards, std::vector<double>(boards.size(), kE), opt);
  ASSERT_EQ(model.Status(), SolveStatus::Ok) << model.Reason();
  const TankCaseLoads water = WaterLoads(height);
  TankCaseLoads point(boards.size());
  point[0].points.push_back({side / 3, side / 2, 5.0});
  TankCaseLoads halfWall(boards.size());
  halfWall[3].areas = {PlateAreaLoad::AlongY(0, 7.5, height / 2, 0)};
  const std::vector<ShellLoading> basics = {{TankCaseLoads(boards.size()), 1.0}, {water, 0.0}, {point, 0.0},
                                            {halfWall, 0.0}};
  const std::vector<ShellCombination> combinations = {
      {-1, {{0, 1.2}, {1, 1.27}}},             // self weight and water
      {0, {{1, -1.27}, {2, 1.4}}},             // the same with the point load for the water
      {0, {{3, 2.0}}},                         // the first with the half-wall load
      {-1, {{2, 1.0}, {2, 0.5}, {3, -1.0}}}};  // one basic twice
  // The same loadings summed before solving.
  const auto sum = [&](const std::vector<std::pair<std::size_t, double>>& terms) {
    ShellLoading l{TankCaseLoads(boards.size()), 0.0};
    for (const auto& [basic, f] : terms) {
      l.selfWeightFactor += f * basics[basic].selfWeightFactor;
      for (std::size_t b = 0; b < boards.size(); ++b) {
        for (PlateAreaLoad a : basics[basic].loads[b].areas) {
          a.q0 *= f, a.gx *= f, a.gy *= f, a.gxy *= f;
          l.loads[b].areas.push_back(a);
        }
        for (PlatePointLoad p : basics[basic].loads[b].points) {
          p.p *= f;
          l.loads[b].points.push_back(p);
        }
      }
    }
    return l;
  };
  const std::vector<ShellLoading> direct = {sum({{0, 1.2}, {1, 1.27}}), sum({{0, 1.2}, {2, 1.4}}),
                                            sum({{0, 1.2}, {1, 1.27}, {3, 2.0}}), sum({{2, 1.5}, {3, -1.0}})};
  std::vector<TankCaseMoments> combined, alone;
  std::string reason;
  ASSERT_EQ(model.SolveCombined(basics, combinations, combined, reason), SolveStatus::Ok) << reason;
  ASSERT_EQ(model.SolveAll(direct, alone, reason), SolveStatus::Ok) << reason;
  ASSERT_EQ(combined.size(), combinations.size());
  auto near = [](double a, double b) { return std::fabs(a - b) <= 1e-9 * (1.0 + std::fabs(b)); };
  for (std::size_t c = 0; c < combinations.size(); ++c)
    for (std::size_t b = 0; b < boards.size(); ++b) {
      SCOPED_TRACE("combination " + std::to_string(c) + ", board " + std::to_string(b));
      const BoardMoments& x = combined[c][b];
      const BoardMoments& y = alone[c][b];
      EXPECT_TRUE(near(x.spanX.max, y.spanX.max) && near(x.spanX.min, y.spanX.min));
      EXPECT_TRUE(near(x.spanY.max, y.spanY.max) && near(x.spanY.min, y.spanY.min));
      ASSERT_EQ(x.edges.size(), y.edges.size());
      for (std::size_t e = 0; e < y.edges.size(); ++e)
        EXPECT_TRUE(near(x.edges[e].max, y.edges[e].max) && near(x.edges[e].min, y.edges[e].min)) << "edge " << e;
    }
  // The point load shows where it stands.
  EXPECT_NE(combined[0][0].spanX.max, combined[1][0].spanX.max);
  const std::vector<TankCaseMoments> good = combined;

  for (const std::vector<ShellCombination>& bad :
       {std::vector<ShellCombination>{{1, {{0, 1.0}}}, {-1, {{1, 1.0}}}},
        std::vector<ShellCombination>{{-1, {{4, 1.0}}}},
        std::vector<ShellCombination>{{-1, {{0, std::nan("")}}}}}) {
    EXPECT_EQ(model.SolveCombined(basics, bad, combined, reason), SolveStatus::InvalidInput);
    EXPECT_FALSE(reason.empty());
    ASSERT_EQ(combined.size(), bad.size());
    EXPECT_EQ(combined[0][1].edges[0].min, 0.0);
  }

  // The last solve, its factorisation freed before the combinations are
  // summed: the same moments to the bit, and no solve after it.
  ASSERT_EQ(model.SolveCombinedReleasing(basics, combinations, combined, reason), SolveStatus::Ok) << reason;
  ASSERT_EQ(combined.size(), good.size());
  for (std::size_t c = 0; c < good.size(); ++c)
    for (std::size_t b = 0; b < boards.size(); ++b) {
      const BoardMoments& x = combined[c][b];
      const BoardMoments& y = good[c][b];
      EXPECT_TRUE(x.spanX.max == y.spanX.max && x.spanX.min == y.spanX.min && x.spanY.max == y.spanY.max &&
                  x.spanY.min == y.spanY.min)
          << "combination " << c << ", board " << b;
      ASSERT_EQ(x.edges.size(), y.edges.size());
      for (std::size_t e = 0; e < y.edges.size(); ++e)
        EXPECT_TRUE(x.edges[e].max == y.edges[e].max && x.edges[e].min == y.edges[e].min);
    }
  TankCaseMoments one;
  EXPECT_EQ(model.Solve(water, 0.0, one, reason), SolveStatus::InvalidInput);
  EXPECT_NE(reason.find("freed"), std::string::npos) << reason;
  EXPECT_EQ(model.SolveCombined(basics, combinations, combined, reason), SolveStatus::InvalidInput);
  ASSERT_EQ(combined.size(), combinations.size());
  EXPECT_EQ(combined[0][0].spanX.max, 0.0);
  EXPECT_EQ(combined[0][1].edges.size(), good[0][1].edges.size());
}

// The mesh sized from the boards puts at least 20 elements across every
// board's shorter span; a cap on the element count coarsens it, and the
// model tells by how much (the analysis reports it to the user).
TEST(ShellMesh, ElementsAcrossEveryBoardAndTheCap) {
  const std::vector<BoardPtr> boards = OpenTank(4000, 3000, 250, 400);
  ShellOptions opt;
  const ShellTankModel fine(boards, std::vector<double>(boards.size(), kE), opt);
  ASSERT_EQ(fine.Status(), SolveStatus::Ok) << fine.Reason();
  const auto sizes = fine.BoardMeshSizes();
  ASSERT_EQ(sizes.size(), boards.size());
  for (const auto& s : sizes) {
    EXPECT_GE(s.across, 20);
    EXPECT_LE(s.elementSize, 4000.0 / 20 * std::sqrt(2.0) + 1e-6);
  }
  // The walls 3 m high, 20 elements: none longer than 150 mm.
  EXPECT_LE(sizes[1].elementSize, 150.0 + 1e-6);
  opt.maxElements = 600;
  const ShellTankModel coarse(boards, std::vector<double>(boards.size(), kE), opt);
  ASSERT_EQ(coarse.Status(), SolveStatus::Ok) << coarse.Reason();
  EXPECT_LE(coarse.Elements(), 600);
  int fewest = 1000;
  for (const auto& s : coarse.BoardMeshSizes()) fewest = std::min(fewest, s.across);
  EXPECT_LT(fewest, 20);
  EXPECT_GT(coarse.BoardMeshSizes()[1].elementSize, 150.0 * 20 / 12);
}

// ---------------------------------------------------------------------------
// Sign rule: positive moments put the upper face (the +normal side) in
// tension whatever way the normal points; X follows the rebar angle.

TEST(ShellSigns, SlabUnderDownwardLoadWhateverWayItsNormalPoints) {
  const double lx = 1000.0, ly = 2000.0;
  ShellOptions opt;
  opt.elementSize = 50.0;
  const auto supports = RectangleSupports(0, 0, lx, ly, 0, false);

  // Normal up: 5 kPa downward is q = −5; the bottom (lower face) is in
  // tension in the span.
  const BoardPtr up = MakeSlab(0, 0, lx, ly, 0, 100, 2);
  ShellTankModel upModel({up}, {kE}, opt, supports);
  ASSERT_EQ(upModel.Status(), SolveStatus::Ok) << upModel.Reason();
  TankCaseMoments upOut;
  std::string reason;
  ASSERT_EQ(upModel.Solve(UniformLoads(1, 0, -5.0), 0.0, upOut, reason), SolveStatus::Ok) << reason;
  const BoardMoments& m = upOut[0];
  EXPECT_LT(m.spanX.min, 0.0);
  EXPECT_LT(m.spanY.min, 0.0);
  // (No more than a trace of upper-face tension near the corners.)
  EXPECT_LT(m.spanX.max, 0.05 * -m.spanX.min);
  EXPECT_LT(m.spanY.max, 0.05 * -m.spanY.min);
  // The short span carries more: across x (X bars) rather than along y.
  EXPECT_LT(m.spanX.min, m.spanY.min);

  // Normal down: the same load is now q = +5 along the normal, the same
  // bottom face is now the upper face: the same values with the sign turned.
  const BoardPtr down = MakeSlab(0, 0, lx, ly, 0, 100, 2, true);
  ShellTankModel downModel({down}, {kE}, opt, supports);
  ASSERT_EQ(downModel.Status(), SolveStatus::Ok) << downModel.Reason();
  TankCaseMoments downOut;
  ASSERT_EQ(downModel.Solve(UniformLoads(1, 0, 5.0), 0.0, downOut, reason), SolveStatus::Ok) << reason;
  EXPECT_NEAR(downOut[0].spanX.max, -m.spanX.min, 1e-9);
  EXPECT_NEAR(downOut[0].spanY.max, -m.spanY.min, 1e-9);

  // Rebar angle 90°: the X bars run along y, so X and Y swap.
  const BoardPtr turned = MakeSlab(0, 0, lx, ly, 0, 100, 2);
  turned->SetReinAngle(M_PI / 2);
  ShellTankModel turnedModel({turned}, {kE}, opt, supports);
  TankCaseMoments turnedOut;
  ASSERT_EQ(turnedModel.Solve(UniformLoads(1, 0, -5.0), 0.0, turnedOut, reason), SolveStatus::Ok) << reason;
  EXPECT_NEAR(turnedOut[0].spanX.min, m.spanY.min, 1e-9);
  EXPECT_NEAR(turnedOut[0].spanY.min, m.spanX.min, 1e-9);
}

// ---------------------------------------------------------------------------
// Springs and self weight: a free slab on the ground settles uniformly by
// its weight over the subgrade modulus and does not bend.

TEST(ShellSprings, SlabOnTheGroundSettlesByItsWeight) {
  const BoardPtr slab = MakeSlab(0, 0, 3000, 2000, 0, 300, 1);
  ShellOptions opt;  // 20000 kN/m³, 25 kN/m³
  ShellTankModel model({slab}, {kE}, opt);
  ASSERT_EQ(model.Status(), SolveStatus::Ok) << model.Reason();
  for (double factor : {1.0, 1.2}) {
    const ShellResult r = model.SolveDetailed(TankCaseLoads(1), factor);
    ASSERT_EQ(r.Status(), SolveStatus::Ok) << r.Reason();
    const double settlement = -factor * 25.0 * 0.3 / 20000.0 * 1000.0;  // mm
    for (const ShellBoardNode& n : r.BoardNodes(0)) {
      EXPECT_NEAR(n.displacement.z, settlement, 1e-6 * std::fabs(settlement));
      EXPECT_NEAR(n.m.mx, 0.0, 1e-6);
    }
  }
}

// ---------------------------------------------------------------------------
// Openings are cut out of the mesh; a load in one is refused.

TEST(ShellOpenings, RectangularAndCircularOpeningsAreCutOut) {
  ShellOptions opt;
  opt.elementSize = 100.0;
  const std::vector<BoardPtr> plain = OpenTank(2000, 1500, 150, 300);
  const ShellTankModel plainModel(plain, std::vector<double>(5, kE), opt);
  ASSERT_EQ(plainModel.Status(), SolveStatus::Ok) << plainModel.Reason();

  std::vector<BoardPtr> cut = OpenTank(2000, 1500, 150, 300);
  auto rect = boost::make_shared<RectangleHole>();
  rect->SetCorners({{600, 400}, {1000, 400}, {1000, 1000}, {600, 1000}});  // 400 × 600
  cut[1]->AddHole(rect);
  auto circle = boost::make_shared<CircleHole>();
  circle->SetCenter({1000, 1000});
  circle->SetRadius(300);
  cut[0]->AddHole(circle);
  const ShellTankModel cutModel(cut, std::vector<double>(5, kE), opt);
  ASSERT_EQ(cutModel.Status(), SolveStatus::Ok) << cutModel.Reason();
  // The rectangle removes 4 × 6 elements of 100 mm; the circle a staircase
  // of the 100 mm cells whose centres lie inside it (about π·3² of them).
  const int removed = plainModel.Elements() - cutModel.Elements();
  EXPECT_GE(removed, 24 + 24);
  EXPECT_LE(removed, 24 + 36);

  TankCaseLoads loads = WaterLoads(1500);
  const ShellResult r = cutModel.SolveDetailed(loads, 1.0);
  ASSERT_EQ(r.Status(), SolveStatus::Ok) << r.Reason();
  // No node inside the opening.
  const ShellBoardNode* nearest = r.NearestNode(1, 800, 700);
  EXPECT_GE(std::hypot(nearest->local.x - 800, nearest->local.y - 700), 200.0 - 1e-6);
  // A load inside the opening is refused.
  loads[1].points.push_back({800, 700, 1.0});
  EXPECT_EQ(cutModel.SolveDetailed(loads, 1.0).Status(), SolveStatus::InvalidInput);
}

// ---------------------------------------------------------------------------
// Mechanisms and boards the mesher cannot take.

namespace {

struct FailureCase {
  const char* name;
  SolveStatus status;
  const char* reason;  // words the reason must contain
  std::vector<BoardPtr> (*boards)();
  double subgrade;
};

std::vector<BoardPtr> WallsOnly() {
  std::vector<BoardPtr> b = OpenTank(2000, 1500, 150, 300);
  b.erase(b.begin());
  return b;
}

std::vector<BoardPtr> LooseWall() {
  std::vector<BoardPtr> b = OpenTank(2000, 1500, 150, 300);
  b.push_back(fixtures::MakeWall(5000, 0, 7000, 0, 0, 1500, 150));
  b.back()->SetNumber(7);
  return b;
}

// A wall that touches the tank at one corner point only.
std::vector<BoardPtr> WallOnAPoint() {
  std::vector<BoardPtr> b = OpenTank(2000, 1500, 150, 300);
  b.push_back(fixtures::MakeWall(2000, 2000, 2000, 4000, 1500, 1000, 150));
  b.back()->SetNumber(9);
  return b;
}

std::vector<BoardPtr> PlainTank() { return OpenTank(2000, 1500, 150, 300); }

std::vector<BoardPtr> SkewWall() {
  std::vector<BoardPtr> b = OpenTank(2000, 1500, 150, 300);
  b[1] = fixtures::MakeWall(0, 0, 2000, 300, 0, 1500, 150);
  return b;
}

std::vector<BoardPtr> SlopedEdge() {
  std::vector<BoardPtr> b = OpenTank(2000, 1500, 150, 300);
  std::vector<BoardEdge> edges = b[0]->GetEdges();
  edges[1].SetLine(_2dLine({2000, 0}, {2000, 1500}));
  edges[2].SetLine(_2dLine({2000, 1500}, {0, 2000}));
  b[0]->SetEdges(edges);
  return b;
}

}  // namespace

class ShellFailure : public ::testing::TestWithParam<FailureCase> {};

TEST_P(ShellFailure, IsReportedWithAReasonAndNoMoments) {
  const FailureCase& c = GetParam();
  const std::vector<BoardPtr> boards = c.boards();
  ShellOptions opt;
  opt.elementSize = 250.0;
  opt.subgradeModulus = c.subgrade;
  ShellTankModel model(boards, std::vector<double>(boards.size(), kE), opt);
  EXPECT_EQ(model.Status(), c.status);
  EXPECT_NE(model.Reason().find(c.reason), std::string::npos) << model.Reason();
  TankCaseMoments out;
  std::string reason;
  TankCaseLoads loads(boards.size());
  loads[1].areas.push_back(PlateAreaLoad::Uniform(10.0));
  EXPECT_EQ(model.Solve(loads, 1.0, out, reason), c.status);
  EXPECT_EQ(reason, model.Reason());
  ASSERT_EQ(out.size(), boards.size());
  for (std::size_t b = 0; b < boards.size(); ++b) {
    EXPECT_EQ(out[b].edges.size(), boards[b]->GetEdges().size());
    EXPECT_EQ(out[b].spanX.max, 0.0);
    EXPECT_EQ(out[b].spanX.min, 0.0);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ShellFailure,
    ::testing::Values(FailureCase{"NoBottomSlab", SolveStatus::Singular, "bottom slab", WallsOnly, 20000.0},
                      FailureCase{"NoSprings", SolveStatus::Singular, "bottom slab", PlainTank, 0.0},
                      FailureCase{"LooseWall", SolveStatus::Singular, "board 7", LooseWall, 20000.0},
                      FailureCase{"WallOnAPoint", SolveStatus::Singular, "board 9", WallOnAPoint, 20000.0},
                      FailureCase{"SkewWall", SolveStatus::InvalidInput, "world", SkewWall, 20000.0},
                      FailureCase{"SlopedEdge", SolveStatus::InvalidInput, "parallel", SlopedEdge, 20000.0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ShellInput, BadInputIsRefused) {
  const std::vector<BoardPtr> boards = OpenTank(2000, 1500, 150, 300);
  ShellOptions opt;
  EXPECT_EQ(ShellTankModel(boards, {kE, kE}, opt).Status(), SolveStatus::InvalidInput);
  EXPECT_EQ(ShellTankModel({}, {}, opt).Status(), SolveStatus::InvalidInput);
  EXPECT_EQ(ShellTankModel(boards, {kE, kE, 0.0, kE, kE}, opt).Status(), SolveStatus::InvalidInput);
  opt.elementSize = std::nan("");
  EXPECT_EQ(ShellTankModel(boards, std::vector<double>(5, kE), opt).Status(), SolveStatus::InvalidInput);

  const ShellTankModel model(boards, std::vector<double>(5, kE), ShellOptions{});
  ASSERT_EQ(model.Status(), SolveStatus::Ok) << model.Reason();
  TankCaseMoments out;
  std::string reason;
  EXPECT_EQ(model.Solve(TankCaseLoads(2), 1.0, out, reason), SolveStatus::InvalidInput);
  EXPECT_EQ(out.size(), 5u);
  TankCaseLoads nan(5);
  nan[2].areas.push_back(PlateAreaLoad::Uniform(std::nan("")));
  EXPECT_EQ(model.Solve(nan, 1.0, out, reason), SolveStatus::InvalidInput);
  EXPECT_EQ(model.Solve(TankCaseLoads(5), std::numeric_limits<double>::infinity(), out, reason),
            SolveStatus::InvalidInput);
}

// A wall whose normal points into the tank stores the same physical result
// with the faces swapped: its water load is along −normal, its base moment
// (inner face in tension, now the upper face) positive.
TEST(ShellSigns, WallWithAnInwardNormalSwapsItsFaces) {
  ShellOptions opt;
  opt.elementSize = 125.0;
  auto solve = [&](bool inward) {
    std::vector<BoardPtr> boards = OpenTank(kSide, kHeight, kWall, 400.0);
    TankCaseLoads loads = WaterLoads(kHeight);
    if (inward) {
      boards[1] = fixtures::MakeWall(kSide, 0, 0, 0, 0, kHeight, kWall);
      loads[1].areas[0] = PlateAreaLoad::AlongY(0, -10.0 * kHeight / 1000.0, kHeight, 0);
    }
    ShellTankModel model(boards, std::vector<double>(5, kE), opt);
    EXPECT_EQ(model.Status(), SolveStatus::Ok) << model.Reason();
    TankCaseMoments out;
    std::string reason;
    EXPECT_EQ(model.Solve(loads, 1.0, out, reason), SolveStatus::Ok) << reason;
    return out.size() == 5 ? out[1] : BoardMoments{};
  };
  const BoardMoments outward = solve(false), inward = solve(true);
  ASSERT_EQ(inward.edges.size(), 4u);
  ASSERT_EQ(outward.edges.size(), 4u);
  EXPECT_LT(outward.edges[0].min, 0.0);
  EXPECT_NEAR(inward.edges[0].max, -outward.edges[0].min, 1e-6 * std::fabs(outward.edges[0].min));
  EXPECT_NEAR(inward.spanX.min, -outward.spanX.max, 1e-6 * outward.spanX.max);
  EXPECT_NEAR(inward.spanY.min, -outward.spanY.max, 1e-6 * outward.spanY.max);
  // The side edges trade places with the wall's direction.
  EXPECT_NEAR(inward.edges[1].max, -outward.edges[3].min, 1e-6 * std::fabs(outward.edges[3].min));
}
