// Structural model: boards (walls and slabs), their edges, restraints,
// openings, notches, loads and haunches.  Part of platform/Quenby.h.
//
// Frame of a board: origin, x axis and y axis in world coordinates (mm).  The
// axes need not be unit vectors; the board-local 2D frame is the orthonormal
// frame they span (x along the x axis, y the y axis made perpendicular to it),
// so local coordinates are in mm whatever the axis lengths.  The normal is the
// unit vector of x axis × y axis; the upper face lies on its positive side.
// The reference plane is the plane of the frame; the faces lie at
// GetUpperOffset above it and GetLowerOffset below it (both positive).
//
// A board's outline is given by its edges: edge i runs in the local frame from
// corner i to corner i + 1 (the last one back to corner 0), so the corners are
// the edges' start points.
#pragma once

#include "platform/Morlak.h"
#include "platform/quenby/zones.h"

#include <boost/shared_ptr.hpp>

#include <string>
#include <utility>
#include <vector>

class Board;
class Tank;

// ---------------------------------------------------------------------------
// Design state of one bar group, set by the rebar design.  A group that the
// design could not satisfy keeps a note naming the board, face and direction
// and what went wrong, so that the host, the calculation book and a reopened
// design all show it.

struct BarGroupStatus {
  static constexpr int kNotDesigned = 0;      // never designed (also older files)
  static constexpr int kDesigned = 1;         // bars found that meet every rule
  static constexpr int kNotDesignable = 2;    // section without meaning (h0 <= 0, unknown grade ...)
  static constexpr int kNoBarForArea = 3;     // no bar of the table gives the area
  static constexpr int kCrackLimitNotMet = 4; // best bars found still crack too wide
  static constexpr int kBarsDoNotFit = 5;     // the bars that give the area do not fit the section

  // True for the states in which the group's bars do not satisfy the design.
  static bool IsFailing(int status) { return status >= kNotDesignable; }
};

// ---------------------------------------------------------------------------
// The nine design quantities of one bar group (a board face in one direction,
// or an edge face).  Moments in kN·m per metre width (M ≥ 0 puts the upper face
// in tension), areas in mm² per metre, lengths in mm.

struct FaceValues {
  double basicMoment = 0.0;     // basic combination (analysis)
  int combination = 0;          // governing load case 0..3 (analysis)
  double standardMoment = 0.0;  // standard combination (analysis)
  double quasiMoment = 0.0;     // quasi-permanent combination (analysis)
  double calcArea = 0.0;        // required steel area (design)
  std::string grade;            // rebar grade of the selected bars
  int diameter = 0;             // selected bar diameter, 0 = none selected
  int spacing = 0;              // selected bar spacing
  double crackWidth = 0.0;      // maximum crack width for the selected bars
  int status = BarGroupStatus::kNotDesigned;  // design state (BarGroupStatus)
  std::string statusNote;       // why a group is not designable or failing
  // The area the bars were selected for (the larger of the moment's area and
  // the minimum reinforcement) and whether the minimum governs; set by the
  // bar selection for the design's own outputs, neither filed nor compared.
  double governingArea = 0.0;
  bool minimumGoverns = false;

  bool operator==(const FaceValues& o) const {
    return basicMoment == o.basicMoment && combination == o.combination && standardMoment == o.standardMoment &&
           quasiMoment == o.quasiMoment && calcArea == o.calcArea && grade == o.grade && diameter == o.diameter &&
           spacing == o.spacing && crackWidth == o.crackWidth && status == o.status && statusNote == o.statusNote;
  }
  // Files the nine quantities; the design state is filed by the tank in a
  // record of its own (older files have none and read as "not designed").
  void Serialize(Archive& ar);
};

