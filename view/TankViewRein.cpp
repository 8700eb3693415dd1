// TankView: registration of drawn bars, range dimensions, the rebar label
// line of slab plans and the projection of boards into the drawing.
#include "drawing/DimensionChain.h"
#include "view/DrawingRoutines.h"
#include "view/LabelClearance.h"
#include "view/TankView.h"

#include <boost/make_shared.hpp>

#include <algorithm>
#include <cmath>
#include <stdexcept>

void TankView::AddLineReinEntities(ObjectPtr owner, std::vector<ObjectPtr> bars) {
  EntityList entities;
  std::vector<int> kinds;
  const auto add = [&](const EntityPtr& e, int kind) {
    if (!e) return;
    entities.push_back(e);
    kinds.push_back(kind);
  };
  for (const ObjectPtr& object : bars) {
    if (const auto line = boost::dynamic_pointer_cast<LineReinEntity>(object)) {
      boost::shared_ptr<_2dLine> first, second;
      boost::shared_ptr<Ordinal> mark;
      boost::shared_ptr<_Text> text, secondText;
      line->GetFirstLeader(first);
      line->GetSecondLeader(second);
      line->GetMark(mark);
      line->GetLabelText(text);
      line->GetSecondLabelText(secondText);
      add(line->GetReinLine(), kKindReinLine);
      add(first, kKindReinFirstLeader);
      add(second, kKindReinSecondLeader);
      add(mark, kKindReinMark);
      add(text, kKindReinText);
      add(secondText, kKindReinText);
    } else if (const auto dots = boost::dynamic_pointer_cast<DotReinEntity>(object)) {
      EntityList list;
      dots->GetDots(list);
      for (const EntityPtr& e : list) add(e, kKindReinLine);
      dots->GetSecondEntities(list);
      for (const EntityPtr& e : list) add(e, kKindReinFirstLeader);
      add(dots->GetLeader(), kKindReinSecondLeader);
      add(dots->GetMark(), kKindReinMark);
      add(dots->GetLabelText(), kKindReinText);
    }
  }
  // An empty bar (a zone that could not be drawn) leaves no trace.
  if (entities.empty()) return;
  AddEntities(entities, owner, kinds, EntityHandleList());
}

void TankView::DrawRangeDim(const std::vector<std::vector<_2dPoint>>& info,
                            const std::vector<std::vector<LineReinPtr>>& bars) {
  for (std::size_t i = 0; i < info.size(); ++i) {
    try {
      if (info[i].size() != 2) continue;
      EntityList entities;
      std::vector<int> kinds;
      DrawDimensionChain(info[i], 0.0, 0.0, 1, false, entities, kinds, m_scale, m_unit, kKindRangeDimension, 16, "");
      std::vector<_2dPoint> ends;
      if (i < bars.size()) {
        for (const LineReinPtr& bar : bars[i]) {
          const auto line = bar ? bar->GetReinLine() : boost::shared_ptr<_2dPolyline>();
          if (!line || line->VerNums() < 2) continue;  // an empty bar takes no part
          const _2dLine main = GetReinMainSegment(line);
          ends.push_back(main.GetStartPoint());
          ends.push_back(main.GetEndPoint());
        }
      }
      std::stable_sort(ends.begin(), ends.end(), PointLess(1e-4));
      if (ends.size() < 2) throw std::logic_error("endPoints.size() < 2");
      _2dPoint crossing;
      if (!g_VekGeometryComm.IntersectLines(_2dLine(ends.front(), ends.back()), _2dLine(info[i][0], info[i][1]),
                                            crossing, g_DefaultTolerance)) {
        throw std::logic_error("not intersect in TankView::DrawRangeDim");
      }
      const double u = GetDrawingUnit();
      auto circle = boost::make_shared<_3dCircle>(_3dPoint(crossing.x, crossing.y, 0.0),
                                                  (GetReinLineWidth() * 0.5 + 0.2) * u, _3dVector(0, 0, 1));
      circle->SetLayer(GetLayerName(16));
      entities.push_back(circle);
      kinds.push_back(kKindRangeDimension);
      AddEntities(entities, g_NullOwner, kinds, EntityHandleList());
      if (m_pViewBoard)
        for (const EntityPtr& e : entities) m_pViewBoard->ShowEntity(e);
    } catch (...) {
      // This zone gets no range dimension; the next one is drawn.
    }
  }
}

