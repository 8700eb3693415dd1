// Haunch zones of joints and overhang zones of bottom-slab edges.
#include "rebar/HaunchZones.h"

#include "platform/Zarvel.h"
#include "rebar/DetailingRules.h"
#include "rebar/ReinDesigner.h"
#include "rebar/ZoneBars.h"
#include "rebar/ZoneGeometry.h"

#include <boost/make_shared.hpp>

#include <algorithm>
#include <cmath>
#include <typeinfo>
#include <vector>

namespace {

bool IsPlainBoard(const BoardPtr& board) { return board && typeid(*board) == typeid(Board); }

double FaceOffset(const Board& board, bool upper) {
  return upper ? board.GetUpperOffset() : board.GetLowerOffset();
}

// The board's unit normal turned toward the given face.
_3dVector FaceNormal(const Board& board, bool upper) {
  _3dVector n = board.GetNormal();
  n.Normalize(0.01);
  if (!upper) n *= -1.0;
  return n;
}

// A usable haunch: a positive length and a slope strictly between 0 and 90°.
bool IsUsableHaunch(double length, double angle) {
  return length > 0.0 && angle > 0.0 && angle < g_Pi / 2 && std::isfinite(std::tan(angle));
}

// The legs of the bar line at cover depth under the sloped face of a haunch,
// measured from the other board's near face: legA along a, legB along b.  The
// wall carries the haunch length less the cover along the slope, the other
// board that divided by tan θ; of two walls the one with the larger joint
// measure carries the length.  `cover` is the cover of the wall's face under
// the haunch.  False when neither board is a wall or no bar fits under the
// sloped face.
bool HaunchLegs(int kindA, int kindB, double measureA, double measureB, double cover, double length, double angle,
                double& legA, double& legB) {
  if (!IsUsableHaunch(length, angle)) return false;
  const double carried = length - cover / std::cos(angle);
  if (!(carried > 0.0)) return false;
  const double other = carried / std::tan(angle);
  if (kindA == 0 && kindB == 0) {
    if (measureA > measureB) {
      legB = carried;
      legA = other;
    } else {
      legA = carried;
      legB = other;
    }
  } else if (kindA == 0) {
    legA = carried;
    legB = other;
  } else if (kindB == 0) {
    legB = carried;
    legA = other;
  } else {
    return false;
  }
  return true;
}

bool Intersect(const _3dPoint& a1, const _3dPoint& a2, const _3dPoint& b1, const _3dPoint& b2, double tol,
               _3dPoint& out) {
  return g_VekGeometryComm.IntersectLinesByPoints3d(a1, a2, b1, b2, out, tol);
}

_2dPolyline Template(const std::vector<_3dPoint>& points) {
  _2dPolyline line;
  for (const _3dPoint& p : points) line.AppendVertex(p, 0.0);
  return line;
}

// The stretch of the joint line the haunch bars are laid along: the joint
// line runs between the reference planes of the boards closing its ends (the
// slabs above and below two walls, the walls across the end of a wall on a
// slab), but the haunch only lies between their faces.  An end inside such a
// board, or in the cover under its face, moves out to one cover beyond the
// face turned toward the haunch, so that no haunch bar lies in that board's
// cover, level with its face.
_3dLine ClearOfClosingBoards(const Tank& tank, const ReinDesignOptions& options, const BoardPtr& a,
                             const BoardPtr& b, const _3dLine& line) {
  _3dPoint ends[2] = {line.GetStartPoint(), line.GetEndPoint()};
  _3dVector along = ends[1] - ends[0];
  if (!along.Normalize(0.001)) return line;
  for (int k = 0; k < 2; ++k) {
    // Along the line, away from this end.
    const _3dVector inward = k == 0 ? along : along * -1.0;
    double shift = 0.0;
    for (const BoardPtr& c : tank.GetBoards()) {
      if (!c || c == a || c == b) continue;
      _3dVector n = c->GetNormal();
      if (!n.Normalize(0.01)) continue;
      const double across = inward.DotProduct(n);
      if (std::fabs(across) < 0.99) continue;
      // The face of c turned toward the haunch, and the end's height over c's
      // reference plane measured toward that face.
      const bool upper = across > 0.0;
      const double h = (upper ? 1.0 : -1.0) * (ends[k] - c->GetOrigin()).DotProduct(n);
      const double face = FaceOffset(*c, upper), cover = GetConcreteCover(options, c, upper);
      if (!(h > -FaceOffset(*c, !upper) - 1.0 && h < face + cover - 1e-3)) continue;
      std::vector<_2dPoint> outline;
      c->GetLocalOutline(outline);
      if (g_VekGeometryComm.PointInPolygon2d(outline, c->WorldToLocal(ends[k]), 1.0) < 0) continue;
      shift = std::max(shift, (face + cover - h) / std::fabs(across));
    }
    ends[k] = ends[k] + inward * shift;
  }
  // Ends that would cross leave no room for a bar: the zone gets none.
  if ((ends[1] - ends[0]).DotProduct(along) <= 0.0) ends[1] = ends[0];
  return _3dLine(ends[0], ends[1]);
}

// The joint object of two boards, either order.
BoardJointPtr FindJoint(const ReinTrendAdapter& adapter, const BoardPtr& a, const BoardPtr& b) {
  for (const BoardJointRecord& r : adapter.GetJoints())
    if ((r.boardA == a && r.boardB == b) || (r.boardA == b && r.boardB == a)) return r.joint;
  return {};
}

}  // namespace