// Accessors Get/Set<Prefix><Quantity> over one FaceValues record.
#define QUENBY_FACE_VALUE_ACCESSORS(Prefix, record)                                        \
  double Get##Prefix##BasicMoment() const { return record.basicMoment; }                   \
  void Set##Prefix##BasicMoment(double v) { record.basicMoment = v; }                      \
  int Get##Prefix##Combination() const { return record.combination; }                      \
  void Set##Prefix##Combination(int v) { record.combination = v; }                         \
  double Get##Prefix##StandardMoment() const { return record.standardMoment; }             \
  void Set##Prefix##StandardMoment(double v) { record.standardMoment = v; }                \
  double Get##Prefix##QuasiMoment() const { return record.quasiMoment; }                   \
  void Set##Prefix##QuasiMoment(double v) { record.quasiMoment = v; }                      \
  double Get##Prefix##CalcArea() const { return record.calcArea; }                         \
  void Set##Prefix##CalcArea(double v) { record.calcArea = v; }                            \
  std::string Get##Prefix##Grade() const { return record.grade; }                          \
  int Get##Prefix##Diameter() const { return record.diameter; }                            \
  void Set##Prefix##Diameter(int v) { record.diameter = v; }                               \
  int Get##Prefix##Spacing() const { return record.spacing; }                              \
  void Set##Prefix##Spacing(int v) { record.spacing = v; }                                 \
  double Get##Prefix##CrackWidth() const { return record.crackWidth; }                     \
  void Set##Prefix##CrackWidth(double v) { record.crackWidth = v; }                        \
  int Get##Prefix##Status() const { return record.status; }                                \
  const std::string& Get##Prefix##StatusNote() const { return record.statusNote; }         \
  void Set##Prefix##Status(int v, const std::string& note = std::string()) {               \
    record.status = v;                                                                     \
    record.statusNote = note;                                                              \
  }

// ---------------------------------------------------------------------------
// BoardEdge: one edge record of a board (a value held in the board's edge
// list; Board::GetEdges gives the stored records, so writes reach the board).

class BoardEdge {
 public:
  BoardEdge() = default;

  // The edge line in the board-local 2D frame, from one corner to the next.
  void SetLine(const _2dLine& line) { m_line = line; }
  const _2dLine& GetLine() const { return m_line; }
  _2dPoint GetStartPoint() const { return m_line.GetStartPoint(); }
  _2dPoint GetEndPoint() const { return m_line.GetEndPoint(); }

  // Slab overhang mark: true and the overhang length (mm) when the edge
  // carries one; false and a length of 0 otherwise.
  bool GetOverhang(double& length) const;
  void SetOverhang(bool on, double length);

  // The support bars of the edge, per face.
  QUENBY_FACE_VALUE_ACCESSORS(Upper, m_values[0])
  QUENBY_FACE_VALUE_ACCESSORS(Lower, m_values[1])
  void SetUpperGrade(const std::string& grade) { m_values[0].grade = grade; }
  void SetLowerGrade(const std::string& grade) { m_values[1].grade = grade; }
  FaceValues& GetFaceValues(bool upper) { return m_values[upper ? 0 : 1]; }
  const FaceValues& GetFaceValues(bool upper) const { return m_values[upper ? 0 : 1]; }

  // The edge's joint (support) zones per face; a joint zone may also stand in
  // the partner edge's list (the same object).
  std::vector<ReinZonePtr>& GetUpperZones() { return m_upperZones; }
  const std::vector<ReinZonePtr>& GetUpperZones() const { return m_upperZones; }
  std::vector<ReinZonePtr>& GetLowerZones() { return m_lowerZones; }
  const std::vector<ReinZonePtr>& GetLowerZones() const { return m_lowerZones; }

 private:
  friend class StructureAccess;
  _2dLine m_line;
  bool m_overhang = false;
  double m_overhangLength = 0.0;
  FaceValues m_values[2];
  std::vector<ReinZonePtr> m_upperZones;
  std::vector<ReinZonePtr> m_lowerZones;
};

// ---------------------------------------------------------------------------
// Restirction: the restraint of one board edge: 0 fixed, 1 simply supported,
// 2 free.

