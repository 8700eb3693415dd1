// The window of a wall section: cut lines where the drawing reaches beyond
// it, pushed outward past what crosses them, the drawing clipped there and
// break lines along them.
#include "views/WallSectionView.h"

#include <algorithm>
#include <cmath>
#include <typeinfo>

namespace {

constexpr double kTol = 1e-4;
constexpr int kKindBreakLine = 0x8000000;

const VekGeometryComm& G() { return g_VekGeometryComm; }

// The cut line moved by v.
void MoveCut(_2dLine& cut, const _2dVector& v) { cut.Move(_3dVector(v.x, v.y, 0.0)); }

}  // namespace

_2dPoint GetOtherLineEnd(const _2dPoint& point, const _2dLine& line) {
  return line.GetStartPoint() == point ? line.GetEndPoint() : line.GetStartPoint();
}

bool ChainReachesOuterEnd(_2dPoint start, int side, std::vector<boost::shared_ptr<_2dLine>> lines) {
  if (lines.empty()) return false;
  std::vector<_2dPoint> points;
  for (const auto& l : lines)
    if (l) {
      points.push_back(l->GetStartPoint());
      points.push_back(l->GetEndPoint());
    }
  if (points.empty()) return false;
  std::stable_sort(points.begin(), points.end(), [](const _2dPoint& a, const _2dPoint& b) { return a.x < b.x; });
  const _2dPoint target = side == 1 ? points.back() : points.front();
  _2dPoint current = start;
  while (current != target) {
    const auto it = std::find_if(lines.begin(), lines.end(), EndPointPredicate(current));
    if (it == lines.end()) break;
    const _2dPoint next = GetOtherLineEnd(current, **it);
    if (side == 1 ? G().Lessthan(next.x, current.x, kTol) : !G().Lessthan_Or_Equal(next.x, current.x, kTol)) break;
    current = next;
    lines.erase(it);
  }
  return current == target;
}

void PushCutBeyondLines(const std::vector<_2dLine>& lines, int side, _2dLine& cut) {
  if (lines.empty()) return;
  _2dPoint p = lines.front().GetStartPoint();
  for (const _2dLine& l : lines)
    for (const _2dPoint& q : {l.GetStartPoint(), l.GetEndPoint()})
      if (side == 1 ? q.x > p.x : q.x < p.x) p = q;
  // Only outward: beyond the cut on the side it bounds.
  if (G().IsCounterClockwise(cut.GetStartPoint(), cut.GetEndPoint(), p) == (side == 1)) return;
  const _2dPoint foot = G().GetPerpendicularFootByDirection(p, cut.GetStartPoint(),
                                                            cut.GetEndPoint() - cut.GetStartPoint());
  MoveCut(cut, p - foot);
}

std::vector<boost::shared_ptr<_2dPolyline>> TankWallReinSectionView::DrawCutEnds(Tank* tank,
                                                                                 const ViewSettings* settings,
                                                                                 EntityList& drawing, double f) {
  m_spLeftCut.reset();
  m_spRightCut.reset();
  std::vector<boost::shared_ptr<_2dPolyline>> result;
  const Extents box = GetEntitiesExtents(drawing);
  if (box.IsEmpty()) return result;
  const double d = m_viewVolumn.m_bounds[0];
  const double xc =
      G().WorldToLocal2d(m_viewVolumn.m_origin, m_viewVolumn.m_xAxis, m_viewVolumn.m_yAxis, m_viewVolumn.m_origin).x;
  const double xL = xc - d * f, xR = xc + d * f;

  if (G().Lessthan(xR, box.maxX, kTol)) {
    _2dLine cut(_2dPoint(xR, box.minY), _2dPoint(xR, box.maxY));
    AdjustCutLine(tank, settings, cut, 1);
    if (ClipAtCutLine(drawing, cut, false)) {
      m_spRightCut = boost::make_shared<_2dLine>(cut);
      if (auto line = MakeBreakLine(cut)) result.push_back(line);
    }
  }
  if (G().Lessthan(box.minX, xL, kTol)) {
    _2dLine cut(_2dPoint(xL, box.minY), _2dPoint(xL, box.maxY));
    AdjustCutLine(tank, settings, cut, 0);
    if (ClipAtCutLine(drawing, cut, true)) {
      m_spLeftCut = boost::make_shared<_2dLine>(cut);
      if (auto line = MakeBreakLine(cut)) result.push_back(line);
    }
  }
  return result;
}

void TankWallReinSectionView::CollectCutOutlineLines(std::vector<_2dLine>& haunchLines,
                                                     std::vector<_2dLine>& bottomSlabLines,
                                                     std::vector<_2dLine>& cutLines) const {
  for (const auto& [entity, kind] : m_entityKinds) {
    const auto line = boost::dynamic_pointer_cast<_2dLine>(entity);
    if (!line) continue;
    if (kind & 0x4) haunchLines.push_back(*line);
    if (kind & kKindSectionCut) cutLines.push_back(*line);
    if (kind & kKindBoardOutline) {
      ObjectPtr owner;
      if (!GetEntityOwner(entity, owner)) continue;
      const auto board = boost::dynamic_pointer_cast<Board>(owner);
      if (board && board->GetKind() == 1) bottomSlabLines.push_back(*line);
    }
  }
}

