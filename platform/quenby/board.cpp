// Structural model: boards, their edges and the board-plane queries.
#include "platform/quenby/internal.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

IMPLEMENT_VEK_SERIAL(StructureComponent)
IMPLEMENT_VEK_SERIAL(Board)

using quenby::File;
using quenby::FileList;
using quenby::FrameOf;
using quenby::PlaneFrame;

namespace {

// Distance of a point from the infinite line through `p` along the unit `u`.
double DistanceToCarrier(const _3dPoint& x, const _3dPoint& p, const _3dVector& u) {
  return (x - p).CrossProduct(u).GetLength();
}

template <class T>
bool Contains(const std::vector<boost::shared_ptr<T>>& list, const T* item) {
  for (const auto& p : list)
    if (p.get() == item) return true;
  return false;
}

}  // namespace

// ---------------------------------------------------------------------------
// BoardEdge

bool BoardEdge::GetOverhang(double& length) const {
  length = m_overhang ? m_overhangLength : 0.0;
  return m_overhang;
}

void BoardEdge::SetOverhang(bool on, double length) {
  m_overhang = on;
  m_overhangLength = on ? length : 0.0;
}

// ---------------------------------------------------------------------------
// Frame

_3dVector Board::GetNormal() const {
  const PlaneFrame frame = FrameOf(*this);
  return frame.valid ? frame.n : _3dVector(0, 0, 0);
}

_3dPoint Board::LocalToWorld(const _2dPoint& local) const { return FrameOf(*this).ToWorld(local); }

_2dPoint Board::WorldToLocal(const _3dPoint& world) const { return FrameOf(*this).ToLocal(world); }

// ---------------------------------------------------------------------------
// Outline and edges

void Board::SetEdges(const std::vector<BoardEdge>& edges) {
  m_edges = edges;
  for (BoardEdge& edge : m_edges) {
    for (int face = 0; face < 2; ++face) {
      FaceValues& values = edge.GetFaceValues(face == 0);
      if (values.grade.empty()) values.grade = m_values[face][0].grade;
    }
  }
}

BoardEdge Board::GetEdge(int index) const {
  if (index < 0 || index >= static_cast<int>(m_edges.size()))
    throw std::out_of_range("invalid vector<T> subscript");
  return m_edges[static_cast<std::size_t>(index)];
}

void Board::GetOutline(std::vector<_3dPoint>& outline) const { outline = GetOutlinePoints(); }

std::vector<_3dPoint> Board::GetOutlinePoints() const {
  const PlaneFrame frame = FrameOf(*this);
  std::vector<_3dPoint> points;
  points.reserve(m_edges.size());
  for (const BoardEdge& edge : m_edges) points.push_back(frame.ToWorld(edge.GetStartPoint()));
  return points;
}

void Board::GetLocalOutline(std::vector<_2dPoint>& outline) const {
  outline.clear();
  outline.reserve(m_edges.size());
  for (const BoardEdge& edge : m_edges) outline.push_back(edge.GetStartPoint());
}

_3dLine Board::GetEdgeLine(int index) const {
  const BoardEdge edge = GetEdge(index);
  const PlaneFrame frame = FrameOf(*this);
  return _3dLine(frame.ToWorld(edge.GetStartPoint()), frame.ToWorld(edge.GetEndPoint()));
}

int Board::FindEdge(const _3dLine& line, int /*flag*/) const {
  _3dVector u = line.GetDirection();
  const double length = u.GetLength();
  if (!u.Normalize(g_LengthTolerance)) return -1;
  const _3dPoint& p = line.GetStartPoint();
  const PlaneFrame frame = FrameOf(*this);
  int best = -1;
  double bestOverlap = quenby::kMinJointLength;
  for (std::size_t i = 0; i < m_edges.size(); ++i) {
    const _3dPoint a = frame.ToWorld(m_edges[i].GetStartPoint());
    const _3dPoint b = frame.ToWorld(m_edges[i].GetEndPoint());
    if (DistanceToCarrier(a, p, u) > quenby::kJoinTolerance || DistanceToCarrier(b, p, u) > quenby::kJoinTolerance)
      continue;
    const double sa = (a - p).DotProduct(u), sb = (b - p).DotProduct(u);
    const double overlap = std::min(std::max(sa, sb), length) - std::max(std::min(sa, sb), 0.0);
    if (overlap > bestOverlap) {
      best = static_cast<int>(i);
      bestOverlap = overlap;
    }
  }
  return best;
}

