// The plan sketch handed to the host for its pictures (the calculation book's
// schematics and load diagrams): the model plan drawn into a list of entity
// groups instead of onto the view board.  It draws the same walls, slabs,
// openings, loads and bottom-slab overhang outline as the model plan, by the
// same steps, in a reduced form: a plan picture (openings and names) or a
// load picture (loads); outlines by layer instead of the plan's fixed
// colours; no elevation markers, thickness labels, wall texts, wall openings
// or water levels; nothing registered and nothing put on the board.
#pragma once

#include "modelview/TankModel2DView.h"

#include <memory>
#include <string>

class PlanSketchDrawer {
 public:
  // Takes the eight layer names and the text style of the model plan; the
  // caller sets the overhang and the text height before drawing.
  PlanSketchDrawer();
  ~PlanSketchDrawer();

  // Draws the plan of the slabs of planKind (0 bottom, 1 top) as a plan
  // picture or, with showLoads, a load picture, and assigns its groups to
  // out.  A slab unit without components is skipped.
  void Draw(ModelPlanGroups& out, Tank& tank, int planKind, bool showLoads);

  // --- The steps of Draw, in its order.
  ModelPlanGroups DrawWalls(const std::vector<BoardPtr>& walls);
  ModelPlanGroups DrawSingleSlab(const BoardPtr& board, bool isBottom, Tank& tank, int n);
  ModelPlanGroups DrawSlabUnit(const UnitPtr& unit, bool isBottom, Tank& tank, int n);
  std::string GetBoardLabelText(const BoardPtr& board, bool isBottom, int n, int m, bool inUnit) const;
  // Fills text (made by the caller) with the label at the centroid of the
  // board's plan points; leaves it empty for an outline of 2 points or fewer.
  void DrawBoardLabel(const BoardPtr& board, const std::string& label, const std::string& layer,
                      _Text& text) const;
  EntityList DrawLoads(const BoardPtr& board, Tank& tank);
  EntityList DrawAreaLoad(const BoardPtr& board, const boost::shared_ptr<AreaLoad>& load, int number);
  ModelPlanGroups DrawOverhangOutline(const std::vector<BoardPtr>& slabs, double overhang, Tank& tank);

  int m_planKind = PlanKind::kBottomSlabs;
  bool m_showLoads = false;
  // Bottom-slab overhang C (mm); set by the caller.
  double m_bottomSlabOverhang = 0.0;
  std::string m_topSlabLayer;
  std::string m_bottomSlabLayer;
  std::string m_slabOpeningLayer;
  std::string m_overhangLayer;
  std::string m_wallLayer;
  std::string m_wallOpeningLayer;
  std::string m_notchLayer;
  std::string m_loadLayer;
  int m_textStyle = 0;
  // Text height, also the size unit of every load symbol; set by the caller.
  int m_textHeight = 200;

 private:
  // The model plan whose drawing steps the sketch shares, given the
  // sketch's fields.  It is never shown: what it registers stays in it and
  // goes with it.
  TankModel2DView& Plan() const;
  boost::shared_ptr<_Text> MakeText(const std::string& text, double x, double y, const std::string& layer,
                                    int color, double rotation = 0.0) const;

  std::unique_ptr<TankModel2DView> m_plan;
};
