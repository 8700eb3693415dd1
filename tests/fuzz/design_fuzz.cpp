// libFuzzer target: the design-file reader.  Every input must be read or
// refused with an exception; nothing may crash, hang or trip the
// sanitizers.  A saved design (`tankdesign new --example NAME -o DIR`,
// DIR/tank.tkd) makes a good seed.
#include "designer/TankDesigner.h"
#include "platform/HostServices.h"

#include <cstddef>
#include <cstdint>
#include <exception>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool started = (ModuleStartup(), true);
  (void)started;
  try {
    Archive ar(std::vector<std::uint8_t>(data, data + size));
    g_ViewBoard.Reset();
    TankDesigner designer;
    designer.ReadDesign(ar);
  } catch (const std::exception&) {
  }
  return 0;
}
