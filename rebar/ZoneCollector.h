// The boards each rebar zone of a designed tank belongs to: the face zones of
// the board faces, the zones held by the board edges and the zones of the
// haunches at the board's joints, each zone once with the boards it was
// found on.  Used by the closing pass of the design, which gives every bar
// segment its layer from the boards its zone lies on.
#pragma once

#include "platform/Quenby.h"

#include <algorithm>
#include <iterator>
#include <map>
#include <stdexcept>
#include <unordered_map>
#include <utility>
#include <vector>

// Zones keyed by object identity (the shared pointer's ownership order).
struct ZoneIdentityLess {
  bool operator()(const ReinZonePtr& a, const ReinZonePtr& b) const { return a.owner_before(b); }
};

// A map keyed by zone identity that walks its entries in the order they were
// first inserted.  Anything drawn or numbered from such a map therefore comes
// out the same on every run, whatever addresses the zones were given; lookup
// is hashed on the zone object.
template <class Value>
class ZoneMap {
 public:
  using value_type = std::pair<ReinZonePtr, Value>;
  using iterator = typename std::vector<value_type>::iterator;
  using const_iterator = typename std::vector<value_type>::const_iterator;

  Value& operator[](const ReinZonePtr& zone) { return emplace(zone, Value()).first->second; }
  std::pair<iterator, bool> emplace(const ReinZonePtr& zone, Value value) {
    const auto [slot, added] = m_index.emplace(zone.get(), m_entries.size());
    if (!added) return {m_entries.begin() + static_cast<std::ptrdiff_t>(slot->second), false};
    m_entries.emplace_back(zone, std::move(value));
    return {std::prev(m_entries.end()), true};
  }
  std::pair<iterator, bool> insert(const value_type& entry) { return emplace(entry.first, entry.second); }
  // Entries of zones already present keep their value, as a std::map would.
  template <class It>
  void insert(It first, It last) {
    for (; first != last; ++first) emplace(first->first, first->second);
  }
  iterator find(const ReinZonePtr& zone) {
    const auto it = m_index.find(zone.get());
    return it == m_index.end() ? m_entries.end() : m_entries.begin() + static_cast<std::ptrdiff_t>(it->second);
  }
  const_iterator find(const ReinZonePtr& zone) const {
    const auto it = m_index.find(zone.get());
    return it == m_index.end() ? m_entries.end() : m_entries.begin() + static_cast<std::ptrdiff_t>(it->second);
  }
  const Value& at(const ReinZonePtr& zone) const {
    const auto it = find(zone);
    if (it == end()) throw std::out_of_range("zone not in the map");
    return it->second;
  }
  std::size_t count(const ReinZonePtr& zone) const { return m_index.count(zone.get()); }
  std::size_t size() const { return m_entries.size(); }
  bool empty() const { return m_entries.empty(); }
  void clear() {
    m_entries.clear();
    m_index.clear();
  }
  // Removes the entries the predicate holds for, keeping the others' order.
  template <class Pred>
  std::size_t erase_if(Pred pred) {
    const std::size_t before = m_entries.size();
    std::erase_if(m_entries, pred);
    m_index.clear();
    for (std::size_t i = 0; i < m_entries.size(); ++i) m_index.emplace(m_entries[i].first.get(), i);
    return before - m_entries.size();
  }
  iterator begin() { return m_entries.begin(); }
  iterator end() { return m_entries.end(); }
  const_iterator begin() const { return m_entries.begin(); }
  const_iterator end() const { return m_entries.end(); }

 private:
  std::vector<value_type> m_entries;
  std::unordered_map<const ReinZone*, std::size_t> m_index;
};

// A zone and the boards that hold it, in the order they were met.  A zone
// that several boards share (a group face zone, a joint zone under two edges)
// is one entry with all its boards.  Zones come in the order they were met.
using ZoneBoardMap = ZoneMap<std::vector<BoardPtr>>;

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
