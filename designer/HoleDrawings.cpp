// The drawing commands of the openings: hole details, notch details and the
// opening annotation of the plans.
#include "designer/TankDesigner.h"

#include <boost/pointer_cast.hpp>
#include <fmt/format.h>

#include <algorithm>
#include <typeinfo>

namespace {

// Every drawing command starts from the plain view volume.
ViewVolumn DefaultVolume() { return ViewVolumn(); }

bool IsRectangle(const HolePtr& hole) { return hole && typeid(*hole) == typeid(RectangleHole); }

std::string DetailName(const HolePtr& hole) {
  const char* prefix = boost::dynamic_pointer_cast<RectangleHole>(hole) ? "JD"
                       : boost::dynamic_pointer_cast<CircleHole>(hole)  ? "YD"
                                                                        : "";
  return fmt::format("{}{}", prefix, hole->GetNumber());
}

// The board kind a plan view shows: 0 walls, 1 bottom slabs, 2 top slabs.
int PlanBoardKind(const TankView& view) {
  if (typeid(view) == typeid(TankWallReinPlanView)) return 0;
  if (typeid(view) == typeid(BottomBoardReinView)) return 1;
  return 2;
}

void AnnotateHolesAt(TankDesigner& designer, const _3dPoint& point, bool outlines) {
  const ViewList under = designer.GetViewsAtPoint(point);
  const ViewList plans = TankDesigner::FilterPlanViews(designer.GetViews(), false);
  if (under.empty() || std::find(plans.begin(), plans.end(), under.front()) == plans.end()) {
    MessageBoxA(nullptr, "请选择一个平面图", "VekError", 0);
    return;
  }
  TankView& view = *under.front();
  view.DrawHoles(designer.GetTank(), PlanBoardKind(view), outlines);
  view.ShowHideEntitiesOfKinds(&designer.GetTank(), 0x44000, 0, false);
}

}  // namespace

bool TankDesigner::DrawHoleDetail(HolePtr opening, double scale, bool placeAtPoint, _3dPoint& insertPoint,
                                  double* outHeight) {
  boost::shared_ptr<HoleDetailView> view;
  AddViewOfClass(view, m_views, GetSettings().GetViewSettings(), DefaultVolume());
  Tank& tank = GetTank();
  if (!view->DrawObjectDetail(tank, opening, scale, placeAtPoint, insertPoint)) return false;
  view->DrawObjectRein(tank, opening);
  view->DrawFrame();
  view->DrawObject(tank, opening);
  view->SetTitle(DetailName(opening));
  view->DrawTitle(GetSettings().GetDetailingSettings());
  const Extents e = view->GetExtent(kKindMaskAll);
  if (outHeight) *outHeight = e.GetHeight();
  insertPoint.x += e.GetWidth() * (1.0 + g_DrawingGapRatio);
  return true;
}

bool TankDesigner::DrawAllHoleDetails(bool placeAtPoint, _3dPoint& insertPoint) {
  RemoveViewsOfClass<HoleDetailView>();
  std::vector<HolePtr> openings;
  for (const StructureComponentPtr& component : GetTank().GetComponents())
    if (const BoardPtr board = boost::dynamic_pointer_cast<Board>(component))
      for (const HolePtr& hole : board->GetHoles())
        if (hole && !boost::dynamic_pointer_cast<Notch>(hole)) openings.push_back(hole);
  // Rectangles before circles, each by number; one detail per number.
  const auto key = [](const HolePtr& h) { return std::make_pair(IsRectangle(h) ? 0 : 1, h->GetNumber()); };
  std::stable_sort(openings.begin(), openings.end(),
                   [&](const HolePtr& a, const HolePtr& b) { return key(a) < key(b); });
  openings.erase(std::unique(openings.begin(), openings.end(),
                             [&](const HolePtr& a, const HolePtr& b) { return key(a) == key(b); }),
                 openings.end());

  const double scale = placeAtPoint
                           ? static_cast<double>(GetSettings().GetDetailingSettings().GetDrawingEntry(16).scale)
                           : static_cast<double>(GetCurrentScale());
  _3dPoint p = insertPoint;
  double tallest = 0.0;
  bool all = true;
  for (const HolePtr& opening : openings) {
    double height = 0.0;
    if (!DrawHoleDetail(opening, scale, placeAtPoint, p, &height)) {
      all = false;
      break;
    }
    tallest = std::max(tallest, height);
  }
  insertPoint.y -= tallest * (1.0 + g_DrawingGapRatio);
  return all;
}

void TankDesigner::DrawNotchDetail(boost::shared_ptr<Notch> notch) {
  boost::shared_ptr<NotchDetailView> view;
  AddViewOfClass(view, m_views, GetSettings().GetViewSettings(), DefaultVolume());
  Tank& tank = GetTank();
  const double scale = static_cast<double>(GetDrawingUnit()) / static_cast<double>(GetCurrentScale());
  view->DrawObjectDetail(tank, notch, scale, false, _3dPoint(0, 0, 0));
  view->DrawObject(tank, notch);
  view->DrawObjectRein(tank, notch);
}

void TankDesigner::AnnotatePlanHoles(const _3dPoint& point) { AnnotateHolesAt(*this, point, true); }

void TankDesigner::AnnotatePlanHolesUnregistered(const _3dPoint& point) { AnnotateHolesAt(*this, point, false); }
