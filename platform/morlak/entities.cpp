// Geometry kernel: drawable entities, their boxes, transforms and filing.
#include "platform/morlak/entities.h"
#include "platform/morlak/filing.h"

#include <boost/make_shared.hpp>

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <limits>
#include <stdexcept>
#include <string>

namespace {

// Smallest record sizes in bytes, used to check counts read from a file
// before anything is allocated.  An entity record is at least the object
// marker, two empty strings (their byte counts), the colour, the line-type
// scale and the line weight.
constexpr std::size_t kPointBytes = 3 * sizeof(double);
constexpr std::size_t kEntityRecordMinBytes = 4 + 4 + 4 + 4 + 8 + 4;
constexpr std::size_t kLineRecordMinBytes = kEntityRecordMinBytes + 2 * kPointBytes;
constexpr std::size_t kExtrudantRecordMinBytes = kEntityRecordMinBytes + 4 + 4 + 8 + 4;

// A bulge this close to 0 shapes no visible arc (its sagitta is below a
// nanometre per metre of chord).
constexpr double kStraightBulge = 1e-9;

// Two direction angles closer than this (rad) are one direction.
constexpr double kSameDirection = 1e-12;

double TwoPi() { return 2.0 * g_Pi; }

// The angle brought into [0, 2π).
double NormalizeAngle(double a) {
  if (!std::isfinite(a)) return a;
  double r = std::fmod(a, TwoPi());
  if (r < 0.0) r += TwoPi();
  if (r >= TwoPi()) r -= TwoPi();
  return r;
}

// Whether direction angle `a` lies on the arc that starts at `start` and
// turns by `sweep` (counter-clockwise when positive).
bool AngleInSweep(double a, double start, double sweep) {
  if (sweep >= 0.0) return NormalizeAngle(a - start) <= sweep;
  return NormalizeAngle(start - a) <= -sweep;
}

// Widens `box` by the points of an arc in the plane z = `z`: its end points
// and those of its quadrant points (at 0, π/2, π, 3π/2) that lie within the
// sweep.  The quadrant points are formed exactly, without trigonometry.
void ExtendByArc(Extents& box, const _2dPoint& c, double r, double start, double sweep, double z) {
  const double end = start + sweep;
  box.Extend(_3dPoint(c.x + r * std::cos(start), c.y + r * std::sin(start), z));
  box.Extend(_3dPoint(c.x + r * std::cos(end), c.y + r * std::sin(end), z));
  const std::array<std::array<double, 3>, 4> quadrants{{
      {0.0, 1.0, 0.0},
      {0.5 * g_Pi, 0.0, 1.0},
      {g_Pi, -1.0, 0.0},
      {1.5 * g_Pi, 0.0, -1.0},
  }};
  for (const auto& q : quadrants)
    if (AngleInSweep(q[0], start, sweep)) box.Extend(_3dPoint(c.x + r * q[1], c.y + r * q[2], z));
}

// Widens a non-empty box by the given amounts on each side of each axis.
void Widen(Extents& box, double dx, double dy, double dz) {
  if (box.IsEmpty()) return;
  box = Extents(box.minX - dx, box.minY - dy, box.minZ - dz, box.maxX + dx, box.maxY + dy,
                box.maxZ + dz);
}

// A normal as a unit vector; a zero (or non-finite) normal counts as +z.
_3dVector UnitNormal(const _3dVector& n) {
  _3dVector u = n;
  if (!std::isfinite(u.x) || !std::isfinite(u.y) || !std::isfinite(u.z) || !u.Normalize())
    return {0, 0, 1};
  return u;
}

// The exact box of a circle: centre ± r·sqrt(1 − n_i²) on each axis i for
// the unit normal n of its plane.
Extents CircleExtents(const _3dPoint& c, double r, const _3dVector& normal) {
  const _3dVector n = UnitNormal(normal);
  const double rr = std::fabs(r);
  auto half = [rr](double ni) { return rr * std::sqrt(std::max(0.0, 1.0 - ni * ni)); };
  const double hx = half(n.x), hy = half(n.y), hz = half(n.z);
  return Extents(c.x - hx, c.y - hy, c.z - hz, c.x + hx, c.y + hy, c.z + hz);
}

// Files an enumeration as an int; a value outside [0, last] in a file is damage.
template <class Enum>
void FileEnum(Archive& ar, Enum& v, int last, const char* what) {
  int code = static_cast<int>(v);
  if (ar.IsStoring()) {
    ar.WriteInt(code);
    return;
  }
  const std::uint64_t at = ar.Tell();
  ar.ReadInt(code);
  if (code < 0 || code > last)
    throw ArchiveError(std::string("archive: expected ") + what + " code 0.." + std::to_string(last) +
                           " at byte " + std::to_string(at) + ", but found " + std::to_string(code),
                       at);
  v = static_cast<Enum>(code);
}

// Number of displayed characters of a text: UTF-8 characters, with each
// symbol code of the drawing standard ("%%nnn", "%%c", "%%d", "%%p", "%%%")
// counted as one.
std::size_t DisplayedCharacters(const std::string& text) {
  std::size_t count = 0;
  const std::size_t n = text.size();
  auto isDigit = [&](std::size_t i) { return i < n && text[i] >= '0' && text[i] <= '9'; };
  for (std::size_t i = 0; i < n;) {
    if (text[i] == '%' && i + 2 < n && text[i + 1] == '%') {
      const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(text[i + 2])));
      if (isDigit(i + 2) && isDigit(i + 3) && isDigit(i + 4)) {
        ++count;
        i += 5;
        continue;
      }
      if (c == 'c' || c == 'd' || c == 'p' || c == '%') {
        ++count;
        i += 3;
        continue;
      }
    }
    // A byte that does not continue a UTF-8 sequence starts a character.
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) ++count;
    ++i;
  }
  return count;
}

