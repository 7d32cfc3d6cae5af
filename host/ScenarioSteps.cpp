#include "ScenarioSteps.h"

#include <algorithm>

namespace kestrin::host {

namespace {
// Function-local statics: registrations run during static initialisation, in any order.
std::vector<StepInfo>& Steps() {
  static std::vector<StepInfo> steps;
  return steps;
}
std::vector<StateInfo>& Sections() {
  static std::vector<StateInfo> sections;
  return sections;
}
}  // namespace

bool RegisterStep(const char* name, StepFn fn, const char* summary) {
  auto& steps = Steps();
  auto at = std::lower_bound(steps.begin(), steps.end(), std::string(name),
                             [](const StepInfo& s, const std::string& n) { return s.name < n; });
  steps.insert(at, StepInfo{name, fn, summary});
  return true;
}

bool RegisterStateSection(const char* name, StateFn fn, bool byDefault) {
  Sections().push_back(StateInfo{name, fn, byDefault});
  return true;
}

const StepInfo* FindStep(const std::string& name) {
  for (const StepInfo& s : Steps())
    if (s.name == name) return &s;
  return nullptr;
}

const StateInfo* FindStateSection(const std::string& name) {
  for (const StateInfo& s : Sections())
    if (s.name == name) return &s;
  return nullptr;
}

const std::vector<StepInfo>& AllSteps() { return Steps(); }
const std::vector<StateInfo>& AllStateSections() { return Sections(); }

}  // namespace kestrin::host
