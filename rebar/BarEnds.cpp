// Bar ends at board edges.  See BarEnds.h for the order in which one end's
// treatment is chosen.
#include "rebar/BarEnds.h"

#include "platform/Dusmet.h"
#include "platform/Zarvel.h"
#include "rebar/BarPlanes.h"
#include "rebar/DetailingRules.h"
#include "rebar/ReinTrendAdapter.h"
#include "rebar/ZoneGeometry.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <tuple>

namespace {

constexpr const char* kAnchorageRule = "不考虑";

bool ValidEdge(const BoardPtr& board, int edgeIndex) {
  return board && edgeIndex >= 0 && edgeIndex < static_cast<int>(board->GetEdges().size());
}

_3dVector Unit(const _3dVector& v, double tol) {
  _3dVector u = v;
  if (!u.Normalize(tol)) return _3dVector(0, 0, 0);
  return u;
}

_3dVector UnitNormal(const Board& board, double tol = 0.01) { return Unit(board.GetNormal(), tol); }

_3dVector UnitEdgeDirection(const BoardPtr& board, int edgeIndex, double tol = 0.01) {
  if (!ValidEdge(board, edgeIndex)) return _3dVector(0, 0, 0);
  return Unit(board->GetEdgeDirection(edgeIndex), tol);
}

// The edge's start and end points in model space.
void EdgeEnds(const Board& board, int edgeIndex, _3dPoint& f, _3dPoint& g) {
  const BoardEdge& edge = board.GetEdges()[static_cast<std::size_t>(edgeIndex)];
  f = g_VekGeometryComm.LocalToWorld2d(board.GetOrigin(), board.GetXAxis(), board.GetYAxis(), edge.GetStartPoint());
  g = g_VekGeometryComm.LocalToWorld2d(board.GetOrigin(), board.GetXAxis(), board.GetYAxis(), edge.GetEndPoint());
}

// Signed height of a face's bar layer above the reference plane: the upper
// offset less the upper cover, or minus (lower offset less lower cover).
double BarLayerHeight(const ReinDesignOptions& options, const BoardPtr& board, bool face) {
  const double cover = GetConcreteCover(options, board, face);
  return face ? board->GetUpperOffset() - cover : -(board->GetLowerOffset() - cover);
}

// Where the line through a and b meets a plane; false when it runs parallel.
bool LinePlane(const _3dPoint& a, const _3dPoint& b, const _3dPoint& planePoint, const _3dVector& normal,
               _3dPoint& out) {
  return g_VekGeometryComm.IntersectLinePlane(a, b, planePoint, normal, out);
}

double Distance(const _3dPoint& a, const _3dPoint& b) { return g_VekGeometryComm.Distance3d(a, b); }

double DistanceToLine(const _3dPoint& p, const _3dPoint& f, const _3dPoint& g) {
  return Distance(p, g_VekGeometryComm.GetPerpendicularFoot3d(p, _3dLine(f, g)));
}

std::string JointRule(const ReinDesignOptions& options, const Board& board, bool isX) {
  if (!options.m_pSettings) return std::string();
  const ReinSettings& r = options.m_pSettings->GetReinSettings();
  return (board.GetKind() == 0 && !isX) ? r.GetVerticalJointLengthRule() : r.GetHorizontalJointLengthRule();
}

// A leg from `from` towards the board's other bar layer (direction `across`,
// unit): at most the distance between the layers; what the leg length leaves
// runs back along the bar (against `u`) on the other layer, so the leg never
// leaves the concrete through the far face.
void AppendTurnedLeg(const _3dPoint& from, const _3dVector& across, const _3dVector& u, double leg, double inner,
                     std::vector<_3dPoint>& out) {
  if (inner > 0 && leg > inner) {
    const _3dPoint q2 = from + across * inner;
    out.push_back(q2);
    out.push_back(q2 - u * (leg - inner));
  } else {
    out.push_back(from + across * leg);
  }
}

// The direction a bar turns in at an attached board whose edge direction
// (away from the joint, into that board) is `edgeDirection`: s·edgeDirection
// (s = −1 upper, +1 lower face), which runs into the attached board or on
// towards the bar's other face.  An upper bar at a board below (a wall under
// the joint of two top slabs) would so turn up out of the slab's upper face:
// it turns down into that board instead.
_3dVector TurnDirection(const _3dVector& edgeDirection, const _3dVector& n, bool face) {
  const double s = face ? -1.0 : 1.0;
  const _3dVector d = edgeDirection * s;
  const bool towardsOtherFace = d.DotProduct(n) * s > 0;
  const bool intoAttached = s > 0;
  return towardsOtherFace || intoAttached ? d : edgeDirection;
}

// The bar line (a, b) against a board's two bar planes at its edge pushed out
// by `extension`: the intersection farther from b (the lower one on a tie)
// and whether it lies inside that bar-plane outline (1 inside, -1 outside, 0
// on the boundary).  False when the line runs parallel to the board.
struct FarPoint {
  _3dPoint point;
  int test = -1;
};
// Whether the bar line meets the end face of board T along the edge f-g: the
// rectangle along the edge between T's two faces, by T's own offsets.
bool HitsEndFace(const BoardPtr& t, const _3dPoint& f, const _3dPoint& g, const _3dPoint& a, const _3dPoint& b) {
  if (!t) return false;
  const _3dVector n = Unit(t->GetNormal(), g_EqualTolerance);
  const double u = t->GetUpperOffset(), l = t->GetLowerOffset();
  const std::vector<_3dPoint> rect = {f + n * u, g + n * u, g - n * l, f - n * l};
  const _3dVector normal = (rect[1] - rect[0]).CrossProduct(rect[2] - rect[1]);
  _3dPoint hit;
  if (!LinePlane(a, b, rect[0], normal, hit)) return false;
  return g_VekGeometryComm.PointInPolygon(rect, hit, 1.0) == 1;
}

// Common values of the two joint treatments (one and several records).
struct JointFrame {
  BoardEdgeRef target;
  bool targetFace = true;
  double h = 0, cU = 0, cL = 0, inner = 0;
  _3dVector n;
  _3dPoint f, g, m, d;
  _3dVector u;
  double length = 0;
  std::string rule;
  bool straight = false;
};

// What the joint treatments and the far points need of one edge (one face,
// one bar direction), whatever bar reaches it: the part of the joint frame
// that depends on the edge alone, and for several records the choice of the
// attached boards.
struct EdgeJoint {
  BoardPtr board;  // holds the key's board
  bool applies = false;
  JointFrame frame;  // without d and u
  _3dVector along;
  ReinTrendAdapter::RefList refs;
  // Several records, boards continuing in one plane.
  int relation = 0;
  BoardEdgeRef partner;
  int best = -1, least = -1;
  double o = 0.0;
};

struct EdgeOutlines {
  BoardPtr board;  // holds the key's board
  std::vector<_3dPoint> lower, upper;
  _3dVector n;
};

}  // namespace

