// Structural model: helpers shared by the layer's sources (not part of the
// public interface).
#pragma once

#include "platform/Quenby.h"

#include <cstdint>
#include <map>
#include <utility>
#include <vector>

namespace quenby {

// Distance within which points count as lying on a board's plane, an edge or a
// line, and the shortest shared piece that makes two boards adjoin (mm).
inline constexpr double kJoinTolerance = 1.0;
inline constexpr double kMinJointLength = 1.0;

// The orthonormal frame of a board: x along the x axis, y the y axis made
// perpendicular to x, n = x × y.
struct PlaneFrame {
  _3dPoint origin;
  _3dVector ux{1, 0, 0}, uy{0, 1, 0}, n{0, 0, 1};
  bool valid = false;

  PlaneFrame() = default;
  PlaneFrame(const _3dPoint& o, const _3dVector& xAxis, const _3dVector& yAxis);

  _3dPoint ToWorld(const _2dPoint& p) const { return origin + ux * p.x + uy * p.y; }
  _3dVector ToWorld(const _2dVector& v) const { return ux * v.x + uy * v.y; }
  _2dPoint ToLocal(const _3dPoint& p) const {
    const _3dVector d = p - origin;
    return {d.DotProduct(ux), d.DotProduct(uy)};
  }
  _2dVector ToLocal(const _3dVector& v) const { return {v.DotProduct(ux), v.DotProduct(uy)}; }
  // Signed distance of a point from the plane, along n.
  double Height(const _3dPoint& p) const { return (p - origin).DotProduct(n); }
};

PlaneFrame FrameOf(const Board& board);

// Twice the signed area of a polygon (counter-clockwise positive); a repeated
// last point changes nothing.
double SignedArea2(const std::vector<_2dPoint>& polygon);
double DistanceToSegment(const _2dPoint& p, const _2dPoint& a, const _2dPoint& b);
// Inside or within `tol` of the boundary of the closed polygon.
bool IsInsideOrOn(const std::vector<_2dPoint>& polygon, const _2dPoint& p, double tol);
// The parts of the line p0 + s·dir (dir a unit vector) that lie inside or on
// the polygon (within tol), as merged parameter intervals in ascending order.
std::vector<std::pair<double, double>> CoverIntervals(const std::vector<_2dPoint>& polygon, const _2dPoint& p0,
                                                      const _2dVector& dir, double tol);
// Intersection of two sorted interval lists.
std::vector<std::pair<double, double>> IntersectIntervals(const std::vector<std::pair<double, double>>& a,
                                                          const std::vector<std::pair<double, double>>& b);
// The object is one of the model's own classes (a board, unit, cell, opening,
// load, haunch, zone, bar, joint or tank), as opposed to a host's object.
bool IsModelObject(const VekObject* object);

// Point order by z, then y, then x, with a tolerance of 0.1 mm per coordinate.
bool PointZYXLess(const _3dPoint& p, const _3dPoint& q);

// Filing in either direction of the archive: the kernel's helpers for plain
// values and lists, and the model's forms for lines and polylines.
using ::File;
using ::FileList;
void File(Archive& ar, _2dLine& line);
void File(Archive& ar, _3dLine& line);
void File(Archive& ar, _2dPolyline& polyline);

}  // namespace quenby

// Adjacency of two boards found by the topology routine.
struct BoardContact {
  int a = -1, b = -1;  // component positions, a < b
  _3dLine line;        // the joint line (whole shared part)
};

// One entry of a board's neighbour list.
struct NeighbourEntry {
  BoardPtr board;
  int ownEdge = -1;
  int otherEdge = -1;
};

struct Structure::Topology {
  // Geometry key of every component, in component order: the topology is
  // valid as long as these are unchanged.
  // Flat: per component its address, then its geometry's bits (a board's
  // kind, frame, offsets and edges).
  std::vector<std::uint64_t> key;
  std::size_t components = 0;
  std::vector<BoardContact> contacts;
  std::map<const Board*, std::vector<NeighbourEntry>> neighbours;
  std::map<std::pair<const Board*, const Board*>, _3dLine> lines;  // both orders
  std::map<const Board*, int> positions;
};

// Access to the private parts of the model's classes for the layer's own
// copying, filing and topology code.
class StructureAccess {
 public:
  static std::vector<StructureComponentPtr>& Components(Structure& s) { return s.m_components; }
  static std::vector<UnitPtr>& Units(Structure& s) { return s.m_units; }
  static std::vector<TankCellPtr>& Cells(const Structure& s) { return s.m_cells; }
  static std::vector<BoardJointPtr>& Joints(const Structure& s) { return s.m_joints; }
  static std::vector<ReinZonePtr>& SupportReins(Structure& s) { return s.m_supportReins; }
  static std::vector<ReinZonePtr>& OtherZones(Structure& s) { return s.m_otherZones; }
  static std::vector<BoardPtr>& Excluded(Structure& s) { return s.m_excluded; }
  static int& NextHoleId(Structure& s) { return s.m_nextHoleId; }
  static double& WaterDepth(Structure& s) { return s.m_waterDepth; }
  static const Structure::Topology& Topo(const Structure& s) { return s.EnsureTopology(); }

  static std::vector<HolePtr>& Holes(Board& b) { return b.m_holes; }
  static std::vector<LoadPtr>& Loads(Board& b) { return b.m_loads; }
  static std::vector<boost::shared_ptr<VekObject>>& Items(Board& b) { return b.m_items; }

  static BoardPtr& First(BoardJoint& j) { return j.m_first; }
  static BoardPtr& Second(BoardJoint& j) { return j.m_second; }
  static JointLinePtr& Line(BoardJoint& j) { return j.m_line; }
  static EarPtr& EarOf(BoardJoint& j) { return j.m_ear; }
  static EarPtr& OverhangEarOf(BoardJoint& j) { return j.m_overhangEar; }

  static std::vector<StructureComponentPtr>& Members(StructureComponentUnits& u) { return u.m_components; }
  static std::vector<UnitPtr>& CellUnits(TankCell& c) { return c.m_units; }
  static std::vector<_2dPoint>& Region(TankCell& c) { return c.m_region; }
  static double& Level(TankCell& c) { return c.m_waterLevel; }
  static bool& LevelSet(TankCell& c) { return c.m_levelSet; }
};
