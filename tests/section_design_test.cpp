// Section design of a one-metre strip: required steel and crack width, worked
// by hand from the design formulas (GB 50010-2002 flexure; the crack formula
// with the coefficient 2.10654, the 6 mm cover allowance and the bond
// coefficient by diameter).
#include "rebar/SectionDesign.h"
#include "tests/rebar_fixtures.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using rebarfx::MakeBoard;

// C30, h = 300, covers 35 on both faces (top slab), HRB335, M = 50 kN·m/m.
TEST(RequiredSteel, WorkedByHandSinglyReinforced) {
  rebarfx::Design d;
  BoardPtr slab = MakeBoard(2, 6000, 4000, 300);
  slab->SetUpperXBasicMoment(50.0);

  // Materials: fc = 14.3, fy = 300, Es = 2.0e5 (GB 50010-2002 tables).
  const double fc = 14.3, fy = 300.0, es = 2.0e5;
  // fcu = 30: alpha1 = 1.1 − 0.06 = 1.04 → 1.0; beta1 = 0.9 − 0.06 = 0.84 → 0.8.
  double alpha1 = 0, beta1 = 0;
  GetStressBlockFactors("C30", alpha1, beta1);
  EXPECT_DOUBLE_EQ(alpha1, 1.0);
  EXPECT_DOUBLE_EQ(beta1, 0.8);
  // h0 = 300 − (35 + 6) = 259.
  const double h0 = 259.0;
  // xi_b = 0.8 / (1 + 300 / (0.0033 · 2e5)) = 0.8 / (1 + 300/660) = 0.55.
  const double xib = 0.8 / (1.0 + fy / (0.0033 * es));
  EXPECT_NEAR(xib, 0.55, 1e-12);
  // Mu = 14.3 · 1000 · 259² · 0.55 · 0.725 = 382.504 kN·m: 50 kN·m is singly reinforced.
  const double mu = fc * 1000 * h0 * h0 * 0.55 * (1 - 0.275);
  EXPECT_NEAR(mu / 1e6, 382.504, 1e-3);
  // alpha_s = 50e6 / (14.3 · 1000 · 259²) = 0.0521236.
  const double alphaS = 50e6 / (fc * 1000 * h0 * h0);
  EXPECT_NEAR(alphaS, 0.0521236, 1e-7);
  // xi = 1 − sqrt(1 − 2 · 0.0521236) = 0.0535578.
  const double xi = 1 - std::sqrt(1 - 2 * alphaS);
  EXPECT_NEAR(xi, 0.0535578, 1e-7);
  // As = 14.3 · 1000 · 0.0535578 · 259 / 300 = 661.21 mm²/m.
  const double as = fc * 1000 * xi * h0 / fy;
  EXPECT_NEAR(as, 661.207, 1e-3);

  double tension = -1, compression = -1;
  ASSERT_TRUE(ComputeRequiredSteelArea(d.options, slab, 0, true, true, true, tension, compression));
  EXPECT_NEAR(tension, 661.207, 1e-3);
  EXPECT_EQ(compression, 0.0);
}

