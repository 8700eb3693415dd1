// Support bars at board junctions: the junctions of the tank grouped by their
// common line, the cage the boards' face bars close in each junction's
// section, and one zone of straight longitudinal bars per junction laid in the
// corners of that cage.
#include "rebar/SupportReins.h"

#include "platform/HostServices.h"
#include "platform/Zarvel.h"
#include "rebar/ReinDesigner.h"
#include "rebar/ZoneGeometry.h"

#include <boost/make_shared.hpp>
#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <typeinfo>

namespace support_rebar {

namespace {

// Tolerance of every segment-on-segment and intersection test in a section.
constexpr double kSectionTolerance = 1.0;
// Bound on the segments a section may grow to while crossings are cut.
constexpr std::size_t kMaxSectionSegments = 4096;

const VekGeometryComm& Comm() { return g_VekGeometryComm; }

std::string ComponentName(const std::vector<StructureComponentPtr>& components, int position) {
  if (position >= 0 && position < static_cast<int>(components.size()) && components[position] &&
      typeid(*components[position]) == typeid(Board)) {
    const auto& board = static_cast<const Board&>(*components[position]);
    const char* kind = board.GetKind() == 0 ? "wall" : board.GetKind() == 1 ? "bottom slab" : "top slab";
    return fmt::format("{} {}", kind, board.GetNumber());
  }
  return fmt::format("component {}", position + 1);
}

bool IsBoardAt(const std::vector<StructureComponentPtr>& components, int position) {
  return position >= 0 && position < static_cast<int>(components.size()) && components[position] &&
         typeid(*components[position]) == typeid(Board);
}

BoardPtr BoardAt(const std::vector<StructureComponentPtr>& components, int position) {
  return boost::static_pointer_cast<Board>(components[position]);
}

// Angle of a segment to the board's normal folded into [0, π/2].
double FoldedAngleToNormal(const _3dVector& segment, const _3dVector& normal) {
  double a = segment.GetAngleTo(normal);
  if (a > g_Pi / 2) a = g_Pi - a;
  return a;
}

_2dPoint ToSection(const _3dPoint& origin, const _3dVector& xAxis, const _3dVector& yAxis, const _3dPoint& p) {
  const _3dPoint local = Comm().WorldToLocal3d(origin, xAxis, yAxis, p);
  return _2dPoint(local.x, local.y);
}

}  // namespace

// ---------------------------------------------------------------------------
// Grouping the junctions

bool LinesCoincide(_3dLine l1, _3dLine l2) {
  const _3dPoint& s1 = l1.GetStartPoint();
  const _3dPoint& e1 = l1.GetEndPoint();
  const _3dPoint& s2 = l2.GetStartPoint();
  const _3dPoint& e2 = l2.GetEndPoint();
  if (!Comm().IsPointOnLine3d(s1, e1, s2, kSectionTolerance) || !Comm().IsPointOnLine3d(s1, e1, e2, kSectionTolerance))
    return false;
  return (s1 == s2 && e1 == e2) || (s1 == e2 && e1 == s2);
}

bool PointZYXLess(_3dPoint p, _3dPoint q) {
  if (std::fabs(p.z - q.z) >= 0.1) return p.z < q.z;
  if (std::fabs(p.y - q.y) >= 0.1) return p.y < q.y;
  return p.x < q.x;
}

bool ChainEndPoints(const std::vector<_3dLine>& lines, _3dPoint& first, _3dPoint& last) {
  if (lines.empty()) return false;
  if (lines.size() == 1) {
    first = lines.front().GetStartPoint();
    last = lines.front().GetEndPoint();
    return true;
  }
  std::vector<_3dPoint> points;
  for (const _3dLine& line : lines) {
    points.push_back(line.GetStartPoint());
    points.push_back(line.GetEndPoint());
  }
  std::stable_sort(points.begin(), points.end(), [](const _3dPoint& p, const _3dPoint& q) { return PointZYXLess(p, q); });
  first = points.front();
  last = points.back();
  return true;
}

namespace {

// The junction record of boards a and b along line, or the note why the pair
// is skipped.
bool MakeJunctionRecord(const std::vector<StructureComponentPtr>& components, int a, int b, const _3dLine* line,
                        std::vector<JunctionRecord>& records, std::vector<std::string>& skipped) {
  std::string why;
  if (!IsBoardAt(components, a) || !IsBoardAt(components, b))
    why = "not a board of the tank";
  else if (!line)
    why = "no junction line in the tank's tables";
  else if (line->GetLength() <= g_EqualTolerance)
    why = "a junction line of no length in the tank's tables";
  if (!why.empty()) {
    skipped.push_back(fmt::format("support bars: the junction of {} and {} is skipped ({})",
                                  ComponentName(components, a), ComponentName(components, b), why));
    return false;
  }
  records.push_back({a, b, *line});
  return true;
}

// Junctions whose lines coincide and that share a board are one group, its
// line the chain of theirs.  Each record is tried only against the records
// of the group's boards (an index by board), in the order of the records, and
// again after every pass that grew the group, until none joins.
void GroupJunctionRecords(std::vector<JunctionRecord> records, std::vector<JunctionGroup>& groups) {
  std::map<int, std::vector<std::size_t>> byBoard;
  for (std::size_t r = 0; r < records.size(); ++r) {
    byBoard[records[r].a].push_back(r);
    byBoard[records[r].b].push_back(r);
  }
  std::vector<bool> taken(records.size(), false);
  for (std::size_t q = 0; q < records.size(); ++q) {
    if (taken[q]) continue;
    taken[q] = true;
    JunctionGroup group = {records[q].a, records[q].b};
    for (bool joined = true; joined;) {
      joined = false;
      // The later records of the group's boards, in record order; a board
      // the group gains in this pass adds its later records to this pass.
      std::set<std::size_t> candidates;
      std::set<int> boards;
      const auto addBoard = [&](int board, std::size_t after) {
        if (!boards.insert(board).second) return;
        for (std::size_t r : byBoard[board])
          if (r > after && !taken[r]) candidates.insert(r);
      };
      for (int board : group) addBoard(board, q);
      while (!candidates.empty()) {
        const std::size_t r = *candidates.begin();
        candidates.erase(candidates.begin());
        if (taken[r]) continue;
        const JunctionRecord& rec = records[r];
        if (!LinesCoincide(records[q].line, rec.line)) continue;
        group.push_back(rec.a);
        group.push_back(rec.b);
        _3dPoint first, last;
        if (ChainEndPoints({records[q].line, rec.line}, first, last)) records[q].line = _3dLine(first, last);
        taken[r] = true;
        joined = true;
        addBoard(rec.a, r);
        addBoard(rec.b, r);
      }
    }
    std::sort(group.begin(), group.end());
    group.erase(std::unique(group.begin(), group.end()), group.end());
    groups.push_back(group);
  }
}

}  // namespace

void CollectJunctionGroups(const std::vector<std::vector<unsigned char>>& flags,
                           const std::vector<std::vector<_3dLine>>& lines,
                           const std::vector<StructureComponentPtr>& components, std::vector<JunctionGroup>& groups,
                           std::vector<std::string>& skipped) {
  // The junctions the tables support; a pair they do not support is skipped
  // with a note instead of ending the whole design.
  std::vector<JunctionRecord> records;
  for (std::size_t i = 0; i < flags.size(); ++i)
    for (std::size_t j = i + 1; j < flags[i].size(); ++j) {
      if (!flags[i][j]) continue;
      const _3dLine* line = i < lines.size() && j < lines[i].size() ? &lines[i][j] : nullptr;
      MakeJunctionRecord(components, static_cast<int>(i), static_cast<int>(j), line, records, skipped);
    }
  GroupJunctionRecords(std::move(records), groups);
}

void CollectJunctionGroups(const Tank& tank, std::vector<JunctionGroup>& groups, std::vector<std::string>& skipped) {
  // The touching pairs straight from the structure: no tables of every
  // component against every other.
  std::vector<std::pair<int, int>> pairs;
  std::vector<_3dLine> lines;
  tank.GetContactLines(pairs, lines);
  const std::vector<StructureComponentPtr> components = tank.GetComponents();
  std::vector<JunctionRecord> records;
  for (std::size_t k = 0; k < pairs.size(); ++k)
    MakeJunctionRecord(components, pairs[k].first, pairs[k].second, &lines[k], records, skipped);
  GroupJunctionRecords(std::move(records), groups);
}

// ---------------------------------------------------------------------------
// Bar positions in a junction's section

bool GetBarNearJunction(const BoardPtr& board, const _3dLine& junction, const ReinZonePtr& zone,
                        std::vector<_3dPoint>& points) {
  if (!board || !zone) return false;
  const _2dPoint j1 = board->WorldToLocal(junction.GetStartPoint());
  const _2dPoint j2 = board->WorldToLocal(junction.GetEndPoint());

  // No leg where a bottom slab's overhang edge lies on the junction: the
  // overhang's own bars turn there.
  bool legAllowed = true;
  if (board->GetKind() == 1) {
    const int edge = board->FindEdge(junction);
    double overhang = 0.0;
    if (edge >= 0 && board->GetEdge(edge).GetOverhang(overhang) &&
        board->GetEdgeDirection(edge).IsPerpendicularTo(_3dVector(0, 0, 1)))
      legAllowed = false;
  }

  const _3dVector normal = board->GetNormal();
  const double thickness = board->GetThickness();
  for (const ReinPtr& bar : zone->GetReins()) {
    if (!bar) continue;
    const std::vector<_3dPoint>& v = bar->GetPolyline().GetVertices();
    if (v.size() < 2) continue;
    // The longest segment in the board's plane (the first of equal lengths).
    int k = -1;
    double longest = -1.0;
    for (std::size_t s = 0; s + 1 < v.size(); ++s) {
      const _3dVector seg = v[s + 1] - v[s];
      const double length = seg.GetLength();
      if (length <= g_ZeroTolerance) continue;
      if (std::fabs(FoldedAngleToNormal(seg, normal) - g_Pi / 2) >= g_EqualTolerance) continue;
      if (length > longest) {
        longest = length;
        k = static_cast<int>(s);
      }
    }
    if (k < 0) continue;
    const _3dPoint& q3 = v[k];
    const _3dPoint& r3 = v[k + 1];
    const _2dPoint q = board->WorldToLocal(q3);
    const _2dPoint r = board->WorldToLocal(r3);
    _2dPoint x;
    if (!Comm().IntersectLinesByPoints(q, r, j1, j2, x, kSectionTolerance)) continue;
    if (!Comm().IsPointOnSegment(j1, j2, x, kSectionTolerance) || !Comm().IsPointOnSegment(q, r, x, kSectionTolerance))
      continue;
    const bool farFromBoth = Comm().Greaterthan_Or_Equal(Comm().Distance(x, q), 2 * thickness, 1e-4) &&
                             Comm().Greaterthan_Or_Equal(Comm().Distance(x, r), 2 * thickness, 1e-4);
    const bool leg = legAllowed && !farFromBoth;
    const double dq = Comm().Distance3d(q3, Comm().GetPerpendicularFoot3d(q3, junction));
    const double dr = Comm().Distance3d(r3, Comm().GetPerpendicularFoot3d(r3, junction));
    points.clear();
    if (Comm().Lessthan(dq, dr, 1e-4)) {
      if (leg && k > 0) points.push_back(v[k - 1]);
      points.push_back(q3);
      points.push_back(r3);
    } else {
      points.push_back(q3);
      points.push_back(r3);
      if (leg && static_cast<std::size_t>(k) + 2 < v.size()) points.push_back(v[k + 2]);
    }
    return true;
  }
  return false;
}

bool GetJunctionBarShape(const BoardPtr& board, const _3dPoint& origin, const _3dVector& xAxis,
                         const _3dVector& yAxis, const _3dLine& junction, std::vector<_2dLine>& segments) {
  if (!board) return false;
  // The junction's direction in the board's plane, measured from the bar
  // direction and folded into [0, π/2].
  _3dVector along = xAxis.CrossProduct(yAxis);
  if (!along.Normalize()) return false;
  _3dVector bx = board->GetXAxis().GetUnitVector();
  const _3dVector n = board->GetNormal();
  const _3dVector by = n.CrossProduct(bx);
  double t = Comm().NormalizeAngle(std::atan2(along.DotProduct(by), along.DotProduct(bx)) - board->GetReinAngle());
  if (t > g_Pi) t = 2 * g_Pi - t;
  if (t > g_Pi / 2) t = g_Pi - t;
  // Strictly below π/4 (rounding aside): bars at exactly π/4 count as
  // crossing.
  const bool xAlong = Comm().Lessthan(t, g_Pi / 4, 1e-9);

  auto faceBars = [&](const std::vector<ReinZonePtr>& zones, std::vector<_3dPoint>& points) {
    for (const ReinZonePtr& zone : zones)
      if (zone && zone->IsYDirection() == xAlong && GetBarNearJunction(board, junction, zone, points)) return;
  };
  std::vector<_3dPoint> upper, lower;
  faceBars(board->GetUpperZones(), upper);
  faceBars(board->GetLowerZones(), lower);
  if (upper.size() < 2 || lower.size() < 2) return false;

  const std::size_t before = segments.size();
  for (const std::vector<_3dPoint>* list : {&upper, &lower})
    for (std::size_t i = 0; i + 1 < list->size(); ++i) {
      const _2dPoint a = ToSection(origin, xAxis, yAxis, (*list)[i]);
      const _2dPoint b = ToSection(origin, xAxis, yAxis, (*list)[i + 1]);
      if (!(a == b)) segments.emplace_back(a, b);
    }
  return segments.size() > before;
}

void MergeCollinearLines(std::vector<_2dLine>& lines) {
  const double tol = kSectionTolerance;
  auto on = [&](const _2dLine& line, const _2dPoint& p) { return Comm().IsPointOnSegment(line, p, tol); };
  for (std::size_t i = 0; i < lines.size();) {
    bool removedI = false;
    for (std::size_t j = i + 1; j < lines.size();) {
      _2dLine& li = lines[i];
      const _2dLine lj = lines[j];
      if (!Comm().IsParallel(li, lj)) {
        ++j;
        continue;
      }
      const _2dPoint si = li.GetStartPoint(), ei = li.GetEndPoint();
      const _2dPoint sj = lj.GetStartPoint(), ej = lj.GetEndPoint();
      if (on(li, sj) && on(li, ej)) {
        lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(j));
      } else if (on(lj, si) && on(lj, ei)) {
        lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(i));
        removedI = true;
        break;
      } else if (on(li, sj)) {
        li = on(lj, si) ? _2dLine(ei, ej) : _2dLine(si, ej);
        lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(j));
      } else if (on(li, ej)) {
        li = on(lj, si) ? _2dLine(ei, sj) : _2dLine(si, sj);
        lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(j));
      } else {
        ++j;
      }
    }
    if (!removedI) ++i;
  }
}

