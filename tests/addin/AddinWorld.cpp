#include "AddinWorld.h"

#include <stdlib.h>
#if !defined(_WIN32)
#include <unistd.h>
#endif

#include <cstdio>

#include "addin/modOutlook.h"
#include "settings/modRegistry.h"

namespace kestrin::test {

#if !defined(_WIN32)
namespace {
// Before the first use of SystemRegistry(): this process's own hive, removed at exit. (Under
// Wine the registry is the test prefix's own.)
std::string gHive;
struct HiveSetup {
  HiveSetup() {
    gHive = "/tmp/kestrin-addin-tests-" + std::to_string(getpid()) + ".db";
    setenv("KESTRIN_HIVE", gHive.c_str(), 1);
    std::atexit([] { std::remove(gHive.c_str()); });
  }
} gHiveSetup;
}  // namespace
#endif

std::string StandinLibDirectory(std::string_view variant) {
#if defined(_WIN32)
  return "standin/" + std::string(variant);
#else
  return std::string(KESTRIN_TEST_LIBS) + "/" + std::string(variant);
#endif
}

HRESULT TestLoader::Load(const std::string& fullPath, Handle* handle) {
  ++loads;
  *handle = nullptr;
  if (refuseLoad) return kModuleNotFound;
  KESTRIN_RETURN_IF_FAILED(inner_.Load(fullPath, handle));
  ++liveHandles;
  return hr::ok;
}

HRESULT TestLoader::Lookup(Handle handle, const char* name, Function* function) {
  ++lookups;
  return inner_.Lookup(handle, name, function);
}

void TestLoader::Unload(Handle handle) {
  --liveHandles;
  inner_.Unload(handle);
}

void ClearSettings() { (void)SystemRegistry().DeleteTree(kHkeyCurrentUser, "Software\\Halvarn\\Kestrin"); }

void WriteSetting(std::u16string_view name, std::u16string_view value) {
  WriteRegistryValue(kSettingsRoot, kSettingsKey, name, std::u16string(value), kRegSz);
}

AddinWorld::AddinWorld(std::string_view libVariant) : loader(StandinLibDirectory(libVariant)) {
  standin::Profile& p = standin::Profile::Current();
  p.Reset();
  ClearSettings();
  standin::Store& main = p.AddStore(u"Mailbox", u"Top", true);
  top = main.top.get();
  inbox = &p.AddFolder(*top, u"Inbox");
  main.inbox = inbox;
  junk = &p.AddFolder(*top, u"Junk");
  spamFolder = &p.AddFolder(*top, u"Spam Folder");
  a = &p.AddFolder(*top, u"A");
  b = &p.AddFolder(*a, u"B");
  standin::Store& second = p.AddStore(u"Second", u"A", false);
  storeA = second.top.get();
  storeAInbox = &p.AddFolder(*storeA, u"Inbox");
  second.inbox = storeAInbox;
  p.AddTopContainer("Outlook Address Book");
  outlook = std::make_unique<standin::Outlook>();
  connect = ComPtr<Connect>(new Connect(loader));
}

AddinWorld::~AddinWorld() {
  ReleaseAll();
  ClearSettings();
  standin::Profile::Current().Reset();
}

HRESULT AddinWorld::ConnectAddin() {
  ComPtr<outlook::Application> app = outlook->Application();
  return connect->OnConnection(app.get(), 1, nullptr, nullptr);
}

HRESULT AddinWorld::Disconnect() { return connect->OnDisconnection(0, nullptr); }

void AddinWorld::AddToAddressBook(std::string address) {
  standin::Profile::Current().TopContainers().front()->entries.push_back({address, address});
}

standin::DeliverResult AddinWorld::DeliverMail(std::optional<std::string> sender, bool unread) {
  return outlook->Deliver(*inbox, standin::ItemKind::Mail, std::move(sender), unread);
}

bool AddinWorld::ReleaseAll() {
  connect = nullptr;
  outlook.reset();
  gobjOutlook() = nullptr;
  return standin::Profile::Current().liveOutlookObjects == 0;
}

}  // namespace kestrin::test
