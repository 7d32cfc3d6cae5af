// MAPI32's objects over the profile: session, message store, message, address book, containers
// and tables. Objects keep entry ids, not pointers, and look the profile up when used, so a
// changed profile answers MAPI_E_OBJECT_DELETED instead of leaving a dangling pointer.
#include <cstring>
#include <string>
#include <vector>

#include "MapiStandin.h"
#include "settings/CodePage.h"
#include "standin/Profile.h"

using kestrin::standin::AbContainer;
using kestrin::standin::Bytes;
using kestrin::standin::Profile;

namespace kestrin::mapi32 {
namespace {

// IIDs of the interfaces the objects answer QueryInterface for.
constexpr GUID MapiIid(std::uint32_t first) { return GUID{first, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}}; }
constexpr GUID kIidIUnknown = MapiIid(0x00000000);
constexpr GUID kIidIMAPISession = MapiIid(0x00020300);
constexpr GUID kIidIMAPITable = MapiIid(0x00020301);
constexpr GUID kIidIMAPIProp = MapiIid(0x00020303);
constexpr GUID kIidIMsgStore = MapiIid(0x00020306);
constexpr GUID kIidIMessage = MapiIid(0x00020307);
constexpr GUID kIidIAddrBook = MapiIid(0x00020309);
constexpr GUID kIidIMAPIContainer = MapiIid(0x0002030B);
constexpr GUID kIidIABContainer = MapiIid(0x0002030D);

bool SameIid(const GUID& a, const GUID& b) { return std::memcmp(&a, &b, sizeof(GUID)) == 0; }

std::string_view View(const Bytes& b) { return {reinterpret_cast<const char*>(b.data()), b.size()}; }
Bytes ToBytes(ULONG cb, LPENTRYID id) {
  const auto* p = reinterpret_cast<const std::uint8_t*>(id);
  return Bytes(p, p + cb);
}

Cell StringCell(ULONG tag, std::string_view s) {
  Cell c;
  c.tag = tag;
  c.bytes = s;
  return c;
}
Cell BinaryCell(ULONG tag, std::string_view b) {
  Cell c;
  c.tag = tag;
  c.bytes = b;
  return c;
}
// A value the profile holds: rows point at it rather than copy it.
Cell StableCell(ULONG tag, std::string_view bytes) {
  Cell c;
  c.tag = tag;
  c.bytes = bytes;
  c.stable = true;
  return c;
}
Cell BoolCell(ULONG tag, bool value) {
  Cell c;
  c.tag = tag;
  c.ul = value ? 1 : 0;
  return c;
}

// Reference counting and the live count, shared by every object.
template <class Interface>
class Object : public Interface {
 public:
  Object(const Object&) = delete;
  Object& operator=(const Object&) = delete;
  virtual ~Object() { --ThisProfile().liveMapiObjects; }

  HRESULT QueryInterface(REFIID riid, LPVOID* ppvObj) override {
    if (const HRESULT hr = ThisProfile().Call(std::string(Name()) + "::QueryInterface"); FAILED(hr))
      return hr;
    if (!ppvObj) return E_INVALIDARG;
    *ppvObj = nullptr;
    if (!SameIid(riid, kIidIUnknown) && !Answers(riid)) return E_NOINTERFACE;
    this->AddRef();
    *ppvObj = this;
    return S_OK;
  }
  ULONG AddRef() override { return ++refs_; }
  ULONG Release() override {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }

 protected:
  Object() { ++ThisProfile().liveMapiObjects; }
  virtual const char* Name() const = 0;
  virtual bool Answers(const GUID& iid) const = 0;

