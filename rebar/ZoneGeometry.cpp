#include "rebar/ZoneGeometry.h"

#include "rebar/DetailingRules.h"
#include "rebar/ReinTrendAdapter.h"

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
