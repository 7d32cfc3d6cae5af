// MAPI32's functions: start and logon, buffers, and the utility functions the library calls.
#include <cstdlib>
#include <cstring>
#include <new>

#include "MapiStandin.h"
#include "standin/Profile.h"

using kestrin::standin::Profile;

namespace kestrin::mapi32 {
namespace {

// Every buffer starts with this header. A lone root (from MAPIAllocateBuffer) chains the blocks
// that MAPIAllocateMore links to it; freeing the root frees them all. A root carved from a row
// block (a row set, or one row's values) is still freed on its own; the block, and whatever was
// linked to its buffers, goes when its last root does.
struct alignas(16) BufferHeader {
  std::uint32_t magic;
  BufferHeader* root;  // the root of a linked block; the root itself for a root
  BufferHeader* next;  // the next linked block
  RowBlock* block;     // the row block a root is carved from, or null
};
constexpr std::uint32_t kRootMagic = 0x4B524F4F;
constexpr std::uint32_t kMoreMagic = 0x4B4D4F52;
constexpr std::uint32_t kFreedMagic = 0x4B465245;

BufferHeader* HeaderOf(void* buffer) { return static_cast<BufferHeader*>(buffer) - 1; }

void* NewBlock(std::size_t size, std::uint32_t magic, BufferHeader* root) {
  void* raw = std::malloc(sizeof(BufferHeader) + (size ? size : 1));
  if (!raw) return nullptr;
  auto* h = static_cast<BufferHeader*>(raw);
  h->magic = magic;
  h->root = root ? root : h;
  h->next = nullptr;
  h->block = nullptr;
  return h + 1;
}

void FreeChain(BufferHeader* more) {
  while (more) {
    BufferHeader* next = more->next;
    more->magic = kFreedMagic;
    std::free(more);
    more = next;
  }
}

constexpr std::size_t Align16(std::size_t n) { return (n + 15) & ~std::size_t{15}; }

}  // namespace

struct RowBlock {
  std::size_t refs;        // roots carved from it not yet freed
  BufferHeader* more;      // blocks linked to any of them
  SRowSet* rowSet;
  char* firstRow;          // the first row's header; the rows follow at stride
  std::size_t stride;
};

namespace {

constexpr std::size_t kBlockHeader = Align16(sizeof(RowBlock));

void DropRoots(RowBlock* block, std::size_t count) {
  ThisProfile().liveMapiBuffers -= static_cast<std::int64_t>(count);
  block->refs -= count;
  if (block->refs == 0) {
    FreeChain(block->more);
    std::free(block);
  }
}

void InitRoot(BufferHeader* h, RowBlock* block) {
  h->magic = kRootMagic;
  h->root = h;
  h->next = nullptr;
  h->block = block;
}

}  // namespace

void* AllocateBuffer(std::size_t size) {
  void* p = NewBlock(size, kRootMagic, nullptr);
  if (p) ++ThisProfile().liveMapiBuffers;
  return p;
}

LPSRowSet AllocateRowSet(std::size_t rows, std::size_t columns, std::size_t dataBytes, char** data) {
  const std::size_t setBytes = sizeof(BufferHeader) + Align16(CbNewSRowSet(rows ? rows : 1));
  const std::size_t stride = sizeof(BufferHeader) + Align16(columns * sizeof(SPropValue));
  auto* block = static_cast<RowBlock*>(std::malloc(kBlockHeader + setBytes + rows * stride + dataBytes));
  if (!block) return nullptr;
  char* base = reinterpret_cast<char*>(block) + kBlockHeader;
  block->refs = rows + 1;
  block->more = nullptr;
  block->firstRow = base + setBytes;
  block->stride = stride;
  auto* setHeader = reinterpret_cast<BufferHeader*>(base);
  InitRoot(setHeader, block);
  auto* set = reinterpret_cast<LPSRowSet>(setHeader + 1);
  block->rowSet = set;
  set->cRows = static_cast<ULONG>(rows);
  char* row = block->firstRow;
  for (std::size_t i = 0; i < rows; ++i, row += stride) {
    auto* h = reinterpret_cast<BufferHeader*>(row);
    InitRoot(h, block);
    set->aRow[i].ulAdrEntryPad = 0;
    set->aRow[i].cValues = static_cast<ULONG>(columns);
    set->aRow[i].lpProps = reinterpret_cast<LPSPropValue>(h + 1);
  }
  if (data) *data = block->firstRow + rows * stride;
  ThisProfile().liveMapiBuffers += static_cast<std::int64_t>(rows + 1);
  return set;
}

std::size_t DataSize(const Cell& cell) {
  if (cell.stable) return 0;
  std::size_t n = 0;
  switch (PROP_TYPE(cell.tag)) {
    case PT_STRING8: n = cell.bytes.size() + 1; break;
    case PT_BINARY: n = cell.bytes.size() + (cell.hasSuffix ? 4 : 0); break;
    default: return 0;
  }
  return (n + 7) & ~std::size_t{7};
}

void WriteProp(const Cell& c, SPropValue& v, char*& data) {
  v.ulPropTag = c.tag;
  v.dwAlignPad = 0;
  std::memset(&v.Value, 0, sizeof v.Value);
  switch (PROP_TYPE(c.tag)) {
    case PT_STRING8:
      if (c.stable) {
        v.Value.lpszA = const_cast<char*>(c.bytes.data());
        return;
      }
      std::memcpy(data, c.bytes.data(), c.bytes.size());
      data[c.bytes.size()] = '\0';
      v.Value.lpszA = data;
      break;
    case PT_BINARY:
      v.Value.bin.cb = static_cast<ULONG>(c.bytes.size() + (c.hasSuffix ? 4 : 0));
      if (c.stable) {
        v.Value.bin.lpb = reinterpret_cast<LPBYTE>(const_cast<char*>(c.bytes.data()));
        return;
      }
      std::memcpy(data, c.bytes.data(), c.bytes.size());
      if (c.hasSuffix) std::memcpy(data + c.bytes.size(), &c.suffix, 4);
      v.Value.bin.lpb = reinterpret_cast<LPBYTE>(data);
      break;
    case PT_BOOLEAN: v.Value.b = static_cast<unsigned short>(c.ul ? 1 : 0); break;
    case PT_LONG: v.Value.ul = c.ul; break;
    case PT_ERROR: v.Value.err = c.err; break;
    default: break;
  }
  data += DataSize(c);
}

SPropValue* BuildProps(const Cell* cells, std::size_t count) {
  std::size_t size = count * sizeof(SPropValue);
  for (std::size_t i = 0; i < count; ++i) size += DataSize(cells[i]);
  auto* props = static_cast<SPropValue*>(AllocateBuffer(size));
  if (!props) return nullptr;
  char* data = reinterpret_cast<char*>(props + count);
  for (std::size_t i = 0; i < count; ++i) WriteProp(cells[i], props[i], data);
  return props;
}

}  // namespace kestrin::mapi32

