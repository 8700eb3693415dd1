// Joint zones along the common edges of boards, and the bar rows of a zone.
#include "rebar/JointZones.h"

#include "platform/Dusmet.h"
#include "platform/Zarvel.h"
#include "rebar/BarLines.h"
#include "rebar/BarPlanes.h"
#include "rebar/BarSelection.h"
#include "rebar/DetailingRules.h"
#include "rebar/FaceZones.h"
#include "rebar/ReinDesigner.h"
#include "rebar/ReinTrendAdapter.h"
#include "rebar/ZoneGeometry.h"

#include <boost/make_shared.hpp>

#include <algorithm>
#include <cmath>
#include <typeinfo>

namespace {

bool ValidEdge(const BoardPtr& board, int edgeIndex) {
  return board && edgeIndex >= 0 && edgeIndex < static_cast<int>(board->GetEdges().size());
}

double FaceOffset(const Board& board, bool face) { return face ? board.GetUpperOffset() : board.GetLowerOffset(); }

// The board's normal on the side of the face, normalised with `tol`.
_3dVector FaceNormal(const Board& board, bool face, double tol) {
  _3dVector n = board.GetNormal();
  if (!face) n = -n;
  n.Normalize(tol);
  return n;
}

_3dVector EdgeDirection(const BoardPtr& board, int edgeIndex, double tol) {
  _3dVector d = board->GetEdgeDirection(edgeIndex);
  d.Normalize(tol);
  return d;
}

std::vector<ReinZonePtr>& EdgeZones(const BoardPtr& board, int edgeIndex, bool face) {
  BoardEdge& edge = board->GetEdges()[static_cast<std::size_t>(edgeIndex)];
  return face ? edge.GetUpperZones() : edge.GetLowerZones();
}

const FaceValues& EdgeBars(const BoardPtr& board, int edgeIndex, bool face) {
  return board->GetEdges()[static_cast<std::size_t>(edgeIndex)].GetFaceValues(face);
}

_3dPoint EdgeMidPoint(const BoardPtr& board, int edgeIndex) {
  const BoardEdge& edge = board->GetEdges()[static_cast<std::size_t>(edgeIndex)];
  return g_VekGeometryComm.LocalToWorld2d(board->GetOrigin(), board->GetXAxis(), board->GetYAxis(),
                                          edge.GetLine().GetMidPoint());
}

// The joint length of the edge's support bars from the horizontal or the
// vertical rule; a rule giving no length takes the anchorage length.
double SettingLength(const ReinDesignOptions& options, const BoardPtr& board, int edgeIndex, bool face,
                     bool horizontal) {
  double length = 0.0;
  GetLengthFromSetting(options, board, edgeIndex, face, horizontal, length);
  if (std::fabs(length) < g_ZeroTolerance) length = GetAnchorageLength(options, board, face, edgeIndex);
  return length;
}

_2dPolyline Polyline(const std::vector<_3dPoint>& points) {
  _2dPolyline line;
  for (const _3dPoint& p : points) line.AppendVertex(p, 0.0);
  return line;
}

// The stronger of the two edge bar sets (ties go to the second) on the zone.
void TakeStrongerBars(ReinZone& zone, const FaceValues& first, const FaceValues& second) {
  const FaceValues& bars = IsStrongerRein(first.grade, first.diameter, first.spacing, second.grade, second.diameter,
                                          second.spacing)
                               ? first
                               : second;
  zone.SetGrade(bars.grade);
  zone.SetDiameter(bars.diameter);
  zone.SetSpacing(bars.spacing);
}

// The layer flag of the first or the second face zone of the face, by the
// angle of `along` to the world X and Y axes; unset with fewer than two.
void TakeLayerFlag(ReinZone& zone, const BoardPtr& board, bool face, const _3dVector& along) {
  const std::vector<ReinZonePtr>& faceZones = face ? board->GetUpperZones() : board->GetLowerZones();
  if (faceZones.size() < 2) return;
  const double a = along.GetAngleTo(_3dVector(1000, 0, 0));
  const double b = along.GetAngleTo(_3dVector(0, 1000, 0));
  zone.SetLayerFlag(g_VekGeometryComm.Lessthan_Or_Equal(a, b, 1e-4) ? faceZones[0]->GetLayerFlag()
                                                                      : faceZones[1]->GetLayerFlag());
}

// What both joint builders share: the partner edge and face the bars run
// into, the midpoint of the edge and the bar set.
struct JointStart {
  BoardEdgeRef partner;
  bool partnerFace = true;
  _3dPoint mid;
};

bool StartJoint(const BoardPtr& board, int edgeIndex, const ReinTrendAdapter& adapter, bool face, JointStart& s) {
  if (!ValidEdge(board, edgeIndex)) return false;
  s.partnerFace = face;
  if (!adapter.GetReinTrend(BoardEdgeRef(board, edgeIndex), face, s.partner, s.partnerFace)) return false;
  if (!ValidEdge(s.partner.board, s.partner.edgeIndex)) return false;
  s.mid = EdgeMidPoint(board, edgeIndex);
  return true;
}

ReinZonePtr NewJointZone(const ReinDesignOptions& options, const BoardPtr& board, int edgeIndex, bool face,
                         const FaceValues& own, const FaceValues& other) {
  auto zone = boost::make_shared<ReinZone>();
  zone->SetCover(GetConcreteCover(options, board, face));
  TakeStrongerBars(*zone, own, other);
  zone->SetFace(face ? 0 : 1);
  zone->SetEdgeIndex(edgeIndex);
  return zone;
}

// The zone goes to the edge's list of the face, and to the partner edge's
// list of its face when the partner's edge bars govern there.
void RegisterJointZone(const ReinZonePtr& zone, const BoardPtr& board, int edgeIndex, bool face,
                       const BoardEdgeRef& partner, bool partnerFace, bool partnerGoverns) {
  EdgeZones(board, edgeIndex, face).push_back(zone);
  if (partnerGoverns) EdgeZones(partner.board, partner.edgeIndex, partnerFace).push_back(zone);
}

_3dLine EdgeLineMoved(const BoardPtr& board, int edgeIndex, const _3dVector& by) {
  const _3dLine line = board->GetEdgeLine(edgeIndex);
  return _3dLine(line.GetStartPoint() + by, line.GetEndPoint() + by);
}

// The joint line along which a zone's bars are repeated, its ends kept one
// cover inside the free edges of the two boards it joins (a wall's free top).
_3dLine ClearOfFreeEdges(const ReinDesignOptions& options, const ReinTrendAdapter& adapter, const BoardPtr& board,
                         const BoardPtr& other, const _3dLine& line) {
  const _3dLine own = PullBackAtFreeEdges(options, board, GetFreeEdges(adapter, board), line);
  return other ? PullBackAtFreeEdges(options, other, GetFreeEdges(adapter, other), own) : own;
}

bool Meet(const _3dPoint& a1, const _3dPoint& a2, const _3dPoint& b1, const _3dPoint& b2, _3dPoint& out) {
  return g_VekGeometryComm.IntersectLinesByPoints3d(a1, a2, b1, b2, out, 0.1);
}

}  // namespace

