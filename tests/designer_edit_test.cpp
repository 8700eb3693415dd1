// Picking and the model-editing commands of the designer: picks mapped to
// model objects and views, the commands' edits and redraws, what a refused
// or failed command leaves, and random edit sequences checked against the
// invariants of a tank.
#include "designer/TankDesigner.h"
#include "modelview/TankModel2DView.h"
#include "platform/HostServices.h"
#include "tank_fixtures.h"
#include "tank_invariants.h"

#include <gtest/gtest.h>

#include <boost/make_shared.hpp>

#include <cmath>
#include <random>

namespace {

using fixtures::StoreTank;

class DesignerEdit : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetHostServices();
    GetScriptedHost().SetMessageStream(nullptr);
    g_ViewBoard.Reset();
    designer = std::make_unique<TankDesigner>();
  }
  void TearDown() override {
    designer.reset();
    g_ViewBoard.Reset();
    ResetHostServices();
  }

  // A regular tank drawn in the model plan; the settings' levels are those
  // of the layout (bottom elevation -3 m, 400 mm bottom slab, 250 mm top
  // slab, walls 4000 mm high).
  void NewTank(std::uint32_t cx = 2, std::uint32_t cy = 1, bool top = true) {
    const TankLayoutParams p = fixtures::RegularLayout(cx, cy, top);
    GeometrySettings& g = designer->GetSettings().GetGeometrySettings();
    g.SetBottomElevation(p.bottomElevation);
    g.SetBottomSlabThickness(static_cast<int>(p.bottomSlabThickness));
    g.SetTopSlabThickness(static_cast<int>(p.topSlabThickness));
    g.SetTopElevation((p.bottomElevation * 1000 - p.bottomSlabThickness / 2 + p.wallHeight + p.topSlabThickness / 2) /
                      1000);
    designer->GetSettings().GetModelSettings().SetHasTopSlab(top);
    std::string why;
    ASSERT_TRUE(designer->NewTank(p, 0, 0, &why)) << why;
  }

  TankModel2DView* Plan() const {
    for (const auto& v : designer->GetViews())
      if (auto* p = dynamic_cast<TankModel2DView*>(v.get())) return p;
    return nullptr;
  }

  // A handle of the model plan drawn for the board alone (the plan showing
  // that board's slabs).
  EntityHandle HandleOf(const BoardPtr& board) {
    if (board->GetKind() != 0 && Plan()->m_planKind != (board->GetKind() == 2 ? 1 : 0))
      designer->ShowModel2D(board->GetKind() == 2 ? 1 : 0, 0);
    EntityList entities;
    Plan()->GetObjectEntities(board, entities);
    for (const EntityPtr& e : entities) {
      ObjectList owners;
      Plan()->GetEntityOwners(e, owners);
      EntityHandle h;
      if (owners.size() == 1 && g_ViewBoard.FindEntityHandle(e, h)) return h;
    }
    ADD_FAILURE() << "board not drawn alone";
    return {};
  }

  BoardPtr WallAlong(double x0, double y0, double x1, double y1) const {
    for (const BoardPtr& w : designer->GetTank().GetWalls()) {
      _2dLine l;
      if (!TankModeler().GetWallBaseLine(w, l)) continue;
      const _2dPoint a(x0, y0), b(x1, y1);
      if ((l.GetStartPoint() == a && l.GetEndPoint() == b) || (l.GetStartPoint() == b && l.GetEndPoint() == a))
        return w;
    }
    return nullptr;
  }

  std::unique_ptr<TankDesigner> designer;
};

EntityPtr Line(double x0, double y0, double x1, double y1) {
  return boost::make_shared<_2dLine>(_2dPoint(x0, y0), _2dPoint(x1, y1));
}

}  // namespace

// ---- Picking ----------------------------------------------------------------

