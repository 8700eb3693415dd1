// The openings on the drawings: the outlines, dimensions and leader labels
// of the openings on the slab and wall plans, the hole details (outline,
// symbol, centre lines, added bars with their labels, frame and title) and
// the notch details.
#include "app/NewTank.h"
#include "app/ProjectFile.h"
#include "designer/TankDesigner.h"
#include "platform/HostServices.h"
#include "tests/tank_fixtures.h"
#include "view/DrawingRoutines.h"
#include "view/LabelClearance.h"
#include "view/ReinLabel.h"
#include "views/HoleDetailView.h"
#include "views/WallPlanView.h"

#include <gtest/gtest.h>

#include <boost/make_shared.hpp>
#include <boost/pointer_cast.hpp>
#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <tuple>

namespace {

constexpr int kKindOpening = 0x40000;
constexpr double kTol = 1e-6;

// The example's tank, built (not designed), its openings numbered.
std::unique_ptr<TankDesigner> Built(const std::string& example, const nlohmann::ordered_json& extraOpenings = {}) {
  auto designer = std::make_unique<TankDesigner>();
  tank::app::ProjectInput input = tank::app::ReadProject(tank::app::ExampleProject(example), "x");
  for (const auto& o : extraOpenings) input.openings.push_back(o);
  tank::app::BuildNewTank(*designer, input, "x");
  TankDesigner::NumberHoles(designer->GetTank());
  return designer;
}

// Every example with openings of every kind added: a bottom-slab rectangle
// near a corner, a top-slab circle, a wall circle and a wall rectangle.
nlohmann::ordered_json OpeningsFixture() {
  return nlohmann::ordered_json::parse(R"([
    {"board": "bottom slab 1", "shape": "rectangle", "center_mm": [900, 800], "width_mm": 800, "height_mm": 600},
    {"board": "wall 2", "shape": "circle", "center_mm": [1800, 1500], "radius_mm": 250},
    {"board": "wall 2", "shape": "rectangle", "center_mm": [3600, 2000], "width_mm": 600, "height_mm": 600}
  ])");
}

// The example designed, with the openings fixture; made once per example.
TankDesigner& Designed(const std::string& example) {
  static std::map<std::string, std::unique_ptr<TankDesigner>> designers;
  auto& d = designers[example];
  if (!d) {
    auto openings = OpeningsFixture();
    d = Built(example, openings);
    EXPECT_TRUE(d->Analyse()) << example;
    d->DesignRein(nullptr);
  }
  return *d;
}

const char* const kExamples[] = {"open-single-cell", "buried-two-cell", "grid-3x2"};

template <class T>
std::vector<boost::shared_ptr<T>> EntitiesUnder(const TankView& view, const ObjectPtr& owner, int kind = -1) {
  EntityList entities;
  view.GetObjectEntities(owner, entities);
  std::vector<boost::shared_ptr<T>> out;
  for (const EntityPtr& e : entities)
    if (kind == -1 || view.GetEntityKind(e) == kind)
      if (auto t = boost::dynamic_pointer_cast<T>(e)) out.push_back(t);
  return out;
}

std::vector<std::string> Texts(const TankView& view, const ObjectPtr& owner) {
  std::vector<std::string> out;
  for (const auto& t : EntitiesUnder<_Text>(view, owner)) out.push_back(t->GetText());
  return out;
}

template <class H>
boost::shared_ptr<H> FirstHole(const std::vector<BoardPtr>& boards) {
  for (const BoardPtr& b : boards)
    for (const HolePtr& h : b->GetHoles())
      if (auto hole = boost::dynamic_pointer_cast<H>(h)) return hole;
  return {};
}

// A plan view that only shows openings, at the scale and unit given.
boost::shared_ptr<TankView> PlanView(double scale, double unit, const _3dVector& placement = {0, 0, 0}) {
  auto view = boost::make_shared<TankWallReinPlanView>(&g_ViewBoard, ViewSettings(), ViewVolumn());
  view->SetScaleValues(scale, unit);
  view->SetPlacement(placement);
  return view;
}

class HoleDrawings : public ::testing::Test {
 protected:
  void SetUp() override {
    g_ViewBoard.Reset();
    GetScriptedHost().Reset();
    GetScriptedHost().SetMessageStream(nullptr);
  }
  void TearDown() override { g_ViewBoard.Reset(); }
};

// ---------------------------------------------------------------------------
// Opening annotation on the plans

