// The slab reinforcement plans: slab outlines, per-slab labels, slab labels,
// and the bottom and top plans of a designed tank.
#include "app/NewTank.h"
#include "app/ProjectFile.h"
#include "designer/TankDesigner.h"
#include "drawing/ResultLabels.h"
#include "drawing/SlabPlanBoardDrawer.h"
#include "tests/export_readers.h"
#include "tests/test_paths.h"
#include "view/BoardResultText.h"
#include "view/DrawingRoutines.h"
#include "view/LineReinEntity.h"
#include "view/ReinLabel.h"
#include "view/SlabPlanRein.h"
#include "views/DrawingViews.h"

#include <gtest/gtest.h>

#include <boost/make_shared.hpp>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>

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
      EXPECT_EQ(t->GetLayer(), GetLayerName(8));  // with the slab's own result labels
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

// ---------------------------------------------------------------------------
// Both slab plans of every example, drawn as the plan commands draw them (the
// plan, the bars of all its slabs, the automatic dimensions and the title),
// held to what an engineer reads off them.

// A built-in example, analysed and designed once per test program.
TankDesigner& DesignedExample(const std::string& name) {
  static std::map<std::string, std::unique_ptr<TankDesigner>> designed;
  std::unique_ptr<TankDesigner>& designer = designed[name];
  if (!designer) {
    designer = std::make_unique<TankDesigner>();
    tank::app::BuildNewTank(*designer, tank::app::ReadProject(tank::app::ExampleProject(name), name), name);
    EXPECT_TRUE(designer->Analyse()) << name;
    designer->DesignRein(nullptr);
  }
  return *designer;
}

std::vector<int> PlanKinds(const Tank& tank) {
  std::vector<int> kinds{1};
  if (!tank.GetTopSlabs().empty()) kinds.push_back(2);
  return kinds;
}

// The plan of slab kind 1 (bottom) or 2 (top) at 1:scale, placed with its
// upper left corner at the origin.
boost::shared_ptr<SlabReinPlanView> DrawSlabPlan(TankDesigner& designer, int kind, const ViewSettings& settings,
                                                 double scale = 100) {
  boost::shared_ptr<SlabReinPlanView> view;
  if (kind == 1)
    view = boost::make_shared<BottomBoardReinView>(&g_ViewBoard, settings, ViewVolumn());
  else
    view = boost::make_shared<TopBoardReinView>(&g_ViewBoard, settings, ViewVolumn());
  Tank& tank = designer.GetTank();
  if (!view->Draw(tank, scale, settings, true, _3dPoint(0, 0, 0))) return nullptr;
  view->DrawAllRein(tank, settings);
  designer.AutoDimensionPlan(view.get());  // the four chains, then the title
  return view;
}

double SegmentDistance(const _2dPoint& p, const _2dPoint& a, const _2dPoint& b) {
  const _2dVector ab = b - a, ap = p - a;
  const double len2 = ab.x * ab.x + ab.y * ab.y;
  double t = len2 > 0 ? (ap.x * ab.x + ap.y * ab.y) / len2 : 0.0;
  t = std::clamp(t, 0.0, 1.0);
  const _2dPoint q(a.x + ab.x * t, a.y + ab.y * t);
  return std::hypot(p.x - q.x, p.y - q.y);
}

// Distance of p from the closed ring, 0 inside it.
double DistanceOutsideRing(const std::vector<_2dPoint>& ring, const _2dPoint& p) {
  bool inside = false;
  double nearest = 1e300;
  for (std::size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++) {
    const _2dPoint& a = ring[i];
    const _2dPoint& b = ring[j];
    if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x) inside = !inside;
    nearest = std::min(nearest, SegmentDistance(p, a, b));
  }
  return inside ? 0.0 : nearest;
}

// The straight parts of the drawn bars of a view.
std::vector<_2dLine> DrawnMainSegments(const TankView& view) {
  EntityKindPairs kinds;
  view.ListEntityKinds(kinds);
  std::vector<_2dLine> out;
  for (const auto& [e, kind] : kinds)
    if (kind == kKindReinLine)
      if (const auto pl = boost::dynamic_pointer_cast<_2dPolyline>(e); pl && pl->VerNums() >= 2)
        out.push_back(GetReinMainSegment(pl));
  return out;
}

// How far beyond a slab's edges its bars may run in the drawing: the widest
// wall face (bars end in the walls) and, on a slab with an overhang, the
// overhang beyond it.
double BarReach(const Tank& tank, const BoardPtr& slab, double factor) {
  double wall = 0.0, overhang = 0.0;
  for (const BoardPtr& w : tank.GetWalls()) wall = std::max({wall, w->GetUpperOffset(), w->GetLowerOffset()});
  for (const BoardEdge& e : slab->GetEdges()) {
    double len = 0.0;
    if (e.GetOverhang(len)) overhang = std::max(overhang, len);
  }
  return (wall + overhang) * factor;
}

