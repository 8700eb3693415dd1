// The rebar zones each board of a drawing shows, and the boards each zone
// lies on.  Applied to every board of the tank in turn; fills two maps owned
// by the caller.
//
// Mode 0 (slab plans, rebar schedule): the zones of the face the view looks
// at (face zones with kinds bit 1, edge zones with bit 2) go to the first
// map, those of the other face to the second.
// Mode 1 (wall drawings): of the board's face zones (bit 1), its edge zones
// (bit 2; with `restrict`, only edges in the view plane) and the zones of
// the haunches at its joints (bit 4), the zones with a display orientation
// along the view direction (within 45 degrees) go to the first map; of the
// others only the board's own face zones go to the second map (with
// `restrict`, only face zones of category 2 stay there).
// Any other mode gathers nothing.
#pragma once

#include "rebar/ZoneCollector.h"
#include "view/FiledClasses.h"

#include <set>

class BoardReinZoneCollector {
 public:
  // Empties both maps.
  BoardReinZoneCollector(Tank* tank, int kinds, int mode, const ViewVolumn& volume, bool restrictToViewPlane,
                         ZoneBoardMap* first, ZoneBoardMap* second);
  void operator()(const BoardPtr& board) const;

 private:
  void CollectFacing(const BoardPtr& board) const;
  void CollectAlongView(const BoardPtr& board) const;

  Tank* m_tank;
  int m_kinds;
  ViewVolumn m_volume;
  bool m_restrict;
  int m_mode;
  ZoneBoardMap* m_first;
  ZoneBoardMap* m_second;
  // The joints off the level of their group, found once for all boards.
  mutable std::set<const BoardJoint*> m_offLevel;
  mutable bool m_offLevelFound = false;
};

// The entries of a zone map in an order that does not depend on where the
// zones lie in memory (the map orders them by identity): by the first board
// each zone was found on (kind, then number), then by the zone's place among
// that board's zones (Board::GetAllZones); zones the board does not list
// (haunch zones) come after those, by mark, category, face and direction.
using ZoneBoardEntries = std::vector<std::pair<ReinZonePtr, std::vector<BoardPtr>>>;
ZoneBoardEntries OrderedZoneEntries(const ZoneBoardMap& map);
