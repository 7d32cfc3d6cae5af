// Inside the stand-in Outlook: the state its objects share (windows, connections, the folder
// dialog's answer) and the factories of its objects. Not for the host or the tests: Outlook.h is.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Outlook.h"

namespace kestrin::standin {

// The connections of one event interface: each sink is attached to a channel (the Application,
// a window, a folder's items...) and to the source object that handed out its cookie.
template <class S>
struct Connections {
  struct Entry {
    std::uint32_t cookie;
    S* sink;
    std::uint64_t channel;
    const void* source;
    std::string sourceName;
  };
  std::vector<Entry> entries;

  Entry* Find(std::uint32_t cookie) {
    for (auto& e : entries)
      if (e.cookie == cookie) return &e;
    return nullptr;
  }
  bool Remove(std::uint32_t cookie, const void* source) {
    auto it = std::find_if(entries.begin(), entries.end(),
                           [&](const Entry& e) { return e.cookie == cookie && e.source == source; });
    if (it == entries.end()) return false;
    entries.erase(it);
    return true;
  }
  // Calls f(sink) for every sink on channel that is still connected when its turn comes.
  // The result is the first failure, else S_OK.
  template <class F>
  HRESULT Raise(std::uint64_t channel, F&& f) {
    std::vector<std::uint32_t> cookies;
    for (auto& e : entries)
      if (e.channel == channel) cookies.push_back(e.cookie);
    HRESULT result = hr::ok;
    for (std::uint32_t c : cookies) {
      Entry* e = Find(c);
      if (!e) continue;
      const HRESULT h = f(e->sink);
      if (Failed(h) && Succeeded(result)) result = h;
    }
    return result;
  }
};

struct OutlookWindow {
  std::uint64_t id = 0;
  Folder* currentFolder = nullptr;
  Item* item = nullptr;
  ComPtr<outlook::Explorer> explorer;    // Outlook's own reference while the window is open
  ComPtr<outlook::Inspector> inspector;
};

// Channels of the collections that have only one (the Application's, the name space's...).
inline constexpr std::uint64_t kSingleChannel = 0;

struct OutlookState {
  std::uint32_t nextCookie = 1;
  std::uint64_t nextWindowId = 1;
  std::vector<OutlookWindow> explorers;   // open explorers, opening order
  std::vector<OutlookWindow> inspectors;  // open inspectors, opening order
  std::vector<std::uint64_t> activation;  // explorer ids, most recently activated last
  Folder* pickAnswer = nullptr;
  PageAddHook pageAddHook;
  std::vector<PageAdd>* pagesOfOpenDialog = nullptr;
  std::vector<std::unique_ptr<Folder>> deletedFolders;  // kept so stale objects fail, not crash
  std::vector<std::string> callLog;

  Connections<outlook::ApplicationEvents> application;
  Connections<outlook::NameSpaceEvents> nameSpace;
  Connections<outlook::ExplorersEvents> explorersEvents;
  Connections<outlook::InspectorsEvents> inspectorsEvents;
  Connections<outlook::ExplorerEvents> explorerEvents;    // channel: window id
  Connections<outlook::InspectorEvents> inspectorEvents;  // channel: window id
  Connections<outlook::ItemsEvents> itemsEvents;          // channel: folder id

  bool IsDeleted(const Folder* f) const {
    for (const auto& d : deletedFolders)
      if (Contains(d.get(), f)) return true;
    return false;
  }
  static bool Contains(const Folder* root, const Folder* f) {
    if (root == f) return true;
    for (const auto& c : root->children)
      if (Contains(c.get(), f)) return true;
    return false;
  }
  OutlookWindow* FindExplorer(std::uint64_t id) {
    for (auto& w : explorers)
      if (w.id == id) return &w;
    return nullptr;
  }
  OutlookWindow* FindInspector(std::uint64_t id) {
    for (auto& w : inspectors)
      if (w.id == id) return &w;
    return nullptr;
  }
  void Log(std::string entry) { callLog.push_back(std::move(entry)); }
};

using StatePtr = std::shared_ptr<OutlookState>;

// Counts the call of op and returns its injected failure, or S_OK.
HRESULT Count(const char* op);

ComPtr<outlook::Application> NewApplication(StatePtr state);
ComPtr<outlook::NameSpace> NewNameSpace(StatePtr state);
ComPtr<outlook::Explorer> NewExplorer(StatePtr state, std::uint64_t windowId);
ComPtr<outlook::Inspector> NewInspector(StatePtr state, std::uint64_t windowId);
ComPtr<outlook::Folder> NewFolder(StatePtr state, Folder* folder);
ComPtr<outlook::Items> NewItems(StatePtr state, Folder* folder);
// A mail item answers MailItem; a meeting request or another kind only IUnknown and its own IID.
ComPtr<Unknown> NewItemObject(StatePtr state, Item* item);
ComPtr<outlook::PropertyPages> NewPropertyPages(StatePtr state);

std::string Narrow(const std::u16string& text);  // for names in logs: ASCII as is, others '?'

}  // namespace kestrin::standin
