// modOutlook: the add-in-wide reference to Outlook's Application and the folder-path walk.
#pragma once

#include <string>

#include "ComPtr.h"
#include "OutlookHost.h"

namespace kestrin {

// gobjOutlook: set and cleared with OutAddIn's objOutlook. Outlook calls us on one thread only.
ComPtr<outlook::Application>& gobjOutlook();

// Turns a stored folder path ("\Top\A\B", or relative to the active explorer's folder) into the
// folder. *folder is null when the path names none without a failure. Until the first top-level
// lookup has been attempted every failing step is skipped; after it, a failing lookup ends the
// walk with that failure.
[[nodiscard]] HRESULT FindFolderByPath(const std::u16string& path, outlook::Folder** folder);

}  // namespace kestrin