// The two-cell example: the top-slab circle YD1 at (1500, 1500) stands 1350
// from the faces of the 300 mm walls on both axes; the wall opening JD1 at
// 3000 along wall 1 stands 2850 from the face of the end wall.
TEST_F(HoleDrawings, TwoCellOpeningsAreDimensionedFromTheWallFaces) {
  auto designer = Built("buried-two-cell");
  Tank& tank = designer->GetTank();
  ViewSettings settings;
  auto top = boost::make_shared<TopBoardReinView>(&g_ViewBoard, settings, ViewVolumn());
  ASSERT_TRUE(top->Draw(tank, 100, settings, true, _3dPoint(0, 0, 0)));
  top->DrawHoles(tank, 2, false);
  const auto yd = FirstHole<CircleHole>(tank.GetTopSlabs());
  ASSERT_TRUE(yd);
  const auto dims = EntitiesUnder<_2dAlignedDimension>(*top, yd, kKindDimension);
  ASSERT_EQ(dims.size(), 2u);
  for (const auto& d : dims) EXPECT_EQ(d->GetDisplayText(), "1350");
  const auto texts = Texts(*top, yd);
  EXPECT_EQ(std::set<std::string>(texts.begin(), texts.end()), (std::set<std::string>{"YD1", "D=700"}));

  auto wallPlan = PlanView(100, 100);
  wallPlan->DrawHoles(tank, 0, false);
  const auto jd = FirstHole<RectangleHole>(tank.GetWalls());
  ASSERT_TRUE(jd);
  const auto chain = EntitiesUnder<_2dAlignedDimension>(*wallPlan, jd, kKindDimension);
  ASSERT_EQ(chain.size(), 1u);
  EXPECT_EQ(chain[0]->GetDisplayText(), "2850");
  EXPECT_NEAR(chain[0]->GetFirstPoint().x, 150, kTol);  // the inner face of wall 5
  EXPECT_EQ(Texts(*wallPlan, jd), (std::vector<std::string>{"JD1 1000X800", "中心高程-2.300m"}));
  // The leader texts are centred on the level leg, one above, one below.
  const auto leader = EntitiesUnder<_Text>(*wallPlan, jd);
  const auto legs = EntitiesUnder<_2dLine>(*wallPlan, jd, kKindOpening);
  ASSERT_EQ(legs.size(), 2u);
  for (const auto& t : leader) {
    EXPECT_EQ(t->GetHorizontalAlign(), _Text::kCenter);
    EXPECT_EQ(t->GetVerticalAlign(), _Text::kMiddle);
    EXPECT_NEAR(t->GetPosition().x, legs[1]->GetMidPoint().x, kTol);
    EXPECT_NEAR(std::fabs(t->GetPosition().y - legs[1]->GetMidPoint().y), 100, kTol);
    EXPECT_EQ(t->GetLayer(), GetLayerName(12));
  }
}

// On the two-cell example's wall plan drawn with its bars, the leader texts
// of the wall opening stand clear of every bar label and bubble (drawn by
// default, down to the right, they stood on a label of the wall's bars).
TEST_F(HoleDrawings, OpeningLeaderTextsStandClearOfTheBarLabels) {
  auto designer = Built("buried-two-cell");
  ASSERT_TRUE(designer->Analyse());
  designer->DesignRein(nullptr);
  designer->SetReinDesigned(true);
  designer->DrawAll(_3dPoint(0, 0, 0), nullptr);
  TankViewPtr wallPlan;
  for (const TankViewPtr& v : designer->GetViews())
    if (v && typeid(*v) == typeid(TankWallReinPlanView)) wallPlan = v;
  ASSERT_TRUE(wallPlan);
  Tank& tank = designer->GetTank();
  wallPlan->DrawHoles(tank, 0, false);
  const auto jd = FirstHole<RectangleHole>(tank.GetWalls());
  ASSERT_TRUE(jd);
  EntityList texts;
  for (const auto& t : EntitiesUnder<_Text>(*wallPlan, jd)) texts.push_back(t);
  ASSERT_EQ(texts.size(), 2u);
  EntityKindPairs kinds;
  wallPlan->ListEntityKinds(kinds);
  EntityList labels;
  for (const auto& [entity, kind] : kinds)
    if (kind == kKindReinText || kind == kKindReinMark) labels.push_back(entity);
  ASSERT_FALSE(labels.empty());
  EXPECT_FALSE(AnyOverlap(EntityBoxes(texts, g_ViewBoard), EntityBoxes(labels, g_ViewBoard)));
}

// Outline mode registers the outlines under their board and nothing else;
// annotation mode registers two dimensions and four leader entities under
// the opening and no outline.  A plan without openings stays empty.
TEST_F(HoleDrawings, OutlineAndAnnotationModesRegisterTheirOwnEntities) {
  auto plain = Built("open-single-cell");
  for (bool outlines : {true, false}) {
    auto view = PlanView(100, 100);
    for (int kind : {0, 1, 2}) view->DrawHoles(plain->GetTank(), kind, outlines);
    EntityKindPairs kinds;
    view->ListEntityKinds(kinds);
    EXPECT_TRUE(kinds.empty());
  }

  auto designer = Built("buried-two-cell", nlohmann::ordered_json::parse(
      R"([{"board": "bottom slab 1", "shape": "rectangle", "center_mm": [1500, 1400], "width_mm": 1000, "height_mm": 800}])"));
  Tank& tank = designer->GetTank();
  const BoardPtr slab = tank.GetBottomSlabs().front();
  const auto hole = FirstHole<RectangleHole>({slab});
  ASSERT_TRUE(hole);

  auto outlineView = PlanView(100, 100);
  outlineView->DrawHoles(tank, 1, true);
  EntityKindPairs kinds;
  outlineView->ListEntityKinds(kinds);
  ASSERT_EQ(kinds.size(), 1u);
  EXPECT_EQ(kinds[0].second, kKindOpening);
  const auto rings = EntitiesUnder<_2dPolyline>(*outlineView, slab, kKindOpening);
  ASSERT_EQ(rings.size(), 1u);
  EXPECT_TRUE(rings[0]->IsClosed());
  EXPECT_EQ(rings[0]->VerNums(), 4);

  auto annotated = PlanView(100, 100);
  annotated->DrawHoles(tank, 1, false);
  EXPECT_EQ(EntitiesUnder<_2dAlignedDimension>(*annotated, hole, kKindDimension).size(), 2u);
  EntityList under;
  annotated->GetObjectEntities(hole, under);
  EXPECT_EQ(std::count_if(under.begin(), under.end(),
                          [&](const EntityPtr& e) { return annotated->GetEntityKind(e) == kKindOpening; }),
            4);
  EXPECT_FALSE(annotated->GetObjectEntities(slab, under));
}

