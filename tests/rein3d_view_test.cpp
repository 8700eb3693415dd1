// The 3D rebar view: bars drawn in 3D (arcs in short chords, rings as
// circles), the view-mode filter over zones of every category, and the
// designer's two commands around the one view of its list.
#include "designer/TankDesigner.h"
#include "modelview/CTankRein3DView.h"
#include "modelview/TankModel3DView.h"
#include "tests/export_readers.h"
#include "tests/tank_fixtures.h"
#include "tests/test_paths.h"

#include <boost/make_shared.hpp>
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;

_2dPolyline Bar(const std::vector<_3dPoint>& v, const std::vector<double>& bulges = {}, bool closed = false) {
  _2dPolyline p(v, closed);
  if (!bulges.empty()) p.SetBulges(bulges);
  return p;
}

double Distance(const _3dPoint& a, const _3dPoint& b) { return a.DistanceTo(b); }

// ---------------------------------------------------------------------------
// Arcs of bulged segments

struct ArcCase {
  const char* name;
  _2dPolyline bar;
  // The arc's circle and plane, a point it passes through, and the number of
  // points the bar gets (its vertices and the inner points of the arc).
  _3dPoint centre;
  double radius;
  _3dVector normal;
  _3dPoint through;
  std::size_t points;
};

TEST(Rein3DArcs, BulgedSegmentsBecomeChordsOnTheirArc) {
  const double quarter = std::tan(kPi / 8);
  const ArcCase cases[] = {
      // A half circle in a slab turns counter-clockwise seen from above:
      // from (0,0) to (2000,0) it passes below the chord.
      {"half circle", Bar({{0, 0, 500}, {2000, 0, 500}}, {1, 0}), {1000, 0, 500}, 1000, {0, 0, 1},
       {1000, -1000, 500}, 2 + 17},
      {"negative half circle", Bar({{0, 0, 500}, {2000, 0, 500}}, {-1, 0}), {1000, 0, 500}, 1000, {0, 0, 1},
       {1000, 1000, 500}, 2 + 17},
      {"quarter arc about the origin", Bar({{1000, 0, 0}, {0, 1000, 0}}, {quarter, 0}), {0, 0, 0}, 1000, {0, 0, 1},
       {1000 * std::cos(kPi / 6), 1000 * std::sin(kPi / 6), 0}, 2 + 8},
      // A 180-degree hook at the end of a bar in a wall along x: the arc
      // stays in the wall's plane (y = 0).
      {"hook in a wall", Bar({{0, 0, 0}, {1000, 0, 0}, {1000, 0, 200}}, {0, 1, 0}), {1000, 0, 100}, 100, {0, 1, 0},
       {900, 0, 100}, 3 + 17},
      // The closing segment of a closed bar: the arc ends on the first
      // vertex, which the closed flag joins.
      {"closing arc", Bar({{0, 0, 0}, {1000, 0, 0}}, {0, 1}, true), {500, 0, 0}, 500, {0, 0, 1}, {500, 500, 0},
       2 + 17},
  };
  for (const ArcCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<_3dPoint> original = c.bar.GetVertices();
    const std::vector<_3dPoint> points = CTankRein3DView::TessellateBar(c.bar);
    ASSERT_EQ(points.size(), c.points);
    const _3dVector n = CTankRein3DView::BarPlaneNormal(original);
    EXPECT_NEAR(std::fabs(n.DotProduct(c.normal)), 1.0, 1e-9);
    bool passes = false;
    for (const _3dPoint& p : points) {
      const bool vertex = std::any_of(original.begin(), original.end(),
                                      [&](const _3dPoint& v) { return Distance(v, p) < 1e-6; });
      if (!vertex) {
        EXPECT_NEAR(Distance(p, c.centre), c.radius, 1e-6);
        EXPECT_NEAR((p - c.centre).DotProduct(c.normal), 0.0, 1e-6);
      }
      passes = passes || Distance(p, c.through) < 1e-6;
    }
    EXPECT_TRUE(passes);
    // Chords of at most 10 degrees along the arc (the bar's straight
    // segments are kept as they are).
    auto isVertex = [&](const _3dPoint& p) {
      return std::any_of(original.begin(), original.end(), [&](const _3dPoint& v) { return Distance(v, p) < 1e-6; });
    };
    for (std::size_t i = 1; i < points.size(); ++i)
      if (!isVertex(points[i - 1]) || !isVertex(points[i]))
        EXPECT_LE(Distance(points[i - 1], points[i]), 2 * c.radius * std::sin(kPi / 36) + 1e-6);
    // Every vertex of the bar stays, in order.
    std::size_t next = 0;
    for (const _3dPoint& p : points)
      if (next < original.size() && Distance(p, original[next]) < 1e-9) ++next;
    EXPECT_EQ(next, original.size());
  }
}