// ---------------------------------------------------------------------------
// Joint zone builders

void BuildJointZone(const ReinDesignOptions& options, const BoardPtr& board, int edgeIndex,
                    const ReinTrendAdapter& adapter, bool face) {
  JointStart s;
  if (!StartJoint(board, edgeIndex, adapter, face, s)) return;
  const BoardPtr& other = s.partner.board;
  const int otherEdge = s.partner.edgeIndex;
  const bool otherFace = s.partnerFace;

  // Extension along each board: the zone extension where the board's edge
  // bars govern, else the joint length less the face's cover.
  auto extension = [&](const BoardPtr& x, int ex, bool fx) {
    if (adapter.IsStrongerRein(BoardEdgeRef(x, ex), fx)) return GetZoneExtension(options, x, ex, adapter);
    const bool horizontal = !(FaceNormal(*x, fx, 0.001).GetAngleTo(_3dVector(0, 0, 1)) < g_Pi / 4);
    return SettingLength(options, x, ex, fx, horizontal) - GetConcreteCover(options, x, fx);
  };
  const _3dVector uT = EdgeDirection(board, edgeIndex, 0.001) * extension(board, edgeIndex, face);
  const _3dVector uO = EdgeDirection(other, otherEdge, 0.001) * extension(other, otherEdge, otherFace);

  _3dPoint c1, c2;
  if (!GetJointCornerPoint(options, board, edgeIndex, adapter, face, c1) ||
      !GetJointCornerPoint(options, other, otherEdge, adapter, otherFace, c2))
    return;
  // The bar layer of each board's other face, with that face's own offset
  // and cover (eccentric boards and unequal covers come out right).
  const _3dPoint p = s.mid - FaceNormal(*board, face, 0.001) *
                                 (FaceOffset(*board, !face) - GetConcreteCover(options, board, !face));
  const _3dPoint po = s.mid - FaceNormal(*other, otherFace, 0.001) *
                                  (FaceOffset(*other, !otherFace) - GetConcreteCover(options, other, !otherFace));
  const _3dPoint a1 = c1 + uT, a2 = c2 + uO, a3 = p + uT, a4 = po + uO;
  _3dPoint i1, i2, i3;
  if (!Meet(a3, p, a2, c2, i1) || !Meet(a3, p, a4, po, i2) || !Meet(a1, c1, a4, po, i3)) return;

  const ReinZonePtr zone = NewJointZone(options, board, edgeIndex, face, EdgeBars(board, edgeIndex, face),
                                        EdgeBars(other, otherEdge, otherFace));
  zone->SetTemplatePolyline(Polyline({a1, i3, i2, i1, a2}));
  zone->SetDistributionLine(ClearOfFreeEdges(options, adapter, board, other, EdgeLineMoved(board, edgeIndex, i2 - s.mid)));
  TakeLayerFlag(*zone, board, face, uT);
  RegisterJointZone(zone, board, edgeIndex, face, s.partner, otherFace,
                    adapter.IsStrongerRein(BoardEdgeRef(other, otherEdge), otherFace));
}