TEST_F(DesignerEdit, LookupsOfAHandle) {
  NewTank();
  const BoardPtr wall = designer->GetTank().GetWalls().front();
  const EntityHandle h = HandleOf(wall);
  ObjectPtr object;
  BoardPtr board;
  std::vector<BoardPtr> boards;
  EXPECT_TRUE(designer->GetObjectOfEntity(h, &object));
  EXPECT_EQ(object, wall);
  EXPECT_TRUE(designer->GetBoardOfEntity(h, &board));
  EXPECT_EQ(board, wall);
  EXPECT_TRUE(designer->GetBoardsOfEntity(h, boards));
  EXPECT_EQ(boards, std::vector<BoardPtr>{wall});
  unsigned index = 99;
  EXPECT_TRUE(designer->FindObjectOfEntity(h, &object, &index));
  EXPECT_EQ(designer->GetView(static_cast<int>(index)).get(), static_cast<TankView*>(Plan()));

  // A handle the board does not know.
  const EntityHandle unknown(0xFFFFFF);
  EXPECT_FALSE(designer->GetObjectOfEntity(unknown, &object));
  EXPECT_FALSE(designer->GetBoardOfEntity(unknown, &board));
  EXPECT_FALSE(designer->GetBoardsOfEntity(unknown, boards));

  // An entity owned by no board: the lookup of one board answers false; the
  // lookup of boards appends none and answers whether the list holds boards,
  // so a list that already held one answers true.
  auto section = boost::make_shared<Section>();
  const EntityPtr mark = Line(-500, -500, -400, -400);
  Plan()->AddEntities({mark}, section, {kKindSectionCut}, {});
  g_ViewBoard.AddEntity(mark);
  EntityHandle markHandle;
  ASSERT_TRUE(g_ViewBoard.FindEntityHandle(mark, markHandle));
  EXPECT_TRUE(designer->GetObjectOfEntity(markHandle, &object));
  EXPECT_EQ(object, section);
  EXPECT_FALSE(designer->GetBoardOfEntity(markHandle, &board));
  EXPECT_TRUE(designer->GetBoardsOfEntity(markHandle, boards));
  EXPECT_EQ(boards.size(), 1u);
  std::vector<BoardPtr> none;
  EXPECT_FALSE(designer->GetBoardsOfEntity(markHandle, none));
  EXPECT_TRUE(none.empty());
}

TEST_F(DesignerEdit, EntityOfTwoViewsTakesTheEarlierView) {
  NewTank();
  const BoardPtr wall = designer->GetTank().GetWalls().front();
  const BoardPtr slab = designer->GetTank().GetBottomSlabs().front();
  const EntityHandle h = HandleOf(wall);
  // A later view holds the same entity for another board.
  EntityPtr entity;
  ASSERT_TRUE(g_ViewBoard.FindEntity(h, entity));
  auto other = boost::make_shared<BottomBoardReinView>(&g_ViewBoard, ViewSettings{}, ViewVolumn{});
  other->AddEntities({entity}, slab, {kKindBoardOutline}, {});
  designer->AddView(other);
  std::vector<BoardPtr> boards;
  EXPECT_TRUE(designer->GetBoardsOfEntity(h, boards));
  EXPECT_EQ(boards, std::vector<BoardPtr>{wall});

  // Views of entities: each view once, unknown handles skipped.
  EntityList entities;
  Plan()->GetObjectEntities(slab, entities);
  EntityHandleList handles{h, EntityHandle(0xFFFFFF)};
  for (const EntityPtr& e : entities) {
    EntityHandle eh;
    if (g_ViewBoard.FindEntityHandle(e, eh)) handles.push_back(eh);
  }
  const ViewList views = designer->GetViewsOfEntities(handles);
  ASSERT_EQ(views.size(), 1u);
  EXPECT_EQ(views.front().get(), static_cast<TankView*>(Plan()));
  TankDesigner empty;
  EXPECT_TRUE(empty.GetViewsOfEntities(handles).empty());
}

