// The designer object: views, modes, base maps, the plan display values and
// the filing of a whole design.
#include "designer/BoardViewFiler.h"
#include "designer/TankDesigner.h"
#include "modelview/CTankRein3DView.h"
#include "modelview/TankModel2DView.h"
#include "modelview/TankModel3DView.h"
#include "platform/HostServices.h"
#include "tests/tank_fixtures.h"
#include "view/ModuleStart.h"
#include "tests/test_paths.h"

#include <boost/make_shared.hpp>
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <zlib.h>

namespace {

EntityPtr Line(double x0, double y0, double x1, double y1) {
  return boost::make_shared<_2dLine>(_2dPoint(x0, y0), _2dPoint(x1, y1));
}

std::vector<std::uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

std::string Save(TankDesigner& designer) {
  std::ostringstream out;
  Archive ar(out);
  designer.Serialize(ar);
  ar.Close();
  return out.str();
}

// Reads through the two-step path the host uses (read whole, check the end,
// take over).
void Load(TankDesigner& designer, const std::string& bytes) {
  Archive ar(Bytes(bytes));
  auto design = designer.ReadDesign(ar);
  ar.Close();
  designer.TakeOver(*design);
}

class Designer : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetHostServices();
    GetScriptedHost().SetMessageStream(nullptr);
    g_ViewBoard.Reset();
    g_ResultDisplayFlags = 8192;
    g_ReinLabelSizeFactor = 3.0;
  }
  void TearDown() override {
    designer.reset();
    g_ViewBoard.Reset();
    ResetHostServices();
  }

  // Two walls on a tank, a 2D model view with entities drawn for them, a
  // bottom-slab plan with an entity of no model object and one registered
  // under both walls, a 3D rebar view, and a base map.
  void BuildDesign() {
    Tank& tank = designer->GetTank();
    wallA = fixtures::MakeWall(0, 0, 6000, 0, -3200, 4000);
    wallB = fixtures::MakeWall(6000, 0, 6000, 4000, -3200, 4000);
    tank.AddBoards({wallA, wallB});

    TankModel2DView* model = designer->RecreateModel2DView();
    model->m_planKind = 1;
    model->m_labelMode = 5;
    model->AddEntities({Line(0, 0, 6000, 0), Line(0, 300, 6000, 300)}, wallA, {0x2000, 0x2000}, {});
    model->AddEntities({Line(6000, 0, 6000, 4000)}, wallB, {0x2000}, {});
    model->ShowAllEntities();

    auto plan = boost::make_shared<BottomBoardReinView>(&g_ViewBoard, ViewSettings{}, ViewVolumn{});
    shared = Line(1, 1, 2, 2);
    plan->AddEntities({shared}, wallA, {0x2}, {});
    plan->AddEntities({shared}, wallB, {0x4}, {});
    plan->AddEntities({Line(5, 5, 6, 6)}, nullptr, {0x10}, {});
    plan->SetPlacement(_3dVector(100, 200, 0));
    plan->ShowAllEntities();
    designer->AddView(plan);

    auto rebar = boost::make_shared<CTankRein3DView>(&g_ViewBoard);
    designer->AddView(rebar);

    // A user entity of the drawing as base map 1, and a board-only entity.
    const EntityHandle user = g_ViewBoard.InsertUserEntity(Line(-10, -10, -5, -5));
    g_ViewBoard.AddBaseMap(1, {user});
    g_ViewBoard.setShowFlag_DrawingView(true);
    g_ViewBoard.AddEntity(Line(50, 50, 60, 60));

    designer->SetMode(1, 0);
    designer->SetReinDesigned(true);
  }

  std::unique_ptr<TankDesigner> designer = std::make_unique<TankDesigner>();
  BoardPtr wallA, wallB;
  EntityPtr shared;
};

// ---------------------------------------------------------------------------
// Construction, mode, flag and history

TEST_F(Designer, NewDesignerStartsEmptyInModellingMode) {
  for (auto* d : {designer.get(), new TankDesigner(nullptr)}) {
    EXPECT_EQ(d->GetMode(), 0);
    EXPECT_FALSE(d->IsReinDesigned());
    EXPECT_EQ(d->GetViewCount(), 0u);
    EXPECT_FALSE(d->CanUndo());
    EXPECT_FALSE(d->CanRedo());
    if (d != designer.get()) delete d;
  }
  EXPECT_EQ(GetResultDisplayFlags(), 8192);
  EXPECT_DOUBLE_EQ(GetReinLabelHeight(), 3.0);
}