void BuildCornerJointZone(const ReinDesignOptions& options, const BoardPtr& board, int edgeIndex,
                          const ReinTrendAdapter& adapter, bool face) {
  JointStart s;
  if (!StartJoint(board, edgeIndex, adapter, face, s)) return;
  const BoardPtr& other = s.partner.board;
  const int otherEdge = s.partner.edgeIndex;
  const bool otherFace = s.partnerFace;

  const _3dVector dT = EdgeDirection(board, edgeIndex, 0.001);
  const _3dVector dO = EdgeDirection(other, otherEdge, 0.001);
  const bool inPlane = g_VekGeometryComm.Equal(dT.GetAngleTo(dO), g_Pi, 1e-4);
  // Extension along each board: the zone extension where its edge bars
  // govern; into a board in the same plane the anchorage length; round a
  // corner the joint length, less the part of it that runs across the board's
  // thickness to the bend when it reaches that far.
  auto extension = [&](const BoardPtr& x, int ex, bool fx) {
    if (adapter.IsStrongerRein(BoardEdgeRef(x, ex), fx)) return GetZoneExtension(options, x, ex, adapter);
    if (inPlane) return GetAnchorageLength(options, x, fx, ex);
    const bool horizontal = !(EdgeDirection(x, ex, 0.001).GetAngleTo(_3dVector(0, 0, 1)) < g_Pi / 4);
    const double length = SettingLength(options, x, ex, fx, horizontal);
    const double across = x->GetThickness() - GetConcreteCover(options, x, fx);
    return g_VekGeometryComm.Lessthan(length, across, 1e-4) ? length : length - across;
  };
  const _3dVector uT = dT * extension(board, edgeIndex, face);
  const _3dVector uO = dO * extension(other, otherEdge, otherFace);

  _3dPoint c1, c2;
  if (!GetJointCornerPoint(options, board, edgeIndex, adapter, face, c1) ||
      !GetJointCornerPoint(options, other, otherEdge, adapter, otherFace, c2))
    return;
  const _3dPoint q1 = c1 + uT, q2 = c2 + uO;
  std::vector<_3dPoint> shape;
  if (inPlane) {
    if (g_VekGeometryComm.Equal(other->GetThickness(), board->GetThickness(), 1e-4))
      shape = {q1, q2};
    else
      shape = {q1, c1, c2, q2};  // cranked across the change of thickness
  } else {
    _3dPoint bend;
    if (!Meet(q1, c1, q2, c2, bend)) return;
    shape = {q1, bend, q2};
  }

  const ReinZonePtr zone = NewJointZone(options, board, edgeIndex, face, EdgeBars(board, edgeIndex, face),
                                        EdgeBars(other, otherEdge, otherFace));
  zone->SetTemplatePolyline(Polyline(shape));
  zone->SetDistributionLine(ClearOfFreeEdges(options, adapter, board, other, EdgeLineMoved(board, edgeIndex, c1 - s.mid)));
  TakeLayerFlag(*zone, board, face, uT);
  RegisterJointZone(zone, board, edgeIndex, face, s.partner, otherFace,
                    adapter.IsStrongerRein(BoardEdgeRef(other, otherEdge), otherFace));
}

