// Linux only: dlopen/dladdr. The portable side is addin/LibraryLoader.h.
#include "DlLoader.h"

#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>

namespace kestrin {

namespace {
// An address inside this file, so dladdr names the library (or program) linked with it.
void Anchor() {}
}  // namespace

HRESULT PathOfLoadedFileContaining(const void* address, std::string* path) {
  Dl_info info{};
  if (dladdr(address, &info) == 0 || !info.dli_fname || !*info.dli_fname) return kModuleNotFound;
  char resolved[PATH_MAX];
  if (!realpath(info.dli_fname, resolved)) return kModuleNotFound;
  *path = resolved;
  return hr::ok;
}

DlLoader::DlLoader(std::string directory) : directory_(std::move(directory)) {}

HRESULT DlLoader::SupportLibraryPath(std::string* path) {
  std::string directory = directory_;
  if (directory.empty()) {
    std::string own;
    KESTRIN_RETURN_IF_FAILED(PathOfLoadedFileContaining(reinterpret_cast<const void*>(&Anchor), &own));
    directory = own.substr(0, own.rfind('/') + 1);
  }
  if (directory.back() != '/') directory += '/';
  *path = directory + kSupportLibraryFileName;
  return hr::ok;
}

HRESULT DlLoader::Load(const std::string& fullPath, Handle* handle) {
  *handle = nullptr;
  if (fullPath.empty() || fullPath[0] != '/') return hr::invalidArg;  // never a search
  void* h = dlopen(fullPath.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!h) {
    const char* e = dlerror();
    lastError_ = e ? e : "dlopen failed";
    return kModuleNotFound;
  }
  *handle = h;
  return hr::ok;
}

HRESULT DlLoader::Lookup(Handle handle, const char* exportName, Function* function) {
  *function = nullptr;
  dlerror();
  void* symbol = dlsym(handle, exportName);
  if (!symbol) {
    const char* e = dlerror();
    lastError_ = e ? e : "no such export";
    return kProcNotFound;
  }
  *function = reinterpret_cast<Function>(symbol);
  return hr::ok;
}

void DlLoader::Unload(Handle handle) {
  if (handle) dlclose(handle);
}

LibraryLoader& SystemLibraryLoader() {
  static DlLoader loader;
  return loader;
}

}  // namespace kestrin
