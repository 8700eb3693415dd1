#include "designer/TankDesigner.h"

#include "designer/BoardViewFiler.h"
#include "modelview/CTankRein3DView.h"
#include "modelview/TankModel2DView.h"
#include "modelview/TankModel3DView.h"
#include "platform/Tobrin.h"

#include <boost/core/demangle.hpp>
#include <boost/make_shared.hpp>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <stdexcept>

int g_ResultDisplayFlags = 8192;
double g_ReinLabelSizeFactor = 3.0;
const int g_ResultFlagsNone = 8192;
const double g_DrawingGapRatio = 0.3;

namespace {

template <class View>
bool IsA(const TankViewPtr& view) {
  return view && typeid(*view) == typeid(View);
}

bool IsPlanView(const TankViewPtr& v) {
  return IsA<BottomBoardReinView>(v) || IsA<TopBoardReinView>(v) || IsA<TankWallReinPlanView>(v);
}
bool IsModelView(const TankViewPtr& v) { return IsA<TankModel2DView>(v) || IsA<TankModel3DView>(v); }

// The kinds that are not rebar-zone labels (0x8 to 0x1000).
constexpr int kKindMaskNoLabels = ~0x1FF8;

}  // namespace

// ---------------------------------------------------------------------------
// Construction, start over, mode, flag, history

TankDesigner::TankDesigner() = default;
TankDesigner::TankDesigner(void*) : TankDesigner() {}
TankDesigner::~TankDesigner() = default;

void TankDesigner::Reset() {
  m_reinDesigned = false;
  m_modeler.ClearTank(m_project.GetTank());
  ClearViews();
}

void TankDesigner::SetMode(int mode, int resultFlags) {
  ShowViewsOfMode(mode);
  m_mode = mode;
  if (mode == 0) return;
  if (mode == 2)
    SetResultDisplayFlags(resultFlags);
  else
    ResetPlanDisplay();
}

void TankDesigner::SaveUndoState() { m_modeler.PushHistory(m_project.GetTank()); }
void TankDesigner::Undo() { m_modeler.Undo(m_project.GetTank()); }
void TankDesigner::Redo() { m_modeler.Redo(m_project.GetTank()); }
void TankDesigner::ClearHistory() { m_modeler.ClearHistory(); }

bool TankDesigner::IsTopSlabPresent() const {
  return m_project.GetSettings().GetModelSettings().HasTopSlab() != 0;
}

void TankDesigner::ShowBaseMap(bool show) { g_ViewBoard.showBaseMap(m_mode, show); }

void TankDesigner::DrawViewRein(TankView* view) {
  if (!view) return;
  view->DrawAllRein(m_project.GetTank(), m_project.GetSettings().GetViewSettings());
  view->DrawTitle(m_project.GetSettings().GetDetailingSettings());
}

// ---------------------------------------------------------------------------
// View list

TankViewPtr TankDesigner::GetView(int index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= m_views.size())
    throw std::out_of_range("view " + std::to_string(index) + " of " + std::to_string(m_views.size()));
  return m_views[static_cast<std::size_t>(index)];
}

void TankDesigner::ClearViews() {
  // Released in list order, each erasing its drawing.
  ViewList views;
  views.swap(m_views);
  for (auto& view : views) view.reset();
}

bool TankDesigner::HasModel2DView() const { return std::any_of(m_views.begin(), m_views.end(), IsA<TankModel2DView>); }
bool TankDesigner::HasModel3DView() const { return std::any_of(m_views.begin(), m_views.end(), IsA<TankModel3DView>); }

template <class View>
void TankDesigner::RemoveFirstViewOfClass() {
  const auto it = std::find_if(m_views.begin(), m_views.end(), IsA<View>);
  if (it != m_views.end()) m_views.erase(it);
}

void TankDesigner::RemoveModel2DView() { RemoveFirstViewOfClass<TankModel2DView>(); }
void TankDesigner::RemoveModel3DView() { RemoveFirstViewOfClass<TankModel3DView>(); }
void TankDesigner::RemoveRein3DView() { RemoveFirstViewOfClass<CTankRein3DView>(); }

ViewList TankDesigner::FilterPlanViews(ViewList views, bool withoutWallPlan) {
  ViewList out;
  for (const auto& v : views)
    if (IsA<BottomBoardReinView>(v) || IsA<TopBoardReinView>(v) || (!withoutWallPlan && IsA<TankWallReinPlanView>(v)))
      out.push_back(v);
  return out;
}

