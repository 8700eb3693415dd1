#include "app/Warnings.h"

#include "rebar/ReinDesigner.h"

#include <fmt/format.h>

#include <ostream>
#include <utility>
#include <vector>

namespace tank::app {

std::string ForTerminal(std::string line) {
  for (const auto& [mark, shown] : {std::pair{"$2$", "²"}, std::pair{"$3$", "³"}})
    for (std::size_t at = line.find(mark); at != std::string::npos; at = line.find(mark, at))
      line.replace(at, 3, shown);
  return line;
}

void WarnFailedChecks(const TankCheckResult& checks, std::ostream& err) {
  if (checks.Passed()) return;
  const std::string rule(60, '!');
  err << rule << "\n";
  const auto warn = [&err](const char* what, const std::vector<std::string>& lines) {
    err << fmt::format("!! 警告 WARNING: {}不满足要求 (check failed)\n", what);
    if (!lines.empty()) err << "!!   " << ForTerminal(lines.back()) << "\n";
  };
  if (!checks.antiFloatOk) warn("抗浮验算", GetAntiFloatCheckText());
  if (!checks.bearingOk) warn("地基承载力验算", GetBearingCheckText());
  err << rule << "\n";
}

bool WarnFailingGroups(const Tank& tank, std::ostream& err) {
  const std::vector<std::string> failing = ReinDesigner::GetFailingGroups(tank);
  if (failing.empty()) return false;
  err << fmt::format("{} bar group(s) not satisfied:\n", failing.size());
  for (const std::string& note : failing) err << "  " << note << "\n";
  return true;
}

}  // namespace tank::app