TEST_F(DesignerEdit, PointCommandsFindThePlanUnderThePoint) {
  auto table = boost::make_shared<ReinTableView>(&g_ViewBoard, ViewSettings{}, ViewVolumn{});
  table->AddEntities({Line(0, 0, 1000, 1000)}, nullptr, {1}, {});
  auto bottom = boost::make_shared<BottomBoardReinView>(&g_ViewBoard, ViewSettings{}, ViewVolumn{});
  bottom->AddEntities({Line(0, 0, 3000, 3000)}, nullptr, {kKindBoardOutline}, {});
  auto wallPlan = boost::make_shared<TankWallReinPlanView>(&g_ViewBoard, ViewSettings{}, ViewVolumn{});
  wallPlan->AddEntities({Line(5000, 0, 6000, 1000)}, nullptr, {kKindBoardOutline}, {});
  designer->AddView(table);
  designer->AddView(bottom);
  designer->AddView(wallPlan);
  // The table lies over the slab plan and comes first: the plan is used.
  EXPECT_TRUE(designer->DrawBoardReinAt(_3dPoint(500, 500, 0)));
  EXPECT_TRUE(designer->DrawBoardLabelsAt(_3dPoint(500, 500, 0), 1));
  EXPECT_TRUE(GetScriptedHost().GetMessages().empty());
  // The wall plan: a plan for the whole-plan command, no slab plan.
  EXPECT_TRUE(designer->DrawPlanReinAt(_3dPoint(5500, 500, 0)));
  EXPECT_FALSE(designer->DrawBoardReinAt(_3dPoint(5500, 500, 0)));
  EXPECT_FALSE(designer->DrawBoardLabelsAt(_3dPoint(9000, 9000, 0), 1));
  const auto& messages = GetScriptedHost().GetMessages();
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0].text, "请在底板平面图或顶板平面图上选板");
  EXPECT_EQ(messages[0].caption, "VekError");
  EXPECT_EQ(messages[1].text, "请选择底板平面或顶板平面");
}

TEST_F(DesignerEdit, WallCurvesOnWallLayersOnly) {
  ModelSettings settings;  // wall layers 池壁 and WALL
  auto onLayer = [](EntityPtr e, const char* layer) {
    e->SetLayer(layer);
    return e;
  };
  const EntityPtr line2d = onLayer(Line(0, 0, 1, 0), "WALL");
  const EntityPtr line3dOther = onLayer(boost::make_shared<_3dLine>(_3dPoint(0, 0, 0), _3dPoint(1, 0, 0)), "AXIS");
  const EntityPtr arc = onLayer(boost::make_shared<_2dArc>(_2dPoint(0, 0), 100, 0, 1), "池壁");
  const EntityPtr line3d = onLayer(boost::make_shared<_3dLine>(_3dPoint(0, 0, 0), _3dPoint(1, 0, 0)), "wall");
  EntityList out;
  TankDesigner::FilterWallCurves({line2d, line3dOther, arc, line3d}, &settings, out);
  EXPECT_EQ(out, (EntityList{arc, line3d}));
}

// ---- Editing commands ----------------------------------------------------------

TEST_F(DesignerEdit, SlabLevelsPutTheUpperFaceAtTheLevel) {
  NewTank(2, 1, true);
  designer->GetSettings().GetGeometrySettings().SetTopSlabThickness(200);
  const BoardPtr first = designer->GetTank().GetTopSlabs()[0];
  const BoardPtr second = designer->GetTank().GetTopSlabs()[1];
  first->SetUpperOffset(100);  // a 200 mm slab, as the settings say
  first->SetLowerOffset(100);
  second->SetUpperOffset(125);  // a 250 mm slab
  second->SetLowerOffset(125);
  const EntityHandle h1 = HandleOf(first), h2 = HandleOf(second);
  // The same slab picked twice moves once.
  ASSERT_TRUE(designer->ChangeSlabLevels({h1, h1, h2}, 4000, 1, 0));
  const auto tops = designer->GetTank().GetTopSlabs();
  ASSERT_EQ(tops.size(), 2u);
  std::vector<double> mids;
  for (const BoardPtr& t : tops) mids.push_back(t->GetOrigin().z);
  std::sort(mids.begin(), mids.end());
  EXPECT_NEAR(mids[0], 3875, 1e-6);
  EXPECT_NEAR(mids[1], 3900, 1e-6);
  EXPECT_EQ(designer->GetTank().GetTopSlabs().size(), 2u);
}

