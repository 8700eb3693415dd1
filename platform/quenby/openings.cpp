// Structural model: openings, notches, loads and haunches.
#include "platform/quenby/internal.h"

#include <algorithm>
#include <cmath>
#include <typeinfo>

IMPLEMENT_VEK_SERIAL(Hole)
IMPLEMENT_VEK_SERIAL(CircleHole)
IMPLEMENT_VEK_SERIAL(RectangleHole)
IMPLEMENT_VEK_SERIAL(Notch)
IMPLEMENT_VEK_SERIAL(Load)
IMPLEMENT_VEK_SERIAL(PointLoad)
IMPLEMENT_VEK_SERIAL(LineLoad)
IMPLEMENT_VEK_SERIAL(AreaLoad)
IMPLEMENT_VEK_SERIAL(Ear)

using quenby::File;
using quenby::FileList;

namespace {

// Openings count as equal in size within this length (mm).
constexpr double kSizeTolerance = 1.0;

// Corners without a repeated closing point.
std::vector<_2dPoint> OpenCorners(std::vector<_2dPoint> corners) {
  if (corners.size() > 1 && corners.front() == corners.back()) corners.pop_back();
  return corners;
}

}  // namespace

// ---------------------------------------------------------------------------
// Hole

bool Hole::IsSameShape(const HolePtr& other) const {
  return other && typeid(*other) == typeid(*this);
}

bool Hole::IsSameOpening(const HolePtr& other) const {
  if (!other) return false;
  if (m_zones.size() != other->m_zones.size()) return false;
  for (std::size_t i = 0; i < m_zones.size(); ++i) {
    const ReinZonePtr& a = m_zones[i];
    const ReinZonePtr& b = other->m_zones[i];
    if (!a || !b) {
      if (a || b) return false;
      continue;
    }
    if (!a->IsSameRein(b)) return false;
  }
  return true;
}

double Hole::GetArea() const { return 0.0; }

void Hole::Serialize(Archive& ar) {
  VekObject::Serialize(ar);
  SerializeValues(ar);
}

void Hole::SerializeValues(Archive& ar) {
  File(ar, m_id);
  File(ar, m_number);
}

// ---------------------------------------------------------------------------
// CircleHole

bool CircleHole::IsSameShape(const HolePtr& other) const {
  if (!Hole::IsSameShape(other)) return false;
  const auto& o = static_cast<const CircleHole&>(*other);
  return std::fabs(m_radius - o.m_radius) <= kSizeTolerance;
}

double CircleHole::GetArea() const { return g_Pi * m_radius * m_radius; }

void CircleHole::SerializeValues(Archive& ar) {
  Hole::SerializeValues(ar);
  File(ar, m_center);
  File(ar, m_radius);
}

// ---------------------------------------------------------------------------
// RectangleHole

std::pair<double, double> RectangleHole::GetSize() const {
  std::pair<double, double> size(0.0, 0.0);
  if (m_corners.size() >= 2) size.first = (m_corners[1] - m_corners[0]).GetLength();
  if (m_corners.size() >= 3) size.second = (m_corners[2] - m_corners[1]).GetLength();
  return size;
}

void RectangleHole::GetSize(double& first, double& second) const {
  const auto size = GetSize();
  first = size.first;
  second = size.second;
}

bool RectangleHole::IsSameShape(const HolePtr& other) const {
  if (!Hole::IsSameShape(other)) return false;
  const auto& o = static_cast<const RectangleHole&>(*other);
  const auto a = GetSize();
  const auto b = o.GetSize();
  auto near = [](double x, double y) { return std::fabs(x - y) <= kSizeTolerance; };
  return (near(a.first, b.first) && near(a.second, b.second)) ||
         (near(a.first, b.second) && near(a.second, b.first));
}

double RectangleHole::GetArea() const { return std::fabs(quenby::SignedArea2(OpenCorners(m_corners))) * 0.5; }

void RectangleHole::SerializeValues(Archive& ar) {
  Hole::SerializeValues(ar);
  FileList(ar, m_corners, 16, [&](_2dPoint& p) { File(ar, p); });
}

// ---------------------------------------------------------------------------
// Notch

bool Notch::IsSameShape(const HolePtr& other) const {
  if (!Hole::IsSameShape(other)) return false;
  const auto& o = static_cast<const Notch&>(*other);
  if (m_outline.size() != o.m_outline.size()) return false;
  if (m_outline.empty()) return true;
  const _3dVector shift = o.m_outline.front() - m_outline.front();
  for (std::size_t i = 0; i < m_outline.size(); ++i)
    if ((o.m_outline[i] - (m_outline[i] + shift)).GetLength() > kSizeTolerance) return false;
  return true;
}

double Notch::GetArea() const {
  // Newell's normal: its length is twice the area of the planar polygon.
  std::vector<_3dPoint> pts = m_outline;
  if (pts.size() > 1 && pts.front() == pts.back()) pts.pop_back();
  _3dVector normal(0, 0, 0);
  for (std::size_t i = 0; i < pts.size(); ++i) {
    const _3dPoint& a = pts[i];
    const _3dPoint& b = pts[(i + 1) % pts.size()];
    normal.x += (a.y - b.y) * (a.z + b.z);
    normal.y += (a.z - b.z) * (a.x + b.x);
    normal.z += (a.x - b.x) * (a.y + b.y);
  }
  return normal.GetLength() * 0.5;
}

void Notch::SerializeValues(Archive& ar) {
  Hole::SerializeValues(ar);
  FileList(ar, m_outline, 24, [&](_3dPoint& p) { File(ar, p); });
  File(ar, m_code);
}

// ---------------------------------------------------------------------------
// Loads

void Load::Serialize(Archive& ar) {
  VekObject::Serialize(ar);
  SerializeValues(ar);
}

void Load::SerializeValues(Archive& ar) {
  File(ar, m_distribution);
  File(ar, m_loadType);
}

void PointLoad::SerializeValues(Archive& ar) {
  Load::SerializeValues(ar);
  File(ar, m_value);
  File(ar, m_position);
}

void LineLoad::SerializeValues(Archive& ar) {
  Load::SerializeValues(ar);
  File(ar, m_startValue);
  File(ar, m_start);
  File(ar, m_endValue);
  File(ar, m_end);
}

void AreaLoad::SerializeValues(Archive& ar) {
  Load::SerializeValues(ar);
  File(ar, m_region);
  File(ar, m_value);
  File(ar, m_startValue);
  File(ar, m_start);
  File(ar, m_endValue);
  File(ar, m_end);
}

// ---------------------------------------------------------------------------
// Ear

void Ear::Serialize(Archive& ar) {
  VekObject::Serialize(ar);
  SerializeValues(ar);
}

void Ear::SerializeValues(Archive& ar) {
  File(ar, m_angle);
  File(ar, m_length);
}
