// Bars of an edge or haunch zone: the zone's template bar repeated along its
// distribution line at the zone's spacing.  One placement serves the design
// (ExpandZoneBars) and the re-laying after a rebar edit
// (DistributeBarsOnLine), so a zone laid again matches a freshly designed one.
#pragma once

#include "platform/Quenby.h"

#include <vector>

// Where the bars of a line of `length` at `spacing` lie: count = length /
// spacing truncated, and the first bar at `start` = (length − count·spacing)
// / 2 from the line's start; bar i at start + i·spacing.  So the last bar lies
// start + spacing before the line's end, and a line shorter than one spacing
// gets no bar.  A spacing of 0 or less gives no bar (count 0, start 0).
struct BarPlacement {
  int count = 0;
  double start = 0.0;
};
BarPlacement PlaceBarsOnLine(double length, int spacing);

// The zone's template polyline moved along the zone's distribution line so
// that the template's plane passes through the line's start.  False (and the
// template unmoved) for a template of fewer than two vertices.
bool MoveTemplateToLineStart(const ReinZone& zone, _2dPolyline& moved);

// Appends the zone's bars (template moved onto the line, repeated at the
// placement above), each a new bar with the zone's grade and diameter.  The
// zone's earlier bars are kept.  Nothing for a spacing of 0 or less or a
// template of fewer than two vertices.
void ExpandZoneBars(ReinZonePtr zone);

// Full mode (single false): the zone's bars are replaced by the bars of the
// placement; an empty list is returned.  Single mode: one bar at `position`
// + the placement's start from the line's start is returned and the zone is
// not changed.  For a spacing of 0 or less, or a template of fewer than two
// vertices, no bar is laid in either mode and the zone is left as it was.
std::vector<ReinPtr> DistributeBarsOnLine(const ReinZonePtr& zone, int position, bool single);
