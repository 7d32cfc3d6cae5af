#include "PageRegistration.h"

#include <string>
#include <utility>

#include "../../../addin/GuidText.h"
#include "../../../optionspage/OptionsPage.h"
#include "../../../settings/CodePage.h"
#include "../ComRegistration.h"

namespace kestrin::page {
namespace {

std::string Classes(const std::string& key) { return std::string(com::kClassesKey) + "\\" + key; }

constexpr std::pair<const Guid*, const char*> kInterfaces[] = {
    {&IID__OptionsPage, "_OptionsPage"},
    {&DIID___OptionsPage, "__OptionsPage"},
};

}  // namespace

HRESULT RegisterOptionsPage(Registry& registry, const std::string& libraryPath) {
  const std::string version = ToCodePage(kTypeLibVersion);
  const std::string libid = GuidToText(LIBID_KestrinPPE);
  com::ClassRegistration entry;
  entry.clsid = CLSID_OptionsPage;
  entry.className = ToCodePage(kClassName);
  entry.progId = ToCodePage(kProgId);
  entry.libraryPath = libraryPath;
  entry.typeLib = &LIBID_KestrinPPE;
  KESTRIN_RETURN_IF_FAILED(com::RegisterClass(registry, entry));
  KESTRIN_RETURN_IF_FAILED(com::RegisterTypeLib(registry, LIBID_KestrinPPE, version, ToCodePage(kTypeLibHelpString)));

  // What a container reads of an ActiveX control before it creates one.
  const std::string clsid = Classes("CLSID\\" + GuidToText(CLSID_OptionsPage));
  KESTRIN_RETURN_IF_FAILED(com::SetString(registry, kHkeyCurrentUser, clsid + "\\Version", "", version));
  KESTRIN_RETURN_IF_FAILED(com::SetString(registry, kHkeyCurrentUser, clsid + "\\Control", "", ""));
  KESTRIN_RETURN_IF_FAILED(com::SetString(registry, kHkeyCurrentUser, clsid + "\\MiscStatus", "", "0"));
  KESTRIN_RETURN_IF_FAILED(
      com::SetString(registry, kHkeyCurrentUser, clsid + "\\MiscStatus\\1", "", std::to_string(kMiscStatus)));
  for (const auto& [iid, name] : kInterfaces) {
    const std::string key = Classes("Interface\\" + GuidToText(*iid));
    KESTRIN_RETURN_IF_FAILED(com::SetString(registry, kHkeyCurrentUser, key, "", name));
    KESTRIN_RETURN_IF_FAILED(com::SetString(registry, kHkeyCurrentUser, key + "\\TypeLib", "", libid));
    KESTRIN_RETURN_IF_FAILED(com::SetString(registry, kHkeyCurrentUser, key + "\\TypeLib", "Version", version));
  }
  return hr::ok;
}

HRESULT UnregisterOptionsPage(Registry& registry) {
  // Every removal runs; the first failure is the result.
  HRESULT result = hr::ok;
  auto keep = [&](HRESULT h) {
    if (Failed(h) && Succeeded(result)) result = h;
  };
  keep(com::UnregisterClass(registry, CLSID_OptionsPage, ToCodePage(kProgId)));
  keep(com::UnregisterTypeLib(registry, LIBID_KestrinPPE));
  for (const auto& [iid, name] : kInterfaces)
    keep(com::DeleteKeyTree(registry, kHkeyCurrentUser, Classes("Interface\\" + GuidToText(*iid))));
  return result;
}

}  // namespace kestrin::page
