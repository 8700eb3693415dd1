// The bars of a wall section: drawn bars for the bars in the plane, rows of
// dots for the bars it cuts, bar ends beyond the outermost walls joined,
// bars and rows beyond the cut lines dropped, bars across them trimmed.
#include "views/WallSectionView.h"

#include "view/DotReinEntity.h"
#include "view/LineReinEntity.h"

#include <algorithm>
#include <limits>
#include <map>
#include <stdexcept>
#include <typeinfo>

#include <boost/make_shared.hpp>

namespace {

const VekGeometryComm& G() { return g_VekGeometryComm; }

// One end of a drawn bar: its hook vertices, its end vertex (the first after
// the hook) and its end segment, by vertex index in the bar polyline.
struct SectionReinRecord {
  boost::shared_ptr<_2dPolyline> line;
  std::vector<int> hook;
  int end = 0;
  int next = 0;
  _2dLine Segment() const { return _2dLine(_2dPoint(line->GetVertexAt(end)), _2dPoint(line->GetVertexAt(next))); }
};

void MakeSectionReinRecord(SectionReinRecord& out, const LineReinPtr& bar, bool atEnd) {
  out.line = bar ? bar->GetReinLine() : boost::shared_ptr<_2dPolyline>();
  const int n = out.line ? out.line->VerNums() : 0;
  const int h = bar ? bar->GetHookPointCount() : 0;
  if (n < h + 2) throw std::logic_error("");
  out.hook.clear();
  if (!atEnd) {
    for (int i = 0; i < h; ++i) out.hook.push_back(i);
    out.end = h;
    out.next = h + 1;
  } else {
    for (int i = 0; i < h; ++i) out.hook.push_back(n - 1 - i);
    out.end = n - 1 - h;
    out.next = n - 2 - h;
  }
}

// Each movable bar end is slid, hook and all, onto the nearest crossing of
// its end segment's line with the end segment lines of the other records.
void JoinBarEndsToCrossingBars(const std::vector<SectionReinRecord>& records, const std::vector<bool>& movable) {
  for (std::size_t i = 0; i < records.size(); ++i) {
    if (!movable[i]) continue;
    const _2dLine si = records[i].Segment();
    if (G().Equal(si.GetLength(), 0.0, 1e-4)) continue;
    const _2dPoint end = si.GetStartPoint();
    bool found = false;
    _2dPoint best;
    for (std::size_t j = 0; j < records.size(); ++j) {
      if (j == i) continue;
      const _2dLine sj = records[j].Segment();
      if (G().Equal(sj.GetLength(), 0.0, 1e-4)) continue;
      _2dPoint x;
      if (!G().IntersectLines(si, sj, x, g_DefaultTolerance)) continue;
      if (!found || G().Lessthan(G().DistanceWithTolerance(end, x), G().DistanceWithTolerance(end, best), 1e-4)) {
        best = x;
        found = true;
      }
    }
    if (!found) continue;
    const _3dVector v(best.x - end.x, best.y - end.y, 0.0);
    auto& line = *records[i].line;
    line.SetVertexAt(records[i].end, line.GetVertexAt(records[i].end) + v);
    for (int k : records[i].hook) line.SetVertexAt(k, line.GetVertexAt(k) + v);
  }
}

std::vector<_2dPoint> BarPoints(const LineReinEntity& bar) {
  std::vector<_2dPoint> points;
  if (const auto line = bar.GetReinLine())
    for (const _2dLine& s : ExplodePolylineTo2d(*line)) {
      points.push_back(s.GetStartPoint());
      points.push_back(s.GetEndPoint());
    }
  return points;
}

std::vector<_2dPoint> DotPoints(const DotReinEntity& row) {
  std::vector<_2dPoint> points;
  EntityList dots;
  row.GetDots(dots);
  for (const EntityPtr& e : dots)
    if (const auto dot = boost::dynamic_pointer_cast<_2dPolyline>(e))
      for (const _2dLine& s : ExplodePolylineTo2d(*dot)) {
        points.push_back(s.GetStartPoint());
        points.push_back(s.GetEndPoint());
      }
  return points;
}

bool WhollyLeft(const std::vector<_2dPoint>& points, const _2dLine& line) {
  return std::none_of(points.begin(), points.end(), RightOfLinePredicate(line));
}

bool Straddles(const std::vector<_2dPoint>& points, const _2dLine& line) {
  return std::any_of(points.begin(), points.end(), LeftOfLinePredicate(line)) &&
         std::any_of(points.begin(), points.end(), RightOfLinePredicate(line));
}

}  // namespace

