// Board outlines carried into a view's drawing, and the title block placed
// under a drawing.
#include "view/DrawingName.h"
#include "view/TankView.h"

std::vector<_2dPoint> TankView::ProjectBoard(const boost::shared_ptr<Board>& board) const {
  std::vector<_2dPoint> points;
  if (!board) return points;
  const double factor = m_unit / m_scale;
  for (const BoardEdge& edge : board->GetEdges()) {
    const _2dPoint c = edge.GetLine().GetStartPoint();
    const _3dPoint w = g_VekGeometryComm.LocalToWorld3d(board->GetOrigin(), board->GetXAxis(), board->GetYAxis(),
                                                        _3dPoint(c.x, c.y, 0.0));
    const _3dPoint v = g_VekGeometryComm.WorldToLocal3d(m_viewVolumn.m_origin, m_viewVolumn.m_xAxis,
                                                        m_viewVolumn.m_yAxis, w);
    _2dPoint p(v.x, v.y);
    p.Scale(factor);
    p.Move(m_placement);
    points.push_back(p);
  }
  return points;
}

std::vector<_2dLine> TankView::GetBoardOutlineLines(const boost::shared_ptr<Board>& board) const {
  const std::vector<_2dPoint> points = ProjectBoard(board);
  std::vector<_2dLine> lines;
  const std::size_t n = points.size();
  lines.reserve(n);
  for (std::size_t i = 0; i < n; ++i) lines.emplace_back(points[i], points[(i + 1) % n]);
  return lines;
}

_2dPoint TankView::GetProjectedBoardCenter(const boost::shared_ptr<Board>& board) const {
  return g_VekGeometryComm.GetCenter(ProjectBoard(board));
}

EntityList TankView::PlaceTitle(const Extents& extent, const std::string& name) const {
  const _2dPoint mid((extent.minX + extent.maxX) / 2.0, extent.minY);
  DrawingName block(m_pViewBoard, name, m_scale);
  double width = 0.0, height = 0.0;
  block.GetSize(width, height);
  const double u = static_cast<double>(GetDrawingUnit());
  block.MoveTo(_2dPoint(mid.x, mid.y - (height * 0.5 + 5.0 * u)));
  EntityList entities;
  block.GetEntities(entities);
  return entities;
}
