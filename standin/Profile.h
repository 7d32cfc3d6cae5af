// The in-memory mail profile: one per process, shared by the stand-in Outlook (in the host) and
// the stand-in MAPI32 (under KestrinLIB), as Outlook and MAPI are two views of one mail profile.
// Built as one shared library (libstandin.so) that both link, so there is one copy of this state.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "../settings/HResult.h"

#if defined(_WIN32)
#define KESTRIN_STANDIN_API
#else
#define KESTRIN_STANDIN_API __attribute__((visibility("default")))
#endif

namespace kestrin::standin {

using Bytes = std::vector<std::uint8_t>;

enum class ItemKind { Mail, MeetingRequest, Other };

struct Store;
struct Folder;

struct Item {
  std::uint64_t id = 0;
  Bytes entryId;                              // unique across the profile
  ItemKind kind = ItemKind::Mail;
  std::optional<std::string> senderAddress;   // PR_SENDER_EMAIL_ADDRESS_A bytes, or none
  bool unread = true;
  std::u16string subject;
  Folder* folder = nullptr;                   // null once deleted
};

struct Folder {
  std::uint64_t id = 0;
  std::u16string name;
  Store* store = nullptr;
  Folder* parent = nullptr;                   // null for a store's top-level folder
  std::vector<std::unique_ptr<Folder>> children;
  std::vector<Item*> items;                   // in arrival order
};

struct Store {
  std::u16string displayName;
  Bytes entryId;
  bool isDefault = false;
  std::unique_ptr<Folder> top;                // the top-level folder (its name shows in Outlook)
  Folder* inbox = nullptr;                    // the store's default Inbox, if any
};

// Address book: the root's hierarchy holds the top-level containers ("Outlook Address Book" among
// them); a container holds child containers and entries.
struct AbEntry {
  std::string displayName;
  std::optional<std::string> address;         // PR_EMAIL_ADDRESS_A, or none
};
struct AbContainer {
  std::string displayName;
  Bytes entryId;
  std::vector<std::unique_ptr<AbContainer>> children;
  std::vector<AbEntry> entries;
  // The entries' PR_ENTRYIDs end to end (entryId, then the entry's place as 4 bytes), kept by the
  // MAPI view so that its rows point here instead of copying them; rebuilt when stale.
  Bytes entryIdsOfEntries;
};

struct Window {
  std::uint64_t id = 0;
  bool open = true;
  Folder* currentFolder = nullptr;            // explorers
  Item* item = nullptr;                       // inspectors
};

// A fault: the nth call (1-based) of an operation fails with result.
struct Fault {
  std::uint64_t nth = 0;
  HRESULT result = hr::fail;
};

class KESTRIN_STANDIN_API Profile {
 public:
  // The profile of this process.
  static Profile& Current();
  // Drops everything: stores, address book, windows, faults, counters.
  void Reset();

  // ---- building ----
  Store& AddStore(std::u16string displayName, std::u16string topFolderName, bool isDefault);
  Folder& AddFolder(Folder& parent, std::u16string name);
  Item& AddItem(Folder& folder, ItemKind kind, std::optional<std::string> sender, bool unread,
                std::u16string subject = {});
  AbContainer& AddTopContainer(std::string displayName);
  AbContainer& AddChildContainer(AbContainer& parent, std::string displayName);

  // ---- looking up ----
  Store* DefaultStore();
  Folder* DefaultInbox();
  // Absolute form "\Top\A\B", names exact; null when absent.
  Folder* FindFolder(const std::u16string& path);
  std::u16string PathOf(const Folder& folder) const;  // "\Top\A\B"
  Item* FindItemByEntryId(const Bytes& entryId);
  Store* FindStoreByEntryId(const Bytes& entryId);
  AbContainer* FindContainerByEntryId(const Bytes& entryId);

  std::vector<std::unique_ptr<Store>>& Stores() { return stores_; }
  std::vector<std::unique_ptr<Item>>& AllItems() { return items_; }
  std::vector<std::unique_ptr<AbContainer>>& TopContainers() { return topContainers_; }

  // ---- fault injection and call counting, shared by both views ----
  // Counts the call of op and returns the injected failure for this call, or S_OK.
  HRESULT Call(const std::string& op);
  void InjectFault(const std::string& op, Fault fault);
  void ClearFaults();
  std::uint64_t CallCount(const std::string& op) const;
  const std::map<std::string, std::uint64_t>& CallCounts() const { return calls_; }

  // ---- live-object bookkeeping (leaks fail tests) ----
  std::int64_t liveOutlookObjects = 0;
  std::int64_t liveMapiObjects = 0;
  std::int64_t liveMapiBuffers = 0;

  // ---- the MAPI view (platform/linux/mapi32) ----
  AbEntry& AddAbEntry(AbContainer& container, std::string displayName, std::optional<std::string> address);
  std::int64_t mapiInitialized = 0;       // MAPIInitialize calls not yet undone by MAPIUninitialize
  std::uint32_t lastMapiInitFlags = 0;    // ulFlags of the last MAPIINIT_0 passed to MAPIInitialize
  std::uint32_t lastMapiLogonFlags = 0;   // flFlags of the last MAPILogonEx
  bool mapiLogonLeavesSession = false;    // a failing MAPILogonEx still hands out a session

 private:
  std::uint64_t nextId_ = 1;
  std::vector<std::unique_ptr<Store>> stores_;
  std::vector<std::unique_ptr<Item>> items_;
  std::vector<std::unique_ptr<AbContainer>> topContainers_;
  std::map<std::string, std::vector<Fault>> faults_;
  std::map<std::string, std::uint64_t> calls_;
};

}  // namespace kestrin::standin