bool IsBarWhollyLeftOfLine(const LineReinEntity& bar, const _2dLine& line) { return WhollyLeft(BarPoints(bar), line); }
bool DoesBarStraddleLine(const LineReinEntity& bar, const _2dLine& line) { return Straddles(BarPoints(bar), line); }
bool AreDotsWhollyLeftOfLine(const DotReinEntity& row, const _2dLine& line) {
  return WhollyLeft(DotPoints(row), line);
}
bool DoDotsStraddleLine(const DotReinEntity& row, const _2dLine& line) { return Straddles(DotPoints(row), line); }

std::map<ReinZonePtr, ReinZonePtr> PairedFaceZones(const Tank& tank) {
  std::map<ReinZonePtr, ReinZonePtr> pairs;
  for (const auto& component : tank.GetComponents()) {
    const auto board = boost::dynamic_pointer_cast<Board>(component);
    if (!board) continue;
    for (const auto* face : {&board->GetUpperZones(), &board->GetLowerZones()})
      if (face->size() == 2) {
        pairs[(*face)[0]] = (*face)[1];
        pairs[(*face)[1]] = (*face)[0];
      }
  }
  return pairs;
}

void TankWallReinSectionView::JoinBarEndsBeyondWalls(Tank& tank, std::vector<ReinZonePtr> zones, BarGroups groups) {
  if (zones.size() != groups.size()) return;
  std::vector<ReinZonePtr> earZones, slabZones;
  for (const BoardPtr& slab : tank.GetBottomSlabs()) {
    for (const BoardJointPtr& joint : tank.GetBoardJoints(slab)) {
      EarPtr ear;
      if (GetJointOverhangEar(joint, ear) && ear)
        for (const ReinZonePtr& z : ear->GetZones()) earZones.push_back(z);
    }
  }
  for (const BoardPtr& slab : tank.GetBottomSlabs()) {
    slabZones.insert(slabZones.end(), slab->GetUpperZones().begin(), slab->GetUpperZones().end());
    slabZones.insert(slabZones.end(), slab->GetLowerZones().begin(), slab->GetLowerZones().end());
  }
  auto in = [](const std::vector<ReinZonePtr>& list, const ReinZonePtr& z) {
    return std::find(list.begin(), list.end(), z) != list.end();
  };
  std::vector<std::size_t> selected;
  for (std::size_t i = 0; i < zones.size(); ++i)
    if (in(earZones, zones[i])) selected.push_back(i);
  for (std::size_t i = 0; i < zones.size(); ++i)
    if (in(slabZones, zones[i])) selected.push_back(i);

  // Found from the whole cut when the section was drawn; else from the
  // walls the view holds now.
  if (!m_outerWallsFound) FindOuterWalls(tank);
  if (!m_outerWallsFound) return;

  std::vector<SectionReinRecord> records;
  try {
    for (std::size_t i : selected)
      for (const LineReinPtr& bar : groups[i])
        for (bool atEnd : {false, true}) {
          SectionReinRecord r;
          MakeSectionReinRecord(r, bar, atEnd);
          records.push_back(r);
        }
  } catch (...) {
    return;
  }
  // Left and right of the outermost walls of the whole cut, as drawn (left:
  // smaller x).  A bar end there that the window shows is joined; a bar
  // lapped through an inner wall keeps its own end.
  const double left = m_spLeftCut ? std::min(m_spLeftCut->GetStartPoint().x, m_spLeftCut->GetEndPoint().x)
                                  : -std::numeric_limits<double>::infinity();
  const double right = m_spRightCut ? std::max(m_spRightCut->GetStartPoint().x, m_spRightCut->GetEndPoint().x)
                                    : std::numeric_limits<double>::infinity();
  std::vector<SectionReinRecord> leftEnds, rightEnds;
  std::vector<bool> leftMovable, rightMovable;
  for (const SectionReinRecord& r : records) {
    const _2dPoint e(r.line->GetVertexAt(r.end));
    const bool inWindow = e.x >= left && e.x <= right;
    if (e.x < m_outerWallLeftX - g_DefaultTolerance) {
      leftEnds.push_back(r);
      leftMovable.push_back(inWindow);
    }
    if (e.x > m_outerWallRightX + g_DefaultTolerance) {
      rightEnds.push_back(r);
      rightMovable.push_back(inWindow);
    }
  }
  JoinBarEndsToCrossingBars(leftEnds, leftMovable);
  JoinBarEndsToCrossingBars(rightEnds, rightMovable);
}

