// The model views: the plan of the model (walls, slabs, openings, labels,
// loads, water levels, overhang outline) and the 3D model of extruded
// solids, on the view board and in the DXF and SVG they export.
#include "app/EditScript.h"
#include "app/NewTank.h"
#include "app/ProjectFile.h"
#include "designer/TankDesigner.h"
#include "modelview/PlanSketchDrawer.h"
#include "modelview/TankModel2DView.h"
#include "modelview/TankModel3DView.h"
#include "platform/nirvox/solids.h"
#include "tank_fixtures.h"
#include "tests/test_paths.h"

#include <boost/make_shared.hpp>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <array>
#include <map>
#include <set>
#include <sstream>

namespace {

// Files a view's own record and reads it into another view of its class.
template <class View>
void FileAndReadBack(View& from, View& to) {
  std::ostringstream out;
  {
    Archive ar(out);
    from.Serialize(ar);
    ar.Close();
  }
  std::istringstream in(out.str());
  Archive ar(in);
  to.Serialize(ar);
  ar.Close();
}

using nlohmann::json;

json ReadWithEzdxf(const std::string& path) {
  const std::string command =
      std::string("/usr/bin/python3 ") + TANK_SOURCE_DIR + "/tests/tools/dxf_report.py '" + path + "' 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return json();
  std::string out;
  char buffer[4096];
  while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
  if (pclose(pipe) != 0) {
    ADD_FAILURE() << "the DXF reader failed on " << path << ":\n" << out;
    return json();
  }
  return json::parse(out);
}

using Counts = std::map<std::string, int>;

Counts SvgCounts(const std::string& path) {
  std::ifstream f(path);
  std::stringstream s;
  s << f.rdbuf();
  const std::string text = s.str();
  Counts counts;
  const std::string typeTag = "<g data-type=\"", layerTag = "\" data-layer=\"";
  for (std::size_t at = text.find(typeTag); at != std::string::npos; at = text.find(typeTag, at + 1)) {
    const std::size_t typeStart = at + typeTag.size();
    const std::size_t typeEnd = text.find(layerTag, typeStart);
    const std::size_t layerStart = typeEnd + layerTag.size();
    const std::size_t layerEnd = text.find('"', layerStart);
    ++counts[text.substr(layerStart, layerEnd - layerStart) + "|" + text.substr(typeStart, typeEnd - typeStart)];
  }
  return counts;
}

Counts DxfCounts(const json& r) {
  Counts counts;
  for (const auto& [key, n] : r["counts"].items()) counts[key] = n.get<int>();
  return counts;
}

// "layer|DXF type" of an entity.
std::string LayerAndType(const EntityPtr& entity) {
    std::string type = "?";
    if (dynamic_cast<_2dLine*>(entity.get()) || dynamic_cast<_3dLine*>(entity.get())) type = "LINE";
    else if (dynamic_cast<_2dArc*>(entity.get())) type = "ARC";
    else if (dynamic_cast<_2dPolyline*>(entity.get())) type = "LWPOLYLINE";
    else if (dynamic_cast<_3dCircle*>(entity.get())) type = "CIRCLE";
    else if (dynamic_cast<_Text*>(entity.get())) type = "TEXT";
    else if (dynamic_cast<_3dExtrudant*>(entity.get())) type = "POLYLINE";
    return (entity->GetLayer().empty() ? std::string("0") : entity->GetLayer()) + "|" + type;
}

// The entities a view registered, by "layer|DXF type".
Counts RegistryCounts(const TankView& view) {
  EntityOwnerPairs pairs;
  view.ListEntityOwners(pairs);
  Counts counts;
  for (const auto& [entity, owners] : pairs) ++counts[LayerAndType(entity)];
  return counts;
}

// The entities of entity groups, by "layer|DXF type".
Counts GroupCounts(const ModelPlanGroups& groups) {
  Counts counts;
  for (const EntityList& group : groups)
    for (const EntityPtr& e : group) ++counts[LayerAndType(e)];
  return counts;
}

std::vector<std::string> Texts(const EntityList& entities) {
  std::vector<std::string> texts;
  for (const EntityPtr& e : entities)
    if (const auto* t = dynamic_cast<const _Text*>(e.get())) texts.push_back(t->GetText());
  return texts;
}

// A level square slab 0..size in plan, its reference plane at z, with
// chosen face offsets.
BoardPtr MakeSlab(int kind, double size, double z, double upper = 150, double lower = 150) {
  auto slab = boost::make_shared<Board>();
  slab->SetKind(kind);
  slab->SetOrigin(_3dPoint(0, 0, z));
  slab->SetUpperOffset(upper);
  slab->SetLowerOffset(lower);
  const _2dPoint c[4] = {{0, 0}, {size, 0}, {size, size}, {0, size}};
  std::vector<BoardEdge> edges(4);
  for (int i = 0; i < 4; ++i) edges[i].SetLine(_2dLine(c[i], c[(i + 1) % 4]));
  slab->SetEdges(edges);
  return slab;
}

boost::shared_ptr<CircleHole> Circle(double x, double y, double r) {
  auto h = boost::make_shared<CircleHole>();
  h->SetCenter(_2dPoint(x, y));
  h->SetRadius(r);
  return h;
}

boost::shared_ptr<RectangleHole> Rectangle(double x0, double y0, double x1, double y1) {
  auto h = boost::make_shared<RectangleHole>();
  h->SetCorners({{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}});
  return h;
}

// An opening kind the views do not know.
class SlotHole : public CircleHole {};

// A 2 × 1 covered tank with a circular opening in its first wall, a
// rectangular and a circular opening in its first bottom slab and a point
// load on it.
struct ExampleTank {
  Tank tank;
  ExampleTank() {
    EXPECT_TRUE(fixtures::MakeRegularTank(tank, fixtures::RegularLayout(2, 1, true), true));
    tank.GetWalls().front()->AddHole(Circle(1500, 2000, 400));
    const BoardPtr slab = tank.GetBottomSlabs().front();
    slab->AddHole(Rectangle(1000, 1000, 2000, 1800));
    slab->AddHole(Circle(4000, 3000, 300));
    auto load = boost::make_shared<PointLoad>();
    load->SetDistribution(1);
    load->SetValue(10.9, _3dPoint(3000, 2000, -3200));
    slab->AddLoad(load);
  }
};

// --- The model plan ------------------------------------------------------------------

TEST(ModelPlan, PlanOfARegularTankAgreesWithTheTankInRegistryDxfAndSvg) {
  ExampleTank example;
  AcadViewBoard board;
  TankModel2DView view(&board);
  view.m_labelMode = LabelMode::kNames;
  view.Redraw(example.tank);

  const std::size_t walls = example.tank.GetWalls().size();
  ASSERT_EQ(walls, 7u);
  Counts mine = RegistryCounts(view);
  EXPECT_EQ(mine[GetLayerName(18) + "|LINE"], 7);           // one axis line per wall line
  EXPECT_EQ(mine[GetLayerName(0) + "|TEXT"], 7);            // one wall name per wall line
  EXPECT_EQ(mine[GetLayerName(3) + "|LWPOLYLINE"], 1);      // the wall opening across the wall
  EXPECT_EQ(mine[GetLayerName(1) + "|LWPOLYLINE"], 2);      // two bottom-slab outlines
  EXPECT_EQ(mine[GetLayerName(1) + "|TEXT"], 2);            // two slab names
  EXPECT_EQ(mine[GetLayerName(4) + "|LWPOLYLINE"], 1);      // rectangular slab opening
  EXPECT_EQ(mine[GetLayerName(4) + "|CIRCLE"], 1);          // circular slab opening
  EXPECT_EQ(mine.count(GetLayerName(2) + "|LWPOLYLINE"), 0u);  // no top slab on the bottom plan
  EXPECT_EQ(mine.count(GetLayerName(6) + "|TEXT"), 0u);        // loads only in label mode 4
  EXPECT_GT(mine[GetLayerName(0) + "|LINE"], 0);

  const std::string dxf = TestTempPath("plan.dxf"), svg = TestTempPath("plan.svg");
  board.ExportDxf(dxf);
  board.ExportSvg(svg);
  const json r = ReadWithEzdxf(dxf);
  ASSERT_FALSE(r.is_null());
  EXPECT_EQ(r["errors"], json::array()) << r["errors"].dump();
  EXPECT_EQ(r["fixes"], json::array()) << r["fixes"].dump();
  EXPECT_EQ(DxfCounts(r), mine);
  EXPECT_EQ(SvgCounts(svg), mine);
  // The slab names of the plan, in unit order.
  std::vector<std::string> texts = r["texts"];
  EXPECT_NE(std::find(texts.begin(), texts.end(), "底板1"), texts.end());
  EXPECT_NE(std::find(texts.begin(), texts.end(), "底板2"), texts.end());
}

TEST(ModelPlan, TopPlanDrawsTopSlabsAndNoOverhang) {
  ExampleTank example;
  fixtures::MakeRegularTank(example.tank, fixtures::RegularLayout(2, 1, true), true);
  TankModeler().MarkSlabOverhangs(example.tank, 500);
  AcadViewBoard board;
  TankModel2DView view(&board);
  view.m_planKind = PlanKind::kTopSlabs;
  view.m_bottomSlabOverhang = 500;
  view.Redraw(example.tank);
  Counts mine = RegistryCounts(view);
  EXPECT_EQ(mine[GetLayerName(2) + "|LWPOLYLINE"], 2);
  EXPECT_EQ(mine[GetLayerName(2) + "|TEXT"], 2);
  EXPECT_EQ(mine.count(GetLayerName(1) + "|LWPOLYLINE"), 0u);
  EXPECT_EQ(mine.count(GetLayerName(1) + "|LINE"), 0u);  // the overhang ring is a bottom-plan item
}

TEST(ModelPlan, OverhangRingLiesOutsideTheWallsOuterFaces) {
  Tank tank;
  ASSERT_TRUE(fixtures::MakeRegularTank(tank, fixtures::RegularLayout(1, 1, false, 10000, 6000), true));
  TankModeler().MarkSlabOverhangs(tank, 500);
  AcadViewBoard board;
  TankModel2DView view(&board);
  const ModelPlanGroups groups = view.DrawOverhangOutline(tank.GetBottomSlabs(), 500, tank);
  ASSERT_EQ(groups.size(), 1u);
  ASSERT_EQ(groups[0].size(), 4u);
  Extents box;
  for (const EntityPtr& e : groups[0]) {
    EXPECT_EQ(e->GetColorIndex(), 7);
    EXPECT_EQ(e->GetLayer(), GetLayerName(1));
    box.Extend(e->GetExtents());
  }
  // 500 beyond the outer faces, which lie 150 outside the reference lines.
  EXPECT_NEAR(box.minX, -650, 1e-6);
  EXPECT_NEAR(box.minY, -650, 1e-6);
  EXPECT_NEAR(box.maxX, 10650, 1e-6);
  EXPECT_NEAR(box.maxY, 6650, 1e-6);
  EXPECT_EQ(view.GetEntityKind(groups[0][0]), kKindModelView);
}

TEST(ModelPlan, ZoomsOnlyWhenAskedAndOnlyWhenSomethingWasDrawn) {
  ExampleTank example;
  {
    AcadViewBoard board;
    TankModel2DView view(&board);
    view.m_zoomOnRedraw = true;
    view.Redraw(example.tank);
    const Extents box = view.GetExtent(kKindMaskAll);
    EXPECT_FALSE(board.GetViewMode());
    EXPECT_FALSE(board.IsZoom3d());
    EXPECT_NEAR(board.GetZoomWindow().minX, box.minX, 1e-9);
    EXPECT_NEAR(board.GetZoomWindow().maxY, box.maxY, 1e-9);
    EXPECT_EQ(board.GetZoomWindow().maxZ, 0.0);
  }
  for (const bool zoom : {false, true}) {
    AcadViewBoard board;
    TankModel2DView view(&board);
    view.m_zoomOnRedraw = zoom;
    Tank empty;
    view.Redraw(zoom ? empty : example.tank);
    EXPECT_TRUE(board.GetZoomWindow().IsEmpty()) << zoom;
  }
}

TEST(ModelPlan, WallsOnCoincidentBaseLinesMergeIntoOneWallLine) {
  const BoardPtr a = fixtures::MakeWall(0, 0, 6000, 0, -3200, 4000);
  const BoardPtr b = fixtures::MakeWall(6000, 0, 0, 0, -3200, 4000);  // the same line, reversed
  const BoardPtr c = fixtures::MakeWall(6000, 0, 6000, 4000, -3200, 4000);
  a->SetNumber(1);
  b->SetNumber(2);
  c->SetNumber(3);
  AcadViewBoard board;
  TankModel2DView view(&board);
  const ModelPlanGroups groups = view.DrawWalls({a, b, c});
  ASSERT_EQ(groups.size(), 4u);  // two axis groups, then two outline groups
  const EntityPtr axis = groups[0].at(0);
  EXPECT_EQ(view.GetEntityKind(axis), kKindWallAxis);
  EXPECT_EQ(axis->GetLayer(), GetLayerName(18));
  EXPECT_NEAR(boost::static_pointer_cast<_2dLine>(axis)->GetLength(), 7000, 1e-6);
  for (const BoardPtr& w : {a, b}) {
    EntityList mine;
    ASSERT_TRUE(view.GetObjectEntities(w, mine));
    EXPECT_NE(std::find(mine.begin(), mine.end(), axis), mine.end());
  }
  EXPECT_EQ(Texts(groups[2]), std::vector<std::string>{"池壁1  池壁2  "});
  EXPECT_EQ(Texts(groups[3]), std::vector<std::string>{"池壁3  "});
  // The outline of the merged line belongs to both walls.
  ObjectList owners;
  ASSERT_TRUE(view.GetEntityOwners(groups[2].front(), owners));
  EXPECT_EQ(owners.size(), 2u);
}

TEST(ModelPlan, WallTextsAndOpeningsAcrossTheWall) {
  const BoardPtr w = fixtures::MakeWall(0, 0, 6000, 0, -4000, 4500);
  w->SetUpperOffset(150);
  w->SetLowerOffset(100);
  w->AddHole(Circle(3000, 2000, 500));
  AcadViewBoard board;
  TankModel2DView view(&board);
  view.m_labelMode = LabelMode::kWallTexts;
  const ModelPlanGroups groups = view.DrawWalls({w});
  EXPECT_EQ(Texts(groups[1]), (std::vector<std::string>{"t=250 pz=25", "H=4500"}));
  int openings = 0;
  for (const EntityPtr& e : groups[1]) {
    if (e->GetLayer() != GetLayerName(3)) continue;
    ++openings;
    const Extents box = e->GetExtents();
    EXPECT_NEAR(box.GetWidth(), 1000, 1e-6);
    EXPECT_NEAR(box.GetHeight(), 250, 1e-6);  // across the wall, face to face
  }
  EXPECT_EQ(openings, 1);
}

TEST(ModelPlan, SlabLabelsByLabelMode) {
  struct Case {
    int mode;
    double thickness;
    double z;  // reference plane
    std::string text;
  };
  const Case cases[] = {
      {LabelMode::kNamesWithLoads, 300, -1000, "底板3"},
      {LabelMode::kNames, 300, -1000, "底板3"},
      {LabelMode::kThicknesses, 299.9, -1000, "H=299"},
      {LabelMode::kElevations, 300, -150, "+-0.000"},
      {LabelMode::kElevations, 300, -1650, "-1.500"},
  };
  for (const Case& c : cases) {
    AcadViewBoard board;
    TankModel2DView view(&board);
    view.m_labelMode = c.mode;
    const BoardPtr slab = MakeSlab(1, 1000, c.z, c.thickness / 2, c.thickness / 2);
    EXPECT_EQ(view.GetBoardLabelText(slab, true, 3, -1, false), c.text) << c.mode;
  }
  AcadViewBoard board;
  TankModel2DView view(&board);
  view.m_labelMode = LabelMode::kNamesWithLoads;
  EXPECT_EQ(view.GetBoardLabelText(MakeSlab(2, 1000, 0), false, 3, 2, true), "顶板3_2");
  view.m_labelMode = LabelMode::kNames;
  EXPECT_EQ(view.GetBoardLabelText(MakeSlab(1, 1000, 0), true, 3, 2, true), "");
  // The elevation marker: text, then the four lines of the triangle and leader.
  view.m_textHeight = 200;
  const EntityList marker = view.DrawElevationMarker(_2dPoint(0, 0), "-1.500", "x", true);
  ASSERT_EQ(marker.size(), 5u);
  const auto* t = dynamic_cast<const _Text*>(marker[0].get());
  ASSERT_NE(t, nullptr);
  EXPECT_NEAR(t->GetPosition().x, 200, 1e-9);
  EXPECT_NEAR(t->GetPosition().y, 100, 1e-9);
  const auto* apex = dynamic_cast<const _2dLine*>(marker[1].get());
  EXPECT_NEAR(apex->GetStartPoint().x, -450, 1e-9);
  EXPECT_NEAR(apex->GetStartPoint().y, -210, 1e-9);
}

// Load values are rounded, not truncated; numbers restart on every board.
TEST(ModelPlan, LoadLabelsRoundTheirValues) {
  AcadViewBoard board;
  TankModel2DView view(&board);
  view.m_labelMode = LabelMode::kNamesWithLoads;
  const BoardPtr slab = MakeSlab(1, 4000, 0);
  for (const double v : {10.9, 20.0, -3.7}) {
    auto load = boost::make_shared<PointLoad>();
    load->SetDistribution(1);
    load->SetValue(v, _3dPoint(1000, 1000, 0));
    slab->AddLoad(load);
  }
  auto line = boost::make_shared<LineLoad>();
  line->SetDistribution(1);
  line->SetStartValue(5.4, _3dPoint(0, 0, 0));
  line->SetEndValue(7.6, _3dPoint(1000, 0, 0));
  slab->AddLoad(line);
  auto whole = boost::make_shared<AreaLoad>();
  whole->SetDistribution(2);
  whole->SetLoadType(2);
  whole->SetValue(9.5);
  slab->AddLoad(whole);
  auto hidden = boost::make_shared<PointLoad>();  // distribution 0: not drawn, not numbered
  hidden->SetValue(1.0, _3dPoint(0, 0, 0));
  slab->AddLoad(hidden);
  EXPECT_EQ(Texts(view.DrawLoads(slab)),
            (std::vector<std::string>{"P1=11", "P2=20", "P3=-4", "Q1=5~8", "Qg=10"}));
  EntityList mine;
  EXPECT_TRUE(view.GetObjectEntities(slab->GetLoads().front(), mine));
  EXPECT_EQ(mine.size(), 3u);  // the cross and its text, under the load
  EXPECT_FALSE(view.GetObjectEntities(hidden, mine));
}

// A board without outline points and a slab notch or an unknown opening
// kind: the plan draws what it can instead of failing half-way.
TEST(ModelPlan, BoardsWithoutOutlineAndUnknownOpeningsAreSkipped) {
  Tank tank;
  auto bare = boost::make_shared<Board>();
  bare->SetKind(1);
  auto whole = boost::make_shared<AreaLoad>();
  whole->SetDistribution(2);
  whole->SetLoadType(5);
  whole->SetValue(3);
  bare->AddLoad(whole);
  tank.AddBoard(bare);
  const BoardPtr slab = MakeSlab(1, 3000, -3200);
  slab->AddHole(boost::make_shared<SlotHole>());
  auto notch = boost::make_shared<Notch>();
  notch->SetOutline({{0, 0, -3200}, {500, 0, -3200}, {500, 500, -3200}, {0, 500, -3200}});
  slab->AddHole(notch);
  tank.AddBoard(slab);

  AcadViewBoard board;
  TankModel2DView view(&board);
  view.m_labelMode = LabelMode::kNamesWithLoads;
  EXPECT_EQ(view.DrawWaterLevel(bare, tank), EntityPtr());
  EXPECT_NO_THROW(view.Redraw(tank));
  const Counts mine = RegistryCounts(view);
  EXPECT_EQ(mine.at(GetLayerName(5) + "|LWPOLYLINE"), 1);     // the notch, by its plan outline
  EXPECT_EQ(mine.count(GetLayerName(4) + "|CIRCLE"), 0u);     // the unknown kind is not a circle
  EXPECT_EQ(mine.at(GetLayerName(1) + "|LWPOLYLINE"), 1);     // only the slab with an outline

  // Walls: the unknown kind draws nothing across the wall.
  const BoardPtr wall = fixtures::MakeWall(0, 0, 3000, 0, 0, 3000);
  wall->AddHole(boost::make_shared<SlotHole>());
  EntityList out;
  view.DrawWallOpenings(wall, out);
  EXPECT_TRUE(out.empty());
}

TEST(ModelPlan, DisplayFieldsAreInitialisedAndFiled) {
  AcadViewBoard board;
  TankModel2DView fresh(&board);
  EXPECT_EQ(fresh.m_planKind, PlanKind::kBottomSlabs);
  EXPECT_EQ(fresh.m_labelMode, LabelMode::kNames);
  EXPECT_EQ(fresh.m_overhangLayer, GetLayerName(1));

  TankModel2DView view(&board);
  view.m_planKind = PlanKind::kTopSlabs;
  view.m_labelMode = LabelMode::kThicknesses;
  view.m_bottomSlabOverhang = 500;
  view.m_textHeight = 350;
  view.m_zoomOnRedraw = true;
  view.m_wallLayer = "W";
  view.m_textStyle = 1;
  TankModel2DView back(&board);
  FileAndReadBack(view, back);
  EXPECT_EQ(back.m_planKind, PlanKind::kTopSlabs);
  EXPECT_EQ(back.m_labelMode, LabelMode::kThicknesses);
  EXPECT_EQ(back.m_bottomSlabOverhang, 500);
  EXPECT_EQ(back.m_textHeight, 350);
  EXPECT_TRUE(back.m_zoomOnRedraw);
  EXPECT_EQ(back.m_wallLayer, "W");
  EXPECT_EQ(back.m_textStyle, 1);
}

// --- The 3D model -------------------------------------------------------------------

TEST(Model3d, OpeningsAreCutAndSolidsLieOnTheMidPlane) {
  const BoardPtr wall = fixtures::MakeWall(0, 0, 6000, 0, 0, 3000);
  wall->AddHole(Circle(1500, 1500, 400));
  wall->AddHole(Rectangle(3000, 1000, 4000, 2000));
  wall->AddHole(boost::make_shared<SlotHole>());
  const auto solid = TankModel3DView::MakeBoardSolid(*wall);
  ASSERT_NE(solid, nullptr);
  ASSERT_EQ(solid->GetHoles().size(), 2u);  // the unknown kind cuts nothing
  const _3dCircle* cylinder = solid->GetHoles()[0]->GetProfileCircle();
  ASSERT_NE(cylinder, nullptr);
  EXPECT_EQ(cylinder->GetCenter(), _3dPoint(1500, 0, 1500));
  EXPECT_NEAR(solid->GetHoles()[0]->GetHeight(), 900, 1e-9);
  EXPECT_NEAR(solid->GetHeight(), 300, 1e-9);

  // The mesh the DXF gets has the circle's corners on both faces and
  // the rectangle's, besides the wall's own.
  const nirvox::SolidMesh mesh = nirvox::MeshSolid(*solid);
  int onCircle = 0;
  for (const _3dPoint& p : mesh.vertices)
    if (std::fabs(std::hypot(p.x - 1500, p.z - 1500) - 400) < 1e-6) ++onCircle;
  EXPECT_EQ(onCircle, 2 * nirvox::kCircleSides);
  // One cap is the wall's face less the two openings.
  double capArea = 0.0;
  for (const nirvox::MeshFace& f : mesh.faces) {
    bool onFace = true;
    for (int k = 0; k < f.count; ++k) onFace = onFace && std::fabs(mesh.vertices[f.vertices[k]].y + 150) < 1e-9;
    if (!onFace) continue;
    double a = 0.0;
    for (int k = 0; k < f.count; ++k) {
      const _3dPoint& p = mesh.vertices[f.vertices[k]];
      const _3dPoint& q = mesh.vertices[f.vertices[(k + 1) % f.count]];
      a += p.x * q.z - q.x * p.z;
    }
    capArea += std::fabs(a) / 2;
  }
  const double polygon = 0.5 * nirvox::kCircleSides * 400.0 * 400.0 * std::sin(2 * g_Pi / nirvox::kCircleSides);
  EXPECT_NEAR(capArea, 6000.0 * 3000.0 - 1000.0 * 1000.0 - polygon, 1e-3);

  // A slab with faces 300 above and 100 below its reference plane.
  Tank tank;
  const BoardPtr slab = MakeSlab(1, 1000, 0, 300, 100);
  slab->SetEdgeOverhang(0, true, 500);
  tank.AddBoard(slab);
  const auto slabSolid = TankModel3DView::MakeBoardSolid(*slab);
  EXPECT_NEAR(slabSolid->GetProfileLines().front().GetStartPoint().z, 100, 1e-9);
  EXPECT_NEAR(slabSolid->GetHeight(), 400, 1e-9);
  const EntityList overhangs = TankModel3DView::BuildOverhangSolids(slab, tank);
  ASSERT_EQ(overhangs.size(), 1u);
  const auto& overhang = static_cast<const _3dExtrudant&>(*overhangs[0]);
  EXPECT_NEAR(overhang.GetHeight(), 400, 1e-9);
  const Extents box = overhang.GetExtents();
  EXPECT_NEAR(box.minZ, -100, 1e-9);  // the slab's own faces
  EXPECT_NEAR(box.maxZ, 300, 1e-9);
  EXPECT_NEAR(box.minY, -500, 1e-9);  // outside the edge
  EXPECT_NEAR(box.maxY, 0, 1e-9);
}

TEST(Model3d, ModelOfATankGoesToDxfAsPolyfaceMeshesAndToSvgAsOutlines) {
  ExampleTank example;
  TankModeler().MarkSlabOverhangs(example.tank, 500);
  AcadViewBoard board;
  TankModel3DView view(&board);
  view.Redraw(example.tank);
  EXPECT_TRUE(board.GetViewMode());
  EXPECT_TRUE(board.IsZoom3d());

  std::size_t overhangEdges = 0;
  for (const BoardPtr& slab : example.tank.GetBottomSlabs())
    for (const BoardEdge& e : slab->GetEdges()) {
      double len = 0;
      if (e.GetOverhang(len)) ++overhangEdges;
    }
  EXPECT_EQ(overhangEdges, 6u);
  // Each joint line once, however many pairs of boards meet along it.
  std::vector<JointLinePtr> joints;
  example.tank.GetJointLines(joints);
  std::set<std::pair<std::array<long, 3>, std::array<long, 3>>> distinct;
  for (const JointLinePtr& j : joints) {
    const auto key = [](const _3dPoint& p) {
      return std::array<long, 3>{std::lround(p.x), std::lround(p.y), std::lround(p.z)};
    };
    auto a = key(j->GetLine().GetStartPoint()), b = key(j->GetLine().GetEndPoint());
    if (b < a) std::swap(a, b);
    distinct.insert({a, b});
  }
  EXPECT_LT(distinct.size(), joints.size());  // a corner where three walls and slabs meet

  Counts expected{{GetLayerName(0) + "|POLYLINE", 7},
                  {GetLayerName(1) + "|POLYLINE", 2 + static_cast<int>(overhangEdges)},
                  {GetLayerName(2) + "|POLYLINE", 2},
                  {"0|LINE", static_cast<int>(distinct.size())}};
  EXPECT_EQ(RegistryCounts(view), expected);

  const std::string dxf = TestTempPath("model.dxf"), svg = TestTempPath("model.svg");
  const ExportSummary summary = board.ExportDxf(dxf);
  EXPECT_EQ(summary.skipped, 0);
  board.ExportSvg(svg);
  const json r = ReadWithEzdxf(dxf);
  ASSERT_FALSE(r.is_null());
  EXPECT_EQ(r["errors"], json::array()) << r["errors"].dump();
  EXPECT_EQ(r["fixes"], json::array()) << r["fixes"].dump();
  EXPECT_EQ(DxfCounts(r), expected);
  EXPECT_EQ(SvgCounts(svg), expected);
  for (const json& e : r["entities"]) {
    if (e["type"] != "POLYLINE") continue;
    EXPECT_TRUE(e["polyface"].get<bool>());
    EXPECT_GT(e["faces"].get<int>(), 0);
  }

  EntityHandleList handles;
  view.CollectSelectedEntities(handles);
  EXPECT_EQ(handles.size(), static_cast<std::size_t>(7 + 4 + overhangEdges + distinct.size()));
}

// Whether a point lies in the box of one of the entities (the solids of a
// regular tank without openings are boxes).
bool InSomeBox(const EntityList& entities, const _3dPoint& p) {
  for (const EntityPtr& e : entities) {
    const Extents b = e->GetExtents();
    if (p.x > b.minX && p.x < b.maxX && p.y > b.minY && p.y < b.maxY && p.z > b.minZ && p.z < b.maxZ) return true;
  }
  return false;
}

TEST(Model3d, SolidsCloseTheOuterCornersMeetFaceToFaceAndStayWithinTheOuterFaces) {
  // 2 × 1 cells, 12 m × 6 m between the outer wall axes, walls 300 mm from
  // the bottom slab's mid-plane (-3200) to the top slab's (800); bottom slab
  // 400 mm with a 500 mm overhang beyond the walls' outer faces, top slab
  // 250 mm.
  for (const bool covered : {true, false}) {
    SCOPED_TRACE(covered ? "covered" : "open");
    Tank tank;
    ASSERT_TRUE(fixtures::MakeRegularTank(tank, fixtures::RegularLayout(2, 1, covered), true));
    TankModeler().MarkSlabOverhangs(tank, 500);
    const std::vector<_3dPoint> axisCorners{{0, 0, 0}, {12000, 0, 0}, {12000, 6000, 0}, {0, 6000, 0}};
    std::vector<BoardPtr> before = tank.GetBoards();
    std::vector<std::vector<_3dPoint>> outlines;
    for (const BoardPtr& b : before) outlines.push_back(b->GetOutlinePoints());

    AcadViewBoard board;
    TankModel3DView view(&board);
    EntityList solids;
    for (const EntityList& list : view.BuildBoardSolids(tank)) solids.insert(solids.end(), list.begin(), list.end());

    for (const _3dPoint& c : axisCorners) {
      const double sx = c.x > 0 ? 1 : -1, sy = c.y > 0 ? 1 : -1;
      // Just inside the outer corner of the walls, at mid-height.
      EXPECT_TRUE(InSomeBox(solids, _3dPoint(c.x + sx * 149, c.y + sy * 149, -1000))) << c.x << "," << c.y;
      // The corner square of the overhang, at the bottom slab's mid-plane.
      EXPECT_TRUE(InSomeBox(solids, _3dPoint(c.x + sx * 640, c.y + sy * 640, -3200))) << c.x << "," << c.y;
      // The top slab reaches the walls' outer faces.
      if (covered) {
        EXPECT_TRUE(InSomeBox(solids, _3dPoint(c.x + sx * 149, c.y + sy * 149, 900))) << c.x << "," << c.y;
      }
    }
    // Nothing reaches beyond the outer faces and the overhang.
    for (const EntityPtr& e : solids) {
      const Extents b = e->GetExtents();
      EXPECT_GE(b.minX, -650 - 1e-6);
      EXPECT_LE(b.maxX, 12650 + 1e-6);
      EXPECT_GE(b.minY, -650 - 1e-6);
      EXPECT_LE(b.maxY, 6650 + 1e-6);
      const bool slabLevel = b.maxZ < -2900;
      if (!slabLevel) {  // above the bottom slab: within the walls' outer faces
        EXPECT_GE(b.minX, -150 - 1e-6);
        EXPECT_LE(b.maxX, 12150 + 1e-6);
        EXPECT_GE(b.minY, -150 - 1e-6);
        EXPECT_LE(b.maxY, 6150 + 1e-6);
      }
    }
    // The solids meet face to face, as the concrete is cast: no two of them
    // share a volume (the seams show in a view with hidden lines).
    for (std::size_t i = 0; i < solids.size(); ++i)
      for (std::size_t j = i + 1; j < solids.size(); ++j) {
        const Extents a = solids[i]->GetExtents(), b = solids[j]->GetExtents();
        const double dx = std::min(a.maxX, b.maxX) - std::max(a.minX, b.minX);
        const double dy = std::min(a.maxY, b.maxY) - std::max(a.minY, b.minY);
        const double dz = std::min(a.maxZ, b.maxZ) - std::max(a.minZ, b.minZ);
        EXPECT_FALSE(dx > 1 && dy > 1 && dz > 1) << "solids " << i << " and " << j << " overlap";
      }
    // The structural model keeps its boards on the axes.
    ASSERT_EQ(tank.GetBoards().size(), before.size());
    for (std::size_t i = 0; i < before.size(); ++i) EXPECT_EQ(tank.GetBoards()[i]->GetOutlinePoints(), outlines[i]);
  }
}

TEST(Model3d, DisplayFlagsChooseTheBoardsAndAreFiled) {
  ExampleTank example;
  AcadViewBoard board;
  TankModel3DView view(&board);
  view.m_showWalls = 0;
  view.m_showTopSlabs = 0;
  view.m_zoomToExtent = 0;
  view.Redraw(example.tank);
  EXPECT_TRUE(board.GetZoomWindow().IsEmpty());
  const Counts mine = RegistryCounts(view);
  EXPECT_EQ(mine.at(GetLayerName(1) + "|POLYLINE"), 2);
  EXPECT_EQ(mine.count(GetLayerName(0) + "|POLYLINE"), 0u);

  TankModel3DView back(&board);
  FileAndReadBack(view, back);
  EXPECT_EQ(std::vector<int>({back.m_showTopSlabs, back.m_showWalls, back.m_showBottomSlabs, back.m_zoomToExtent}),
            std::vector<int>({0, 0, 1, 0}));
}

// --- The plan sketch -------------------------------------------------------------------

std::vector<std::string> GroupTexts(const ModelPlanGroups& groups) {
  std::vector<std::string> texts;
  for (const EntityList& group : groups)
    for (const std::string& t : Texts(group)) texts.push_back(t);
  return texts;
}

// The sketch draws what the plan draws, reduced: the plan picture keeps the
// names and openings and drops the loads; the load picture the reverse; the
// overhang ring only on the bottom plan, and only with an overhang.
TEST(PlanSketch, PlanAndLoadPicturesOfTheBottomAndTopPlans) {
  ExampleTank example;
  TankModeler().MarkSlabOverhangs(example.tank, 500);
  const std::string walls = GetLayerName(0), bottom = GetLayerName(1), top = GetLayerName(2),
                    openings = GetLayerName(4), loads = GetLayerName(6);
  struct Case {
    int planKind;
    bool showLoads;
    double overhang;
    Counts expected;  // exact counts of these keys; 0 means absent
  };
  const Case cases[] = {
      {0, false, 500, {{walls + "|TEXT", 7}, {bottom + "|LWPOLYLINE", 2}, {bottom + "|TEXT", 2},
                       {openings + "|LWPOLYLINE", 1}, {openings + "|CIRCLE", 1}, {loads + "|TEXT", 0},
                       {loads + "|LINE", 0}, {GetLayerName(3) + "|LWPOLYLINE", 0}}},
      {0, true, 500, {{walls + "|TEXT", 0}, {bottom + "|LWPOLYLINE", 2}, {bottom + "|TEXT", 0},
                      {openings + "|LWPOLYLINE", 0}, {openings + "|CIRCLE", 0}, {loads + "|TEXT", 1},
                      {loads + "|LINE", 2}}},
      {1, false, 500, {{top + "|LWPOLYLINE", 2}, {top + "|TEXT", 2}, {bottom + "|LWPOLYLINE", 0}, {bottom + "|LINE", 0}}},
      {0, false, 0, {{bottom + "|LINE", 0}}},
  };
  for (const Case& c : cases) {
    PlanSketchDrawer drawer;
    drawer.m_bottomSlabOverhang = c.overhang;
    drawer.m_textHeight = 300;
    ModelPlanGroups groups{{}};  // whatever out held is replaced
    drawer.Draw(groups, example.tank, c.planKind, c.showLoads);
    Counts counts = GroupCounts(groups);
    for (const auto& [key, n] : c.expected)
      EXPECT_EQ(counts[key], n) << key << " plan " << c.planKind << " loads " << c.showLoads;
    // The overhang ring: lines on the bottom-slab layer, by layer colour.
    const bool ring = c.planKind == 0 && c.overhang != 0;
    EXPECT_EQ(counts[bottom + "|LINE"] > 0, ring) << c.planKind << " " << c.overhang;
    // Outlines take their layer's colour; nothing of the sketch is on a board.
    for (const EntityList& group : groups)
      for (const EntityPtr& e : group)
        if (dynamic_cast<_2dPolyline*>(e.get()) && e->GetLayer() != loads) {
          EXPECT_EQ(e->GetColorIndex(), Entity::kColorByLayer) << LayerAndType(e);
        }
  }
}

TEST(PlanSketch, SlabUnitShowsItsNameOnTheUnitOutlineOnly) {
  Tank tank;
  ASSERT_TRUE(fixtures::MakeRegularTank(tank, fixtures::RegularLayout(2, 1, false), true));
  const std::vector<BoardPtr> slabs = tank.GetBottomSlabs();
  ASSERT_EQ(slabs.size(), 2u);
  tank.EditObjectPair(slabs[0], slabs[1]);
  for (const bool showLoads : {false, true}) {
    PlanSketchDrawer drawer;
    ModelPlanGroups groups;
    drawer.Draw(groups, tank, 0, showLoads);
    std::vector<std::string> texts = GroupTexts(groups);
    std::erase_if(texts, [](const std::string& t) { return t.find("池壁") != std::string::npos; });
    // The unit's name once; in the plan picture the boards' labels are
    // empty texts at their centroids, the load picture has none.
    const std::vector<std::string> expected =
        showLoads ? std::vector<std::string>{"底板1"} : std::vector<std::string>{"底板1", "", ""};
    EXPECT_EQ(texts, expected) << showLoads;
  }
}

// Area loads of all three distributions share one counter: a region, a
// whole-board load (no number shown, one used) and a ramp are 1, 2 and 3.
// A region keeps its arcs.
TEST(PlanSketch, AreaLoadsShareOneCounterAndRegionsKeepTheirArcs) {
  const BoardPtr slab = MakeSlab(1, 4000, 0);
  auto region = boost::make_shared<AreaLoad>();
  region->SetDistribution(1);
  region->SetValue(12.4);
  _2dPolyline outline(std::vector<_3dPoint>{{0, 0, 0}, {1000, 0, 0}, {1000, 1000, 0}}, true);
  outline.SetBulges({0.5, 0.0, 0.0});
  region->SetRegion(outline);
  auto whole = boost::make_shared<AreaLoad>();
  whole->SetDistribution(2);
  whole->SetLoadType(5);
  whole->SetValue(2.0);
  auto ramp = boost::make_shared<AreaLoad>();
  ramp->SetDistribution(3);
  ramp->SetStartValue(10, _3dPoint(0, 0, 0));
  ramp->SetEndValue(20, _3dPoint(4000, 0, 0));
  for (const auto& load : {region, whole, ramp}) slab->AddLoad(load);
  Tank tank;
  PlanSketchDrawer drawer;
  drawer.m_textHeight = 100;
  const EntityList drawn = drawer.DrawLoads(slab, tank);
  EXPECT_EQ(Texts(drawn), (std::vector<std::string>{"Q1=12", "Qq=2", "Q3=10~20"}));
  bool arc = false;
  for (const EntityPtr& e : drawn)
    if (auto* pl = dynamic_cast<_2dPolyline*>(e.get()); pl && pl->GetColorIndex() == 4) arc = pl->GetBulgeAt(0) == 0.5;
  EXPECT_TRUE(arc);
  // The variable whole-board load sits one text height below the centroid.
  for (const EntityPtr& e : drawn)
    if (auto* t = dynamic_cast<_Text*>(e.get()); t && t->GetText() == "Qq=2") {
      EXPECT_NEAR(t->GetPosition().x, 2000, 1e-6);
      EXPECT_NEAR(t->GetPosition().y, 2000 - 100, 1e-6);
    }
}

// Wall labels read upright: a base line pointing left (between π/2 and
// 3π/2) is turned by π; one pointing down-right (past 3π/2) already reads
// upright and keeps its angle.
TEST(PlanSketch, WallLabelsReadUpright) {
  struct Case {
    _2dPoint from, to;
    double rotation;
  };
  const Case cases[] = {
      {{0, 0}, {6000, 0}, 0.0},                    // along x
      {{6000, 0}, {0, 0}, 0.0},                    // π: turned
      {{0, 6000}, {0, 0}, 3 * g_Pi / 2},           // straight down: kept
      {{0, 6000}, {6000, 0}, 7 * g_Pi / 4},        // down-right: kept
      {{6000, 6000}, {0, 0}, g_Pi / 4},            // 5π/4: turned
  };
  for (const Case& c : cases) {
    Tank tank;
    tank.AddBoard(fixtures::MakeWall(c.from.x, c.from.y, c.to.x, c.to.y, 0, 4000));
    PlanSketchDrawer drawer;
    ModelPlanGroups groups;
    drawer.Draw(groups, tank, 0, false);
    int labels = 0;
    for (const EntityList& group : groups)
      for (const EntityPtr& e : group)
        if (auto* t = dynamic_cast<_Text*>(e.get()); t && t->GetText() == "池壁1  ") {
          ++labels;
          EXPECT_NEAR(t->GetRotation(), c.rotation, 1e-9) << c.to.x << "," << c.to.y;
        }
    EXPECT_EQ(labels, 1);
  }
}

}  // namespace

