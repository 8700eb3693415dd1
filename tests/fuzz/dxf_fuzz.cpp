// libFuzzer target: the plan-drawing (DXF) reader.  Every input must be read
// or refused with DxfReadError at once; nothing may crash, hang or trip the
// sanitizers.  examples/face-lines.dxf makes a good seed.
#include "fuzz_entries.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (!fuzz_entries::Dxf(data, size).empty()) std::abort();
  return 0;
}
