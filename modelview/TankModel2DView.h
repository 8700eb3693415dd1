// TankModel2DView: the plan of the structural model shown in the modelling
// view after every model edit.  It draws the walls (one wall line per base
// line, with axis line, outline, openings, notches and names or wall texts),
// the slabs of one level (bottom or top slabs, single slabs and slab units
// with their outlines, openings and labels), in label mode 4 the loads and
// water levels, and on the bottom-slab plan the outline of the slab overhang
// beyond the walls.  Edge restraints are not drawn.
//
// Every drawing step registers what it draws in the view's registry with
// kind 0x2000 (wall axis lines 0x20000000) and hands nothing to the view
// board; Redraw alone puts the entities on the board.
#pragma once

#include "view/TankView.h"

#include <boost/shared_ptr.hpp>

#include <string>
#include <vector>

// The plan's entity groups: every entity of every group goes to the board.
using ModelPlanGroups = std::vector<EntityList>;

// Which slabs the plan shows (m_planKind).
namespace PlanKind {
constexpr int kBottomSlabs = 0;
constexpr int kTopSlabs = 1;
}  // namespace PlanKind

// What the labels of slabs and walls show (m_labelMode).  Any value not
// listed shows the slab names (single slabs only) and the wall names.
namespace LabelMode {
constexpr int kNames = 0;
constexpr int kElevations = 2;
constexpr int kNamesWithLoads = 4;
constexpr int kThicknesses = 5;
constexpr int kWallTexts = 6;
}  // namespace LabelMode

// Kind bits of the model plan.
constexpr int kKindModelView = 0x2000;
constexpr int kKindWallAxis = 0x20000000;

class TankModel2DView : public TankView, public VekObject {
 public:
  explicit TankModel2DView(AcadViewBoard* board);
  ~TankModel2DView() override;

  // Files the view's own values: the overhang, the eight layer names, the
  // text style, the text height, the zoom flag, the plan kind and the label
  // mode.  The registry is filed by the designer's view filer.
  void Serialize(Archive& ar) override;

  // Builds the plan of the tank and puts it on the view board; zooms to it
  // when m_zoomOnRedraw is set and the plan is not empty.
  void Redraw(Tank& tank);
  // The plan's entity groups, every entity registered in the view.
  ModelPlanGroups BuildPlanEntities(Tank& tank);
  // Appends the CAD handles of the view's entities (not cleared first).
  void CollectSelectedEntities(EntityHandleList& out) const;

  // --- Slabs.
  ModelPlanGroups DrawSingleSlab(const BoardPtr& board, bool isBottom, Tank& tank, int n);
  ModelPlanGroups DrawSlabUnit(const UnitPtr& unit, bool isBottom, Tank& tank, int n);
  bool DrawBoardOutline(const BoardPtr& board, _2dPolyline& polyline, const std::string& layer) const;
  void DrawSlabOpenings(const BoardPtr& board, EntityList& out) const;
  void DrawUnitOutline(const std::vector<std::vector<_3dPoint>>& outlines, const std::string& text,
                       const std::string& layer, EntityList& out) const;

  // --- Slab labels.
  std::string GetBoardLabelText(const BoardPtr& board, bool isBottom, int n, int m, bool inUnit) const;
  void GetBoardElevationText(const BoardPtr& board, std::string& out) const;
  bool DrawBoardLabel(const BoardPtr& board, const std::string& text, const std::string& layer,
                      EntityList& out) const;
  EntityList DrawElevationMarker(const _2dPoint& anchor, const std::string& text, const std::string& layer,
                                 bool right) const;
  bool PlaceLabelText(const std::vector<_2dPoint>& polygon, const std::string& text, const std::string& layer,
                      _Text& text_out) const;