void SplitLinesAtCrossings(std::vector<_2dLine>& lines) {
  const double tol = kSectionTolerance;
  // Passes until no crossing is left inside a segment: a piece cut off late
  // may cross a segment that an earlier pass has already gone by.
  for (bool cut = true; cut;) {
    cut = false;
    for (std::size_t i = 0; i < lines.size(); ++i)
      for (std::size_t j = i + 1; j < lines.size(); ++j) {
        _2dPoint x;
        if (!Comm().IntersectLines(lines[i], lines[j], x, tol)) continue;
        if (!Comm().IsPointOnLine(lines[i], x, tol) || !Comm().IsPointOnLine(lines[j], x, tol)) continue;
        for (std::size_t k : {i, j}) {
          if (lines.size() >= kMaxSectionSegments) return;
          const _2dLine line = lines[k];
          if (x == line.GetStartPoint() || x == line.GetEndPoint()) continue;
          lines[k] = _2dLine(line.GetStartPoint(), x);
          lines.emplace_back(x, line.GetEndPoint());
          cut = true;
        }
      }
  }
}

void PruneOpenLineEnds(std::vector<_2dLine>& lines) {
  // Points (kernel point equality) with the segments that touch them, in
  // point order.
  struct Node {
    _2dPoint point;
    std::vector<std::size_t> segments;
    bool gone = false;
  };
  std::vector<Node> nodes;
  auto nodeOf = [&nodes](const _2dPoint& p) -> Node& {
    for (Node& node : nodes)
      if (node.point == p) return node;
    nodes.push_back({p, {}, false});
    return nodes.back();
  };
  for (std::size_t s = 0; s < lines.size(); ++s) {
    nodeOf(lines[s].GetStartPoint()).segments.push_back(s);
    nodeOf(lines[s].GetEndPoint()).segments.push_back(s);
  }
  std::stable_sort(nodes.begin(), nodes.end(), [](const Node& a, const Node& b) { return a.point < b.point; });
  auto find = [&nodes](const _2dPoint& p) -> Node* {
    for (Node& node : nodes)
      if (!node.gone && node.point == p) return &node;
    return nullptr;
  };
  for (bool changed = true; changed;) {
    changed = false;
    for (Node& node : nodes) {
      if (node.gone || node.segments.size() != 1) continue;
      const std::size_t s = node.segments.front();
      const _2dPoint other =
          lines[s].GetStartPoint() == node.point ? lines[s].GetEndPoint() : lines[s].GetStartPoint();
      node.gone = true;
      node.segments.clear();
      if (Node* far = find(other)) {
        const auto it = std::find(far->segments.begin(), far->segments.end(), s);
        if (it != far->segments.end()) far->segments.erase(it);
      }
      changed = true;
    }
  }
  std::vector<_2dLine> kept;
  std::vector<bool> met(lines.size(), false);
  for (const Node& node : nodes) {
    if (node.gone) continue;
    for (std::size_t s : node.segments)
      if (!met[s]) {
        met[s] = true;
        kept.push_back(lines[s]);
      }
  }
  lines = std::move(kept);
}

