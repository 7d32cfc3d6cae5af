// The add-in as Outlook runs it, over the stand-in Outlook and the real KestrinLIB over the
// stand-in MAPI32: connection plus start-up through the host's activation path (Addins key,
// ProgID, CLSID, dlopen, class factory, OnConnection, Startup), and one ItemAdd decision for each
// outcome. Outlook disables an add-in whose start-up takes over 1000 ms.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "host/AddinHost.h"
#include "platform/linux/ComActivation.h"
#include "settings/modRegistry.h"
#include "standin/Outlook.h"
#include "standin/Profile.h"

namespace {

using namespace kestrin;
namespace fs = std::filesystem;

struct World {
  std::string dir;
  standin::Folder* inbox = nullptr;
  standin::Folder* junk = nullptr;

  World() {
    std::string tmpl = (fs::temp_directory_path() / "kestrin-bench.XXXXXX").string();
    if (!mkdtemp(tmpl.data())) std::exit(1);
    dir = tmpl;
    setenv("KESTRIN_HIVE", (dir + "/registry.db").c_str(), 1);
    const std::string lib = std::string(KESTRIN_BIN_DIR) + "/libKestrin.so";
    if (Failed(com::RegisterServer(lib))) {
      std::fprintf(stderr, "cannot register %s: %s\n", lib.c_str(), com::LastLoadError().c_str());
      std::exit(1);
    }
    (void)WriteRegistryValue(kSettingsRoot, kSettingsKey, kValueDestination, std::u16string(u"\\Personal Folders\\Junk"), kRegSz);
    (void)WriteRegistryValue(kSettingsRoot, kSettingsKey, kValueDomains, std::u16string(u"partner.example;other.example;"), kRegSz);
    (void)WriteRegistryValue(kSettingsRoot, kSettingsKey, kValueMarkRead, std::u16string(u"Y"), kRegSz);

    standin::Profile& p = standin::Profile::Current();
    p.Reset();
    standin::Store& s = p.AddStore(u"Personal Folders", u"Personal Folders", true);
    inbox = &p.AddFolder(*s.top, u"Inbox");
    s.inbox = inbox;
    junk = &p.AddFolder(*s.top, u"Junk");
    standin::AbContainer& oab = p.AddTopContainer("Outlook Address Book");
    standin::AbContainer& contacts = p.AddChildContainer(oab, "Contacts");
    for (int i = 0; i < 50; ++i) contacts.entries.push_back({"Contact " + std::to_string(i), "contact" + std::to_string(i) + "@friends.example"});
  }
  ~World() {
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
};

World& TheWorld() {
  static World world;
  return world;
}

// Connection plus start-up, timed; the shutdown after it is not.
void BM_ConnectionAndStartup(benchmark::State& state) {
  World& w = TheWorld();
  for (auto _ : state) {
    standin::Outlook outlook;
    (void)outlook.OpenExplorer(w.inbox);
    host::AddinHost addin(SystemRegistry());
    const ComPtr<outlook::Application> app = outlook.Application();
    const auto start = std::chrono::steady_clock::now();
    const host::ConnectOutcome r = addin.Connect(app.get(), u"Kestrin.Connect", 1);
    const HRESULT startup = outlook.RaiseStartup();
    const auto end = std::chrono::steady_clock::now();
    state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    if (r.outcome != "connected" || Failed(r.hr) || Failed(startup)) {
      state.SkipWithError("the add-in did not connect and start");
      break;
    }
    (void)addin.Disconnect(0);
  }
}
BENCHMARK(BM_ConnectionAndStartup)->UseManualTime()->Unit(benchmark::kMicrosecond);

// One ItemAdd on the Inbox's items: the filter's whole decision for one item.
enum Sender { kInAddressBook, kInAcceptedDomain, kUnknown, kMeeting };

void BM_ItemAddDecision(benchmark::State& state) {
  World& w = TheWorld();
  const auto which = static_cast<Sender>(state.range(0));
  standin::Outlook outlook;
  (void)outlook.OpenExplorer(w.inbox);
  host::AddinHost addin(SystemRegistry());
  {
    const ComPtr<outlook::Application> app = outlook.Application();
    if (addin.Connect(app.get(), u"Kestrin.Connect", 1).outcome != "connected" || Failed(outlook.RaiseStartup())) {
      state.SkipWithError("the add-in did not connect and start");
      return;
    }
  }
  const char* sender = which == kInAddressBook ? "contact49@friends.example"   // the last entry
                       : which == kInAcceptedDomain ? "bob@mail.other.example"  // the second domain
                                                    : "deals@bargains.example";
  standin::Item& item = standin::Profile::Current().AddItem(
      *w.inbox, which == kMeeting ? standin::ItemKind::MeetingRequest : standin::ItemKind::Mail, std::string(sender), true);
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    const HRESULT h = outlook.RaiseItemAdd(item);
    const auto end = std::chrono::steady_clock::now();
    state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    const bool moved = item.folder == w.junk;
    if (Failed(h) || moved != (which == kUnknown)) {
      state.SkipWithError("unexpected decision");
      break;
    }
    if (moved) {  // back to the Inbox, unread, for the next round (not timed)
      auto& j = w.junk->items;
      j.erase(std::remove(j.begin(), j.end(), &item), j.end());
      w.inbox->items.push_back(&item);
      item.folder = w.inbox;
      item.unread = true;
    }
  }
  (void)addin.Disconnect(0);
  auto& inboxItems = w.inbox->items;  // the item stays in the profile, out of the folder
  inboxItems.erase(std::remove(inboxItems.begin(), inboxItems.end(), &item), inboxItems.end());
  item.folder = nullptr;
}
BENCHMARK(BM_ItemAddDecision)
    ->ArgName("sender")  // 0 in the address book, 1 in an accepted domain, 2 unknown (moved), 3 a meeting request
    ->Arg(kInAddressBook)->Arg(kInAcceptedDomain)->Arg(kUnknown)->Arg(kMeeting)
    ->UseManualTime()->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
