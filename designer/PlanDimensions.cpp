#include "designer/TankDesigner.h"
#include "drawing/AutoDimension.h"
#include "views/DrawingViews.h"

void TankDesigner::AutoDimensionPlan(TankView* view) {
  if (!dynamic_cast<BottomBoardReinView*>(view) && !dynamic_cast<TopBoardReinView*>(view) &&
      !dynamic_cast<TankWallReinPlanView*>(view))
    return;
  view->EraseEntitiesOfKinds(0x2004000, false);
  EntityList entities;
  std::vector<int> kinds;
  ::AutoDimensionPlan(*view, entities, kinds, true, true, true, true, false, view->GetWallEndSegments(),
                      view->GetScale(), view->GetUnit());
  view->AddEntities(entities, nullptr, kinds, {});
  view->ShowHideEntitiesOfKinds(&GetTank(), 0x4000, 0, false);
  view->PassDimensionEntities();
  view->DrawTitle(GetSettings().GetDetailingSettings());
}