void TankWallReinSectionView::AdjustCutLine(Tank* tank, const ViewSettings* settings, _2dLine& cut, int side) {
  if (!(cut.GetEndPoint().y > cut.GetStartPoint().y)) return;
  const double u = m_unit;
  std::vector<_2dLine> haunches, slabLines, cutLines;
  CollectCutOutlineLines(haunches, slabLines, cutLines);
  std::vector<boost::shared_ptr<_2dPolyline>> bars;
  ProbeSectionBars(bars, tank, settings);

  std::vector<_2dPoint> crossings;
  for (const _2dLine& l : haunches)
    if (G().LinesIntersect(l, cut)) {
      crossings.push_back(l.GetStartPoint());
      crossings.push_back(l.GetEndPoint());
    }
  for (const auto& bar : bars)
    if (bar && G().IsLineCrossingPolyline(cut, *bar))
      for (const _2dLine& s : ExplodePolylineTo2d(*bar)) {
        crossings.push_back(s.GetStartPoint());
        crossings.push_back(s.GetEndPoint());
      }

  const LeftOfLinePredicate left(cut);
  if (!crossings.empty()) {
    // Side 0 takes the outermost point left of the cut, side 1 right of it.
    const _2dPoint* chosen = nullptr;
    for (const _2dPoint& p : crossings) {
      if (left(p) != (side == 0)) continue;
      if (!chosen || (side == 0 ? p.x < chosen->x : p.x > chosen->x)) chosen = &p;
    }
    if (chosen) {
      const _2dPoint foot = G().GetPerpendicularFootByDirection(*chosen, cut.GetStartPoint(),
                                                                cut.GetEndPoint() - cut.GetStartPoint());
      const _2dVector v = *chosen - foot;
      const _2dVector e = v.GetUnitVector(g_DefaultTolerance);
      MoveCut(cut, _2dVector(v.x + e.x * 3.0 * u, v.y + e.y * 3.0 * u));
    }
  } else {
    // Clear of the wall outline ends inside the window by 3 units.
    std::vector<_2dPoint> inside;
    for (const auto& [entity, kind] : m_entityKinds) {
      if (!(kind & kKindBoardOutline)) continue;
      const auto line = boost::dynamic_pointer_cast<_2dLine>(entity);
      if (!line) continue;
      ObjectList owners;
      if (!GetEntityOwners(entity, owners)) continue;
      const bool ofWall = std::any_of(owners.begin(), owners.end(), [](const ObjectPtr& o) {
        const auto b = boost::dynamic_pointer_cast<Board>(o);
        return b && b->GetKind() == 0;
      });
      if (!ofWall) continue;
      for (const _2dPoint& p : {line->GetStartPoint(), line->GetEndPoint()})
        if (left(p) == (side == 1)) inside.push_back(p);
    }
    if (!inside.empty()) {
      const _2dVector dir = cut.GetEndPoint() - cut.GetStartPoint();
      double best = -1.0;
      _2dPoint foot;
      for (const _2dPoint& p : inside) {
        const _2dPoint f = G().GetPerpendicularFootByDirection(p, cut.GetStartPoint(), dir);
        const double s = G().DistanceWithTolerance(f, p);
        if (best < 0.0 || s < best) {
          best = s;
          foot = f;
        }
      }
      if (best < 3.0 * u) {
        _2dVector out = dir;
        out.Normalize(g_DefaultTolerance);
        out.Rotate(g_Pi * (side == 0 ? 0.5 : -0.5));
        MoveCut(cut, _2dVector(out.x * (3.0 * u - best), out.y * (3.0 * u - best)));
      }
    }
  }

  // The bottom slab: out to the end of the underside line when the slab's
  // own outline runs on, unbroken, to the outermost point.
  std::vector<_2dLine> crossing;
  for (const _2dLine& l : slabLines)
    if (G().LinesIntersect(l, cut)) crossing.push_back(l);
  if (crossing.empty()) {
    PushCutBeyondLines(cutLines, side, cut);
    return;
  }
  // Of the slab lines across the cut, the lowest where it crosses.
  const _2dLine* lowest = nullptr;
  double lowestY = 0.0;
  for (const _2dLine& l : crossing) {
    _2dPoint at;
    if (!G().IntersectLines(l, cut, at, g_EqualTolerance)) at = l.GetStartPoint();
    if (!lowest || at.y < lowestY) {
      lowest = &l;
      lowestY = at.y;
    }
  }
  const bool startRight = G().IsClockwise(cut.GetStartPoint(), cut.GetEndPoint(), lowest->GetStartPoint());
  const _2dPoint end = side == 0 ? (startRight ? lowest->GetStartPoint() : lowest->GetEndPoint())
                                 : (startRight ? lowest->GetEndPoint() : lowest->GetStartPoint());
  std::vector<boost::shared_ptr<_2dLine>> unowned;
  for (const auto& [entity, kind] : m_entityKinds) {
    if (kind != kKindBoardOutline) continue;
    const auto line = boost::dynamic_pointer_cast<_2dLine>(entity);
    if (!line) continue;
    ObjectList owners;
    if (GetEntityOwners(entity, owners) &&
        std::all_of(owners.begin(), owners.end(), [](const ObjectPtr& o) { return !o || o == g_NullOwner; }))
      unowned.push_back(line);
  }
  if (ChainReachesOuterEnd(end, side, unowned)) PushCutBeyondLines(cutLines, side, cut);
}

