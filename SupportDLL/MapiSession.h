// The library's one MAPI session and the lookups that run over it. Process-wide, unguarded: the
// add-in calls from Outlook's thread, one call at a time.
#pragma once

#include <cstdint>

#include "MapiInterface.h"

namespace kestrin::lib {

extern bool MapiStarted;
extern LPMAPISESSION MapiSession;

// The lazy start: MAPIInitialize, then MAPILogonEx; a failed logon is undone, so the next call
// tries again from the start.
[[nodiscard]] HRESULT StartMapiSession() noexcept;
// At unload: the session is released, not logged off; MAPI is not uninitialised.
void ReleaseMapiSession() noexcept;

// The caller's key over its first 6 bytes: 0 when good, else -1 or 1 as the first differing byte.
[[nodiscard]] std::int32_t CompareKey(const char* key) noexcept;

// The default message store, looked up afresh; null with the failing status otherwise.
[[nodiscard]] HRESULT OpenDefaultStore(LPMAPISESSION session, LPMDB* store) noexcept;
// Copies the sender address of the message to the buffer (256 bytes); touches it only on success.
[[nodiscard]] HRESULT LookUpSenderAddress(LPMAPISESSION session, const char* entryIdHex, char* buffer) noexcept;

// S_OK: found; MAPI_E_NOT_FOUND: not found; otherwise the status of the call that failed.
[[nodiscard]] HRESULT SearchOutlookAddressBook(LPMAPISESSION session, const char* address) noexcept;
// Same length, same bytes once A-Z are mapped to a-z; nothing else is folded or trimmed.
[[nodiscard]] bool AddressEquals(const char* a, std::size_t aLength, const char* b) noexcept;

// The caller's buffer: 255 characters and a NUL.
inline constexpr std::size_t kAddressChars = 255;

}  // namespace kestrin::lib
