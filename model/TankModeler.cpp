#include "model/TankModeler.h"

#include <algorithm>
#include <cmath>
#include <typeinfo>

namespace {

const Board* ExactBoard(const boost::shared_ptr<VekObject>& object) {
  if (!object || typeid(*object) != typeid(Board)) return nullptr;
  return static_cast<const Board*>(object.get());
}

_2dPoint Plan(const _3dPoint& p) { return {p.x, p.y}; }

bool SameEnds(const _2dPoint& s1, const _2dPoint& e1, const _2dPoint& s2, const _2dPoint& e2) {
  return (s1 == s2 && e1 == e2) || (s1 == e2 && e1 == s2);
}

// Frames a board of the given kind with half the thickness to each face and
// one edge per side of the local outline.
void FrameBoard(Board* board, int kind, double thickness, const _3dPoint& origin,
                const _3dVector& xAxis, const _3dVector& yAxis, const std::vector<_2dPoint>& local) {
  board->SetKind(kind);
  board->SetUpperOffset(thickness * 0.5);
  board->SetLowerOffset(thickness * 0.5);
  board->SetOrigin(origin);
  board->SetXAxis(xAxis);
  board->SetYAxis(yAxis);
  std::vector<BoardEdge> edges;
  edges.reserve(local.size());
  for (std::size_t i = 0; i < local.size(); ++i) {
    BoardEdge edge;
    edge.SetLine(_2dLine(local[i], local[(i + 1) % local.size()]));
    edges.push_back(edge);
  }
  board->SetEdges(edges);
}

}  // namespace

// ---------------------------------------------------------------------------
// Edit history

void TankModeler::PushHistory(const Tank& tank) {
  m_undo.push_back(tank);
  while (!m_redo.empty()) m_redo.pop_back();
}

void TankModeler::Undo(Tank& tank) {
  if (m_undo.empty()) return;
  m_redo.push_back(tank);
  tank = m_undo.back();
  m_undo.pop_back();
}

void TankModeler::Redo(Tank& tank) {
  if (m_redo.empty()) return;
  m_undo.push_back(tank);
  tank = m_redo.back();
  m_redo.pop_back();
}

void TankModeler::ClearHistory() {
  while (!m_undo.empty()) m_undo.pop_back();
  while (!m_redo.empty()) m_redo.pop_back();
}

void TankModeler::ClearTank(Tank& tank) { tank.Clear(); }

bool IsTopSlab(const Board& board) { return board.GetKind() == 2; }

bool HasTopSlab(const Tank& tank) {
  for (const auto& component : tank.GetComponents()) {
    auto board = boost::dynamic_pointer_cast<Board>(component);
    if (board && IsTopSlab(*board)) return true;
  }
  return false;
}

// ---------------------------------------------------------------------------
// Slab boards

bool TankModeler::MakeSlabBoard(const std::vector<_2dPoint>& points, double thickness,
                                double level, int kind, Board* board) const {
  if (points.size() < 3 || board == nullptr) return false;
  const _2dPoint& p0 = points[0];
  const _2dPoint& p1 = points[1];
  const _3dPoint origin(p0.x, p0.y, level);
  const _3dVector xAxis(p1.x - p0.x, p1.y - p0.y, 0.0);
  const _3dVector yAxis(p0.y - p1.y, p1.x - p0.x, 0.0);
  std::vector<_2dPoint> local;
  local.reserve(points.size());
  for (const _2dPoint& p : points)
    local.push_back(g_VekGeometryComm.WorldToLocal2d(origin, xAxis, yAxis, _3dPoint(p.x, p.y, level)));
  FrameBoard(board, kind, thickness, origin, xAxis, yAxis, local);
  return true;
}

bool TankModeler::MakeBoardFromLocalOutline(const _3dPoint& origin, const _3dVector& xAxis,
                                            const _3dVector& yAxis,
                                            const std::vector<_2dPoint>& localOutline,
                                            double thickness, int kind, Board* board) const {
  if (localOutline.size() < 3 || board == nullptr) return false;
  FrameBoard(board, kind, thickness, origin, xAxis, yAxis, localOutline);
  return true;
}

std::vector<_2dPoint> TankModeler::GetBoardOutline2d(const boost::shared_ptr<Board>& board) const {
  std::vector<_2dPoint> plan;
  if (!board) return plan;
  std::vector<_3dPoint> outline;
  board->GetOutline(outline);
  plan.reserve(outline.size());
  for (const _3dPoint& p : outline) plan.push_back(Plan(p));
  return plan;
}

