// Where the bars of the wall drawings are seen: the bars that stand for a
// zone in a dot row, the ratio at which a plane cuts a zone, the view point
// of one bar, the corner a support dot moves into and its label leader.
#include "drawing/WallBarPlacement.h"

#include <gtest/gtest.h>

#include <boost/make_shared.hpp>

#include <cmath>

namespace {

// A zone of n bars from (x0 + i·step, 0, 0) to (x0 + i·step + dx, 0, h),
// spread along +x.
ReinZonePtr VerticalBars(int n, double step = 100.0, double h = 3000.0, double dx = 0.0, int category = 2) {
  auto zone = boost::make_shared<ReinZone>();
  zone->SetCategory(category);
  zone->SetGrade("HRB335");
  zone->SetDiameter(12);
  zone->SetSpacing(static_cast<int>(step));
  std::vector<ReinPtr> bars;
  std::vector<std::vector<int>> flags;
  for (int i = 0; i < n; ++i) {
    auto bar = boost::make_shared<Rein>();
    bar->SetPolyline(_2dPolyline({_3dPoint(i * step, 0, 0), _3dPoint(i * step + dx, 0, h)}, false));
    bar->SetGrade("HRB335");
    bar->SetDiameter(12);
    bars.push_back(bar);
    flags.push_back({1});
  }
  zone->SetReins(bars);
  zone->SetSegmentLayerFlags(flags);
  if (n > 1) zone->SetDistributionLine(_3dLine(_3dPoint(0, 0, 0), _3dPoint((n - 1) * step, 0, 0)));
  return zone;
}

std::vector<double> PickedX(const std::vector<ReinWithRecords>& picked) {
  std::vector<double> xs;
  for (const auto& p : picked) xs.push_back(p.first->GetPolyline().GetVertexAt(0).x);
  return xs;
}

// A vertical drawing plane x = c (view normal +x).
ViewVolumn PlaneAtX(double c) {
  ViewVolumn v;
  v.m_origin = _3dPoint(c, 0, 0);
  v.m_xAxis = _3dVector(0, 1, 0);
  v.m_yAxis = _3dVector(0, 0, 1);
  return v;
}

void ExpectPoint(const _2dPoint& p, double x, double y, const char* what) {
  EXPECT_NEAR(p.x, x, 1e-6) << what;
  EXPECT_NEAR(p.y, y, 1e-6) << what;
}

}  // namespace

// Three bars one spacing apart centred on the middle of the zone: halfway
// between bars for an even count, the bars themselves for an odd one; a zone
// of three or fewer bars gives no selection and no error.
TEST(WallBarPlacement, ThreeBarsAroundTheMiddle) {
  struct Case {
    int bars;
    std::vector<double> xs;
  };
  const Case cases[] = {
      {10, {350, 450, 550}},  // q = 3.5/9, 4.5/9, 5.5/9
      {11, {400, 500, 600}},  // bars 4, 5, 6
      {5, {100, 200, 300}},   // bars 1, 2, 3
      {4, {50, 150, 250}},    // q = 1/6, 1/2, 5/6
      {3, {}},                // the first ratio reaches the first bar
      {2, {}},                // fewer bars than asked
      {1, {}},
  };
  Tank tank;
  for (const Case& c : cases) {
    const ReinZonePtr zone = VerticalBars(c.bars);
    const auto picked = SelectRepresentativeReins(3, ViewVolumn(), 0.5, false, &tank)({zone, {}});
    const std::vector<double> xs = PickedX(picked);
    ASSERT_EQ(xs.size(), c.xs.size()) << c.bars << " bars";
    for (std::size_t i = 0; i < xs.size(); ++i) EXPECT_NEAR(xs[i], c.xs[i], 1e-6) << c.bars << " bars, " << i;
  }
  // One bar asked of a zone of one: the centring has no spread; refused.
  EXPECT_TRUE(SelectRepresentativeReins(1, ViewVolumn(), 0.5, false, &tank)({VerticalBars(1), {}}).empty());
  // Every bar: with 0 asked, and for a support zone whatever is asked.
  EXPECT_EQ(SelectRepresentativeReins(0, ViewVolumn(), 0.0, false, &tank)({VerticalBars(3), {}}).size(), 3u);
  EXPECT_EQ(SelectRepresentativeReins(3, ViewVolumn(), 0.5, false, &tank)({VerticalBars(2, 100, 3000, 0, 5), {}})
                .size(),
            2u);
  // A zone without display orientation gives nothing.
  const ReinZonePtr loose = VerticalBars(6);
  loose->SetDistributionLine(_3dLine());
  for (const ReinPtr& bar : loose->GetReins()) bar->SetPolyline(_2dPolyline({_3dPoint(0, 0, 0), _3dPoint(0, 0, 9)}, false));
  EXPECT_TRUE(SelectRepresentativeReins(3, ViewVolumn(), 0.5, false, &tank)({loose, {}}).empty());
}

