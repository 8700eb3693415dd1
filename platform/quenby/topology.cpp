// Structural model: the topology routine.  From the boards' geometry it finds
// which boards adjoin and along which line, the neighbour lists, the joints
// (kept with their haunches while their boards adjoin) and the cells.
#include "platform/quenby/internal.h"

// Boost.Geometry's clipping code trips GCC's may-be-uninitialised analysis in
// its own headers; the warning says nothing about this layer's code.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <boost/geometry.hpp>
#include <boost/geometry/algorithms/point_on_surface.hpp>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>
#include <set>

using namespace quenby;

namespace {

struct BoardGeom {
  BoardPtr board;
  int position = -1;
  PlaneFrame frame;
  std::vector<_2dPoint> local;                       // corners, local 2D
  std::vector<std::pair<_3dPoint, _3dPoint>> edges;  // edge segments, world
};

// Appends the component's geometry to the key: its address, then for a
// board its kind, frame, face offsets and edges, as bits (so that two keys
// compare equal exactly when nothing changed, also for values that are not
// numbers).
void AppendGeometryKey(const StructureComponent* component, std::vector<std::uint64_t>& key) {
  const auto bits = [&key](double v) {
    std::uint64_t u;
    std::memcpy(&u, &v, sizeof u);
    key.push_back(u);
  };
  key.push_back(reinterpret_cast<std::uintptr_t>(component));
  const Board* b = dynamic_cast<const Board*>(component);
  if (!b) {
    key.push_back(~std::uint64_t{0});
    return;
  }
  key.push_back(static_cast<std::uint64_t>(static_cast<std::int64_t>(b->GetKind())));
  for (const auto* v : {&b->GetOrigin()}) bits(v->x), bits(v->y), bits(v->z);
  for (const auto* v : {&b->GetXAxis(), &b->GetYAxis()}) bits(v->x), bits(v->y), bits(v->z);
  bits(b->GetUpperOffset());
  bits(b->GetLowerOffset());
  key.push_back(b->GetEdges().size());
  for (const BoardEdge& e : b->GetEdges()) {
    const _2dPoint s = e.GetStartPoint(), t = e.GetEndPoint();
    bits(s.x), bits(s.y), bits(t.x), bits(t.y);
  }
}

double CarrierDistance(const _3dPoint& x, const _3dPoint& p, const _3dVector& t) {
  return (x - p).CrossProduct(t).GetLength();
}

struct EdgeOnLine {
  int edge;
  double s0, s1;  // s0 < s1
};

// The board's edges lying on the line p + s·t (t a unit vector).
std::vector<EdgeOnLine> EdgesOnLine(const BoardGeom& g, const _3dPoint& p, const _3dVector& t) {
  std::vector<EdgeOnLine> result;
  for (std::size_t i = 0; i < g.edges.size(); ++i) {
    const _3dPoint& a = g.edges[i].first;
    const _3dPoint& b = g.edges[i].second;
    if (CarrierDistance(a, p, t) > kJoinTolerance || CarrierDistance(b, p, t) > kJoinTolerance) continue;
    const double sa = (a - p).DotProduct(t), sb = (b - p).DotProduct(t);
    if (std::fabs(sb - sa) <= kMinJointLength) continue;
    result.push_back({static_cast<int>(i), std::min(sa, sb), std::max(sa, sb)});
  }
  return result;
}

double Overlap(double a0, double a1, double b0, double b1) { return std::min(a1, b1) - std::max(a0, b0); }

// The edge of the list overlapping [s0, s1] most (by more than the shortest
// joint), or -1.
int BestEdge(const std::vector<EdgeOnLine>& edges, double s0, double s1) {
  int best = -1;
  double bestOverlap = kMinJointLength;
  for (const EdgeOnLine& e : edges) {
    const double o = Overlap(e.s0, e.s1, s0, s1);
    if (o > bestOverlap) {
      best = e.edge;
      bestOverlap = o;
    }
  }
  return best;
}

struct PairResult {
  bool adjoin = false;
  _3dLine line;
  std::vector<std::pair<int, int>> entries;  // (edge of a or -1, edge of b or -1)
};

_3dLine OrientedLine(const _3dPoint& p, const _3dPoint& q) {
  return PointZYXLess(q, p) ? _3dLine(q, p) : _3dLine(p, q);
}

// Boards in one plane: along collinear overlapping edges.
PairResult CoplanarContact(const BoardGeom& ga, const BoardGeom& gb) {
  PairResult result;
  std::set<int> carriersDone;
  double bestLength = 0.0;
  for (std::size_t i = 0; i < ga.edges.size(); ++i) {
    if (carriersDone.count(static_cast<int>(i))) continue;
    const _3dPoint p = ga.edges[i].first;
    _3dVector t = ga.edges[i].second - p;
    if (!t.Normalize(kMinJointLength)) continue;
    const std::vector<EdgeOnLine> onA = EdgesOnLine(ga, p, t);
    for (const EdgeOnLine& e : onA) carriersDone.insert(e.edge);
    const std::vector<EdgeOnLine> onB = EdgesOnLine(gb, p, t);
    double total = 0.0, lo = 0.0, hi = 0.0;
    bool any = false;
    for (const EdgeOnLine& ea : onA) {
      for (const EdgeOnLine& eb : onB) {
        const double o = Overlap(ea.s0, ea.s1, eb.s0, eb.s1);
        if (o <= kMinJointLength) continue;
        result.entries.emplace_back(ea.edge, eb.edge);
        const double s0 = std::max(ea.s0, eb.s0), s1 = std::min(ea.s1, eb.s1);
        lo = any ? std::min(lo, s0) : s0;
        hi = any ? std::max(hi, s1) : s1;
        any = true;
        total += o;
      }
    }
    if (any && total > bestLength) {
      bestLength = total;
      result.line = OrientedLine(p + t * lo, p + t * hi);
      result.adjoin = true;
    }
  }
  return result;
}

// Boards in different planes: where the common line of the planes lies inside
// or on both outlines.
PairResult CrossingContact(const BoardGeom& ga, const BoardGeom& gb) {
  PairResult result;
  const _3dVector& na = ga.frame.n;
  const _3dVector& nb = gb.frame.n;
  _3dVector t = na.CrossProduct(nb);
  if (!t.Normalize(1e-12)) return result;
  const double c = na.DotProduct(nb);
  const double denom = 1.0 - c * c;
  const double da = na.DotProduct(ga.frame.origin - _3dPoint(0, 0, 0));
  const double db = nb.DotProduct(gb.frame.origin - _3dPoint(0, 0, 0));
  const _3dPoint p = _3dPoint(0, 0, 0) + na * ((da - db * c) / denom) + nb * ((db - da * c) / denom);

  auto cover = [&](const BoardGeom& g) {
    _2dVector dir = g.frame.ToLocal(t);
    dir.Normalize(1e-12);
    return CoverIntervals(g.local, g.frame.ToLocal(p), dir, kJoinTolerance);
  };
  std::vector<std::pair<double, double>> shared = IntersectIntervals(cover(ga), cover(gb));
  shared.erase(std::remove_if(shared.begin(), shared.end(),
                              [](const auto& iv) { return iv.second - iv.first <= kMinJointLength; }),
               shared.end());
  if (shared.empty()) return result;

  result.adjoin = true;
  result.line = OrientedLine(p + t * shared.front().first, p + t * shared.back().second);
  const std::vector<EdgeOnLine> onA = EdgesOnLine(ga, p, t);
  const std::vector<EdgeOnLine> onB = EdgesOnLine(gb, p, t);
  for (const auto& piece : shared) {
    std::set<int> pairedB;
    bool anyA = false;
    for (const EdgeOnLine& ea : onA) {
      if (Overlap(ea.s0, ea.s1, piece.first, piece.second) <= kMinJointLength) continue;
      anyA = true;
      const int eb = BestEdge(onB, std::max(ea.s0, piece.first), std::min(ea.s1, piece.second));
      result.entries.emplace_back(ea.edge, eb);
      if (eb >= 0) pairedB.insert(eb);
    }
    bool anyB = false;
    for (const EdgeOnLine& eb : onB) {
      if (Overlap(eb.s0, eb.s1, piece.first, piece.second) <= kMinJointLength) continue;
      anyB = true;
      if (pairedB.count(eb.edge)) continue;
      result.entries.emplace_back(BestEdge(onA, std::max(eb.s0, piece.first), std::min(eb.s1, piece.second)),
                                  eb.edge);
    }
    if (!anyA && !anyB) result.entries.emplace_back(-1, -1);
  }
  return result;
}

PairResult FindContact(const BoardGeom& ga, const BoardGeom& gb) {
  if (!ga.frame.valid || !gb.frame.valid || ga.local.size() < 2 || gb.local.size() < 2) return {};
  if (ga.frame.n.CrossProduct(gb.frame.n).GetLength() <= 1e-9) {
    if (std::fabs(ga.frame.Height(gb.frame.origin)) > kJoinTolerance) return {};
    return CoplanarContact(ga, gb);
  }
  return CrossingContact(ga, gb);
}

// The pairs of boards whose boxes (widened by the joint tolerance) meet, in
// the order of the boards: only they can adjoin.  A sweep along x over the
// boxes sorted by their low x finds them without trying every pair.
std::vector<std::pair<std::size_t, std::size_t>> CandidatePairs(const std::vector<BoardGeom>& geoms) {
  struct Box {
    double lo[3], hi[3];
  };
  const double margin = 2.0 * kJoinTolerance + kMinJointLength;
  std::vector<Box> boxes(geoms.size());
  for (std::size_t i = 0; i < geoms.size(); ++i) {
    Box& b = boxes[i];
    for (int d = 0; d < 3; ++d) b.lo[d] = INFINITY, b.hi[d] = -INFINITY;
    for (const auto& e : geoms[i].edges) {
      for (const _3dPoint& p : {e.first, e.second}) {
        const double c[3] = {p.x, p.y, p.z};
        for (int d = 0; d < 3; ++d) b.lo[d] = std::min(b.lo[d], c[d]), b.hi[d] = std::max(b.hi[d], c[d]);
      }
    }
    for (int d = 0; d < 3; ++d) b.lo[d] -= margin, b.hi[d] += margin;
  }
  // A board without edges (or with corners that are not numbers) is never
  // in contact.
  std::vector<std::size_t> order;
  for (std::size_t i = 0; i < geoms.size(); ++i) {
    const Box& b = boxes[i];
    if (b.lo[0] <= b.hi[0] && b.lo[1] <= b.hi[1] && b.lo[2] <= b.hi[2]) order.push_back(i);
  }
  std::sort(order.begin(), order.end(), [&boxes](std::size_t a, std::size_t b) { return boxes[a].lo[0] < boxes[b].lo[0]; });
  std::vector<std::pair<std::size_t, std::size_t>> pairs;
  for (std::size_t m = 0; m < order.size(); ++m) {
    const Box& a = boxes[order[m]];
    for (std::size_t q = m + 1; q < order.size(); ++q) {
      const Box& b = boxes[order[q]];
      if (b.lo[0] > a.hi[0]) break;
      if (b.lo[1] > a.hi[1] || a.lo[1] > b.hi[1] || b.lo[2] > a.hi[2] || a.lo[2] > b.hi[2]) continue;
      pairs.emplace_back(std::min(order[m], order[q]), std::max(order[m], order[q]));
    }
  }
  std::sort(pairs.begin(), pairs.end());
  return pairs;
}

void AddNeighbour(std::vector<NeighbourEntry>& list, const BoardPtr& other, int own, int theirs) {
  for (const NeighbourEntry& e : list)
    if (e.board == other && e.ownEdge == own) return;
  list.push_back({other, own, theirs});
}

// ---------------------------------------------------------------------------
// Cells

namespace bg = boost::geometry;
using BgPoint = bg::model::d2::point_xy<double>;
using BgPolygon = bg::model::polygon<BgPoint, false, true>;

BgPolygon ToPolygon(const std::vector<_2dPoint>& points) {
  BgPolygon poly;
  for (const _2dPoint& p : points) bg::append(poly.outer(), BgPoint(p.x, p.y));
  bg::correct(poly);
  return poly;
}

// The plan base line of a vertical board: the extreme plan points of its
// outline along its plan direction.
bool PlanBaseLine(const BoardGeom& g, _2dLine& line) {
  if (std::fabs(g.frame.n.z) > 1e-6 || g.edges.empty()) return false;
  _2dVector along(g.frame.ux.x, g.frame.ux.y);
  if (!along.Normalize(1e-9)) {
    along = _2dVector(g.frame.uy.x, g.frame.uy.y);
    if (!along.Normalize(1e-9)) return false;
  }
  const _2dPoint o(g.frame.origin.x, g.frame.origin.y);
  double lo = 0.0, hi = 0.0;
  bool first = true;
  for (const auto& e : g.edges) {
    const double s = (_2dPoint(e.first.x, e.first.y) - o).Dot(along);
    if (first) { lo = hi = s; first = false; }
    lo = std::min(lo, s);
    hi = std::max(hi, s);
  }
  if (hi - lo <= kMinJointLength) return false;
  // Perpendicular offset of the outline from the origin's plan line.
  const _2dVector across(-along.y, along.x);
  const double h = (_2dPoint(g.edges.front().first.x, g.edges.front().first.y) - o).Dot(across);
  line = _2dLine(o + along * lo + across * h, o + along * hi + across * h);
  return true;
}

// The plan outline of a slab and a point inside it.
bool SlabPlan(const BoardGeom& g, BgPolygon& poly, _2dPoint& inside) {
  if (std::fabs(g.frame.n.z) <= 1e-6 || g.edges.size() < 3) return false;
  std::vector<_2dPoint> plan;
  for (const auto& e : g.edges) plan.emplace_back(e.first.x, e.first.y);
  poly = ToPolygon(plan);
  if (bg::area(poly) <= kMinJointLength) return false;
  BgPoint p;
  bg::point_on_surface(poly, p);
  inside = _2dPoint(p.x(), p.y());
  return true;
}

// z of the board's plane at a plan point.
double PlaneZ(const PlaneFrame& f, const _2dPoint& p) {
  return f.origin.z - (f.n.x * (p.x - f.origin.x) + f.n.y * (p.y - f.origin.y)) / f.n.z;
}

// Height of the board's face on the side of +z (top) or -z (bottom) at a plan
// point.
double FaceZ(const BoardGeom& g, const _2dPoint& p, bool top) {
  const double mid = PlaneZ(g.frame, p);
  const double scale = 1.0 / std::fabs(g.frame.n.z);
  const bool upperIsTop = g.frame.n.z > 0.0;
  const double off = (top == upperIsTop) ? g.board->GetUpperOffset() : g.board->GetLowerOffset();
  return top ? mid + off * scale : mid - off * scale;
}

bool SegmentOnRegionSide(const _2dLine& wall, const std::vector<_2dPoint>& region) {
  for (std::size_t i = 0; i + 1 < region.size(); ++i) {
    const _2dPoint& a = region[i];
    const _2dPoint& b = region[i + 1];
    _2dVector t = b - a;
    const double len = t.GetLength();
    if (!t.Normalize(1e-9)) continue;
    auto dist = [&](const _2dPoint& x) { return std::fabs((x - a).Cross(t)); };
    if (dist(wall.GetStartPoint()) > kJoinTolerance || dist(wall.GetEndPoint()) > kJoinTolerance) continue;
    const double s0 = (wall.GetStartPoint() - a).Dot(t), s1 = (wall.GetEndPoint() - a).Dot(t);
    if (Overlap(std::min(s0, s1), std::max(s0, s1), 0.0, len) > kMinJointLength) return true;
  }
  return false;
}

bool SameRegion(const std::vector<_2dPoint>& a, const std::vector<_2dPoint>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (!(a[i] == b[i])) return false;
  return true;
}

UnitPtr UnitOf(const std::vector<UnitPtr>& units, const Board* board) {
  for (const UnitPtr& unit : units)
    for (const StructureComponentPtr& c : unit->GetComponents())
      if (c.get() == board) return unit;
  return UnitPtr();
}

void BuildCells(const std::vector<BoardGeom>& geoms, const std::vector<UnitPtr>& units, double depth,
                std::vector<TankCellPtr>& cells) {
  std::vector<_2dLine> lines;
  std::vector<std::pair<const BoardGeom*, _2dLine>> walls;
  for (const BoardGeom& g : geoms) {
    _2dLine line;
    if (g.board->GetKind() == 0 && PlanBaseLine(g, line)) {
      lines.push_back(line);
      walls.emplace_back(&g, line);
    }
  }
  const PointLoops regions = lines.empty() ? PointLoops() : g_PolygonAlgorithm.FindRegions(lines);

  // The slabs' plans, once for all regions.
  struct SlabInPlan {
    const BoardGeom* g;
    _2dPoint inside;
  };
  std::vector<SlabInPlan> slabs;
  if (!regions.empty()) {
    for (const BoardGeom& g : geoms) {
      const int kind = g.board->GetKind();
      if (kind != 1 && kind != 2) continue;
      BgPolygon plan;
      _2dPoint inside;
      if (SlabPlan(g, plan, inside)) slabs.push_back({&g, inside});
    }
  }

  std::vector<TankCellPtr> result;
  for (const PointLoop& region : regions) {
    TankCellPtr cell;
    for (const TankCellPtr& old : cells)
      if (SameRegion(old->GetRegion(), region)) cell = old;
    if (!cell) {
      cell.reset(new TankCell);
      StructureAccess::Region(*cell) = region;
    }
    const BgPolygon area = ToPolygon(std::vector<_2dPoint>(region.begin(), region.end()));

    std::vector<UnitPtr> cellUnits;
    auto addUnit = [&](const Board* board) {
      UnitPtr unit = UnitOf(units, board);
      if (unit && std::find(cellUnits.begin(), cellUnits.end(), unit) == cellUnits.end()) cellUnits.push_back(unit);
    };
    bool haveBottom = false, haveTop = false, haveWalls = false;
    double bottom = 0.0, top = 0.0;
    for (const SlabInPlan& slab : slabs) {
      const BoardGeom& g = *slab.g;
      const int kind = g.board->GetKind();
      const _2dPoint& inside = slab.inside;
      if (!bg::within(BgPoint(inside.x, inside.y), area)) continue;
      addUnit(g.board.get());
      if (kind == 1) {
        const double z = FaceZ(g, inside, true);
        bottom = haveBottom ? std::max(bottom, z) : z;
        haveBottom = true;
      } else {
        const double z = FaceZ(g, inside, false);
        top = haveTop ? std::min(top, z) : z;
        haveTop = true;
      }
    }
    double wallLow = 0.0, wallHigh = 0.0;
    for (const auto& w : walls) {
      if (!SegmentOnRegionSide(w.second, region)) continue;
      addUnit(w.first->board.get());
      for (const auto& e : w.first->edges) {
        wallLow = haveWalls ? std::min(wallLow, e.first.z) : e.first.z;
        wallHigh = haveWalls ? std::max(wallHigh, e.first.z) : e.first.z;
        haveWalls = true;
      }
    }
    StructureAccess::CellUnits(*cell) = cellUnits;

    if (!cell->IsWaterLevelSet()) {
      double level = depth;
      if (depth < 0.0) {
        const double base = haveBottom ? bottom : wallLow;
        const double surface = haveTop ? top : wallHigh;
        level = (haveBottom || haveWalls) ? std::max(0.0, surface - base) : 0.0;
      }
      StructureAccess::Level(*cell) = level;
    }
    result.push_back(cell);
  }
  cells = std::move(result);
}

}  // namespace

