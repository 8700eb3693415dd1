// Structural model: bars, rebar zones, support rebar zones and the tank's zone
// collection.  Part of platform/Quenby.h.
//
// A rebar zone is a set of bars of one grade, diameter and spacing over a region
// of a board face, an edge (joint), a haunch, a support or an opening.  Zones
// are shared: a group face zone stands in the face lists of every board of its
// group, and a joint zone in the edge lists of both edges of the joint, always
// as one object.
#pragma once

#include "platform/Morlak.h"

#include <boost/shared_ptr.hpp>

#include <string>
#include <vector>

class BoardJoint;

// ---------------------------------------------------------------------------
// Rebar grades.  The four grades of the design code, by index 0 to 3; their
// label symbol codes are 130 + index.

// "HPB235", "HRB335", "HRB400", "RRB400" for 0..3; any other index counts as 0.
const std::string& GetReinGradeName(int index);
// Index 0..3 of a grade name; an unknown name counts as 0 ("HPB235").
int GetReinGradeIndexOf(const std::string& grade);

// ---------------------------------------------------------------------------
// Rein: one bar.  The polyline's vertices are model points (world, mm) with
// one bulge per vertex and a closed flag (ring and corner bars use bulges, ties
// are closed).  Bars are plain values held by shared pointers; drawings copy
// them before moving vertices.

class Rein : public VekObject {
  DECLARE_VEK_SERIAL(Rein)
 public:
  Rein() = default;
  Rein(const Rein&) = default;
  Rein& operator=(const Rein&) = default;

  void SetPolyline(const _2dPolyline& polyline) { m_polyline = polyline; }
  const _2dPolyline& GetPolyline() const { return m_polyline; }
  void SetGrade(const std::string& grade) { m_grade = grade; }
  const std::string& GetGrade() const { return m_grade; }
  void SetDiameter(int diameter) { m_diameter = diameter; }
  int GetDiameter() const { return m_diameter; }

  // The three integer attributes of opening bars: the tie flag (1 on the ties
  // of opening reinforcement) and two codes stored and filed as given (0 on
  // every bar the design engine makes except where it says otherwise).
  void SetTieFlag(int flag) { m_tieFlag = flag; }
  int GetTieFlag() const { return m_tieFlag; }
  void SetShapeCode(int code) { m_shapeCode = code; }
  int GetShapeCode() const { return m_shapeCode; }
  void SetHookCode(int code) { m_hookCode = code; }
  int GetHookCode() const { return m_hookCode; }

  // Length of the bar along its polyline (bulged segments as arcs, the closing
  // segment of a closed bar included), mm.
  double GetLength() const;

  // Files the bar's own values.
  void Serialize(Archive& ar) override;
  void SerializeValues(Archive& ar);

 private:
  _2dPolyline m_polyline;
  std::string m_grade;
  int m_diameter = 0;
  int m_tieFlag = 0;
  int m_shapeCode = 0;
  int m_hookCode = 0;
};

using ReinPtr = boost::shared_ptr<Rein>;

// ---------------------------------------------------------------------------
// ReinZone: a rebar zone.
//
// Kind flags: 1 top slab, 16 bottom slab, 256 wall (haunch zones included),
// 4096 support rebar.  Categories: 1 edge (joint) zone = PEDESTAL, 2 face zone,
// 4 haunch zone, 5 support rebar zone, 6 opening zone.  Face: 0 upper, 1 lower.
// Direction: 0 X bars, 1 Y bars, -1 not set (IsYDirection is then false; the
// face-zone layout should set it on group zones too).

class ReinZone : public VekObject {
  DECLARE_VEK_SERIAL(ReinZone)
 public:
  static constexpr int PEDESTAL = 1;

  ReinZone() = default;

  void SetKind(int kind) { m_kind = kind; }
  int GetKind() const { return m_kind; }
  void SetCategory(int category) { m_category = category; }
  int GetCategory() const { return m_category; }
  void SetFace(int face) { m_face = face; }
  int GetFace() const { return m_face; }
  void SetDirection(int direction) { m_direction = direction; }
  int GetDirection() const { return m_direction; }
  bool IsYDirection() const { return m_direction == 1; }
  void SetEdgeIndex(int index) { m_edgeIndex = index; }
  int GetEdgeIndex() const { return m_edgeIndex; }
  void SetCover(double cover) { m_cover = cover; }
  double GetCover() const { return m_cover; }
  void SetLayerFlag(int flag) { m_layerFlag = flag; }
  int GetLayerFlag() const { return m_layerFlag; }

  // One list per bar (bar order), one int per polyline segment; replaces what
  // the zone held.
  void SetSegmentLayerFlags(const std::vector<std::vector<int>>& flags) { m_segmentFlags = flags; }
  const std::vector<std::vector<int>>& GetSegmentLayerFlags() const { return m_segmentFlags; }
  // The stored per-segment records of one bar; empty for an index without one.
  std::vector<int> GetReinSegmentRecords(int barIndex) const;

