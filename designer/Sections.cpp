// Sections: cuts through the walls defined by a line on a plan drawing,
// their numbering, the automatic cuts across the walls of the wall plan,
// and their wall section drawings.
#include "designer/TankDesigner.h"

#include "view/DrawingRoutines.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <set>
#include <stdexcept>
#include <typeinfo>

namespace {

const char* const kSectionLineRefused = "剖面线必须在且只在一个平面图上";

template <class View>
bool IsA(const TankViewPtr& view) {
  return view && typeid(*view) == typeid(View);
}

}  // namespace

// The side point of an automatic cut: left of the cut run from its lower
// end to its upper end (PointLess), one cut length off its middle.
_2dPoint TankDesigner::SectionSidePoint(_2dPoint a, _2dPoint b) {
  if (PointLess()(b, a)) std::swap(a, b);
  const _2dVector d = b - a;
  const double len = std::hypot(d.x, d.y);
  const _2dPoint mid((a.x + b.x) * 0.5, (a.y + b.y) * 0.5);
  if (!(len > 0.0)) return mid;
  return _2dPoint(mid.x - d.y / len * len, mid.y + d.x / len * len);
}

namespace {

// The plan the sections are cut on: the wall plan, else the bottom or the
// top slab plan.
TankViewPtr SectionPlan(const ViewList& views) {
  for (const TankViewPtr& v : views)
    if (IsA<TankWallReinPlanView>(v)) return v;
  for (const TankViewPtr& v : views)
    if (IsA<BottomBoardReinView>(v)) return v;
  for (const TankViewPtr& v : views)
    if (IsA<TopBoardReinView>(v)) return v;
  return {};
}

// The cut across a wall of the plan, through the point at `ratio` of its
// shorter face line (from its lower end), perpendicular to the faces and
// reaching w beyond both.  std::runtime_error when the plan does not show
// the wall with two face lines facing each other.
_2dLine CutAcrossWall(const TankView& plan, const ObjectPtr& wall, double ratio, double w) {
  EntityList entities;
  plan.GetObjectEntities(wall, entities);
  std::vector<_2dLine> lines;
  for (const EntityPtr& e : entities)
    if (e && typeid(*e) == typeid(_2dLine) && plan.GetEntityKind(e) == kKindBoardOutline)
      lines.push_back(static_cast<const _2dLine&>(*e));
  if (lines.size() != 2)
    throw std::runtime_error("the plan shows " + std::to_string(lines.size()) + " face lines of the wall, not two");
  const double l0 = lines[0].GetLength(), l1 = lines[1].GetLength();
  const _2dLine& shorter = l1 < l0 ? lines[1] : lines[0];
  const _2dLine& other = l1 < l0 ? lines[0] : lines[1];
  _2dPoint lo = shorter.GetStartPoint(), hi = shorter.GetEndPoint();
  if (PointLess()(hi, lo)) std::swap(lo, hi);
  const double len = shorter.GetLength();
  const _2dVector u = (hi - lo).GetUnitVector();
  const _2dPoint at(lo.x + u.x * len * ratio, lo.y + u.y * len * ratio);
  const _2dPoint a(lo.x + u.x * len / 8, lo.y + u.y * len / 8);
  const _2dVector p(-u.y * len / 8, u.x * len / 8);
  const VekGeometryComm& g = g_VekGeometryComm;
  _2dPoint m2, a2;
  if (!g.IntersectLines(_2dLine(at, _2dPoint(at.x + p.x, at.y + p.y)), other, m2) ||
      !g.IntersectLines(_2dLine(a, _2dPoint(a.x + p.x, a.y + p.y)), other, a2))
    throw std::runtime_error("the wall's faces do not face each other");
  const _2dVector across = (a2 - a).GetUnitVector();
  const _2dPoint m1(at.x - across.x * w, at.y - across.y * w);
  m2 = _2dPoint(m2.x + across.x * w, m2.y + across.y * w);
  return _2dLine(m1, m2);
}

}  // namespace

std::vector<boost::shared_ptr<Section>> TankDesigner::GetSections() const {
  std::vector<boost::shared_ptr<Section>> sections;
  for (const TankViewPtr& view : m_views) {
    if (!view) continue;
    for (const auto& [object, entities] : view->GetObjectEntityMap())
      if (const auto section = boost::dynamic_pointer_cast<Section>(object)) sections.push_back(section);
  }
  return sections;
}