namespace {

// The box of the text a range dimension from p to q shows: its measured
// length, a dimension text of the standard's height, centred over the
// middle of the line on the side it reads from (as the view board draws it).
Extents RangeTextBox(const _2dPoint& p, const _2dPoint& q, double scale, double unit, const AcadViewBoard& board) {
  EntityList dims;
  std::vector<int> kinds;
  DrawDimensionChain({p, q}, 0.0, 0.0, 1, false, dims, kinds, scale, unit, kKindRangeDimension, 16, "");
  return DimensionTextBox(*boost::dynamic_pointer_cast<_2dAlignedDimension>(dims.at(0)), board);
}

}  // namespace

void TankView::GetDrawInfo(std::vector<ReinZonePtr>::const_iterator begin,
                           std::vector<ReinZonePtr>::const_iterator end, const ZoneBarMap& barMap,
                           const ZoneBoardMap& boardMap, ReinZonePtr& zone, std::vector<LineReinPtr>& bars,
                           bool forward, std::vector<_2dPoint>& ends, std::vector<Extents>* keepClear) const {
  if (end - begin <= 0) throw std::invalid_argument("itrEnd - itrBegin <= 0 in TankView::GetDrawInfo");
  const ZoneBarInterceptLess less(barMap);
  const ReinZonePtr first = *std::min_element(begin, end, less);
  const ReinZonePtr last = *std::max_element(begin, end, less);
  zone = first;
  const auto found = barMap.find(first);
  bars = found == barMap.end() ? std::vector<LineReinPtr>() : found->second;

  std::vector<_2dPoint> points;
  for (const auto& line : GetDrawnLines(barMap, first)) {
    const _2dLine main = GetReinMainSegment(line);
    points.push_back(main.GetStartPoint());
    points.push_back(main.GetEndPoint());
  }
  std::stable_sort(points.begin(), points.end(), PointLess(1e-4));
  if (points.size() < 2) throw std::logic_error("endPoints.size() < 2 in  TankView::GetDrawInfo");
  const _2dPoint b = points.front(), c = points.back();
  const _2dVector s = c - b;
  const double u = GetDrawingUnit();
  _2dVector across = s;
  across.Rotate(0.5 * g_Pi);

  std::vector<BoardPtr> boards;
  for (const ReinZonePtr& z : {first, last}) {
    const auto it = boardMap.find(z);
    if (it != boardMap.end()) boards.insert(boards.end(), it->second.begin(), it->second.end());
  }
  // The two ends of the label line `shift` beside the middle of the bars,
  // where it crosses the outlines of the boards; none when it crosses fewer
  // than two.
  const auto endsAt = [&](double shift) {
    const _2dVector step = s.GetUnitVector() * shift;
    const _2dPoint d = g_VekGeometryComm.GetMidPoint(b, c) + (forward ? step : -step);
    const _2dLine k(d, d + across);
    std::vector<_2dPoint> kept;
    for (const BoardPtr& board : boards) {
      if (!board) continue;
      for (const _2dLine& outline : GetBoardOutlineLines(board)) {
        _2dPoint x;
        if (g_VekGeometryComm.IntersectLines(outline, k, x, g_DefaultTolerance) &&
            g_VekGeometryComm.IsPointOnSegment(outline, x, g_DefaultTolerance)) {
          kept.push_back(x);
        }
      }
    }
    if (kept.size() < 2) return std::vector<_2dPoint>();
    const PointLess order(1e-4);
    return std::vector<_2dPoint>{*std::min_element(kept.begin(), kept.end(), order),
                                 *std::max_element(kept.begin(), kept.end(), order)};
  };
  if (!keepClear || !m_pViewBoard) {
    ends = endsAt(5.0 * u);
    return;
  }
  // The range dimension writes its length over the middle of the label
  // line, where the labels of the slab itself and of the other layers'
  // bars may stand: the line moves out along the bars until its text is
  // clear of them.
  std::vector<_2dPoint> best;
  Extents chosen;
  double least = 0.0;
  for (double shift = 5.0 * u; shift <= std::max(5.0 * u, 0.375 * s.GetLength()); shift += 2.5 * u) {
    const std::vector<_2dPoint> candidate = endsAt(shift);
    if (candidate.size() != 2) continue;
    const Extents box = RangeTextBox(candidate[0], candidate[1], m_scale, m_unit, *m_pViewBoard);
    const double overlap = OverlapArea(box, *keepClear);
    if (best.empty() || overlap < least) {
      best = candidate;
      chosen = box;
      least = overlap;
    }
    if (overlap <= 0.0) break;
  }
  if (!best.empty()) keepClear->push_back(chosen);
  ends = best;
}

