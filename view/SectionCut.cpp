// The concrete of a wall section: every board the vertical section plane
// cuts becomes an outline in the section plane, and a line follows the
// underside of the bottom slabs from their left end to their right end.
#include "view/TankView.h"

#include "platform/Dusmet.h"
#include "view/DrawingRoutines.h"

#include <boost/make_shared.hpp>

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <tuple>
#include <typeinfo>
#include <utility>

namespace {

// The cut of one board: its segments in the section plane with their face
// offsets and end codes.
struct BoardCut {
  BoardPtr board;
  std::vector<_3dLine> segments;
  std::vector<OutlineRecord> records;
};

// Face offsets of a board cut along a segment running `dir` in the section
// plane: the first lies right of the segment, the second left.  The upper
// face lies along the board normal; its side in the plane is where the
// normal, carried into the plane, points.  A board cut obliquely shows its
// faces farther apart, by 1 / sin of the angle between its normal and the
// section normal.
std::pair<double, double> CutFaceOffsets(const Board& board, const _2dVector& dir, const _3dVector& sectionNormal,
                                         const _3dVector& xAxis, const _3dVector& yAxis) {
  const _3dVector n = board.GetNormal();
  const _2dVector inPlane(n.DotProduct(xAxis), n.DotProduct(yAxis));
  const _2dVector right(dir.y, -dir.x);
  const bool upperRight = inPlane.x * right.x + inPlane.y * right.y > 0.0;
  double upper = board.GetUpperOffset(), lower = board.GetLowerOffset();
  if (!n.IsParallelTo(sectionNormal)) {
    const double s = std::fabs(std::cos(n.GetAngleTo(sectionNormal) + g_Pi * 0.5));
    if (s > g_ZeroTolerance) {
      upper /= s;
      lower /= s;
    }
  }
  return upperRight ? std::make_pair(upper, lower) : std::make_pair(lower, upper);
}

OutlineRecord MakeCutRecord(const BoardPtr& board, const _3dLine& segment, int endCode, const _3dPoint& origin,
                            const _3dVector& xAxis, const _3dVector& yAxis, const _3dVector& n) {
  const VekGeometryComm& g = g_VekGeometryComm;
  OutlineRecord r;
  r.line = _2dLine(g.WorldToLocal2d(origin, xAxis, yAxis, segment.GetStartPoint()),
                   g.WorldToLocal2d(origin, xAxis, yAxis, segment.GetEndPoint()));
  const _2dVector dir = r.line.GetEndPoint() - r.line.GetStartPoint();
  std::tie(r.firstOffset, r.secondOffset) = CutFaceOffsets(*board, dir, n, xAxis, yAxis);
  r.endCode = endCode;
  r.owner = board;
  return r;
}

bool SameSegment(const _2dLine& a, const _2dLine& b) {
  return (a.GetStartPoint() == b.GetStartPoint() && a.GetEndPoint() == b.GetEndPoint()) ||
         (a.GetStartPoint() == b.GetEndPoint() && a.GetEndPoint() == b.GetStartPoint());
}

// The left and right end of a line (smaller x first).
std::pair<_2dPoint, _2dPoint> Ends(const _2dLine& l) {
  const _2dPoint a = l.GetStartPoint(), b = l.GetEndPoint();
  return a.x <= b.x ? std::make_pair(a, b) : std::make_pair(b, a);
}

}  // namespace

static void CutBoardAlongSharedEdge(const Tank& tank, const BoardPtr& board, const std::vector<_3dLine>& segments,
                             const _3dPoint& origin, const _3dVector& xAxis, const _3dVector& yAxis,
                             std::vector<OutlineRecord>& records) {
  (void)tank;
  const _3dVector n = xAxis.CrossProduct(yAxis);
  for (const _3dLine& s : segments) {
    OutlineRecord r = MakeCutRecord(board, s, 0, origin, xAxis, yAxis, n);
    // A slab edge shared with a neighbour is cut once: the face of the edge is
    // drawn by the first board that gives it.
    bool given = false;
    for (const OutlineRecord& other : records)
      if (other.owner != board && SameSegment(other.line, r.line)) given = true;
    if (!given) records.push_back(std::move(r));
  }
}