// The face and edge zones of the slabs a plan shows, each once.
std::vector<ReinZonePtr> FaceAndEdgeZones(const std::vector<BoardPtr>& slabs) {
  std::vector<ReinZonePtr> zones;
  const auto add = [&](const std::vector<ReinZonePtr>& list) {
    for (const ReinZonePtr& z : list)
      if (z && std::find(zones.begin(), zones.end(), z) == zones.end()) zones.push_back(z);
  };
  for (const BoardPtr& s : slabs) {
    add(s->GetUpperZones());
    add(s->GetLowerZones());
    for (const BoardEdge& e : s->GetEdges()) {
      add(e.GetUpperZones());
      add(e.GetLowerZones());
    }
  }
  return zones;
}

class SlabPlanExamples : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override { g_ViewBoard.Reset(); }
  void TearDown() override { g_ViewBoard.Reset(); }
  TankDesigner& Designer() { return DesignedExample(GetParam()); }
  Tank& GetTank() { return Designer().GetTank(); }
  ViewSettings Settings() { return Designer().GetSettings().GetViewSettings(); }
  std::vector<BoardPtr> Slabs(int kind) { return kind == 1 ? GetTank().GetBottomSlabs() : GetTank().GetTopSlabs(); }
};

// Every drawn bar's straight part lies within the drawn outline of one of its
// zone's slabs grown by the walls on its edges and the overhang; every label
// text reads the zone's grade, diameter and spacing and every bubble its mark.
TEST_P(SlabPlanExamples, DesignedTankBarsLieOnTheirSlabsAndLabelsMatchTheirZones) {
  Tank& tank = GetTank();
  for (int kind : PlanKinds(tank)) {
    SCOPED_TRACE(testing::Message() << "plan " << kind);
    const auto view = DrawSlabPlan(Designer(), kind, Settings());
    ASSERT_TRUE(view);
    // The examples draw every zone.
    for (const auto& f : view->GetZoneFailures()) {
      ADD_FAILURE() << "zone " << (f.zone ? f.zone->GetNumber() : -1) << " not drawn: " << f.reason;
    }
    const double factor = view->GetDrawingFactor();
    const std::vector<BoardPtr> slabs = Slabs(kind);
    ASSERT_FALSE(slabs.empty());

    int bars = 0, labels = 0, marks = 0;
    for (const ReinZonePtr& zone : FaceAndEdgeZones(slabs)) {
      EntityList entities;
      if (!view->GetObjectEntities(zone, entities)) continue;
      std::vector<BoardPtr> own;
      for (const BoardPtr& s : slabs) {
        const auto& all = s->GetAllZones();
        if (std::find(all.begin(), all.end(), zone) != all.end()) own.push_back(s);
      }
      ASSERT_FALSE(own.empty()) << "zone " << zone->GetNumber();
      for (const EntityPtr& e : entities) {
        const int k = view->GetEntityKind(e);
        if (k == kKindReinLine) {
          const auto pl = boost::dynamic_pointer_cast<_2dPolyline>(e);
          ASSERT_TRUE(pl && pl->VerNums() >= 2) << "zone " << zone->GetNumber();
          ++bars;
          const _2dLine main = GetReinMainSegment(pl);
          for (const _2dPoint& p : {main.GetStartPoint(), main.GetEndPoint()}) {
            double outside = 1e300;
            for (const BoardPtr& s : own)
              outside = std::min(outside, DistanceOutsideRing(view->ProjectBoard(s), p) - BarReach(tank, s, factor));
            EXPECT_LE(outside, 1e-6) << "zone " << zone->GetNumber() << " bar end " << p.x << "," << p.y;
          }
        } else if (k == kKindReinText) {
          const auto t = boost::dynamic_pointer_cast<_Text>(e);
          ASSERT_TRUE(t);
          ++labels;
          EXPECT_EQ(t->GetText(), FormatReinText(2, GetReinGradeIndex(zone->GetGrade()), zone->GetDiameter(),
                                                 zone->GetSpacing(), 0));
        } else if (k == kKindReinMark) {
          const auto o = boost::dynamic_pointer_cast<Ordinal>(e);
          ASSERT_TRUE(o);
          ++marks;
          EXPECT_EQ(o->GetNumber(), zone->GetNumber());
        }
      }
    }
    EXPECT_GT(bars, 0);
    EXPECT_GT(labels, 0);
    EXPECT_GT(marks, 0);
    g_ViewBoard.Reset();
  }
}