ViewList TankDesigner::FilterModelViews(ViewList views) {
  ViewList out;
  for (const auto& v : views)
    if (IsModelView(v)) out.push_back(v);
  return out;
}

void TankDesigner::GetModelViewHandles(EntityHandleList& out) const {
  const auto it2 = std::find_if(m_views.begin(), m_views.end(), IsA<TankModel2DView>);
  if (it2 != m_views.end()) static_cast<const TankModel2DView&>(**it2).CollectSelectedEntities(out);
  const auto it3 = std::find_if(m_views.begin(), m_views.end(), IsA<TankModel3DView>);
  if (it3 != m_views.end()) static_cast<const TankModel3DView&>(**it3).CollectSelectedEntities(out);
}

// ---------------------------------------------------------------------------
// Modes and base maps

void TankDesigner::ShowViewsOfMode(int mode) {
  for (const auto& view : m_views) {
    if (!view) continue;
    bool show = false;
    if (IsPlanView(view))
      show = mode == 1 || mode == 2;
    else if (IsModelView(view))
      show = mode == 0;
    else if (IsA<HoleDetailView>(view) || IsA<NotchDetailView>(view) || IsA<ReinTableView>(view) ||
             IsA<ReinAmountView>(view) || IsA<TankWallReinSectionView>(view))
      show = mode == 1;
    if (show)
      view->ShowAllEntities();
    else
      view->HideAllEntities();
  }
}

void TankDesigner::ShowModelViews(bool show) {
  if (m_mode != 0) return;
  for (const auto& view : m_views) {
    if (!IsModelView(view)) continue;
    if (show)
      view->ShowAllEntities();
    else
      view->HideAllEntities();
  }
}

void TankDesigner::ZoomToMode(int mode) {
  if (m_views.empty()) return;
  HostViewBoard* board = m_views.front()->GetViewBoard();
  bool counted = false;
  Extents box;
  for (const auto& view : m_views) {
    bool counts = false;
    if (mode == 0)
      counts = IsModelView(view);
    else if (mode == 1)
      counts = IsPlanView(view) || IsA<TankWallReinSectionView>(view) || IsA<ReinTableView>(view) ||
               IsA<ReinAmountView>(view) || IsA<HoleDetailView>(view) || IsA<NotchDetailView>(view);
    else
      counts = IsPlanView(view);
    if (!counts) continue;
    const Extents e = view->GetExtent(kKindMaskNoLabels);
    if (!counted) {
      box = e;
      counted = true;
    } else {
      box.Extend(e);
    }
  }
  if (!counted || !board) return;
  board->ZoomWindow(_3dPoint(box.maxX, box.maxY, 0.0), _3dPoint(box.minX, box.minY, 0.0), false);
}

void TankDesigner::SaveBaseMap() {
  EntityHandleList handles;
  g_ViewBoard.findCurrentBaseMap(handles);
  g_ViewBoard.AddBaseMap(m_mode, handles);
}

void TankDesigner::SwitchBaseMap(int from, int to) {
  EntityHandleList handles;
  g_ViewBoard.findCurrentBaseMap(handles);
  g_ViewBoard.AddBaseMap(from, handles);
  g_ViewBoard.showBaseMap(from, false);
  g_ViewBoard.showBaseMap(to, true);
}

void TankDesigner::ShowModelOnly() {
  if (m_mode != 0) return;
  g_ViewBoard.setShowFlag_ModelingView(false);
  SaveBaseMap();
  ShowModelViews(true);
  ShowBaseMap(false);
}

void TankDesigner::ShowModelAndBaseMap() {
  if (m_mode != 0) return;
  g_ViewBoard.setShowFlag_ModelingView(true);
  SaveBaseMap();
  ShowModelViews(true);
  ShowBaseMap(true);
}

void TankDesigner::ShowBaseMapOnly() {
  if (m_mode != 0) return;
  g_ViewBoard.setShowFlag_ModelingView(true);
  SaveBaseMap();
  ShowModelViews(false);
  ShowBaseMap(true);
}

// ---------------------------------------------------------------------------
// Display of the plan drawings

