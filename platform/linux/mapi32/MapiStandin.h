// The stand-in MAPI32 (libMAPI32.so): Extended MAPI over the process's standin::Profile, the same
// profile that the stand-in Outlook shows. A message's entry id is the item's entry id; the
// address book's root hierarchy is the profile's top-level containers.
//
// Fault injection: each operation below calls Profile::Call(name) first; an injected fault makes
// that call fail with the chosen HRESULT (FBinFromHex answers FALSE) before it does anything. A
// success code other than S_OK injected into HrQueryAllRows or HrGetOneProp is returned by that
// call after it has done its work, as a MAPI warning is.
//   functions: MAPIInitialize, MAPILogonEx, MAPIUninitialize (counted; it reports nothing, so a
//              fault has no effect), MAPIAllocateBuffer, MAPIAllocateMore, FBinFromHex,
//              HrGetOneProp, HrQueryAllRows
//   members:   IMAPISession::GetMsgStoresTable, IMAPISession::OpenMsgStore,
//              IMAPISession::OpenAddressBook, IMsgStore::OpenEntry, IAddrBook::OpenEntry,
//              IMAPIContainer::GetHierarchyTable, IMAPIContainer::GetContentsTable,
//              IMAPIContainer::OpenEntry, IMAPITable::SetColumns, IMAPITable::Restrict,
//              IMAPITable::QueryRows, and <I>::GetProps and <I>::QueryInterface for I in
//              IMAPISession (QueryInterface only), IMsgStore, IMessage, IAddrBook, IABContainer,
//              IMAPITable (QueryInterface only)
// Not counted, as they cannot fail: AddRef, Release, MAPIFreeBuffer, FreeProws, UlRelease.
// HrGetOneProp goes through IMessage::GetProps and HrQueryAllRows through SetColumns, Restrict
// and QueryRows, so a fault in either layer reaches the caller.
//
// Observation: Profile::liveMapiObjects counts objects not yet released (the session included),
// Profile::liveMapiBuffers buffers not yet freed (MAPIAllocateBuffer's, and the row sets and
// values that MAPI hands out); CallCount("MAPIInitialize") etc. count calls; mapiInitialized,
// lastMapiInitFlags and lastMapiLogonFlags record what MAPI was started with. The row sets and
// values that the stand-in hands out are allocated inside it, not through the fault-injected
// MAPIAllocateBuffer, so that function's faults and counts are the caller's own calls.
//
// Not supported (MAPI_E_NO_SUPPORT): sort orders, opening a store's root folder (no entry id),
// GetProps of every property (no tag array), a contents table of the address book's root,
// reading rows backwards.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "SupportDLL/MapiInterface.h"
#include "standin/Profile.h"

namespace kestrin::mapi32 {

// The process's profile, looked up once: it is never destroyed.
inline standin::Profile& ThisProfile() {
  static standin::Profile& profile = standin::Profile::Current();
  return profile;
}

// A buffer handed out as MAPI does, counted live until MAPIFreeBuffer frees it.
void* AllocateBuffer(std::size_t size);

// A whole row set in one allocation: the SRowSet, then each row's values (columns of them, not
// yet written) with a header of their own, then dataBytes at *data for values that are copied.
// The row set and each row's values are buffers of their own all the same: MAPIFreeBuffer frees
// one alone, and the block goes with the last. Null when out of memory.
struct RowBlock;
LPSRowSet AllocateRowSet(std::size_t rows, std::size_t columns, std::size_t dataBytes, char** data);

// One property of one row or object, as the profile holds it.
struct Cell {
  ULONG tag = 0;                // the property's tag, or PT_ERROR with err when absent
  std::string_view bytes;       // PT_STRING8 (without its NUL) or PT_BINARY
  bool hasSuffix = false;       // PT_BINARY followed by 4 more bytes (entries' entry ids)
  std::uint32_t suffix = 0;
  ULONG ul = 0;                 // PT_BOOLEAN, PT_LONG
  SCODE err = 0;                // PT_ERROR
  bool stable = false;          // bytes live in the profile (strings NUL-terminated): not copied

  static Cell Missing(ULONG tag) {
    Cell c;
    c.tag = PROP_TAG(PT_ERROR, PROP_ID(tag));
    c.err = MAPI_E_NOT_FOUND;
    return c;
  }
};

// Bytes that a property's value needs after the SPropValue array: none for a stable one.
std::size_t DataSize(const Cell& cell);
// Writes cell as v, its data (when copied) at data, which moves past it.
void WriteProp(const Cell& cell, SPropValue& v, char*& data);
// One MAPI buffer holding the values and their data, or null when out of memory.
SPropValue* BuildProps(const Cell* cells, std::size_t count);

// A new session object, one reference held by the caller.
LPMAPISESSION NewSession();

}  // namespace kestrin::mapi32