  // --- Walls.
  ModelPlanGroups DrawWalls(const std::vector<BoardPtr>& walls);
  static bool GetWallBaseLine(const BoardPtr& wall, _2dLine& line);
  static bool FindCoincidentLine(const _2dLine& line, const std::vector<_2dLine>& lines, int& index);
  static void GetBoardZRange(const ObjectPtr& object, double& zmin, double& zmax);
  void DrawWallLabel(const BoardPtr& wall, const std::vector<int>& numbers, EntityList& out) const;
  void DrawWallTexts(const BoardPtr& wall, double upper, double lower, double height, EntityList& out) const;
  void DrawWallOpenings(const BoardPtr& wall, EntityList& out) const;

  // --- Loads and water level.
  EntityList DrawLoads(const BoardPtr& board);
  EntityList DrawPointLoad(const boost::shared_ptr<PointLoad>& load, int n);
  EntityList DrawLineLoad(const boost::shared_ptr<LineLoad>& load, int n);
  EntityList DrawAreaLoad(const BoardPtr& board, const boost::shared_ptr<AreaLoad>& load, int n);
  EntityPtr DrawWaterLevel(const BoardPtr& board, Tank& tank) const;
  static bool FindCellOfBoard(const BoardPtr& board, Tank& tank, TankCellPtr& cell);

  // --- Bottom-slab overhang outline.
  ModelPlanGroups DrawOverhangOutline(const std::vector<BoardPtr>& slabs, double overhang, Tank& tank);
  static void CollectOverhangEdges(const BoardPtr& slab, std::vector<_2dLine>& lines,
                                   std::vector<double>& wallOffsets, Tank& tank);

  // Display fields, written by the designer between construction and redraw.
  int m_planKind = PlanKind::kBottomSlabs;
  int m_labelMode = LabelMode::kNames;
  double m_bottomSlabOverhang = 0.0;
  std::string m_topSlabLayer;
  std::string m_bottomSlabLayer;
  std::string m_slabOpeningLayer;
  std::string m_overhangLayer;
  std::string m_wallLayer;
  std::string m_wallOpeningLayer;
  std::string m_notchLayer;
  std::string m_loadLayer;
  // Text style id of text kind 0 (the view board's style table).
  int m_textStyle = 0;
  int m_textHeight = 200;
  bool m_zoomOnRedraw = false;

  // A text of the plan: height and width u, the view's style, the layer.
  boost::shared_ptr<_Text> MakeText(const std::string& text, const _3dPoint& position, const std::string& layer,
                                    int color, double rotation = 0.0) const;

 private:
  // Registers a batch under one owner with one kind for every entity.
  void Register(const EntityList& entities, const ObjectPtr& owner, int kind);
};

// The walls of a plan grouped by base line: walls whose base lines coincide
// (in either orientation) share a line.  Per line: the walls on it (indices
// into the wall list, in order), the upper and lower offsets and the start
// and end codes of its first wall, its axis line (extended 500 mm beyond both
// ends, on the axis layer) and its outline entities.
struct WallLines {
  std::vector<_2dLine> baseLines;
  std::vector<std::vector<int>> members;
  std::vector<std::pair<double, double>> offsets;
  std::vector<std::pair<int, int>> codes;
  std::vector<EntityPtr> axes;
  std::vector<EntityList> outlines;
};
WallLines GroupWallLines(const std::vector<BoardPtr>& walls);

// The slab units a plan of the kind shows (bottom slabs or top slabs), in
// the tank's unit order, each with its first board.
std::vector<std::pair<UnitPtr, BoardPtr>> ShownSlabUnits(const Tank& tank, int planKind);
// Plan (x, y) of points.
std::vector<_2dPoint> PlanOf(const std::vector<_3dPoint>& pts);
// Plan centroid of the points; the first point when the centroid cannot be
// formed.  False for an empty list.
bool CentroidOrFirst(const std::vector<_2dPoint>& pts, _2dPoint& c);
// A load value as the plans show it: a whole number, rounded half away from zero.
std::string LoadValueText(double v);

// Moves every side of the polygon to its right by its own offset and
// appends the corners of the moved polygon (parallel consecutive sides meet
// by a step unless collinear).  Fewer offsets than sides: std::out_of_range.
void OffsetPolygon(std::vector<_2dPoint> pts, std::vector<double> offsets, std::vector<_2dPoint>& out);