// Sizes: s is the larger side (or the diameter) in model mm at any scale, the
// leader texts 2 u high with a level leg of 0.98 u per byte; sides and radii
// are truncated before they are shown.
TEST_F(HoleDrawings, LeaderAndDimensionSizesFollowTheOpeningAndTheUnit) {
  auto designer = Built("buried-two-cell", nlohmann::ordered_json::parse(R"([
    {"board": "bottom slab 1", "shape": "rectangle", "center_mm": [1500, 1400], "width_mm": 1000.9, "height_mm": 800.9},
    {"board": "bottom slab 2", "shape": "circle", "center_mm": [9000, 3000], "radius_mm": 250.7},
    {"board": "wall 2", "shape": "circle", "center_mm": [1800, 1500], "radius_mm": 250.7}
  ])"));
  Tank& tank = designer->GetTank();
  const auto rect = FirstHole<RectangleHole>(tank.GetBottomSlabs());
  const auto circle = FirstHole<CircleHole>(tank.GetBottomSlabs());
  const auto wallCircle = FirstHole<CircleHole>(tank.GetWalls());
  ASSERT_TRUE(rect && circle && wallCircle);

  // 1:50 with u = 1: the dimension lines 1000 mm (20 units) off their
  // segments, the first leg 20 units long.
  auto view = PlanView(50, 1, _3dVector(7, -3, 0));
  view->DrawHoles(tank, 1, false);
  for (const HolePtr& hole : {HolePtr(rect), HolePtr(circle)}) {
    const double s = hole == rect ? 1000.9 : 501.4;
    for (const auto& d : EntitiesUnder<_2dAlignedDimension>(*view, hole, kKindDimension)) {
      const _2dLine measured(d->GetFirstPoint(), d->GetSecondPoint());
      EXPECT_NEAR(g_VekGeometryComm.DistancePointToLine(d->GetLinePoint(), measured), s / 50, 1e-6);
    }
    const auto legs = EntitiesUnder<_2dLine>(*view, hole, kKindOpening);
    ASSERT_EQ(legs.size(), 2u);
    EXPECT_NEAR(legs[0]->GetLength(), s / 50, 1e-6);
    for (const auto& t : EntitiesUnder<_Text>(*view, hole)) {
      EXPECT_NEAR(t->GetHeight(), 2.0, kTol);
      EXPECT_NEAR(t->GetWidth(), 1.4, kTol);
    }
  }
  EXPECT_EQ(Texts(*view, rect), (std::vector<std::string>{fmt::format("JD{}", rect->GetNumber()), "1000X800"}));
  EXPECT_EQ(Texts(*view, circle), (std::vector<std::string>{fmt::format("YD{}", circle->GetNumber()), "D=500"}));

  // 1:100 with u = 100: "1000X800" has 8 bytes (more than "JD2"), the level
  // leg 784.
  auto standard = PlanView(100, 100);
  standard->DrawHoles(tank, 1, false);
  const auto legs = EntitiesUnder<_2dLine>(*standard, rect, kKindOpening);
  ASSERT_EQ(legs.size(), 2u);
  EXPECT_NEAR(legs[1]->GetLength(), 784, 1e-6);
  standard->DrawHoles(tank, 0, false);
  EXPECT_EQ(Texts(*standard, wallCircle).front(), fmt::format("YD{} D=500", wallCircle->GetNumber()));
}

// Two openings of one wall, one above the other: both outlined, only the
// first dimensioned and labelled.
TEST_F(HoleDrawings, StackedWallOpeningsShareOneDimensionAndLeader) {
  auto designer = Built("buried-two-cell", nlohmann::ordered_json::parse(R"([
    {"board": "wall 3", "shape": "rectangle", "center_mm": [2000, 1200], "width_mm": 600, "height_mm": 500},
    {"board": "wall 3", "shape": "rectangle", "center_mm": [2000, 3000], "width_mm": 600, "height_mm": 400}
  ])"));
  Tank& tank = designer->GetTank();
  BoardPtr wall;
  for (const BoardPtr& w : tank.GetWalls())
    if (w->GetHoles().size() == 2) wall = w;
  ASSERT_TRUE(wall);
  auto outlines = PlanView(100, 100);
  outlines->DrawHoles(tank, 0, true);
  EXPECT_EQ(EntitiesUnder<_2dPolyline>(*outlines, wall, kKindOpening).size(), 2u);
  auto annotated = PlanView(100, 100);
  annotated->DrawHoles(tank, 0, false);
  EntityList under;
  EXPECT_TRUE(annotated->GetObjectEntities(wall->GetHoles()[0], under));
  EXPECT_EQ(under.size(), 5u);  // one dimension, two legs, two texts
  EXPECT_FALSE(annotated->GetObjectEntities(wall->GetHoles()[1], under));
}

// A lone diamond slab: every edge lies at an exact multiple of 45°, so all
// count as flat; with no steep edge the opening gets one dimension, none to
// the plan origin.  A lone wall running down y measures its chain from its
// lower end, the openings by their distance from it whatever their order in
// the wall's list.
TEST_F(HoleDrawings, LoneBoardsDimensionOnlyWhatTheyHave) {
  Tank tank;
  auto slab = boost::make_shared<Board>();
  slab->SetKind(1);
  slab->SetUpperOffset(200);
  slab->SetLowerOffset(200);
  const _2dPoint p[4] = {{0, -1000}, {1000, 0}, {0, 1000}, {-1000, 0}};
  std::vector<BoardEdge> edges(4);
  for (int i = 0; i < 4; ++i) edges[i].SetLine(_2dLine(p[i], p[(i + 1) % 4]));
  slab->SetEdges(edges);
  auto circle = boost::make_shared<CircleHole>();
  circle->SetCenter({0, 0});
  circle->SetRadius(100);
  slab->AddHole(circle);
  tank.AddBoard(slab);

  auto view = PlanView(100, 100);
  view->DrawHoles(tank, 1, false);
  const auto dims = EntitiesUnder<_2dAlignedDimension>(*view, circle, kKindDimension);
  ASSERT_EQ(dims.size(), 1u);
  EXPECT_EQ(dims[0]->GetDisplayText(), "707");

  BoardPtr wall = fixtures::MakeWall(0, 5000, 0, 0, -3000, 4000);
  const auto rect = [](double x0, double x1) {
    auto r = boost::make_shared<RectangleHole>();
    r->SetCorners({{x0, 1000}, {x1, 1000}, {x1, 1600}, {x0, 1600}});
    return r;
  };
  const auto far = rect(1000, 2000), near = rect(3000, 3600);
  wall->AddHole(far);
  wall->AddHole(near);
  Tank walls;
  walls.AddBoard(wall);
  auto wallView = PlanView(100, 100);
  wallView->DrawHoles(walls, 0, false);
  const auto first = EntitiesUnder<_2dAlignedDimension>(*wallView, near, kKindDimension);
  const auto second = EntitiesUnder<_2dAlignedDimension>(*wallView, far, kKindDimension);
  ASSERT_EQ(first.size(), 1u);
  ASSERT_EQ(second.size(), 1u);
  EXPECT_TRUE(first[0]->GetFirstPoint() == _2dPoint(0, 0));
  EXPECT_EQ(first[0]->GetDisplayText(), "1700");
  EXPECT_EQ(second[0]->GetDisplayText(), "1800");
}

