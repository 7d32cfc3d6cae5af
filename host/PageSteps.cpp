// The options page's steps: the Options dialog's side of the property-page protocol and the
// user's side of the page (see docs/scenarios.md). The page is worked through the interfaces the
// library's object answers (PropertyPage, OleObject, PersistStreamInit, and the headless view's
// PageDriver): nothing of the library is linked here.
#include "PageSteps.h"

#include <optional>
#include <string>

#include "../addin/OutlookHost.h"
#include "../optionspage/PageDriver.h"
#include "../settings/modRegistry.h"
#include "../standin/PageClientSite.h"
#include "ScenarioSteps.h"
#include "Session.h"
#include "Utf8.h"

namespace kestrin::host {

namespace {

constexpr char16_t kPageProgId[] = u"KestrinPPE.OptionsPage";

using standin::PageClientSite;

PageClientSite* SiteOf(const OpenPage& page) {
  return static_cast<PageClientSite*>(static_cast<outlook::PropertyPageSite*>(static_cast<Unknown*>(page.site.get())));
}

// The open dialog's page of the given ProgID (the options page unless "page" names another).
OpenPage& PageOf(Session& s, const Node& step, const std::u16string& progId) {
  if (!s.dialog.open) step.Fail("the Options dialog is not open (an \"options\" step opens it)");
  for (OpenPage& p : s.dialog.pages)
    if (p.progId == progId && p.control) return p;
  step.Fail("the open Options dialog holds no page " + Utf16ToUtf8(progId));
}

std::u16string ReadProgId(const Node& step) {
  const std::string id = step.Str("page", Utf16ToUtf8(kPageProgId));
  return *Utf8ToUtf16(id);
}

ComPtr<page::PageDriver> DriverOf(const Node& step, const OpenPage& p) {
  ComPtr<page::PageDriver> driver;
  if (Failed(p.control->QueryInterface(page::PageDriver::iid, reinterpret_cast<void**>(driver.put()))) || !driver)
    step.Fail("the page has no headless view to work");
  return driver;
}

page::ControlId ReadControl(const Node& n, std::initializer_list<page::ControlId> allowed) {
  const std::string name = n.AsString();
  std::string names;
  for (page::ControlId id : allowed) {
    const std::string candidate = Utf16ToUtf8(page::Spec(id).name);
    if (candidate == name) return id;
    names += (names.empty() ? "" : ", ") + candidate;
  }
  n.Fail("one of " + names);
}

Json PageJson(const OpenPage& p) {
  Json j = Json::Object();
  j.Set("progId", Utf16ToUtf8(p.progId));
  if (Failed(p.created) || !p.control) {
    j.Set("created", HResultText(p.created));
    return j;
  }
  ComPtr<page::PageDriver> driver;
  if (Succeeded(p.control->QueryInterface(page::PageDriver::iid, reinterpret_cast<void**>(driver.put()))) && driver) {
    page::PageState s;
    if (Succeeded(driver->GetState(&s))) {
      j.Set("txtFolder", Utf16ToUtf8(s.txtFolder));
      j.Set("chk_MarkRead", static_cast<std::int64_t>(s.chk_MarkRead));
      Json list = Json::Array();
      for (const auto& e : s.lst_Domains) list.Push(Utf16ToUtf8(e));
      j.Set("lst_Domains", std::move(list));
      j.Set("selected", static_cast<std::int64_t>(s.selected));
      j.Set("Txt_ExcludeDomain", Utf16ToUtf8(s.Txt_ExcludeDomain));
    }
  }
  ComPtr<outlook::PropertyPage> pp;
  if (Succeeded(p.control->QueryInterface(outlook::PropertyPage::iid, reinterpret_cast<void**>(pp.put()))) && pp) {
    std::int16_t dirty = 0;
    if (Succeeded(pp->get_Dirty(&dirty))) j.Set("dirty", dirty != 0);
  }
  if (const PageClientSite* site = SiteOf(p)) {
    j.Set("pageSite", site->offers());
    j.Set("statusChanges", site->statusChanges);
  }
  return j;
}

Json SettingsJson(Registry& registry) {
  Json j = Json::Object();
  for (const char16_t* name : {kValueDestination, kValueDomains, kValueMarkRead}) {
    const RegistryValue v = ReadRegistryValue(registry, kSettingsRoot, kSettingsKey, name);
    if (IsNothing(v)) j.Set(Utf16ToUtf8(name), nullptr);
    else if (const auto* n = std::get_if<std::int32_t>(&v)) j.Set(Utf16ToUtf8(name), static_cast<std::int64_t>(*n));
    else j.Set(Utf16ToUtf8(name), Utf16ToUtf8(ValueAsText(v)));
  }
  return j;
}

// The result of a page step: the handler's, and the page's state after it.
HRESULT Finish(StepContext& ctx, const OpenPage& p, HRESULT h) {
  ctx.output.Set("page", PageJson(p));
  return h;
}

}  // namespace

HRESULT HostPage(Session& session, OpenPage& page) {
  if (!page.control) return hr::pointer;
  auto* site = new PageClientSite(session.offerPageSite);
  page.site = ComPtr<Unknown>::Attach(static_cast<outlook::PropertyPageSite*>(site));
  // The control asks for its client site first, then is initialised as a new instance.
  ComPtr<outlook::OleObject> ole;
  KESTRIN_RETURN_IF_FAILED(page.control->QueryInterface(outlook::OleObject::iid, reinterpret_cast<void**>(ole.put())));
  KESTRIN_RETURN_IF_FAILED(ole->SetClientSite(page.site.get()));
  ComPtr<outlook::PersistStreamInit> init;
  KESTRIN_RETURN_IF_FAILED(
      page.control->QueryInterface(outlook::PersistStreamInit::iid, reinterpret_cast<void**>(init.put())));
  return init->InitNew();
}

KESTRIN_SCENARIO_STEP(pageSite, "whether the client site of the next Options dialog's pages offers a page site (\"offered\")") {
  const bool offered = step.Bool("offered", true);
  if (ctx.checking) return hr::ok;
  ctx.session->offerPageSite = offered;
  return hr::ok;
}

KESTRIN_SCENARIO_STEP(pageType, "the user replaces the text of \"control\" (txtFolder or Txt_ExcludeDomain) with \"text\"") {
  const page::ControlId control =
      ReadControl(step.Get("control"), {page::ControlId::txtFolder, page::ControlId::Txt_ExcludeDomain});
  const std::string text = step.Str("text");
  const auto wide = Utf8ToUtf16(text);
  if (!wide) step.Get("text").Fail("not valid UTF-8");
  const std::u16string progId = ReadProgId(step);
  if (ctx.checking) return hr::ok;
  OpenPage& p = PageOf(*ctx.session, step, progId);
  return Finish(ctx, p, DriverOf(step, p)->EnterText(control, *wide));
}

KESTRIN_SCENARIO_STEP(pageClick, "a click on \"control\" (cmdFolder, Command1, chk_MarkRead); for cmdFolder \"answer\" is the folder dialog's choice (null cancels)") {
  const Node controlNode = step.Get("control");
  const page::ControlId control = ReadControl(
      controlNode, {page::ControlId::cmdFolder, page::ControlId::Command1, page::ControlId::chk_MarkRead});
  const auto answer = step.Opt("answer");
  if (answer && control != page::ControlId::cmdFolder) answer->Fail("only the folder button has an answer");
  if (answer && !answer->value().IsNull()) (void)answer->AsString();
  const std::u16string progId = ReadProgId(step);
  if (ctx.checking) return hr::ok;
  Session& s = *ctx.session;
  OpenPage& p = PageOf(s, step, progId);
  if (answer) s.outlook.SetPickFolderAnswer(answer->value().IsNull() ? nullptr : &s.FolderAt(*answer));
  return Finish(ctx, p, DriverOf(step, p)->Click(control));
}

KESTRIN_SCENARIO_STEP(pageCheck, "the user ticks (\"ticked\": true) or clears chk_MarkRead; nothing happens when it is so already") {
  const bool ticked = step.Get("ticked").AsBool();
  const std::u16string progId = ReadProgId(step);
  if (ctx.checking) return hr::ok;
  OpenPage& p = PageOf(*ctx.session, step, progId);
  const ComPtr<page::PageDriver> driver = DriverOf(step, p);
  page::PageState state;
  HRESULT h = driver->GetState(&state);
  if (Succeeded(h) && (state.chk_MarkRead == page::kChecked) != ticked) h = driver->Click(page::ControlId::chk_MarkRead);
  return Finish(ctx, p, h);
}

KESTRIN_SCENARIO_STEP(pageDoubleClick, "a double-click on the entry of lst_Domains with the text \"entry\", or at \"index\" (-1: below the entries)") {
  const auto entry = step.OptStr("entry");
  const auto index = step.Opt("index");
  if (entry.has_value() == index.has_value()) step.Fail("give \"entry\" or \"index\"");
  std::int64_t at = -1;
  if (index) {
    at = index->AsInt();
    if (at < -1) index->Fail("an index from -1 up");
  }
  const std::u16string progId = ReadProgId(step);
  if (ctx.checking) return hr::ok;
  OpenPage& p = PageOf(*ctx.session, step, progId);
  const ComPtr<page::PageDriver> driver = DriverOf(step, p);
  if (entry) {
    page::PageState state;
    if (Failed(driver->GetState(&state))) step.Fail("the page's state cannot be read");
    const std::u16string wanted = *Utf8ToUtf16(*entry);
    at = -2;
    for (std::size_t i = 0; i < state.lst_Domains.size(); ++i)
      if (state.lst_Domains[i] == wanted) {
        at = static_cast<std::int64_t>(i);
        break;
      }
    if (at == -2) step.Get("entry").Fail("lst_Domains holds no entry \"" + *entry + "\"");
  }
  return Finish(ctx, p, driver->DoubleClick(page::ControlId::lst_Domains, static_cast<std::int32_t>(at)));
}

KESTRIN_SCENARIO_STEP(pageSelect, "the user selects the entry of lst_Domains at \"index\" (-1: none)") {
  const std::int64_t index = step.Int("index");
  if (index < -1) step.Get("index").Fail("an index from -1 up");
  const std::u16string progId = ReadProgId(step);
  if (ctx.checking) return hr::ok;
  OpenPage& p = PageOf(*ctx.session, step, progId);
  return Finish(ctx, p, DriverOf(step, p)->Select(page::ControlId::lst_Domains, static_cast<std::int32_t>(index)));
}

KESTRIN_SCENARIO_STEP(apply, "the dialog's Apply (or OK): PropertyPage.Apply on the page; prints the stored settings") {
  const std::u16string progId = ReadProgId(step);
  if (ctx.checking) return hr::ok;
  Session& s = *ctx.session;
  OpenPage& p = PageOf(s, step, progId);
  ComPtr<outlook::PropertyPage> pp;
  HRESULT h = p.control->QueryInterface(outlook::PropertyPage::iid, reinterpret_cast<void**>(pp.put()));
  if (Succeeded(h)) {
    std::int16_t dirty = 0;
    if (Succeeded(pp->get_Dirty(&dirty))) ctx.output.Set("dirtyBefore", dirty != 0);
    h = pp->Apply();
  }
  ctx.output.Set("settings", SettingsJson(s.registry));
  return Finish(ctx, p, h);
}

// Every page of the open dialog (shown when a scenario's "show" names it).
KESTRIN_SCENARIO_STATE(page, false) {
  Json list = Json::Array();
  if (session.dialog.open)
    for (const OpenPage& p : session.dialog.pages) list.Push(PageJson(p));
  return list;
}

// The three stored settings, as the registry holds them now.
KESTRIN_SCENARIO_STATE(settings, false) { return SettingsJson(session.registry); }

}  // namespace kestrin::host