// With the range dimensions off every face and edge zone with bars gets
// exactly one drawn bar (with them on, a group of zones shows one bar).
TEST_P(SlabPlanExamples, OneDrawnBarPerZoneWithoutRangeDimensions) {
  Tank& tank = GetTank();
  ViewSettings settings = Settings();
  settings.m_bNearRangeDims = settings.m_bFarRangeDims = false;
  for (int kind : PlanKinds(tank)) {
    SCOPED_TRACE(testing::Message() << "plan " << kind);
    const auto view = DrawSlabPlan(Designer(), kind, settings);
    ASSERT_TRUE(view);
    int zones = 0;
    for (const ReinZonePtr& zone : FaceAndEdgeZones(Slabs(kind))) {
      if (zone->GetReins().empty()) continue;
      ++zones;
      EntityList entities;
      view->GetObjectEntities(zone, entities);
      const auto drawn = std::count_if(entities.begin(), entities.end(),
                                       [&](const EntityPtr& e) { return view->GetEntityKind(e) == kKindReinLine; });
      EXPECT_EQ(drawn, 1) << "zone " << zone->GetNumber() << " category " << zone->GetCategory();
    }
    EXPECT_GT(zones, 0);
    // No range dimension is drawn; section marks may be.
    EntityKindPairs kinds;
    view->ListEntityKinds(kinds);
    for (const auto& [e, k] : kinds)
      if (k == kKindRangeDimension) EXPECT_NE(e->GetLayer(), GetLayerName(16));
    g_ViewBoard.Reset();
  }
}

// Every range circle lies on a drawn bar and on the line its dimension
// measures; every section mark runs from a bar end to a wall's axis or face
// and shows that distance in model millimetres.
TEST_P(SlabPlanExamples, RangeCirclesOnBarsAndSectionMarksShowModelLengths) {
  Tank& tank = GetTank();
  for (int kind : PlanKinds(tank)) {
    SCOPED_TRACE(testing::Message() << "plan " << kind);
    const auto view = DrawSlabPlan(Designer(), kind, Settings());
    ASSERT_TRUE(view);
    const double factor = view->GetDrawingFactor();
    _3dVector placement;
    view->GetPlacement(placement);
    const std::vector<_2dLine> bars = DrawnMainSegments(*view);
    const auto onBar = [&](const _2dPoint& p) {
      return std::any_of(bars.begin(), bars.end(), [&](const _2dLine& l) {
        return SegmentDistance(p, l.GetStartPoint(), l.GetEndPoint()) < 1e-6;
      });
    };
    const auto atBarEnd = [&](const _2dPoint& p) {
      return std::any_of(bars.begin(), bars.end(), [&](const _2dLine& l) {
        return std::hypot(p.x - l.GetStartPoint().x, p.y - l.GetStartPoint().y) < 1e-6 ||
               std::hypot(p.x - l.GetEndPoint().x, p.y - l.GetEndPoint().y) < 1e-6;
      });
    };
    // A wall's axis and faces in the drawing.
    struct WallLines {
      _2dPoint a, b;
      double upper, lower;
    };
    std::vector<WallLines> walls;
    for (const BoardPtr& w : tank.GetWalls()) {
      _2dLine axis;
      if (!GetWallPlanLine(w, axis)) continue;
      const auto place = [&](const _2dPoint& p) { return _2dPoint(p.x * factor + placement.x, p.y * factor + placement.y); };
      walls.push_back({place(axis.GetStartPoint()), place(axis.GetEndPoint()), w->GetUpperOffset() * factor,
                       w->GetLowerOffset() * factor});
    }
    const auto onWallAxisOrFace = [&](const _2dPoint& p) {
      for (const WallLines& w : walls) {
        const _2dVector d = w.b - w.a;
        const double len = std::hypot(d.x, d.y);
        const double across = std::fabs(d.x * (p.y - w.a.y) - d.y * (p.x - w.a.x)) / len;
        const double along = (d.x * (p.x - w.a.x) + d.y * (p.y - w.a.y)) / len;
        if (along < -1e-6 - std::max(w.upper, w.lower) || along > len + 1e-6 + std::max(w.upper, w.lower)) continue;
        if (across < 1e-6 || std::fabs(across - w.upper) < 1e-6 || std::fabs(across - w.lower) < 1e-6) return true;
      }
      return false;
    };

    EntityKindPairs kinds;
    view->ListEntityKinds(kinds);
    int circles = 0, sectionMarks = 0;
    for (std::size_t i = 0; i < kinds.size(); ++i) {
      const auto& [e, k] = kinds[i];
      if (k != kKindRangeDimension) continue;
      if (const auto c = boost::dynamic_pointer_cast<_3dCircle>(e)) {
        ++circles;
        const _2dPoint centre(c->GetCenter().x, c->GetCenter().y);
        EXPECT_TRUE(onBar(centre)) << "circle at " << centre.x << "," << centre.y;
        ASSERT_GT(i, 0u);
        const auto dim = boost::dynamic_pointer_cast<_2dAlignedDimension>(kinds[i - 1].first);
        ASSERT_TRUE(dim);
        EXPECT_LT(SegmentDistance(centre, dim->GetFirstPoint(), dim->GetSecondPoint()), 1e-6);
      } else if (const auto dim = boost::dynamic_pointer_cast<_2dAlignedDimension>(e);
                 dim && dim->GetLayer() != GetLayerName(16)) {
        ++sectionMarks;
        const _2dPoint p = dim->GetFirstPoint(), q = dim->GetSecondPoint();
        const bool pEnd = atBarEnd(p), qEnd = atBarEnd(q);
        EXPECT_TRUE((pEnd && onWallAxisOrFace(q)) || (qEnd && onWallAxisOrFace(p)))
            << "section mark " << p.x << "," << p.y << " - " << q.x << "," << q.y;
        const double model = std::hypot(q.x - p.x, q.y - p.y) / factor;
        EXPECT_EQ(dim->GetDisplayText(), std::to_string(std::lround(model)));
      }
    }
    EXPECT_GT(circles, 0);
    // Edge zones run into the walls: where a plan has them, they are marked.
    const std::vector<BoardPtr> slabs = Slabs(kind);
    const bool edgeZones = std::any_of(slabs.begin(), slabs.end(), [](const BoardPtr& s) {
      return std::any_of(s->GetEdges().begin(), s->GetEdges().end(), [](const BoardEdge& e) {
        return !e.GetUpperZones().empty() || !e.GetLowerZones().empty();
      });
    });
    EXPECT_EQ(sectionMarks > 0, edgeZones);
    g_ViewBoard.Reset();
  }
}

