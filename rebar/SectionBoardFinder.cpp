#include "rebar/SectionBoardFinder.h"

#include <algorithm>
#include <utility>

namespace {

// The two-ended exchange partition: scan from the front for an item that
// fails and from the back for one that passes, swap, repeat until the scans
// meet.  Returns the number of passing items (now at the front).
template <class T, class Pred>
std::size_t ExchangePartition(std::vector<T>& items, Pred pred) {
  std::size_t first = 0, last = items.size();
  for (;;) {
    while (first < last && pred(items[first])) ++first;
    if (first == last) break;
    --last;
    while (first < last && !pred(items[last])) --last;
    if (first == last) break;
    std::swap(items[first], items[last]);
    ++first;
  }
  return first;
}

_3dLine WorldEdge(const Board& board, const BoardEdge& edge) {
  const _2dPoint s = edge.GetStartPoint(), e = edge.GetEndPoint();
  return _3dLine(g_VekGeometryComm.LocalToWorld3d(board.GetOrigin(), board.GetXAxis(), board.GetYAxis(),
                                                  _3dPoint(s.x, s.y, 0.0)),
                 g_VekGeometryComm.LocalToWorld3d(board.GetOrigin(), board.GetXAxis(), board.GetYAxis(),
                                                  _3dPoint(e.x, e.y, 0.0)));
}

_2dPoint InPlane(const Board& board, const _3dPoint& p) {
  const _3dPoint local = g_VekGeometryComm.WorldToLocal3d(board.GetOrigin(), board.GetXAxis(), board.GetYAxis(), p);
  return _2dPoint(local.x, local.y);
}

// Distance along the line m (in the edge's board plane) from where the edge's
// line meets it to m's end.
double EdgeDistance(const Board& board, const BoardEdge& edge, const _3dLine& m) {
  const _2dLine plan(InPlane(board, m.GetStartPoint()), InPlane(board, m.GetEndPoint()));
  _2dPoint meet(0, 0);
  g_VekGeometryComm.IntersectLines(edge.GetLine(), plan, meet, g_DefaultTolerance);
  return g_VekGeometryComm.Distance(meet, plan.GetEndPoint());
}

}  // namespace

std::vector<BoardPtr> SectionBoardFinder::FindBoards(std::vector<_3dLine> lines,
                                                     std::vector<BoardPtr> candidates) const {
  std::vector<BoardPtr> out(lines.size());
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const LineOnBoardTest onBoard(lines[i]);
    const auto direct = std::find_if(candidates.begin(), candidates.end(),
                                     [&](const BoardPtr& b) { return b && onBoard(b); });
    if (direct != candidates.end()) {
      out[i] = *direct;
      continue;
    }
    if (m_category == 4) continue;
    out[i] = FindBoardAcross(lines, i, candidates);
  }
  return out;
}

BoardPtr SectionBoardFinder::FindBoardAcross(const std::vector<_3dLine>& lines, std::size_t i,
                                             const std::vector<BoardPtr>& candidates) const {
  // The plane of the chain's first bend.
  std::size_t k = 0;
  while (k + 1 < lines.size() && g_VekGeometryComm.IsSameLine(lines[k], lines[k + 1])) ++k;
  if (k + 1 >= lines.size()) return BoardPtr();
  _3dVector a = lines[k].GetDirection(), b = lines[k + 1].GetDirection();
  a.Normalize(g_DefaultTolerance);
  b.Normalize(g_DefaultTolerance);
  const _3dPoint planePoint = lines[k].GetStartPoint();
  const _3dVector normal = a.CrossProduct(b);

  // Candidate edges that meet the plane.
  std::vector<BoardEdgeItem> items;
  for (const BoardPtr& board : candidates) {
    if (!board) continue;
    for (int e = 0; e < static_cast<int>(board->GetEdges().size()); ++e) items.push_back(BoardEdgeItem{board, e});
  }
  const std::size_t accepted = ExchangePartition(items, [&](const BoardEdgeItem& item) {
    return g_VekGeometryComm.IsLineOnPlane(
        WorldEdge(*item.board, item.board->GetEdges()[static_cast<std::size_t>(item.edgeIndex)]), planePoint, normal);
  });
  if (accepted == 0) return BoardPtr();

  // The accepted edge that meets the plane nearest to the reference point.
  const _3dPoint ref = i + 1 == lines.size() ? lines[i].GetStartPoint() : lines[i].GetEndPoint();
  std::size_t winner = 0;
  double best = g_MaxValue;
  for (std::size_t j = 0; j < accepted; ++j) {
    const Board& board = *items[j].board;
    _3dPoint meet;
    g_VekGeometryComm.IntersectLinePlane(WorldEdge(board, board.GetEdges()[static_cast<std::size_t>(items[j].edgeIndex)]),
                                         planePoint, normal, meet);
    const double d = g_VekGeometryComm.DistanceWithTolerance(InPlane(board, ref), InPlane(board, meet));
    if (g_VekGeometryComm.Lessthan(d, best, 1e-4)) {
      best = d;
      winner = j;
    }
  }

  // The boards meeting that edge that carry the line, and of those the ones
  // it lies within.
  std::vector<BoardPtr> neighbours;
  std::vector<int> edgeIndices;
  m_tank.GetBoardsOnEdge(items[winner].board, items[winner].edgeIndex, neighbours, edgeIndices);
  const LineOnBoardTest onBoard(lines[i]);
  const LineWithinBoardTest within(lines[i]);
  const std::size_t p1 = ExchangePartition(neighbours, [&](const BoardPtr& b) { return b && onBoard(b); });
  std::vector<BoardPtr> carrying(neighbours.begin(), neighbours.begin() + static_cast<std::ptrdiff_t>(p1));
  const std::size_t p2 = ExchangePartition(carrying, [&](const BoardPtr& b) { return within(b); });
  if (p2 == 0) return BoardPtr();

  // Of the boards carrying the line, the one nearest to it.
  const _3dLine m = i == 0 ? lines[i].Reversed() : lines[i];
  BoardPtr chosen;
  double bestBoard = g_MaxValue;
  for (const BoardPtr& board : carrying) {
    double nearest = g_MaxValue;
    for (const BoardEdge& edge : board->GetEdges()) {
      const double d = EdgeDistance(*board, edge, m);
      if (g_VekGeometryComm.Lessthan(d, nearest, 1e-4)) nearest = d;
    }
    if (g_VekGeometryComm.Lessthan(nearest, bestBoard, 1e-4)) {
      bestBoard = nearest;
      chosen = board;
    }
  }
  return chosen;
}
