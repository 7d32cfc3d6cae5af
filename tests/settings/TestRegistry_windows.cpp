#include "TestRegistry.h"
#include "platform/windows/AdvapiRegistry.h"
#include "settings/CodePage.h"

namespace kestrin::test {

std::unique_ptr<Registry> MakeTestRegistry() {
  auto registry = std::make_unique<AdvapiRegistry>();
  (void)registry->DeleteTree(kHkeyCurrentUser, ToCodePage(kTestKey));
  return registry;
}

}  // namespace kestrin::test