// ---------------------------------------------------------------------------

const Structure::Topology& Structure::EnsureTopology() const {
  // Every query checks that the geometry is what the topology was found
  // for; the key is built in a buffer kept between calls, so the check
  // allocates nothing.
  if (m_topologyFrozen > 0 && m_topology && m_topology->components == m_components.size()) return *m_topology;
  thread_local std::vector<std::uint64_t> key;
  key.clear();
  for (const StructureComponentPtr& c : m_components) AppendGeometryKey(c.get(), key);
  if (m_topology && m_topology->key == key) return *m_topology;

  auto topo = std::make_unique<Topology>();
  topo->key = key;
  topo->components = m_components.size();

  std::vector<BoardGeom> geoms;
  for (std::size_t i = 0; i < m_components.size(); ++i) {
    BoardPtr board = boost::dynamic_pointer_cast<Board>(m_components[i]);
    if (!board) continue;
    BoardGeom g;
    g.board = board;
    g.position = static_cast<int>(i);
    g.frame = FrameOf(*board);
    board->GetLocalOutline(g.local);
    for (const BoardEdge& e : board->GetEdges())
      g.edges.emplace_back(g.frame.ToWorld(e.GetStartPoint()), g.frame.ToWorld(e.GetEndPoint()));
    topo->positions[board.get()] = g.position;
    topo->neighbours[board.get()];
    geoms.push_back(std::move(g));
  }

  // Joints by their pair of boards, to be kept with their haunches.
  std::map<std::pair<const Board*, const Board*>, BoardJointPtr> known;
  for (const BoardJointPtr& j : m_joints)
    if (j->m_first && j->m_second) {
      known[{j->m_first.get(), j->m_second.get()}] = j;
      known[{j->m_second.get(), j->m_first.get()}] = j;
    }

  std::vector<BoardJointPtr> joints;
  for (const auto& [i, k] : CandidatePairs(geoms)) {
    {
      const BoardGeom& ga = geoms[i];
      const BoardGeom& gb = geoms[k];
      const PairResult r = FindContact(ga, gb);
      if (!r.adjoin) continue;
      topo->contacts.push_back({ga.position, gb.position, r.line});
      topo->lines[{ga.board.get(), gb.board.get()}] = r.line;
      topo->lines[{gb.board.get(), ga.board.get()}] = r.line;
      for (const auto& e : r.entries) {
        AddNeighbour(topo->neighbours[ga.board.get()], gb.board, e.first, e.second);
        AddNeighbour(topo->neighbours[gb.board.get()], ga.board, e.second, e.first);
      }
      BoardJointPtr joint;
      auto it = known.find({ga.board.get(), gb.board.get()});
      if (it != known.end()) joint = it->second;
      else joint.reset(new BoardJoint);
      joint->m_first = ga.board;
      joint->m_second = gb.board;
      if (joint->m_line) joint->m_line->SetLine(r.line);
      else joint->m_line.reset(new JointLine(r.line));
      joints.push_back(joint);
    }
  }
  // The neighbour lists in component order of the neighbours.
  for (auto& entry : topo->neighbours) {
    std::stable_sort(entry.second.begin(), entry.second.end(), [&](const NeighbourEntry& x, const NeighbourEntry& y) {
      return topo->positions[x.board.get()] < topo->positions[y.board.get()];
    });
  }
  m_joints = std::move(joints);

  std::vector<UnitPtr> units;
  for (const UnitPtr& unit : m_units)
    if (unit->GetComponentCount() > 0) units.push_back(unit);
  BuildCells(geoms, units, m_waterDepth, m_cells);

  m_topology = std::move(topo);
  return *m_topology;
}

