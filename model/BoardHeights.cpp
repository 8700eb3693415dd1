// Board height edit and owner lookup: the board of a vertical stack that a
// level falls in, a board's new height measured from where it rests, the top
// slabs meeting a group of boards and the cell whose units hold an object.
#include "model/TankModeler.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <typeinfo>

namespace {

// To the nearest whole millimetre, halves away from zero.
int RoundMm(double x) { return static_cast<int>(x > 0 ? x + 0.5 : x - 0.5); }

bool Contains(const std::vector<_3dPoint>& points, const _3dPoint& p) {
  return std::find(points.begin(), points.end(), p) != points.end();
}

}  // namespace

bool TankModeler::SelectStackBoardAtLevel(std::vector<BoardPtr> boards, BoardPtr& result, int& level,
                                          Tank& /*tank*/, std::vector<BoardPtr>& above) const {
  if (boards.empty()) return false;
  if (boards.size() == 1) {
    result = boards.front();
    return true;
  }
  // Entries by bottom; boards whose bottoms round to the same millimetre
  // stay together in list order, and the last of them stands for the entry.
  struct Entry {
    int bottom = 0;
    int top = 0;
    std::vector<BoardPtr> boards;
  };
  std::map<int, Entry> entries;
  for (const BoardPtr& board : boards) {
    double zMin = 0.0, zMax = 0.0;
    GetBoardZRange(board, zMin, zMax);
    Entry& e = entries[RoundMm(zMin)];
    e.bottom = RoundMm(zMin);
    e.top = RoundMm(zMax);
    e.boards.push_back(board);
  }
  const int b0 = entries.begin()->first;
  const int L = level;
  for (auto it = entries.begin(); it != entries.end(); ++it) {
    const int top = it->second.top - b0;
    const int shift = it->second.bottom - b0;
    if (L > top) continue;
    level = L - shift;
    for (auto next = std::next(it); next != entries.end(); ++next)
      above.insert(above.end(), next->second.boards.begin(), next->second.boards.end());
    if (L == top) return false;  // exactly on that board's top
    result = it->second.boards.back();
    return true;
  }
  const Entry& last = entries.rbegin()->second;
  result = last.boards.back();
  level = L - (last.bottom - b0);
  return true;
}

void TankModeler::SetBoardHeight(const BoardPtr& board, double level, Tank& tank) const {
  if (!board) return;
  std::vector<BoardPtr> neighbours;
  std::vector<int> ownEdges, otherEdges;
  tank.GetNeighbourBoards(board, neighbours, ownEdges, otherEdges);

  double tracker[2] = {g_MaxValue, g_MaxValue};  // bottom, top
  std::vector<_3dPoint> kept[2];
  std::vector<int> taken[2];
  for (std::size_t i = 0; i < neighbours.size(); ++i) {
    const BoardPtr& n = neighbours[i];
    const int kind = n->GetKind();
    if (kind != 1 && kind != 2) continue;
    const int k = kind == 1 ? 0 : 1;
    _3dLine common;
    if (!tank.GetIntersectionLine(board, n, common)) continue;
    const double mz = common.GetMidPoint().z;
    const int e = ownEdges[i];
    if (!(std::fabs(mz - tracker[k]) >= g_ZeroTolerance && mz <= tracker[k])) continue;
    if (e == -1 || std::find(taken[k].begin(), taken[k].end(), e) != taken[k].end()) continue;
    tracker[k] = mz;
    kept[k].clear();
    taken[k].push_back(e);
    const _2dLine line = board->GetEdge(e).GetLine();
    for (const _2dPoint& local : {line.GetStartPoint(), line.GetEndPoint()}) {
      const _3dPoint w = g_VekGeometryComm.LocalToWorld2d(board->GetOrigin(), board->GetXAxis(),
                                                         board->GetYAxis(), local);
      if (!Contains(kept[k], w)) kept[k].push_back(w);
    }
  }
  const bool useBottom = !kept[0].empty();
  if (!useBottom && kept[1].empty()) return;
  const std::vector<_3dPoint>& fixed = useBottom ? kept[0] : kept[1];

  std::vector<_3dPoint> P;
  board->GetOutline(P);
  if (P.empty()) return;
  std::vector<_3dPoint> sorted = P;
  std::stable_sort(sorted.begin(), sorted.end(), PointZLess);
  const double extent = sorted.back().z - sorted.front().z;
  const double d = level - extent;
  if (useBottom && std::fabs(extent) < g_ZeroTolerance) {
    // A board without height: of each pair of equal points, the later one
    // rises.
    const std::vector<_3dPoint> before = P;
    for (std::size_t i = 0; i < P.size(); ++i)
      for (std::size_t j = i + 1; j < P.size(); ++j)
        if (before[j] == before[i]) {
          P[j].z = before[i].z + d;
          break;
        }
  } else {
    for (_3dPoint& p : P)
      if (!Contains(fixed, p)) p.z += d;
  }
  std::vector<BoardEdge> edges;
  edges.reserve(P.size());
  for (std::size_t i = 0; i < P.size(); ++i) {
    const _2dPoint a = g_VekGeometryComm.WorldToLocal2d(board->GetOrigin(), board->GetXAxis(),
                                                        board->GetYAxis(), P[i]);
    const _2dPoint b = g_VekGeometryComm.WorldToLocal2d(board->GetOrigin(), board->GetXAxis(),
                                                        board->GetYAxis(), P[(i + 1) % P.size()]);
    BoardEdge edge;
    edge.SetLine(_2dLine(a, b));
    edges.push_back(edge);
  }
  board->SetEdges(edges);
  tank.UpdateBoard(board);
  tank.AddBoard(board);
}

void TankModeler::CollectAdjoiningTopSlabs(Tank& tank, const std::vector<StructureComponentPtr>& components,
                                           std::vector<BoardPtr>& out) const {
  for (const StructureComponentPtr& component : components) {
    if (!component || typeid(*component) != typeid(Board)) continue;
    const BoardPtr board = boost::static_pointer_cast<Board>(component);
    std::vector<BoardPtr> neighbours;
    std::vector<int> own, other;
    tank.GetNeighbourBoards(board, neighbours, own, other);
    for (const BoardPtr& n : neighbours)
      if (n->GetKind() == 2 && std::find(out.begin(), out.end(), n) == out.end()) out.push_back(n);
  }
}

bool TankModeler::FindOwner(boost::shared_ptr<VekObject> object, const Tank& tank, TankCellPtr& cell) const {
  for (const TankCellPtr& c : tank.GetCells())
    for (const UnitPtr& unit : c->GetUnits())
      for (const StructureComponentPtr& component : unit->GetComponents())
        if (component.get() == object.get()) {
          cell = c;
          return true;
        }
  return false;
}
