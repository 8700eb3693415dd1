// The openings on the slab and wall plans: their outlines, the dimensions
// that fix them against the wall faces and the leader labels with their
// names, sizes and (on the wall plan) centre levels.
#include "view/TankView.h"

#include "view/DrawingRoutines.h"
#include "view/LabelClearance.h"

#include <boost/make_shared.hpp>
#include <boost/pointer_cast.hpp>
#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <typeinfo>

namespace {

constexpr int kCategoryOpening = 12;
constexpr int kCategoryDimension = 14;
constexpr int kKindOpening = 0x40000;

_2dPoint Along(const _2dPoint& p, double length, double angle) {
  return _2dPoint(p.x + length * std::cos(angle), p.y + length * std::sin(angle));
}

_2dPoint PlanOf(const BoardPtr& board, const _2dPoint& local) {
  const _3dPoint w =
      g_VekGeometryComm.LocalToWorld2d(board->GetOrigin(), board->GetXAxis(), board->GetYAxis(), local);
  return _2dPoint(w.x, w.y);
}

boost::shared_ptr<_2dPolyline> ClosedRing(const std::vector<_2dPoint>& points) {
  std::vector<_3dPoint> vertices;
  vertices.reserve(points.size());
  for (const _2dPoint& p : points) vertices.emplace_back(p.x, p.y, 0.0);
  auto ring = boost::make_shared<_2dPolyline>(vertices, true);
  ring->SetLayer(GetLayerName(kCategoryOpening));
  return ring;
}

// The size text of an opening: both sides truncated, first side first.
std::string RectangleSizeText(const RectangleHole& hole) {
  const auto [a, b] = hole.GetSize();
  return fmt::format("{}X{}", static_cast<int>(a), static_cast<int>(b));
}

// Twice the truncated radius, as the drawings give a diameter.
int ShownDiameter(const CircleHole& hole) { return 2 * static_cast<int>(hole.GetRadius()); }

}  // namespace

void TankView::DrawHoles(Tank& tank, int kind, bool outlines) {
  const std::vector<BoardPtr> boards =
      kind == 0 ? tank.GetWalls() : kind == 1 ? tank.GetBottomSlabs() : tank.GetTopSlabs();
  for (const BoardPtr& board : boards) {
    if (!board || typeid(*board) != typeid(Board)) continue;
    EntityList drawn;
    if (board->GetKind() == 0)
      DrawWallHoles(board, drawn, tank, !outlines);
    else
      DrawSlabHoles(board, drawn, tank, !outlines);
    if (outlines && !drawn.empty()) {
      const std::vector<int> kinds(drawn.size(), kKindOpening);
      AddEntities(drawn, board, kinds, {});
    }
  }
}

void TankView::DrawSlabHoles(const BoardPtr& slab, EntityList& out, Tank& tank, bool annotate) {
  const EntityScaleMoveFunctor place(GetDrawingFactor(), m_placement);
  for (const HolePtr& hole : slab->GetHoles()) {
    double size = 0.0;
    _2dPoint centre;
    std::string name, sizeText;
    if (const auto rect = boost::dynamic_pointer_cast<RectangleHole>(hole)) {
      std::vector<_2dPoint> corners;
      for (const _2dPoint& c : rect->GetCorners()) corners.push_back(PlanOf(slab, c));
      // A picked outline may repeat its first corner at the end.
      if (corners.size() > 3 && corners.back() == corners.front()) corners.pop_back();
      if (corners.size() < 3) continue;
      auto ring = ClosedRing(corners);
      place(ring);
      out.push_back(ring);
      const auto [a, b] = rect->GetSize();
      size = std::max(a, b);
      if (!g_VekGeometryComm.GetCentroid(corners, centre)) centre = corners.front();
      name = fmt::format("JD{}", hole->GetNumber());
      sizeText = RectangleSizeText(*rect);
    } else if (const auto circle = boost::dynamic_pointer_cast<CircleHole>(hole)) {
      centre = PlanOf(slab, circle->GetCenter());
      auto drawn = boost::make_shared<_3dCircle>(_3dPoint(centre.x, centre.y, 0.0), circle->GetRadius(),
                                                 slab->GetNormal());
      drawn->SetLayer(GetLayerName(kCategoryOpening));
      place(drawn);
      out.push_back(drawn);
      size = 2.0 * circle->GetRadius();
      name = fmt::format("YD{}", hole->GetNumber());
      sizeText = fmt::format("D={}", ShownDiameter(*circle));
    } else {
      continue;  // a notch is not annotated
    }
    if (!annotate) continue;

    _2dPoint steep, flat;
    bool hasSteep = false, hasFlat = false;
    FindHoleDimensionTargets(centre, slab, tank, steep, flat, &hasSteep, &hasFlat);
    // The horizontal distance with its line below the centre, the vertical
    // one with its line to the right.
    if (hasSteep) {
      double a = g_VekGeometryComm.GetAngle(centre, steep);
      if (a > 0.5 * g_Pi && a < 1.5 * g_Pi) a += g_Pi;
      AddHoleDimension(centre, steep, Along(centre, size, a - 0.5 * g_Pi), hole);
    }
    if (hasFlat) {
      double a = g_VekGeometryComm.GetAngle(centre, flat);
      if (a <= 0.0 || a >= g_Pi) a += g_Pi;
      AddHoleDimension(centre, flat, Along(centre, size, a - 0.5 * g_Pi), hole);
    }
    AddHoleLeader(hole, centre, size, name, sizeText);
  }
}

