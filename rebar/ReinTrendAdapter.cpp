#include "rebar/ReinTrendAdapter.h"

#include "rebar/DetailingRules.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <stdexcept>
#include <typeinfo>

namespace {

bool IsExactBoard(const StructureComponentPtr& component) {
  return component && typeid(*component) == typeid(Board);
}

bool SameBoard(const BoardPtr& a, const BoardPtr& b) { return !a.owner_before(b) && !b.owner_before(a); }

// The list without the ref (same board and edge), order kept.
ReinTrendAdapter::RefList Without(const ReinTrendAdapter::RefList& list, const BoardEdgeRef& ref) {
  ReinTrendAdapter::RefList out;
  out.reserve(list.size());
  for (const BoardEdgeRef& r : list)
    if (!r.IsSame(ref)) out.push_back(r);
  return out;
}

BoardEdgeRef AsPartner(const BoardEdgeRef& ref) { return BoardEdgeRef(ref.board, ref.edgeIndex, true); }
BoardEdgeRef AsKey(const BoardEdgeRef& ref) { return BoardEdgeRef(ref.board, ref.edgeIndex, false); }

_3dLine EdgeLineInWorld(const Board& board, const BoardEdge& edge) {
  const _3dPoint s = g_VekGeometryComm.LocalToWorld2d(board.GetOrigin(), board.GetXAxis(), board.GetYAxis(),
                                                      edge.GetStartPoint());
  const _3dPoint e = g_VekGeometryComm.LocalToWorld2d(board.GetOrigin(), board.GetXAxis(), board.GetYAxis(),
                                                      edge.GetEndPoint());
  return _3dLine(s, e);
}

// The face bars of the board that cross a line running along `along` in the
// board's local frame: the Y bars when the line runs within π/4 of the X bar
// direction (inclusive), else the X bars.
BarSet CrossingBars(const Board& board, const _2dVector& along, bool face) {
  const double a = board.GetReinAngle();
  double angle = _2dVector(std::cos(a), std::sin(a)).GetAngleTo(along);
  if (angle > g_Pi / 2) angle = g_Pi - angle;
  // A small allowance so that an edge at exactly 45° (up to rounding) counts
  // as running along X.
  const bool alongX = angle <= g_Pi / 4 + 1e-9;
  const FaceValues& v = board.GetFaceValues(face, !alongX);
  return BarSet{v.diameter, v.spacing, v.grade};
}

}  // namespace

BoardEdge BoardEdgeRef::GetEdge() const {
  if (!board) throw std::out_of_range("!board in BoardEdgeRef::GetEdge");
  return board->GetEdge(edgeIndex);
}

double EquivalentArea(const BarSet& bars) {
  if (bars.spacing <= 0) return 0.0;
  const double hpb = GetReinDesignStrength("HPB235");
  if (hpb <= 0.0) return 0.0;
  const double d = bars.diameter;
  return d * d * g_Pi * 250.0 / bars.spacing * GetReinDesignStrength(bars.grade) / hpb;
}

// ---------------------------------------------------------------------------
// Construction

ReinTrendAdapter::ReinTrendAdapter(const Tank& tank) {
  CollectJointLines(tank);
  std::vector<BoardPtr> firsts, seconds;
  std::vector<BoardJointPtr> joints;
  tank.GetJoints(firsts, seconds, joints);
  for (std::size_t i = 0; i < firsts.size(); ++i)
    m_joints.push_back(BoardJointRecord{firsts[i], i < seconds.size() ? seconds[i] : BoardPtr(),
                                        i < joints.size() ? joints[i] : BoardJointPtr()});
}

ReinTrendAdapter::~ReinTrendAdapter() = default;

double ReinTrendAdapter::GetBoardsAngleAtLine(const BoardPtr& a, const _3dLine& line, const BoardPtr& b) {
  if (!a || !b) return 0.0;
  return a->GetInwardDirection(line).GetAngleTo(b->GetInwardDirection(line));
}