class Restirction {
 public:
  static constexpr int kFixed = 0;
  static constexpr int kSimplySupported = 1;
  static constexpr int kFree = 2;

  Restirction() = default;
  explicit Restirction(int kind) : m_kind(kind) {}
  void SetKind(int kind) { m_kind = kind; }
  int GetKind() const { return m_kind; }
  bool operator==(const Restirction&) const = default;

 private:
  int m_kind = kFixed;
};

// ---------------------------------------------------------------------------
// Openings and notches.  Circle and rectangle openings are given in the
// board-local 2D frame; a notch's outline is given in world coordinates.

class Hole : public VekObject {
  DECLARE_VEK_SERIAL(Hole)
 public:
  Hole() = default;

  void SetId(int id) { m_id = id; }
  int GetId() const { return m_id; }
  // Detail number, shared by equal openings ("YD"/"JD" labels).
  void SetNumber(int number) { m_number = number; }
  int GetNumber() const { return m_number; }

  // Same shape as the other opening: same exact class and the same size within
  // 1 mm (circles: radius; rectangles: both sides, either order; notches: the
  // outline up to a translation).
  virtual bool IsSameShape(const boost::shared_ptr<Hole>& other) const;
  // Same reinforcement: the opening zones pair up one by one in order with
  // equal bars (ReinZone::IsSameRein); two openings without zones are equal.
  bool IsSameOpening(const boost::shared_ptr<Hole>& other) const;
  // Plan area of the opening in its board, mm² (positive).
  virtual double GetArea() const;

  // The opening's rebar zones (category 6).
  std::vector<ReinZonePtr>& GetZones() { return m_zones; }
  const std::vector<ReinZonePtr>& GetZones() const { return m_zones; }
  void AddZone(const ReinZonePtr& zone) { m_zones.push_back(zone); }

  void Serialize(Archive& ar) override;
  // Files the opening's own values (not its zones).
  virtual void SerializeValues(Archive& ar);

 private:
  int m_id = 0;
  int m_number = 0;
  std::vector<ReinZonePtr> m_zones;
};

using HolePtr = boost::shared_ptr<Hole>;

class CircleHole : public Hole {
  DECLARE_VEK_SERIAL(CircleHole)
 public:
  CircleHole() = default;
  ~CircleHole() override = default;

  void SetCenter(const _2dPoint& center) { m_center = center; }
  _2dPoint GetCenter() const { return m_center; }
  void SetRadius(double radius) { m_radius = radius; }
  double GetRadius() const { return m_radius; }

  bool IsSameShape(const HolePtr& other) const override;
  double GetArea() const override;
  void SerializeValues(Archive& ar) override;

 private:
  _2dPoint m_center;
  double m_radius = 0.0;
};

class RectangleHole : public Hole {
  DECLARE_VEK_SERIAL(RectangleHole)
 public:
  RectangleHole() = default;
  ~RectangleHole() override = default;

  // Corners in order around the opening, stored as given (a closed polyline
  // picked with its first point repeated gives five).
  void SetCorners(const std::vector<_2dPoint>& corners) { m_corners = corners; }
  std::vector<_2dPoint> GetCorners() const { return m_corners; }
  // The two sides: |c1 − c0| first, then |c2 − c1| (0 for missing corners).
  std::pair<double, double> GetSize() const;
  void GetSize(double& first, double& second) const;

  bool IsSameShape(const HolePtr& other) const override;
  double GetArea() const override;
  void SerializeValues(Archive& ar) override;

 private:
  std::vector<_2dPoint> m_corners;
};

class Notch : public Hole {
  DECLARE_VEK_SERIAL(Notch)
 public:
  Notch() = default;
  ~Notch() override = default;

