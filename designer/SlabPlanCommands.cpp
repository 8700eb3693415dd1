// The slab reinforcement plan commands: each replaces the earlier plan of its
// class, draws the walls, slabs and per-slab labels of the new one at the
// drawing's scale and places it, then adds its title.
#include "designer/TankDesigner.h"
#include "platform/HostServices.h"

namespace {

// Draws a new plan of the class into the list in place of the earlier ones.
// Batch placement takes the scale of the drawing entry and the given point;
// otherwise the CAD scale and the user's point.
template <class View>
bool DrawSlabPlan(TankDesigner& designer, ViewList& views, int drawingKey, bool placeAtPoint,
                  const _3dPoint& insertPoint) {
  const ViewVolumn volume;  // origin 0, x axis (1, 0, 0), y axis (0, 1, 0)
  designer.RemoveViewsOfClass<View>();
  const ProjectSettings& settings = designer.GetSettings();
  boost::shared_ptr<View> view;
  AddViewOfClass(view, views, settings.GetViewSettings(), volume);
  const double scale = placeAtPoint ? settings.GetDetailingSettings().GetDrawingEntry(drawingKey).scale
                                    : GetCurrentScale();
  const bool ok = view->Draw(designer.GetTank(), scale, settings.GetViewSettings(), placeAtPoint, insertPoint);
  // A cancelled placement leaves the empty view in the list.
  if (ok) view->DrawTitle(settings.GetDetailingSettings());
  return ok;
}

}  // namespace

bool TankDesigner::DrawBottomSlabPlan(bool placeAtPoint, _3dPoint insertPoint) {
  return DrawSlabPlan<BottomBoardReinView>(*this, m_views, kDrawingBottomSlabPlan, placeAtPoint, insertPoint);
}

bool TankDesigner::DrawTopSlabPlan(bool placeAtPoint, _3dPoint insertPoint) {
  // A tank is covered when it has a slab of kind 2, whatever its settings say.
  if (GetTank().GetTopSlabs().empty()) {
    AfxMessageBox("没有顶板, 将略去顶板绘制过程");
    return false;
  }
  return DrawSlabPlan<TopBoardReinView>(*this, m_views, kDrawingTopSlabPlan, placeAtPoint, insertPoint);
}