// Guards the nesting of extrudant holes while one thread files them.
thread_local int t_extrudantDepth = 0;

struct DepthGuard {
  DepthGuard() { ++t_extrudantDepth; }
  ~DepthGuard() { --t_extrudantDepth; }
  DepthGuard(const DepthGuard&) = delete;
  DepthGuard& operator=(const DepthGuard&) = delete;
};

std::string IndexError(const char* where, int index, int size, const char* items) {
  return std::string("_2dPolyline::") + where + ": index " + std::to_string(index) +
         " is out of range for " + std::to_string(size) + " " + items;
}

}  // namespace

// ---------------------------------------------------------------------------
// Extents

Extents::Extents(double x0, double y0, double z0, double x1, double y1, double z1)
    : minX(std::min(x0, x1)),
      minY(std::min(y0, y1)),
      minZ(std::min(z0, z1)),
      maxX(std::max(x0, x1)),
      maxY(std::max(y0, y1)),
      maxZ(std::max(z0, z1)),
      m_empty(false) {}

Extents::Extents(const _3dPoint& p) : Extents(p.x, p.y, p.z, p.x, p.y, p.z) {}

void Extents::Extend(const Extents& o) {
  if (o.m_empty) return;
  if (m_empty) {
    *this = o;
    return;
  }
  minX = std::min(minX, o.minX);
  minY = std::min(minY, o.minY);
  minZ = std::min(minZ, o.minZ);
  maxX = std::max(maxX, o.maxX);
  maxY = std::max(maxY, o.maxY);
  maxZ = std::max(maxZ, o.maxZ);
}

void Extents::Extend(const _3dPoint& p) { Extend(Extents(p)); }

_3dPoint Extents::GetCenter() const {
  if (m_empty) return {};
  return {0.5 * (minX + maxX), 0.5 * (minY + maxY), 0.5 * (minZ + maxZ)};
}

bool Extents::Contains(const _2dPoint& p, double tol) const {
  if (m_empty) return false;
  return p.x >= minX - tol && p.x <= maxX + tol && p.y >= minY - tol && p.y <= maxY + tol;
}

Extents GetEntitiesExtents(const EntityList& entities) {
  Extents box;
  for (const EntityPtr& e : entities)
    if (e) box.Extend(e->GetExtents());
  return box;
}

// ---------------------------------------------------------------------------
// Entity

void Entity::Serialize(Archive& ar) {
  VekObject::Serialize(ar);
  File(ar, m_layer);
  File(ar, m_color);
  File(ar, m_linetype);
  File(ar, m_linetypeScale);
  File(ar, m_lineWeight);
}

void Entity::CheckScaleFactor(double f) {
  if (!std::isfinite(f) || f <= 0.0)
    throw std::invalid_argument("Entity::Scale: the factor must be finite and positive, not " +
                                std::to_string(f));
}

// ---------------------------------------------------------------------------
// _2dLine

IMPLEMENT_VEK_SERIAL(_2dLine)

_2dPoint _2dLine::GetMidPoint() const {
  return {0.5 * (m_start.x + m_end.x), 0.5 * (m_start.y + m_end.y)};
}

double _2dLine::GetLength() const { return GetDirection().GetLength(); }

_2dLine _2dLine::Reversed() const {
  _2dLine r(*this);
  std::swap(r.m_start, r.m_end);
  return r;
}

bool _2dLine::IsCoincident(const _2dLine& o) const {
  // Measure against the carrier of the longer segment, so that the answer
  // does not depend on which of the two asks.
  const bool thisLonger = GetLength() >= o.GetLength();
  const _2dLine& ref = thisLonger ? *this : o;
  const _2dLine& other = thisLonger ? o : *this;
  const double len = ref.GetLength();
  if (other.GetLength() <= kPointTolerance) return false;
  const _2dVector u = ref.GetDirection() * (1.0 / len);
  const auto offLine = [&](const _2dPoint& p) {
    return std::fabs(u.Cross(p - ref.m_start)) > kPointTolerance;
  };
  if (offLine(other.m_start) || offLine(other.m_end)) return false;
  const double t0 = u.Dot(other.m_start - ref.m_start);
  const double t1 = u.Dot(other.m_end - ref.m_start);
  const double lo = std::max(0.0, std::min(t0, t1));
  const double hi = std::min(len, std::max(t0, t1));
  return hi - lo > kPointTolerance;
}

