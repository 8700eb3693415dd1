// The slab reinforcement plans: slab outlines, per-slab labels, slab labels,
// and the bottom and top plans of a designed tank.
#include "app/NewTank.h"
#include "app/ProjectFile.h"
#include "designer/TankDesigner.h"
#include "drawing/SlabPlanBoardDrawer.h"
#include "view/DrawingRoutines.h"
#include "view/LineReinEntity.h"
#include "view/ReinLabel.h"
#include "view/SlabPlanRein.h"
#include "views/DrawingViews.h"

#include <gtest/gtest.h>

#include <boost/make_shared.hpp>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kTol = 1e-6;

BoardPtr RectSlab(double w, double h, double z, double thickness) {
  auto slab = boost::make_shared<Board>();
  std::vector<BoardEdge> edges(4);
  const _2dPoint p[4] = {{0, 0}, {w, 0}, {w, h}, {0, h}};
  for (int i = 0; i < 4; ++i) edges[i].SetLine(_2dLine(p[i], p[(i + 1) % 4]));
  slab->SetEdges(edges);
  slab->SetOrigin(_3dPoint(0, 0, z));
  slab->SetUpperOffset(thickness * 0.5);
  slab->SetLowerOffset(thickness * 0.5);
  slab->SetKind(1);
  return slab;
}

class SlabPlanFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    g_ViewBoard.Reset();
    view = boost::make_shared<BottomBoardReinView>(&g_ViewBoard, ViewSettings(), ViewVolumn());
    view->SetScaleValues(100, 100);
  }
  void TearDown() override {
    view.reset();
    g_ViewBoard.Reset();
  }
  std::vector<boost::shared_ptr<_2dLine>> LinesOfKind(const BoardPtr& slab, int kind) const {
    EntityList entities;
    view->GetObjectEntities(slab, entities);
    std::vector<boost::shared_ptr<_2dLine>> out;
    for (const EntityPtr& e : entities)
      if (view->GetEntityKind(e) == kind)
        if (auto l = boost::dynamic_pointer_cast<_2dLine>(e)) out.push_back(l);
    return out;
  }
  boost::shared_ptr<BottomBoardReinView> view;
};

// The face looking at the viewer lies half the thickness, in whole mm, off the
// reference plane: seen edge-on from the front (y axis up = model z), a slab
// 255 thick shows its lower face at −127, one 201 thick at −100.
TEST_F(SlabPlanFixture, SlabOutlineIsTheFaceTowardTheViewer) {
  Tank tank;
  ViewVolumn front;
  front.m_xAxis = _3dVector(1, 0, 0);
  front.m_yAxis = _3dVector(0, 0, 1);  // view normal (0, −1, 0): square to the slab normal
  for (const auto& [thickness, expected] : {std::pair{255.0, -127.0}, std::pair{201.0, -100.0}}) {
    SetUp();
    const BoardPtr slab = RectSlab(4000, 3000, 0, thickness);
    std::vector<_3dPoint> outline;
    slab->GetOutline(outline);
    ASSERT_EQ(outline.size(), 4u);
    view->DrawSlabPlans({slab}, tank, 1.0, &front.m_origin, &front.m_xAxis, &front.m_yAxis);
    const auto ring = LinesOfKind(slab, 0x1);
    ASSERT_EQ(ring.size(), 4u) << thickness;
    for (const auto& l : ring) EXPECT_NEAR(l->GetStartPoint().y, expected, kTol) << thickness;
  }
  // Seen from above at factor 2: the plan ring, scaled, on the concrete layer.
  SetUp();
  const BoardPtr slab = RectSlab(4000, 3000, -1000, 300);
  ViewVolumn top;
  view->DrawSlabPlans({slab}, tank, 2.0, &top.m_origin, &top.m_xAxis, &top.m_yAxis);
  const auto ring = LinesOfKind(slab, 0x1);
  ASSERT_EQ(ring.size(), 4u);
  EXPECT_NEAR(ring[1].get()->GetStartPoint().x, 8000, kTol);
  EXPECT_NEAR(ring[2].get()->GetStartPoint().y, 6000, kTol);
  EXPECT_EQ(ring[0]->GetLayer(), GetLayerName(13));
}

