// The concrete of a tank as it is cast (see concrete.h).
#include "platform/quenby/concrete.h"

// Boost.Geometry's rescaling policy trips GCC's flow analysis in its own
// headers; the value it warns about is always set before use.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"

#include <boost/geometry.hpp>
#include <boost/geometry/algorithms/point_on_surface.hpp>
#include <boost/geometry/geometries/multi_polygon.hpp>
#include <boost/geometry/geometries/point_xy.hpp>
#include <boost/geometry/geometries/polygon.hpp>

#include <algorithm>
#include <cmath>
#include <exception>
#include <unordered_map>

namespace {

namespace bg = boost::geometry;
using BgPoint = bg::model::d2::point_xy<double>;
using BgPolygon = bg::model::polygon<BgPoint>;
using BgMulti = bg::model::multi_polygon<BgPolygon>;

// Pieces of a region smaller than this (mm²) are round-off of the
// geometry operations, not concrete.
constexpr double kSliverArea = 1.0;
// Sides of the polygon that stands for a circular opening in the areas
// (of the circle's own area, see CirclePolygon).
constexpr int kCircleSides = 128;

bool Parallel(const _3dVector& a, const _3dVector& b) {
  _3dVector x = a, y = b;
  if (!x.Normalize(1e-9) || !y.Normalize(1e-9)) return false;
  return x.CrossProduct(y).GetLength() < 1e-6;
}

double Dot(const _3dVector& a, const _3dVector& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// How far the wall reaches beyond its reference plane in world direction
// `towards` (a unit vector): its face offset on that side, measured along
// `towards`.
double FaceReach(const Board& wall, const _3dVector& towards) {
  _3dVector n = wall.GetNormal();
  if (!n.Normalize(1e-9)) return 0.0;
  const double c = Dot(n, towards);
  if (std::fabs(c) < 0.1) return 0.0;
  return (c > 0.0 ? wall.GetUpperOffset() : wall.GetLowerOffset()) / std::fabs(c);
}

// The outward unit vector of a board's edge in world coordinates (away from
// the board, in its plane).
_3dVector Outward(const Board& board, int edge) {
  _3dVector d = board.GetEdgeDirection(edge);
  return _3dVector(-d.x, -d.y, -d.z);
}

// Per edge of a slab: how far the slab's material reaches outside the edge
// in the model (0 for an edge inside the tank or without a wall on it), and
// whether the edge carries an overhang.
struct SlabEdgeReach {
  double wall = 0.0;      // to the outer face of the wall on the edge
  double overhang = 0.0;  // the overhang beyond that face
  bool hasOverhang = false;
};

std::vector<SlabEdgeReach> SlabReaches(const BoardPtr& slab, Tank& tank) {
  std::vector<SlabEdgeReach> reach(slab->GetEdges().size());
  for (std::size_t i = 0; i < reach.size(); ++i) {
    std::vector<BoardPtr> others;
    std::vector<int> otherEdges;
    tank.GetBoardsOnEdge(slab, static_cast<int>(i), others, otherEdges);
    bool inside = false;
    double m = 0.0;
    const _3dVector out = Outward(*slab, static_cast<int>(i));
    for (const BoardPtr& other : others) {
      if (!other || other == slab) continue;
      if (other->GetKind() == slab->GetKind() && Parallel(other->GetNormal(), slab->GetNormal())) inside = true;
      if (other->GetKind() == 0) m = std::max(m, FaceReach(*other, out));
    }
    double len = 0.0;
    const bool overhang = slab->GetEdges()[i].GetOverhang(len) && std::fabs(len) >= g_ZeroTolerance;
    if (inside && !overhang) continue;
    reach[i].wall = m;
    reach[i].hasOverhang = overhang;
    reach[i].overhang = overhang ? len : 0.0;
  }
  return reach;
}

// --- Plan regions through Boost.Geometry ---------------------------------------

// Plan coordinates on a grid of a micrometre, so that the sides two slabs
// share meet exactly in the unions.
double Snap(double v) { return std::round(v * 1000.0) / 1000.0; }

BgPolygon ToPolygon(const std::vector<_2dPoint>& ring) {
  BgPolygon poly;
  for (const _2dPoint& p : ring) bg::append(poly.outer(), BgPoint(Snap(p.x), Snap(p.y)));
  bg::correct(poly);
  return poly;
}

BgMulti ToMulti(const std::vector<_2dPoint>& ring) {
  BgMulti m;
  if (ring.size() >= 3) m.push_back(ToPolygon(ring));
  return m;
}

// The union of many regions, pairwise (each round halves their number).
BgMulti UnionAll(std::vector<BgMulti> parts) {
  if (parts.empty()) return {};
  while (parts.size() > 1) {
    std::vector<BgMulti> next;
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
      BgMulti u;
      bg::union_(parts[i], parts[i + 1], u);
      next.push_back(std::move(u));
    }
    if (parts.size() % 2 == 1) next.push_back(std::move(parts.back()));
    parts.swap(next);
  }
  return parts.front();
}

// The region without its slivers.
BgMulti WithoutSlivers(const BgMulti& m) {
  BgMulti out;
  for (const BgPolygon& p : m)
    if (bg::area(p) > kSliverArea) out.push_back(p);
  return out;
}

std::vector<_2dPoint> FromRing(const bg::model::ring<BgPoint>& ring) {
  std::vector<_2dPoint> out;
  for (const BgPoint& p : ring) {
    const _2dPoint q(p.x(), p.y());
    if (out.empty() || !(out.back() == q)) out.push_back(q);
  }
  while (out.size() > 1 && out.front() == out.back()) out.pop_back();
  return out;
}

std::vector<PlanRegion> ToRegions(const BgMulti& m) {
  std::vector<PlanRegion> out;
  for (const BgPolygon& p : m) {
    PlanRegion r;
    r.outer = FromRing(p.outer());
    if (r.outer.size() < 3) continue;
    for (const auto& inner : p.inners()) {
      std::vector<_2dPoint> hole = FromRing(inner);
      if (hole.size() >= 3) r.holes.push_back(std::move(hole));
    }
    out.push_back(std::move(r));
  }
  return out;
}

double RegionsArea(const std::vector<PlanRegion>& regions) {
  double a = 0.0;
  for (const PlanRegion& r : regions) {
    BgPolygon p = ToPolygon(r.outer);
    for (const auto& hole : r.holes) {
      BgPolygon h = ToPolygon(hole);
      p.inners().push_back(h.outer());
    }
    bg::correct(p);
    a += bg::area(p);
  }
  return a;
}

// A polygon of the circle's own area (its corners just outside the circle).
std::vector<_2dPoint> CirclePolygon(const _2dPoint& c, double r) {
  const double step = 2.0 * g_Pi / kCircleSides;
  const double R = r * std::sqrt(step / std::sin(step));
  std::vector<_2dPoint> pts;
  for (int i = 0; i < kCircleSides; ++i) pts.emplace_back(c.x + R * std::cos(i * step), c.y + R * std::sin(i * step));
  return pts;
}

// The board's face (its outline, board-local) less its openings and
// notches, mm².  Opening kinds the model does not know take nothing away.
double FaceArea(const Board& board, const std::vector<_2dPoint>& outline) {
  if (outline.size() < 3) return 0.0;
  BgMulti face = ToMulti(outline);
  for (const HolePtr& hole : board.GetHoles()) {
    if (!hole) continue;
    std::vector<_2dPoint> ring;
    if (auto* c = dynamic_cast<const CircleHole*>(hole.get())) {
      if (!(c->GetRadius() > 0)) continue;
      ring = CirclePolygon(c->GetCenter(), c->GetRadius());
    } else if (auto* r = dynamic_cast<const RectangleHole*>(hole.get())) {
      ring = r->GetCorners();
      if (ring.size() > 1 && ring.front() == ring.back()) ring.pop_back();
    } else if (auto* n = dynamic_cast<const Notch*>(hole.get())) {
      for (const _3dPoint& p : n->GetOutline()) ring.push_back(board.WorldToLocal(p));
      if (ring.size() > 1 && ring.front() == ring.back()) ring.pop_back();
    } else {
      continue;
    }
    if (ring.size() < 3) continue;
    BgMulti rest;
    bg::difference(face, ToMulti(ring), rest);
    face.swap(rest);
  }
  return bg::area(face);
}

// Safe face area: an outline or opening the geometry library cannot handle
// falls back to the outline's area less the openings' own areas.
double SafeFaceArea(const Board& board, const std::vector<_2dPoint>& outline) {
  try {
    return FaceArea(board, outline);
  } catch (const std::exception&) {
    double a = 0.0;
    for (std::size_t i = 0; i < outline.size(); ++i) {
      const _2dPoint& p = outline[i];
      const _2dPoint& q = outline[(i + 1) % outline.size()];
      a += p.x * q.y - q.x * p.y;
    }
    a = std::fabs(a) / 2;
    for (const HolePtr& h : board.GetHoles())
      if (h) a -= h->GetArea();
    return std::max(a, 0.0);
  }
}

bool IsLevel(const Board& board) {
  _3dVector n = board.GetNormal();
  return n.Normalize(1e-9) && std::fabs(n.z) > 1.0 - 1e-6;
}

// The board's outline with the edges moved out by `grow`, in plan.
std::vector<_2dPoint> PlanOutline(const Board& board, const std::vector<double>& grow) {
  std::vector<_2dPoint> local;
  board.GetLocalOutline(local);
  std::vector<_2dPoint> out;
  for (const _2dPoint& q : GrowPolygonEdges(local, grow)) {
    const _3dPoint w = board.LocalToWorld(q);
    out.emplace_back(w.x, w.y);
  }
  return out;
}

// The strip outside an overhanging edge, in plan: as wide as the overhang
// and the wall beyond the edge, carried over the corner square where the
// next edge reaches out too, and back over the corner where the edge before
// reaches out with the slab itself.
std::vector<_2dPoint> OverhangStrip(const Board& slab, std::size_t i, const std::vector<SlabEdgeReach>& reach) {
  const auto& edges = slab.GetEdges();
  const auto width = [&](std::size_t k) {
    return reach[k].hasOverhang ? reach[k].overhang + reach[k].wall : reach[k].wall;
  };
  const _3dPoint s3 = slab.LocalToWorld(edges[i].GetStartPoint());
  const _3dPoint e3 = slab.LocalToWorld(edges[i].GetEndPoint());
  const _2dPoint s(s3.x, s3.y), e(e3.x, e3.y);
  _2dVector along(e.x - s.x, e.y - s.y);
  if (!along.Normalize(1e-9)) return {};
  // Outwards: away from the slab across the edge; the edge direction turned
  // clockwise when the slab gives no direction across it.
  const _3dVector d3 = slab.GetEdgeDirection(static_cast<int>(i));
  _2dVector out(-d3.x, -d3.y);
  if (!out.Normalize(0.1)) out = _2dVector(along.y, -along.x);
  const double len = width(i);
  const std::size_t n = edges.size();
  const std::size_t next = (i + 1) % n, before = (i + n - 1) % n;
  const double atEnd = next != i ? width(next) : 0.0;
  const double atStart = before != i && !reach[before].hasOverhang ? reach[before].wall : 0.0;
  const _2dPoint e1 = e + along * atEnd, s1 = s - along * atStart;
  return {s1, e1, e1 + out * len, s1 + out * len};
}

// The overhang of the level slabs of one kind: each overhanging edge's part
// of the plan outline moved out to the overhang's edge, less the slabs' own
// concrete and the parts of the edges before.  With `areas`, also the base
// and outer-face areas of the slabs, mm².
void BuildOverhangs(const std::vector<std::size_t>& slabs, Tank& tank, TankConcrete& out, double* base,
                    double* outer) {
  std::vector<std::vector<SlabEdgeReach>> reaches;
  std::vector<BgMulti> own, full, faces;
  bool anyOverhang = false;
  for (std::size_t index : slabs) {
    const BoardConcrete& bc = out.boards[index];
    const Board& slab = *bc.board;
    std::vector<SlabEdgeReach> reach = SlabReaches(bc.board, tank);
    std::vector<double> toEdge(reach.size()), toFace(reach.size());
    for (std::size_t i = 0; i < reach.size(); ++i) {
      toFace[i] = reach[i].wall;
      toEdge[i] = reach[i].wall + reach[i].overhang;
      anyOverhang = anyOverhang || reach[i].hasOverhang;
    }
    own.push_back(ToMulti(PlanOutline(slab, bc.grow)));
    full.push_back(ToMulti(PlanOutline(slab, toEdge)));
    faces.push_back(ToMulti(PlanOutline(slab, toFace)));
    reaches.push_back(std::move(reach));
  }
  const std::vector<BgMulti> fullBySlab = full;
  const BgMulti region = UnionAll(std::move(full));
  if (base) *base = bg::area(region);
  if (outer) *outer = bg::area(UnionAll(std::move(faces)));
  if (!anyOverhang) return;
  BgMulti taken = UnionAll(std::move(own));
  for (std::size_t k = 0; k < slabs.size(); ++k) {
    BoardConcrete& bc = out.boards[slabs[k]];
    const std::vector<SlabEdgeReach>& reach = reaches[k];
    for (std::size_t i = 0; i < reach.size(); ++i) {
      if (!reach[i].hasOverhang) continue;
      const std::vector<_2dPoint> strip = OverhangStrip(*bc.board, i, reach);
      if (strip.size() < 3) continue;
      BgMulti inside, piece;
      bg::intersection(ToMulti(strip), region, inside);
      bg::difference(inside, taken, piece);
      piece = WithoutSlivers(piece);
      if (piece.empty()) continue;
      BgMulti more;
      bg::union_(taken, piece, more);
      taken.swap(more);
      bc.overhang.push_back({static_cast<int>(i), ToRegions(piece)});
    }
  }
  // What the strips leave at odd corners goes to the slab it lies by.
  BgMulti left;
  bg::difference(region, taken, left);
  for (const BgPolygon& p : WithoutSlivers(left)) {
    BgPoint at;
    bg::point_on_surface(p, at);
    std::size_t owner = 0;
    for (std::size_t k = 0; k < slabs.size(); ++k)
      if (bg::covered_by(at, fullBySlab[k])) {
        owner = k;
        break;
      }
    BgMulti one;
    one.push_back(p);
    out.boards[slabs[owner]].overhang.push_back({-1, ToRegions(one)});
  }
}

// The same without the geometry library's operations, for plans it cannot
// take: the strips as they are and the areas of the slabs and strips summed.
void BuildOverhangsPlainly(const std::vector<std::size_t>& slabs, Tank& tank, TankConcrete& out, double* base,
                           double* outer) {
  double b = 0.0, o = 0.0;
  for (std::size_t index : slabs) {
    BoardConcrete& bc = out.boards[index];
    bc.overhang.clear();
    const std::vector<SlabEdgeReach> reach = SlabReaches(bc.board, tank);
    std::vector<double> toEdge(reach.size()), toFace(reach.size());
    for (std::size_t i = 0; i < reach.size(); ++i) {
      toFace[i] = reach[i].wall;
      toEdge[i] = reach[i].wall + reach[i].overhang;
    }
    b += RegionsArea({PlanRegion{PlanOutline(*bc.board, toEdge), {}}});
    o += RegionsArea({PlanRegion{PlanOutline(*bc.board, toFace), {}}});
    for (std::size_t i = 0; i < reach.size(); ++i)
      if (reach[i].hasOverhang)
        bc.overhang.push_back({static_cast<int>(i), {PlanRegion{OverhangStrip(*bc.board, i, reach), {}}}});
  }
  if (base) *base = b;
  if (outer) *outer = o;
}

}  // namespace

