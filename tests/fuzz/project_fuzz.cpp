// libFuzzer target: the project-file reader, and the tank it describes when
// it is small enough to build quickly.  Every input must be read or refused
// with an exception; nothing may crash, hang or trip the sanitizers.
#include "app/NewTank.h"
#include "app/ProjectFile.h"
#include "platform/HostServices.h"

#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool started = (ModuleStartup(), true);
  (void)started;
  const std::string text(reinterpret_cast<const char*>(data), size);
  try {
    const tank::app::ProjectInput input = tank::app::ReadProject(text, "fuzz.json");
    if (input.layout.cellsX * input.layout.cellsY <= 4) {
      g_ViewBoard.Reset();
      TankDesigner designer;
      tank::app::BuildNewTank(designer, input, "fuzz.json");
    }
  } catch (const std::exception&) {
  }
  return 0;
}
