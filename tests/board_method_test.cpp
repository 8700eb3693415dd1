// The board method of the analysis (each board alone with its edge
// restraints, then the joints balanced): walls solved as two-way plates,
// checked against an independent plate solution, and the balance of a
// joint per load case, checked against a hand moment distribution.
#include "platform/Tobrin.h"
#include "platform/tobrin/tank_analysis.h"
#include "tests/plate_reference.h"
#include "tests/tank_fixtures.h"

#include <gtest/gtest.h>

#include <cmath>
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
// span values are the extremes outside the quarter-span bands along the
// fixed edges, on both faces; an extreme that is small beside the wall's
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
