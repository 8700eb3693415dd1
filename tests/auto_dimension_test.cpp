// Automatic dimensioning of the plans: the nearest parallel lines outside
// and inside an edge, segments lengthened by the lines that continue them,
// and the four chains around a drawn outline (corners, inner faces, plan
// lines beyond the outline, reference points, sides that see no edge).
#include "designer/TankDesigner.h"
#include "drawing/AutoDimension.h"
#include "view/TankView.h"
#include "views/DrawingViews.h"

#include <boost/make_shared.hpp>
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

constexpr double kTol = 1e-6;

void ExpectSegment(const DimSegment& s, double x1, double y1, double x2, double y2) {
  EXPECT_NEAR(s.firstX, x1, kTol);
  EXPECT_NEAR(s.firstY, y1, kTol);
  EXPECT_NEAR(s.secondX, x2, kTol);
  EXPECT_NEAR(s.secondY, y2, kTol);
}

_2dLine L(double x0, double y0, double x1, double y1) { return _2dLine(_2dPoint(x0, y0), _2dPoint(x1, y1)); }

TEST(ParallelLines, NearestOutsideAndInsideOfEachEdge) {
  // Counter-clockwise square 0..1000: the bottom edge runs +x, its outside
  // is −y.
  const std::vector<_2dPoint> ring = {{0, 0}, {1000, 0}, {1000, 1000}, {0, 1000}, {0, 0}};
  const std::vector<_2dLine> lines = {
      L(100, -300, 900, -300),   // outside the bottom edge, farther
      L(-50, -100, 400, -100),   // outside, nearest: taken
      L(200, -50, 200.5, -50),   // too short to share more than 1.0
      L(0, -80, 1000, -40),      // not parallel (slope 0.04)
      L(1000, 10, 1500, 10),     // inside, shares exactly nothing of x
      L(200, 300, 800, 300),     // inside the bottom edge
      L(100, 600, 900, 600),     // inside, farther
  };
  std::vector<DimSegment> outer;
  FindOuterParallelLines(ring, lines, outer);
  ASSERT_EQ(outer.size(), 1u);
  ExpectSegment(outer[0], -50, -100, 400, -100);

  std::vector<DimSegment> out, in;
  FindParallelNeighbourLines({DimSegment(0, 0, 1000, 0)}, lines, lines, out, in);
  ASSERT_EQ(out.size(), 1u);
  ExpectSegment(out[0], -50, -100, 400, -100);
  ASSERT_EQ(in.size(), 1u);
  ExpectSegment(in[0], 200, 300, 800, 300);
  // An edge running the other way turns outside and inside round; the line
  // on the edge itself is neither.
  out.clear();
  in.clear();
  FindParallelNeighbourLines({DimSegment(1000, 300, 0, 300)}, lines, lines, out, in);
  ASSERT_EQ(out.size(), 1u);
  ExpectSegment(out[0], 100, 600, 900, 600);
  ASSERT_EQ(in.size(), 1u);
  ExpectSegment(in[0], -50, -100, 400, -100);
}

TEST(ExtendSegments, LengthenedOrJoinedByTheLinesThatContinueThem) {
  const std::vector<_2dLine> lines = {L(0, -200, 0, 0), L(0, 500, 0, 800), L(0, 800, 0, 900), L(50, 0, 50, 100)};
  std::vector<DimSegment> moved = {DimSegment(0, 0, 0, 500)};
  ExtendSegmentsAlongLines(moved, lines, false);
  ASSERT_EQ(moved.size(), 1u);
  ExpectSegment(moved[0], 0, -200, 0, 800);  // two connections, the third line is not reached

  std::vector<DimSegment> joined = {DimSegment(0, 0, 0, 500)};
  ExtendSegmentsAlongLines(joined, lines, true);
  ASSERT_EQ(joined.size(), 3u);
  ExpectSegment(joined[0], 0, -200, 0, 0);
  ExpectSegment(joined[1], 0, 800, 0, 500);
  ExpectSegment(joined[2], 0, 0, 0, 500);
}