void TankModeler::GetBoardZRange(const boost::shared_ptr<VekObject>& object, double& zMin,
                                 double& zMax) const {
  const Board* board = ExactBoard(object);
  if (!board) {
    zMin = zMax = 0.0;
    return;
  }
  zMin = g_MaxValue;
  zMax = -g_MaxValue;
  std::vector<_3dPoint> outline;
  board->GetOutline(outline);
  for (const _3dPoint& p : outline) {
    if (p.z < zMin) zMin = p.z;
    if (p.z > zMax) zMax = p.z;
  }
}

bool TankModeler::GetBoardBottomAndHeight(const boost::shared_ptr<Board>& board, double& height,
                                          double& bottomZ) const {
  if (!board) return false;
  std::vector<_3dPoint> outline;
  board->GetOutline(outline);
  if (outline.empty()) return false;
  double lo = outline.front().z, hi = outline.front().z;
  for (const _3dPoint& p : outline) {
    lo = std::min(lo, p.z);
    hi = std::max(hi, p.z);
  }
  bottomZ = lo;
  height = hi - lo;
  return true;
}

void TankModeler::CollectSlabEdgeLines(const boost::shared_ptr<VekObject>& object,
                                       std::vector<_2dLine>& lines) const {
  const Board* board = ExactBoard(object);
  if (!board || board->GetKind() != 1) return;
  for (const BoardEdge& edge : board->GetEdges()) {
    const _2dPoint s = Plan(g_VekGeometryComm.LocalToWorld2d(board->GetOrigin(), board->GetXAxis(),
                                                            board->GetYAxis(), edge.GetStartPoint()));
    const _2dPoint e = Plan(g_VekGeometryComm.LocalToWorld2d(board->GetOrigin(), board->GetXAxis(),
                                                            board->GetYAxis(), edge.GetEndPoint()));
    bool known = false;
    for (const _2dLine& line : lines) {
      if (SameEnds(line.GetStartPoint(), line.GetEndPoint(), s, e)) {
        known = true;
        break;
      }
    }
    if (!known) lines.emplace_back(s, e);
  }
}

void TankModeler::MarkSlabOverhangEdges(const _2dPoint& start, const _2dPoint& end,
                                        const boost::shared_ptr<Board>& board,
                                        double overhang) const {
  if (!board) return;
  const auto& edges = board->GetEdges();
  for (std::size_t i = 0; i < edges.size(); ++i) {
    const _2dPoint s = Plan(g_VekGeometryComm.LocalToWorld2d(board->GetOrigin(), board->GetXAxis(),
                                                            board->GetYAxis(), edges[i].GetStartPoint()));
    const _2dPoint e = Plan(g_VekGeometryComm.LocalToWorld2d(board->GetOrigin(), board->GetXAxis(),
                                                            board->GetYAxis(), edges[i].GetEndPoint()));
    if (SameEnds(s, e, start, end)) {
      board->SetEdgeOverhang(static_cast<int>(i), true, overhang);
      return;
    }
  }
}

// ---------------------------------------------------------------------------
// Outline editing

void TankModeler::InsertOutlinePoint(std::vector<_3dPoint>& outline, const _3dPoint& p) const {
  const std::size_t n = outline.size();
  for (std::size_t i = 0; i < n; ++i) {
    const _3dPoint& s = outline[i];
    const _3dPoint& e = outline[(i + 1) % n];
    if (g_VekGeometryComm.IsPointOnLine3d(s, e, p, g_ZeroTolerance) && p != s && p != e) {
      outline.insert(outline.begin() + static_cast<std::ptrdiff_t>(i + 1), p);
      return;
    }
  }
}