void TankWallReinSectionView::FindOuterWalls(Tank& tank) {
  m_outerWallsFound = false;
  std::vector<_2dLine> wallLines;
  for (const BoardPtr& wall : tank.GetWalls()) {
    EntityList entities;
    if (!GetObjectEntities(wall, entities)) continue;
    for (const EntityPtr& e : entities) {
      const auto line = boost::dynamic_pointer_cast<_2dLine>(e);
      if (!line) return;
      wallLines.push_back(*line);
    }
  }
  if (wallLines.empty()) return;
  std::stable_sort(wallLines.begin(), wallLines.end(),
                   [](const _2dLine& a, const _2dLine& b) { return a.GetStartPoint().x < b.GetStartPoint().x; });
  const _2dLine wl = wallLines.front(), wr = wallLines.back();
  m_outerWallLeftX = std::min(wl.GetStartPoint().x, wl.GetEndPoint().x);
  m_outerWallRightX = std::max(wr.GetStartPoint().x, wr.GetEndPoint().x);
  m_outerWallsFound = true;
}

bool TankWallReinSectionView::ZoneMayShow(const ReinZonePtr& zone) const {
  if (m_probing && boost::dynamic_pointer_cast<SupportRein>(zone)) return false;
  if (!zone || (!m_spLeftCut && !m_spRightCut)) return true;
  const double f = GetDrawingFactor();
  // The drawing x of a point: along the view's x axis (normalised, as the
  // frame mapping of the bars takes it), scaled and placed.
  const _3dPoint& o = m_viewVolumn.m_origin;
  _3dVector x = m_viewVolumn.m_xAxis;
  if (!x.Normalize(g_DefaultTolerance)) return true;
  double lo = std::numeric_limits<double>::infinity(), hi = -lo;
  for (const ReinPtr& rein : zone->GetReins()) {
    if (!rein) continue;
    for (const _3dPoint& p : rein->GetPolyline().GetVertices()) {
      const double d = ((p.x - o.x) * x.x + (p.y - o.y) * x.y + (p.z - o.z) * x.z) * f + m_placement.x;
      lo = std::min(lo, d);
      hi = std::max(hi, d);
    }
  }
  if (lo > hi) return true;
  const double margin = 10.0 * m_unit;
  if (m_spLeftCut && hi < std::min(m_spLeftCut->GetStartPoint().x, m_spLeftCut->GetEndPoint().x) - margin)
    return false;
  if (m_spRightCut && lo > std::max(m_spRightCut->GetStartPoint().x, m_spRightCut->GetEndPoint().x) + margin)
    return false;
  return true;
}

void TankWallReinSectionView::DropRebarOutsideCuts(BarGroups& groups, DotRows& dots1, DotRows& dots2,
                                                   std::vector<ReinZonePtr>& zones,
                                                   std::vector<ReinZonePtr>& dotZones1,
                                                   std::vector<ReinZonePtr>& dotZones2) const {
  auto dropBars = [&](auto removeBar) {
    for (std::size_t g = 0; g < groups.size(); ++g) {
      const bool haunch = g < zones.size() && zones[g] && zones[g]->GetCategory() == 4;
      std::erase_if(groups[g], [&](const LineReinPtr& bar) { return !bar || removeBar(*bar, haunch); });
    }
    for (std::size_t g = groups.size(); g-- > 0;)
      if (groups[g].empty()) {
        groups.erase(groups.begin() + static_cast<std::ptrdiff_t>(g));
        if (g < zones.size()) zones.erase(zones.begin() + static_cast<std::ptrdiff_t>(g));
      }
  };
  auto dropRows = [](DotRows& rows, std::vector<ReinZonePtr>& rowZones, auto removeRow) {
    for (std::size_t i = rows.size(); i-- > 0;)
      if (rows[i] && removeRow(*rows[i])) {
        rows.erase(rows.begin() + static_cast<std::ptrdiff_t>(i));
        if (i < rowZones.size()) rowZones.erase(rowZones.begin() + static_cast<std::ptrdiff_t>(i));
      }
  };
  if (m_spLeftCut) {
    const _2dLine l = *m_spLeftCut;
    dropBars([&](const LineReinEntity& bar, bool haunch) {
      return IsBarWhollyLeftOfLine(bar, l) || (haunch && DoesBarStraddleLine(bar, l));
    });
    auto outside = [&](const DotReinEntity& row) { return AreDotsWhollyLeftOfLine(row, l) || DoDotsStraddleLine(row, l); };
    dropRows(dots1, dotZones1, outside);
    dropRows(dots2, dotZones2, outside);
  }
  if (m_spRightCut) {
    const _2dLine r = *m_spRightCut;
    dropBars([&](const LineReinEntity& bar, bool haunch) {
      const bool straddles = DoesBarStraddleLine(bar, r);
      return (!IsBarWhollyLeftOfLine(bar, r) && !straddles) || (straddles && haunch);
    });
    auto outside = [&](const DotReinEntity& row) { return !AreDotsWhollyLeftOfLine(row, r); };
    dropRows(dots1, dotZones1, outside);
    dropRows(dots2, dotZones2, outside);
  }
}