namespace {

// The plan area of a solid's profile less the cutters through it, mm².
double PlanArea(const _3dExtrudant& solid) {
  const auto area = [](const _3dExtrudant& e) {
    double a = 0.0;
    for (const _3dLine& l : e.GetProfileLines())
      a += l.GetStartPoint().x * l.GetEndPoint().y - l.GetEndPoint().x * l.GetStartPoint().y;
    return std::fabs(a) / 2;
  };
  double a = area(solid);
  for (const auto& cutter : solid.GetHoles()) a -= area(*cutter);
  return a;
}

}  // namespace

// An L-shaped plan as a user builds it (a 12 × 12 m square less its
// 6 × 6 m quarter, three 6 m cells, walls 300, the 500 mm overhang beyond
// the walls' outer faces): the bottom slabs' concrete is the axis outline
// moved out by d = 0.15 + 0.50 m, each square metre in one solid.  By hand,
// an outline of perimeter 48 m with five convex corners and one re-entrant
// corner moved out by d grows by 48 d + (5 − 1) d² = 32.89 m², to 140.89 m²;
// strips carried over every corner count the re-entrant corner's d² twice.
TEST(Model3d, OverhangOfAnLShapedPlanTakesTheReEntrantCornerOnce) {
  TankDesigner designer;
  const std::string script =
      "add-walls 4000 300 0,0 12000,0 12000,6000 6000,6000 6000,12000 0,12000 0,0\n"
      "add-wall 0,6000 6000,6000 300 4000\n"
      "add-wall 6000,0 6000,6000 300 4000\n"
      "rebuild-slabs bottom\n";
  for (const tank::app::EditLine& line : tank::app::ParseEditScript(script, "L"))
    ASSERT_TRUE(tank::app::RunEditLine(designer, line, ".").applied) << line.text;
  Tank& tank = designer.GetTank();
  ASSERT_EQ(tank.GetBottomSlabs().size(), 3u);
  TankModeler().MarkOuterWallFaces(tank);
  TankModeler().MarkSlabOverhangs(tank, 500);

  AcadViewBoard board;
  TankModel3DView view(&board);
  double base = 0.0, overhang = 0.0;
  int overhangSolids = 0;
  for (const EntityList& list : view.BuildBoardSolids(tank)) {
    if (list.front()->GetLayer() != GetLayerName(1)) continue;
    for (std::size_t k = 0; k < list.size(); ++k) {
      const double a = PlanArea(static_cast<const _3dExtrudant&>(*list[k]));
      EXPECT_GT(a, 1.0);
      base += a;
      if (k > 0) {
        overhang += a;
        ++overhangSolids;
      }
    }
  }
  const double d = 0.65;
  EXPECT_NEAR(overhang * 1e-6, 48 * d + 4 * d * d, 1e-6);
  EXPECT_NEAR(base * 1e-6, 108 + 48 * d + 4 * d * d, 1e-6);
  EXPECT_EQ(overhangSolids, 8);  // one per overhanging slab edge
}

