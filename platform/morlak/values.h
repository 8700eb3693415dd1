// Geometry kernel: constants, tolerances and the point and vector value types.
//
// Units: lengths in millimetres, angles in radians.  Points and vectors compare
// equal when every coordinate differs by at most kPointTolerance (1e-4).
// Directions are measured from +x, counter-clockwise positive (x to the right,
// y up).
#pragma once

#include "platform/morlak/object.h"

#include <boost/shared_ptr.hpp>

#include <string>

// ---------------------------------------------------------------------------
// Constants and kernel-wide values

extern const double g_Pi;
// Tolerance of the kernel's equality of points, vectors and lines (mm).
inline constexpr double kPointTolerance = 1e-4;
extern const double g_DefaultTolerance;  // 1e-4: general geometric tolerance (mm)
extern const double g_ZeroTolerance;     // 1e-6: what counts as zero (lengths, areas, dot products)
extern const double g_EqualTolerance;    // 1e-4: equality of lengths and coordinates (mm)
extern const double g_AngleTolerance;    // 1e-4: equality of angles (rad)
extern const double g_LengthTolerance;   // 1e-3: shortest meaningful length (mm)
extern const double g_MaxValue;          // 1e30: start value of minimum and maximum searches

// The line type names the drawings use: the kernel's rebar line type string,
// which the view board overwrites with the drawing standard's choice, and the
// line type of hidden outlines (inner wall faces, centre lines).
extern std::string g_LinetypeName;         // "CONTINUOUS" until the view board sets it
extern std::string g_OutlineLinetypeName;  // "DASHED"

// The owner under which entities without a model object are registered
// (titles, range dimensions, break lines): a plain VekObject.
extern const boost::shared_ptr<VekObject> g_NullOwner;

class _2dVector;
class _3dVector;

// ---------------------------------------------------------------------------
// _2dPoint: a plan or drawing point.

class _2dPoint {
 public:
  double x = 0.0;
  double y = 0.0;

  _2dPoint() = default;
  _2dPoint(double px, double py) : x(px), y(py) {}
  // Drops z.
  explicit _2dPoint(const class _3dPoint& p);

  // Tolerant equality: both coordinates within kPointTolerance.
  bool operator==(const _2dPoint& o) const;
  bool operator!=(const _2dPoint& o) const { return !(*this == o); }
  // Strict weak order by x, then y (exact comparison, so that it is a valid
  // key order for std::map and std::sort).
  bool operator<(const _2dPoint& o) const { return x < o.x || (x == o.x && y < o.y); }

  _2dPoint operator+(const _2dVector& v) const;
  _2dPoint operator-(const _2dVector& v) const;
  _2dVector operator-(const _2dPoint& o) const;

  // Scales both coordinates about the origin.
  void Scale(double f) { x *= f; y *= f; }
  // Adds the offset's x and y.
  void Move(const _3dVector& offset);

  // Comparators for sorting: by x (then y), by y (then x), and the point order
  // that runs along any straight line (x, then y for equal x).
  struct LessByX { bool operator()(const _2dPoint& a, const _2dPoint& b) const; };
  struct LessByY { bool operator()(const _2dPoint& a, const _2dPoint& b) const; };
  struct PointOrder { bool operator()(const _2dPoint& a, const _2dPoint& b) const; };
};

// ---------------------------------------------------------------------------
// _2dVector: a plan or drawing direction or offset.

class _2dVector {
 public:
  double x = 0.0;
  double y = 0.0;

  _2dVector() = default;
  _2dVector(double vx, double vy) : x(vx), y(vy) {}

  double GetLength() const;
  // Direction angle from +x in [0, 2π); 0 for the zero vector.
  double GetAngle() const;
  // Unsigned angle between the two directions in [0, π]; 0 when either is
  // the zero vector.
  double GetAngleTo(const _2dVector& o) const;
  // The unit vector; a vector not longer than `tol` gives the zero vector.
  _2dVector GetUnitVector(double tol = g_ZeroTolerance) const;
  // Makes this a unit vector; returns false (and leaves it unchanged) when it
  // is not longer than `tol`.
  bool Normalize(double tol = g_ZeroTolerance);
  // Keeps the direction and sets the length; a negative length reverses it.
  void SetLength(double length);
  // Turns the vector counter-clockwise by `angle` (in place).
  void Rotate(double angle);
  // Parallel in either orientation (angle within g_AngleTolerance of 0 or π);
  // false when either is the zero vector.
  bool IsParallelTo(const _2dVector& o) const;
  bool IsPerpendicularTo(const _2dVector& o) const;
  double Dot(const _2dVector& o) const { return x * o.x + y * o.y; }
  // z of the cross product (positive when o lies counter-clockwise of this).
  double Cross(const _2dVector& o) const { return x * o.y - y * o.x; }

