#include "OutAddIn.h"

#include <vector>

#include "../settings/CodePage.h"
#include "../settings/DomainList.h"
#include "../settings/modRegistry.h"
#include "Module.h"
#include "modOutlook.h"

namespace kestrin {

namespace {
// The sender buffer: 255 characters, each NUL, made afresh for every item.
constexpr std::size_t kSenderBufferLength = 255;

std::u16string ReadSetting(std::u16string_view name) {
  return ValueAsText(ReadRegistryValue(kSettingsRoot, kSettingsKey, name));
}
}  // namespace

std::u16string StripAtNull(std::u16string_view text) {
  const std::size_t nul = text.find(u'\0');
  if (nul != std::u16string_view::npos) text = text.substr(0, nul);
  const std::size_t first = text.find_first_not_of(u' ');
  if (first == std::u16string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(u' ');
  return std::u16string(text.substr(first, last - first + 1));
}

OutAddIn::OutAddIn(LibraryLoader& loader) : kestrinLib_(loader) { module::ObjectCreated(); }

OutAddIn::SinksHolder::SinksHolder(OutAddIn* self) : sinks(new Sinks) {
  sinks->application.self = self;
  sinks->explorers.self = self;
  sinks->inspectors.self = self;
  sinks->explorer.self = self;
  sinks->inspector.self = self;
  sinks->inboxItems.self = self;
  sinks->junkItems.self = self;
}

OutAddIn::SinksHolder::~SinksHolder() {
  if (!sinks->stillSubscribed) {
    delete sinks;
    return;
  }
  // Still called by a source: keep them, mute, and count them as live so the library stays.
  sinks->application.self = nullptr;
  sinks->explorers.self = nullptr;
  sinks->inspectors.self = nullptr;
  sinks->explorer.self = nullptr;
  sinks->inspector.self = nullptr;
  sinks->inboxItems.self = nullptr;
  sinks->junkItems.self = nullptr;
  module::ObjectCreated();
  static auto* kept = new std::vector<Sinks*>;  // reachable for good: kept, not lost
  kept->push_back(sinks);
}

OutAddIn::~OutAddIn() { module::ObjectDestroyed(); }

HRESULT OutAddIn::QueryInterface(const Guid& id, void** out) {
  if (!out) return hr::pointer;
  *out = nullptr;
  if (id == IID_IUnknown || id == IID_IDispatch || id == IID__OutAddIn) {
    *out = static_cast<Unknown*>(this);
    AddRef();
    return hr::ok;
  }
  return hr::noInterface;
}

std::uint32_t OutAddIn::AddRef() { return ++refs_; }

std::uint32_t OutAddIn::Release() {
  const std::uint32_t left = --refs_;
  if (left == 0) delete this;
  return left;
}

// ---- connection ----

HRESULT OutAddIn::AttachToOutlook(outlook::Application* application) {
  KESTRIN_RETURN_IF_FAILED(objOutlook.Assign(application));
  gobjOutlook() = ComPtr<outlook::Application>(application);
  if (!application) return hr::pointer;
  ComPtr<outlook::NameSpace> ns;
  KESTRIN_RETURN_IF_FAILED(objOutlook->GetNamespace(u"MAPI", ns.put()));
  KESTRIN_RETURN_IF_FAILED(objNS.Assign(ns));
  ComPtr<outlook::Explorers> explorers;
  KESTRIN_RETURN_IF_FAILED(objOutlook->get_Explorers(explorers.put()));
  KESTRIN_RETURN_IF_FAILED(colExpl.Assign(explorers));
  ComPtr<outlook::Inspectors> inspectors;
  KESTRIN_RETURN_IF_FAILED(objOutlook->get_Inspectors(inspectors.put()));
  KESTRIN_RETURN_IF_FAILED(colInsp.Assign(inspectors));
  ComPtr<outlook::Explorer> active;
  KESTRIN_RETURN_IF_FAILED(objOutlook->ActiveExplorer(active.put()));
  return objExpl.Assign(active);
}

HRESULT OutAddIn::DetachFromOutlook() {
  objInsp.Clear();
  objExpl.Clear();
  colInsp.Clear();
  colExpl.Clear();
  objNS.Clear();
  gobjOutlook() = nullptr;
  objOutlook.Clear();
  return hr::ok;
}

// ---- start-up ----

HRESULT OutAddIn::objOutlook_Startup() {
  if (!objNS) return hr::pointer;
  ComPtr<outlook::Folder> inbox;
  KESTRIN_RETURN_IF_FAILED(objNS->GetDefaultFolder(outlook::olFolderInbox, inbox.put()));
  if (!inbox) return hr::pointer;
  ComPtr<outlook::Items> inboxItems;
  KESTRIN_RETURN_IF_FAILED(inbox->get_Items(inboxItems.put()));
  KESTRIN_RETURN_IF_FAILED(objInboxItems.Assign(inboxItems));
  return LoadSettings();
}

HRESULT OutAddIn::LoadSettings() {
  const std::u16string destination = ReadSetting(kValueDestination);
  if (!destination.empty()) {
    ComPtr<outlook::Folder> folder;
    KESTRIN_RETURN_IF_FAILED(FindFolderByPath(destination, folder.put()));
    if (!folder) return kFolderNotFound;
    ComPtr<outlook::Items> junkItems;
    KESTRIN_RETURN_IF_FAILED(folder->get_Items(junkItems.put()));
    KESTRIN_RETURN_IF_FAILED(objJunkItems.Assign(junkItems));
  }

  const std::u16string domains = ReadSetting(kValueDomains);
  if (!domains.empty())
    for (const std::u16string& piece : SplitDomainList(domains))
      if (!colDomains.Add(piece)) return kDuplicateKey;

  bMarkSpamAsRead = YesNoToBool(ReadRegistryValue(kSettingsRoot, kSettingsKey, kValueMarkRead));
  return hr::ok;
}

HRESULT OutAddIn::objOutlook_OptionsPagesAdd(outlook::PropertyPages* pages) {
  if (!pages) return hr::pointer;
  return pages->Add(u"KestrinPPE.OptionsPage", u"Kestrin");
}

// ---- the incoming-mail filter ----

HRESULT OutAddIn::objInboxItems_ItemAdd(Unknown* item) {
  return Guarded([&] { return FilterItem(item); });
}

HRESULT OutAddIn::FilterItem(Unknown* item) {
  // Items of other kinds are left alone, and quietly.
  ComPtr<outlook::MailItem> mail;
  if (!item || Failed(ComPtr<Unknown>(item).As(mail)) || !mail) return hr::ok;

  ComPtr<outlook::Folder> parent;
  KESTRIN_RETURN_IF_FAILED(mail->get_Parent(parent.put()));
  if (!parent) return hr::pointer;
  std::u16string folderPath;
  KESTRIN_RETURN_IF_FAILED(parent->get_FolderPath(&folderPath));
  if (folderPath.find(u"Inbox") == std::u16string::npos) return hr::ok;

  // 255 NUL bytes and the terminating NUL; the library writes at most 255 bytes before its own.
  std::string buffer(kSenderBufferLength + 1, '\0');
  char* bufferPointer = buffer.data();

  std::u16string entryId;
  KESTRIN_RETURN_IF_FAILED(mail->get_EntryID(&entryId));

  GetSenderAddressFn getSenderAddress = nullptr;
  KESTRIN_RETURN_IF_FAILED(kestrinLib_.GetSenderAddress(&getSenderAddress));
  const std::string entryIdBytes = ToCodePage(entryId);
  (void)getSenderAddress(kCallerKey, entryIdBytes.c_str(), &bufferPointer);

  const std::u16string address =
      StripAtNull(FromCodePage(std::string_view(buffer.data(), kSenderBufferLength)));

  IsSenderInAddressBookFn isSenderInAddressBook = nullptr;
  KESTRIN_RETURN_IF_FAILED(kestrinLib_.IsSenderInAddressBook(&isSenderInAddressBook));
  const std::string addressBytes = ToCodePage(address);
  const bool inAddressBook = (isSenderInAddressBook(kCallerKey, addressBytes.c_str()) & 0xFFFF) != 0;
  const bool inAcceptedDomain = CheckAcceptedDomain(address);
  if (inAddressBook || inAcceptedDomain) return hr::ok;

  const std::u16string destinationPath = ReadSetting(kValueDestination);
  if (destinationPath.empty()) return hr::ok;
  ComPtr<outlook::Folder> destination;
  KESTRIN_RETURN_IF_FAILED(FindFolderByPath(destinationPath, destination.put()));
  // A path that names no folder: the move could only fail, so the item is not touched at all
  // (marking it first would leave a new mail read in the Inbox).
  if (!destination) return kFolderNotFound;

  KESTRIN_RETURN_IF_FAILED(mail->put_UnRead(!bMarkSpamAsRead));
  ComPtr<Unknown> moved;
  KESTRIN_RETURN_IF_FAILED(mail->Move(destination.get(), moved.put()));
  return hr::ok;
}

HRESULT OutAddIn::objJunkItems_ItemAdd(Unknown*) { return hr::ok; }

bool OutAddIn::CheckAcceptedDomain(std::u16string_view address) const {
  const std::size_t at = address.find(u'@');
  const std::u16string_view domainPart = at == std::u16string_view::npos ? address : address.substr(at + 1);
  if (domainPart.empty()) return false;  // nothing occurs in the empty text
  const std::u16string upperDomain = UpperCase(domainPart);
  for (const std::u16string& entry : colDomains)
    if (upperDomain.find(UpperCase(entry)) != std::u16string::npos) return true;
  return false;
}

// ---- windows: a failing step is skipped; a failure while a detach condition is evaluated
// counts as the condition met ----

HRESULT OutAddIn::colExpl_NewExplorer(outlook::Explorer* explorer) {
  if (!objExpl) SkipOnFailure(objExpl.Assign(explorer));
  return hr::ok;
}

HRESULT OutAddIn::colInsp_NewInspector(outlook::Inspector* inspector) {
  SkipOnFailure(objInsp.Assign(inspector));
  return hr::ok;
}

HRESULT OutAddIn::objExpl_BeforeFolderSwitch(Unknown*, bool*) { return hr::ok; }

namespace {
HRESULT InspectorCount(std::int32_t* count) {
  if (!gobjOutlook()) return hr::pointer;
  ComPtr<outlook::Inspectors> inspectors;
  KESTRIN_RETURN_IF_FAILED(gobjOutlook()->get_Inspectors(inspectors.put()));
  if (!inspectors) return hr::pointer;
  return inspectors->get_Count(count);
}
HRESULT ActiveExplorer(ComPtr<outlook::Explorer>& out) {
  if (!gobjOutlook()) return hr::pointer;
  return gobjOutlook()->ActiveExplorer(out.put());
}
}  // namespace

HRESULT OutAddIn::objExpl_Close() {
  ComPtr<outlook::Explorer> active;
  if (Succeeded(ActiveExplorer(active))) SkipOnFailure(objExpl.Assign(active));

  std::int32_t inspectors = 0;
  const HRESULT counted = InspectorCount(&inspectors);
  if (Failed(counted) || (!objExpl && inspectors == 0)) SkipOnFailure(DetachFromOutlook());
  return hr::ok;
}

HRESULT OutAddIn::objInsp_Close() {
  ComPtr<outlook::Explorer> active;
  const HRESULT found = ActiveExplorer(active);
  std::int32_t inspectors = 0;
  const HRESULT counted = InspectorCount(&inspectors);
  if (Failed(found) || Failed(counted) || (!active && inspectors <= 1)) SkipOnFailure(DetachFromOutlook());
  return hr::ok;
}

// ---- sinks ----

HRESULT OutAddIn::ApplicationSink::Startup() {
  if (!self) return hr::ok;
  return Guarded([&] { return self->objOutlook_Startup(); });
}
HRESULT OutAddIn::ApplicationSink::OptionsPagesAdd(outlook::PropertyPages* pages) {
  if (!self) return hr::ok;
  return Guarded([&] { return self->objOutlook_OptionsPagesAdd(pages); });
}
HRESULT OutAddIn::ExplorersSink::NewExplorer(outlook::Explorer* explorer) {
  if (!self) return hr::ok;
  return Guarded([&] { return self->colExpl_NewExplorer(explorer); });
}
HRESULT OutAddIn::InspectorsSink::NewInspector(outlook::Inspector* inspector) {
  if (!self) return hr::ok;
  return Guarded([&] { return self->colInsp_NewInspector(inspector); });
}
HRESULT OutAddIn::ExplorerSink::BeforeFolderSwitch(Unknown* newFolder, bool* cancel) {
  if (!self) return hr::ok;
  return Guarded([&] { return self->objExpl_BeforeFolderSwitch(newFolder, cancel); });
}
HRESULT OutAddIn::ExplorerSink::Close() {
  if (!self) return hr::ok;
  return Guarded([&] { return self->objExpl_Close(); });
}
HRESULT OutAddIn::InspectorSink::Close() {
  if (!self) return hr::ok;
  return Guarded([&] { return self->objInsp_Close(); });
}
HRESULT OutAddIn::InboxItemsSink::ItemAdd(Unknown* item) {
  if (!self) return hr::ok;
  return self->objInboxItems_ItemAdd(item);
}
HRESULT OutAddIn::JunkItemsSink::ItemAdd(Unknown* item) {
  if (!self) return hr::ok;
  return Guarded([&] { return self->objJunkItems_ItemAdd(item); });
}

}  // namespace kestrin