TEST_F(DesignerEdit, SlabWithoutOutlineRefusesTheWholeLevelChange) {
  NewTank(1, 1, true);
  const BoardPtr slab = designer->GetTank().GetBottomSlabs().front();
  const EntityHandle good = HandleOf(slab);
  // A slab without outline, drawn in the plan.
  auto bare = boost::make_shared<Board>();
  bare->SetKind(1);
  designer->GetTank().AddBoard(bare);
  const EntityPtr mark = Line(-900, -900, -800, -800);
  Plan()->AddEntities({mark}, bare, {kKindModelView}, {});
  g_ViewBoard.AddEntity(mark);
  EntityHandle bad;
  ASSERT_TRUE(g_ViewBoard.FindEntityHandle(mark, bad));
  const auto before = StoreTank(designer->GetTank());
  const TankModel2DView* plan = Plan();
  EXPECT_FALSE(designer->ChangeSlabLevels({good, bad}, -4000, 0, 0));
  EXPECT_EQ(StoreTank(designer->GetTank()), before);
  EXPECT_EQ(Plan(), plan);  // no redraw
}

TEST_F(DesignerEdit, FailureHalfWayLeavesTankAndPlanAsBefore) {
  NewTank(2, 1, true);
  const BoardPtr a = designer->GetTank().GetBottomSlabs()[0], b = designer->GetTank().GetBottomSlabs()[1];
  ASSERT_TRUE(TankModeler().AddHole(boost::make_shared<_3dCircle>(_3dPoint(3000, 3000, a->GetOrigin().z), 300), a,
                                    designer->GetTank()));
  designer->ShowModel2D(0, 2);
  const auto before = StoreTank(designer->GetTank());
  // One index for two boards: the first board's opening goes, then the
  // model throws.
  const int kind = 0;
  EXPECT_THROW(designer->EditBoardHoles({0}, &kind, {a, b}, 1, 5), std::out_of_range);
  EXPECT_EQ(StoreTank(designer->GetTank()), before);
  // The plan is drawn again as it stood, from the restored tank.
  ASSERT_TRUE(Plan());
  EXPECT_EQ(Plan()->m_planKind, 0);
  EXPECT_EQ(Plan()->m_labelMode, 2);
  const BoardPtr restored = designer->GetTank().GetBottomSlabs()[0];
  EXPECT_EQ(restored->GetHoles().size(), 1u);
  ObjectPtr owner;
  EXPECT_TRUE(designer->GetObjectOfEntity(HandleOf(restored), &owner));
  EXPECT_EQ(owner, restored);
}

TEST_F(DesignerEdit, ThicknessAndEccentricity) {
  NewTank(1, 1, false);
  const BoardPtr wall = designer->GetTank().GetWalls().front();
  struct Case {
    double up, lo;
    int upper, lower;
    double upAfter, loAfter;
  };
  for (const Case& c : {Case{200, 100, 150, 150, 200, 100}, Case{200, 100, 200, 200, 250, 150}}) {
    wall->SetUpperOffset(c.up);
    wall->SetLowerOffset(c.lo);
    ASSERT_TRUE(designer->SetBoardThickness({HandleOf(wall)}, c.upper, c.lower, 0, 0));
    EXPECT_DOUBLE_EQ(wall->GetUpperOffset(), c.upAfter);
    EXPECT_DOUBLE_EQ(wall->GetLowerOffset(), c.loAfter);
  }
  // No thickness: refused, nothing changed, no redraw.
  const TankModel2DView* plan = Plan();
  for (const auto& [upper, lower] : {std::pair{0, 0}, std::pair{100, -150}})
    EXPECT_FALSE(designer->SetBoardThickness({HandleOf(wall)}, upper, lower, 0, 0));
  EXPECT_DOUBLE_EQ(wall->GetThickness(), 400);
  EXPECT_EQ(Plan(), plan);

  wall->SetUpperOffset(150);
  wall->SetLowerOffset(150);
  ASSERT_TRUE(designer->SetBoardEccentricity({HandleOf(wall)}, 50, 0, 0));
  EXPECT_DOUBLE_EQ(wall->GetUpperOffset(), 200);
  EXPECT_DOUBLE_EQ(wall->GetLowerOffset(), 100);
}