const BoardConcrete* TankConcrete::Find(const Board* board) const {
  const auto it = index.find(board);
  return it == index.end() ? nullptr : &boards[it->second];
}

std::vector<_2dPoint> GrowPolygonEdges(const std::vector<_2dPoint>& pts, const std::vector<double>& grow) {
  const std::size_t n = pts.size();
  double area2 = 0.0;
  for (std::size_t i = 0; i < n; ++i) area2 += pts[i].x * pts[(i + 1) % n].y - pts[(i + 1) % n].x * pts[i].y;
  const double turn = area2 >= 0.0 ? 1.0 : -1.0;  // outward is right of a counter-clockwise edge
  const auto dir = [&](std::size_t i) {
    _2dVector t = pts[(i + 1) % n] - pts[i];
    if (!t.Normalize(1e-9)) t = _2dVector(0, 0);
    return t;
  };
  const auto out = [&](std::size_t i) {
    const _2dVector t = dir(i);
    return _2dVector(t.y * turn, -t.x * turn);
  };
  std::vector<_2dPoint> result(n);
  for (std::size_t k = 0; k < n; ++k) {
    const std::size_t a = (k + n - 1) % n, b = k;
    const double da = a < grow.size() ? grow[a] : 0.0, db = b < grow.size() ? grow[b] : 0.0;
    if (da == 0.0 && db == 0.0) {
      result[k] = pts[k];
      continue;
    }
    const _2dVector ta = dir(a), tb = dir(b);
    const _2dPoint pa = pts[k] + out(a) * da, pb = pts[k] + out(b) * db;
    const double cross = ta.x * tb.y - ta.y * tb.x;
    if (std::fabs(cross) < 1e-9) {
      result[k] = std::fabs(da) >= std::fabs(db) ? pa : pb;
      continue;
    }
    // pa + ta * u = pb + tb * v
    const _2dVector w = pb - pa;
    const double u = (w.x * tb.y - w.y * tb.x) / cross;
    result[k] = pa + ta * u;
  }
  return result;
}