void TankDesigner::SetResultDisplayFlags(int flags) {
  const int show = flags | 0xF;
  const int hide = g_PlanClearKindMask & ~show;
  std::vector<HostViewBoard*> boards;
  for (const auto& view : m_views) {
    if (!IsPlanView(view)) continue;
    view->ShowHideEntitiesOfKinds(&m_project.GetTank(), show, hide, false);
    boards.push_back(view->GetViewBoard());
  }
  std::sort(boards.begin(), boards.end());
  boards.erase(std::unique(boards.begin(), boards.end()), boards.end());
  for (HostViewBoard* board : boards)
    if (board) board->Refresh();
  g_ResultDisplayFlags = flags;
}

void TankDesigner::ResetPlanDisplay() {
  for (const auto& view : m_views)
    if (IsPlanView(view)) view->ShowHideEntitiesOfKinds(&m_project.GetTank(), 0, 0x1FF8, false);
  g_ResultDisplayFlags = 8192;
}

void TankDesigner::SetReinLabelHeight(double factor) {
  const double crackWidthLimit = m_project.GetSettings().GetViewSettings().crackWidthLimit;
  for (const auto& view : m_views) {
    if (!IsPlanView(view)) continue;
    view->EraseEntitiesOfKinds(0x1FF0, false);
    g_ReinLabelSizeFactor = factor;
    // The slab plans draw their per-slab labels again at the new size; the
    // wall plan's labels come with its wall drawing.
    if (auto* slabPlan = dynamic_cast<SlabReinPlanView*>(view.get())) slabPlan->DrawBoards(crackWidthLimit);
  }
  RedrawWallPlanLabels();
}

// ---------------------------------------------------------------------------
// Pass-through hooks

void TankDesigner::CallViewObjectHookA(TankView* view, ObjectPtr object) {
  if (view) view->ObjectHook1(std::move(object));
}
void TankDesigner::CallViewObjectHookB(TankView* view, ObjectPtr object) {
  if (view) view->ObjectHook2(std::move(object));
}
void TankDesigner::CallViewObjectHookC(TankView* view, ObjectPtr object) {
  if (view) view->ObjectHook3(std::move(object));
}
void TankDesigner::DrawObjectInView(TankView* view, ObjectPtr object) {
  if (view) view->DrawObject(m_project.GetTank(), std::move(object));
}
void TankDesigner::ReleaseObjectArg(int, ObjectPtr) {}

// ---------------------------------------------------------------------------
// Model views

TankModel2DView* TankDesigner::RecreateModel2DView() {
  const bool had = HasModel2DView();
  RemoveModel2DView();
  auto view = boost::make_shared<TankModel2DView>(&g_ViewBoard);
  m_views.push_back(view);
  view->m_zoomOnRedraw = !had;
  const int textHeight = GetSettings().GetModelSettings().GetModelTextHeight();
  view->m_textHeight = textHeight == 0 ? 200 : textHeight;
  const double overhang = static_cast<double>(GetSettings().GetGeometrySettings().GetBottomSlabOverhang());
  MarkSlabOverhangs(overhang);
  view->m_bottomSlabOverhang = overhang;
  // The plan shows the water depth the analysis takes.
  ApplyTankWaterDepth(m_project.GetTank(), GetSettings());
  return view.get();
}

TankModel3DView* TankDesigner::RecreateModel3DView() {
  const bool had = HasModel3DView();
  RemoveModel3DView();
  auto view = boost::make_shared<TankModel3DView>(&g_ViewBoard);
  m_views.push_back(view);
  view->m_zoomToExtent = had ? 0 : 1;
  MarkSlabOverhangs(static_cast<double>(GetSettings().GetGeometrySettings().GetBottomSlabOverhang()));
  return view.get();
}

void TankDesigner::MarkSlabOverhangs(double bottomSlabOverhang) {
  m_modeler.MarkSlabOverhangs(m_project.GetTank(), bottomSlabOverhang);
}

void TankDesigner::ShowModel(int planKind, int labelMode, bool showTopSlabs, bool showWalls, bool showBottomSlabs) {
  if (labelMode == 7) {
    RemoveModel2DView();
    TankModel3DView* view = RecreateModel3DView();
    view->m_showTopSlabs = showTopSlabs ? 1 : 0;
    view->m_showWalls = showWalls ? 1 : 0;
    view->m_showBottomSlabs = showBottomSlabs ? 1 : 0;
    view->Redraw(m_project.GetTank());
    return;
  }
  RemoveModel3DView();
  TankModel2DView* view = RecreateModel2DView();
  view->m_planKind = planKind;
  view->m_labelMode = labelMode;
  view->Redraw(m_project.GetTank());
}

