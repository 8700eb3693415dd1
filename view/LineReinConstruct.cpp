#include "view/LineReinConstruct.h"

#include "drawing/RepresentativeBars.h"
#include "drawing/SectionLineGeometry.h"
#include "view/ReinLabel.h"

#include <boost/make_shared.hpp>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <utility>

namespace {

// What the engineer is told about a zone that could not be drawn, with the
// failed check behind it.
std::string DescribeZoneFailure(const std::string& check) {
  static const std::pair<const char*, const char*> known[] = {
      {"reinLinePts.size() < 2", "its representative bar runs off its boards"},
      {"reinPts.size() < 2", "no representative bar of the zone lies on its boards"},
      {"reinLines.empty() in ConstuctLineRein", "its boards carry no drawn face bar of its face"},
      {"spReinZonePair.first->GetReinType() != ReinZone::PEDESTAL",
       "a zone of this category is not drawn on a slab plan"},
      {"", "the place of its representative bar cannot be found"},
  };
  for (const auto& [what, text] : known) {
    if (check == what) return check.empty() ? std::string(text) : std::string(text) + " (" + check + ")";
  }
  return check;
}

}  // namespace

ConstuctLineRein::ConstuctLineRein(TankView* view, bool fixedRatio, int constructMode, AcadViewBoard* board,
                                   std::vector<boost::shared_ptr<_2dLine>> planLines, double drawFactor,
                                   const _3dVector& offset, Tank* tank, std::vector<_2dLine>* barSegmentsOut,
                                   std::vector<_2dLine>* matingLinesOut, std::vector<_2dLine>* drawnSegmentsOut,
                                   std::vector<_2dLine>* endSegmentsOut, std::vector<_2dLine> extraOffsetLines,
                                   double extraLabelOffset)
    : m_view(view),
      m_bFixedRatio(fixedRatio),
      m_constructMode(constructMode),
      m_pBoard(board),
      m_planLines(std::move(planLines)),
      m_drawFactor(drawFactor),
      m_offset(offset),
      m_pTank(tank),
      m_barSegmentsOut(barSegmentsOut),
      m_matingLinesOut(matingLinesOut),
      m_drawnSegmentsOut(drawnSegmentsOut),
      m_endSegmentsOut(endSegmentsOut),
      m_extraOffsetLines(std::move(extraOffsetLines)),
      m_extraLabelOffset(extraLabelOffset) {}

std::vector<LineReinPtr> ConstuctLineRein::operator()(ReinZoneBoards entry, ReinLabelOption& option) const {
  if (!entry.first) return {};
  if (m_constructMode == 2) return BuildWallBars(entry, option);
  if (m_constructMode != 0 && m_constructMode != 1) return {};
  // The selection of the representative bar runs inside the zone's own
  // handler: a zone that cannot be drawn gets one empty bar and is recorded,
  // and the plan goes on with its other zones.
  try {
    return BuildSlabBar(entry, option);
  } catch (const std::exception& e) {
    if (m_view) m_view->RecordZoneFailure(entry.first, DescribeZoneFailure(e.what()));
  } catch (...) {
    if (m_view) m_view->RecordZoneFailure(entry.first, "unknown failure");
  }
  return {boost::make_shared<LineReinEntity>()};
}