namespace {

// The place of every component in the model's order.
using ModelOrder = std::unordered_map<const StructureComponent*, std::ptrdiff_t>;

ModelOrder OrderOf(const Tank& tank) {
  ModelOrder order;
  std::ptrdiff_t k = 0;
  for (const StructureComponentPtr& c : tank.GetComponents()) order.emplace(c.get(), k++);
  return order;
}

std::vector<double> EdgeGrow(const BoardPtr& board, Tank& tank, const ModelOrder& order) {
  std::vector<double> grow(board->GetEdges().size(), 0.0);
  if (board->GetKind() == 1 || board->GetKind() == 2) {
    const std::vector<SlabEdgeReach> reach = SlabReaches(board, tank);
    for (std::size_t i = 0; i < grow.size(); ++i)
      if (!reach[i].hasOverhang) grow[i] = reach[i].wall;
    return grow;
  }
  if (board->GetKind() != 0) return grow;
  const auto last = static_cast<std::ptrdiff_t>(order.size());
  const auto position = [&](const BoardPtr& b) {
    const auto it = order.find(b.get());
    return it == order.end() ? last : it->second;
  };
  for (std::size_t i = 0; i < grow.size(); ++i) {
    const _3dVector out = Outward(*board, static_cast<int>(i));
    const _3dVector in(-out.x, -out.y, -out.z);
    std::vector<BoardPtr> others;
    std::vector<int> otherEdges;
    tank.GetBoardsOnEdge(board, static_cast<int>(i), others, otherEdges);
    if (std::fabs(out.z) > 1e-6) {
      // The base or the top: the slabs the wall meets there.
      double cut = 0.0;
      for (const BoardPtr& other : others)
        if (other && other->GetKind() != 0 && Parallel(other->GetNormal(), _3dVector(0, 0, 1)))
          cut = std::max(cut, FaceReach(*other, in));
      grow[i] = -cut;
      continue;
    }
    std::vector<BoardPtr> inLine, across;
    bool acrossEnds = true;
    for (std::size_t k = 0; k < others.size(); ++k) {
      const BoardPtr& other = others[k];
      if (!other || other == board || other->GetKind() != 0) continue;
      if (Parallel(other->GetNormal(), board->GetNormal())) {
        inLine.push_back(other);
      } else {
        across.push_back(other);
        if (otherEdges[k] < 0) acrossEnds = false;  // a wall running on past the joint
      }
    }
    if (across.empty()) continue;
    const bool acrossContinues = across.size() >= 2 || !acrossEnds;
    auto first = [&](const std::vector<BoardPtr>& walls) {
      auto best = last;
      for (const BoardPtr& w : walls) best = std::min(best, static_cast<std::ptrdiff_t>(position(w)));
      return best;
    };
    std::vector<BoardPtr> mine = inLine;
    mine.push_back(board);
    bool carried = false, cut = false;
    if (inLine.empty() && !acrossContinues) {  // an outer corner
      carried = first(mine) < first(across);
      cut = !carried;
    } else if (inLine.empty()) {  // the wall that stops at a T
      cut = true;
    } else if (acrossContinues) {  // a cross: the first line runs through
      cut = first(across) < first(mine);
    }
    double reach = 0.0;
    for (const BoardPtr& other : across) reach = std::max(reach, FaceReach(*other, carried ? out : in));
    if (carried) grow[i] = reach;
    if (cut) grow[i] = -reach;
  }
  return grow;
}

}  // namespace