void TankDesigner::ClearModel() {
  m_modeler.ClearTank(m_project.GetTank());
  TankModel2DView* view = RecreateModel2DView();
  view->m_planKind = 0;
  view->m_labelMode = 0;
  view->Redraw(m_project.GetTank());
}

void TankDesigner::ShowModel3D() { RecreateModel3DView()->Redraw(m_project.GetTank()); }

// ---------------------------------------------------------------------------
// New tank and model preparation

bool TankDesigner::NewTank(const TankLayoutParams& params, int planKind, int labelMode, std::string* error) {
  std::string why;
  if (!TankModeler::ValidateLayout(params, why)) {
    if (error) *error = why;
    return false;
  }
  Reset();
  if (!m_modeler.PlaceRegularBoards(params, m_project.GetTank(), error)) return false;
  TankModel2DView* view = RecreateModel2DView();
  view->m_planKind = planKind;
  view->m_labelMode = labelMode;
  view->m_zoomOnRedraw = true;
  view->Redraw(m_project.GetTank());
  return true;
}

bool TankDesigner::Analyse(TextProgressFn progress) {
  // Texts of an earlier analysis must not outlive a failed one, and a new
  // analysis outdates the reinforcement designed from the old moments.
  ClearAnalysisTexts();
  m_reinDesigned = false;
  AssignDefaultGrades();
  MarkOuterWallFaces();
  ApplyDefaultEdgeRestraints();
  BuildEars();
  Tank& tank = GetTank();
  ProjectSettings& settings = GetSettings();
  tank.m_crackWidthLimit = settings.GetCalcSettings().GetCrackWidthLimit();
  std::vector<std::string> list1, list2;
  std::vector<std::vector<std::string>> table1, table2;
  {
    TankLoadModel loads;
    loads.Build(tank, settings);
    loads.GetTextList1(list1);
    loads.GetTextList2(list2);
    loads.GetTextTable1(table1);
    loads.GetTextTable2(table2);
  }
  if (!AnalyseTank(tank, settings, progress)) return false;
  SetTextList1(list1);
  SetTextList2(list2);
  SetTextTable1(table1);
  SetTextTable2(table2);
  return true;
}

bool TankDesigner::WriteCalcBook(const std::vector<PictureHandle>& pictures, const int* mode,
                                 const CalcBookOptions& options, const std::vector<MemberPicture>& bottomPictures,
                                 const std::vector<MemberPicture>& topPictures,
                                 const std::vector<MemberPicture>& wallPictures,
                                 const std::vector<StructureComponentPtr>& topSlabs,
                                 const std::vector<StructureComponentPtr>& bottomSlabs,
                                 const std::vector<StructureComponentPtr>& walls, CancelProgressFn fn) {
  m_calcBookError.clear();
  Tank& tank = GetTank();
  ProjectSettings& settings = GetSettings();
  // The book prints this tank's analysis, never the texts of whatever tank
  // the process analysed last.
  if (!IsTankAnalysed(tank, settings) || !LoadAnalysisTexts(tank)) {
    m_calcBookError = "the tank or its settings changed after the last analysis: analyse it before writing the book";
    return false;
  }
  const bool ok = (mode && *mode != 0)
                      ? m_calcBook.WriteForMembers(settings, pictures, options, topSlabs, bottomSlabs, walls,
                                                   bottomPictures, topPictures, wallPictures, fn)
                      : m_calcBook.WriteForModel(tank, settings, pictures, options, bottomPictures, topPictures,
                                                 wallPictures, fn);
  if (!ok) m_calcBookError = m_calcBook.GetLastError();
  return ok;
}

void TankDesigner::AssignDefaultGrades() {
  const MaterialSettings& m = GetSettings().GetMaterialSettings();
  for (const auto& component : GetTank().GetComponents()) {
    if (!component || typeid(*component) != typeid(Board)) continue;
    Board& board = static_cast<Board&>(*component);
    std::string concrete, rein;
    switch (board.GetKind()) {
      case 0:
        concrete = m.GetWallConcreteGrade();
        rein = m.GetWallReinGrade();
        break;
      case 1:
        concrete = m.GetBottomConcreteGrade();
        rein = m.GetBottomReinGrade();
        break;
      default:
        concrete = m.GetTopConcreteGrade();
        rein = m.GetTopReinGrade();
        break;
    }
    board.SetConcreteGrade(concrete);
    board.SetUpperXGrade(rein);
    board.SetLowerXGrade(rein);
    board.SetUpperYGrade(rein);
    board.SetLowerYGrade(rein);
    // The support bars of the edges take the board's grade too: the design
    // reads them before anything else sets them.
    for (BoardEdge& edge : board.GetEdges()) {
      edge.SetUpperGrade(rein);
      edge.SetLowerGrade(rein);
    }
  }
}

