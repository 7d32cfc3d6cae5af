// OptionsPage: the filter's tab in Outlook's Options dialog. Outlook creates it by ProgID, hands
// it its client site (OleObject), initialises it (PersistStreamInit::InitNew) and then drives it
// through its property-page protocol (PropertyPage). The controls are a PageView; Outlook is
// reached through CreateObject and the host interface only.
//
// Implements: Unknown, outlook::PropertyPage, outlook::OleObject, outlook::PersistStreamInit,
// page::PageDriver (only when the view is the headless one), and the page's control events.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "../addin/OutlookHost.h"
#include "../settings/DomainCollection.h"
#include "../settings/Registry.h"
#include "HeadlessView.h"
#include "PageView.h"

namespace kestrin::page {

// COM's CreateObject: the object registered under progId, asked for iid. Inside Outlook's
// process "Outlook.Application" is the running Outlook.
using CreateObjectFn = std::function<HRESULT(const std::u16string& progId, const Guid& iid, void** out)>;

// 16-bit booleans of the property-page protocol.
inline constexpr std::int16_t kTrue = -1;
inline constexpr std::int16_t kFalse = 0;

// Identifiers of the control library, fixed once.
inline constexpr char16_t kProgId[] = u"KestrinPPE.OptionsPage";
inline constexpr char16_t kClassName[] = u"OptionsPage";
inline constexpr Guid CLSID_OptionsPage{0x9B427B40, 0x739E, 0x49BC, {0xBD, 0xB9, 0xEF, 0xC6, 0x08, 0xFD, 0x4E, 0xD2}};
inline constexpr Guid IID__OptionsPage{0x3CD90692, 0xA6C7, 0x4761, {0x8E, 0x6C, 0xBE, 0xCE, 0x71, 0x8F, 0x33, 0xC7}};
inline constexpr Guid DIID___OptionsPage{0xFDC20426, 0x104D, 0x4E6D, {0xAF, 0x0C, 0x56, 0x23, 0xE6, 0x6E, 0x2B, 0x84}};
inline constexpr Guid LIBID_KestrinPPE{0xBA6C6B6B, 0x8052, 0x4991, {0x85, 0xC4, 0x4B, 0xD2, 0xDD, 0xD8, 0x18, 0xCE}};
inline constexpr char16_t kTypeLibName[] = u"KestrinPPE";
inline constexpr char16_t kTypeLibVersion[] = u"1.0";
inline constexpr char16_t kTypeLibHelpString[] = u"Kestrin Outlook Add-in Options Form";

// OLEMISC status bits of the control.
inline constexpr std::uint32_t kOleMiscRecomposeOnResize = 0x1;
inline constexpr std::uint32_t kOleMiscCantLinkInside = 0x10;
inline constexpr std::uint32_t kOleMiscInsideOut = 0x80;
inline constexpr std::uint32_t kOleMiscActivateWhenVisible = 0x100;
inline constexpr std::uint32_t kOleMiscSetClientSiteFirst = 0x20000;
inline constexpr std::uint32_t kMiscStatus = kOleMiscSetClientSiteFirst | kOleMiscActivateWhenVisible |
                                             kOleMiscInsideOut | kOleMiscCantLinkInside |
                                             kOleMiscRecomposeOnResize;

class OptionsPage final : public outlook::PropertyPage,
                          public outlook::OleObject,
                          public outlook::PersistStreamInit,
                          public PageDriver,
                          private PageEvents {
 public:
  // The page over view, reading and writing settings in registry. The new object has one
  // reference, which the caller owns.
  static OptionsPage* Create(std::unique_ptr<PageView> view, CreateObjectFn createObject, Registry& registry);
  // Over a headless view, which also answers PageDriver.
  static OptionsPage* CreateHeadless(CreateObjectFn createObject, Registry& registry);

  // Pages alive in this process, for DllCanUnloadNow.
  static std::int32_t LiveObjects();

  // Unknown
  HRESULT QueryInterface(const Guid& iid, void** out) override;
  std::uint32_t AddRef() override;
  std::uint32_t Release() override;

  // PropertyPage
  HRESULT GetPageInfo(std::u16string* helpFile, std::int32_t* helpContext) override;
  HRESULT get_Dirty(std::int16_t* dirty) override;
  HRESULT Apply() override;

  // OleObject
  HRESULT SetClientSite(Unknown* clientSite) override;

  // PersistStreamInit: the initialisation of a new page; once per page.
  HRESULT InitNew() override;

  // PageDriver
  HRESULT EnterText(ControlId control, const std::u16string& text) override;
  HRESULT Click(ControlId control) override;
  HRESULT Select(ControlId control, std::int32_t index) override;
  HRESULT DoubleClick(ControlId control, std::int32_t index) override;
  HRESULT GetState(PageState* state) override;

  // What tests look at.
  bool HasSite() const { return static_cast<bool>(objSite); }
  std::int16_t DirtyFlag() const { return bDirty; }
  const DomainCollection& Domains() const { return colDomains; }

 private:
  OptionsPage(std::unique_ptr<PageView> view, HeadlessView* headless, CreateObjectFn createObject,
              Registry& registry);
  ~OptionsPage();

  // Called after every change the user makes on the page.
  HRESULT MarkDirty();

  // Control events.
  HRESULT txtFolder_Change() override;
  HRESULT chk_MarkRead_Click() override;
  HRESULT Command1_Click() override;
  HRESULT lst_Domains_DblClick() override;
  HRESULT cmdFolder_Click() override;

  std::uint32_t refs_ = 1;
  std::unique_ptr<PageView> view_;
  HeadlessView* headless_;  // view_ when it is the headless view, else null
  CreateObjectFn createObject_;
  Registry& registry_;
  ComPtr<Unknown> clientSite_;
  bool initialised_ = false;

  ComPtr<outlook::PropertyPageSite> objSite;
  std::int16_t bDirty = kFalse;
  std::int16_t bLoading = kFalse;
  DomainCollection colDomains;
};

}  // namespace kestrin::page