// Edge labels stand half a label height inside the slab on either winding
// of its outline ring, along the side, never upside down.
TEST_F(SlabPlanFixture, EdgeLabelsStandInsideTheSlabOnEitherWinding) {
  for (bool reversed : {false, true}) {
    SetUp();
    const BoardPtr slab = RectSlab(6000, 4000, 0, 300);
    const _2dPoint p[4] = {{0, 0}, {6000, 0}, {6000, 4000}, {0, 4000}};
    for (int k = 0; k < 4; ++k) {
      const _2dPoint a = reversed ? p[(4 - k) % 4] : p[k];
      const _2dPoint b = reversed ? p[(3 - k + 4) % 4] : p[(k + 1) % 4];
      auto line = boost::make_shared<_2dLine>(a, b);
      view->AppendObjectEntities(slab, {line});
      view->FileEntityOwnerKind(line, slab, 0x8);
    }
    SlabPlanBoardDrawer::DrawEdgeResultLabels(view.get(), 0.2)(slab);
    EntityList entities;
    view->GetObjectEntities(slab, entities);
    int texts = 0;
    const double half = GetDrawingUnit() * g_ReinLabelSizeFactor * 0.5;
    for (const EntityPtr& e : entities) {
      const auto t = boost::dynamic_pointer_cast<_Text>(e);
      if (!t) continue;
      ++texts;
      const _3dPoint q = t->GetPosition();
      const double inside = std::min({q.x, 6000 - q.x, q.y, 4000 - q.y});
      EXPECT_NEAR(inside, half, 1e-6) << "reversed " << reversed << " at " << q.x << "," << q.y;
      const double r = t->GetRotation();
      EXPECT_TRUE(std::fabs(r) < 1e-9 || std::fabs(r - g_Pi * 0.5) < 1e-9 || std::fabs(r - 2 * g_Pi) < 1e-9) << r;
    }
    EXPECT_EQ(texts, 24);
  }
  EXPECT_NEAR(SlabPlanBoardDrawer::FoldTextAngle(g_Pi), 2 * g_Pi, kTol);
  EXPECT_NEAR(SlabPlanBoardDrawer::FoldTextAngle(g_Pi * 0.5), g_Pi * 0.5, kTol);
}

// Pruning keeps the kernel's choice among the construction lines: a repeat
// (either way round) and a piece lying on a longer line go; other kinds stay.
TEST_F(SlabPlanFixture, PruningDropsRepeatedAndCoveredBoardLines) {
  const BoardPtr slab = RectSlab(6000, 4000, 0, 300);
  auto line = [](double x0, double y0, double x1, double y1) {
    return boost::make_shared<_2dLine>(_2dPoint(x0, y0), _2dPoint(x1, y1));
  };
  const EntityList lines = {line(0, 0, 6000, 0), line(6000, 0, 0, 0), line(1000, 0, 2000, 0), line(0, 0, 0, 4000)};
  view->AppendObjectEntities(slab, lines);
  for (const EntityPtr& e : lines) view->FileEntityOwnerKind(e, slab, 0x1);
  const auto copy = line(0, 0, 6000, 0);
  view->AppendObjectEntities(slab, {copy});
  view->FileEntityOwnerKind(copy, slab, 0x8);
  view->PruneBoardLines();
  EXPECT_EQ(view->GetEntityKind(lines[0]), 0x1);
  EXPECT_EQ(view->GetEntityKind(lines[1]), 0);
  EXPECT_EQ(view->GetEntityKind(lines[2]), 0);
  EXPECT_EQ(view->GetEntityKind(lines[3]), 0x1);
  EXPECT_EQ(view->GetEntityKind(copy), 0x8);
  view->PruneBoardLines();  // nothing more to drop
  EXPECT_EQ(view->GetEntityKind(lines[0]), 0x1);
}

