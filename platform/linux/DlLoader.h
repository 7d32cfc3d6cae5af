// The library loader on Linux: dlopen by full path, dlsym by name. KestrinLIB is looked for in
// the directory of the library that holds this code (libKestrin.so), found with dladdr, so a
// library of the same name on the search path or in the current directory is never the one loaded.
#pragma once

#include <string>

#include "../../addin/LibraryLoader.h"

namespace kestrin {

// The file name of KestrinLIB on Linux.
inline constexpr char kSupportLibraryFileName[] = "libKestrinLIB.so";

// The absolute, symlink-resolved path of the loaded file (library or program) that holds address.
[[nodiscard]] HRESULT PathOfLoadedFileContaining(const void* address, std::string* path);

class DlLoader final : public LibraryLoader {
 public:
  // directory: where KestrinLIB is looked for; empty for the directory of the file that holds
  // this loader's code.
  explicit DlLoader(std::string directory = {});

  HRESULT SupportLibraryPath(std::string* path) override;
  // Refuses anything but an absolute path.
  HRESULT Load(const std::string& fullPath, Handle* handle) override;
  HRESULT Lookup(Handle handle, const char* exportName, Function* function) override;
  void Unload(Handle handle) override;

  // What dlopen or dlsym said last, for messages of the host and tests.
  const std::string& LastError() const { return lastError_; }

 private:
  std::string directory_;
  std::string lastError_;
};

}  // namespace kestrin