Structure::TopologyFreeze::TopologyFreeze(const Structure& structure) : m_structure(structure) {
  m_structure.EnsureTopology();
  ++m_structure.m_topologyFrozen;
}

Structure::TopologyFreeze::~TopologyFreeze() { --m_structure.m_topologyFrozen; }

// ---------------------------------------------------------------------------
// Queries on the topology

void Structure::GetNeighbourBoards(const BoardPtr& board, std::vector<BoardPtr>& boards, std::vector<int>& ownEdges,
                                   std::vector<int>& otherEdges) const {
  boards.clear();
  ownEdges.clear();
  otherEdges.clear();
  const Topology& topo = EnsureTopology();
  auto it = topo.neighbours.find(board.get());
  if (!board || it == topo.neighbours.end()) return;
  for (const NeighbourEntry& e : it->second) {
    boards.push_back(e.board);
    ownEdges.push_back(e.ownEdge);
    otherEdges.push_back(e.otherEdge);
  }
}

void Structure::GetBoardsOnEdge(const BoardPtr& board, int edgeIndex, std::vector<BoardPtr>& boards,
                                std::vector<int>& edges) const {
  boards.clear();
  edges.clear();
  const Topology& topo = EnsureTopology();
  auto it = topo.neighbours.find(board.get());
  if (!board || edgeIndex < 0 || it == topo.neighbours.end()) return;
  for (const NeighbourEntry& e : it->second) {
    if (e.ownEdge != edgeIndex) continue;
    boards.push_back(e.board);
    edges.push_back(e.otherEdge);
  }
}

