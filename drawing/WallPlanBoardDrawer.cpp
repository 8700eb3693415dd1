#include "drawing/WallPlanBoardDrawer.h"

#include "drawing/ResultLabels.h"
#include "view/DrawingRoutines.h"

#include <algorithm>

namespace {

constexpr double kWidthFactor = 0.7;

double LabelHeight() { return GetDrawingUnit() * g_ReinLabelSizeFactor; }

double EdgeMidZ(const Board& wall, const BoardEdge& edge) {
  const _2dPoint m = edge.GetLine().GetMidPoint();
  return g_VekGeometryComm.LocalToWorld2d(wall.GetOrigin(), wall.GetXAxis(), wall.GetYAxis(), m).z;
}

void Register(TankView* view, const BoardPtr& wall, const EntityList& entities, const std::vector<int>& kinds) {
  view->AddEntities(entities, wall, kinds, EntityHandleList());
}

}  // namespace

bool WallPlanBoardDrawer::UpperFirst(const Board& wall) {
  const _3dVector n = wall.GetNormal();
  const double a = _2dVector(n.x, n.y).GetAngle();
  const double t = g_DefaultTolerance;
  return a > 0.5 * g_Pi + t && a < 1.5 * g_Pi + t;
}

bool WallPlanBoardDrawer::FindWallEdges(const Board& wall, int& top, int& bottom, int& start, int& end) {
  const std::vector<BoardEdge>& edges = wall.GetEdges();
  if (edges.size() != 4) return false;
  top = bottom = start = end = 0;
  const EdgeMidpointLess less(wall);
  for (int i = 1; i < 4; ++i) {
    if (g_VekGeometryComm.Lessthan(EdgeMidZ(wall, edges[top]), EdgeMidZ(wall, edges[i]), 1e-4)) top = i;
    if (g_VekGeometryComm.Lessthan(EdgeMidZ(wall, edges[i]), EdgeMidZ(wall, edges[bottom]), 1e-4)) bottom = i;
    if (less(edges[i], edges[start])) start = i;
    if (less(edges[end], edges[i])) end = i;
  }
  return true;
}

void WallPlanBoardDrawer::DrawEdgeResultLabels(const BoardPtr& wall) const {
  if (!wall) return;
  const bool upperFirst = UpperFirst(*wall);
  int top = 0, bottom = 0, start = 0, end = 0;
  if (!FindWallEdges(*wall, top, bottom, start, end)) return;
  const std::vector<BoardEdge>& edges = wall->GetEdges();
  _2dPoint ms = GetEdgePlanMidPoint(edges[start], *wall), me = GetEdgePlanMidPoint(edges[end], *wall);
  _2dPoint mt = GetEdgePlanMidPoint(edges[top], *wall), mb = GetEdgePlanMidPoint(edges[bottom], *wall);
  const _2dVector dir = (me - ms).GetUnitVector(g_DefaultTolerance);
  _2dVector perp = dir;
  perp.Rotate(0.5 * g_Pi);
  const _2dVector o = perp * (wall->GetThickness() * 0.5);
  mt = mt + o;
  mb = mb - o;
  const double factor = m_view->GetDrawingFactor();
  _3dVector placement;
  m_view->GetPlacement(placement);
  for (_2dPoint* p : {&ms, &mt, &me, &mb}) {
    p->Scale(factor);
    p->Move(placement);
  }
  const double angle = (me - ms).GetAngle();
  const double h = LabelHeight();
  const int style = GetTextStyle(0);
  const int order[4] = {start, top, end, bottom};
  const _2dPoint anchors[4] = {ms, mt, me, mb};
  const int sides[4] = {2, 1, 0, 3};
  for (int k = 0; k < 4; ++k) {
    EntityList texts;
    std::vector<int> kinds;
    MakeEdgeResultTexts(wall->GetUpperZones(), wall->GetLowerZones(), wall->GetXAxis(), wall->GetYAxis(),
                        edges[order[k]], upperFirst, m_crackWidthLimit, texts, kinds);
    const ApplyTextStyle place(anchors[k], h, kWidthFactor, angle, style);
    for (const EntityPtr& e : texts) place(boost::dynamic_pointer_cast<_Text>(e));
    const auto crack = GetCrackWidthTexts(texts, kinds);
    if (crack.first && crack.second) CenterTextPair(crack.first, crack.second);
    const PushTextAside aside(m_view->GetViewBoard() ? m_view->GetViewBoard() : &g_ViewBoard, perp, sides[k]);
    for (const EntityPtr& e : texts) aside(boost::dynamic_pointer_cast<_Text>(e));
    Register(m_view, wall, texts, kinds);
  }
}

void WallPlanBoardDrawer::DrawBoardResultLabels(const BoardPtr& wall) const {
  if (!wall) return;
  const bool upperFirst = UpperFirst(*wall);
  _2dPoint anchor;
  GetEdgeBoardCenter(*wall, anchor);
  const double angle = GetBoardAxisAngle(*wall);
  EntityList labels;
  std::vector<int> kinds;
  MakeBoardResultLabels(*wall, upperFirst, angle, anchor, LabelHeight(), kWidthFactor, GetTextStyle(0),
                        m_crackWidthLimit, m_view->GetViewBoard(), labels, kinds);
  _3dVector placement;
  m_view->GetPlacement(placement);
  const double factor = m_view->GetDrawingFactor();
  for (const EntityPtr& e : labels) {
    if (!e) continue;
    e->Scale(factor);
    e->Move(placement);
  }
  Register(m_view, wall, labels, kinds);
}
