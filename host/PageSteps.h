// The options page in a scenario: how the Options dialog hosts a page that PropertyPages.Add
// created, and the steps that work the page (host/PageSteps.cpp, see docs/scenarios.md).
#pragma once

#include "../settings/HResult.h"

namespace kestrin::host {

class Session;
struct OpenPage;

// As Outlook hosts a control in a tab: gives it a client site (which offers a page site unless
// the scenario's pageSite step said not to), then initialises it as a new instance.
HRESULT HostPage(Session& session, OpenPage& page);

}  // namespace kestrin::host