bool Structure::GetIntersectionLine(const BoardPtr& a, const BoardPtr& b, _3dLine& line) const {
  const Topology& topo = EnsureTopology();
  auto it = topo.lines.find({a.get(), b.get()});
  if (!a || !b || it == topo.lines.end()) return false;
  line = it->second;
  return true;
}

std::vector<BoardPtr> Structure::GetAdjoiningBoards(const BoardPtr& board) const {
  std::vector<BoardPtr> result;
  const Topology& topo = EnsureTopology();
  auto it = topo.neighbours.find(board.get());
  if (!board || it == topo.neighbours.end()) return result;
  for (const NeighbourEntry& e : it->second)
    if (std::find(result.begin(), result.end(), e.board) == result.end()) result.push_back(e.board);
  return result;
}

bool Structure::SpansBothSides(const BoardPtr& a, const BoardPtr& b) const {
  if (!a || !b) return false;
  const PlaneFrame frame = FrameOf(*a);
  if (!frame.valid) return false;
  bool above = false, below = false;
  for (const _3dPoint& p : b->GetOutlinePoints()) {
    const double h = frame.Height(p);
    if (h > kJoinTolerance) above = true;
    if (h < -kJoinTolerance) below = true;
  }
  return above && below;
}

std::vector<BoardPtr> Structure::GetSlabWalls(const std::vector<BoardPtr>& slabs,
                                              const std::vector<BoardPtr>& walls) const {
  const Topology& topo = EnsureTopology();
  std::vector<BoardPtr> result;
  for (const BoardPtr& wall : walls) {
    if (!wall) continue;
    for (const BoardPtr& slab : slabs) {
      if (slab && topo.lines.count({wall.get(), slab.get()})) {
        result.push_back(wall);
        break;
      }
    }
  }
  return result;
}