// The memo of one trend adapter: per-edge values keyed by the options, the
// board, the edge and the face and bar direction (or the extension of the
// bar-plane outlines).  The adapter is a snapshot of the tank, so the values
// hold as long as it lives.
struct BarEndMemo {
  using EdgeKey = std::tuple<const ReinDesignOptions*, const Board*, int, bool, bool>;
  using OutlineKey = std::tuple<const ReinDesignOptions*, const Board*, int, double>;
  std::map<EdgeKey, EdgeJoint> joints;
  std::map<OutlineKey, EdgeOutlines> outlines;
};

namespace {

BarEndMemo& MemoOf(const ReinTrendAdapter& adapter) {
  std::shared_ptr<BarEndMemo>& memo = adapter.GetBarEndMemo();
  if (!memo) memo = std::make_shared<BarEndMemo>();
  return *memo;
}

// The edge's joint values, worked out on first use.
const EdgeJoint& JointOf(const ReinDesignOptions& options, const BoardPtr& board, int edgeIndex,
                         const ReinTrendAdapter& adapter, bool face, bool isX) {
  BarEndMemo& memo = MemoOf(adapter);
  const auto [at, added] = memo.joints.try_emplace(BarEndMemo::EdgeKey(&options, board.get(), edgeIndex, face, isX));
  EdgeJoint& x = at->second;
  if (!added) return x;
  x.board = board;
  JointFrame& j = x.frame;
  const BoardEdgeRef ref(board, edgeIndex);
  j.target.Clear();
  if (!adapter.GetTurnTarget(ref, face, j.target, j.targetFace) || !j.target.board) return x;
  if (!GetJointCornerPoint(options, board, edgeIndex, adapter, face, j.m)) return x;
  x.applies = true;
  j.h = board->GetThickness();
  j.cU = GetConcreteCover(options, board, true);
  j.cL = GetConcreteCover(options, board, false);
  j.inner = j.h - j.cU - j.cL;
  j.n = UnitNormal(*board);
  EdgeEnds(*board, edgeIndex, j.f, j.g);
  x.along = Unit(j.f - j.g, g_ZeroTolerance);
  j.length = GetFaceBarLengthFromSetting(options, board, face, isX);
  j.rule = JointRule(options, *board, isX);
  const BoardEdge& edge = board->GetEdges()[static_cast<std::size_t>(edgeIndex)];
  j.straight = g_VekGeometryComm.Equal(adapter.GetEdgeAngle(board, edge, j.target.board), g_Pi, 0.01);

  // Several records: for boards in one plane, the attached board the bar may
  // turn at (the widest angle) and, with three or more, the one of the
  // narrowest angle; else the thickest board beside the line.
  adapter.GetTrendRefs(ref, x.refs);
  if (!j.straight) return x;
  const ReinTrendAdapter::RefList& refs = x.refs;
  x.relation = GetBoardRelation(board, j.target.board);
  const _3dLine line(j.f, j.g);
  x.partner = j.target;
  double bestAngle = 0.0;
  if (refs.size() >= 2) {
    for (const BoardEdgeRef& r : refs)
      if (r.isPartner) x.partner = r;
    double minAngle = ReinTrendAdapter::GetBoardsAngleAtLine(board, line, refs.front().board);
    for (std::size_t k = 0; k < refs.size(); ++k) {
      const BoardEdgeRef& r = refs[k];
      if (r.isPartner) continue;
      const double angle = ReinTrendAdapter::GetBoardsAngleAtLine(board, line, r.board);
      bool became = false;
      if (angle > bestAngle) {
        bestAngle = angle;
        x.best = static_cast<int>(k);
        became = true;
      }
      if (refs.size() >= 3 && angle <= minAngle) {
        minAngle = angle;
        x.least = static_cast<int>(k);
        became = true;
      }
      if (became) x.o = r.board->GetThickness();
    }
  } else {
    ReinTrendAdapter::RefList neighbours;
    adapter.GetLineNeighbours(ref, neighbours);
    for (const BoardEdgeRef& r : neighbours)
      if (!r.IsSame(j.target) && r.board) x.o = std::max(x.o, r.board->GetThickness());
  }
  return x;
}

bool FarPointOf(const ReinDesignOptions& options, const ReinTrendAdapter& adapter, const BoardEdgeRef& x,
                double extension, const _3dPoint& a, const _3dPoint& b, FarPoint& far) {
  if (!x.board) return false;
  BarEndMemo& memo = MemoOf(adapter);
  const auto [at, added] =
      memo.outlines.try_emplace(BarEndMemo::OutlineKey(&options, x.board.get(), x.edgeIndex, extension));
  EdgeOutlines& o = at->second;
  if (added) {
    o.board = x.board;
    GetEdgeExtendedOutlines(options, x.board, x.edgeIndex, extension, o.lower, o.upper);
    o.n = UnitNormal(*x.board);
  }
  const std::vector<_3dPoint>& lower = o.lower;
  const std::vector<_3dPoint>& upper = o.upper;
  if (lower.empty() || upper.empty()) return false;
  const _3dVector& n = o.n;
  _3dPoint pl, pu;
  if (!LinePlane(a, b, lower.front(), n, pl) || !LinePlane(a, b, upper.front(), n, pu)) return false;
  const bool upperFarther = Distance(pu, b) > Distance(pl, b);
  far.point = upperFarther ? pu : pl;
  far.test = g_VekGeometryComm.PointInPolygon(upperFarther ? upper : lower, far.point, 0.1);
  return true;
}

// Fills the frame; false when the treatment does not apply (no partner, no
// corner point).  `proceed` false: the bar's inner point lies between the
// edge and the corner line, so the bar keeps its end.
bool MakeJointFrame(const ReinDesignOptions& options, const BoardPtr& board, int edgeIndex, const _3dPoint& e,
                    const _3dPoint& p0, const ReinTrendAdapter& adapter, bool face, bool isX, JointFrame& j,
                    bool& proceed) {
  proceed = false;
  if (!ValidEdge(board, edgeIndex)) return false;
  const EdgeJoint& x = JointOf(options, board, edgeIndex, adapter, face, isX);
  if (!x.applies) return false;
  j = x.frame;
  j.d = e;  // a bar along the corner line has no crossing: its end stands
  g_VekGeometryComm.IntersectLinesByPoints3d(e, p0, j.m, j.m + x.along * 100.0, j.d, 0.1);
  j.u = Unit(e - p0, 0.01);
  proceed = !(DistanceToLine(p0, j.f, j.g) < DistanceToLine(j.m, j.f, j.g));
  return true;
}

// The corner case of a single partner T: the bar reaches T's far bar layer at
// C and bends along T.
void BendAtCorner(const BoardPtr& board, const JointFrame& j, const _3dPoint& c, const _3dPoint& p0, bool isX,
                  std::vector<_3dPoint>& out) {
  const _3dVector eT = UnitEdgeDirection(j.target.board, j.target.edgeIndex, g_EqualTolerance);
  const double v = Distance(c, j.d);
  if (board->GetKind() == 0 && !isX) {
    // A wall's vertical bars bend by the joint length, or by the wall's
    // thickness when that with the straight part already reaches it.
    out.push_back(c);
    out.push_back(c + eT * (j.h + v < j.length ? j.length : j.h));
  } else if (j.rule == kAnchorageRule) {
    if (v < j.length) {
      out.push_back(c);
      out.push_back(c + eT * (j.length - v));
    } else {
      out.push_back(j.d + Unit(c - p0, 0.01) * j.length);
    }
  } else {
    out.push_back(c);
    out.push_back(c + eT * j.length);
  }
}

}  // namespace