TEST(Rein3DArcs, StraightBarsKeepTheirVertices) {
  const _2dPolyline bar = Bar({{0, 0, 0}, {3000, 0, 0}, {3000, 0, 400}});
  Rein rein;
  rein.SetPolyline(bar);
  const EntityPtr entity = CTankRein3DView::MakeBarEntity(rein, "bars");
  const auto* polyline = dynamic_cast<const _3dPolyline*>(entity.get());
  ASSERT_NE(polyline, nullptr);
  EXPECT_EQ(polyline->GetVertices(), bar.GetVertices());
  EXPECT_FALSE(polyline->IsClosed());
  EXPECT_EQ(entity->GetLayer(), "bars");
  EXPECT_EQ(entity->GetColorIndex(), 1);
}

// A ring about an opening in a wall along x (the plane y = 2000): from A
// over B back to A and on by the lap to C.
_2dPolyline WallRing(double lapAngle) {
  const _3dPoint centre(1500, 2000, 1200);
  const double r = 330;
  const _3dPoint a(centre.x, centre.y, centre.z + r), b(centre.x, centre.y, centre.z - r);
  const _3dPoint c(centre.x - r * std::sin(lapAngle), centre.y, centre.z + r * std::cos(lapAngle));
  return Bar({a, b, a, c}, {1, 1, 1, std::tan(lapAngle / 4)});
}

TEST(Rein3DArcs, RingsBecomeCirclesInTheirPlane) {
  _3dPoint centre;
  double radius = 0;
  _3dVector normal;
  ASSERT_TRUE(CTankRein3DView::IsRingBar(WallRing(0.6), centre, radius, normal));
  EXPECT_NEAR(Distance(centre, _3dPoint(1500, 2000, 1200)), 0.0, 1e-9);
  EXPECT_NEAR(radius, 330, 1e-9);
  EXPECT_TRUE(normal.IsParallelTo(_3dVector(0, 1, 0)));

  // Not rings: a lap without a turn, a first half that is no half circle,
  // a bar that does not come back to its start, a straight segment.
  const _2dPolyline notRings[] = {
      WallRing(0.0),
      Bar(WallRing(0.6).GetVertices(), {0.5, 1, 1, 0.2}),
      Bar({{0, 0, 0}, {0, 0, 600}, {10, 0, 0}, {50, 0, 300}}, {1, 1, 1, 0.2}),
      Bar(WallRing(0.6).GetVertices(), {1, 1, 0, 0.2}),
  };
  for (const _2dPolyline& bar : notRings) EXPECT_FALSE(CTankRein3DView::IsRingBar(bar, centre, radius, normal));

  // A ring as the design lays it: open, ending on its lap, so its last
  // bulge (of no segment) is 0; closed, the same bulges leave a straight
  // closing chord and no ring.
  const double lap = 0.6;
  const _2dPolyline designed = Bar(WallRing(lap).GetVertices(), {1, 1, std::tan(lap / 4), 0});
  ASSERT_TRUE(CTankRein3DView::IsRingBar(designed, centre, radius, normal));
  EXPECT_NEAR(radius, 330, 1e-9);
  EXPECT_TRUE(normal.IsParallelTo(_3dVector(0, 1, 0)));
  EXPECT_FALSE(CTankRein3DView::IsRingBar(Bar(designed.GetVertices(), designed.GetBulges(), true), centre, radius,
                                          normal));

  Rein rein;
  rein.SetPolyline(WallRing(0.6));
  const EntityPtr entity = CTankRein3DView::MakeBarEntity(rein, "bars");
  const auto* circle = dynamic_cast<const _3dCircle*>(entity.get());
  ASSERT_NE(circle, nullptr);
  EXPECT_NEAR(circle->GetRadius(), 330, 1e-9);
  // A lap that does not turn leaves the bar a polyline of arcs, not chords.
  rein.SetPolyline(WallRing(0.0));
  const EntityPtr arcs = CTankRein3DView::MakeBarEntity(rein, "bars");
  const auto* polyline = dynamic_cast<const _3dPolyline*>(arcs.get());
  ASSERT_NE(polyline, nullptr);
  EXPECT_GT(polyline->VerNums(), 30);
}

// ---------------------------------------------------------------------------
// Zones of every category in a one-cell tank