void Structure::GetOutlineLists(std::vector<std::vector<unsigned char>>& flags,
                                std::vector<std::vector<_3dPoint>>& outlines,
                                std::vector<std::vector<_3dPoint>>& frames,
                                std::vector<std::vector<_3dLine>>& lines) const {
  const Topology& topo = EnsureTopology();
  const std::size_t n = m_components.size();
  flags.assign(n, std::vector<unsigned char>(n, 0));
  lines.assign(n, std::vector<_3dLine>(n));
  outlines.assign(n, {});
  frames.assign(n, {});
  for (std::size_t i = 0; i < n; ++i) {
    if (const Board* b = dynamic_cast<const Board*>(m_components[i].get())) {
      outlines[i] = b->GetOutlinePoints();
      frames[i] = {b->GetOrigin(), b->GetOrigin() + b->GetXAxis(), b->GetOrigin() + b->GetYAxis()};
    }
  }
  for (const BoardContact& c : topo.contacts) {
    const auto a = static_cast<std::size_t>(c.a), b = static_cast<std::size_t>(c.b);
    flags[a][b] = flags[b][a] = 1;
    lines[a][b] = lines[b][a] = c.line;
  }
}

void Structure::GetContactLines(std::vector<std::pair<int, int>>& pairs, std::vector<_3dLine>& lines) const {
  const Topology& topo = EnsureTopology();
  std::vector<const BoardContact*> sorted;
  sorted.reserve(topo.contacts.size());
  for (const BoardContact& c : topo.contacts) sorted.push_back(&c);
  // A later contact of the same pair overwrites an earlier one in the tables.
  std::stable_sort(sorted.begin(), sorted.end(), [](const BoardContact* x, const BoardContact* y) {
    return std::pair(x->a, x->b) < std::pair(y->a, y->b);
  });
  pairs.clear();
  lines.clear();
  for (const BoardContact* c : sorted) {
    if (!pairs.empty() && pairs.back() == std::pair(c->a, c->b)) {
      lines.back() = c->line;
      continue;
    }
    pairs.emplace_back(c->a, c->b);
    lines.push_back(c->line);
  }
}