TEST_F(Designer, ResetKeepsHistoryAndSettings) {
  designer->GetTank().AddBoard(fixtures::MakeWall(0, 0, 1000, 0, 0, 1000));
  designer->SaveUndoState();
  designer->GetSettings().GetModelSettings().SetHasTopSlab(false);
  designer->SetReinDesigned(true);
  designer->RecreateModel2DView();
  designer->Reset();
  EXPECT_TRUE(designer->CanUndo());
  EXPECT_TRUE(designer->GetTank().GetComponents().empty());
  EXPECT_EQ(designer->GetViewCount(), 0u);
  EXPECT_FALSE(designer->IsReinDesigned());
  EXPECT_FALSE(designer->IsTopSlabPresent());
  designer->Undo();
  EXPECT_EQ(designer->GetTank().GetComponents().size(), 1u);
  EXPECT_TRUE(designer->CanRedo());
}

TEST_F(Designer, SetModeAppliesResultFlagsOnlyInInspection) {
  auto plan = boost::make_shared<TopBoardReinView>(&g_ViewBoard, ViewSettings{}, ViewVolumn{});
  const EntityPtr label = Line(0, 0, 1, 1);
  plan->AddEntities({label}, nullptr, {0x10}, {});
  designer->AddView(plan);

  designer->SetMode(2, 16);
  EXPECT_EQ(designer->GetMode(), 2);
  EXPECT_EQ(GetResultDisplayFlags(), 16);
  EXPECT_TRUE(g_ViewBoard.IsEntityVisible(label));

  designer->SetMode(1, 16);  // the flags are ignored: the plan display resets
  EXPECT_EQ(GetResultDisplayFlags(), 8192);
  EXPECT_FALSE(g_ViewBoard.IsEntityVisible(label));

  g_ResultDisplayFlags = 64;
  designer->SetMode(0, 16);
  EXPECT_EQ(GetResultDisplayFlags(), 64);
  EXPECT_FALSE(g_ViewBoard.IsEntityVisible(label));  // plans are hidden in mode 0
}

// ---------------------------------------------------------------------------
// View list

TEST_F(Designer, RemovalByExactClass) {
  designer->AddView(boost::make_shared<TankModel2DView>(&g_ViewBoard));
  auto second2d = boost::make_shared<TankModel2DView>(&g_ViewBoard);
  designer->AddView(second2d);
  designer->AddView(boost::make_shared<TopBoardReinView>(&g_ViewBoard, ViewSettings{}, ViewVolumn{}));
  designer->AddView(boost::make_shared<BottomBoardReinView>(&g_ViewBoard, ViewSettings{}, ViewVolumn{}));
  designer->AddView(boost::make_shared<TopBoardReinView>(&g_ViewBoard, ViewSettings{}, ViewVolumn{}));

  designer->RemoveModel2DView();
  ASSERT_EQ(designer->GetViewCount(), 4u);
  EXPECT_EQ(designer->GetView(0), second2d);

  designer->RemoveViewsOfClass<TopBoardReinView>();
  ASSERT_EQ(designer->GetViewCount(), 2u);
  EXPECT_EQ(designer->GetView(0), second2d);
  EXPECT_TRUE(typeid(*designer->GetView(1)) == typeid(BottomBoardReinView));
  EXPECT_THROW(designer->GetView(2), std::out_of_range);

  EXPECT_EQ(TankDesigner::FilterPlanViews(designer->GetViews(), false).size(), 1u);
  EXPECT_EQ(TankDesigner::FilterModelViews(designer->GetViews()).size(), 1u);
}

TEST_F(Designer, RemovingAViewErasesItsDrawing) {
  TankModel2DView* view = designer->RecreateModel2DView();
  const EntityPtr e = Line(0, 0, 1, 0);
  view->AddEntities({e}, nullptr, {0x2000}, {});
  view->ShowAllEntities();
  ASSERT_TRUE(g_ViewBoard.HoldsEntity(e));
  designer->RemoveModel2DView();
  EXPECT_FALSE(g_ViewBoard.HoldsEntity(e));
}