bool _2dLine::operator==(const _2dLine& o) const {
  return (m_start == o.m_start && m_end == o.m_end) || (m_start == o.m_end && m_end == o.m_start);
}

void _2dLine::Scale(double f) {
  CheckScaleFactor(f);
  m_start.Scale(f);
  m_end.Scale(f);
}

void _2dLine::Move(const _3dVector& offset) {
  m_start.Move(offset);
  m_end.Move(offset);
}

Extents _2dLine::GetExtents() const {
  return Extents(m_start.x, m_start.y, 0.0, m_end.x, m_end.y, 0.0);
}

boost::shared_ptr<Entity> _2dLine::Clone() const { return boost::make_shared<_2dLine>(*this); }
void _2dLine::Accept(EntityVisitor& visitor) const { visitor.Visit(*this); }

void _2dLine::Serialize(Archive& ar) {
  Entity::Serialize(ar);
  File(ar, m_start);
  File(ar, m_end);
}

// ---------------------------------------------------------------------------
// _3dLine

IMPLEMENT_VEK_SERIAL(_3dLine)

_3dPoint _3dLine::GetMidPoint() const {
  return {0.5 * (m_start.x + m_end.x), 0.5 * (m_start.y + m_end.y), 0.5 * (m_start.z + m_end.z)};
}

double _3dLine::GetLength() const { return m_start.DistanceTo(m_end); }

_3dLine _3dLine::Reversed() const {
  _3dLine r(*this);
  std::swap(r.m_start, r.m_end);
  return r;
}

bool _3dLine::operator==(const _3dLine& o) const {
  return m_start == o.m_start && m_end == o.m_end;
}

void _3dLine::Scale(double f) {
  CheckScaleFactor(f);
  m_start = _3dPoint(m_start.x * f, m_start.y * f, m_start.z * f);
  m_end = _3dPoint(m_end.x * f, m_end.y * f, m_end.z * f);
}

void _3dLine::Move(const _3dVector& offset) {
  m_start = m_start + offset;
  m_end = m_end + offset;
}

Extents _3dLine::GetExtents() const {
  return Extents(m_start.x, m_start.y, m_start.z, m_end.x, m_end.y, m_end.z);
}

boost::shared_ptr<Entity> _3dLine::Clone() const { return boost::make_shared<_3dLine>(*this); }
void _3dLine::Accept(EntityVisitor& visitor) const { visitor.Visit(*this); }

void _3dLine::Serialize(Archive& ar) {
  Entity::Serialize(ar);
  File(ar, m_start);
  File(ar, m_end);
}

// ---------------------------------------------------------------------------
// _2dArc

IMPLEMENT_VEK_SERIAL(_2dArc)

_2dArc::_2dArc(const _2dPoint& center, double radius, double startAngle, double endAngle)
    : m_center(center), m_radius(radius), m_startAngle(startAngle), m_endAngle(endAngle) {}

_2dPoint _2dArc::GetStartPoint() const {
  return {m_center.x + m_radius * std::cos(m_startAngle), m_center.y + m_radius * std::sin(m_startAngle)};
}

_2dPoint _2dArc::GetEndPoint() const {
  return {m_center.x + m_radius * std::cos(m_endAngle), m_center.y + m_radius * std::sin(m_endAngle)};
}

double _2dArc::GetSweep() const {
  // Angles that name one direction up to rounding (0 and 2π, say) make a
  // full circle, not a sliver.
  const double sweep = NormalizeAngle(m_endAngle - m_startAngle);
  return (sweep > kSameDirection && sweep < TwoPi() - kSameDirection) ? sweep : TwoPi();
}

double _2dArc::GetLength() const { return std::fabs(m_radius) * GetSweep(); }

void _2dArc::Scale(double f) {
  CheckScaleFactor(f);
  m_center.Scale(f);
  m_radius *= f;
}

void _2dArc::Move(const _3dVector& offset) { m_center.Move(offset); }

Extents _2dArc::GetExtents() const {
  Extents box;
  ExtendByArc(box, m_center, m_radius, m_startAngle, GetSweep(), 0.0);
  return box;
}

boost::shared_ptr<Entity> _2dArc::Clone() const { return boost::make_shared<_2dArc>(*this); }
void _2dArc::Accept(EntityVisitor& visitor) const { visitor.Visit(*this); }

void _2dArc::Serialize(Archive& ar) {
  Entity::Serialize(ar);
  File(ar, m_center);
  File(ar, m_radius);
  File(ar, m_startAngle);
  File(ar, m_endAngle);
}

// ---------------------------------------------------------------------------
// _2dPolyline