// ---------------------------------------------------------------------------
// The joint step

namespace {

// A face pass builds nothing where the edge already holds a zone of the face
// or its support bars do not outweigh the face bars crossing it.
bool FaceNeedsJointZone(const BoardPtr& board, int edgeIndex, const ReinTrendAdapter& adapter, bool face) {
  return EdgeZones(board, edgeIndex, face).empty() && adapter.IsStrongerRein(BoardEdgeRef(board, edgeIndex), face);
}

}  // namespace

void BuildJointZoneOneNeighbour(const ReinDesignOptions& options, const BoardPtr& board, int edgeIndex,
                                const ReinTrendAdapter& adapter) {
  if (!ValidEdge(board, edgeIndex)) return;
  const BoardEdgeRef ref(board, edgeIndex);
  for (bool face : {true, false}) {
    if (!FaceNeedsJointZone(board, edgeIndex, adapter, face)) continue;
    BoardEdgeRef neighbour;
    adapter.GetSinglePartner(ref, neighbour);
    const double angle =
        adapter.GetEdgeAngle(board, board->GetEdges()[static_cast<std::size_t>(edgeIndex)], neighbour.board);
    if (g_VekGeometryComm.Equal(angle, g_Pi, 1e-4) || adapter.IsPartnerAgainstFace(ref, face))
      BuildCornerJointZone(options, board, edgeIndex, adapter, face);
    else
      BuildJointZone(options, board, edgeIndex, adapter, face);
  }
}

void BuildJointZoneSeveral(const ReinDesignOptions& options, const BoardPtr& board, int edgeIndex,
                           const ReinTrendAdapter& adapter) {
  if (!ValidEdge(board, edgeIndex)) return;
  BoardEdgeRef single;
  const bool hasSingle = adapter.GetSinglePartner(BoardEdgeRef(board, edgeIndex), single);
  for (bool face : {true, false}) {
    if (!FaceNeedsJointZone(board, edgeIndex, adapter, face)) continue;
    if (hasSingle)
      BuildCornerJointZone(options, board, edgeIndex, adapter, face);
    else
      BuildJointZoneBetween(options, board, edgeIndex, adapter, face);
  }
}

