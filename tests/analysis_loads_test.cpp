// What the analysis loads a tank with and what it checks, against hand
// calculations: the design water depth, single cells full or empty in a
// multi-cell tank, the base area and the soil of the anti-floating check,
// the groundwater level of the bearing check and the user loads in the slab
// load texts.
#include "platform/Tobrin.h"
#include "platform/tobrin/tank_analysis.h"
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
// without one.
//
// With the overhang C = 500:
//   base to the overhang's edge 7.3 × 7.3 = 53.29 m² (axis square 36 +
//   17.29); outer wall faces 6.3 × 6.3 = 39.69 m²; soil on the overhang
//   53.29 − 39.69 = 13.60 m².
//   Gc: walls 4 × 6.0 × 4.0 × 0.30 × 25 = 720.00, bottom slab 53.29 × 0.40
//   × 25 = 532.90, top slab 36 × 0.25 × 25 = 225.00: 1477.90 kN.
//   Gt: cover 0.5 m (top face +0.925), 18 × 0.5 × 36 = 324.00 kN.
//   Gs: at the bottom slab's top face (−3.000, 4.425 m below ground) soil
//   18 × 2.0 + 8 × 2.425 = 55.40 and water 10 × 2.425 = 24.25, 79.65 kPa
//   × 13.60 = 1083.24 kN.  G = 2885.14 kN.
//   hw = 2.825 m, F = 10 × 2.825 × 53.29 = 1505.44 kN, G/F = 1.916.
//   Bearing, case 0 standard: water 10 × (36 − 24 × 0.15 + 4 × 0.15²) ×
//   3.675 = 1194.01 kN; live 0.9 × 10 × (36 + 13.60) = 446.40 kN;
//   ΣN = 1477.90 + 1194.01 + 324.00 + 1083.24 + 446.40 = 4525.55 kN;
//   lowest groundwater (none given: no uplift) pk = 4525.55 / 53.29 = 84.92;
//   highest, uplift deducted, (4525.55 − 1505.44) / 53.29 = 56.67;
//   pk = 84.92 kPa ≤ 150.
// Without an overhang:
//   base = outer wall faces 39.69 m², no soil on it.
//   Gc = 720.00 + 39.69 × 0.40 × 25 (396.90) + 225.00 = 1341.90 kN,
//   G = 1341.90 + 324.00 = 1665.90 kN, F = 10 × 2.825 × 39.69 = 1121.24 kN,
//   G/F = 1.486.
//   Bearing: live 0.9 × 10 × 36 = 324.00 kN; ΣN = 1341.90 + 1194.01 +
//   324.00 + 324.00 = 3183.91 kN, pk = 3183.91 / 39.69 = 80.22 kPa.
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
       {"=池壁720.00+底板(含外伸)532.90+顶板225.00=1477.90kN", "Gt=324.00kN", "Gs=1083.24kN",
        "G=Gc+Gt+Gs=2885.14kN", "=1505.44kN", "G/F=2885.14/1505.44=1.916≥Kf=1.05,满足抗浮要求"},
       {"Gw=1194.01kN", "Q=446.40kN", "pk1=(Gc+Gw+Gt+Gs+Q)/A=4525.55/53.290=84.92kPa",
        "pk2=(Gc+Gw+Gt+Gs+Q-F)/A=3020.1", "/53.290=56.67kPa", "pk=max(pk1,pk2)=84.92kPa",
        "pk=84.92kPa≤fa=150.00kPa,满足地基承载力要求"}},
      {0.0,
       39.69,
       0.0,
       {"=池壁720.00+底板(含外伸)396.90+顶板225.00=1341.90kN", "Gs=0.00kN", "G=Gc+Gt+Gs=1665.90kN",
        "G/F=1665.90/1121.24=1.486≥Kf=1.05"},
       {"Q=324.00kN", "pk1=(Gc+Gw+Gt+Gs+Q)/A=3183.91/39.690=80.22kPa", "pk=80.22kPa≤fa=150.00kPa"}},
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

// The bearing check fails on the pressure without uplift, which the check at
// the highest groundwater level alone would pass (fa between 56.67 and
// 84.92 kPa); a raised Kf fails the anti-floating check.  Both failures show
// in the texts and in the result the host reports.
TEST(AnalysisLoads, ChecksFailOnTheUnfavourableGroundwaterLevel) {
  Tank tank;
  ASSERT_TRUE(fixtures::MakeRegularTank(tank, fixtures::RegularLayout(1, 1, true, 6000, 6000)));
  ProjectSettings s = BuriedSettings();
  s.GetGeologySettings().SetBearingCapacity(70.0);
  Prepare(tank, s, 500.0);
  ASSERT_TRUE(AnalyseTank(tank, s)) << GetLastAnalysisError();
  EXPECT_TRUE(Has(GetBearingCheckText(), "pk=84.92kPa>fa=70.00kPa,不满足地基承载力要求"))
      << Joined(GetBearingCheckText());
  TankCheckResult checks;
  ASSERT_TRUE(CheckTank(tank, s, checks));
  EXPECT_TRUE(checks.antiFloatOk);
  EXPECT_FALSE(checks.bearingOk);
  EXPECT_FALSE(checks.Passed());

  s.GetGeologySettings().SetBearingCapacity(150.0);
  s.GetCalcSettings().SetAntiFloatSafetyFactor(2.0);
  ASSERT_TRUE(AnalyseTank(tank, s));
  EXPECT_TRUE(Has(GetAntiFloatCheckText(), "1.916<Kf=2.00,不满足抗浮要求"));
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
  };
  const std::vector<Row> rows = {{"covered, top-slab live load", 0, false},
                                 {"covered, top-slab live load", 1, false},
                                 {"buried, ground live load", 0, true},
                                 {"buried, ground live load", 1, true}};
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.name) + ", method " + std::to_string(row.method));
    Tank tanks[2];
    for (int live = 0; live < 2; ++live) {
      ProjectSettings s = row.buried ? BuriedSettings() : AboveGroundSettings();
      s.GetLoadSettings().SetAnalysisMethod(row.method);
      s.GetLoadSettings().SetTopSlabLiveLoad(!row.buried && live ? 10.0 : 0.0);
      s.GetLoadSettings().SetGroundLiveLoad(row.buried && live ? 10.0 : 0.0);
      TankLayoutParams layout = row.buried ? fixtures::RegularLayout(2, 1, true, 12000, 6000)
                                           : fixtures::RegularLayout(1, 1, true, 6000, 6000);
      layout.bottomSlabThickness = 600;
      ASSERT_TRUE(fixtures::MakeRegularTank(tanks[live], layout));
      Prepare(tanks[live], s, row.buried ? 500.0 : 0.0);
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