double GetHaunchAnchorageLength(const ReinDesignOptions& options, const Board& board, int diameter,
                                const std::string& grade) {
  const double alpha = (options.m_pSettings && options.m_pSettings->GetCalcSettings().IsRibbedBar()) ? 0.14 : 0.16;
  const double ft = GetConcreteTensileStrength(board.GetConcreteGrade());
  if (!(ft > 0.0) || diameter <= 0) return 0.0;
  return alpha * GetReinDesignStrength(grade) * diameter / ft;
}

void GetHaunchBarSets(const Board& board, int e, bool f, BarSet& edgeBars, BarSet& crossingBars) {
  edgeBars = BarSet{0, 0, ""};
  crossingBars = BarSet{0, 0, ""};
  if (e < 0 || e >= static_cast<int>(board.GetEdges().size())) return;
  const FaceValues& edge = board.GetEdges()[static_cast<std::size_t>(e)].GetFaceValues(f);
  edgeBars = BarSet{edge.diameter, edge.spacing, edge.grade};
  // An edge along the X bars is crossed by the Y bars.
  const FaceValues& face = board.GetFaceValues(f, IsEdgeAlongReinX(board, e) == 0);
  crossingBars = BarSet{face.diameter, face.spacing, face.grade};
}

void PickHaunchRein(const BoardPtr& a, int ea, bool fa, const BoardPtr& b, int eb, bool fb, ReinZone& zone) {
  if (!a || !b) return;
  BarSet s1{0, 0, ""}, s2{0, 0, ""}, s3{0, 0, ""}, s4{0, 0, ""};
  if (ea != -1) GetHaunchBarSets(*a, ea, fa, s1, s2);
  if (eb != -1) GetHaunchBarSets(*b, eb, fb, s3, s4);
  const double a1 = EquivalentArea(s1), a2 = EquivalentArea(s2), a3 = EquivalentArea(s3), a4 = EquivalentArea(s4);
  const bool wallA = a->GetKind() == 0, wallB = b->GetKind() == 0;
  const BarSet* chosen = nullptr;
  if (wallA && wallB) {
    chosen = &FirstStrongestSet(s1, a1, s2, a2, s3, a3, s4, a4);
  } else if (wallA) {
    chosen = a2 > a1 ? &s2 : &s1;
  } else if (wallB) {
    chosen = a4 > a3 ? &s4 : &s3;
  } else {
    return;
  }
  zone.SetGrade(chosen->grade);
  zone.SetSpacing(chosen->spacing);
  zone.SetDiameter(chosen->diameter);
}

bool BuildHaunchZoneGeometry(const ReinDesignOptions& options, const BoardPtr& a, bool fa, double legA,
                             const BoardPtr& b, bool fb, double legB, const _3dLine& jointLine, ReinZone& zone) {
  if (!a || !b) return false;
  PickHaunchRein(a, a->FindEdge(jointLine, 1), fa, b, b->FindEdge(jointLine, 0), fb, zone);

  const _3dPoint m = jointLine.GetMidPoint();
  // na points from a toward b's side (a's near face), nb from b toward a's.
  const _3dVector na = FaceNormal(*a, !fa);
  const _3dVector nb = FaceNormal(*b, !fb);
  const double nearA = FaceOffset(*a, !fa), nearB = FaceOffset(*b, !fb);

  // The bar line at cover depth under the sloped face: through the point
  // legA beyond b's near face on a's near face, and the point legB beyond a's
  // near face on b's near face.
  const _3dPoint p1 = m + nb * (nearB + legA) + na * nearA;
  const _3dPoint p2 = m + na * (nearA + legB) + nb * nearB;

  // The far bar layers, each along its board away from the joint.
  const _3dPoint qa = m - na * (FaceOffset(*a, fa) - GetConcreteCover(options, a, fa));
  const _3dPoint qb = m - nb * (FaceOffset(*b, fb) - GetConcreteCover(options, b, fb));
  _3dPoint x1, x2;
  if (!Intersect(qa, qa + nb * 100.0, p1, p2, 0.1, x1) || !Intersect(qb, qb + na * 100.0, p1, p2, 0.1, x2))
    return false;

  // Anchorage legs along both far layers, away from the joint.
  const double la = GetHaunchAnchorageLength(options, *a, zone.GetDiameter(), zone.GetGrade());
  std::vector<_3dPoint> points;
  if (la > 0.0) points.push_back(x1 + nb * la);
  points.push_back(x1);
  points.push_back(x2);
  if (la > 0.0) points.push_back(x2 + na * la);
  zone.SetTemplatePolyline(Template(points));
  zone.SetDistributionLine(jointLine);
  return true;
}

