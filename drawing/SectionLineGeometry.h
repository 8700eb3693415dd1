// Where a drawn bar lies against the drawn outline of the board that carries
// it: the board-outline lines a view drew for an object, the projection of a
// bar segment onto the face line on its side, the order of boards along a
// line, the haunch of a haunch zone and the section lines of a list of
// boards.
#pragma once

#include "view/TankView.h"

#include <boost/make_shared.hpp>

#include <utility>
#include <vector>

// The view's lines of kind exactly 2 (board outline) registered for the
// object, in registration order.
std::vector<boost::shared_ptr<_2dLine>> GetDrawnOutlineLines(const TankView& view, const ObjectPtr& object);

// Projects one bar segment into the drawing and, where the board's drawn
// outline allows, gives the board's face line on the bar's side instead,
// oriented so that the other face lies on its right.  {false, projected
// segment} when nothing matches.
class BarLineProjector {
 public:
  BarLineProjector(ObjectEntityMap entities, const ViewVolumn& volume, double factor, const _3dVector& placement)
      : BarLineProjector(boost::make_shared<const ObjectEntityMap>(std::move(entities)), volume, factor, placement) {}
  // Sharing one copy of a view's registry between projectors.
  BarLineProjector(boost::shared_ptr<const ObjectEntityMap> entities, const ViewVolumn& volume, double factor,
                   const _3dVector& placement)
      : m_entities(std::move(entities)), m_volume(volume), m_factor(factor), m_placement(placement) {}
  std::pair<bool, _2dLine> operator()(const _3dLine& segment, const BoardPtr& board) const;

 private:
  boost::shared_ptr<const ObjectEntityMap> m_entities;
  ViewVolumn m_volume;
  double m_factor;
  _3dVector m_placement;
};
using BoardSectionLineFinder = BarLineProjector;

// Orders boards along a reference line by where the first of their two drawn
// outline lines crosses it, nearer to the line's start first.  A board that
// does not show exactly two outline lines throws std::logic_error.
class BoardAlongLineLess {
 public:
  BoardAlongLineLess(const TankView* view, const _2dLine& reference) : m_view(view), m_reference(reference) {}
  bool operator()(const ObjectPtr& a, const ObjectPtr& b) const;

 private:
  const TankView* m_view;
  _2dLine m_reference;
};
using WallOrderAlongLine = BoardAlongLineLess;

// The haunch that carries a haunch zone: the joints between every pair of
// the boards, each joint's haunch then its overhang haunch.
std::pair<bool, EarPtr> FindZoneEar(const Tank& tank, const ReinZonePtr& zone, const std::vector<BoardPtr>& boards);

// A section line that lies on one of the boards and within its outline.
class BoardLineFilter {
 public:
  explicit BoardLineFilter(std::vector<BoardPtr> boards) : m_boards(std::move(boards)) {}
  bool operator()(const _3dLine& line) const;

 private:
  std::vector<BoardPtr> m_boards;
};
