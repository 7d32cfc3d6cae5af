// The registry as the settings store sees it: the five calls of the system's code-page registry
// API (RegOpenKeyA, RegCreateKeyA, RegQueryValueExA, RegSetValueExA, RegCloseKey), with the
// registry's own status codes. Names and key paths are bytes of the system code page.
#pragma once

#include <cstdint>
#include <string>

namespace kestrin {

// An open key. 0 is the null handle; the predefined roots keep their Windows values.
using RegKey = std::uintptr_t;
inline constexpr RegKey kHkeyClassesRoot = 0x80000000u;
inline constexpr RegKey kHkeyCurrentUser = 0x80000001u;
inline constexpr RegKey kHkeyLocalMachine = 0x80000002u;

// Value types.
inline constexpr std::uint32_t kRegNone = 0;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kRegMultiSz = 7;

// Status codes (Win32 error codes).
using RegStatus = std::int32_t;
inline constexpr RegStatus kErrorSuccess = 0;
inline constexpr RegStatus kErrorFileNotFound = 2;
inline constexpr RegStatus kErrorAccessDenied = 5;
inline constexpr RegStatus kErrorInvalidHandle = 6;
inline constexpr RegStatus kErrorOutOfMemory = 14;
inline constexpr RegStatus kErrorInvalidParameter = 87;
inline constexpr RegStatus kErrorBadPathname = 161;
inline constexpr RegStatus kErrorMoreData = 234;
inline constexpr RegStatus kErrorKeyDeleted = 1018;
inline constexpr RegStatus kErrorRegistryIo = 1016;
inline constexpr RegStatus kErrorRegistryCorrupt = 1015;

class Registry {
 public:
  virtual ~Registry() = default;

  // RegOpenKeyA: opens an existing key below root (an empty path opens root itself).
  virtual RegStatus OpenKey(RegKey root, const std::string& path, RegKey* out) = 0;
  // RegCreateKeyA: opens the key, creating it and any missing keys above it.
  virtual RegStatus CreateKey(RegKey root, const std::string& path, RegKey* out) = 0;
  // RegQueryValueExA: type and size always (when asked for); the data too when data is given.
  // *size is in and out: the buffer's size, then the value's; ERROR_MORE_DATA when too small.
  virtual RegStatus QueryValue(RegKey key, const std::string& name, std::uint32_t* type,
                               std::uint8_t* data, std::uint32_t* size) = 0;
  // RegSetValueExA: stores exactly the bytes given, with the type given.
  virtual RegStatus SetValue(RegKey key, const std::string& name, std::uint32_t type,
                             const std::uint8_t* data, std::uint32_t size) = 0;
  // RegCloseKey.
  virtual RegStatus CloseKey(RegKey key) = 0;

  // Beyond the settings store: what registration and tools need.
  // RegDeleteTreeA of path below root (the key itself included).
  virtual RegStatus DeleteTree(RegKey root, const std::string& path) = 0;
  // RegDeleteValueA.
  virtual RegStatus DeleteValue(RegKey key, const std::string& name) = 0;
};

// The registry of this process: advapi32 on Windows, the per-user hive on Linux.
Registry& SystemRegistry();

}  // namespace kestrin