bool GetSingleLoopPoints(const std::vector<_2dLine>& lines, std::vector<_2dPoint>& points) {
  if (lines.size() < 3) return false;
  const PointLoops loops = g_PolygonAlgorithm.BuildLoops(lines);
  if (loops.size() != 1 || loops.front().size() < 3) return false;
  points.insert(points.end(), loops.front().begin(), loops.front().end());
  return true;
}

void GetLoopCornerPoints(const std::vector<_2dPoint>& loop, std::vector<_2dPoint>& positions) {
  if (loop.size() < 3) return;
  std::size_t n = loop.size();
  if (loop.front() == loop.back()) --n;
  if (n < 3) return;
  for (std::size_t i = 0; i < n; ++i) {
    const _2dPoint& p = loop[i];
    const _2dPoint& next = loop[(i + 1) % n];
    const _2dPoint& prev = loop[(i + n - 1) % n];
    const double a1 = Comm().GetAngle(p, next);
    const double a2 = Comm().GetAngle(p, prev);
    const double sweep = Comm().GetSweepAngle(a1, a2);
    if (std::fabs(sweep - g_Pi) < g_AngleTolerance || sweep < g_Pi) positions.push_back(p);
  }
}

void RemoveClosePoints(std::vector<_2dPoint>& positions, int minDistance) {
  for (std::size_t i = 0; i < positions.size(); ++i)
    for (std::size_t j = i + 1; j < positions.size();) {
      if (Comm().Distance(positions[i], positions[j]) < minDistance)
        positions.erase(positions.begin() + static_cast<std::ptrdiff_t>(j));
      else
        ++j;
    }
}

