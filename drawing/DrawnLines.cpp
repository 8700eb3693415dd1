#include "drawing/DrawnLines.h"

#include "platform/Nirvox.h"
#include "view/TankView.h"

#include <boost/make_shared.hpp>

#include <typeinfo>

void MakeOutlineLines(std::vector<_2dPoint> points, double factor, EntityList& out) {
  const std::string layer = GetLayerName(13);
  const std::string linetype = GetReinLineType();
  for (std::size_t i = 0; i < points.size(); ++i) {
    _2dPoint a = points[i], b = points[(i + 1) % points.size()];
    a.Scale(factor);
    b.Scale(factor);
    auto line = boost::make_shared<_2dLine>(a, b);
    line->SetLayer(layer);
    line->SetLinetype(linetype);
    line->SetColorIndex(7);
    out.push_back(line);
  }
}

void TankView::SplitCutSegmentsAtJoints(const Tank& tank, const BoardPtr& board, std::vector<_3dLine>& segments) const {
  if (!board || board->GetKind() == 0 || segments.empty()) return;
  const _3dLine whole(segments.front().GetStartPoint(), segments.back().GetEndPoint());
  for (const BoardPtr& other : tank.GetAdjoiningBoards(board)) {
    if (!other) continue;
    _3dPoint p;
    if (!g_VekGeometryComm.IntersectLinePlane(whole, other->GetOrigin(), other->GetNormal(), p)) continue;
    for (std::size_t j = 0; j < segments.size(); ++j) {
      const _3dPoint r = segments[j].GetStartPoint(), q = segments[j].GetEndPoint();
      if (p == r || p == q) continue;
      if (g_VekGeometryComm.IsPointOnSegment3d(r, q, p, g_ZeroTolerance)) {
        segments[j] = _3dLine(r, p);
        segments.insert(segments.begin() + static_cast<std::ptrdiff_t>(j) + 1, _3dLine(p, q));
        break;
      }
    }
  }
}

void TankView::CollectLinesByBoardKind(int kind, std::vector<_2dLine>& same, std::vector<_2dLine>& others) const {
  for (const auto& [object, entities] : m_objectEntities) {
    const Board* board = object && typeid(*object) == typeid(Board) ? static_cast<const Board*>(object.get()) : nullptr;
    for (const EntityPtr& e : entities) {
      if (!e || typeid(*e) != typeid(_2dLine)) continue;
      const _2dLine& line = static_cast<const _2dLine&>(*e);
      if (board && board->GetKind() == kind) same.push_back(line);
      else others.push_back(line);
    }
  }
}
