// The two table drawings: the rebar schedule (ReinTableView) and the
// material quantity table (ReinAmountView).
//
// Both keep their entities in lists of their own and never register them
// with the view framework: the kind-mask operations of the framework do not
// see them, and only Clear takes them off the drawing (destroying the view
// leaves them).  They file those lists with the design (WriteOwnRecord), so
// a reopened design can still clear, pick and export its tables.
//
// A table is drawn with its top-left corner at the origin and then placed:
// at a given point its own geometry is moved there before it reaches the
// drawing; otherwise the user drags it and the geometry follows the drag.
// Either way the entities themselves stand where the drawing shows them, so
// that a text rewritten later and the design file read back keep the place.
//
// Texts stand at the centre of their cell, aligned middle-centre.
#pragma once

#include "view/BoardReinZoneCollector.h"
#include "view/DrawingRoutines.h"
#include "view/ReinScheduleAccess.h"
#include "views/DrawingViews.h"
#include "views/TableData.h"
#include "views/TableLayout.h"

#include <boost/shared_ptr.hpp>

#include <string>
#include <vector>

// The common body of the two tables: Draw takes the zone collection and
// hands it to DrawTables; the entity list, its placing, showing, extent and
// filing; the redraw after a rebar edit.
class TankTableView : public DrawingView, public ReinTableRedraw {
 public:
  TankTableView(AcadViewBoard* board, const ViewSettings& settings, const ViewVolumn& volume)
      : DrawingView(board, settings, volume) {}

  // The scale and the settings are not used.
  bool Draw(Tank& tank, double scale, const ViewSettings& settings, bool atPoint, _3dPoint point) override;
  virtual void DrawTables(Tank& tank, TankReinZones& zones, bool atPoint, _3dPoint point) = 0;
  // Takes every table entity off the drawing and empties the records.
  virtual void Clear() = 0;

  void HideAllEntities() override;
  void ShowAllEntities() override;
  // The drawn box of the header, grid and title entities (m_entities); the
  // mask is ignored.
  Extents GetExtent(int mask) const override;
  void ListOwnEntities(EntityList& out) const override;
  void WriteOwnRecord(Archive& ar, const ObjectList& modelObjects, EntityList& running) const override;
  void ReadOwnRecord(Archive& ar, const ObjectList& modelObjects, EntityList& running) override;
  // The tables drawn again from the tank, their first table where it stood
  // (the view keeps its preparation and scale value); a cleared view stays
  // empty.
  void RedrawAfterReinEdit(Tank& tank) override;

  const EntityList& GetTableEntities() const { return m_entities; }
  // Where the (first) table was put: the given point, the point the user
  // dragged the origin to, or the origin; filed with the view, so that a
  // redraw can put the tables where they stood.
  const _3dPoint& GetInsertPoint() const { return m_insertPoint; }

 protected:
  // Puts one table, drawn at the origin, on the drawing: moved to the point,
  // or dragged by the user from the origin (a cancel leaves it at the
  // origin).
  void PlaceTable(const EntityList& entities, bool atPoint, const _3dPoint& point);
  // A table text: height h, character width 0.7 h, the style of a text
  // kind, the text layer, centred on `at`.
  static boost::shared_ptr<_Text> MakeCellText(const std::string& text, const _3dPoint& at, double height,
                                               int textKind = 0);
  static boost::shared_ptr<_3dLine> MakeGridLine(double x0, double y0, double x1, double y1);
  // Filing of the records beyond the entity lists (the schedule's rows).
  virtual void WriteRows(Archive&, const ObjectList&, const EntityList&) const {}
  virtual void ReadRows(Archive&, const ObjectList&, const EntityList&) {}

  EntityList m_entities;
  _3dPoint m_insertPoint{0.0, 0.0, 0.0};
  bool m_placed = false;
};

// One drawn entity of a schedule row with its column tag and zone.
struct ScheduleCell {
  EntityExtent extent;
  ReinZonePtr zone;
};