 private:
  ULONG refs_ = 1;
};

// GetProps over a fixed set of cells; a tag not among them comes back as an error value.
HRESULT AnswerProps(const std::vector<Cell>& known, LPSPropTagArray tags, ULONG* count, LPSPropValue* values) {
  if (!count || !values) return MAPI_E_INVALID_PARAMETER;
  *count = 0;
  *values = nullptr;
  if (!tags) return MAPI_E_NO_SUPPORT;
  std::vector<Cell> cells;
  bool errors = false;
  for (ULONG i = 0; i < tags->cValues; ++i) {
    const ULONG tag = tags->aulPropTag[i];
    Cell cell = Cell::Missing(tag);
    for (const Cell& k : known)
      if (k.tag == tag) cell = k;
    errors = errors || PROP_TYPE(cell.tag) == PT_ERROR;
    cells.push_back(cell);
  }
  *values = BuildProps(cells.data(), cells.size());
  if (!*values) return MAPI_E_NOT_ENOUGH_MEMORY;
  *count = tags->cValues;
  return errors ? MAPI_W_ERRORS_RETURNED : S_OK;
}

// ---- tables ----

// A table over rows of the profile: columns, a restriction evaluated when set, a cursor.
class Table final : public Object<IMAPITable> {
 public:
  // The source rows that one query reads: at[i], or first + i when at is null.
  struct RowRange {
    const std::size_t* at;
    std::size_t first;
    std::size_t count;
    std::size_t operator[](std::size_t i) const { return at ? at[i] : first + i; }
  };

  // The rows the table shows, looked up afresh for each operation.
  struct Source {
    virtual ~Source() = default;
    // False when what the table shows is gone from the profile.
    virtual bool Refresh() = 0;
    virtual std::size_t RowCount() const = 0;
    virtual Cell Get(std::size_t row, ULONG tag) const = 0;
    // The bytes that the rows' copied values need, then the rows themselves into a row set of
    // range.count rows with columns.size() values each. By default both go through Get.
    virtual std::size_t CopiedBytes(const RowRange& range, const std::vector<ULONG>& columns) {
      std::size_t bytes = 0;
      for (std::size_t i = 0; i < range.count; ++i)
        for (const ULONG tag : columns) bytes += DataSize(Get(range[i], tag));
      return bytes;
    }
    virtual void WriteRows(const RowRange& range, const std::vector<ULONG>& columns, SRowSet& rows,
                           char* data) const {
      for (std::size_t i = 0; i < range.count; ++i)
        for (std::size_t c = 0; c < columns.size(); ++c)
          WriteProp(Get(range[i], columns[c]), rows.aRow[i].lpProps[c], data);
    }
  };

  Table(std::unique_ptr<Source> source, std::vector<ULONG> columns)
      : source_(std::move(source)), columns_(std::move(columns)) {}

  HRESULT SetColumns(LPSPropTagArray lpPropTagArray, ULONG) override {
    if (const HRESULT hr = ThisProfile().Call("IMAPITable::SetColumns"); FAILED(hr)) return hr;
    if (!lpPropTagArray || lpPropTagArray->cValues == 0) return MAPI_E_INVALID_PARAMETER;
    columns_.assign(lpPropTagArray->aulPropTag, lpPropTagArray->aulPropTag + lpPropTagArray->cValues);
    return S_OK;
  }

  HRESULT Restrict(LPSRestriction lpRestriction, ULONG) override {
    if (const HRESULT hr = ThisProfile().Call("IMAPITable::Restrict"); FAILED(hr)) return hr;
    if (!source_->Refresh()) return MAPI_E_OBJECT_DELETED;
    cursor_ = 0;
    if (!lpRestriction) {
      restricted_ = false;
      selected_.clear();
      return S_OK;
    }
    std::vector<std::size_t> selected;
    for (std::size_t r = 0; r < source_->RowCount(); ++r) {
      bool match = false;
      if (const HRESULT hr = Evaluate(*lpRestriction, r, match); FAILED(hr)) return hr;
      if (match) selected.push_back(r);
    }
    selected_ = std::move(selected);
    restricted_ = true;
    return S_OK;
  }

  HRESULT QueryRows(LONG lRowCount, ULONG, LPSRowSet* lppRows) override {
    if (const HRESULT hr = ThisProfile().Call("IMAPITable::QueryRows"); FAILED(hr)) return hr;
    if (!lppRows) return MAPI_E_INVALID_PARAMETER;
    *lppRows = nullptr;
    if (lRowCount < 0) return MAPI_E_NO_SUPPORT;
    if (!source_->Refresh()) return MAPI_E_OBJECT_DELETED;
    const std::size_t total = restricted_ ? selected_.size() : source_->RowCount();
    const std::size_t first = cursor_ < total ? cursor_ : total;
    const std::size_t n = std::min<std::size_t>(total - first, static_cast<std::size_t>(lRowCount));

    const RowRange range{restricted_ ? selected_.data() + first : nullptr, first, n};
    char* data = nullptr;
    LPSRowSet rows = AllocateRowSet(n, columns_.size(), source_->CopiedBytes(range, columns_), &data);
    if (!rows) return MAPI_E_NOT_ENOUGH_MEMORY;
    source_->WriteRows(range, columns_, *rows, data);
    cursor_ = first + n;
    *lppRows = rows;
    return S_OK;
  }

