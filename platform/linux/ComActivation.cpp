// Linux side of COM activation (see ComActivation.h). Libraries are opened by full path with
// RTLD_LOCAL, so no two deliverables bind to each other's copy of a shared symbol, and kept open
// for the life of the process, as ole32 keeps a server until CoFreeUnusedLibraries.
#include "ComActivation.h"

#include <dlfcn.h>

#include <cstdio>
#include <map>
#include <mutex>
#include <vector>

#include "../../addin/GuidText.h"
#include "../../settings/CodePage.h"
#include "ComRuntime.h"

namespace kestrin::com {

namespace {

struct Libraries {
  std::mutex lock;
  std::map<std::string, void*> open;
  std::string lastError;
};

Libraries& Libs() {
  static Libraries* libs = new Libraries;  // never destroyed: objects may outlive static teardown
  return *libs;
}

Unknown*& RunningApplication() {
  static Unknown* app = nullptr;
  return app;
}

void* LoadLibrary(const std::string& path) {
  Libraries& libs = Libs();
  std::lock_guard<std::mutex> guard(libs.lock);
  if (auto it = libs.open.find(path); it != libs.open.end()) return it->second;
  if (path.empty() || path[0] != '/') {  // a bare name would go through the search path
    libs.lastError = "not a full path: " + path;
    return nullptr;
  }
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* why = dlerror();
    libs.lastError = why ? why : ("cannot load " + path);
    return nullptr;
  }
  libs.open.emplace(path, handle);
  return handle;
}

void* Export(const std::string& path, const char* name) {
  void* lib = LoadLibrary(path);
  return lib ? dlsym(lib, name) : nullptr;
}

// The default value (REG_SZ or REG_EXPAND_SZ) of root\path, without its terminator.
HRESULT DefaultValue(Registry& registry, RegKey root, const std::string& path, std::string* value) {
  RegKey key = 0;
  RegStatus st = registry.OpenKey(root, path, &key);
  if (st != kErrorSuccess) return hr::FromWin32(st);
  std::uint32_t type = 0;
  std::uint32_t size = 0;
  st = registry.QueryValue(key, "", &type, nullptr, &size);
  std::vector<std::uint8_t> data(size);
  if (st == kErrorSuccess && size > 0) st = registry.QueryValue(key, "", &type, data.data(), &size);
  (void)registry.CloseKey(key);
  if (st != kErrorSuccess) return hr::FromWin32(st);
  if (type != kRegSz && type != kRegExpandSz) return hr::FromWin32(kErrorFileNotFound);
  std::string text(data.begin(), data.begin() + size);
  if (auto nul = text.find('\0'); nul != std::string::npos) text.resize(nul);
  *value = std::move(text);
  return hr::ok;
}

// Classes are looked up per user first, then machine-wide, as HKEY_CLASSES_ROOT merges them.
HRESULT ClassesValue(Registry& registry, const std::string& path, std::string* value) {
  const HRESULT user = DefaultValue(registry, kHkeyCurrentUser, "Software\\Classes\\" + path, value);
  if (Succeeded(user)) return user;
  return DefaultValue(registry, kHkeyLocalMachine, "Software\\Classes\\" + path, value);
}

}  // namespace

bool ParseGuid(std::string_view text, Guid* out) { return TextToGuid(text, out); }

std::string GuidToString(const Guid& g) { return GuidToText(g); }

HRESULT ClsidFromProgId(Registry& registry, std::u16string_view progId, Guid* clsid) {
  if (progId.empty()) return kClassStringInvalid;
  std::string text;
  if (Failed(ClassesValue(registry, ToCodePage(progId) + "\\CLSID", &text))) return kClassStringInvalid;
  if (!ParseGuid(text, clsid)) return kClassStringInvalid;
  return hr::ok;
}

HRESULT InprocServerPath(Registry& registry, const Guid& clsid, std::string* path) {
  if (Failed(ClassesValue(registry, "CLSID\\" + GuidToString(clsid) + "\\InprocServer32", path)) ||
      path->empty())
    return hr::regClassNotReg;
  return hr::ok;
}

HRESULT CreateFromLibrary(const std::string& path, const Guid& clsid, const Guid& iid, void** out) {
  if (!out) return hr::pointer;
  *out = nullptr;
  if (!LoadLibrary(path)) return kModuleNotFound;
  auto getClassObject = reinterpret_cast<DllGetClassObjectFn>(Export(path, "DllGetClassObject"));
  if (!getClassObject) return kProcNotFound;
  ComPtr<ClassFactory> factory;
  KESTRIN_RETURN_IF_FAILED(getClassObject(clsid, ClassFactory::iid, reinterpret_cast<void**>(factory.put())));
  if (!factory) return hr::pointer;
  return factory->CreateInstance(nullptr, iid, out);
}

HRESULT CreateFromProgId(Registry& registry, std::u16string_view progId, const Guid& iid, void** out,
                         std::string* pathUsed) {
  if (!out) return hr::pointer;
  *out = nullptr;
  Guid clsid{};
  KESTRIN_RETURN_IF_FAILED(ClsidFromProgId(registry, progId, &clsid));
  std::string path;
  KESTRIN_RETURN_IF_FAILED(InprocServerPath(registry, clsid, &path));
  if (pathUsed) *pathUsed = path;
  return CreateFromLibrary(path, clsid, iid, out);
}

HRESULT CanUnloadNow(const std::string& path) {
  {
    Libraries& libs = Libs();
    std::lock_guard<std::mutex> guard(libs.lock);
    if (!libs.open.count(path)) return hr::fail;
  }
  auto canUnload = reinterpret_cast<DllCanUnloadNowFn>(Export(path, "DllCanUnloadNow"));
  if (!canUnload) return kProcNotFound;
  return canUnload();
}

HRESULT RegisterServer(const std::string& path, bool unregister) {
  if (!LoadLibrary(path)) return kModuleNotFound;
  auto entry = reinterpret_cast<DllRegisterServerFn>(
      Export(path, unregister ? "DllUnregisterServer" : "DllRegisterServer"));
  if (!entry) return kProcNotFound;
  return entry();
}

std::string LastLoadError() {
  Libraries& libs = Libs();
  std::lock_guard<std::mutex> guard(libs.lock);
  return libs.lastError;
}

void SetRunningApplication(Unknown* application) {
  Unknown*& held = RunningApplication();
  if (application) application->AddRef();
  if (held) held->Release();
  held = application;
}

}  // namespace kestrin::com

extern "C" __attribute__((visibility("default"))) kestrin::HRESULT KestrinCoCreateInstance(
    const char16_t* progId, const kestrin::Guid* iid, void** out) {
  using namespace kestrin;
  return Guarded([&]() -> HRESULT {
    if (!out) return hr::pointer;
    *out = nullptr;
    if (!progId || !iid) return hr::invalidArg;
    const std::u16string name(progId);
    if (Unknown* app = com::RunningApplication(); app && EqualsNoCase(name, u"Outlook.Application"))
      return app->QueryInterface(*iid, out);
    return com::CreateFromProgId(SystemRegistry(), name, *iid, out);
  });
}
