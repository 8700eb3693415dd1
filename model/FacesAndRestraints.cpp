// Preparation passes over the whole tank: outer wall faces, bottom-slab
// overhang edges and the default edge restraints.
#include "model/TankModeler.h"

#include <cmath>
#include <typeinfo>

namespace {

bool SameEnds(const _2dLine& line, const _2dPoint& a, const _2dPoint& b) {
  return (line.GetStartPoint() == a && line.GetEndPoint() == b) ||
         (line.GetStartPoint() == b && line.GetEndPoint() == a);
}

bool Contains(const _2dLine& line, const _2dPoint& a, const _2dPoint& b) {
  return g_VekGeometryComm.IsPointOnSegment(line, a) && g_VekGeometryComm.IsPointOnSegment(line, b);
}

}  // namespace

void TankModeler::MarkOuterWallFaces(Tank& tank) const {
  const std::vector<BoardPtr> walls = tank.GetWalls();
  // Every wall starts inner on both faces: a wall that has left the outline
  // (a partition wall, or a wall whose outer neighbour was added) must not
  // keep an outer face and with it the outer cover.
  for (const BoardPtr& wall : walls) {
    wall->SetUpperFaceOuter(false);
    wall->SetLowerFaceOuter(false);
  }

  std::vector<_2dLine> lines;
  std::vector<BoardPtr> owners;
  for (const BoardPtr& wall : walls) {
    _2dLine line;
    if (!GetWallBaseLine(wall, line)) continue;
    lines.push_back(line);
    owners.push_back(wall);
  }

  for (const PointLoop& loop : g_PolygonAlgorithm.BuildLoops(lines)) {
    const std::size_t n = loop.size();
    for (std::size_t k = 0; k < n; ++k) {
      const _2dPoint& p = loop[k];
      const _2dPoint& q = loop[(k + 1) % n];
      if (p == q) continue;  // the closing repeat
      // The wall of the side: the first base line with the side's ends; a
      // side that is only part of a longer wall (another wall meets it from
      // inside) belongs to the first base line that holds it.
      BoardPtr wall;
      for (std::size_t i = 0; i < lines.size() && !wall; ++i)
        if (SameEnds(lines[i], p, q)) wall = owners[i];
      for (std::size_t i = 0; i < lines.size() && !wall; ++i)
        if (Contains(lines[i], p, q)) wall = owners[i];
      if (!wall) continue;
      const _3dVector normal = wall->GetNormal();
      const double sideAngle = g_VekGeometryComm.GetAngle(p, q);
      const double normalAngle = g_VekGeometryComm.GetAngle(_2dPoint(0, 0), _2dPoint(normal.x, normal.y));
      const double sweep = g_VekGeometryComm.GetSweepAngle(sideAngle, normalAngle);
      // Loops run counter-clockwise: the inside lies left of every side.
      const bool normalInward = std::fabs(sweep - g_Pi / 2) <= g_AngleTolerance;
      wall->SetUpperFaceOuter(!normalInward);
      wall->SetLowerFaceOuter(normalInward);
    }
  }
}

void TankModeler::MarkSlabOverhangs(Tank& tank, double overhang) const {
  const std::vector<BoardPtr> slabs = tank.GetBottomSlabs();
  if (slabs.empty()) return;
  std::vector<_2dLine> lines;
  for (const BoardPtr& slab : slabs) CollectSlabEdgeLines(slab, lines);
  const PointLoops loops = g_PolygonAlgorithm.BuildLoops(lines);
  for (const BoardPtr& slab : slabs) slab->ClearEdgeOverhangs();
  for (const PointLoop& original : loops) {
    const PointLoop loop = g_PolygonAlgorithm.NormalizeLoop(original);
    const std::size_t n = loop.size();
    for (std::size_t k = 0; k < n; ++k) {
      const _2dPoint& p = loop[k];
      const _2dPoint& q = loop[(k + 1) % n];
      if (p == q) continue;  // the closing repeat
      for (const BoardPtr& slab : slabs) MarkSlabOverhangEdges(p, q, slab, overhang);
    }
  }
}

void TankModeler::ClassifyBoardEdges(Tank& tank, int wallTopCode, int topSlabEdgeCode,
                                     int bottomSlabEdgeCode) const {
  // Restraints change no board's geometry: the neighbours are found once.
  const Structure::TopologyFreeze frozen(tank);
  for (const auto& component : tank.GetComponents()) {
    // Components that are not boards carry no edges and are passed over.
    const BoardPtr board = boost::dynamic_pointer_cast<Board>(component);
    if (!board) continue;
    std::vector<BoardPtr> neighbours;
    std::vector<int> ownEdges, otherEdges;
    tank.GetNeighbourBoards(board, neighbours, ownEdges, otherEdges);

    const int kind = board->GetKind();
    std::vector<Restirction> restrictions;
    if (kind >= 0 && kind <= 2) {
      const int edgeCount = static_cast<int>(board->GetEdges().size());
      for (int j = 0; j < edgeCount; ++j) {
        std::vector<BoardPtr> meeting;
        for (std::size_t i = 0; i < neighbours.size() && i < ownEdges.size(); ++i)
          if (ownEdges[i] == j) meeting.push_back(neighbours[i]);
        int topSlabs = 0;
        for (const BoardPtr& other : meeting)
          if (other && other->GetKind() == 2) ++topSlabs;
        int code = Restirction::kFree;
        if (!meeting.empty()) {
          switch (kind) {
            case 0:
              code = topSlabs == 1 ? wallTopCode : Restirction::kFixed;
              break;
            case 1:
              code = meeting.size() == 1 && meeting.front() && meeting.front()->GetKind() == 0
                         ? bottomSlabEdgeCode
                         : Restirction::kFixed;
              break;
            default:
              code = topSlabs == 0 ? topSlabEdgeCode : Restirction::kFixed;
              break;
          }
        }
        restrictions.emplace_back(code);
      }
    }
    board->SetRestrictions(restrictions);
  }
}
