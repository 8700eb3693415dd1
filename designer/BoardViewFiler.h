// Filing of what a design has drawn: per view, its entities with the
// records that tie them to model objects and kind bits, its placement,
// view volume and scale values; once per design, the view board's
// registries, base maps and show flags.
//
// Record of one view:
//   int Ne, Ne entities through their pointers      (the view's entity list)
//   int Nx, Nx objects through their pointers        (objects that are not
//                                                     model objects)
//   int Np, Np × { int model-object position; if -1: int extra position;
//                  int n, n entity positions }       (object -> entities)
//   int No, No × { int entity position; int m, m × owner reference }
//   int Nk, Nk × { int entity position, int kind bits }
//   placement (_3dVector in place), ViewVolumn in place, scale, unit.
// The entity list holds the entities of every object/entity pair in pair
// order (an entity under two objects twice); entities go to the running
// entity list of the design, which the view board record refers to.
//
// Reading checks every count and every position against the lists read so
// far: a position outside its list is a damaged file (ArchiveError), not an
// object picked at random.  Reading fills a ViewRecord; the caller applies
// it to the view (ApplyViewRecord) once the whole design was read.
#pragma once

#include "platform/Morlak.h"
#include "platform/Nirvox.h"
#include "view/TankView.h"

#include <vector>

// What one view record holds, read and not yet applied.
struct ViewRecord {
  ObjectEntityPairs objectEntities;
  EntityOwnerPairs entityOwners;
  EntityKindPairs entityKinds;
  _3dVector placement{0.0, 0.0, 0.0};
  ViewVolumn volume;
  double scale = 100.0;
  double unit = 1.0;
};

void ApplyViewRecord(TankView& view, const ViewRecord& record);

class BoardViewFiler {
 public:
  explicit BoardViewFiler(Archive& ar) : m_ar(ar) {}
  virtual ~BoardViewFiler() = default;

  int WriteView(const ObjectList& modelObjects, const TankView& view, EntityList& running);
  int ReadView(const ObjectList& modelObjects, ViewRecord& record, EntityList& running);

  void WriteViewBoard(const EntityList& running, const HostViewBoard* board);
  void ReadViewBoard(const EntityList& running, ViewBoardRecord& record);

  // Position of the first element holding the same object, or -1.
  template <class List, class Ptr>
  static int IndexOf(const List& list, const Ptr& object) {
    for (std::size_t i = 0; i < list.size(); ++i)
      if (list[i].get() == object.get()) return static_cast<int>(i);
    return -1;
  }

 private:
  // Model-object position, and the extra-object position when that is -1.
  void WriteObjectRef(const ObjectList& modelObjects, const ObjectList& extras, const ObjectPtr& object);
  ObjectPtr ReadObjectRef(const ObjectList& modelObjects, const ObjectList& extras);
  int ReadPosition(std::size_t size, const char* what);

  Archive& m_ar;
};
