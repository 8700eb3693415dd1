// What the analysis loads a tank with and what it checks, against hand
// calculations: the design water depth, single cells full or empty in a
// multi-cell tank, the base area and the soil of the anti-floating check,
// the groundwater level of the bearing check and the user loads in the slab
// load texts.
#include "platform/Tobrin.h"
#include "platform/tobrin/tank_analysis.h"
#include "app/NewTank.h"
#include "app/ProjectFile.h"
#include "designer/TankDesigner.h"
#include "model/TankModeler.h"
#include "tests/analysis_fixtures.h"
#include "tests/tank_fixtures.h"

#include <boost/make_shared.hpp>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace {

using fixtures::AboveGroundSettings;
using fixtures::WallAt;

void Prepare(Tank& tank, const ProjectSettings& s, double overhang = 0.0) {
  fixtures::PrepareForAnalysis(tank, s, overhang);
}

// The buried 6 m × 6 m covered tank of the checks below: ground at +1.425
// (burial 4.825 m below it, the base at −3.400), groundwater 2.0 m below the
// ground, one layer γ = 18 kN/m³, fa = 150 kPa, Kf = 1.05, no buoyancy
// reduction.
ProjectSettings BuriedSettings() {
  ProjectSettings s;
  s.GetLoadSettings().SetAnalysisMethod(0);
  s.GetGeologySettings().SetSoilLayers({SoilLayer("粉质黏土", 10.0, 18.0, 20.0)});
  s.GetGeologySettings().SetBurialDepth(4.825);
  s.GetGeologySettings().SetGroundwaterDepth(2.0);
  s.GetGeologySettings().SetBearingCapacity(150.0);
  s.GetCalcSettings().SetBuoyancyReductionFactor(1.0);
  s.GetCalcSettings().SetAntiFloatSafetyFactor(1.05);
  s.GetCalcSettings().SetTemperatureConsidered(false);
  return s;
}

// The base moments of a wall on its two faces as magnitudes: the face the
// normal points to (upper) and the other one.
struct BaseMoments {
  double upper, lower;
  int upperCase, lowerCase;
};

BaseMoments Base(const Board& w) {
  const BoardEdge& base = w.GetEdges()[0];
  return {base.GetUpperBasicMoment(), -base.GetLowerBasicMoment(), base.GetUpperCombination(),
          base.GetLowerCombination()};
}

bool Has(const std::vector<std::string>& lines, const std::string& text) {
  for (const std::string& l : lines)
    if (l.find(text) != std::string::npos) return true;
  return false;
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string s;
  for (const std::string& l : lines) s += l + "\n";
  return s;
}

}  // namespace

// The design water depth of the settings fills the cells: 2.0 m of water
// above the bottom slab's top face (−3.000) in an open tank whose walls
// reach 3.8 m above it.  The wall (20 m long, 4 m from the slab's mid-plane:
// nearly a cantilever) carries the water over 2.2 m of its height against 4.0 m
// full, so its base moment falls by (2.2 / 4.0)³; the water weight by
// 2.0 / 3.8.
//   full: 1.27 × 10 × 4.0³ / 6 = 135.47 kN·m/m; half: 1.27 × 10 × 2.2³ / 6
//   = 22.54 kN·m/m.
TEST(AnalysisLoads, DesignWaterDepthFillsTheCells) {
  ProjectSettings full = AboveGroundSettings();
  ProjectSettings half = full;
  half.GetLoadSettings().SetDesignWaterDepth(2.0);

  double weight[2] = {0, 0}, moment[2] = {0, 0};
  const ProjectSettings* settings[2] = {&full, &half};
  for (int k = 0; k < 2; ++k) {
    Tank tank;
    ASSERT_TRUE(fixtures::MakeRegularTank(tank, fixtures::RegularLayout(1, 1, false, 20000, 20000)));
    ProjectSettings s = *settings[k];
    Prepare(tank, s);
    tobrin::TankActions actions;
    std::string reason;
    ASSERT_TRUE(tobrin::ComputeActions(tank, s, actions, reason)) << reason;
    weight[k] = actions.waterWeight;
    ASSERT_TRUE(AnalyseTank(tank, s)) << GetLastAnalysisError();
    ASSERT_EQ(tank.GetCells().size(), 1u);
    EXPECT_NEAR(tank.GetCells()[0]->GetWaterLevel(), k == 0 ? 3800.0 : 2000.0, 1e-6);
    const BoardPtr wall = WallAt(tank, 10000, 0);
    ASSERT_TRUE(wall);
    const BaseMoments m = Base(*wall);
    moment[k] = std::max(m.upper, m.lower);
  }
  EXPECT_NEAR(weight[1] / weight[0], 2.0 / 3.8, 1e-9);
  // The wall is a plate clamped at its ends (b/H = 5): its base moment at
  // mid-length lies a few percent under the cantilever's.
  EXPECT_NEAR(moment[0], 1.27 * 10 * 64.0 / 6, 0.06 * moment[0]);
  EXPECT_NEAR(moment[1] / moment[0], std::pow(2.2 / 4.0, 3), 0.02 * std::pow(2.2 / 4.0, 3));

  // The designer's analysis takes the depth from its settings too, and a
  // negative depth fills the cells to the top again.
  Tank tank;
  ASSERT_TRUE(fixtures::MakeRegularTank(tank, fixtures::RegularLayout(1, 1, false, 20000, 20000)));
  Prepare(tank, full);
  ASSERT_TRUE(AnalyseTank(tank, half));
  EXPECT_NEAR(tank.GetCells()[0]->GetWaterLevel(), 2000.0, 1e-6);
  ASSERT_TRUE(AnalyseTank(tank, full));
  EXPECT_NEAR(tank.GetCells()[0]->GetWaterLevel(), 3800.0, 1e-6);
}

