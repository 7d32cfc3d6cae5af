// One run of a scenario: the profile, the stand-in Outlook, the add-in as Outlook holds it, the
// open Options dialog, and the scenario's names for items and windows. Steps act on it; the
// state sections read it.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "../standin/Outlook.h"
#include "../standin/Profile.h"
#include "AddinHost.h"
#include "Json.h"
#include "ScenarioNode.h"

namespace kestrin::host {

// A page that PropertyPages.Add created while the Options dialog was opening.
struct OpenPage {
  std::u16string progId;
  std::u16string title;
  HRESULT created = hr::ok;  // the creation's result; also Add's
  ComPtr<Unknown> control;   // the control, held by the dialog until it closes
  ComPtr<Unknown> site;      // the client site the dialog gave it (host/PageSteps.cpp)
};

struct OptionsDialog {
  bool open = false;
  std::vector<OpenPage> pages;
};

class Session {
 public:
  Session(standin::Profile& profile, standin::Outlook& outlook, Registry& registry)
      : profile(profile), outlook(outlook), registry(registry), addin(registry) {}

  standin::Profile& profile;
  standin::Outlook& outlook;
  Registry& registry;
  AddinHost addin;
  OptionsDialog dialog;
  bool offerPageSite = true;  // whether the client sites of new pages offer a page site
  std::string binDir;    // where kestrin-host and the deliverables are
  std::string hivePath;

  // ---- the scenario's names ----
  // A folder named by an absolute path ("\Top\A"); fails at the node when there is none.
  standin::Folder& FolderAt(const Node& path) const;
  // The default Inbox; fails at the node when the profile has none.
  standin::Folder& DefaultInbox(const Node& at) const;
  standin::Item& ItemNamed(const Node& label) const;
  void NameItem(const Node& at, const std::string& label, standin::Item& item);
  std::string LabelOf(const standin::Item& item) const;
  std::uint64_t ExplorerNamed(const Node& label) const;
  std::uint64_t InspectorNamed(const Node& label) const;
  void NameWindow(const Node& at, const std::string& label, std::uint64_t id, bool explorer);
  std::string WindowLabel(std::uint64_t id) const;
  std::string FolderPath(const standin::Folder* folder) const;  // "" when deleted or none

  // The state after a step: the sections the scenario shows.
  Json State(const std::vector<std::string>& sections);

 private:
  std::map<std::string, standin::Item*> items_;
  std::map<const standin::Item*, std::string> itemLabels_;
  struct Window {
    std::uint64_t id;
    bool explorer;
  };
  std::map<std::string, Window> windows_;
};

// A folder kind, for the profile and the steps.
standin::ItemKind ParseItemKind(const Node& kind);
const char* ItemKindName(standin::ItemKind kind);

}  // namespace kestrin::host
