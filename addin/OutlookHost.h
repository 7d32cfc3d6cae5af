// The Outlook host interface: exactly the members of Outlook's object model that the add-in and
// the options page use. Every member returns an HRESULT; objects are reference-counted; an
// out-pointer receives a new reference (or null where Outlook gives "none"). On Windows these are
// adapters over IDispatch; on Linux the stand-in Outlook implements them.
#pragma once

#include <cstdint>
#include <string>

#include "ComPtr.h"

namespace kestrin::outlook {

struct Application;
struct NameSpace;
struct Explorers;
struct Inspectors;
struct Explorer;
struct Inspector;
struct Folder;
struct Folders;
struct Items;
struct MailItem;
struct PropertyPages;
struct PropertyPageSite;

inline constexpr std::int32_t olFolderInbox = 6;

// ---- event sinks: what the add-in implements, one interface per event interface ----
struct ApplicationEvents {
  virtual HRESULT Startup() = 0;
  virtual HRESULT OptionsPagesAdd(PropertyPages* pages) = 0;
 protected:
  ~ApplicationEvents() = default;
};
struct NameSpaceEvents {  // subscribed, no event handled
 protected:
  ~NameSpaceEvents() = default;
};
struct ExplorersEvents {
  virtual HRESULT NewExplorer(Explorer* explorer) = 0;
 protected:
  ~ExplorersEvents() = default;
};
struct InspectorsEvents {
  virtual HRESULT NewInspector(Inspector* inspector) = 0;
 protected:
  ~InspectorsEvents() = default;
};
struct ItemsEvents {
  // item: any item; it may or may not answer QueryInterface for MailItem.
  virtual HRESULT ItemAdd(Unknown* item) = 0;
 protected:
  ~ItemsEvents() = default;
};
struct ExplorerEvents {
  virtual HRESULT BeforeFolderSwitch(Unknown* newFolder, bool* cancel) = 0;
  virtual HRESULT Close() = 0;
 protected:
  ~ExplorerEvents() = default;
};
struct InspectorEvents {
  virtual HRESULT Close() = 0;
 protected:
  ~InspectorEvents() = default;
};

// An object that raises events to sinks of type S (a connection point on Windows).
// The source does not own the sink; Unadvise must come before the sink goes.
template <class S>
struct EventSource : Unknown {
  using Sink = S;
  virtual HRESULT Advise(S* sink, std::uint32_t* cookie) = 0;
  virtual HRESULT Unadvise(std::uint32_t cookie) = 0;
 protected:
  ~EventSource() = default;
};

// ---- Outlook's objects ----
struct Application : EventSource<ApplicationEvents> {
  static constexpr Guid iid = OleGuid(0x00063001);
  virtual HRESULT get_Explorers(Explorers** out) = 0;
  virtual HRESULT get_Inspectors(Inspectors** out) = 0;
  virtual HRESULT GetNamespace(const std::u16string& type, NameSpace** out) = 0;
  // S_OK with null when no explorer window is open.
  virtual HRESULT ActiveExplorer(Explorer** out) = 0;
 protected:
  ~Application() = default;
};

struct NameSpace : EventSource<NameSpaceEvents> {
  static constexpr Guid iid = OleGuid(0x00063002);
  virtual HRESULT GetDefaultFolder(std::int32_t folderType, Folder** out) = 0;
  virtual HRESULT get_Folders(Folders** out) = 0;
  // Shows the folder dialog; S_OK with null when the user cancels.
  virtual HRESULT PickFolder(Folder** out) = 0;
 protected:
  ~NameSpace() = default;
};

struct Explorers : EventSource<ExplorersEvents> {
  static constexpr Guid iid = OleGuid(0x0006300A);
  virtual HRESULT get_Count(std::int32_t* out) = 0;
 protected:
  ~Explorers() = default;
};

struct Inspectors : EventSource<InspectorsEvents> {
  static constexpr Guid iid = OleGuid(0x00063008);
  virtual HRESULT get_Count(std::int32_t* out) = 0;
 protected:
  ~Inspectors() = default;
};

struct Explorer : EventSource<ExplorerEvents> {
  static constexpr Guid iid = OleGuid(0x00063003);
  virtual HRESULT get_CurrentFolder(Folder** out) = 0;
 protected:
  ~Explorer() = default;
};

struct Inspector : EventSource<InspectorEvents> {
  static constexpr Guid iid = OleGuid(0x00063005);
 protected:
  ~Inspector() = default;
};

// MAPIFolder.
struct Folder : Unknown {
  static constexpr Guid iid = OleGuid(0x00063006);
  virtual HRESULT get_Items(Items** out) = 0;
  virtual HRESULT get_Name(std::u16string* out) = 0;
  // Read by name through automation on Windows. Outlook's form: "\\Top\Inbox".
  virtual HRESULT get_FolderPath(std::u16string* out) = 0;
  // The containing folder; for a top-level folder the NameSpace, which is not a Folder.
  virtual HRESULT get_Parent(Unknown** out) = 0;
  virtual HRESULT get_Folders(Folders** out) = 0;
 protected:
  ~Folder() = default;
};

struct Folders : Unknown {
  static constexpr Guid iid = OleGuid(0x00063040);
  // The default member (DISPID 0) with a name; fails when no folder has that name.
  virtual HRESULT Item(const std::u16string& name, Folder** out) = 0;
 protected:
  ~Folders() = default;
};

struct Items : EventSource<ItemsEvents> {
  static constexpr Guid iid = OleGuid(0x00063041);
 protected:
  ~Items() = default;
};

struct MailItem : Unknown {
  static constexpr Guid iid = OleGuid(0x00063034);
  virtual HRESULT get_Parent(Folder** out) = 0;
  // Hexadecimal text, two digits per byte.
  virtual HRESULT get_EntryID(std::u16string* out) = 0;
  virtual HRESULT put_UnRead(bool unread) = 0;
  // Moves the item into destination; out receives the moved item (may be null).
  virtual HRESULT Move(Folder* destination, Unknown** out) = 0;
 protected:
  ~MailItem() = default;
};

struct PropertyPages : Unknown {
  static constexpr Guid iid = OleGuid(0x00063080);
  // Page: the control's ProgID; Outlook creates the control and shows it under title.
  virtual HRESULT Add(const std::u16string& pageProgId, const std::u16string& title) = 0;
 protected:
  ~PropertyPages() = default;
};

struct PropertyPageSite : Unknown {
  static constexpr Guid iid = OleGuid(0x0006307F);
  virtual HRESULT OnStatusChange() = 0;
 protected:
  ~PropertyPageSite() = default;
};

// Implemented by the options page; Outlook asks Dirty and calls Apply.
struct PropertyPage : Unknown {
  static constexpr Guid iid = OleGuid(0x0006307E);
  virtual HRESULT GetPageInfo(std::u16string* helpFile, std::int32_t* helpContext) = 0;
  // VARIANT_BOOL: -1 true, 0 false.
  virtual HRESULT get_Dirty(std::int16_t* dirty) = 0;
  virtual HRESULT Apply() = 0;
 protected:
  ~PropertyPage() = default;
};

// ---- Office add-in hosting ----
// IDTExtensibility2. The Application arrives as a plain object; Connect asks it for Application.
// Custom data (a SAFEARRAY on Windows) is not examined by the add-in and passes as an opaque pointer.
struct DTExtensibility2 : Unknown {
  static constexpr Guid iid = Guid{0xB65AD801, 0xABAF, 0x11D0, {0xBB, 0x8B, 0x00, 0xA0, 0xC9, 0x0F, 0x27, 0x44}};
  virtual HRESULT OnConnection(Unknown* application, std::int32_t connectMode, Unknown* addInInst,
                               void* custom) = 0;
  virtual HRESULT OnDisconnection(std::int32_t removeMode, void* custom) = 0;
  virtual HRESULT OnAddInsUpdate(void* custom) = 0;
  virtual HRESULT OnStartupComplete(void* custom) = 0;
  virtual HRESULT OnBeginShutdown(void* custom) = 0;
 protected:
  ~DTExtensibility2() = default;
};

// ---- ActiveX control hosting, the little of it that the Options dialog uses ----
// IOleObject::SetClientSite: the host hands the control its client site before initialising it.
// The client site answers QueryInterface for PropertyPageSite when it offers a page site.
struct OleObject : Unknown {
  static constexpr Guid iid = OleGuid(0x00000112);
  virtual HRESULT SetClientSite(Unknown* clientSite) = 0;
 protected:
  ~OleObject() = default;
};
// IPersistStreamInit::InitNew: initialise as a new instance.
struct PersistStreamInit : Unknown {
  static constexpr Guid iid = Guid{0x7FD52380, 0x4E07, 0x101B, {0xAE, 0x2D, 0x08, 0x00, 0x2B, 0x2E, 0xC7, 0x13}};
  virtual HRESULT InitNew() = 0;
 protected:
  ~PersistStreamInit() = default;
};

}  // namespace kestrin::outlook
