// CAD geometric algorithms: the service object g_GeomAlgorithm that the
// drawing and modelling code asks for curve intersections, vector rotation
// and angles, the outlines of wall lines, and the fitting and placing of
// small polyline sketches.
//
// Conventions (those of the geometry kernel): lengths in millimetres, angles
// in radians, counter-clockwise positive; two points are the same point when
// both plan coordinates differ by at most kPointTolerance (1e-4).  Every
// operation works in plan (x, y); z of 3D input is ignored unless a member
// says otherwise.
#pragma once

#include "platform/Morlak.h"

#include <boost/shared_ptr.hpp>

#include <string>
#include <utility>
#include <vector>

// One cut segment of a board for the per-board form of BuildOutlineGroups.
struct OutlineRecord {
  // The segment, in the plane of the drawing.
  _2dLine line;
  // Face offsets: the first face lies to the right of the segment's
  // direction, the second to its left (signed distances; a negative offset
  // puts that face on the other side).
  double firstOffset = 0.0;
  double secondOffset = 0.0;
  // End code of the board at this segment (see BuildOutlineGroups).
  int endCode = 0;
  // The board the segment was cut from.  Records are grouped by this pointer
  // (identity, not value); an empty pointer is one group of its own.
  boost::shared_ptr<VekObject> owner;
};

class GeomAlgorithm {
 public:
  // ---- Curve intersection --------------------------------------------------
  //
  // The intersection points of two curves, in plan.  Curves: _2dLine, _3dLine
  // (taken in plan), _2dArc and _2dPolyline (open or closed, bulged segments
  // as arcs).  Any other entity type, and degenerate pieces (zero-length
  // lines and polyline segments, arcs of zero radius), give no points.
  //   mode 0: crossings and touches that lie within both curves;
  //   mode 1: the first curve is taken as an unbounded line (it must be a
  //           _2dLine or _3dLine of non-zero plan length; otherwise no
  //           points) against the bounded second curve.  A line across a
  //           closed outline thus gives its entry and exit points in pairs;
  //           a line that only touches a corner gives one point.
  // Curves that overlap (collinear lines, arcs on one circle) give the two
  // ends of the shared piece.  The points (z 0) are sorted along the first
  // curve from its start (mode 1: along the line's direction, points before
  // its start first); points within kPointTolerance of a point already
  // reported are merged into it.  `out` is cleared first; returns the count.
  // Any other mode gives no points.
  int IntersectCurves(const Entity& first, const Entity& second, int mode,
                      std::vector<_3dPoint>& out) const;

  // ---- Vectors and angles -------------------------------------------------
  //
  // The vector turned by `angle` about `axis` (right-hand rule: positive is
  // counter-clockwise looking down the axis); π/2 about (0, 0, 1) turns +x
  // into +y.  The axis need not be a unit vector; a zero axis returns the
  // vector unchanged.
  _3dVector RotateVector(const _3dVector& vector, double angle, const _3dVector& axis) const;

  // The angle from v1 to v2 turning about `normal` (right-hand rule), in
  // [0, 2π); a turn short of a full turn by rounding only is 0.  Both vectors
  // are first projected onto the plane perpendicular to the normal.  With a
  // zero normal the angle has no sense of turning and the unsigned angle
  // between the vectors, in [0, π], is returned; a zero vector (or one along
  // the normal) gives 0.
  double GetAngle(const _3dVector& v1, const _3dVector& v2, const _3dVector& normal) const;

  // ---- Outlines of wall lines ---------------------------------------------
  //
  // The outline entities of wall lines: for each line its two face lines,
  // parallel to it, the first offset of its pair to the RIGHT of the line's
  // direction and the second to the LEFT.  Lines meet where an end of one
  // lies on another (end to end: corners and nodes; end on the inside of
  // another: T-junctions) or where two lines cross; there the face lines are
  // joined by intersecting the faces of the lines that meet, taken in turn
  // around the meeting point: two lines at a corner get a mitred inner and
  // outer corner (exact mitres, so a sharp corner reaches far out); at a
  // T-junction the stem's faces end on the near face of the through line,
  // whose near face is interrupted between them; crossing lines interrupt
  // each other's faces.  Lines that continue one another in
  // a straight line are not joined but abut; when their face offsets differ
  // a short step line closes the face.  Lines meet when the points lie within
  // kPointTolerance.
  //
  // Free ends (where no other line meets) are capped by the end code of that
  // end: 1 closes the end with a half-circle arc (_2dArc) from face to face,
  // bulging away from the wall; 0, and any other code, with a straight
  // _2dLine.  End codes of ends that meet other lines are not used.
  //
  // A group holds, in this order: the pieces of the first face (as _2dLine,
  // running in the line's direction), the pieces of the second face, the
  // start cap, the end cap, then any step lines.  A face has more than one
  // piece where other lines interrupt it; pieces not longer than
  // g_LengthTolerance are dropped.  When both faces coincide (the offsets
  // sum to 0) only the first is drawn and there are no caps.  Entities are
  // therefore _2dLine, except the _2dArc caps of code-1 ends: callers that
  // scale a group must scale its arcs too (Entity::Scale).  A line shorter
  // than kPointTolerance gets an empty group and meets nothing.
  //
  // Per-line form: one group per line, in line order.  `endCodes` holds
  // (start code, end code) and `offsets` (first, second offset) per line;
  // lists of different lengths throw std::invalid_argument.
  std::vector<EntityList> BuildOutlineGroups(const std::vector<_2dLine>& lines,
                                             const std::vector<std::pair<int, int>>& endCodes,
                                             const std::vector<std::pair<double, double>>& offsets) const;

