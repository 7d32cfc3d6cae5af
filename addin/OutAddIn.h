// OutAddIn: holds Outlook's objects whose events the add-in handles, loads the settings at
// start-up, runs the incoming-mail filter, and lets go of Outlook when its last window closes.
// Connect reaches it only through AttachToOutlook and DetachFromOutlook (C++ members of this
// library, not part of its COM interface).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "../settings/DomainCollection.h"
#include "ComPtr.h"
#include "EventField.h"
#include "KestrinLib.h"
#include "OutlookHost.h"

namespace kestrin {

// The identities of the class and its default interface _OutAddIn (dual, hidden, no members).
inline constexpr Guid CLSID_OutAddIn = {0x5E1C7A42, 0x3B9D, 0x4F60, {0x9A, 0x11, 0x2C, 0x7E, 0x48, 0xD0, 0x61, 0xB3}};
inline constexpr Guid IID__OutAddIn = {0x5E1C7A43, 0x3B9D, 0x4F60, {0x9A, 0x11, 0x2C, 0x7E, 0x48, 0xD0, 0x61, 0xB3}};

// VB's "This key is already associated with an element of this collection" (error 457), the
// failure of adding a duplicate domain.
inline constexpr HRESULT kDuplicateKey = static_cast<HRESULT>(0x800A01C9u);
// MAPI_E_NOT_FOUND: a destination path that names no folder.
inline constexpr HRESULT kFolderNotFound = static_cast<HRESULT>(0x8004010Fu);

// The text before the first NUL, without leading and trailing spaces (the space only).
std::u16string StripAtNull(std::u16string_view text);

class OutAddIn final : public Unknown {
 public:
  static constexpr Guid iid = IID__OutAddIn;

  explicit OutAddIn(LibraryLoader& loader);
  OutAddIn(const OutAddIn&) = delete;
  OutAddIn& operator=(const OutAddIn&) = delete;

  HRESULT QueryInterface(const Guid& iid, void** out) override;
  std::uint32_t AddRef() override;
  std::uint32_t Release() override;

  // Stores the Application and what hangs off it; the first failure ends it.
  [[nodiscard]] HRESULT AttachToOutlook(outlook::Application* application);
  // Lets go of the windows, the name space and the Application; the item sources and the
  // settings stay until this object goes.
  [[nodiscard]] HRESULT DetachFromOutlook();

  // ---- event handlers ----
  HRESULT objOutlook_Startup();
  HRESULT objOutlook_OptionsPagesAdd(outlook::PropertyPages* pages);
  HRESULT objInboxItems_ItemAdd(Unknown* item);
  HRESULT objJunkItems_ItemAdd(Unknown* item);
  HRESULT colExpl_NewExplorer(outlook::Explorer* explorer);
  HRESULT colInsp_NewInspector(outlook::Inspector* inspector);
  HRESULT objExpl_BeforeFolderSwitch(Unknown* newFolder, bool* cancel);
  HRESULT objExpl_Close();
  HRESULT objInsp_Close();

  bool CheckAcceptedDomain(std::u16string_view address) const;

  // ---- observation, for tests and the host ----
  const DomainCollection& Domains() const { return colDomains; }
  bool MarkSpamAsRead() const { return bMarkSpamAsRead; }
  bool Attached() const { return static_cast<bool>(objOutlook); }
  outlook::Explorer* TrackedExplorer() const { return objExpl.get(); }
  outlook::Inspector* TrackedInspector() const { return objInsp.get(); }
  outlook::Items* InboxItems() const { return objInboxItems.get(); }
  outlook::Items* JunkItems() const { return objJunkItems.get(); }

 private:
  ~OutAddIn();

  // One sink per field: two fields may share an event interface (Items, Close) but not a handler.
  struct ApplicationSink final : outlook::ApplicationEvents {
    OutAddIn* self = nullptr;
    HRESULT Startup() override;
    HRESULT OptionsPagesAdd(outlook::PropertyPages* pages) override;
  };
  struct NameSpaceSink final : outlook::NameSpaceEvents {};
  struct ExplorersSink final : outlook::ExplorersEvents {
    OutAddIn* self = nullptr;
    HRESULT NewExplorer(outlook::Explorer* explorer) override;
  };
  struct InspectorsSink final : outlook::InspectorsEvents {
    OutAddIn* self = nullptr;
    HRESULT NewInspector(outlook::Inspector* inspector) override;
  };
  struct ExplorerSink final : outlook::ExplorerEvents {
    OutAddIn* self = nullptr;
    HRESULT BeforeFolderSwitch(Unknown* newFolder, bool* cancel) override;
    HRESULT Close() override;
  };
  struct InspectorSink final : outlook::InspectorEvents {
    OutAddIn* self = nullptr;
    HRESULT Close() override;
  };
  struct InboxItemsSink final : outlook::ItemsEvents {
    OutAddIn* self = nullptr;
    HRESULT ItemAdd(Unknown* item) override;
  };
  struct JunkItemsSink final : outlook::ItemsEvents {
    OutAddIn* self = nullptr;
    HRESULT ItemAdd(Unknown* item) override;
  };

  HRESULT FilterItem(Unknown* item);
  HRESULT LoadSettings();

  std::uint32_t refs_ = 0;
  KestrinLib kestrinLib_;

  // The sinks live apart from the object. A source that refuses an Unadvise keeps calling its
  // sink, as a connection point keeps its reference to one: the sinks then outlive the object,
  // answering S_OK and doing nothing, and keep the library loaded, rather than leaving the source
  // a pointer to freed memory.
  struct Sinks {
    ApplicationSink application;
    NameSpaceSink nameSpace;
    ExplorersSink explorers;
    InspectorsSink inspectors;
    ExplorerSink explorer;
    InspectorSink inspector;
    InboxItemsSink inboxItems;
    JunkItemsSink junkItems;
    bool stillSubscribed = false;  // some source refused an Unadvise
  };
  // Declared before the fields, so it goes after every field has unsubscribed.
  struct SinksHolder {
    explicit SinksHolder(OutAddIn* self);
    SinksHolder(const SinksHolder&) = delete;
    SinksHolder& operator=(const SinksHolder&) = delete;
    ~SinksHolder();
    Sinks* sinks;
  } sinks_{this};

  EventField<outlook::Application> objOutlook{&sinks_.sinks->application, &sinks_.sinks->stillSubscribed};
  EventField<outlook::NameSpace> objNS{&sinks_.sinks->nameSpace, &sinks_.sinks->stillSubscribed};
  EventField<outlook::Explorers> colExpl{&sinks_.sinks->explorers, &sinks_.sinks->stillSubscribed};
  EventField<outlook::Inspectors> colInsp{&sinks_.sinks->inspectors, &sinks_.sinks->stillSubscribed};
  EventField<outlook::Explorer> objExpl{&sinks_.sinks->explorer, &sinks_.sinks->stillSubscribed};
  EventField<outlook::Inspector> objInsp{&sinks_.sinks->inspector, &sinks_.sinks->stillSubscribed};
  EventField<outlook::Items> objInboxItems{&sinks_.sinks->inboxItems, &sinks_.sinks->stillSubscribed};
  EventField<outlook::Items> objJunkItems{&sinks_.sinks->junkItems, &sinks_.sinks->stillSubscribed};
  DomainCollection colDomains;
  bool bMarkSpamAsRead = false;
};

}  // namespace kestrin
