// Records of the rebar edits (designer/ReinEdits.cpp): the changes an edited
// label or schedule cell makes, and the views that draw a zone.
#pragma once

#include "platform/Quenby.h"
#include "view/TankView.h"

#include <boost/shared_ptr.hpp>

#include <string>
#include <vector>

// One change: the kind is the schedule column it was made in (1 mark,
// 2 sketch, 3 diameter, 4 spacing, 5 length, 6 count, 7 total length) or 8
// for the grade symbol code of a label; the text is the new value.
struct PropertyChange {
  int kind = 0;
  std::string text;
  bool operator==(const PropertyChange&) const = default;
};
using PropertyChanges = std::vector<PropertyChange>;

// One view that draws one zone.
struct ViewZonePair {
  boost::shared_ptr<TankView> view;
  ReinZonePtr zone;
};
