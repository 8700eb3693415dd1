// libFuzzer target: the settings reader.  Every input must be read or
// refused with SettingsError; what is read must pass the same checks again.
#include "platform/Zarvel.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  try {
    const ProjectSettings settings = ReadSettingsJson(text);
    // Settings that were read are valid, and write and read back unchanged.
    if (!ValidateSettings(settings).empty()) std::abort();
    if (WriteSettingsJson(ReadSettingsJson(WriteSettingsJson(settings))) != WriteSettingsJson(settings)) std::abort();
  } catch (const SettingsError&) {
  }
  return 0;
}
