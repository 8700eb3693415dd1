#include "view/ModuleStart.h"

#include "platform/HostServices.h"
#include "platform/Morlak.h"

#include <stdexcept>

double g_ModulePi = 0.0;
std::map<int, std::string> g_ResultColumnCaptions;

void ListResultColumns(std::vector<int>& flags, std::vector<std::string>& captions) {
  flags.clear();
  captions.clear();
  for (const auto& [flag, caption] : g_ResultColumnCaptions) {
    flags.push_back(flag);
    captions.push_back(caption);
  }
}

namespace {

const ModuleStepRegistrar piStep("pi", [] { g_ModulePi = g_Pi; });

const ModuleStepRegistrar classesStep("filed classes", [] {
  for (const char* name : {"LineReinEntity", "DotReinEntity", "Section"})
    if (!FindClassRecord(name)) throw std::logic_error(std::string("filed class not registered: ") + name);
});

const ModuleStepRegistrar captionsStep(
    "result captions",
    [] {
      g_ResultColumnCaptions = {{16, "构件编号"},         {32, "板厚"},
                                {64, "标高"},             {128, "计算弯矩"},
                                {256, "最大弯矩时的荷载组合"}, {512, "计算钢筋面积"},
                                {1024, "实配钢筋面积"},    {2048, "裂缝宽度"}};
    },
    [] { g_ResultColumnCaptions.clear(); });

}  // namespace
