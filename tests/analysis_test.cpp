// Analysis of whole tanks: actions, load cases, combinations, envelope and
// sign rule, checks and texts, the analysis record and its filing, and the
// clean failure of a tank that cannot be analysed.
#include "platform/Tobrin.h"
#include "platform/tobrin/tank_analysis.h"
#include "model/TankModeler.h"
#include "tests/plate_reference.h"
#include "tests/analysis_fixtures.h"
#include "tests/tank_fixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

namespace {

using fixtures::AboveGroundSettings;
using fixtures::WallAt;

void Prepare(Tank& tank, const ProjectSettings& s, double overhang = 0.0) {
  fixtures::PrepareForAnalysis(tank, s, overhang);
}

constexpr double kPi = 3.14159265358979323846;

bool AllAnalysisValuesZero(const Tank& tank) {
  for (const BoardPtr& b : tank.GetBoards()) {
    for (bool u : {true, false})
      for (bool x : {true, false}) {
        const FaceValues& v = b->GetFaceValues(u, x);
        if (v.basicMoment != 0 || v.standardMoment != 0 || v.quasiMoment != 0 || v.combination != 0) return false;
      }
    for (const BoardEdge& e : b->GetEdges())
      for (bool u : {true, false}) {
        const FaceValues& v = e.GetFaceValues(u);
        if (v.basicMoment != 0 || v.standardMoment != 0 || v.quasiMoment != 0 || v.combination != 0) return false;
      }
  }
  return true;
}

// Outer / inner face values of a wall, whichever way its normal points.
struct WallFaces {
  double outerSpanX, innerSpanX, outerSpanY, innerSpanY, outerBase, innerBase;
  int outerBaseCase, innerBaseCase;
};

WallFaces Faces(const Board& w) {
  const bool upperOuter = w.IsUpperFaceOuter();
  const BoardEdge& base = w.GetEdges()[0];
  WallFaces f;
  f.outerSpanX = upperOuter ? w.GetUpperXBasicMoment() : -w.GetLowerXBasicMoment();
  f.innerSpanX = upperOuter ? -w.GetLowerXBasicMoment() : w.GetUpperXBasicMoment();
  f.outerSpanY = upperOuter ? w.GetUpperYBasicMoment() : -w.GetLowerYBasicMoment();
  f.innerSpanY = upperOuter ? -w.GetLowerYBasicMoment() : w.GetUpperYBasicMoment();
  f.outerBase = upperOuter ? base.GetUpperBasicMoment() : -base.GetLowerBasicMoment();
  f.innerBase = upperOuter ? -base.GetLowerBasicMoment() : base.GetUpperBasicMoment();
  f.outerBaseCase = upperOuter ? base.GetUpperCombination() : base.GetLowerCombination();
  f.innerBaseCase = upperOuter ? base.GetLowerCombination() : base.GetUpperCombination();
  return f;
}

}  // namespace

// Upper-face values are ≥ 0, lower-face values ≤ 0, on every board and edge.
void ExpectSignRule(const Tank& tank) {
  for (const BoardPtr& b : tank.GetBoards()) {
    EXPECT_GE(b->GetUpperXBasicMoment(), 0);
    EXPECT_GE(b->GetUpperYBasicMoment(), 0);
    EXPECT_LE(b->GetLowerXBasicMoment(), 0);
    EXPECT_LE(b->GetLowerYBasicMoment(), 0);
    EXPECT_GE(b->GetUpperXStandardMoment(), 0);
    EXPECT_LE(b->GetLowerYQuasiMoment(), 0);
    for (const BoardEdge& e : b->GetEdges()) {
      EXPECT_GE(e.GetUpperBasicMoment(), 0);
      EXPECT_LE(e.GetLowerBasicMoment(), 0);
    }
  }
}