// Every result label of a slab, each flag from 16 to 2048, states the slab's
// own value: the edge texts first (six per edge, in edge order), then the
// slab's labels at its centre (x direction, then y).
TEST_P(SlabPlanExamples, ResultLabelsStateTheSlabsValues) {
  Tank& tank = GetTank();
  const double limit = Settings().crackWidthLimit;
  for (int kind : PlanKinds(tank)) {
    SCOPED_TRACE(testing::Message() << "plan " << kind);
    const auto view = DrawSlabPlan(Designer(), kind, Settings());
    ASSERT_TRUE(view);
    for (const BoardPtr& slab : Slabs(kind)) {
      SCOPED_TRACE(testing::Message() << "slab B" << slab->GetNumber());
      EntityList entities;
      ASSERT_TRUE(view->GetObjectEntities(slab, entities));
      std::map<int, std::vector<boost::shared_ptr<_Text>>> texts;
      for (const EntityPtr& e : entities)
        if (const auto t = boost::dynamic_pointer_cast<_Text>(e)) texts[view->GetEntityKind(e)].push_back(t);
      const auto textsOf = [&](int k) {
        std::vector<std::string> out;
        for (const auto& t : texts[k]) out.push_back(t->GetText());
        return out;
      };
      // Seen from above: the upper face's value first.
      const bool up = slab->GetNormal().z > 0;
      const auto pair = [&](double upper, double lower) {
        return up ? FormatValuePair(upper, lower) : FormatValuePair(lower, upper);
      };
      const auto names = [&](int upper, int lower) {
        return up ? JoinTexts(GetLoadCaseName(upper), GetLoadCaseName(lower))
                  : JoinTexts(GetLoadCaseName(lower), GetLoadCaseName(upper));
      };
      const auto split = [](const std::string& s) {
        const auto at = s.find('(');
        return std::vector<std::string>{s.substr(0, at), s.substr(at)};
      };
      const auto area = [](int d, int s) { return d > 0 && s > 0 ? g_Pi * d * d * 250.0 / s : 0.0; };

      std::map<int, std::vector<std::string>> expected;
      for (const BoardEdge& edge : slab->GetEdges()) {
        const FaceValues& u = edge.GetFaceValues(true);
        const FaceValues& l = edge.GetFaceValues(false);
        expected[128].push_back(pair(u.basicMoment, l.basicMoment));
        expected[256].push_back(names(u.combination, l.combination));
        expected[512].push_back(pair(u.calcArea, l.calcArea));
        // Provided at the support: its own bars plus the face's middle zone.
        try {
          const ReinZone* zu = PickMiddleReinZone(slab->GetXAxis(), slab->GetYAxis(), slab->GetUpperZones(), edge);
          const ReinZone* zl = PickMiddleReinZone(slab->GetXAxis(), slab->GetYAxis(), slab->GetLowerZones(), edge);
          expected[1024].push_back(pair(area(u.diameter, u.spacing) + area(zu->GetDiameter(), zu->GetSpacing()),
                                        area(l.diameter, l.spacing) + area(zl->GetDiameter(), zl->GetSpacing())));
          for (const std::string& s : split(pair(u.crackWidth, l.crackWidth))) expected[2048].push_back(s);
        } catch (const std::logic_error&) {
          expected[1024].push_back("");
          expected[2048].insert(expected[2048].end(), {"", ""});
        }
      }
      char buffer[64];
      std::snprintf(buffer, sizeof buffer, "B%d", slab->GetNumber());
      expected[16] = {buffer, ""};
      std::snprintf(buffer, sizeof buffer, "H=%.0f", slab->GetThickness());
      expected[32] = {buffer, ""};
      const double level = slab->GetOrigin().z + (up ? slab->GetUpperOffset() : -slab->GetLowerOffset());
      std::snprintf(buffer, sizeof buffer, "%.3f", level * 0.001);
      expected[64] = {buffer};
      for (bool x : {true, false}) {
        const FaceValues& u = slab->GetFaceValues(true, x);
        const FaceValues& l = slab->GetFaceValues(false, x);
        expected[128].push_back(pair(u.basicMoment, l.basicMoment));
        expected[256].push_back(names(u.combination, l.combination));
        expected[512].push_back(pair(u.calcArea, l.calcArea));
        expected[1024].push_back(pair(area(u.diameter, u.spacing), area(l.diameter, l.spacing)));
        for (const std::string& s : split(pair(u.crackWidth, l.crackWidth))) expected[2048].push_back(s);
      }
      for (int flag = 16; flag <= 2048; flag *= 2) EXPECT_EQ(textsOf(flag), expected[flag]) << "flag " << flag;
      // Crack widths above the limit stand out in red.
      for (const auto& t : texts[2048]) {
        const std::string digits = t->GetText().empty() || t->GetText()[0] != '(' ? t->GetText()
                                                                                    : t->GetText().substr(1);
        if (digits.empty()) continue;
        EXPECT_EQ(t->GetColorIndex() == 1, std::stod(digits) > limit + 1e-9) << t->GetText();
      }
    }
    g_ViewBoard.Reset();
  }
}