void TankView::FindHoleDimensionTargets(const _2dPoint& centre, const BoardPtr& slab, Tank& tank,
                                        _2dPoint& steepTarget, _2dPoint& flatTarget, bool* steepFound,
                                        bool* flatFound) {
  std::vector<_3dPoint> outline;
  slab->GetOutline(outline);
  double bestSteep = g_MaxValue, bestFlat = g_MaxValue;
  bool foundSteep = false, foundFlat = false;
  const std::size_t n = outline.size();
  constexpr double kAngleTol = 1e-9;
  for (std::size_t i = 0; i < n && n >= 2; ++i) {
    const _2dPoint a(outline[i].x, outline[i].y), b(outline[(i + 1) % n].x, outline[(i + 1) % n].y);
    const _2dLine edge(a, b);
    const _2dPoint foot = g_VekGeometryComm.GetPerpendicularFoot(centre, edge);
    if (!g_VekGeometryComm.IsPointOnLine(edge, foot, 0.1)) continue;

    std::vector<BoardPtr> boards;
    std::vector<int> edges;
    tank.GetBoardsOnEdge(slab, static_cast<int>(i), boards, edges);
    double wall = 0.0;
    for (const BoardPtr& board : boards)
      if (board && board->GetKind() == 0) wall = std::max(wall, board->GetThickness());
    const double d = g_VekGeometryComm.Distance(centre, foot) - 0.5 * wall;

    // Exact multiples of π/4 count as flat.
    const double angle = g_VekGeometryComm.NormalizeAngle(g_VekGeometryComm.GetAngle(a, b));
    const auto within = [&](double lo, double hi) { return angle > lo + kAngleTol && angle < hi - kAngleTol; };
    const bool steep = within(0.25 * g_Pi, 0.75 * g_Pi) || within(1.25 * g_Pi, 1.75 * g_Pi);
    double& best = steep ? bestSteep : bestFlat;
    if (!(d < best)) continue;
    _2dPoint target;
    if (!g_VekGeometryComm.PointAlongLine3d(_2dLine(centre, foot), d, centre, target)) continue;
    best = d;
    (steep ? steepTarget : flatTarget) = target;
    (steep ? foundSteep : foundFlat) = true;
  }
  if (steepFound) *steepFound = foundSteep;
  if (flatFound) *flatFound = foundFlat;
}