// A buried wall of an open tank (20 m long, 4 m high, free top, fixed base
// and sides): the water of the empty-before-backfill case (2) puts the
// inner face in tension at the base, the soil of the empty backfilled case
// (1) the outer face.  The calculation book's span ratio rule calls the wall
// one-way (b/H = 5), but the analysis solves it as the plate it is, so its
// sides carry moment; both pressures are triangular, and the plate's
// coefficients (series solution, b/H = 5) give
//   water: q0 = 10 × 4.0 = 40 kPa at the base (surface at the wall top),
//   soil:  Ka = tan²(30°) = 1/3, q0 = 18 × 4.0 / 3 = 24 kPa,
//   M = coefficient × q0·H² × 1.27 (basic), within 2 %
// (a cantilever strip would give q0·H²/6 at the base and nothing at the sides).
TEST(TankAnalysis, BuriedWallCasesGovernOppositeFaces) {
  Tank tank;
  ASSERT_TRUE(fixtures::MakeRegularTank(tank, fixtures::RegularLayout(1, 1, false, 20000, 20000)));
  ProjectSettings s = AboveGroundSettings();
  s.GetGeologySettings().SetSoilLayers({SoilLayer("砂土", 20.0, 18.0, 30.0)});
  s.GetGeologySettings().SetBurialDepth(4.2);  // ground at the wall top (+800)
  s.GetLoadSettings().SetGroundLiveLoad(0.0);
  Prepare(tank, s);
  ASSERT_TRUE(AnalyseTank(tank, s)) << GetLastAnalysisError();
  ExpectSignRule(tank);
  plate_reference::RectangularPlate plate;
  plate.width = 20000;
  plate.height = 4000;
  plate.qBase = 1.0 / 16.0;  // coefficients of q0·H²
  plate.qTop = 0.0;
  const plate_reference::WallExtremes ref = plate_reference::Solution(plate).Extremes();
  const double base = -ref.base.min, side = -ref.side.min;
  ASSERT_GT(side, 0.1);
  ASSERT_EQ(tank.GetWalls().size(), 4u);
  for (const BoardPtr& w : tank.GetWalls()) {
    ASSERT_TRUE(tobrin::IsOneWay(*w, 1));
    ASSERT_NE(w->IsUpperFaceOuter(), w->IsLowerFaceOuter());
    const WallFaces f = Faces(*w);
    EXPECT_NEAR(f.innerBase, 1.27 * base * 40.0 * 16.0, 0.02 * 1.27 * base * 40.0 * 16.0);
    EXPECT_EQ(f.innerBaseCase, 2);
    EXPECT_NEAR(f.outerBase, 1.27 * base * 24.0 * 16.0, 0.02 * 1.27 * base * 24.0 * 16.0);
    EXPECT_EQ(f.outerBaseCase, 1);
    // The standard and quasi-permanent values of the governing case.
    const BoardEdge& baseEdge = w->GetEdges()[0];
    const double innerStd =
        w->IsUpperFaceOuter() ? -baseEdge.GetLowerStandardMoment() : baseEdge.GetUpperStandardMoment();
    const double outerQuasi =
        w->IsUpperFaceOuter() ? baseEdge.GetUpperQuasiMoment() : -baseEdge.GetLowerQuasiMoment();
    EXPECT_NEAR(innerStd, base * 40.0 * 16.0, 0.02 * base * 40.0 * 16.0);
    EXPECT_NEAR(outerQuasi, base * 24.0 * 16.0, 0.02 * base * 24.0 * 16.0);
    // Two-way: the sides carry the plate's side moment on both faces (water
    // inside, soil outside), each in its own case.
    const BoardEdge& sideEdge = w->GetEdges()[1];
    const double innerSide =
        w->IsUpperFaceOuter() ? -sideEdge.GetLowerBasicMoment() : sideEdge.GetUpperBasicMoment();
    const double outerSide =
        w->IsUpperFaceOuter() ? sideEdge.GetUpperBasicMoment() : -sideEdge.GetLowerBasicMoment();
    EXPECT_NEAR(innerSide, 1.27 * side * 40.0 * 16.0, 0.02 * 1.27 * side * 40.0 * 16.0);
    EXPECT_NEAR(outerSide, 1.27 * side * 24.0 * 16.0, 0.02 * 1.27 * side * 24.0 * 16.0);
  }
}

