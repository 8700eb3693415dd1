#include "drawing/SlabPlanBoardDrawer.h"

#include "drawing/ResultLabels.h"
#include "view/DrawingRoutines.h"

#include <boost/make_shared.hpp>

#include <typeinfo>

namespace SlabPlanBoardDrawer {

namespace {

constexpr double kWidthFactor = 0.7;

// Whether the viewer looks at the slab's upper face.
bool UpperFirst(const TankView& view, const Board& slab) {
  ViewVolumn volume;
  view.GetViewVolumn(volume);
  const _3dVector viewNormal = volume.m_xAxis.CrossProduct(volume.m_yAxis);
  return slab.GetNormal().GetAngleTo(viewNormal) < g_Pi * 0.5;
}

double LabelHeight() { return GetDrawingUnit() * g_ReinLabelSizeFactor; }

// The slab's lines of exactly the kind, in entry order.
std::vector<boost::shared_ptr<_2dLine>> LinesOfKind(const TankView& view, const BoardPtr& slab, int kind) {
  std::vector<boost::shared_ptr<_2dLine>> lines;
  EntityList entities;
  if (!view.GetObjectEntities(slab, entities)) return lines;
  for (const EntityPtr& e : entities)
    if (e && typeid(*e) == typeid(_2dLine) && view.GetEntityKind(e) == kind)
      lines.push_back(boost::static_pointer_cast<_2dLine>(e));
  return lines;
}

}  // namespace

double FoldTextAngle(double a) {
  const double tol = g_DefaultTolerance;
  if (a > g_Pi * 0.5 + tol && a < g_Pi * 1.5 + tol) {
    a += g_Pi;
    if (a > 2.0 * g_Pi) a -= 2.0 * g_Pi;
  }
  return a;
}

void CopyOutlineLines::operator()(const BoardPtr& slab) const {
  EntityList copies;
  for (const auto& line : LinesOfKind(*m_view, slab, 0x1)) copies.push_back(boost::make_shared<_2dLine>(*line));
  m_view->AppendObjectEntities(slab, copies);
  for (const EntityPtr& e : copies) m_view->FileEntityOwnerKind(e, slab, 0x8);
}

void DrawEdgeResultLabels::operator()(const BoardPtr& slab) const {
  const bool upperFirst = UpperFirst(*m_view, *slab);
  const double h = LabelHeight();
  const int style = GetTextStyle(0);
  const auto lines = LinesOfKind(*m_view, slab, 0x8);

  std::vector<_2dPoint> starts;
  for (const auto& l : lines) starts.push_back(l->GetStartPoint());
  _2dPoint centre(0.0, 0.0);
  if (!g_VekGeometryComm.GetCentroid(starts, centre)) centre = _2dPoint(0.0, 0.0);

  std::vector<_2dPoint> anchors;
  std::vector<double> angles;
  for (const auto& l : lines) {
    const _2dPoint a = l->GetStartPoint(), b = l->GetEndPoint();
    const _2dPoint mid((a.x + b.x) * 0.5, (a.y + b.y) * 0.5);
    _2dVector d = b - a;
    const double area = g_VekGeometryComm.GetArea({a, b, centre});
    // Half a label height towards the slab's centre, whichever way the ring
    // runs; to the right of the side when the centre lies on it.
    _2dVector p = d;
    p.Rotate(area > 0.0 ? g_Pi * 0.5 : -g_Pi * 0.5);
    p.Normalize(g_DefaultTolerance);
    p.SetLength(h * 0.5);
    anchors.emplace_back(mid.x + p.x, mid.y + p.y);
    angles.push_back(FoldTextAngle(d.GetAngle()));
  }

  const std::vector<BoardEdge>& edges = slab->GetEdges();
  for (std::size_t j = 0; j < edges.size() && j < lines.size(); ++j) {
    EntityList texts;
    std::vector<int> kinds;
    MakeEdgeResultTexts(slab->GetUpperZones(), slab->GetLowerZones(), slab->GetXAxis(),
                        slab->GetYAxis(), edges[j], upperFirst, m_crackWidthLimit, texts, kinds);
    for (const EntityPtr& e : texts) {
      const auto text = boost::dynamic_pointer_cast<_Text>(e);
      if (!text) continue;
      text->SetPosition(_3dPoint(anchors[j].x, anchors[j].y, 0.0));
      text->SetRotation(angles[j]);
      text->SetHeight(h);
      text->SetWidth(kWidthFactor * h);
      text->SetTextStyle(style);
      text->SetLayer(GetLayerName(8));  // with the slab's own result labels
    }
    const auto crack = GetCrackWidthTexts(texts, kinds);
    if (crack.first && crack.second) CenterTextPair(crack.first, crack.second);
    m_view->AppendObjectEntities(slab, texts);
    for (std::size_t i = 0; i < texts.size() && i < kinds.size(); ++i)
      m_view->FileEntityOwnerKind(texts[i], slab, kinds[i]);
  }
}

void DrawBoardResultLabels::operator()(const BoardPtr& slab) const {
  const bool upperFirst = UpperFirst(*m_view, *slab);
  ViewVolumn volume;
  m_view->GetViewVolumn(volume);
  const _3dVector dir = slab->GetMainDirection();
  const _3dPoint a = g_VekGeometryComm.WorldToLocal3d(volume.m_origin, volume.m_xAxis, volume.m_yAxis,
                                                      _3dPoint(dir.x, dir.y, dir.z));
  const double angle = FoldTextAngle(_2dVector(a.x, a.y).GetAngle());
  const _2dPoint anchor = m_view->ProjectBoardRegion(slab);
  EntityList labels;
  std::vector<int> kinds;
  MakeBoardResultLabels(*slab, upperFirst, angle, anchor, LabelHeight(), kWidthFactor, GetTextStyle(0),
                        m_crackWidthLimit, m_view->GetViewBoard(), labels, kinds);
  m_view->AppendObjectEntities(slab, labels);
  for (std::size_t i = 0; i < labels.size() && i < kinds.size(); ++i)
    m_view->FileEntityOwnerKind(labels[i], slab, kinds[i]);
}

}  // namespace SlabPlanBoardDrawer
