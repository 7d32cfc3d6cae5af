// The stand-in Outlook: Outlook's objects (addin/OutlookHost.h) over the process's Profile, and
// the controller that plays the user and the mail server for kestrin-host and the tests.
//
// Controller (class Outlook; one per run, Outlook::Running() finds it):
//   Application()                         the Application to hand to OnConnection / CreateObject
//   OpenExplorer(folder) / CloseExplorer(id) / ActivateExplorer(id)
//   OpenInspector(item) / CloseInspector(id)
//       open raises Explorers.NewExplorer / Inspectors.NewInspector; close raises the window's
//       Close. An explorer leaves ActiveExplorer and Explorers.Count before its Close is raised;
//       an inspector is still counted by Inspectors.Count while its Close is raised (as Outlook).
//       ActiveExplorer is the most recently opened or activated open explorer.
//   SwitchFolder(id, folder)              Explorer.BeforeFolderSwitch, then the switch unless cancelled
//   RaiseStartup()                        Application.Startup
//   OpenOptionsDialog()                   Application.OptionsPagesAdd with a fresh PropertyPages;
//                                         SetPageAddHook lets the host create the page on Add
//   Deliver(folder, kind, sender, unread) a new item in folder, then Items.ItemAdd on its Items
//   RaiseItemAdd(item)                    Items.ItemAdd again for an item already in its folder
//   AddFolder / RenameFolder / DeleteFolder   the folder tree (a deleted folder's objects fail
//                                         with MAPI_E_NOT_FOUND; its items are deleted)
//   SetPickFolderAnswer(folder or null)   the folder dialog's scripted answer (null = cancel)
// Every raise returns the sinks' result: the first failure, else S_OK. Events reach only
// subscriptions that are live when the sink's turn comes.
//
// Observation: Subscriptions() (source and event interface of every live subscription),
// Explorers()/Inspectors() (windows), CallLog() (members called with arguments), Profile's
// CallCount(op), liveOutlookObjects, and every item's folder and unread flag in the Profile.
//
// Fault injection: Profile::Current().InjectFault(op, {nth, hr}) fails the nth call of op.
// Every member counts its call under one of these names:
//   Application.QueryInterface .Advise .Unadvise .Explorers .Inspectors .GetNamespace .ActiveExplorer
//   NameSpace.QueryInterface .Advise .Unadvise .GetDefaultFolder .Folders .PickFolder
//   Explorers.QueryInterface .Advise .Unadvise .Count
//   Inspectors.QueryInterface .Advise .Unadvise .Count
//   Explorer.QueryInterface .Advise .Unadvise .CurrentFolder
//   Inspector.QueryInterface .Advise .Unadvise
//   Folder.QueryInterface .Items .Name .FolderPath .Parent .Folders
//   Folders.QueryInterface .Item
//   Items.QueryInterface .Advise .Unadvise
//   MailItem.QueryInterface .Parent .EntryID .UnRead .Move
//   MeetingItem.QueryInterface  (a meeting request; answers no MailItem)
//   Item.QueryInterface         (an item of another kind; answers no MailItem)
//   PropertyPages.QueryInterface .Add
// A failed QueryInterface, Advise or member returns the injected result and changes nothing.
//
// The objects keep pointers into the Profile: reset or rebuild the Profile only while no
// stand-in Outlook object is alive (liveOutlookObjects == 0).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "../addin/OutlookHost.h"
#include "Profile.h"

namespace kestrin::standin {

// MAPI_E_NOT_FOUND: what Outlook reports for an absent folder or a deleted object.
inline constexpr HRESULT kNotFound = static_cast<HRESULT>(0x8004010Fu);
// CONNECT_E_NOCONNECTION: Unadvise with a cookie the source did not hand out.
inline constexpr HRESULT kNoConnection = static_cast<HRESULT>(0x80040200u);
// The IID of a meeting request (_MeetingItem); a non-mail item answers it, never MailItem.
inline constexpr Guid IID_MeetingItem = OleGuid(0x00063062);

struct SubscriptionInfo {
  std::string source;          // "Application", "NameSpace", "Explorers", "Inspectors",
                               // "Explorer 2", "Inspector 3", "Items \Top\Inbox"
  std::string eventInterface;  // "ApplicationEvents", "ItemsEvents", ...
  std::uint32_t cookie = 0;
};

struct WindowInfo {
  std::uint64_t id = 0;
  bool open = true;
  Folder* currentFolder = nullptr;  // explorers
  Item* item = nullptr;             // inspectors
};

struct PageAdd {
  std::u16string progId;
  std::u16string title;
  HRESULT result = hr::ok;  // what Add returned
};

struct OptionsDialogResult {
  HRESULT eventResult = hr::ok;  // OptionsPagesAdd's result
  std::vector<PageAdd> pages;    // what was added during the event
};

struct DeliverResult {
  Item* item = nullptr;
  HRESULT eventResult = hr::ok;  // ItemAdd's result
};

struct SwitchResult {
  HRESULT eventResult = hr::ok;
  bool cancelled = false;
};

struct WindowResult {
  std::uint64_t id = 0;          // the window's id (0 when it could not be opened)
  HRESULT eventResult = hr::ok;
};

// Called by PropertyPages.Add after the add is recorded; its result is Add's result.
using PageAddHook = std::function<HRESULT(outlook::PropertyPages& pages, const std::u16string& progId,
                                          const std::u16string& title)>;

struct OutlookState;

class KESTRIN_STANDIN_API Outlook {
 public:
  Outlook();
  ~Outlook();
  Outlook(const Outlook&) = delete;
  Outlook& operator=(const Outlook&) = delete;

  // The Outlook of this process, or null when none runs.
  static Outlook* Running();

  // A new reference to the Application.
  ComPtr<outlook::Application> Application();

  // ---- windows ----
  WindowResult OpenExplorer(Folder* currentFolder);
  HRESULT CloseExplorer(std::uint64_t id);
  HRESULT ActivateExplorer(std::uint64_t id);
  SwitchResult SwitchFolder(std::uint64_t explorerId, Folder* newFolder);
  WindowResult OpenInspector(Item* item);
  HRESULT CloseInspector(std::uint64_t id);
  std::vector<WindowInfo> Explorers() const;   // open ones, in opening order
  std::vector<WindowInfo> Inspectors() const;  // open ones, in opening order
  std::uint64_t ActiveExplorerId() const;      // 0 when none is open

  // ---- Application events ----
  HRESULT RaiseStartup();
  OptionsDialogResult OpenOptionsDialog();
  void SetPageAddHook(PageAddHook hook);

  // ---- mail ----
  DeliverResult Deliver(Folder& folder, ItemKind kind, std::optional<std::string> sender,
                        bool unread = true, std::u16string subject = {});
  HRESULT RaiseItemAdd(Item& item);

  // ---- folder tree ----
  Folder& AddFolder(Folder& parent, std::u16string name);
  void RenameFolder(Folder& folder, std::u16string name);
  // Removes the folder and its subtree; their items are deleted (Item::folder null).
  HRESULT DeleteFolder(Folder& folder);
  bool IsDeleted(const Folder& folder) const;

  // ---- the folder dialog ----
  void SetPickFolderAnswer(Folder* folder);  // null: the user cancels

  // ---- observation ----
  std::vector<SubscriptionInfo> Subscriptions() const;
  // Members called with arguments, e.g. "Folders.Item(Inbox)", "MailItem.UnRead(false)".
  const std::vector<std::string>& CallLog() const;
  void ClearCallLog();

 private:
  std::shared_ptr<OutlookState> state_;
};

}  // namespace kestrin::standin
