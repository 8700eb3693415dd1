// Haunch lines at the junctions of the boards of a drawing, and the outline
// lines trimmed where a haunch fills the corner.
#include "view/TankView.h"

#include <boost/make_shared.hpp>

#include <cmath>
#include <functional>
#include <unordered_map>
#include <utility>

namespace {

// The joints of a tank by the two boards they join (either order), the first
// joint of a pair kept, as Tank::FindJoint answers: found once per drawing,
// so that every pair of its components is looked up in constant time.
class JointIndex {
 public:
  explicit JointIndex(const Tank& tank) {
    std::vector<BoardPtr> firsts, seconds;
    std::vector<BoardJointPtr> joints;
    tank.GetJoints(firsts, seconds, joints);
    for (std::size_t i = 0; i < joints.size(); ++i) m_joints.emplace(Key(firsts[i].get(), seconds[i].get()), joints[i]);
  }
  BoardJointPtr Find(const Board* a, const Board* b) const {
    const auto it = m_joints.find(Key(a, b));
    return it == m_joints.end() ? BoardJointPtr() : it->second;
  }

 private:
  using Pair = std::pair<const Board*, const Board*>;
  struct PairHash {
    std::size_t operator()(const Pair& p) const {
      const std::size_t a = std::hash<const Board*>()(p.first), b = std::hash<const Board*>()(p.second);
      return a ^ (b + 0x9e3779b97f4a7c15ull + (a << 6) + (a >> 2));
    }
  };
  static Pair Key(const Board* a, const Board* b) { return std::less<const Board*>()(a, b) ? Pair(a, b) : Pair(b, a); }
  std::unordered_map<Pair, BoardJointPtr, PairHash> m_joints;
};

// The point at distance d from the reference along the line, running away
// from the line's end nearer to the reference.
_3dPoint OffsetPointAlongLine(const _3dLine& line, const _3dPoint& reference, double d) {
  const VekGeometryComm& g = g_VekGeometryComm;
  _3dVector dir = line.GetEndPoint() - line.GetStartPoint();
  if (g.Lessthan(g.Distance3d(line.GetEndPoint(), reference), g.Distance3d(line.GetStartPoint(), reference), 1e-4)) {
    dir = -dir;
  }
  dir.Normalize(0.1);
  return reference + dir * d;
}

// A board's face offset as the plane cuts it: divided by |cos(θ + π/2)| for
// a board whose normal makes the angle θ with the plane's normal.
double CutOffset(const Board& board, double offset, const _3dVector& planeNormal) {
  if (board.GetNormal().IsParallelTo(planeNormal)) return offset;
  return offset / std::fabs(std::cos(board.GetNormal().GetAngleTo(planeNormal) + g_Pi * 0.5));
}

struct HaunchGeometry {
  bool placed = false;
  _2dLine line;
};

}  // namespace