// With the plane restriction, a zone reaches the plane through the box of
// its bars on its board, a support zone through one of its bar segments.
TEST(WallBarPlacement, RestrictionToTheDrawingPlane) {
  Tank tank;
  auto wall = boost::make_shared<Board>();
  std::vector<BoardEdge> edges(4);
  const _2dPoint p[4] = {{0, 0}, {2000, 0}, {2000, 3000}, {0, 3000}};
  for (int i = 0; i < 4; ++i) edges[i].SetLine(_2dLine(p[i], p[(i + 1) % 4]));
  wall->SetEdges(edges);
  wall->SetOrigin(_3dPoint(0, 0, 0));
  wall->SetXAxis(_3dVector(1, 0, 0));
  wall->SetYAxis(_3dVector(0, 0, 1));
  const ReinZonePtr zone = VerticalBars(6);  // bars at x = 0 .. 500
  for (const auto& [x, expected] : {std::pair{250.0, 3u}, std::pair{800.0, 0u}}) {
    const ViewVolumn plane = PlaneAtX(x);
    EXPECT_EQ(IsZoneBoxOnViewPlane(zone, wall, plane.m_origin, plane.m_xAxis, plane.m_yAxis), expected != 0) << x;
    EXPECT_EQ(SelectRepresentativeReins(3, plane, 0.5, true, &tank)({zone, {wall}}).size(), expected) << x;
  }
  // A support zone: the plane x = 250 meets no bar of bars at 0 and 100,
  // the plane x = 100 meets one.
  const ReinZonePtr support = VerticalBars(2, 100, 3000, 0, 5);
  EXPECT_TRUE(SelectRepresentativeReins(0, PlaneAtX(250), 0.0, true, &tank)({support, {}}).empty());
  EXPECT_EQ(SelectRepresentativeReins(0, PlaneAtX(100), 0.0, true, &tank)({support, {}}).size(), 2u);
}

// The bar standing for a zone in the wall plan: the top one of a zone
// spreading upward, the first of one spreading downward or level (exactly
// horizontal included), the middle one without orientation.
TEST(WallBarPlacement, WallPlanBarRatio) {
  const auto spread = [](const _3dVector& d) {
    auto zone = boost::make_shared<ReinZone>();
    zone->SetDistributionLine(_3dLine(_3dPoint(0, 0, 0), _3dPoint(0, 0, 0) + d));
    return zone;
  };
  EXPECT_EQ(WallPlanBarRatio(spread(_3dVector(0, 0, 1000))), 0.99);
  EXPECT_EQ(WallPlanBarRatio(spread(_3dVector(100, 0, 1000))), 0.99);
  EXPECT_EQ(WallPlanBarRatio(spread(_3dVector(0, 0, -1000))), 0.01);
  EXPECT_EQ(WallPlanBarRatio(spread(_3dVector(1000, 0, 0))), 0.01);
  EXPECT_EQ(WallPlanBarRatio(boost::make_shared<ReinZone>()), 0.5);
}

