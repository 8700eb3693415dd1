// libFuzzer target: the project-file reader, and the tank it describes when
// it is small enough to build quickly.  Every input must be read or refused
// with an exception; nothing may crash, hang or trip the sanitizers.
#include "fuzz_entries.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (!fuzz_entries::Project(data, size).empty()) std::abort();
  return 0;
}
