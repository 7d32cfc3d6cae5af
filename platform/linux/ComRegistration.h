// Registering in-process COM classes on Linux, per user, as a per-user Windows install does:
// under HKCU "Software\Classes" in the hive. Shared by the add-in and the options page.
//   CLSID\{GUID}                   default = class name
//   CLSID\{GUID}\InprocServer32    default = full path of the .so, ThreadingModel = "Apartment"
//   CLSID\{GUID}\ProgID            default = ProgID
//   CLSID\{GUID}\TypeLib           default = "{LIBID}" (when a type library is named)
//   <ProgID>\CLSID                 default = "{GUID}"
//   TypeLib\{LIBID}\<version>      default = description
#pragma once

#include <cstdint>
#include <string>

#include "../../addin/ComPtr.h"
#include "../../settings/Registry.h"

namespace kestrin::com {

inline constexpr char kClassesKey[] = "Software\\Classes";

struct ClassRegistration {
  Guid clsid{};
  std::string className;
  std::string progId;
  std::string libraryPath;
  std::string threadingModel = "Apartment";
  const Guid* typeLib = nullptr;  // optional
};

// Writes the class's keys; the first failing write ends it (SELFREG_E_CLASS).
[[nodiscard]] HRESULT RegisterClass(Registry& registry, const ClassRegistration& entry);
// Removes CLSID\{GUID} and <ProgID>; a key that is not there is no failure.
[[nodiscard]] HRESULT UnregisterClass(Registry& registry, const Guid& clsid, const std::string& progId);

[[nodiscard]] HRESULT RegisterTypeLib(Registry& registry, const Guid& libid, const std::string& version,
                                      const std::string& description);
[[nodiscard]] HRESULT UnregisterTypeLib(Registry& registry, const Guid& libid);

// One value under root\path, creating the key: REG_SZ bytes without a NUL, or a REG_DWORD.
[[nodiscard]] HRESULT SetString(Registry& registry, RegKey root, const std::string& path,
                                const std::string& name, const std::string& value);
[[nodiscard]] HRESULT SetDword(Registry& registry, RegKey root, const std::string& path,
                               const std::string& name, std::uint32_t value);
// Deletes root\path and everything below it; absent is no failure.
[[nodiscard]] HRESULT DeleteKeyTree(Registry& registry, RegKey root, const std::string& path);

}  // namespace kestrin::com
