// Face zones of board groups: grouping of slabs and walls, the group outline,
// the strongest bar set per layer and the bars of each group bar line.
#include "rebar/GroupFaceZones.h"

#include "rebar/BarEnds.h"
#include "rebar/BarLines.h"
#include "rebar/BarSelection.h"
#include "rebar/DetailingRules.h"
#include "rebar/FaceZones.h"
#include "rebar/JointZones.h"
#include "rebar/ReinTrendAdapter.h"

#include <boost/make_shared.hpp>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <typeinfo>
#include <utility>

namespace {

// Boards of a group lie in one plane and meet edge to edge within the
// model's joining tolerance.
constexpr double kPlaneTolerance = 1.0;  // mm
// An end of a bar line lies on an outline edge within this distance.
constexpr double kEndTolerance = 0.01;  // mm
// Bars and pieces shorter than this are not laid.
constexpr double kShortest = 1.0;  // mm

_2dPoint ToReference(const Board& reference, const Board& board, const _2dPoint& local) {
  return reference.WorldToLocal(board.LocalToWorld(local));
}

// The plane of `b` is the plane of `a` (normals parallel, b's origin within
// the tolerance of a's plane).
bool InPlaneOf(const Board& a, const Board& b) {
  const _3dVector na = a.GetNormal();
  if (!na.IsParallelTo(b.GetNormal())) return false;
  return std::abs((b.GetOrigin() - a.GetOrigin()).DotProduct(na)) <= kPlaneTolerance;
}

// Splits each key group into chains of boards that meet, chains in the order
// they were started.
void SplitIntoChains(const Tank& tank, const std::vector<BoardGroup>& keyed, std::vector<BoardGroup>& out) {
  for (BoardGroup pool : keyed) {
    while (!pool.empty()) {
      BoardGroup chain{pool.front()};
      pool.erase(pool.begin());
      for (std::size_t k = 0; k < chain.size(); ++k)
        for (auto it = pool.begin(); it != pool.end();) {
          _3dLine common;
          if (tank.GetIntersectionLine(chain[k], *it, common)) {
            chain.push_back(*it);
            it = pool.erase(it);
          } else {
            ++it;
          }
        }
      out.push_back(std::move(chain));
    }
  }
}

struct LayerSet {
  int diameter = 0;
  int spacing = 0;
  std::string grade;
  bool HasBars() const { return diameter > 0 && spacing > 0; }
};

// A piece of the group outline: the part of one board edge that no other
// board of the group lies against, in the reference frame.
struct EdgeRecord {
  BoardPtr board;
  int edge = -1;
  _2dPoint a, b;
};

// One end of a bar line: the point and the board edge it lies on (-1: none).
struct BarEnd {
  _2dPoint point;
  BoardPtr board;
  int edge = -1;
};

// An opening of a group board in the reference frame.
struct Opening {
  bool circle = false;
  _2dPoint centre;
  double radius = 0.0;
  std::vector<_2dPoint> corners;
};

std::vector<EdgeRecord> OutlineRecords(const BoardGroup& group) {
  const Board& reference = *group.front();
  std::vector<EdgeRecord> all;
  for (const BoardPtr& board : group) {
    const auto& edges = board->GetEdges();
    for (std::size_t i = 0; i < edges.size(); ++i)
      all.push_back({board, static_cast<int>(i), ToReference(reference, *board, edges[i].GetStartPoint()),
                     ToReference(reference, *board, edges[i].GetEndPoint())});
  }
  std::vector<EdgeRecord> pieces;
  for (const EdgeRecord& r : all) {
    const _2dVector d = r.b - r.a;
    const double len = d.GetLength();
    if (len <= kShortest) continue;
    const _2dVector u = d * (1.0 / len);
    // The stretches of the edge that an edge of another board covers.
    std::vector<std::pair<double, double>> covered;
    for (const EdgeRecord& o : all) {
      if (o.board == r.board) continue;
      if (std::abs(u.Cross(o.a - r.a)) > kPlaneTolerance || std::abs(u.Cross(o.b - r.a)) > kPlaneTolerance)
        continue;
      double s0 = (o.a - r.a).Dot(u), s1 = (o.b - r.a).Dot(u);
      if (s0 > s1) std::swap(s0, s1);
      s0 = std::max(s0, 0.0);
      s1 = std::min(s1, len);
      if (s1 - s0 > kShortest) covered.emplace_back(s0, s1);
    }
    std::sort(covered.begin(), covered.end());
    double at = 0.0;
    auto keep = [&](double s0, double s1) {
      if (s1 - s0 > kShortest) pieces.push_back({r.board, r.edge, r.a + u * s0, s1 >= len ? r.b : r.a + u * s1});
    };
    for (const auto& [c0, c1] : covered) {
      if (c0 > at) keep(at, c0);
      at = std::max(at, c1);
    }
    keep(at, len);
  }
  return pieces;
}

// One closed chain of outline pieces as corners (collinear points dropped),
// starting with the first piece.
std::vector<_2dPoint> ChainLoop(const std::vector<EdgeRecord>& records) {
  std::vector<_3dLine> lines;
  for (const EdgeRecord& r : records) lines.emplace_back(_3dPoint(r.a), _3dPoint(r.b));
  std::vector<_2dPoint> chain;
  for (const _3dPoint& p : g_VekGeometryComm.ChainLines(lines)) chain.emplace_back(p.x, p.y);
  for (bool dropped = true; dropped && chain.size() > 3;) {
    dropped = false;
    for (std::size_t i = 0; i < chain.size(); ++i) {
      const _2dPoint& prev = chain[(i + chain.size() - 1) % chain.size()];
      const _2dPoint& next = chain[(i + 1) % chain.size()];
      const _2dVector a = chain[i] - prev, b = next - chain[i];
      const double la = a.GetLength(), lb = b.GetLength();
      if (la <= 0 || lb <= 0 || (std::abs(a.Cross(b)) / (la * lb) < 1e-9 && a.Dot(b) > 0)) {
        chain.erase(chain.begin() + static_cast<std::ptrdiff_t>(i));
        dropped = true;
        break;
      }
    }
  }
  return chain;
}

// The closed loops of the outline pieces.  Boards set round an empty space
// (slabs round an open cell) give an inner loop besides the outer one.
std::vector<std::vector<_2dPoint>> OutlineLoops(std::vector<EdgeRecord> records) {
  std::vector<std::vector<_2dPoint>> loops;
  while (!records.empty()) {
    const std::vector<_2dPoint> loop = ChainLoop(records);
    // The pieces the loop runs along leave the search (at least the first).
    const std::size_t before = records.size();
    std::erase_if(records, [&loop](const EdgeRecord& r) {
      const _2dPoint mid = r.a + (r.b - r.a) * 0.5;
      for (std::size_t i = 0; i < loop.size(); ++i)
        if (g_VekGeometryComm.IsPointOnSegment(loop[i], loop[(i + 1) % loop.size()], mid, kEndTolerance)) return true;
      return false;
    });
    if (records.size() == before) records.erase(records.begin());
    if (loop.size() >= 3) loops.push_back(loop);
  }
  return loops;
}

BarEnd EndOf(const std::vector<EdgeRecord>& records, const BoardPtr& reference, const _2dPoint& p) {
  for (const EdgeRecord& r : records)
    if (g_VekGeometryComm.IsPointOnSegment(r.a, r.b, p, kEndTolerance)) return {p, r.board, r.edge};
  return {p, reference, -1};
}

std::vector<Opening> GroupOpenings(const BoardGroup& group) {
  const Board& reference = *group.front();
  std::vector<Opening> openings;
  for (const BoardPtr& board : group)
    for (const HolePtr& hole : board->GetHoles()) {
      if (!hole) continue;
      if (typeid(*hole) == typeid(CircleHole)) {
        const auto& c = static_cast<const CircleHole&>(*hole);
        Opening o;
        o.circle = true;
        o.centre = ToReference(reference, *board, c.GetCenter());
        o.radius = c.GetRadius();
        openings.push_back(o);
      } else if (typeid(*hole) == typeid(RectangleHole)) {
        Opening o;
        for (const _2dPoint& p : static_cast<const RectangleHole&>(*hole).GetCorners())
          o.corners.push_back(ToReference(reference, *board, p));
        openings.push_back(o);
      }
    }
  return openings;
}

// Everything a group layer's bars need.
struct GroupLayer {
  const Tank* tank = nullptr;
  const BoardGroup* group = nullptr;
  const ReinDesignOptions* options = nullptr;
  const ReinTrendAdapter* adapter = nullptr;
  bool upper = true;
  bool x = true;
  double level = 0.0;  // distance of the bar layer from the reference plane, toward the face
  double cover = 0.0;  // how far the bars keep from an opening
};

_3dPoint OnLayer(const GroupLayer& layer, const _2dPoint& p) {
  const Board& reference = *layer.group->front();
  const _3dVector n = reference.GetNormal() * (layer.upper ? layer.level : -layer.level);
  return reference.LocalToWorld(p) + n;
}

// The face and direction of a group board's layer that the group layer
// (`upper`, `x` on the reference board) maps onto.
void BoardLayerOf(const Board& reference, const Board& board, bool upper, bool x, bool& boardUpper, bool& boardX) {
  const double angle = reference.GetReinAngle();
  const double a = board.GetReinAngle();
  const _2dVector along =
      ToReference(reference, board, _2dPoint(std::cos(a), std::sin(a))) - ToReference(reference, board, {0, 0});
  const bool xToX = along.IsParallelTo(_2dVector(std::cos(angle), std::sin(angle)));
  boardUpper = board.GetNormal().DotProduct(reference.GetNormal()) > 0 ? upper : !upper;
  boardX = x == xToX;
}

// The points a bar line's end takes at its edge, the other end giving the
// bar's direction: the treatment a single board's bar gets at that board's
// edge.  An end on no edge record, or on an edge that only boards of the
// group meet (a stretch of it lies against another group board), is free.
std::vector<_3dPoint> TreatGroupEnd(const GroupLayer& layer, const BarEnd& end, const BarEnd& other) {
  const BoardPtr& reference = layer.group->front();
  BoardPtr board = end.board ? end.board : reference;
  int edge = end.edge;
  if (edge >= 0) {
    std::vector<BoardPtr> boards;
    std::vector<int> edges;
    layer.tank->GetBoardsOnEdge(board, edge, boards, edges);
    if (!boards.empty() && std::all_of(boards.begin(), boards.end(), [&](const BoardPtr& b) {
          return std::find(layer.group->begin(), layer.group->end(), b) != layer.group->end();
        }))
      edge = -1;
  }
  bool face = layer.upper, isX = layer.x;
  BoardLayerOf(*reference, *board, layer.upper, layer.x, face, isX);
  const BarEndRecord record{_3dPoint(end.point.x, end.point.y, 0.0), board, edge};
  const BarEndRecord otherRecord{_3dPoint(other.point.x, other.point.y, 0.0), other.board ? other.board : reference,
                                 other.edge};
  std::vector<_3dPoint> points;
  TreatBarEndAtEdge(*layer.options, reference, record, otherRecord, points, *layer.adapter, face, isX);
  // The treatment starts on the bar layer of the board it ends on; the
  // group's bars lie on the group's layer (the innermost of its boards), so
  // the end's points move with the bar onto that layer.
  const _3dVector shift = OnLayer(layer, end.point) - BarLayerPoint(*layer.options, *reference, board, end.point, face);
  for (_3dPoint& p : points) p = p + shift;
  return points;
}

// The group's layer as the bar-row builders take it: the group's bar layer,
// its cover at openings, and each end finished at the edge of the group
// board it ends on.
BarRowLayer RowLayerOf(const GroupLayer& layer) {
  BarRowLayer row;
  row.level = layer.level;
  row.cover = layer.cover;
  row.treat = [&layer](const BarEndRecord& end, const BarEndRecord& other) {
    return TreatGroupEnd(layer, BarEnd{_2dPoint(end.point.x, end.point.y), end.board, end.edgeIndex},
                         BarEnd{_2dPoint(other.point.x, other.point.y), other.board, other.edgeIndex});
  };
  return row;
}

BarEndRecord RecordOf(const BarEnd& end) {
  return BarEndRecord{_3dPoint(end.point.x, end.point.y, 0.0), end.board, end.edge};
}

// The openings of the group as outlines in the reference frame: a circle
// for a round one, a closed polyline through the corners of any other.
std::vector<boost::shared_ptr<Entity>> OpeningOutlines(const std::vector<Opening>& openings) {
  std::vector<boost::shared_ptr<Entity>> outlines;
  for (const Opening& o : openings) {
    if (o.circle) {
      outlines.push_back(boost::make_shared<_3dCircle>(_3dPoint(o.centre.x, o.centre.y, 0.0), o.radius));
    } else {
      std::vector<_3dPoint> corners;
      for (const _2dPoint& p : o.corners) corners.emplace_back(p.x, p.y, 0.0);
      outlines.push_back(boost::make_shared<_2dPolyline>(corners, true));
    }
  }
  return outlines;
}

// The bar layer of a face of the group: its distance from the reference
// plane toward the face, the least over the boards (each board's face offset
// less its cover, measured from the reference plane).
double GroupBarLevel(const ReinDesignOptions& options, const BoardGroup& group, bool upper) {
  const Board& reference = *group.front();
  const _3dVector n = reference.GetNormal();
  double level = std::numeric_limits<double>::infinity();
  for (const BoardPtr& board : group) {
    const bool sameSide = board->GetNormal().DotProduct(n) > 0;
    const bool boardUpper = sameSide ? upper : !upper;
    const double shift = (board->GetOrigin() - reference.GetOrigin()).DotProduct(n);
    const double extent = (boardUpper ? board->GetUpperOffset() : board->GetLowerOffset()) + (upper ? shift : -shift);
    level = std::min(level, extent - GetConcreteCover(options, board, boardUpper));
  }
  return level;
}

LayerSet SetOf(const Board& board, bool upper, bool x) {
  const FaceValues& v = board.GetFaceValues(upper, x);
  return {v.diameter, v.spacing, v.grade};
}

// The group's outline in the reference frame, the clear part its bar lines
// are spread over, and the spaces that cut its bars.
struct GroupShape {
  std::vector<EdgeRecord> records;
  std::vector<_2dPoint> outline;
  std::vector<_2dPoint> clear;
  std::vector<Opening> openings;
};

bool ShapeOf(const Tank& tank, const BoardGroup& group, GroupShape& shape) {
  shape.records = OutlineRecords(group);
  // The largest loop is the outline; any other loop encloses a space no
  // board of the group covers, and cuts the bars as an opening does.
  std::vector<std::vector<_2dPoint>> loops = OutlineLoops(shape.records);
  if (loops.empty()) return false;
  const auto largest = std::max_element(loops.begin(), loops.end(), [](const auto& a, const auto& b) {
    return std::abs(g_VekGeometryComm.GetArea(a)) < std::abs(g_VekGeometryComm.GetArea(b));
  });
  shape.outline = *largest;
  const std::vector<_2dPoint>& outline = shape.outline;
  // The bar lines are spread over the clear part of the group, inside the
  // boards that meet its outline, and carried back to the outline, as on a
  // single board.
  std::vector<double> reaches(outline.size(), 0.0);
  for (std::size_t i = 0; i < outline.size(); ++i)
    for (const EdgeRecord& r : shape.records) {
      const _2dPoint mid = r.a + (r.b - r.a) * 0.5;
      if (g_VekGeometryComm.IsPointOnSegment(outline[i], outline[(i + 1) % outline.size()], mid, kEndTolerance))
        reaches[i] = std::max(reaches[i], EdgeReach(tank, r.board, r.edge, group));
    }
  shape.clear = InsetOutline(outline, reaches);
  shape.openings = GroupOpenings(group);
  for (auto it = loops.begin(); it != loops.end(); ++it)
    if (it != largest) {
      Opening inner;
      inner.corners = *it;
      shape.openings.push_back(inner);
    }
  return true;
}

// The bars of one layer of the group (face and direction of the reference
// board) with the set's diameter and grade; `cover` takes the distance from
// the reference board's face down to the group's bar layer.
std::vector<ReinPtr> LayGroupLayer(const Tank& tank, const BoardGroup& group, const GroupShape& shape,
                                   const ReinDesignOptions& options, const ReinTrendAdapter& adapter, bool upper,
                                   bool x, const LayerSet& set, double& cover) {
  const BoardPtr& reference = group.front();
  GroupLayer layer;
  layer.tank = &tank;
  layer.group = &group;
  layer.options = &options;
  layer.adapter = &adapter;
  layer.upper = upper;
  layer.x = x;
  layer.level = GroupBarLevel(options, group, upper);
  const double offset = upper ? reference->GetUpperOffset() : reference->GetLowerOffset();
  layer.cover = cover = offset - layer.level;
  std::vector<ReinPtr> bars;
  if (!set.HasBars()) return bars;
  const double angle = reference->GetReinAngle();
  const _2dVector dir = x ? _2dVector(std::cos(angle), std::sin(angle)) : _2dVector(-std::sin(angle), std::cos(angle));
  double extension = 0.0;
  const bool extended = GetWallBarExtension(options, reference, upper, x, extension);
  const int lineSpacing = extended ? std::max(1, set.spacing / 2) : set.spacing;
  const bool sortByY = std::abs(dir.y) > std::abs(dir.x);
  std::vector<_2dLine> lines;
  LayoutBarLines(shape.clear, lineSpacing, dir, lines, &sortByY, false);
  const BarRowLayer row = RowLayerOf(layer);
  const std::vector<boost::shared_ptr<Entity>> openings = OpeningOutlines(shape.openings);
  for (std::size_t k = 1; k <= lines.size(); ++k) {
    const _2dLine line = ExtendToOutline(shape.outline, lines[k - 1]);
    const BarEndRecord start = RecordOf(EndOf(shape.records, reference, line.GetStartPoint()));
    const BarEndRecord end = RecordOf(EndOf(shape.records, reference, line.GetEndPoint()));
    if (extended && k % 2 == 1)
      LayoutExtendedBarRow(options, reference, start, end, openings, adapter, upper, x, extension, bars, &row);
    else
      LayoutBarRow(options, reference, start, end, openings, adapter, upper, x, bars, &row);
  }
  for (const ReinPtr& bar : bars) {
    bar->SetDiameter(set.diameter);
    bar->SetGrade(set.grade);
  }
  return bars;
}

}  // namespace

