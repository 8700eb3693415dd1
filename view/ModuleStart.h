// Module-wide values of the drawing views, set when the module starts (see
// platform/HostServices.h: the host runs the start-up steps once, before the
// first design is made, and the shut-down steps at unload):
//   1. "pi": the module's copy of the kernel's pi;
//   2. "filed classes": the drawn bars (LineReinEntity, DotReinEntity) and
//      the section cut (Section) are in the kernel's class registry, so a
//      design file can re-create them by name (they register themselves at
//      load; the step refuses to start a module where one is missing);
//   3. "result captions": the captions of the result-table columns by flag.
#pragma once

#include <map>
#include <string>
#include <vector>

extern double g_ModulePi;
extern std::map<int, std::string> g_ResultColumnCaptions;

// Empties both lists, then lists the flags in increasing order with their
// captions.
void ListResultColumns(std::vector<int>& flags, std::vector<std::string>& captions);
