// KestrinLIB's cost against the size of the Outlook Address Book. The floor is a plain scan of
// the same entries with the same comparison (A-Z folded), straight over the profile: what the
// library's search adds on top of it is MAPI's tables and row sets.
#include <benchmark/benchmark.h>
#include <dlfcn.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "SupportDLL/KestrinLIB.h"
#include "SupportDLL/MapiInterface.h"
#include "standin/Profile.h"

namespace {

using kestrin::standin::AbContainer;
using kestrin::standin::Profile;

constexpr char kKey[] = "463079";

struct Library {
  void* handle = nullptr;
  IsSenderInAddressBookFn isSender = nullptr;
  GetSenderAddressFn getSender = nullptr;

  Library() {
    handle = dlopen(KESTRINLIB_PATH, RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
      std::fprintf(stderr, "cannot load %s: %s\n", KESTRINLIB_PATH, dlerror());
      std::exit(1);
    }
    isSender = reinterpret_cast<IsSenderInAddressBookFn>(dlsym(handle, "IsSenderInAddressBook"));
    getSender = reinterpret_cast<GetSenderAddressFn>(dlsym(handle, "GetSenderAddress"));
  }
};

Library& Lib() {
  static Library lib;
  return lib;
}

struct Book {
  std::string senderHex;
  std::string sender;  // the address of the last entry, in another case
  AbContainer* contacts = nullptr;
};

std::string Hex(const kestrin::standin::Bytes& b) {
  static const char d[] = "0123456789ABCDEF";
  std::string s;
  for (auto x : b) {
    s += d[x >> 4];
    s += d[x & 15];
  }
  return s;
}

// A default store with one message, and an Outlook Address Book whose Contacts hold n entries,
// every tenth without an address, beside a Global Address List that is not searched.
Book BuildProfile(std::int64_t n) {
  Profile& p = Profile::Current();
  p.Reset();
  auto& store = p.AddStore(u"Personal Folders", u"Personal Folders", true);
  store.inbox = &p.AddFolder(*store.top, u"Inbox");
  p.AddAbEntry(p.AddChildContainer(p.AddTopContainer("Global Address List"), "Users"), "x", "x@example.net");
  AbContainer& book = p.AddTopContainer("Outlook Address Book");
  Book b;
  b.contacts = &p.AddChildContainer(book, "Contacts");
  std::string last;
  for (std::int64_t i = 0; i < n; ++i) {
    const std::string address = "contact." + std::to_string(i * 7919 % 1000003) + "@mail" + std::to_string(i % 97) +
                                ".example.com";
    const bool withAddress = i % 10 != 9 || i == n - 1;
    p.AddAbEntry(*b.contacts, "Contact " + std::to_string(i), withAddress ? std::optional(address) : std::nullopt);
    last = address;
  }
  for (char& c : last)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  b.sender = last;
  auto& item = p.AddItem(*store.inbox, kestrin::standin::ItemKind::Mail, b.sender, true);
  b.senderHex = Hex(item.entryId);
  return b;
}

// A fast path that leaked would not be a fair figure: only the library's session may be left.
void CheckNothingLeft(benchmark::State& state) {
  const Profile& p = Profile::Current();
  if (p.liveMapiBuffers != 0 || p.liveMapiObjects != 1) state.SkipWithError("MAPI buffers or objects left alive");
}

void BM_IsSenderInAddressBook(benchmark::State& state) {
  const Book book = BuildProfile(state.range(0));
  Library& lib = Lib();
  for (auto _ : state) benchmark::DoNotOptimize(lib.isSender(kKey, book.sender.c_str()));
  if (lib.isSender(kKey, book.sender.c_str()) != 1) state.SkipWithError("sender not found");
  CheckNothingLeft(state);
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

// One ItemAdd decision's library part: the sender's address, then the address-book test.
void BM_SenderDecision(benchmark::State& state) {
  const Book book = BuildProfile(state.range(0));
  Library& lib = Lib();
  char buffer[256];
  for (auto _ : state) {
    std::memset(buffer, 0, sizeof buffer);
    char* p = buffer;
    (void)lib.getSender(kKey, book.senderHex.c_str(), &p);
    benchmark::DoNotOptimize(lib.isSender(kKey, buffer));
  }
  if (std::strcmp(buffer, book.sender.c_str()) != 0) state.SkipWithError("wrong sender address");
  CheckNothingLeft(state);
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

bool FoldedEquals(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x += 32;
    if (y >= 'A' && y <= 'Z') y += 32;
    if (x != y) return false;
  }
  return true;
}

// The floor: every entry compared once, straight over the profile, no match ending the scan.
// Lengths are known here, so most entries are told apart without reading their text.
void BM_FloorScan(benchmark::State& state) {
  const Book book = BuildProfile(state.range(0));
  for (auto _ : state) {
    bool found = false;
    for (const auto& e : book.contacts->entries)
      if (e.address && FoldedEquals(book.sender, *e.address)) found = true;
    benchmark::DoNotOptimize(found);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

// The same scan over NUL-terminated text, as any reader of MAPI's strings has it: no length, so
// each entry is read up to its first difference. The address is folded once, as the library does.
void BM_FloorScanText(benchmark::State& state) {
  const Book book = BuildProfile(state.range(0));
  for (auto _ : state) {
    std::string folded = book.sender;
    for (char& c : folded)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    const auto* a = reinterpret_cast<const unsigned char*>(folded.c_str());
    bool found = false;
    for (const auto& e : book.contacts->entries) {
      if (!e.address) continue;
      const auto* b = reinterpret_cast<const unsigned char*>(e.address->c_str());
      std::size_t i = 0;
      for (; i < folded.size(); ++i) {
        const unsigned char y = b[i] >= 'A' && b[i] <= 'Z' ? b[i] + 32 : b[i];
        if (y != a[i]) break;
      }
      if (i == folded.size() && b[i] == '\0') found = true;
    }
    benchmark::DoNotOptimize(found);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

// What MAPI itself costs the search: one contents query of the same container into a row set,
// and its release. The search adds its own compare to this, and a few objects per container.
void BM_MapiContentsQuery(benchmark::State& state) {
  const Book book = BuildProfile(state.range(0));
  Lib();  // MAPI32 is loaded with the library
  MAPIINIT_0 init = {MAPI_INIT_VERSION, MAPI_NO_COINIT};
  LPMAPISESSION session = nullptr;
  LPADRBOOK addressBook = nullptr;
  LPUNKNOWN contacts = nullptr;
  ULONG type = 0;
  if (FAILED(MAPIInitialize(&init)) || FAILED(MAPILogonEx(0, nullptr, nullptr, 0x8008, &session)) ||
      FAILED(session->OpenAddressBook(0, nullptr, AB_NO_DIALOG, &addressBook)) ||
      FAILED(addressBook->OpenEntry(static_cast<ULONG>(book.contacts->entryId.size()),
                                    reinterpret_cast<LPENTRYID>(book.contacts->entryId.data()), nullptr, 0, &type,
                                    &contacts))) {
    state.SkipWithError("cannot open the container");
    return;
  }
  SizedSPropTagArray(3, columns) = {3, {PR_DISPLAY_NAME_A, PR_ENTRYID, PR_EMAIL_ADDRESS_A}};
  for (auto _ : state) {
    LPMAPITABLE table = nullptr;
    LPSRowSet rows = nullptr;
    (void)static_cast<LPABCONT>(contacts)->GetContentsTable(0, &table);
    (void)HrQueryAllRows(table, reinterpret_cast<LPSPropTagArray>(&columns), nullptr, nullptr, 0, &rows);
    benchmark::DoNotOptimize(rows->cRows);
    FreeProws(rows);
    UlRelease(table);
  }
  UlRelease(contacts);
  UlRelease(addressBook);
  UlRelease(session);
  MAPIUninitialize();
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

#define SIZES Arg(10)->Arg(1000)->Arg(10000)->Arg(100000)
BENCHMARK(BM_FloorScan)->SIZES;
BENCHMARK(BM_FloorScanText)->SIZES;
BENCHMARK(BM_MapiContentsQuery)->SIZES;
BENCHMARK(BM_IsSenderInAddressBook)->SIZES;
BENCHMARK(BM_SenderDecision)->SIZES;

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  // Unloading releases the library's session while the profile still exists.
  if (Lib().handle) dlclose(Lib().handle);
  return 0;
}
