// The controller of the stand-in Outlook: what the user and the mail server do, as events.
#include "Outlook.h"

#include <algorithm>

#include "OutlookState.h"

namespace kestrin::standin {

namespace {
Outlook* gRunning = nullptr;

template <class S>
void Describe(const Connections<S>& c, const char* eventInterface, std::vector<SubscriptionInfo>& out) {
  for (const auto& e : c.entries) out.push_back({e.sourceName, eventInterface, e.cookie});
}

WindowInfo Info(const OutlookWindow& w) { return {w.id, true, w.currentFolder, w.item}; }
}  // namespace

Outlook::Outlook() : state_(std::make_shared<OutlookState>()) { gRunning = this; }

Outlook::~Outlook() {
  // Outlook lets go of its windows; objects the add-in still holds keep the state alive.
  state_->explorers.clear();
  state_->inspectors.clear();
  if (gRunning == this) gRunning = nullptr;
}

Outlook* Outlook::Running() { return gRunning; }

ComPtr<outlook::Application> Outlook::Application() { return NewApplication(state_); }

WindowResult Outlook::OpenExplorer(Folder* currentFolder) {
  OutlookWindow w;
  w.id = state_->nextWindowId++;
  w.currentFolder = currentFolder;
  w.explorer = NewExplorer(state_, w.id);
  ComPtr<outlook::Explorer> explorer = w.explorer;
  state_->explorers.push_back(std::move(w));
  state_->activation.push_back(state_->explorers.back().id);
  WindowResult r{state_->explorers.back().id, hr::ok};
  r.eventResult = state_->explorersEvents.Raise(
      kSingleChannel, [&](outlook::ExplorersEvents* sink) { return sink->NewExplorer(explorer.get()); });
  return r;
}

HRESULT Outlook::CloseExplorer(std::uint64_t id) {
  auto it = std::find_if(state_->explorers.begin(), state_->explorers.end(),
                         [&](const OutlookWindow& w) { return w.id == id; });
  if (it == state_->explorers.end()) return hr::invalidArg;
  // The window is gone from ActiveExplorer and Explorers.Count before its Close arrives.
  ComPtr<outlook::Explorer> keep = std::move(it->explorer);
  state_->explorers.erase(it);
  std::erase(state_->activation, id);
  return state_->explorerEvents.Raise(id, [](outlook::ExplorerEvents* sink) { return sink->Close(); });
}

HRESULT Outlook::ActivateExplorer(std::uint64_t id) {
  if (!state_->FindExplorer(id)) return hr::invalidArg;
  std::erase(state_->activation, id);
  state_->activation.push_back(id);
  return hr::ok;
}

SwitchResult Outlook::SwitchFolder(std::uint64_t explorerId, Folder* newFolder) {
  SwitchResult r;
  OutlookWindow* w = state_->FindExplorer(explorerId);
  if (!w || !newFolder) {
    r.eventResult = hr::invalidArg;
    return r;
  }
  ComPtr<outlook::Folder> folder = NewFolder(state_, newFolder);
  bool cancel = false;
  r.eventResult = state_->explorerEvents.Raise(explorerId, [&](outlook::ExplorerEvents* sink) {
    return sink->BeforeFolderSwitch(folder.get(), &cancel);
  });
  r.cancelled = cancel;
  if (!cancel)
    if (OutlookWindow* still = state_->FindExplorer(explorerId)) still->currentFolder = newFolder;
  return r;
}

WindowResult Outlook::OpenInspector(Item* item) {
  OutlookWindow w;
  w.id = state_->nextWindowId++;
  w.item = item;
  w.inspector = NewInspector(state_, w.id);
  ComPtr<outlook::Inspector> inspector = w.inspector;
  state_->inspectors.push_back(std::move(w));
  WindowResult r{state_->inspectors.back().id, hr::ok};
  r.eventResult = state_->inspectorsEvents.Raise(
      kSingleChannel, [&](outlook::InspectorsEvents* sink) { return sink->NewInspector(inspector.get()); });
  return r;
}

HRESULT Outlook::CloseInspector(std::uint64_t id) {
  if (!state_->FindInspector(id)) return hr::invalidArg;
  // The closing inspector is still counted while its Close is raised.
  const HRESULT result =
      state_->inspectorEvents.Raise(id, [](outlook::InspectorEvents* sink) { return sink->Close(); });
  auto it = std::find_if(state_->inspectors.begin(), state_->inspectors.end(),
                         [&](const OutlookWindow& w) { return w.id == id; });
  if (it != state_->inspectors.end()) {
    ComPtr<outlook::Inspector> keep = std::move(it->inspector);
    state_->inspectors.erase(it);
  }
  return result;
}

std::vector<WindowInfo> Outlook::Explorers() const {
  std::vector<WindowInfo> out;
  for (const auto& w : state_->explorers) out.push_back(Info(w));
  return out;
}

std::vector<WindowInfo> Outlook::Inspectors() const {
  std::vector<WindowInfo> out;
  for (const auto& w : state_->inspectors) out.push_back(Info(w));
  return out;
}

std::uint64_t Outlook::ActiveExplorerId() const {
  return state_->activation.empty() ? 0 : state_->activation.back();
}

HRESULT Outlook::RaiseStartup() {
  return state_->application.Raise(kSingleChannel,
                                   [](outlook::ApplicationEvents* sink) { return sink->Startup(); });
}

OptionsDialogResult Outlook::OpenOptionsDialog() {
  OptionsDialogResult r;
  ComPtr<outlook::PropertyPages> pages = NewPropertyPages(state_);
  state_->pagesOfOpenDialog = &r.pages;
  r.eventResult = state_->application.Raise(
      kSingleChannel, [&](outlook::ApplicationEvents* sink) { return sink->OptionsPagesAdd(pages.get()); });
  state_->pagesOfOpenDialog = nullptr;
  return r;
}

void Outlook::SetPageAddHook(PageAddHook hook) { state_->pageAddHook = std::move(hook); }

DeliverResult Outlook::Deliver(Folder& folder, ItemKind kind, std::optional<std::string> sender, bool unread,
                               std::u16string subject) {
  Item& item = Profile::Current().AddItem(folder, kind, std::move(sender), unread, std::move(subject));
  return {&item, RaiseItemAdd(item)};
}

HRESULT Outlook::RaiseItemAdd(Item& item) {
  if (!item.folder) return kNotFound;
  ComPtr<Unknown> object = NewItemObject(state_, &item);
  return state_->itemsEvents.Raise(item.folder->id,
                                   [&](outlook::ItemsEvents* sink) { return sink->ItemAdd(object.get()); });
}

Folder& Outlook::AddFolder(Folder& parent, std::u16string name) {
  return Profile::Current().AddFolder(parent, std::move(name));
}

void Outlook::RenameFolder(Folder& folder, std::u16string name) { folder.name = std::move(name); }

HRESULT Outlook::DeleteFolder(Folder& folder) {
  if (!folder.parent) return hr::invalidArg;  // a store's top-level folder stays
  auto& siblings = folder.parent->children;
  auto it = std::find_if(siblings.begin(), siblings.end(), [&](const auto& c) { return c.get() == &folder; });
  if (it == siblings.end()) return kNotFound;
  std::unique_ptr<Folder> removed = std::move(*it);
  siblings.erase(it);
  struct Walk {
    static void DeleteItems(Folder& f) {
      for (Item* i : f.items) i->folder = nullptr;
      f.items.clear();
      for (auto& c : f.children) DeleteItems(*c);
    }
  };
  Walk::DeleteItems(*removed);
  for (auto& s : Profile::Current().Stores())
    if (s->inbox && OutlookState::Contains(removed.get(), s->inbox)) s->inbox = nullptr;
  state_->deletedFolders.push_back(std::move(removed));
  return hr::ok;
}

bool Outlook::IsDeleted(const Folder& folder) const { return state_->IsDeleted(&folder); }

void Outlook::SetPickFolderAnswer(Folder* folder) { state_->pickAnswer = folder; }

std::vector<SubscriptionInfo> Outlook::Subscriptions() const {
  std::vector<SubscriptionInfo> out;
  Describe(state_->application, "ApplicationEvents", out);
  Describe(state_->nameSpace, "NameSpaceEvents", out);
  Describe(state_->explorersEvents, "ExplorersEvents", out);
  Describe(state_->inspectorsEvents, "InspectorsEvents", out);
  Describe(state_->explorerEvents, "ExplorerEvents", out);
  Describe(state_->inspectorEvents, "InspectorEvents", out);
  Describe(state_->itemsEvents, "ItemsEvents", out);
  std::sort(out.begin(), out.end(), [](const auto& a, const auto& b) { return a.cookie < b.cookie; });
  return out;
}

const std::vector<std::string>& Outlook::CallLog() const { return state_->callLog; }

void Outlook::ClearCallLog() { state_->callLog.clear(); }

}  // namespace kestrin::standin