// A plan view holding only the given outline and plan lines, dimensioned
// at 1:100 with u = 100 (drawing factor 1).
struct Plan {
  TankView view{nullptr, ViewSettings{}, ViewVolumn{}};
  void Add(const std::vector<_2dLine>& lines, int kind) {
    EntityList entities;
    for (const _2dLine& l : lines) entities.push_back(boost::make_shared<_2dLine>(l));
    view.AddEntities(entities, nullptr, std::vector<int>(entities.size(), kind), {});
  }
  // Measurements of the chains in order, with the fixed coordinate of each
  // chain's points (x for left and right, y for bottom and top).
  std::vector<std::vector<double>> Chains(std::vector<_2dLine> references = {}) {
    EntityList entities;
    std::vector<int> kinds;
    AutoDimensionPlan(view, entities, kinds, true, true, true, true, false, references, 100, 100);
    std::vector<std::vector<double>> chains;
    _2dVector last(0, 0);
    for (std::size_t i = 0; i < entities.size(); ++i) {
      EXPECT_EQ(kinds[i], 0x4000);
      auto d = boost::dynamic_pointer_cast<_2dAlignedDimension>(entities[i]);
      const _2dVector dir = d->GetSecondPoint() - d->GetFirstPoint();
      // A new chain starts where the direction turns.
      if (chains.empty() || std::fabs(dir.x * last.y - dir.y * last.x) > 1e-6) chains.emplace_back();
      // The overall dimension, from the chain's first to last point, comes
      // after its partial ones.
      chains.back().push_back(std::round(d->GetMeasurement() * 1000) / 1000);
      last = dir;
    }
    return chains;
  }
};

std::vector<_2dLine> Rectangle(double x0, double y0, double x1, double y1) {
  return {L(x0, y0, x1, y0), L(x1, y0, x1, y1), L(x1, y1, x0, y1), L(x0, y1, x0, y0)};
}

TEST(AutoDimensionPlan, RectangleAloneMeasuresItsSides) {
  Plan plan;
  plan.Add(Rectangle(0, 0, 6000, 4000), 2);
  EXPECT_EQ(plan.Chains(), (std::vector<std::vector<double>>{{4000}, {6000}, {4000}, {6000}}));
}

TEST(AutoDimensionPlan, InnerFacesSplitTheChainsAndTheOverallFollows) {
  // Walls 300 thick: the inner outline of kind 2 ends at the inner corners.
  for (bool clockwise : {false, true}) {
    Plan plan;
    std::vector<_2dLine> outline = Rectangle(0, 0, 6000, 4000);
    if (clockwise)
      for (_2dLine& l : outline) l = L(l.GetEndPoint().x, l.GetEndPoint().y, l.GetStartPoint().x, l.GetStartPoint().y);
    plan.Add(outline, 2);
    plan.Add(Rectangle(300, 300, 5700, 3700), 2);
    EXPECT_EQ(plan.Chains(), (std::vector<std::vector<double>>{{300, 3400, 300, 4000},
                                                                {300, 5400, 300, 6000},
                                                                {300, 3400, 300, 4000},
                                                                {300, 5400, 300, 6000}}))
        << clockwise;
  }
}

