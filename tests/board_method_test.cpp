// The board method of the analysis (each board alone with its edge
// restraints, then the joints balanced): walls solved as two-way plates,
// checked against an independent plate solution, and the balance of a
// joint per load case, checked against a hand moment distribution.
#include "app/NewTank.h"
#include "app/ProjectFile.h"
#include "designer/TankDesigner.h"
#include "platform/Tobrin.h"
#include "platform/tobrin/tank_analysis.h"
#include "tests/plate_reference.h"
#include "tests/plate_reference_m1.h"
#include "tests/tank_fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace {

using namespace tobrin;

// A wall b × H (mm), 250 mm thick, C30, edges base, end, top, start with
// the given restraint kinds.
BoardActions Wall(double b, double h, const std::vector<int>& kinds) {
  BoardActions ba;
  ba.board = fixtures::MakeWall(0, 0, b, 0, 0, h, 250);
  std::vector<Restirction> rs;
  for (int k : kinds) rs.emplace_back(k);
  ba.board->SetRestrictions(rs);
  ba.name = "池壁1";
  ba.thickness = 250;
  ba.elasticModulus = 30000;
  return ba;
}

}  // namespace

// The series solution itself, against Timoshenko's tables (uniform load,
// ν = 0.3, a the shorter side): clamped plates of b/a = 1 and 2 (centre and
// mid-edge moments) and a simply supported square (centre).
TEST(BoardMethod, SeriesSolutionMatchesTimoshenkoTables) {
  using plate_reference::Edge;
  struct Case {
    Edge edges;
    double ratio;  // b/a, b along y
    double centreX, centreY, sideX, baseY;  // × q·a²; 0: not tabulated
  };
  const Case cases[] = {
      {Edge::Fixed, 1.0, 0.0231, 0.0231, -0.0513, -0.0513},
      {Edge::Fixed, 2.0, 0.0412, 0.0158, -0.0829, -0.0571},
      {Edge::Simple, 1.0, 0.0479, 0.0479, 0.0, 0.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.ratio) + (c.edges == Edge::Fixed ? " clamped" : " simply supported"));
    plate_reference::RectangularPlate p;
    p.width = 1000.0;
    p.height = 1000.0 * c.ratio;
    p.base = p.top = p.sides = c.edges;
    p.qBase = p.qTop = 1.0;
    p.poisson = 0.3;
    const plate_reference::Solution s(p);
    const plate_reference::Moments centre = s.At(500.0, 0.5 * p.height);
    EXPECT_NEAR(centre.mx, c.centreX, 0.0002);
    EXPECT_NEAR(centre.my, c.centreY, 0.0002);
    if (c.sideX != 0.0) {
      EXPECT_NEAR(s.At(0.0, 0.5 * p.height).mx, c.sideX, 0.0002);
      EXPECT_NEAR(s.At(500.0, 0.0).my, c.baseY, 0.0002);
    }
  }
}