TEST(RequiredSteel, WorkedByHandDoublyReinforced) {
  rebarfx::Design d;
  BoardPtr slab = MakeBoard(2, 6000, 4000, 300);
  slab->SetLowerYBasicMoment(450.0);  // |M| = 450 > Mu = 382.504 kN·m
  // As' = (450e6 − 382.504e6) / (300 · (259 − 41)) = 1032.05;
  // As = 14.3 · 1000 · 0.55 · 259 / 300 + As' = 6790.12 + 1032.05 = 7822.16.
  const double mu = 14.3 * 1000 * 259.0 * 259.0 * 0.55 * 0.725;
  const double as2 = (450e6 - mu) / (300.0 * (259 - 41));
  EXPECT_NEAR(as2, 1032.045, 1e-3);
  const double as = 14.3 * 1000 * 0.55 * 259 / 300 + as2;
  EXPECT_NEAR(as, 7822.162, 1e-3);

  double tension = 0, compression = 0;
  ASSERT_TRUE(ComputeRequiredSteelArea(d.options, slab, 0, true, false, false, tension, compression));
  EXPECT_NEAR(tension, 7822.162, 1e-3);
  EXPECT_NEAR(compression, 1032.045, 1e-3);

  // At |M| = Mu exactly the section is singly reinforced and gives the same As.
  slab->SetLowerYBasicMoment(mu / 1e6);
  ASSERT_TRUE(ComputeRequiredSteelArea(d.options, slab, 0, true, false, false, tension, compression));
  EXPECT_EQ(compression, 0.0);
  EXPECT_NEAR(tension, 14.3 * 1000 * 0.55 * 259 / 300, 1e-6);
}

TEST(RequiredSteel, StressBlockFactorsByGrade) {
  struct Row {
    const char* grade;
    double alpha1, beta1;
  };
  const Row rows[] = {
      {"C30", 1.0, 0.8},  {"C50", 1.0, 0.8},   {"C60", 0.98, 0.78}, {"C70", 0.96, 0.76},
      {"C80", 0.94, 0.74}, {"C90", 0.94, 0.74}, {"30", 1.0, 0.8},    {"", 1.0, 0.8},
  };
  for (const Row& r : rows) {
    double a = 0, b = 0;
    GetStressBlockFactors(r.grade, a, b);
    EXPECT_NEAR(a, r.alpha1, 1e-12) << r.grade;
    EXPECT_NEAR(b, r.beta1, 1e-12) << r.grade;
  }
}

// The sign of the moment picks the tension face and so the cover in h0:
// a bottom slab has 35 mm on top and 50 mm below.
TEST(RequiredSteel, MomentSignChoosesTheTensionCover) {
  rebarfx::Design d;
  BoardPtr slab = MakeBoard(1, 6000, 4000, 300);
  auto area = [&](double m) {
    slab->SetUpperXBasicMoment(m);
    double t = 0, c = 0;
    EXPECT_TRUE(ComputeRequiredSteelArea(d.options, slab, 0, true, true, true, t, c));
    return t;
  };
  auto byHand = [](double m, double h0) {
    const double as = m * 1e6 / (14.3 * 1000 * h0 * h0);
    return 14.3 * 1000 * (1 - std::sqrt(1 - 2 * as)) * h0 / 300;
  };
  EXPECT_NEAR(area(50), byHand(50, 300 - 41), 1e-6);   // upper face in tension: h0 = 259
  EXPECT_NEAR(area(-50), byHand(50, 300 - 56), 1e-6);  // lower face in tension: h0 = 244
  EXPECT_EQ(area(0), 0.0);

  // Support bars read the edge's moment and ignore the direction.
  slab->GetEdges()[2].SetLowerBasicMoment(-50);
  double t1 = 0, t2 = 0, c = 0;
  ASSERT_TRUE(ComputeRequiredSteelArea(d.options, slab, 2, false, false, true, t1, c));
  ASSERT_TRUE(ComputeRequiredSteelArea(d.options, slab, 2, false, false, false, t2, c));
  EXPECT_NEAR(t1, byHand(50, 244), 1e-6);
  EXPECT_EQ(t1, t2);
}

