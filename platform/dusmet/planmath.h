// Small plan-geometry helpers shared by the CAD geometric algorithms: a plain
// 2D vector with the arithmetic the algorithms need, and the tolerant tests
// they share.  Internal to platform/dusmet.
#pragma once

#include "platform/Morlak.h"

#include <cmath>

namespace dusmet {

struct V2 {
  double x = 0.0;
  double y = 0.0;

  V2() = default;
  V2(double px, double py) : x(px), y(py) {}
  explicit V2(const _2dPoint& p) : x(p.x), y(p.y) {}
  explicit V2(const _3dPoint& p) : x(p.x), y(p.y) {}

  V2 operator+(const V2& o) const { return {x + o.x, y + o.y}; }
  V2 operator-(const V2& o) const { return {x - o.x, y - o.y}; }
  V2 operator-() const { return {-x, -y}; }
  V2 operator*(double f) const { return {x * f, y * f}; }
  double Dot(const V2& o) const { return x * o.x + y * o.y; }
  double Cross(const V2& o) const { return x * o.y - y * o.x; }
  double Length() const { return std::hypot(x, y); }
  // Turned by +90° (to the left of this direction) and by −90° (right).
  V2 Left() const { return {-y, x}; }
  V2 Right() const { return {y, -x}; }

  _2dPoint ToPoint() const { return {x, y}; }
  _3dPoint To3d() const { return {x, y, 0.0}; }
};

inline constexpr double kTwoPi = 6.283185307179586476925286766559;

// The kernel's point equality in plan: both coordinates within the tolerance.
inline bool SamePoint(const V2& a, const V2& b, double tol = kPointTolerance) {
  return std::fabs(a.x - b.x) <= tol && std::fabs(a.y - b.y) <= tol;
}

// An angle folded into [0, 2π), as the kernel folds it.
inline double NormalizeAngle(double a) { return g_VekGeometryComm.NormalizeAngle(a); }

// Direction angle from +x in [0, 2π); 0 for the zero vector.
inline double DirectionAngle(const V2& v) { return _2dVector(v.x, v.y).GetAngle(); }

}  // namespace dusmet