_3dVector Board::GetEdgeDirection(int edgeIndex) const {
  if (edgeIndex < 0 || edgeIndex >= static_cast<int>(m_edges.size())) return {0, 0, 0};
  const _2dVector d = m_edges[static_cast<std::size_t>(edgeIndex)].GetLine().GetDirection();
  std::vector<_2dPoint> outline;
  GetLocalOutline(outline);
  _2dVector inward = quenby::SignedArea2(outline) >= 0.0 ? _2dVector(-d.y, d.x) : _2dVector(d.y, -d.x);
  if (!inward.Normalize(1e-9)) return {0, 0, 0};
  const PlaneFrame frame = FrameOf(*this);
  if (!frame.valid) return {0, 0, 0};
  return frame.ToWorld(inward);
}

void Board::SetEdgeOverhang(int edgeIndex, bool on, double length) {
  if (edgeIndex < 0 || edgeIndex >= static_cast<int>(m_edges.size())) return;
  m_edges[static_cast<std::size_t>(edgeIndex)].SetOverhang(on, length);
}

bool Board::GetEdgeOverhang(int edgeIndex, double& length) const {
  if (edgeIndex < 0 || edgeIndex >= static_cast<int>(m_edges.size())) {
    length = 0.0;
    return false;
  }
  return m_edges[static_cast<std::size_t>(edgeIndex)].GetOverhang(length);
}

void Board::ClearEdgeOverhangs() {
  for (BoardEdge& edge : m_edges) edge.SetOverhang(false, 0.0);
}

// ---------------------------------------------------------------------------
// Board-plane queries

namespace {

// The in-plane unit vector across the line and the board's extents on its two
// sides (positive side first).
bool AcrossLine(const Board& board, const _3dLine& line, _3dVector& across, double& pos, double& neg) {
  _3dVector t = line.GetDirection();
  if (!t.Normalize(1e-9)) return false;
  across = board.GetNormal().CrossProduct(t);
  if (!across.Normalize(1e-9)) return false;
  pos = 0.0;
  neg = 0.0;
  for (const _3dPoint& p : board.GetOutlinePoints()) {
    const double s = (p - line.GetStartPoint()).DotProduct(across);
    pos = std::max(pos, s);
    neg = std::max(neg, -s);
  }
  return true;
}

}  // namespace

_3dVector Board::GetInwardDirection(const _3dLine& line) const {
  _3dVector across;
  double pos = 0.0, neg = 0.0;
  if (!AcrossLine(*this, line, across, pos, neg)) return {0, 0, 0};
  return pos >= neg ? across : -across;
}

double Board::GetJointMeasure(const _3dLine& line) const {
  _3dVector across;
  double pos = 0.0, neg = 0.0;
  if (!AcrossLine(*this, line, across, pos, neg)) return 0.0;
  return std::max(pos, neg);
}

void Board::GetSpans(double& lx, double& ly) const {
  const _2dVector xDir(std::cos(m_reinAngle), std::sin(m_reinAngle));
  const _2dVector yDir(-xDir.y, xDir.x);
  double xMin = 0, xMax = 0, yMin = 0, yMax = 0;
  bool first = true;
  for (const BoardEdge& edge : m_edges) {
    const _2dVector p = edge.GetStartPoint() - _2dPoint(0, 0);
    const double sx = p.Dot(xDir), sy = p.Dot(yDir);
    if (first) {
      xMin = xMax = sx;
      yMin = yMax = sy;
      first = false;
    }
    xMin = std::min(xMin, sx);
    xMax = std::max(xMax, sx);
    yMin = std::min(yMin, sy);
    yMax = std::max(yMax, sy);
  }
  lx = xMax - xMin;
  ly = yMax - yMin;
}

std::pair<double, double> Board::GetSpans() const {
  std::pair<double, double> spans;
  GetSpans(spans.first, spans.second);
  return spans;
}

_3dVector Board::GetMainDirection() const {
  const PlaneFrame frame = FrameOf(*this);
  if (!frame.valid) return {0, 0, 0};
  return frame.ToWorld(_2dVector(std::cos(m_reinAngle), std::sin(m_reinAngle)));
}