// Sign rule on a square open tank under internal water only (two-way walls,
// three fixed edges and a free top): outer face in tension at mid-span
// (the wall bows outward), inner face at the fixed base.  A wall turned
// round (normal inward) stores the same physical result on swapped faces; a
// rebar angle of 90° swaps X and Y.
TEST(TankAnalysis, SignRuleFollowsTheNormalAndTheRebarAngle) {
  const ProjectSettings s = AboveGroundSettings();
  Tank tank;
  ASSERT_TRUE(fixtures::MakeRegularTank(tank, fixtures::RegularLayout(1, 1, false, 6000, 6000)));
  Prepare(tank, s);
  ProjectSettings settings = s;
  ASSERT_TRUE(AnalyseTank(tank, settings)) << GetLastAnalysisError();
  ExpectSignRule(tank);
  const BoardPtr wall = WallAt(tank, 3000, 0);
  ASSERT_TRUE(wall);
  ASSERT_FALSE(tobrin::IsOneWay(*wall, 1));
  const WallFaces before = Faces(*wall);
  EXPECT_GT(before.outerSpanX, 1.0);  // horizontal bars at mid-span
  EXPECT_GT(before.innerBase, 1.0);
  EXPECT_LT(before.outerBase, 0.02 * before.innerBase);  // only a trace near the corners
  EXPECT_EQ(before.innerBaseCase, 0);  // cases 0 and 2 are equal: the first one governs

  // Turn the wall round: same plan line, reversed base direction.
  Tank turned;
  ASSERT_TRUE(fixtures::MakeRegularTank(turned, fixtures::RegularLayout(1, 1, false, 6000, 6000)));
  const BoardPtr old = WallAt(turned, 3000, 0);
  std::vector<_3dPoint> pts = old->GetOutlinePoints();
  BoardPtr reversed = fixtures::MakeWall(pts[1].x, pts[1].y, pts[0].x, pts[0].y, pts[0].z, pts[3].z - pts[0].z,
                                        old->GetThickness());
  reversed->SetNumber(old->GetNumber());
  turned.RemoveComponent(old);
  turned.AddBoard(reversed);
  Prepare(turned, s);
  ASSERT_TRUE(AnalyseTank(turned, settings)) << GetLastAnalysisError();
  ASSERT_NE(reversed->GetNormal().y, wall->GetNormal().y);
  EXPECT_NEAR(reversed->GetUpperXBasicMoment(), -wall->GetLowerXBasicMoment(), 1e-6);
  EXPECT_NEAR(reversed->GetLowerXBasicMoment(), -wall->GetUpperXBasicMoment(), 1e-6);
  EXPECT_NEAR(reversed->GetUpperYBasicMoment(), -wall->GetLowerYBasicMoment(), 1e-6);
  EXPECT_NEAR(reversed->GetEdges()[0].GetUpperBasicMoment(), -wall->GetEdges()[0].GetLowerBasicMoment(), 1e-6);
  EXPECT_NEAR(reversed->GetEdges()[0].GetLowerBasicMoment(), -wall->GetEdges()[0].GetUpperBasicMoment(), 1e-6);
  EXPECT_EQ(reversed->GetEdges()[0].GetUpperCombination(), wall->GetEdges()[0].GetLowerCombination());

  // Rebar angle 90°: X and Y swap, the edges keep their values.
  Tank rotated;
  ASSERT_TRUE(fixtures::MakeRegularTank(rotated, fixtures::RegularLayout(1, 1, false, 6000, 6000)));
  Prepare(rotated, s);
  const BoardPtr rw = WallAt(rotated, 3000, 0);
  rw->SetReinAngle(kPi / 2);
  ASSERT_TRUE(AnalyseTank(rotated, settings)) << GetLastAnalysisError();
  EXPECT_NEAR(rw->GetUpperXBasicMoment(), wall->GetUpperYBasicMoment(), 1e-6);
  EXPECT_NEAR(rw->GetUpperYBasicMoment(), wall->GetUpperXBasicMoment(), 1e-6);
  EXPECT_NEAR(rw->GetLowerXBasicMoment(), wall->GetLowerYBasicMoment(), 1e-6);
  EXPECT_NEAR(rw->GetEdges()[0].GetLowerBasicMoment(), wall->GetEdges()[0].GetLowerBasicMoment(), 1e-6);
}