// The top plan of the buried two-cell example with a design water depth of
// 3.5 m, drawn right after the tank is built, before any analysis: each
// slab shows hw=3.500, the depth the analysis loads its cell with (not the
// cell's full 3.75 m), and the water level stands clear below the whole-slab
// load labels (Qq of top slab 2, and a permanent Qg added on top slab 1):
// a full text line under the lowest label's baseline.
TEST(ModelPlan, WaterLevelIsTheDesignDepthClearOfTheLoadLabels) {
  const std::string name = "buried-two-cell";
  tank::app::ProjectInput input = tank::app::ReadProject(tank::app::ExampleProject(name), name);
  input.settings.GetLoadSettings().SetDesignWaterDepth(3.5);
  TankDesigner designer;
  tank::app::BuildNewTank(designer, input, name);
  auto dead = boost::make_shared<AreaLoad>();
  dead->SetDistribution(2);
  dead->SetLoadType(2);
  dead->SetValue(10.0);
  designer.GetTank().GetTopSlabs().front()->AddLoad(dead);

  AcadViewBoard board;
  TankModel2DView view(&board);
  view.m_planKind = PlanKind::kTopSlabs;
  view.m_labelMode = LabelMode::kNamesWithLoads;
  view.m_textHeight = 200;
  std::vector<const _Text*> levels, labels;
  const ModelPlanGroups groups = view.BuildPlanEntities(designer.GetTank());
  for (const EntityList& group : groups)
    for (const EntityPtr& e : group)
      if (auto* t = dynamic_cast<const _Text*>(e.get())) {
        if (t->GetText().rfind("hw=", 0) == 0) levels.push_back(t);
        if (t->GetText().rfind("Qq=", 0) == 0 || t->GetText().rfind("Qg=", 0) == 0) labels.push_back(t);
      }
  ASSERT_EQ(levels.size(), 2u);
  ASSERT_EQ(labels.size(), 2u);
  for (const _Text* level : levels) {
    EXPECT_EQ(level->GetText(), "hw=3.500");
    for (const _Text* label : labels) {
      if (std::fabs(label->GetPosition().x - level->GetPosition().x) > 1.0) continue;  // another slab
      EXPECT_LE(level->GetPosition().y + 200, label->GetPosition().y - 200 + 1e-6) << label->GetText();
    }
  }
}
