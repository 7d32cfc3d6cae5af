#include "Profile.h"

#include <algorithm>

namespace kestrin::standin {

namespace {
Bytes MakeEntryId(std::uint8_t kind, std::uint64_t id) {
  // A 4-byte flags field of zeros, then a provider-ish tag and the id: as opaque as MAPI's own.
  Bytes b{0, 0, 0, 0, 0x4B, 0x53, 0x54, kind};
  for (int i = 7; i >= 0; --i) b.push_back(static_cast<std::uint8_t>(id >> (8 * i)));
  return b;
}

AbContainer* FindContainerIn(std::vector<std::unique_ptr<AbContainer>>& list, const Bytes& id) {
  for (auto& c : list) {
    if (c->entryId == id) return c.get();
    if (AbContainer* found = FindContainerIn(c->children, id)) return found;
  }
  return nullptr;
}
}  // namespace

Profile& Profile::Current() {
  // Never destroyed: libraries unloaded at exit (KestrinLIB's session release) may still use it.
  static Profile* profile = new Profile;
  return *profile;
}

void Profile::Reset() {
  items_.clear();
  stores_.clear();
  topContainers_.clear();
  faults_.clear();
  calls_.clear();
  nextId_ = 1;
}

Store& Profile::AddStore(std::u16string displayName, std::u16string topFolderName, bool isDefault) {
  auto store = std::make_unique<Store>();
  store->displayName = std::move(displayName);
  store->entryId = MakeEntryId('S', nextId_++);
  store->isDefault = isDefault;
  store->top = std::make_unique<Folder>();
  store->top->id = nextId_++;
  store->top->name = std::move(topFolderName);
  store->top->store = store.get();
  if (isDefault)
    for (auto& s : stores_) s->isDefault = false;
  stores_.push_back(std::move(store));
  return *stores_.back();
}

Folder& Profile::AddFolder(Folder& parent, std::u16string name) {
  auto folder = std::make_unique<Folder>();
  folder->id = nextId_++;
  folder->name = std::move(name);
  folder->store = parent.store;
  folder->parent = &parent;
  parent.children.push_back(std::move(folder));
  return *parent.children.back();
}

Item& Profile::AddItem(Folder& folder, ItemKind kind, std::optional<std::string> sender, bool unread,
                       std::u16string subject) {
  auto item = std::make_unique<Item>();
  item->id = nextId_++;
  item->entryId = MakeEntryId('M', item->id);
  item->kind = kind;
  item->senderAddress = std::move(sender);
  item->unread = unread;
  item->subject = std::move(subject);
  item->folder = &folder;
  folder.items.push_back(item.get());
  items_.push_back(std::move(item));
  return *items_.back();
}

AbContainer& Profile::AddTopContainer(std::string displayName) {
  auto c = std::make_unique<AbContainer>();
  c->displayName = std::move(displayName);
  c->entryId = MakeEntryId('A', nextId_++);
  topContainers_.push_back(std::move(c));
  return *topContainers_.back();
}

AbContainer& Profile::AddChildContainer(AbContainer& parent, std::string displayName) {
  auto c = std::make_unique<AbContainer>();
  c->displayName = std::move(displayName);
  c->entryId = MakeEntryId('A', nextId_++);
  parent.children.push_back(std::move(c));
  return *parent.children.back();
}

AbEntry& Profile::AddAbEntry(AbContainer& container, std::string displayName, std::optional<std::string> address) {
  container.entries.push_back(AbEntry{std::move(displayName), std::move(address)});
  return container.entries.back();
}

Store* Profile::DefaultStore() {
  for (auto& s : stores_)
    if (s->isDefault) return s.get();
  return nullptr;
}

Folder* Profile::DefaultInbox() {
  Store* s = DefaultStore();
  return s ? s->inbox : nullptr;
}

Folder* Profile::FindFolder(const std::u16string& path) {
  if (path.empty() || path[0] != u'\\') return nullptr;
  std::vector<std::u16string> names;
  std::u16string rest = path.substr(1);
  for (;;) {
    auto pos = rest.find(u'\\');
    names.push_back(rest.substr(0, pos));
    if (pos == std::u16string::npos) break;
    rest = rest.substr(pos + 1);
  }
  Folder* current = nullptr;
  for (auto& s : stores_)
    if (s->top->name == names[0]) { current = s->top.get(); break; }
  for (std::size_t i = 1; current && i < names.size(); ++i) {
    Folder* next = nullptr;
    for (auto& c : current->children)
      if (c->name == names[i]) { next = c.get(); break; }
    current = next;
  }
  return current;
}

std::u16string Profile::PathOf(const Folder& folder) const {
  std::u16string path;
  for (const Folder* f = &folder; f; f = f->parent) path = u"\\" + f->name + path;
  return path;
}

Item* Profile::FindItemByEntryId(const Bytes& entryId) {
  for (auto& i : items_)
    if (i->folder && i->entryId == entryId) return i.get();
  return nullptr;
}

Store* Profile::FindStoreByEntryId(const Bytes& entryId) {
  for (auto& s : stores_)
    if (s->entryId == entryId) return s.get();
  return nullptr;
}

AbContainer* Profile::FindContainerByEntryId(const Bytes& entryId) {
  return FindContainerIn(topContainers_, entryId);
}

HRESULT Profile::Call(const std::string& op) {
  const std::uint64_t n = ++calls_[op];
  auto it = faults_.find(op);
  if (it == faults_.end()) return hr::ok;
  for (const Fault& f : it->second)
    if (f.nth == n) return f.result;
  return hr::ok;
}

void Profile::InjectFault(const std::string& op, Fault fault) { faults_[op].push_back(fault); }

void Profile::ClearFaults() { faults_.clear(); }

std::uint64_t Profile::CallCount(const std::string& op) const {
  auto it = calls_.find(op);
  return it == calls_.end() ? 0 : it->second;
}

}  // namespace kestrin::standin