void ReinTrendAdapter::CollectJointLines(const Tank& tank) {
  // Lines already handled, filed by the grid cell of their lowest
  // coordinates (equal lines, either way round, lie in neighbouring cells),
  // so each edge is looked up among a few lines, not among all.
  constexpr double kCell = 1000.0;
  using Cell = std::array<long long, 3>;
  std::map<Cell, std::vector<_3dLine>> handled;
  auto cellOf = [](const _3dLine& l) {
    const _3dPoint& a = l.GetStartPoint();
    const _3dPoint& b = l.GetEndPoint();
    return Cell{static_cast<long long>(std::floor(std::min(a.x, b.x) / kCell)),
                static_cast<long long>(std::floor(std::min(a.y, b.y) / kCell)),
                static_cast<long long>(std::floor(std::min(a.z, b.z) / kCell))};
  };
  auto isHandled = [&](const _3dLine& line, const _3dLine& reversed) {
    const Cell c = cellOf(line);
    for (long long dx = -1; dx <= 1; ++dx)
      for (long long dy = -1; dy <= 1; ++dy)
        for (long long dz = -1; dz <= 1; ++dz) {
          const auto it = handled.find(Cell{c[0] + dx, c[1] + dy, c[2] + dz});
          if (it != handled.end() && std::any_of(it->second.begin(), it->second.end(), [&](const _3dLine& h) {
                return h == line || h == reversed;
              }))
            return true;
        }
    return false;
  };
  std::vector<BoardPtr> boards;
  std::vector<int> indices;
  for (const StructureComponentPtr& component : tank.GetComponents()) {
    if (!IsExactBoard(component)) continue;
    const BoardPtr board = boost::static_pointer_cast<Board>(component);
    const std::vector<BoardEdge>& edges = board->GetEdges();
    for (int i = 0; i < static_cast<int>(edges.size()); ++i) {
      const _3dLine line = EdgeLineInWorld(*board, edges[static_cast<std::size_t>(i)]);
      const _3dLine reversed = line.Reversed();
      if (isHandled(line, reversed)) continue;
      boards.clear();
      indices.clear();
      tank.GetBoardsOnEdge(board, i, boards, indices);
      if (boards.empty()) continue;
      handled[cellOf(line)].push_back(line);
      RefList group{BoardEdgeRef(board, i, false)};
      for (std::size_t j = 0; j < boards.size(); ++j) {
        const int index = j < indices.size() ? indices[j] : -1;
        if (index == -1)
          m_abutments.emplace(BoardEdgeRef(board, i), BoardEdgeRef(boards[j], -1));
        else
          group.emplace_back(boards[j], index, false);
      }
      if (group.size() >= 2) PairEdgesOnLine(group, line);
    }
  }
}

void ReinTrendAdapter::InsertTrend(const BoardEdgeRef& key, const RefList& refs) {
  m_trends.emplace(AsKey(key), refs);  // the first entry made for a key wins
}

