// Maps keyed by rebar zone walk their zones in the order they were first met,
// whatever the zones' addresses, so drawings and marks made from them come
// out the same on every run.
#include "rebar/ZoneCollector.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <boost/make_shared.hpp>

namespace {

std::vector<ReinZonePtr> ZonesInDescendingAddressOrder(int n) {
  std::vector<ReinZonePtr> zones;
  for (int i = 0; i < n; ++i) zones.push_back(boost::make_shared<ReinZone>());
  std::sort(zones.begin(), zones.end(), [](const ReinZonePtr& a, const ReinZonePtr& b) { return b.get() < a.get(); });
  return zones;
}

std::vector<ReinZonePtr> Keys(const ZoneBoardMap& map) {
  std::vector<ReinZonePtr> keys;
  for (const auto& entry : map) keys.push_back(entry.first);
  return keys;
}

}  // namespace

TEST(ZoneMap, WalksZonesInInsertionOrderAndLooksThemUp) {
  const auto zones = ZonesInDescendingAddressOrder(6);
  ZoneBoardMap map;
  const BoardPtr board;
  for (const auto& zone : zones) map[zone].push_back(board);
  map[zones[2]].push_back(board);  // a second board keeps the zone's place
  EXPECT_EQ(Keys(map), zones);
  EXPECT_EQ(map.find(zones[2])->second.size(), 2u);
  EXPECT_EQ(map.count(zones[4]), 1u);
  EXPECT_EQ(map.find(boost::make_shared<ReinZone>()), map.end());

  // Merging keeps the entries already there and appends the new zones.
  ZoneBoardMap other;
  other[zones[2]];
  const auto extra = boost::make_shared<ReinZone>();
  other[extra].push_back(board);
  map.insert(other.begin(), other.end());
  EXPECT_EQ(map.find(zones[2])->second.size(), 2u);
  EXPECT_EQ(Keys(map).back(), extra);

  // Removing entries keeps the order of the rest and their lookup.
  map.erase_if([&](const auto& entry) { return entry.first == zones[0] || entry.first == zones[3]; });
  const std::vector<ReinZonePtr> kept = {zones[1], zones[2], zones[4], zones[5], extra};
  EXPECT_EQ(Keys(map), kept);
  for (const auto& zone : kept) EXPECT_EQ(map.find(zone)->first, zone);
  EXPECT_EQ(map.count(zones[0]), 0u);
}
