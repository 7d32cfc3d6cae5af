// The page library's own Outlook module.
#pragma once

#include <string>

#include "../addin/OutlookHost.h"

namespace kestrin::page {

// The folder's absolute path: "\" and the top-level folder's name, then each lower folder's name
// after one "\", down to folder. Names are taken as Outlook reports them (a "\" inside a name is
// not escaped). The walk ends where a Parent is not a folder (the top of the store).
// S_OK with the whole path; the failure of reading a name or a Parent otherwise, with *path the
// part built before it (empty when folder's own name cannot be read).
[[nodiscard]] HRESULT BuildFolderPath(outlook::Folder* folder, std::u16string* path);

}  // namespace kestrin::page