// A point is on a board when it lies in its concrete (between the faces,
// 1 mm of slack) within its outline: a bar end a cover inside a face is.
TEST(WallBarPlacement, PointOnBoard) {
  auto wall = boost::make_shared<Board>();
  std::vector<BoardEdge> edges(4);
  const _2dPoint p[4] = {{0, 0}, {2000, 0}, {2000, 3000}, {0, 3000}};
  for (int i = 0; i < 4; ++i) edges[i].SetLine(_2dLine(p[i], p[(i + 1) % 4]));
  wall->SetEdges(edges);
  wall->SetXAxis(_3dVector(1, 0, 0));
  wall->SetYAxis(_3dVector(0, 0, 1));  // normal −y
  wall->SetUpperOffset(150);
  wall->SetLowerOffset(150);
  const struct {
    _3dPoint point;
    bool on;
  } cases[] = {
      {{1000, -115, 1500}, true},   // a cover inside the upper face
      {{1000, 150.5, 1500}, true},  // on the lower face, within 1 mm
      {{1000, 160, 1500}, false},   // beyond a face
      {{2000, 0, 3000}, true},      // a corner of the outline
      {{2100, 0, 1500}, false},     // beyond the outline
  };
  for (const auto& c : cases)
    EXPECT_EQ(PointOnBoardTest(c.point)(wall), c.on) << c.point.x << "," << c.point.y << "," << c.point.z;
  EXPECT_FALSE(PointOnBoardTest(_3dPoint(0, 0, 0))(BoardPtr()));
}

// The ratio across a zone where the plane cuts it: on the line of bar
// starts, else on the line of bar ends; 0 when it cannot be told.
TEST(WallBarPlacement, PositionRatioOfTheCut) {
  EXPECT_NEAR(ReinZonePosRatio(PlaneAtX(300))(VerticalBars(11)), 0.3, 1e-9);
  // Bars leaning 2000 along x: only the ends' line (x 2000 .. 3000) is cut.
  EXPECT_NEAR(ReinZonePosRatio(PlaneAtX(2300))(VerticalBars(11, 100, 1000, 2000)), 0.3, 1e-9);
  EXPECT_EQ(ReinZonePosRatio(PlaneAtX(0))(VerticalBars(1)), 0.0);
  EXPECT_EQ(ReinZonePosRatio(PlaneAtX(5000))(VerticalBars(11)), 0.0);
  EXPECT_EQ(ReinZonePosRatio(PlaneAtX(0))(ReinZonePtr()), 0.0);
}

// A plan sees a vertical bar end on at its plan position, a bent bar at its
// vertical leg (not in the middle of its horizontal leg); a section finds
// where the bar crosses its plane, and nothing for a bar off the plane.
TEST(WallBarPlacement, WhereABarIsSeen) {
  const ViewVolumn plan;
  auto straight = boost::make_shared<Rein>();
  straight->SetPolyline(_2dPolyline({_3dPoint(100, 200, 0), _3dPoint(100, 200, 3000)}, false));
  ReinViewLocation l = LocateReinInView(plan, false)({straight, {0}});
  ASSERT_TRUE(l.found);
  ExpectPoint(l.point.drawn, 100, 200, "straight");
  EXPECT_EQ(l.point.value, 0);

  auto bent = boost::make_shared<Rein>();
  bent->SetPolyline(_2dPolyline({_3dPoint(0, 0, 0), _3dPoint(500, 0, 0), _3dPoint(500, 0, 3000)}, false));
  l = LocateReinInView(plan, false)({bent, {1, 7}});
  ASSERT_TRUE(l.found);
  ExpectPoint(l.point.drawn, 500, 0, "bent");
  EXPECT_EQ(l.point.value, 7);
  EXPECT_NEAR(l.world.z, 1500, 1e-6);

  l = LocateReinInView(PlaneAtX(250), true)({bent, {1, 7}});
  ASSERT_TRUE(l.found);
  ExpectPoint(l.point.drawn, 0, 0, "section");
  EXPECT_EQ(l.point.value, 1);
  EXPECT_FALSE(LocateReinInView(PlaneAtX(900), true)({bent, {1, 7}}).found);
}