TEST_F(DesignerEdit, JoinNeedsOneWallPerPick) {
  NewTank(2, 1, false);
  // A wall stacked on another shares its plan line: the pick is ambiguous.
  const BoardPtr lower = WallAlong(0, 6000, 0, 0);
  ASSERT_TRUE(lower);
  _2dLine line;
  TankModeler().GetWallBaseLine(lower, line);
  const BoardPtr upper = fixtures::MakeWall(line.GetStartPoint().x, line.GetStartPoint().y, line.GetEndPoint().x,
                                            line.GetEndPoint().y, -3200 + 4000, 1000);
  designer->GetTank().AddBoard(upper);
  designer->ShowModel2D(0, 0);
  EntityList entities;
  Plan()->GetObjectEntities(lower, entities);
  EntityHandle shared;
  for (const EntityPtr& e : entities) {
    ObjectList owners;
    if (Plan()->GetEntityOwners(e, owners) && owners.size() == 2) g_ViewBoard.FindEntityHandle(e, shared);
  }
  ASSERT_FALSE(shared.IsNull());
  const auto before = StoreTank(designer->GetTank());
  const TankModel2DView* plan = Plan();
  std::string why;
  EXPECT_FALSE(designer->JoinWalls(shared, HandleOf(WallAlong(0, 0, 6000, 0)), 0, 0, &why));
  EXPECT_EQ(StoreTank(designer->GetTank()), before);
  EXPECT_EQ(Plan(), plan);
  EXPECT_NE(why.find("several"), std::string::npos);
}

TEST_F(DesignerEdit, EveryGroupUsesTheLevelGiven) {
  NewTank(2, 1, false);
  // A stack at the left wall: a wall of 1000 mm on top of it.
  const BoardPtr left = WallAlong(0, 6000, 0, 0);
  ASSERT_TRUE(left);
  _2dLine line;
  TankModeler().GetWallBaseLine(left, line);
  const BoardPtr upper = fixtures::MakeWall(line.GetStartPoint().x, line.GetStartPoint().y, line.GetEndPoint().x,
                                            line.GetEndPoint().y, -3200 + 4000, 1000);
  designer->GetTank().AddBoard(upper);
  designer->ShowModel2D(0, 0);
  EntityList entities;
  Plan()->GetObjectEntities(left, entities);
  EntityHandle stack;
  for (const EntityPtr& e : entities) {
    ObjectList owners;
    if (Plan()->GetEntityOwners(e, owners) && owners.size() == 2) g_ViewBoard.FindEntityHandle(e, stack);
  }
  ASSERT_FALSE(stack.IsNull());
  const BoardPtr right = WallAlong(12000, 0, 12000, 6000);
  ASSERT_TRUE(right);
  // The stack turns 4500 into 500 above its upper wall; the single wall on
  // the right still gets the 4500 asked for.
  ASSERT_TRUE(designer->EditBoardsAndTopSlabs({stack, HandleOf(right)}, 4500, 0, 0));
  double lo = 0, hi = 0;
  TankModeler().GetBoardZRange(right, lo, hi);
  EXPECT_NEAR(hi - lo, 4500, 1e-6);
}