bool FindSupportBarPoints(const std::vector<BoardPtr>& boards, const _3dPoint& origin, const _3dVector& xAxis,
                          const _3dVector& yAxis, const _3dLine& junction, std::vector<_2dPoint>& positions) {
  std::vector<_2dLine> segments;
  for (const BoardPtr& board : boards) {
    std::vector<_2dLine> own;
    if (GetJunctionBarShape(board, origin, xAxis, yAxis, junction, own))
      segments.insert(segments.end(), own.begin(), own.end());
  }
  MergeCollinearLines(segments);
  SplitLinesAtCrossings(segments);
  PruneOpenLineEnds(segments);
  std::vector<_2dPoint> loop;
  if (!GetSingleLoopPoints(segments, loop)) return false;
  GetLoopCornerPoints(loop, positions);
  return true;
}

bool BuildSupportBarLines(const Tank& tank, const _3dPoint& origin, const _3dVector& xAxis, const _3dVector& yAxis,
                          const std::vector<BoardPtr>& boards, const std::vector<_2dPoint>& positions,
                          std::vector<_3dLine>& barLines, const ReinDesignOptions* options) {
  if (boards.size() < 2) return false;
  // The part of the junction every board of the group shares.
  bool found = false;
  _3dLine common;
  for (std::size_t k = 1; k < boards.size(); ++k) {
    _3dLine line;
    if (!tank.GetIntersectionLine(boards.front(), boards[k], line)) continue;
    if (!found) {
      common = line;
      found = true;
    } else {
      _3dLine overlap;
      if (Comm().GetOverlap3d(common, line, overlap, kSectionTolerance)) common = overlap;
    }
  }
  if (!found) return false;
  if (options)
    for (const BoardPtr& board : boards) common = PullBackAtFreeEdges(*options, board, GetFreeEdges(tank, board), common);
  const _3dPoint s = Comm().WorldToLocal3d(origin, xAxis, yAxis, common.GetStartPoint());
  const _3dPoint e = Comm().WorldToLocal3d(origin, xAxis, yAxis, common.GetEndPoint());
  for (const _2dPoint& p : positions)
    barLines.emplace_back(Comm().LocalToWorld3d(origin, xAxis, yAxis, _3dPoint(p.x, p.y, s.z)),
                          Comm().LocalToWorld3d(origin, xAxis, yAxis, _3dPoint(p.x, p.y, e.z)));
  return true;
}