using namespace kestrin::mapi32;

MAPI_API HRESULT MAPIInitialize(LPVOID lpMapiInit) {
  Profile& profile = ThisProfile();
  if (const HRESULT hr = profile.Call("MAPIInitialize"); FAILED(hr)) return hr;
  if (lpMapiInit) {
    const auto* init = static_cast<const MAPIINIT_0*>(lpMapiInit);
    if (init->ulVersion != MAPI_INIT_VERSION) return MAPI_E_INVALID_PARAMETER;
    profile.lastMapiInitFlags = init->ulFlags;
  } else {
    profile.lastMapiInitFlags = 0;
  }
  ++profile.mapiInitialized;
  return S_OK;
}

MAPI_API void MAPIUninitialize(void) {
  Profile& profile = ThisProfile();
  (void)profile.Call("MAPIUninitialize");
  if (profile.mapiInitialized > 0) --profile.mapiInitialized;
}

MAPI_API HRESULT MAPILogonEx(ULONG_PTR, LPTSTR, LPTSTR, FLAGS flFlags, LPMAPISESSION* lppSession) {
  Profile& profile = ThisProfile();
  const HRESULT hr = profile.Call("MAPILogonEx");
  if (!lppSession) return MAPI_E_INVALID_PARAMETER;
  *lppSession = nullptr;
  profile.lastMapiLogonFlags = flFlags;
  if (FAILED(hr)) {
    if (profile.mapiLogonLeavesSession) *lppSession = NewSession();
    return hr;
  }
  if (profile.mapiInitialized <= 0) return MAPI_E_NOT_INITIALIZED;
  *lppSession = NewSession();
  return *lppSession ? S_OK : MAPI_E_NOT_ENOUGH_MEMORY;
}

MAPI_API SCODE MAPIAllocateBuffer(ULONG cbSize, LPVOID* lppBuffer) {
  if (const HRESULT hr = ThisProfile().Call("MAPIAllocateBuffer"); FAILED(hr)) return hr;
  if (!lppBuffer) return MAPI_E_INVALID_PARAMETER;
  *lppBuffer = AllocateBuffer(cbSize);
  return *lppBuffer ? S_OK : MAPI_E_NOT_ENOUGH_MEMORY;
}

MAPI_API SCODE MAPIAllocateMore(ULONG cbSize, LPVOID lpObject, LPVOID* lppBuffer) {
  if (const HRESULT hr = ThisProfile().Call("MAPIAllocateMore"); FAILED(hr)) return hr;
  if (!lppBuffer || !lpObject) return MAPI_E_INVALID_PARAMETER;
  *lppBuffer = nullptr;
  BufferHeader* owner = HeaderOf(lpObject);
  if (owner->magic != kRootMagic && owner->magic != kMoreMagic) return MAPI_E_INVALID_PARAMETER;
  BufferHeader* root = owner->root;
  void* p = NewBlock(cbSize, kMoreMagic, root);
  if (!p) return MAPI_E_NOT_ENOUGH_MEMORY;
  BufferHeader* h = HeaderOf(p);
  // A carved root's links live as long as its block: the row set and its rows share one.
  BufferHeader*& chain = root->block ? root->block->more : root->next;
  h->next = chain;
  chain = h;
  *lppBuffer = p;
  return S_OK;
}

