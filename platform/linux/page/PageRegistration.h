// The options page's class registration, per user as a per-user Windows install does it:
// HKCU "Software\Classes" with the class, its ProgID, its interfaces and its type library.
#pragma once

#include <string>

#include "../../../settings/HResult.h"
#include "../../../settings/Registry.h"

namespace kestrin::page {

// Writes every entry; SELFREG_E_CLASS when the registry refuses one.
[[nodiscard]] HRESULT RegisterOptionsPage(Registry& registry, const std::string& libraryPath);
// Removes what RegisterOptionsPage wrote; entries already gone are no failure.
[[nodiscard]] HRESULT UnregisterOptionsPage(Registry& registry);

}  // namespace kestrin::page