_3dPoint BarLayerPoint(const ReinDesignOptions& options, const Board& board, const BoardPtr& owner,
                       const _2dPoint& local, bool face) {
  const _3dPoint p = g_VekGeometryComm.LocalToWorld2d(board.GetOrigin(), board.GetXAxis(), board.GetYAxis(), local);
  const BoardPtr& layer = owner;
  if (!layer) return p;
  return p + UnitNormal(*layer) * BarLayerHeight(options, layer, face);
}

// ---------------------------------------------------------------------------
// Bottom-slab overhang edge

bool ExtendBarAtOverhangEdge(const ReinDesignOptions& options, const BoardPtr& board, int edgeIndex,
                             const _3dPoint& pEnd, const _3dPoint& pIn, std::vector<_3dPoint>& out,
                             const ReinTrendAdapter& adapter, bool face, bool isX) {
  if (!ValidEdge(board, edgeIndex)) return false;
  BoardEdgeRef target;
  target.Clear();
  bool targetFace = face;
  if (!adapter.GetTurnTarget(BoardEdgeRef(board, edgeIndex), face, target, targetFace) || !target.board)
    return false;
  const Board& wall = *target.board;
  const double t = board->GetThickness();
  const _3dVector n = UnitNormal(*board, g_EqualTolerance);
  const double cu = GetConcreteCover(options, board, true);
  const double cl = GetConcreteCover(options, board, false);
  double ov = 0.0;
  if (!board->GetEdges()[static_cast<std::size_t>(edgeIndex)].GetOverhang(ov)) ov = 0.0;
  const double length = GetFaceBarLengthFromSetting(options, board, face, isX);
  const _3dVector pn = UnitNormal(wall, g_EqualTolerance);
  const _3dVector d = Unit(pEnd - pIn, 0.01);
  // The wall's face on the overhang's side, by its own offset.
  const double wallReach = d.DotProduct(pn) >= 0 ? wall.GetUpperOffset() : wall.GetLowerOffset();

  // Bar axis and slope.
  int axis;
  if (g_VekGeometryComm.Equal(pEnd.x, pIn.x, 1e-4)) axis = 0;
  else if (g_VekGeometryComm.Equal(pEnd.y, pIn.y, 1e-4)) axis = 1;
  else axis = isX ? 1 : 0;
  const _3dVector boardNormal = board->GetNormal();
  const double ax = boardNormal.GetAngleTo(_3dVector(1, 0, 0));
  const double ay = boardNormal.GetAngleTo(_3dVector(0, 1, 0));
  const bool slopedX = axis == 1 && !g_VekGeometryComm.Equal(ax, g_Pi / 2, 1e-4);
  const bool slopedY = axis == 0 && !g_VekGeometryComm.Equal(ay, g_Pi / 2, 1e-4);

  if (slopedX || slopedY) {
    const _3dVector worldAxis = slopedX ? _3dVector(1, 0, 0) : _3dVector(0, 1, 0);
    const double b = std::fabs(boardNormal.GetAngleTo(worldAxis) - g_Pi / 2);
    const double layer = face ? board->GetUpperOffset() - cu : board->GetLowerOffset() - cl;
    const double shift = std::sin(b) * layer;
    const double pinC = slopedX ? pIn.x : pIn.y, pendC = slopedX ? pEnd.x : pEnd.y;
    const _3dVector s = worldAxis * (pinC < pendC ? 1.0 : -1.0);
    const double angle = boardNormal.GetAngleTo(s);
    const bool longer = (face && angle > g_Pi / 2) || (!face && angle <= g_Pi / 2);
    const double reach = wallReach + ov - cu + (longer ? shift : -shift);
    const _3dPoint a = pEnd + s * reach;
    out.push_back(pEnd);
    out.push_back(a);
    if (!face) out.push_back(a + _3dVector(0, 0, 1) * (std::cos(b) * (t - cu - cl)));
    return true;
  }

  if (face) {
    out.push_back(pEnd + d * (wallReach + ov - cu));
    return true;
  }
  // Lower face: through the wall (measured along the bar, also when it meets
  // the edge askew) and the overhang, then up to the upper bar layer.
  _3dPoint f, g;
  EdgeEnds(*board, edgeIndex, f, g);
  const _3dVector e = Unit(g - f, g_EqualTolerance);
  const double sinA = std::sin(d.GetAngleTo(e));
  const double through = sinA > 1e-6 ? wallReach / sinA : wallReach;
  const _3dPoint a = pEnd + d * (through + ov - cu);
  const double rise = t - cu - cl;
  const _3dPoint top = a + n * rise;
  out.push_back(a);
  out.push_back(top);

  // An overhang haunch on the joint of the slab and the wall.
  BoardJointPtr joint;
  for (const BoardJointRecord& r : adapter.GetJoints())
    if ((r.boardA == board && r.boardB == target.board) || (r.boardA == target.board && r.boardB == board)) {
      joint = r.joint;
      break;
    }
  EarPtr ear;
  if (!joint || !GetJointOverhangEar(joint, ear) || !ear) return true;
  const double fAngle = ear->GetAngle();
  if (g_VekGeometryComm.Equal(std::tan(fAngle) * ov, ear->GetLength(), 1e-4)) {
    // The haunch spans the overhang: the bar follows its slope from the slab
    // end up to the wall, crosses the wall to its far bar layer and runs up
    // there for what the joint length leaves.
    const _3dVector inward = UnitEdgeDirection(board, edgeIndex);
    const _3dVector r = Unit(inward * std::cos(fAngle) + n * std::sin(fAngle), 0.01);
    const bool nearUpper = (-inward).DotProduct(pn) >= 0;
    const double cwu = GetConcreteCover(options, target.board, true);
    const double cwl = GetConcreteCover(options, target.board, false);
    const _3dPoint o = wall.GetOrigin();
    const _3dPoint facePoint = nearUpper ? o + pn * wall.GetUpperOffset() : o - pn * wall.GetLowerOffset();
    const _3dPoint farPoint =
        nearUpper ? o - pn * (wall.GetLowerOffset() - cwl) : o + pn * (wall.GetUpperOffset() - cwu);
    _3dPoint f1, f2;
    if (!LinePlane(top, top + r * 1000.0, facePoint, pn, f1) || !LinePlane(top, top + r * 1000.0, farPoint, pn, f2))
      return true;
    const double gLen = Distance(f1, f2);
    out.push_back(f2);
    if (length > gLen) {
      _3dVector k = UnitEdgeDirection(target.board, target.edgeIndex);
      if (k.IsZero()) k = n;
      out.push_back(f2 + k * (length - gLen));
    }
    return true;
  }
  if (length > rise) out.push_back(top + Unit(pIn - pEnd, 0.01) * (length - rise));
  return true;
}