// The box of a dimension's text as the view board draws it: the shown
// length, centred over the middle of the dimension line on the side it reads
// from, lifted 0.4 of its height.
Extents DimensionTextBox(const _2dAlignedDimension& dim) {
  const _2dPoint p = dim.GetFirstPoint(), q = dim.GetSecondPoint();
  const double h = dim.GetTextHeight();
  const double w = g_ViewBoard.MeasureTextWidth(dim.GetDisplayText(), h, 0.7, 0);
  double angle = std::atan2(q.y - p.y, q.x - p.x);
  if (angle > 0.5 * g_Pi + 1e-9) angle -= g_Pi;
  if (angle <= -0.5 * g_Pi + 1e-9) angle += g_Pi;
  const _2dVector along(std::cos(angle), std::sin(angle)), up(-std::sin(angle), std::cos(angle));
  const _2dPoint centre((p.x + q.x) / 2 + up.x * 0.9 * h, (p.y + q.y) / 2 + up.y * 0.9 * h);
  Extents box;
  for (const double a : {-0.5 * w, 0.5 * w})
    for (const double b : {-0.5 * h, 0.5 * h})
      box.Extend(_3dPoint(centre.x + along.x * a + up.x * b, centre.y + along.y * a + up.y * b, 0));
  return box;
}

// Two boxes overlap by more than a tenth of a millimetre on paper (texts
// that merely touch do not count).
bool BoxesOverlap(const Extents& a, const Extents& b) {
  const double touch = 0.1 * GetDrawingUnit();
  return std::min(a.maxX, b.maxX) > std::max(a.minX, b.minX) + touch &&
         std::min(a.maxY, b.maxY) > std::max(a.minY, b.minY) + touch;
}

// The range dimensions write their lengths over the middle of the slabs:
// no such text stands on another, nor on the labels of a slab (number,
// thickness, level) at its centre.
TEST_P(SlabPlanExamples, RangeDimensionTextsKeepClearOfEachOtherAndOfTheSlabLabels) {
  Tank& tank = GetTank();
  for (int kind : PlanKinds(tank)) {
    SCOPED_TRACE(testing::Message() << "plan " << kind);
    const auto view = DrawSlabPlan(Designer(), kind, Settings());
    ASSERT_TRUE(view);
    view->DrawLabels(tank, 7);
    EntityKindPairs kinds;
    view->ListEntityKinds(kinds);
    std::vector<std::pair<Extents, std::string>> ranges, labels;
    for (const auto& [e, k] : kinds) {
      if (const auto dim = boost::dynamic_pointer_cast<_2dAlignedDimension>(e);
          dim && k == kKindRangeDimension && dim->GetLayer() == GetLayerName(16))
        ranges.emplace_back(DimensionTextBox(*dim), dim->GetDisplayText());
      if (k == 0x4000000) {
        Extents box;
        g_ViewBoard.GetExtents(box, {e});
        const auto t = boost::dynamic_pointer_cast<_Text>(e);
        labels.emplace_back(box, t ? t->GetText() : "level mark");
      }
    }
    ASSERT_FALSE(ranges.empty());
    ASSERT_FALSE(labels.empty());
    for (std::size_t i = 0; i < ranges.size(); ++i) {
      for (std::size_t j = i + 1; j < ranges.size(); ++j)
        EXPECT_FALSE(BoxesOverlap(ranges[i].first, ranges[j].first))
            << ranges[i].second << " at " << ranges[i].first.GetCenter().x << "," << ranges[i].first.GetCenter().y
            << " on " << ranges[j].second << " at " << ranges[j].first.GetCenter().x << ","
            << ranges[j].first.GetCenter().y;
      for (const auto& [box, text] : labels)
        EXPECT_FALSE(BoxesOverlap(ranges[i].first, box))
            << ranges[i].second << " at " << ranges[i].first.GetCenter().x << "," << ranges[i].first.GetCenter().y
            << " on " << text << " at " << box.GetCenter().x << "," << box.GetCenter().y;
    }
    g_ViewBoard.Reset();
  }
}

