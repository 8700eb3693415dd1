// Small records, orderings, tests and geometric routines that the rebar
// drawings share: point and line orderings with their tolerances, the rebar
// grade index, the straight part of a drawn bar, which drawn bars carry a
// mark and a text, the length text of a segment, the break-line symbol, the
// offsetting of polylines and outlines, the laying of a segment beside a
// bar, text arrangement and a few box and centre queries.  None of them
// registers anything with a view.
#pragma once

#include "platform/Morlak.h"
#include "platform/Nirvox.h"
#include "platform/Quenby.h"
#include "platform/Zarvel.h"
#include "view/FiledClasses.h"

#include <boost/shared_ptr.hpp>

#include <string>
#include <utility>
#include <vector>

// ---------------------------------------------------------------------------
// Records

// A table text of the rebar schedule keyed by its entity (the tag is the
// schedule column: 1 number, 2 sketch, 3 diameter, 4 spacing, 5 length,
// 6 count, 7 total length).  Records of one entity are equivalent keys.
class EntityExtent {
 public:
  EntityExtent() = default;
  EntityExtent(int tag, EntityPtr entity) : m_tag(tag), m_entity(std::move(entity)) {}
  virtual ~EntityExtent() = default;
  EntityExtent(const EntityExtent&) = default;
  EntityExtent& operator=(const EntityExtent&) = default;
  bool operator<(const EntityExtent& o) const { return m_entity.owner_before(o.m_entity); }
  int m_tag = 0;
  EntityPtr m_entity;
};

// A board frame: board-local 2D lines to world 3D lines (z = 0 in the board).
struct PlaneFrame {
  _3dPoint origin;
  _3dVector xAxis{1, 0, 0};
  _3dVector yAxis{0, 1, 0};
  _3dLine ToWorld(const _2dLine& line) const;
};

// A point with a direction, also used as a plane (point and normal).
struct Ray3d {
  _3dPoint point;
  _3dVector direction{0, 0, 1};
};

// A model point, its place in the drawing and an int; filled by the section
// marks.
struct PointWithProjection {
  _3dPoint model{0, 0, 0};
  _2dPoint drawn{0, 0};
  int value = 0;
};

// A rebar zone with the boards of the drawing it lies on.
using ReinZoneBoards = std::pair<ReinZonePtr, std::vector<BoardPtr>>;

// Which label the drawn bar of a zone carries, and the position ratio (0 to
// 1 across the zone's bars) of the bar that represents the zone.
struct ReinLabelOption {
  bool withMark = true;
  bool withText = true;
  double ratio = 0.5;
};

// ---------------------------------------------------------------------------
// Rebar grades: "HPB235" 0, "HRB335" 1, "HRB400" 2, "RRB400" 3, any other 0.
int GetReinGradeIndex(const std::string& grade);

// ---------------------------------------------------------------------------
// Orderings

// p before q: p.x < q.x − t, or the x equal within t and p.y < q.y − t.
struct PointLess {
  explicit PointLess(double t = 1e-4) : tol(t) {}
  bool operator()(const _2dPoint& p, const _2dPoint& q) const;
  double tol;
};

// The 3D twin of PointLess (x, then y; z ignored).
struct Point3dLess {
  explicit Point3dLess(double t = 1e-4) : tol(t) {}
  bool operator()(const _3dPoint& p, const _3dPoint& q) const;
  double tol;
};

// x, then y, then z, each deciding when it differs by more than 1e-4.
struct Point3dOrder {
  bool operator()(const _3dPoint& p, const _3dPoint& q) const;
};

// Two edges of a board by the world position of their line midpoints:
// smaller x first, then (x equal within 1e-4) smaller y.
struct EdgeMidpointLess {
  explicit EdgeMidpointLess(const Board& board) : m_board(&board) {}
  bool operator()(const BoardEdge& a, const BoardEdge& b) const;
  const Board* m_board;
};

// The midpoint of an edge's line carried into world coordinates with the
// board's frame, in plan.
_2dPoint GetEdgePlanMidPoint(const BoardEdge& edge, const Board& board);