TEST(RequiredSteel, SectionsWithoutMeaningGiveNoAreaAndSayWhy) {
  struct Case {
    const char* what;
    double h;
    const char* concrete;
    const char* grade;
    double moment;
    const char* expect;  // part of the reason
  };
  const Case cases[] = {
      {"h0 <= 0", 40, "C30", "HRB335", 10, "h0 = -1.0"},
      {"h0 = 0", 41, "C30", "HRB335", 0, "h0 = 0.0"},
      {"unknown concrete", 300, "C", "HRB335", 10, "concrete grade 'C'"},
      {"unknown rebar grade", 300, "C30", "", 10, "rebar grade ''"},
      {"compression steel with h0 <= a's", 80, "C30", "HRB335", 100, "a's = 41.0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    rebarfx::Design d;
    BoardPtr slab = MakeBoard(2, 6000, 4000, c.h, c.concrete, c.grade);
    slab->SetNumber(4);
    slab->SetUpperXBasicMoment(c.moment);
    double t = -1, comp = -1;
    std::string why;
    EXPECT_FALSE(ComputeRequiredSteelArea(d.options, slab, 0, true, true, true, t, comp, &why));
    EXPECT_EQ(t, 0.0);
    EXPECT_EQ(comp, 0.0);
    EXPECT_NE(why.find("top slab 4, upper face, X bars"), std::string::npos) << why;
    EXPECT_NE(why.find(c.expect), std::string::npos) << why;
  }
}

// ---------------------------------------------------------------------------
// Crack width

CrackInput Strip(double mk, double cover, int d, int s, double h = 300) {
  CrackInput in;
  in.moment = mk;
  in.h = h;
  in.coverUpper = cover;
  in.coverLower = cover;
  in.ftk = 2.01;  // C30
  in.es = 2.0e5;  // HRB335
  in.diameter = d;
  in.spacing = s;
  return in;
}

// Mk = 60 kN·m/m, d16 at 150, C30, h = 300, cover 35.
TEST(CrackWidth, WorkedByHand) {
  // c' = 35 + 6 = 41; h0 = 259.
  // As = 0.25 · π · 16² · 1000/150 = 1340.413.
  const double as = 0.25 * g_Pi * 256 * (1000.0 / 150);
  EXPECT_NEAR(as, 1340.413, 1e-3);
  // sigma_sk = 60e6 / (0.87 · 259 · 1340.413) = 198.652.
  const double sigma = 60e6 / (0.87 * 259 * as);
  EXPECT_NEAR(sigma, 198.652, 1e-3);
  // rho_te = 1340.413 / (500 · 300) = 0.0089361, below 0.01.
  const double rho = as / 150000;
  EXPECT_NEAR(rho, 0.0089361, 1e-7);
  // B = 1.9 · 41 + 0.08 · 16 / 0.0089361 (unfloored) = 77.9 + 143.239 = 221.139.
  const double b = 1.9 * 41 + 0.08 * 16 / rho;
  EXPECT_NEAR(b, 221.139, 1e-3);
  // psi = 1.1 − 0.65 · 2.01 / (0.01 (floored) · 198.652) = 0.442318.
  const double psi = 1.1 - 0.65 * 2.01 / (0.01 * sigma);
  EXPECT_NEAR(psi, 0.442318, 1e-6);
  // w = 2.10654 · 0.442318 · 198.652 / 2e5 · 221.139 = 0.204661 mm.
  const double w = 2.10654 * psi * sigma / 2e5 * b;
  EXPECT_NEAR(w, 0.204661, 1e-6);

  EXPECT_NEAR(CrackWidthOf(Strip(60, 35, 16, 150)), 0.204661, 1e-6);

  // The same through the board: selected bars, and a candidate.
  rebarfx::Design d;
  BoardPtr slab = MakeBoard(2, 6000, 4000, 300);
  slab->SetLowerYStandardMoment(-60);
  slab->SetLowerYDiameter(16);
  slab->SetLowerYSpacing(150);
  double stored = -1;
  ASSERT_TRUE(ComputeCrackWidth(d.options, slab, true, false, false, 0, stored));
  EXPECT_NEAR(stored, 0.204661, 1e-6);
  EXPECT_NEAR(ComputeCrackWidthFor(d.settings, slab, true, false, false, 0, 16, 150), 0.204661, 1e-6);
}

TEST(CrackWidth, EdgeCasesOfTheFormula) {
  struct Case {
    const char* what;
    CrackInput in;
    double w;
  };
  const Case cases[] = {
      // Cover clamped to [20, 65]: 15 enters as 20 (c' = 26), 70 as 65 (c' = 71).
      {"cover 15 as 20", Strip(60, 15, 16, 150), 0.154012},
      {"cover 20", Strip(60, 20, 16, 150), 0.154012},
      {"cover 70 as 65", Strip(60, 70, 16, 150), 0.341277},
      {"cover 65", Strip(60, 65, 16, 150), 0.341277},
      // nu = 0.7 below 12 mm: deq = 10 / 0.7 = 14.286; psi = 0.329279.
      {"d10: nu 0.7", Strip(30, 35, 10, 100), 0.174123},
      // d12: nu = 1.0, deq = 12; psi at its lower limit 0.2.
      {"d12: nu 1.0", Strip(30, 35, 12, 100), 0.0508918},
      // rho_te = 4908.7 / 75000 = 0.06545 > 0.01: used unchanged in psi and B.
      {"rho_te above 0.01", Strip(40, 25, 25, 100, 150), 0.0627695},
      {"zero moment", Strip(0, 35, 16, 150), 0.0},
  };
  for (const Case& c : cases) EXPECT_NEAR(CrackWidthOf(c.in), c.w, 1e-6) << c.what;

  // The floor of rho_te acts inside psi only: with B taken at 0.01 too the
  // width of the lightly reinforced strip would be smaller.
  const double asLight = 0.25 * g_Pi * 256 * (1000.0 / 150);
  const double sigma = 60e6 / (0.87 * 259 * asLight);
  const double psi = 1.1 - 0.65 * 2.01 / (0.01 * sigma);
  const double floorInB = 2.10654 * psi * sigma / 2e5 * (1.9 * 41 + 0.08 * 16 / 0.01);
  EXPECT_GT(CrackWidthOf(Strip(60, 35, 16, 150)), floorInB + 0.01);
}

TEST(CrackWidth, SupportBarsAndMissingBars) {
  rebarfx::Design d;
  BoardPtr slab = MakeBoard(2, 6000, 4000, 300);
  slab->GetEdges()[1].SetUpperStandardMoment(60);
  // Support bars: the selected-bar routine gives 0, the candidate routine a real width.
  double w = -1;
  ASSERT_TRUE(ComputeCrackWidth(d.options, slab, false, true, true, 1, w));
  EXPECT_EQ(w, 0.0);
  EXPECT_NEAR(ComputeCrackWidthFor(d.settings, slab, false, true, true, 1, 16, 150), 0.204661, 1e-6);
  // A face without selected bars gives 0.
  slab->SetUpperXStandardMoment(60);
  w = -1;
  ASSERT_TRUE(ComputeCrackWidth(d.options, slab, true, true, true, 0, w));
  EXPECT_EQ(w, 0.0);
}

// A bar set or section without meaning gives a width that fails any limit; the
// selected-bar routine then leaves the stored width alone.
TEST(CrackWidth, DegenerateInputsFailEveryLimit) {
  for (const CrackInput& in : {Strip(60, 35, 0, 150), Strip(60, 35, 16, 0), Strip(60, 35, -2, 150),
                               Strip(60, 35, 16, 150, 20)}) {
    const double w = CrackWidthOf(in);
    EXPECT_FALSE(IsCrackWidthReal(w));
    EXPECT_FALSE(w < 1e9);
  }
  rebarfx::Design d;
  BoardPtr slab = MakeBoard(2, 6000, 4000, 24);  // c' = 41 > h
  slab->SetUpperXStandardMoment(1);
  slab->SetUpperXDiameter(8);
  slab->SetUpperXSpacing(200);
  double w = 0.123;
  EXPECT_FALSE(ComputeCrackWidth(d.options, slab, true, true, true, 0, w));
  EXPECT_EQ(w, 0.123);
}

}  // namespace
