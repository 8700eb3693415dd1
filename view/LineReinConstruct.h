// The line bar construction: turns one rebar zone into the drawn bars of a
// reinforcement drawing.  A drawing builds one object per group of zones and
// applies it, zone by zone, to the group's (zone, boards) pairs and their
// label options; each application returns the zone's drawn bars.  Nothing
// is registered or shown here.
//
// Construction modes: 0 far-face slab bars, 1 near-face slab bars (one
// straight bar spanning the zone's representative bars, with the hooks of
// its face), 2 wall bars (plan and section), 3 hole detail bars (one drawn
// bar per structural bar, through MakeBarEntity).  Modes 0 and 1 are built
// here, mode 2 in WallLineRein.cpp; any other mode gives an empty list.
//
// A wall zone (mode 2) gives one drawn bar per representative bar, each
// segment laid beside the face line of the board (or haunch) it runs along,
// inside the concrete, hooks turned into the concrete, and a leader label
// crossing the face line.  Its failures reach the caller, except those of
// its labels, which leave the bar without (the rest of) its label.
//
// A slab zone that cannot be drawn (its representative bar cannot be
// selected, its bars run off its boards, an edge zone whose boards carry no
// face bar of its face, a zone of another category) gives one empty bar, and
// the view records the zone with the reason (TankView::GetZoneFailures); the
// other zones of the plan are drawn.
#pragma once

#include "view/DrawingRoutines.h"
#include "view/TankView.h"

#include <unordered_map>
#include <vector>

class ConstuctLineRein {
 public:
  ConstuctLineRein(TankView* view, bool fixedRatio, int constructMode, AcadViewBoard* board,
                   std::vector<boost::shared_ptr<_2dLine>> planLines, double drawFactor, const _3dVector& offset,
                   Tank* tank, std::vector<_2dLine>* barSegmentsOut, std::vector<_2dLine>* matingLinesOut,
                   std::vector<_2dLine>* drawnSegmentsOut, std::vector<_2dLine>* endSegmentsOut,
                   std::vector<_2dLine> extraOffsetLines, double extraLabelOffset);

  std::vector<LineReinPtr> operator()(ReinZoneBoards entry, ReinLabelOption& option) const;

  // The drawn bar of one structural bar for the hole detail (mode 3 only:
  // no hooks, sides 0); empty for an empty bar or another mode.
  LineReinPtr MakeBarEntity(const ReinPtr& bar) const;

 private:
  std::vector<LineReinPtr> BuildSlabBar(const ReinZoneBoards& entry, const ReinLabelOption& option) const;
  // The walls beside each board met so far: the tank's topology is looked
  // up once per board, not once per zone.
  const std::vector<BoardPtr>& NeighbourWalls(const BoardPtr& board) const;
  int EdgeBarSide(const ReinZoneBoards& entry, const _2dPoint& p, const _2dPoint& o) const;
  void TrimAtInteriorWalls(const ReinZoneBoards& entry, _2dPolyline& barLine) const;

  // Wall bars (mode 2).
  std::vector<LineReinPtr> BuildWallBars(const ReinZoneBoards& entry, const ReinLabelOption& option) const;
  void LabelWallBar(LineReinEntity& bar, const ReinZoneBoards& entry, const ReinLabelOption& option,
                    const ReinPtr& rein, const std::vector<_3dLine>& segments, const std::vector<_2dLine>& drawn,
                    const std::vector<_2dLine>& mating) const;

  TankView* m_view;
  bool m_bFixedRatio;
  int m_constructMode;
  AcadViewBoard* m_pBoard;
  std::vector<boost::shared_ptr<_2dLine>> m_planLines;
  double m_drawFactor;
  _3dVector m_offset;
  Tank* m_pTank;
  mutable std::unordered_map<const Board*, std::vector<BoardPtr>> m_neighbourWalls;
  std::vector<_2dLine>* m_barSegmentsOut;
  std::vector<_2dLine>* m_matingLinesOut;
  std::vector<_2dLine>* m_drawnSegmentsOut;
  std::vector<_2dLine>* m_endSegmentsOut;
  std::vector<_2dLine> m_extraOffsetLines;
  double m_extraLabelOffset;
  // The view's registry as the wall bars find their face lines in it,
  // copied once: a drawing registers nothing while it builds its bars.
  boost::shared_ptr<const ObjectEntityMap> ViewEntities() const;
  mutable boost::shared_ptr<const ObjectEntityMap> m_viewEntities;
  // The haunch holding a zone, at any joint of the tank: the tank's joints
  // are walked once per construction, not once per bar.
  EarPtr ZoneEar(const ReinZonePtr& zone) const;
  mutable std::unordered_map<const ReinZone*, EarPtr> m_zoneEars;
  mutable bool m_zoneEarsFound = false;
  // The boards of the tank in component order, gathered once.
  const std::vector<BoardPtr>& TankBoards() const;
  mutable std::vector<BoardPtr> m_tankBoards;
  mutable bool m_tankBoardsFound = false;
};
