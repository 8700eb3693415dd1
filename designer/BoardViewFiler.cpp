#include "designer/BoardViewFiler.h"

#include <boost/make_shared.hpp>
#include <boost/pointer_cast.hpp>

#include <string>

namespace {

constexpr std::size_t kIntBytes = 4;

bool IsPlainObject(const ObjectPtr& object) {
  return object && typeid(*object) == typeid(VekObject);
}

}  // namespace

void ApplyViewRecord(TankView& view, const ViewRecord& record) {
  view.SetObjectEntities(record.objectEntities);
  view.SetEntityOwners(record.entityOwners);
  view.SetEntityKinds(record.entityKinds);
  view.SetPlacement(record.placement);
  view.SetViewVolumn(record.volume);
  view.SetScaleValues(record.scale, record.unit);
}

int BoardViewFiler::ReadPosition(std::size_t size, const char* what) {
  const std::uint64_t at = m_ar.Tell();
  int position = 0;
  m_ar.ReadInt(position);
  if (position < 0 || static_cast<std::size_t>(position) >= size) {
    throw ArchiveError(std::string(what) + " position " + std::to_string(position) + " outside the " +
                           std::to_string(size) + " filed before it",
                       at);
  }
  return position;
}

void BoardViewFiler::WriteObjectRef(const ObjectList& modelObjects, const ObjectList& extras,
                                    const ObjectPtr& object) {
  const int model = object ? IndexOf(modelObjects, object) : -1;
  m_ar.WriteInt(model);
  if (model == -1) m_ar.WriteInt(IndexOf(extras, object));
}

ObjectPtr BoardViewFiler::ReadObjectRef(const ObjectList& modelObjects, const ObjectList& extras) {
  const std::uint64_t at = m_ar.Tell();
  int model = 0;
  m_ar.ReadInt(model);
  if (model >= 0) {
    if (static_cast<std::size_t>(model) >= modelObjects.size())
      throw ArchiveError("model object position " + std::to_string(model) + " outside the " +
                             std::to_string(modelObjects.size()) + " objects of the tank",
                         at);
    return modelObjects[static_cast<std::size_t>(model)];
  }
  if (model != -1) throw ArchiveError("model object position " + std::to_string(model) + " is negative", at);
  const std::uint64_t extraAt = m_ar.Tell();
  int extra = 0;
  m_ar.ReadInt(extra);
  if (extra >= 0) {
    if (static_cast<std::size_t>(extra) >= extras.size())
      throw ArchiveError("object position " + std::to_string(extra) + " outside the " +
                             std::to_string(extras.size()) + " objects filed with the view",
                         extraAt);
    const ObjectPtr& object = extras[static_cast<std::size_t>(extra)];
    // An empty object was filed as a null pointer; it stands for an owner
    // without model object, as a plain object does.
    return object ? object : boost::make_shared<VekObject>();
  }
  if (extra != -1) throw ArchiveError("object position " + std::to_string(extra) + " is negative", extraAt);
  // Neither a model object nor a filed one: a plain owner of its own.
  return boost::make_shared<VekObject>();
}

