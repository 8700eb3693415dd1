// The rebar design of a whole tank through the designer: the order of its
// progress reports, the refusal of a tank without a current analysis, a
// failed run that leaves the tank as it was, repeatable runs, the support
// bars' crack widths, bar-mark numbering and wall-face unification.
#include "app/NewTank.h"
#include "app/ProjectFile.h"
#include "designer/TankDesigner.h"
#include "platform/Tobrin.h"
#include "rebar/SectionDesign.h"
#include "tests/host_run.h"
#include "tests/rebar_fixtures.h"
#include "tests/tank_fixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>
#include <vector>

namespace {

using fixtures::StoreTank;
using rebarfx::MakeBoard;

std::vector<int> g_reports;
int g_throwAt = -1;

void Record(int percent, int* reserved) {
  ASSERT_NE(reserved, nullptr);
  EXPECT_EQ(*reserved, 0);
  g_reports.push_back(percent);
  if (percent == g_throwAt) throw std::logic_error("step failed");
}

class DesignerRebar : public HostCommandTest {
 protected:
  void SetUp() override {
    HostCommandTest::SetUp();
    g_reports.clear();
    g_throwAt = -1;
  }
  void Build(TankDesigner& designer, bool analyse = true) {
    tank::app::BuildNewTank(designer, tank::app::ReadProject(tank::app::ExampleProject("buried-two-cell"), "x"), "x");
    if (analyse) {
      ASSERT_TRUE(designer.Analyse()) << GetLastAnalysisError();
    }
  }
};

TEST_F(DesignerRebar, ProgressRunsThroughTheStepsInOrder) {
  TankDesigner designer;
  Build(designer);
  designer.GetSettings().GetReinSettings().SetUnitMergeOn(false);
  designer.DesignRein(&Record);
  // 10, 20, then 20 + 20/U per unit (integer part), then the fixed tail.
  const std::size_t units = designer.GetTank().GetUnits().size();
  ASSERT_GT(units, 0u);
  std::vector<int> expected = {10, 20};
  double at = 20.0;
  for (std::size_t i = 0; i < units; ++i) {
    at += 20.0 / static_cast<double>(units);
    expected.push_back(static_cast<int>(at));
  }
  for (int p : {40, 50, 60, 80, 80, 90}) expected.push_back(p);
  EXPECT_EQ(g_reports, expected);
  // The design run is not a model change: the analysis still holds.
  EXPECT_TRUE(IsTankAnalysed(designer.GetTank(), designer.GetSettings()));
}

TEST_F(DesignerRebar, TankWithoutCurrentAnalysisIsRefused) {
  TankDesigner designer;
  Build(designer, false);
  const std::vector<std::uint8_t> before = StoreTank(designer.GetTank());
  EXPECT_THROW(designer.DesignRein(&Record), std::runtime_error);
  EXPECT_TRUE(g_reports.empty());
  EXPECT_EQ(StoreTank(designer.GetTank()), before);
  // A new analysis clears the design-done flag.
  designer.SetReinDesigned(true);
  ASSERT_TRUE(designer.Analyse());
  EXPECT_FALSE(designer.IsReinDesigned());
  EXPECT_NO_THROW(designer.DesignRein(nullptr));
}

TEST_F(DesignerRebar, FailedRunLeavesTheTankAsItWas) {
  TankDesigner designer;
  Build(designer);
  const std::vector<std::uint8_t> before = StoreTank(designer.GetTank());
  // Thrown after the bars and crack widths were already written.
  g_throwAt = 50;
  EXPECT_THROW(designer.DesignRein(&Record), std::logic_error);
  EXPECT_EQ(StoreTank(designer.GetTank()), before);
  for (const BoardPtr& b : designer.GetTank().GetBoards()) EXPECT_EQ(b->GetUpperXDiameter(), 0);
}

TEST_F(DesignerRebar, SecondRunGivesTheSameDesign) {
  TankDesigner designer;
  Build(designer);
  designer.DesignRein(nullptr);
  const std::vector<std::uint8_t> first = StoreTank(designer.GetTank());
  const std::size_t supportZones = designer.GetTank().GetSupportReins().size();
  designer.DesignRein(nullptr);
  EXPECT_EQ(StoreTank(designer.GetTank()), first);
  // The junctions' support bars are made anew, not added to the first run's.
  EXPECT_FALSE(designer.GetTank().GetSupportReins().empty());
  EXPECT_EQ(designer.GetTank().GetSupportReins().size(), supportZones);
}

// Support bars crack as the face bars do: every edge face with bars carries
// the width of its own bars, a face without bars 0, never a width the formula
// cannot give.
TEST_F(DesignerRebar, SupportBarsHaveTheirOwnCrackWidths) {
  TankDesigner designer;
  Build(designer);
  designer.DesignRein(nullptr);
  const double limit = designer.GetSettings().GetCalcSettings().GetCrackWidthLimit();
  int withWidth = 0;
  for (const BoardPtr& b : designer.GetTank().GetBoards()) {
    const auto& edges = b->GetEdges();
    for (std::size_t i = 0; i < edges.size(); ++i)
      for (bool upper : {true, false}) {
        const FaceValues& v = edges[i].GetFaceValues(upper);
        ASSERT_TRUE(std::isfinite(v.crackWidth));
        if (v.diameter <= 0 || v.spacing <= 0) {
          EXPECT_EQ(v.crackWidth, 0.0);
          continue;
        }
        const double w = ComputeCrackWidthFor(designer.GetSettings(), b, false, upper, true, static_cast<int>(i),
                                              v.diameter, v.spacing);
        EXPECT_NEAR(v.crackWidth, w, 1e-12) << DescribeBarGroup(*b, static_cast<int>(i), false, upper, true);
        if (v.status == BarGroupStatus::kDesigned) {
          EXPECT_LT(v.crackWidth, limit);
        }
        if (v.crackWidth > 0.0) ++withWidth;
      }
  }
  // The example's walls are fixed along the slabs: their support bars crack.
  EXPECT_GT(withWidth, 10);
}

ReinZonePtr Zone(int kind, int diameter, int spacing, double barLength) {
  auto z = boost::make_shared<ReinZone>();
  z->SetKind(kind);
  z->SetGrade("HRB335");
  z->SetDiameter(diameter);
  z->SetSpacing(spacing);
  z->SetNumber(77);
  z->SetNumberFirst(true);
  if (barLength > 0) {
    auto bar = boost::make_shared<Rein>();
    _2dPolyline line;
    line.AppendVertex(_3dPoint(0, 0, 0));
    line.AppendVertex(_3dPoint(barLength, 0, 0));
    bar->SetPolyline(line);
    z->AddRein(bar);
  }
  return z;
}

TEST(RebarMarks, KindsInOrderEqualZonesShareAMarkAndEmptyWallZonesHaveNone) {
  Tank tank;
  const BoardPtr wall = MakeBoard(0, 3000, 4000, 300);
  const BoardPtr bottom = MakeBoard(1, 3000, 4000, 300);
  const BoardPtr top = MakeBoard(2, 3000, 4000, 200);
  tank.AddBoards({wall, bottom, top});
  // Listed walls first: the numbering still goes top slab, bottom slab, wall.
  const ReinZonePtr w1 = Zone(256, 12, 150, 2000), w2 = Zone(256, 12, 150, 2000), wEmpty = Zone(256, 12, 150, 0),
                    wNoBar = Zone(256, 0, 150, 2000);
  const ReinZonePtr b1 = Zone(16, 12, 150, 2000), b2 = Zone(16, 14, 150, 2000);
  const ReinZonePtr t1 = Zone(1, 12, 150, 2000), t2 = Zone(1, 12, 150, 2000);
  wall->GetUpperZones() = {w1, wEmpty, wNoBar};
  wall->GetLowerZones() = {w2};
  bottom->GetUpperZones() = {b1, b2};
  top->GetLowerZones() = {t1, t2};
  auto support = boost::make_shared<SupportRein>();
  support->SetKind(4096);
  support->SetDiameter(12);
  support->SetSpacing(150);
  tank.AddSupportReins({support});

  ReinDesigner().NumberReins(tank);
  struct Case {
    ReinZonePtr zone;
    int number;
    bool first;
  };
  const Case cases[] = {{t1, 1, true},      {t2, 1, false},    {b1, 2, true},  {b2, 3, true},
                        {w1, 4, true},      {w2, 4, false},    {wEmpty, 0, false}, {wNoBar, 0, false}};
  for (const Case& c : cases) {
    EXPECT_EQ(c.zone->GetNumber(), c.number);
    EXPECT_EQ(c.zone->IsNumberFirst(), c.first);
  }
  EXPECT_EQ(tank.GetSupportReins().front()->GetNumber(), 5);
}

TEST(WallFaceUnification, WeakerFaceTakesTheStrongerSet) {
  ProjectSettings settings;
  ReinDesignOptions options;
  options.SetSettings(&settings);
  struct Case {
    bool on;
    int kind;
    int dU, sU, dL, sL;
    int expectU, expectL;  // diameters after
  };
  const Case cases[] = {
      {true, 0, 16, 150, 12, 150, 16, 16},  // upper stronger: copied down
      {true, 0, 12, 150, 16, 150, 16, 16},  // lower stronger: copied up
      {true, 0, 12, 200, 12, 200, 12, 12},  // tie: the lower set goes up
      {true, 0, 12, 0, 10, 200, 10, 10},    // a face without spacing counts as no bars
      {false, 0, 16, 150, 12, 150, 16, 12}, // setting off
      {true, 1, 16, 150, 12, 150, 16, 12},  // slabs are never unified
  };
  for (const Case& c : cases) {
    settings.GetDetailingSettings().SetWallFacesUnified(c.on);
    Tank tank;
    const BoardPtr b = MakeBoard(c.kind, 3000, 4000, 300);
    tank.AddBoard(b);
    b->SetUpperXDiameter(c.dU);
    b->SetUpperXSpacing(c.sU);
    b->SetLowerXDiameter(c.dL);
    b->SetLowerXSpacing(c.sL);
    b->SetLowerXGrade("HRB400");
    UnifyWallFaces(tank, options);
    EXPECT_EQ(b->GetUpperXDiameter(), c.expectU) << c.dU << "@" << c.sU << " " << c.dL << "@" << c.sL;
    EXPECT_EQ(b->GetLowerXDiameter(), c.expectL) << c.dU << "@" << c.sU << " " << c.dL << "@" << c.sL;
    if (c.on && c.kind == 0 && c.expectU == c.dL) {
      EXPECT_EQ(b->GetUpperXGrade(), "HRB400");
    }
  }
}

}  // namespace
