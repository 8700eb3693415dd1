// The hole detail view.
#include "views/HoleDetailView.h"

#include "view/DrawingRoutines.h"
#include "view/LabelClearance.h"
#include "view/LineReinConstruct.h"
#include "view/LineReinEntity.h"
#include "view/ReinLabel.h"

#include <boost/make_shared.hpp>
#include <boost/pointer_cast.hpp>
#include <fmt/format.h>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kCategoryOpening = 12;
constexpr int kCategoryAxis = 18;
constexpr int kKindOutline = 1;
constexpr int kKindSymbol = 0x10000000;
constexpr int kKindCentreLine = 0x20000000;
constexpr int kKindFrame = 0x8000000;
constexpr int kKindTitle = 0x2000000;

template <class E>
boost::shared_ptr<E> OnLayer(boost::shared_ptr<E> entity, int category) {
  entity->SetLayer(GetLayerName(category));
  return entity;
}

_2dPoint Plan(const _3dPoint& p) { return _2dPoint(p.x, p.y); }

// A centre line through the middles of two opposite sides, d beyond them.
boost::shared_ptr<_2dLine> CentreLineBetween(const _2dLine& side1, const _2dLine& side2, double d) {
  const _2dLine a = OrientLine(side1), b = OrientLine(side2);
  const _2dPoint from = g_VekGeometryComm.GetMidPoint(a.GetStartPoint(), b.GetStartPoint());
  const _2dPoint to = g_VekGeometryComm.GetMidPoint(a.GetEndPoint(), b.GetEndPoint());
  const _2dVector dir = (to - from).GetUnitVector(g_DefaultTolerance);
  return boost::make_shared<_2dLine>(from - dir * d, to + dir * d);
}

// The arc through three points (false when they lie on one line).
bool ArcThrough(const _2dPoint& p1, const _2dPoint& p3, const _2dPoint& p2, _2dArc& arc) {
  const auto bisector = [](const _2dPoint& a, const _2dPoint& b) {
    const _2dPoint m = g_VekGeometryComm.GetMidPoint(a, b);
    _2dVector d = b - a;
    d.Rotate(0.5 * g_Pi);
    return _2dLine(m, m + d);
  };
  _2dPoint centre;
  if (!g_VekGeometryComm.IntersectLines(bisector(p1, p3), bisector(p3, p2), centre, g_DefaultTolerance))
    return false;
  arc = _2dArc(centre, g_VekGeometryComm.Distance(centre, p1), (p1 - centre).GetAngle(), (p2 - centre).GetAngle());
  return true;
}

}  // namespace

bool SameReinShape::operator()(const ReinPtr& bar) const {
  if (!bar || !m_reference) return false;
  const std::vector<_3dLine> a = ExplodePolyline(m_reference->GetPolyline());
  const std::vector<_3dLine> b = ExplodePolyline(bar->GetPolyline());
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (!g_VekGeometryComm.IsSameLine(a[i], b[i])) return false;
  return true;
}

