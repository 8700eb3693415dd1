// Facts about the model for the host's own dialogs and drawings: opening and
// notch outlines as drawable entities, the lowest point of a board, the
// result-table columns and the ordering of board groups.  The facts that need
// a designer (board counts, wall thickness extremes, the foundation level,
// the boards with their rebar zones) are members of TankDesigner.
#pragma once

#include "platform/Morlak.h"
#include "platform/Quenby.h"

#include <boost/shared_ptr.hpp>

#include <string>
#include <vector>

class TankView;

// A board's number with the rebar zones it holds (Board::GetAllZones).
struct BoardZoneRecord {
  int boardNumber = 0;
  std::vector<ReinZonePtr> zones;
};

// The outlines of the board's circular and rectangular openings, in opening
// order, in the board's local 2D frame with z = 0 and every bulge 0: a circle
// per circular opening, a closed polyline through the corners per
// rectangular one.  Nothing for an object that is not exactly a Board.
void MakeHoleOutlineEntities(const boost::shared_ptr<VekObject>& object, std::vector<EntityPtr>& out);
// The same for the board's notches: a closed polyline through the notch
// outline (x and y kept, z = 0).
void MakeNotchOutlineEntities(const boost::shared_ptr<VekObject>& object, std::vector<EntityPtr>& out);
// Hands every opening of the board that is not a notch, in order, to the
// view's opening hook (TankView::ProcessHole).
void ForEachHole(TankView* view, BoardPtr board);
// The smallest z of the board's outline points (0 for a board without any).
double GetBoardLowestZ(const BoardPtr& board);
// Within each group, the boards (objects exactly of class Board) in
// descending order of the mean of their sort values (the integer mean, the
// running sum truncated after each value); other objects keep their places,
// equal keys keep their order.
void SortBoardGroups(std::vector<std::vector<boost::shared_ptr<VekObject>>>& groups);
// The result-table column flags in ascending order with their captions.
void GetResultColumns(std::vector<int>& flags, std::vector<std::string>& captions);