void ReinTrendAdapter::PairEdgesOnLine(const RefList& group, const _3dLine& line) {
  const std::size_t n = group.size();
  for (const BoardEdgeRef& r : group) m_lineNeighbours.emplace(AsKey(r), Without(group, r));
  if (n == 2) {
    InsertTrend(group[0], {AsPartner(group[1])});
    InsertTrend(group[1], {AsPartner(group[0])});
    return;
  }

  // The pair of refs whose boards meet at the angle nearest to π (first found
  // on ties).
  auto scan = [&](const RefList& refs, BoardEdgeRef& p, BoardEdgeRef& q, double& best) {
    best = 0.0;
    bool found = false;
    for (const BoardEdgeRef& a : refs)
      for (const BoardEdgeRef& b : refs) {
        if (SameBoard(a.board, b.board)) continue;
        const double angle = GetBoardsAngleAtLine(a.board, line, b.board);
        if (std::fabs(g_Pi - best) > std::fabs(g_Pi - angle)) {
          best = angle;
          p = a;
          q = b;
          found = true;
        }
      }
    return found;
  };

  RefList rest = group;
  std::vector<BoardEdgeRefPair> pairs;
  for (;;) {
    BoardEdgeRef p, q;
    double best = 0.0;
    if (!scan(rest, p, q, best) || !(best > g_Pi / 2)) break;
    pairs.push_back(BoardEdgeRefPair{p, q});
    rest = Without(Without(rest, p), q);
  }

  if (pairs.empty()) {
    // No two boards meet at more than a right angle: the pair nearest to π
    // is forced and every other edge takes both as partners.
    BoardEdgeRef p, q;
    double best = 0.0;
    if (!scan(rest, p, q, best)) return;
    const RefList others = Without(Without(rest, p), q);
    RefList forP = others, forQ = others;
    forP.push_back(AsPartner(q));
    forQ.push_back(AsPartner(p));
    InsertTrend(p, forP);
    InsertTrend(q, forQ);
    for (const BoardEdgeRef& r : others) {
      RefList list = Without(others, r);
      list.push_back(AsPartner(p));
      list.push_back(AsPartner(q));
      InsertTrend(r, list);
    }
    return;
  }

  // Straight pairs (boards continuing in one plane) lead; the later pairs
  // then only partner each other and the remaining edges attach to the
  // straight pairs.
  std::size_t straight = 0;
  while (straight < pairs.size() &&
         g_VekGeometryComm.Equal(GetBoardsAngleAtLine(pairs[straight].first.board, line,
                                                      pairs[straight].second.board),
                                 g_Pi, 1e-4))
    ++straight;
  std::vector<BoardEdgeRefPair> targets;
  if (straight > 0) {
    targets.assign(pairs.begin(), pairs.begin() + static_cast<std::ptrdiff_t>(straight));
    for (std::size_t k = straight; k < pairs.size(); ++k) {
      InsertTrend(pairs[k].first, {AsPartner(pairs[k].second)});
      InsertTrend(pairs[k].second, {AsPartner(pairs[k].first)});
    }
  } else {
    targets = pairs;
  }

  // Each remaining edge attaches to the target its board stands most nearly
  // square to; the first target when every target is parallel to it.
  std::vector<RefList> attached(targets.size());
  for (const BoardEdgeRef& r : rest) {
    double best = g_Pi / 2;
    std::size_t chosen = 0;
    for (std::size_t t = 0; t < targets.size(); ++t) {
      const double angle = r.board->GetNormal().GetAngleTo(targets[t].first.board->GetNormal());
      const double d = std::fabs(g_Pi / 2 - angle);
      if (d < best) {
        best = d;
        chosen = t;
      }
    }
    attached[chosen].push_back(r);
  }
  for (std::size_t t = 0; t < targets.size(); ++t) {
    const BoardEdgeRef& f = targets[t].first;
    const BoardEdgeRef& s = targets[t].second;
    RefList forF = attached[t], forS = attached[t];
    forF.push_back(AsPartner(s));
    forS.push_back(AsPartner(f));
    InsertTrend(f, forF);
    InsertTrend(s, forS);
    for (const BoardEdgeRef& r : attached[t]) {
      RefList list = Without(attached[t], r);
      list.push_back(AsPartner(f));
      list.push_back(AsPartner(s));
      InsertTrend(r, list);
    }
  }
}

// ---------------------------------------------------------------------------
// Small lookups

const ReinTrendAdapter::RefList* ReinTrendAdapter::FindTrends(const BoardEdgeRef& ref) const {
  const auto it = m_trends.find(ref);
  return it == m_trends.end() ? nullptr : &it->second;
}

_3dVector ReinTrendAdapter::FaceNormal(const BoardPtr& board, bool face, double tol) {
  if (!board) return {0, 0, 0};
  _3dVector n = board->GetNormal();
  if (!face) n *= -1;
  n.Normalize(tol);
  return n;
}