// The labels of the face bars on the viewer's side (the slabs' upper faces
// seen from above) stand clear of each other: a label that would stand on
// an earlier one takes the other quarter of its bar.
TEST_P(SlabPlanExamples, NearFaceBarLabelsKeepClearOfEachOther) {
  Tank& tank = GetTank();
  for (int kind : PlanKinds(tank)) {
    SCOPED_TRACE(testing::Message() << "plan " << kind);
    const auto view = DrawSlabPlan(Designer(), kind, Settings());
    ASSERT_TRUE(view);
    std::vector<std::pair<Extents, std::string>> labels;
    for (const BoardPtr& slab : Slabs(kind))
      for (const ReinZonePtr& zone : slab->GetUpperZones()) {
        EntityList entities;
        if (!view->GetObjectEntities(zone, entities)) continue;
        for (const EntityPtr& e : entities) {
          const int k = view->GetEntityKind(e);
          if (k != kKindReinText && k != kKindReinMark) continue;
          Extents box;
          g_ViewBoard.GetExtents(box, {e});
          labels.emplace_back(box, "zone " + std::to_string(zone->GetNumber()));
        }
      }
    ASSERT_FALSE(labels.empty());
    for (std::size_t i = 0; i < labels.size(); ++i)
      for (std::size_t j = i + 1; j < labels.size(); ++j)
        if (labels[i].second != labels[j].second && BoxesOverlap(labels[i].first, labels[j].first)) {
          ADD_FAILURE() << labels[i].second << " at " << labels[i].first.GetCenter().x << ","
                        << labels[i].first.GetCenter().y << " on " << labels[j].second << " at "
                        << labels[j].first.GetCenter().x << "," << labels[j].first.GetCenter().y;
        }
    g_ViewBoard.Reset();
  }
}

// The standard's layer and its line type for what a slab plan draws, by the
// kind of entity: a text, a dimension, a bar part, a plan line.
std::vector<int> ExpectedCategories(int kind, const EntityPtr& e) {
  const bool text = static_cast<bool>(boost::dynamic_pointer_cast<_Text>(e));
  const bool dimension = static_cast<bool>(boost::dynamic_pointer_cast<_2dAlignedDimension>(e));
  switch (kind) {
    case kKindBoardOutline: return {11, 19};  // outer faces, hidden faces
    case 0x4: return {19};                     // haunch lines
    case 0x8: return {13};                     // slab outlines
    case 0x40000000: return {13};              // the overhang ring
    case kKindDimension: return {14};
    case kKindReinLine: return {7};
    case kKindReinFirstLeader:
    case kKindReinSecondLeader: return {9};
    case kKindReinMark:
    case kKindReinText: return {8};
    case kKindRangeDimension: return dimension ? std::vector<int>{14, 16} : text ? std::vector<int>{8}
                                                                                  : std::vector<int>{16};
    case 0x2000000: return {15, 10, 9};        // title, underline, thin line
    case 0x4000000: return {8, 9};             // slab labels and their level mark
    default: break;
  }
  if (kind >= 0x10 && kind <= 0x1000) return {8, 9};  // result labels and their level mark
  return {};
}

