// libKestrin.so's four entry points: the class objects of Kestrin.Connect and Kestrin.OutAddIn,
// and per-user registration into the hive. Linux only; the COM logic lives in addin/.
#include "../../addin/ClassFactory.h"
#include "../../addin/Connect.h"
#include "../../addin/OutAddIn.h"
#include "ComRegistration.h"
#include "DlLoader.h"

#define KESTRIN_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

using namespace kestrin;

constexpr char kAddinKey[] = "Software\\Microsoft\\Office\\Outlook\\Addins\\Kestrin.Connect";

HRESULT Register(const std::string& path) {
  Registry& registry = SystemRegistry();
  KESTRIN_RETURN_IF_FAILED(com::RegisterTypeLib(registry, LIBID_Kestrin, "1.0", "Kestrin Outlook Add-in"));
  KESTRIN_RETURN_IF_FAILED(
      com::RegisterClass(registry, {CLSID_Connect, "Connect", "Kestrin.Connect", path, "Apartment", &LIBID_Kestrin}));
  KESTRIN_RETURN_IF_FAILED(com::RegisterClass(
      registry, {CLSID_OutAddIn, "OutAddIn", "Kestrin.OutAddIn", path, "Apartment", &LIBID_Kestrin}));
  KESTRIN_RETURN_IF_FAILED(com::SetString(registry, kHkeyCurrentUser, kAddinKey, "FriendlyName", "Kestrin"));
  KESTRIN_RETURN_IF_FAILED(
      com::SetString(registry, kHkeyCurrentUser, kAddinKey, "Description", "Pellor's Kestrin add-in"));
  return com::SetDword(registry, kHkeyCurrentUser, kAddinKey, "LoadBehavior", 3);
}

}  // namespace

KESTRIN_EXPORT HRESULT DllGetClassObject(const Guid& clsid, const Guid& iid, void** out) {
  return GetKestrinClassObject(clsid, iid, out, SystemLibraryLoader());
}

KESTRIN_EXPORT HRESULT DllCanUnloadNow() { return KestrinCanUnloadNow(); }

KESTRIN_EXPORT HRESULT DllRegisterServer() {
  return Guarded([]() -> HRESULT {
    std::string path;
    if (Failed(PathOfLoadedFileContaining(reinterpret_cast<const void*>(&DllRegisterServer), &path)))
      return hr::selfRegClass;
    const HRESULT result = Register(path);
    return Failed(result) ? hr::selfRegClass : hr::ok;
  });
}

KESTRIN_EXPORT HRESULT DllUnregisterServer() {
  return Guarded([]() -> HRESULT {
    Registry& registry = SystemRegistry();
    HRESULT result = hr::ok;
    // Remove all that can be removed, then report the first failure.
    auto keep = [&](HRESULT h) {
      if (Failed(h) && Succeeded(result)) result = h;
    };
    keep(com::UnregisterClass(registry, CLSID_Connect, "Kestrin.Connect"));
    keep(com::UnregisterClass(registry, CLSID_OutAddIn, "Kestrin.OutAddIn"));
    keep(com::UnregisterTypeLib(registry, LIBID_Kestrin));
    keep(com::DeleteKeyTree(registry, kHkeyCurrentUser, kAddinKey));
    return Failed(result) ? hr::selfRegClass : hr::ok;
  });
}