_3dVector ReinTrendAdapter::EdgeDirection(const BoardEdgeRef& ref, double tol) {
  if (!ref.board) return {0, 0, 0};
  _3dVector d = ref.board->GetEdgeDirection(ref.edgeIndex);
  d.Normalize(tol);
  return d;
}

int ReinTrendAdapter::CountTrendRefs(const BoardEdgeRef& ref) const {
  const RefList* list = FindTrends(ref);
  return list ? static_cast<int>(list->size()) : 0;
}

void ReinTrendAdapter::GetTrendRefs(const BoardEdgeRef& ref, RefList& out) const {
  if (const RefList* list = FindTrends(ref)) out = *list;
}

void ReinTrendAdapter::GetLineNeighbours(const BoardEdgeRef& ref, RefList& out) const {
  const auto it = m_lineNeighbours.find(ref);
  if (it != m_lineNeighbours.end()) out = it->second;
}

bool ReinTrendAdapter::GetSinglePartner(const BoardEdgeRef& ref, BoardEdgeRef& out) const {
  const RefList* list = FindTrends(ref);
  if (!list) return false;
  int count = 0;
  for (const BoardEdgeRef& r : *list)
    if (r.isPartner) {
      out = r;
      ++count;
    }
  return count == 1;
}

bool ReinTrendAdapter::GetAbutment(const BoardEdgeRef& ref, BoardEdgeRef& out, bool& side) const {
  const auto it = m_abutments.find(ref);
  if (it == m_abutments.end()) return false;
  out = it->second;
  _3dVector n = out.board ? out.board->GetNormal() : _3dVector();
  n.Normalize(0.01);
  side = EdgeDirection(ref, 0.01).GetAngleTo(n) > g_Pi / 2;
  return true;
}

double ReinTrendAdapter::GetEdgeAngle(const BoardPtr& board, const BoardEdge& edge, const BoardPtr& other) const {
  if (!board) return 0.0;
  return GetBoardsAngleAtLine(board, EdgeLineInWorld(*board, edge), other);
}

int ReinTrendAdapter::IsEdgeAlongReinX(const BoardEdgeRef& ref) const {
  return ref.board ? ::IsEdgeAlongReinX(*ref.board, ref.edgeIndex) : 0;
}

void ReinTrendAdapter::GetEdgeBarSets(const BoardEdgeRef& ref, bool face, BarSet& edgeBars,
                                      BarSet& crossingBars) const {
  edgeBars = BarSet{};
  crossingBars = BarSet{};
  if (!ref.board) return;
  const int count = static_cast<int>(ref.board->GetEdges().size());
  if (ref.edgeIndex < 0 || ref.edgeIndex >= count) {
    // A board reached through an abutment has no edge on the line: no edge
    // bars, and its X bars stand for the crossing bars (callers that know the
    // line use CrossingBars with its direction instead).
    const FaceValues& v = ref.board->GetFaceValues(face, true);
    crossingBars = BarSet{v.diameter, v.spacing, v.grade};
    return;
  }
  const BoardEdge& edge = ref.board->GetEdges()[static_cast<std::size_t>(ref.edgeIndex)];
  const FaceValues& e = edge.GetFaceValues(face);
  edgeBars = BarSet{e.diameter, e.spacing, e.grade};
  const FaceValues& v = ref.board->GetFaceValues(face, IsEdgeAlongReinX(ref) == 0);
  crossingBars = BarSet{v.diameter, v.spacing, v.grade};
}

bool ReinTrendAdapter::IsStrongerRein(const BoardEdgeRef& ref, bool face) const {
  BarSet edgeBars, crossing;
  GetEdgeBarSets(ref, face, edgeBars, crossing);
  return EquivalentArea(crossing) < EquivalentArea(edgeBars);
}

// ---------------------------------------------------------------------------
// Partner queries

