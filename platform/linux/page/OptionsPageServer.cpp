// libKestrinOptionsPage.so: the options page as an in-process COM server on Linux. The four
// entry points of a self-registering server and nothing else are exported. Pages get the
// headless view, the process's registry (the hive) and CreateObject through the host's
// KestrinCoCreateInstance. Links no other deliverable: settings/ is its own static copy.
#include <dlfcn.h>

#include <climits>
#include <cstdlib>
#include <string>

#include "../../../addin/ComPtr.h"
#include "../../../optionspage/OptionsPage.h"
#include "../../../settings/Registry.h"
#include "CreateObject.h"
#include "PageRegistration.h"

#define KESTRIN_EXPORT extern "C" __attribute__((visibility("default")))

namespace kestrin::page {
namespace {

std::int32_t gServerLocks = 0;

class PageClassFactory final : public ClassFactory {
 public:
  HRESULT QueryInterface(const Guid& iid, void** out) override {
    if (!out) return hr::pointer;
    *out = nullptr;
    if (iid != IID_IUnknown && iid != ClassFactory::iid) return hr::noInterface;
    *out = static_cast<ClassFactory*>(this);
    return hr::ok;
  }
  // One factory for the life of the library: counted as a server lock only through LockServer.
  std::uint32_t AddRef() override { return 2; }
  std::uint32_t Release() override { return 1; }

  HRESULT CreateInstance(Unknown* outer, const Guid& iid, void** out) override {
    if (!out) return hr::pointer;
    *out = nullptr;
    if (outer) return hr::noAggregation;
    return Guarded([&]() -> HRESULT {
      OptionsPage* page = OptionsPage::CreateHeadless(&CreateObjectThroughHost, SystemRegistry());
      const HRESULT h = page->QueryInterface(iid, out);
      page->Release();
      return h;
    });
  }
  HRESULT LockServer(bool lock) override {
    gServerLocks += lock ? 1 : -1;
    return hr::ok;
  }
};

PageClassFactory gFactory;

// The full path of this library, as InprocServer32 names it.
std::string OwnPath() {
  Dl_info info{};
  if (!dladdr(reinterpret_cast<void*>(&OwnPath), &info) || !info.dli_fname) return {};
  char resolved[PATH_MAX];
  if (realpath(info.dli_fname, resolved)) return resolved;
  return info.dli_fname;
}

}  // namespace
}  // namespace kestrin::page

using namespace kestrin;

KESTRIN_EXPORT HRESULT DllGetClassObject(const Guid& clsid, const Guid& iid, void** out) {
  if (!out) return hr::pointer;
  *out = nullptr;
  if (!(clsid == page::CLSID_OptionsPage)) return hr::classNotAvailable;
  return page::gFactory.QueryInterface(iid, out);
}

KESTRIN_EXPORT HRESULT DllCanUnloadNow() {
  return page::OptionsPage::LiveObjects() == 0 && page::gServerLocks == 0 ? hr::ok : hr::falseOk;
}

KESTRIN_EXPORT HRESULT DllRegisterServer() {
  return Guarded([] {
    const std::string path = page::OwnPath();
    if (path.empty()) return hr::selfRegClass;
    return page::RegisterOptionsPage(SystemRegistry(), path);
  });
}

KESTRIN_EXPORT HRESULT DllUnregisterServer() {
  return Guarded([] { return page::UnregisterOptionsPage(SystemRegistry()); });
}
