// GetSenderAddress's lookup: hex entry id -> default store -> message -> PR_SENDER_EMAIL_ADDRESS_A.
#include <cstring>

#include "MapiHolder.h"
#include "MapiSession.h"

namespace kestrin::lib {

using mapi::MapiBuffer;
using mapi::MapiObject;
using mapi::RowSet;

HRESULT OpenDefaultStore(LPMAPISESSION session, LPMDB* store) noexcept {
  *store = nullptr;
  // Released on every path, the row set before the table.
  MapiObject<IMAPITable> table;
  RowSet rows;

  SizedSPropTagArray(2, columns) = {2, {PR_ENTRYID, PR_DISPLAY_NAME_A}};
  SPropValue isDefault{};
  isDefault.ulPropTag = PR_DEFAULT_STORE;
  isDefault.Value.b = 1;
  SRestriction restriction{};
  restriction.rt = RES_PROPERTY;
  restriction.res.resProperty.relop = RELOP_EQ;
  restriction.res.resProperty.ulPropTag = PR_DEFAULT_STORE;
  restriction.res.resProperty.lpProp = &isDefault;

  HRESULT hr = session->GetMsgStoresTable(0, table.put());
  if (FAILED(hr)) return hr;
  hr = HrQueryAllRows(table.get(), reinterpret_cast<LPSPropTagArray>(&columns), &restriction, nullptr, 0,
                      rows.put());
  if (FAILED(hr)) return hr;
  // No store marked as default: there is no store to open.
  if (!rows || rows->cRows == 0) return MAPI_E_NOT_FOUND;
  const SRow& first = rows->aRow[0];
  if (first.cValues < 1 || !first.lpProps || first.lpProps[0].ulPropTag != PR_ENTRYID)
    return MAPI_E_INVALID_ENTRYID;
  const SPropValue& entryId = first.lpProps[0];
  return session->OpenMsgStore(0, entryId.Value.bin.cb, reinterpret_cast<LPENTRYID>(entryId.Value.bin.lpb),
                               nullptr, MAPI_BEST_ACCESS, store);
}

HRESULT LookUpSenderAddress(LPMAPISESSION session, const char* entryIdHex, char* buffer) noexcept {
  // Declared so that scope end frees the value, then the binary id, then releases the store and
  // then the message.
  MapiObject<IMessage> message;
  MapiObject<IMsgStore> store;
  MapiBuffer<BYTE> binaryId;
  MapiBuffer<SPropValue> sender;

  const std::size_t hexLength = std::strlen(entryIdHex);
  const std::size_t byteCount = hexLength / 2;
  if (byteCount > 0xFFFFFFFFu) return MAPI_E_INVALID_PARAMETER;
  const auto cb = static_cast<ULONG>(byteCount);

  HRESULT hr = MAPIAllocateBuffer(cb, binaryId.put_as<LPVOID>());
  if (FAILED(hr)) return hr;
  // Half a byte is no entry id; FBinFromHex is never handed more digits than the buffer holds.
  if (hexLength % 2 != 0) return MAPI_E_INVALID_ENTRYID;
  if (!FBinFromHex(const_cast<LPTSTR>(entryIdHex), binaryId.get())) return MAPI_E_INVALID_ENTRYID;

  hr = OpenDefaultStore(session, store.put());
  if (FAILED(hr)) return hr;
  ULONG objectType = 0;
  hr = store->OpenEntry(cb, reinterpret_cast<LPENTRYID>(binaryId.get()), nullptr, 0, &objectType,
                        message.put_as<LPUNKNOWN>());
  if (FAILED(hr)) return hr;
  hr = HrGetOneProp(message.get(), PR_SENDER_EMAIL_ADDRESS_A, sender.put());
  if (FAILED(hr)) return hr;
  if (sender->ulPropTag != PR_SENDER_EMAIL_ADDRESS_A || !sender->Value.lpszA) return MAPI_E_NOT_FOUND;

  // At most 255 characters and the NUL: a longer address is cut, never written past the buffer.
  const char* address = sender->Value.lpszA;
  std::size_t length = 0;
  while (length < kAddressChars && address[length] != '\0') ++length;
  std::memcpy(buffer, address, length);
  buffer[length] = '\0';
  return S_OK;
}

}  // namespace kestrin::lib