  // The notch outline in world coordinates.
  void SetOutline(const std::vector<_3dPoint>& outline) { m_outline = outline; }
  void GetOutline(std::vector<_3dPoint>& outline) const { outline = m_outline; }
  const std::vector<_3dPoint>& GetOutline() const { return m_outline; }
  // An integer from the host, stored as given.
  void SetCode(int code) { m_code = code; }
  int GetCode() const { return m_code; }

  bool IsSameShape(const HolePtr& other) const override;
  // Area of the outline polygon in its own plane.
  double GetArea() const override;
  void SerializeValues(Archive& ar) override;

 private:
  std::vector<_3dPoint> m_outline;
  int m_code = 0;
};

// ---------------------------------------------------------------------------
// Loads on a board.  Points are world coordinates (mm); point loads in kN,
// line loads in kN/m, area loads in kPa.
//
// Distribution: 0 not drawn; for area loads 1 a loaded region with one value,
// 2 the whole board with one value, 3 a load varying between two points.
// Load type (area loads): 2 permanent ("Qg"), 5 variable ("Qq"), others plain.

class Load : public VekObject {
  DECLARE_VEK_SERIAL(Load)
 public:
  Load() = default;

  void SetDistribution(int distribution) { m_distribution = distribution; }
  int GetDistribution() const { return m_distribution; }
  void SetLoadType(int type) { m_loadType = type; }
  int GetLoadType() const { return m_loadType; }

  void Serialize(Archive& ar) override;
  virtual void SerializeValues(Archive& ar);

 private:
  int m_distribution = 0;
  int m_loadType = 0;
};

using LoadPtr = boost::shared_ptr<Load>;

class PointLoad : public Load {
  DECLARE_VEK_SERIAL(PointLoad)
 public:
  PointLoad() = default;
  void SetValue(double value, const _3dPoint& position) { m_value = value; m_position = position; }
  double GetValue(_3dPoint& position) const { position = m_position; return m_value; }
  void SerializeValues(Archive& ar) override;

 private:
  double m_value = 0.0;
  _3dPoint m_position;
};

class LineLoad : public Load {
  DECLARE_VEK_SERIAL(LineLoad)
 public:
  LineLoad() = default;
  void SetStartValue(double value, const _3dPoint& p) { m_startValue = value; m_start = p; }
  void SetEndValue(double value, const _3dPoint& p) { m_endValue = value; m_end = p; }
  double GetStartValue(_3dPoint& p) const { p = m_start; return m_startValue; }
  double GetEndValue(_3dPoint& p) const { p = m_end; return m_endValue; }
  void SerializeValues(Archive& ar) override;

 private:
  double m_startValue = 0.0, m_endValue = 0.0;
  _3dPoint m_start, m_end;
};

class AreaLoad : public Load {
  DECLARE_VEK_SERIAL(AreaLoad)
 public:
  AreaLoad() = default;
  void SetRegion(const _2dPolyline& region) { m_region = region; }
  const _2dPolyline& GetRegion() const { return m_region; }
  void SetValue(double value) { m_value = value; }
  double GetValue() const { return m_value; }
  void SetStartValue(double value, const _3dPoint& p) { m_startValue = value; m_start = p; }
  void SetEndValue(double value, const _3dPoint& p) { m_endValue = value; m_end = p; }
  double GetStartValue(_3dPoint& p) const { p = m_start; return m_startValue; }
  double GetEndValue(_3dPoint& p) const { p = m_end; return m_endValue; }
  void SerializeValues(Archive& ar) override;

 private:
  _2dPolyline m_region;
  double m_value = 0.0;
  double m_startValue = 0.0, m_endValue = 0.0;
  _3dPoint m_start, m_end;
};

// ---------------------------------------------------------------------------
// Ear: a haunch between two boards, given by its length (mm) and angle
// (radians), with its rebar zones (category 4).

class Ear : public VekObject {
  DECLARE_VEK_SERIAL(Ear)
 public:
  Ear() = default;