// A dot on two perpendicular bar lines moves into the corner of the two
// drawn bars toward their faces, by (D + W)/2 × √2 along the bisector, so
// that it touches both; opposite normals put it on the corner point;
// otherwise it stays.
TEST(WallBarPlacement, CornerDot) {
  const double u = GetDrawingUnit();
  const double half = (GetReinDotSize() + GetReinLineWidth()) * u * 0.5;
  // Faces along y = 0 and x = 0, the concrete at x, y > 0; the bars a
  // cover inside, drawn farther in.
  const _2dLine a0({-1000, 35}, {1000, 35}), a1({35, -1000}, {35, 1000});
  const _2dLine b0({-1000, 195}, {1000, 195}), b1({195, -1000}, {195, 1000});
  const _2dLine c0({-1000, 0}, {1000, 0}), c1({0, 1000}, {0, -1000});
  _2dPoint p(35, 35);
  FitCornerDot({a0, a1}, {b0, b1}, {c0, c1})(p);
  ExpectPoint(p, 195 - half, 195 - half, "perpendicular");
  EXPECT_NEAR(g_VekGeometryComm.Distance(p, _2dPoint(195, 195)), half * std::sqrt(2.0), 1e-9);

  // The second face line on the other side of the first bar: the normals
  // point opposite ways.
  p = _2dPoint(35, 35);
  FitCornerDot({a0, a1}, {b0, b1}, {c0, _2dLine({-1000, 100}, {1000, 100})})(p);
  ExpectPoint(p, 195, 195, "opposite normals");

  for (const auto& lines : {std::vector<_2dLine>{a0, _2dLine({-1000, 35}, {500, 35})}, std::vector<_2dLine>{a0},
                            std::vector<_2dLine>{a0, a1, _2dLine({25, 25}, {45, 45})}}) {
    p = _2dPoint(35, 35);
    const std::vector<_2dLine> same(lines.size(), b0);
    FitCornerDot(lines, same, std::vector<_2dLine>(lines.size(), c0))(p);
    ExpectPoint(p, 35, 35, "stays");
  }
}

// The support label's leader runs square across the nearest face line and
// ends a gap beyond it; the label runs along that line away from the corner.
TEST(WallBarPlacement, SupportLabelLeader) {
  const double u = GetDrawingUnit();
  _2dVector r, s;
  double d = 0.0;
  EXPECT_FALSE(ComputeLabelLeader({0, 0}, {}, {}, 0.0, 500, false, 1.0, r, d, s));

  // An outer corner at (0, 0): faces along +x and +y, the dots inside.
  const std::vector<_2dLine> faces = {_2dLine({0, 0}, {3000, 0}), _2dLine({0, 0}, {0, 3000})};
  ASSERT_TRUE(ComputeLabelLeader({100, 80}, faces, {}, 0.0, 500, false, 1.0, r, d, s));
  // The first line in line order is the one along y (lower end first).
  EXPECT_NEAR(r.GetUnitVector().x, -1.0, 1e-9);
  EXPECT_NEAR(d, 100 + u, 1e-9);
  EXPECT_NEAR(s.GetUnitVector().y, 1.0, 1e-9);
  // A marked line pushes the label further out.
  ASSERT_TRUE(ComputeLabelLeader({100, 80}, faces, {faces[1]}, 50.0, 500, true, 2.0, r, d, s));
  EXPECT_NEAR(d, 100 + u * (GetReinMarkSize() * 0.5 + 1.0) + 100, 1e-9);
  // No line near enough: the nearest one of the list.
  ASSERT_TRUE(ComputeLabelLeader({2000, 900}, faces, {}, 0.0, 500, false, 1.0, r, d, s));
  EXPECT_NEAR(r.GetUnitVector().y, -1.0, 1e-9);
  EXPECT_NEAR(d, 900 + u, 1e-9);
}