// Walls of b/H = 1 … 8, base and sides fixed, top free, under water to the
// top (40 kPa at the base of a 4 m wall): every one is a plate, and its base,
// side and span moments agree with the series solution within 2 %.  The
// span values are the extremes on both faces, where the quarter-span bands
// along the fixed edges keep only the moments of the other sense than the
// edge's; an extreme that is small beside the wall's
// own moments (below 1 % of q·H²) is held to 0.1 % of q·H² instead.  A long
// wall still carries about −0.11 q·H² at its sides (a strip would give 0).
TEST(BoardMethod, WallsWithFreeTopAreTwoWayPlatesMatchingTheSeriesSolution) {
  const double h = 4000.0, q = 40.0, qh2 = q * 16.0;
  for (int ratio = 1; ratio <= 8; ++ratio) {
    SCOPED_TRACE("b/H = " + std::to_string(ratio));
    const double b = ratio * h;
    const BoardActions ba =
        Wall(b, h, {Restirction::kFixed, Restirction::kFixed, Restirction::kFree, Restirction::kFixed});
    PlateLoadCase water;
    water.areas.push_back(PlateAreaLoad::AlongY(0, q, h, 0));
    BoardSolution sol;
    std::string why;
    ASSERT_TRUE(SolveBoard(ba, {water}, 0.2, sol, why)) << why;
    EXPECT_FALSE(sol.oneWay);
    ASSERT_EQ(sol.results.size(), 1u);
    const RawBoardMoments& m = sol.results[0];

    plate_reference::RectangularPlate p;
    p.width = b;
    p.height = h;
    p.qBase = q;
    p.qTop = 0.0;
    p.poisson = 0.2;
    const plate_reference::WallExtremes ref = plate_reference::Solution(p).Extremes(kSpanBandFraction);
    auto expectNear = [qh2](const char* what, double got, double want) {
      const double tol = std::fabs(want) < 0.01 * qh2 ? 0.001 * qh2 : 0.02 * std::fabs(want);
      EXPECT_NEAR(got, want, tol) << what << " (reference " << want / qh2 << " q·H²)";
    };
    expectNear("base", m.edges[0].lo, ref.base.min);
    expectNear("end side", m.edges[1].lo, ref.side.min);
    expectNear("start side", m.edges[3].lo, ref.side.min);
    expectNear("horizontal span, upper face", m.spanX.hi, ref.spanX.max);
    expectNear("horizontal span, lower face", m.spanX.lo, ref.spanX.min);
    expectNear("vertical span, upper face", m.spanY.hi, ref.spanY.max);
    expectNear("vertical span, lower face", m.spanY.lo, ref.spanY.min);
    EXPECT_LT(m.edges[1].lo, -0.02 * qh2);
    // The free top carries nothing.
    EXPECT_EQ(m.edges[2].hi, 0.0);
    EXPECT_EQ(m.edges[2].lo, 0.0);
  }
}


// Long walls (b/H = 6 and 8, base and sides fixed, top free, under water to
// the top): their horizontal span moment peaks about one height from the
// fixed sides, inside the quarter-span bands, and the vertical one with it.
// The span moments of the outer face (the other sense than the supports')
// are kept there, and both directions agree within 2 % with the series
// solution and with the converged finite-element plate
// (plate_reference_m1.h), whatever their size beside the base moment.
TEST(BoardMethod, LongWallsKeepTheSpanMomentsInsideTheEdgeBands) {
  const double h = 4000.0, q = 40.0, qh2 = q * 16.0;
  for (int ratio : {6, 8}) {
    SCOPED_TRACE("b/H = " + std::to_string(ratio));
    const BoardActions ba =
        Wall(ratio * h, h, {Restirction::kFixed, Restirction::kFixed, Restirction::kFree, Restirction::kFixed});
    PlateLoadCase water;
    water.areas.push_back(PlateAreaLoad::AlongY(0, q, h, 0));
    BoardSolution sol;
    std::string why;
    ASSERT_TRUE(SolveBoard(ba, {water}, 0.2, sol, why)) << why;
    const RawBoardMoments& m = sol.results.at(0);
    plate_reference::RectangularPlate p;
    p.width = ratio * h;
    p.height = h;
    p.qBase = q;
    p.qTop = 0.0;
    const plate_reference::WallExtremes series = plate_reference::Solution(p).Extremes(kSpanBandFraction);
    const auto row = std::find_if(std::begin(kWallFixedThreeEdgesWater), std::end(kWallFixedThreeEdgesWater),
                                  [&](const PlateReferenceRow& r) { return r.ratio == ratio; });
    ASSERT_NE(row, std::end(kWallFixedThreeEdgesWater));
    const struct {
      const char* what;
      double got, series, converged;
    } checks[] = {
        {"horizontal span", m.spanX.hi / qh2, series.spanX.max / qh2, row->spanX},
        {"vertical span", m.spanY.hi / qh2, series.spanY.max / qh2, row->spanY},
    };
    for (const auto& c : checks) {
      EXPECT_NEAR(c.series, c.converged, 0.01 * c.converged) << c.what << ": the two references";
      EXPECT_NEAR(c.got, c.series, 0.02 * c.series) << c.what;
    }
  }
}