 protected:
  const char* Name() const override { return "IMAPITable"; }
  bool Answers(const GUID& iid) const override { return SameIid(iid, kIidIMAPITable); }

 private:
  static bool FoldEquals(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
      auto x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
      if (x >= 'A' && x <= 'Z') x += 32;
      if (y >= 'A' && y <= 'Z') y += 32;
      if (x != y) return false;
    }
    return true;
  }

  HRESULT Evaluate(const SRestriction& res, std::size_t row, bool& match) const {
    match = false;
    switch (res.rt) {
      case RES_AND:
      case RES_OR: {
        const bool isAnd = res.rt == RES_AND;
        const ULONG count = isAnd ? res.res.resAnd.cRes : res.res.resOr.cRes;
        const SRestriction* list = isAnd ? res.res.resAnd.lpRes : res.res.resOr.lpRes;
        match = isAnd;
        for (ULONG i = 0; i < count; ++i) {
          bool one = false;
          if (const HRESULT hr = Evaluate(list[i], row, one); FAILED(hr)) return hr;
          if (isAnd && !one) match = false;
          if (!isAnd && one) match = true;
        }
        return S_OK;
      }
      case RES_NOT: {
        bool inner = false;
        if (const HRESULT hr = Evaluate(*res.res.resNot.lpRes, row, inner); FAILED(hr)) return hr;
        match = !inner;
        return S_OK;
      }
      case RES_PROPERTY: {
        const SPropertyRestriction& p = res.res.resProperty;
        if (!p.lpProp || (p.relop != RELOP_EQ && p.relop != RELOP_NE)) return MAPI_E_TOO_COMPLEX;
        const Cell cell = source_->Get(row, p.ulPropTag);
        if (cell.tag != p.ulPropTag) return S_OK;  // a row without the property never matches
        bool equal = false;
        switch (PROP_TYPE(p.ulPropTag)) {
          case PT_BOOLEAN: equal = (cell.ul != 0) == (p.lpProp->Value.b != 0); break;
          case PT_LONG: equal = cell.ul == p.lpProp->Value.ul; break;
          case PT_STRING8: equal = p.lpProp->Value.lpszA && cell.bytes == p.lpProp->Value.lpszA; break;
          case PT_BINARY:
            equal = !cell.hasSuffix &&
                    cell.bytes == std::string_view(reinterpret_cast<const char*>(p.lpProp->Value.bin.lpb),
                                                   p.lpProp->Value.bin.cb);
            break;
          default: return MAPI_E_TOO_COMPLEX;
        }
        match = p.relop == RELOP_EQ ? equal : !equal;
        return S_OK;
      }
      case RES_CONTENT: {
        const SContentRestriction& c = res.res.resContent;
        if (!c.lpProp || PROP_TYPE(c.ulPropTag) != PT_STRING8 || !c.lpProp->Value.lpszA) return MAPI_E_TOO_COMPLEX;
        const Cell cell = source_->Get(row, c.ulPropTag);
        if (cell.tag != c.ulPropTag) return S_OK;
        const std::string_view wanted = c.lpProp->Value.lpszA;
        const bool ignoreCase = (c.ulFuzzyLevel & FL_IGNORECASE) != 0;
        const auto equals = [&](std::string_view a) { return ignoreCase ? FoldEquals(a, wanted) : a == wanted; };
        switch (c.ulFuzzyLevel & 0xFFFFu) {
          case FL_FULLSTRING: match = equals(cell.bytes); break;
          case FL_PREFIX: match = cell.bytes.size() >= wanted.size() && equals(cell.bytes.substr(0, wanted.size())); break;
          case FL_SUBSTRING:
            for (std::size_t i = 0; !match && i + wanted.size() <= cell.bytes.size(); ++i)
              match = equals(cell.bytes.substr(i, wanted.size()));
            break;
          default: return MAPI_E_TOO_COMPLEX;
        }
        return S_OK;
      }
      default: return MAPI_E_TOO_COMPLEX;
    }
  }

  std::unique_ptr<Source> source_;
  std::vector<ULONG> columns_;
  bool restricted_ = false;
  std::vector<std::size_t> selected_;
  std::size_t cursor_ = 0;
};