std::vector<std::vector<BoardJointPtr>> Structure::GetJointGroups() const {
  EnsureTopology();
  struct Member {
    BoardJointPtr joint;
    _2dPoint plan;
    double low;
  };
  std::vector<std::vector<Member>> groups;
  for (const BoardJointPtr& j : m_joints) {
    if (!j->m_first || !j->m_second || j->m_first->GetKind() != 0 || j->m_second->GetKind() != 0) continue;
    const _3dLine line = j->GetLine();
    const _3dPoint& s = line.GetStartPoint();
    const _3dPoint& e = line.GetEndPoint();
    if (std::hypot(e.x - s.x, e.y - s.y) > kJoinTolerance || std::fabs(e.z - s.z) <= kMinJointLength) continue;
    const Member m{j, _2dPoint(s.x, s.y), std::min(s.z, e.z)};
    auto it = std::find_if(groups.begin(), groups.end(), [&](const std::vector<Member>& g) {
      return std::hypot(g.front().plan.x - m.plan.x, g.front().plan.y - m.plan.y) <= kJoinTolerance;
    });
    if (it == groups.end()) groups.push_back({m});
    else it->push_back(m);
  }
  std::vector<std::vector<BoardJointPtr>> result;
  for (auto& g : groups) {
    if (g.size() < 2) continue;
    std::stable_sort(g.begin(), g.end(), [](const Member& x, const Member& y) { return x.low < y.low; });
    std::vector<BoardJointPtr> joints;
    for (const Member& m : g) joints.push_back(m.joint);
    result.push_back(std::move(joints));
  }
  return result;
}