// The loadings: every case with all its cells filled, and in a tank of
// several cells each cell full alone in the cases with water, each cell
// empty with the others full in the case with soil too (a pattern that
// repeats another is left out: with two cells, one empty is the other
// full).
TEST(AnalysisLoads, CellPatternsOfTheLoadCases) {
  struct Row {
    std::uint32_t cx, cy;
    std::vector<int> perCase;  // loadings of cases 0..3
  };
  for (const Row& row : {Row{1, 1, {1, 1, 1, 1}}, Row{2, 1, {3, 1, 3, 1}}, Row{3, 1, {7, 1, 4, 1}},
                         Row{3, 2, {13, 1, 7, 1}}}) {
    Tank tank;
    ASSERT_TRUE(fixtures::MakeRegularTank(tank, fixtures::RegularLayout(row.cx, row.cy, true)));
    const ProjectSettings s = BuriedSettings();
    Prepare(tank, s);
    tobrin::TankActions actions;
    std::string reason;
    ASSERT_TRUE(tobrin::ComputeActions(tank, s, actions, reason)) << reason;
    ASSERT_EQ(actions.waterCells.size(), row.cx * row.cy);
    const std::vector<tobrin::CaseLoading> loadings = tobrin::CaseLoadings(actions);
    std::vector<int> perCase(4, 0);
    int last = 0;
    for (const tobrin::CaseLoading& l : loadings) {
      ASSERT_GE(l.loadCase, last) << "cases in order";
      last = l.loadCase;
      ++perCase[l.loadCase];
    }
    EXPECT_EQ(perCase, row.perCase) << row.cx << "x" << row.cy;
    // Each case starts with all its cells as the case has them.
    for (int c = 0; c < 4; ++c) {
      const auto first = std::find_if(loadings.begin(), loadings.end(),
                                      [c](const tobrin::CaseLoading& l) { return l.loadCase == c; });
      ASSERT_NE(first, loadings.end());
      EXPECT_EQ(first->cell, -1);
    }
  }
}

// A wall between two cells carries water on one side when one cell is full
// and its neighbour empty: the partition of an open two-cell tank (6 m × 4 m,
// fixed at its base and sides, free at the top, like the end walls) has the
// base moment of a wall under one-sided water on both faces: that of the end
// wall of the same size, which always sees one-sided water, in the board
// method (whose base is fixed); the shell model, whose end walls turn with
// the slab's free edge, within 15 % of it.  The governing case is a case with
// water, so the legend of the four cases holds.
TEST(AnalysisLoads, PartitionWallCarriesOneSidedWater) {
  double reference = 0.0;
  for (int method : {0, 1}) {
    Tank tank;
    ASSERT_TRUE(fixtures::MakeRegularTank(tank, fixtures::RegularLayout(2, 1, false, 12000, 6000)));
    ProjectSettings s = AboveGroundSettings();
    s.GetLoadSettings().SetAnalysisMethod(method);
    Prepare(tank, s);
    ASSERT_TRUE(AnalyseTank(tank, s)) << GetLastAnalysisError();
    const BoardPtr partition = WallAt(tank, 6000, 3000);
    const BoardPtr end = WallAt(tank, 0, 3000);
    ASSERT_TRUE(partition && end);
    const BaseMoments p = Base(*partition);
    if (method == 0) {
      const BaseMoments e = Base(*end);
      reference = std::max(e.upper, e.lower);
      // A plate of b/H = 1.5 under 1.27 × 40 kPa at its base: about 0.06 qH².
      ASSERT_GT(reference, 0.04 * 1.27 * 40 * 16);
    }
    const double tolerance = method == 0 ? 0.02 : 0.15;
    for (double face : {p.upper, p.lower})
      EXPECT_NEAR(face, reference, tolerance * reference) << "method " << method;
    for (int c : {p.upperCase, p.lowerCase}) EXPECT_TRUE(c == 0 || c == 2) << c;
    // Its horizontal span moment, too.
    EXPECT_GT(std::max(partition->GetUpperXBasicMoment(), -partition->GetLowerXBasicMoment()), 1.0)
        << "method " << method;
  }
}

