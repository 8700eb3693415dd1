// Openings, notches, notch offsets with the faces, opening edits and the
// thin one-call edits handed to the structural model.
#include "model/TankModeler.h"

#include <boost/geometry.hpp>
#include <boost/make_shared.hpp>

#include <cmath>
#include <typeinfo>

namespace {

namespace bg = boost::geometry;
using BgPoint = bg::model::d2::point_xy<double>;
using BgSegment = bg::model::segment<BgPoint>;

// How far an opening must stay inside its board's outline, mm.
constexpr double kOpeningClearance = 1.0;
// Tolerance of the right angles of a rectangular opening, rad.
constexpr double kRightAngleTolerance = 1e-3;

template <class T>
T* Exactly(const boost::shared_ptr<VekObject>& object) {
  if (!object || typeid(*object) != typeid(T)) return nullptr;
  return static_cast<T*>(object.get());
}

BgPoint Bg(const _2dPoint& p) { return {p.x, p.y}; }

void SetReason(std::string* reason, const char* text) {
  if (reason) *reason = text;
}

// The smallest distance from the point to the board's outline sides.
double DistanceToOutline(const std::vector<_2dPoint>& outline, const _2dPoint& p) {
  double best = g_MaxValue;
  for (std::size_t i = 0; i < outline.size(); ++i) {
    const BgSegment side(Bg(outline[i]), Bg(outline[(i + 1) % outline.size()]));
    best = std::min(best, bg::distance(Bg(p), side));
  }
  return best;
}

// The point lies inside the outline, at least `clearance` from every side.
bool InsideBy(const std::vector<_2dPoint>& outline, const _2dPoint& p, double clearance) {
  if (outline.size() < 3) return false;
  if (g_VekGeometryComm.PointInPolygon2d(outline, p, kPointTolerance) != 1) return false;
  return DistanceToOutline(outline, p) >= clearance - kPointTolerance;
}

// The polygon lies inside the outline, every point of it at least
// `clearance` from the outline's sides (the outline need not be convex).
bool PolygonInsideBy(const std::vector<_2dPoint>& outline, const std::vector<_2dPoint>& polygon,
                     double clearance) {
  for (const _2dPoint& p : polygon)
    if (!InsideBy(outline, p, clearance)) return false;
  for (std::size_t i = 0; i < polygon.size(); ++i) {
    const BgSegment side(Bg(polygon[i]), Bg(polygon[(i + 1) % polygon.size()]));
    for (std::size_t k = 0; k < outline.size(); ++k) {
      const BgSegment edge(Bg(outline[k]), Bg(outline[(k + 1) % outline.size()]));
      if (bg::distance(side, edge) < clearance - kPointTolerance) return false;
    }
  }
  return true;
}

// Four distinct corners with a right angle at each (so a rectangle, possibly
// rotated); a repeated closing point is dropped first.
bool AsRectangle(std::vector<_2dPoint> corners, std::vector<_2dPoint>& out) {
  if (corners.size() >= 2 && corners.front() == corners.back()) corners.pop_back();
  if (corners.size() != 4) return false;
  for (std::size_t i = 0; i < 4; ++i)
    for (std::size_t j = i + 1; j < 4; ++j)
      if (corners[i] == corners[j]) return false;
  for (std::size_t i = 0; i < 4; ++i) {
    const _2dPoint& prev = corners[(i + 3) % 4];
    const _2dPoint& here = corners[i];
    const _2dPoint& next = corners[(i + 1) % 4];
    const _3dVector a(prev.x - here.x, prev.y - here.y, 0.0);
    const _3dVector b(next.x - here.x, next.y - here.y, 0.0);
    if (std::fabs(a.GetAngleTo(b) - g_Pi / 2) > kRightAngleTolerance) return false;
  }
  out = std::move(corners);
  return true;
}

}  // namespace

void TankModeler::FillCircleHole(const _3dCircle& circle, const _3dPoint& origin,
                                 const _3dVector& xAxis, const _3dVector& yAxis,
                                 CircleHole* hole) const {
  if (!hole) return;
  const _3dPoint c = g_VekGeometryComm.WorldToLocal3d(origin, xAxis, yAxis, circle.GetCenter());
  hole->SetCenter(_2dPoint(c.x, c.y));
  hole->SetRadius(circle.GetRadius());
}

bool TankModeler::FillRectangleHole(const _2dPolyline& polyline, const _3dPoint& origin,
                                    const _3dVector& xAxis, const _3dVector& yAxis,
                                    RectangleHole* hole) const {
  if (!hole) return false;
  // Arc-shaped sides make no rectangle.
  for (double bulge : polyline.GetBulges())
    if (std::fabs(bulge) >= 0.001) return false;
  std::vector<_2dPoint> local;
  for (const _3dPoint& v : polyline.GetVertices()) {
    const _3dPoint p = g_VekGeometryComm.WorldToLocal3d(origin, xAxis, yAxis, v);
    local.emplace_back(p.x, p.y);
  }
  std::vector<_2dPoint> corners;
  if (!AsRectangle(local, corners)) return false;
  hole->SetCorners(corners);
  return true;
}

