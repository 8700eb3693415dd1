// Geometry kernel: drawable entities and their bounding boxes.
//
// Every entity carries what a CAD drawing needs (layer, colour index, line
// type, line-type scale, line weight) and files all of it.  Entities are held
// by boost::shared_ptr<Entity> wherever they are shared; _2dLine, _3dLine and
// _2dPolyline are also used as plain values.
//
// Scale(f) scales an entity's geometry about the origin (0, 0, 0); Move(v)
// translates it.  Sizes that belong to the drawing standard rather than the
// geometry (text heights and character widths, polyline constant widths,
// dimension text heights and arrow sizes, bar-mark bubble diameters) are
// scaled too, so that a scaled drawing keeps its proportions; angles, colours
// and line-type scales are not.  The factor must be finite and positive (a
// view transform from model millimetres to drawing units): any other factor
// throws std::invalid_argument and leaves the entity unchanged.  Classes that
// lie in the xy plane (_2dLine, _2dArc, _2dPolyline, _2dAlignedDimension,
// Ordinal) move by the offset's x and y only; a polyline's vertices keep their
// z when moved (Scale scales z with x and y).  The 3D classes and _Text move
// by all three components.  A scaled dimension keeps measuring the model
// length (see _2dAlignedDimension::GetMeasurement).
//
// Filing: every entity files its base record and display properties first
// (Entity::Serialize), then all of its own fields, so that a reloaded entity
// is identical to the one written.  Counts read from a file are checked
// against what is left of the archive before anything is allocated, and any
// inconsistency (a bulge list that does not match the vertex list, an unknown
// alignment code, holes nested deeper than kMaxHoleNesting) raises ArchiveError.
#pragma once

#include "platform/morlak/values.h"

#include <boost/shared_ptr.hpp>

#include <string>
#include <vector>

class EntityVisitor;

// ---------------------------------------------------------------------------
// Extents: an axis-parallel box.  A default box is empty (IsEmpty() true) and
// extending an empty box by another gives the other.

class Extents {
 public:
  double minX = 0.0, minY = 0.0, minZ = 0.0;
  double maxX = 0.0, maxY = 0.0, maxZ = 0.0;

  Extents() = default;
  // The box of two opposite corners, given in any order (each axis is
  // ordered, so the box is never inside out).
  Extents(double x0, double y0, double z0, double x1, double y1, double z1);
  // The box of one point.
  explicit Extents(const _3dPoint& p);

  bool IsEmpty() const { return m_empty; }
  // Widens the box to contain the other box or the point.
  void Extend(const Extents& o);
  void Extend(const _3dPoint& p);

  _3dPoint GetMinPoint() const { return {minX, minY, minZ}; }
  _3dPoint GetMaxPoint() const { return {maxX, maxY, maxZ}; }
  double GetWidth() const { return maxX - minX; }
  double GetHeight() const { return maxY - minY; }
  // The middle of the box; the origin for an empty box.
  _3dPoint GetCenter() const;
  // Inclusive, in plan (x and y) within `tol`; an empty box contains nothing.
  bool Contains(const _2dPoint& p, double tol = 0.0) const;

 private:
  bool m_empty = true;
};

// ---------------------------------------------------------------------------
// Entity: base of every drawable kernel class.

class Entity : public VekObject {
 public:
  static constexpr int kColorByLayer = 256;
  static constexpr int kColorByBlock = 0;

  Entity() = default;

  const std::string& GetLayer() const { return m_layer; }
  void SetLayer(const std::string& layer) { m_layer = layer; }
  // CAD colour index 1..255, 256 by layer (the default), 0 by block.
  int GetColorIndex() const { return m_color; }
  void SetColorIndex(int color) { m_color = color; }
  // Line type name; empty means "by layer".
  const std::string& GetLinetype() const { return m_linetype; }
  void SetLinetype(const std::string& linetype) { m_linetype = linetype; }
  double GetLinetypeScale() const { return m_linetypeScale; }
  void SetLinetypeScale(double scale) { m_linetypeScale = scale; }
  // Line weight in hundredths of a millimetre; -1 by layer.
  int GetLineWeight() const { return m_lineWeight; }
  void SetLineWeight(int weight) { m_lineWeight = weight; }