// Anti-floating and bearing checks of the buried 6 m × 6 m tank (walls
// 300 mm on the 6.0 m axis square, 4.0 m from the bottom slab's mid-plane,
// bottom slab 400, top slab 250), by hand, with the 500 mm overhang and
// without one.  The concrete is weighed as it is cast: the walls between
// the slab faces (4.0 − 0.20 − 0.125 = 3.675 m high), the slabs to the
// walls' outer faces; the cover and the ground live load over the top
// slab's whole top face.
//
// With the overhang C = 500:
//   base to the overhang's edge 7.3 × 7.3 = 53.29 m² (axis square 36 +
//   17.29); outer wall faces 6.3 × 6.3 = 39.69 m²; soil on the overhang
//   53.29 − 39.69 = 13.60 m².
//   Gc: walls (39.69 − 5.7 × 5.7) × 3.675 × 25 = 7.20 × 3.675 × 25 =
//   661.50, bottom slab 53.29 × 0.40 × 25 = 532.90, top slab 39.69 × 0.25
//   × 25 = 248.0625: 1442.4625 kN.
//   Gt: cover 0.5 m (top face +0.925), 18 × 0.5 × 39.69 = 357.21 kN.
//   Gs: at the bottom slab's top face (−3.000, 4.425 m below ground) soil
//   18 × 2.0 + 8 × 2.425 = 55.40 and water 10 × 2.425 = 24.25, 79.65 kPa
//   × 13.60 = 1083.24 kN.  G = 2882.9125 kN.
//   hw = 2.825 m, F = 10 × 2.825 × 53.29 = 1505.4425 kN, G/F = 1.915.
//   Bearing, case 0 standard: water 10 × (36 − 24 × 0.15 + 4 × 0.15²) ×
//   3.675 = 1194.0075 kN; live 0.9 × 10 × (39.69 + 13.60) = 479.61 kN;
//   ΣN = 1442.4625 + 1194.0075 + 357.21 + 1083.24 + 479.61 = 4556.53 kN;
//   lowest groundwater (none given: no uplift) pk = 4556.53 / 53.29 = 85.50;
//   highest, uplift deducted, (4556.53 − 1505.4425) / 53.29 = 57.25;
//   pk = 85.50 kPa ≤ 150.
// Without an overhang:
//   base = outer wall faces 39.69 m², no soil on it.
//   Gc = 661.50 + 39.69 × 0.40 × 25 (396.90) + 248.0625 = 1306.4625 kN,
//   G = 1306.4625 + 357.21 = 1663.6725 kN, F = 10 × 2.825 × 39.69 =
//   1121.2425 kN, G/F = 1.484.
//   Bearing: live 0.9 × 10 × 39.69 = 357.21 kN; ΣN = 1306.4625 + 1194.0075 +
//   357.21 + 357.21 = 3214.89 kN, pk = 3214.89 / 39.69 = 81.00 kPa.
TEST(AnalysisLoads, AntiFloatingAndBearingChecksMatchHandCalculation) {
  struct Row {
    double overhang;
    double baseArea, soilArea;
    std::vector<std::string> antiFloat, bearing;
  };
  const std::vector<Row> rows = {
      {500.0,
       53.29,
       13.60,
       {"=池壁661.50+底板(含外伸)532.90+顶板248.06=1442.46kN", "Gt=357.21kN", "Gs=1083.24kN",
        "G=Gc+Gt+Gs=2882.91kN", "=1505.44kN", "G/F=2882.91/1505.44=1.915≥Kf=1.05,满足抗浮要求"},
       {"Gw=1194.01kN", "Q=479.61kN", "pk1=(Gc+Gw+Gt+Gs+Q)/A=4556.53/53.290=85.50kPa",
        "pk2=(Gc+Gw+Gt+Gs+Q-F)/A=3051.0", "/53.290=57.25kPa", "pk=max(pk1,pk2)=85.50kPa",
        "pk=85.50kPa≤fa=150.00kPa,满足地基承载力要求"}},
      {0.0,
       39.69,
       0.0,
       {"=池壁661.50+底板(含外伸)396.90+顶板248.06=1306.46kN", "Gs=0.00kN", "G=Gc+Gt+Gs=1663.67kN",
        "G/F=1663.67/1121.24=1.484≥Kf=1.05"},
       {"Q=357.21kN", "pk1=(Gc+Gw+Gt+Gs+Q)/A=3214.89/39.690=81.00kPa", "pk=81.00kPa≤fa=150.00kPa"}},
  };
  for (const Row& row : rows) {
    Tank tank;
    ASSERT_TRUE(fixtures::MakeRegularTank(tank, fixtures::RegularLayout(1, 1, true, 6000, 6000)));
    ProjectSettings s = BuriedSettings();
    Prepare(tank, s, row.overhang);
    tobrin::TankActions actions;
    std::string reason;
    ASSERT_TRUE(tobrin::ComputeActions(tank, s, actions, reason)) << reason;
    EXPECT_NEAR(actions.baseArea, row.baseArea, 1e-6) << row.overhang;
    EXPECT_NEAR(actions.overhangArea, row.soilArea, 1e-6) << row.overhang;

    ASSERT_TRUE(AnalyseTank(tank, s)) << GetLastAnalysisError();
    const std::vector<std::string> af = GetAntiFloatCheckText();
    const std::vector<std::string> br = GetBearingCheckText();
    for (const std::string& t : row.antiFloat) EXPECT_TRUE(Has(af, t)) << t << "\n" << Joined(af);
    for (const std::string& t : row.bearing) EXPECT_TRUE(Has(br, t)) << t << "\n" << Joined(br);
    TankCheckResult checks;
    ASSERT_TRUE(CheckTank(tank, s, checks));
    EXPECT_TRUE(checks.Passed());
  }
}