  void SetAngle(double angle) { m_angle = angle; }
  double GetAngle() const { return m_angle; }
  void SetLength(double length) { m_length = length; }
  double GetLength() const { return m_length; }

  std::vector<ReinZonePtr>& GetZones() { return m_zones; }
  const std::vector<ReinZonePtr>& GetZones() const { return m_zones; }
  void AddZone(const ReinZonePtr& zone) { m_zones.push_back(zone); }

  void Serialize(Archive& ar) override;
  void SerializeValues(Archive& ar);

 private:
  double m_angle = 0.0;
  double m_length = 0.0;
  std::vector<ReinZonePtr> m_zones;
};

using EarPtr = boost::shared_ptr<Ear>;

// ---------------------------------------------------------------------------
// StructureComponent: base of the tank's components.

class StructureComponent : public VekObject {
  DECLARE_VEK_SERIAL(StructureComponent)
 public:
  StructureComponent() = default;
};

using StructureComponentPtr = boost::shared_ptr<StructureComponent>;

// ---------------------------------------------------------------------------
// Board: a wall (kind 0), bottom slab (kind 1) or top slab (kind 2).
//
// Decisions of this layer:
// - Rebar angle: the X bars run along (cos a, sin a) of the local frame; a is
//   0 unless set with SetReinAngle, so the X bars of a wall run along its base
//   line and those of a slab along its first side.
// - Spans (GetSpans): Lx and Ly are the extents of the local outline along the
//   X and the Y bar direction (the Y direction is X turned by +90°).  Boards
//   are modelled on their mid-planes and meet their supports on the supports'
//   mid-planes, so these are the centre-to-centre calculation spans.
// - Main direction: the X bar direction in world coordinates (unit).
// - Sort values: the thickness and the two spans, rounded to whole mm.
// - Number: given by the tank when the board is added (see Tank); SetNumber
//   lets a caller renumber.
// - Joint measure (GetJointMeasure, GetLineMeasure: one operation): the
//   board's extent away from the line, measured in the board's plane along the
//   inward direction, mm (a wall's height above the slab it stands on, the
//   length of a wall away from a corner).
// - Inward direction: the unit vector in the board's plane, perpendicular to
//   the line, toward the side where the board extends farther from the line
//   (for a line on an edge: into the board).  The zero vector when the line
//   runs along the normal.
// - FindEdge: the edge lying on the line's carrier (both ends within 1 mm) and
//   overlapping the line by more than 1 mm; with several, the one with the
//   longest overlap; -1 when none.  Both flag values behave alike.
// - Edge grades: an edge face whose grade is still empty takes the board's
//   grade of that face when the board's X grade of the face is set (so support
//   bars have a grade before their first selection); edges given later by
//   SetEdges take the board's current X grades.
// - Notch face (GetNotchFace): 1 when the notch outline lies on the upper side
//   of the reference plane, 2 on the lower side; false (face 0) when the notch
//   is not the board's or lies across the plane.
// - EditHole removes the given opening or notch (with its zones) from the
//   board.
// - Attached objects (AddObject): a Load goes to the loads, a Hole to the
//   openings, other objects of this layer are refused, and the host's own
//   objects go to the items.  GetRelatedObjects lists the
//   openings, the loads and the items.
// - GetAllZones: the upper face zones, the lower face zones, then per edge its
//   upper and lower zones, then per opening its zones; each zone once.
// - ContainsFaceZone / ContainsEdgeZone clear the flag when the zone stands in
//   a lower-face list.

class Board : public StructureComponent {
  DECLARE_VEK_SERIAL(Board)
 public:
  Board() = default;
  ~Board() override = default;