// The joint of the buried two-cell example's bottom slab 1 and its outer
// wall 1, balanced per load case by hand and then enveloped.  The
// fixed-end moments are those of the two plates alone (checked against the
// series solution above); the rest is the hand distribution:
//   stiffness k = c·D/L, D = E·t³ / 12(1 − ν²), E = 30000 N/mm² (C30);
//   wall, t = 300, top simply supported under the top slab: c = 3, L = H;
//   slab, t = 400, far edge fixed: c = 4, L = its span across the edge;
//   the moment is continuous round the corner, so with m the moment that
//   puts the inside faces (wall inner face, slab top face) in tension,
//   m = m_wall − k_w/(k_w + k_s) · (m_wall − m_slab)
//     = m_slab + k_s/(k_w + k_s) · (m_wall − m_slab).
// In the water case without soil (case 2) the water bends the wall inward
// at its base (m_wall ≈ +42 kN·m/m) while the ground reaction (of the
// concrete as it is cast) bends the slab the other way (m_slab ≈ −45.6):
// balanced, the slab's top face carries about +14.3 kN·m/m, its bottom face
// nothing; without the top slab's live load, which adds to that reaction,
// about +15.5, which governs (a live load counts only where it is
// unfavourable); in the other cases the slab's
// bottom face governs.  Shifting the whole moment range of the edge would
// give the top face the whole change (about 72 in case 0).
TEST(BoardMethod, JointsAreBalancedPerLoadCaseBeforeTheEnvelope) {
  TankDesigner designer;
  tank::app::BuildNewTank(designer,
                          tank::app::ReadProject(tank::app::ExampleProject("buried-two-cell"), "buried-two-cell"),
                          "buried-two-cell");
  Tank& tank = designer.GetTank();
  ProjectSettings& settings = designer.GetSettings();
  settings.GetLoadSettings().SetAnalysisMethod(0);
  TankActions actions;
  std::string why;
  ASSERT_TRUE(ComputeActions(tank, settings, actions, why)) << why;
  std::size_t wi = actions.boards.size(), si = actions.boards.size();
  for (std::size_t i = 0; i < actions.boards.size(); ++i) {
    if (actions.boards[i].name == "池壁1") wi = i;
    if (actions.boards[i].name == "底板1") si = i;
  }
  ASSERT_LT(wi, actions.boards.size());
  ASSERT_LT(si, actions.boards.size());
  const Board& wall = *actions.boards[wi].board;
  const Board& slab = *actions.boards[si].board;
  std::vector<BoardPtr> others;
  std::vector<int> otherEdges;
  tank.GetBoardsOnEdge(actions.boards[wi].board, 0, others, otherEdges);
  int slabEdge = -1;
  for (std::size_t k = 0; k < others.size(); ++k)
    if (others[k].get() == &slab) slabEdge = otherEdges[k];
  ASSERT_GE(slabEdge, 0);
  ASSERT_EQ(slab.GetRestrictions()[slabEdge].GetKind(), Restirction::kFixed);
  ASSERT_EQ(wall.GetRestrictions()[2].GetKind(), Restirction::kSimplySupported);

  // Fixed-end moments, inside faces in tension positive, of the four cases
  // with every cell full, each also without its live loads.
  const LoadSettings& l = settings.GetLoadSettings();
  std::vector<CaseLoading> full;
  for (int c = 0; c < kCaseCount; ++c) full.push_back({c, -1, true});
  const std::vector<CaseLoading> cases = LiveLoadVariants(actions, full);
  auto fixedEnd = [&](std::size_t index, int edge, bool insideIsUpper) {
    std::vector<PlateLoadCase> loadings;
    for (const CaseLoading& c : cases) loadings.push_back(CombinedLoads(actions, index, c, kBasic, l, false));
    BoardSolution sol;
    std::string reason;
    EXPECT_TRUE(SolveBoard(actions.boards[index], loadings, 0.2, sol, reason)) << reason;
    std::vector<double> m;
    for (const RawBoardMoments& r : sol.results) {
      const FieldRange& e = r.edges[edge];
      const double governing = std::fabs(e.hi) >= std::fabs(e.lo) ? e.hi : e.lo;
      m.push_back(insideIsUpper ? governing : -governing);
    }
    return m;
  };
  const std::vector<double> mWall = fixedEnd(wi, 0, !wall.IsUpperFaceOuter());
  const std::vector<double> mSlab = fixedEnd(si, slabEdge, true);  // slab normal up: top face upper
  ASSERT_GT(slab.GetNormal().z, 0.5);

  auto d = [](double t) { return 30000e3 * std::pow(t / 1000, 3) / (12 * (1 - 0.2 * 0.2)); };
  double wallSpanX = 0, wallHeight = 0, slabX = 0, slabY = 0;
  wall.GetSpans(wallSpanX, wallHeight);
  slab.GetSpans(slabX, slabY);
  const _2dLine edgeLine = slab.GetEdges()[slabEdge].GetLine();
  const bool edgeAlongX = std::fabs(edgeLine.GetEndPoint().x - edgeLine.GetStartPoint().x) >
                          std::fabs(edgeLine.GetEndPoint().y - edgeLine.GetStartPoint().y);
  const double kw = 3 * d(300) / (wallHeight / 1000);
  const double ks = 4 * d(400) / ((edgeAlongX ? slabY : slabX) / 1000);
  double top = 0, bottom = 0;
  int topCase = -1, bottomCase = -1;
  std::size_t topLoading = cases.size(), case2 = cases.size();
  for (std::size_t j = 0; j < cases.size(); ++j) {
    const double m = mSlab[j] + ks / (kw + ks) * (mWall[j] - mSlab[j]);
    if (m > top) top = m, topCase = cases[j].loadCase, topLoading = j;
    if (m < bottom) bottom = m, bottomCase = cases[j].loadCase;
    if (cases[j].loadCase == 2 && !cases[j].withoutTopLive && !cases[j].withoutGroundLive && !cases[j].withoutUserLive)
      case2 = j;
  }
  ASSERT_LT(case2, cases.size());
  EXPECT_NEAR(mWall[case2], 42.2, 1.0);
  EXPECT_NEAR(mSlab[case2], -45.6, 1.0);
  EXPECT_NEAR(mSlab[case2] + ks / (kw + ks) * (mWall[case2] - mSlab[case2]), 14.3, 0.3);
  // The top slab's live loads (the settings' one and the user's load on a
  // top slab) add to the ground reaction under the bottom slab and so
  // relieve the slab's top face: case 2 without both governs.
  EXPECT_EQ(topCase, 2);
  ASSERT_LT(topLoading, cases.size());
  EXPECT_TRUE(cases[topLoading].withoutTopLive);
  EXPECT_TRUE(cases[topLoading].withoutUserLive);
  EXPECT_NEAR(top, 16.8, 0.3);

  ASSERT_TRUE(AnalyseTank(tank, settings)) << GetLastAnalysisError();
  const BoardEdge& e = slab.GetEdges()[slabEdge];
  EXPECT_NEAR(e.GetUpperBasicMoment(), top, 0.01 * std::fabs(top));
  EXPECT_EQ(e.GetUpperCombination(), topCase);
  EXPECT_NEAR(e.GetLowerBasicMoment(), bottom, 0.01 * std::fabs(bottom));
  // Case 0 of a two-cell tank also stands with this cell empty and its
  // neighbour full, which loads this edge exactly as case 1 does: of equal
  // moments the envelope keeps the first case.
  if (bottomCase == 1)
    EXPECT_TRUE(e.GetLowerCombination() == 0 || e.GetLowerCombination() == 1) << e.GetLowerCombination();
  else
    EXPECT_EQ(e.GetLowerCombination(), bottomCase);
}