void BuildHaunchZone(const Tank& tank, const ReinDesignOptions& options, const BoardPtr& a, const BoardPtr& b,
                     const _3dLine& jointLine, const EarPtr& ear) {
  if (!a || !b || !ear) return;
  // The far face of each board: the face turned away from the other board.
  // A board crossed by the other has two: one zone for each.
  const bool spanA = tank.SpansBothSides(a, b);
  const bool spanB = tank.SpansBothSides(b, a);
  bool fa = false, fb = false;
  if (!spanA) fa = std::fabs(a->GetNormal().GetAngleTo(b->GetInwardDirection(jointLine))) > g_EqualTolerance;
  if (!spanB) fb = std::fabs(b->GetNormal().GetAngleTo(a->GetInwardDirection(jointLine))) > g_EqualTolerance;

  // The bars lie along the joint line, clear of the boards closing its ends
  // and one cover inside a free edge at an end (a wall's free top).
  _3dLine bars = ClearOfClosingBoards(tank, options, a, b, jointLine);
  bars = PullBackAtFreeEdges(options, a, GetFreeEdges(tank, a), bars);
  bars = PullBackAtFreeEdges(options, b, GetFreeEdges(tank, b), bars);
  const double measureA = a->GetJointMeasure(jointLine);
  const double measureB = b->GetJointMeasure(jointLine);
  auto make = [&](bool farA, bool farB) {
    // The cover under the sloped face is the cover of the wall's face that
    // the haunch stands on (a's, when both are walls).
    const double cover = a->GetKind() == 0 ? GetConcreteCover(options, a, !farA) : GetConcreteCover(options, b, !farB);
    double legA = 0.0, legB = 0.0;
    if (!HaunchLegs(a->GetKind(), b->GetKind(), measureA, measureB, cover, ear->GetLength(), ear->GetAngle(), legA,
                    legB))
      return;
    auto zone = boost::make_shared<ReinZone>();
    if (!BuildHaunchZoneGeometry(options, a, farA, legA, b, farB, legB, jointLine, *zone)) return;
    zone->SetDistributionLine(bars);
    ear->AddZone(zone);
  };
  make(fa, fb);
  if (spanA) make(!fa, fb);
  if (spanB) make(fa, !fb);
}