bool TankWallReinSectionView::ClipAtCutLine(EntityList& drawing, _2dLine cut, bool keepRight) {
  bool changed = false;
  const double xc = (cut.GetStartPoint().x + cut.GetEndPoint().x) * 0.5;
  EntityList kept;
  for (const EntityPtr& e : drawing) {
    if (!e) continue;
    const Extents box = e->GetExtents();
    const bool outside = keepRight ? G().Lessthan(box.maxX, xc, kTol) : G().Lessthan(xc, box.minX, kTol);
    if (outside) {
      UnregisterEntity(e);
      changed = true;
      continue;
    }
    kept.push_back(e);
    const bool onOrInside = keepRight ? !G().Lessthan(box.minX, xc, kTol) : !G().Lessthan(xc, box.maxX, kTol);
    if (onOrInside) continue;
    if (typeid(*e) != typeid(_2dLine)) continue;
    auto& line = static_cast<_2dLine&>(*e);
    _2dPoint p;
    if (!G().IntersectLines(line, cut, p, g_EqualTolerance)) continue;
    const bool startLower = line.GetStartPoint().x < line.GetEndPoint().x;
    // The end beyond the cut moves onto it.
    if (keepRight == startLower) line.SetStartPoint(p);
    else line.SetEndPoint(p);
    changed = true;
  }
  drawing = std::move(kept);
  return changed;
}

void TankWallReinSectionView::UnregisterEntity(const EntityPtr& entity) {
  m_objectEntities.ForEachValue([&](const ObjectPtr&, EntityList& list) {
    list.erase(std::remove(list.begin(), list.end(), entity), list.end());
  });
  m_objectEntities.EraseIf([](const ObjectPtr&, const EntityList& list) { return list.empty(); });
  m_entityOwners.EraseIf([&](const EntityPtr& e, const ObjectList&) { return e == entity; });
  m_entityKinds.EraseIf([&](const EntityPtr& e, int) { return e == entity; });
}

void TankWallReinSectionView::DrawSectionOutline() {
  std::vector<BoardPtr> walls;
  for (const auto& [object, entities] : m_objectEntities)
    if (const auto b = boost::dynamic_pointer_cast<Board>(object); b && b->GetKind() == 0) walls.push_back(b);
  std::vector<boost::shared_ptr<_2dLine>> others;
  for (const EntityPtr& e : EntitiesOfKinds(0x10006)) {
    const auto line = boost::dynamic_pointer_cast<_2dLine>(e);
    if (!line) return;
    ObjectPtr owner;
    const bool ofWall = GetEntityOwner(e, owner) &&
                        std::any_of(walls.begin(), walls.end(), [&](const BoardPtr& w) { return w == owner; });
    if (!ofWall) others.push_back(line);
  }
  std::vector<boost::shared_ptr<_2dPolyline>> breaks;
  for (const EntityPtr& e : EntitiesOfKinds(kKindBreakLine)) {
    const auto line = boost::dynamic_pointer_cast<_2dPolyline>(e);
    if (!line) return;
    breaks.push_back(line);
  }
  const double u = m_unit;
  for (const auto& old : breaks) {
    std::vector<_2dPoint> v;
    for (const _3dPoint& p : old->GetVertices()) v.emplace_back(p.x, p.y);
    if (v.size() < 2) continue;
    const _2dLine chord(v.front(), v.back());
    std::vector<_2dPoint> on;
    for (const auto& l : others)
      for (const _2dPoint& p : {l->GetStartPoint(), l->GetEndPoint()})
        if (G().IsPointOnLine(chord, p, g_DefaultTolerance)) on.push_back(p);
    if (on.size() < 2) continue;
    std::stable_sort(on.begin(), on.end(), [](const _2dPoint& a, const _2dPoint& b) { return a.y < b.y; });
    const _2dPoint p0 = on.front(), p1 = on.back();
    _2dVector e = (p1 - p0).GetUnitVector(g_DefaultTolerance);
    const _2dLine chordNew(_2dPoint(p0.x - 2 * u * e.x, p0.y - 2 * u * e.y),
                           _2dPoint(p1.x + 2 * u * e.x, p1.y + 2 * u * e.y));
    const auto fresh = MakeBreakLine(chordNew);
    if (!fresh) continue;
    EraseEntities({old});
    AddEntities({fresh}, g_NullOwner, {kKindBreakLine}, {});
  }
}