void TankModeler::ReshapeOutline(std::vector<_3dPoint>& outline, _3dPoint a, _3dPoint b,
                                 _3dPoint c, _3dPoint d) const {
  // 1. Put a and b on the outline.
  bool aDone = false, bDone = false;
  std::size_t w = 0;
  while (!(aDone && bDone) && w < outline.size()) {
    const _3dPoint s = outline[w];
    const _3dPoint e = outline[(w + 1) % outline.size()];
    const auto at = outline.begin() + static_cast<std::ptrdiff_t>(w + 1);
    if (!aDone && g_VekGeometryComm.IsPointOnLine3d(s, e, a, g_EqualTolerance)) {
      aDone = true;
      if (a != s && a != e) {
        outline.insert(at, a);
        continue;  // side w now ends at a: examine it again
      }
    }
    if (!bDone && g_VekGeometryComm.IsPointOnLine3d(s, e, b, g_EqualTolerance)) {
      bDone = true;
      if (b != s && b != e) {
        outline.insert(outline.begin() + static_cast<std::ptrdiff_t>(w + 1), b);
        continue;
      }
    }
    ++w;
  }

  // 2. Where a and b stand.
  auto find = [&outline](const _3dPoint& p) -> std::ptrdiff_t {
    for (std::size_t i = 0; i < outline.size(); ++i)
      if (outline[i] == p) return static_cast<std::ptrdiff_t>(i);
    return -1;
  };
  std::ptrdiff_t ia = find(a), ib = find(b);
  if (ia < 0 || ib < 0) return;

  // 3. a first in outline order.
  if (ib < ia) {
    std::swap(a, b);
    std::swap(c, d);
    std::swap(ia, ib);
  }

  // 4. The neighbours outside the reshaped run, compared in plan.
  const std::ptrdiff_t n = static_cast<std::ptrdiff_t>(outline.size());
  const _3dPoint before = outline[static_cast<std::size_t>(ia == 0 ? n - 1 : ia - 1)];
  const _3dPoint after = outline[static_cast<std::size_t>(ib == n - 1 ? 0 : ib + 1)];

  // 5. c follows a: a vertical side ending at a moves to c instead of gaining
  //    a step.
  if (c != a) {
    if (Plan(before) == Plan(a)) {
      outline[static_cast<std::size_t>(ia)] = c;
    } else {
      outline.insert(outline.begin() + ia + 1, c);
      ++ib;
    }
  }
  // 6. d precedes b.
  if (d != b) {
    if (Plan(after) == Plan(b))
      outline[static_cast<std::size_t>(ib)] = d;
    else
      outline.insert(outline.begin() + ib, d);
  }
}

// ---------------------------------------------------------------------------
// Board pairs and segments

bool TankModeler::AreOuterFacesFacing(const boost::shared_ptr<Board>& a,
                                      const boost::shared_ptr<Board>& b,
                                      const _3dLine& joint) const {
  if (!a || !b) return false;
  const _3dPoint& j0 = joint.GetStartPoint();
  const _3dPoint& j1 = joint.GetEndPoint();
  // Direction from the joint into a board: from the foot of its first outline
  // point off the joint line to that point.  A board lying wholly on the line
  // has no such direction and is taken as not facing.
  auto intoBoard = [&](const Board& board, _3dVector& dir) {
    std::vector<_3dPoint> outline;
    board.GetOutline(outline);
    for (const _3dPoint& p : outline) {
      if (g_VekGeometryComm.IsPointOnLine3d(j0, j1, p, 1.0)) continue;
      dir = p - g_VekGeometryComm.GetPerpendicularFoot3d(p, joint);
      return true;
    }
    return false;
  };
  _3dVector dA, dB;
  if (!intoBoard(*a, dA) || !intoBoard(*b, dB)) return false;
  // The face of one board turned toward the other is its upper face when its
  // normal points along the direction into the other board.
  auto facesOuter = [](const Board& board, const _3dVector& toward) {
    const bool upper = std::fabs(board.GetNormal().GetAngleTo(toward)) < 0.01;
    return upper ? board.IsUpperFaceOuter() : board.IsLowerFaceOuter();
  };
  return facesOuter(*b, dA) && facesOuter(*a, dB);
}

bool TankModeler::IsSegmentOnLines(const _3dPoint& a, const _3dPoint& b,
                                   const std::vector<Segment3d>& segments) const {
  auto on = [](const _3dPoint& p, const _3dPoint& s, const _3dPoint& e) {
    return g_VekGeometryComm.IsPointOnSegment3d(s, e, p, 1.0);
  };
  for (const Segment3d& seg : segments) {
    const _3dPoint& p = seg.start;
    const _3dPoint& q = seg.end;
    if ((a == p && b == q) || (a == q && b == p)) return true;
    if (on(a, p, q) && on(b, p, q)) return true;
    if (on(p, a, b) && on(q, a, b)) return true;
    if ((on(a, p, q) && a != p && a != q) || (on(b, p, q) && b != p && b != q)) return true;
    if ((on(p, a, b) && p != a && p != b) || (on(q, a, b) && q != a && q != b)) return true;
  }
  return false;
}

bool PointYThenXLess(const _2dPoint& p, const _2dPoint& q) {
  if (std::fabs(p.y - q.y) < 0.1) return p.x < q.x;
  return p.y < q.y;
}

bool PointZLess(const _3dPoint& p, const _3dPoint& q) { return p.z < q.z; }