// The session's message-store table: a snapshot of the stores when it was made.
class StoreRows final : public Table::Source {
 public:
  StoreRows() {
    for (auto& s : ThisProfile().Stores()) rows_.push_back({s->entryId, ToCodePage(s->displayName), s->isDefault});
  }
  bool Refresh() override { return true; }
  std::size_t RowCount() const override { return rows_.size(); }
  Cell Get(std::size_t row, ULONG tag) const override {
    const Row& r = rows_[row];
    switch (tag) {
      case PR_ENTRYID: return BinaryCell(tag, View(r.entryId));
      case PR_DISPLAY_NAME_A: return StringCell(tag, r.name);
      case PR_DEFAULT_STORE: return BoolCell(tag, r.isDefault);
      default: return Cell::Missing(tag);
    }
  }

 private:
  struct Row {
    Bytes entryId;
    std::string name;
    bool isDefault;
  };
  std::vector<Row> rows_;
};

// An address-book container, or the root (no entry id) whose children are the top containers.
class ContainerRef {
 public:
  explicit ContainerRef(Bytes entryId) : entryId_(std::move(entryId)) {}
  bool IsRoot() const { return entryId_.empty(); }
  const Bytes& EntryId() const { return entryId_; }
  // Null for the root, and for a container gone from the profile.
  AbContainer* Find() const { return IsRoot() ? nullptr : ThisProfile().FindContainerByEntryId(entryId_); }
  bool Exists() const { return IsRoot() || Find(); }

 private:
  Bytes entryId_;
};

class HierarchyRows final : public Table::Source {
 public:
  explicit HierarchyRows(ContainerRef container) : container_(std::move(container)) {}
  bool Refresh() override {
    children_ = nullptr;
    if (container_.IsRoot()) {
      children_ = &ThisProfile().TopContainers();
    } else if (AbContainer* c = container_.Find()) {
      children_ = &c->children;
    }
    return children_ != nullptr;
  }
  std::size_t RowCount() const override { return children_->size(); }
  Cell Get(std::size_t row, ULONG tag) const override {
    const AbContainer& c = *(*children_)[row];
    switch (tag) {
      case PR_ENTRYID: return StableCell(tag, View(c.entryId));
      case PR_DISPLAY_NAME_A: return StableCell(tag, c.displayName);
      default: return Cell::Missing(tag);
    }
  }

 private:
  ContainerRef container_;
  std::vector<std::unique_ptr<AbContainer>>* children_ = nullptr;
};

class ContentsRows final : public Table::Source {
 public:
  explicit ContentsRows(ContainerRef container) : container_(std::move(container)) {}
  bool Refresh() override {
    current_ = container_.Find();
    return current_ != nullptr;
  }
  std::size_t RowCount() const override { return current_->entries.size(); }
  Cell Get(std::size_t row, ULONG tag) const override {
    const auto& e = current_->entries[row];
    switch (tag) {
      case PR_ENTRYID: {
        // The container's id and the entry's place in it: unique, and stable while nothing is removed.
        Cell c = BinaryCell(tag, View(current_->entryId));
        c.hasSuffix = true;
        c.suffix = static_cast<std::uint32_t>(row);
        return c;
      }
      case PR_DISPLAY_NAME_A: return StableCell(tag, e.displayName);
      case PR_EMAIL_ADDRESS_A: return e.address ? StableCell(tag, *e.address) : Cell::Missing(tag);
      default: return Cell::Missing(tag);
    }
  }

  // Nothing is copied: names and addresses are the profile's, and so are the entry ids, laid
  // out once per container as Get gives them.
  std::size_t CopiedBytes(const Table::RowRange&, const std::vector<ULONG>&) override {
    AbContainer& c = *current_;
    const std::size_t idBytes = c.entryId.size() + 4;
    Bytes& ids = c.entryIdsOfEntries;
    const bool current = ids.size() == c.entries.size() * idBytes &&
                         (ids.empty() || std::memcmp(ids.data(), c.entryId.data(), c.entryId.size()) == 0);
    if (!current) {
      ids.resize(c.entries.size() * idBytes);
      for (std::size_t r = 0; r < c.entries.size(); ++r) {
        const auto place = static_cast<std::uint32_t>(r);
        std::memcpy(ids.data() + r * idBytes, c.entryId.data(), c.entryId.size());
        std::memcpy(ids.data() + r * idBytes + c.entryId.size(), &place, 4);
      }
    }
    return 0;
  }