std::vector<double> ConcreteEdgeGrow(const BoardPtr& board, Tank& tank) {
  return EdgeGrow(board, tank, OrderOf(tank));
}

TankConcrete BuildTankConcrete(Tank& tank) {
  // Nothing here changes a board: the neighbours are found once.
  const Structure::TopologyFreeze frozen(tank);
  TankConcrete out;
  const ModelOrder order = OrderOf(tank);
  for (const BoardPtr& board : tank.GetBoards()) {
    BoardConcrete bc;
    bc.board = board;
    bc.grow = EdgeGrow(board, tank, order);
    std::vector<_2dPoint> local;
    board->GetLocalOutline(local);
    bc.outline = GrowPolygonEdges(local, bc.grow);
    bc.faceArea = SafeFaceArea(*board, bc.outline) * 1e-6;
    bc.volume = bc.faceArea * board->GetThickness() * 1e-3;
    out.index.emplace(board.get(), out.boards.size());
    out.boards.push_back(std::move(bc));
  }
  for (int kind : {1, 2}) {
    std::vector<std::size_t> slabs;
    for (std::size_t i = 0; i < out.boards.size(); ++i) {
      const Board& b = *out.boards[i].board;
      std::vector<_2dPoint> local;
      b.GetLocalOutline(local);
      if (b.GetKind() == kind && local.size() >= 3 && IsLevel(b)) slabs.push_back(i);
    }
    if (slabs.empty()) continue;
    // Top slabs have no base; they need the plan only for an overhang.
    const bool overhangs = std::any_of(slabs.begin(), slabs.end(), [&](std::size_t i) {
      double len = 0.0;
      for (const BoardEdge& e : out.boards[i].board->GetEdges())
        if (e.GetOverhang(len) && std::fabs(len) >= g_ZeroTolerance) return true;
      return false;
    });
    if (kind != 1 && !overhangs) continue;
    double base = 0.0, outer = 0.0;
    try {
      BuildOverhangs(slabs, tank, out, &base, &outer);
    } catch (const std::exception&) {
      BuildOverhangsPlainly(slabs, tank, out, &base, &outer);
    }
    if (kind == 1) {
      out.baseArea = base * 1e-6;
      out.outerFaceArea = outer * 1e-6;
    }
    for (std::size_t index : slabs) {
      BoardConcrete& bc = out.boards[index];
      double area = 0.0;
      for (const OverhangConcrete& o : bc.overhang) area += RegionsArea(o.regions);
      bc.overhangVolume = area * 1e-6 * bc.board->GetThickness() * 1e-3;
    }
  }
  return out;
}