// Slab labels: a column at the projected centre; the level is that of the
// slab's face on the +z side, also for an eccentric slab.
TEST_F(SlabPlanFixture, SlabLabelsStackAndShowTheUpperFaceLevel) {
  double hf = 0, w = 0;
  GetTextSize(0, hf, w);
  const double u = GetDrawingUnit(), h = hf * u, g = u;
  struct Case {
    int flags;
    double upper, lower;
    std::vector<std::pair<std::string, double>> texts;  // text, y − c.y
  };
  const std::vector<Case> cases = {
      {7, 150, 150, {{"B3", g + h}, {"H=300", 0}, {"-1.500", -h - g}}},
      {5, 150, 150, {{"B3", (g + h) / 2}, {"-1.500", -(g + h) / 2}}},
      {2, 150, 150, {{"H=300", 0}}},
      {4, 100, 200, {{"-1.550", 0}}},
  };
  for (const Case& c : cases) {
    SetUp();
    const BoardPtr slab = RectSlab(6000, 4000, -1650, 300);
    slab->SetUpperOffset(c.upper);
    slab->SetLowerOffset(c.lower);
    slab->SetNumber(3);
    const _2dPoint centre = view->GetProjectedBoardCenter(slab);
    view->DrawBoardLabels(slab, 1);  // replaced by the next call
    view->DrawBoardLabels(slab, c.flags);
    EntityList entities;
    view->GetObjectEntities(slab, entities);
    std::vector<std::pair<std::string, double>> got;
    for (const EntityPtr& e : entities)
      if (const auto t = boost::dynamic_pointer_cast<_Text>(e))
        if (view->GetEntityKind(e) == 0x4000000) got.emplace_back(t->GetText(), t->GetPosition().y - centre.y);
    ASSERT_EQ(got.size(), c.texts.size()) << c.flags;
    for (std::size_t i = 0; i < got.size(); ++i) {
      EXPECT_EQ(got[i].first, c.texts[i].first) << c.flags;
      EXPECT_NEAR(got[i].second, c.texts[i].second, 1e-6) << c.flags << " " << got[i].first;
    }
  }
  SetUp();
  const BoardPtr slab = RectSlab(6000, 4000, -1650, 300);
  view->DrawBoardLabels(slab, 7);
  view->DrawBoardLabels(slab, 0);
  EntityList entities;
  view->GetObjectEntities(slab, entities);
  for (const EntityPtr& e : entities) EXPECT_NE(view->GetEntityKind(e), 0x4000000);
}

// The overhang outline of the bottom slab: a 10000 × 6000 tank between wall
// reference lines, walls 300 thick (outer faces 150 out), an overhang of 500:
// one ring 650 outside the reference rectangle, scaled, under one new owner.
TEST(SlabPlans, OverhangOutlineRunsOutsideTheWallFaces) {
  const std::string project = R"({
    "settings": {"geometry": {"bottom_slab_top_elevation_m": -4.5, "tank_top_elevation_m": -0.5,
                              "bottom_slab_thickness_mm": 400, "wall_thickness_mm": 300,
                              "bottom_slab_overhang_mm": 500},
                 "model": {"has_top_slab": false}},
    "tank": {"origin_mm": [0, 0], "length_x_mm": 10000, "length_y_mm": 6000, "cells_x": 1, "cells_y": 1}})";
  TankDesigner designer;
  tank::app::BuildNewTank(designer, tank::app::ReadProject(project, "overhang"), "overhang");
  Tank& tank = designer.GetTank();
  ASSERT_TRUE(tank.HasBottomSlabOverhang());
  g_ViewBoard.Reset();
  BottomBoardReinView view(&g_ViewBoard, ViewSettings(), ViewVolumn());
  std::vector<boost::shared_ptr<StructureComponent>> slabs;
  for (const BoardPtr& b : tank.GetBottomSlabs()) slabs.push_back(b);
  EXPECT_TRUE(view.DrawSlabOverhangOutline(slabs, 0.5, false, tank).empty());
  const EntityList ring = view.DrawSlabOverhangOutline(slabs, 0.5, true, tank);
  ASSERT_EQ(ring.size(), 4u);
  double minX = 1e300, minY = 1e300, maxX = -1e300, maxY = -1e300;
  ObjectPtr owner;
  for (const EntityPtr& e : ring) {
    const auto l = boost::dynamic_pointer_cast<_2dLine>(e);
    ASSERT_TRUE(l);
    EXPECT_EQ(view.GetEntityKind(e), 0x40000000);
    for (const _2dPoint& p : {l->GetStartPoint(), l->GetEndPoint()}) {
      minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
      minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
    }
  }
  EXPECT_NEAR(minX, -650 * 0.5, 1e-6);
  EXPECT_NEAR(maxX, 10650 * 0.5, 1e-6);
  EXPECT_NEAR(minY, -650 * 0.5, 1e-6);
  EXPECT_NEAR(maxY, 6650 * 0.5, 1e-6);
  ObjectEntityMap objects;
  view.GetObjectEntityMap(objects);
  ASSERT_EQ(objects.size(), 1u);
  EXPECT_EQ(objects.begin()->second.size(), 4u);
  g_ViewBoard.Reset();
}