// Anti-floating and bearing checks of a buried 6 m × 6 m tank, by hand, the
// concrete weighed as it is cast:
//   walls between the slab faces (4.0 − 0.20 − 0.125 = 3.675 m) on
//   6.3² − 5.7² = 7.20 m² of plan: 7.20 × 3.675 × 25 = 661.50,
//   bottom slab 6 × 6 × 0.40 × 25 = 360.00, beyond the wall axes 4 × 6.0 ×
//   0.65 + 4 × 0.65² = 17.29 m² (C = 500 plus half the 300 wall) × 0.40 × 25
//   = 172.90, top slab to the walls' outer faces 6.3 × 6.3 × 0.25 × 25 =
//   248.0625: Gc = 1442.4625 kN.
//   Ground at +1.425 (burial 4.825 below the base at −3.400), groundwater
//   2.0 m below it (−0.575): hw = 2.825 m.  Top slab top face +0.925: 0.5 m
//   of cover, 18 × 0.5 × 39.69 = 357.21 kN.  Soil on the overhang outside
//   the outer wall faces (7.3² − 6.3² = 13.60 m²; top face of the bottom
//   slab −3.000, 4.425 m): 18 × 2.0 + 8 × 2.425 + 10 × 2.425 = 79.65 kPa ×
//   13.60 = 1083.24 kN.  G = 2882.9125 kN.
//   A = 36 + 17.29 = 53.29 m², F = 10 × 2.825 × 53.29 = 1505.44 kN,
//   G/F = 1.915 ≥ 1.05.
//   Bearing (case 0, standard): water 10 × (36 − 24 × 0.15 + 4 × 0.15²) ×
//   3.675 = 1194.01 kN; live 0.9 × 10 × (39.69 + 13.60) = 479.61 kN;
//   pk = (1442.46 + 1194.01 + 357.21 + 1083.24 + 479.61) / 53.29 = 85.50 kPa
//   ≤ 150 without uplift (the lowest groundwater level), which governs.
TEST(TankAnalysis, AntiFloatingAndBearingChecksMatchHandCalculation) {
  Tank tank;
  ASSERT_TRUE(fixtures::MakeRegularTank(tank, fixtures::RegularLayout(1, 1, true, 6000, 6000)));
  ProjectSettings s;
  s.GetLoadSettings().SetAnalysisMethod(0);
  s.GetGeologySettings().SetSoilLayers({SoilLayer("粉质黏土", 10.0, 18.0, 20.0)});
  s.GetGeologySettings().SetBurialDepth(4.825);
  s.GetGeologySettings().SetGroundwaterDepth(2.0);
  s.GetGeologySettings().SetBearingCapacity(150.0);
  s.GetCalcSettings().SetBuoyancyReductionFactor(1.0);
  s.GetCalcSettings().SetAntiFloatSafetyFactor(1.05);
  s.GetCalcSettings().SetTemperatureConsidered(false);
  Prepare(tank, s, 500.0);
  ASSERT_EQ(tank.GetCells().size(), 1u);
  ASSERT_NEAR(tank.GetCells()[0]->GetWaterLevel(), 3675.0, 1e-6);

  tobrin::TankActions actions;
  std::string reason;
  ASSERT_TRUE(tobrin::ComputeActions(tank, s, actions, reason)) << reason;
  EXPECT_NEAR(actions.overhangArea, 13.60, 1e-6);
  EXPECT_NEAR(actions.baseArea, 53.29, 1e-6);
  EXPECT_NEAR(actions.upliftHead, 2.825, 1e-9);

  ASSERT_TRUE(AnalyseTank(tank, s)) << GetLastAnalysisError();
  const std::vector<std::string> af = GetAntiFloatCheckText();
  const std::vector<std::string> br = GetBearingCheckText();
  auto has = [](const std::vector<std::string>& lines, const std::string& text) {
    for (const std::string& l : lines)
      if (l.find(text) != std::string::npos) return true;
    return false;
  };
  EXPECT_TRUE(has(af, "=1442.46kN")) << af[0];
  EXPECT_TRUE(has(af, "Gt=357.21kN"));
  EXPECT_TRUE(has(af, "Gs=1083.24kN"));
  EXPECT_TRUE(has(af, "G=Gc+Gt+Gs=2882.91kN"));
  EXPECT_TRUE(has(af, "=1505.44kN"));
  EXPECT_TRUE(has(af, "G/F=2882.91/1505.44=1.915≥Kf=1.05,满足抗浮要求"));
  EXPECT_TRUE(has(br, "Gw=1194.01kN"));
  EXPECT_TRUE(has(br, "Q=479.61kN"));
  EXPECT_TRUE(has(br, "pk=85.50kPa≤fa=150.00kPa,满足地基承载力要求"));
  for (const auto& lines : {af, br})
    for (const std::string& l : lines) EXPECT_EQ(l.find('\n'), std::string::npos);

  // The slab load texts: one record per slab, by board number.
  const auto bottom = GetBottomSlabLoadText();
  const auto top = GetTopSlabLoadText();
  ASSERT_EQ(bottom.size(), 1u);
  ASSERT_EQ(top.size(), 1u);
  EXPECT_EQ(top[0].boardNumber, tank.GetTopSlabs()[0]->GetNumber());
  // Top slab, case 1: 1.20 × 6.25 + 1.27 × 9.00 + 1.26 × 10.00 = 31.53.
  EXPECT_TRUE(has(top[0].lines, "工况1(有水有土): 基本组合q=1.20×6.25+1.27×9.00+1.26×10.00=31.53kN/m$2$"))
      << top[0].lines.back();

  // Uplift 1.7 times higher and a Kf of 3: the check fails and says so.
  s.GetGeologySettings().SetGroundwaterDepth(0.0);
  s.GetCalcSettings().SetAntiFloatSafetyFactor(3.0);
  ASSERT_TRUE(AnalyseTank(tank, s));
  EXPECT_TRUE(has(GetAntiFloatCheckText(), "不满足抗浮要求"));
}