// Record types the DXF writer makes of a drawn entity.
std::vector<std::string> DxfTypes(const EntityPtr& e) {
  if (boost::dynamic_pointer_cast<Ordinal>(e)) return {"CIRCLE", "TEXT"};
  if (boost::dynamic_pointer_cast<_2dAlignedDimension>(e)) return {"DIMENSION"};
  if (boost::dynamic_pointer_cast<_Text>(e)) return {"TEXT"};
  if (boost::dynamic_pointer_cast<_3dCircle>(e)) return {"CIRCLE"};
  if (boost::dynamic_pointer_cast<_2dPolyline>(e)) return {"LWPOLYLINE"};
  if (boost::dynamic_pointer_cast<_2dLine>(e)) return {"LINE"};
  return {"?"};
}

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// Every text stands at least 2.5 mm high on paper, dimension texts and
// bubble numbers included; every entity lies on the layer of its category
// with that layer's line type; the DXF writer skips nothing, ezdxf's audit
// passes, and the file holds per layer as many records of each type as the
// view shows.
TEST_P(SlabPlanExamples, TextsLayersAndTheDxfOfEachPlan) {
  Tank& tank = GetTank();
  const DrawingStandard& standard = g_ViewBoard.GetDrawingStandard();
  const double u = GetDrawingUnit();
  for (int kind : PlanKinds(tank)) {
    SCOPED_TRACE(testing::Message() << "plan " << kind);
    const auto view = DrawSlabPlan(Designer(), kind, Settings());
    ASSERT_TRUE(view);
    // The result labels, shown as --results shows them.
    view->ShowHideEntitiesOfKinds(&tank, 0x1FF0, 0, false);
    EntityKindPairs kinds;
    view->ListEntityKinds(kinds);
    EntityList visible;
    std::map<std::string, int> counts;
    for (const auto& [e, k] : kinds) {
      SCOPED_TRACE(testing::Message() << "kind 0x" << std::hex << k);
      double height = -1;
      if (const auto t = boost::dynamic_pointer_cast<_Text>(e)) height = t->GetHeight();
      if (const auto d = boost::dynamic_pointer_cast<_2dAlignedDimension>(e)) height = d->GetTextHeight();
      if (const auto o = boost::dynamic_pointer_cast<Ordinal>(e)) height = o->GetDiameter() * 0.5;
      if (height >= 0) EXPECT_GE(height / u, 2.5 - 1e-9);

      const std::vector<int> categories = ExpectedCategories(k, e);
      const auto at = std::find_if(categories.begin(), categories.end(),
                                   [&](int c) { return e->GetLayer() == GetLayerName(c); });
      if (at == categories.end()) {
        ADD_FAILURE() << "layer \"" << e->GetLayer() << "\" of a " << DxfTypes(e).front();
      } else {
        const std::string lt = Upper(e->GetLinetype());
        if (!lt.empty() && lt != "BYLAYER") EXPECT_EQ(lt, Upper(standard.layers[*at].linetype)) << e->GetLayer();
      }
      if (!g_ViewBoard.IsEntityVisible(e)) continue;
      visible.push_back(e);
      for (const std::string& type : DxfTypes(e)) ++counts[(e->GetLayer().empty() ? "0" : e->GetLayer()) + "|" + type];
    }
    const std::string path = TestTempPath(kind == 1 ? "bottom.dxf" : "top.dxf");
    const ExportSummary summary = g_ViewBoard.ExportDxf(path, visible);
    EXPECT_EQ(summary.skipped, 0);
    const auto report = export_readers::ReadWithEzdxf(path);
    ASSERT_FALSE(report.is_null());
    EXPECT_TRUE(report["errors"].empty()) << report["errors"].dump();
    EXPECT_TRUE(report["fixes"].empty()) << report["fixes"].dump();
    std::map<std::string, int> read;
    for (const auto& [key, n] : report["counts"].items()) read[key] = n.get<int>();
    EXPECT_EQ(read, counts);
    g_ViewBoard.Reset();
  }
}

INSTANTIATE_TEST_SUITE_P(Examples, SlabPlanExamples,
                         ::testing::Values("open-single-cell", "buried-two-cell", "grid-3x2"),
                         [](const testing::TestParamInfo<std::string>& info) {
                           std::string name = info.param;
                           for (char& c : name)
                             if (c == '-') c = '_';
                           return name;
                         });

// What a plan holds, in registration order: each entity's kind, type, and
// its points or text, rounded to a tenth of a drawing unit.
std::vector<std::string> PlanRecord(const TankView& view) {
  EntityKindPairs kinds;
  view.ListEntityKinds(kinds);
  std::vector<std::string> record;
  char buffer[128];
  const auto point = [&](double x, double y) {
    std::snprintf(buffer, sizeof buffer, " %.1f,%.1f", x, y);
    return std::string(buffer);
  };
  for (const auto& [e, k] : kinds) {
    std::string line = std::to_string(k) + " " + DxfTypes(e).front();
    if (const auto t = boost::dynamic_pointer_cast<_Text>(e))
      line += " " + t->GetText() + point(t->GetPosition().x, t->GetPosition().y);
    else if (const auto l = boost::dynamic_pointer_cast<_2dLine>(e))
      line += point(l->GetStartPoint().x, l->GetStartPoint().y) + point(l->GetEndPoint().x, l->GetEndPoint().y);
    else if (const auto pl = boost::dynamic_pointer_cast<_2dPolyline>(e))
      for (const _3dPoint& v : pl->GetVertices()) line += point(v.x, v.y);
    else if (const auto d = boost::dynamic_pointer_cast<_2dAlignedDimension>(e))
      line += " " + d->GetDisplayText() + point(d->GetFirstPoint().x, d->GetFirstPoint().y) +
              point(d->GetSecondPoint().x, d->GetSecondPoint().y);
    else if (const auto o = boost::dynamic_pointer_cast<Ordinal>(e))
      line += " " + std::to_string(o->GetNumber()) + point(o->GetCenter().x, o->GetCenter().y);
    else if (const auto c = boost::dynamic_pointer_cast<_3dCircle>(e))
      line += point(c->GetCenter().x, c->GetCenter().y);
    record.push_back(line);
  }
  return record;
}