void GroupSlabBoards(const Tank& tank, const std::vector<BoardPtr>& boards, std::vector<BoardGroup>& groups) {
  std::vector<_3dVector> keys;
  std::vector<BoardGroup> keyed;
  for (const BoardPtr& board : boards) {
    if (!board) continue;
    const _3dVector dir = board->GetMainDirection();
    std::size_t k = 0;
    for (; k < keys.size(); ++k)
      if ((dir.IsSameDirection(keys[k]) || dir.IsParallelTo(keys[k])) && InPlaneOf(*keyed[k].front(), *board)) break;
    if (k == keys.size()) {
      keys.push_back(dir);
      keyed.emplace_back();
    }
    keyed[k].push_back(board);
  }
  SplitIntoChains(tank, keyed, groups);
}

void GroupWallBoards(const Tank& tank, const std::vector<BoardPtr>& walls, std::vector<BoardGroup>& groups) {
  std::vector<BoardGroup> keyed;
  for (const BoardPtr& wall : walls) {
    if (!wall) continue;
    std::size_t k = 0;
    for (; k < keyed.size(); ++k) {
      const Board& key = *keyed[k].front();
      if (wall->GetNormal().IsSameDirection(key.GetNormal()) &&
          std::abs((wall->GetOrigin() - key.GetOrigin()).DotProduct(key.GetNormal())) <= kPlaneTolerance)
        break;
    }
    if (k == keyed.size()) keyed.emplace_back();
    keyed[k].push_back(wall);
  }
  SplitIntoChains(tank, keyed, groups);
}

