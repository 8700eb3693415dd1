#include "model/BoardItems.h"

#include <boost/pointer_cast.hpp>

#include <fmt/format.h>

namespace model_items {

namespace {

_3dPoint WorldOfLocal(const Board& b, const _2dPoint& p) {
  return g_VekGeometryComm.LocalToWorld2d(b.GetOrigin(), b.GetXAxis(), b.GetYAxis(), p);
}

_2dPoint LocalOfWorld(const Board& b, const _3dPoint& p) {
  return g_VekGeometryComm.WorldToLocal2d(b.GetOrigin(), b.GetXAxis(), b.GetYAxis(), p);
}

_2dPoint MapLocal(const Board& from, const Board& to, const PointMap& map, const _2dPoint& p) {
  return LocalOfWorld(to, map(WorldOfLocal(from, p)));
}

}  // namespace

PointMap ThroughFrames(const Board& from, const Board& to) {
  const _3dPoint o0 = from.GetOrigin(), o1 = to.GetOrigin();
  const _3dVector x0 = from.GetXAxis(), y0 = from.GetYAxis(), x1 = to.GetXAxis(), y1 = to.GetYAxis();
  return [=](const _3dPoint& p) {
    const _3dPoint local = g_VekGeometryComm.WorldToLocal3d(o0, x0, y0, p);
    return g_VekGeometryComm.LocalToWorld3d(o1, x1, y1, local);
  };
}

bool OpeningsFit(const Board& from, const Board& to, const PointMap& map, std::string* reason) {
  std::vector<_2dPoint> outline;
  to.GetLocalOutline(outline);
  for (const HolePtr& hole : from.GetHoles()) {
    std::vector<_2dPoint> points;
    if (auto c = boost::dynamic_pointer_cast<CircleHole>(hole)) {
      const _2dPoint centre = MapLocal(from, to, map, c->GetCenter());
      const double r = c->GetRadius();
      for (const auto& d : {_2dPoint(r, 0), _2dPoint(-r, 0), _2dPoint(0, r), _2dPoint(0, -r)})
        points.emplace_back(centre.x + d.x, centre.y + d.y);
    } else if (auto rect = boost::dynamic_pointer_cast<RectangleHole>(hole)) {
      for (const _2dPoint& p : rect->GetCorners()) points.push_back(MapLocal(from, to, map, p));
    }
    for (const _2dPoint& p : points)
      if (g_VekGeometryComm.PointInPolygon2d(outline, p, 0.5) != 1) {
        if (reason) *reason = fmt::format("opening {} would lie outside the new board", hole->GetNumber() > 0 ? hole->GetNumber() : hole->GetId());
        return false;
      }
  }
  return true;
}

void CarryItems(Board& from, Board& to, const PointMap& map) {
  for (const HolePtr& hole : std::vector<HolePtr>(from.GetHoles())) {
    if (auto c = boost::dynamic_pointer_cast<CircleHole>(hole)) {
      c->SetCenter(MapLocal(from, to, map, c->GetCenter()));
    } else if (auto rect = boost::dynamic_pointer_cast<RectangleHole>(hole)) {
      std::vector<_2dPoint> corners = rect->GetCorners();
      for (_2dPoint& p : corners) p = MapLocal(from, to, map, p);
      rect->SetCorners(corners);
    } else if (auto notch = boost::dynamic_pointer_cast<Notch>(hole)) {
      std::vector<_3dPoint> outline = notch->GetOutline();
      for (_3dPoint& p : outline) p = map(p);
      notch->SetOutline(outline);
    }
    from.RemoveHole(hole);
    to.AddHole(hole);
  }
  for (const LoadPtr& load : std::vector<LoadPtr>(from.GetLoads())) {
    if (auto point = boost::dynamic_pointer_cast<PointLoad>(load)) {
      _3dPoint p;
      const double v = point->GetValue(p);
      point->SetValue(v, map(p));
    } else if (auto line = boost::dynamic_pointer_cast<LineLoad>(load)) {
      _3dPoint s, e;
      const double vs = line->GetStartValue(s), ve = line->GetEndValue(e);
      line->SetStartValue(vs, map(s));
      line->SetEndValue(ve, map(e));
    } else if (auto area = boost::dynamic_pointer_cast<AreaLoad>(load)) {
      _2dPolyline region = area->GetRegion();
      std::vector<_3dPoint> vertices = region.GetVertices();
      for (_3dPoint& p : vertices) p = map(p);
      region.SetVertices(vertices);
      area->SetRegion(region);
      _3dPoint s, e;
      const double vs = area->GetStartValue(s), ve = area->GetEndValue(e);
      area->SetStartValue(vs, map(s));
      area->SetEndValue(ve, map(e));
    }
    from.RemoveLoad(load);
    to.AddLoad(load);
  }
  for (const auto& item : std::vector<boost::shared_ptr<VekObject>>(from.GetItems())) {
    from.RemoveObject(item);
    to.AddObject(item);
  }
  to.SetConcreteGrade(from.GetConcreteGrade());
  to.SetUpperXGrade(from.GetUpperXGrade());
  to.SetUpperYGrade(from.GetUpperYGrade());
  to.SetLowerXGrade(from.GetLowerXGrade());
  to.SetLowerYGrade(from.GetLowerYGrade());
}

void CarryFaces(const Board& from, Board& to) {
  const bool flipped = from.GetNormal().x * to.GetNormal().x + from.GetNormal().y * to.GetNormal().y +
                           from.GetNormal().z * to.GetNormal().z <
                       0.0;
  to.SetUpperOffset(flipped ? from.GetLowerOffset() : from.GetUpperOffset());
  to.SetLowerOffset(flipped ? from.GetUpperOffset() : from.GetLowerOffset());
}

}  // namespace model_items
