// The fixture of the add-in's tests: a profile with two stores, the stand-in Outlook, the
// settings in a private hive, and Connect with a loader that finds a stand-in KestrinLIB.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "addin/Connect.h"
#include "addin/OutAddIn.h"
#if defined(_WIN32)
#include "InProcessLoader.h"
#else
#include "platform/linux/DlLoader.h"
#endif
#include "settings/modRegistry.h"
#include "standin/Outlook.h"

namespace kestrin::test {

// The directory of a stand-in KestrinLIB variant: "full", "no-sender", "no-book"; anything else
// is a directory without the library.
std::string StandinLibDirectory(std::string_view variant);

// The real loader (in-process in the cross builds), counted, and able to refuse the load on request.
class TestLoader final : public LibraryLoader {
 public:
  explicit TestLoader(std::string directory) : inner_(std::move(directory)) {}
  HRESULT SupportLibraryPath(std::string* path) override { return inner_.SupportLibraryPath(path); }
  HRESULT Load(const std::string& fullPath, Handle* handle) override;
  HRESULT Lookup(Handle handle, const char* name, Function* function) override;
  void Unload(Handle handle) override;

  bool refuseLoad = false;
  int loads = 0;
  int lookups = 0;
  int liveHandles = 0;

 private:
#if defined(_WIN32)
  InProcessLoader inner_;
#else
  DlLoader inner_;
#endif
};

// ASCII text of a wide text, for messages.
inline std::string Narrow(std::u16string_view text) {
  std::string out;
  for (char16_t c : text) out += c < 0x80 ? static_cast<char>(c) : '?';
  return out;
}

// The settings, in a hive of this test process.
void ClearSettings();
void WriteSetting(std::u16string_view name, std::u16string_view value);

class AddinWorld {
 public:
  explicit AddinWorld(std::string_view libVariant = "full");
  ~AddinWorld();
  AddinWorld(const AddinWorld&) = delete;
  AddinWorld& operator=(const AddinWorld&) = delete;

  // OnConnection with Outlook's Application; its result.
  HRESULT ConnectAddin();
  HRESULT Disconnect();
  OutAddIn* addin() const { return connect->AddIn(); }
  void AddToAddressBook(std::string address);
  standin::DeliverResult DeliverMail(std::optional<std::string> sender, bool unread = true);
  std::size_t Subscriptions() const { return outlook->Subscriptions().size(); }
  // Lets Outlook, the add-in and every reference go; true when no stand-in object is left.
  bool ReleaseAll();

  // \Top (default store): Inbox, Junk, Spam Folder, A\B; \A: Inbox.
  standin::Folder* top = nullptr;
  standin::Folder* inbox = nullptr;
  standin::Folder* junk = nullptr;
  standin::Folder* spamFolder = nullptr;
  standin::Folder* a = nullptr;
  standin::Folder* b = nullptr;
  standin::Folder* storeA = nullptr;
  standin::Folder* storeAInbox = nullptr;

  std::unique_ptr<standin::Outlook> outlook;
  TestLoader loader;
  ComPtr<Connect> connect;
};

}  // namespace kestrin::test
