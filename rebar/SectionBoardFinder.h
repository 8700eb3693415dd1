// The board of each line of a chain of 3D lines (the segments of a bar's
// polyline, or the lines of a section cut): the board whose surface carries
// the line, or, for a segment that runs past a board (an anchorage into a
// neighbour, a bend at a junction), the neighbouring board it reaches.  Used
// by the design's finishing pass and by the wall drawings.
#pragma once

#include "platform/Quenby.h"

#include <vector>

// One edge of one board.
struct BoardEdgeItem {
  BoardPtr board;
  int edgeIndex = 0;
};

class SectionBoardFinder {
 public:
  // `category`: the rebar-zone category of the bar examined; haunch zones
  // (category 4) name only boards that carry a line.
  SectionBoardFinder(const Tank& tank, int category) : m_tank(tank), m_category(category) {}

  // One entry per line, in line order: the first candidate carrying the line,
  // else the neighbour board the line reaches across the nearest candidate
  // edge at the chain's bend, else an empty pointer.  On equal standing the
  // earlier candidate wins.
  std::vector<BoardPtr> FindBoards(std::vector<_3dLine> lines, std::vector<BoardPtr> candidates) const;

 private:
  BoardPtr FindBoardAcross(const std::vector<_3dLine>& lines, std::size_t i,
                           const std::vector<BoardPtr>& candidates) const;

  const Tank& m_tank;
  int m_category;
};