// ---------------------------------------------------------------------------
// Zones

void FillSupportReinBars(const Tank& tank, const std::vector<_3dLine>& barLines, int barDiameter,
                         const std::vector<BoardPtr>& boards, const boost::shared_ptr<SupportRein>& zone) {
  std::vector<BoardJointPtr> joints;
  for (std::size_t c = 0; c < boards.size(); ++c)
    for (std::size_t i = c + 1; i < boards.size(); ++i) {
      BoardJointPtr joint;
      if (tank.FindJoint(boards[c], boards[i], joint) && joint) joints.push_back(joint);
    }
  zone->SetJoints(joints);
  zone->SetGradeCode(130);
  zone->SetDiameter(barDiameter);
  zone->SetCategory(5);
  zone->SetKind(4096);
  zone->SetSpacing(0);
  for (const _3dLine& line : barLines) {
    _2dPolyline polyline;
    polyline.AppendVertex(line.GetStartPoint(), 0.0);
    polyline.AppendVertex(line.GetEndPoint(), 0.0);
    auto bar = boost::make_shared<Rein>();
    bar->SetPolyline(polyline);
    bar->SetGrade(zone->GetGrade());
    bar->SetDiameter(zone->GetDiameter());
    bar->SetTieFlag(0);
    bar->SetShapeCode(0);
    bar->SetHookCode(0);
    zone->AddRein(bar);
  }
}

