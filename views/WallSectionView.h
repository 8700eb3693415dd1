// The wall section drawing: one section cut through the walls, drawn as the
// concrete the plane cuts within a window about the section's origin,
// closed by break lines where the drawing is cut off, with the bars of the
// cut, dimension chains, elevation marks and the title "n-n ...".
//
// Cut lines: vertical lines of the drawing pointing up (left of them is the
// smaller x); the left one bounds the window on the left, the right one on
// the right; null where the drawing is not cut on that side.
#pragma once

#include "view/DotReinEntity.h"
#include "view/LineReinEntity.h"
#include "views/DrawingViews.h"

#include <boost/shared_ptr.hpp>

#include <map>
#include <vector>

class TankWallReinSectionView : public DrawingView {
 public:
  TankWallReinSectionView(AcadViewBoard* board, const ViewSettings& settings, const ViewVolumn& volume)
      : DrawingView(board, settings, volume) {}

  void SetSection(const boost::shared_ptr<Section>& section) { m_spSection = section; }
  boost::shared_ptr<Section> GetSection() const { return m_spSection; }
  void SetFoundationLevel(double level) { m_foundationLevel = level; }
  double GetFoundationLevel() const { return m_foundationLevel; }
  boost::shared_ptr<_2dLine> GetLeftCut() const { return m_spLeftCut; }
  boost::shared_ptr<_2dLine> GetRightCut() const { return m_spRightCut; }

  // Cuts the boards, limits the drawing to the window with break lines and
  // places it: with givenPoint its upper left corner (as it will stand once
  // the unsupported top slabs are erased, break lines left out) goes to the
  // point; otherwise the user drags its lower left corner, and a cancel
  // erases the drawing and gives false.  std::runtime_error saying so when
  // the cut outline of the slabs does not join up from the left end of the
  // section to the right end (the line under the slabs cannot be drawn).
  bool Draw(Tank& tank, double scale, const ViewSettings& settings, bool givenPoint, _3dPoint point) override;
  // Dimension chains on the four sides and elevation marks, kind 0x4000 and
  // 0x20000, under no model object.
  void DrawDimensions(Tank& tank) override;
  // "n-n " and the section drawing's title under the drawing, kind
  // 0x2000000, replacing an earlier title.
  void DrawTitle(const DetailingSettings& detailing) override;
  // The view's geometry, the cut line copies and the cut lines move by the
  // placement.
  void TransformEntities() override;
  // The bars of the cut: drawn bars for the bars in the plane, rows of dots
  // for the bars it cuts, with their range dimensions; bars and rows beyond
  // the cut lines dropped, bars across them trimmed.
  virtual void DrawSectionRein(Tank& tank, const ViewSettings& settings, double passThrough);
  // Once the cut lines stand, a zone whose bars all lie more than 10 units
  // beyond one of them is left out: nothing of it would stay in the window.
  bool ZoneMayShow(const ReinZonePtr& zone) const override;

  // The extent the drawing is placed by: everything but the break lines and
  // the unsupported top slabs.
  Extents GetPlacementExtent(Tank& tank) const;
  // The entities of the top slabs no wall of the drawing carries, and of
  // the objects related to those slabs.  Never throws.
  EntityList CollectUnsupportedSlabEntities(Tank& tank) const;

  // --- Cut ends and break lines.
  // Limits the drawing list to the window (the view volume's first bound ×
  // f on either side of the origin): a side where the drawing reaches
  // beyond it gets a cut line, pushed outward past what crosses it, and the
  // drawing is clipped there.  Returns the break lines, the right one first.
  std::vector<boost::shared_ptr<_2dPolyline>> DrawCutEnds(Tank* tank, const ViewSettings* settings,
                                                         EntityList& drawing, double f);
  // Moves a cut line (side 0 left, 1 right) outward: 3 units beyond the
  // outer end of a haunch line or probed bar crossing it, else 3 units clear
  // of the nearest wall outline end inside the window; then out to the end
  // of the underside line where the bottom slab allows.
  void AdjustCutLine(Tank* tank, const ViewSettings* settings, _2dLine& cut, int side);
  void CollectCutOutlineLines(std::vector<_2dLine>& haunchLines, std::vector<_2dLine>& bottomSlabLines,
                              std::vector<_2dLine>& cutLines) const;
  // The bar polylines of the haunch bars the section will show (not
  // registered); built once per drawing, both cut lines use them.
  void ProbeSectionBars(std::vector<boost::shared_ptr<_2dPolyline>>& bars, Tank* tank, const ViewSettings* settings);
  // The boards the section plane meets: only their zones can show bars.
  std::vector<boost::shared_ptr<StructureComponent>> BoardsOnSectionPlane(Tank& tank) const;
  // Drops the entities wholly outside the cut (left of it with keepRight)
  // and shortens the lines across it to it; true when anything changed.
  bool ClipAtCutLine(EntityList& drawing, _2dLine cut, bool keepRight);
  // Removes the entity from the registries (not from the board).
  void UnregisterEntity(const EntityPtr& entity);
  // Fits each break line to the ends of the non-wall outline lines lying on
  // it, 2 units beyond the outermost, once the unsupported slabs are gone.
  void DrawSectionOutline();