TEST_F(Designer, ShowViewsOfModeByClass) {
  struct Case {
    TankViewPtr view;
    bool shown[3];  // in modes 0, 1, 2
  };
  const ViewSettings s;
  const ViewVolumn v;
  std::vector<Case> cases = {
      {boost::make_shared<TankModel2DView>(&g_ViewBoard), {true, false, false}},
      {boost::make_shared<TankModel3DView>(&g_ViewBoard), {true, false, false}},
      {boost::make_shared<CTankRein3DView>(&g_ViewBoard), {false, false, false}},
      {boost::make_shared<BottomBoardReinView>(&g_ViewBoard, s, v), {false, true, true}},
      {boost::make_shared<TankWallReinPlanView>(&g_ViewBoard, s, v), {false, true, true}},
      {boost::make_shared<TankWallReinSectionView>(&g_ViewBoard, s, v), {false, true, false}},
      {boost::make_shared<HoleDetailView>(&g_ViewBoard, s, v), {false, true, false}},
      {boost::make_shared<ReinTableView>(&g_ViewBoard, s, v), {false, true, false}},
      {boost::make_shared<ReinAmountView>(&g_ViewBoard, s, v), {false, true, false}},
  };
  std::vector<EntityPtr> entities;
  for (auto& c : cases) {
    entities.push_back(Line(0, 0, 1, 1));
    c.view->AddEntities({entities.back()}, nullptr, {0x1}, {});
    designer->AddView(c.view);
  }
  for (int mode = 0; mode < 3; ++mode) {
    designer->ShowViewsOfMode(mode);
    for (std::size_t i = 0; i < cases.size(); ++i)
      EXPECT_EQ(g_ViewBoard.IsEntityVisible(entities[i]), cases[i].shown[mode])
          << TankDesigner::GetViewClassName(*cases[i].view) << " in mode " << mode;
  }
}

TEST_F(Designer, ZoomToModeCountsOnlyTheViewsOfTheMode) {
  designer->ZoomToMode(0);  // empty list: nothing
  EXPECT_TRUE(g_ViewBoard.GetZoomWindow().IsEmpty());

  TankModel2DView* model = designer->RecreateModel2DView();
  model->AddEntities({Line(0, 0, 100, 50)}, nullptr, {0x2000}, {});
  designer->ZoomToMode(1);
  EXPECT_TRUE(g_ViewBoard.GetZoomWindow().IsEmpty());

  auto plan = boost::make_shared<BottomBoardReinView>(&g_ViewBoard, ViewSettings{}, ViewVolumn{});
  plan->AddEntities({Line(1000, 1000, 2000, 1500)}, nullptr, {0x2}, {});
  plan->AddEntities({Line(-9000, -9000, 9000, 9000)}, nullptr, {0x10}, {});  // a label: not counted
  designer->AddView(plan);
  designer->ZoomToMode(1);
  const Extents& zoom = g_ViewBoard.GetZoomWindow();
  EXPECT_DOUBLE_EQ(zoom.minX, 1000);
  EXPECT_DOUBLE_EQ(zoom.maxX, 2000);
  EXPECT_DOUBLE_EQ(zoom.maxY, 1500);
}

TEST_F(Designer, ResultDisplayRefreshesEachBoardOnce) {
  for (int i = 0; i < 2; ++i) {
    auto plan = boost::make_shared<BottomBoardReinView>(&g_ViewBoard, ViewSettings{}, ViewVolumn{});
    plan->AddEntities({Line(0, 0, 1, 1)}, nullptr, {0x10}, {});
    plan->AddEntities({Line(0, 0, 2, 2)}, nullptr, {0x20}, {});
    designer->AddView(plan);
  }
  const int before = g_ViewBoard.GetRefreshCount();
  designer->SetResultDisplayFlags(16);
  EXPECT_EQ(g_ViewBoard.GetRefreshCount(), before + 1);
  EXPECT_EQ(GetResultDisplayFlags(), 16);
  EntityList shown, other;
  designer->GetView(0)->SplitEntitiesByKind(0x10, shown, other);
  EXPECT_TRUE(g_ViewBoard.IsEntityVisible(shown[0]));
  EXPECT_FALSE(g_ViewBoard.IsEntityVisible(other[0]));

  designer->ResetPlanDisplay();
  EXPECT_EQ(GetResultDisplayFlags(), 8192);
  EXPECT_FALSE(g_ViewBoard.IsEntityVisible(shown[0]));
}