  void WriteRows(const Table::RowRange& range, const std::vector<ULONG>& columns, SRowSet& rows,
                 char*) const override {
    enum Column : std::uint8_t { kName, kEntryId, kAddress, kMissing };
    std::vector<Column> kinds(columns.size());
    for (std::size_t c = 0; c < columns.size(); ++c)
      kinds[c] = columns[c] == PR_DISPLAY_NAME_A    ? kName
                 : columns[c] == PR_ENTRYID         ? kEntryId
                 : columns[c] == PR_EMAIL_ADDRESS_A ? kAddress
                                                    : kMissing;
    const auto& entries = current_->entries;
    const auto idBytes = static_cast<ULONG>(current_->entryId.size() + 4);
    std::uint8_t* const ids = current_->entryIdsOfEntries.data();
    for (std::size_t i = 0; i < range.count; ++i) {
      const std::size_t r = range[i];
      const auto& e = entries[r];
      SPropValue* v = rows.aRow[i].lpProps;
      for (std::size_t c = 0; c < kinds.size(); ++c, ++v) {
        v->dwAlignPad = 0;
        std::memset(&v->Value, 0, sizeof v->Value);
        switch (kinds[c]) {
          case kName:
            v->ulPropTag = PR_DISPLAY_NAME_A;
            v->Value.lpszA = const_cast<char*>(e.displayName.c_str());
            break;
          case kEntryId:
            v->ulPropTag = PR_ENTRYID;
            v->Value.bin.cb = idBytes;
            v->Value.bin.lpb = ids + r * idBytes;
            break;
          case kAddress:
            if (e.address) {
              v->ulPropTag = PR_EMAIL_ADDRESS_A;
              v->Value.lpszA = const_cast<char*>(e.address->c_str());
              break;
            }
            [[fallthrough]];
          case kMissing:
            v->ulPropTag = PROP_TAG(PT_ERROR, PROP_ID(columns[c]));
            v->Value.err = MAPI_E_NOT_FOUND;
            break;
        }
      }
    }
  }

 private:
  ContainerRef container_;
  AbContainer* current_ = nullptr;
};

std::vector<ULONG> DefaultColumns() { return {PR_ENTRYID, PR_DISPLAY_NAME_A}; }

// ---- address book ----

class Container final : public Object<IABContainer> {
 public:
  explicit Container(ContainerRef ref) : ref_(std::move(ref)) {}

  HRESULT GetProps(LPSPropTagArray tags, ULONG, ULONG* count, LPSPropValue* values) override {
    if (const HRESULT hr = ThisProfile().Call("IABContainer::GetProps"); FAILED(hr)) return hr;
    std::vector<Cell> known{BinaryCell(PR_ENTRYID, View(ref_.EntryId()))};
    if (AbContainer* c = ref_.Find()) known.push_back(StringCell(PR_DISPLAY_NAME_A, c->displayName));
    else if (!ref_.IsRoot()) return MAPI_E_OBJECT_DELETED;
    return AnswerProps(known, tags, count, values);
  }
  HRESULT GetContentsTable(ULONG, LPMAPITABLE* lppTable) override {
    if (const HRESULT hr = ThisProfile().Call("IMAPIContainer::GetContentsTable"); FAILED(hr)) return hr;
    if (!lppTable) return MAPI_E_INVALID_PARAMETER;
    *lppTable = nullptr;
    if (ref_.IsRoot()) return MAPI_E_NO_SUPPORT;
    if (!ref_.Exists()) return MAPI_E_OBJECT_DELETED;
    *lppTable = new Table(std::make_unique<ContentsRows>(ref_),
                          {PR_DISPLAY_NAME_A, PR_ENTRYID, PR_EMAIL_ADDRESS_A});
    return S_OK;
  }
  HRESULT GetHierarchyTable(ULONG, LPMAPITABLE* lppTable) override {
    if (const HRESULT hr = ThisProfile().Call("IMAPIContainer::GetHierarchyTable"); FAILED(hr)) return hr;
    if (!lppTable) return MAPI_E_INVALID_PARAMETER;
    *lppTable = nullptr;
    if (!ref_.Exists()) return MAPI_E_OBJECT_DELETED;
    *lppTable = new Table(std::make_unique<HierarchyRows>(ref_), DefaultColumns());
    return S_OK;
  }
  HRESULT OpenEntry(ULONG, LPENTRYID, LPCIID, ULONG, ULONG* lpulObjType, LPUNKNOWN* lppUnk) override {
    if (const HRESULT hr = ThisProfile().Call("IMAPIContainer::OpenEntry"); FAILED(hr)) return hr;
    if (lppUnk) *lppUnk = nullptr;
    return MAPI_E_NO_SUPPORT;  // entries are opened through the address book
  }

