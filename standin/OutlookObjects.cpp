// The stand-in Outlook's objects. Each counts itself in Profile::liveOutlookObjects, each member
// counts its call (and may fail by injection) under "<Interface>.<Member>" before doing anything.
#include <utility>

#include "OutlookState.h"

namespace kestrin::standin {

namespace {

// RPC_E_DISCONNECTED: a member of a window that has closed.
constexpr HRESULT kDisconnected = static_cast<HRESULT>(0x80010108u);

bool SameNameIgnoringAsciiCase(const std::u16string& a, const std::u16string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char16_t x = a[i], y = b[i];
    if (x >= u'a' && x <= u'z') x = static_cast<char16_t>(x - u'a' + u'A');
    if (y >= u'a' && y <= u'z') y = static_cast<char16_t>(y - u'a' + u'A');
    if (x != y) return false;
  }
  return true;
}

std::u16string Hex(const Bytes& bytes) {
  static const char16_t digits[] = u"0123456789ABCDEF";
  std::u16string out;
  for (std::uint8_t b : bytes) {
    out += digits[b >> 4];
    out += digits[b & 0xF];
  }
  return out;
}

template <class T>
HRESULT Hand(ComPtr<T> object, T** out) {
  *out = object.Detach();
  return hr::ok;
}

// One object of Outlook's: reference count, live count, QueryInterface for IUnknown, IDispatch
// and its own interface.
template <class I>
class Object : public I {
 public:
  Object(StatePtr state, const char* interfaceName) : state_(std::move(state)), name_(interfaceName) {
    ++Profile::Current().liveOutlookObjects;
  }
  virtual ~Object() { --Profile::Current().liveOutlookObjects; }

  HRESULT QueryInterface(const Guid& iid, void** out) override {
    if (!out) return hr::pointer;
    *out = nullptr;
    KESTRIN_RETURN_IF_FAILED(Call("QueryInterface"));
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == I::iid) {
      *out = static_cast<I*>(this);
      this->AddRef();
      return hr::ok;
    }
    return hr::noInterface;
  }
  std::uint32_t AddRef() override { return ++refs_; }
  std::uint32_t Release() override {
    const std::uint32_t left = --refs_;
    if (left == 0) delete this;
    return left;
  }

 protected:
  HRESULT Call(const char* member) const { return Count((name_ + "." + member).c_str()); }
  StatePtr state_;
  std::string name_;

 private:
  std::uint32_t refs_ = 0;
};

// An object that raises events: Advise attaches the sink to this object's channel.
template <class I>
class Source : public Object<I> {
 public:
  using S = typename I::Sink;
  Source(StatePtr state, const char* interfaceName, Connections<S>& connections, std::uint64_t channel,
         std::string sourceName)
      : Object<I>(std::move(state), interfaceName),
        connections_(connections),
        channel_(channel),
        sourceName_(std::move(sourceName)) {}

  HRESULT Advise(S* sink, std::uint32_t* cookie) override {
    if (!cookie) return hr::pointer;
    *cookie = 0;
    KESTRIN_RETURN_IF_FAILED(this->Call("Advise"));
    if (!sink) return hr::pointer;
    KESTRIN_RETURN_IF_FAILED(CanAdvise());
    *cookie = this->state_->nextCookie++;
    connections_.entries.push_back({*cookie, sink, channel_, this, sourceName_});
    return hr::ok;
  }
  HRESULT Unadvise(std::uint32_t cookie) override {
    KESTRIN_RETURN_IF_FAILED(this->Call("Unadvise"));
    return connections_.Remove(cookie, this) ? hr::ok : kNoConnection;
  }

 protected:
  virtual HRESULT CanAdvise() { return hr::ok; }

 private:
  Connections<S>& connections_;
  std::uint64_t channel_;
  std::string sourceName_;
};

// ---- windows ----

class ExplorersObject final : public Source<outlook::Explorers> {
 public:
  explicit ExplorersObject(StatePtr s)
      : Source(s, "Explorers", s->explorersEvents, kSingleChannel, "Explorers") {}
  HRESULT get_Count(std::int32_t* out) override {
    if (!out) return hr::pointer;
    KESTRIN_RETURN_IF_FAILED(Call("Count"));
    *out = static_cast<std::int32_t>(state_->explorers.size());
    return hr::ok;
  }
};

class InspectorsObject final : public Source<outlook::Inspectors> {
 public:
  explicit InspectorsObject(StatePtr s)
      : Source(s, "Inspectors", s->inspectorsEvents, kSingleChannel, "Inspectors") {}
  HRESULT get_Count(std::int32_t* out) override {
    if (!out) return hr::pointer;
    KESTRIN_RETURN_IF_FAILED(Call("Count"));
    *out = static_cast<std::int32_t>(state_->inspectors.size());
    return hr::ok;
  }
};