void TankDesigner::MarkOuterWallFaces() { m_modeler.MarkOuterWallFaces(GetTank()); }

void TankDesigner::ApplyDefaultEdgeRestraints() {
  const GeometrySettings& g = GetSettings().GetGeometrySettings();
  m_modeler.ClassifyBoardEdges(GetTank(), g.GetWallTopRestraint(), g.GetTopSlabEdgeRestraint(),
                               g.GetBottomSlabEdgeRestraint());
}

void TankDesigner::BuildEars() { m_modeler.BuildEars(GetTank(), GetSettings().GetDetailingSettings()); }

// ---------------------------------------------------------------------------
// Filing

std::string TankDesigner::GetViewClassName(const TankView& view) {
  return boost::core::demangle(typeid(view).name());
}

namespace {

using ViewFactory = void (*)(ViewList&, const ViewSettings&, const ViewVolumn&);

template <class View>
void AddModelView(ViewList& views, const ViewSettings&, const ViewVolumn&) {
  views.push_back(boost::make_shared<View>(&g_ViewBoard));
}

template <class View>
void AddDrawingView(ViewList& views, const ViewSettings& settings, const ViewVolumn& volume) {
  boost::shared_ptr<View> view;
  AddViewOfClass(view, views, settings, volume);
}

// The view classes a design file may name, in the order the stored name is
// tested against them (the first contained name decides).
const std::pair<const char*, ViewFactory> kViewFactories[] = {
    {"TankModel2DView", &AddModelView<TankModel2DView>},
    {"TankModel3DView", &AddModelView<TankModel3DView>},
    {"BottomBoardReinView", &AddDrawingView<BottomBoardReinView>},
    {"TopBoardReinView", &AddDrawingView<TopBoardReinView>},
    {"TankWallReinPlanView", &AddDrawingView<TankWallReinPlanView>},
    {"HoleDetailView", &AddDrawingView<HoleDetailView>},
    {"NotchDetailView", &AddDrawingView<NotchDetailView>},
    {"ReinTableView", &AddDrawingView<ReinTableView>},
    {"TankWallReinSectionView", &AddDrawingView<TankWallReinSectionView>},
    {"CTankRein3DView", &AddModelView<CTankRein3DView>},
    {"ReinAmountView", &AddDrawingView<ReinAmountView>},
};

}  // namespace

TankView* TankDesigner::CreateViewByClassName(const std::string& className, ViewList& views,
                                              const ViewSettings& settings) {
  const ViewVolumn volume;  // x axis (1, 0, 0), y axis (0, 1, 0), origin 0
  for (const auto& [name, factory] : kViewFactories) {
    if (className.find(name) == std::string::npos) continue;
    factory(views, settings, volume);
    return views.back().get();
  }
  return nullptr;
}

void TankDesigner::Serialize(Archive& ar) {
  if (!ar.IsStoring()) {
    std::unique_ptr<LoadedDesign> design = ReadDesign(ar);
    TakeOver(*design);
    return;
  }
  VekObject::Serialize(ar);
  m_project.Serialize(ar);
  BoardViewFiler filer(ar);
  ObjectList objects;
  m_project.GetTank().GetObjectList(objects);
  EntityList running;
  ar.WriteInt(static_cast<int>(m_views.size()));
  for (const auto& view : m_views) {
    ar.WriteString(GetViewClassName(*view));
    if (const auto* part = dynamic_cast<const VekObject*>(view.get())) ar << *part;
    filer.WriteView(objects, *view, running);
    view->WriteOwnRecord(ar, objects, running);
  }
  filer.WriteViewBoard(running, &g_ViewBoard);
  ar.WriteInt(m_mode);
  ar.WriteInt(m_reinDesigned ? 1 : 0);
}