void BuildOverhangHaunchZone(const ReinDesignOptions& options, const ReinTrendAdapter& adapter, const BoardPtr& slab,
                             int edgeIndex, bool f) {
  if (!slab || edgeIndex < 0 || edgeIndex >= static_cast<int>(slab->GetEdges().size())) return;
  const BoardEdgeRef ref(slab, edgeIndex);

  // The board standing on the edge, perpendicular to the slab.
  BoardEdgeRef other;
  bool reported = false;
  if (adapter.HasTrendRefs(ref)) {
    if (!adapter.GetPartnerBehindFace(ref, f, other, reported)) return;
  } else if (!adapter.GetAbutment(ref, other, reported)) {
    return;
  }
  const BoardPtr wall = other.board;
  if (!wall || !wall->GetNormal().IsPerpendicularTo(slab->GetNormal())) return;
  if (wall->GetKind() != 0 && slab->GetKind() != 0) return;

  EarPtr ear;
  if (!GetJointOverhangEar(FindJoint(adapter, wall, slab), ear)) return;

  // An edge without an overhang has no overhang zone.
  double overhang = 0.0;
  if (!slab->GetEdges()[static_cast<std::size_t>(edgeIndex)].GetOverhang(overhang)) return;
  const double length = ear->GetLength(), angle = ear->GetAngle();
  if (!IsUsableHaunch(length, angle)) return;
  // A sloped face ending exactly at the overhang's end leaves no room for
  // the bar.
  if (g_VekGeometryComm.Equal(std::tan(angle) * overhang, length, 1e-4)) return;

  const _3dLine line = slab->GetEdgeLine(edgeIndex);
  const _3dPoint m = line.GetMidPoint();
  // Outward across the edge, toward the overhang; the wall's face on that
  // side carries the haunch.
  _3dVector out = slab->GetEdgeDirection(edgeIndex) * -1.0;
  if (!out.Normalize(0.01)) return;
  const bool wallFace = wall->GetNormal().DotProduct(out) > 0.0;
  const _3dVector dO = FaceNormal(*wall, wallFace);
  const _3dVector nS = FaceNormal(*slab, !f);

  // Legs: along the slab from the wall's haunch face, along the wall from the
  // slab's near face.
  double legS = 0.0, legO = 0.0;
  const double cover =
      wall->GetKind() == 0 ? GetConcreteCover(options, wall, wallFace) : GetConcreteCover(options, slab, !f);
  if (!HaunchLegs(slab->GetKind(), wall->GetKind(), slab->GetJointMeasure(line), wall->GetJointMeasure(line), cover,
                  length, angle, legS, legO))
    return;

  auto zone = boost::make_shared<ReinZone>();
  adapter.ApplyStrongestRein(slab, edgeIndex, f, *zone);
  // A zone without a bar set would carry no bars.
  if (zone->GetDiameter() <= 0 || zone->GetSpacing() <= 0) return;

  const double nearS = FaceOffset(*slab, !f), nearO = FaceOffset(*wall, wallFace);
  const _3dPoint p1 = m + dO * (nearO + legS) + nS * nearS;
  const _3dPoint p2 = m + nS * (nearS + legO) + dO * nearO;

  const double coverS = GetConcreteCover(options, slab, f);
  const double coverSNear = GetConcreteCover(options, slab, !f);
  const double coverO = GetConcreteCover(options, wall, !wallFace);
  // The slab's far bar layer, ending one cover inside the overhang's end; the
  // end leg runs up from there through the thickness to the near bar layer.
  const _3dPoint b0 = m - nS * (FaceOffset(*slab, f) - coverS);
  const _3dPoint w = b0 + dO * (nearO + overhang - coverS);
  const _3dPoint w2 = w + nS * (slab->GetThickness() - coverS - coverSNear);
  // The wall's far bar layer.
  const _3dPoint v = m - dO * (FaceOffset(*wall, !wallFace) - coverO);

  _3dPoint y2;
  if (!Intersect(v, v + nS * 100.0, p1, p2, 0.1, y2)) return;
  // The sloped bar starts on the end line when it reaches the overhang's end
  // before the slab's far layer (at or above that layer's end).
  _3dPoint x;
  const bool onEnd = Intersect(w, w2, p1, p2, 0.01, x) && (x - w).DotProduct(nS) >= -0.01;

  const double la = GetHaunchAnchorageLength(options, *slab, zone->GetDiameter(), zone->GetGrade());
  std::vector<_3dPoint> points;
  if (onEnd) {
    points = {x, y2};
  } else {
    _3dPoint y1;
    if (!Intersect(b0, w, p1, p2, 0.1, y1)) return;
    // The anchorage leg runs along the far layer toward the overhang's end;
    // what the overhang cannot hold turns up the end, as far as the near
    // bar layer.
    const double room = (w - y1).DotProduct(dO);
    if (la <= 0.0) {
      points = {y1, y2};
    } else if (la <= room) {
      points = {y1 + dO * la, y1, y2};
    } else {
      const double up = std::min(la - std::max(room, 0.0), (w2 - w).DotProduct(nS));
      if (up > g_LengthTolerance) points.push_back(w + nS * up);
      if (room > g_LengthTolerance) points.push_back(w);
      points.push_back(y1);
      points.push_back(y2);
    }
  }
  if (la > 0.0) points.push_back(y2 + nS * la);
  zone->SetTemplatePolyline(Template(points));
  zone->SetDistributionLine(line);
  ear->AddZone(zone);
}

void ReinDesigner::BuildHaunchZones(Tank& tank, const ReinDesignOptions& options) const {
  std::vector<BoardPtr> firsts, seconds;
  std::vector<BoardJointPtr> joints;
  tank.GetJoints(firsts, seconds, joints);
  for (std::size_t i = 0; i < joints.size() && i < firsts.size() && i < seconds.size(); ++i) {
    if (!IsPlainBoard(firsts[i]) || !IsPlainBoard(seconds[i])) continue;
    EarPtr ear;
    if (!GetJointEar(joints[i], ear)) continue;
    BuildHaunchZone(tank, options, firsts[i], seconds[i], GetJointLineRecord(joints[i]).GetLine(), ear);
  }
  FinishHaunchZones(tank);
}

void ReinDesigner::BuildOverhangZones(Tank& tank, const ReinDesignOptions& options,
                                      const ReinTrendAdapter& adapter) const {
  for (const BoardPtr& board : DesignBoards(tank)) {
    if (board->GetKind() != 1) continue;
    for (int i = 0; i < static_cast<int>(board->GetEdges().size()); ++i) {
      BuildOverhangHaunchZone(options, adapter, board, i, true);
      BuildOverhangHaunchZone(options, adapter, board, i, false);
    }
  }
  FinishOverhangZones(tank);
}