TEST_F(Designer, LabelHeightNeedsAPlanView) {
  designer->RecreateModel2DView();
  designer->SetReinLabelHeight(5.0);
  EXPECT_DOUBLE_EQ(GetReinLabelHeight(), 3.0);

  auto plan = boost::make_shared<TankWallReinPlanView>(&g_ViewBoard, ViewSettings{}, ViewVolumn{});
  const EntityPtr label = Line(0, 0, 1, 1), outline = Line(0, 0, 5, 0);
  plan->AddEntities({label}, nullptr, {0x20}, {});
  plan->AddEntities({outline}, nullptr, {0x2}, {});
  designer->AddView(plan);
  designer->SetReinLabelHeight(5.0);
  EXPECT_DOUBLE_EQ(GetReinLabelHeight(), 5.0);
  EXPECT_EQ(plan->GetEntityKind(label), 0);  // labels erased for the redraw
  EXPECT_EQ(plan->GetEntityKind(outline), 0x2);
}

TEST_F(Designer, BaseMapCommandsOnlyInModelling) {
  TankModel2DView* model = designer->RecreateModel2DView();
  const EntityPtr e = Line(0, 0, 1, 1);
  model->AddEntities({e}, nullptr, {0x2000}, {});
  const EntityHandle user = g_ViewBoard.InsertUserEntity(Line(7, 7, 8, 8));

  designer->SetMode(1, 0);
  designer->ShowModelOnly();
  EXPECT_TRUE(g_ViewBoard.GetBaseMap(1).empty());

  designer->SetMode(0, 0);
  designer->ShowBaseMapOnly();
  EXPECT_TRUE(g_ViewBoard.getShowFlag_ModelingView());
  EXPECT_FALSE(g_ViewBoard.IsEntityVisible(e));
  EXPECT_EQ(g_ViewBoard.GetBaseMap(0), EntityHandleList{user});
  EXPECT_FALSE(IsModelingBaseMapEmpty());

  designer->ShowModelOnly();
  EXPECT_FALSE(g_ViewBoard.getShowFlag_ModelingView());
  EXPECT_TRUE(g_ViewBoard.IsEntityVisible(e));
  EXPECT_FALSE(g_ViewBoard.IsHandleVisible(user));
}

// ---------------------------------------------------------------------------
// Model views and new tanks

TEST_F(Designer, ModelViewZoomsOnlyWhenFirstShownAndRemarksOverhangs) {
  fixtures::MakeRegularTank(designer->GetTank(), fixtures::RegularLayout(2, 1, true, 12000, 6000));
  designer->GetSettings().GetGeometrySettings().SetBottomSlabOverhang(500);
  TankModel2DView* first = designer->RecreateModel2DView();
  EXPECT_TRUE(first->m_zoomOnRedraw);
  EXPECT_DOUBLE_EQ(first->m_bottomSlabOverhang, 500.0);
  const auto marked = [this] {
    int n = 0;
    double length = 0.0;
    for (const BoardPtr& slab : designer->GetTank().GetBottomSlabs())
      for (std::size_t i = 0; i < slab->GetEdges().size(); ++i)
        if (slab->GetEdgeOverhang(static_cast<int>(i), length) && length == 800.0) ++n;
    return n;
  };
  EXPECT_EQ(marked(), 0);

  // An overhang changed in the settings takes effect with the next re-creation.
  designer->GetSettings().GetGeometrySettings().SetBottomSlabOverhang(800);
  TankModel2DView* second = designer->RecreateModel2DView();
  EXPECT_FALSE(second->m_zoomOnRedraw);
  EXPECT_EQ(marked(), 6);  // the outline of the two slabs: 3 edges each
  ASSERT_EQ(designer->GetViewCount(), 1u);
  EXPECT_EQ(designer->GetView(0).get(), static_cast<TankView*>(second));

  designer->GetSettings().GetModelSettings().SetModelTextHeight(0);
  EXPECT_EQ(designer->RecreateModel2DView()->m_textHeight, 200);

  TankModel3DView* model3d = designer->RecreateModel3DView();
  EXPECT_EQ(model3d->m_zoomToExtent, 1);
  EXPECT_EQ(designer->RecreateModel3DView()->m_zoomToExtent, 0);
}