// On every example with the openings fixture, at 1:50 with a placement:
// each dimension shows the model distance of its points, a slab opening's
// dimensions end on a wall face and the wall dimensions chain.
TEST_F(HoleDrawings, EveryDimensionShowsTheModelDistance) {
  for (const char* example : kExamples) {
    SCOPED_TRACE(example);
    auto designer = Built(example, OpeningsFixture());
    Tank& tank = designer->GetTank();
    const _3dVector placement(1234, -567, 0);
    const double f = 100.0 / 50.0;
    int checked = 0;
    for (int kind : {0, 1, 2}) {
      auto view = PlanView(50, 100, placement);
      view->DrawHoles(tank, kind, false);
      const auto model = [&](const _2dPoint& p) { return _2dPoint((p.x - placement.x) / f, (p.y - placement.y) / f); };
      ObjectEntityPairs pairs;
      view->ListObjectEntities(pairs);
      for (const auto& [owner, entities] : pairs) {
        _2dPoint chainEnd;
        bool first = true;
        for (const EntityPtr& e : entities) {
          const auto d = boost::dynamic_pointer_cast<_2dAlignedDimension>(e);
          if (!d) continue;
          ++checked;
          const _2dPoint a = model(d->GetFirstPoint()), b = model(d->GetSecondPoint());
          EXPECT_EQ(d->GetDisplayText(), fmt::format("{:.0f}", g_VekGeometryComm.Distance(a, b)));
          if (kind != 0) {
            // The far end lies on a wall face.
            bool onFace = false;
            for (const BoardPtr& w : tank.GetWalls()) {
              _2dLine line;
              if (!GetWallPlanLine(w, line)) continue;
              const double off = g_VekGeometryComm.DistancePointToLine(b, line);
              onFace = onFace || std::fabs(off - w->GetUpperOffset()) < 0.5 || std::fabs(off - w->GetLowerOffset()) < 0.5;
            }
            EXPECT_TRUE(onFace) << b.x << "," << b.y;
          } else if (!first) {
            EXPECT_TRUE(a == chainEnd);
          }
          chainEnd = b;
          first = false;
        }
      }
    }
    EXPECT_GT(checked, 0);
  }
}

// ---------------------------------------------------------------------------
// Hole details

class HoleDetailFixture : public HoleDrawings {
 protected:
  void SetUp() override {
    HoleDrawings::SetUp();
    DrawingStandard unit1;
    unit1.drawingUnit = 1;
    g_ViewBoard.SetDrawingStandard(unit1);
    view = boost::make_shared<HoleDetailView>(&g_ViewBoard, ViewSettings(), ViewVolumn());
  }
  void TearDown() override {
    view.reset();
    HoleDrawings::TearDown();
  }
  std::vector<boost::shared_ptr<_2dLine>> CentreLines(const HolePtr& hole) const {
    return EntitiesUnder<_2dLine>(*view, hole, 0x20000000);
  }
  boost::shared_ptr<HoleDetailView> view;
  Tank tank;
};

// 1000 × 800 at 1:50 with u = 1: a 20 × 16 outline with its upper left
// corner on the point; the centre lines reach 2 units beyond it, dash-dot.
TEST_F(HoleDetailFixture, RectangleOutlineAndCentreLines) {
  auto rect = boost::make_shared<RectangleHole>();
  rect->SetCorners({{0, 0}, {1000, 0}, {1000, 800}, {0, 800}});
  ASSERT_TRUE(view->DrawObjectDetail(tank, rect, 50, true, _3dPoint(100, 200, 0)));
  const Extents box = view->GetExtent(1);
  EXPECT_NEAR(box.GetWidth(), 20, kTol);
  EXPECT_NEAR(box.GetHeight(), 16, kTol);
  EXPECT_NEAR(box.minX, 100, kTol);
  EXPECT_NEAR(box.maxY, 200, kTol);
  EXPECT_EQ(EntitiesUnder<_2dLine>(*view, rect, 0x10000000).size(), 2u);
  const auto lines = CentreLines(rect);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_NEAR(lines[0]->GetStartPoint().x, 98, kTol);
  EXPECT_NEAR(lines[0]->GetEndPoint().x, 122, kTol);
  EXPECT_NEAR(lines[0]->GetStartPoint().y, 192, kTol);
  EXPECT_NEAR(lines[1]->GetStartPoint().y, 182, kTol);
  EXPECT_NEAR(lines[1]->GetEndPoint().y, 202, kTol);
  EXPECT_NEAR(lines[1]->GetStartPoint().x, 110, kTol);
  for (const auto& l : lines) {
    EXPECT_EQ(l->GetLayer(), GetLayerName(18));
    EXPECT_EQ(l->GetLinetype(), "CENTER");
    EXPECT_TRUE(g_ViewBoard.IsEntityVisible(l));
  }
}