class ExplorerObject final : public Source<outlook::Explorer> {
 public:
  ExplorerObject(StatePtr s, std::uint64_t id)
      : Source(s, "Explorer", s->explorerEvents, id, "Explorer " + std::to_string(id)), id_(id) {}
  HRESULT get_CurrentFolder(outlook::Folder** out) override {
    if (!out) return hr::pointer;
    *out = nullptr;
    KESTRIN_RETURN_IF_FAILED(Call("CurrentFolder"));
    OutlookWindow* w = state_->FindExplorer(id_);
    if (!w) return kDisconnected;
    if (!w->currentFolder) return hr::ok;
    return Hand(NewFolder(state_, w->currentFolder), out);
  }

 private:
  std::uint64_t id_;
};

class InspectorObject final : public Source<outlook::Inspector> {
 public:
  InspectorObject(StatePtr s, std::uint64_t id)
      : Source(s, "Inspector", s->inspectorEvents, id, "Inspector " + std::to_string(id)) {}
};

// ---- the application and its name space ----

class ApplicationObject final : public Source<outlook::Application> {
 public:
  explicit ApplicationObject(StatePtr s)
      : Source(s, "Application", s->application, kSingleChannel, "Application") {}
  HRESULT get_Explorers(outlook::Explorers** out) override {
    if (!out) return hr::pointer;
    *out = nullptr;
    KESTRIN_RETURN_IF_FAILED(Call("Explorers"));
    return Hand<outlook::Explorers>(ComPtr<outlook::Explorers>(new ExplorersObject(state_)), out);
  }
  HRESULT get_Inspectors(outlook::Inspectors** out) override {
    if (!out) return hr::pointer;
    *out = nullptr;
    KESTRIN_RETURN_IF_FAILED(Call("Inspectors"));
    return Hand<outlook::Inspectors>(ComPtr<outlook::Inspectors>(new InspectorsObject(state_)), out);
  }
  HRESULT GetNamespace(const std::u16string& type, outlook::NameSpace** out) override {
    if (!out) return hr::pointer;
    *out = nullptr;
    state_->Log("Application.GetNamespace(" + Narrow(type) + ")");
    KESTRIN_RETURN_IF_FAILED(Call("GetNamespace"));
    if (!SameNameIgnoringAsciiCase(type, u"MAPI")) return hr::invalidArg;
    return Hand(NewNameSpace(state_), out);
  }
  HRESULT ActiveExplorer(outlook::Explorer** out) override {
    if (!out) return hr::pointer;
    *out = nullptr;
    KESTRIN_RETURN_IF_FAILED(Call("ActiveExplorer"));
    for (auto it = state_->activation.rbegin(); it != state_->activation.rend(); ++it)
      if (OutlookWindow* w = state_->FindExplorer(*it)) return Hand(w->explorer, out);
    return hr::ok;
  }
};

class FoldersObject final : public Object<outlook::Folders> {
 public:
  // parent null: the top-level folders of every store.
  FoldersObject(StatePtr s, standin::Folder* parent) : Object(s, "Folders"), parent_(parent) {}
  HRESULT Item(const std::u16string& name, outlook::Folder** out) override {
    if (!out) return hr::pointer;
    *out = nullptr;
    state_->Log("Folders.Item(" + Narrow(name) + ")");
    KESTRIN_RETURN_IF_FAILED(Call("Item"));
    if (parent_) {
      if (state_->IsDeleted(parent_)) return kNotFound;
      for (auto& c : parent_->children)
        if (SameNameIgnoringAsciiCase(c->name, name)) return Hand(NewFolder(state_, c.get()), out);
    } else {
      for (auto& store : Profile::Current().Stores())
        if (SameNameIgnoringAsciiCase(store->top->name, name))
          return Hand(NewFolder(state_, store->top.get()), out);
    }
    return kNotFound;
  }

 private:
  standin::Folder* parent_;
};

class NameSpaceObject final : public Source<outlook::NameSpace> {
 public:
  explicit NameSpaceObject(StatePtr s) : Source(s, "NameSpace", s->nameSpace, kSingleChannel, "NameSpace") {}
  HRESULT GetDefaultFolder(std::int32_t folderType, outlook::Folder** out) override {
    if (!out) return hr::pointer;
    *out = nullptr;
    state_->Log("NameSpace.GetDefaultFolder(" + std::to_string(folderType) + ")");
    KESTRIN_RETURN_IF_FAILED(Call("GetDefaultFolder"));
    if (folderType != outlook::olFolderInbox) return hr::notImpl;  // only the Inbox is modelled
    standin::Folder* inbox = Profile::Current().DefaultInbox();
    if (!inbox || state_->IsDeleted(inbox)) return kNotFound;
    return Hand(NewFolder(state_, inbox), out);
  }
  HRESULT get_Folders(outlook::Folders** out) override {
    if (!out) return hr::pointer;
    *out = nullptr;
    KESTRIN_RETURN_IF_FAILED(Call("Folders"));
    return Hand<outlook::Folders>(ComPtr<outlook::Folders>(new FoldersObject(state_, nullptr)), out);
  }
  HRESULT PickFolder(outlook::Folder** out) override {
    if (!out) return hr::pointer;
    *out = nullptr;
    KESTRIN_RETURN_IF_FAILED(Call("PickFolder"));
    standin::Folder* answer = state_->pickAnswer;
    if (!answer || state_->IsDeleted(answer)) return hr::ok;
    return Hand(NewFolder(state_, answer), out);
  }
};