// A zone whose display orientation runs at the angle (degrees) in plan.
ReinZonePtr ZoneAt(double degrees) {
  auto z = boost::make_shared<ReinZone>();
  const double a = degrees * g_Pi / 180.0;
  z->SetDistributionLine(_3dLine(_3dPoint(0, 0, 0), _3dPoint(1000 * std::cos(a), 1000 * std::sin(a), 0)));
  return z;
}

// Where the representative bar of a zone goes, by the parallel zones of the
// other groups on a shared slab: the table of ratios for each group, and
// 45° apart is not parallel while 135° is.
TEST(SlabPlans, PositionRatiosFollowTheParallelZonesOnSharedSlabs) {
  const BoardPtr slab = RectSlab(6000, 4000, 0, 300), other = RectSlab(6000, 4000, 0, 300);
  const ViewVolumn plan;
  struct Case {
    int group;                  // 1 near face, 2 far face, 3 near-face edge
    double nearDeg, farEdgeDeg, nearEdgeDeg;  // NaN: no such zone on the slab
    double expected;
  };
  const double no = std::nan("");
  const std::vector<Case> cases = {
      {1, 0, 0, no, 2.0 / 3.0},   {1, 0, 180, 0, 0.6},  {1, 0, no, 0, 0.5},      {1, 0, 90, 90, 0.6},
      {1, 0, 45, no, 0.6},        {1, 0, 135, no, 2.0 / 3.0},
      {2, 0, no, no, 1.0 / 3.0},  {2, 0, 0, no, 0.4},   {2, 0, 90, no, 1.0 / 3.0},
      {3, 0, no, 0, 0.75},        {3, 90, 0, 0, 2.0 / 3.0}, {3, 90, 90, 0, 0.6}, {3, no, no, 0, 0.6},
  };
  for (const Case& c : cases) {
    ZoneBoardMap near, far, nearEdge, farEdge;
    const ReinZonePtr subject = ZoneAt(0);
    // The subject sits on the slab; the others on the slab, and the same
    // zones on another slab never count.
    auto place = [&](ZoneBoardMap& map, double deg) {
      if (std::isnan(deg)) return;
      map[ZoneAt(deg)] = {slab};
      map[ZoneAt(0)] = {other};
    };
    double got = -1;
    if (c.group == 1) {
      near[subject] = {slab};
      place(farEdge, c.farEdgeDeg);
      place(nearEdge, c.nearEdgeDeg);
      got = NearFaceZonePosRatio{&near, &farEdge, &nearEdge, &plan}({subject, {slab}});
    } else if (c.group == 2) {
      far[subject] = {slab};
      place(farEdge, c.farEdgeDeg);
      got = FarFaceZonePosRatio{&farEdge, &far, &plan}({subject, {slab}});
    } else {
      nearEdge[subject] = {slab};
      place(near, c.nearDeg);
      place(farEdge, c.farEdgeDeg);
      got = NearEdgeZonePosRatio{&nearEdge, &near, &farEdge, &plan}({subject, {slab}});
    }
    EXPECT_EQ(got, c.expected) << "group " << c.group << " near " << c.nearDeg << " far edge " << c.farEdgeDeg
                               << " near edge " << c.nearEdgeDeg;
  }
}