// An opening turned against the board's axes: its centre lines run along
// its own sides, through its centre, 2 units beyond it.
TEST_F(HoleDetailFixture, TurnedRectangleCentreLinesFollowItsSides) {
  auto rect = boost::make_shared<RectangleHole>();
  rect->SetCorners({{0, 0}, {600, 600}, {0, 1200}, {-600, 600}});
  ASSERT_TRUE(view->DrawObjectDetail(tank, rect, 50, true, _3dPoint(0, 0, 0)));
  const auto sides = EntitiesUnder<_2dLine>(*view, rect, 1);
  const auto lines = CentreLines(rect);
  ASSERT_EQ(sides.size(), 4u);
  ASSERT_EQ(lines.size(), 2u);
  const _2dPoint centre = g_VekGeometryComm.GetMidPoint(sides[0]->GetStartPoint(), sides[2]->GetStartPoint());
  for (const auto& l : lines) {
    EXPECT_TRUE(g_VekGeometryComm.IsParallel(*l, *sides[0]) || g_VekGeometryComm.IsParallel(*l, *sides[1]));
    EXPECT_TRUE(l->GetMidPoint() == centre);
    EXPECT_NEAR(l->GetLength(), sides[0]->GetLength() + 4, 1e-6);
  }
}

// A circle of radius 500 at 1:50: drawn radius 10, centre lines ±12, and the
// symbol arc from 45° + asin(0.25) to 225° − asin(0.25) on the circle
// through the point 0.75 r towards 135°.
TEST_F(HoleDetailFixture, CircleOutlineSymbolAndCentreLines) {
  auto circle = boost::make_shared<CircleHole>();
  circle->SetCenter({0, 0});
  circle->SetRadius(500);
  ASSERT_TRUE(view->DrawObjectDetail(tank, circle, 50, true, _3dPoint(0, 0, 0)));
  const auto drawn = EntitiesUnder<_3dCircle>(*view, circle, 1);
  ASSERT_EQ(drawn.size(), 1u);
  EXPECT_NEAR(drawn[0]->GetRadius(), 10, kTol);
  const _2dPoint c(drawn[0]->GetCenter().x, drawn[0]->GetCenter().y);
  const auto lines = CentreLines(circle);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_NEAR(g_VekGeometryComm.Distance(lines[0]->GetStartPoint(), c), 12, kTol);
  EXPECT_NEAR(lines[0]->GetEndPoint().x - c.x, 12, kTol);
  EXPECT_NEAR(lines[1]->GetEndPoint().y - c.y, 12, kTol);
  EXPECT_NEAR(lines[1]->GetStartPoint().y - c.y, -12, kTol);

  const auto arcs = EntitiesUnder<_2dArc>(*view, circle, 0x10000000);
  ASSERT_EQ(arcs.size(), 1u);
  const auto& arc = *arcs[0];
  const double t = std::asin(0.25);
  const auto on = [&](double radius, double angle) {
    return _2dPoint(c.x + radius * std::cos(angle), c.y + radius * std::sin(angle));
  };
  EXPECT_TRUE(arc.GetStartPoint() == on(10, g_Pi / 4 + t));
  EXPECT_TRUE(arc.GetEndPoint() == on(10, 5 * g_Pi / 4 - t));
  EXPECT_NEAR(g_VekGeometryComm.Distance(arc.GetCenter(), on(7.5, 3 * g_Pi / 4)), arc.GetRadius(), 1e-6);
  // The arc runs through 135°, not round the other way.
  const double mid = g_VekGeometryComm.GetAngle(arc.GetCenter(), on(7.5, 3 * g_Pi / 4));
  EXPECT_LT(g_VekGeometryComm.GetSweepAngle(arc.GetStartAngle(), mid), arc.GetSweep());
}

// A notch gets no detail, and a cancelled pick leaves nothing on the board
// and stops the command before the bars.
TEST_F(HoleDetailFixture, NotchAndCancelLeaveNothing) {
  EXPECT_FALSE(view->DrawObjectDetail(tank, boost::make_shared<Notch>(), 50, true, _3dPoint(0, 0, 0)));
  EXPECT_TRUE(view->GetExtent(kKindMaskAll).IsEmpty());

  auto designer = Built("buried-two-cell");
  const auto jd = FirstHole<RectangleHole>(designer->GetTank().GetWalls());
  const std::size_t before = g_ViewBoard.GetDrawingSize();
  GetScriptedHost().QueueAnswer(PromptAnswer::Cancel());
  _3dPoint p(0, 0, 0);
  double height = -1;
  EXPECT_FALSE(designer->DrawHoleDetail(jd, 50, false, p, &height));
  EXPECT_EQ(g_ViewBoard.GetDrawingSize(), before);
  EXPECT_EQ(height, -1);
  ASSERT_EQ(GetScriptedHost().GetPrompts().size(), 1u);
  EXPECT_EQ(GetScriptedHost().GetPrompts()[0].prompt, "请选择洞口详图插入点");
}