void TankView::CutSection(Tank* tank, const std::vector<boost::shared_ptr<StructureComponent>>& components,
                          double factor, const _3dPoint& origin, const _3dVector& xAxis, const _3dVector& yAxis) {
  const VekGeometryComm& g = g_VekGeometryComm;
  const _3dVector n = xAxis.CrossProduct(yAxis);
  std::vector<OutlineRecord> records, overhangs;
  std::vector<boost::shared_ptr<StructureComponent>> cutBoards;
  std::vector<std::vector<_3dPoint>> traces;

  for (const auto& component : components) {
    const BoardPtr board = boost::dynamic_pointer_cast<Board>(component);
    if (!board) continue;
    // A board in the section plane (its normal along the section normal,
    // either way) shows no cut.
    if (board->GetNormal().IsParallelTo(n)) continue;
    std::vector<_3dPoint> outline;
    board->GetOutline(outline);
    std::vector<_3dLine> segments;
    if (!g.CutOutlineByPlane(outline, board->GetOrigin(), board->GetXAxis(), board->GetYAxis(), origin, n, segments))
      continue;
    if (segments.empty()) continue;

    const std::size_t before = records.size();
    bool onSharedEdge = false;
    if (tank) {
      for (const _3dLine& s : segments) {
        const int edge = board->FindEdge(s);
        if (edge < 0) continue;
        std::vector<BoardPtr> others;
        std::vector<int> edges;
        tank->GetBoardsOnEdge(board, edge, others, edges);
        if (!others.empty()) onSharedEdge = true;
      }
    }
    if (onSharedEdge) {
      CutBoardAlongSharedEdge(*tank, board, segments, origin, xAxis, yAxis, records);
    } else {
      if (tank) SplitCutSegmentsAtJoints(*tank, board, segments);
      for (std::size_t i = 0; i < segments.size(); ++i) {
        int code = 0;
        if (i == 0) code = board->GetWallStartCode();
        else if (i + 1 == segments.size()) code = board->GetWallEndCode();
        records.push_back(MakeCutRecord(board, segments[i], code, origin, xAxis, yAxis, n));
      }
    }
    if (records.size() == before) continue;
    cutBoards.push_back(board);
    traces.push_back({segments.front().GetStartPoint(), segments.back().GetEndPoint()});
    // A bottom slab running out beyond its walls: the overhang band, owned
    // by no board.
    if (tank && !onSharedEdge) {
      std::vector<_2dLine> lines;
      std::vector<std::pair<double, double>> halves;
      ObjectList owners;
      std::vector<int> tags;
      GetSlabOverhangSectionLines(*tank, board, 0, origin, xAxis, yAxis, segments, lines, halves, owners, tags);
      for (std::size_t i = 0; i < lines.size(); ++i) {
        OutlineRecord r;
        r.line = lines[i];
        r.firstOffset = halves[i].first;
        r.secondOffset = halves[i].second;
        overhangs.push_back(r);
      }
    }
  }
  records.insert(records.end(), overhangs.begin(), overhangs.end());
  if (records.empty()) return;

  // The groups come per owner in the order first met: the cut boards, then
  // the overhang band.
  std::vector<EntityList> groups = g_GeomAlgorithm.BuildOutlineGroups(records);
  std::vector<ObjectPtr> groupOwners(cutBoards.begin(), cutBoards.end());
  if (!overhangs.empty()) groupOwners.push_back(g_NullOwner);
  std::vector<EntityList> boardGroups(groups.begin(), groups.begin() + std::min(groups.size(), cutBoards.size()));
  std::vector<boost::shared_ptr<_2dLine>> junctions;
  if (tank) DrawBoardJunctions(13, *tank, origin, xAxis, yAxis, cutBoards, traces, boardGroups, junctions);

  const std::string layer = GetLayerName(13);
  const std::string linetype = GetReinLineType();
  for (const EntityList& group : groups)
    for (const EntityPtr& e : group)
      if (e) e->Scale(factor);
  for (const auto& j : junctions)
    if (j) j->Scale(factor);
  for (std::size_t i = 0; i < groups.size() && i < groupOwners.size(); ++i) {
    for (const EntityPtr& e : groups[i]) {
      if (!e) continue;
      e->SetLayer(layer);
      e->SetLinetype(linetype);
    }
    std::vector<int> kinds(groups[i].size(), kKindBoardOutline);
    AddEntities(groups[i], groupOwners[i], std::move(kinds), {});
  }
}