bool Board::ContainsPoint(const _2dPoint& planPoint) const {
  const PlaneFrame frame = FrameOf(*this);
  if (!frame.valid || m_edges.empty()) return false;
  if (std::fabs(frame.n.z) < 1e-6) {
    // A wall: its plan footprint, the base line widened by the faces.
    _2dVector along(frame.ux.x, frame.ux.y);
    _2dVector across(frame.n.x, frame.n.y);
    if (!along.Normalize(1e-9) || !across.Normalize(1e-9)) return false;
    const _2dPoint o(frame.origin.x, frame.origin.y);
    double sMin = 0.0, sMax = 0.0;
    bool first = true;
    for (const _3dPoint& p : GetOutlinePoints()) {
      const double s = (_2dPoint(p.x, p.y) - o).Dot(along);
      if (first) { sMin = sMax = s; first = false; }
      sMin = std::min(sMin, s);
      sMax = std::max(sMax, s);
    }
    const double s = (planPoint - o).Dot(along);
    const double h = (planPoint - o).Dot(across);
    const double tol = kPointTolerance;
    return s >= sMin - tol && s <= sMax + tol && h <= m_upperOffset + tol && h >= -m_lowerOffset - tol;
  }
  const double z = frame.origin.z - (frame.n.x * (planPoint.x - frame.origin.x) +
                                     frame.n.y * (planPoint.y - frame.origin.y)) / frame.n.z;
  std::vector<_2dPoint> outline;
  GetLocalOutline(outline);
  return quenby::IsInsideOrOn(outline, frame.ToLocal(_3dPoint(planPoint.x, planPoint.y, z)), kPointTolerance);
}

std::vector<double> Board::GetSortValues() const {
  double lx = 0.0, ly = 0.0;
  GetSpans(lx, ly);
  return {std::round(GetThickness()), std::round(lx), std::round(ly)};
}

// ---------------------------------------------------------------------------
// Openings, loads and attached objects

void Board::AddHole(const HolePtr& hole) {
  if (hole && !Contains(m_holes, hole.get())) m_holes.push_back(hole);
}

void Board::RemoveHole(const HolePtr& hole) {
  m_holes.erase(std::remove(m_holes.begin(), m_holes.end(), hole), m_holes.end());
}

bool Board::GetNotchFace(const boost::shared_ptr<Notch>& notch, int& face) const {
  face = 0;
  if (!notch || !Contains(m_holes, static_cast<const Hole*>(notch.get()))) return false;
  const PlaneFrame frame = FrameOf(*this);
  if (!frame.valid || notch->GetOutline().empty()) return false;
  double lo = 0.0, hi = 0.0;
  bool first = true;
  for (const _3dPoint& p : notch->GetOutline()) {
    const double h = frame.Height(p);
    if (first) { lo = hi = h; first = false; }
    lo = std::min(lo, h);
    hi = std::max(hi, h);
  }
  const double tol = quenby::kJoinTolerance;
  if (lo < -tol && hi > tol) return false;
  if (hi > tol) face = 1;
  else if (lo < -tol) face = 2;
  return face != 0;
}

void Board::AddLoad(const LoadPtr& load) {
  if (load && !Contains(m_loads, load.get())) m_loads.push_back(load);
}

void Board::RemoveLoad(const LoadPtr& load) {
  m_loads.erase(std::remove(m_loads.begin(), m_loads.end(), load), m_loads.end());
}

void Board::AddObject(const boost::shared_ptr<VekObject>& object) {
  if (!object) return;
  if (LoadPtr load = boost::dynamic_pointer_cast<Load>(object)) {
    AddLoad(load);
  } else if (HolePtr hole = boost::dynamic_pointer_cast<Hole>(object)) {
    AddHole(hole);
  } else if (!quenby::IsModelObject(object.get()) && !Contains(m_items, object.get())) {
    m_items.push_back(object);
  }
}

void Board::RemoveObject(const boost::shared_ptr<VekObject>& object) {
  if (!object) return;
  if (LoadPtr load = boost::dynamic_pointer_cast<Load>(object)) RemoveLoad(load);
  if (HolePtr hole = boost::dynamic_pointer_cast<Hole>(object)) RemoveHole(hole);
  m_items.erase(std::remove(m_items.begin(), m_items.end(), object), m_items.end());
}

