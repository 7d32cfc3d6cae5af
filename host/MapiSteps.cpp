// The MAPI side of a scenario's state: how often the support library started and stopped MAPI.
// (The live MAPI objects and buffers are in the "live" section.)
#include "ScenarioSteps.h"
#include "Session.h"

namespace kestrin::host {

// Calls of the stand-in MAPI32's session functions so far, faulted calls included.
KESTRIN_SCENARIO_STATE(mapi, true) {
  Json j = Json::Object();
  for (const char* op : {"MAPIInitialize", "MAPILogonEx", "MAPIUninitialize"})
    j.Set(op, static_cast<std::int64_t>(session.profile.CallCount(op)));
  return j;
}

}  // namespace kestrin::host