  void SetNumber(int number) { m_number = number; }
  int GetNumber() const { return m_number; }
  void SetNumberFirst(bool first) { m_numberFirst = first; }
  bool IsNumberFirst() const { return m_numberFirst; }

  // Grade by name, or by label symbol code 130..133; a code outside that range
  // counts as 130 ("HPB235"), as every grade index outside 0..3 counts as 0.
  void SetGrade(const std::string& grade) { m_grade = grade; }
  const std::string& GetGrade() const { return m_grade; }
  void SetGradeCode(int code);
  // 130 + the index of the stored grade (an unknown name counts as 130).
  int GetGradeCode() const;
  void SetDiameter(int diameter) { m_diameter = diameter; }
  int GetDiameter() const { return m_diameter; }
  void SetSpacing(int spacing) { m_spacing = spacing; }
  int GetSpacing() const { return m_spacing; }

  // Template bar (model points, at least two vertices) and the model line along
  // which it is repeated at the spacing.
  void SetTemplatePolyline(const _2dPolyline& polyline) { m_template = polyline; }
  const _2dPolyline& GetTemplatePolyline() const { return m_template; }
  void SetDistributionLine(const _3dLine& line) { m_distribution = line; }
  const _3dLine& GetDistributionLine() const { return m_distribution; }

  // The zone's own bars, in order.  GetReins gives the stored list itself.
  void SetReins(const std::vector<ReinPtr>& reins) { m_reins = reins; }
  void AddRein(const ReinPtr& rein) { m_reins.push_back(rein); }
  std::vector<ReinPtr>& GetReins() { return m_reins; }
  const std::vector<ReinPtr>& GetReins() const { return m_reins; }
  std::vector<ReinPtr> GetReinsCopy() const { return m_reins; }

  // The representative bar: the longest bar (the first of equal lengths);
  // empty without bars.
  ReinPtr GetTypicalRein() const;
  bool GetTypicalRein(ReinPtr& rein) const;

  // The zone's display orientation: the unit direction across the bars, along
  // which the bars are spread (from the first bar to the last).  It is the
  // distribution line's direction when that line has a length, otherwise the
  // direction from the first bar's first vertex to the last bar's; false (and
  // the vector untouched) when neither exists.
  bool GetReinDispOrientation(_3dVector& orientation) const;

  // The zones' bars are equal: same grade, diameter and spacing, and
  // representative bars of the same shape (same closed flag, vertex count,
  // segment lengths within 1 mm and bulges within 1e-4), or neither has one.
  bool IsSameRein(const boost::shared_ptr<ReinZone>& other) const;

  void Serialize(Archive& ar) override;
  // Files the zone's own values and its bars (not its joint references).
  void SerializeValues(Archive& ar);

 private:
  int m_kind = 0;
  int m_category = 0;
  int m_face = 0;
  int m_direction = -1;
  int m_edgeIndex = -1;
  double m_cover = 0.0;
  int m_layerFlag = 0;
  std::vector<std::vector<int>> m_segmentFlags;
  int m_number = 0;
  bool m_numberFirst = false;
  std::string m_grade;
  int m_diameter = 0;
  int m_spacing = 0;
  _2dPolyline m_template;
  _3dLine m_distribution;
  std::vector<ReinPtr> m_reins;
};

using ReinZonePtr = boost::shared_ptr<ReinZone>;

// The zone's own record value from which the records of newly laid bars are
// built: its layer flag.
int GetSegmentRecord(const ReinZonePtr& zone);

// ---------------------------------------------------------------------------
// SupportRein: the straight longitudinal bars along a junction of boards, with
// the joint objects of the junction's board pairs.

class SupportRein : public ReinZone {
  DECLARE_VEK_SERIAL(SupportRein)
 public:
  SupportRein() = default;

  void SetJoints(const std::vector<boost::shared_ptr<BoardJoint>>& joints) { m_joints = joints; }
  const std::vector<boost::shared_ptr<BoardJoint>>& GetJoints() const { return m_joints; }

 private:
  std::vector<boost::shared_ptr<BoardJoint>> m_joints;
};

// ---------------------------------------------------------------------------
// TankReinZones: every rebar zone of a tank, each once, in the model's order
// (see Tank::GetObjectList).  Returned by value by Tank::GetReinZones.

class TankReinZones {
 public:
  TankReinZones() = default;
  explicit TankReinZones(std::vector<ReinZonePtr> zones) : m_zones(std::move(zones)) {}

  const std::vector<ReinZonePtr>& GetZones() const { return m_zones; }
  // The zones of one kind flag that are the first of their mark number (the
  // rows of a partial schedule), in model order.
  std::vector<ReinZonePtr> GetZonesOfKind(int kind) const;
  // The highest mark number of any zone (marks run 1 to n); 0 without numbers.
  int GetNumberCount() const;
  // Bars of all zones of that kind and mark.
  int GetCount(int kind, int number) const;
  // Total length of those bars, mm, truncated.
  int GetLength(int kind, int number) const;

 private:
  std::vector<ReinZonePtr> m_zones;
};