std::vector<LineReinPtr> ConstuctLineRein::BuildSlabBar(const ReinZoneBoards& entry,
                                                        const ReinLabelOption& option) const {
  const ReinZonePtr& zone = entry.first;
  ViewVolumn volume;
  m_view->GetViewVolumn(volume);
  const std::vector<ReinWithRecords> reps =
      SelectRepresentativeSlabReins(volume, option.ratio, m_pTank, m_bFixedRatio)(entry);

  std::vector<BoardPtr> boards;
  for (const BoardPtr& b : entry.second)
    if (b) boards.push_back(b);
  const SegmentOnZoneBoards onBoards(boards);
  const FramePointFunctor toView(volume.m_origin, volume.m_xAxis, volume.m_yAxis);
  std::vector<_3dPoint> collected;
  for (const ReinWithRecords& rep : reps) {
    std::vector<_3dLine> kept;
    for (const _3dLine& s : ExplodePolyline(_2dPolyline(rep.first->GetPolyline())))
      if (onBoards(s)) kept.push_back(s);
    std::vector<_3dPoint> points;
    for (const _3dLine& s : kept) points.push_back(s.GetStartPoint());
    if (!kept.empty()) points.push_back(kept.back().GetEndPoint());
    for (_3dPoint& p : points) {
      p = toView.Map(p);
      p.z = 0.0;
    }
    if (points.size() < 2) throw std::logic_error("reinLinePts.size() < 2");
    const _2dPolyline converted(points, false);
    collected.insert(collected.end(), converted.GetVertices().begin(), converted.GetVertices().end());
  }
  std::sort(collected.begin(), collected.end(), Point3dOrder());
  if (collected.size() < 2) throw std::logic_error("reinPts.size() < 2");
  _2dPolyline barLine(std::vector<_3dPoint>{collected.front(), collected.back()}, false);
  barLine.SetBulges({0.0, 0.0});
  barLine.Scale(m_drawFactor);
  barLine.Move(m_offset);
  if (barLine.VerNums() != 2) throw std::logic_error("resultReinLinePts.size() != 2");
  const _3dPoint p = barLine.GetVertexAt(0), o = barLine.GetVertexAt(1);

  int side = 0;
  if (zone->GetCategory() == 2) {
    side = ((m_constructMode == 1) == Point3dLess(1e-4)(p, o)) ? 1 : 0;
  } else if (zone->GetCategory() == ReinZone::PEDESTAL) {
    side = EdgeBarSide(entry, _2dPoint(p.x, p.y), _2dPoint(o.x, o.y));
  } else {
    throw std::logic_error("spReinZonePair.first->GetReinType() != ReinZone::PEDESTAL");
  }
  const int grade = GetReinGradeIndex(zone->GetGrade());
  int hookType = 2;
  if (m_constructMode == 0) hookType = grade == 0 ? 1 : (HasRibbedBarHooks() != 0 ? 3 : 0);

  if (zone->GetCategory() == 2) {
    _2dPolyline trimmed = barLine;
    try {
      TrimAtInteriorWalls(entry, trimmed);
      barLine = trimmed;
    } catch (...) {
      // The bar keeps its untrimmed line.
    }
  }
  auto bar = boost::make_shared<LineReinEntity>(hookType, m_constructMode, side, side, barLine);
  bar->AddSegmentLabel(zone->GetNumber(),
                       FormatReinText(2, grade, zone->GetDiameter(), zone->GetSpacing(), 0), 0, m_pBoard,
                       option.withMark, option.withText);
  if (zone->GetCategory() == 2) m_view->AddZoneLineRein(zone, bar);
  return {bar};
}

int ConstuctLineRein::EdgeBarSide(const ReinZoneBoards& entry, const _2dPoint& p, const _2dPoint& o) const {
  std::vector<ReinZonePtr> faceZones;
  for (const BoardPtr& board : entry.second) {
    if (!board) continue;
    faceZones.insert(faceZones.end(), board->GetUpperZones().begin(), board->GetUpperZones().end());
    faceZones.insert(faceZones.end(), board->GetLowerZones().begin(), board->GetLowerZones().end());
  }
  std::vector<LineBarPair> pairs;
  for (const ReinZonePtr& z : faceZones) {
    const LineReinPtr bar = m_view->GetZoneLineRein(z);
    if (!bar || bar->GetConstructMode() != m_constructMode) continue;
    const _2dPolyline plain = bar->GetReinLineWithoutHook();
    if (plain.VerNums() != 2) throw std::logic_error("");
    const _3dPoint a = plain.GetVertexAt(0), b = plain.GetVertexAt(1);
    pairs.emplace_back(boost::make_shared<_2dLine>(_2dPoint(a.x, a.y), _2dPoint(b.x, b.y)), bar->GetReinLine());
  }
  if (pairs.empty()) throw std::logic_error("reinLines.empty() in ConstuctLineRein");
  const _2dLine reference(p, o);
  const LineBarPair& picked = *std::max_element(pairs.begin(), pairs.end(), LineAngleLess(reference));
  const _2dLine& straight = *picked.first;
  const _3dPoint v0 = picked.second->GetVertexAt(0);
  const bool cw = g_VekGeometryComm.IsClockwise(straight.GetStartPoint(), straight.GetEndPoint(), _2dPoint(v0.x, v0.y));
  const _2dVector d1 = o - p, d2 = straight.GetDirection();
  if (g_VekGeometryComm.Equal(d1.GetLength(), 0.0, 1e-4) || g_VekGeometryComm.Equal(d2.GetLength(), 0.0, 1e-4)) {
    throw std::logic_error("");
  }
  const bool acute = g_VekGeometryComm.Lessthan(d1.GetAngleTo(d2), 0.5 * g_Pi, 1e-4);
  return acute == !cw ? 1 : 0;
}

const std::vector<BoardPtr>& ConstuctLineRein::NeighbourWalls(const BoardPtr& board) const {
  const auto [it, added] = m_neighbourWalls.try_emplace(board.get());
  if (added) {
    std::vector<BoardPtr> met;
    std::vector<int> own, other;
    m_pTank->GetNeighbourBoards(board, met, own, other);
    for (const BoardPtr& b : met)
      if (b && b->GetKind() == 0) it->second.push_back(b);
  }
  return it->second;
}