  // --- The bars of the section (parallel lists of zones and their bars or
  // dot rows).
  using BarGroups = std::vector<std::vector<LineReinPtr>>;
  using DotRows = std::vector<DotReinPtr>;
  // Slides the ends of the bottom slab and haunch bars that lie beyond the
  // outermost wall lines onto the crossing of their end segments; any bar
  // too short for its hook leaves every bar as it was.
  void JoinBarEndsBeyondWalls(Tank& tank, std::vector<ReinZonePtr> zones, BarGroups groups);
  // Drops the bars and dot rows that lie beyond the cut lines (a haunch bar
  // across a cut line too; dot rows unless wholly inside the window), with
  // their zone entries when a group empties.
  void DropRebarOutsideCuts(BarGroups& groups, DotRows& dots1, DotRows& dots2, std::vector<ReinZonePtr>& zones,
                            std::vector<ReinZonePtr>& dotZones1, std::vector<ReinZonePtr>& dotZones2) const;
  // Trims the bars across the cut lines to the window; the zone of each
  // trimmed bar, once per cut.
  std::vector<ReinZonePtr> TrimBarsAtCuts(const std::vector<ReinZonePtr>& zones, const BarGroups& groups) const;

 private:
  std::vector<boost::shared_ptr<_2dLine>> m_cutOutlineLines;
  std::vector<_2dLine> m_cutExtraLines;
  std::vector<_2dLine> m_cutBoardLines;
  boost::shared_ptr<Section> m_spSection;
  double m_foundationLevel = 0.0;
  boost::shared_ptr<_2dLine> m_spLeftCut;
  boost::shared_ptr<_2dLine> m_spRightCut;
  std::vector<boost::shared_ptr<_2dPolyline>> m_probedBars;
  bool m_barsProbed = false;
  // While the haunch bars are probed only the line bars are wanted.
  bool m_probing = false;
  // The boards the plane meets, found once per drawing.
  std::vector<boost::shared_ptr<StructureComponent>> m_planeBoards;
  bool m_planeBoardsFound = false;
  const std::vector<boost::shared_ptr<StructureComponent>>& PlaneBoards(Tank& tank);
  // Copies of the cut's outline lines, for the bar constructions to lay
  // their bars beside.
  std::vector<boost::shared_ptr<_2dLine>> CutOutlineCopies() const;
  // The drawing x of the outer faces of the outermost walls the plane cuts,
  // taken before the window clips the cut (moved with the placement).
  bool m_outerWallsFound = false;
  double m_outerWallLeftX = 0.0;
  double m_outerWallRightX = 0.0;
  // Finds them from the wall outline lines of the whole cut.
  void FindOuterWalls(Tank& tank);
};

// Point tests of drawn bars and dot rows against a directed line: no point
// right of it, or points on both sides.
bool IsBarWhollyLeftOfLine(const LineReinEntity& bar, const _2dLine& line);
bool DoesBarStraddleLine(const LineReinEntity& bar, const _2dLine& line);
bool AreDotsWhollyLeftOfLine(const DotReinEntity& row, const _2dLine& line);
bool DoDotsStraddleLine(const DotReinEntity& row, const _2dLine& line);
// For every board face with exactly two zones, each zone to the other.
std::map<ReinZonePtr, ReinZonePtr> PairedFaceZones(const Tank& tank);

// The walk from start along the lines, end to end, reaches the outermost
// point of the lines (largest x for side 1, smallest for side 0) without
// turning back in x.
bool ChainReachesOuterEnd(_2dPoint start, int side, std::vector<boost::shared_ptr<_2dLine>> lines);
// Moves the cut line onto the outermost end of the lines (largest x for
// side 1, smallest for side 0) when that end lies outside it.
void PushCutBeyondLines(const std::vector<_2dLine>& lines, int side, _2dLine& cut);
// The line's other end: its end when its start is the point, else its start.
_2dPoint GetOtherLineEnd(const _2dPoint& point, const _2dLine& line);