MAPI_API ULONG MAPIFreeBuffer(LPVOID lpBuffer) {
  if (!lpBuffer) return 0;
  BufferHeader* h = HeaderOf(lpBuffer);
  // Only a root is freed; a linked block goes with its root. Anything else is left alone.
  if (h->magic != kRootMagic) return 0;
  h->magic = kFreedMagic;
  if (h->block) {
    DropRoots(h->block, 1);
    return 0;
  }
  FreeChain(h->next);
  std::free(h);
  --ThisProfile().liveMapiBuffers;
  return 0;
}

MAPI_API BOOL FBinFromHex(LPTSTR lpsz, LPBYTE lpb) {
  if (FAILED(ThisProfile().Call("FBinFromHex"))) return FALSE;
  if (!lpsz || !lpb) return FALSE;
  const auto digit = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
  };
  for (const char* p = lpsz; *p; p += 2) {
    const int hi = digit(p[0]);
    const int lo = p[1] ? digit(p[1]) : -1;
    if (hi < 0 || lo < 0) return FALSE;
    *lpb++ = static_cast<BYTE>(hi * 16 + lo);
  }
  return TRUE;
}

MAPI_API HRESULT HrGetOneProp(LPMAPIPROP lpMapiProp, ULONG ulPropTag, LPSPropValue* lppProp) {
  const HRESULT injected = ThisProfile().Call("HrGetOneProp");
  if (FAILED(injected)) return injected;
  if (!lpMapiProp || !lppProp) return MAPI_E_INVALID_PARAMETER;
  *lppProp = nullptr;
  SizedSPropTagArray(1, tags) = {1, {ulPropTag}};
  ULONG count = 0;
  LPSPropValue values = nullptr;
  HRESULT hr = lpMapiProp->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &count, &values);
  if (FAILED(hr)) return hr;
  if (!values || count != 1) {
    MAPIFreeBuffer(values);
    return MAPI_E_CALL_FAILED;
  }
  if (PROP_TYPE(values->ulPropTag) == PT_ERROR) {
    hr = values->Value.err;
    MAPIFreeBuffer(values);
    return hr;
  }
  *lppProp = values;
  return injected;
}

MAPI_API HRESULT HrQueryAllRows(LPMAPITABLE lpTable, LPSPropTagArray lpPropTags, LPSRestriction lpRestriction,
                                LPSSortOrderSet lpSortOrderSet, LONG crowsMax, LPSRowSet* lppRows) {
  // A success code injected here is what the call reports once it has done its work.
  const HRESULT injected = ThisProfile().Call("HrQueryAllRows");
  if (FAILED(injected)) return injected;
  if (!lpTable || !lppRows) return MAPI_E_INVALID_PARAMETER;
  *lppRows = nullptr;
  if (lpSortOrderSet) return MAPI_E_NO_SUPPORT;
  HRESULT hr = S_OK;
  if (lpPropTags) {
    hr = lpTable->SetColumns(lpPropTags, TBL_BATCH);
    if (FAILED(hr)) return hr;
  }
  if (lpRestriction) {
    hr = lpTable->Restrict(lpRestriction, TBL_BATCH);
    if (FAILED(hr)) return hr;
  }
  LPSRowSet rows = nullptr;
  hr = lpTable->QueryRows(0x7FFFFFFF, 0, &rows);
  if (FAILED(hr)) return hr;
  if (crowsMax > 0 && rows->cRows > static_cast<ULONG>(crowsMax)) {
    FreeProws(rows);
    return MAPI_E_TABLE_TOO_BIG;
  }
  *lppRows = rows;
  return injected != S_OK ? injected : hr;
}

MAPI_API void FreeProws(LPSRowSet lpRows) {
  if (!lpRows) return;
  BufferHeader* h = HeaderOf(lpRows);
  RowBlock* block = h->magic == kRootMagic ? h->block : nullptr;
  if (!block || block->rowSet != lpRows) {
    for (ULONG i = 0; i < lpRows->cRows; ++i) MAPIFreeBuffer(lpRows->aRow[i].lpProps);
    MAPIFreeBuffer(lpRows);
    return;
  }
  // Rows still holding their own values are dropped together; anything the caller put in
  // their place is freed as MAPIFreeBuffer would.
  std::size_t own = 0;
  const char* expected = block->firstRow + sizeof(BufferHeader);
  for (ULONG i = 0; i < lpRows->cRows; ++i, expected += block->stride) {
    LPSPropValue props = lpRows->aRow[i].lpProps;
    if (!props) continue;
    BufferHeader* row = HeaderOf(props);
    if (reinterpret_cast<const char*>(props) == expected && row->magic == kRootMagic) {
      row->magic = kFreedMagic;
      ++own;
    } else {
      MAPIFreeBuffer(props);
    }
  }
  h->magic = kFreedMagic;
  DropRoots(block, own + 1);
}

MAPI_API ULONG UlRelease(LPVOID lpUnknown) {
  return lpUnknown ? static_cast<LPUNKNOWN>(lpUnknown)->Release() : 0;
}