TEST_F(DesignerEdit, WallRunsSnapOnlyTheirOuterEnds) {
  // Three segments, no wall yet: the first segment's start lies short of
  // the third segment (200 mm thick); within 0.75 × 200 it starts on it.
  struct Case {
    double shortBy;
    double startX;
  };
  for (const Case& c : {Case{100, 0}, Case{160, 160}}) {
    designer->ClearModel();
    const std::vector<Segment2d> run = {{_2dPoint(c.shortBy, 3000), _2dPoint(5000, 3000)},
                                        {_2dPoint(5000, 3000), _2dPoint(5000, 0)},
                                        {_2dPoint(5000, 0), _2dPoint(0, 0)}};
    // The third segment's line runs along y = 0: let it cross the first
    // segment's line by turning it up the left side.
    const std::vector<Segment2d> closing = {run[0], run[1], {_2dPoint(0, -1000), _2dPoint(0, 5000)}};
    ASSERT_TRUE(designer->AddWalls(closing, {3000, 3000, 3000}, {300, 300, 200}, 0, 0));
    EXPECT_TRUE(WallAlong(c.startX, 3000, 5000, 3000)) << c.shortBy;
    // The middle one is added exactly as drawn, the last one too (nothing
    // to snap its end to).
    EXPECT_TRUE(WallAlong(5000, 3000, 5000, 0)) << c.shortBy;
    EXPECT_TRUE(WallAlong(0, -1000, 0, 5000)) << c.shortBy;
  }
  // One segment snaps both of its ends onto walls already in the tank.
  ASSERT_TRUE(designer->AddWalls({{_2dPoint(100, 1000), _2dPoint(4900, 1000)}}, {3000}, {250}, 0, 0));
  EXPECT_TRUE(WallAlong(0, 1000, 5000, 1000));
  // An empty run does nothing and redraws nothing.
  const TankModel2DView* plan = Plan();
  EXPECT_FALSE(designer->AddWalls({}, {}, {}, 0, 0));
  EXPECT_EQ(Plan(), plan);
}

TEST_F(DesignerEdit, LoweringAWallBelowItsOpeningIsRefused) {
  NewTank(1, 1, false);
  const BoardPtr wall = WallAlong(0, 0, 12000, 0);
  ASSERT_TRUE(wall);
  std::vector<_3dPoint> corners;
  for (const auto& [u, v] : {std::pair{5000.0, 3000.0}, {6000.0, 3000.0}, {6000.0, 3600.0}, {5000.0, 3600.0}})
    corners.push_back(wall->LocalToWorld(_2dPoint(u, v)));
  ASSERT_TRUE(designer->AddHole(boost::make_shared<_2dPolyline>(corners, true), wall, 0, 0));
  const auto before = StoreTank(designer->GetTank());
  EXPECT_FALSE(designer->EditBoardsAndTopSlabs({HandleOf(wall)}, 2000, 0, 0));
  EXPECT_EQ(StoreTank(designer->GetTank()), before);
  EXPECT_NE(designer->GetLastEditNote().find("outside"), std::string::npos) << designer->GetLastEditNote();
  // Lowered to just above the opening, it is accepted.
  EXPECT_TRUE(designer->EditBoardsAndTopSlabs({HandleOf(designer->GetTank().GetWalls().front())}, 3800, 0, 0));
}

TEST_F(DesignerEdit, PlanSketchAndGroups) {
  NewTank(1, 1, false);
  EXPECT_THROW(designer->MakePlanSketch(0, 0, 0, 100), std::invalid_argument);
  // The walls of a 12000 × 6000 mm tank (their outlines lie on the wall
  // axes) in a 100 × 100 picture: 120 mm per unit, texts 9 × 120 mm high.
  const EntityList sketch = designer->MakePlanSketch(0, 0, 100, 100);
  ASSERT_FALSE(sketch.empty());
  bool text = false;
  for (const EntityPtr& e : sketch)
    if (auto* t = dynamic_cast<const _Text*>(e.get())) {
      EXPECT_NEAR(t->GetHeight(), 1080, 1e-9);
      text = true;
    }
  EXPECT_TRUE(text);
  const BoardPtr wall = designer->GetTank().GetWalls().front();
  std::vector<std::vector<BoardPtr>> groups;
  EXPECT_FALSE(designer->GroupBoardsOfEntities({HandleOf(wall), HandleOf(wall)}, groups));
  EXPECT_EQ(groups.size(), 1u);
  designer->ClearModel();
  EXPECT_TRUE(designer->MakePlanSketch(0, 0, 100, 100).empty());
}

// ---- Random edits --------------------------------------------------------------

