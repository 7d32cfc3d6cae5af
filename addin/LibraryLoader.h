// Loading a library by full path and looking up an export by name: the seam under the add-in's
// binding of KestrinLIB. The platform supplies the loader of the process.
#pragma once

#include <string>

#include "../settings/HResult.h"

namespace kestrin {

// HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND) and (ERROR_PROC_NOT_FOUND), as LoadLibrary and
// GetProcAddress fail.
inline constexpr HRESULT kModuleNotFound = static_cast<HRESULT>(0x8007007Eu);
inline constexpr HRESULT kProcNotFound = static_cast<HRESULT>(0x8007007Fu);

class LibraryLoader {
 public:
  using Handle = void*;
  using Function = void (*)();
  virtual ~LibraryLoader() = default;

  // The full path of KestrinLIB in the directory that holds the add-in's own library.
  [[nodiscard]] virtual HRESULT SupportLibraryPath(std::string* path) = 0;
  // Loads by full path only: never through the search path or the current directory.
  [[nodiscard]] virtual HRESULT Load(const std::string& fullPath, Handle* handle) = 0;
  [[nodiscard]] virtual HRESULT Lookup(Handle handle, const char* exportName, Function* function) = 0;
  virtual void Unload(Handle handle) = 0;
};

// The loader of this process: dlopen beside libKestrin.so on Linux, LoadLibrary on Windows.
LibraryLoader& SystemLibraryLoader();

}  // namespace kestrin
