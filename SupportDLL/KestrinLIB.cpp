// The exports: the key check, the lazy start, then the lookup. Nothing throws: every MAPI step
// reports a status and the lookups allocate nothing of their own.
#include "KestrinLIB.h"

#include "MapiSession.h"

using namespace kestrin::lib;

namespace {

constexpr std::int32_t kWrongKey = 99;
constexpr std::int32_t kNotInAddressBook = 0;
constexpr std::int32_t kKnownSender = 1;

// After a good key: the session, started now if no earlier call managed to.
HRESULT EnsureSession() noexcept {
  if (MapiStarted) return S_OK;
  return StartMapiSession();
}

}  // namespace

extern "C" KESTRINLIB_API std::int32_t KESTRINLIB_CALL IsSenderInAddressBook(const char* key,
                                                                             const char* address) noexcept {
  if (CompareKey(key) != 0) return kWrongKey;
  // Without a session there was no look: the sender counts as known, as for any failed search.
  if (FAILED(EnsureSession())) return kKnownSender;
  const HRESULT status = SearchOutlookAddressBook(MapiSession, address ? address : "");
  return status == MAPI_E_NOT_FOUND ? kNotInAddressBook : kKnownSender;
}

extern "C" KESTRINLIB_API std::int32_t KESTRINLIB_CALL GetSenderAddress(const char* key, const char* entryIdHex,
                                                                        char** addressBuffer) noexcept {
  if (const std::int32_t order = CompareKey(key); order != 0) return order;
  HRESULT hr = EnsureSession();
  if (FAILED(hr)) return hr;
  if (!entryIdHex || !addressBuffer || !*addressBuffer) return MAPI_E_INVALID_PARAMETER;
  return LookUpSenderAddress(MapiSession, entryIdHex, *addressBuffer);
}