void TankView::DrawWallHoles(const BoardPtr& wall, EntityList& out, Tank& tank, bool annotate) {
  _2dLine planLine;
  if (!GetWallPlanLine(wall, planLine)) return;

  // The reference end: the lower end, or the left one of a wall along x.
  _2dPoint r0 = planLine.GetStartPoint(), other = planLine.GetEndPoint();
  const bool alongX = std::fabs(r0.y - other.y) < 0.1;
  if (alongX ? other.x < r0.x : other.y < r0.y) std::swap(r0, other);

  // The inner face of the wall standing at the reference end.
  double endThickness = 0.0;
  {
    std::vector<BoardPtr> boards;
    std::vector<int> own, others;
    tank.GetNeighbourBoards(wall, boards, own, others);
    for (std::size_t i = 0; i < boards.size() && i < others.size(); ++i) {
      const BoardPtr& b = boards[i];
      if (!b || b->GetKind() != 0) continue;
      const _2dLine line = b->GetEdge(others[i]).GetLine();
      if (PlanOf(b, line.GetStartPoint()) == r0 && PlanOf(b, line.GetEndPoint()) == r0) {
        endThickness = b->GetThickness();
        break;
      }
    }
  }
  _2dPoint reference = r0;
  if (!g_VekGeometryComm.PointAlongLine3d(_2dLine(r0, other), 0.5 * endThickness, r0, reference)) reference = r0;

  // The openings by the distance of their plan midpoints from the reference
  // end; of openings with one midpoint (one above the other) the first in
  // the wall's list stands for them.
  struct Placed {
    double along;
    _2dPoint mid;
    HolePtr hole;
  };
  std::vector<Placed> placed;
  const _2dVector runs = (other - r0).GetUnitVector(g_DefaultTolerance);
  const _3dVector normal = wall->GetNormal();
  const double normalAngle = g_VekGeometryComm.GetAngle(_2dPoint(0, 0), _2dPoint(normal.x, normal.y));
  const EntityScaleMoveFunctor place(GetDrawingFactor(), m_placement);
  for (const HolePtr& hole : wall->GetHoles()) {
    _2dPoint a, b;
    if (const auto rect = boost::dynamic_pointer_cast<RectangleHole>(hole)) {
      std::vector<_3dPoint> corners;
      for (const _2dPoint& c : rect->GetCorners())
        corners.push_back(
            g_VekGeometryComm.LocalToWorld2d(wall->GetOrigin(), wall->GetXAxis(), wall->GetYAxis(), c));
      const std::vector<_2dPoint> plan = g_VekGeometryComm.GetPlanPoints(corners);
      if (plan.size() < 2) continue;
      a = plan.front();
      b = plan.back();
    } else if (const auto circle = boost::dynamic_pointer_cast<CircleHole>(hole)) {
      const _2dPoint c = circle->GetCenter();
      const double r = circle->GetRadius();
      a = PlanOf(wall, _2dPoint(c.x - r, c.y));
      b = PlanOf(wall, _2dPoint(c.x + r, c.y));
    } else {
      continue;
    }
    // A → B a quarter turn counter-clockwise from the wall normal.
    if (!g_VekGeometryComm.Equal(g_VekGeometryComm.GetSweepAngle(normalAngle, g_VekGeometryComm.GetAngle(a, b)),
                                 0.5 * g_Pi, 0.01))
      std::swap(a, b);
    const _2dPoint mid = g_VekGeometryComm.GetMidPoint(a, b);
    const bool repeated = std::any_of(placed.begin(), placed.end(), [&](const Placed& p) {
      return g_VekGeometryComm.Distance(p.mid, mid) < 0.1;
    });
    if (!repeated) placed.push_back({(mid - r0).Dot(runs), mid, hole});

    // The cut across the wall: the upper-offset side is the normal's side.
    const double theta = g_VekGeometryComm.GetAngle(a, b);
    const double upper = wall->GetUpperOffset(), lower = wall->GetLowerOffset();
    auto ring = ClosedRing({Along(a, upper, theta - 0.5 * g_Pi), Along(b, upper, theta - 0.5 * g_Pi),
                            Along(b, lower, theta + 0.5 * g_Pi), Along(a, lower, theta + 0.5 * g_Pi)});
    place(ring);
    out.push_back(ring);
  }
  if (!annotate) return;

  std::stable_sort(placed.begin(), placed.end(), [](const Placed& x, const Placed& y) { return x.along < y.along; });
  _2dPoint from = reference;
  for (const Placed& p : placed) {
    const double angle = g_VekGeometryComm.GetAngle(from, p.mid);
    AddHoleDimension(from, p.mid, Along(from, 1000.0, angle + 0.5 * g_Pi), p.hole);

    std::string name;
    _3dPoint centre;
    if (const auto circle = boost::dynamic_pointer_cast<CircleHole>(p.hole)) {
      name = fmt::format("YD{} D={}", p.hole->GetNumber(), ShownDiameter(*circle));
      centre = g_VekGeometryComm.LocalToWorld2d(wall->GetOrigin(), wall->GetXAxis(), wall->GetYAxis(),
                                                circle->GetCenter());
    } else {
      const auto rect = boost::static_pointer_cast<RectangleHole>(p.hole);
      name = fmt::format("JD{} {}", p.hole->GetNumber(), RectangleSizeText(*rect));
      _2dPoint local;
      const std::vector<_2dPoint> corners = rect->GetCorners();
      if (!g_VekGeometryComm.GetCentroid(corners, local)) local = corners.front();
      centre = g_VekGeometryComm.LocalToWorld2d(wall->GetOrigin(), wall->GetXAxis(), wall->GetYAxis(), local);
    }
    AddHoleLeader(p.hole, p.mid, 1000.0, name, fmt::format("中心高程{:.3f}m", centre.z * 0.001));
    from = p.mid;
  }
}

