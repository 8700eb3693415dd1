// The order in which a drawing takes the zones of its boards: fixed by the
// boards and the zones' places on them, never by where the zones lie in
// memory, so that the same design is drawn the same way every time.
#include "tests/rebar_fixtures.h"
#include "view/BoardReinZoneCollector.h"

#include <gtest/gtest.h>

#include <boost/make_shared.hpp>

#include <algorithm>
#include <vector>

namespace {

ReinZonePtr Zone(int number) {
  auto zone = boost::make_shared<ReinZone>();
  zone->SetNumber(number);
  zone->SetCategory(2);
  return zone;
}

// Zones of two slabs and one edge, put into the map in every order: the
// entries come out by board number, then face zones (upper, lower), then
// edge zones, whatever the zones' addresses.
TEST(ZoneOrder, EntriesFollowTheBoardsAndTheZonesPlacesOnThem) {
  const BoardPtr first = rebarfx::MakeBoard(1, 6000, 4000, 400);
  const BoardPtr second = rebarfx::MakeBoard(1, 6000, 4000, 400);
  first->SetNumber(1);
  second->SetNumber(2);
  // Allocated in the reverse of the expected order.
  std::vector<ReinZonePtr> zones;
  for (int i = 0; i < 5; ++i) zones.insert(zones.begin(), Zone(9 - i));
  const ReinZonePtr edgeZone = zones[0], lower = zones[1], upper = zones[2], secondUpper = zones[3],
                    shared = zones[4];
  first->GetUpperZones() = {upper, shared};
  first->GetLowerZones() = {lower};
  ASSERT_FALSE(first->GetEdges().empty());
  first->GetEdges().front().GetUpperZones().push_back(edgeZone);
  second->GetUpperZones() = {secondUpper, shared};

  const std::vector<std::pair<ReinZonePtr, BoardPtr>> met = {
      {secondUpper, second}, {shared, second}, {edgeZone, first}, {lower, first}, {upper, first}, {shared, first}};
  std::vector<int> order(met.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
  do {
    ZoneBoardMap map;
    for (int i : order) map[met[i].first].push_back(met[i].second);
    // The shared zone was found on both slabs; it stands with the one it
    // was found on first.
    const BoardPtr sharedFirst = map[shared].front();
    std::vector<ReinZonePtr> got;
    for (const auto& entry : OrderedZoneEntries(map)) got.push_back(entry.first);
    const std::vector<ReinZonePtr> expected =
        sharedFirst == first ? std::vector<ReinZonePtr>{upper, shared, lower, edgeZone, secondUpper}
                             : std::vector<ReinZonePtr>{upper, lower, edgeZone, secondUpper, shared};
    EXPECT_EQ(got, expected);
  } while (std::next_permutation(order.begin(), order.end()));
}

}  // namespace