IMPLEMENT_VEK_SERIAL(_2dPolyline)

_2dPolyline::_2dPolyline(const std::vector<_3dPoint>& vertices, bool closed)
    : m_vertices(vertices), m_bulges(vertices.size(), 0.0), m_closed(closed) {}

void _2dPolyline::SetVertices(const std::vector<_3dPoint>& vertices) {
  m_vertices = vertices;
  m_bulges.resize(m_vertices.size(), 0.0);
}

void _2dPolyline::SetBulges(const std::vector<double>& bulges) {
  if (bulges.size() != m_vertices.size())
    throw std::invalid_argument("_2dPolyline::SetBulges: " + std::to_string(bulges.size()) +
                                " bulges given for " + std::to_string(m_vertices.size()) +
                                " vertices (one per vertex needed)");
  m_bulges = bulges;
}

const _3dPoint& _2dPolyline::GetVertexAt(int index) const {
  if (index < 0 || index >= VerNums())
    throw std::out_of_range(IndexError("GetVertexAt", index, VerNums(), "vertices"));
  return m_vertices[static_cast<std::size_t>(index)];
}

void _2dPolyline::SetVertexAt(int index, const _3dPoint& p) {
  if (index < 0 || index >= VerNums())
    throw std::out_of_range(IndexError("SetVertexAt", index, VerNums(), "vertices"));
  m_vertices[static_cast<std::size_t>(index)] = p;
}

double _2dPolyline::GetBulgeAt(int index) const {
  if (index < 0 || index >= VerNums())
    throw std::out_of_range(IndexError("GetBulgeAt", index, VerNums(), "vertices"));
  return m_bulges[static_cast<std::size_t>(index)];
}

void _2dPolyline::SetBulgeAt(int index, double bulge) {
  if (index < 0 || index >= VerNums())
    throw std::out_of_range(IndexError("SetBulgeAt", index, VerNums(), "vertices"));
  m_bulges[static_cast<std::size_t>(index)] = bulge;
}

void _2dPolyline::InsertVertex(int index, const _3dPoint& p, double bulge) {
  if (index < 0 || index > VerNums())
    throw std::out_of_range(IndexError("InsertVertex", index, VerNums(),
                                       "vertices (0 .. vertex count allowed)"));
  m_vertices.insert(m_vertices.begin() + index, p);
  m_bulges.insert(m_bulges.begin() + index, bulge);
}

void _2dPolyline::RemoveVertexAt(int index) {
  if (index < 0 || index >= VerNums())
    throw std::out_of_range(IndexError("RemoveVertexAt", index, VerNums(), "vertices"));
  m_vertices.erase(m_vertices.begin() + index);
  m_bulges.erase(m_bulges.begin() + index);
}

void _2dPolyline::RemoveFront(int count) {
  if (count < 0 || count > VerNums())
    throw std::out_of_range("_2dPolyline::RemoveFront: cannot remove " + std::to_string(count) +
                            " of " + std::to_string(VerNums()) + " vertices");
  m_vertices.erase(m_vertices.begin(), m_vertices.begin() + count);
  m_bulges.erase(m_bulges.begin(), m_bulges.begin() + count);
}

void _2dPolyline::RemoveBack(int count) {
  if (count < 0 || count > VerNums())
    throw std::out_of_range("_2dPolyline::RemoveBack: cannot remove " + std::to_string(count) +
                            " of " + std::to_string(VerNums()) + " vertices");
  m_vertices.erase(m_vertices.end() - count, m_vertices.end());
  m_bulges.erase(m_bulges.end() - count, m_bulges.end());
}

int _2dPolyline::SegmentCount() const {
  const int n = VerNums();
  if (n < 2) return 0;
  return m_closed ? n : n - 1;
}

bool _2dPolyline::GetSegmentArc(int segment, _2dPoint& center, double& radius, double& startAngle,
                                double& sweep) const {
  if (segment < 0 || segment >= SegmentCount())
    throw std::out_of_range("_2dPolyline::GetSegmentArc: segment " + std::to_string(segment) +
                            " is out of range for " + std::to_string(SegmentCount()) + " segments");
  const std::size_t i = static_cast<std::size_t>(segment);
  const double b = m_bulges[i];
  if (!(std::fabs(b) > kStraightBulge)) return false;
  const _2dPoint a(m_vertices[i]);
  const _2dPoint e(m_vertices[(i + 1) % m_vertices.size()]);
  const _2dVector d = e - a;
  const double c = d.GetLength();
  if (!(c > 0.0)) return false;
  // The arc's centre lies on the chord's perpendicular bisector, at
  // (c/4)(b − 1/b) along the chord's right-hand normal: on the left for a
  // counter-clockwise arc flatter than a half circle, on the chord for a half
  // circle (b = ±1).
  const _2dVector right(d.y / c, -d.x / c);
  const _2dPoint mid(0.5 * (a.x + e.x), 0.5 * (a.y + e.y));
  center = mid + right * (0.25 * c * (b - 1.0 / b));
  radius = 0.25 * c * (1.0 + b * b) / std::fabs(b);
  startAngle = (a - center).GetAngle();
  sweep = 4.0 * std::atan(b);
  return true;
}

