#include "platform/morlak/values.h"

#include <boost/math/constants/constants.hpp>

#include <algorithm>
#include <cmath>

const double g_Pi = boost::math::constants::pi<double>();
const double g_DefaultTolerance = 1e-4;
const double g_ZeroTolerance = 1e-6;
const double g_EqualTolerance = 1e-4;
const double g_AngleTolerance = 1e-4;
const double g_LengthTolerance = 1e-3;
const double g_MaxValue = 1e30;

std::string g_LinetypeName = "CONTINUOUS";
std::string g_OutlineLinetypeName = "DASHED";

const boost::shared_ptr<VekObject> g_NullOwner(new VekObject());

namespace {

bool Near(double a, double b) { return std::fabs(a - b) <= kPointTolerance; }

// Angle of (x, y) from +x in [0, 2π).
double DirectionAngle(double x, double y) {
  if (x == 0.0 && y == 0.0) return 0.0;
  double a = std::atan2(y, x);
  if (a < 0.0) a += 2.0 * g_Pi;
  if (a >= 2.0 * g_Pi) a -= 2.0 * g_Pi;
  return a;
}

// Angle between two vectors given by their dot product and the length of
// their cross product; atan2 keeps it accurate near 0 and π.
double AngleBetween(double dot, double crossLength) {
  if (dot == 0.0 && crossLength == 0.0) return 0.0;
  return std::atan2(crossLength, dot);
}

}  // namespace

// ---------------------------------------------------------------------------
// _2dPoint

_2dPoint::_2dPoint(const _3dPoint& p) : x(p.x), y(p.y) {}

bool _2dPoint::operator==(const _2dPoint& o) const { return Near(x, o.x) && Near(y, o.y); }

_2dPoint _2dPoint::operator+(const _2dVector& v) const { return {x + v.x, y + v.y}; }
_2dPoint _2dPoint::operator-(const _2dVector& v) const { return {x - v.x, y - v.y}; }
_2dVector _2dPoint::operator-(const _2dPoint& o) const { return {x - o.x, y - o.y}; }

void _2dPoint::Move(const _3dVector& offset) {
  x += offset.x;
  y += offset.y;
}

bool _2dPoint::LessByX::operator()(const _2dPoint& a, const _2dPoint& b) const {
  return a.x < b.x || (a.x == b.x && a.y < b.y);
}

bool _2dPoint::LessByY::operator()(const _2dPoint& a, const _2dPoint& b) const {
  return a.y < b.y || (a.y == b.y && a.x < b.x);
}

// Points of one straight line come out in order along it: by x, and by y for
// points whose x agrees to the kernel tolerance (a vertical line).  x is
// compared on a grid of the tolerance, which keeps this a strict weak order
// (a plain tolerant comparison would not be transitive).
bool _2dPoint::PointOrder::operator()(const _2dPoint& a, const _2dPoint& b) const {
  double ka = std::round(a.x / kPointTolerance), kb = std::round(b.x / kPointTolerance);
  if (ka != kb) return ka < kb;
  if (a.y != b.y) return a.y < b.y;
  return a.x < b.x;
}

// ---------------------------------------------------------------------------
// _2dVector

double _2dVector::GetLength() const { return std::hypot(x, y); }

double _2dVector::GetAngle() const { return DirectionAngle(x, y); }

double _2dVector::GetAngleTo(const _2dVector& o) const {
  if (GetLength() == 0.0 || o.GetLength() == 0.0) return 0.0;
  return AngleBetween(Dot(o), std::fabs(Cross(o)));
}

_2dVector _2dVector::GetUnitVector(double tol) const {
  _2dVector v = *this;
  if (!v.Normalize(tol)) return {};
  return v;
}

bool _2dVector::Normalize(double tol) {
  double len = GetLength();
  if (!(len > tol)) return false;
  x /= len;
  y /= len;
  return true;
}

void _2dVector::SetLength(double length) {
  double len = GetLength();
  if (len == 0.0) return;  // a zero vector has no direction to keep
  x *= length / len;
  y *= length / len;
}

void _2dVector::Rotate(double angle) {
  double c = std::cos(angle), s = std::sin(angle);
  double nx = x * c - y * s;
  double ny = x * s + y * c;
  x = nx;
  y = ny;
}

bool _2dVector::IsParallelTo(const _2dVector& o) const {
  if (GetLength() <= g_ZeroTolerance || o.GetLength() <= g_ZeroTolerance) return false;
  double a = GetAngleTo(o);
  return a <= g_AngleTolerance || a >= g_Pi - g_AngleTolerance;
}