bool TankModeler::AddHole(const boost::shared_ptr<VekObject>& entity,
                          const boost::shared_ptr<VekObject>& boardObject, Tank& tank,
                          std::string* reason) const {
  Board* board = Exactly<Board>(boardObject);
  if (!board) {
    SetReason(reason, "the target is not a board");
    return false;
  }
  const _3dPoint& origin = board->GetOrigin();
  const _3dVector& xAxis = board->GetXAxis();
  const _3dVector& yAxis = board->GetYAxis();
  std::vector<_2dPoint> outline;
  board->GetLocalOutline(outline);

  HolePtr hole;
  if (const auto* circle = Exactly<_3dCircle>(entity)) {
    auto circleHole = boost::make_shared<CircleHole>();
    FillCircleHole(*circle, origin, xAxis, yAxis, circleHole.get());
    const double r = circleHole->GetRadius();
    if (!std::isfinite(r) || r <= 0) {
      SetReason(reason, "the circle has no radius");
      return false;
    }
    if (!InsideBy(outline, circleHole->GetCenter(), r + kOpeningClearance)) {
      SetReason(reason, "the opening does not lie inside its board");
      return false;
    }
    hole = circleHole;
  } else if (const auto* polyline = Exactly<_2dPolyline>(entity)) {
    auto rectangle = boost::make_shared<RectangleHole>();
    if (!FillRectangleHole(*polyline, origin, xAxis, yAxis, rectangle.get())) {
      SetReason(reason, "the opening is not a rectangle of four corners at right angles");
      return false;
    }
    if (!PolygonInsideBy(outline, rectangle->GetCorners(), kOpeningClearance)) {
      SetReason(reason, "the opening does not lie inside its board");
      return false;
    }
    hole = rectangle;
  } else {
    SetReason(reason, "an opening is drawn as a circle or a rectangular polyline");
    return false;
  }
  hole->SetId(tank.GetNextHoleId(hole));
  board->AddHole(hole);
  return true;
}

void TankModeler::AddNotch(const boost::shared_ptr<VekObject>& entity, int code,
                           const std::vector<boost::shared_ptr<VekObject>>& boards,
                           Tank& tank) const {
  for (const auto& item : boards) {
    Board* board = Exactly<Board>(item);
    if (!board) continue;
    const auto* polyline = Exactly<_2dPolyline>(entity);
    if (!polyline) continue;
    auto notch = boost::make_shared<Notch>();
    notch->SetCode(code);
    notch->SetOutline(polyline->GetVertices());
    notch->SetId(tank.GetNextHoleId(notch));
    board->AddHole(notch);
  }
}

void TankModeler::ClearEars(Tank& tank) const { tank.ClearEars(); }

void TankModeler::RemoveBoard(const boost::shared_ptr<StructureComponent>& board, Tank& tank) const {
  tank.RemoveComponent(board);
}

void TankModeler::AddBoardObject(const boost::shared_ptr<VekObject>& object,
                                 const boost::shared_ptr<StructureComponent>& component) const {
  if (auto board = boost::dynamic_pointer_cast<Board>(component)) board->AddObject(object);
}

void TankModeler::RemoveBoardObject(const boost::shared_ptr<VekObject>& object,
                                    const boost::shared_ptr<StructureComponent>& component) const {
  if (auto board = boost::dynamic_pointer_cast<Board>(component)) board->RemoveObject(object);
}

void TankModeler::EditObjectPair(const boost::shared_ptr<VekObject>& a,
                                 const boost::shared_ptr<VekObject>& b, Tank& tank) const {
  tank.EditObjectPair(a, b);
}

void TankModeler::EditComponentUnits(const boost::shared_ptr<StructureComponentUnits>& unit,
                                     Tank& tank) const {
  tank.EditComponentUnits(unit);
}

void TankModeler::EditBoardPair(Tank& tank, const std::vector<BoardPtr>& boards) const {
  if (boards.size() == 2) EditObjectPair(boards[0], boards[1], tank);
}

// ---------------------------------------------------------------------------
// Notches with the faces, and opening edits

void TankModeler::OffsetNotches(const BoardPtr& board, double offset, bool byFace) const {
  if (!board) return;
  if (g_VekGeometryComm.Equal(offset, 0.0, 0.1)) return;
  _3dVector d = board->GetNormal();
  if (!d.Normalize(0.1)) return;
  d = d * offset;
  for (const HolePtr& hole : board->GetHoles()) {
    if (!hole || typeid(*hole) != typeid(Notch)) continue;
    auto notch = boost::static_pointer_cast<Notch>(hole);
    double s = 1.0;
    int face = 0;
    if (byFace && board->GetNotchFace(notch, face) && face == 2) s = -1.0;
    std::vector<_3dPoint> outline;
    notch->GetOutline(outline);
    for (_3dPoint& p : outline) p = p + d * s;
    notch->SetOutline(outline);
  }
}

void TankModeler::EditBoardHoles(const std::vector<int>& indices, const int* kind,
                                 const std::vector<BoardPtr>& boards) const {
  const bool notches = kind != nullptr && *kind == 4;
  for (std::size_t i = 0; i < boards.size(); ++i) {
    const BoardPtr& board = boards[i];
    if (i >= indices.size()) throw std::out_of_range("invalid vector<T> subscript");
    if (!board) continue;
    std::vector<HolePtr> filtered;
    for (const HolePtr& hole : board->GetHoles())
      if (hole && (typeid(*hole) == typeid(Notch)) == notches) filtered.push_back(hole);
    const int j = indices[i];
    if (j >= 0 && static_cast<std::size_t>(j) < filtered.size()) board->EditHole(filtered[static_cast<std::size_t>(j)]);
  }
}