std::unique_ptr<LoadedDesign> TankDesigner::ReadDesign(Archive& ar) const {
  auto design = std::make_unique<LoadedDesign>();
  VekObject base;
  base.VekObject::Serialize(ar);
  design->project.Serialize(ar);
  BoardViewFiler filer(ar);
  ObjectList objects;
  design->project.GetTank().GetObjectList(objects);
  EntityList running;
  const ViewSettings settings = design->project.GetSettings().GetViewSettings();
  int count = 0;
  ar.ReadCount(count, 4);
  std::vector<ViewRecord> records(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    const std::uint64_t at = ar.Tell();
    std::string name;
    ar.ReadString(name);
    TankView* view = CreateViewByClassName(name, design->views, settings);
    if (!view) throw ArchiveError("unknown view class \"" + name + "\" in the design", at);
    if (auto* part = dynamic_cast<VekObject*>(view)) ar >> *part;
    filer.ReadView(objects, records[static_cast<std::size_t>(i)], running);
    view->ReadOwnRecord(ar, objects, running);
  }
  filer.ReadViewBoard(running, design->board);
  ar.ReadInt(design->mode);
  int designed = 0;
  ar.ReadInt(designed);
  design->reinDesigned = designed != 0;
  for (std::size_t i = 0; i < records.size(); ++i) ApplyViewRecord(*design->views[i], records[i]);
  return design;
}

void TankDesigner::TakeOver(LoadedDesign& design) {
  ClearViews();
  m_project.Swap(design.project);
  m_views.swap(design.views);
  ApplyViewBoardRecord(g_ViewBoard, design.board);
  m_mode = design.mode;
  m_reinDesigned = design.reinDesigned;
  // The check and load texts of an analysed tank come back with it, so a
  // calculation book can be written from a reopened design.
  if (!LoadAnalysisTexts(m_project.GetTank())) ClearAnalysisTexts();
}

// ---------------------------------------------------------------------------
// The toolbar state

void CTankDesignToolbar::Serialize(Archive& ar) {
  VekObject::Serialize(ar);
  if (ar.IsStoring()) {
    ar.WriteInt(m_value1).WriteInt(m_value2).WriteInt(m_value3);
    ar.WriteInt(m_flag1 ? 1 : 0).WriteInt(m_flag2 ? 1 : 0).WriteInt(m_flag3 ? 1 : 0).WriteInt(m_flag4 ? 1 : 0);
  } else {
    int v1 = 0, v2 = 0, v3 = 0, f1 = 0, f2 = 0, f3 = 0, f4 = 0;
    ar.ReadInt(v1).ReadInt(v2).ReadInt(v3).ReadInt(f1).ReadInt(f2).ReadInt(f3).ReadInt(f4);
    m_value1 = v1;
    m_value2 = v2;
    m_value3 = v3;
    m_flag1 = f1 != 0;
    m_flag2 = f2 != 0;
    m_flag3 = f3 != 0;
    m_flag4 = f4 != 0;
  }
}

// ---------------------------------------------------------------------------
// Static exports

bool IsModelingBaseMapEmpty() { return g_ViewBoard.isNullOfModeingBaseMap(); }
void CallViewBoardOperation() { g_ViewBoard.Regenerate(); }
int GetResultDisplayFlags() { return g_ResultDisplayFlags; }
double GetReinLabelHeight() { return g_ReinLabelSizeFactor; }
void SetVersionNum(int major, int minor) { g_VersionNum.setVersionNum(major, minor); }
void* ReturnArgument(void* argument) { return argument; }

// ---------------------------------------------------------------------------
// Design files

void SaveDesignFile(TankDesigner& designer, const std::string& path) {
  namespace fs = std::filesystem;
  const fs::path target(path);
  fs::path temp = target;
  temp += ".tmp";
  try {
    {
      std::ofstream out(temp, std::ios::binary | std::ios::trunc);
      if (!out) throw std::runtime_error("cannot write " + temp.string());
      Archive ar(out);
      designer.Serialize(ar);
      ar.Close();
    }
    fs::rename(temp, target);
  } catch (...) {
    std::error_code ignored;
    fs::remove(temp, ignored);
    throw;
  }
}

void OpenDesignFile(TankDesigner& designer, const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot open design file " + path + ": " + std::strerror(errno));
  Archive ar(in);
  std::unique_ptr<LoadedDesign> design = designer.ReadDesign(ar);
  ar.Close();
  designer.TakeOver(*design);
}
