#include "rebar/ZoneGeometry.h"

#include "rebar/DetailingRules.h"
#include "rebar/ReinTrendAdapter.h"

#include <algorithm>
#include <cmath>

namespace {

_3dVector FaceNormal(const Board& board, bool face, double tol) {
  _3dVector n = board.GetNormal();
  if (!face) n *= -1;
  n.Normalize(tol);
  return n;
}

double FaceOffset(const Board& board, bool face) { return face ? board.GetUpperOffset() : board.GetLowerOffset(); }

}  // namespace

bool GetJointCornerPoint(const ReinDesignOptions& options, const BoardPtr& board, int edgeIndex,
                         const ReinTrendAdapter& adapter, bool face, _3dPoint& point) {
  if (!board || edgeIndex < 0 || edgeIndex >= static_cast<int>(board->GetEdges().size())) return false;
  BoardEdgeRef neighbour;
  neighbour.Clear();
  bool neighbourFace = face;
  if (!adapter.GetCornerNeighbour(BoardEdgeRef(board, edgeIndex), face, neighbour, neighbourFace) ||
      !neighbour.board)
    return false;
  const Board& n = *neighbour.board;

  const BoardEdge& edge = board->GetEdges()[static_cast<std::size_t>(edgeIndex)];
  const _3dPoint r = g_VekGeometryComm.LocalToWorld2d(board->GetOrigin(), board->GetXAxis(), board->GetYAxis(),
                                                      edge.GetLine().GetMidPoint());
  const double cover = GetConcreteCover(options, board, face);
  // h reaches the neighbour's face plane, k the board's bar plane.
  const _3dVector h = FaceNormal(n, neighbourFace, 0.1) * FaceOffset(n, neighbourFace);
  const _3dVector k = FaceNormal(*board, face, 0.1) * (FaceOffset(*board, face) - cover);
  _3dVector e1 = n.GetEdgeDirection(neighbour.edgeIndex);
  _3dVector e2 = board->GetEdgeDirection(edgeIndex);
  e1.Normalize(0.1);
  e2.Normalize(0.1);
  e1 *= 1000;
  e2 *= 1000;

  if (g_VekGeometryComm.Equal(e2.GetAngleTo(e1), g_Pi, 1e-4)) {
    point = r + k;
    return true;
  }
  _3dPoint meet;
  if (!g_VekGeometryComm.IntersectLinesByPoints3d(r + k, r + k + e2, r + h + e1, r + h, meet, 0.1)) return false;
  point = meet;
  return true;
}

std::vector<bool> GetFreeEdges(const ReinTrendAdapter& adapter, const BoardPtr& board) {
  std::vector<bool> free;
  if (!board) return free;
  for (std::size_t i = 0; i < board->GetEdges().size(); ++i) {
    const BoardEdgeRef ref(board, static_cast<int>(i));
    ReinTrendAdapter::RefList neighbours;
    adapter.GetLineNeighbours(ref, neighbours);
    BoardEdgeRef abutted;
    bool side = false;
    free.push_back(!adapter.HasTrendRefs(ref) && neighbours.empty() && !adapter.GetAbutment(ref, abutted, side));
  }
  return free;
}

std::vector<bool> GetFreeEdges(const Tank& tank, const BoardPtr& board) {
  std::vector<bool> free;
  if (!board) return free;
  for (std::size_t i = 0; i < board->GetEdges().size(); ++i) {
    std::vector<BoardPtr> others;
    std::vector<int> edges;
    tank.GetBoardsOnEdge(board, static_cast<int>(i), others, edges);
    free.push_back(std::none_of(others.begin(), others.end(),
                                [&](const BoardPtr& other) { return other && other != board; }));
  }
  return free;
}

_3dLine PullBackAtFreeEdges(const ReinDesignOptions& options, const BoardPtr& board, const std::vector<bool>& free,
                            const _3dLine& line) {
  if (!board) return line;
  _3dPoint ends[2] = {line.GetStartPoint(), line.GetEndPoint()};
  _3dVector along = ends[1] - ends[0];
  if (!along.Normalize(0.001)) return line;
  const double cover =
      std::max(GetConcreteCover(options, board, true), GetConcreteCover(options, board, false));
  if (cover <= 0.0) return line;
  const _2dPoint s2 = board->WorldToLocal(ends[0]), e2 = board->WorldToLocal(ends[1]);
  _2dVector along2 = e2 - s2;
  const double length2 = along2.GetLength();
  if (length2 <= 1e-6) return line;
  along2 = along2 * (1.0 / length2);
  // The line's length measured in the board's plane per unit of its length.
  const double inPlane = length2 / (ends[1] - ends[0]).GetLength();
  const auto& edges = board->GetEdges();
  const double beside = 2.0 * board->GetThickness();
  for (int k = 0; k < 2; ++k) {
    const _2dPoint p = k == 0 ? s2 : e2;
    const _2dVector inward2 = k == 0 ? along2 : along2 * -1.0;
    double shift = 0.0;
    for (std::size_t j = 0; j < edges.size() && j < free.size(); ++j) {
      if (!free[j]) continue;
      const _2dPoint a = edges[j].GetStartPoint(), b = edges[j].GetEndPoint();
      _2dVector d = b - a;
      const double len = d.GetLength();
      if (len <= 1e-6) continue;
      d = d * (1.0 / len);
      const _2dVector ap = p - a;
      const double t = ap.x * d.x + ap.y * d.y;
      if (t < -beside || t > len + beside) continue;
      // How fast the line leaves the edge's line, per unit of its length in
      // the board's plane, and how far the end already lies inside it.
      const double rate = d.Cross(inward2);
      const double away = std::fabs(rate);
      if (away < 0.1) continue;
      const double inside = d.Cross(ap) * (rate > 0 ? 1.0 : -1.0);
      if (inside < -1.0 || inside >= cover) continue;
      shift = std::max(shift, (cover - inside) / (away * inPlane));
    }
    if (shift <= 0.0) continue;
    ends[k] = ends[k] + (k == 0 ? along : along * -1.0) * shift;
  }
  if ((ends[1] - ends[0]).DotProduct(along) <= 0.0) ends[1] = ends[0];
  return _3dLine(ends[0], ends[1]);
}