TEST_F(DesignerEdit, RandomEditsKeepTheTankSoundAndUndoAllTheWayBack) {
  NewTank(3, 2, true);
  Tank& tank = designer->GetTank();
  const auto start = StoreTank(tank);
  std::mt19937 rng(20240611);
  auto pickAny = [&]() -> EntityHandle {
    // Mostly a drawn board, sometimes a handle nobody knows.
    const auto boards = tank.GetBoards();
    if (boards.empty() || rng() % 8 == 0) return EntityHandle(0xABCDEF);
    const BoardPtr b = boards[rng() % boards.size()];
    if (b->GetKind() != 0 && Plan()->m_planKind != (b->GetKind() == 2 ? 1 : 0))
      designer->ShowModel2D(b->GetKind() == 2 ? 1 : 0, 0);
    EntityList entities;
    Plan()->GetObjectEntities(b, entities);
    EntityHandle h(0xABCDEF);
    if (!entities.empty()) g_ViewBoard.FindEntityHandle(entities[rng() % entities.size()], h);
    return h;
  };
  auto real = [&](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng); };
  int recorded = 0;
  for (int step = 0; step < 200; ++step) {
    const auto before = StoreTank(tank);
    designer->SaveUndoState();
    const int pk = static_cast<int>(rng() % 2), lm = static_cast<int>(rng() % 7);
    try {
      switch (rng() % 14) {
        case 0:
          designer->AddWall({real(-2000, 14000), real(-2000, 8000), real(-2000, 14000), real(-2000, 8000),
                             real(-100, 500), 0, 0, 0, real(-500, 5000)},
                            pk, lm);
          break;
        case 1: designer->JoinWalls(pickAny(), pickAny(), pk, lm); break;
        case 2: designer->ChangeSlabLevels({pickAny()}, static_cast<int>(real(-6000, 3000)), pk, lm); break;
        case 3:
          designer->SetBoardThickness({pickAny()}, static_cast<int>(real(-200, 400)),
                                      static_cast<int>(real(-200, 400)), pk, lm);
          break;
        case 4: designer->SetBoardEccentricity({pickAny()}, static_cast<int>(real(-200, 200)), pk, lm); break;
        case 5: designer->RemoveBoards({pickAny()}, pk, lm); break;
        case 6: designer->EditBoardsAndTopSlabs({pickAny(), pickAny()}, static_cast<int>(real(-1000, 9000)), pk, lm); break;
        case 7: designer->RebuildSlabs(pk, lm); break;
        case 8: designer->AddSlabAt(_2dPoint(real(-1000, 13000), real(-1000, 9000)), pk, lm); break;
        case 9: designer->EditObjectPair(pickAny(), pickAny(), pk, lm); break;
        case 10: {
          BoardPtr board;
          if (designer->GetBoardOfEntity(pickAny(), &board)) {
            auto circle = boost::make_shared<_3dCircle>(board->LocalToWorld(_2dPoint(real(-1000, 7000), real(-1000, 5000))),
                                                        real(10, 900), board->GetNormal());
            designer->AddHole(circle, board, pk, lm);
          }
          break;
        }
        case 11:
          designer->AddWalls({{_2dPoint(real(0, 12000), real(0, 6000)), _2dPoint(real(0, 12000), real(0, 6000))}},
                             {real(100, 5000)}, {real(100, 500)}, pk, lm);
          break;
        case 12: {
          const EntityHandle h = pickAny();
          BoardPtr board;
          if (designer->GetBoardOfEntity(h, &board) && board->GetKind() != 0)
            designer->SplitBoard(h, _3dLine(board->LocalToWorld(_2dPoint(real(0, 6000), -10000)),
                                            board->LocalToWorld(_2dPoint(real(0, 6000), 10000))),
                                 pk, lm);
          break;
        }
        default: designer->ShowModel2D(pk, lm); break;
      }
    } catch (const std::exception&) {
      // A model exception rolls the tank back.
      EXPECT_EQ(StoreTank(tank), before) << "step " << step;
    }
    if (StoreTank(tank) == before) {
      designer->DropLastUndoState();
    } else {
      ++recorded;
    }
    const std::string problem = invariants::CheckTank(tank);
    ASSERT_TRUE(problem.empty()) << "step " << step << ": " << problem;
  }
  EXPECT_GT(recorded, 20);
  while (designer->CanUndo()) designer->Undo();
  EXPECT_EQ(StoreTank(tank), start);
}
