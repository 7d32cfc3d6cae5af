// The steps and state sections of a scenario. Each step is one function, registered by name:
//
//   KESTRIN_SCENARIO_STEP(deliver, "a new item in a folder, then ItemAdd") {
//     const auto to = step.Str("to", "");        // read and check every member first
//     if (ctx.checking) return hr::ok;           // the check pass ends here: nothing changes
//     ... ctx.session->outlook.Deliver(...) ...  // then act
//     ctx.output.Set("item", ...);               // extra members of the step's printed result
//     return eventResult;                        // printed as the step's "hr"
//   }
//
// Every step runs twice: once with ctx.checking before anything runs (so a bad file fails
// before it changes anything), and once for real. Members that the function never reads are
// reported as unknown. A state section adds one member to every step's "state".
#pragma once

#include <string>
#include <vector>

#include "../settings/HResult.h"
#include "Json.h"
#include "ScenarioNode.h"

namespace kestrin::host {

class Session;

struct StepContext {
  bool checking = true;        // read and check the step's members only
  Session* session = nullptr;  // null while checking
  Json output = Json::Object();
};

using StepFn = HRESULT (*)(StepContext& ctx, const Node& step);
using StateFn = Json (*)(Session& session);

struct StepInfo {
  std::string name;
  StepFn run;
  std::string summary;
};
struct StateInfo {
  std::string name;
  StateFn build;
  bool byDefault;  // shown unless the scenario's "show" lists the sections itself
};

bool RegisterStep(const char* name, StepFn fn, const char* summary);
bool RegisterStateSection(const char* name, StateFn fn, bool byDefault);
const StepInfo* FindStep(const std::string& name);
const StateInfo* FindStateSection(const std::string& name);
const std::vector<StepInfo>& AllSteps();            // in name order
const std::vector<StateInfo>& AllStateSections();  // in registration order of the defaults first

}  // namespace kestrin::host

#define KESTRIN_SCENARIO_STEP(name, summary)                                                   \
  static ::kestrin::HRESULT Step_##name(::kestrin::host::StepContext& ctx,                    \
                                        const ::kestrin::host::Node& step);                   \
  [[maybe_unused]] static const bool kStepRegistered_##name =                                 \
      ::kestrin::host::RegisterStep(#name, &Step_##name, summary);                            \
  static ::kestrin::HRESULT Step_##name([[maybe_unused]] ::kestrin::host::StepContext& ctx,   \
                                        [[maybe_unused]] const ::kestrin::host::Node& step)

#define KESTRIN_SCENARIO_STATE(name, byDefault)                                                \
  static ::kestrin::host::Json State_##name(::kestrin::host::Session& session);               \
  [[maybe_unused]] static const bool kStateRegistered_##name =                                \
      ::kestrin::host::RegisterStateSection(#name, &State_##name, byDefault);                 \
  static ::kestrin::host::Json State_##name([[maybe_unused]] ::kestrin::host::Session& session)