// ---------------------------------------------------------------------------
// Abutment: the edge rests on another board's face

bool AnchorBarAtAbutment(const ReinDesignOptions& options, const BoardPtr& board, int edgeIndex,
                         const _3dPoint& pEnd, const _3dPoint& pIn, std::vector<_3dPoint>& out,
                         const ReinTrendAdapter& adapter, bool face, bool isX) {
  if (!ValidEdge(board, edgeIndex)) return false;
  BoardEdgeRef other;
  bool side = false;
  if (!adapter.GetAbutment(BoardEdgeRef(board, edgeIndex), other, side) || !other.board) return false;
  const Board& f = *other.board;
  const _3dVector n = board->GetNormal();
  const _3dVector nf = UnitNormal(f);
  const double la = GetFaceBarLengthFromSetting(options, board, face, isX);
  if (n.IsSameDirection(nf, 0.001)) {
    out.push_back(pEnd + Unit(pEnd - pIn, 0.001) * la);
    return true;
  }
  // The far bar plane of the abutted board and its near face, each by that
  // face's own offset and cover: side true puts this board on the lower side
  // of the abutted one.
  const _3dPoint o = f.GetOrigin();
  const _3dPoint farPlane = side ? o + nf * (f.GetUpperOffset() - GetConcreteCover(options, other.board, true))
                                 : o - nf * (f.GetLowerOffset() - GetConcreteCover(options, other.board, false));
  const _3dPoint nearPlane = side ? o - nf * f.GetLowerOffset() : o + nf * f.GetUpperOffset();
  _3dPoint uPt, vPt;
  if (!LinePlane(pEnd, pIn, farPlane, nf, uPt) || !LinePlane(pEnd, pIn, nearPlane, nf, vPt)) return false;
  const double k = Distance(uPt, vPt);
  const _3dVector nu = Unit(n, 0.01);
  const _3dVector turn = face ? -nu : nu;
  if (JointRule(options, *board, isX) == kAnchorageRule) {
    if (k > la) {
      out.push_back(vPt + Unit(pEnd - pIn, 0.01) * la);
    } else {
      out.push_back(uPt);
      out.push_back(uPt + turn * (la - k));
    }
    return true;
  }
  out.push_back(uPt);
  out.push_back(uPt + turn * la);
  return true;
}

