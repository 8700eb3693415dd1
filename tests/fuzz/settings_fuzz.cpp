// libFuzzer target: the settings reader.  Every input must be read or
// refused with SettingsError; what is read must pass the same checks again.
#include "fuzz_entries.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (!fuzz_entries::Settings(data, size).empty()) std::abort();
  return 0;
}