// The joints of the 3 × 2-cell example (cell patterns: single cells full or
// empty; each loading also without its live loads) balanced for every loading at once, each board's moments given
// once per distinct value, against the same joints balanced loading after
// loading: exactly the same moments, edge by edge.
TEST(BoardMethod, BalancingAllLoadingsAtOnceGivesTheMomentsOfEachInTurn) {
  TankDesigner designer;
  tank::app::BuildNewTank(designer, tank::app::ReadProject(tank::app::ExampleProject("grid-3x2"), "grid-3x2"),
                          "grid-3x2");
  Tank& tank = designer.GetTank();
  ProjectSettings& settings = designer.GetSettings();
  TankActions actions;
  std::string why;
  ASSERT_TRUE(ComputeActions(tank, settings, actions, why)) << why;
  const std::vector<CaseLoading> patterns = CaseLoadings(actions);
  ASSERT_GT(patterns.size(), static_cast<std::size_t>(kCaseCount));  // the cell patterns are there
  const std::vector<CaseLoading> cases = LiveLoadVariants(actions, patterns);
  ASSERT_GT(cases.size(), patterns.size());  // and the loadings without live loads
  const std::size_t boards = actions.boards.size();
  PlateModelCache models;
  std::vector<BoardSolution> inTurn(boards), atOnce(boards);
  std::vector<std::vector<std::uint32_t>> index(boards);
  auto same = [](const FieldRange& a, const FieldRange& b) { return a.hi == b.hi && a.lo == b.lo; };
  auto sameMoments = [&](const RawBoardMoments& a, const RawBoardMoments& b) {
    if (!same(a.spanX, b.spanX) || !same(a.spanY, b.spanY) || a.edges.size() != b.edges.size()) return false;
    for (std::size_t e = 0; e < a.edges.size(); ++e)
      if (!same(a.edges[e], b.edges[e])) return false;
    return true;
  };
  for (std::size_t i = 0; i < boards; ++i) {
    std::vector<PlateLoadCase> loadings;
    for (const CaseLoading& c : cases)
      for (int k = 0; k < kCombinationCount; ++k)
        loadings.push_back(CombinedLoads(actions, i, c, k, settings.GetLoadSettings(), false));
    ASSERT_TRUE(SolveBoard(actions.boards[i], loadings, 0.2, inTurn[i], why, &models)) << why;
    // The distinct moments once, and each loading's index among them.
    atOnce[i] = inTurn[i];
    atOnce[i].results.clear();
    for (const RawBoardMoments& r : inTurn[i].results) {
      std::size_t at = 0;
      while (at < atOnce[i].results.size() && !sameMoments(atOnce[i].results[at], r)) ++at;
      if (at == atOnce[i].results.size()) atOnce[i].results.push_back(r);
      index[i].push_back(static_cast<std::uint32_t>(at));
    }
  }
  // Most boards keep their moments in most cell patterns.
  std::size_t distinct = 0;
  for (const BoardSolution& s : atOnce) distinct += s.results.size();
  EXPECT_LT(distinct, boards * cases.size() * kCombinationCount / 2);

  const std::vector<Joint> joints = FindFixedJoints(tank, actions);
  ASSERT_FALSE(joints.empty());
  const std::vector<BoardSolution> unbalanced = inTurn;
  for (std::size_t l = 0; l < cases.size() * kCombinationCount; ++l) DistributeJointMoments(joints, inTurn, l);
  DistributeJointMoments(joints, atOnce, index);
  int changed = 0;
  for (std::size_t i = 0; i < boards; ++i) {
    ASSERT_EQ(index[i].size(), inTurn[i].results.size());
    for (std::size_t l = 0; l < index[i].size(); ++l) {
      ASSERT_LT(index[i][l], atOnce[i].results.size());
      EXPECT_TRUE(sameMoments(atOnce[i].results[index[i][l]], inTurn[i].results[l]))
          << actions.boards[i].name << ", loading " << l;
    }
  }
  // The balance did move the joints' moments.
  for (const Joint& joint : joints)
    for (const JointMember& m : joint)
      changed += !same(inTurn[m.board].results[0].edges[m.edge], unbalanced[m.board].results[0].edges[m.edge]);
  EXPECT_GT(changed, 0);
}

