// COM activation on Linux, as ole32 does it for in-process servers: the class registrations in
// the hive (HKCU "Software\Classes", then HKLM "Software\Classes", the two halves of
// HKEY_CLASSES_ROOT), the server's library loaded once and kept for the process, its
// DllGetClassObject, the class factory. Only kestrin-host links this (it exports
// KestrinCoCreateInstance, ComRuntime.h); the deliverables reach it through that export.
#pragma once

#include <string>
#include <string_view>

#include "../../addin/ComPtr.h"
#include "../../settings/Registry.h"

namespace kestrin::com {

// CO_E_CLASSSTRING: the ProgID is not registered.
inline constexpr HRESULT kClassStringInvalid = static_cast<HRESULT>(0x800401F3u);
// HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND) and (ERROR_PROC_NOT_FOUND): the server's library
// cannot be loaded, or lacks DllGetClassObject.
inline constexpr HRESULT kModuleNotFound = static_cast<HRESULT>(0x8007007Eu);
inline constexpr HRESULT kProcNotFound = static_cast<HRESULT>(0x8007007Fu);

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", any letter case; false when malformed.
bool ParseGuid(std::string_view text, Guid* out);
std::string GuidToString(const Guid& guid);  // upper case, braces

// ProgID -> CLSID (the default value of "<ProgID>\CLSID").
[[nodiscard]] HRESULT ClsidFromProgId(Registry& registry, std::u16string_view progId, Guid* clsid);
// CLSID -> the library path (the default value of "CLSID\{...}\InprocServer32").
[[nodiscard]] HRESULT InprocServerPath(Registry& registry, const Guid& clsid, std::string* path);

// Loads the library (once per path, kept loaded), asks its DllGetClassObject for the class's
// factory and creates an instance for iid.
[[nodiscard]] HRESULT CreateFromLibrary(const std::string& path, const Guid& clsid, const Guid& iid,
                                        void** out);
// The whole chain from a ProgID.
[[nodiscard]] HRESULT CreateFromProgId(Registry& registry, std::u16string_view progId, const Guid& iid,
                                       void** out, std::string* pathUsed = nullptr);

// The library's DllCanUnloadNow: S_OK when it holds no objects, S_FALSE when it does; a failure
// when the library was never loaded or lacks the export.
[[nodiscard]] HRESULT CanUnloadNow(const std::string& path);

// Calls the library's DllRegisterServer / DllUnregisterServer (loading it first).
[[nodiscard]] HRESULT RegisterServer(const std::string& path, bool unregister = false);

// What dlopen said about the last library that failed to load, for the host's messages.
std::string LastLoadError();

// The object KestrinCoCreateInstance hands out for "Outlook.Application". With none set, the
// ProgID is looked up in the hive like any other (where the stand-in is not registered).
// A reference is held until replaced; null lets it go.
void SetRunningApplication(Unknown* application);

}  // namespace kestrin::com