EntityPtr TankView::AddHoleDimension(const _2dPoint& p1, const _2dPoint& p2, const _2dPoint& linePoint,
                                     ObjectPtr owner) {
  const double f = GetDrawingFactor();
  auto dim = boost::make_shared<_2dAlignedDimension>(
      p1, p2, linePoint, GetCategoryStyle(kCategoryDimension),
      GetDimensionStyle(static_cast<int>(m_scale), static_cast<int>(m_unit)));
  // Sized in model units so that the scaling brings them to the standard's.
  dim->SetTextHeight(GetDimensionTextHeight() * m_unit / f);
  dim->SetArrowSize(GetDimensionTickSize() * m_unit / f);
  dim->SetLayer(GetLayerName(kCategoryDimension));
  EntityScaleMoveFunctor(f, m_placement)(dim);
  AddEntities({dim}, std::move(owner), {kKindDimension}, {});
  return dim;
}

EntityList TankView::AddHoleLeader(ObjectPtr owner, const _2dPoint& anchor, double firstLeg, const std::string& upper,
                                   const std::string& lower) {
  const double u = m_unit;
  const std::string layer = GetLayerName(kCategoryOpening);
  // The level leg holds the longer text: 0.98 u per byte of its GBK form.
  const std::size_t bytes = std::max(Utf8ToGbk(upper).size(), Utf8ToGbk(lower).size());
  const double levelLeg = 0.98 * u * static_cast<double>(bytes);

  // The leader drawn with its first leg at the angle, that leg's length
  // times the factor; the level leg runs on the side the first leg points.
  const auto build = [&](double angle, double factor) {
    auto first = boost::make_shared<_2dLine>(anchor, Along(anchor, firstLeg * factor, angle));
    first->SetLayer(layer);
    EntityScaleMoveFunctor(GetDrawingFactor(), m_placement)(first);
    const _2dPoint e = first->GetEndPoint();
    const double sign = std::cos(angle) >= 0.0 ? 1.0 : -1.0;
    auto second = boost::make_shared<_2dLine>(e, _2dPoint(e.x + sign * levelLeg, e.y));
    second->SetLayer(layer);
    const _2dPoint g = second->GetMidPoint();
    const auto text = [&](const std::string& s, double dy) {
      auto t = boost::make_shared<_Text>(s, _3dPoint(g.x, g.y + dy, 0.0), 2.0 * u);
      t->SetWidth(1.4 * u);
      t->SetTextStyle(GetTextStyle(0));
      t->SetStyleName(GetTextStyleName(GetTextStyle(0)));
      t->SetLayer(layer);
      t->SetAlignment(_Text::kCenter, _Text::kMiddle);
      return t;
    };
    return EntityList{first, second, text(upper, u), text(lower, -u)};
  };

  EntityList entities = build(-0.25 * g_Pi, 1.0);
  if (m_pViewBoard) {
    // The texts stand clear of the bar labels and of the other openings'
    // texts already on the plan: down to the right first, as drawn by
    // default, then the other three diagonals, then with longer first legs;
    // where no place is clear, the one overlapping least.
    EntityList drawn;
    for (const auto& [entity, kind] : m_entityKinds)
      if (entity && (kind == kKindReinText || kind == kKindReinMark || (kind == kKindOpening && typeid(*entity) == typeid(_Text))))
        drawn.push_back(entity);
    const std::vector<Extents> taken = EntityBoxes(drawn, *m_pViewBoard);
    std::vector<std::pair<double, double>> places;
    for (const double factor : {1.0, 1.5, 2.0})
      for (const double angle : {-0.25 * g_Pi, 0.25 * g_Pi, -0.75 * g_Pi, 0.75 * g_Pi}) places.emplace_back(angle, factor);
    double least = -1.0;
    for (const auto& [angle, factor] : places) {
      EntityList candidate = build(angle, factor);
      const std::vector<Extents> boxes = EntityBoxes({candidate[2], candidate[3]}, *m_pViewBoard);
      if (!AnyOverlap(boxes, taken)) {
        entities = candidate;
        break;
      }
      double area = 0.0;
      for (const Extents& box : boxes) area += OverlapArea(box, taken);
      if (least < 0.0 || area < least) {
        least = area;
        entities = candidate;
      }
    }
  }
  AddEntities(entities, std::move(owner), std::vector<int>(entities.size(), kKindOpening), {});
  return entities;
}
