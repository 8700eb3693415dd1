// Geometry kernel: two-way filing helpers.  One call writes a field when the
// archive stores and reads it when it loads, so that every Serialize lists its
// fields exactly once, in one order for both directions.
#pragma once

#include "platform/morlak/values.h"

#include <cstddef>
#include <limits>
#include <string>
#include <type_traits>
#include <vector>

inline void File(Archive& ar, int& v) { ar.IsStoring() ? ar.WriteInt(v) : ar.ReadInt(v); }
inline void File(Archive& ar, long& v) { ar.IsStoring() ? ar.WriteLong(v) : ar.ReadLong(v); }
inline void File(Archive& ar, double& v) { ar.IsStoring() ? ar.WriteDouble(v) : ar.ReadDouble(v); }
inline void File(Archive& ar, bool& v) { ar.IsStoring() ? ar.WriteBool(v) : ar.ReadBool(v); }
inline void File(Archive& ar, std::string& v) { ar.IsStoring() ? ar.WriteString(v) : ar.ReadString(v); }
// An object in place through its own Serialize (points and vectors file
// their coordinates).
inline void File(Archive& ar, VekObject& v) { ar.IsStoring() ? ar << v : ar >> v; }
inline void File(Archive& ar, _2dPoint& p) {
  File(ar, p.x);
  File(ar, p.y);
}

// Files a count-prefixed list, each item through `fileItem`, called as
// fileItem(ar, item) or fileItem(item).  Reading checks the count against
// what is left of the archive (each item taking at least `minBytes`) before
// it allocates, and reads into a fresh list that replaces `items` only when
// it was read whole.
template <class T, class FileItem>
void FileList(Archive& ar, std::vector<T>& items, std::size_t minBytes, FileItem fileItem) {
  auto fileOne = [&](T& item) {
    if constexpr (std::is_invocable_v<FileItem&, Archive&, T&>)
      fileItem(ar, item);
    else
      fileItem(item);
  };
  if (ar.IsStoring()) {
    if (items.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()))
      ar.Fail("archive: a list of " + std::to_string(items.size()) + " items is too long to file");
    ar.WriteInt(static_cast<int>(items.size()));
    for (T& item : items) fileOne(item);
    return;
  }
  int count = 0;
  ar.ReadCount(count, minBytes);
  std::vector<T> read(static_cast<std::size_t>(count));
  for (T& item : read) fileOne(item);
  items.swap(read);
}