// ---------------------------------------------------------------------------
// One continuation record

bool TreatBarEndAtPartner(const ReinDesignOptions& options, const BoardPtr& board, int edgeIndex,
                          const _3dPoint& pEnd, const _3dPoint& pIn, std::vector<_3dPoint>& out,
                          const ReinTrendAdapter& adapter, bool face, bool isX) {
  JointFrame j;
  bool proceed = false;
  if (!MakeJointFrame(options, board, edgeIndex, pEnd, pIn, adapter, face, isX, j, proceed)) return false;
  if (!proceed) return true;
  const BoardPtr& partner = j.target.board;
  const double s = face ? -1.0 : 1.0;

  if (j.straight) {
    const int relation = GetBoardRelation(board, partner);
    const double hB = j.h, hP = partner->GetThickness();
    const _3dPoint runOn = j.d + j.u * j.length;
    auto hairpin = [&] {
      const _3dPoint q1 = pEnd - j.u * j.cL;
      out.push_back(q1);
      AppendTurnedLeg(q1, j.n * s, j.u, j.length, j.inner, out);
    };
    if (hP > hB - 1e-4) {
      // A partner as thick or thicker (a thicker one set off to the other
      // side does not hold the bar's layer either): the bar runs on where it
      // meets the partner's end face, else it turns back as a hairpin.
      if (HitsEndFace(j.target.board, j.f, j.g, pEnd, pIn)) out.push_back(runOn);
      else hairpin();
    } else if ((relation == 1 && face) || (relation == 2 && !face)) {
      out.push_back(runOn);
    } else {
      // A thinner partner not flush with the bar's face: an L-shaped end
      // (its leg no longer than the distance between the layers).
      hairpin();
    }
    return true;
  }

  // Corner: the bar reaches the partner's far bar layer.
  FarPoint c;
  if (!FarPointOf(options, adapter, j.target, 0.0, pEnd, pIn, c)) return false;
  BendAtCorner(board, j, c.point, pIn, isX, out);
  return true;
}

