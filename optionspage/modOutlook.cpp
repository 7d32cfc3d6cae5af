#include "modOutlook.h"

namespace kestrin::page {

HRESULT BuildFolderPath(outlook::Folder* folder, std::u16string* path) {
  if (!path) return hr::pointer;
  path->clear();
  if (!folder) return hr::pointer;
  return Guarded([&]() -> HRESULT {
    std::u16string name;
    KESTRIN_RETURN_IF_FAILED(folder->get_Name(&name));
    *path = u'\\' + name;

    ComPtr<outlook::Folder> current(folder);
    for (;;) {
      ComPtr<Unknown> parent;
      KESTRIN_RETURN_IF_FAILED(current->get_Parent(parent.put()));
      ComPtr<outlook::Folder> parentFolder;
      // The top of the store: its parent is the name space, not a folder.
      if (!parent || Failed(parent.As(parentFolder)) || !parentFolder) return hr::ok;
      KESTRIN_RETURN_IF_FAILED(parentFolder->get_Name(&name));
      *path = u'\\' + name + *path;
      current = parentFolder;
    }
  });
}

}  // namespace kestrin::page