  virtual void Scale(double f) = 0;
  virtual void Move(const _3dVector& offset) = 0;
  // The box of the entity as drawn; an entity without geometry (a polyline
  // without vertices, an extrudant without a profile) gives an empty box.
  virtual Extents GetExtents() const = 0;
  // A deep copy of the entity with all its properties.
  virtual boost::shared_ptr<Entity> Clone() const = 0;
  virtual void Accept(EntityVisitor& visitor) const = 0;

  // Files the display properties (after the base record).
  void Serialize(Archive& ar) override;

 protected:
  // Throws std::invalid_argument unless `f` is a finite positive factor.
  static void CheckScaleFactor(double f);

 private:
  std::string m_layer = "0";
  int m_color = kColorByLayer;
  std::string m_linetype;
  double m_linetypeScale = 1.0;
  int m_lineWeight = -1;
};

using EntityPtr = boost::shared_ptr<Entity>;
using EntityList = std::vector<EntityPtr>;

// ---------------------------------------------------------------------------

class _2dLine : public Entity {
  DECLARE_VEK_SERIAL(_2dLine)
 public:
  _2dLine() = default;
  _2dLine(const _2dPoint& start, const _2dPoint& end) : m_start(start), m_end(end) {}

  const _2dPoint& GetStartPoint() const { return m_start; }
  const _2dPoint& GetEndPoint() const { return m_end; }
  void SetStartPoint(const _2dPoint& p) { m_start = p; }
  void SetEndPoint(const _2dPoint& p) { m_end = p; }
  _2dPoint GetMidPoint() const;
  _2dVector GetDirection() const { return m_end - m_start; }
  double GetLength() const;
  // Start and end exchanged.
  _2dLine Reversed() const;

  // The two segments lie on one carrier line and overlap in more than a point
  // (either orientation).
  bool IsCoincident(const _2dLine& o) const;
  // Tolerant equality of the end points in either direction.
  bool operator==(const _2dLine& o) const;
  bool operator!=(const _2dLine& o) const { return !(*this == o); }

  void Scale(double f) override;
  void Move(const _3dVector& offset) override;
  Extents GetExtents() const override;
  boost::shared_ptr<Entity> Clone() const override;
  void Accept(EntityVisitor& visitor) const override;
  void Serialize(Archive& ar) override;

 private:
  _2dPoint m_start, m_end;
};

class _3dLine : public Entity {
  DECLARE_VEK_SERIAL(_3dLine)
 public:
  _3dLine() = default;
  _3dLine(const _3dPoint& start, const _3dPoint& end) : m_start(start), m_end(end) {}

  const _3dPoint& GetStartPoint() const { return m_start; }
  const _3dPoint& GetEndPoint() const { return m_end; }
  void SetStartPoint(const _3dPoint& p) { m_start = p; }
  void SetEndPoint(const _3dPoint& p) { m_end = p; }
  _3dPoint GetMidPoint() const;
  _3dVector GetDirection() const { return m_end - m_start; }
  double GetLength() const;
  _3dLine Reversed() const;

  // Tolerant equality of two directed lines (orientation matters).
  bool operator==(const _3dLine& o) const;
  bool operator!=(const _3dLine& o) const { return !(*this == o); }

  void Scale(double f) override;
  void Move(const _3dVector& offset) override;
  Extents GetExtents() const override;
  boost::shared_ptr<Entity> Clone() const override;
  void Accept(EntityVisitor& visitor) const override;
  void Serialize(Archive& ar) override;

 private:
  _3dPoint m_start, m_end;
};

// An arc in the xy plane, running counter-clockwise from the start angle to
// the end angle.
class _2dArc : public Entity {
  DECLARE_VEK_SERIAL(_2dArc)
 public:
  _2dArc() = default;
  _2dArc(const _2dPoint& center, double radius, double startAngle, double endAngle);

  const _2dPoint& GetCenter() const { return m_center; }
  double GetRadius() const { return m_radius; }
  double GetStartAngle() const { return m_startAngle; }
  double GetEndAngle() const { return m_endAngle; }
  void SetCenter(const _2dPoint& c) { m_center = c; }
  void SetRadius(double r) { m_radius = r; }
  void SetStartAngle(double a) { m_startAngle = a; }
  void SetEndAngle(double a) { m_endAngle = a; }
  // centre + radius * (cos a, sin a) for the start and end angles.
  _2dPoint GetStartPoint() const;
  _2dPoint GetEndPoint() const;
  // Counter-clockwise sweep from start to end in (0, 2π]: start and end
  // angles of one direction (within 1e-12 rad, so 0 and 2π too) make a full
  // circle.
  double GetSweep() const;
  double GetLength() const;