double _2dPolyline::GetLength() const {
  double length = 0.0;
  const int segments = SegmentCount();
  for (int s = 0; s < segments; ++s) {
    const std::size_t i = static_cast<std::size_t>(s);
    const _3dPoint& a = m_vertices[i];
    const _3dPoint& e = m_vertices[(i + 1) % m_vertices.size()];
    const double chord = a.DistanceTo(e);
    const double b = m_bulges[i];
    if (std::fabs(b) > kStraightBulge) {
      // Arc of sweep θ over chord c: radius c / (2 sin(θ/2)), length r θ.
      const double theta = 4.0 * std::atan(std::fabs(b));
      length += chord * theta / (2.0 * std::sin(0.5 * theta));
    } else {
      length += chord;
    }
  }
  return length;
}

bool _2dPolyline::IsValid() const {
  if (VerNums() < 2) return false;
  for (const _3dPoint& p : m_vertices)
    if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) return false;
  for (double b : m_bulges)
    if (!std::isfinite(b)) return false;
  const int segments = SegmentCount();
  for (int s = 0; s < segments; ++s) {
    const std::size_t i = static_cast<std::size_t>(s);
    if (m_vertices[i].DistanceTo(m_vertices[(i + 1) % m_vertices.size()]) < g_LengthTolerance)
      return false;
  }
  return true;
}

void _2dPolyline::Scale(double f) {
  CheckScaleFactor(f);
  for (_3dPoint& p : m_vertices) p = _3dPoint(p.x * f, p.y * f, p.z * f);
  m_width *= f;
}

void _2dPolyline::Move(const _3dVector& offset) {
  for (_3dPoint& p : m_vertices) {
    p.x += offset.x;
    p.y += offset.y;
  }
}

Extents _2dPolyline::GetExtents() const {
  const double half = 0.5 * std::fabs(m_width);
  Extents box;
  for (const _3dPoint& p : m_vertices) box.Extend(p);
  if (half == 0.0 || m_vertices.size() < 2) {
    const int segments = SegmentCount();
    for (int s = 0; s < segments; ++s) {
      _2dPoint center;
      double radius = 0.0, start = 0.0, sweep = 0.0;
      if (GetSegmentArc(s, center, radius, start, sweep))
        ExtendByArc(box, center, radius, start, sweep, m_vertices[static_cast<std::size_t>(s)].z);
    }
    Widen(box, half, half, 0.0);
    return box;
  }
  // A wide polyline: each straight segment is a band of the width with
  // square ends at its vertices, so it reaches half the width across the
  // segment, not along it; an arc is widened all round.
  const int segments = SegmentCount();
  const std::size_t n = m_vertices.size();
  for (int s = 0; s < segments; ++s) {
    const _3dPoint& a = m_vertices[static_cast<std::size_t>(s)];
    const _3dPoint& b = m_vertices[(static_cast<std::size_t>(s) + 1) % n];
    _2dPoint center;
    double radius = 0.0, start = 0.0, sweep = 0.0;
    if (GetSegmentArc(s, center, radius, start, sweep)) {
      Extents arc(a);
      arc.Extend(b);
      ExtendByArc(arc, center, radius, start, sweep, a.z);
      Widen(arc, half, half, 0.0);
      box.Extend(arc);
      continue;
    }
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double len = std::hypot(dx, dy);
    if (!(len > 0.0)) {
      Extents dot(a);
      Widen(dot, half, half, 0.0);
      box.Extend(dot);
      continue;
    }
    const double nx = -dy / len * half, ny = dx / len * half;
    for (const _3dPoint& p : {a, b}) {
      box.Extend(_3dPoint(p.x + nx, p.y + ny, p.z));
      box.Extend(_3dPoint(p.x - nx, p.y - ny, p.z));
    }
  }
  return box;
}

boost::shared_ptr<Entity> _2dPolyline::Clone() const {
  return boost::make_shared<_2dPolyline>(*this);
}
void _2dPolyline::Accept(EntityVisitor& visitor) const { visitor.Visit(*this); }

void _2dPolyline::Serialize(Archive& ar) {
  Entity::Serialize(ar);
  FileList(ar, m_vertices, kPointBytes, [](Archive& a, _3dPoint& p) { File(a, p); });
  FileList(ar, m_bulges, sizeof(double), [](Archive& a, double& b) { File(a, b); });
  if (ar.IsLoading() && m_bulges.size() != m_vertices.size()) {
    const std::string what = "archive: a polyline with " + std::to_string(m_vertices.size()) +
                             " vertices carries " + std::to_string(m_bulges.size()) +
                             " bulges (one per vertex expected)";
    m_vertices.clear();
    m_bulges.clear();
    ar.Fail(what);
  }
  File(ar, m_closed);
  File(ar, m_width);
}

