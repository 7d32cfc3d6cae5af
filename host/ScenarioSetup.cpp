#include "ScenarioSetup.h"

#include "../settings/CodePage.h"
#include "../settings/modRegistry.h"
#include "Session.h"
#include "Utf8.h"

namespace kestrin::host {

namespace {

// Scenario text (valid UTF-8: the parser checked it) as code-page bytes.
std::string Bytes(const std::string& utf8) { return ToCodePage(*Utf8ToUtf16(utf8)); }

void ReadItems(const Node& folderSpec, standin::Profile& profile, standin::Folder& folder, ProfileNames* names) {
  auto items = folderSpec.Opt("items");
  if (!items) return;
  for (const Node& it : items->Elements()) {
    const auto kind = it.Opt("kind");
    const standin::ItemKind k = kind ? ParseItemKind(*kind) : standin::ItemKind::Mail;
    std::optional<std::string> sender;
    if (auto from = it.Opt("from"); from && !from->value().IsNull()) sender = Bytes(from->AsString());
    const bool unread = it.Bool("unread", true);
    const std::u16string subject = *Utf8ToUtf16(it.Str("subject", ""));
    const std::string label = it.Str("id", "");
    it.CheckAllUsed();
    standin::Item& item = profile.AddItem(folder, k, sender, unread, subject);
    names->items.emplace_back(label, &item);
    names->itemNodes.push_back(it);
  }
}

void ReadFolders(const Node& parentSpec, standin::Profile& profile, standin::Folder& parent,
                 standin::Folder** inbox, ProfileNames* names) {
  auto folders = parentSpec.Opt("folders");
  if (!folders) return;
  for (const Node& f : folders->Elements()) {
    const std::string name = f.Str("name");
    if (name.empty() || name.find('\\') != std::string::npos) f.Get("name").Fail("a folder name is not empty and holds no backslash");
    for (const auto& sibling : parent.children)
      if (sibling->name == *Utf8ToUtf16(name)) f.Get("name").Fail("two folders named \"" + name + "\" side by side");
    standin::Folder& folder = profile.AddFolder(parent, *Utf8ToUtf16(name));
    if (f.Bool("inbox", false)) {
      if (*inbox) f.Get("inbox").Fail("a store has one Inbox");
      *inbox = &folder;
    }
    ReadItems(f, profile, folder, names);
    ReadFolders(f, profile, folder, inbox, names);
    f.CheckAllUsed();
  }
}

void ReadContainer(const Node& spec, standin::Profile& profile, standin::AbContainer& c) {
  if (auto entries = spec.Opt("entries")) {
    for (const Node& e : entries->Elements()) {
      standin::AbEntry entry;
      entry.displayName = Bytes(e.Str("name", ""));
      if (auto a = e.Opt("address"); a && !a->value().IsNull()) entry.address = Bytes(a->AsString());
      e.CheckAllUsed();
      c.entries.push_back(std::move(entry));
    }
  }
  if (auto children = spec.Opt("containers")) {
    for (const Node& child : children->Elements()) {
      standin::AbContainer& cc = profile.AddChildContainer(c, Bytes(child.Str("name")));
      ReadContainer(child, profile, cc);
      child.CheckAllUsed();
    }
  }
}

RegKey ParseRoot(const Node& at, std::string& key) {
  static const std::pair<const char*, RegKey> kRoots[] = {
      {"HKEY_CURRENT_USER", kHkeyCurrentUser}, {"HKCU", kHkeyCurrentUser},
      {"HKEY_LOCAL_MACHINE", kHkeyLocalMachine}, {"HKLM", kHkeyLocalMachine},
      {"HKEY_CLASSES_ROOT", kHkeyClassesRoot}, {"HKCR", kHkeyClassesRoot}};
  for (const auto& [name, root] : kRoots) {
    const std::string prefix = std::string(name) + "\\";
    if (key.size() > prefix.size() && EqualsNoCase(*Utf8ToUtf16(key.substr(0, prefix.size())), *Utf8ToUtf16(prefix))) {
      key = key.substr(prefix.size());
      return root;
    }
  }
  at.Fail("a key starts with its root: HKCU\\..., HKLM\\... or HKCR\\...");
}

std::vector<std::uint8_t> ParseHex(const Node& n) {
  const std::string s = n.AsString();
  std::vector<std::uint8_t> out;
  int pending = -1;
  for (char c : s) {
    if (c == ' ' || c == ',' || c == ':') continue;
    int d;
    if (c >= '0' && c <= '9') d = c - '0';
    else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
    else n.Fail(std::string("'") + c + "' is no hexadecimal digit");
    if (pending < 0) pending = d;
    else { out.push_back(static_cast<std::uint8_t>(pending * 16 + d)); pending = -1; }
  }
  if (pending >= 0) n.Fail("an odd number of hexadecimal digits");
  return out;
}

std::vector<std::uint8_t> TextBytes(const std::string& utf8, bool nul) {
  const std::string b = Bytes(utf8);
  std::vector<std::uint8_t> out(b.begin(), b.end());
  if (nul) out.push_back(0);
  return out;
}

}  // namespace

void BuildProfile(const std::optional<Node>& spec, standin::Profile& profile, ProfileNames* names) {
  if (!spec) {
    standin::Store& s = profile.AddStore(u"Personal Folders", u"Personal Folders", true);
    s.inbox = &profile.AddFolder(*s.top, u"Inbox");
    profile.AddTopContainer("Outlook Address Book");
    return;
  }
  spec->ExpectObject();
  bool haveDefault = false;
  for (const Node& st : spec->Get("stores").Elements()) {
    const std::string name = st.Str("name");
    const std::string top = st.Str("top", name);
    const bool isDefault = st.Bool("default", false);
    if (isDefault && haveDefault) st.Get("default").Fail("only one store is the default store");
    for (const auto& other : profile.Stores())
      if (other->top->name == *Utf8ToUtf16(top)) st.Fail("two stores with the top-level folder \"" + top + "\"");
    haveDefault = haveDefault || isDefault;
    standin::Store& store = profile.AddStore(*Utf8ToUtf16(name), *Utf8ToUtf16(top), isDefault);
    standin::Folder* inbox = nullptr;
    ReadItems(st, profile, *store.top, names);
    ReadFolders(st, profile, *store.top, &inbox, names);
    if (!inbox)  // unmarked: the top-level folder named exactly "Inbox"
      for (auto& c : store.top->children)
        if (c->name == u"Inbox") inbox = c.get();
    store.inbox = inbox;
    st.CheckAllUsed();
  }
  if (!haveDefault && !profile.Stores().empty()) {
    profile.Stores().front()->isDefault = true;
  }
  if (auto ab = spec->Opt("addressBook")) {
    for (const Node& c : ab->Elements()) {
      standin::AbContainer& top = profile.AddTopContainer(Bytes(c.Str("name")));
      ReadContainer(c, profile, top);
      c.CheckAllUsed();
    }
  } else {
    profile.AddTopContainer("Outlook Address Book");
  }
  spec->CheckAllUsed();
}

std::vector<RegWrite> ReadRegistryWrites(const Node& list) {
  std::vector<RegWrite> out;
  for (const Node& e : list.Elements()) {
    RegWrite w(e);
    w.key = e.Str("key");
    w.root = ParseRoot(e.Get("key"), w.key);
    w.key = Bytes(w.key);
    if (auto n = e.Opt("name")) w.name = Bytes(n->AsString());
    w.erase = e.Bool("delete", false);
    if (w.erase) {
      e.CheckAllUsed();
      out.push_back(std::move(w));
      continue;
    }
    if (!w.name) e.Fail("a value needs a \"name\" (\"\" for the key's default value); to remove a key write \"delete\": true");
    const std::string type = e.Str("type", "REG_SZ");
    static const std::pair<const char*, std::uint32_t> kTypes[] = {
        {"REG_SZ", kRegSz}, {"REG_EXPAND_SZ", kRegExpandSz}, {"REG_MULTI_SZ", kRegMultiSz},
        {"REG_DWORD", kRegDword}, {"REG_BINARY", kRegBinary}, {"REG_NONE", kRegNone}};
    bool known = false;
    for (const auto& [n, t] : kTypes)
      if (type == n) { w.type = t; known = true; }
    if (!known) e.Get("type").Fail("unknown type \"" + type + "\" (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ, REG_DWORD, REG_BINARY, REG_NONE)");
    const bool nul = e.Bool("nul", true);
    if (auto hex = e.Opt("hex")) {
      if (e.Has("value")) e.Fail("give either \"value\" or \"hex\", not both");
      w.data = ParseHex(*hex);
    } else {
      const Node v = e.Get("value");
      switch (w.type) {
        case kRegSz:
        case kRegExpandSz: w.data = TextBytes(v.AsString(), nul); break;
        case kRegMultiSz:
          for (const Node& s : v.Elements()) {
            auto b = TextBytes(s.AsString(), true);
            if (b.size() == 1) s.Fail("a REG_MULTI_SZ string may not be empty: an empty string ends the list");
            w.data.insert(w.data.end(), b.begin(), b.end());
          }
          if (nul) w.data.push_back(0);
          break;
        case kRegDword: {
          const std::int64_t d = v.AsInt();
          if (d < INT32_MIN || d > static_cast<std::int64_t>(UINT32_MAX)) v.Fail("a REG_DWORD holds 32 bits");
          const auto u = static_cast<std::uint32_t>(d);
          w.data = {static_cast<std::uint8_t>(u), static_cast<std::uint8_t>(u >> 8),
                    static_cast<std::uint8_t>(u >> 16), static_cast<std::uint8_t>(u >> 24)};
          break;
        }
        default: v.Fail("give this type's bytes as \"hex\"");
      }
    }
    e.CheckAllUsed();
    out.push_back(std::move(w));
  }
  return out;
}

std::vector<RegWrite> ReadSettings(const Node& settings) {
  std::vector<RegWrite> out;
  const std::string key = Bytes(Utf16ToUtf8(kSettingsKey));
  for (const Node& m : settings.Members()) {
    const std::string name = m.KeyName();
    const bool known = name == Utf16ToUtf8(kValueDestination) || name == Utf16ToUtf8(kValueDomains) ||
                       name == Utf16ToUtf8(kValueMarkRead);
    if (!known) m.Fail("unknown setting \"" + name + "\" (SpamDestinationFolderPath, ExcludedDomains, MarkSpamAsRead; other values go in \"registry\")");
    RegWrite w(m);
    w.root = kSettingsRoot;
    w.key = key;
    w.name = Bytes(name);
    if (m.value().IsNull()) {
      w.erase = true;  // null: the value is missing
    } else {
      w.type = kRegSz;
      w.data = TextBytes(m.AsString(), true);
    }
    out.push_back(std::move(w));
  }
  return out;
}

void ApplyRegistryWrites(Registry& registry, const std::vector<RegWrite>& writes) {
  for (const RegWrite& w : writes) {
    RegStatus st;
    if (w.erase && !w.name) {
      st = registry.DeleteTree(w.root, w.key);
      if (st == kErrorFileNotFound) st = kErrorSuccess;
    } else {
      RegKey key = 0;
      st = w.erase ? registry.OpenKey(w.root, w.key, &key) : registry.CreateKey(w.root, w.key, &key);
      if (w.erase && st == kErrorFileNotFound) continue;
      if (st == kErrorSuccess) {
        st = w.erase ? registry.DeleteValue(key, *w.name)
                     : registry.SetValue(key, *w.name, w.type, w.data.data(), static_cast<std::uint32_t>(w.data.size()));
        if (w.erase && st == kErrorFileNotFound) st = kErrorSuccess;
        (void)registry.CloseKey(key);
      }
    }
    if (st != kErrorSuccess) w.at.Fail("the registry refused this write (error " + std::to_string(st) + ")");
  }
}

FaultSpec ReadFault(const Node& f) {
  FaultSpec out;
  out.op = f.Str("op");
  if (out.op.empty()) f.Get("op").Fail("name the operation, such as \"Explorers.Count\"");
  if (auto nth = f.Opt("nth")) {
    auto one = [&](const Node& n) {
      const std::int64_t v = n.AsInt();
      if (v < 1) n.Fail("calls are counted from 1");
      out.nth.push_back(static_cast<std::uint64_t>(v));
    };
    if (nth->value().IsArray()) for (const Node& n : nth->Elements()) one(n);
    else one(*nth);
  } else {
    out.nth.push_back(1);
  }
  if (auto h = f.Opt("hr")) out.result = h->AsHResult();
  if (Succeeded(out.result)) f.Get("hr").Fail("a fault fails: give a failing HRESULT");
  return out;
}

void InjectFault(standin::Profile& profile, const FaultSpec& fault) {
  const std::uint64_t before = profile.CallCount(fault.op);
  for (std::uint64_t n : fault.nth) profile.InjectFault(fault.op, standin::Fault{before + n, fault.result});
}

void CheckWindows(const Node& list) {
  for (const Node& w : list.Elements()) {
    const bool explorer = w.Has("explorer");
    if (explorer == w.Has("inspector")) w.Fail("a window is {\"explorer\": NAME, \"folder\": PATH} or {\"inspector\": NAME, \"item\": NAME}");
    (void)w.Str(explorer ? "explorer" : "inspector");
    (void)w.OptStr(explorer ? "folder" : "item");
    w.CheckAllUsed();
  }
}

void OpenWindows(Session& session, const Node& list) {
  for (const Node& w : list.Elements()) {
    if (w.Has("explorer")) {
      auto folder = w.Opt("folder");
      standin::Folder& f = folder ? session.FolderAt(*folder) : session.DefaultInbox(w);
      const standin::WindowResult r = session.outlook.OpenExplorer(&f);
      session.NameWindow(w, w.Str("explorer"), r.id, true);
    } else {
      auto item = w.Opt("item");
      const standin::WindowResult r = session.outlook.OpenInspector(item ? &session.ItemNamed(*item) : nullptr);
      session.NameWindow(w, w.Str("inspector"), r.id, false);
    }
  }
}

}  // namespace kestrin::host