void TankView::MatchReinZonesToEntities(std::vector<ReinZonePtr> zones, std::vector<std::vector<LineReinPtr>> barLists,
                                        const ZoneBoardMap& zoneBoards, std::vector<ReinZonePtr>& labelZones,
                                        std::vector<std::vector<LineReinPtr>>& labelBars, bool forward,
                                        std::vector<std::vector<_2dPoint>>& labelEnds,
                                        std::vector<Extents>* keepClear) const {
  try {
    if (zones.empty()) throw std::logic_error("reinZones.empty()");
    if (zones.size() != barLists.size()) throw std::logic_error("reinZones.size() != lineReinEnts.size()");
    ZoneBarMap barMap;
    for (std::size_t i = 0; i < zones.size(); ++i) barMap.emplace(zones[i], barLists[i]);
    // A zone whose bars have no line (it could not be drawn) forms no group.
    std::erase_if(zones, [&](const ReinZonePtr& z) { return GetDrawnLines(barMap, z).empty(); });

    std::vector<std::pair<std::size_t, std::size_t>> groups;
    std::size_t runStart = 0;
    while (runStart < zones.size()) {
      std::size_t runEnd = runStart + 1;
      while (runEnd < zones.size() && zones[runEnd]->GetNumber() == zones[runStart]->GetNumber()) ++runEnd;
      std::size_t at = runStart;
      while (at < runEnd) {
        const auto rest = std::partition(zones.begin() + static_cast<std::ptrdiff_t>(at) + 1,
                                         zones.begin() + static_cast<std::ptrdiff_t>(runEnd),
                                         ZoneBarsOverlapTest(zones[at], barMap));
        const std::size_t groupEnd = static_cast<std::size_t>(rest - zones.begin());
        groups.emplace_back(at, groupEnd);
        at = groupEnd;
      }
      runStart = runEnd;
    }
    for (const auto& [from, to] : groups) {
      ReinZonePtr zone;
      std::vector<LineReinPtr> bars;
      std::vector<_2dPoint> ends;
      try {
        GetDrawInfo(zones.begin() + static_cast<std::ptrdiff_t>(from), zones.begin() + static_cast<std::ptrdiff_t>(to),
                    barMap, zoneBoards, zone, bars, forward, ends, keepClear);
      } catch (const std::invalid_argument&) {
        continue;
      } catch (...) {
        // The group keeps what it holds so far: the three lists stay parallel.
      }
      labelZones.push_back(zone);
      labelBars.push_back(bars);
      labelEnds.push_back(ends);
    }
  } catch (...) {
  }
}

LineReinPtr TankView::GetZoneLineRein(const ReinZonePtr& zone) const {
  const LineReinPtr* bar = m_zoneLineReins.Find(zone);
  return bar ? *bar : LineReinPtr();
}

void TankView::AddZoneLineRein(const ReinZonePtr& zone, const LineReinPtr& bar) { m_zoneLineReins.Insert(zone, bar); }