void TankView::DrawBoardJunctions(int category, Tank& tank, const _3dPoint& origin, const _3dVector& xAxis,
                                  const _3dVector& yAxis,
                                  const std::vector<boost::shared_ptr<StructureComponent>>& components,
                                  const std::vector<std::vector<_3dPoint>>& traces,
                                  const std::vector<EntityList>& outlines,
                                  std::vector<boost::shared_ptr<_2dLine>>& result) {
  const VekGeometryComm& g = g_VekGeometryComm;
  const _3dVector planeNormal = xAxis.CrossProduct(yAxis);
  const JointIndex jointIndex(tank);
  for (std::size_t i = 0; i < components.size(); ++i) {
    for (std::size_t j = i + 1; j < components.size(); ++j) {
      const BoardPtr bi = boost::dynamic_pointer_cast<Board>(components[i]);
      const BoardPtr bj = boost::dynamic_pointer_cast<Board>(components[j]);
      if (!bi || !bj) continue;
      const BoardJointPtr joint = jointIndex.Find(bi.get(), bj.get());
      if (!joint) continue;
      if (bi->GetKind() == bj->GetKind() && (bi->GetKind() == 1 || bi->GetKind() == 2)) continue;
      const JointLinePtr jl = GetJointLine(joint);
      if (!jl) continue;
      const _3dLine jointLine = jl->GetLine();
      _3dPoint p;
      if (!g.IntersectLinePlane(jointLine, origin, planeNormal, p)) continue;
      const _3dLine traceI(traces.at(i).at(0), traces.at(i).at(1));
      const _3dLine traceJ(traces.at(j).at(0), traces.at(j).at(1));
      result.push_back(DrawJunctionHaunchLine(category, bi, bj, joint, p, traceI, traceJ, jointLine, origin, xAxis,
                                              yAxis, outlines));
      EarPtr overhangEar;
      if (!GetJointOverhangEar(joint, overhangEar) || !overhangEar) continue;
      const bool slabFirst = bi->GetKind() == 1 && bj->GetKind() == 0;
      const bool wallFirst = bi->GetKind() == 0 && bj->GetKind() == 1;
      if (!slabFirst && !wallFirst) continue;
      const BoardPtr& slab = slabFirst ? bi : bj;
      const _3dLine& slabTrace = slabFirst ? traceI : traceJ;
      const _3dLine& wallTrace = slabFirst ? traceJ : traceI;
      bool found = false;
      _3dLine overhang;
      const std::vector<BoardEdge>& edges = slab->GetEdges();
      for (std::size_t k = 0; k < edges.size() && !found; ++k) {
        const _3dPoint ea = g.LocalToWorld2d(slab->GetOrigin(), slab->GetXAxis(), slab->GetYAxis(), edges[k].GetStartPoint());
        const _3dPoint eb = g.LocalToWorld2d(slab->GetOrigin(), slab->GetXAxis(), slab->GetYAxis(), edges[k].GetEndPoint());
        _3dPoint meet;
        if (!g.IntersectLines3d(_3dLine(ea, eb), wallTrace, meet, g_EqualTolerance)) continue;
        const _2dLine local(g.WorldToLocal2d(slab->GetOrigin(), slab->GetXAxis(), slab->GetYAxis(), slabTrace.GetStartPoint()),
                            g.WorldToLocal2d(slab->GetOrigin(), slab->GetXAxis(), slab->GetYAxis(), slabTrace.GetEndPoint()));
        _2dLine piece;
        if (!GetOverhangCutLine(tank, slab, static_cast<int>(k), edges[k], local, piece)) continue;
        overhang = _3dLine(g.LocalToWorld2d(slab->GetOrigin(), slab->GetXAxis(), slab->GetYAxis(), piece.GetStartPoint()),
                           g.LocalToWorld2d(slab->GetOrigin(), slab->GetXAxis(), slab->GetYAxis(), piece.GetEndPoint()));
        found = true;
      }
      if (found) {
        result.push_back(DrawOverhangHaunchLine(category, bi, bj, joint, p, traceI, traceJ, overhang, jointLine, origin,
                                                xAxis, yAxis, outlines));
      }
    }
  }
}

namespace {

// Shared steps of both haunch lines: the two legs from P along the traces,
// the line between the two faces, and the trim of the outline lines at the
// corner of the faces.
_2dLine HaunchBetweenFaces(const _3dPoint& qa, const _3dPoint& qb, const _3dPoint& p, double offA, double offB,
                           const _3dPoint& origin, const _3dVector& xAxis, const _3dVector& yAxis,
                           const std::vector<EntityList>& outlines, double tol) {
  const VekGeometryComm& g = g_VekGeometryComm;
  const _3dVector ua = g.Normalize3d(qa - p), ub = g.Normalize3d(qb - p);
  const _3dPoint ra = qa + ub * offA, rb = qb + ua * offB;
  const auto to2d = [&](const _3dPoint& q) { return g.WorldToLocal2d(origin, xAxis, yAxis, q); };
  const _2dPoint ra2 = to2d(ra), rb2 = to2d(rb);
  _3dPoint corner;
  if (g.IntersectLinesByPoints3d(ra, ra + ua, rb, rb + ub, corner, tol)) {
    const _2dPoint c2 = to2d(corner);
    for (const EntityList& list : outlines) {
      for (const EntityPtr& e : list) {
        const auto line = boost::dynamic_pointer_cast<_2dLine>(e);
        if (!line) continue;
        for (const _2dPoint& at : {ra2, rb2}) {
          if (!g.IsPointOnLine(*line, at, tol)) continue;
          if (line->GetStartPoint() == c2) line->SetStartPoint(at);
          else if (line->GetEndPoint() == c2) line->SetEndPoint(at);
          break;
        }
      }
    }
  }
  return _2dLine(ra2, rb2);
}

}  // namespace