// The mend: a failed analysis leaves no moments, record or texts of an
// earlier one, and says why.
TEST(TankAnalysis, FailedAnalysisClearsEarlierResults) {
  Tank tank;
  ASSERT_TRUE(fixtures::MakeRegularTank(tank, fixtures::RegularLayout(1, 1, true, 6000, 6000)));
  ProjectSettings s;
  s.GetLoadSettings().SetAnalysisMethod(0);
  Prepare(tank, s, 500);
  ASSERT_TRUE(AnalyseTank(tank, s)) << GetLastAnalysisError();
  EXPECT_TRUE(GetLastAnalysisError().empty());
  EXPECT_FALSE(AllAnalysisValuesZero(tank));
  EXPECT_TRUE(tank.IsAnalysed());
  EXPECT_FALSE(GetAntiFloatCheckText().empty());

  // A board without support.
  const BoardPtr top = tank.GetTopSlabs()[0];
  top->SetRestrictions(std::vector<Restirction>(top->GetEdges().size(), Restirction(Restirction::kFree)));
  EXPECT_FALSE(AnalyseTank(tank, s));
  EXPECT_NE(GetLastAnalysisError().find("顶板"), std::string::npos) << GetLastAnalysisError();
  EXPECT_TRUE(AllAnalysisValuesZero(tank));
  EXPECT_FALSE(tank.IsAnalysed());
  EXPECT_TRUE(tank.GetAnalysisRecord().IsEmpty());
  EXPECT_TRUE(GetAntiFloatCheckText().empty());
  EXPECT_TRUE(GetBottomSlabLoadText().empty());

  // Restraints that do not match the edges, and a tank without boards.
  top->SetRestrictions({Restirction(0)});
  EXPECT_FALSE(AnalyseTank(tank, s));
  EXPECT_FALSE(GetLastAnalysisError().empty());
  Tank empty;
  EXPECT_FALSE(AnalyseTank(empty, s));
  EXPECT_NE(GetLastAnalysisError().find("没有构件"), std::string::npos);
}

