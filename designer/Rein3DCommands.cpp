// The 3D rebar view commands of the designer: the bars of chosen boards, or
// of the whole tank under a view mode, shown in the one 3D rebar view.
#include "designer/TankDesigner.h"
#include "modelview/CTankRein3DView.h"

#include <boost/make_shared.hpp>

#include <algorithm>
#include <typeinfo>

namespace {

// The view of the list to draw in: the first 3D rebar view, cleared, or a
// new one appended to the list.
CTankRein3DView& FreshRein3DView(TankDesigner& designer) {
  if (CTankRein3DView* view = designer.GetRein3DView()) {
    view->Clear();
    return *view;
  }
  auto view = boost::make_shared<CTankRein3DView>(&g_ViewBoard);
  designer.AddView(view);
  return *view;
}

}  // namespace

CTankRein3DView* TankDesigner::GetRein3DView() const {
  for (const TankViewPtr& view : m_views)
    if (view && typeid(*view) == typeid(CTankRein3DView)) return static_cast<CTankRein3DView*>(view.get());
  return nullptr;
}

void TankDesigner::ShowRein3D(const std::vector<BoardPtr>& boards) {
  if (!m_reinDesigned) return;
  FreshRein3DView(*this).BuildAll(boards);
}

void TankDesigner::ShowRein3DForEntities(int viewMode, const EntityHandleList& picked) {
  if (!m_reinDesigned) return;
  CTankRein3DView& view = FreshRein3DView(*this);
  view.m_viewMode = viewMode;
  std::vector<ObjectPtr> boards;
  for (const EntityHandle& handle : picked) {
    std::vector<BoardPtr> owners;
    GetBoardsOfEntity(handle, owners);
    for (const BoardPtr& board : owners)
      if (board && std::none_of(boards.begin(), boards.end(), [&](const ObjectPtr& b) { return b.get() == board.get(); }))
        boards.push_back(board);
  }
  view.m_selectedObjects = std::move(boards);
  view.RebuildObject(GetTank());
}