  void Scale(double f) override;
  void Move(const _3dVector& offset) override;
  // The box of the end points and of the quadrant points within the sweep.
  Extents GetExtents() const override;
  boost::shared_ptr<Entity> Clone() const override;
  void Accept(EntityVisitor& visitor) const override;
  void Serialize(Archive& ar) override;

 private:
  _2dPoint m_center;
  double m_radius = 0.0;
  double m_startAngle = 0.0;
  double m_endAngle = 0.0;
};

// A polyline with one bulge per vertex, a closed flag and a constant width.
// The bulge of vertex i shapes the segment from vertex i to vertex i + 1 (the
// last vertex's bulge shapes the closing segment of a closed polyline): 0 is
// straight, tan(θ/4) an arc of sweep θ; a positive bulge turns
// counter-clockwise (the arc lies to the right of the chord), a negative one
// clockwise.  A closed two-vertex polyline with bulges 1, 1 is a full circle.
// Vertices are 3D points: bars keep their model points.
class _2dPolyline : public Entity {
  DECLARE_VEK_SERIAL(_2dPolyline)
 public:
  _2dPolyline() = default;
  _2dPolyline(const std::vector<_3dPoint>& vertices, bool closed = false);

  int VerNums() const { return static_cast<int>(m_vertices.size()); }
  const std::vector<_3dPoint>& GetVertices() const { return m_vertices; }
  // Sets the vertices; bulges are kept for the vertices that remain and
  // filled with 0 for new ones.
  void SetVertices(const std::vector<_3dPoint>& vertices);
  const std::vector<double>& GetBulges() const { return m_bulges; }
  // Sets the bulges; the list must have one value per vertex
  // (std::invalid_argument otherwise).
  void SetBulges(const std::vector<double>& bulges);
  // Index checked (std::out_of_range).
  const _3dPoint& GetVertexAt(int index) const;
  void SetVertexAt(int index, const _3dPoint& p);
  double GetBulgeAt(int index) const;
  void SetBulgeAt(int index, double bulge);
  // Inserts a vertex before `index` (0 puts it first, VerNums() appends).
  void InsertVertex(int index, const _3dPoint& p, double bulge = 0.0);
  void AppendVertex(const _3dPoint& p, double bulge = 0.0) { InsertVertex(VerNums(), p, bulge); }
  void RemoveVertexAt(int index);
  // Removes the first or the last `count` vertices with their bulges.
  void RemoveFront(int count);
  void RemoveBack(int count);

  bool IsClosed() const { return m_closed; }
  void SetClosed(bool closed) { m_closed = closed; }
  double GetConstantWidth() const { return m_width; }
  void SetConstantWidth(double width) { m_width = width; }

  // Total length in model units: a straight segment counts its 3D length,
  // a bulged one the arc of sweep 4 atan(bulge) over its 3D chord.
  double GetLength() const;
  // Usable for a bar: at least two vertices, finite coordinates and bulges,
  // and no segment shorter than g_LengthTolerance.
  bool IsValid() const;
  // Number of segments (closing one included for a closed polyline with at
  // least two vertices).
  int SegmentCount() const;
  // The arc of bulged segment `segment` (0 .. SegmentCount() - 1, index
  // checked, std::out_of_range) as drawn in the xy plane: its centre,
  // radius, the direction angle of its start point seen from the centre in
  // [0, 2π), and its signed sweep (positive counter-clockwise, 4 atan(bulge)).
  // False, with the outputs untouched, for a straight segment (a bulge within
  // 1e-9 of 0) or one of zero length in plan.
  bool GetSegmentArc(int segment, _2dPoint& center, double& radius, double& startAngle,
                     double& sweep) const;

  void Scale(double f) override;
  void Move(const _3dVector& offset) override;
  // The box of the vertices and of the arcs of bulged segments (with the
  // arcs' quadrant points within their sweep) and of the constant width: a
  // straight segment is a band with square ends at its vertices (half the
  // width across it, nothing along it), an arc is widened by half the width
  // all round.  z spans the vertices' z.
  Extents GetExtents() const override;
  boost::shared_ptr<Entity> Clone() const override;
  void Accept(EntityVisitor& visitor) const override;
  void Serialize(Archive& ar) override;

 private:
  std::vector<_3dPoint> m_vertices;
  std::vector<double> m_bulges;
  bool m_closed = false;
  double m_width = 0.0;
};