std::vector<ReinZonePtr> TankWallReinSectionView::TrimBarsAtCuts(const std::vector<ReinZonePtr>& zones,
                                                                 const BarGroups& groups) const {
  std::vector<ReinZonePtr> trimmed;
  // Each cut is handed on so that the window lies on its kept side: the
  // left cut runs down (the window on its left), the right cut up.
  const std::pair<boost::shared_ptr<_2dLine>, boost::shared_ptr<_2dLine>> cuts[] = {
      {m_spLeftCut, m_spLeftCut ? boost::make_shared<_2dLine>(m_spLeftCut->GetEndPoint(), m_spLeftCut->GetStartPoint())
                                : boost::shared_ptr<_2dLine>()},
      {m_spRightCut, m_spRightCut}};
  for (const auto& [cut, oriented] : cuts) {
    if (!cut) continue;
    for (std::size_t g = 0; g < groups.size(); ++g)
      for (const LineReinPtr& bar : groups[g]) {
        if (!bar || !DoesBarStraddleLine(*bar, *cut)) continue;
        bar->TrimByLine(oriented, true);
        trimmed.push_back(g < zones.size() ? zones[g] : ReinZonePtr());
      }
  }
  return trimmed;
}

std::vector<boost::shared_ptr<StructureComponent>> TankWallReinSectionView::BoardsOnSectionPlane(Tank& tank) const {
  _3dVector normal;
  m_viewVolumn.GetNormal(normal);
  const PlaneLinePredicate onPlane(m_viewVolumn.m_origin, normal);
  std::vector<boost::shared_ptr<StructureComponent>> boards;
  for (const auto& component : tank.GetComponents()) {
    const auto board = boost::dynamic_pointer_cast<Board>(component);
    if (!board) continue;
    const bool met = std::any_of(board->GetEdges().begin(), board->GetEdges().end(), [&](const BoardEdge& edge) {
      const _2dLine local = edge.GetLine();
      return onPlane(_3dLine(board->LocalToWorld(local.GetStartPoint()), board->LocalToWorld(local.GetEndPoint())));
    });
    if (met) boards.push_back(component);
  }
  return boards;
}

void TankWallReinSectionView::ProbeSectionBars(std::vector<boost::shared_ptr<_2dPolyline>>& bars, Tank* tank,
                                               const ViewSettings* settings) {
  if (!tank) return;
  if (!m_barsProbed) {
    m_barsProbed = true;
    std::vector<ReinZonePtr> lineZones, dotZones, supportZones;
    BarGroups groups;
    DotRows dotRows, supportDots;
    m_probing = true;
    try {
      DrawWallRein(4, tank, PlaneBoards(*tank), true, &m_viewVolumn, settings, CutOutlineCopies(), m_cutExtraLines, 0.0,
                   m_cutBoardLines, lineZones, dotZones, supportZones, groups, dotRows, supportDots);
    } catch (...) {
      m_probing = false;
      throw;
    }
    m_probing = false;
    for (const auto& group : groups)
      for (const LineReinPtr& bar : group)
        if (bar && bar->GetReinLine()) m_probedBars.push_back(bar->GetReinLine());
  }
  bars.insert(bars.end(), m_probedBars.begin(), m_probedBars.end());
}