// Both slab plans of a designed tank: every drawn bar's straight part lies on
// the drawn outline of its zone's slabs grown by the walls and overhang, and
// every label reads the zone's grade, diameter and spacing.
TEST(SlabPlans, DesignedTankBarsLieOnTheirSlabsAndLabelsMatchTheirZones) {
  TankDesigner designer;
  tank::app::BuildNewTank(designer, tank::app::ReadProject(tank::app::ExampleProject("buried-two-cell"), "x"), "x");
  ASSERT_TRUE(designer.Analyse());
  designer.DesignRein(nullptr);
  Tank& tank = designer.GetTank();
  g_ViewBoard.Reset();

  double grow = 0.0;
  for (const BoardPtr& w : tank.GetWalls()) grow = std::max(grow, std::max(w->GetUpperOffset(), w->GetLowerOffset()));
  for (const BoardPtr& s : tank.GetBottomSlabs())
    for (const BoardEdge& e : s->GetEdges()) {
      double len = 0.0;
      if (e.GetOverhang(len)) grow = std::max(grow, len + 300.0);
    }

  for (int kind : {1, 2}) {
    ViewSettings settings;
    boost::shared_ptr<SlabReinPlanView> view;
    if (kind == 1)
      view = boost::make_shared<BottomBoardReinView>(&g_ViewBoard, settings, ViewVolumn());
    else
      view = boost::make_shared<TopBoardReinView>(&g_ViewBoard, settings, ViewVolumn());
    ASSERT_TRUE(view->Draw(tank, 100, settings, true, _3dPoint(0, 0, 0)));
    view->DrawAllRein(tank, settings);
    // A zone that could not be drawn is named with its reason, never silent.
    for (const auto& f : view->GetZoneFailures()) {
      ASSERT_TRUE(f.zone);
      EXPECT_FALSE(f.reason.empty());
    }
    const double factor = view->GetDrawingFactor();
    const std::vector<BoardPtr> slabs = kind == 1 ? tank.GetBottomSlabs() : tank.GetTopSlabs();
    ASSERT_FALSE(slabs.empty());

    int bars = 0, labels = 0;
    for (const BoardPtr& slab : slabs)
      for (const ReinZonePtr& zone : slab->GetAllZones()) {
        EntityList entities;
        if (!view->GetObjectEntities(zone, entities)) continue;
        // The box of the drawn outlines of the slabs listing the zone.
        double minX = 1e300, minY = 1e300, maxX = -1e300, maxY = -1e300;
        for (const BoardPtr& s : slabs) {
          const auto& all = s->GetAllZones();
          if (std::find(all.begin(), all.end(), zone) == all.end()) continue;
          for (const _2dPoint& p : view->ProjectBoard(s)) {
            minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
            minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
          }
        }
        const double g = grow * factor + 1e-6;
        for (const EntityPtr& e : entities) {
          const int k = view->GetEntityKind(e);
          if (k == kKindReinLine) {
            const auto pl = boost::dynamic_pointer_cast<_2dPolyline>(e);
            if (!pl || pl->VerNums() < 2) continue;
            ++bars;
            const _2dLine main = GetReinMainSegment(pl);
            for (const _2dPoint& p : {main.GetStartPoint(), main.GetEndPoint()}) {
              EXPECT_GE(p.x, minX - g) << "zone " << zone->GetNumber();
              EXPECT_LE(p.x, maxX + g) << "zone " << zone->GetNumber();
              EXPECT_GE(p.y, minY - g) << "zone " << zone->GetNumber();
              EXPECT_LE(p.y, maxY + g) << "zone " << zone->GetNumber();
            }
          } else if (k == kKindReinText) {
            const auto t = boost::dynamic_pointer_cast<_Text>(e);
            ++labels;
            EXPECT_EQ(t->GetText(), FormatReinText(2, GetReinGradeIndex(zone->GetGrade()), zone->GetDiameter(),
                                                   zone->GetSpacing(), 0));
          }
        }
      }
    EXPECT_GT(bars, 0) << "plan " << kind;
    EXPECT_GT(labels, 0) << "plan " << kind;
    g_ViewBoard.Reset();
  }
}