// ---------------------------------------------------------------------------
// Several records on the line

bool BuildEdgeZonesMulti(const ReinDesignOptions& options, const BoardPtr& board, int edgeIndex,
                         const _3dPoint& pEnd, const _3dPoint& pIn, std::vector<_3dPoint>& out,
                         const ReinTrendAdapter& adapter, bool face, bool isX) {
  JointFrame j;
  bool proceed = false;
  if (!MakeJointFrame(options, board, edgeIndex, pEnd, pIn, adapter, face, isX, j, proceed)) return false;
  if (!proceed) return true;
  const EdgeJoint& x = JointOf(options, board, edgeIndex, adapter, face, isX);
  const BoardPtr& t = j.target.board;
  const double s = face ? -1.0 : 1.0;
  const ReinTrendAdapter::RefList& refs = x.refs;

  if (j.straight) {
    const int relation = x.relation;
    const BoardEdgeRef& partner = x.partner;
    const int best = x.best, least = x.least;
    const double o = x.o;
    if (refs.size() < 2) {
      out.push_back(j.d + j.u * (j.rule == kAnchorageRule ? j.length : o + j.length));
      return true;
    }

    // The attached board the bar may turn at, and the one whose outline is
    // looked at 10 mm short of the bar's face plane.
    FarPoint ga, xb;
    int w = 0, k = 0;
    _3dVector eA, eB;
    if (best >= 0) {
      const double ext = j.targetFace ? t->GetUpperOffset() : t->GetLowerOffset();
      if (FarPointOf(options, adapter, refs[static_cast<std::size_t>(best)], ext, pEnd, pIn, ga)) w = ga.test;
      eA = UnitEdgeDirection(refs[static_cast<std::size_t>(best)].board, refs[static_cast<std::size_t>(best)].edgeIndex);
    }
    if (least >= 0) {
      const double ext = (face ? board->GetUpperOffset() - j.cU : board->GetLowerOffset() - j.cL) - 10.0;
      if (FarPointOf(options, adapter, refs[static_cast<std::size_t>(least)], ext, pEnd, pIn, xb)) k = xb.test;
      eB = UnitEdgeDirection(refs[static_cast<std::size_t>(least)].board,
                             refs[static_cast<std::size_t>(least)].edgeIndex);
    }
    const double run = j.rule == kAnchorageRule ? j.length : o + j.length;
    const _3dPoint runOn = j.d + j.u * run;
    const _3dVector across = j.n * s;
    auto turnInBoard = [&] {
      const _3dPoint q1 = pEnd - j.u * j.cL;
      out.push_back(q1);
      AppendTurnedLeg(q1, across, j.u, j.length, j.inner, out);
    };
    auto turnAt = [&](const _3dPoint& at, const _3dVector& e) {
      out.push_back(at);
      AppendTurnedLeg(at, TurnDirection(e, j.n, face), j.u, j.length, j.inner, out);
    };
    const double hP = partner.board ? partner.board->GetThickness() : 0.0;
    if (hP > j.h - 1e-4) {
      if (relation != 0) out.push_back(runOn);
      else if (w == 1) turnAt(ga.point, eA);
      else if (HitsEndFace(j.target.board, j.f, j.g, pEnd, pIn)) out.push_back(runOn);
      else turnInBoard();
    } else {
      if ((relation == 1 && face) || (relation == 2 && !face)) out.push_back(runOn);
      else if (HitsEndFace(j.target.board, j.f, j.g, pEnd, pIn)) out.push_back(j.d + j.u * j.length);
      else if (k == 1) {
        const _3dPoint q1 = pEnd - j.u * j.cL;
        out.push_back(q1);
        AppendTurnedLeg(q1, TurnDirection(eB, j.n, face), j.u, j.length, j.inner, out);
      } else if (w == 1) {
        turnAt(ga.point, eA);
      } else {
        turnInBoard();
      }
    }
    return true;
  }

  // Corner.
  FarPoint c;
  if (!FarPointOf(options, adapter, j.target, 0.0, pEnd, pIn, c)) return false;
  int partners = 0;
  for (const BoardEdgeRef& r : refs)
    if (r.isPartner) ++partners;
  if ((board->GetKind() == 0 && !isX) || j.rule == kAnchorageRule || c.test == 1 || partners == 1) {
    BendAtCorner(board, j, c.point, pIn, isX, out);
    return true;
  }
  // The bar misses the turning board: another board of the line takes the
  // bend.
  const BoardEdgeRef* other = nullptr;
  for (const BoardEdgeRef& r : refs)
    if (r.board != t) other = &r;
  FarPoint xo;
  if (other && FarPointOf(options, adapter, *other, 0.0, pEnd, pIn, xo)) {
    const _3dVector eO = UnitEdgeDirection(other->board, other->edgeIndex, g_EqualTolerance);
    if (xo.test == 1) {
      out.push_back(xo.point);
      out.push_back(xo.point - eO * j.length);
      return true;
    }
    if (c.test == -1) {
      out.push_back(xo.point);
      out.push_back(xo.point + eO * j.length);
      return true;
    }
  }
  const _3dVector eT = UnitEdgeDirection(t, j.target.edgeIndex, g_EqualTolerance);
  out.push_back(c.point);
  out.push_back(c.point + eT * j.length);
  return true;
}

