// Host layer: the module's start-up and shut-down steps.
#include "platform/HostServices.h"

#include <algorithm>
#include <exception>

namespace {

struct Step {
  std::string name;
  ModuleStep startup;
  ModuleStep shutdown;
};

// Function-local statics, so that registrars of any source file find them
// constructed whatever the order of static initialisation.
struct Lifecycle {
  std::vector<Step> steps;
  std::size_t started = 0;  // steps whose start-up ran, from the front
  bool running = false;     // ModuleStartup completed
};

Lifecycle& State() {
  static Lifecycle state;
  return state;
}

// Shuts down the first `count` steps in reverse order; returns the first
// exception thrown.
std::exception_ptr ShutDownFirst(std::size_t count) {
  Lifecycle& s = State();
  std::exception_ptr first;
  for (std::size_t i = count; i-- > 0;) {
    s.started = i;
    if (!s.steps[i].shutdown) continue;
    try {
      s.steps[i].shutdown();
    } catch (...) {
      if (!first) first = std::current_exception();
    }
  }
  s.started = 0;
  return first;
}

}  // namespace

void RegisterModuleStep(const std::string& name, ModuleStep startup, ModuleStep shutdown) {
  Lifecycle& s = State();
  if (s.running || s.started > 0) throw std::logic_error("module step \"" + name + "\" registered while the module runs");
  const bool taken = std::any_of(s.steps.begin(), s.steps.end(), [&](const Step& x) { return x.name == name; });
  if (taken) throw std::logic_error("module step \"" + name + "\" registered twice");
  s.steps.push_back({name, std::move(startup), std::move(shutdown)});
}

ModuleStepRegistrar::ModuleStepRegistrar(const std::string& name, ModuleStep startup, ModuleStep shutdown) {
  RegisterModuleStep(name, std::move(startup), std::move(shutdown));
}

void ModuleStartup() {
  Lifecycle& s = State();
  if (s.running) return;
  for (std::size_t i = 0; i < s.steps.size(); ++i) {
    try {
      if (s.steps[i].startup) s.steps[i].startup();
    } catch (...) {
      // Undo what started; the start-up error is the one the caller sees.
      ShutDownFirst(i);
      throw;
    }
    s.started = i + 1;
  }
  s.running = true;
}

void ModuleShutdown() {
  Lifecycle& s = State();
  if (!s.running) return;
  s.running = false;
  if (std::exception_ptr e = ShutDownFirst(s.started)) std::rethrow_exception(e);
}

bool IsModuleStarted() { return State().running; }

std::vector<std::string> GetModuleStepNames() {
  std::vector<std::string> names;
  for (const Step& step : State().steps) names.push_back(step.name);
  return names;
}

void ResetModuleSteps() {
  Lifecycle& s = State();
  if (s.running) throw std::logic_error("module steps reset while the module runs");
  s.steps.clear();
  s.started = 0;
}