TEST_F(Designer, ShowModelKeepsOneModelViewOfTheAskedKind) {
  fixtures::MakeRegularTank(designer->GetTank(), fixtures::RegularLayout(1, 1, false, 6000, 4000));
  designer->RecreateModel2DView();
  designer->ShowModel(0, 7, true, false, true);
  ASSERT_EQ(designer->GetViewCount(), 1u);
  auto* view3d = dynamic_cast<TankModel3DView*>(designer->GetView(0).get());
  ASSERT_NE(view3d, nullptr);
  EXPECT_EQ(view3d->m_showWalls, 0);
  EXPECT_EQ(view3d->m_showBottomSlabs, 1);

  designer->ShowModel(1, 5, true, true, true);
  ASSERT_EQ(designer->GetViewCount(), 1u);
  auto* view2d = dynamic_cast<TankModel2DView*>(designer->GetView(0).get());
  ASSERT_NE(view2d, nullptr);
  EXPECT_EQ(view2d->m_planKind, 1);
  EXPECT_EQ(view2d->m_labelMode, 5);

  designer->ClearModel();
  EXPECT_TRUE(designer->GetTank().GetComponents().empty());
  EXPECT_TRUE(designer->HasModel2DView());
}

TEST_F(Designer, NewTankKeepsHistoryAndRefusesBadLayouts) {
  designer->GetTank().AddBoard(fixtures::MakeWall(0, 0, 1000, 0, 0, 1000));
  designer->SaveUndoState();
  designer->SetReinDesigned(true);
  ASSERT_TRUE(designer->NewTank(fixtures::RegularLayout(2, 1, true, 12000, 6000), 0, 0));
  EXPECT_TRUE(designer->CanUndo());
  EXPECT_FALSE(designer->IsReinDesigned());
  EXPECT_EQ(designer->GetTank().GetWalls().size(), 7u);
  ASSERT_EQ(designer->GetViewCount(), 1u);
  EXPECT_TRUE(static_cast<TankModel2DView&>(*designer->GetView(0)).m_zoomOnRedraw);

  TankLayoutParams bad = fixtures::RegularLayout(2, 1, true, 12000, 6000);
  bad.cellsX = 0;
  std::string why;
  EXPECT_FALSE(designer->NewTank(bad, 0, 0, &why));
  EXPECT_NE(why.find("cellsX"), std::string::npos) << why;
  EXPECT_EQ(designer->GetTank().GetWalls().size(), 7u);  // the tank as it was
}

// Only components that are exactly boards take the grades of their kind.
TEST_F(Designer, DefaultGradesOnlyForPlainBoards) {
  struct SpecialBoard : Board {};
  auto special = boost::make_shared<SpecialBoard>();
  special->SetKind(0);
  special->SetConcreteGrade("C15");
  auto wall = fixtures::MakeWall(0, 0, 1000, 0, 0, 1000);
  wall->SetConcreteGrade("C15");
  designer->GetTank().AddBoards({wall, special});
  designer->AssignDefaultGrades();
  const MaterialSettings& m = designer->GetSettings().GetMaterialSettings();
  EXPECT_EQ(wall->GetConcreteGrade(), m.GetWallConcreteGrade());
  for (const BoardEdge& e : wall->GetEdges()) {
    EXPECT_EQ(e.GetFaceValues(true).grade, m.GetWallReinGrade());
    EXPECT_EQ(e.GetFaceValues(false).grade, m.GetWallReinGrade());
  }
  EXPECT_EQ(special->GetConcreteGrade(), "C15");
}

// ---------------------------------------------------------------------------
// Filing of a whole design