void ReinTrendAdapter::GetPartnerFace(const BoardEdgeRef& ref, bool face, BoardEdgeRef& out, bool& outFace) const {
  BoardEdgeRef partner;
  GetSinglePartner(ref, partner);
  if (!partner.board) return;  // no partner at all: nothing to answer
  out = partner;
  outFace = AreFaceSidesAligned(ref.board, ref.edgeIndex, partner.board) ? face : !face;
}

bool ReinTrendAdapter::GetContinuation(const BoardEdgeRef& ref, bool face, BoardEdgeRef& out, bool& outFace) const {
  BoardEdgeRef single;
  if (GetSinglePartner(ref, single)) {
    GetPartnerFace(ref, face, out, outFace);
    return true;
  }
  const RefList* list = FindTrends(ref);
  if (!list) return false;
  RefList partners;
  for (const BoardEdgeRef& r : *list)
    if (r.isPartner) partners.push_back(r);
  if (partners.size() < 2) return false;
  const BoardEdgeRef& f0 = partners[0];
  const BoardEdgeRef& f1 = partners[1];
  const _3dVector d0 = EdgeDirection(f0, g_ZeroTolerance);
  const _3dVector d1 = EdgeDirection(f1, g_ZeroTolerance);
  const _3dVector n = FaceNormal(ref.board, face, 0.01);
  const _3dVector zero(0, 0, 0);
  const BoardEdgeRef* chosen = nullptr;
  if (n == d0 || n + d1 == zero)
    chosen = &f0;
  else if (n == d1 || n + d0 == zero)
    chosen = &f1;
  else
    chosen = n.GetAngleTo(d1) < n.GetAngleTo(d0) ? &f1 : &f0;
  out = *chosen;
  outFace = AreFaceSidesAligned(ref.board, ref.edgeIndex, chosen->board) ? !face : face;
  return true;
}

bool ReinTrendAdapter::GetReinTrend(const BoardEdgeRef& ref, bool face, BoardEdgeRef& out, bool& outFace) const {
  const int count = CountTrendRefs(ref);
  if (count == 0) return false;
  if (count == 1) {
    GetPartnerFace(ref, face, out, outFace);
    return true;
  }
  return GetContinuation(ref, face, out, outFace);
}

bool ReinTrendAdapter::GetPartnerBehindFace(const BoardEdgeRef& ref, bool face, BoardEdgeRef& out,
                                            bool& outFace) const {
  const RefList* list = FindTrends(ref);
  if (!list) return false;
  const _3dVector r = EdgeDirection(ref, 0.01);
  const _3dVector n = FaceNormal(ref.board, face, 0.01);
  for (const BoardEdgeRef& e : *list) {
    const _3dVector q = EdgeDirection(e, 0.01);
    if (q.IsPerpendicularTo(r) && !(q == n)) {
      out = e;
      outFace = AreFaceSidesAligned(e.board, e.edgeIndex, ref.board) ? face : !face;
      return true;
    }
  }
  return false;
}

bool ReinTrendAdapter::GetCornerNeighbour(const BoardEdgeRef& ref, bool face, BoardEdgeRef& out,
                                          bool& outFace) const {
  RefList neighbours;
  GetLineNeighbours(ref, neighbours);
  if (neighbours.empty()) return false;
  const _3dVector g = EdgeDirection(ref, g_ZeroTolerance);
  _3dVector n = FaceNormal(ref.board, face, 0.1);
  auto pass = [&](const _3dVector& normal) -> const BoardEdgeRef* {
    double best = g_Pi;
    const BoardEdgeRef* taken = nullptr;
    for (const BoardEdgeRef& r : neighbours) {
      const _3dVector u = EdgeDirection(r, g_ZeroTolerance);
      const double toGap = g.GetAngleTo(u);
      if (g_VekGeometryComm.Lessthan_Or_Equal(u.GetAngleTo(normal), g_Pi / 2, 1e-4) && toGap < best) {
        taken = &r;
        best = toGap;
      }
    }
    return taken;
  };
  if (const BoardEdgeRef* taken = pass(n)) {
    out = *taken;
    outFace = AreFaceSidesAligned(ref.board, ref.edgeIndex, taken->board) ? face : !face;
    return true;
  }
  n *= -1;
  if (const BoardEdgeRef* taken = pass(n)) {
    out = *taken;
    outFace = AreFaceSidesAligned(ref.board, ref.edgeIndex, taken->board) ? !face : face;
    return true;
  }
  out = neighbours.front();
  outFace = AreFaceSidesAligned(ref.board, ref.edgeIndex, neighbours.front().board) ? face : !face;
  return true;
}

