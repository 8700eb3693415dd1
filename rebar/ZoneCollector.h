// The boards each rebar zone of a designed tank belongs to: the face zones of
// the board faces, the zones held by the board edges and the zones of the
// haunches at the board's joints, each zone once with the boards it was
// found on.  Used by the closing pass of the design, which gives every bar
// segment its layer from the boards its zone lies on.
#pragma once

#include "platform/Quenby.h"

#include <map>
#include <vector>

// Zones keyed by object identity (the shared pointer's ownership order).
struct ZoneIdentityLess {
  bool operator()(const ReinZonePtr& a, const ReinZonePtr& b) const { return a.owner_before(b); }
};

// A zone and the boards that hold it, in the order they were met.  A zone
// that several boards share (a group face zone, a joint zone under two edges)
// is one entry with all its boards.
using ZoneBoardMap = std::map<ReinZonePtr, std::vector<BoardPtr>, ZoneIdentityLess>;

// Adds every zone of the list to the map with the board: a new zone gets the
// one-board list, a zone already there gets the board appended.
void AddZonesToMap(const std::vector<ReinZonePtr>& zones, const BoardPtr& board, ZoneBoardMap& map);

// Applied to each board of a tank in turn, fills three maps: the board's face
// zones (upper, then lower), the zones of its edges (per edge upper, then
// lower) and the zones of the haunches of its joints (per joint the ordinary
// haunch, then the overhang haunch).
class ZoneBoardCollector {
 public:
  explicit ZoneBoardCollector(const Tank& tank) : m_tank(&tank) {}

  void operator()(const BoardPtr& board);

  const ZoneBoardMap& GetFaceZones() const { return m_faceZones; }
  const ZoneBoardMap& GetEdgeZones() const { return m_edgeZones; }
  const ZoneBoardMap& GetHaunchZones() const { return m_haunchZones; }

 private:
  const Tank* m_tank;
  ZoneBoardMap m_faceZones;
  ZoneBoardMap m_edgeZones;
  ZoneBoardMap m_haunchZones;
};