// The analysis record: filed with the tank, compared with the input as it
// is now, and handing its texts back to the library after reading.
TEST(TankAnalysis, AnalysisRecordSurvivesFilingAndTracksChanges) {
  Tank tank;
  ASSERT_TRUE(fixtures::MakeRegularTank(tank, fixtures::RegularLayout(2, 1, true)));
  ProjectSettings s;
  s.GetLoadSettings().SetAnalysisMethod(0);
  Prepare(tank, s, 500);
  EXPECT_FALSE(tank.IsAnalysed());

  // The load description's texts are the ones the analysis keeps.
  TankLoadModel model;
  model.Build(tank, s);
  std::vector<std::string> list1, list2;
  std::vector<std::vector<std::string>> table1, table2;
  model.GetTextList1(list1);
  model.GetTextList2(list2);
  model.GetTextTable1(table1);
  model.GetTextTable2(table2);
  ASSERT_FALSE(list1.empty());
  EXPECT_EQ(table1.size(), tank.GetBottomSlabs().size());
  EXPECT_EQ(table2.size(), tank.GetTopSlabs().size());

  ASSERT_TRUE(AnalyseTank(tank, s)) << GetLastAnalysisError();
  SetTextList1(list1);
  SetTextList2(list2);
  SetTextTable1(table1);
  SetTextTable2(table2);
  EXPECT_EQ(tank.GetAnalysisRecord().antiFloatText, list1);
  EXPECT_EQ(tank.GetAnalysisRecord().bottomSlabText, table1);
  EXPECT_TRUE(tank.IsAnalysed());
  EXPECT_TRUE(IsTankAnalysed(tank, s));

  // Filing keeps moments, record and texts.
  Tank read;
  fixtures::ReadTank(read, fixtures::StoreTank(tank));
  EXPECT_EQ(read.GetAnalysisRecord(), tank.GetAnalysisRecord());
  EXPECT_TRUE(read.IsAnalysed());
  EXPECT_TRUE(IsTankAnalysed(read, s));
  for (std::size_t i = 0; i < tank.GetBoards().size(); ++i) {
    EXPECT_EQ(read.GetBoards()[i]->GetFaceValues(true, true), tank.GetBoards()[i]->GetFaceValues(true, true));
    EXPECT_EQ(read.GetBoards()[i]->GetEdges()[0].GetFaceValues(false), tank.GetBoards()[i]->GetEdges()[0].GetFaceValues(false));
  }
  ClearAnalysisTexts();
  EXPECT_TRUE(GetBearingCheckText().empty());
  ASSERT_TRUE(LoadAnalysisTexts(read));
  EXPECT_EQ(GetBearingCheckText(), list2);
  ASSERT_EQ(GetTopSlabLoadText().size(), table2.size());
  EXPECT_EQ(std::to_string(GetTopSlabLoadText()[0].boardNumber), table2[0][0]);

  // A copy (undo snapshot) is analysed too; a change of the input is seen,
  // and so is a change of the settings.
  Tank copy(tank);
  EXPECT_TRUE(copy.IsAnalysed());
  copy.GetTopSlabs()[0]->SetUpperOffset(200);
  EXPECT_FALSE(copy.IsAnalysed());
  ProjectSettings other = s;
  other.GetLoadSettings().SetGroundLiveLoad(20.0);
  EXPECT_TRUE(tank.IsAnalysed());
  EXPECT_FALSE(IsTankAnalysed(tank, other));
  // Design results do not count as a change of the analysis input.
  tank.GetBoards()[0]->SetUpperXCalcArea(500);
  tank.GetBoards()[0]->SetUpperXDiameter(12);
  EXPECT_TRUE(tank.IsAnalysed());
}