void TankView::RecordZoneFailure(const ReinZonePtr& zone, const std::string& reason) {
  m_zoneFailures.push_back({zone, reason});
}

std::vector<_2dPoint> TankView::ProjectBoard(const BoardPtr& board) const {
  std::vector<_2dPoint> points;
  const double factor = GetDrawingFactor();
  for (const BoardEdge& edge : board->GetEdges()) {
    const _2dPoint c = edge.GetLine().GetStartPoint();
    const _3dPoint w =
        g_VekGeometryComm.LocalToWorld3d(board->GetOrigin(), board->GetXAxis(), board->GetYAxis(), _3dPoint(c.x, c.y, 0));
    const _3dPoint v = g_VekGeometryComm.WorldToLocal3d(m_viewVolumn.m_origin, m_viewVolumn.m_xAxis,
                                                        m_viewVolumn.m_yAxis, w);
    _2dPoint p(v.x, v.y);
    p.Scale(factor);
    p.Move(m_placement);
    points.push_back(p);
  }
  return points;
}

std::vector<_2dLine> TankView::GetBoardOutlineLines(const BoardPtr& board) const {
  const std::vector<_2dPoint> points = ProjectBoard(board);
  std::vector<_2dLine> lines;
  for (std::size_t i = 0; i < points.size(); ++i) lines.emplace_back(points[i], points[(i + 1) % points.size()]);
  return lines;
}

_2dPoint TankView::GetProjectedBoardCenter(const BoardPtr& board) const {
  return g_VekGeometryComm.GetCenter(ProjectBoard(board));
}

boost::shared_ptr<_2dPolyline> TankView::MakeBreakLine(const _2dLine& segment) const {
  const double u = m_unit;
  const _2dPoint a = segment.GetStartPoint(), b = segment.GetEndPoint();
  const _2dVector dir = (b - a).GetUnitVector();
  const double half = (segment.GetLength() - 2.6 * u) * 0.5;
  const _2dPoint p1 = a + dir * half;
  const _2dPoint p4 = b - dir * half;
  _2dVector v(0.7 * u, 2.2 * u);
  v.Rotate((b - a).GetAngle());
  const _2dPoint p2 = p1 + v, p3 = p4 - v;
  std::vector<_3dPoint> vertices;
  for (const _2dPoint& p : {a, p1, p2, p3, p4, b}) vertices.emplace_back(p.x, p.y, 0.0);
  auto line = boost::make_shared<_2dPolyline>(vertices, false);
  line->SetLayer(GetLayerName(9));
  return line;
}

bool TankView::IsLineInList(const _2dLine& line, const std::vector<_2dLine>& list, unsigned& index) {
  for (std::size_t i = 0; i < list.size(); ++i) {
    const _2dLine& l = list[i];
    if ((l.GetStartPoint() == line.GetStartPoint() && l.GetEndPoint() == line.GetEndPoint()) ||
        (l.GetStartPoint() == line.GetEndPoint() && l.GetEndPoint() == line.GetStartPoint())) {
      index = static_cast<unsigned>(i);
      return true;
    }
  }
  return false;
}

void TankView::GetFacingFaceOffsets(const BoardPtr& a, const BoardPtr& b, const BoardJointPtr& joint,
                                    double& offsetA, double& offsetB, bool flip) {
  const JointLinePtr line = GetJointLine(joint);
  const _3dLine l = line ? line->GetLine() : _3dLine();
  _3dVector dA = a->GetInwardDirection(l), dB = b->GetInwardDirection(l);
  if (flip) {
    if (a->GetKind() == 1) dA = -dA;
    else dB = -dB;
  }
  dA.Normalize();
  dB.Normalize();
  _3dVector nA = a->GetNormal(), nB = b->GetNormal();
  nA.Normalize();
  nB.Normalize();
  offsetA = nA == dB ? a->GetUpperOffset() : a->GetLowerOffset();
  offsetB = nB == dA ? b->GetUpperOffset() : b->GetLowerOffset();
}
