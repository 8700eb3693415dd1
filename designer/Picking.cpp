// Picking and entity lookup: from what the user picked in the CAD drawing
// (handles, a point, a line, curves) to the designer's model objects and
// views, and the commands on the plan drawing under a point.
#include "designer/TankDesigner.h"
#include "platform/Dusmet.h"
#include "platform/HostServices.h"

#include <algorithm>
#include <set>
#include <typeinfo>

namespace {

bool IsExactBoard(const ObjectPtr& object) { return object && typeid(*object) == typeid(Board); }

bool InList(const ViewList& views, const TankViewPtr& view) {
  return std::find(views.begin(), views.end(), view) != views.end();
}

}  // namespace

bool TankDesigner::GetObjectOfEntity(const EntityHandle& picked, ObjectPtr* out) const {
  EntityPtr entity;
  if (!g_ViewBoard.FindEntity(picked, entity)) return false;
  for (const TankViewPtr& view : m_views) {
    ObjectPtr owner;
    if (view && view->GetEntityOwner(entity, owner)) {
      if (out) *out = owner;
      return true;
    }
  }
  return false;
}

bool TankDesigner::FindObjectOfEntity(const EntityHandle& picked, ObjectPtr* out, unsigned* viewIndex) const {
  for (std::size_t i = 0; i < m_views.size(); ++i) {
    const TankViewPtr& view = m_views[i];
    if (!view || !view->GetViewBoard()) continue;
    EntityPtr entity;
    if (!view->GetViewBoard()->FindEntity(picked, entity)) continue;
    ObjectPtr owner;
    if (!view->GetEntityOwner(entity, owner)) continue;
    if (out) *out = owner;
    if (viewIndex) *viewIndex = static_cast<unsigned>(i);
    return owner != nullptr;
  }
  return false;
}

bool TankDesigner::GetBoardOfEntity(const EntityHandle& picked, BoardPtr* out) const {
  ObjectPtr owner;
  if (!GetObjectOfEntity(picked, &owner) || !IsExactBoard(owner)) return false;
  if (out) *out = boost::static_pointer_cast<Board>(owner);
  return true;
}

bool TankDesigner::GetBoardsOfEntity(const EntityHandle& picked, std::vector<BoardPtr>& out) const {
  EntityPtr entity;
  if (!g_ViewBoard.FindEntity(picked, entity)) return false;
  for (const TankViewPtr& view : m_views) {
    ObjectList owners;
    if (!view || !view->GetEntityOwners(entity, owners)) continue;
    for (const ObjectPtr& owner : owners)
      if (IsExactBoard(owner)) out.push_back(boost::static_pointer_cast<Board>(owner));
    // Whether the list holds boards now, those it held before included.
    return !out.empty();
  }
  return false;
}

TankViewPtr TankDesigner::FindView(EntityPtr entity) const {
  for (const TankViewPtr& view : m_views)
    if (view && view->GetEntityKind(entity) != 0) return view;
  // An entity registered with kind 0 is still held by its view.
  for (const TankViewPtr& view : m_views) {
    ObjectList owners;
    if (view && view->GetEntityOwners(entity, owners)) return view;
  }
  return {};
}

ViewList TankDesigner::GetViewsOfEntities(EntityHandleList selected) const {
  ViewList result;
  if (m_views.empty() || !m_views.front()) return result;
  AcadViewBoard* board = m_views.front()->GetViewBoard();
  if (!board) return result;
  std::set<const TankView*> seen;
  for (const EntityHandle& handle : selected) {
    EntityPtr entity;
    if (!board->FindEntity(handle, entity)) continue;
    const TankViewPtr view = FindView(entity);
    if (view && seen.insert(view.get()).second) result.push_back(view);
  }
  return result;
}

ViewList TankDesigner::GetViewsAtPoint(const _3dPoint& point) const {
  ViewList result;
  for (const TankViewPtr& view : m_views)
    if (view && g_VekGeometryComm.IsPointInExtents(view->GetExtent(~0x1FF8), point)) result.push_back(view);
  return result;
}

ViewList TankDesigner::GetPlanViewsCrossing(const _2dLine& line) const {
  ViewList result;
  for (const TankViewPtr& view : FilterPlanViews(m_views, false))
    if (view->CrossesBoardLines(line)) result.push_back(view);
  return result;
}

bool TankDesigner::FindOwner(ObjectPtr object, TankCellPtr* cell) {
  TankCellPtr found;
  if (!m_modeler.FindOwner(object, GetTank(), found)) return false;
  if (cell) *cell = found;
  return true;
}

void TankDesigner::FilterWallCurves(const EntityList& picked, const ModelSettings* settings, EntityList& out) {
  if (!settings) return;
  for (const EntityPtr& entity : picked) {
    if (!entity || !g_GeomAlgorithm.ContainsName(settings->GetWallLayers(), entity->GetLayer())) continue;
    const std::string name = typeid(*entity).name();
    if (name.find("_3dLine") != std::string::npos || name.find("_2dPolyline") != std::string::npos ||
        name.find("_2dArc") != std::string::npos)
      out.push_back(entity);
  }
}

bool TankDesigner::GetBoardFrame(const BoardPtr& board, _3dPoint& origin, _3dVector& xAxis, _3dVector& yAxis,
                                 std::vector<_2dPoint>& localOutline) {
  origin = board->GetOrigin();
  xAxis = board->GetXAxis();
  yAxis = board->GetYAxis();
  board->GetLocalOutline(localOutline);
  return true;
}

bool TankDesigner::GetBoardOutline(const BoardPtr& board, std::vector<_3dPoint>& out) {
  board->GetOutline(out);
  return true;
}

namespace {

// The first view under the point that is one of the candidates.
TankViewPtr FirstPlanUnder(const ViewList& under, const ViewList& candidates) {
  for (const TankViewPtr& view : under)
    if (InList(candidates, view)) return view;
  return {};
}

}  // namespace

bool TankDesigner::DrawBoardReinAt(const _3dPoint& point) {
  const TankViewPtr view = FirstPlanUnder(GetViewsAtPoint(point), FilterPlanViews(m_views, true));
  if (!view) {
    MessageBoxA(nullptr, "请在底板平面图或顶板平面图上选板", "VekError", 0);
    return false;
  }
  view->DrawBoardReinAt(GetTank(), point, GetSettings().GetViewSettings());
  view->DrawTitle(GetSettings().GetDetailingSettings());
  return true;
}

bool TankDesigner::DrawPlanReinAt(const _3dPoint& point) {
  const TankViewPtr view = FirstPlanUnder(GetViewsAtPoint(point), FilterPlanViews(m_views, false));
  if (!view) {
    MessageBoxA(nullptr, "请选择一个平面图", "VekError", 0);
    return false;
  }
  DrawViewRein(view.get());
  return true;
}

bool TankDesigner::DrawBoardLabelsAt(const _3dPoint& point, int labelFlags) {
  const TankViewPtr view = FirstPlanUnder(GetViewsAtPoint(point), FilterPlanViews(m_views, true));
  if (!view) {
    MessageBoxA(nullptr, "请选择底板平面或顶板平面", "VekError", 0);
    return false;
  }
  view->DrawLabels(GetTank(), labelFlags);
  return true;
}
