// The title block under a drawing and the projection of boards into a view.
#include "platform/HostServices.h"
#include "platform/Morlak.h"
#include "platform/Nirvox.h"
#include "rebar_fixtures.h"
#include "view/DrawingFunctors.h"
#include "view/DrawingName.h"
#include "view/TankView.h"

#include <boost/make_shared.hpp>
#include <gtest/gtest.h>

#include <memory>

namespace {

const _Text& TextAt(const EntityList& entities, int i) { return dynamic_cast<const _Text&>(*entities.at(i)); }

// The default standard: u = 100, title text factor 7, scale text factor 5,
// width factor 0.7 of text kind 0.
TEST(DrawingName, HandWorkedBlockOfTheBottomSlabPlan) {
  AcadViewBoard board;
  DrawingName block(&board, "底板配筋图", 100.0);
  EntityList e;
  block.GetEntities(e);
  ASSERT_EQ(e.size(), 4u);
  const auto& thin = dynamic_cast<const _2dLine&>(*e[0]);
  const auto& under = dynamic_cast<const _2dPolyline&>(*e[1]);
  // W = 0.7 × 700 × 0.7 × 10 (five Chinese characters of two units) = 3430.
  EXPECT_NEAR(under.GetVertexAt(0).x, -1715.0, 1e-9);
  EXPECT_NEAR(under.GetVertexAt(1).x, 1715.0, 1e-9);
  EXPECT_NEAR(under.GetVertexAt(0).y, -450.0, 1e-9);
  EXPECT_NEAR(under.GetConstantWidth(), 50.0, 1e-9);
  EXPECT_NEAR(thin.GetStartPoint().y, -550.0, 1e-9);
  EXPECT_NEAR(thin.GetEndPoint().x, 1715.0, 1e-9);
  EXPECT_EQ(TextAt(e, 2).GetText(), "底板配筋图");
  EXPECT_EQ(TextAt(e, 3).GetText(), "1:100");
  EXPECT_NEAR(TextAt(e, 3).GetPosition().x, 2827.5, 1e-9);
  EXPECT_NEAR(TextAt(e, 3).GetPosition().y, -300.0, 1e-9);
  for (int i : {2, 3}) {
    EXPECT_EQ(TextAt(e, i).GetHorizontalAlign(), _Text::kCenter);
    EXPECT_EQ(TextAt(e, i).GetVerticalAlign(), _Text::kMiddle);
    EXPECT_EQ(TextAt(e, i).GetLayer(), GetLayerName(15));
  }
  EXPECT_EQ(under.GetLayer(), GetLayerName(10));
  EXPECT_EQ(thin.GetLayer(), GetLayerName(9));

  double w = 0, h = 0;
  block.GetSize(w, h);
  EXPECT_NEAR(w, 3430.0 + 500.0 + 1225.0, 1e-9);  // W + 5u + w
  // Top: the name's top (350); bottom: the thin line (−550) or the lower
  // half of the underline's width (−475), whichever is lower.
  EXPECT_NEAR(h, 350.0 + 550.0, 1e-9);

  block.MoveTo(_2dPoint(1000.0, -2000.0));
  const _2dPoint c = block.GetCenter();
  EXPECT_NEAR(c.x, 1000.0, 1e-9);
  EXPECT_NEAR(c.y, -2000.0, 1e-9);
}

TEST(DrawingName, ScaleTextTruncatesAndEmptyNameKeepsTheLayout) {
  AcadViewBoard board;
  const struct {
    double scale;
    const char* text;
  } cases[] = {{100.0, "1:100"}, {100.9, "1:100"}, {-50.5, "1:-50"}, {50.0, "1:50"}};
  for (const auto& c : cases) {
    DrawingName block(&board, "池壁配筋图", c.scale);
    EntityList e;
    block.GetEntities(e);
    EXPECT_EQ(TextAt(e, 3).GetText(), c.text) << c.scale;
  }
  DrawingName empty(&board, "", 100.0);
  EntityList e;
  empty.GetEntities(e);
  const auto& under = dynamic_cast<const _2dPolyline&>(*e[1]);
  EXPECT_NEAR(under.GetVertexAt(0).x, 0.0, 1e-9);
  EXPECT_NEAR(under.GetVertexAt(1).x, 0.0, 1e-9);
  // The scale text's left edge stands 5 u right of x = 0.
  EXPECT_NEAR(TextAt(e, 3).GetPosition().x - 1225.0 / 2.0, 500.0, 1e-9);
}

class ViewProjection : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetHostServices();
    GetScriptedHost().SetMessageStream(nullptr);
  }
  void TearDown() override { ResetHostServices(); }
  AcadViewBoard board;
};

TEST_F(ViewProjection, TitleCentredUnderTheExtentWhateverItsWidth) {
  TankView view(&board, ViewSettings{}, ViewVolumn{});
  view.SetScaleValues(100.0, 100.0);
  for (const char* name : {"底板配筋图", "1-1 剖面配筋图", "顶板"}) {
    const EntityList e = view.PlaceTitle(Extents(0, 0, 0, 1000, 800, 0), name);
    ASSERT_EQ(e.size(), 4u);
    Extents box;
    // The block's centre is at the middle of the bottom edge in x; its top
    // (the name's top) 5 u = 500 below the drawing.
    const auto& nameText = TextAt(e, 2);
    EXPECT_NEAR(nameText.GetPosition().y + nameText.GetHeight() / 2.0, -500.0, 1e-9) << name;
    const auto& under = dynamic_cast<const _2dPolyline&>(*e[1]);
    const auto& scaleText = TextAt(e, 3);
    const double right = scaleText.GetPosition().x + 0.5 * board.GetTextWidth(scaleText.GetText(), scaleText.GetHeight(),
                                                                          scaleText.GetWidthFactor());
    EXPECT_NEAR((under.GetVertexAt(0).x + right) / 2.0, 500.0, 1e-9) << name;
  }
}