void BuildJointZoneBetween(const ReinDesignOptions& options, const BoardPtr& board, int edgeIndex,
                           const ReinTrendAdapter& adapter, bool face) {
  if (!ValidEdge(board, edgeIndex)) return;
  // A: the edge the board's bars continue into; C: the edge A's continue into.
  BoardEdgeRef a, c;
  bool sideA = face, sideC = face;
  if (!adapter.GetReinTrend(BoardEdgeRef(board, edgeIndex), face, a, sideA) || !ValidEdge(a.board, a.edgeIndex))
    return;
  if (!adapter.GetReinTrend(BoardEdgeRef(a.board, a.edgeIndex), sideA, c, sideC) || !ValidEdge(c.board, c.edgeIndex))
    return;

  const _3dVector dA = EdgeDirection(a.board, a.edgeIndex, 0.01);
  const _3dVector dC = EdgeDirection(c.board, c.edgeIndex, 0.01);
  const _3dVector dB = EdgeDirection(board, edgeIndex, 0.01);
  const double ac = dA.GetAngleTo(dC);
  // The board lies between A and C only when A and C do not continue in one
  // plane and the angle from A to C passes the board.
  if (g_VekGeometryComm.Equal(ac, g_Pi, 1e-4) || !g_VekGeometryComm.Equal(ac, dC.GetAngleTo(dB) + dA.GetAngleTo(dB), 1e-4)) {
    BuildCornerJointZone(options, board, edgeIndex, adapter, face);
    return;
  }

  const _3dPoint mid = EdgeMidPoint(board, edgeIndex);
  const _3dVector nC = FaceNormal(*c.board, sideC, 0.001);
  const bool horizontal = !(nC.GetAngleTo(_3dVector(0, 0, 1)) < g_Pi / 4);
  auto extension = [&](const BoardPtr& x, int ex, bool fx, bool& governs) {
    governs = adapter.IsStrongerRein(BoardEdgeRef(x, ex), fx);
    if (governs) return GetZoneExtension(options, x, ex, adapter);
    return SettingLength(options, x, ex, fx, horizontal) - GetConcreteCover(options, x, fx);
  };
  bool boardGoverns = false, aGoverns = false;
  const double extB = extension(board, edgeIndex, face, boardGoverns);
  const double extA = extension(a.board, a.edgeIndex, sideA, aGoverns);

  // The middle leg lies in C's bar layer on side sC, with that face's own
  // offset and cover.
  const _3dVector toLayer = nC * (FaceOffset(*c.board, sideC) - GetConcreteCover(options, c.board, sideC));
  const _3dPoint m1 = mid + toLayer, m2 = m1 + dC;
  _3dPoint cornerB, cornerA;
  if (!GetJointCornerPoint(options, board, edgeIndex, adapter, face, cornerB) ||
      !GetJointCornerPoint(options, a.board, a.edgeIndex, adapter, sideA, cornerA))
    return;
  const _3dPoint endB = cornerB + EdgeDirection(board, edgeIndex, 0.001) * extB;
  const _3dPoint endA = cornerA + EdgeDirection(a.board, a.edgeIndex, 0.001) * extA;
  _3dPoint bendB, bendA;
  if (!Meet(endB, cornerB, m1, m2, bendB) || !Meet(endA, cornerA, m1, m2, bendA)) return;

  const ReinZonePtr zone = NewJointZone(options, board, edgeIndex, face, EdgeBars(board, edgeIndex, face),
                                        EdgeBars(a.board, a.edgeIndex, sideA));
  zone->SetTemplatePolyline(Polyline({endB, bendB, bendA, endA}));
  const _3dLine line = board->GetEdgeLine(edgeIndex);
  zone->SetDistributionLine(ClearOfFreeEdges(options, adapter, board, a.board, line));
  TakeLayerFlag(*zone, board, face, line.GetEndPoint() - line.GetStartPoint());
  RegisterJointZone(zone, board, edgeIndex, face, a, sideA, aGoverns);
}

void LayoutJointZones(Tank& tank, const ReinDesignOptions& options, const ReinTrendAdapter& adapter) {
  for (const StructureComponentPtr& component : tank.GetComponents()) {
    if (!component || typeid(*component) != typeid(Board)) continue;
    const BoardPtr board = boost::static_pointer_cast<Board>(component);
    if (tank.IsDesignExcluded(board)) continue;
    for (int i = 0; i < static_cast<int>(board->GetEdges().size()); ++i) {
      const int neighbours = adapter.CountTrendRefs(BoardEdgeRef(board, i));
      if (neighbours == 1)
        BuildJointZoneOneNeighbour(options, board, i, adapter);
      else if (neighbours >= 2)
        BuildJointZoneSeveral(options, board, i, adapter);
    }
  }
}

void ReinDesigner::BuildJointZones(Tank& tank, const ReinDesignOptions& options, const ReinTrendAdapter& adapter,
                                   int) const {
  // The joint zones are laid only when the load settings' design switch is off.
  if (options.m_pSettings && options.m_pSettings->GetLoadSettings().GetDesignSwitch()) return;
  LayoutJointZones(tank, options, adapter);
  TagEdgeZones(tank);
}

// ---------------------------------------------------------------------------
// Bar rows