// The plan view's later steps: redrawing the per-slab labels adds no outline
// copies, a second title replaces the first, and the bars of one slab are
// drawn for a point over it while a point over no slab draws nothing.
TEST(SlabPlans, PlanViewRedrawsLabelsTitleAndSlabBarsAtAPoint) {
  TankDesigner designer;
  tank::app::BuildNewTank(designer, tank::app::ReadProject(tank::app::ExampleProject("buried-two-cell"), "x"), "x");
  ASSERT_TRUE(designer.Analyse());
  designer.DesignRein(nullptr);
  Tank& tank = designer.GetTank();
  g_ViewBoard.Reset();
  ViewSettings settings;
  auto view = boost::make_shared<TopBoardReinView>(&g_ViewBoard, settings, ViewVolumn());
  ASSERT_TRUE(view->Draw(tank, 100, settings, true, _3dPoint(1000, 2000, 0)));
  EntityKindPairs kinds;
  const auto count = [&](int mask) {
    kinds.clear();
    view->ListEntityKinds(kinds);
    return std::count_if(kinds.begin(), kinds.end(), [mask](const auto& p) { return (p.second & mask) != 0; });
  };
  EXPECT_EQ(count(0x1), 0);
  EXPECT_EQ(count(0x8), 8);  // two rectangular top slabs
  EXPECT_GT(count(0x2), 0);
  // Placed by the upper-left corner of the drawing's extent.
  const Extents box = view->GetExtent(kKindMaskPlacementExtent);
  EXPECT_NEAR(box.minX, 1000, 1e-6);
  EXPECT_NEAR(box.maxY, 2000, 1e-6);

  const long labels = count(0x1FF0);
  view->DrawBoards(0.2);
  EXPECT_EQ(count(0x8), 8);
  EXPECT_EQ(count(0x1FF0), 2 * labels);

  const DetailingSettings& detailing = designer.GetSettings().GetDetailingSettings();
  view->DrawTitle(detailing);
  const long title = count(0x2000000);
  EXPECT_GT(title, 0);
  view->DrawTitle(detailing);
  EXPECT_EQ(count(0x2000000), title);

  const long before = count(kKindReinLine);
  view->DrawBoardReinAt(tank, _3dPoint(-1e6, -1e6, 0), settings);
  EXPECT_EQ(count(kKindReinLine), before);
  // A point over the first slab, mapped into the drawing.
  _3dVector placement;
  view->GetPlacement(placement);
  const double f = view->GetDrawingFactor();
  view->DrawBoardReinAt(tank, _3dPoint(3000 * f + placement.x, 3000 * f + placement.y, 0), settings);
  EXPECT_GT(count(kKindReinLine), before);
  view.reset();
  g_ViewBoard.Reset();
}

// Wall face lines: two walls on one plan line share one set of lines,
// registered under both; the wall plan draws solid lines on the wall layer,
// a top slab plan leaves out walls that meet no top slab.
TEST(SlabPlans, WallFaceLinesAreSharedAndFilteredByPlan) {
  TankDesigner designer;
  tank::app::BuildNewTank(designer, tank::app::ReadProject(tank::app::ExampleProject("buried-two-cell"), "x"), "x");
  Tank& tank = designer.GetTank();
  g_ViewBoard.Reset();
  const BoardPtr wall = tank.GetWalls().front();
  const auto twin = boost::make_shared<Board>(*wall);
  {
    TopBoardReinView view(&g_ViewBoard, ViewSettings(), ViewVolumn());
    view.DrawBoardPlans(tank, 1.0, 0, {wall, twin});
    EntityList a, b;
    ASSERT_TRUE(view.GetObjectEntities(wall, a));
    ASSERT_TRUE(view.GetObjectEntities(twin, b));
    EXPECT_EQ(a, b);
    ASSERT_FALSE(a.empty());
    for (const EntityPtr& e : a) {
      EXPECT_EQ(view.GetEntityKind(e), kKindBoardOutline);
      EXPECT_EQ(e->GetLayer(), GetLayerName(11));
    }
  }
  {
    // A wall standing on no top slab (the twin is not in the tank).
    TopBoardReinView view(&g_ViewBoard, ViewSettings(), ViewVolumn());
    view.DrawBoardPlans(tank, 1.0, 2, {twin});
    EntityList none;
    EXPECT_FALSE(view.GetObjectEntities(twin, none));
  }
  g_ViewBoard.Reset();
}

}  // namespace