// The rebar schedule: one row per mark (its first zone) with the mark, a
// sketch of the bar with its segment lengths, diameter, spacing ("-" for
// bars laid by count), bar length, count and total length; one table for
// the whole tank ("水池钢筋表") or three side by side (top slab, bottom slab,
// walls with supports).  Every row entity remembers its zone and column
// (1 to 7; the sketch and its lengths 2).  The rebar edits read the rows
// through ReinScheduleAccess.
class ReinTableView : public TankTableView, public ReinScheduleAccess {
 public:
  ReinTableView(AcadViewBoard* board, const ViewSettings& settings, const ViewVolumn& volume)
      : TankTableView(board, settings, volume) {}

  void DrawTables(Tank& tank, TankReinZones& zones, bool atPoint, _3dPoint point) override;
  // One table of the part mask at the origin: its row cells and its other
  // entities are appended.  The second form takes the tank's mark totals
  // and far-face zones, made once for all the tables of a drawing.
  void DrawSchedule(Tank& tank, TankReinZones& zones, int parts, std::vector<ScheduleCell>& cells,
                    EntityList& entities);
  void DrawSchedule(const TankReinZones& zones, int parts, const MarkTotals& totals, const ZoneBoardMap& farZones,
                    std::vector<ScheduleCell>& cells, EntityList& entities);
  // Turns the sketch by π about its box centre for a zone of `farZones`, and
  // moves that centre onto the target.
  static void PlaceBarSketch(const ZoneBoardMap& farZones, const ReinZonePtr& zone, _2dPolyline& sketch,
                             const _3dPoint& target);
  // The zones on the faces (and edges) of the boards looking away from the
  // view, as the bar sketches turn them.
  ZoneBoardMap CollectFarZones(Tank& tank) const;

  void Clear() override;
  // The column tag of a schedule entity; false for an entity of no row.
  bool GetEntityColumn(const EntityPtr& entity, int& column) const;
  bool GetPickedColumn(const EntityHandle& picked, int& column) const;
  // (zone, row entities) per row, in row order.
  void ListObjectEntities(ObjectEntityPairs& out) const;
  bool GetEntityOwner(const EntityPtr& entity, ObjectPtr& owner) const override;
  bool GetEntityOwners(const EntityPtr&, ObjectList&) const override { return false; }
  // Appends the row entities of the zone; true when the list is not empty
  // afterwards.
  bool GetObjectEntities(const ObjectPtr& object, EntityList& entities) const override;

  // ReinScheduleAccess: the three answers above.
  bool GetScheduleColumn(const EntityPtr& entity, int* column) const override {
    return column && GetEntityColumn(entity, *column);
  }
  bool GetPickedScheduleColumn(const EntityHandle& picked, int* column) const override {
    return column && GetPickedColumn(picked, *column);
  }
  void ListScheduleRows(ObjectEntityPairs& out) const override { ListObjectEntities(out); }

  // The zones of the rows, in row order.
  std::vector<ReinZonePtr> GetRowZones() const;
  // The row entities of a zone (empty for a zone without a row).
  std::vector<EntityExtent> GetRowEntities(const ReinZonePtr& zone) const;
  // The row entities in row order, then the header, grid and title.
  void ListOwnEntities(EntityList& out) const override;

 protected:
  void WriteRows(Archive& ar, const ObjectList& modelObjects, const EntityList& own) const override;
  void ReadRows(Archive& ar, const ObjectList& modelObjects, const EntityList& own) override;

 private:
  // Files the cells: rows keyed by their zone, cells keyed by their entity;
  // a present key keeps its entry.
  void FileCells(const std::vector<ScheduleCell>& cells);

  SequenceMap<ReinZonePtr, std::vector<EntityExtent>> m_rowTexts;
  SequenceMap<EntityPtr, std::pair<int, ReinZonePtr>> m_textOwners;
};

