// libFuzzer target: the design-file reader.  Every input must be read or
// refused with an exception; nothing may crash, hang or trip the
// sanitizers.  A saved design (`tankdesign new --example NAME -o DIR`,
// DIR/tank.tkd) makes a good seed.
#include "fuzz_entries.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (!fuzz_entries::Design(data, size).empty()) std::abort();
  return 0;
}