ReinPtr StraightBar(const _3dPoint& a, const _3dPoint& b) {
  auto rein = boost::make_shared<Rein>();
  rein->SetPolyline(Bar({a, b}));
  return rein;
}

ReinZonePtr Zone(int category, int face, int bars, double z) {
  auto zone = boost::make_shared<ReinZone>();
  zone->SetCategory(category);
  zone->SetFace(face);
  for (int i = 0; i < bars; ++i) zone->AddRein(StraightBar({0, 200.0 * i, z}, {3000, 200.0 * i, z}));
  return zone;
}

// A one-cell tank without top slab whose first bottom slab holds face
// zones (3 upper, 2 lower bars) and an edge zone (4 bars, lower face), and
// whose tank holds a haunch zone (5 bars), an opening zone (a straight bar
// and a ring), a zone of category 3 (1 bar) and a support zone (6 bars).
struct ZonedTank {
  Tank& tank;
  BoardPtr bottom, wall;
  ReinZonePtr upper, lower, edge, haunch, opening, other;
  ReinPtr ring;
  boost::shared_ptr<SupportRein> support;

  explicit ZonedTank(Tank& t) : tank(t) {
    EXPECT_TRUE(fixtures::MakeRegularTank(tank, fixtures::RegularLayout(1, 1, false, 6000, 4000)));
    for (const BoardPtr& b : tank.GetBoards()) {
      if (b->GetKind() == 1 && !bottom) bottom = b;
      if (b->GetKind() == 0 && !wall) wall = b;
    }
    upper = Zone(2, 0, 3, 100);
    lower = Zone(2, 1, 2, -100);
    bottom->GetUpperZones().push_back(upper);
    bottom->GetLowerZones().push_back(lower);
    edge = Zone(ReinZone::PEDESTAL, 1, 4, -120);
    bottom->GetEdges()[0].GetLowerZones().push_back(edge);
    haunch = Zone(4, 0, 5, 0);
    tank.AddOtherReinZone(haunch);
    opening = Zone(6, 0, 1, 0);
    ring = boost::make_shared<Rein>();
    ring->SetPolyline(WallRing(0.6));
    opening->AddRein(ring);
    tank.AddOtherReinZone(opening);
    // A zone of a category the view has no mode of: drawn by mode 0 only.
    other = Zone(3, 0, 1, 0);
    tank.AddOtherReinZone(other);
    support = boost::make_shared<SupportRein>();
    support->SetCategory(5);
    for (int i = 0; i < 6; ++i) support->AddRein(StraightBar({0, 0, 50.0 * i}, {0, 4000, 50.0 * i}));
    tank.AddSupportReins({support});
  }
};

std::map<int, int> BarsByCategory(const CTankRein3DView& view, const Tank& tank) {
  std::map<const Rein*, int> category;
  const TankReinZones zones = tank.GetReinZones();
  for (const ReinZonePtr& zone : zones.GetZones())
    for (const ReinPtr& rein : zone->GetReins()) category[rein.get()] = zone->GetCategory();
  std::map<int, int> out;
  for (const EntityPtr& entity : view.GetEntities()) {
    const ReinPtr rein = view.GetEntityRein(entity);
    EXPECT_TRUE(rein);
    if (rein) ++out[category.at(rein.get())];
  }
  return out;
}

class Rein3DViewTest : public ::testing::Test {
 protected:
  void SetUp() override { g_ViewBoard.Reset(); }
  void TearDown() override { g_ViewBoard.Reset(); }
};

TEST_F(Rein3DViewTest, ViewModesSelectTheirZoneCategories) {
  Tank tank;
  ZonedTank t(tank);
  struct ModeCase {
    int mode;
    std::map<int, int> bars;  // category -> bars drawn
  };
  const ModeCase cases[] = {
      {0, {{1, 4}, {2, 5}, {3, 1}, {4, 5}, {5, 6}, {6, 2}}},
      {1, {{2, 5}}},
      {2, {{1, 4}}},
      {3, {{4, 5}}},
      {4, {{5, 6}}},
      {5, {{6, 2}}},
      {6, {}},
      {-1, {}},
  };
  for (const ModeCase& c : cases) {
    SCOPED_TRACE(c.mode);
    CTankRein3DView view(&g_ViewBoard);
    view.m_viewMode = c.mode;
    view.RebuildObject(t.tank);
    EXPECT_EQ(BarsByCategory(view, t.tank), c.bars);
    // Every drawn bar is on the board, on the rebar-line layer, colour 1.
    for (const EntityPtr& entity : view.GetEntities()) {
      EXPECT_TRUE(g_ViewBoard.HoldsEntity(entity));
      EXPECT_EQ(entity->GetLayer(), GetLayerName(7));
      EXPECT_EQ(entity->GetColorIndex(), 1);
    }
    // The ring is a circle whenever it is drawn.
    if (const EntityList* ring = view.GetReinEntities(t.ring)) {
      ASSERT_EQ(ring->size(), 1u);
      EXPECT_NE(dynamic_cast<const _3dCircle*>(ring->front().get()), nullptr);
    }
  }
  // Views released: their bars left the board.
  EXPECT_EQ(g_ViewBoard.GetDrawingSize(), 0u);
}