bool HoleDetailView::DrawObjectDetail(Tank&, ObjectPtr object, double scale, bool placeAtPoint,
                                      _3dPoint insertPoint) {
  m_scale = scale;
  m_unit = static_cast<double>(GetDrawingUnit());
  const double f = GetDrawingFactor();
  const double u = m_unit;
  const auto scaled = [f](auto entity) {
    entity->Scale(f);
    return entity;
  };

  if (const auto rect = boost::dynamic_pointer_cast<RectangleHole>(object)) {
    std::vector<_2dPoint> corners = rect->GetCorners();
    // A picked outline may repeat its first corner at the end.
    if (corners.size() > 2 && corners.back() == corners.front()) corners.pop_back();
    EntityList sides;
    for (std::size_t i = 0; i < corners.size(); ++i)
      sides.push_back(scaled(OnLayer(boost::make_shared<_2dLine>(corners[i], corners[(i + 1) % corners.size()]),
                                     kCategoryOpening)));
    AddEntities(sides, object, std::vector<int>(sides.size(), kKindOutline), {});

    // The opening symbol: two strokes meeting between the upper left corner
    // and the centre.
    std::vector<_2dPoint> q = corners;
    std::sort(q.begin(), q.end(), PointLess(1e-4));
    if (q.size() >= 4) {
      const _2dPoint c = g_VekGeometryComm.GetMidPoint(q[0], q[3]);
      const _2dPoint k = g_VekGeometryComm.GetMidPoint(q[1], c);
      const EntityList symbol{scaled(OnLayer(boost::make_shared<_2dLine>(q[0], k), kCategoryOpening)),
                              scaled(OnLayer(boost::make_shared<_2dLine>(q[3], k), kCategoryOpening))};
      AddEntities(symbol, object, {kKindSymbol, kKindSymbol}, {});
    }
  } else if (const auto circle = boost::dynamic_pointer_cast<CircleHole>(object)) {
    const _2dPoint c = circle->GetCenter();
    const double r = circle->GetRadius();
    AddEntities({scaled(OnLayer(boost::make_shared<_3dCircle>(_3dPoint(c.x, c.y, 0.0), r, _3dVector(0, 0, 1)),
                                kCategoryOpening))},
                object, {kKindOutline}, {});
    // The opening symbol: an arc across the circle, bulging towards 135°.
    const double t = std::asin(0.25);
    const auto at = [&](double radius, double angle) {
      return _2dPoint(c.x + radius * std::cos(angle), c.y + radius * std::sin(angle));
    };
    auto arc = boost::make_shared<_2dArc>();
    if (ArcThrough(at(r, 0.25 * g_Pi + t), at(0.75 * r, 0.75 * g_Pi), at(r, 1.25 * g_Pi - t), *arc))
      AddEntities({scaled(OnLayer(arc, kCategoryOpening))}, object, {kKindSymbol}, {});
  } else {
    EraseEntitiesOfKinds(kKindMaskAll, false);
    return false;
  }

  if (!PlaceDrawing(placeAtPoint, insertPoint, "请选择洞口详图插入点")) return false;

  // Centre lines, built from the placed outline.
  const double d = 2.0 * u;
  EntityList outline, others;
  SplitEntitiesByKind(0x7, outline, others);
  EntityList centreLines;
  if (outline.size() == 4) {
    std::vector<_2dLine> sides;
    for (const EntityPtr& e : outline)
      if (const auto line = boost::dynamic_pointer_cast<_2dLine>(e)) sides.push_back(*line);
    if (sides.size() == 4) {
      // Opposite sides in pairs, the pair of the sides nearer to the x axis
      // first; a turned opening gets its centre lines along its own sides.
      const auto across = [](const _2dLine& l) {
        const _2dVector v = l.GetDirection();
        return std::fabs(v.y) / std::max(std::hypot(v.x, v.y), 1e-12);
      };
      int first = 0, second = 1;
      if (across(sides[1]) < across(sides[0])) std::swap(first, second);
      centreLines.push_back(CentreLineBetween(sides[first], sides[first + 2], d));
      centreLines.push_back(CentreLineBetween(sides[second], sides[second + 2], d));
    }
  } else if (outline.size() == 1) {
    if (const auto drawn = boost::dynamic_pointer_cast<_3dCircle>(outline.front())) {
      const _2dPoint c = Plan(drawn->GetCenter());
      const double reach = drawn->GetRadius() + d;
      centreLines.push_back(boost::make_shared<_2dLine>(_2dPoint(c.x - reach, c.y), _2dPoint(c.x + reach, c.y)));
      centreLines.push_back(boost::make_shared<_2dLine>(_2dPoint(c.x, c.y - reach), _2dPoint(c.x, c.y + reach)));
    }
  }
  if (!centreLines.empty()) {
    for (const EntityPtr& line : centreLines) {
      line->SetLayer(GetLayerName(kCategoryAxis));
      line->SetLinetype("CENTER");
    }
    AddEntities(centreLines, object, std::vector<int>(centreLines.size(), kKindCentreLine), {});
    std::for_each(centreLines.begin(), centreLines.end(), BoardEntityOperation(m_pViewBoard, 0));
  }
  return true;
}