 protected:
  const char* Name() const override { return "IABContainer"; }
  bool Answers(const GUID& iid) const override {
    return SameIid(iid, kIidIABContainer) || SameIid(iid, kIidIMAPIContainer) || SameIid(iid, kIidIMAPIProp);
  }

 private:
  ContainerRef ref_;
};

class AddrBook final : public Object<IAddrBook> {
 public:
  HRESULT GetProps(LPSPropTagArray tags, ULONG, ULONG* count, LPSPropValue* values) override {
    if (const HRESULT hr = ThisProfile().Call("IAddrBook::GetProps"); FAILED(hr)) return hr;
    return AnswerProps({}, tags, count, values);
  }
  HRESULT OpenEntry(ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface, ULONG, ULONG* lpulObjType,
                    LPUNKNOWN* lppUnk) override {
    if (const HRESULT hr = ThisProfile().Call("IAddrBook::OpenEntry"); FAILED(hr)) return hr;
    if (!lppUnk) return MAPI_E_INVALID_PARAMETER;
    *lppUnk = nullptr;
    if (cbEntryID != 0 && !lpEntryID) return MAPI_E_INVALID_PARAMETER;
    Bytes id = cbEntryID ? ToBytes(cbEntryID, lpEntryID) : Bytes{};
    ContainerRef ref(std::move(id));
    if (!ref.Exists()) return MAPI_E_UNKNOWN_ENTRYID;
    if (lpInterface && !SameIid(*lpInterface, kIidIUnknown) && !SameIid(*lpInterface, kIidIABContainer) &&
        !SameIid(*lpInterface, kIidIMAPIContainer) && !SameIid(*lpInterface, kIidIMAPIProp))
      return MAPI_E_INTERFACE_NOT_SUPPORTED;
    *lppUnk = new Container(std::move(ref));
    if (lpulObjType) *lpulObjType = MAPI_ABCONT;
    return S_OK;
  }

 protected:
  const char* Name() const override { return "IAddrBook"; }
  bool Answers(const GUID& iid) const override { return SameIid(iid, kIidIAddrBook) || SameIid(iid, kIidIMAPIProp); }
};

// ---- message store ----

class Message final : public Object<IMessage> {
 public:
  explicit Message(Bytes entryId) : entryId_(std::move(entryId)) {}
  HRESULT GetProps(LPSPropTagArray tags, ULONG, ULONG* count, LPSPropValue* values) override {
    if (const HRESULT hr = ThisProfile().Call("IMessage::GetProps"); FAILED(hr)) return hr;
    const auto* item = ThisProfile().FindItemByEntryId(entryId_);
    if (!item) return MAPI_E_OBJECT_DELETED;
    std::vector<Cell> known{BinaryCell(PR_ENTRYID, View(item->entryId))};
    if (item->senderAddress) known.push_back(StringCell(PR_SENDER_EMAIL_ADDRESS_A, *item->senderAddress));
    return AnswerProps(known, tags, count, values);
  }

 protected:
  const char* Name() const override { return "IMessage"; }
  bool Answers(const GUID& iid) const override { return SameIid(iid, kIidIMessage) || SameIid(iid, kIidIMAPIProp); }

 private:
  Bytes entryId_;
};