bool ReinTrendAdapter::GetTurnTarget(const BoardEdgeRef& ref, bool face, BoardEdgeRef& out, bool& outFace) const {
  BoardEdgeRef partner;
  const bool single = GetSinglePartner(ref, partner);
  const int count = CountTrendRefs(ref);
  if (count == 0) return false;
  if (count == 1) {
    if (!partner.board) return false;
    const int edges = static_cast<int>(ref.board->GetEdges().size());
    if (ref.edgeIndex >= 0 && ref.edgeIndex < edges &&
        g_VekGeometryComm.Equal(
            GetEdgeAngle(ref.board, ref.board->GetEdges()[static_cast<std::size_t>(ref.edgeIndex)], partner.board),
            g_Pi, 1e-4)) {
      GetPartnerFace(ref, face, out, outFace);
      return true;
    }
    out = partner;
    outFace = IsPartnerAgainstFace(partner, true);
    return true;
  }
  if (single) {
    out = partner;
    outFace = IsPartnerAgainstFace(partner, true);
    return true;
  }
  return GetContinuation(ref, face, out, outFace);
}

bool ReinTrendAdapter::IsPartnerAgainstFace(const BoardEdgeRef& ref, bool face) const {
  BoardEdgeRef partner;
  if (!GetSinglePartner(ref, partner)) return false;
  const double angle = EdgeDirection(partner, g_ZeroTolerance).GetAngleTo(FaceNormal(ref.board, face, g_ZeroTolerance));
  return g_VekGeometryComm.Greaterthan_Or_Equal(angle, g_Pi / 2, 1e-4);
}

// ---------------------------------------------------------------------------
// Decisions

bool ReinTrendAdapter::IsEdgeReinGoverning(const BoardEdgeRef& ref, bool face) const {
  if (IsStrongerRein(ref, face)) return true;
  BoardEdgeRef partner;
  if (!GetSinglePartner(ref, partner)) return false;
  const bool partnerFace = AreFaceSidesAligned(partner.board, partner.edgeIndex, ref.board) ? face : !face;
  return IsStrongerRein(partner, partnerFace);
}

namespace {
// Recursion depth of the junction rule: a side edge is asked once, with the
// rule for an edge without a single partner.
thread_local int g_junctionDepth = 0;
}  // namespace

bool ReinTrendAdapter::IsEdgeReinGoverningAtJunction(const BoardEdgeRef& ref, bool face) const {
  BoardEdgeRef partner;
  const bool single = GetSinglePartner(ref, partner);
  if (!single || g_junctionDepth > 0) {
    if (IsStrongerRein(ref, face)) return true;
    BoardEdgeRef c;
    bool cf = face;
    if (!GetContinuation(ref, face, c, cf)) return false;
    return IsStrongerRein(c, cf);
  }
  const bool own = IsStrongerRein(ref, face);
  const bool partnerFace = AreFaceSidesAligned(ref.board, ref.edgeIndex, partner.board) ? face : !face;
  const bool other = IsStrongerRein(partner, partnerFace);
  if (!own && !other) return false;

  const RefList* list = FindTrends(ref);
  const _3dVector n = FaceNormal(ref.board, face, g_ZeroTolerance);
  RefList k, l;
  ++g_junctionDepth;
  try {
    for (const BoardEdgeRef& q : *list) {
      if (q.isPartner) continue;
      if (!(EdgeDirection(q, g_ZeroTolerance).GetAngleTo(n) > g_Pi / 2)) continue;
      BoardEdgeRef t;
      bool tf = true;
      GetContinuation(q, true, t, tf);
      const bool onOwnBoard = t.board && SameBoard(t.board, ref.board);
      if (IsEdgeReinGoverningAtJunction(q, true)) (onOwnBoard ? k : l).push_back(q);
      if (IsEdgeReinGoverningAtJunction(q, false)) (onOwnBoard ? l : k).push_back(q);
    }
  } catch (...) {
    --g_junctionDepth;
    throw;
  }
  --g_junctionDepth;
  if (!k.empty() && !l.empty()) return false;
  if (!k.empty()) return other;
  return own;
}