void GetHoleOutlines(const BoardPtr& board, std::vector<boost::shared_ptr<Entity>>& outlines) {
  if (!board) return;
  for (const HolePtr& hole : board->GetHoles()) {
    if (!hole) continue;
    if (typeid(*hole) == typeid(RectangleHole)) {
      std::vector<_3dPoint> corners;
      for (const _2dPoint& p : static_cast<const RectangleHole&>(*hole).GetCorners())
        corners.emplace_back(p.x, p.y, 0.0);
      outlines.push_back(boost::make_shared<_2dPolyline>(corners, true));
    } else if (typeid(*hole) == typeid(CircleHole)) {
      const auto& circle = static_cast<const CircleHole&>(*hole);
      outlines.push_back(
          boost::make_shared<_3dCircle>(_3dPoint(circle.GetCenter().x, circle.GetCenter().y, 0.0), circle.GetRadius()));
    }
  }
}

void BuildBarLinePoints(std::vector<_3dPoint>& points, const ReinDesignOptions& options, const BoardPtr& board,
                        const BarEndRecord& start, const BarEndRecord& end,
                        const std::vector<boost::shared_ptr<Entity>>& outlines, const ReinTrendAdapter&, bool face,
                        bool xBars) {
  if (!board) return;
  std::vector<_3dPoint> found = GetBarCrossingPoints(options, board, start.point, end.point, &face, &xBars, outlines);
  // The points in order along the line from its start (they all lie on it;
  // the crossings' sort by coordinates would let rounding decide).
  const _3dPoint s = board->LocalToWorld(_2dPoint(start.point.x, start.point.y));
  const _3dVector along = board->LocalToWorld(_2dPoint(end.point.x, end.point.y)) - s;
  auto position = [&](const _3dPoint& p) {
    const _3dVector d = p - s;
    return d.x * along.x + d.y * along.y + d.z * along.z;
  };
  std::stable_sort(found.begin(), found.end(),
                   [&](const _3dPoint& a, const _3dPoint& b) { return position(a) < position(b); });
  points.insert(points.end(), found.begin(), found.end());
}

namespace {

// A bar through the points; a point repeated by an end treatment (an end
// that starts at its own edge point) gives no segment of no length.
ReinPtr Bar(const std::vector<_3dPoint>& points) {
  std::vector<_3dPoint> kept;
  for (const _3dPoint& p : points)
    if (kept.empty() || (p - kept.back()).GetLength() > 1e-6) kept.push_back(p);
  auto bar = boost::make_shared<Rein>();
  bar->SetPolyline(Polyline(kept));
  return bar;
}

// The bars of line points cut at openings: with end points at the start the
// first piece runs from where it meets the first opening through the end
// points, likewise at the end; the points left give two-point bars.
void CutAtOpenings(std::vector<_3dPoint> points, const std::vector<_3dPoint>& startPoints,
                   const std::vector<_3dPoint>& endPoints, std::vector<ReinPtr>& bars) {
  if (points.size() < 2) return;
  if (points.size() == 2) {
    if (!startPoints.empty()) {
      points.erase(points.begin());
      for (const _3dPoint& p : startPoints) points.insert(points.begin(), p);
    }
    if (!endPoints.empty()) {
      points.pop_back();
      points.insert(points.end(), endPoints.begin(), endPoints.end());
    }
    bars.push_back(Bar(points));
    return;
  }
  std::size_t first = 0, last = points.size();
  if (!startPoints.empty()) {
    std::vector<_3dPoint> piece{points[1]};
    piece.insert(piece.end(), startPoints.begin(), startPoints.end());
    bars.push_back(Bar(piece));
    first = 2;
  }
  if (!endPoints.empty() && last >= first + 2) {
    std::vector<_3dPoint> piece{points[last - 2]};
    piece.insert(piece.end(), endPoints.begin(), endPoints.end());
    bars.push_back(Bar(piece));
    last -= 2;
  }
  for (std::size_t k = first; k + 1 < last; k += 2) bars.push_back(Bar({points[k], points[k + 1]}));
}

}  // namespace

void LayoutBarRow(const ReinDesignOptions& options, const BoardPtr& board, const BarEndRecord& start,
                  const BarEndRecord& end, const std::vector<boost::shared_ptr<Entity>>& outlines,
                  const ReinTrendAdapter& adapter, bool face, bool xBars, std::vector<ReinPtr>& bars) {
  std::vector<_3dPoint> points;
  BuildBarLinePoints(points, options, board, start, end, outlines, adapter, face, xBars);
  std::vector<_3dPoint> startPoints, endPoints;
  TreatBarEndAtEdge(options, board, start, end, startPoints, adapter, face, xBars);
  TreatBarEndAtEdge(options, board, end, start, endPoints, adapter, face, xBars);
  CutAtOpenings(points, startPoints, endPoints, bars);
}