// Every board of a 3 × 2-cell tank with top slab gets moments, with the
// standard and quasi-permanent values of the governing case beside them.
TEST(TankAnalysis, RegularTankEnvelopeIsConsistent) {
  Tank tank;
  ASSERT_TRUE(fixtures::MakeRegularTank(tank, fixtures::RegularLayout(3, 2, true, 18000, 12000)));
  ProjectSettings s;
  s.GetLoadSettings().SetAnalysisMethod(0);
  s.GetCalcSettings().SetTemperatureConsidered(true);
  Prepare(tank, s, 500);
  ASSERT_TRUE(AnalyseTank(tank, s)) << GetLastAnalysisError();
  ExpectSignRule(tank);
  for (const BoardPtr& b : tank.GetBoards()) {
    for (bool u : {true, false})
      for (bool x : {true, false}) {
        const FaceValues& v = b->GetFaceValues(u, x);
        EXPECT_EQ(v.basicMoment == 0, v.standardMoment == 0 && v.quasiMoment == 0) << tobrin::BoardName(*b);
        EXPECT_TRUE(v.combination >= 0 && v.combination <= 3);
      }
  }
  // A bottom slab under the upward net ground reaction: top face in tension
  // in the span, bottom face at the walls.
  const BoardPtr bottom = tank.GetBottomSlabs()[0];
  const bool up = bottom->GetNormal().z > 0;
  EXPECT_GT(up ? bottom->GetUpperXBasicMoment() : -bottom->GetLowerXBasicMoment(), 1.0);
  EXPECT_EQ(GetBottomSlabLoadText().size(), 6u);
}

// The shell model of the whole tank against the board method: a square
// open tank under water only, on a very stiff bottom slab, whose walls by
// symmetry behave like plates with three fixed edges and a free top.  The
// base moment and the moment at the wall's vertical edges agree within 5 %.
TEST(TankAnalysis, ShellModelAgreesWithBoardMethodOnSymmetricTank) {
  TankLayoutParams layout = fixtures::RegularLayout(1, 1, false, 6000, 6000);
  layout.bottomSlabThickness = 1500;
  ProjectSettings s = AboveGroundSettings();
  Tank board, shell;
  ASSERT_TRUE(fixtures::MakeRegularTank(board, layout));
  ASSERT_TRUE(fixtures::MakeRegularTank(shell, layout));
  Prepare(board, s);
  Prepare(shell, s);
  ASSERT_TRUE(AnalyseTank(board, s)) << GetLastAnalysisError();
  s.GetLoadSettings().SetAnalysisMethod(1);
  ASSERT_TRUE(AnalyseTank(shell, s)) << GetLastAnalysisError();
  const BoardPtr a = WallAt(board, 3000, 0), b = WallAt(shell, 3000, 0);
  ASSERT_TRUE(a && b);
  const WallFaces fa = Faces(*a), fb = Faces(*b);
  EXPECT_NEAR(fb.innerBase, fa.innerBase, 0.05 * fa.innerBase);
  const bool upperOuter = a->IsUpperFaceOuter();
  const double sideA = upperOuter ? -a->GetEdges()[1].GetLowerBasicMoment() : a->GetEdges()[1].GetUpperBasicMoment();
  const double sideB = upperOuter ? -b->GetEdges()[1].GetLowerBasicMoment() : b->GetEdges()[1].GetUpperBasicMoment();
  EXPECT_NEAR(sideB, sideA, 0.05 * sideA);
}

// The span-ratio rule of the calculation book decides one-way boards: the
// limit is 2.0, for walls 3.0 when the wall-top restraint setting is 2; a
// ratio exactly at the limit or at 0.5 is two-way.
TEST(TankAnalysis, OneWayRuleMatchesTheCalculationBook) {
  struct Case {
    int kind;
    double lx, ly;
    int wallTop;
    bool oneWay;
  } cases[] = {
      {0, 10000, 4000, 1, true},  {0, 10000, 4000, 2, false}, {0, 12000, 4000, 2, false},
      {0, 12100, 4000, 2, true},  {1, 8000, 4000, 1, false},  {2, 8100, 4000, 1, true},
      {1, 2000, 4000, 1, false},  {1, 1960, 4000, 1, true},   {2, 4000, 4000, 2, false},
  };
  for (const Case& c : cases) {
    BoardPtr b = fixtures::MakeWall(0, 0, c.lx, 0, 0, c.ly);
    b->SetKind(c.kind);
    EXPECT_EQ(tobrin::IsOneWay(*b, c.wallTop), c.oneWay) << c.kind << " " << c.lx << "/" << c.ly << " " << c.wallTop;
  }
}