TEST_F(Designer, SavedReadAndSavedAgainIsIdentical) {
  BuildDesign();
  const std::string first = Save(*designer);

  TankDesigner other;
  Load(other, first);
  EXPECT_EQ(Save(other), first);

  ASSERT_EQ(other.GetViewCount(), 3u);
  EXPECT_TRUE(typeid(*other.GetView(0)) == typeid(TankModel2DView));
  EXPECT_TRUE(typeid(*other.GetView(1)) == typeid(BottomBoardReinView));
  EXPECT_TRUE(typeid(*other.GetView(2)) == typeid(CTankRein3DView));
  EXPECT_EQ(other.GetMode(), 1);
  EXPECT_TRUE(other.IsReinDesigned());

  // The model view's display fields come back.
  const auto& model = static_cast<const TankModel2DView&>(*other.GetView(0));
  EXPECT_EQ(model.m_planKind, 1);
  EXPECT_EQ(model.m_labelMode, 5);

  // Entities come back under the same model objects of the read tank.
  const BoardPtr readA = other.GetTank().GetBoards().at(0);
  EntityList drawn;
  ASSERT_TRUE(model.GetObjectEntities(readA, drawn));
  EXPECT_EQ(drawn.size(), 2u);
  ObjectPtr owner;
  ASSERT_TRUE(model.GetEntityOwner(drawn[0], owner));
  EXPECT_EQ(owner.get(), readA.get());
  EXPECT_EQ(model.GetEntityKind(drawn[0]), 0x2000);

  // The entity registered under both walls is one object in both pairs.
  const TankView& plan = *other.GetView(1);
  EntityList underA, underB;
  ASSERT_TRUE(plan.GetObjectEntities(other.GetTank().GetBoards().at(0), underA));
  ASSERT_TRUE(plan.GetObjectEntities(other.GetTank().GetBoards().at(1), underB));
  EXPECT_EQ(underA[0].get(), underB[0].get());
  EXPECT_EQ(plan.GetEntityKind(underA[0]), 0x2);
  _3dVector placement;
  plan.GetPlacement(placement);
  EXPECT_DOUBLE_EQ(placement.y, 200);

  // The entity of no model object has no model owner after reading either.
  EntityList labels, rest;
  plan.SplitEntitiesByKind(0x10, labels, rest);
  ASSERT_EQ(labels.size(), 1u);
  EXPECT_FALSE(plan.GetEntityOwner(labels[0], owner));

  // The board's base map and show flag come back.
  EXPECT_EQ(g_ViewBoard.getBaseMapHandle_DrawingView().size(), 1u);
  EXPECT_TRUE(g_ViewBoard.getShowFlag_DrawingView());
}

TEST_F(Designer, EmptyDesignRoundTrip) {
  const std::string bytes = Save(*designer);
  TankDesigner other;
  other.RecreateModel2DView();
  Load(other, bytes);
  EXPECT_EQ(other.GetViewCount(), 0u);
  EXPECT_EQ(other.GetMode(), 0);
  EXPECT_EQ(Save(other), bytes);
}

TEST_F(Designer, ViewsAreRecreatedByContainedClassName) {
  const ViewSettings settings;
  ViewList views;
  struct Case {
    const char* stored;
    const std::type_info& created;
  };
  const Case cases[] = {
      {"class TankModel2DView", typeid(TankModel2DView)},
      {"15TankModel3DView", typeid(TankModel3DView)},
      {"ReinAmountView", typeid(ReinAmountView)},
      {"CTankRein3DView", typeid(CTankRein3DView)},
      {"TankWallReinSectionView", typeid(TankWallReinSectionView)},
      {"NotchDetailView", typeid(NotchDetailView)},
  };
  for (const auto& c : cases) {
    TankView* view = TankDesigner::CreateViewByClassName(c.stored, views, settings);
    ASSERT_NE(view, nullptr) << c.stored;
    EXPECT_TRUE(typeid(*view) == c.created) << c.stored;
    EXPECT_EQ(view, views.back().get());
    EXPECT_EQ(TankDesigner::GetViewClassName(*view).find(c.stored) != std::string::npos ||
                  std::string(c.stored).find(TankDesigner::GetViewClassName(*view)) != std::string::npos,
              true);
  }
  EXPECT_EQ(TankDesigner::CreateViewByClassName("SomethingElseView", views, settings), nullptr);
  EXPECT_EQ(views.size(), std::size(cases));
}