  // Frame and kind
  void SetKind(int kind) { m_kind = kind; }
  int GetKind() const { return m_kind; }
  void SetOrigin(const _3dPoint& origin) { m_origin = origin; }
  const _3dPoint& GetOrigin() const { return m_origin; }
  void SetXAxis(const _3dVector& axis) { m_xAxis = axis; }
  const _3dVector& GetXAxis() const { return m_xAxis; }
  void SetYAxis(const _3dVector& axis) { m_yAxis = axis; }
  const _3dVector& GetYAxis() const { return m_yAxis; }
  // Unit vector of x axis × y axis (the zero vector for a degenerate frame).
  _3dVector GetNormal() const;

  // Board-local 2D and world coordinates through the board's frame.
  _3dPoint LocalToWorld(const _2dPoint& local) const;
  _2dPoint WorldToLocal(const _3dPoint& world) const;

  // Faces and thickness
  void SetUpperOffset(double offset) { m_upperOffset = offset; }
  double GetUpperOffset() const { return m_upperOffset; }
  void SetLowerOffset(double offset) { m_lowerOffset = offset; }
  double GetLowerOffset() const { return m_lowerOffset; }
  double GetThickness() const { return m_upperOffset + m_lowerOffset; }
  void SetUpperFaceOuter(bool outer) { m_upperOuter = outer; }
  bool IsUpperFaceOuter() const { return m_upperOuter; }
  void SetLowerFaceOuter(bool outer) { m_lowerOuter = outer; }
  bool IsLowerFaceOuter() const { return m_lowerOuter; }
  void SetConcreteGrade(const std::string& grade) { m_concreteGrade = grade; }
  const std::string& GetConcreteGrade() const { return m_concreteGrade; }
  void SetWallStartCode(int code) { m_wallStartCode = code; }
  int GetWallStartCode() const { return m_wallStartCode; }
  void SetWallEndCode(int code) { m_wallEndCode = code; }
  int GetWallEndCode() const { return m_wallEndCode; }

  // Outline and edges
  void SetEdges(const std::vector<BoardEdge>& edges);
  std::vector<BoardEdge>& GetEdges() { return m_edges; }
  const std::vector<BoardEdge>& GetEdges() const { return m_edges; }
  // A copy of one edge record; std::out_of_range for a bad index.
  BoardEdge GetEdge(int index) const;
  // World corner points in outline order, starting with edge 0's start.
  void GetOutline(std::vector<_3dPoint>& outline) const;
  std::vector<_3dPoint> GetOutlinePoints() const;
  // The same corners in board-local 2D.
  void GetLocalOutline(std::vector<_2dPoint>& outline) const;
  // The edge's line in world coordinates; std::out_of_range for a bad index.
  _3dLine GetEdgeLine(int index) const;
  int FindEdge(const _3dLine& line, int flag = 1) const;
  // Unit world vector in the board's plane across the edge, from the edge into
  // the board; the zero vector for a bad index or a degenerate edge.
  _3dVector GetEdgeDirection(int edgeIndex) const;
  void SetEdgeOverhang(int edgeIndex, bool on, double length);
  bool GetEdgeOverhang(int edgeIndex, double& length) const;
  void ClearEdgeOverhangs();
  void SetRestrictions(const std::vector<Restirction>& restrictions) { m_restrictions = restrictions; }
  std::vector<Restirction> GetRestrictions() const { return m_restrictions; }

  // Board-plane queries
  _3dVector GetInwardDirection(const _3dLine& line) const;
  double GetJointMeasure(const _3dLine& line) const;
  double GetLineMeasure(const _3dLine& line) const { return GetJointMeasure(line); }
  void GetSpans(double& lx, double& ly) const;
  std::pair<double, double> GetSpans() const;
  void SetReinAngle(double angle) { m_reinAngle = angle; }
  double GetReinAngle() const { return m_reinAngle; }
  _3dVector GetMainDirection() const;
  // True when the plan point lies on the board: for a slab, where the vertical
  // through the point meets the board's plane inside or on the outline; for a
  // wall (horizontal normal), within its plan footprint (the base line widened
  // by the face offsets).
  bool ContainsPoint(const _2dPoint& planPoint) const;
  void SetNumber(int number) { m_number = number; }
  int GetNumber() const { return m_number; }
  std::vector<double> GetSortValues() const;