// Bars laid by hand around a wall opening: four straight bars two faces ×
// 150 apart get "上下各2%%13112@150" and "L=851" (850.5 rounded half up);
// two bars crossing at one point get no spacing and "L=850"; bent bars no
// label.  The bars and labels stand under their zone, so that an edit of
// the zone rewrites the detail's labels.
TEST_F(HoleDetailFixture, BarGroupsAreLabelledUnderTheirZone) {
  g_ViewBoard.SetDrawingStandard(DrawingStandard());
  auto designer = Built("buried-two-cell");
  Tank& tank = designer->GetTank();
  BoardPtr wall;
  boost::shared_ptr<RectangleHole> jd;
  for (const BoardPtr& w : tank.GetWalls())
    for (const HolePtr& h : w->GetHoles())
      if (auto r = boost::dynamic_pointer_cast<RectangleHole>(h)) wall = w, jd = r;
  ASSERT_TRUE(jd);
  const auto bar = [&](std::vector<_3dPoint> local) {
    std::vector<_3dPoint> world;
    for (const _3dPoint& p : local)
      world.push_back(g_VekGeometryComm.LocalToWorld3d(wall->GetOrigin(), wall->GetXAxis(), wall->GetYAxis(), p));
    auto r = boost::make_shared<Rein>();
    r->SetPolyline(_2dPolyline(world));
    r->SetGrade("HRB335");
    r->SetDiameter(12);
    return r;
  };
  auto zone = boost::make_shared<ReinZone>();
  zone->SetGrade("HRB335");
  zone->SetDiameter(12);
  zone->SetSpacing(150);
  zone->SetNumber(40);
  for (double z : {-100.0, 100.0})
    for (double y : {1900.0, 2050.0}) zone->AddRein(bar({{2100, y, z}, {2950.5, y, z}}));
  for (double z : {-100.0, 100.0}) zone->AddRein(bar({{2000, 1000, z}, {2000, 1850.4, z}}));
  for (double z : {-100.0, 100.0}) zone->AddRein(bar({{3700, 1000, z}, {4000, 1300, z}, {4300, 1000, z}}));
  jd->GetZones().assign(1, zone);

  _3dPoint p(0, 0, 0);
  double height = 0;
  ASSERT_TRUE(designer->DrawHoleDetail(jd, 50, true, p, &height));
  const TankViewPtr detail = designer->GetViews().back();
  const auto texts = Texts(*detail, zone);
  EXPECT_EQ(std::multiset<std::string>(texts.begin(), texts.end()),
            (std::multiset<std::string>{"上下各" + FormatReinText(3, 1, 12, 150, 2), "L=851",
                                        "上下各" + FormatReinText(1, 1, 12, 0, 1), "L=850"}));
  EXPECT_EQ(EntitiesUnder<_2dPolyline>(*detail, zone, kKindReinLine).size(), 8u);

  // The frame stands 3 units clear of the outline and the bar lines, each
  // break line 2 units longer at both ends.
  const Extents inner = detail->GetExtent(0x80007);
  const Extents frame = detail->GetExtent(0x8000000);
  const auto breaks = EntitiesUnder<_2dPolyline>(*detail, g_NullOwner, 0x8000000);
  ASSERT_EQ(breaks.size(), 4u);
  const double u = GetDrawingUnit();
  EXPECT_TRUE(_2dPoint(breaks[0]->GetVertexAt(0)) == _2dPoint(inner.minX - 3 * u, inner.minY - 5 * u));
  EXPECT_TRUE(_2dPoint(breaks[3]->GetVertices().back()) == _2dPoint(inner.maxX + 5 * u, inner.maxY + 3 * u));
  const auto titles = Texts(*detail, g_NullOwner);
  EXPECT_NE(std::find(titles.begin(), titles.end(), "JD1"), titles.end());
  EXPECT_LT(detail->GetExtent(0x2000000).maxY, frame.minY);

  PropertyChanges changes{{3, "14"}};
  designer->UpdateReinLabels(detail, zone, changes, false);
  const auto edited = Texts(*detail, zone);
  EXPECT_NE(std::find(edited.begin(), edited.end(), "上下各" + FormatReinText(3, 1, 14, 150, 2)), edited.end());
}

// Every example's designed openings: each detail's bar lines lie inside its
// frame, and each label counts half of a group of equal straight bars.
TEST_F(HoleDrawings, EveryExampleDetailFramesItsBarsAndCountsItsGroups) {
  for (const char* example : kExamples) {
    SCOPED_TRACE(example);
    TankDesigner& designer = Designed(example);
    g_ViewBoard.Reset();
    _3dPoint p(0, 0, 0);
    ASSERT_TRUE(designer.DrawAllHoleDetails(true, p));
    int details = 0, labels = 0;
    for (const TankViewPtr& v : designer.GetViews()) {
      if (typeid(*v) != typeid(HoleDetailView)) continue;
      ++details;
      const Extents frame = v->GetExtent(0x8000000);
      const Extents bars = v->GetExtent(kKindReinLine);
      if (!bars.IsEmpty()) {
        EXPECT_GT(bars.minX, frame.minX);
        EXPECT_LT(bars.maxX, frame.maxX);
        EXPECT_GT(bars.minY, frame.minY);
        EXPECT_LT(bars.maxY, frame.maxY);
      }
      ObjectEntityPairs pairs;
      v->ListObjectEntities(pairs);
      for (const auto& [owner, entities] : pairs) {
        const auto zone = boost::dynamic_pointer_cast<ReinZone>(owner);
        if (!zone) continue;
        // Groups of equal straight bars: same run in the board plane.
        std::map<std::tuple<long, long, long>, int> groups;
        for (const ReinPtr& r : zone->GetReins()) {
          const _2dPolyline& l = r->GetPolyline();
          if (l.VerNums() != 2) continue;
          const _3dVector d = l.GetVertexAt(1) - l.GetVertexAt(0);
          ++groups[{std::lround(d.x * 100), std::lround(d.y * 100), std::lround(d.z * 100)}];
        }
        std::multiset<int> expected, shown;
        for (const auto& [key, n] : groups) expected.insert(n / 2);
        for (const EntityPtr& e : entities)
          if (const auto t = boost::dynamic_pointer_cast<_Text>(e); t && t->GetText().rfind("上下各", 0) == 0) {
            shown.insert(std::stoi(t->GetText().substr(std::string("上下各").size())));
            ++labels;
          }
        EXPECT_EQ(shown, expected) << "zone " << zone->GetNumber();
      }
    }
    EXPECT_GT(details, 0);
    EXPECT_GT(labels, 0);
  }
}