// ---- folders and items ----

class FolderObject final : public Object<outlook::Folder> {
 public:
  FolderObject(StatePtr s, standin::Folder* folder) : Object(s, "Folder"), folder_(folder) {}
  standin::Folder* folder() const { return folder_; }

  HRESULT get_Items(outlook::Items** out) override {
    if (!out) return hr::pointer;
    *out = nullptr;
    KESTRIN_RETURN_IF_FAILED(Call("Items"));
    if (state_->IsDeleted(folder_)) return kNotFound;
    return Hand(NewItems(state_, folder_), out);
  }
  HRESULT get_Name(std::u16string* out) override {
    if (!out) return hr::pointer;
    KESTRIN_RETURN_IF_FAILED(Call("Name"));
    if (state_->IsDeleted(folder_)) return kNotFound;
    *out = folder_->name;
    return hr::ok;
  }
  HRESULT get_FolderPath(std::u16string* out) override {
    if (!out) return hr::pointer;
    KESTRIN_RETURN_IF_FAILED(Call("FolderPath"));
    if (state_->IsDeleted(folder_)) return kNotFound;
    *out = u"\\" + Profile::Current().PathOf(*folder_);
    return hr::ok;
  }
  HRESULT get_Parent(Unknown** out) override {
    if (!out) return hr::pointer;
    *out = nullptr;
    KESTRIN_RETURN_IF_FAILED(Call("Parent"));
    if (state_->IsDeleted(folder_)) return kNotFound;
    if (!folder_->parent) {
      *out = NewNameSpace(state_).Detach();
      return hr::ok;
    }
    *out = NewFolder(state_, folder_->parent).Detach();
    return hr::ok;
  }
  HRESULT get_Folders(outlook::Folders** out) override {
    if (!out) return hr::pointer;
    *out = nullptr;
    KESTRIN_RETURN_IF_FAILED(Call("Folders"));
    if (state_->IsDeleted(folder_)) return kNotFound;
    return Hand<outlook::Folders>(ComPtr<outlook::Folders>(new FoldersObject(state_, folder_)), out);
  }

 private:
  standin::Folder* folder_;
};

class ItemsObject final : public Source<outlook::Items> {
 public:
  ItemsObject(StatePtr s, standin::Folder* folder)
      : Source(s, "Items", s->itemsEvents, folder->id,
               "Items \\" + Narrow(Profile::Current().PathOf(*folder))),
        folder_(folder) {}

 protected:
  HRESULT CanAdvise() override { return state_->IsDeleted(folder_) ? kNotFound : hr::ok; }

 private:
  standin::Folder* folder_;
};

class MailItemObject final : public Object<outlook::MailItem> {
 public:
  MailItemObject(StatePtr s, Item* item) : Object(s, "MailItem"), item_(item) {}

  HRESULT get_Parent(outlook::Folder** out) override {
    if (!out) return hr::pointer;
    *out = nullptr;
    KESTRIN_RETURN_IF_FAILED(Call("Parent"));
    if (!item_->folder) return kNotFound;
    return Hand(NewFolder(state_, item_->folder), out);
  }
  HRESULT get_EntryID(std::u16string* out) override {
    if (!out) return hr::pointer;
    KESTRIN_RETURN_IF_FAILED(Call("EntryID"));
    if (!item_->folder) return kNotFound;
    *out = Hex(item_->entryId);
    return hr::ok;
  }
  HRESULT put_UnRead(bool unread) override {
    state_->Log(std::string("MailItem.UnRead(") + (unread ? "true" : "false") + ")");
    KESTRIN_RETURN_IF_FAILED(Call("UnRead"));
    if (!item_->folder) return kNotFound;
    item_->unread = unread;
    return hr::ok;
  }
  HRESULT Move(outlook::Folder* destination, Unknown** out) override {
    if (out) *out = nullptr;
    auto* dest = dynamic_cast<FolderObject*>(destination);
    state_->Log("MailItem.Move(" +
                (dest ? Narrow(Profile::Current().PathOf(*dest->folder())) : std::string("null")) + ")");
    KESTRIN_RETURN_IF_FAILED(Call("Move"));
    if (!dest) return hr::invalidArg;  // Outlook refuses a missing or foreign folder
    if (!item_->folder || state_->IsDeleted(dest->folder())) return kNotFound;
    standin::Folder* from = item_->folder;
    standin::Folder* to = dest->folder();
    if (from != to) {
      std::erase(from->items, item_);
      to->items.push_back(item_);
      item_->folder = to;
      // Outlook reports the arrival to the destination's watchers; the mover never sees their result.
      ComPtr<Unknown> arrived = NewItemObject(state_, item_);
      SkipOnFailure(state_->itemsEvents.Raise(to->id, [&](outlook::ItemsEvents* sink) {
        return sink->ItemAdd(arrived.get());
      }));
    }
    if (out) *out = NewItemObject(state_, item_).Detach();
    return hr::ok;
  }