#include "view/DotReinMaker.h"
#include "view/ReinLabel.h"
#include "view/ReinMarkLabelMaker.h"
#include "views/WallPlanView.h"

namespace {

class PlanMakers : public ::testing::Test {
 protected:
  void SetUp() override {
    g_ViewBoard.Reset();
    view = boost::make_shared<TankWallReinPlanView>(&g_ViewBoard, ViewSettings(), ViewVolumn());
    view->SetScaleValues(100, GetDrawingUnit());
  }
  void TearDown() override {
    view.reset();
    g_ViewBoard.Reset();
  }
  boost::shared_ptr<TankWallReinPlanView> view;
  Tank tank;
};

}  // namespace

// A dot row in plan with no wall holding its chord: the chord itself is the
// line it is drawn beside, the row one layer distance to the chord's left,
// three dots a spacing apart; three bars or fewer give no row.
TEST_F(PlanMakers, DotRowBesideItsOwnChord) {
  const double u = GetDrawingUnit();
  const DotReinMaker maker(view.get(), false, {}, &g_ViewBoard, 1.0, _3dVector(0, 0, 0), &tank, {}, 0.0);
  ReinLabelOption option;
  const DotReinPtr row = maker({VerticalBars(5), {}}, option);
  ASSERT_TRUE(row);
  const std::vector<_2dPoint> centres = row->GetDotCenters();
  ASSERT_EQ(centres.size(), 3u);
  const double off = GetReinDotSize() * u * 0.5 + GetReinGap() * u;
  for (const _2dPoint& c : centres) EXPECT_NEAR(c.y, off, 1e-9);
  EXPECT_NEAR(centres[1].x - centres[0].x, 100.0, 1e-9);
  // Centred |C|/2 + 3u along the row from the foot of the chord's middle.
  EXPECT_NEAR(centres[1].x, 200.0 + 100.0 + 3 * u, 1e-9);
  ASSERT_TRUE(row->GetLabelText());
  EXPECT_EQ(row->GetLabelText()->GetText(), FormatReinText(2, 1, 12, 100, 0));
  EXPECT_FALSE(maker({VerticalBars(3), {}}, option));
  EXPECT_FALSE(maker({ReinZonePtr(), {}}, option));
}

// Support dots: a zone with a bar the plan does not see end on gives no
// dots at all; four bars give four dots and a label of the count, grade and
// diameter without spacing.
TEST_F(PlanMakers, SupportDotsAndTheirLabel) {
  const std::vector<_2dLine> faces = {_2dLine({-100, -100}, {3000, -100}), _2dLine({-100, -100}, {-100, 3000})};
  const ReinMarkLabelMaker maker(view.get(), false, faces, {}, 0.0, &g_ViewBoard, 1.0, _3dVector(0, 0, 0), 300.0,
                                 {}, {}, nullptr);
  ReinLabelOption option;
  const ReinZonePtr four = VerticalBars(4, 100, 3000, 0, 5);
  const DotReinPtr dots = maker({four, {}}, option);
  ASSERT_TRUE(dots);
  EXPECT_EQ(dots->GetDotCenters().size(), 4u);
  ASSERT_TRUE(dots->GetLabelText());
  EXPECT_EQ(dots->GetLabelText()->GetText(), FormatReinText(1, 1, 12, 100, 4));
  EXPECT_EQ(dots->GetLabelText()->GetText().substr(0, 1), "4");

  const ReinZonePtr mixed = VerticalBars(2, 100, 3000, 0, 5);
  mixed->GetReins()[1]->SetPolyline(_2dPolyline({_3dPoint(0, 0, 0), _3dPoint(2000, 0, 0)}, false));
  EXPECT_FALSE(maker({mixed, {}}, option));
  EXPECT_FALSE(maker({ReinZonePtr(), {}}, option));
}