bool FillSupportRein(const Tank& tank, const std::vector<StructureComponentPtr>& components,
                     const JunctionGroup& group, int barDiameter, const boost::shared_ptr<SupportRein>& zone,
                     const ReinDesignOptions* options) {
  if (group.size() < 2 || !zone) return false;
  std::vector<BoardPtr> boards;
  for (int position : group) {
    if (!IsBoardAt(components, position)) return false;
    boards.push_back(BoardAt(components, position));
  }
  _3dLine junction;
  if (!tank.GetIntersectionLine(boards[0], boards[1], junction)) return false;
  const _3dPoint origin = junction.GetStartPoint();
  const _3dVector xAxis = boards[0]->GetNormal();
  const _3dVector yAxis = (junction.GetEndPoint() - junction.GetStartPoint()).CrossProduct(xAxis);
  if (xAxis.IsZero() || yAxis.IsZero()) return false;
  std::vector<_2dPoint> positions;
  if (!FindSupportBarPoints(boards, origin, xAxis, yAxis, junction, positions)) return false;
  RemoveClosePoints(positions, barDiameter);
  std::vector<_3dLine> barLines;
  if (!BuildSupportBarLines(tank, origin, xAxis, yAxis, boards, positions, barLines, options) || barLines.empty())
    return false;
  FillSupportReinBars(tank, barLines, barDiameter, boards, zone);
  return true;
}

void CreateSupportReins(Tank& tank, int barDiameter, const std::vector<JunctionGroup>& groups,
                        const ReinDesignOptions* options) {
  const std::vector<StructureComponentPtr> components = tank.GetComponents();
  std::vector<boost::shared_ptr<SupportRein>> kept;
  for (const JunctionGroup& group : groups) {
    auto zone = boost::make_shared<SupportRein>();
    if (FillSupportRein(tank, components, group, barDiameter, zone, options)) kept.push_back(zone);
  }
  if (!kept.empty()) tank.AddSupportReins(kept);
}

std::vector<std::string> GenerateSupportReins(Tank& tank, int barDiameter, const ReinDesignOptions* options) {
  std::vector<JunctionGroup> groups;
  std::vector<std::string> skipped;
  // Bars without a diameter are no bars.
  if (barDiameter <= 0) return skipped;
  CollectJunctionGroups(tank, groups, skipped);
  CreateSupportReins(tank, barDiameter, groups, options);
  return skipped;
}

}  // namespace support_rebar

void ReinDesigner::LayoutSupportReins(Tank& tank, int supportDiameter, const ReinDesignOptions& options) const {
  // A junction the tank's tables cannot support is left without support bars
  // and named to the user; the rest of the tank is designed.
  for (const std::string& note : support_rebar::GenerateSupportReins(tank, supportDiameter, &options))
    HostMessageBox(note, GetHostName());
}