std::vector<boost::shared_ptr<_2dLine>> TankWallReinSectionView::CutOutlineCopies() const {
  std::vector<boost::shared_ptr<_2dLine>> lines;
  for (const auto& l : m_cutOutlineLines)
    if (l) lines.push_back(boost::make_shared<_2dLine>(*l));
  return lines;
}

const std::vector<boost::shared_ptr<StructureComponent>>& TankWallReinSectionView::PlaneBoards(Tank& tank) {
  if (!m_planeBoardsFound) {
    m_planeBoards = BoardsOnSectionPlane(tank);
    m_planeBoardsFound = true;
  }
  return m_planeBoards;
}

void TankWallReinSectionView::DrawSectionRein(Tank& tank, const ViewSettings& settings, double passThrough) {
  // The tank does not change while the bars are drawn: its joints and
  // neighbours are found once.
  const Structure::TopologyFreeze frozen(tank);
  // The boards the probe found serve once more; the view keeps none of the
  // tank's boards afterwards.
  const std::vector<boost::shared_ptr<StructureComponent>> boards = PlaneBoards(tank);
  m_planeBoards.clear();
  m_planeBoardsFound = false;

  std::vector<ReinZonePtr> zones, dotZones1, dotZones2;
  BarGroups groups;
  DotRows dots1, dots2;
  DrawWallRein(7, &tank, boards, true, &m_viewVolumn, &settings, CutOutlineCopies(), m_cutExtraLines, passThrough,
               m_cutBoardLines, zones, dotZones1, dotZones2, groups, dots1, dots2);
  AlignWallReinLabels(&tank, zones, dotZones1, groups, dots1);
  JoinBarEndsBeyondWalls(tank, zones, groups);
  DropRebarOutsideCuts(groups, dots1, dots2, zones, dotZones1, dotZones2);

  // The face zones whose bars were trimmed at a cut line.
  std::vector<ReinZonePtr> trimmed = TrimBarsAtCuts(zones, groups);
  std::erase_if(trimmed, [](const ReinZonePtr& z) { return !z || z->GetCategory() != 2; });
  std::sort(trimmed.begin(), trimmed.end());
  trimmed.erase(std::unique(trimmed.begin(), trimmed.end()), trimmed.end());
  // A face zone's dot row stays unless the other zone of its face runs
  // across a cut line.
  const std::map<ReinZonePtr, ReinZonePtr> partners = PairedFaceZones(tank);
  std::vector<ReinZonePtr> keptZones;
  DotRows keptRows;
  for (std::size_t i = 0; i < dotZones1.size() && i < dots1.size(); ++i) {
    const ReinZonePtr& zone = dotZones1[i];
    if (!zone || zone->GetCategory() != 2) continue;
    const auto partner = partners.find(zone);
    const ReinZonePtr other = partner == partners.end() ? ReinZonePtr() : partner->second;
    if (std::binary_search(trimmed.begin(), trimmed.end(), other)) continue;
    keptZones.push_back(zone);
    keptRows.push_back(dots1[i]);
  }
  dotZones1 = std::move(keptZones);
  dots1 = std::move(keptRows);
  // Range dimensions for the rows the drawing shows: a row dropped at a cut
  // line leaves no dimension running on beyond the window.
  DrawReinRangeDims(&tank, zones, dotZones1, groups, dots1);

  for (std::size_t i = 0; i < zones.size() && i < groups.size(); ++i)
    AddLineReinEntities(zones[i], {groups[i].begin(), groups[i].end()});
  for (std::size_t i = 0; i < dotZones1.size() && i < dots1.size(); ++i)
    if (dots1[i]) AddLineReinEntities(dotZones1[i], {dots1[i]});
  for (std::size_t i = 0; i < dotZones2.size() && i < dots2.size(); ++i)
    if (dots2[i]) AddLineReinEntities(dotZones2[i], {dots2[i]});

  EntityList shown;
  for (const auto& group : groups)
    for (const LineReinPtr& bar : group)
      if (bar) bar->GetEntities(shown);
  for (const DotRows* rows : {&dots1, &dots2})
    for (const DotReinPtr& row : *rows)
      if (row) row->GetEntities(shown);
  std::for_each(shown.begin(), shown.end(), BoardEntityOperation(m_pViewBoard, 0));
}