// A damaged file gives an error naming what was wrong and leaves the
// designer and the board holding the design they had.
TEST_F(Designer, DamagedFilesAreRefusedAndNothingChanges) {
  BuildDesign();
  const std::string good = Save(*designer);

  // Positions of a few records in the payload (header: 8 magic + 4 version +
  // 8 size = 20 bytes; the checksum follows the payload).
  const std::size_t header = 20;
  const std::size_t payload = good.size() - header - 4;
  const std::string viewName = TankDesigner::GetViewClassName(*designer->GetView(0));
  const std::size_t namePos = good.find(viewName);
  ASSERT_NE(namePos, std::string::npos);

  // Damages that keep the checksum valid: rebuild the archive from a
  // modified payload.
  auto reframe = [&](std::string body) {
    std::string file = good.substr(0, header) + body;
    // Patch the payload size in the header and append the CRC-32 of
    // header and payload.
    const std::uint64_t size = body.size();
    for (int i = 0; i < 8; ++i) file[12 + i] = static_cast<char>((size >> (8 * i)) & 0xFF);
    const auto crc = static_cast<std::uint32_t>(
        ::crc32(0L, reinterpret_cast<const Bytef*>(file.data()), static_cast<uInt>(file.size())));
    for (int i = 0; i < 4; ++i) file.push_back(static_cast<char>((crc >> (8 * i)) & 0xFF));
    return file;
  };
  const std::string body = good.substr(header, payload);

  struct Case {
    const char* what;
    std::string file;
    const char* expected;  // part of the error message
  };
  std::vector<Case> cases;
  for (std::size_t cut : {std::size_t{10}, good.size() / 3, good.size() / 2, good.size() - 5})
    cases.push_back({"truncated", good.substr(0, cut), ""});
  {
    std::string flipped = good;
    flipped[header + payload / 2] ^= 0x40;
    cases.push_back({"flipped byte", flipped, "checksum"});
  }
  {
    // The view count (the int before the first class name's length) made huge.
    std::string b = body;
    const std::size_t countPos = namePos - header - 4 - 4;
    b[countPos + 3] = 0x7F;
    cases.push_back({"count", reframe(b), "count"});
  }
  {
    std::string b = body;
    const std::size_t at = namePos - header;
    b.replace(at, viewName.size(), std::string(viewName.size(), 'Q'));
    cases.push_back({"unknown view class", reframe(b), "unknown view class"});
  }
  {
    // The first pair of the model view names model object 0: point it
    // beyond the tank's object list.  The pair record follows the entity and
    // extra-object lists; find the int 0 after the two walls' entity records
    // by scanning for the extra count 0 followed by the pair count 2.
    std::string b = body;
    const std::string marker = std::string("\0\0\0\0\x02\0\0\0", 8);
    const std::size_t at = b.find(marker, namePos - header);
    ASSERT_NE(at, std::string::npos);
    const std::size_t objectPos = at + 8;
    b[objectPos] = 0x70;
    cases.push_back({"position beyond the object list", reframe(b), "outside"});
  }

  for (const auto& c : cases) {
    TankDesigner target;
    const BoardPtr kept = fixtures::MakeWall(0, 0, 1000, 0, 0, 1000);
    target.GetTank().AddBoard(kept);
    TankModel2DView* view = target.RecreateModel2DView();
    const EntityPtr drawn = Line(0, 0, 1000, 0);
    view->AddEntities({drawn}, kept, {0x2000}, {});
    view->ShowAllEntities();
    const auto boardBefore = GetViewBoardRecord(g_ViewBoard);
    try {
      Load(target, c.file);
      ADD_FAILURE() << c.what << ": no error";
    } catch (const ArchiveError& e) {
      EXPECT_NE(std::string(e.what()).find(c.expected), std::string::npos) << c.what << ": " << e.what();
    }
    ASSERT_EQ(target.GetViewCount(), 1u) << c.what;
    EXPECT_EQ(target.GetTank().GetBoards().at(0), kept) << c.what;
    EXPECT_EQ(target.GetView(0)->GetEntityKind(drawn), 0x2000) << c.what;
    EXPECT_TRUE(g_ViewBoard.IsEntityVisible(drawn)) << c.what;
    EXPECT_EQ(GetViewBoardRecord(g_ViewBoard).entityHandles.size(), boardBefore.entityHandles.size()) << c.what;
  }
}