class MsgStore final : public Object<IMsgStore> {
 public:
  explicit MsgStore(Bytes entryId) : entryId_(std::move(entryId)) {}
  HRESULT GetProps(LPSPropTagArray tags, ULONG, ULONG* count, LPSPropValue* values) override {
    if (const HRESULT hr = ThisProfile().Call("IMsgStore::GetProps"); FAILED(hr)) return hr;
    const auto* store = ThisProfile().FindStoreByEntryId(entryId_);
    if (!store) return MAPI_E_OBJECT_DELETED;
    const std::string name = ToCodePage(store->displayName);
    return AnswerProps({BinaryCell(PR_ENTRYID, View(store->entryId)), StringCell(PR_DISPLAY_NAME_A, name),
                        BoolCell(PR_DEFAULT_STORE, store->isDefault)},
                       tags, count, values);
  }
  HRESULT OpenEntry(ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface, ULONG, ULONG* lpulObjType,
                    LPUNKNOWN* lppUnk) override {
    if (const HRESULT hr = ThisProfile().Call("IMsgStore::OpenEntry"); FAILED(hr)) return hr;
    if (!lppUnk) return MAPI_E_INVALID_PARAMETER;
    *lppUnk = nullptr;
    if (cbEntryID == 0) return MAPI_E_NO_SUPPORT;  // the root folder is not modelled
    if (!lpEntryID) return MAPI_E_INVALID_PARAMETER;
    Profile& profile = ThisProfile();
    const auto* item = profile.FindItemByEntryId(ToBytes(cbEntryID, lpEntryID));
    if (!item || !item->folder || item->folder->store != profile.FindStoreByEntryId(entryId_))
      return MAPI_E_NOT_FOUND;
    if (lpInterface && !SameIid(*lpInterface, kIidIUnknown) && !SameIid(*lpInterface, kIidIMessage) &&
        !SameIid(*lpInterface, kIidIMAPIProp))
      return MAPI_E_INTERFACE_NOT_SUPPORTED;
    *lppUnk = new Message(item->entryId);
    if (lpulObjType) *lpulObjType = MAPI_MESSAGE;
    return S_OK;
  }

 protected:
  const char* Name() const override { return "IMsgStore"; }
  bool Answers(const GUID& iid) const override { return SameIid(iid, kIidIMsgStore) || SameIid(iid, kIidIMAPIProp); }

 private:
  Bytes entryId_;
};

// ---- session ----

class Session final : public Object<IMAPISession> {
 public:
  HRESULT GetMsgStoresTable(ULONG, LPMAPITABLE* lppTable) override {
    if (const HRESULT hr = ThisProfile().Call("IMAPISession::GetMsgStoresTable"); FAILED(hr)) return hr;
    if (!lppTable) return MAPI_E_INVALID_PARAMETER;
    *lppTable = new Table(std::make_unique<StoreRows>(), DefaultColumns());
    return S_OK;
  }
  HRESULT OpenMsgStore(ULONG_PTR, ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface, ULONG,
                       LPMDB* lppMDB) override {
    if (const HRESULT hr = ThisProfile().Call("IMAPISession::OpenMsgStore"); FAILED(hr)) return hr;
    if (!lppMDB) return MAPI_E_INVALID_PARAMETER;
    *lppMDB = nullptr;
    if (!lpEntryID || cbEntryID == 0) return MAPI_E_INVALID_ENTRYID;
    const auto* store = ThisProfile().FindStoreByEntryId(ToBytes(cbEntryID, lpEntryID));
    if (!store) return MAPI_E_NOT_FOUND;
    if (lpInterface && !SameIid(*lpInterface, kIidIUnknown) && !SameIid(*lpInterface, kIidIMsgStore) &&
        !SameIid(*lpInterface, kIidIMAPIProp))
      return MAPI_E_INTERFACE_NOT_SUPPORTED;
    *lppMDB = new MsgStore(store->entryId);
    return S_OK;
  }
  HRESULT OpenAddressBook(ULONG_PTR, LPCIID lpInterface, ULONG, LPADRBOOK* lppAdrBook) override {
    if (const HRESULT hr = ThisProfile().Call("IMAPISession::OpenAddressBook"); FAILED(hr)) return hr;
    if (!lppAdrBook) return MAPI_E_INVALID_PARAMETER;
    *lppAdrBook = nullptr;
    if (lpInterface && !SameIid(*lpInterface, kIidIUnknown) && !SameIid(*lpInterface, kIidIAddrBook))
      return MAPI_E_INTERFACE_NOT_SUPPORTED;
    *lppAdrBook = new AddrBook();
    return S_OK;
  }

 protected:
  const char* Name() const override { return "IMAPISession"; }
  bool Answers(const GUID& iid) const override { return SameIid(iid, kIidIMAPISession); }
};

}  // namespace

LPMAPISESSION NewSession() { return new Session(); }

}  // namespace kestrin::mapi32
