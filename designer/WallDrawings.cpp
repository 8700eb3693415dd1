// The designer's wall drawing commands: the wall reinforcement plan.
#include "designer/TankDesigner.h"

bool TankDesigner::DrawWallPlan(bool placeAtPoint, _3dPoint insertPoint) {
  const ViewVolumn volume;
  RemoveViewsOfClass<TankWallReinPlanView>();
  const ProjectSettings& settings = m_project.GetSettings();
  const ViewSettings viewSettings = settings.GetViewSettings();
  boost::shared_ptr<TankWallReinPlanView> view;
  AddViewOfClass(view, m_views, viewSettings, volume);
  const double scale = placeAtPoint ? static_cast<double>(settings.GetDetailingSettings().GetDrawingEntry(4).scale)
                                    : static_cast<double>(GetCurrentScale());
  const bool ok = view->Draw(m_project.GetTank(), scale, viewSettings, placeAtPoint, insertPoint);
  if (ok) view->DrawTitle(settings.GetDetailingSettings());
  return ok;
}

void TankDesigner::RedrawWallPlanLabels() {
  const double crackWidthLimit = m_project.GetSettings().GetViewSettings().crackWidthLimit;
  for (const auto& view : m_views)
    if (auto* wallPlan = dynamic_cast<TankWallReinPlanView*>(view.get())) wallPlan->DrawWalls(crackWidthLimit);
}