TEST_F(Rein3DViewTest, PickedBoardsLimitTheFaceAndEdgeModes) {
  Tank tank;
  ZonedTank t(tank);
  struct PickCase {
    int mode;
    bool pickBottom;  // else the wall, which holds no zone
    std::map<int, int> bars;
    int lowerFaceBars;  // drawn in colour 2
  };
  const PickCase cases[] = {
      {1, true, {{2, 5}}, 2},
      {1, false, {}, 0},
      {2, true, {{1, 4}}, 4},
      {2, false, {}, 0},
      // The other modes do not look at the picked boards.
      {3, false, {{4, 5}}, 0},
  };
  for (const PickCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.mode << (c.pickBottom ? " bottom" : " wall"));
    CTankRein3DView view(&g_ViewBoard);
    view.m_viewMode = c.mode;
    // A picked object that is not a board is passed over.
    view.m_selectedObjects = {t.haunch, c.pickBottom ? t.bottom : t.wall};
    view.RebuildObject(t.tank);
    EXPECT_EQ(BarsByCategory(view, t.tank), c.bars);
    int coloured = 0;
    for (const EntityPtr& entity : view.GetEntities()) coloured += entity->GetColorIndex() == 2;
    EXPECT_EQ(coloured, c.lowerFaceBars);
  }
}

TEST_F(Rein3DViewTest, OneLayerPerZoneCategoryWhenAsked) {
  Tank tank;
  ZonedTank t(tank);
  CTankRein3DView view(&g_ViewBoard);
  view.m_layerPerCategory = true;
  view.RebuildObject(t.tank);
  std::map<std::string, int> layers;
  for (const EntityPtr& entity : view.GetEntities()) ++layers[entity->GetLayer()];
  const std::map<std::string, int> expected = {
      {"钢筋-节点", 4}, {"钢筋-板面", 5}, {"钢筋-类别3", 1}, {"钢筋-腋角", 5}, {"钢筋-支座", 6}, {"钢筋-洞口", 2}};
  EXPECT_EQ(layers, expected);
}

TEST_F(Rein3DViewTest, ZoneListDrawsEveryBarOnceAndClearErasesThem) {
  Tank tank;
  ZonedTank t(tank);
  CTankRein3DView view(&g_ViewBoard);
  view.BuildAll(std::vector<ReinZonePtr>{t.opening, t.upper, t.opening});
  EXPECT_EQ(view.GetBarCount(), 5u);
  ASSERT_NE(view.GetReinEntities(t.ring), nullptr);
  EXPECT_NE(dynamic_cast<const _3dCircle*>(view.GetReinEntities(t.ring)->front().get()), nullptr);
  const EntityList drawn = view.GetEntities();
  for (const EntityPtr& entity : drawn) EXPECT_TRUE(g_ViewBoard.HoldsEntity(entity));
  view.Clear();
  EXPECT_EQ(view.GetBarCount(), 0u);
  for (const EntityPtr& entity : drawn) EXPECT_FALSE(g_ViewBoard.HoldsEntity(entity));
}