void HoleDetailView::DrawObjectRein(Tank& tank, ObjectPtr object) {
  const HolePtr hole = boost::dynamic_pointer_cast<Hole>(object);
  if (!hole) return;
  const BoardPtr board = tank.GetHoleBoard(hole);
  if (!board) return;
  const double f = GetDrawingFactor();
  const double u = m_unit;
  const ConstuctLineRein maker(this, false, 3, m_pViewBoard, {}, f, m_placement, &tank, nullptr, nullptr, nullptr,
                               nullptr, {}, 0.0);

  // The boxes of the labels drawn so far, which a later label keeps clear of.
  std::vector<Extents> labelled;
  for (const ReinZonePtr& zone : hole->GetZones()) {
    // The bars in the board's own frame.
    std::vector<ReinPtr> copies;
    for (const ReinPtr& bar : zone->GetReins()) {
      if (!bar) continue;
      auto copy = boost::make_shared<Rein>(*bar);
      _2dPolyline line = copy->GetPolyline();
      std::vector<_3dPoint> vertices = line.GetVertices();
      for (_3dPoint& p : vertices)
        p = g_VekGeometryComm.WorldToLocal3d(board->GetOrigin(), board->GetXAxis(), board->GetYAxis(), p);
      line.SetVertices(vertices);
      copy->SetPolyline(line);
      copies.push_back(copy);
    }
    // Runs of bars of one shape, each led by its first bar.
    std::vector<std::pair<std::size_t, std::size_t>> groups;
    for (std::size_t i = 0; i < copies.size();) {
      const auto end = std::stable_partition(copies.begin() + static_cast<std::ptrdiff_t>(i) + 1, copies.end(),
                                             SameReinShape(copies[i]));
      const std::size_t next = static_cast<std::size_t>(end - copies.begin());
      groups.emplace_back(i, next);
      i = next;
    }
    std::vector<LineReinPtr> drawn;
    drawn.reserve(copies.size());
    for (const ReinPtr& copy : copies) drawn.push_back(maker.MakeBarEntity(copy));

    for (const auto& [begin, end] : groups) {
      const ReinPtr& reference = copies[begin];
      const _2dPolyline& refLine = reference->GetPolyline();
      if (refLine.VerNums() != 2 || !drawn[begin]) continue;  // bent bars are not labelled
      const int count = static_cast<int>(end - begin) / 2;
      const int grade = GetReinGradeIndex(reference->GetGrade());

      // The line across the group through its lowest left vertex.
      const PointLess less(1e-4);
      _2dPoint low = Plan(refLine.GetVertexAt(0));
      for (std::size_t i = begin; i < end; ++i)
        for (const _3dPoint& v : copies[i]->GetPolyline().GetVertices())
          if (less(Plan(v), low)) low = Plan(v);
      _2dVector across = Plan(refLine.GetVertexAt(1)) - Plan(refLine.GetVertexAt(0));
      across.Rotate(0.5 * g_Pi);
      const _2dLine crossLine(low, low + across);

      std::vector<_2dPoint> crossings;
      for (std::size_t i = begin; i < end; ++i) {
        const _2dPolyline& line = copies[i]->GetPolyline();
        _2dPoint x;
        if (g_VekGeometryComm.IntersectLines(_2dLine(Plan(line.GetVertexAt(0)), Plan(line.GetVertexAt(1))),
                                             crossLine, x, g_DefaultTolerance))
          crossings.push_back(x);
      }
      if (crossings.empty()) continue;
      std::sort(crossings.begin(), crossings.end(), less);
      crossings.erase(std::unique(crossings.begin(), crossings.end()), crossings.end());

      // One crossing gives no spacing: the label shows the bars only.
      const bool spaced = crossings.size() >= 2;
      const int spacing =
          spaced ? static_cast<int>(g_VekGeometryComm.DistanceWithTolerance(crossings[0], crossings[1])) : 0;
      // The leader runs across the group from its first bar to its last and
      // on beyond it, the label after it.  A label standing on one drawn
      // before runs the other way across the group, and failing that
      // further out (where none is clear, where it overlaps least).
      const auto leaderOf = [&](bool reversed, double beyond) {
        _2dLine leader = reversed ? _2dLine(crossings.back(), crossings.front())
                                  : _2dLine(crossings.front(), crossings.back());
        leader.Scale(f);
        leader.Move(m_placement);
        _2dVector dir = leader.GetDirection();
        if (dir.GetLength() < g_DefaultTolerance) dir = reversed ? -across : across;
        leader.SetEndPoint(leader.GetEndPoint() + dir.GetUnitVector(g_DefaultTolerance) * beyond);
        return leader;
      };

      const std::string upper = "上下各" + FormatReinText(spaced ? 3 : 1, grade, reference->GetDiameter(), spacing, count);
      const std::string lower = fmt::format("L={:.0f}", std::floor(refLine.GetLength() + 0.5));
      LineReinEntity& bar = *drawn[begin];
      bar.DrawLeaderLabel(upper, lower, leaderOf(false, 6.0 * u), m_pViewBoard);
      if (!m_pViewBoard) continue;
      std::vector<Extents> boxes = LabelBoxes(bar, *m_pViewBoard);
      if (AnyOverlap(boxes, labelled)) {
        constexpr int kSteps = 6;
        bool bestReversed = false;
        double bestBeyond = 6.0 * u, least = -1.0;
        const auto overlap = [&](const std::vector<Extents>& b) {
          double area = 0.0;
          for (const Extents& x : b) area += OverlapArea(x, labelled);
          return area;
        };
        bool clear = false;
        for (int k = 0; k <= kSteps && !clear; ++k)
          for (const bool reversed : {false, true}) {
            const double beyond = (6.0 + 3.0 * k) * u;
            bar.DrawLeaderLabel(upper, lower, leaderOf(reversed, beyond), m_pViewBoard);
            const std::vector<Extents> here = LabelBoxes(bar, *m_pViewBoard);
            clear = !AnyOverlap(here, labelled);
            const double area = overlap(here);
            if (clear || least < 0.0 || area < least) {
              least = area, bestReversed = reversed, bestBeyond = beyond;
            }
            if (clear) break;
          }
        bar.DrawLeaderLabel(upper, lower, leaderOf(bestReversed, bestBeyond), m_pViewBoard);
        boxes = LabelBoxes(bar, *m_pViewBoard);
      }
      labelled.insert(labelled.end(), boxes.begin(), boxes.end());
    }

    // Under the zone, so that an edit of the zone's bars reaches the labels.
    AddLineReinEntities(zone, std::vector<ObjectPtr>(drawn.begin(), drawn.end()));
    for (const LineReinPtr& bar : drawn) {
      if (!bar) continue;
      EntityList members;
      bar->GetEntities(members);
      std::for_each(members.begin(), members.end(), BoardEntityOperation(m_pViewBoard, 0));
    }
  }
}