void LayoutExtendedBarRow(const ReinDesignOptions& options, const BoardPtr& board, const BarEndRecord& start,
                          const BarEndRecord& end, const std::vector<boost::shared_ptr<Entity>>& outlines,
                          const ReinTrendAdapter& adapter, bool face, bool xBars, double extension,
                          std::vector<ReinPtr>& bars) {
  if (!board) return;
  // The bar starts at the end whose edge's single partner is a bottom slab
  // (the wall bars reaching down into it), else at the other end.
  bool fromStart = false;
  if (start.board && adapter.CountTrendRefs(BoardEdgeRef(start.board, start.edgeIndex)) > 0) {
    BoardEdgeRef single;
    adapter.GetSinglePartner(BoardEdgeRef(start.board, start.edgeIndex), single);
    fromStart = single.board && single.board->GetKind() == 1;
  }
  const BarEndRecord& from = fromStart ? start : end;
  const BarEndRecord& toward = fromStart ? end : start;
  _3dVector d(toward.point.x - from.point.x, toward.point.y - from.point.y, 0.0);
  d.Normalize(0.01);
  BarEndRecord far{from.point + d * extension, from.board ? from.board : board, -1};

  std::vector<_3dPoint> points;
  BuildBarLinePoints(points, options, board, from, far, outlines, adapter, face, xBars);
  std::vector<_3dPoint> startPoints;
  TreatBarEndAtEdge(options, board, from, far, startPoints, adapter, face, xBars);
  CutAtOpenings(points, startPoints, {}, bars);
}

std::vector<ReinPtr> LayoutBarRowsWithHoles(bool withoutOpenings, ProjectSettings& settings,
                                            ReinTrendAdapter adapter, const BoardPtr& board, const ReinZonePtr& zone,
                                            bool face, bool xBars, int diameter, int spacing, bool lastLineOnly) {
  std::vector<ReinPtr> bars;
  if (!board) return bars;
  ReinDesignOptions options;
  options.SetSettings(&settings);
  std::vector<_2dPoint> outline;
  board->GetLocalOutline(outline);
  std::vector<boost::shared_ptr<Entity>> outlines;
  GetHoleOutlines(board, outlines);
  if (withoutOpenings) outlines.clear();

  const double a = board->GetReinAngle();
  _3dVector dir(std::cos(a), std::sin(a), 0.0);
  if (!xBars) dir = g_GeomAlgorithm.RotateVector(dir, g_Pi / 2, _3dVector(0, 0, 1));
  dir.Normalize(0.01);
  const _2dVector direction(dir.x, dir.y);
  std::vector<_2dLine> lines;
  const bool sortByY = std::abs(direction.y) > std::abs(direction.x);
  LayoutBarLines(outline, spacing, direction, lines, &sortByY, lastLineOnly);
  if (lastLineOnly && lines.size() > 1) lines.erase(lines.begin(), lines.end() - 1);

  auto edgeOf = [&board](const _2dPoint& p) {
    const std::vector<BoardEdge>& edges = board->GetEdges();
    for (std::size_t i = 0; i < edges.size(); ++i)
      if (g_VekGeometryComm.IsPointOnLine(edges[i].GetLine(), p, 0.01)) return static_cast<int>(i);
    return -1;
  };
  for (const _2dLine& line : lines) {
    const _2dPoint s = line.GetStartPoint(), e = line.GetEndPoint();
    const BarEndRecord start{_3dPoint(s.x, s.y, 0.0), board, edgeOf(s)};
    const BarEndRecord end{_3dPoint(e.x, e.y, 0.0), board, edgeOf(e)};
    LayoutBarRow(options, board, start, end, outlines, adapter, face, xBars, bars);
  }
  for (const ReinPtr& bar : bars) {
    bar->SetDiameter(diameter);
    if (zone) bar->SetGrade(zone->GetGrade());
  }
  if (!lastLineOnly && zone) zone->SetReins(bars);
  return bars;
}