// ---------------------------------------------------------------------------
// _3dPolyline

IMPLEMENT_VEK_SERIAL(_3dPolyline)

double _3dPolyline::GetLength() const {
  double length = 0.0;
  for (std::size_t i = 1; i < m_vertices.size(); ++i) length += m_vertices[i - 1].DistanceTo(m_vertices[i]);
  if (m_closed && m_vertices.size() > 1) length += m_vertices.back().DistanceTo(m_vertices.front());
  return length;
}

void _3dPolyline::Scale(double f) {
  CheckScaleFactor(f);
  for (_3dPoint& p : m_vertices) p = _3dPoint(p.x * f, p.y * f, p.z * f);
}

void _3dPolyline::Move(const _3dVector& offset) {
  for (_3dPoint& p : m_vertices) p = p + offset;
}

Extents _3dPolyline::GetExtents() const {
  Extents box;
  for (const _3dPoint& p : m_vertices) box.Extend(p);
  return box;
}

boost::shared_ptr<Entity> _3dPolyline::Clone() const {
  return boost::make_shared<_3dPolyline>(*this);
}
void _3dPolyline::Accept(EntityVisitor& visitor) const { visitor.Visit(*this); }

void _3dPolyline::Serialize(Archive& ar) {
  Entity::Serialize(ar);
  FileList(ar, m_vertices, kPointBytes, [](Archive& a, _3dPoint& p) { File(a, p); });
  File(ar, m_closed);
}

// ---------------------------------------------------------------------------
// _3dCircle

IMPLEMENT_VEK_SERIAL(_3dCircle)

void _3dCircle::Scale(double f) {
  CheckScaleFactor(f);
  m_center = _3dPoint(m_center.x * f, m_center.y * f, m_center.z * f);
  m_radius *= f;
}

void _3dCircle::Move(const _3dVector& offset) { m_center = m_center + offset; }

Extents _3dCircle::GetExtents() const { return CircleExtents(m_center, m_radius, m_normal); }

boost::shared_ptr<Entity> _3dCircle::Clone() const { return boost::make_shared<_3dCircle>(*this); }
void _3dCircle::Accept(EntityVisitor& visitor) const { visitor.Visit(*this); }

void _3dCircle::Serialize(Archive& ar) {
  Entity::Serialize(ar);
  File(ar, m_center);
  File(ar, m_radius);
  File(ar, m_normal);
}

// ---------------------------------------------------------------------------
// _3dExtrudant

IMPLEMENT_VEK_SERIAL(_3dExtrudant)

_3dExtrudant::_3dExtrudant(const _3dExtrudant& o)
    : Entity(o), m_lines(o.m_lines), m_circle(o.m_circle), m_hasCircle(o.m_hasCircle), m_height(o.m_height) {
  m_holes.reserve(o.m_holes.size());
  for (const auto& hole : o.m_holes) m_holes.push_back(boost::make_shared<_3dExtrudant>(*hole));
}

_3dExtrudant& _3dExtrudant::operator=(const _3dExtrudant& o) {
  if (this == &o) return *this;
  _3dExtrudant copy(o);
  Entity::operator=(o);
  m_lines.swap(copy.m_lines);
  m_circle = copy.m_circle;
  m_hasCircle = copy.m_hasCircle;
  m_height = copy.m_height;
  m_holes.swap(copy.m_holes);
  return *this;
}

void _3dExtrudant::SetProfile(const std::vector<_3dLine>& loop) {
  m_lines = loop;
  m_circle = _3dCircle();
  m_hasCircle = false;
}

void _3dExtrudant::SetProfile(const _3dCircle& circle) {
  m_lines.clear();
  m_circle = circle;
  m_hasCircle = true;
}

_3dVector _3dExtrudant::GetNormal() const {
  if (m_hasCircle) return UnitNormal(m_circle.GetNormal());
  // Newell's rule over the loop's corner points (the start of each line).
  _3dVector n;
  const std::size_t count = m_lines.size();
  for (std::size_t i = 0; i < count; ++i) {
    const _3dPoint& p = m_lines[i].GetStartPoint();
    const _3dPoint& q = m_lines[(i + 1) % count].GetStartPoint();
    n.x += (p.y - q.y) * (p.z + q.z);
    n.y += (p.z - q.z) * (p.x + q.x);
    n.z += (p.x - q.x) * (p.y + q.y);
  }
  return UnitNormal(n);
}

int _3dExtrudant::HoleNesting() const {
  int deepest = 0;
  for (const auto& hole : m_holes) deepest = std::max(deepest, 1 + hole->HoleNesting());
  return deepest;
}