  bool operator==(const _2dVector& o) const;
  bool operator!=(const _2dVector& o) const { return !(*this == o); }
  _2dVector operator+(const _2dVector& o) const { return {x + o.x, y + o.y}; }
  _2dVector operator-(const _2dVector& o) const { return {x - o.x, y - o.y}; }
  _2dVector operator-() const { return {-x, -y}; }
  _2dVector operator*(double f) const { return {x * f, y * f}; }
  _2dVector& operator*=(double f) { x *= f; y *= f; return *this; }
};

// ---------------------------------------------------------------------------
// _3dPoint: a model point.  Filed in place (three doubles).

class _3dPoint : public VekObject {
 public:
  double x = 0.0;
  double y = 0.0;
  double z = 0.0;

  _3dPoint() = default;
  _3dPoint(double px, double py, double pz = 0.0) : x(px), y(py), z(pz) {}
  explicit _3dPoint(const _2dPoint& p, double pz = 0.0) : x(p.x), y(p.y), z(pz) {}

  double GetX() const { return x; }
  double GetY() const { return y; }
  double GetZ() const { return z; }
  void SetX(double v) { x = v; }
  void SetY(double v) { y = v; }
  void SetZ(double v) { z = v; }

  double DistanceTo(const _3dPoint& o) const;

  bool operator==(const _3dPoint& o) const;
  bool operator!=(const _3dPoint& o) const { return !(*this == o); }
  _3dPoint operator+(const _3dVector& v) const;
  _3dPoint operator-(const _3dVector& v) const;
  _3dVector operator-(const _3dPoint& o) const;

  void Serialize(Archive& ar) override;

  struct LessByX { bool operator()(const _3dPoint& a, const _3dPoint& b) const; };
  struct LessByY { bool operator()(const _3dPoint& a, const _3dPoint& b) const; };
};

// ---------------------------------------------------------------------------
// _3dVector: a direction or displacement.  Filed in place (three doubles).

class _3dVector : public VekObject {
 public:
  double x = 0.0;
  double y = 0.0;
  double z = 0.0;

  _3dVector() = default;
  _3dVector(double vx, double vy, double vz = 0.0) : x(vx), y(vy), z(vz) {}
  explicit _3dVector(const _2dVector& v, double vz = 0.0) : x(v.x), y(v.y), z(vz) {}

  double GetLength() const;
  double DotProduct(const _3dVector& o) const { return x * o.x + y * o.y + z * o.z; }
  // Not normalised.
  _3dVector CrossProduct(const _3dVector& o) const;
  // Unsigned angle between the two in [0, π]; 0 when either is zero.
  double GetAngleTo(const _3dVector& o) const;
  // Angle from this to `o` turning about `axis` (right-hand rule), in (-π, π].
  double GetSignedAngleTo(const _3dVector& o, const _3dVector& axis) const;
  // The unit vector; a vector not longer than `tol` gives the zero vector.
  _3dVector GetUnitVector(double tol = g_ZeroTolerance) const;
  // Makes this a unit vector; returns false (and leaves it unchanged) when it
  // is not longer than `tol`.
  bool Normalize(double tol = g_ZeroTolerance);
  // Same orientation: the unit vectors differ by at most `tol` per component.
  bool IsSameDirection(const _3dVector& o, double tol = 0.001) const;
  // Parallel in either orientation (within g_AngleTolerance).
  bool IsParallelTo(const _3dVector& o) const;
  bool IsPerpendicularTo(const _3dVector& o) const;
  bool IsZero(double tol = g_ZeroTolerance) const { return GetLength() <= tol; }

  bool operator==(const _3dVector& o) const;
  bool operator!=(const _3dVector& o) const { return !(*this == o); }
  _3dVector operator+(const _3dVector& o) const { return {x + o.x, y + o.y, z + o.z}; }
  _3dVector operator-(const _3dVector& o) const { return {x - o.x, y - o.y, z - o.z}; }
  _3dVector operator-() const { return {-x, -y, -z}; }
  _3dVector operator*(double f) const { return {x * f, y * f, z * f}; }
  _3dVector& operator*=(double f) { x *= f; y *= f; z *= f; return *this; }

  void Serialize(Archive& ar) override;
};