int TankDesigner::GetNextSectionNumber() const {
  std::set<int> used;
  for (const auto& section : GetSections()) used.insert(section->GetNumber());
  int next = 1;
  while (used.count(next)) ++next;
  return next;
}

boost::shared_ptr<Section> TankDesigner::DefineSection(const _2dLine& line, const _2dPoint& side, int number,
                                                       const EntityList& markEntities,
                                                       const EntityHandleList& markHandles) {
  _2dPoint a = line.GetStartPoint(), b = line.GetEndPoint();
  if (PointLess()(b, a)) std::swap(a, b);
  // The viewer looks towards the side point: the x axis points right as
  // seen from there, whichever way the line was drawn.
  const bool sideLeft = g_VekGeometryComm.IsCounterClockwise(a, b, side);
  _3dVector xAxis(b.x - a.x, b.y - a.y, 0.0);
  if (!sideLeft) xAxis = -xAxis;
  const _3dVector yAxis(0.0, 0.0, 1.0);

  const ViewList plans = GetPlanViewsCrossing(line);
  if (plans.size() != 1) {
    MessageBoxA(nullptr, kSectionLineRefused, "Vek Error", 0);
    for (const EntityHandle& handle : markHandles) g_ViewBoard.DeleteEntity(handle);
    return {};
  }
  const TankViewPtr& plan = plans.front();
  _3dVector placement;
  plan->GetPlacement(placement);
  const double back = plan->GetScale() / plan->GetUnit();
  auto toModel = [&](const _2dPoint& p) { return _2dPoint((p.x - placement.x) * back, (p.y - placement.y) * back); };
  const _2dPoint s = toModel(line.GetStartPoint()), e = toModel(line.GetEndPoint());

  ViewVolumn volume;
  volume.m_origin = _3dPoint((s.x + e.x) * 0.5, (s.y + e.y) * 0.5, 0.0);
  volume.m_xAxis = xAxis;
  volume.m_yAxis = yAxis;
  const double inf = std::numeric_limits<double>::infinity();
  volume.m_bounds = {volume.m_origin.DistanceTo(_3dPoint(s.x, s.y, 0.0)), inf,
                     volume.m_origin.DistanceTo(_3dPoint(e.x, e.y, 0.0)), -inf, 0.0, -inf};
  auto section = boost::make_shared<Section>(number, volume);

  if (!markHandles.empty()) {
    plan->AddEntities(markEntities, section, std::vector<int>(markEntities.size(), kKindUserGeometry), markHandles);
  } else {
    double height = 3.0, widthFactor = 1.0;
    GetTextSize(2, height, widthFactor);
    const ViewSettings settings = GetSettings().GetViewSettings();
    const double u = GetDrawingUnit();
    plan->AddGeometryEntities(section, line, side, number, u * settings.m_sectionMarkFactor * height, u * height,
                              settings.m_sectionMarkCode);
  }
  return section;
}

void TankDesigner::MakeAutoSections() {
  double height = 1.0, widthFactor = 0.7;
  GetTextSize(2, height, widthFactor);
  const TankViewPtr plan = SectionPlan(m_views);
  if (!plan) return;

  EntityList outlines, others;
  plan->SplitEntitiesByKind(kKindBoardOutline, outlines, others);
  std::vector<ObjectPtr> candidates;
  std::set<const VekObject*> seen;
  for (const EntityPtr& e : outlines) {
    ObjectList owners;
    if (!plan->GetEntityOwners(e, owners)) continue;
    for (const ObjectPtr& o : owners)
      if (o && o != g_NullOwner && seen.insert(o.get()).second) candidates.push_back(o);
  }

  for (const ObjectPtr& candidate : candidates) {
    try {
      const _2dLine cut = CutAcrossWall(*plan, candidate, 0.5, plan->GetUnit() * height);
      DefineSection(cut, SectionSidePoint(cut.GetStartPoint(), cut.GetEndPoint()), GetNextSectionNumber(), {}, {});
    } catch (...) {
      // A wall that gives no cut is skipped.
    }
  }
}

