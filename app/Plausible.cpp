#include "app/Plausible.h"

#include "app/ProjectFile.h"

#include <boost/geometry.hpp>
#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <typeinfo>

namespace tank::app {

std::string PlausibleRange::Check(double x) const {
  const std::string span = fmt::format("{} in {}, from {} to {}", what, unit, lo, hi);
  if (!std::isfinite(x)) return fmt::format("must be a finite number ({})", span);
  // A value computed by the model (a corner after an edit) is shown to a
  // thousandth, not with its round-off; a huge one as it is.
  const double shown = std::abs(x) < 1e12 ? std::round(x * 1000.0) / 1000.0 : x;
  if (x < lo) return fmt::format("must be at least {}, got {} ({})", lo, shown, span);
  if (x > hi) return fmt::format("must be at most {}, got {} ({})", hi, shown, span);
  return {};
}

namespace {

double SegmentDistance(const _2dPoint& p, const _2dPoint& a, const _2dPoint& b) {
  const double dx = b.x - a.x, dy = b.y - a.y;
  const double len2 = dx * dx + dy * dy;
  double t = len2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / len2 : 0.0;
  t = std::clamp(t, 0.0, 1.0);
  return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

namespace bg = boost::geometry;
using BgPoint = bg::model::d2::point_xy<double>;
using BgPolygon = bg::model::polygon<BgPoint>;

BgPolygon LocalPolygon(const std::vector<_2dPoint>& points) {
  BgPolygon polygon;
  for (const _2dPoint& p : points) bg::append(polygon.outer(), BgPoint(p.x, p.y));
  bg::correct(polygon);
  return polygon;
}

// Empty for a simple polygon of non-zero area; otherwise why not.
std::string PolygonProblem(const BgPolygon& polygon, const char* what) {
  // Points on one line enclose nothing; a polygon that spans an area but
  // crosses itself (a bow tie) may still sum to none.
  BgPolygon hull;
  if (polygon.outer().size() >= 4) bg::convex_hull(polygon, hull);
  if (polygon.outer().size() < 4 || !(bg::area(hull) > 1.0)) return fmt::format("the {} encloses no area", what);
  std::string why;
  if (!bg::is_valid(polygon, why)) return fmt::format("the {} crosses or touches itself", what);
  if (!(bg::area(polygon) > 1.0)) return fmt::format("the {} encloses no area", what);
  return {};
}

}  // namespace

std::string NotchProblem(const Board& board, const std::vector<_3dPoint>& outline) {
  std::vector<_2dPoint> local;
  for (const _3dPoint& v : outline) {
    const _2dPoint p = board.WorldToLocal(v);
    if (!std::isfinite(p.x) || !std::isfinite(p.y)) return "a corner of the notch is not a finite number";
    if (local.empty() || std::hypot(p.x - local.back().x, p.y - local.back().y) > 1e-6) local.push_back(p);
  }
  const BgPolygon notch = LocalPolygon(local);
  if (std::string why = PolygonProblem(notch, "notch outline"); !why.empty()) return why;
  std::vector<_2dPoint> boardOutline;
  board.GetLocalOutline(boardOutline);
  const BgPolygon shape = LocalPolygon(boardOutline);
  // Inside the board or on its outline: the part of the notch on the board
  // is the whole notch, within a square millimetre per metre of its sides.
  const double area = bg::area(notch);
  const double tolerance = 1e-3 * bg::perimeter(notch) + 1.0;
  double inside = 0;
  if (bg::is_valid(shape)) {
    std::vector<BgPolygon> common;
    bg::intersection(notch, shape, common);
    for (const BgPolygon& p : common) inside += bg::area(p);
  }
  if (inside < area - tolerance) return "the notch does not lie inside its board or on its outline";
  if (area > bg::area(shape) - tolerance) return "the notch takes the whole board";
  return {};
}

std::string OutlineProblem(const Board& board) {
  std::vector<_2dPoint> outline;
  board.GetLocalOutline(outline);
  std::vector<_2dPoint> distinct;
  for (const _2dPoint& p : outline)
    if (distinct.empty() || std::hypot(p.x - distinct.back().x, p.y - distinct.back().y) > 1e-6) distinct.push_back(p);
  while (distinct.size() > 1 &&
         std::hypot(distinct.front().x - distinct.back().x, distinct.front().y - distinct.back().y) <= 1e-6)
    distinct.pop_back();
  return PolygonProblem(LocalPolygon(distinct), "outline");
}

bool IsOnBoard(const Board& board, const _3dPoint& point, double tolerance) {
  std::vector<_2dPoint> outline;
  board.GetLocalOutline(outline);
  if (outline.size() < 3) return false;
  const _2dPoint p = board.WorldToLocal(point);
  if (!std::isfinite(p.x) || !std::isfinite(p.y)) return false;
  // Out of the board's plane (a slab's plan point is put on its plane).
  if (std::abs(board.LocalToWorld(p).DistanceTo(point)) > std::max(tolerance, board.GetThickness())) return false;
  bool inside = false;
  for (std::size_t i = 0, j = outline.size() - 1; i < outline.size(); j = i++) {
    const _2dPoint& a = outline[i];
    const _2dPoint& b = outline[j];
    if (SegmentDistance(p, a, b) <= tolerance) return true;
    if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x) inside = !inside;
  }
  return inside;
}

std::vector<std::string> CheckTankModel(const Tank& tank) {
  std::vector<std::string> problems;
  for (const BoardPtr& board : tank.GetBoards()) {
    if (!board) continue;
    std::string name = BoardName(tank, board);
    if (name.empty()) name = fmt::format("board {}", board->GetNumber());
    const auto add = [&problems, &name](const std::string& field, const std::string& why) {
      if (!why.empty()) problems.push_back(fmt::format("{}: {}: {}", name, field, why));
    };
    add("thickness", kThickness.Check(board->GetThickness()));
    double x0 = INFINITY, y0 = INFINITY, z0 = INFINITY, x1 = -INFINITY, y1 = -INFINITY, z1 = -INFINITY;
    bool finite = true;
    for (const _3dPoint& p : board->GetOutlinePoints()) {
      finite = finite && std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
      x0 = std::min(x0, p.x), y0 = std::min(y0, p.y), z0 = std::min(z0, p.z);
      x1 = std::max(x1, p.x), y1 = std::max(y1, p.y), z1 = std::max(z1, p.z);
    }
    if (!finite) {
      add("outline", "a corner is not a finite number");
      continue;
    }
    for (double c : {x0, y0, z0, x1, y1, z1}) {
      const std::string why = kPlanCoordinate.Check(c);
      if (!why.empty()) {
        add("outline", "a corner " + why);
        break;
      }
    }
    add("size", kTankLength.Check(std::max({x1 - x0, y1 - y0, z1 - z0, kTankLength.lo})));
    add("outline", OutlineProblem(*board));
    const auto& loads = board->GetLoads();
    for (std::size_t i = 0; i < loads.size(); ++i) {
      const Load* load = loads[i].get();
      if (!load) continue;
      const std::string field = fmt::format("load {}", i + 1);
      if (const auto* pl = dynamic_cast<const PointLoad*>(load)) {
        _3dPoint at;
        add(field, kPointLoadValue.Check(pl->GetValue(at)));
        if (!IsOnBoard(*board, at)) add(field, "the point load lies outside the board");
      } else if (const auto* ll = dynamic_cast<const LineLoad*>(load)) {
        _3dPoint a, b;
        add(field, kLineLoadValue.Check(ll->GetStartValue(a)));
        add(field, kLineLoadValue.Check(ll->GetEndValue(b)));
        if (!IsOnBoard(*board, a) || !IsOnBoard(*board, b)) add(field, "the line load leaves the board");
      } else if (const auto* al = dynamic_cast<const AreaLoad*>(load)) {
        _3dPoint a;
        add(field, kAreaLoadValue.Check(al->GetValue()));
        add(field, kAreaLoadValue.Check(al->GetStartValue(a)));
        add(field, kAreaLoadValue.Check(al->GetEndValue(a)));
      }
    }
  }
  return problems;
}

}  // namespace tank::app