// A partition with water on both sides carries no load of its own: its
// fixed-end moment at the base is round-off, and the bottom slab next to it
// loads it through the joint.  Joint of the partition's base (3·D/H, its top
// simply supported: H = 4 m, 300 mm) and the slab's edge (4·D/L, far edge
// fixed: L = 6 m, 400 mm), inside faces in tension positive (signs +1 and
// −1): by hand the partition takes M = FEM_w − d_w·(FEM_w − FEM_s), d_w =
// k_w / (k_w + k_s), the slab the same M.  Where the partition's own moment
// is round-off it takes M on one face and nothing on the other, whatever
// the round-off's shape; a small real moment still scales in proportion.
TEST(BoardMethod, AnEdgeWithoutMomentOfItsOwnTakesTheBalancedMomentOnOneFace) {
  auto d = [](double t) { return 30000e3 * std::pow(t / 1000, 3) / (12 * (1 - 0.2 * 0.2)); };
  const double kw = 3 * d(300) / 4.0, ks = 4 * d(400) / 6.0, dw = kw / (kw + ks);
  const double slabHi = 0.04, slabLo = -45.6;  // the slab's edge: the corners of the other sense
  struct Case {
    const char* what;
    double hi, lo;  // the partition's base edge before the balance
    bool roundOff;
  };
  const Case cases[] = {
      {"round-off changing sign along the edge", 3.0e-16, -2.9e-16, true},
      {"round-off of one sign", 2.4e-16, 2.7e-19, true},
      {"round-off of the other sign", 1.0e-18, -3.0e-16, true},
      {"nothing at all", 0.0, 0.0, true},
      {"a small moment of its own", 0.5, -0.2, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<BoardSolution> solutions(2);
    for (BoardSolution& s : solutions) {
      s.results.resize(1);
      s.results[0].edges.resize(4);
      for (FieldRange& e : s.results[0].edges) e.Include(0.0);
      s.results[0].spanX.Include(0.0);
      s.results[0].spanY.Include(0.0);
      s.edgeStiffness.assign(4, 0.0);
      s.spanCarryOver.assign(4, 0.0);
      s.edgeCrossedByX.assign(4, false);
    }
    BoardSolution& wall = solutions[0];
    BoardSolution& slab = solutions[1];
    wall.results[0].edges[0] = FieldRange();
    wall.results[0].edges[0].Include(c.hi);
    wall.results[0].edges[0].Include(c.lo);
    wall.results[0].spanY = FieldRange();
    wall.results[0].spanY.Include(0.0);
    wall.edgeStiffness[0] = kw;
    wall.spanCarryOver[0] = 0.5;
    slab.results[0].edges[0] = FieldRange();
    slab.results[0].edges[0].Include(slabHi);
    slab.results[0].edges[0].Include(slabLo);
    slab.edgeStiffness[0] = ks;
    slab.spanCarryOver[0] = 0.25;
    const Joint joint = {{0, 0, 1.0}, {1, 0, -1.0}};

    const double femW = std::fabs(c.hi) >= std::fabs(c.lo) ? c.hi : c.lo;
    const double m = femW - dw * (femW - slabLo);
    DistributeJointMoments({joint}, solutions, 0);

    const FieldRange& w = wall.results[0].edges[0];
    if (c.roundOff) {
      EXPECT_NEAR(m, -dw * 45.6, 1e-12);
      EXPECT_EQ(w.hi, 0.0);
      EXPECT_NEAR(w.lo, m, 1e-12);
    } else {
      const double k = m / femW;
      EXPECT_NEAR(w.hi, std::max(c.hi * k, c.lo * k), 1e-12);
      EXPECT_NEAR(w.lo, std::min(c.hi * k, c.lo * k), 1e-12);
    }
    // The slab's edge keeps its shape, and the joint is in equilibrium.
    const FieldRange& s = slab.results[0].edges[0];
    EXPECT_NEAR(s.lo, m, 1e-12);
    EXPECT_NEAR(s.hi, slabHi * m / slabLo, 1e-12);
    // Half the partition's change reaches its span (top simply supported).
    EXPECT_NEAR(wall.results[0].spanY.lo, std::min(0.0, 0.5 * (m - femW)), 1e-12);
  }
}