std::vector<boost::shared_ptr<VekObject>> Board::GetRelatedObjects() const {
  std::vector<boost::shared_ptr<VekObject>> result;
  result.insert(result.end(), m_holes.begin(), m_holes.end());
  result.insert(result.end(), m_loads.begin(), m_loads.end());
  result.insert(result.end(), m_items.begin(), m_items.end());
  return result;
}

// ---------------------------------------------------------------------------
// Rebar zones

std::vector<ReinZonePtr> Board::GetAllZones() const {
  std::vector<ReinZonePtr> result;
  auto add = [&result](const std::vector<ReinZonePtr>& zones) {
    for (const ReinZonePtr& zone : zones)
      if (zone && !Contains(result, zone.get())) result.push_back(zone);
  };
  add(m_upperZones);
  add(m_lowerZones);
  for (const BoardEdge& edge : m_edges) {
    add(edge.GetUpperZones());
    add(edge.GetLowerZones());
  }
  for (const HolePtr& hole : m_holes)
    if (hole) add(hole->GetZones());
  return result;
}

bool Board::ContainsFaceZone(const ReinZonePtr& zone, bool* flag) const {
  if (!zone) return false;
  if (Contains(m_upperZones, zone.get())) return true;
  if (Contains(m_lowerZones, zone.get())) {
    if (flag) *flag = false;
    return true;
  }
  return false;
}

bool Board::ContainsEdgeZone(const ReinZonePtr& zone, bool* flag) const {
  if (!zone) return false;
  for (const BoardEdge& edge : m_edges)
    if (Contains(edge.GetUpperZones(), zone.get())) return true;
  for (const BoardEdge& edge : m_edges) {
    if (Contains(edge.GetLowerZones(), zone.get())) {
      if (flag) *flag = false;
      return true;
    }
  }
  return false;
}

// ---------------------------------------------------------------------------
// Design values

void Board::SetUpperXGrade(const std::string& grade) {
  m_values[0][0].grade = grade;
  for (BoardEdge& edge : m_edges)
    if (edge.GetFaceValues(true).grade.empty()) edge.GetFaceValues(true).grade = grade;
}

void Board::SetLowerXGrade(const std::string& grade) {
  m_values[1][0].grade = grade;
  for (BoardEdge& edge : m_edges)
    if (edge.GetFaceValues(false).grade.empty()) edge.GetFaceValues(false).grade = grade;
}

// ---------------------------------------------------------------------------
// Filing

void Board::Serialize(Archive& ar) {
  VekObject::Serialize(ar);
  SerializeValues(ar);
}

void Board::SerializeValues(Archive& ar) {
  File(ar, m_kind);
  File(ar, m_number);
  File(ar, m_origin);
  File(ar, m_xAxis);
  File(ar, m_yAxis);
  File(ar, m_upperOffset);
  File(ar, m_lowerOffset);
  File(ar, m_upperOuter);
  File(ar, m_lowerOuter);
  File(ar, m_concreteGrade);
  File(ar, m_wallStartCode);
  File(ar, m_wallEndCode);
  File(ar, m_reinAngle);
  FileList(ar, m_edges, 32, [&](BoardEdge& edge) {
    _2dLine line = edge.GetLine();
    File(ar, line);
    double length = 0.0;
    bool on = edge.GetOverhang(length);
    File(ar, on);
    File(ar, length);
    if (ar.IsLoading()) {
      edge.SetLine(line);
      edge.SetOverhang(on, length);
    }
    edge.GetFaceValues(true).Serialize(ar);
    edge.GetFaceValues(false).Serialize(ar);
  });
  FileList(ar, m_restrictions, 4, [&](Restirction& r) {
    int kind = r.GetKind();
    File(ar, kind);
    r.SetKind(kind);
  });
  for (auto& face : m_values)
    for (FaceValues& values : face) values.Serialize(ar);
}

bool quenby::IsModelObject(const VekObject* o) {
  return dynamic_cast<const StructureComponent*>(o) || dynamic_cast<const StructureComponentUnits*>(o) ||
         dynamic_cast<const TankCell*>(o) || dynamic_cast<const Hole*>(o) || dynamic_cast<const Load*>(o) ||
         dynamic_cast<const Ear*>(o) || dynamic_cast<const ReinZone*>(o) || dynamic_cast<const Rein*>(o) ||
         dynamic_cast<const BoardJoint*>(o) || dynamic_cast<const JointLine*>(o) ||
         dynamic_cast<const Structure*>(o);
}
