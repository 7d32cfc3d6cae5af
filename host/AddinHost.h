// How Outlook loads and talks to a COM add-in: the per-user Addins key, LoadBehavior, the ProgID's
// class from the hive, the IDTExtensibility2 calls. One add-in per AddinHost.
#pragma once

#include <cstdint>
#include <string>

#include "../addin/OutlookHost.h"
#include "../settings/Registry.h"

namespace kestrin::host {

// "Software\Microsoft\Office\Outlook\Addins" under HKEY_CURRENT_USER.
inline constexpr char kAddinsKey[] = "Software\\Microsoft\\Office\\Outlook\\Addins";

struct ConnectOutcome {
  // "connected": created and OnConnection called (hr is its result);
  // "not registered": no Addins key for the ProgID; "not loaded": LoadBehavior is not 3;
  // "failed": the class could not be created (hr says why; LoadBehavior becomes 2, as Outlook
  // does with an add-in that fails to load).
  std::string outcome;
  HRESULT hr = hr::ok;
  std::int64_t loadBehavior = -1;  // as read, -1 when missing
  std::string library;             // the InprocServer32 path, when it was found
};

class AddinHost {
 public:
  explicit AddinHost(Registry& registry) : registry_(registry) {}
  ~AddinHost() { Release(); }
  AddinHost(const AddinHost&) = delete;
  AddinHost& operator=(const AddinHost&) = delete;

  // Outlook's start: loads progId's add-in when its key says LoadBehavior 3, then OnConnection.
  ConnectOutcome Connect(outlook::Application* application, const std::u16string& progId,
                         std::int32_t connectMode);
  // OnDisconnection, then the add-in object is released (whatever OnDisconnection returned).
  [[nodiscard]] HRESULT Disconnect(std::int32_t removeMode);
  [[nodiscard]] HRESULT StartupComplete();
  [[nodiscard]] HRESULT BeginShutdown();
  [[nodiscard]] HRESULT AddInsUpdate();

  bool Loaded() const { return static_cast<bool>(addin_); }
  const std::string& Library() const { return library_; }
  // The library's DllCanUnloadNow (S_OK: it holds no objects); a failure when none was loaded.
  [[nodiscard]] HRESULT CanUnloadNow() const;
  // Lets go of the add-in without telling it (the host's own end).
  void Release() { addin_.reset(); }

 private:
  Registry& registry_;
  ComPtr<outlook::DTExtensibility2> addin_;
  std::string library_;
};

}  // namespace kestrin::host