boost::shared_ptr<_2dLine> TankView::DrawJunctionHaunchLine(int category, const BoardPtr& a, const BoardPtr& b,
                                                            const BoardJointPtr& joint, const _3dPoint& p,
                                                            const _3dLine& traceA, const _3dLine& traceB,
                                                            const _3dLine& jointLine, const _3dPoint& origin,
                                                            const _3dVector& xAxis, const _3dVector& yAxis,
                                                            const std::vector<EntityList>& outlines) {
  auto line = boost::make_shared<_2dLine>();
  EarPtr ear;
  if (!GetJointEar(joint, ear) || !ear) return line;
  double offA = 0.0, offB = 0.0;
  GetFacingFaceOffsets(a, b, joint, offA, offB, false);
  const _3dVector planeNormal = xAxis.CrossProduct(yAxis);
  offA = CutOffset(*a, offA, planeNormal);
  offB = CutOffset(*b, offB, planeNormal);
  const double l = ear->GetLength(), t = l / std::tan(ear->GetAngle());
  double legA = 0.0, legB = 0.0;
  const bool aSlab = a->GetKind() == 1 || a->GetKind() == 2, bSlab = b->GetKind() == 1 || b->GetKind() == 2;
  if ((aSlab && b->GetKind() == 0) || (bSlab && a->GetKind() == 0)) {
    legA = aSlab ? t : l;
    legB = aSlab ? l : t;
  } else if (a->GetKind() == 0 && b->GetKind() == 0) {
    const bool aRole = a->GetLineMeasure(jointLine) > b->GetLineMeasure(jointLine);
    legA = aRole ? t : l;
    legB = aRole ? l : t;
  }
  const double dA = legA == 0.0 && legB == 0.0 ? 0.0 : offB + legA;
  const double dB = legA == 0.0 && legB == 0.0 ? 0.0 : offA + legB;
  const _3dPoint qa = OffsetPointAlongLine(traceA, p, dA), qb = OffsetPointAlongLine(traceB, p, dB);
  *line = HaunchBetweenFaces(qa, qb, p, offA, offB, origin, xAxis, yAxis, outlines, g_EqualTolerance);
  line->SetLayer(GetLayerName(category));
  AddEntities({line}, ear, {0x4}, EntityHandleList());
  return line;
}

boost::shared_ptr<_2dLine> TankView::DrawOverhangHaunchLine(int category, const BoardPtr& a, const BoardPtr& b,
                                                            const BoardJointPtr& joint, const _3dPoint& p,
                                                            const _3dLine& traceA, const _3dLine& traceB,
                                                            const _3dLine& overhangLine, const _3dLine& jointLine,
                                                            const _3dPoint& origin, const _3dVector& xAxis,
                                                            const _3dVector& yAxis,
                                                            const std::vector<EntityList>& outlines) {
  (void)jointLine;
  auto line = boost::make_shared<_2dLine>();
  EarPtr ear;
  if (!GetJointOverhangEar(joint, ear) || !ear) return line;
  double offA = 0.0, offB = 0.0;
  GetFacingFaceOffsets(a, b, joint, offA, offB, true);
  const _3dVector planeNormal = xAxis.CrossProduct(yAxis);
  offA = CutOffset(*a, offA, planeNormal);
  offB = CutOffset(*b, offB, planeNormal);
  const double l = ear->GetLength(), t = l / std::tan(ear->GetAngle());
  double legA = 0.0, legB = 0.0;
  _3dLine ta = traceA, tb = traceB;
  bool role = false;
  if (a->GetKind() == 1) {
    legA = t;
    legB = l;
    ta = overhangLine;
    role = true;
  } else if (b->GetKind() == 1) {
    legA = l;
    legB = t;
    tb = overhangLine;
    role = true;
  }
  const double dA = role ? offB + legA : 0.0;
  const double dB = role ? offA + legB : 0.0;
  const VekGeometryComm& g = g_VekGeometryComm;
  _3dPoint qa, qb;
  if (g.PointAlongLine3d(ta, dA, p, qa) && g.PointAlongLine3d(tb, dB, p, qb)) {
    *line = HaunchBetweenFaces(qa, qb, p, offA, offB, origin, xAxis, yAxis, outlines, g_DefaultTolerance);
  }
  line->SetLayer(GetLayerName(category));
  AddEntities({line}, ear, {0x4}, EntityHandleList());
  return line;
}
