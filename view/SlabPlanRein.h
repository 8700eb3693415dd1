// Where the representative bar of each rebar zone of a slab plan goes, so
// that the labels of crossing layers on one slab do not fall on each other.
#pragma once

#include "rebar/ZoneCollector.h"
#include "view/DrawingRoutines.h"

#include <vector>

// The zones of b that b lists on any board that a lists for the zone.
std::vector<ReinZonePtr> CollectZonesSharingBoards(const ReinZonePtr& zone, const ZoneBoardMap& a,
                                                   const ZoneBoardMap& b);

// Position ratio of a near-face zone: 2/3 beside a parallel far-face edge
// zone alone, 0.5 beside a parallel near-face edge zone alone, 0.6 otherwise.
struct NearFaceZonePosRatio {
  const ZoneBoardMap* near;
  const ZoneBoardMap* farEdge;
  const ZoneBoardMap* nearEdge;
  const ViewVolumn* volume;
  double operator()(const ReinZoneBoards& entry) const;
};
// Position ratio of a far-face zone: 0.4 beside a parallel far-face edge
// zone, 1/3 otherwise.
struct FarFaceZonePosRatio {
  const ZoneBoardMap* farEdge;
  const ZoneBoardMap* far;
  const ViewVolumn* volume;
  double operator()(const ReinZoneBoards& entry) const;
};
// Position ratio of a near-face edge zone: 0.75 beside a parallel near-face
// zone, else 2/3 beside a parallel far-face edge zone, else 0.6.
struct NearEdgeZonePosRatio {
  const ZoneBoardMap* nearEdge;
  const ZoneBoardMap* near;
  const ZoneBoardMap* farEdge;
  const ViewVolumn* volume;
  double operator()(const ReinZoneBoards& entry) const;
};