bool _2dVector::IsPerpendicularTo(const _2dVector& o) const {
  if (GetLength() <= g_ZeroTolerance || o.GetLength() <= g_ZeroTolerance) return false;
  return std::fabs(GetAngleTo(o) - g_Pi / 2.0) <= g_AngleTolerance;
}

bool _2dVector::operator==(const _2dVector& o) const { return Near(x, o.x) && Near(y, o.y); }

// ---------------------------------------------------------------------------
// _3dPoint

double _3dPoint::DistanceTo(const _3dPoint& o) const { return (o - *this).GetLength(); }

bool _3dPoint::operator==(const _3dPoint& o) const {
  return Near(x, o.x) && Near(y, o.y) && Near(z, o.z);
}

_3dPoint _3dPoint::operator+(const _3dVector& v) const { return {x + v.x, y + v.y, z + v.z}; }
_3dPoint _3dPoint::operator-(const _3dVector& v) const { return {x - v.x, y - v.y, z - v.z}; }
_3dVector _3dPoint::operator-(const _3dPoint& o) const { return {x - o.x, y - o.y, z - o.z}; }

void _3dPoint::Serialize(Archive& ar) {
  if (ar.IsStoring())
    ar.WriteDouble(x).WriteDouble(y).WriteDouble(z);
  else
    ar.ReadDouble(x).ReadDouble(y).ReadDouble(z);
}

bool _3dPoint::LessByX::operator()(const _3dPoint& a, const _3dPoint& b) const {
  if (a.x != b.x) return a.x < b.x;
  if (a.y != b.y) return a.y < b.y;
  return a.z < b.z;
}

bool _3dPoint::LessByY::operator()(const _3dPoint& a, const _3dPoint& b) const {
  if (a.y != b.y) return a.y < b.y;
  if (a.x != b.x) return a.x < b.x;
  return a.z < b.z;
}

// ---------------------------------------------------------------------------
// _3dVector

double _3dVector::GetLength() const { return std::sqrt(x * x + y * y + z * z); }

_3dVector _3dVector::CrossProduct(const _3dVector& o) const {
  return {y * o.z - z * o.y, z * o.x - x * o.z, x * o.y - y * o.x};
}

double _3dVector::GetAngleTo(const _3dVector& o) const {
  if (GetLength() == 0.0 || o.GetLength() == 0.0) return 0.0;
  return AngleBetween(DotProduct(o), CrossProduct(o).GetLength());
}

double _3dVector::GetSignedAngleTo(const _3dVector& o, const _3dVector& axis) const {
  double a = GetAngleTo(o);
  return CrossProduct(o).DotProduct(axis) < 0.0 ? -a : a;
}

_3dVector _3dVector::GetUnitVector(double tol) const {
  _3dVector v = *this;
  if (!v.Normalize(tol)) return {};
  return v;
}

bool _3dVector::Normalize(double tol) {
  double len = GetLength();
  if (!(len > tol)) return false;
  x /= len;
  y /= len;
  z /= len;
  return true;
}

bool _3dVector::IsSameDirection(const _3dVector& o, double tol) const {
  _3dVector a = GetUnitVector(), b = o.GetUnitVector();
  if (a.IsZero() || b.IsZero()) return false;
  return std::fabs(a.x - b.x) <= tol && std::fabs(a.y - b.y) <= tol && std::fabs(a.z - b.z) <= tol;
}

bool _3dVector::IsParallelTo(const _3dVector& o) const {
  if (IsZero() || o.IsZero()) return false;
  double a = GetAngleTo(o);
  return a <= g_AngleTolerance || a >= g_Pi - g_AngleTolerance;
}

bool _3dVector::IsPerpendicularTo(const _3dVector& o) const {
  if (IsZero() || o.IsZero()) return false;
  return std::fabs(GetAngleTo(o) - g_Pi / 2.0) <= g_AngleTolerance;
}

bool _3dVector::operator==(const _3dVector& o) const {
  return Near(x, o.x) && Near(y, o.y) && Near(z, o.z);
}

void _3dVector::Serialize(Archive& ar) {
  if (ar.IsStoring())
    ar.WriteDouble(x).WriteDouble(y).WriteDouble(z);
  else
    ar.ReadDouble(x).ReadDouble(y).ReadDouble(z);
}