// The buried two-cell example weighed as its concrete is cast, every cubic
// metre once (12 × 6 m between the outer wall axes, two 6 × 6 m cells;
// walls 300 from the bottom slab's upper face at −4.50 to the top slab's
// underside at −0.75, with a 1000 × 800 opening in wall 1; bottom slab 400
// with the 500 mm overhang beyond the walls' outer faces; top slab 250
// with a round opening of radius 350 in top slab 1), by hand:
//   walls: plan 12.3 × 6.3 − 2 × 5.7 × 5.7 = 77.49 − 64.98 = 12.51 m²,
//     × 3.75 m = 46.9125 m³, less the opening 1.0 × 0.8 × 0.3 = 0.24:
//     46.6725 m³;
//   bottom slab to the overhang's edge 13.3 × 7.3 = 97.09 m² × 0.40 =
//     38.836 m³, of it the overhang beyond the slab edges on the axes
//     97.09 − 72 = 25.09 m² × 0.40 = 10.036 m³;
//   top slab to the walls' outer faces 77.49 − π × 0.35² = 77.105155 m²,
//     × 0.25 = 19.276289 m³;
//   the soil (and its water) over the top slab on those 77.105155 m², on the
//     overhang outside the walls' outer faces on 97.09 − 77.49 = 19.60 m².
// Axis length × height between the slab mid-planes gave the walls 42 ×
// 4.075 × 0.3 − 0.24 = 51.105 m³ (the wall–slab overlaps twice), and the
// top slab and its cover only the axis area, 72 m² less the opening.
TEST(AnalysisLoads, BuriedTwoCellWeighsItsConcreteOnce) {
  TankDesigner designer;
  const std::string name = "buried-two-cell";
  tank::app::BuildNewTank(designer, tank::app::ReadProject(tank::app::ExampleProject(name), name), name);
  const ProjectSettings& s = designer.GetSettings();
  tobrin::TankActions a;
  std::string reason;
  ASSERT_TRUE(tobrin::ComputeActions(designer.GetTank(), s, a, reason)) << reason;
  const double gc = s.GetCalcSettings().GetConcreteUnitWeight();
  const double topFace = 77.49 - g_Pi * 0.35 * 0.35;
  double walls = 0.0, bottoms = 0.0, tops = 0.0, cover = 0.0;
  for (const tobrin::BoardActions& b : a.boards) {
    const int kind = b.board->GetKind();
    (kind == 0 ? walls : kind == 1 ? bottoms : tops) += b.weight[tobrin::kSelfWeight];
    if (kind != 2) continue;
    cover += b.weight[tobrin::kSoil] + b.weight[tobrin::kGroundwater];
    EXPECT_GT(b.pressure[tobrin::kSoil], 0.0);
    EXPECT_NEAR(b.weight[tobrin::kSoil] + b.weight[tobrin::kGroundwater],
                (b.pressure[tobrin::kSoil] + b.pressure[tobrin::kGroundwater]) *
                    (b.board->GetNumber() == 1 ? 77.49 / 2 - g_Pi * 0.35 * 0.35 : 77.49 / 2),
                1e-6)
        << b.name;
  }
  EXPECT_NEAR(walls, gc * 46.6725, 1e-6);
  EXPECT_NEAR(bottoms + a.overhangWeight[tobrin::kSelfWeight], gc * 38.836, 1e-6);
  EXPECT_NEAR(a.overhangWeight[tobrin::kSelfWeight], gc * 10.036, 1e-6);
  EXPECT_NEAR(tops, gc * topFace * 0.25, 1e-6);
  EXPECT_NEAR(a.baseArea, 97.09, 1e-9);
  EXPECT_NEAR(a.overhangArea, 19.60, 1e-9);
  const double atSlab = a.site.EffectiveStress(-4500.0) + a.site.WaterPressure(-4500.0);
  EXPECT_NEAR(a.overhangWeight[tobrin::kSoil] + a.overhangWeight[tobrin::kGroundwater], atSlab * 19.60, 1e-6);

  const tobrin::TankChecks c = tobrin::ComputeChecks(a, s);
  EXPECT_NEAR(c.structure, gc * (46.6725 + 38.836 + topFace * 0.25), 1e-6);
  EXPECT_NEAR(c.cover, cover, 1e-9);
  EXPECT_NEAR(c.resist, c.structure + cover + atSlab * 19.60, 1e-6);
}

