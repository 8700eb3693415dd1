// View board: filing of the board's part of a design file.
#include "platform/Nirvox.h"

#include <boost/pointer_cast.hpp>

#include <unordered_map>

namespace {

// Smallest sizes in the payload: an int, a handle (a string of at least one
// byte), a pair of them.
constexpr std::size_t kIntBytes = 4;
constexpr std::size_t kHandleBytes = 4 + 1;
constexpr std::size_t kPairBytes = kIntBytes + kHandleBytes;

// The running entity list and the record's own continuation of it.
class EntityPositions {
 public:
  explicit EntityPositions(const EntityList& running) : m_running(running) {
    for (std::size_t i = 0; i < running.size(); ++i) {
      if (running[i]) m_index.emplace(running[i].get(), static_cast<int>(i));
    }
  }

  // Writes the position, or -1 and the entity in full (then it has one).
  void Write(Archive& ar, const EntityPtr& entity) {
    auto it = m_index.find(entity.get());
    if (it != m_index.end()) {
      ar.WriteInt(it->second);
      return;
    }
    ar.WriteInt(-1);
    ar << static_cast<const VekObject*>(entity.get());
    m_index.emplace(entity.get(), static_cast<int>(m_running.size() + m_own.size()));
    m_own.push_back(entity);
  }

  EntityPtr Read(Archive& ar) {
    const std::uint64_t at = ar.Tell();
    int position = 0;
    ar.ReadInt(position);
    const long size = static_cast<long>(m_running.size() + m_own.size());
    if (position == -1) {
      const std::uint64_t objectAt = ar.Tell();
      boost::shared_ptr<VekObject> object;
      ar >> object;
      EntityPtr entity = boost::dynamic_pointer_cast<Entity>(object);
      if (!entity) throw ArchiveError("entity expected in the view-board record", objectAt);
      m_own.push_back(entity);
      return entity;
    }
    if (position < 0 || position >= size) {
      throw ArchiveError("entity position " + std::to_string(position) + " outside the " + std::to_string(size) +
                             " entities filed before the view-board record",
                         at);
    }
    const auto p = static_cast<std::size_t>(position);
    EntityPtr entity = p < m_running.size() ? m_running[p] : m_own[p - m_running.size()];
    if (!entity) throw ArchiveError("entity position " + std::to_string(position) + " names no entity", at);
    return entity;
  }

 private:
  const EntityList& m_running;
  std::unordered_map<const Entity*, int> m_index;
  EntityList m_own;
};

}  // namespace

ViewBoardRecord GetViewBoardRecord(const HostViewBoard& board) {
  ViewBoardRecord r;
  r.entityHandles = board.GetEntityHandles();
  r.handleEntities = board.GetHandleEntities();
  r.baseMaps = {board.getBaseMapHandle_ModelingView(), board.getBaseMapHandle_DrawingView(),
                board.getBaseMapHandle_InspectionView()};
  r.showFlags = {board.getShowFlag_ModelingView(), board.getShowFlag_DrawingView(),
                 board.getShowFlag_InspectionView()};
  return r;
}

void ApplyViewBoardRecord(HostViewBoard& board, const ViewBoardRecord& r) {
  board.SetEntityHandles(r.entityHandles);
  board.SetHandleEntities(r.handleEntities);
  board.setBaseMapHandle_ModelingView(r.baseMaps[0]);
  board.setBaseMapHandle_DrawingView(r.baseMaps[1]);
  board.setBaseMapHandle_InspectionView(r.baseMaps[2]);
  board.setShowFlag_ModelingView(r.showFlags[0]);
  board.setShowFlag_DrawingView(r.showFlags[1]);
  board.setShowFlag_InspectionView(r.showFlags[2]);
}

void WriteViewBoardRecord(Archive& ar, const ViewBoardRecord& r, const EntityList& running) {
  EntityPositions positions(running);
  int count = 0;
  for (const auto& [entity, handle] : r.entityHandles) count += entity ? 1 : 0;
  ar.WriteInt(count);
  for (const auto& [entity, handle] : r.entityHandles) {
    if (!entity) continue;
    positions.Write(ar, entity);
    ar << handle;
  }
  count = 0;
  for (const auto& [handle, entity] : r.handleEntities) count += entity ? 1 : 0;
  ar.WriteInt(count);
  for (const auto& [handle, entity] : r.handleEntities) {
    if (!entity) continue;
    ar << handle;
    positions.Write(ar, entity);
  }
  for (const EntityHandleList& map : r.baseMaps) {
    ar.WriteInt(static_cast<int>(map.size()));
    for (const EntityHandle& h : map) ar << h;
  }
  for (bool flag : r.showFlags) ar.WriteBool(flag);
}

void ReadViewBoardRecord(Archive& ar, ViewBoardRecord& out, const EntityList& running) {
  ViewBoardRecord r;
  EntityPositions positions(running);
  int count = 0;
  ar.ReadCount(count, kPairBytes);
  for (int i = 0; i < count; ++i) {
    EntityPtr entity = positions.Read(ar);
    EntityHandle handle;
    ar >> handle;
    r.entityHandles.emplace_back(entity, handle);
  }
  ar.ReadCount(count, kPairBytes);
  for (int i = 0; i < count; ++i) {
    EntityHandle handle;
    ar >> handle;
    EntityPtr entity = positions.Read(ar);
    r.handleEntities.emplace_back(handle, entity);
  }
  for (EntityHandleList& map : r.baseMaps) {
    ar.ReadCount(count, kHandleBytes);
    map.resize(static_cast<std::size_t>(count));
    for (EntityHandle& h : map) ar >> h;
  }
  for (bool& flag : r.showFlags) ar.ReadBool(flag);
  out = std::move(r);
}
