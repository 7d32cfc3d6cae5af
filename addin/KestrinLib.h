// The add-in's binding of KestrinLIB's two exports: the library is loaded, and each export
// looked up by name, at the first call of that export; a failed load or look-up is tried again
// at the next call.
#pragma once

#include <cstdint>
#include <string>

#include "LibraryLoader.h"

namespace kestrin {

#if defined(_WIN32) && !defined(_WIN64)
#define KESTRIN_LIB_CALL __stdcall
#else
#define KESTRIN_LIB_CALL
#endif

// Our own declarations of the exports (the add-in does not include the library's headers).
using GetSenderAddressFn = std::int32_t(KESTRIN_LIB_CALL*)(const char* key, const char* entryIdHex,
                                                           char** addressBuffer);
using IsSenderInAddressBookFn = std::int32_t(KESTRIN_LIB_CALL*)(const char* key, const char* address);

// The caller key both exports check.
inline constexpr char kCallerKey[] = "463079";

class KestrinLib {
 public:
  explicit KestrinLib(LibraryLoader& loader) : loader_(loader) {}
  KestrinLib(const KestrinLib&) = delete;
  KestrinLib& operator=(const KestrinLib&) = delete;
  ~KestrinLib();

  [[nodiscard]] HRESULT GetSenderAddress(GetSenderAddressFn* fn);
  [[nodiscard]] HRESULT IsSenderInAddressBook(IsSenderInAddressBookFn* fn);

 private:
  [[nodiscard]] HRESULT Bind(const char* name, LibraryLoader::Function* slot);
  LibraryLoader& loader_;
  LibraryLoader::Handle handle_ = nullptr;
  LibraryLoader::Function getSenderAddress_ = nullptr;
  LibraryLoader::Function isSenderInAddressBook_ = nullptr;
};

}  // namespace kestrin