class _3dPolyline : public Entity {
  DECLARE_VEK_SERIAL(_3dPolyline)
 public:
  _3dPolyline() = default;
  explicit _3dPolyline(const std::vector<_3dPoint>& vertices, bool closed = false)
      : m_vertices(vertices), m_closed(closed) {}

  const std::vector<_3dPoint>& GetVertices() const { return m_vertices; }
  void SetVertices(const std::vector<_3dPoint>& vertices) { m_vertices = vertices; }
  int VerNums() const { return static_cast<int>(m_vertices.size()); }
  bool IsClosed() const { return m_closed; }
  void SetClosed(bool closed) { m_closed = closed; }
  double GetLength() const;

  void Scale(double f) override;
  void Move(const _3dVector& offset) override;
  Extents GetExtents() const override;
  boost::shared_ptr<Entity> Clone() const override;
  void Accept(EntityVisitor& visitor) const override;
  void Serialize(Archive& ar) override;

 private:
  std::vector<_3dPoint> m_vertices;
  bool m_closed = false;
};

// A circle with centre, radius and the normal of its plane (default +z; the
// normal need not be a unit vector, and a zero normal is taken as +z).  Its
// box is exact: centre ± radius × sqrt(1 - n_i²) on each axis i for the unit
// normal n.
class _3dCircle : public Entity {
  DECLARE_VEK_SERIAL(_3dCircle)
 public:
  _3dCircle() = default;
  _3dCircle(const _3dPoint& center, double radius, const _3dVector& normal = _3dVector(0, 0, 1))
      : m_center(center), m_radius(radius), m_normal(normal) {}

  const _3dPoint& GetCenter() const { return m_center; }
  double GetRadius() const { return m_radius; }
  const _3dVector& GetNormal() const { return m_normal; }
  void SetCenter(const _3dPoint& c) { m_center = c; }
  void SetRadius(double r) { m_radius = r; }
  void SetNormal(const _3dVector& n) { m_normal = n; }

  void Scale(double f) override;
  void Move(const _3dVector& offset) override;
  Extents GetExtents() const override;
  boost::shared_ptr<Entity> Clone() const override;
  void Accept(EntityVisitor& visitor) const override;
  void Serialize(Archive& ar) override;

 private:
  _3dPoint m_center;
  double m_radius = 0.0;
  _3dVector m_normal{0, 0, 1};
};

// An extruded solid: a closed profile (a loop of 3D lines, or one circle)
// extruded along the normal of the profile's plane by half the height to each
// side of that plane, less the cutters added as holes.
//
// The solid owns its holes: AddHole keeps a deep copy of the cutter, and
// copies and clones of the solid copy its holes too, so that moving or
// scaling one solid never moves a cutter of another (one cutter may cut
// several solids).  Holes may carry holes of their own, up to
// kMaxHoleNesting levels; the extents are those of the uncut solid.
class _3dExtrudant : public Entity {
  DECLARE_VEK_SERIAL(_3dExtrudant)
 public:
  static constexpr int kMaxHoleNesting = 32;

  _3dExtrudant() = default;
  _3dExtrudant(const _3dExtrudant& o);
  _3dExtrudant& operator=(const _3dExtrudant& o);

  // A loop of lines, end to end (replaces a circle profile).
  void SetProfile(const std::vector<_3dLine>& loop);
  // One circle (replaces a loop of lines).
  void SetProfile(const _3dCircle& circle);
  const std::vector<_3dLine>& GetProfileLines() const { return m_lines; }
  // The circle profile, or nullptr when the profile is a loop of lines.
  const _3dCircle* GetProfileCircle() const { return m_hasCircle ? &m_circle : nullptr; }
  double GetHeight() const { return m_height; }
  void SetHeight(double height) { m_height = height; }
  // The unit normal of the profile's plane: the circle's normal, or the
  // normal of the loop by Newell's rule (so a counter-clockwise loop seen
  // from +z gives +z); +z for an empty or degenerate profile.
  _3dVector GetNormal() const;
  // Adds a deep copy of the cutter; a null cutter, or one nested deeper
  // than kMaxHoleNesting, throws std::invalid_argument.
  void AddHole(const boost::shared_ptr<_3dExtrudant>& cutter);
  const std::vector<boost::shared_ptr<_3dExtrudant>>& GetHoles() const { return m_holes; }

