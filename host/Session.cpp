#include "Session.h"

#include <algorithm>
#include <cstdlib>

#include "ScenarioSteps.h"
#include "Utf8.h"

namespace kestrin::host {

standin::ItemKind ParseItemKind(const Node& kind) {
  const std::string k = kind.AsString();
  if (k == "mail") return standin::ItemKind::Mail;
  if (k == "meeting") return standin::ItemKind::MeetingRequest;
  if (k == "other") return standin::ItemKind::Other;
  kind.Fail("unknown item kind \"" + k + "\" (kinds: mail, meeting, other)");
}

const char* ItemKindName(standin::ItemKind kind) {
  switch (kind) {
    case standin::ItemKind::Mail: return "mail";
    case standin::ItemKind::MeetingRequest: return "meeting";
    case standin::ItemKind::Other: return "other";
  }
  return "?";
}

standin::Folder& Session::FolderAt(const Node& path) const {
  const std::string text = path.AsString();
  if (text.empty() || text[0] != '\\')
    path.Fail("a folder is named by its absolute path, such as \"\\\\Personal Folders\\\\Inbox\"");
  standin::Folder* f = profile.FindFolder(*Utf8ToUtf16(text));
  if (!f || outlook.IsDeleted(*f)) path.Fail("no folder \"" + text + "\" in the profile at this point");
  return *f;
}

standin::Folder& Session::DefaultInbox(const Node& at) const {
  standin::Folder* inbox = profile.DefaultInbox();
  if (!inbox) at.Fail("the profile has no default Inbox: name the folder");
  return *inbox;
}

standin::Item& Session::ItemNamed(const Node& label) const {
  const std::string name = label.AsString();
  auto it = items_.find(name);
  if (it == items_.end()) label.Fail("no item named \"" + name + "\" at this point");
  return *it->second;
}

void Session::NameItem(const Node& at, const std::string& label, standin::Item& item) {
  std::string name = label;
  if (name.empty()) name = "item" + std::to_string(items_.size() + 1);
  if (items_.count(name)) at.Fail("the item name \"" + name + "\" is already taken");
  items_[name] = &item;
  itemLabels_[&item] = name;
}

std::string Session::LabelOf(const standin::Item& item) const {
  auto it = itemLabels_.find(&item);
  return it != itemLabels_.end() ? it->second : "#" + std::to_string(item.id);
}

std::uint64_t Session::ExplorerNamed(const Node& label) const {
  const std::string name = label.AsString();
  auto it = windows_.find(name);
  if (it == windows_.end() || !it->second.explorer) label.Fail("no explorer named \"" + name + "\"");
  return it->second.id;
}

std::uint64_t Session::InspectorNamed(const Node& label) const {
  const std::string name = label.AsString();
  auto it = windows_.find(name);
  if (it == windows_.end() || it->second.explorer) label.Fail("no inspector named \"" + name + "\"");
  return it->second.id;
}

void Session::NameWindow(const Node& at, const std::string& label, std::uint64_t id, bool explorer) {
  if (label.empty()) at.Fail("a window needs a name");
  if (windows_.count(label)) at.Fail("the window name \"" + label + "\" is already taken");
  windows_[label] = Window{id, explorer};
}

std::string Session::WindowLabel(std::uint64_t id) const {
  for (const auto& [label, w] : windows_)
    if (w.id == id) return label;
  return "#" + std::to_string(id);
}

std::string Session::FolderPath(const standin::Folder* folder) const {
  if (!folder || outlook.IsDeleted(*folder)) return {};
  return Utf16ToUtf8(profile.PathOf(*folder));
}

Json Session::State(const std::vector<std::string>& sections) {
  Json state = Json::Object();
  for (const std::string& name : sections)
    if (const StateInfo* s = FindStateSection(name)) state.Set(name, s->build(*this));
  return state;
}

// ---- the state sections ----

namespace {

// "Explorer 2" -> "Explorer e1": the scenario's names for windows; "Items \\Top\Inbox" (Outlook's
// FolderPath) -> "Items \Top\Inbox", the scenario's folder paths.
std::string SourceName(const Session& session, const std::string& source) {
  if (source.rfind("Items \\\\", 0) == 0) return "Items " + source.substr(7);
  for (const char* kind : {"Explorer ", "Inspector "}) {
    const std::string prefix = kind;
    if (source.rfind(prefix, 0) == 0) {
      const std::string rest = source.substr(prefix.size());
      char* end = nullptr;
      const unsigned long long id = std::strtoull(rest.c_str(), &end, 10);
      if (end && *end == '\0' && !rest.empty()) return prefix + session.WindowLabel(id);
    }
  }
  return source;
}

}  // namespace

KESTRIN_SCENARIO_STATE(addin, true) {
  Json j = Json::Object();
  j.Set("loaded", session.addin.Loaded());
  bool attached = false;
  for (const auto& s : session.outlook.Subscriptions())
    if (s.source == "Application") attached = true;
  j.Set("attached", attached);
  return j;
}

KESTRIN_SCENARIO_STATE(items, true) {
  Json list = Json::Array();
  for (const auto& item : session.profile.AllItems()) {
    Json j = Json::Object();
    j.Set("id", session.LabelOf(*item));
    j.Set("kind", ItemKindName(item->kind));
    const std::string path = session.FolderPath(item->folder);
    j.Set("folder", path.empty() ? Json() : Json(path));
    j.Set("unread", item->unread);
    list.Push(std::move(j));
  }
  return list;
}

KESTRIN_SCENARIO_STATE(subscriptions, true) {
  std::vector<std::string> names;
  for (const auto& s : session.outlook.Subscriptions()) names.push_back(SourceName(session, s.source));
  std::sort(names.begin(), names.end());
  Json list = Json::Array();
  for (auto& n : names) list.Push(std::move(n));
  return list;
}

KESTRIN_SCENARIO_STATE(windows, false) {
  Json j = Json::Object();
  Json explorers = Json::Array();
  for (const auto& w : session.outlook.Explorers()) {
    Json e = Json::Object();
    e.Set("id", session.WindowLabel(w.id));
    const std::string path = session.FolderPath(w.currentFolder);
    e.Set("folder", path.empty() ? Json() : Json(path));
    explorers.Push(std::move(e));
  }
  Json inspectors = Json::Array();
  for (const auto& w : session.outlook.Inspectors()) inspectors.Push(session.WindowLabel(w.id));
  j.Set("explorers", std::move(explorers));
  j.Set("inspectors", std::move(inspectors));
  const std::uint64_t active = session.outlook.ActiveExplorerId();
  j.Set("active", active ? Json(session.WindowLabel(active)) : Json());
  return j;
}

// Calls of every member so far, by fault-injection name.
KESTRIN_SCENARIO_STATE(calls, false) {
  Json j = Json::Object();
  for (const auto& [op, n] : session.profile.CallCounts()) j.Set(op, static_cast<std::int64_t>(n));
  return j;
}

// The members called during this step, with their arguments.
KESTRIN_SCENARIO_STATE(log, false) {
  Json list = Json::Array();
  for (const std::string& entry : session.outlook.CallLog()) list.Push(entry);
  return list;
}

KESTRIN_SCENARIO_STATE(live, true) {
  Json j = Json::Object();
  j.Set("outlookObjects", session.profile.liveOutlookObjects);
  j.Set("mapiObjects", session.profile.liveMapiObjects);
  j.Set("mapiBuffers", session.profile.liveMapiBuffers);
  return j;
}

}  // namespace kestrin::host