// A straight line paired with the full bar it was taken from.
using LineBarPair = std::pair<boost::shared_ptr<_2dLine>, boost::shared_ptr<_2dPolyline>>;

// Pairs by the acute angle (folded to [0, π/2]) between their line and the
// reference line; the smaller angle first.  A zero-length line or reference
// throws std::logic_error("in LineAngleLess").
struct LineAngleLess {
  explicit LineAngleLess(const _2dLine& reference) : m_reference(reference) {}
  bool operator()(const LineBarPair& a, const LineBarPair& b) const;
  _2dLine m_reference;
};

// Lines by the distance of their midpoints from the reference's midpoint.
struct LineNearerToMidpoint {
  explicit LineNearerToMidpoint(const _2dLine& reference) : m_reference(reference) {}
  bool operator()(const boost::shared_ptr<_2dLine>& a, const boost::shared_ptr<_2dLine>& b) const;
  _2dLine m_reference;
};

// The shorter line first.
struct LineLengthLess {
  bool operator()(const _2dLine& a, const _2dLine& b) const { return a.GetLength() < b.GetLength(); }
};

// ---------------------------------------------------------------------------
// Tests

struct IsTextEntity {
  bool operator()(const EntityPtr& e) const;
};
struct IsPolylineEntity {
  bool operator()(const EntityPtr& e) const;
};
struct IsOrdinalEntity {
  bool operator()(const EntityPtr& e) const;
};
struct ZoneNumberEquals {
  explicit ZoneNumberEquals(int n) : number(n) {}
  bool operator()(const ReinZonePtr& zone) const { return zone->GetNumber() == number; }
  int number;
};
struct BoardKindEquals {
  explicit BoardKindEquals(int k) : kind(k) {}
  bool operator()(const BoardPtr& board) const { return board->GetKind() == kind; }
  int kind;
};
template <class T>
bool IsNonEmptyPointer(boost::shared_ptr<T> p) {
  return static_cast<bool>(p);
}
// The line is not empty and meets the held line (LinesIntersect).
struct LineCrossesLine {
  explicit LineCrossesLine(const _2dLine* line) : m_line(line) {}
  bool operator()(const boost::shared_ptr<_2dLine>& other) const;
  const _2dLine* m_line;
};
struct ZoneHasNoOrientation {
  bool operator()(const ReinZonePtr& zone) const;
};
// The angle between d and the zone's display orientation is below t or above
// π − t.
struct ZoneAlongDirection {
  ZoneAlongDirection(const _3dVector& d, double t) : direction(d), tolerance(t) {}
  bool operator()(const ReinZonePtr& zone) const;
  _3dVector direction;
  double tolerance;
};
// The two zones' orientations, seen in the view, make an angle below π/4 or
// at least 3π/4.
struct ZonesParallelInView {
  ZonesParallelInView(ReinZonePtr zone, const ViewVolumn* volume) : m_zone(std::move(zone)), m_volume(volume) {}
  bool operator()(const ReinZonePtr& other) const;
  ReinZonePtr m_zone;
  const ViewVolumn* m_volume;
};
// a and b overlap along a's direction by more than f × the longer length.
bool SegmentsOverlap(const _2dLine& a, const _2dLine& b, double f);

// ---------------------------------------------------------------------------
// Queries

// The straight part of a drawn bar between its hooks: vertices 0–1 of a
// bar without hooks (fewer than 4 vertices), 1–2 of a bar with bent hooks
// (4), 2–3 of a bar with semicircular hooks (more than 4).  A bar of fewer than 2 vertices
// has none: std::logic_error.
_2dLine GetReinMainSegment(const boost::shared_ptr<_2dPolyline>& bar);

// Direction angle, from the plan midpoint of the smallest edge (by
// EdgeMidpointLess) to that of the largest, of a board with exactly four
// edges; 0 otherwise.
double GetBoardAxisAngle(const Board& board);

