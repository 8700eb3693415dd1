// The batch drawing: the whole drawing set in one call, each drawing at the
// scale of its drawing entry and placed at a running point, in rows down the
// drawing.
#include "designer/TankDesigner.h"

#include <typeinfo>

namespace {

// The steps in drawing order with their option bits and progress weights.
struct BatchStep {
  int bit;
  int weight;
};
constexpr BatchStep kBatchSteps[] = {{kDrawingTopSlabPlan, 1},    {kDrawingBottomSlabPlan, 1},
                                     {kDrawingWallPlan, 1},       {kDrawingSection, 4},
                                     {kDrawingOpeningDetails, 1}, {kDrawingRebarSchedule, 1}};

// The extent of a plan without its rebar-zone labels.
constexpr int kPlanExtentKinds = ~0x1FF8;

template <class View>
TankView* FirstViewOfClass(const ViewList& views) {
  for (const TankViewPtr& view : views)
    if (view && typeid(*view) == typeid(View)) return view.get();
  return nullptr;
}

}  // namespace

void TankDesigner::DrawAll(_3dPoint point, TextProgressFn fn, const SectionMaker& makeSections) {
  const int options = GetSettings().GetDetailingSettings().GetDrawingOptions();
  int weights = 0;
  for (const BatchStep& s : kBatchSteps)
    if (options & s.bit) weights += s.weight;
  if (weights == 0) {
    ReportTextProgress(fn, 100, "");
    return;
  }
  const int step = static_cast<int>(100.0 / weights);
  const unsigned sectionShare = 400u / static_cast<unsigned>(weights);
  int progress = 0;  // the point is the command's own copy

  // The plans one below the other, each with its bars and dimensions.
  auto planStep = [&](int bit, const char* text, bool (TankDesigner::*draw)(bool, _3dPoint),
                      TankView* (*find)(const ViewList&)) {
    if (!(options & bit)) return;
    ReportTextProgress(fn, progress, text);
    progress += step;
    if (!(this->*draw)(true, point)) return;
    TankView* view = find(m_views);
    if (!view) return;
    DrawViewRein(view);
    AutoDimensionPlan(view);
    const Extents e = view->GetExtent(kPlanExtentKinds);
    point.y -= (e.maxY - e.minY) * (1.0 + g_DrawingGapRatio);
  };
  planStep(kDrawingTopSlabPlan, "正在绘制顶板平面图，请稍候...", &TankDesigner::DrawTopSlabPlan,
           &FirstViewOfClass<TopBoardReinView>);
  planStep(kDrawingBottomSlabPlan, "正在绘制底板平面图，请稍候...", &TankDesigner::DrawBottomSlabPlan,
           &FirstViewOfClass<BottomBoardReinView>);
  planStep(kDrawingWallPlan, "正在绘制池壁平面图，请稍候...", &TankDesigner::DrawWallPlan,
           &FirstViewOfClass<TankWallReinPlanView>);

  if (options & kDrawingSection) {
    if (makeSections) makeSections(*this);
    else MakeAutoSections();
    // The sections report their own progress, each its part of the share;
    // with none the share passes and nothing is drawn.  The earlier section
    // drawings go first: they would count as sections still to draw.
    RemoveViewsOfClass<TankWallReinSectionView>();
    const bool none = GetSections().empty();
    DrawAllSections(point, &progress, sectionShare, fn);
    if (none) progress += static_cast<int>(sectionShare);
  }

  if (options & kDrawingOpeningDetails) {
    ReportTextProgress(fn, progress, "正在绘制洞口详图，请稍候...");
    progress += step;
    DrawAllHoleDetails(true, point);
  }

  if (options & kDrawingRebarSchedule) {
    ReportTextProgress(fn, progress, "正在绘制钢筋表，请稍候...");
    ClearTableViews(true);
    const int scale = GetSettings().GetDetailingSettings().GetDrawingEntry(kDrawingRebarSchedule).scale;
    AddReinTableView(static_cast<double>(scale), true, point);
  }

  ReportTextProgress(fn, 100, "");
}