// A plan does not depend on where its tank's zones happen to lie in memory:
// the same tank designed again, after other designs came and went, draws
// the same entities in the same order.
TEST(SlabPlans, TheSameTankDrawsTheSamePlanWhereverItsZonesLie) {
  for (const std::string name : {"buried-two-cell", "grid-3x2"}) {
    SCOPED_TRACE(name);
    std::vector<std::unique_ptr<TankDesigner>> designs;
    const auto design = [&](const std::string& example) {
      auto d = std::make_unique<TankDesigner>();
      tank::app::BuildNewTank(*d, tank::app::ReadProject(tank::app::ExampleProject(example), example), example);
      EXPECT_TRUE(d->Analyse());
      d->DesignRein(nullptr);
      return d;
    };
    std::vector<std::vector<std::string>> records;
    for (int round = 0; round < 3; ++round) {
      // Other designs made and dropped in between shuffle the free store.
      for (int k = 0; k < round; ++k) design(k % 2 ? "open-single-cell" : "grid-3x2");
      designs.push_back(design(name));
      for (int kind : PlanKinds(designs.back()->GetTank())) {
        g_ViewBoard.Reset();
        const auto view = DrawSlabPlan(*designs.back(), kind, designs.back()->GetSettings().GetViewSettings());
        ASSERT_TRUE(view);
        records.push_back(PlanRecord(*view));
      }
    }
    const std::size_t perRound = records.size() / 3;
    for (std::size_t i = perRound; i < records.size(); ++i) EXPECT_EQ(records[i], records[i % perRound]) << i;
    g_ViewBoard.Reset();
  }
}

// The same plan at 1:50 is twice as large, shows the same model lengths on
// every dimension and section mark, and its title reads "1:50".
TEST(SlabPlans, AtHalfTheScaleTwiceAsLargeWithTheSameValues) {
  g_ViewBoard.Reset();
  TankDesigner& designer = DesignedExample("grid-3x2");
  const ViewSettings settings = designer.GetSettings().GetViewSettings();
  struct Drawn {
    std::vector<std::string> values, title;
    Extents plan;
    std::vector<_2dLine> bars;  // from the upper left corner of the plan
  };
  const auto draw = [&](double scale) {
    Drawn d;
    const auto view = DrawSlabPlan(designer, 1, settings, scale);
    EXPECT_TRUE(view);
    if (!view) return d;
    EntityKindPairs kinds;
    view->ListEntityKinds(kinds);
    for (const auto& [e, k] : kinds) {
      if (const auto dim = boost::dynamic_pointer_cast<_2dAlignedDimension>(e)) d.values.push_back(dim->GetDisplayText());
      if (const auto t = boost::dynamic_pointer_cast<_Text>(e); t && k == 0x2000000) d.title.push_back(t->GetText());
    }
    std::sort(d.values.begin(), d.values.end());
    d.plan = view->GetExtent(kKindBoardOutline | 0x8 | 0x40000000);
    for (const _2dLine& l : DrawnMainSegments(*view)) {
      const auto local = [&](const _2dPoint& p) { return _2dPoint(p.x - d.plan.minX, p.y - d.plan.maxY); };
      d.bars.emplace_back(local(l.GetStartPoint()), local(l.GetEndPoint()));
    }
    return d;
  };
  const Drawn normal = draw(100), large = draw(50);
  ASSERT_FALSE(normal.values.empty());
  EXPECT_EQ(large.values, normal.values);
  EXPECT_NE(std::find(normal.title.begin(), normal.title.end(), "1:100"), normal.title.end());
  EXPECT_NE(std::find(large.title.begin(), large.title.end(), "1:50"), large.title.end());
  EXPECT_EQ(std::find(large.title.begin(), large.title.end(), "1:100"), large.title.end());
  EXPECT_NEAR(large.plan.maxX - large.plan.minX, 2 * (normal.plan.maxX - normal.plan.minX), 1e-6);
  EXPECT_NEAR(large.plan.maxY - large.plan.minY, 2 * (normal.plan.maxY - normal.plan.minY), 1e-6);
  ASSERT_EQ(large.bars.size(), normal.bars.size());
  for (std::size_t i = 0; i < normal.bars.size(); ++i) {
    EXPECT_NEAR(large.bars[i].GetStartPoint().x, 2 * normal.bars[i].GetStartPoint().x, 1e-6) << i;
    EXPECT_NEAR(large.bars[i].GetStartPoint().y, 2 * normal.bars[i].GetStartPoint().y, 1e-6) << i;
    EXPECT_NEAR(large.bars[i].GetEndPoint().x, 2 * normal.bars[i].GetEndPoint().x, 1e-6) << i;
    EXPECT_NEAR(large.bars[i].GetEndPoint().y, 2 * normal.bars[i].GetEndPoint().y, 1e-6) << i;
  }
  g_ViewBoard.Reset();
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