// The labels of a detail's bar groups (the straight bars and the diagonal
// bars at the corners of an opening) stand clear of one another: a label
// that would stand on one drawn before runs the other way across its group
// or further out.
TEST_F(HoleDrawings, DetailLabelsStandClearOfEachOther) {
  int texts = 0;
  for (const char* example : kExamples) {
    SCOPED_TRACE(example);
    TankDesigner& designer = Designed(example);
    g_ViewBoard.Reset();
    _3dPoint p(0, 0, 0);
    ASSERT_TRUE(designer.DrawAllHoleDetails(true, p));
    for (const TankViewPtr& v : designer.GetViews()) {
      if (typeid(*v) != typeid(HoleDetailView)) continue;
      ObjectEntityPairs pairs;
      v->ListObjectEntities(pairs);
      // Each label: its bars text and, after it, its length text.
      std::vector<std::pair<Extents, std::string>> boxes;
      std::vector<int> label;
      for (const auto& [owner, entities] : pairs) {
        if (!boost::dynamic_pointer_cast<ReinZone>(owner)) continue;
        for (const EntityPtr& e : entities)
          if (const auto t = boost::dynamic_pointer_cast<_Text>(e)) {
            Extents box;
            g_ViewBoard.GetExtents(box, {e});
            const bool first = t->GetText().rfind("上下各", 0) == 0 || label.empty();
            label.push_back(first ? static_cast<int>(label.size()) : label.back());
            boxes.emplace_back(box, t->GetText());
          }
      }
      texts += static_cast<int>(boxes.size());
      for (std::size_t i = 0; i < boxes.size(); ++i)
        for (std::size_t j = i + 1; j < boxes.size(); ++j)
          if (label[i] != label[j])
            EXPECT_FALSE(AnyOverlap({boxes[i].first}, {boxes[j].first}))
              << boxes[i].second << " at " << boxes[i].first.GetCenter().x << "," << boxes[i].first.GetCenter().y
              << " on " << boxes[j].second << " at " << boxes[j].first.GetCenter().x << ","
              << boxes[j].first.GetCenter().y;
    }
  }
  EXPECT_GT(texts, 4);
}

// An accepted edit of an opening mark reaches the labels of its detail.
TEST_F(HoleDrawings, AnAcceptedEditReachesTheDetailLabels) {
  auto designer = Built("buried-two-cell");
  ASSERT_TRUE(designer->Analyse());
  designer->DesignRein(nullptr);
  _3dPoint p(0, 0, 0);
  ASSERT_TRUE(designer->DrawAllHoleDetails(true, p));
  TankViewPtr detail;
  ReinZonePtr zone;
  for (const TankViewPtr& v : designer->GetViews()) {
    if (typeid(*v) != typeid(HoleDetailView) || zone) continue;
    ObjectEntityPairs pairs;
    v->ListObjectEntities(pairs);
    for (const auto& [owner, entities] : pairs)
      if (auto z = boost::dynamic_pointer_cast<ReinZone>(owner); z && !zone)
        for (const std::string& t : Texts(*v, z))
          if (t.rfind("上下各", 0) == 0) detail = v, zone = z;
  }
  ASSERT_TRUE(zone);
  const std::map<int, int> next{{10, 12}, {12, 14}, {14, 16}, {16, 18}, {18, 20}, {20, 22}, {22, 25}, {25, 28}};
  ASSERT_TRUE(next.count(zone->GetDiameter()));
  const int grade = GetReinGradeIndex(zone->GetGrade()), bigger = next.at(zone->GetDiameter());
  ASSERT_TRUE(designer->EditReinByNumber(zone->GetNumber(), false, nullptr, -1,
                                         FormatReinText(2, grade, zone->GetDiameter(), zone->GetSpacing(), 0),
                                         FormatReinText(2, grade, bigger, zone->GetSpacing(), 0)))
      << designer->GetLastEditNote();
  const auto texts = Texts(*detail, zone);
  EXPECT_TRUE(std::any_of(texts.begin(), texts.end(), [&](const std::string& t) {
    return t.rfind("上下各", 0) == 0 && t.find(fmt::format("%%13{}{}", grade, bigger)) != std::string::npos;
  }));
}

// ---------------------------------------------------------------------------
// Designer commands

// All details: rectangles first, one per number and shape, side by side in
// a row; the point drops by 1.3 times the tallest.  Without openings the old
// details go and the point stays.
TEST_F(HoleDrawings, AllDetailsStandInARowOnePerNumberAndShape) {
  auto designer = Built("buried-two-cell");
  Tank& tank = designer->GetTank();
  // A second rectangle with the number of JD1 adds no detail.
  auto twin = boost::make_shared<RectangleHole>();
  twin->SetCorners({{5000, 1000}, {6000, 1000}, {6000, 1800}, {5000, 1800}});
  twin->SetNumber(1);
  tank.GetWalls()[2]->AddHole(twin);

  _3dPoint p(1000, 2000, 0);
  ASSERT_TRUE(designer->DrawAllHoleDetails(true, p));
  std::vector<boost::shared_ptr<HoleDetailView>> details;
  for (const TankViewPtr& v : designer->GetViews())
    if (auto d = boost::dynamic_pointer_cast<HoleDetailView>(v)) details.push_back(d);
  ASSERT_EQ(details.size(), 2u);
  EXPECT_EQ(details[0]->GetTitle(), "JD1");
  EXPECT_EQ(details[1]->GetTitle(), "YD1");
  const Extents a = details[0]->GetExtent(kKindMaskAll), b = details[1]->GetExtent(kKindMaskAll);
  EXPECT_GT(b.minX, a.maxX);
  EXPECT_NEAR(p.x, 1000, kTol);
  EXPECT_NEAR(p.y, 2000 - 1.3 * std::max(a.GetHeight(), b.GetHeight()), 1e-6);
  EXPECT_EQ(details[0]->GetScale(), designer->GetSettings().GetDetailingSettings().GetDrawingEntry(16).scale);

  // Drawn again: the earlier details go.
  _3dPoint q(0, 0, 0);
  ASSERT_TRUE(designer->DrawAllHoleDetails(true, q));
  EXPECT_EQ(std::count_if(designer->GetViews().begin(), designer->GetViews().end(),
                          [](const TankViewPtr& v) { return typeid(*v) == typeid(HoleDetailView); }),
            2);

  auto plain = Built("open-single-cell");
  _3dPoint r(5, 6, 0);
  const std::size_t views = plain->GetViewCount();
  EXPECT_TRUE(plain->DrawAllHoleDetails(true, r));
  EXPECT_EQ(plain->GetViewCount(), views);
  EXPECT_NEAR(r.x, 5, kTol);
  EXPECT_NEAR(r.y, 6, kTol);
}

