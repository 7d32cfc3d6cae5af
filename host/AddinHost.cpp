#include "AddinHost.h"

#include <cstring>

#include "../platform/linux/ComActivation.h"
#include "../settings/CodePage.h"

namespace kestrin::host {

namespace {

// LoadBehavior: a REG_DWORD; -1 when the key or value is missing or of another type.
std::int64_t ReadLoadBehavior(Registry& registry, const std::string& key, bool* keyExists) {
  RegKey k = 0;
  *keyExists = registry.OpenKey(kHkeyCurrentUser, key, &k) == kErrorSuccess;
  if (!*keyExists) return -1;
  std::uint32_t type = 0;
  std::uint32_t value = 0;
  std::uint32_t size = sizeof value;
  const RegStatus st = registry.QueryValue(k, "LoadBehavior", &type, reinterpret_cast<std::uint8_t*>(&value), &size);
  (void)registry.CloseKey(k);
  if (st != kErrorSuccess || type != kRegDword || size != sizeof value) return -1;
  return value;
}

void WriteLoadBehavior(Registry& registry, const std::string& key, std::uint32_t value) {
  RegKey k = 0;
  if (registry.OpenKey(kHkeyCurrentUser, key, &k) != kErrorSuccess) return;
  (void)registry.SetValue(k, "LoadBehavior", kRegDword, reinterpret_cast<const std::uint8_t*>(&value), sizeof value);
  (void)registry.CloseKey(k);
}

}  // namespace

ConnectOutcome AddinHost::Connect(outlook::Application* application, const std::u16string& progId,
                                  std::int32_t connectMode) {
  ConnectOutcome result;
  const std::string key = std::string(kAddinsKey) + "\\" + ToCodePage(progId);
  bool keyExists = false;
  result.loadBehavior = ReadLoadBehavior(registry_, key, &keyExists);
  if (!keyExists) {
    result.outcome = "not registered";
    return result;
  }
  // Bit 0: connected; bit 1: load at start-up.
  if (result.loadBehavior < 0 || (result.loadBehavior & 3) != 3) {
    result.outcome = "not loaded";
    return result;
  }
  ComPtr<Unknown> object;
  HRESULT h = com::CreateFromProgId(registry_, progId, IID_IUnknown, reinterpret_cast<void**>(object.put()),
                                    &result.library);
  ComPtr<outlook::DTExtensibility2> addin;
  if (Succeeded(h)) h = object ? object.As(addin) : hr::pointer;
  if (Failed(h)) {
    result.outcome = "failed";
    result.hr = h;
    WriteLoadBehavior(registry_, key, 2);
    return result;
  }
  addin_ = addin;
  library_ = result.library;
  result.outcome = "connected";
  result.hr = addin_->OnConnection(application, connectMode, nullptr, nullptr);
  return result;
}

HRESULT AddinHost::Disconnect(std::int32_t removeMode) {
  if (!addin_) return hr::ok;
  const HRESULT h = addin_->OnDisconnection(removeMode, nullptr);
  addin_.reset();
  return h;
}

HRESULT AddinHost::StartupComplete() { return addin_ ? addin_->OnStartupComplete(nullptr) : hr::ok; }
HRESULT AddinHost::BeginShutdown() { return addin_ ? addin_->OnBeginShutdown(nullptr) : hr::ok; }
HRESULT AddinHost::AddInsUpdate() { return addin_ ? addin_->OnAddInsUpdate(nullptr) : hr::ok; }

HRESULT AddinHost::CanUnloadNow() const {
  if (library_.empty()) return hr::fail;
  return com::CanUnloadNow(library_);
}

}  // namespace kestrin::host