  // Openings, loads and attached objects
  const std::vector<HolePtr>& GetHoles() const { return m_holes; }
  void AddHole(const HolePtr& hole);
  void EditHole(const HolePtr& hole) { RemoveHole(hole); }
  void RemoveHole(const HolePtr& hole);
  bool GetNotchFace(const boost::shared_ptr<Notch>& notch, int& face) const;
  const std::vector<LoadPtr>& GetLoads() const { return m_loads; }
  void AddLoad(const LoadPtr& load);
  void RemoveLoad(const LoadPtr& load);
  void AddObject(const boost::shared_ptr<VekObject>& object);
  void RemoveObject(const boost::shared_ptr<VekObject>& object);
  const std::vector<boost::shared_ptr<VekObject>>& GetItems() const { return m_items; }
  std::vector<boost::shared_ptr<VekObject>> GetRelatedObjects() const;

  // Rebar zones
  std::vector<ReinZonePtr>& GetUpperZones() { return m_upperZones; }
  const std::vector<ReinZonePtr>& GetUpperZones() const { return m_upperZones; }
  std::vector<ReinZonePtr>& GetLowerZones() { return m_lowerZones; }
  const std::vector<ReinZonePtr>& GetLowerZones() const { return m_lowerZones; }
  std::vector<ReinZonePtr> GetAllZones() const;
  bool ContainsFaceZone(const ReinZonePtr& zone, bool* flag) const;
  bool ContainsEdgeZone(const ReinZonePtr& zone, bool* flag) const;

  // Design values per face and direction (see FaceValues).
  QUENBY_FACE_VALUE_ACCESSORS(UpperX, m_values[0][0])
  QUENBY_FACE_VALUE_ACCESSORS(UpperY, m_values[0][1])
  QUENBY_FACE_VALUE_ACCESSORS(LowerX, m_values[1][0])
  QUENBY_FACE_VALUE_ACCESSORS(LowerY, m_values[1][1])
  void SetUpperXGrade(const std::string& grade);
  void SetUpperYGrade(const std::string& grade) { m_values[0][1].grade = grade; }
  void SetLowerXGrade(const std::string& grade);
  void SetLowerYGrade(const std::string& grade) { m_values[1][1].grade = grade; }
  FaceValues& GetFaceValues(bool upper, bool x) { return m_values[upper ? 0 : 1][x ? 0 : 1]; }
  const FaceValues& GetFaceValues(bool upper, bool x) const { return m_values[upper ? 0 : 1][x ? 0 : 1]; }

  // Files the board's own values: frame, faces, codes, edges with their design
  // values and overhang marks, restraints and design values (not its openings,
  // loads, items or zones, which the tank files).
  void Serialize(Archive& ar) override;
  void SerializeValues(Archive& ar);

 private:
  friend class StructureAccess;

  int m_kind = 0;
  int m_number = 0;
  _3dPoint m_origin;
  _3dVector m_xAxis{1, 0, 0};
  _3dVector m_yAxis{0, 1, 0};
  double m_upperOffset = 0.0;
  double m_lowerOffset = 0.0;
  bool m_upperOuter = false;
  bool m_lowerOuter = false;
  std::string m_concreteGrade;
  int m_wallStartCode = 0;
  int m_wallEndCode = 0;
  double m_reinAngle = 0.0;
  std::vector<BoardEdge> m_edges;
  std::vector<Restirction> m_restrictions;
  FaceValues m_values[2][2];
  std::vector<HolePtr> m_holes;
  std::vector<LoadPtr> m_loads;
  std::vector<boost::shared_ptr<VekObject>> m_items;
  std::vector<ReinZonePtr> m_upperZones;
  std::vector<ReinZonePtr> m_lowerZones;
};

using BoardPtr = boost::shared_ptr<Board>;