void TankView::DrawSectionCut(double factor) {
  const VekGeometryComm& g = g_VekGeometryComm;
  const double d = factor * m_viewSettings.m_cutLineExtension;
  std::vector<_2dLine> slabLines, others;
  CollectLinesByBoardKind(1, slabLines, others);
  if (slabLines.empty()) return;

  std::size_t s = 0, e = 0;
  for (std::size_t i = 1; i < slabLines.size(); ++i) {
    const auto [li, ri] = Ends(slabLines[i]);
    const auto [ls, rs] = Ends(slabLines[s]);
    if (li.x < ls.x - g_LengthTolerance || (std::fabs(li.x - ls.x) <= g_LengthTolerance && li.y < ls.y)) s = i;
    const auto [le, re] = Ends(slabLines[e]);
    if (ri.x > re.x + g_LengthTolerance || (std::fabs(ri.x - re.x) <= g_LengthTolerance && ri.y < re.y)) e = i;
  }
  std::vector<_2dLine> lines = slabLines;
  lines.insert(lines.end(), others.begin(), others.end());
  std::vector<bool> taken(lines.size(), false);
  const auto [startLeft, startRight] = Ends(lines[s]);
  const _2dPoint target = Ends(lines[e]).second;
  std::vector<_2dPoint> chain{startLeft, startRight};
  taken[s] = true;
  while (!(chain.back() == target)) {
    const _2dPoint current = chain.back(), previous = chain[chain.size() - 2];
    const double back = g.GetAngle(current, previous);
    std::size_t best = lines.size();
    double bestSweep = 0.0;
    _2dPoint bestEnd;
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (taken[i]) continue;
      _2dPoint other;
      if (lines[i].GetStartPoint() == current) other = lines[i].GetEndPoint();
      else if (lines[i].GetEndPoint() == current) other = lines[i].GetStartPoint();
      else continue;
      const double sweep = g.GetSweepAngle(back, g.GetAngle(current, other));
      if (best == lines.size() || sweep < bestSweep) {
        best = i;
        bestSweep = sweep;
        bestEnd = other;
      }
    }
    if (best == lines.size()) throw std::out_of_range("invalid vector<T> subscript");
    taken[best] = true;
    chain.push_back(bestEnd);
  }

  auto extend = [](const _2dPoint& from, const _2dPoint& to, double by) {
    _2dVector v = to - from;
    const double len = std::hypot(v.x, v.y);
    if (!(len > 0.0)) return to;
    return _2dPoint(to.x + v.x / len * by, to.y + v.y / len * by);
  };
  chain.front() = extend(chain[1], chain.front(), d);
  chain.back() = extend(chain[chain.size() - 2], chain.back(), d);
  std::vector<_2dPoint> offset;
  PolylineOffsetter(d * 0.5, &offset)(chain);

  std::vector<_2dLine> segments;
  for (std::size_t i = 0; i + 1 < offset.size(); ++i) segments.emplace_back(offset[i], offset[i + 1]);
  const std::vector<std::pair<int, int>> codes(segments.size(), {0, 0});
  const std::vector<std::pair<double, double>> offsets(segments.size(), {0.0, 0.0});
  const std::string layer = GetLayerName(13);
  const std::string linetype = GetReinLineType();
  EntityList entities;
  for (const EntityList& group : g_GeomAlgorithm.BuildOutlineGroups(segments, codes, offsets))
    for (const EntityPtr& entity : group) {
      if (!entity) continue;
      entity->SetLayer(layer);
      entity->SetLinetype(linetype);
      entities.push_back(entity);
    }
  if (entities.empty()) return;
  std::vector<int> kinds(entities.size(), kKindSectionCut);
  AddEntities(entities, boost::make_shared<VekObject>(), std::move(kinds), {});
}

EntityList TankView::AddGeometryEntities(ObjectPtr owner, const _2dLine& line, const _2dPoint& side, int number,
                                         double size1, double size2, int style) {
  if (!m_pViewBoard) return {};
  EntityList mark = m_pViewBoard->CreateSectionMark(line, side, number, size1, size2, style);
  std::vector<int> kinds(mark.size(), kKindUserGeometry);
  // No handles: the board holds the mark's entities already.
  AddEntities(mark, std::move(owner), std::move(kinds), {});
  return mark;
}
