// View board: the handle of an entity of the drawing.
#include "platform/Nirvox.h"

#include <cstdio>

IMPLEMENT_VEK_SERIAL(EntityHandle)

std::string EntityHandle::ToString() const {
  char buffer[24];
  std::snprintf(buffer, sizeof buffer, "%llX", m_id);
  return buffer;
}

bool EntityHandle::FromString(const std::string& text, EntityHandle& out) {
  if (text.empty() || text.size() > 16) return false;
  unsigned long long id = 0;
  for (char c : text) {
    int digit;
    if (c >= '0' && c <= '9') digit = c - '0';
    else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    else return false;
    id = id * 16 + static_cast<unsigned long long>(digit);
  }
  out.m_id = id;
  return true;
}

void EntityHandle::Serialize(Archive& ar) {
  if (ar.IsStoring()) {
    ar.WriteString(ToString());
    return;
  }
  const std::uint64_t at = ar.Tell();
  std::string text;
  ar.ReadString(text);
  EntityHandle read;
  if (!FromString(text, read)) {
    throw ArchiveError("entity handle expected, found \"" + text.substr(0, 40) + "\"", at);
  }
  m_id = read.m_id;
}