// What a CAD program reads: the bars on their category layers, the ring of
// the wall opening a circle in the wall's plane, a hook a 3D polyline whose
// inner points lie on the hook's arc.
TEST_F(Rein3DViewTest, DxfHoldsRingsAsCirclesAndHooksAsArcPoints) {
  Tank tank;
  ZonedTank t(tank);
  auto hook = boost::make_shared<Rein>();
  hook->SetPolyline(Bar({{0, 2000, 0}, {1000, 2000, 0}, {1000, 2000, 200}}, {0, 1, 0}));
  t.other->AddRein(hook);
  CTankRein3DView view(&g_ViewBoard);
  view.m_layerPerCategory = true;
  view.RebuildObject(t.tank);
  const std::string path = TestTempPath("rebar3d.dxf");
  g_ViewBoard.ExportDxf(path, view.GetEntities());

  const export_readers::json dxf = export_readers::ReadWithEzdxf(path);
  ASSERT_FALSE(dxf.is_null());
  EXPECT_TRUE(dxf["errors"].empty()) << dxf["errors"].dump();
  const std::map<std::string, int> expected = {
      {"钢筋-节点|POLYLINE", 4}, {"钢筋-板面|POLYLINE", 5}, {"钢筋-类别3|POLYLINE", 2}, {"钢筋-腋角|POLYLINE", 5},
      {"钢筋-支座|POLYLINE", 6}, {"钢筋-洞口|POLYLINE", 1}, {"钢筋-洞口|CIRCLE", 1}};
  EXPECT_EQ(export_readers::Counts(dxf), expected);
  int hooks = 0;
  for (const auto& e : dxf["entities"]) {
    if (e["type"] == "CIRCLE") {
      const auto c = e["center_wcs"];
      EXPECT_NEAR(c[0].get<double>(), 1500, 1e-6);
      EXPECT_NEAR(c[1].get<double>(), 2000, 1e-6);
      EXPECT_NEAR(c[2].get<double>(), 1200, 1e-6);
      EXPECT_NEAR(e["radius"].get<double>(), 330, 1e-6);
      EXPECT_NEAR(std::fabs(e["extrusion"][1].get<double>()), 1.0, 1e-9);
    } else if (e["points"].size() > 3) {
      ++hooks;
      const auto& p = e["points"];
      EXPECT_EQ(p.size(), 20u);
      for (std::size_t i = 2; i + 1 < p.size(); ++i) {
        const _3dPoint q(p[i][0].get<double>(), p[i][1].get<double>(), p[i][2].get<double>());
        EXPECT_NEAR(Distance(q, _3dPoint(1000, 2000, 100)), 100, 1e-5);
      }
    }
  }
  EXPECT_EQ(hooks, 1);
}

int Rein3DViewCount(const TankDesigner& designer) {
  int n = 0;
  for (const auto& view : designer.GetViews()) n += view && typeid(*view) == typeid(CTankRein3DView);
  return n;
}

TEST_F(Rein3DViewTest, DesignerShowsTheBarsOfADesignedTankInOneView) {
  TankDesigner designer;
  ZonedTank t(designer.GetTank());
  TankModel3DView* model = designer.RecreateModel3DView();
  model->Redraw(designer.GetTank());
  // Two picks of the bottom slab.
  EntityList slab;
  ASSERT_TRUE(model->GetObjectEntities(t.bottom, slab));
  EntityHandle handle;
  ASSERT_TRUE(g_ViewBoard.FindEntityHandle(slab.front(), handle));
  const EntityHandleList picked = {handle, handle};

  // Not designed yet: no view, nothing drawn.
  designer.ShowRein3DForEntities(1, picked);
  designer.ShowRein3D({t.bottom});
  EXPECT_EQ(designer.GetRein3DView(), nullptr);

  designer.SetReinDesigned(true);
  designer.ShowRein3DForEntities(1, picked);
  CTankRein3DView* view = designer.GetRein3DView();
  ASSERT_NE(view, nullptr);
  ASSERT_EQ(view->m_selectedObjects.size(), 1u);
  EXPECT_EQ(view->m_selectedObjects.front().get(), t.bottom.get());
  EXPECT_EQ(BarsByCategory(*view, designer.GetTank()), (std::map<int, int>{{2, 5}}));
  const EntityList first = view->GetEntities();

  // Again, for the whole tank: the same view, cleared and drawn anew.
  designer.ShowRein3DForEntities(0, {});
  EXPECT_EQ(Rein3DViewCount(designer), 1);
  EXPECT_EQ(designer.GetRein3DView(), view);
  EXPECT_TRUE(view->m_selectedObjects.empty());
  EXPECT_EQ(view->GetBarCount(), 23u);
  for (const EntityPtr& entity : first) EXPECT_FALSE(g_ViewBoard.HoldsEntity(entity));

  // The zones of chosen boards: the bottom slab's face and edge bars.
  designer.ShowRein3D({t.bottom, t.bottom});
  EXPECT_EQ(Rein3DViewCount(designer), 1);
  EXPECT_EQ(BarsByCategory(*view, designer.GetTank()), (std::map<int, int>{{1, 4}, {2, 5}}));
  const EntityList last = view->GetEntities();

  designer.RemoveRein3DView();
  EXPECT_EQ(designer.GetRein3DView(), nullptr);
  for (const EntityPtr& entity : last) EXPECT_FALSE(g_ViewBoard.HoldsEntity(entity));
}

}  // namespace