void ConstuctLineRein::TrimAtInteriorWalls(const ReinZoneBoards& entry, _2dPolyline& barLine) const {
  const std::vector<_2dLine> segments = ExplodePolylineTo2d(barLine);
  if (segments.empty()) throw std::logic_error("segmentLines.empty()");
  _2dLine s = segments.front();
  std::vector<boost::shared_ptr<_2dLine>> crossed;
  // Only plan lines whose box meets the bar's (widened by more than the
  // meeting tolerance) can meet it: the others are passed over unmeasured.
  const double margin = 10.0 * kPointTolerance;
  const _2dPoint s0 = s.GetStartPoint(), s1 = s.GetEndPoint();
  const double minX = std::min(s0.x, s1.x) - margin, maxX = std::max(s0.x, s1.x) + margin;
  const double minY = std::min(s0.y, s1.y) - margin, maxY = std::max(s0.y, s1.y) + margin;
  for (const auto& line : m_planLines) {
    if (!line) continue;
    const _2dPoint l0 = line->GetStartPoint(), l1 = line->GetEndPoint();
    if (std::max(l0.x, l1.x) < minX || std::min(l0.x, l1.x) > maxX || std::max(l0.y, l1.y) < minY ||
        std::min(l0.y, l1.y) > maxY)
      continue;
    if (g_VekGeometryComm.LinesIntersect(s, *line)) crossed.push_back(line);
  }
  std::vector<BoardPtr> walls;
  for (const auto& line : crossed) {
    ObjectList owners;
    m_view->GetEntityOwners(line, owners);
    if (owners.size() != 1) throw std::logic_error("spObjs.size() != 1");
    const BoardPtr wall = boost::dynamic_pointer_cast<Board>(owners.front());
    if (!wall) throw std::logic_error("!spWall");
    if (std::find(walls.begin(), walls.end(), wall) == walls.end()) walls.push_back(wall);
  }
  std::vector<BoardPtr> neighbours;
  for (const BoardPtr& board : entry.second) {
    if (!board || !m_pTank) continue;
    const std::vector<BoardPtr>& walls = NeighbourWalls(board);
    neighbours.insert(neighbours.end(), walls.begin(), walls.end());
  }
  std::erase_if(walls, [&](const BoardPtr& w) {
    return std::find(neighbours.begin(), neighbours.end(), w) == neighbours.end();
  });
  // The middle of an interior wall's two drawn faces along the bar; false
  // for an outer wall or a wall not drawn as two crossed faces.
  const auto wallCentre = [&](const BoardPtr& wall, _2dPoint& centre) {
    std::vector<boost::shared_ptr<_2dLine>> faces = GetDrawnOutlineLines(*m_view, wall);
    std::erase_if(faces, [&](const boost::shared_ptr<_2dLine>& f) {
      return std::find(crossed.begin(), crossed.end(), f) == crossed.end();
    });
    if (faces.size() != 2 || wall->IsUpperFaceOuter() || wall->IsLowerFaceOuter()) return false;
    _2dPoint a, b;
    if (!g_VekGeometryComm.IntersectLines(s, *faces[0], a, g_DefaultTolerance) ||
        !g_VekGeometryComm.IntersectLines(s, *faces[1], b, g_DefaultTolerance)) {
      throw std::logic_error("!bIntersect");
    }
    centre = g_VekGeometryComm.GetMidPoint(a, b);
    return true;
  };
  if (walls.size() == 2) {
    std::sort(walls.begin(), walls.end(), WallOrderAlongLine(m_view, s));
    _2dPoint m0, m1;
    const bool first = wallCentre(walls[0], m0);
    const bool second = wallCentre(walls[1], m1);
    if (first) s.SetStartPoint(m0);
    if (second) s.SetEndPoint(m1);
  } else if (walls.size() == 1) {
    _2dPoint m;
    if (wallCentre(walls[0], m)) {
      const int inside = g_VekGeometryComm.PointInPolygon2d(m_view->ProjectBoard(walls[0]), s.GetStartPoint(),
                                                            g_DefaultTolerance);
      if (inside == 1) s.SetEndPoint(m);
      else s.SetStartPoint(m);
    }
  }
  barLine = _2dPolyline(std::vector<_3dPoint>{_3dPoint(s.GetStartPoint().x, s.GetStartPoint().y, 0.0),
                                              _3dPoint(s.GetEndPoint().x, s.GetEndPoint().y, 0.0)},
                        false);
  barLine.SetBulges({0.0, 0.0});
}

LineReinPtr ConstuctLineRein::MakeBarEntity(const ReinPtr& bar) const {
  if (!bar) return LineReinPtr();
  ViewVolumn volume;
  m_view->GetViewVolumn(volume);
  _2dPolyline line = bar->GetPolyline();
  const FramePointFunctor toView(volume.m_origin, volume.m_xAxis, volume.m_yAxis);
  std::vector<_3dPoint> vertices = line.GetVertices();
  for (_3dPoint& p : vertices) {
    p = toView.Map(p);
    p.z = 0.0;
  }
  line.SetVertices(vertices);
  line.Scale(m_drawFactor);
  line.Move(m_offset);
  if (m_constructMode != 3) return LineReinPtr();
  return boost::make_shared<LineReinEntity>(0, 3, 0, 0, line);
}
