// The two exports of KestrinLIB, the add-in's way into Extended MAPI. Plain C names, stdcall on
// 32-bit Windows (exported undecorated through KestrinLIB.def), a 32-bit signed result.
#pragma once

#include <cstdint>

#if defined(_WIN32)
#define KESTRINLIB_API
#if defined(_WIN64)
#define KESTRINLIB_CALL
#else
#define KESTRINLIB_CALL __stdcall
#endif
#else
#define KESTRINLIB_API __attribute__((visibility("default")))
#define KESTRINLIB_CALL
#endif

extern "C" {

// 99: wrong key. 1: the address is in the Outlook Address Book, or the search stopped on a
// failure. 0: not found.
KESTRINLIB_API std::int32_t KESTRINLIB_CALL IsSenderInAddressBook(const char* key, const char* address) noexcept;

// Writes the sender address of the message named by entryIdHex, and its NUL, at the start of the
// caller's 256-byte buffer (*addressBuffer); on any failure the buffer is left untouched.
// Wrong key: -1 or 1, the key comparison. Good key: 0 when the buffer was written, otherwise the
// failing status (the add-in reads neither).
KESTRINLIB_API std::int32_t KESTRINLIB_CALL GetSenderAddress(const char* key, const char* entryIdHex,
                                                             char** addressBuffer) noexcept;
}

// Pointer types for callers that bind the exports by name.
using IsSenderInAddressBookFn = std::int32_t(KESTRINLIB_CALL*)(const char*, const char*);
using GetSenderAddressFn = std::int32_t(KESTRINLIB_CALL*)(const char*, const char*, char**);