void _3dExtrudant::AddHole(const boost::shared_ptr<_3dExtrudant>& cutter) {
  if (!cutter) throw std::invalid_argument("_3dExtrudant::AddHole: the cutter is null");
  if (cutter->HoleNesting() + 1 > kMaxHoleNesting)
    throw std::invalid_argument("_3dExtrudant::AddHole: holes would nest deeper than " +
                                std::to_string(kMaxHoleNesting) + " levels");
  m_holes.push_back(boost::make_shared<_3dExtrudant>(*cutter));
}

void _3dExtrudant::Scale(double f) {
  CheckScaleFactor(f);
  for (_3dLine& line : m_lines) line.Scale(f);
  m_circle.Scale(f);
  m_height *= f;
  for (const auto& hole : m_holes) hole->Scale(f);
}

void _3dExtrudant::Move(const _3dVector& offset) {
  for (_3dLine& line : m_lines) line.Move(offset);
  m_circle.Move(offset);
  for (const auto& hole : m_holes) hole->Move(offset);
}

Extents _3dExtrudant::GetExtents() const {
  Extents box;
  if (m_hasCircle) {
    box = m_circle.GetExtents();
  } else {
    for (const _3dLine& line : m_lines) box.Extend(line.GetExtents());
  }
  // Sweeping the profile by ±h/2 along the unit normal n widens its box by
  // |n_i|·h/2 on each axis i.
  const _3dVector n = GetNormal();
  const double half = 0.5 * std::fabs(m_height);
  Widen(box, std::fabs(n.x) * half, std::fabs(n.y) * half, std::fabs(n.z) * half);
  return box;
}

boost::shared_ptr<Entity> _3dExtrudant::Clone() const {
  return boost::make_shared<_3dExtrudant>(*this);
}
void _3dExtrudant::Accept(EntityVisitor& visitor) const { visitor.Visit(*this); }

void _3dExtrudant::Serialize(Archive& ar) {
  DepthGuard guard;
  // The outermost solid is level 1; its deepest allowed hole is one level
  // further per allowed nesting.
  if (t_extrudantDepth > kMaxHoleNesting + 1)
    ar.Fail("archive: extruded solid holes nest deeper than " + std::to_string(kMaxHoleNesting) +
            " levels");
  Entity::Serialize(ar);
  FileList(ar, m_lines, kLineRecordMinBytes, [](Archive& a, _3dLine& l) { File(a, l); });
  File(ar, m_hasCircle);
  if (m_hasCircle) {
    File(ar, m_circle);
  } else if (ar.IsLoading()) {
    m_circle = _3dCircle();
  }
  File(ar, m_height);
  FileList(ar, m_holes, kExtrudantRecordMinBytes, [](Archive& a, boost::shared_ptr<_3dExtrudant>& h) {
    if (a.IsLoading()) h = boost::make_shared<_3dExtrudant>();
    File(a, *h);
  });
}

// ---------------------------------------------------------------------------
// _Text

IMPLEMENT_VEK_SERIAL(_Text)

_Text::_Text(const std::string& text, const _3dPoint& position, double height, double rotation)
    : m_text(text), m_position(position), m_rotation(rotation), m_height(height) {}

double _Text::GetWidthFactor() const {
  if (m_width > 0.0 && m_height > 0.0) return m_width / m_height;
  return 1.0;
}

void _Text::Scale(double f) {
  CheckScaleFactor(f);
  m_position = _3dPoint(m_position.x * f, m_position.y * f, m_position.z * f);
  m_height *= f;
  m_width *= f;
}

void _Text::Move(const _3dVector& offset) { m_position = m_position + offset; }

Extents _Text::GetExtents() const {
  if (m_text.empty()) return Extents(m_position);
  const double h = std::fabs(m_height);
  const double w = m_width > 0.0 ? m_width : 0.7 * h;
  const double length = static_cast<double>(DisplayedCharacters(m_text)) * w;
  double u0 = 0.0, v0 = 0.0;
  switch (m_hAlign) {
    case kLeft: u0 = 0.0; break;
    case kCenter: u0 = -0.5 * length; break;
    case kRight: u0 = -length; break;
  }
  switch (m_vAlign) {
    case kBaseline:
    case kBottom: v0 = 0.0; break;
    case kMiddle: v0 = -0.5 * h; break;
    case kTop: v0 = -h; break;
  }
  // The plane's x axis by the CAD arbitrary-axis rule, its y axis n × x.
  const _3dVector n = UnitNormal(m_normal);
  const double limit = 1.0 / 64.0;
  _3dVector ax = (std::fabs(n.x) < limit && std::fabs(n.y) < limit) ? _3dVector(0, 1, 0).CrossProduct(n)
                                                                    : _3dVector(0, 0, 1).CrossProduct(n);
  ax.Normalize();
  const _3dVector ay = n.CrossProduct(ax);
  const double c = std::cos(m_rotation), s = std::sin(m_rotation);
  Extents box;
  for (double u : {u0, u0 + length})
    for (double v : {v0, v0 + h}) {
      const double ru = u * c - v * s, rv = u * s + v * c;
      box.Extend(m_position + ax * ru + ay * rv);
    }
  return box;
}