int BoardViewFiler::WriteView(const ObjectList& modelObjects, const TankView& view, EntityList& running) {
  ObjectEntityPairs pairs;
  view.ListObjectEntities(pairs);
  EntityOwnerPairs owners;
  view.ListEntityOwners(owners);
  EntityKindPairs kinds;
  view.ListEntityKinds(kinds);

  // The view's entity list and its extra objects, in pair order.
  EntityList entities;
  ObjectList extras;
  for (const auto& [object, list] : pairs) {
    entities.insert(entities.end(), list.begin(), list.end());
    if ((!object || IndexOf(modelObjects, object) == -1) && !IsPlainObject(object)) extras.push_back(object);
  }

  m_ar.WriteInt(static_cast<int>(entities.size()));
  for (const auto& entity : entities) {
    m_ar << static_cast<const VekObject*>(entity.get());
    running.push_back(entity);
  }
  m_ar.WriteInt(static_cast<int>(extras.size()));
  for (const auto& object : extras) m_ar << object.get();

  m_ar.WriteInt(static_cast<int>(pairs.size()));
  for (const auto& [object, list] : pairs) {
    WriteObjectRef(modelObjects, extras, object);
    m_ar.WriteInt(static_cast<int>(list.size()));
    for (const auto& entity : list) m_ar.WriteInt(IndexOf(entities, entity));
  }

  m_ar.WriteInt(static_cast<int>(owners.size()));
  for (const auto& [entity, list] : owners) {
    m_ar.WriteInt(IndexOf(entities, entity));
    m_ar.WriteInt(static_cast<int>(list.size()));
    for (const auto& owner : list) WriteObjectRef(modelObjects, extras, owner);
  }

  m_ar.WriteInt(static_cast<int>(kinds.size()));
  for (const auto& [entity, kind] : kinds) {
    m_ar.WriteInt(IndexOf(entities, entity));
    m_ar.WriteInt(kind);
  }

  _3dVector placement;
  view.GetPlacement(placement);
  m_ar << placement;
  ViewVolumn volume;
  view.GetViewVolumn(volume);
  m_ar << volume;
  m_ar.WriteDouble(view.GetScale());
  m_ar.WriteDouble(view.GetUnit());
  return 1;
}

int BoardViewFiler::ReadView(const ObjectList& modelObjects, ViewRecord& record, EntityList& running) {
  int count = 0;
  m_ar.ReadCount(count, 4);
  EntityList entities;
  entities.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    const std::uint64_t at = m_ar.Tell();
    boost::shared_ptr<VekObject> object;
    m_ar >> object;
    EntityPtr entity = boost::dynamic_pointer_cast<Entity>(object);
    if (!entity) throw ArchiveError("drawn entity expected in a view record", at);
    entities.push_back(entity);
    running.push_back(entity);
  }

  m_ar.ReadCount(count, 4);
  ObjectList extras;
  extras.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    boost::shared_ptr<VekObject> object;
    m_ar >> object;
    extras.push_back(object);
  }

  m_ar.ReadCount(count, 2 * kIntBytes);
  record.objectEntities.clear();
  for (int i = 0; i < count; ++i) {
    ObjectPtr object = ReadObjectRef(modelObjects, extras);
    int n = 0;
    m_ar.ReadCount(n, kIntBytes);
    EntityList list;
    list.reserve(static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k) list.push_back(entities[static_cast<std::size_t>(ReadPosition(entities.size(), "entity"))]);
    record.objectEntities.emplace_back(std::move(object), std::move(list));
  }

  m_ar.ReadCount(count, 2 * kIntBytes);
  record.entityOwners.clear();
  for (int i = 0; i < count; ++i) {
    EntityPtr entity = entities[static_cast<std::size_t>(ReadPosition(entities.size(), "entity"))];
    int m = 0;
    m_ar.ReadCount(m, kIntBytes);
    ObjectList owners;
    owners.reserve(static_cast<std::size_t>(m));
    for (int k = 0; k < m; ++k) owners.push_back(ReadObjectRef(modelObjects, extras));
    record.entityOwners.emplace_back(std::move(entity), std::move(owners));
  }

  m_ar.ReadCount(count, 2 * kIntBytes);
  record.entityKinds.clear();
  for (int i = 0; i < count; ++i) {
    EntityPtr entity = entities[static_cast<std::size_t>(ReadPosition(entities.size(), "entity"))];
    int kind = 0;
    m_ar.ReadInt(kind);
    record.entityKinds.emplace_back(std::move(entity), kind);
  }

  m_ar >> record.placement;
  m_ar >> record.volume;
  m_ar.ReadDouble(record.scale);
  m_ar.ReadDouble(record.unit);
  return 1;
}

void BoardViewFiler::WriteViewBoard(const EntityList& running, const HostViewBoard* board) {
  WriteViewBoardRecord(m_ar, GetViewBoardRecord(*board), running);
}

void BoardViewFiler::ReadViewBoard(const EntityList& running, ViewBoardRecord& record) {
  ReadViewBoardRecord(m_ar, record, running);
}
