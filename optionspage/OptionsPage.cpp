#include "OptionsPage.h"

#include <utility>

#include "../settings/DomainList.h"
#include "../settings/modRegistry.h"
#include "modOutlook.h"

namespace kestrin::page {

namespace {

std::int32_t gLivePages = 0;

// One step of the initialisation: whatever it does, a failure (or a throw) is skipped.
template <class F>
void Step(F&& f) noexcept {
  SkipOnFailure(Guarded([&]() -> HRESULT {
    f();
    return hr::ok;
  }));
}

bool IsBlank(std::u16string_view text) { return text.find_first_not_of(u' ') == std::u16string_view::npos; }

RegistryValue ReadSetting(Registry& registry, std::u16string_view name) {
  return ReadRegistryValue(registry, kSettingsRoot, kSettingsKey, name);
}

bool WriteSetting(Registry& registry, std::u16string_view name, std::u16string text) {
  return WriteRegistryValue(registry, kSettingsRoot, kSettingsKey, name, RegistryValue(std::move(text)), kRegSz);
}

}  // namespace

OptionsPage* OptionsPage::Create(std::unique_ptr<PageView> view, CreateObjectFn createObject, Registry& registry) {
  if (!view) return nullptr;
  return new OptionsPage(std::move(view), nullptr, std::move(createObject), registry);
}

OptionsPage* OptionsPage::CreateHeadless(CreateObjectFn createObject, Registry& registry) {
  auto view = std::make_unique<HeadlessView>();
  HeadlessView* headless = view.get();
  return new OptionsPage(std::move(view), headless, std::move(createObject), registry);
}

std::int32_t OptionsPage::LiveObjects() { return gLivePages; }

OptionsPage::OptionsPage(std::unique_ptr<PageView> view, HeadlessView* headless, CreateObjectFn createObject,
                         Registry& registry)
    : view_(std::move(view)), headless_(headless), createObject_(std::move(createObject)), registry_(registry) {
  view_->SetEvents(this);
  ++gLivePages;
}

OptionsPage::~OptionsPage() {
  // Nothing is written here: changes that were never applied are lost.
  view_->SetEvents(nullptr);
  --gLivePages;
}

// ---- Unknown ----

HRESULT OptionsPage::QueryInterface(const Guid& iid, void** out) {
  if (!out) return hr::pointer;
  *out = nullptr;
  if (iid == IID_IUnknown || iid == outlook::PropertyPage::iid || iid == IID__OptionsPage)
    *out = static_cast<outlook::PropertyPage*>(this);
  else if (iid == outlook::OleObject::iid)
    *out = static_cast<outlook::OleObject*>(this);
  else if (iid == outlook::PersistStreamInit::iid)
    *out = static_cast<outlook::PersistStreamInit*>(this);
  else if (iid == PageDriver::iid && headless_)
    *out = static_cast<PageDriver*>(this);
  else
    return hr::noInterface;
  AddRef();
  return hr::ok;
}

std::uint32_t OptionsPage::AddRef() { return ++refs_; }

std::uint32_t OptionsPage::Release() {
  const std::uint32_t left = --refs_;
  if (left == 0) delete this;
  return left;
}

// ---- PropertyPage ----

HRESULT OptionsPage::GetPageInfo(std::u16string* helpFile, std::int32_t* helpContext) {
  // No help topic: both arguments stay as the host passed them.
  return hr::ok;
}

HRESULT OptionsPage::get_Dirty(std::int16_t* dirty) {
  if (!dirty) return hr::pointer;
  *dirty = bDirty;
  return hr::ok;
}

HRESULT OptionsPage::Apply() {
  return Guarded([&]() -> HRESULT {
    // All three writes run, in this order. A control that cannot be read is not written (its
    // stored value stays), and a write that fails keeps the page changed and fails Apply, so
    // the dialog does not take unsaved settings for saved ones.
    bool saved = true;

    std::u16string folder;
    if (Succeeded(view_->GetText(ControlId::txtFolder, &folder)))
      saved = WriteSetting(registry_, kValueDestination, std::move(folder)) && saved;
    else
      saved = false;

    saved = WriteSetting(registry_, kValueDomains, JoinDomainList(colDomains)) && saved;

    std::int32_t check = kUnchecked;
    if (Succeeded(view_->GetValue(ControlId::chk_MarkRead, &check)))
      saved = WriteSetting(registry_, kValueMarkRead, BoolToYesNo(check == kChecked)) && saved;
    else
      saved = false;

    if (!saved) return hr::fail;
    bDirty = kFalse;
    return hr::ok;
  });
}

// ---- OleObject ----

HRESULT OptionsPage::SetClientSite(Unknown* clientSite) {
  clientSite_ = ComPtr<Unknown>(clientSite);
  return hr::ok;
}

// ---- PersistStreamInit ----

HRESULT OptionsPage::InitNew() {
  // Initialising twice would load the stored domains into the list a second time.
  if (initialised_) return hr::unexpected;
  initialised_ = true;

  // Failures are skipped throughout; the page still ends clean.
  Step([&] {
    if (clientSite_) SkipOnFailure(clientSite_.As(objSite));
  });
  bLoading = kTrue;

  Step([&] {
    const std::u16string folder = ValueAsText(ReadSetting(registry_, kValueDestination));
    if (!folder.empty()) SkipOnFailure(view_->SetText(ControlId::txtFolder, folder));
  });

  Step([&] {
    const std::u16string stored = ValueAsText(ReadSetting(registry_, kValueDomains));
    if (stored.empty()) return;
    for (const std::u16string& entry : SplitDomainList(stored)) {
      Step([&] {
        SkipOnFailure(view_->AddItem(ControlId::lst_Domains, entry));
        // A duplicate (in any case) is refused here and stays in the list box only.
        (void)colDomains.Add(entry);
      });
    }
  });

  Step([&] {
    if (YesNoToBool(ReadSetting(registry_, kValueMarkRead)))
      SkipOnFailure(view_->SetValue(ControlId::chk_MarkRead, kChecked));
  });

  bLoading = kFalse;
  bDirty = kFalse;
  return hr::ok;
}

// ---- change tracking ----

HRESULT OptionsPage::MarkDirty() {
  if (!objSite) return hr::ok;
  if (bLoading) return hr::ok;
  bDirty = kTrue;  // before the call: the page counts as changed even when the call fails
  return objSite->OnStatusChange();
}

// ---- control events ----

HRESULT OptionsPage::txtFolder_Change() {
  return Guarded([&] { return MarkDirty(); });
}

HRESULT OptionsPage::chk_MarkRead_Click() {
  return Guarded([&] { return MarkDirty(); });
}

// Add.
HRESULT OptionsPage::Command1_Click() {
  return Guarded([&]() -> HRESULT {
    std::u16string text;
    KESTRIN_RETURN_IF_FAILED(view_->GetText(ControlId::Txt_ExcludeDomain, &text));
    if (IsBlank(text)) return hr::ok;

    // Kept exactly as typed. A text already there in any case stays in the box for correction.
    if (colDomains.Add(text)) {
      SkipOnFailure(view_->AddItem(ControlId::lst_Domains, text));
      SkipOnFailure(view_->SetText(ControlId::Txt_ExcludeDomain, u""));
    }
    return MarkDirty();
  });
}

// Remove. Does not mark the page: the removal reaches the store with the next Apply.
HRESULT OptionsPage::lst_Domains_DblClick() {
  return Guarded([&]() -> HRESULT {
    std::int32_t count = 0;
    KESTRIN_RETURN_IF_FAILED(view_->ListCount(ControlId::lst_Domains, &count));
    for (std::int32_t i = 0; i < count; ++i) {
      bool selected = false;
      KESTRIN_RETURN_IF_FAILED(view_->ListSelected(ControlId::lst_Domains, i, &selected));
      if (!selected) continue;
      std::u16string text;
      KESTRIN_RETURN_IF_FAILED(view_->ListText(ControlId::lst_Domains, i, &text));
      KESTRIN_RETURN_IF_FAILED(view_->RemoveItem(ControlId::lst_Domains, i));
      colDomains.RemoveExact(text);  // exact text, case included
      return hr::ok;
    }
    return hr::ok;
  });
}

// The folder picker.
HRESULT OptionsPage::cmdFolder_Click() {
  return Guarded([&]() -> HRESULT {
    if (!createObject_) return hr::classNotAvailable;
    ComPtr<outlook::Application> application;
    KESTRIN_RETURN_IF_FAILED(createObject_(u"Outlook.Application", outlook::Application::iid,
                                           reinterpret_cast<void**>(application.put())));
    if (!application) return hr::pointer;
    ComPtr<outlook::NameSpace> nameSpace;
    KESTRIN_RETURN_IF_FAILED(application->GetNamespace(u"MAPI", nameSpace.put()));
    if (!nameSpace) return hr::pointer;
    ComPtr<outlook::Folder> folder;
    KESTRIN_RETURN_IF_FAILED(nameSpace->PickFolder(folder.put()));
    if (!folder) return hr::ok;  // cancelled

    // A path that could not be built in full would name another folder, or none: the box keeps
    // its text then, as when the dialog fails.
    std::u16string path;
    KESTRIN_RETURN_IF_FAILED(BuildFolderPath(folder.get(), &path));
    return view_->SetText(ControlId::txtFolder, path);  // its Change event marks the page
  });
}

// ---- PageDriver: the headless view's user ----

HRESULT OptionsPage::EnterText(ControlId control, const std::u16string& text) {
  if (!headless_) return hr::notImpl;
  return Guarded([&] { return headless_->EnterText(control, text); });
}

HRESULT OptionsPage::Click(ControlId control) {
  if (!headless_) return hr::notImpl;
  return Guarded([&] { return headless_->Click(control); });
}

HRESULT OptionsPage::Select(ControlId control, std::int32_t index) {
  if (!headless_) return hr::notImpl;
  return Guarded([&] { return headless_->Select(control, index); });
}

HRESULT OptionsPage::DoubleClick(ControlId control, std::int32_t index) {
  if (!headless_) return hr::notImpl;
  return Guarded([&] { return headless_->DoubleClick(control, index); });
}

HRESULT OptionsPage::GetState(PageState* state) {
  if (!state) return hr::pointer;
  if (!headless_) return hr::notImpl;
  return Guarded([&]() -> HRESULT {
    *state = headless_->State();
    return hr::ok;
  });
}

}  // namespace kestrin::page
