// The page's CreateObject on Linux: the process's KestrinCoCreateInstance (exported by the
// program that hosts the page, as ole32 sits in Outlook's process), found by name at each call.
#pragma once

#include <string>

#include "../../../addin/ComPtr.h"

namespace kestrin::page {

// CO_E_NOTINITIALIZED: the process offers no KestrinCoCreateInstance.
inline constexpr HRESULT kNoComRuntime = static_cast<HRESULT>(0x800401F0u);

[[nodiscard]] HRESULT CreateObjectThroughHost(const std::u16string& progId, const Guid& iid, void** out);

}  // namespace kestrin::page
