// Geometry kernel: the object root, class records and the class registry.
#include "platform/morlak/object.h"

#include <cxxabi.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>

namespace {

// The registry is created on first use, so that records registered from
// static initialisers of any library find it constructed, whatever the order
// in which the libraries' initialisers run.  It is never destroyed: objects
// filed from static destructors still find their classes.
struct Registry {
  std::mutex mutex;
  std::map<std::string, const ClassRecord*, std::less<>> byName;
};

Registry& TheRegistry() {
  static Registry* const registry = new Registry;
  return *registry;
}

// Marker filed by VekObject::Serialize ("VEKO" in ASCII): a reader whose
// records got out of step with the writer's finds something else here.
constexpr int kObjectMarker = 0x4F4B4556;

}  // namespace

// ---------------------------------------------------------------------------
// ClassRecord, registry

ClassRecord::ClassRecord(std::string name, Factory factory)
    : m_name(std::move(name)), m_factory(factory) {}

ClassRegistrar::ClassRegistrar(const ClassRecord& record) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  auto [it, inserted] = registry.byName.emplace(record.GetName(), &record);
  if (inserted || it->second == &record) return;
  // The same class entered twice (a library loaded twice, say) is harmless
  // as long as both records create the same objects.
  if (it->second->GetFactory() == record.GetFactory()) return;
  throw std::logic_error("class registry: two different classes are registered under the name '" +
                         record.GetName() + "'");
}

const ClassRecord* FindClassRecord(const std::string& name) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  auto it = registry.byName.find(name);
  return it == registry.byName.end() ? nullptr : it->second;
}

std::string GetClassName(const std::type_info& type) {
  int status = 0;
  std::unique_ptr<char, void (*)(void*)> demangled(
      abi::__cxa_demangle(type.name(), nullptr, nullptr, &status), &std::free);
  if (status == 0 && demangled) return demangled.get();
  return type.name();
}

std::string GetClassName(const VekObject& object) { return GetClassName(typeid(object)); }

// ---------------------------------------------------------------------------
// VekObject

const ClassRecord VekObject::classVekObject("VekObject", &VekObject::CreateObject);

namespace {
const ClassRegistrar vekRegistrar_VekObject(VekObject::classVekObject);
}

VekObject* VekObject::CreateObject() { return new VekObject(); }

const ClassRecord* VekObject::GetRuntimeClass() const { return &classVekObject; }

void VekObject::Serialize(Archive& ar) {
  if (ar.IsStoring()) {
    ar.WriteInt(kObjectMarker);
  } else {
    const std::uint64_t at = ar.Tell();
    int marker = 0;
    ar.ReadInt(marker);
    if (marker != kObjectMarker)
      throw ArchiveError("archive: expected the object marker " + std::to_string(kObjectMarker) +
                             " at byte " + std::to_string(at) + ", but found " +
                             std::to_string(marker) + " (records out of step with the writer's)",
                         at);
  }
}