// Upward user loads on the top slab of the buried 6 m × 6 m tank of the
// checks above (G = 2882.9125 kN, F = 1505.4425 kN, A = 53.29 m²; a
// whole-slab load acts on the slab's 36 m² between the wall axes).  They
// are unfavourable for the anti-floating check and count there at their
// full value (Gu); for the bearing check a variable one relieves the base
// and is left out of pk, but with ψc it takes the least base pressure, at
// the highest groundwater level, pmin = (Gc + Gw + Gt + Gs + Gq + Qu − F)
// / A, which must not fall below zero (permanent loads 4076.92 kN without
// the live loads):
//   −50 kPa live: Gu = −1800, G = 1082.91, G/F = 0.719 (fails);
//     Qu = 0.9 × −1800 = −1620, pmin = (4076.92 − 1620 − 1505.4425) / 53.29
//     = 17.85 kPa, pk = 85.50 as without the load (passes);
//   −500 kPa live: Gu = −18000, G/F < 0 (fails); Qu = −16200, pmin =
//     (4076.92 − 16200 − 1505.4425) / 53.29 = −255.74 kPa: the base lifts
//     (fails, whatever pk);
//   −50 kPa permanent (Qg): Gu = −1800 as above (fails); Gq = −1800 in
//     every pressure: pk = (4556.53 − 1800) / 53.29 = 51.73 (passes).
TEST(AnalysisLoads, UpwardUserLoadsCountWhereUnfavourable) {
  struct Row {
    double kpa;
    int type;  // 5 live, 2 permanent
    bool antiFloatOk, bearingOk;
    std::vector<std::string> antiFloat, bearing;
  };
  const std::vector<Row> rows = {
      {-50.0, 5, false, true,
       {"Gu=-1800.00kN", "G=Gc+Gt+Gs+Gu=1082.91kN", "G/F=1082.91/1505.44=0.719<Kf=1.05,不满足抗浮要求"},
       {"Q=479.61kN", "Qu=-1620.00kN", "pmin=(Gc+Gw+Gt+Gs+Qu-F)/A=17.85kPa", "pk=85.50kPa≤fa=150.00kPa",
        "pmin=17.85kPa≥0,满足地基承载力要求"}},
      {-500.0, 5, false, false,
       {"Gu=-18000.00kN", "不满足抗浮要求"},
       {"Qu=-16200.00kN", "pmin=(Gc+Gw+Gt+Gs+Qu-F)/A=-255.74kPa", "pk=85.50kPa≤fa=150.00kPa",
        "pmin=-255.74kPa<0,基底上拔(基底压力为负),不满足地基承载力要求"}},
      {-50.0, 2, false, true,
       {"Gu=-1800.00kN", "G=Gc+Gt+Gs+Gu=1082.91kN", "不满足抗浮要求"},
       {"Gq=-1800.00kN", "pk1=(Gc+Gw+Gt+Gs+Gq+Q)/A=2756.53/53.290=51.73kPa", "pk=51.73kPa≤fa=150.00kPa,满足地基承载力要求"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.kpa);
    Tank tank;
    ASSERT_TRUE(fixtures::MakeRegularTank(tank, fixtures::RegularLayout(1, 1, true, 6000, 6000)));
    ProjectSettings s = BuriedSettings();
    Prepare(tank, s, 500.0);
    auto load = boost::make_shared<AreaLoad>();
    load->SetDistribution(2);
    load->SetLoadType(row.type);
    load->SetValue(row.kpa);
    tank.GetTopSlabs().front()->AddLoad(load);
    ASSERT_TRUE(AnalyseTank(tank, s)) << GetLastAnalysisError();
    const std::vector<std::string> af = GetAntiFloatCheckText();
    const std::vector<std::string> br = GetBearingCheckText();
    for (const std::string& t : row.antiFloat) EXPECT_TRUE(Has(af, t)) << t << "\n" << Joined(af);
    for (const std::string& t : row.bearing) EXPECT_TRUE(Has(br, t)) << t << "\n" << Joined(br);
    TankCheckResult checks;
    ASSERT_TRUE(CheckTank(tank, s, checks));
    EXPECT_EQ(checks.antiFloatOk, row.antiFloatOk);
    EXPECT_EQ(checks.bearingOk, row.bearingOk);
  }

  // Without groundwater nothing but the loads can lift the tank: the
  // anti-floating check fails when they outweigh it.
  Tank tank;
  ASSERT_TRUE(fixtures::MakeRegularTank(tank, fixtures::RegularLayout(1, 1, true, 6000, 6000)));
  ProjectSettings s = fixtures::AboveGroundSettings();
  Prepare(tank, s, 500.0);
  auto load = boost::make_shared<AreaLoad>();
  load->SetDistribution(2);
  load->SetLoadType(5);
  load->SetValue(-500.0);
  tank.GetTopSlabs().front()->AddLoad(load);
  TankCheckResult checks;
  ASSERT_TRUE(CheckTank(tank, s, checks));
  EXPECT_FALSE(checks.antiFloatOk);
  EXPECT_FALSE(checks.bearingOk);
}

// The bearing check fails on the pressure without uplift, which the check at
// the highest groundwater level alone would pass (fa between 57.25 and
// 85.50 kPa); a raised Kf fails the anti-floating check.  Both failures show
// in the texts and in the result the host reports.
TEST(AnalysisLoads, ChecksFailOnTheUnfavourableGroundwaterLevel) {
  Tank tank;
  ASSERT_TRUE(fixtures::MakeRegularTank(tank, fixtures::RegularLayout(1, 1, true, 6000, 6000)));
  ProjectSettings s = BuriedSettings();
  s.GetGeologySettings().SetBearingCapacity(70.0);
  Prepare(tank, s, 500.0);
  ASSERT_TRUE(AnalyseTank(tank, s)) << GetLastAnalysisError();
  EXPECT_TRUE(Has(GetBearingCheckText(), "pk=85.50kPa>fa=70.00kPa,不满足地基承载力要求"))
      << Joined(GetBearingCheckText());
  TankCheckResult checks;
  ASSERT_TRUE(CheckTank(tank, s, checks));
  EXPECT_TRUE(checks.antiFloatOk);
  EXPECT_FALSE(checks.bearingOk);
  EXPECT_FALSE(checks.Passed());

  s.GetGeologySettings().SetBearingCapacity(150.0);
  s.GetCalcSettings().SetAntiFloatSafetyFactor(2.0);
  ASSERT_TRUE(AnalyseTank(tank, s));
  EXPECT_TRUE(Has(GetAntiFloatCheckText(), "1.915<Kf=2.00,不满足抗浮要求"));
  ASSERT_TRUE(CheckTank(tank, s, checks));
  EXPECT_FALSE(checks.antiFloatOk);
  EXPECT_TRUE(checks.bearingOk);
}

// The top slab's load text states the loads the analysis applies, the
// user's uniform area load included: the basic q of each case equals the
// uniform pressure the analysis puts on the slab; a load on a part of the
// slab is stated with where it acts.
TEST(AnalysisLoads, TopSlabTextIncludesUserAreaLoads) {
  Tank tank;
  ASSERT_TRUE(fixtures::MakeRegularTank(tank, fixtures::RegularLayout(1, 1, true, 6000, 6000)));
  ProjectSettings s = BuriedSettings();
  Prepare(tank, s, 500.0);
  const BoardPtr top = tank.GetTopSlabs().front();
  auto load = boost::make_shared<AreaLoad>();
  load->SetDistribution(2);
  load->SetLoadType(5);  // live
  load->SetValue(5.0);
  top->AddLoad(load);
  // A dead load on a part of the slab (2 m × 1 m): stated on a line of its
  // own with where it acts.
  auto part = boost::make_shared<AreaLoad>();
  part->SetDistribution(1);
  part->SetLoadType(2);  // dead
  part->SetValue(3.0);
  part->SetRegion(_2dPolyline(std::vector<_3dPoint>{{1000, 1000, 0}, {3000, 1000, 0}, {3000, 2000, 0}, {1000, 2000, 0}}));
  top->AddLoad(part);
  ASSERT_TRUE(AnalyseTank(tank, s)) << GetLastAnalysisError();
  const std::vector<SlabLoadText> texts = GetTopSlabLoadText();
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_TRUE(Has(texts[0].lines, "板上局部恒载(Qg): q=3.00kN/m$2$")) << Joined(texts[0].lines);
  EXPECT_TRUE(Has(texts[0].lines, "板上恒载(Qg)合计: 6.00kN")) << Joined(texts[0].lines);

  tobrin::TankActions actions;
  std::string reason;
  ASSERT_TRUE(tobrin::ComputeActions(tank, s, actions, reason)) << reason;
  std::size_t index = 0;
  while (actions.boards[index].board != top) ++index;
  for (int c = 0; c < 4; ++c) {
    const tobrin::PlateLoadCase lc = tobrin::CombinedLoads(actions, index, c, tobrin::kBasic, s.GetLoadSettings(), false);
    double q = 0.0;  // the uniform pressures over the whole slab
    for (const tobrin::PlateAreaLoad& a : lc.areas)
      if (!std::isfinite(a.x0)) q += std::fabs(a.q0);
    const std::string label = std::string("工况") + std::to_string(c + 1) + "(" + TobrinLoadCaseName(c) + "): 基本组合q=";
    std::string line;
    for (const std::string& l : texts[0].lines)
      if (l.rfind(label, 0) == 0) line = l;
    ASSERT_FALSE(line.empty()) << label;
    // "…=31.53kN/m$2$, 标准组合…": the value after the last '=' before the unit.
    const std::size_t unit = line.find("kN/m$2$");
    const std::size_t eq = line.rfind('=', unit);
    EXPECT_NEAR(std::stod(line.substr(eq + 1, unit - eq - 1)), q, 0.006) << line;
    EXPECT_NE(line.find("×5.00"), std::string::npos) << line;
  }
}

// Live loads are variable: they count only where they are unfavourable.
// Each tank is analysed with its live load and again with that load set to
// zero.  No value of any board may be smaller with the live load than
// without it (the loading without the live load is always among those the
// envelope takes), and the value the live load relieves is the one without
// it in all three combinations: the inner base moment of the walls (water
// inside bends them that way; the top slab's load and the surcharge on the
// outer faces bend them back).  The live load still counts where it adds:
// the top slab's span moment with the top-slab live load.
//   covered 6 m × 6 m one-cell tank above ground (bottom slab 600 mm), 10
//   kPa on the top slab: taken in every loading, it lowered the inner base
//   moment of the walls from 29.38 to 26.78 kN·m/m with method 0 (through
//   the bottom slab's ground reaction and the joint) and from 21.85 to
//   20.79 with method 1;
//   a buried two-cell tank 12 m × 6 m (ground +1.425), 10 kPa ground live
//   load (on the cover and as surcharge Ka·q on the walls), no top-slab
//   live load.
TEST(AnalysisLoads, LiveLoadsCountOnlyWhereUnfavourable) {
  struct Row {
    const char* name;
    int method;
    bool buried;
    bool user;  // the live load entered on the top slab by the user instead of the settings' one
  };
  const std::vector<Row> rows = {{"covered, top-slab live load", 0, false, false},
                                 {"covered, top-slab live load", 1, false, false},
                                 {"buried, ground live load", 0, true, false},
                                 {"buried, ground live load", 1, true, false},
                                 {"covered, user live load on the top slab", 0, false, true},
                                 {"covered, user live load on the top slab", 1, false, true}};
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.name) + ", method " + std::to_string(row.method));
    Tank tanks[2];
    for (int live = 0; live < 2; ++live) {
      ProjectSettings s = row.buried ? BuriedSettings() : AboveGroundSettings();
      s.GetLoadSettings().SetAnalysisMethod(row.method);
      s.GetLoadSettings().SetTopSlabLiveLoad(!row.buried && !row.user && live ? 10.0 : 0.0);
      s.GetLoadSettings().SetGroundLiveLoad(row.buried && live ? 10.0 : 0.0);
      TankLayoutParams layout = row.buried ? fixtures::RegularLayout(2, 1, true, 12000, 6000)
                                           : fixtures::RegularLayout(1, 1, true, 6000, 6000);
      layout.bottomSlabThickness = 600;
      ASSERT_TRUE(fixtures::MakeRegularTank(tanks[live], layout));
      Prepare(tanks[live], s, row.buried ? 500.0 : 0.0);
      if (row.user && live) {
        auto load = boost::make_shared<AreaLoad>();
        load->SetDistribution(2);
        load->SetLoadType(5);  // live
        load->SetValue(10.0);
        tanks[live].GetTopSlabs().front()->AddLoad(load);
      }
      ASSERT_TRUE(AnalyseTank(tanks[live], s)) << GetLastAnalysisError();
    }
    const std::vector<BoardPtr> without = tanks[0].GetBoards(), with = tanks[1].GetBoards();
    ASSERT_EQ(without.size(), with.size());
    const auto near = [](double a, double b) { return std::fabs(a - b) <= 1e-6 * std::max(1.0, std::fabs(b)); };
    for (std::size_t i = 0; i < with.size(); ++i) {
      const std::string name = tobrin::BoardName(*with[i]);
      std::vector<std::pair<const FaceValues*, const FaceValues*>> faces;  // with, without
      for (bool upper : {true, false}) {
        for (bool x : {true, false}) faces.push_back({&with[i]->GetFaceValues(upper, x), &without[i]->GetFaceValues(upper, x)});
        for (std::size_t e = 0; e < with[i]->GetEdges().size(); ++e)
          faces.push_back({&with[i]->GetEdges()[e].GetFaceValues(upper), &without[i]->GetEdges()[e].GetFaceValues(upper)});
      }
      for (const auto& [w, wo] : faces)
        EXPECT_GE(std::fabs(w->basicMoment), std::fabs(wo->basicMoment) * (1 - 1e-9)) << name;
      if (with[i]->GetKind() != 0) continue;
      const bool innerUpper = !with[i]->IsUpperFaceOuter();
      const FaceValues& w = with[i]->GetEdges()[0].GetFaceValues(innerUpper);
      const FaceValues& wo = without[i]->GetEdges()[0].GetFaceValues(innerUpper);
      ASSERT_GT(std::fabs(wo.basicMoment), 5.0) << name;
      EXPECT_TRUE(near(w.basicMoment, wo.basicMoment)) << name << ": " << w.basicMoment << " / " << wo.basicMoment;
      EXPECT_TRUE(near(w.standardMoment, wo.standardMoment)) << name << ": " << w.standardMoment << " / " << wo.standardMoment;
      EXPECT_TRUE(near(w.quasiMoment, wo.quasiMoment)) << name << ": " << w.quasiMoment << " / " << wo.quasiMoment;
    }
    if (!row.buried) {
      const BoardPtr topWith = tanks[1].GetTopSlabs().front(), topWithout = tanks[0].GetTopSlabs().front();
      // The slab's underside is in tension at mid-span.
      const bool upperIsUnderside = topWith->GetNormal().z < 0;
      const double mWith = std::fabs(topWith->GetFaceValues(upperIsUnderside, true).basicMoment);
      const double mWithout = std::fabs(topWithout->GetFaceValues(upperIsUnderside, true).basicMoment);
      EXPECT_GT(mWith, mWithout * 1.2) << mWith << " / " << mWithout;
    }
  }
}
