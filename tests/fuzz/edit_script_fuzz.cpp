// libFuzzer target: edit scripts run on the buried two-cell example.  Every
// line must be done, refused or named as unreadable; nothing may crash or
// hang, and no line may leave a tank the design reader refuses.
// examples/edit-demo.txt makes a good seed.
#include "fuzz_entries.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string examples = std::string(TANK_SOURCE_DIR) + "/examples/";
  static const std::string project = [] {
    std::ifstream in(examples + "buried-two-cell.json");
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }();
  const std::string script(reinterpret_cast<const char*>(data), size);
  if (!fuzz_entries::EditScript(script, project, examples).empty()) std::abort();
  return 0;
}