void LayoutGroupZones(const Tank& tank, const BoardGroup& group, const ReinDesignOptions& options,
                      const ReinTrendAdapter* adapter) {
  if (group.size() == 1) LayoutSingleBoardZones(tank, options, group.front(), adapter);
  else if (group.size() > 1) LayoutFaceZones(tank, group, options, adapter);
}

void LayoutFaceZones(const Tank& tank, const BoardGroup& group, const ReinDesignOptions& options,
                     const ReinTrendAdapter* adapter) {
  if (group.empty()) return;
  if (group.size() == 1) {
    LayoutSingleBoardZones(tank, options, group.front(), adapter);
    return;
  }
  std::unique_ptr<ReinTrendAdapter> own;
  if (!adapter) {
    own = std::make_unique<ReinTrendAdapter>(tank);
    adapter = own.get();
  }
  const BoardPtr& reference = group.front();
  const double angle = reference->GetReinAngle();
  const _2dVector dirX(std::cos(angle), std::sin(angle));
  const _3dVector normal = reference->GetNormal();

  // Strongest set per layer, indexed [upper ? 0 : 1][x ? 0 : 1].
  LayerSet sets[2][2];
  for (bool upper : {true, false})
    for (bool x : {true, false}) sets[upper ? 0 : 1][x ? 0 : 1] = SetOf(*reference, upper, x);
  for (std::size_t i = 1; i < group.size(); ++i) {
    const Board& board = *group[i];
    const double a = board.GetReinAngle();
    const _2dVector along =
        ToReference(*reference, board, _2dPoint(std::cos(a), std::sin(a))) - ToReference(*reference, board, {0, 0});
    const bool xToX = along.IsParallelTo(dirX);
    const bool upperToUpper = board.GetNormal() == normal;
    for (bool upper : {true, false})
      for (bool x : {true, false}) {
        const LayerSet candidate = SetOf(board, upper == upperToUpper, x == xToX);
        LayerSet& current = sets[upper ? 0 : 1][x ? 0 : 1];
        if (!candidate.HasBars()) continue;
        if (!current.HasBars() || IsStrongerRein(candidate.grade, candidate.diameter, candidate.spacing,
                                                 current.grade, current.diameter, current.spacing))
          current = candidate;
      }
  }

  GroupShape shape;
  if (!ShapeOf(tank, group, shape)) return;

  ReinZonePtr zones[2][2];
  for (bool upper : {true, false}) {
    for (bool x : {true, false}) {
      const LayerSet& set = sets[upper ? 0 : 1][x ? 0 : 1];
      if (!set.HasBars()) continue;
      double cover = 0.0;
      const std::vector<ReinPtr> bars = LayGroupLayer(tank, group, shape, options, *adapter, upper, x, set, cover);
      if (bars.empty()) continue;
      auto zone = boost::make_shared<ReinZone>();
      zone->SetReins(bars);
      zone->SetDiameter(set.diameter);
      zone->SetGrade(set.grade);
      zone->SetSpacing(set.spacing);
      zone->SetCover(cover);
      zone->SetFace(upper ? 0 : 1);
      zone->SetDirection(x ? 0 : 1);
      zone->SetCategory(2);
      // Layer flag as on a single board.
      if (reference->GetKind() == 0) {
        zone->SetLayerFlag(x ? 0 : 1);
      } else if (x) {
        const LayerSet& y = sets[upper ? 0 : 1][1];
        const long ax = static_cast<long>(set.diameter) * set.diameter / set.spacing;
        const long ay = y.HasBars() ? static_cast<long>(y.diameter) * y.diameter / y.spacing : 0;
        zone->SetLayerFlag(ay <= ax ? 1 : 0);
      } else {
        zone->SetLayerFlag(0);
      }
      zones[upper ? 0 : 1][x ? 0 : 1] = zone;
    }
  }
  for (const BoardPtr& board : group)
    for (bool upper : {true, false})
      for (bool x : {true, false})
        if (const ReinZonePtr& zone = zones[upper ? 0 : 1][x ? 0 : 1])
          (upper ? board->GetUpperZones() : board->GetLowerZones()).push_back(zone);
}

std::vector<ReinPtr> LayGroupFaceBars(const Tank& tank, const BoardGroup& group, const ReinDesignOptions& options,
                                      bool upper, bool x, int diameter, int spacing, const std::string& grade,
                                      const ReinTrendAdapter* adapter) {
  GroupShape shape;
  if (group.empty() || !ShapeOf(tank, group, shape)) return {};
  std::unique_ptr<ReinTrendAdapter> own;
  if (!adapter) {
    own = std::make_unique<ReinTrendAdapter>(tank);
    adapter = own.get();
  }
  double cover = 0.0;
  return LayGroupLayer(tank, group, shape, options, *adapter, upper, x, {diameter, spacing, grade}, cover);
}