TEST_F(Designer, DesignFlagReadsAnyNonZeroAsTrue) {
  TankDesigner other;
  // A design whose flag int is 7, written record by record.
  std::ostringstream out;
  {
    Archive ar(out);
    VekObject base;
    base.VekObject::Serialize(ar);
    designer->GetProject().Serialize(ar);
    ar.WriteInt(0);  // no views
    WriteViewBoardRecord(ar, ViewBoardRecord{}, {});
    ar.WriteInt(2);
    ar.WriteInt(7);
    ar.Close();
  }
  Load(other, out.str());
  EXPECT_TRUE(other.IsReinDesigned());
  EXPECT_EQ(other.GetMode(), 2);
}

TEST_F(Designer, SavingIsSafe) {
  namespace fs = std::filesystem;
  const fs::path dir = MakeTestTempDir();
  const std::string path = (dir / "design.tkd").string();

  BuildDesign();
  SaveDesignFile(*designer, path);
  const auto goodSize = fs::file_size(path);

  // An entity of a class that cannot be read back makes writing fail.
  struct Unfiled : _2dLine {};
  designer->GetView(0)->AddEntities({boost::make_shared<Unfiled>()}, nullptr, {0x2000}, {});
  EXPECT_THROW(SaveDesignFile(*designer, path), std::logic_error);
  EXPECT_EQ(fs::file_size(path), goodSize);
  EXPECT_FALSE(fs::exists(path + ".tmp"));

  TankDesigner reopened;
  OpenDesignFile(reopened, path);
  EXPECT_EQ(reopened.GetViewCount(), 3u);
  EXPECT_THROW(OpenDesignFile(reopened, (dir / "missing.tkd").string()), std::runtime_error);
  fs::remove_all(dir);
}

TEST(ModuleStart, PiAndResultCaptions) {
  ModuleStartup();
  EXPECT_EQ(g_ModulePi, g_Pi);
  std::vector<int> flags = {99};
  std::vector<std::string> captions = {"old"};
  ListResultColumns(flags, captions);
  EXPECT_EQ(flags, (std::vector<int>{16, 32, 64, 128, 256, 512, 1024, 2048}));
  ASSERT_EQ(captions.size(), 8u);
  EXPECT_EQ(captions[0], "构件编号");
  EXPECT_EQ(captions[4], "最大弯矩时的荷载组合");
  EXPECT_EQ(captions[7], "裂缝宽度");
  ModuleShutdown();
  ListResultColumns(flags, captions);
  EXPECT_TRUE(flags.empty());
}

TEST(DesignToolbar, FilesValuesThenFlagsAsInts) {
  CTankDesignToolbar bar;
  EXPECT_EQ(bar.GetValue1(), 0);
  EXPECT_FALSE(bar.GetFlag4());
  bar.SetValue1(3);
  bar.SetValue2(-4);
  bar.SetValue3(5);
  bar.SetFlag1(true);
  bar.SetFlag3(true);
  std::ostringstream out;
  {
    Archive ar(out);
    ar << bar;
    ar.Close();
  }
  Archive in(Bytes(out.str()));
  int base = 0, v[3], f[4];
  in.ReadInt(base);
  for (int& x : v) in.ReadInt(x);
  for (int& x : f) in.ReadInt(x);
  EXPECT_EQ(v[0], 3);
  EXPECT_EQ(v[1], -4);
  EXPECT_EQ(v[2], 5);
  EXPECT_EQ(f[0], 1);
  EXPECT_EQ(f[1], 0);
  EXPECT_EQ(f[2], 1);
  EXPECT_EQ(f[3], 0);

  Archive again(Bytes(out.str()));
  CTankDesignToolbar read;
  again >> read;
  EXPECT_EQ(read.GetValue2(), -4);
  EXPECT_TRUE(read.GetFlag3());
  EXPECT_FALSE(read.GetFlag2());
}

}  // namespace