TEST_F(ViewProjection, BoardOutlineThroughViewFrameScaleAndPlacement) {
  // A wall 6000 long and 4000 high standing in the world plane y = 2000,
  // seen in a view looking north (view x = world x, view y = world z), drawn
  // at 1:50 with u = 100 (factor 2) and placed at (10, 20).
  auto wall = rebarfx::MakeBoard(0, 6000, 4000, 300);
  wall->SetOrigin(_3dPoint(1000, 2000, -4500));
  wall->SetXAxis(_3dVector(1, 0, 0));
  wall->SetYAxis(_3dVector(0, 0, 1));
  ViewVolumn volume;
  volume.m_xAxis = _3dVector(1, 0, 0);
  volume.m_yAxis = _3dVector(0, 0, 1);
  TankView view(&board, ViewSettings{}, volume);
  view.SetScaleValues(50.0, 100.0);
  view.SetPlacement(_3dVector(10, 20, 0));
  const auto pts = view.ProjectBoard(wall);
  ASSERT_EQ(pts.size(), 4u);
  const _2dPoint expected[4] = {{2010, -8980}, {14010, -8980}, {14010, -980}, {2010, -980}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_NEAR(pts[i].x, expected[i].x, 1e-6) << i;
    EXPECT_NEAR(pts[i].y, expected[i].y, 1e-6) << i;
  }
  const auto lines = view.GetBoardOutlineLines(wall);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_NEAR(lines[3].GetEndPoint().x, 2010, 1e-6);
  const _2dPoint c = view.GetProjectedBoardCenter(wall);
  EXPECT_NEAR(c.x, 8010, 1e-6);
  EXPECT_NEAR(c.y, -4980, 1e-6);

  // A later placement does not move points already returned.
  view.SetPlacement(_3dVector(0, 0, 0));
  EXPECT_NEAR(pts[0].x, 2010, 1e-6);
  EXPECT_NEAR(view.ProjectBoard(wall)[0].x, 2000, 1e-6);

  // Degenerate boards: none and one edge.
  auto bare = boost::make_shared<Board>();
  EXPECT_TRUE(view.ProjectBoard(bare).empty());
  EXPECT_TRUE(view.GetBoardOutlineLines(bare).empty());
  std::vector<BoardEdge> one(1);
  one[0].SetLine(_2dLine(_2dPoint(5, 5), _2dPoint(9, 5)));
  bare->SetEdges(one);
  const auto ring = view.GetBoardOutlineLines(bare);
  ASSERT_EQ(ring.size(), 1u);
  EXPECT_NEAR(ring[0].GetLength(), 0.0, 1e-12);
}

TEST(DrawingFunctors, PointOrdersAndNearLines) {
  // Rows within 0.1 in y are ordered by x.
  EXPECT_TRUE(PointYXLess()(_3dPoint(1, 5.05, 0), _3dPoint(2, 5.0, 0)));
  EXPECT_FALSE(PointYXLess()(_3dPoint(3, 5.05, 0), _3dPoint(2, 5.0, 0)));
  EXPECT_TRUE(PointYXLess()(_3dPoint(9, 4.8, 0), _3dPoint(2, 5.0, 0)));
  EXPECT_TRUE(Point3dLess(0.5)(_3dPoint(1, 9, 0), _3dPoint(2, 0, 0)));
  EXPECT_TRUE(Point3dLess(0.5)(_3dPoint(1, 0, 0), _3dPoint(1.2, 1, 0)));
  EXPECT_FALSE(Point3dLess(0.5)(_3dPoint(1, 0.2, 0), _3dPoint(1.2, 0, 0)));

  const _2dLine l(_2dPoint(0, 0), _2dPoint(1000, 0));
  EXPECT_TRUE(LineEndsNearPoint(_2dPoint(1005, 3), 10)(l));
  EXPECT_FALSE(LineEndsNearPoint(_2dPoint(500, 3), 10)(l));   // near the line, far from its ends
  EXPECT_FALSE(LineEndsNearPoint(_2dPoint(1005, 30), 10)(l));  // near an end's foot, off the line
  EXPECT_TRUE(FootOnSegment(_2dPoint(500, 80))(l));
  EXPECT_FALSE(FootOnSegment(_2dPoint(1200, 80))(l));

  // Along a bar line from the end nearer the reference point.
  _3dPoint out;
  const _3dLine bar(_3dPoint(0, 0, 0), _3dPoint(0, 0, 1000));
  OffsetPointAlongLine(bar, _3dPoint(0, 0, 1000), 300, out)();
  EXPECT_NEAR(out.z, 700, 1e-9);
  OffsetPointAlongLine(bar, _3dPoint(0, 0, 0), 300, out)();
  EXPECT_NEAR(out.z, 300, 1e-9);
  EXPECT_TRUE(IsParallelToVector(_3dVector(0, 0, -1))(bar));
  EXPECT_FALSE(IsParallelToVector(_3dVector(1, 0, 0))(bar));
}

}  // namespace