  // Scales the profile, the height and the holes.
  void Scale(double f) override;
  // Moves the profile and the holes.
  void Move(const _3dVector& offset) override;
  // The box of the profile swept half the height to each side along the
  // normal (the holes only take material away, so they do not count).
  Extents GetExtents() const override;
  boost::shared_ptr<Entity> Clone() const override;
  void Accept(EntityVisitor& visitor) const override;
  // Files the profile lines (count-prefixed), the circle flag and, when set,
  // the circle, the height, and the holes in place (count-prefixed).
  void Serialize(Archive& ar) override;

 private:
  // Levels of holes below this solid (0 without holes).
  int HoleNesting() const;

  std::vector<_3dLine> m_lines;
  _3dCircle m_circle;
  bool m_hasCircle = false;
  double m_height = 0.0;
  std::vector<boost::shared_ptr<_3dExtrudant>> m_holes;
};

// A single-line text.  The position is the insertion point of the text's
// alignment (left of the base line by default); the width is the absolute
// character width (for example 0.7 × height), not a factor.  Texts are UTF-8
// and may hold "%%nnn" symbol codes of the drawing standard.
class _Text : public Entity {
  DECLARE_VEK_SERIAL(_Text)
 public:
  enum HorizontalAlign { kLeft = 0, kCenter = 1, kRight = 2 };
  enum VerticalAlign { kBaseline = 0, kBottom = 1, kMiddle = 2, kTop = 3 };

  _Text() = default;
  _Text(const std::string& text, const _3dPoint& position, double height, double rotation = 0.0);

  const std::string& GetText() const { return m_text; }
  void SetText(const std::string& text) { m_text = text; }
  const _3dPoint& GetPosition() const { return m_position; }
  void SetPosition(const _3dPoint& p) { m_position = p; }
  void SetPosition(const _2dPoint& p) { m_position = _3dPoint(p); }
  double GetRotation() const { return m_rotation; }
  void SetRotation(double radians) { m_rotation = radians; }
  const _3dVector& GetNormal() const { return m_normal; }
  void SetNormal(const _3dVector& n) { m_normal = n; }
  double GetHeight() const { return m_height; }
  void SetHeight(double h) { m_height = h; }
  // Absolute character width; 0 means the style's (0.7 × height).
  double GetWidth() const { return m_width; }
  void SetWidth(double w) { m_width = w; }
  // Width factor as a CAD program needs it (width / height, 1 when unset).
  double GetWidthFactor() const;
  int GetTextStyle() const { return m_style; }
  void SetTextStyle(int style) { m_style = style; }
  // Text style name for export ("Standard" unless set).
  const std::string& GetStyleName() const { return m_styleName; }
  void SetStyleName(const std::string& name) { m_styleName = name; }
  HorizontalAlign GetHorizontalAlign() const { return m_hAlign; }
  VerticalAlign GetVerticalAlign() const { return m_vAlign; }
  void SetAlignment(HorizontalAlign h, VerticalAlign v) { m_hAlign = h; m_vAlign = v; }

  void Scale(double f) override;
  void Move(const _3dVector& offset) override;
  // An estimate of the text box, for layout where no CAD program measures
  // the text: every displayed character (a UTF-8 character; a symbol code
  // "%%nnn", "%%c", "%%d", "%%p" or "%%%" counts as one) is one character
  // width wide (0.7 × height when the width is unset), the box is as high as
  // the text height above the base line, placed by the alignment (a bottom
  // alignment is taken as the base line), turned by the rotation about the
  // insertion point in the plane of the normal.  The text's x direction in
  // that plane follows the CAD arbitrary-axis rule, so the normal (0, 0, 1)
  // gives the plain xy plane.
  Extents GetExtents() const override;
  boost::shared_ptr<Entity> Clone() const override;
  void Accept(EntityVisitor& visitor) const override;
  void Serialize(Archive& ar) override;

 private:
  std::string m_text;
  _3dPoint m_position;
  double m_rotation = 0.0;
  _3dVector m_normal{0, 0, 1};
  double m_height = 2.5;
  double m_width = 0.0;
  int m_style = 0;
  std::string m_styleName = "Standard";
  HorizontalAlign m_hAlign = kLeft;
  VerticalAlign m_vAlign = kBaseline;
};

// An aligned dimension between two points, its dimension line through a
// third point.  An empty text shows the measured length.
class _2dAlignedDimension : public Entity {
  DECLARE_VEK_SERIAL(_2dAlignedDimension)
 public:
  _2dAlignedDimension() = default;
  _2dAlignedDimension(const _2dPoint& p1, const _2dPoint& p2, const _2dPoint& linePoint,
                      int categoryStyle = 0, int dimensionStyle = 0);