void HoleDetailView::DrawFrame() {
  const Extents box = GetExtent(0x80007);
  if (box.IsEmpty()) return;
  const double a = 3.0 * m_unit, b = 2.0 * m_unit;
  const double x0 = box.minX - a, x1 = box.maxX + a, y0 = box.minY - a, y1 = box.maxY + a;
  const _2dLine segments[] = {{{x0, y0 - b}, {x0, y1 + b}},
                              {{x1, y0 - b}, {x1, y1 + b}},
                              {{x0 - b, y0}, {x1 + b, y0}},
                              {{x0 - b, y1}, {x1 + b, y1}}};
  EntityList frame;
  for (const _2dLine& s : segments) frame.push_back(MakeBreakLine(s));
  AddEntities(frame, ObjectPtr(), std::vector<int>(frame.size(), kKindFrame), {});
  std::for_each(frame.begin(), frame.end(), BoardEntityOperation(m_pViewBoard, 0));
}

void HoleDetailView::DrawTitle(const DetailingSettings&) {
  EraseEntitiesOfKinds(kKindTitle, false);
  const EntityList title = PlaceTitle(GetExtent(kKindMaskAll), m_title);
  AddEntities(title, g_NullOwner, std::vector<int>(title.size(), kKindTitle), {});
  std::for_each(title.begin(), title.end(), BoardEntityOperation(m_pViewBoard, 0));
}