boost::shared_ptr<Entity> _Text::Clone() const { return boost::make_shared<_Text>(*this); }
void _Text::Accept(EntityVisitor& visitor) const { visitor.Visit(*this); }

void _Text::Serialize(Archive& ar) {
  Entity::Serialize(ar);
  File(ar, m_text);
  File(ar, m_position);
  File(ar, m_rotation);
  File(ar, m_normal);
  File(ar, m_height);
  File(ar, m_width);
  File(ar, m_style);
  File(ar, m_styleName);
  FileEnum(ar, m_hAlign, kRight, "a horizontal text alignment");
  FileEnum(ar, m_vAlign, kTop, "a vertical text alignment");
}

// ---------------------------------------------------------------------------
// _2dAlignedDimension

IMPLEMENT_VEK_SERIAL(_2dAlignedDimension)

_2dAlignedDimension::_2dAlignedDimension(const _2dPoint& p1, const _2dPoint& p2, const _2dPoint& linePoint,
                                         int categoryStyle, int dimensionStyle)
    : m_p1(p1), m_p2(p2), m_line(linePoint), m_categoryStyle(categoryStyle), m_dimensionStyle(dimensionStyle) {}

double _2dAlignedDimension::GetMeasurement() const { return (m_p2 - m_p1).GetLength() / m_measureScale; }

std::string _2dAlignedDimension::GetDisplayText() const {
  if (!m_text.empty()) return m_text;
  // Half units round away from zero (6000.5 shows "6001").
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.0f", std::round(GetMeasurement()));
  return buffer;
}

void _2dAlignedDimension::Scale(double f) {
  CheckScaleFactor(f);
  m_p1.Scale(f);
  m_p2.Scale(f);
  m_line.Scale(f);
  m_textHeight *= f;
  m_arrowSize *= f;
  m_measureScale *= f;
}

void _2dAlignedDimension::Move(const _3dVector& offset) {
  m_p1.Move(offset);
  m_p2.Move(offset);
  m_line.Move(offset);
}

Extents _2dAlignedDimension::GetExtents() const {
  Extents box;
  for (const _2dPoint& p : {m_p1, m_p2, m_line}) box.Extend(_3dPoint(p));
  // The dimension line runs parallel to p1–p2 through the line point; its
  // ends are the measured points shifted across by the line's offset.
  const _2dVector u = (m_p2 - m_p1).GetUnitVector();
  if (u.GetLength() > 0.0) {
    const _2dVector toLine = m_line - m_p1;
    const _2dVector across = toLine - u * u.Dot(toLine);
    box.Extend(_3dPoint(m_p1 + across));
    box.Extend(_3dPoint(m_p2 + across));
  }
  return box;
}

boost::shared_ptr<Entity> _2dAlignedDimension::Clone() const {
  return boost::make_shared<_2dAlignedDimension>(*this);
}
void _2dAlignedDimension::Accept(EntityVisitor& visitor) const { visitor.Visit(*this); }

void _2dAlignedDimension::Serialize(Archive& ar) {
  Entity::Serialize(ar);
  File(ar, m_p1);
  File(ar, m_p2);
  File(ar, m_line);
  File(ar, m_categoryStyle);
  File(ar, m_dimensionStyle);
  File(ar, m_styleName);
  File(ar, m_text);
  File(ar, m_textHeight);
  File(ar, m_arrowSize);
  const std::uint64_t at = ar.Tell();
  File(ar, m_measureScale);
  if (ar.IsLoading() && !(std::isfinite(m_measureScale) && m_measureScale > 0.0)) {
    m_measureScale = 1.0;
    throw ArchiveError("archive: expected a positive measuring scale of a dimension at byte " +
                           std::to_string(at),
                       at);
  }
}

// ---------------------------------------------------------------------------
// Ordinal

IMPLEMENT_VEK_SERIAL(Ordinal)

Ordinal::Ordinal(int number, const _2dPoint& center, double angle, double diameter)
    : m_number(number), m_center(center), m_angle(angle), m_diameter(diameter) {}

void Ordinal::Scale(double f) {
  CheckScaleFactor(f);
  m_center.Scale(f);
  m_diameter *= f;
}

void Ordinal::Move(const _3dVector& offset) { m_center.Move(offset); }

Extents Ordinal::GetExtents() const {
  const double r = 0.5 * std::fabs(m_diameter);
  return Extents(m_center.x - r, m_center.y - r, 0.0, m_center.x + r, m_center.y + r, 0.0);
}

boost::shared_ptr<Entity> Ordinal::Clone() const { return boost::make_shared<Ordinal>(*this); }
void Ordinal::Accept(EntityVisitor& visitor) const { visitor.Visit(*this); }

void Ordinal::Serialize(Archive& ar) {
  Entity::Serialize(ar);
  File(ar, m_number);
  File(ar, m_center);
  File(ar, m_angle);
  File(ar, m_diameter);
}
