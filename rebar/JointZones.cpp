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

namespace {

// The corners of a closed polyline outline (its vertices, in order).
std::vector<_2dPoint> CornersOf(const _2dPolyline& polyline) {
  std::vector<_2dPoint> corners;
  for (int i = 0; i < polyline.VerNums(); ++i) {
    const _3dPoint v = polyline.GetVertexAt(i);
    corners.emplace_back(v.x, v.y);
  }
  return corners;
}

// The stretches [t0, t1] of the line a→b (a at 0, b at 1) clear of every
// opening by the cover: a bar cut at an opening stops one cover before it,
// and a bar passing an opening closer than the cover is cut as the bars
// crossing it are.  Pieces of a millimetre or less are dropped.
std::vector<std::pair<double, double>> PiecesClearOfOpenings(const _2dPoint& a, const _2dPoint& b,
                                                             const std::vector<boost::shared_ptr<Entity>>& outlines,
                                                             double cover) {
  const double length = (b - a).GetLength();
  if (length <= 0) return {};
  std::vector<std::pair<double, double>> gaps;
  for (const boost::shared_ptr<Entity>& outline : outlines) {
    if (!outline) continue;
    double t0 = 0, t1 = 0;
    bool gap = false;
    if (const auto* circle = dynamic_cast<const _3dCircle*>(outline.get()))
      gap = CircleOpeningGap(_2dPoint(circle->GetCenter().x, circle->GetCenter().y), circle->GetRadius(), cover, a, b,
                             t0, t1);
    else if (const auto* polyline = dynamic_cast<const _2dPolyline*>(outline.get()))
      gap = OpeningGap(CornersOf(*polyline), cover, a, b, t0, t1);
    if (gap) gaps.emplace_back(t0, t1);
  }
  return PiecesBetweenGaps(gaps, 1.0 / length);
}

// The board's own bar layer of the face: the face's offset less its cover,
// each end finished at the board's edge.
BarRowLayer OwnLayer(const ReinDesignOptions& options, const BoardPtr& board, const ReinTrendAdapter& adapter,
                     bool face, bool xBars) {
  BarRowLayer layer;
  layer.cover = GetConcreteCover(options, board, face);
  layer.level = (face ? board->GetUpperOffset() : board->GetLowerOffset()) - layer.cover;
  layer.treat = [&options, board, &adapter, face, xBars](const BarEndRecord& end, const BarEndRecord& other) {
    std::vector<_3dPoint> points;
    TreatBarEndAtEdge(options, board, end, other, points, adapter, face, xBars);
    return points;
  };
  return layer;
}

// A board-local point of the line on the row's bar layer.
_3dPoint OnRowLayer(const Board& board, const BarRowLayer& layer, bool face, const _2dPoint& p) {
  return board.LocalToWorld(p) + board.GetNormal() * (face ? layer.level : -layer.level);
}

// A bar through the points.
ReinPtr Bar(const std::vector<_3dPoint>& points) {
  auto bar = boost::make_shared<Rein>();
  _2dPolyline polyline;
  for (const _3dPoint& p : points) polyline.AppendVertex(p);
  bar->SetPolyline(polyline);
  return bar;
}

// The bars of the line from `start` to `end` (board-local) cut at the
// openings; the piece at the line's start takes the start points in place of
// its first point, the piece at its end the end points in place of its last.
// Appended in the order: the piece at the start, the piece at the end, then
// the pieces between.
void LayRowPieces(const Board& board, const BarRowLayer& layer, bool face, const _2dPoint& start,
                  const _2dPoint& end, const std::vector<boost::shared_ptr<Entity>>& outlines,
                  const std::vector<_3dPoint>& startPoints, const std::vector<_3dPoint>& endPoints,
                  std::vector<ReinPtr>& bars) {
  const _2dVector d = end - start;
  std::vector<ReinPtr> row;
  for (const auto& [a, b] : PiecesClearOfOpenings(start, end, outlines, layer.cover)) {
    const bool atStart = a <= 0.0, atEnd = b >= 1.0;
    const std::vector<_3dPoint> line = {OnRowLayer(board, layer, face, start + d * a),
                                        OnRowLayer(board, layer, face, start + d * b)};
    std::vector<_3dPoint> points =
        JoinBarEnds(line, atStart ? startPoints : std::vector<_3dPoint>(), atEnd ? endPoints : std::vector<_3dPoint>());
    // The piece an opening cuts off at the start runs from the opening back
    // to the start.
    if (atStart && !atEnd) std::reverse(points.begin(), points.end());
    if (points.size() >= 2) row.push_back(Bar(points));
  }
  if (row.size() > 2) std::rotate(row.begin() + 1, row.end() - 1, row.end());
  bars.insert(bars.end(), row.begin(), row.end());
}

_2dPoint Flat(const _3dPoint& p) { return _2dPoint(p.x, p.y); }

// The points the row's layer gives an end; none without an end treatment.
std::vector<_3dPoint> Treat(const BarRowLayer& layer, const BarEndRecord& end, const BarEndRecord& other) {
  return layer.treat ? layer.treat(end, other) : std::vector<_3dPoint>();
}

}  // namespace