// Mark and text flags of the drawn bar of each zone, from the view's
// settings (show marks, marks without text, one text per mark).
void ChooseLabelledLines(const ViewSettings& settings, const std::vector<ReinZonePtr>& zones,
                         std::vector<std::pair<bool, bool>>& flags);
// One index per mark number (groups by ascending number), chosen by a local
// generator seeded with 0, so the choice repeats for the same list.
std::vector<int> PickOnePerMark(const std::vector<ReinZonePtr>& zones);

// Erases each entity it is applied to from the board.
struct EraseEntityFunctor {
  explicit EraseEntityFunctor(AcadViewBoard* board) : m_board(board) {}
  void operator()(const EntityPtr& e) const { m_board->EraseEntity(e); }
  AcadViewBoard* m_board;
};

// ---------------------------------------------------------------------------
// Geometry and text routines

// Length text of the segment pts[0] → pts[1]: the model length (× scale ÷
// unit) to the nearest mm, halves up, centred half a text height plus the gap
// (× unit) to the right of the segment's direction.
void MakeSegmentLengthText(boost::shared_ptr<_Text>& text, const std::vector<_2dPoint>& pts, double gap, double scale,
                           double unit);

// Offset of an open polyline by d to the right of each segment's direction;
// the moved segments meet at their corners.
class PolylineOffsetter {
 public:
  PolylineOffsetter(double d, std::vector<_2dPoint>* out) : m_d(d), m_out(out) {}
  void operator()(const std::vector<_2dPoint>& points) const;

 private:
  double m_d;
  std::vector<_2dPoint>* m_out;
};

// Offset of a closed outline, edge i by offsets[i] to its right; the output
// holds the new corners at P1, P2, …, Pn−1, P0.
class PolygonOffsetter {
 public:
  PolygonOffsetter(std::vector<double> offsets, std::vector<_2dPoint>* out)
      : m_offsets(std::move(offsets)), m_out(out) {}
  void operator()(const std::vector<_2dPoint>& points) const;

 private:
  std::vector<double> m_offsets;
  std::vector<_2dPoint>* m_out;
};

// A bar segment with its layer flag (1: directly beside the reference line;
// otherwise one dot size further out).
struct LayeredSegment {
  _2dLine line;
  int layerFlag = 1;
};
// The source segment brought onto the reference line where the
// perpendicular through the reference's midpoint crosses it, then moved a
// bar gap further to the reference's left (+π/2).
void OffsetLineBesideBar(_2dLine& out, const LayeredSegment& source, const _2dLine& reference);

// Places two texts side by side, the pair centred where they stood.
void CenterTextPair(const boost::shared_ptr<_Text>& first, const boost::shared_ptr<_Text>& second);

// Sets a text's position, height, character width, rotation and style.
struct ApplyTextStyle {
  ApplyTextStyle(const _2dPoint& p, double h, double wf, double r, int s)
      : position(p), height(h), widthFactor(wf), rotation(r), style(s) {}
  void operator()(const boost::shared_ptr<_Text>& text) const;
  _2dPoint position;
  double height, widthFactor, rotation;
  int style;
};

// Moves a text aside of a direction by half its width or height (side 0 to
// 3: left, ahead, right, back); any other side moves it by the direction.
struct PushTextAside {
  PushTextAside(AcadViewBoard* board, const _2dVector& d, int s) : m_board(board), direction(d), side(s) {}
  void operator()(const boost::shared_ptr<_Text>& text) const;
  AcadViewBoard* m_board;
  _2dVector direction;
  int side;
};

// The twelve edges of an axis-parallel box: the four plan sides at minZ, the
// same at maxZ, then the four verticals at the corners.
std::vector<_3dLine> GetBoxEdges(const Extents& box);

// Plan position of the centre of a board's outline (the kernel's centre of
// its edge start points, carried to world).
void GetEdgeBoardCenter(const Board& board, _2dPoint& center);

// The plan line of a wall (first to last plan point of its outline); false,
// line untouched, when the outline reduces to fewer than two plan points.
bool GetWallPlanLine(const BoardPtr& wall, _2dLine& line);

