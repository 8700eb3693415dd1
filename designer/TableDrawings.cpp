// The table commands: the rebar schedule and the material table.
#include "designer/TankDesigner.h"

void TankDesigner::ClearTableViews(bool reinTable) {
  for (const TankViewPtr& view : m_views) {
    if (!view) continue;
    if (reinTable && typeid(*view) == typeid(ReinTableView)) static_cast<ReinTableView&>(*view).Clear();
    if (!reinTable && typeid(*view) == typeid(ReinAmountView)) static_cast<ReinAmountView&>(*view).Clear();
  }
}

void TankDesigner::DrawReinTable(bool placeAtPoint, _3dPoint point) {
  ClearTableViews(true);
  RemoveViewsOfClass<ReinTableView>();
  AddReinTableView(static_cast<double>(GetCurrentScale()), placeAtPoint, point);
}

void TankDesigner::AddReinTableView(double scale, bool placeAtPoint, const _3dPoint& point) {
  boost::shared_ptr<ReinTableView> view;
  AddViewOfClass(view, m_views, GetSettings().GetViewSettings(), ViewVolumn());
  view->SetScaleValues(scale, view->GetUnit());
  view->Draw(GetTank(), 1.0, ViewSettings(), placeAtPoint, point);
}

void TankDesigner::DrawMaterialTable(bool placeAtPoint, _3dPoint point) {
  ClearTableViews(false);
  RemoveViewsOfClass<ReinAmountView>();
  boost::shared_ptr<ReinAmountView> view;
  AddViewOfClass(view, m_views, GetSettings().GetViewSettings(), ViewVolumn());
  view->Prepare(GetSettings(), GetTank());
  view->Draw(GetTank(), 1.0, ViewSettings(), placeAtPoint, point);
}