void BuildBarLinePoints(std::vector<_3dPoint>& points, const ReinDesignOptions& options, const BoardPtr& board,
                        const BarEndRecord& start, const BarEndRecord& end,
                        const std::vector<boost::shared_ptr<Entity>>& outlines, const ReinTrendAdapter& adapter,
                        bool face, bool xBars) {
  if (!board) return;
  const BarRowLayer layer = OwnLayer(options, board, adapter, face, xBars);
  const _2dPoint s = Flat(start.point), e = Flat(end.point);
  const _2dVector d = e - s;
  for (const auto& [a, b] : PiecesClearOfOpenings(s, e, outlines, layer.cover)) {
    points.push_back(OnRowLayer(*board, layer, face, s + d * a));
    points.push_back(OnRowLayer(*board, layer, face, s + d * b));
  }
}

void LayoutBarRow(const ReinDesignOptions& options, const BoardPtr& board, const BarEndRecord& start,
                  const BarEndRecord& end, const std::vector<boost::shared_ptr<Entity>>& outlines,
                  const ReinTrendAdapter& adapter, bool face, bool xBars, std::vector<ReinPtr>& bars,
                  const BarRowLayer* layer) {
  if (!board || (Flat(end.point) - Flat(start.point)).GetLength() <= 0) return;
  const BarRowLayer own = layer ? BarRowLayer() : OwnLayer(options, board, adapter, face, xBars);
  const BarRowLayer& row = layer ? *layer : own;
  LayRowPieces(*board, row, face, Flat(start.point), Flat(end.point), outlines, Treat(row, start, end),
               Treat(row, end, start), bars);
}

void LayoutExtendedBarRow(const ReinDesignOptions& options, const BoardPtr& board, const BarEndRecord& start,
                          const BarEndRecord& end, const std::vector<boost::shared_ptr<Entity>>& outlines,
                          const ReinTrendAdapter& adapter, bool face, bool xBars, double extension,
                          std::vector<ReinPtr>& bars, const BarRowLayer* layer) {
  if (!board) return;
  // The bar starts at the end standing on a bottom slab (the wall bars
  // reaching down into it), else at the other end.  The slab may be one of
  // several partners of the edge (slabs meeting under the wall) or the board
  // the edge rests on inside its outline: the extra bars belong at the foot
  // either way.
  bool fromStart = false;
  if (start.board && start.edgeIndex >= 0) {
    const BoardEdgeRef ref(start.board, start.edgeIndex);
    ReinTrendAdapter::RefList partners;
    adapter.GetTrendRefs(ref, partners);
    BoardEdgeRef abutted;
    bool side = false;
    if (adapter.GetAbutment(ref, abutted, side)) partners.push_back(abutted);
    fromStart = std::any_of(partners.begin(), partners.end(),
                            [](const BoardEdgeRef& p) { return p.board && p.board->GetKind() == 1; });
  }
  const BarEndRecord& from = fromStart ? start : end;
  const BarEndRecord& toward = fromStart ? end : start;
  const _2dVector d = Flat(toward.point) - Flat(from.point);
  const double length = d.GetLength();
  if (length <= 0) return;
  // An extension reaching the line's other end would carry the bar out of
  // the board: the bar is then an ordinary one over the whole line.
  if (extension >= length) {
    LayoutBarRow(options, board, start, end, outlines, adapter, face, xBars, bars, layer);
    return;
  }
  const double t = extension / length;
  const BarEndRecord far{_3dPoint(from.point.x + d.x * t, from.point.y + d.y * t, 0.0), from.board ? from.board : board,
                         -1};
  const BarRowLayer own = layer ? BarRowLayer() : OwnLayer(options, board, adapter, face, xBars);
  const BarRowLayer& row = layer ? *layer : own;
  LayRowPieces(*board, row, face, Flat(from.point), Flat(far.point), outlines, Treat(row, from, far), {}, bars);
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