// ---------------------------------------------------------------------------
// Dispatcher

void TreatBarEndAtEdge(const ReinDesignOptions& options, const BoardPtr& barBoard, const BarEndRecord& end,
                       const BarEndRecord& other, std::vector<_3dPoint>& out, const ReinTrendAdapter& adapter,
                       bool face, bool isX) {
  const BoardPtr edgeBoard = end.board ? end.board : barBoard;
  if (!barBoard || !edgeBoard) return;
  const _3dPoint p = BarLayerPoint(options, *barBoard, edgeBoard, _2dPoint(end.point.x, end.point.y), face);
  const _3dPoint q = BarLayerPoint(options, *barBoard, edgeBoard, _2dPoint(other.point.x, other.point.y), face);
  const int i = end.edgeIndex;
  if (ValidEdge(edgeBoard, i)) {
    const BoardEdgeRef ref(edgeBoard, i);
    double overhang = 0.0;
    if (edgeBoard->GetKind() == 1 && edgeBoard->GetEdges()[static_cast<std::size_t>(i)].GetOverhang(overhang) &&
        ExtendBarAtOverhangEdge(options, edgeBoard, i, p, q, out, adapter, face, isX))
      return;
    if (AnchorBarAtAbutment(options, edgeBoard, i, p, q, out, adapter, face, isX)) return;
    const int records = adapter.CountTrendRefs(ref);
    if (records == 1 && TreatBarEndAtPartner(options, edgeBoard, i, p, q, out, adapter, face, isX)) return;
    if (records >= 2 && BuildEdgeZonesMulti(options, edgeBoard, i, p, q, out, adapter, face, isX)) return;
  }
  // A free edge: the bar stops one cover inside.
  const double cover = GetConcreteCover(options, edgeBoard, face);
  out.push_back(p - Unit(p - q, 0.01) * cover);
}

std::vector<_3dPoint> JoinBarEnds(const std::vector<_3dPoint>& line, const std::vector<_3dPoint>& startPoints,
                                  const std::vector<_3dPoint>& endPoints) {
  std::vector<_3dPoint> points;
  if (line.empty()) return points;
  if (startPoints.empty()) points.push_back(line.front());
  else points.insert(points.end(), startPoints.rbegin(), startPoints.rend());
  for (std::size_t k = 1; k + 1 < line.size(); ++k) points.push_back(line[k]);
  if (line.size() >= 2) {
    if (endPoints.empty()) points.push_back(line.back());
    else points.insert(points.end(), endPoints.begin(), endPoints.end());
  } else {
    points.insert(points.end(), endPoints.begin(), endPoints.end());
  }
  // Points repeated by a treatment (a sloped end starts at its own end point)
  // would give a segment of no length.
  std::vector<_3dPoint> joined;
  for (const _3dPoint& p : points)
    if (joined.empty() || Distance(joined.back(), p) > 1e-6) joined.push_back(p);
  return joined;
}