TEST(AutoDimensionPlan, PlanLineBeyondTheOutlineAndReferencePoints) {
  Plan plan;
  plan.Add(Rectangle(0, 0, 6000, 4000), 2);
  // A plan line 50 left of the left edge reaching 300 below the outline.
  plan.Add({L(-50, -300, -50, 2000)}, 0x40000000);
  // A horizontal reference line ending above the middle: a point of the top
  // chain at x = 2500; a vertical one ending right of it: the right chain at
  // y = 1000.
  const auto chains = plan.Chains({L(0, 3000, 2500, 3000), L(5000, 0, 5000, 1000)});
  ASSERT_EQ(chains.size(), 4u);
  EXPECT_EQ(chains[0], (std::vector<double>{300, 4000, 4300}));  // left: −300, 0, 4000
  EXPECT_EQ(chains[1], (std::vector<double>{6000}));
  EXPECT_EQ(chains[2], (std::vector<double>{1000, 3000, 4000}));
  EXPECT_EQ(chains[3], (std::vector<double>{2500, 3500, 6000}));
}

TEST(AutoDimensionPlan, SideThatSeesNoEdgeGetsNoChain) {
  // A right-angled triangle (0, 0), (6000, 0), (6000, 4000): its slanted edge
  // has its middle exactly at the middle x, so the left sees nothing.
  Plan plan;
  plan.Add({L(0, 0, 6000, 0), L(6000, 0, 6000, 4000), L(6000, 4000, 0, 0)}, 2);
  const auto chains = plan.Chains();
  ASSERT_EQ(chains.size(), 3u);
  EXPECT_EQ(chains[0], (std::vector<double>{6000}));  // bottom
  EXPECT_EQ(chains[1], (std::vector<double>{4000}));  // right
  EXPECT_EQ(chains[2], (std::vector<double>{6000}));  // top, over the slanted edge
  // Too few outline lines: nothing.
  Plan single;
  single.Add({L(0, 0, 6000, 0)}, 2);
  EXPECT_TRUE(single.Chains().empty());
}

}  // namespace

namespace {

// The designer's command on a plan view: earlier dimensions go, the four
// chains are registered and shown, the title is drawn again below them; a
// view that is not a plan is left alone.
TEST(AutoDimensionPlanCommand, RedimensionsPlanViewsOnly) {
  g_ViewBoard.Reset();
  TankDesigner designer;
  auto plan = boost::make_shared<BottomBoardReinView>(&g_ViewBoard, ViewSettings{}, ViewVolumn{});
  plan->SetScaleValues(100, 100);
  EntityList outline;
  for (const _2dLine& l : Rectangle(0, 0, 6000, 4000)) outline.push_back(boost::make_shared<_2dLine>(l));
  plan->AddEntities(outline, nullptr, std::vector<int>(4, 2), {});
  const EntityPtr old = boost::make_shared<_2dLine>(_2dPoint(0, -500), _2dPoint(6000, -500));
  const EntityPtr oldTitle = boost::make_shared<_2dLine>(_2dPoint(0, -900), _2dPoint(2000, -900));
  plan->AddEntities({old, oldTitle}, nullptr, {0x4000, 0x2000000}, {});
  designer.AutoDimensionPlan(plan.get());
  EXPECT_EQ(plan->GetEntityKind(old), 0);
  EXPECT_EQ(plan->GetEntityKind(oldTitle), 0);
  EntityList dims, rest;
  plan->SplitEntitiesByKind(0x4000, dims, rest);
  EXPECT_EQ(dims.size(), 4u);
  for (const EntityPtr& d : dims) EXPECT_TRUE(boost::dynamic_pointer_cast<_2dAlignedDimension>(d));
  // Twice gives the same four chains, not eight.
  designer.AutoDimensionPlan(plan.get());
  plan->SplitEntitiesByKind(0x4000, dims, rest);
  EXPECT_EQ(dims.size(), 4u);

  auto other = boost::make_shared<ReinTableView>(&g_ViewBoard, ViewSettings{}, ViewVolumn{});
  other->AddEntities(outline, nullptr, std::vector<int>(4, 2), {});
  designer.AutoDimensionPlan(other.get());
  designer.AutoDimensionPlan(nullptr);
  other->SplitEntitiesByKind(0x4000, dims, rest);
  EXPECT_TRUE(dims.empty());
  g_ViewBoard.Reset();
}

}  // namespace