std::string Save(TankDesigner& designer) {
  std::ostringstream out;
  Archive ar(out);
  designer.Serialize(ar);
  ar.Close();
  return out.str();
}

// A design with its hole and notch details and an annotated plan, saved,
// read back and saved again, gives the same bytes; the details come back
// with their bars and labels under the zones.
TEST_F(HoleDrawings, DrawnDetailsFileAndReadBackUnchanged) {
  auto designer = Built("buried-two-cell");
  ASSERT_TRUE(designer->Analyse());
  designer->DesignRein(nullptr);
  _3dPoint p(0, 0, 0);
  ASSERT_TRUE(designer->DrawAllHoleDetails(true, p));
  designer->DrawNotchDetail(boost::make_shared<Notch>());
  ViewSettings settings;
  auto top = boost::make_shared<TopBoardReinView>(&g_ViewBoard, settings, ViewVolumn());
  designer->AddView(top);
  ASSERT_TRUE(top->Draw(designer->GetTank(), 100, settings, true, p));
  top->DrawHoles(designer->GetTank(), 2, true);
  top->DrawHoles(designer->GetTank(), 2, false);
  const std::string first = Save(*designer);

  TankDesigner reopened;
  {
    const std::vector<std::uint8_t> bytes(first.begin(), first.end());
    Archive ar(bytes);
    auto design = reopened.ReadDesign(ar);
    ar.Close();
    reopened.TakeOver(*design);
  }
  EXPECT_EQ(Save(reopened), first);
  int details = 0, notches = 0, zones = 0;
  for (const TankViewPtr& v : reopened.GetViews()) {
    details += typeid(*v) == typeid(HoleDetailView);
    notches += typeid(*v) == typeid(NotchDetailView);
    if (typeid(*v) != typeid(HoleDetailView)) continue;
    ObjectEntityPairs pairs;
    v->ListObjectEntities(pairs);
    for (const auto& [owner, entities] : pairs) zones += boost::dynamic_pointer_cast<ReinZone>(owner) != nullptr;
  }
  EXPECT_EQ(details, 2);
  EXPECT_EQ(notches, 1);
  EXPECT_GT(zones, 0);
}

// A notch detail adds an empty view of its class, filed and read back by
// class name.
TEST_F(HoleDrawings, NotchDetailAddsAnEmptyView) {
  auto designer = Built("buried-two-cell");
  const std::size_t views = designer->GetViewCount(), drawn = g_ViewBoard.GetDrawingSize();
  designer->DrawNotchDetail(boost::make_shared<Notch>());
  ASSERT_EQ(designer->GetViewCount(), views + 1);
  EXPECT_EQ(typeid(*designer->GetViews().back()), typeid(NotchDetailView));
  EXPECT_EQ(g_ViewBoard.GetDrawingSize(), drawn);
  EXPECT_TRUE(designer->GetViews().back()->GetExtent(kKindMaskAll).IsEmpty());
  EXPECT_EQ(TankDesigner::GetViewClassName(*designer->GetViews().back()), "NotchDetailView");
}

// The annotation commands act on the plan under the point and show the
// opening kinds; a point over no plan gets "请选择一个平面图".
TEST_F(HoleDrawings, AnnotationCommandsActOnThePlanUnderThePoint) {
  auto designer = Built("buried-two-cell");
  ViewSettings settings;
  auto top = boost::make_shared<TopBoardReinView>(&g_ViewBoard, settings, ViewVolumn());
  designer->AddView(top);
  ASSERT_TRUE(top->Draw(designer->GetTank(), 100, settings, true, _3dPoint(0, 0, 0)));
  const Extents box = top->GetExtent(~0x1FF8);
  const _3dPoint inside(box.GetCenter().x, box.GetCenter().y, 0);

  designer->AnnotatePlanHoles(inside);
  const auto yd = FirstHole<CircleHole>(designer->GetTank().GetTopSlabs());
  const auto circles = EntitiesUnder<_3dCircle>(*top, designer->GetTank().GetTopSlabs().front(), kKindOpening);
  ASSERT_EQ(circles.size(), 1u);
  EXPECT_TRUE(g_ViewBoard.IsEntityVisible(circles[0]));

  designer->AnnotatePlanHolesUnregistered(inside);
  const auto dims = EntitiesUnder<_2dAlignedDimension>(*top, yd, kKindDimension);
  ASSERT_EQ(dims.size(), 2u);
  EXPECT_TRUE(g_ViewBoard.IsEntityVisible(dims[0]));

  designer->AnnotatePlanHoles(_3dPoint(box.maxX + 1e6, box.maxY + 1e6, 0));
  ASSERT_EQ(GetScriptedHost().GetMessages().size(), 1u);
  EXPECT_EQ(GetScriptedHost().GetMessages()[0].text, "请选择一个平面图");
}

}  // namespace