bool ReinTrendAdapter::NeedsEdgeRein(const BoardEdgeRef& ref, bool face) const {
  return CountTrendRefs(ref) == 1 ? IsEdgeReinGoverning(ref, face) : IsEdgeReinGoverningAtJunction(ref, face);
}

bool ReinTrendAdapter::ApplyStrongestRein(const BoardPtr& board, int edgeIndex, bool face, ReinZone& zone) const {
  const BoardEdgeRef ref(board, edgeIndex);
  BoardEdgeRef counterpart;
  bool counterFace = face;
  const bool found = HasTrendRefs(ref) ? GetPartnerBehindFace(ref, face, counterpart, counterFace)
                                       : GetAbutment(ref, counterpart, counterFace);
  if (!found || !counterpart.board || !board) return false;

  BarSet s1, s2, s3, s4;
  GetEdgeBarSets(ref, face, s1, s2);
  GetEdgeBarSets(counterpart, counterFace, s3, s4);
  if (counterpart.edgeIndex < 0 && edgeIndex >= 0 && edgeIndex < static_cast<int>(board->GetEdges().size())) {
    // The abutted board has no edge on the line: its bars that cross the
    // abutting edge's line are the crossing set.
    const _3dLine line = EdgeLineInWorld(*board, board->GetEdges()[static_cast<std::size_t>(edgeIndex)]);
    const _2dVector along = counterpart.board->WorldToLocal(line.GetEndPoint()) -
                            counterpart.board->WorldToLocal(line.GetStartPoint());
    if (along.GetLength() > g_ZeroTolerance) s4 = CrossingBars(*counterpart.board, along, counterFace);
  }
  const double a1 = EquivalentArea(s1), a2 = EquivalentArea(s2), a3 = EquivalentArea(s3), a4 = EquivalentArea(s4);
  const int kb = board->GetKind();
  const int kp = counterpart.board->GetKind();
  const BarSet* chosen = nullptr;
  if (kb != 0 && kp != 0) return true;  // slab against slab: the zone keeps its bars
  if (kb != 0)
    chosen = a4 > a3 ? &s4 : &s3;
  else if (kp != 0)
    chosen = a2 > a1 ? &s2 : &s1;
  else
    chosen = &FirstStrongestSet(s1, a1, s2, a2, s3, a3, s4, a4);
  zone.SetGrade(chosen->grade);
  zone.SetSpacing(chosen->spacing);
  zone.SetDiameter(chosen->diameter);
  return true;
}

const BarSet& FirstStrongestSet(const BarSet& s1, double a1, const BarSet& s2, double a2, const BarSet& s3,
                                double a3, const BarSet& s4, double a4) {
  const double m = std::max({a1, a2, a3, a4});
  if (g_VekGeometryComm.Equal(a1, m, 1e-4)) return s1;
  if (g_VekGeometryComm.Equal(a2, m, 1e-4)) return s2;
  if (g_VekGeometryComm.Equal(a3, m, 1e-4)) return s3;
  return s4;
}