_2dLine TankDesigner::SectionLineAcrossWall(const BoardPtr& wall, double ratio) const {
  double height = 1.0, widthFactor = 0.7;
  GetTextSize(2, height, widthFactor);
  const TankViewPtr plan = SectionPlan(m_views);
  if (!plan) throw std::runtime_error("no wall plan is drawn");
  return CutAcrossWall(*plan, wall, ratio, plan->GetUnit() * height);
}

bool TankDesigner::DrawWallSection(boost::shared_ptr<Section> section, bool placeAtPoint, _3dPoint& insertPoint,
                                   Extents* outExtent) {
  if (!section) return false;
  // The tank does not change while the section is drawn.
  const Structure::TopologyFreeze frozen(GetTank());
  boost::shared_ptr<TankWallReinSectionView> view;
  AddViewOfClass(view, m_views, GetSettings().GetViewSettings(), section->GetVolume());
  view->SetFoundationLevel(GetFoundationLevel());
  view->SetSection(section);
  const DetailingSettings& detailing = GetSettings().GetDetailingSettings();
  const double scale = placeAtPoint ? detailing.GetDrawingEntry(kDrawingSection).scale : GetCurrentScale();
  if (!view->Draw(GetTank(), scale, ViewSettings(), placeAtPoint, insertPoint)) return false;
  view->DrawSectionRein(GetTank(), GetSettings().GetViewSettings(),
                        static_cast<double>(GetSettings().GetGeometrySettings().GetSectionDrawingValue()));
  view->EraseEntities(view->CollectUnsupportedSlabEntities(GetTank()));
  view->DrawSectionOutline();
  view->ShowHideEntitiesOfKinds(&GetTank(), 0x8000000, 0, false);
  view->DrawDimensions(GetTank());
  view->ShowHideEntitiesOfKinds(&GetTank(), 0x24000, 0, false);
  view->PassDimensionEntities();
  view->DrawTitle(detailing);
  const Extents e = view->GetExtent(~0x1FF8);
  if (outExtent) *outExtent = e;
  insertPoint.x += (e.maxX - e.minX) * (1.0 + g_DrawingGapRatio);
  return true;
}

bool TankDesigner::DrawAllSections(_3dPoint& insertPoint, int* progress, unsigned share, TextProgressFn fn) {
  _3dPoint p = insertPoint;
  RemoveViewsOfClass<TankWallReinSectionView>();
  m_sectionFailures.clear();
  std::vector<boost::shared_ptr<Section>> sections = GetSections();
  if (sections.empty()) return true;
  std::stable_sort(sections.begin(), sections.end(), [](const auto& a, const auto& b) {
    return static_cast<unsigned>(a->GetNumber()) < static_cast<unsigned>(b->GetNumber());
  });
  const unsigned step = share / static_cast<unsigned>(sections.size());
  Extents row;
  bool all = true;
  for (std::size_t i = 0; i < sections.size(); ++i) {
    char text[128];
    std::snprintf(text, sizeof text, "正在绘制剖面图%d，请稍候...", static_cast<int>(i + 1));
    ReportTextProgress(fn, progress ? *progress : 0, text);
    if (progress) *progress += static_cast<int>(step);
    Extents e;
    const std::size_t viewsBefore = m_views.size();
    bool drawn = false;
    try {
      drawn = DrawWallSection(sections[i], true, p, &e);
    } catch (const std::exception& error) {
      // A section whose cut cannot be drawn (the underside of its slabs does
      // not connect, say) is left out with the reason; the others are drawn.
      // Its half-drawn view goes, and its mark on the plans with it: the
      // section then no longer exists in the design.
      if (m_views.size() > viewsBefore) m_views.resize(viewsBefore);
      for (const TankViewPtr& view : m_views) {
        EntityList mark;
        if (view && view->GetObjectEntities(sections[i], mark) && !mark.empty()) view->EraseEntities(mark);
      }
      m_sectionFailures.push_back({sections[i], *error.what() ? error.what() : "the section could not be drawn"});
      all = false;
      continue;
    }
    if (!drawn) {
      all = false;
      break;
    }
    if (row.IsEmpty()) row = e;
    else row.Extend(e);
  }
  if (!row.IsEmpty()) insertPoint.y -= (row.maxY - row.minY) * (1.0 + g_DrawingGapRatio);
  return all;
}