  const _2dPoint& GetFirstPoint() const { return m_p1; }
  const _2dPoint& GetSecondPoint() const { return m_p2; }
  const _2dPoint& GetLinePoint() const { return m_line; }
  int GetCategoryStyle() const { return m_categoryStyle; }
  int GetDimensionStyle() const { return m_dimensionStyle; }
  void SetDimensionStyleName(const std::string& name) { m_styleName = name; }
  const std::string& GetDimensionStyleName() const { return m_styleName; }
  const std::string& GetText() const { return m_text; }
  void SetText(const std::string& text) { m_text = text; }
  // Text height and arrow size in drawing units.
  double GetTextHeight() const { return m_textHeight; }
  void SetTextHeight(double h) { m_textHeight = h; }
  double GetArrowSize() const { return m_arrowSize; }
  void SetArrowSize(double s) { m_arrowSize = s; }
  // The model length the dimension measures: the distance between the two
  // points divided by the scale applied since construction, so that a
  // dimension scaled onto a drawing still measures model millimetres.
  double GetMeasurement() const;
  // Product of the factors of every Scale since construction (1 for a new
  // dimension): the linear factor an exporter gives the CAD dimension.
  double GetMeasureScale() const { return m_measureScale; }
  // The text shown: the set text, or the measurement rounded to a whole
  // number ("6000").
  std::string GetDisplayText() const;

  void Scale(double f) override;
  void Move(const _3dVector& offset) override;
  // The box of the two measured points, the line point and the two ends of
  // the dimension line (text and arrows are not included).
  Extents GetExtents() const override;
  boost::shared_ptr<Entity> Clone() const override;
  void Accept(EntityVisitor& visitor) const override;
  void Serialize(Archive& ar) override;

 private:
  _2dPoint m_p1, m_p2, m_line;
  int m_categoryStyle = 0;
  int m_dimensionStyle = 0;
  std::string m_styleName = "Standard";
  std::string m_text;
  double m_textHeight = 2.5;
  double m_arrowSize = 2.5;
  // Scale applied since construction, so that a scaled dimension still shows
  // the model length it measures.
  double m_measureScale = 1.0;
};

// The bar-mark bubble: a circle of the given diameter around the centre with
// the mark number inside, its text turned by the angle.
class Ordinal : public Entity {
  DECLARE_VEK_SERIAL(Ordinal)
 public:
  Ordinal() = default;
  Ordinal(int number, const _2dPoint& center, double angle, double diameter);

  int GetNumber() const { return m_number; }
  void SetNumber(int number) { m_number = number; }
  const _2dPoint& GetCenter() const { return m_center; }
  double GetAngle() const { return m_angle; }
  double GetDiameter() const { return m_diameter; }

  // Scales the centre and the diameter; the angle stays.
  void Scale(double f) override;
  void Move(const _3dVector& offset) override;
  // The bubble's square: centre ± diameter / 2.
  Extents GetExtents() const override;
  boost::shared_ptr<Entity> Clone() const override;
  void Accept(EntityVisitor& visitor) const override;
  void Serialize(Archive& ar) override;

 private:
  int m_number = 0;
  _2dPoint m_center;
  double m_angle = 0.0;
  double m_diameter = 0.0;
};

// Visits the concrete entity classes, for exporters and the view board.
// Entities of the module (drawn bars) are visited through the kernel entities
// they are made of.
class EntityVisitor {
 public:
  virtual ~EntityVisitor() = default;
  virtual void Visit(const _2dLine&) {}
  virtual void Visit(const _3dLine&) {}
  virtual void Visit(const _2dArc&) {}
  virtual void Visit(const _2dPolyline&) {}
  virtual void Visit(const _3dPolyline&) {}
  virtual void Visit(const _3dCircle&) {}
  virtual void Visit(const _3dExtrudant&) {}
  virtual void Visit(const _Text&) {}
  virtual void Visit(const _2dAlignedDimension&) {}
  virtual void Visit(const Ordinal&) {}
};

// The box of a list of entities: the first entity's box widened by each
// further one; an empty list gives an empty (default) box.  Null entries and
// entities without geometry add nothing.
Extents GetEntitiesExtents(const EntityList& entities);
inline Extents GetEntitiesExtent(const EntityList& entities) { return GetEntitiesExtents(entities); }