  // Per-board form: one record per cut segment.  All records are joined with
  // each other as above; each record's single end code caps every free end of
  // that record (a board's chain of segments has free ends only at its first
  // and last segment).  Returns one group per owner that gave records, in the
  // order each owner is first met, holding the entities of its records in
  // record order.
  std::vector<EntityList> BuildOutlineGroups(const std::vector<OutlineRecord>& records) const;
  // The same from parallel lists (line, (first, second offset), owner, end
  // code per record), as the section cut collects them; lists of different
  // lengths throw std::invalid_argument.
  std::vector<EntityList> BuildOutlineGroups(const std::vector<_2dLine>& lines,
                                             const std::vector<std::pair<double, double>>& offsets,
                                             const std::vector<boost::shared_ptr<VekObject>>& owners,
                                             const std::vector<int>& endCodes) const;

  // ---- Names -------------------------------------------------------------
  //
  // True when `name` is one of `names`.  CAD layer names are compared as the
  // CAD program does: ASCII letters case-insensitively, every other byte
  // (UTF-8 text) exactly; no trimming.
  bool ContainsName(const std::vector<std::string>& names, const std::string& name) const;

  // ---- The tank's outline lists ----------------------------------------------
  //
  // The tables the structural model hands over for the CAD host: the first a
  // square table of byte flags (row i, column j non-zero when boards i and j
  // meet; boards by their position in the tank's component list); the second
  // and third point tables kept as given (row i: the points the model lists
  // for board i, or for a board pair when the model fills them as square
  // tables).  Only stored, never interpreted.  A flag table that is not square
  // throws std::invalid_argument and keeps the stored lists.
  using BoardFlagTable = std::vector<std::vector<unsigned char>>;
  using BoardPointTable = std::vector<std::vector<_3dPoint>>;
  void SetTankOutlines(const BoardFlagTable& meetFlags, const BoardPointTable& second,
                       const BoardPointTable& third);
  const BoardFlagTable& GetTankMeetFlags() const { return m_meetFlags; }
  const BoardPointTable& GetTankSecondList() const { return m_second; }
  const BoardPointTable& GetTankThirdList() const { return m_third; }

  // ---- Cutter profiles -------------------------------------------------------
  //
  // The plan profile of the solid that cuts a notch out of a board: the
  // notch outline's points in plan (z 0), in their given order, without
  // repeated consecutive points or a repeated closing point, every side moved
  // outward by `margin` (mm; corners mitred), so that the cutter reaches a
  // little past the notch edges that coincide with the board's outline and
  // leaves no skin there.  A margin of 0 keeps the outline; a negative one
  // shrinks it.  `out` is cleared first.  Fewer than three distinct points,
  // or an outline without area, are returned cleaned but not moved, and the
  // result is false.
  bool MakeCutterOutline(std::vector<_3dPoint> outline, std::vector<_3dPoint>& out,
                         double margin) const;

  // ---- Polyline sketches ---------------------------------------------------
  //
  // The plan box of the polyline's geometry (vertices and bulged arcs; the
  // constant width is not counted) as a closed four-vertex rectangle,
  // counter-clockwise from the lower-left corner: vertices 0 and 2 are
  // opposite corners (min, max).  An empty polyline gives four vertices at
  // the origin.
  _2dPolyline GetBoundingBox(const _2dPolyline& polyline) const;

  // Scales the sketch in place, uniformly about the centre of its bounding
  // box, so that the larger side of that box becomes `size` less room for
  // one text height on each side (size − 2 × textSize; when that leaves
  // nothing, the whole size).  Bulges, width and every other property are
  // kept.  An empty or single-point sketch and a non-positive size leave it
  // unchanged.
  void FitSketch(double textSize, double size, _2dPolyline& sketch) const;

  // Turns the polyline in place counter-clockwise by `angle` about `centre`
  // (in plan; z kept, bulges kept).
  void RotatePolyline(_2dPolyline& polyline, const _3dPoint& centre, double angle) const;
  void RotatePolyline(_2dPolyline& polyline, const _2dPoint& centre, double angle) const;

  // Moves the polyline in place by to − from (all three coordinates), so that
  // a point at `from` lands on `to`.
  void MovePolyline(_2dPolyline& polyline, const _3dPoint& from, const _3dPoint& to) const;

 private:
  BoardFlagTable m_meetFlags;
  BoardPointTable m_second;
  BoardPointTable m_third;
};

extern GeomAlgorithm g_GeomAlgorithm;
