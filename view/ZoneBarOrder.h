// Rebar zones ordered across the direction of their drawn bars, and the test
// whether the drawn bars of two zones lie side by side along a common
// stretch.  Drawn bars without a line (the empty bar of a zone that could not
// be drawn) take no part.
#pragma once

#include "rebar/ZoneCollector.h"
#include "view/LineReinEntity.h"

#include <map>
#include <vector>

// The bars drawn for each zone, keyed by zone identity.
using ZoneBarMap = ZoneMap<std::vector<LineReinPtr>>;

// The bar lines of the zone's drawn bars that have one, in order.
std::vector<boost::shared_ptr<_2dPolyline>> GetDrawnLines(const ZoneBarMap& bars, const ReinZonePtr& zone);

// Zones by where the straight part of their first drawn bar crosses the y
// axis (bars within 45 degrees of horizontal, either way) or the x axis
// (steeper bars): lower, respectively further left, first.  A zone without a
// drawn line throws std::logic_error.  The map is referred to, not copied
// (the order is copied freely by the algorithms), and must outlive it.
class ZoneBarInterceptLess {
 public:
  explicit ZoneBarInterceptLess(const ZoneBarMap& bars) : m_bars(&bars) {}
  explicit ZoneBarInterceptLess(ZoneBarMap&&) = delete;
  bool operator()(const ReinZonePtr& a, const ReinZonePtr& b) const;

 private:
  const ZoneBarMap* m_bars;
};

// True when the held zone and the other zone have a pair of parallel drawn
// bars whose straight parts overlap by more than 2/3 of the longer one.  The
// map is referred to, not copied, and must outlive the test.
class ZoneBarsOverlapTest {
 public:
  ZoneBarsOverlapTest(ReinZonePtr zone, const ZoneBarMap& bars) : m_zone(std::move(zone)), m_bars(&bars) {}
  ZoneBarsOverlapTest(ReinZonePtr, ZoneBarMap&&) = delete;
  bool operator()(const ReinZonePtr& other) const;

 private:
  ReinZonePtr m_zone;
  const ZoneBarMap* m_bars;
};
