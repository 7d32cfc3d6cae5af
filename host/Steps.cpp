// The steps of a scenario: Outlook's side of the add-in's life (see docs/scenarios.md).
#include "../platform/linux/ComActivation.h"
#include "../settings/CodePage.h"
#include "ScenarioSetup.h"
#include "ScenarioSteps.h"
#include "Session.h"
#include "Utf8.h"

namespace kestrin::host {

namespace {

std::int32_t Mode(const Node& step, const char* key, std::int32_t fallback, std::int32_t max) {
  const auto n = step.Opt(key);
  if (!n) return fallback;
  const std::int64_t v = n->AsInt();
  if (v < 0 || v > max) n->Fail("a mode from 0 to " + std::to_string(max));
  return static_cast<std::int32_t>(v);
}

std::string FileName(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

// ---- the add-in's connection ----

KESTRIN_SCENARIO_STEP(connect, "Outlook loads the add-in of its Addins key and calls OnConnection") {
  const std::string progId = step.Str("progId", "Kestrin.Connect");
  const std::int32_t mode = Mode(step, "mode", 1, 3);  // ext_cm_Startup
  if (ctx.checking) return hr::ok;
  Session& s = *ctx.session;
  if (s.addin.Loaded()) step.Fail("the add-in is connected already");
  const ComPtr<outlook::Application> app = s.outlook.Application();
  const ConnectOutcome r = s.addin.Connect(app.get(), *Utf8ToUtf16(progId), mode);
  ctx.output.Set("outcome", r.outcome);
  ctx.output.Set("loadBehavior", r.loadBehavior);
  if (!r.library.empty()) ctx.output.Set("library", FileName(r.library));
  if (r.outcome == "failed") ctx.output.Set("reason", com::LastLoadError());
  return r.hr;
}

KESTRIN_SCENARIO_STEP(disconnect, "OnDisconnection, then Outlook releases the add-in") {
  const std::int32_t mode = Mode(step, "mode", 0, 1);  // ext_dm_HostShutdown
  if (ctx.checking) return hr::ok;
  Session& s = *ctx.session;
  const HRESULT h = s.addin.Disconnect(mode);
  // Whether the library would let itself be unloaded now: every object it made is gone.
  const HRESULT unload = s.addin.CanUnloadNow();
  if (Succeeded(unload)) ctx.output.Set("canUnloadNow", unload == hr::ok);
  return h;
}

KESTRIN_SCENARIO_STEP(startupComplete, "IDTExtensibility2.OnStartupComplete") {
  if (ctx.checking) return hr::ok;
  return ctx.session->addin.StartupComplete();
}

KESTRIN_SCENARIO_STEP(beginShutdown, "IDTExtensibility2.OnBeginShutdown") {
  if (ctx.checking) return hr::ok;
  return ctx.session->addin.BeginShutdown();
}

KESTRIN_SCENARIO_STEP(addInsUpdate, "IDTExtensibility2.OnAddInsUpdate") {
  if (ctx.checking) return hr::ok;
  return ctx.session->addin.AddInsUpdate();
}

// ---- Application events ----

KESTRIN_SCENARIO_STEP(startup, "Application.Startup") {
  if (ctx.checking) return hr::ok;
  return ctx.session->outlook.RaiseStartup();
}

KESTRIN_SCENARIO_STEP(options, "the Options dialog opens: Application.OptionsPagesAdd") {
  if (ctx.checking) return hr::ok;
  Session& s = *ctx.session;
  s.dialog = OptionsDialog{};  // a dialog still open closes first
  s.dialog.open = true;
  const standin::OptionsDialogResult r = s.outlook.OpenOptionsDialog();
  Json pages = Json::Array();
  for (const standin::PageAdd& p : r.pages) {
    Json j = Json::Object();
    j.Set("progId", Utf16ToUtf8(p.progId));
    j.Set("title", Utf16ToUtf8(p.title));
    j.Set("hr", HResultText(p.result));
    pages.Push(std::move(j));
  }
  ctx.output.Set("pages", std::move(pages));
  return r.eventResult;
}

KESTRIN_SCENARIO_STEP(closeOptions, "the Options dialog closes: its pages are released") {
  if (ctx.checking) return hr::ok;
  ctx.session->dialog = OptionsDialog{};
  return hr::ok;
}

// ---- mail ----

KESTRIN_SCENARIO_STEP(deliver, "a new item arrives in a folder (the default Inbox unless \"to\"): Items.ItemAdd") {
  const auto to = step.Opt("to");
  if (to) (void)to->AsString();
  const Node item = step.Get("item");
  item.ExpectObject();
  const auto kindNode = item.Opt("kind");
  const standin::ItemKind kind = kindNode ? ParseItemKind(*kindNode) : standin::ItemKind::Mail;
  std::optional<std::string> sender;
  if (auto from = item.Opt("from"); from && !from->value().IsNull())
    sender = ToCodePage(*Utf8ToUtf16(from->AsString()));
  const bool unread = item.Bool("unread", true);
  const std::string subject = item.Str("subject", "");
  const std::string label = item.Str("id", "");
  item.CheckAllUsed();
  if (ctx.checking) return hr::ok;
  Session& s = *ctx.session;
  standin::Folder& folder = to ? s.FolderAt(*to) : s.DefaultInbox(step);
  const standin::DeliverResult r = s.outlook.Deliver(folder, kind, sender, unread, *Utf8ToUtf16(subject));
  if (!r.item) step.Fail("the stand-in could not deliver the item");
  s.NameItem(item, label, *r.item);
  ctx.output.Set("item", s.LabelOf(*r.item));
  return r.eventResult;
}

KESTRIN_SCENARIO_STEP(itemAdd, "Items.ItemAdd again for an item already in its folder") {
  const Node label = step.Get("item");
  (void)label.AsString();
  if (ctx.checking) return hr::ok;
  return ctx.session->outlook.RaiseItemAdd(ctx.session->ItemNamed(label));
}

// ---- the folder tree ----

KESTRIN_SCENARIO_STEP(addFolder, "a new folder below \"parent\"") {
  const Node parent = step.Get("parent");
  const std::string name = step.Str("name");
  (void)parent.AsString();
  if (name.empty() || name.find('\\') != std::string::npos) step.Get("name").Fail("a folder name is not empty and holds no backslash");
  if (ctx.checking) return hr::ok;
  ctx.session->outlook.AddFolder(ctx.session->FolderAt(parent), *Utf8ToUtf16(name));
  return hr::ok;
}

KESTRIN_SCENARIO_STEP(renameFolder, "the folder at \"path\" takes the name \"name\"") {
  const Node path = step.Get("path");
  const std::string name = step.Str("name");
  (void)path.AsString();
  if (name.empty() || name.find('\\') != std::string::npos) step.Get("name").Fail("a folder name is not empty and holds no backslash");
  if (ctx.checking) return hr::ok;
  ctx.session->outlook.RenameFolder(ctx.session->FolderAt(path), *Utf8ToUtf16(name));
  return hr::ok;
}

KESTRIN_SCENARIO_STEP(deleteFolder, "the folder at \"path\" and everything below it go") {
  const Node path = step.Get("path");
  (void)path.AsString();
  if (ctx.checking) return hr::ok;
  return ctx.session->outlook.DeleteFolder(ctx.session->FolderAt(path));
}

// ---- windows ----

KESTRIN_SCENARIO_STEP(openExplorer, "a new explorer on \"folder\" (the default Inbox unless given): Explorers.NewExplorer") {
  const std::string id = step.Str("id");
  const auto folder = step.Opt("folder");
  if (folder) (void)folder->AsString();
  if (ctx.checking) return hr::ok;
  Session& s = *ctx.session;
  standin::Folder& f = folder ? s.FolderAt(*folder) : s.DefaultInbox(step);
  const standin::WindowResult r = s.outlook.OpenExplorer(&f);
  s.NameWindow(step, id, r.id, true);
  return r.eventResult;
}

KESTRIN_SCENARIO_STEP(closeExplorer, "the explorer closes: Explorer.Close") {
  const Node id = step.Get("id");
  (void)id.AsString();
  if (ctx.checking) return hr::ok;
  return ctx.session->outlook.CloseExplorer(ctx.session->ExplorerNamed(id));
}

KESTRIN_SCENARIO_STEP(activateExplorer, "the explorer becomes the active one") {
  const Node id = step.Get("id");
  (void)id.AsString();
  if (ctx.checking) return hr::ok;
  return ctx.session->outlook.ActivateExplorer(ctx.session->ExplorerNamed(id));
}

KESTRIN_SCENARIO_STEP(switchFolder, "the explorer moves to another folder: Explorer.BeforeFolderSwitch") {
  const Node id = step.Get("explorer");
  const Node folder = step.Get("folder");
  (void)id.AsString();
  (void)folder.AsString();
  if (ctx.checking) return hr::ok;
  Session& s = *ctx.session;
  const standin::SwitchResult r = s.outlook.SwitchFolder(s.ExplorerNamed(id), &s.FolderAt(folder));
  ctx.output.Set("cancelled", r.cancelled);
  return r.eventResult;
}

KESTRIN_SCENARIO_STEP(openInspector, "a new inspector, on \"item\" if given: Inspectors.NewInspector") {
  const std::string id = step.Str("id");
  const auto item = step.Opt("item");
  if (item) (void)item->AsString();
  if (ctx.checking) return hr::ok;
  Session& s = *ctx.session;
  const standin::WindowResult r = s.outlook.OpenInspector(item ? &s.ItemNamed(*item) : nullptr);
  s.NameWindow(step, id, r.id, false);
  return r.eventResult;
}

KESTRIN_SCENARIO_STEP(closeInspector, "the inspector closes: Inspector.Close") {
  const Node id = step.Get("id");
  (void)id.AsString();
  if (ctx.checking) return hr::ok;
  return ctx.session->outlook.CloseInspector(ctx.session->InspectorNamed(id));
}

// ---- the world around ----

KESTRIN_SCENARIO_STEP(registry, "registry values written or deleted (\"values\", as the scenario's \"registry\"; \"settings\")") {
  std::vector<RegWrite> writes;
  if (auto settings = step.Opt("settings")) writes = ReadSettings(*settings);
  if (auto values = step.Opt("values")) {
    auto more = ReadRegistryWrites(*values);
    writes.insert(writes.end(), more.begin(), more.end());
  }
  if (writes.empty()) step.Fail("give \"settings\" or \"values\"");
  if (ctx.checking) return hr::ok;
  ApplyRegistryWrites(ctx.session->registry, writes);
  return hr::ok;
}

KESTRIN_SCENARIO_STEP(fault, "a fault: the nth next call of \"op\" fails with \"hr\"") {
  const FaultSpec fault = ReadFault(step);
  if (ctx.checking) return hr::ok;
  InjectFault(ctx.session->profile, fault);
  return hr::ok;
}

KESTRIN_SCENARIO_STEP(clearFaults, "every fault set so far is dropped") {
  if (ctx.checking) return hr::ok;
  ctx.session->profile.ClearFaults();
  return hr::ok;
}

}  // namespace kestrin::host