// The bar sketch of a schedule row: the bar laid flat in the drawing plane,
// each segment keeping its length and each vertex its angle, fitted to
// `size` (the sketch is left empty for a bar of fewer than two vertices).
void MakeBarSketch(const AcadViewBoard& board, double size, const _2dPolyline& bar, _2dPolyline& sketch);
// The segment-length texts of a placed sketch: per straight segment the
// true length of the bar's segment (truncated), centred 2.3u off the
// segment's middle, reading from left to right or upwards.  Bulged segments
// get none; a bar of bulged segments only (a ring) gets one, its diameter.
std::vector<boost::shared_ptr<_Text>> DrawSegmentLengths(const _2dPolyline& sketch, const _2dPolyline& bar, double u);

// A concrete column of the material table: grade and volume (m³).
struct ConcreteColumn {
  std::string grade;
  double volume = 0.0;
};

// The material quantity table ("材料用量"): per grade and diameter the bar
// length (m) and weight (kg), one weight total per grade, and the concrete
// per grade; one table for the whole tank or three side by side.  The
// preparation (grade substitution, concrete grades and volumes) comes from
// the drawing command (Prepare) before Draw.
class ReinAmountView : public TankTableView {
 public:
  ReinAmountView(AcadViewBoard* board, const ViewSettings& settings, const ViewVolumn& volume)
      : TankTableView(board, settings, volume) {}

  // The preparation steps of the drawing command, in their order; an
  // earlier preparation is dropped.
  void Prepare(ProjectSettings& settings, Tank& tank);
  bool ReadGradeSubstitution(ProjectSettings& settings, int& diameter);
  void SetSubstitutionDiameter(int diameter) { m_substituteDiameter = diameter; }
  int GetSubstitutionDiameter() const { return m_substituteDiameter; }
  std::string GetConcreteGrade(ProjectSettings& settings, int part);
  void RecordPartGrade(const std::string& grade, int part);
  void AddConcreteGrade(const std::string& grade);
  void ComputeTopSlabConcrete(Tank& tank);
  void ComputeBottomSlabConcrete(Tank& tank);
  void ComputeWallConcrete(Tank& tank);
  // The concrete columns of a table of the part mask.
  std::vector<ConcreteColumn> GetConcreteColumns(int parts) const;

  void DrawTables(Tank& tank, TankReinZones& zones, bool atPoint, _3dPoint point) override;
  // One table (none without bars), placed; `point` moves right by 1.2 ×
  // the table's width.
  void DrawPart(const TankReinZones& zones, const MarkTotals& totals, int parts, const std::string& title,
                bool atPoint, _3dPoint& point);
  void DrawAmountTable(const std::vector<SteelSum>& sums, const std::string& title, int parts, EntityList& entities);
  void Clear() override;

 private:
  int m_substituteDiameter = -1;
  std::vector<std::string> m_concreteGrades;
  double m_topSlabConcrete = 0.0;
  double m_wallConcrete = 0.0;
  double m_bottomSlabConcrete = 0.0;
  int m_upgradeGrade = 0;
  std::string m_topSlabGrade;
  std::string m_wallGrade;
  std::string m_bottomSlabGrade;
  struct GradeParts {
    std::string grade;
    int parts = 0;
  };
  std::vector<GradeParts> m_gradeParts;
};

// The material table's figures without drawing it, as DrawMaterialTable
// prepares and draws it: per table (none for a part without bars) its steel
// per grade and diameter and its concrete columns.
struct MaterialSteelRow {
  std::string part;  // TablePartName
  std::string grade;
  int diameter = 0;
  long long lengthMm = 0;
  double weightKg = 0.0;
};
struct MaterialConcreteRow {
  std::string part;
  std::string grade;
  double volume = 0.0;  // m³
};
void ListMaterialRows(Tank& tank, ProjectSettings& settings, std::vector<MaterialSteelRow>& steel,
                      std::vector<MaterialConcreteRow>& concrete);