 private:
  Item* item_;
};

// A meeting request or another kind of item: no MailItem behind it.
class OtherItemObject final : public Unknown {
 public:
  OtherItemObject(StatePtr s, Item* item)
      : state_(std::move(s)), name_(item->kind == ItemKind::MeetingRequest ? "MeetingItem" : "Item"),
        meeting_(item->kind == ItemKind::MeetingRequest) {
    ++Profile::Current().liveOutlookObjects;
  }
  virtual ~OtherItemObject() { --Profile::Current().liveOutlookObjects; }
  HRESULT QueryInterface(const Guid& iid, void** out) override {
    if (!out) return hr::pointer;
    *out = nullptr;
    KESTRIN_RETURN_IF_FAILED(Count((name_ + ".QueryInterface").c_str()));
    if (iid == IID_IUnknown || iid == IID_IDispatch || (meeting_ && iid == IID_MeetingItem)) {
      *out = static_cast<Unknown*>(this);
      AddRef();
      return hr::ok;
    }
    return hr::noInterface;
  }
  std::uint32_t AddRef() override { return ++refs_; }
  std::uint32_t Release() override {
    const std::uint32_t left = --refs_;
    if (left == 0) delete this;
    return left;
  }

 private:
  StatePtr state_;
  std::string name_;
  bool meeting_;
  std::uint32_t refs_ = 0;
};

class PropertyPagesObject final : public Object<outlook::PropertyPages> {
 public:
  explicit PropertyPagesObject(StatePtr s) : Object(s, "PropertyPages") {}
  HRESULT Add(const std::u16string& pageProgId, const std::u16string& title) override {
    state_->Log("PropertyPages.Add(" + Narrow(pageProgId) + "," + Narrow(title) + ")");
    HRESULT result = Call("Add");
    if (Succeeded(result) && state_->pageAddHook) result = state_->pageAddHook(*this, pageProgId, title);
    if (state_->pagesOfOpenDialog) state_->pagesOfOpenDialog->push_back({pageProgId, title, result});
    return result;
  }
};

}  // namespace

HRESULT Count(const char* op) { return Profile::Current().Call(op); }

std::string Narrow(const std::u16string& text) {
  std::string out;
  for (char16_t c : text) out += (c < 0x80) ? static_cast<char>(c) : '?';
  return out;
}

ComPtr<outlook::Application> NewApplication(StatePtr state) {
  return ComPtr<outlook::Application>(new ApplicationObject(std::move(state)));
}
ComPtr<outlook::NameSpace> NewNameSpace(StatePtr state) {
  return ComPtr<outlook::NameSpace>(new NameSpaceObject(std::move(state)));
}
ComPtr<outlook::Explorer> NewExplorer(StatePtr state, std::uint64_t windowId) {
  return ComPtr<outlook::Explorer>(new ExplorerObject(std::move(state), windowId));
}
ComPtr<outlook::Inspector> NewInspector(StatePtr state, std::uint64_t windowId) {
  return ComPtr<outlook::Inspector>(new InspectorObject(std::move(state), windowId));
}
ComPtr<outlook::Folder> NewFolder(StatePtr state, standin::Folder* folder) {
  return ComPtr<outlook::Folder>(new FolderObject(std::move(state), folder));
}
ComPtr<outlook::Items> NewItems(StatePtr state, standin::Folder* folder) {
  return ComPtr<outlook::Items>(new ItemsObject(std::move(state), folder));
}
ComPtr<Unknown> NewItemObject(StatePtr state, Item* item) {
  if (item->kind == ItemKind::Mail) return ComPtr<Unknown>(new MailItemObject(std::move(state), item));
  return ComPtr<Unknown>(new OtherItemObject(std::move(state), item));
}
ComPtr<outlook::PropertyPages> NewPropertyPages(StatePtr state) {
  return ComPtr<outlook::PropertyPages>(new PropertyPagesObject(std::move(state)));
}

}  // namespace kestrin::standin
