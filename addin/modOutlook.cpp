#include "modOutlook.h"

namespace kestrin {

namespace {

HRESULT Application(outlook::Application** out) {
  *out = gobjOutlook().get();
  return *out ? hr::ok : hr::pointer;  // detached: nothing to reach Outlook through
}

// Folders.Item(name), taken as a folder: a name that is not there fails.
HRESULT ItemOf(const ComPtr<outlook::Folders>& folders, const std::u16string& name, ComPtr<outlook::Folder>& out) {
  if (!folders) return hr::pointer;
  ComPtr<outlook::Folder> found;
  KESTRIN_RETURN_IF_FAILED(folders->Item(name, found.put()));
  if (!found) return hr::pointer;
  out = std::move(found);
  return hr::ok;
}

HRESULT LookUpTopLevel(const std::u16string& name, ComPtr<outlook::Folder>& out) {
  outlook::Application* app = nullptr;
  KESTRIN_RETURN_IF_FAILED(Application(&app));
  ComPtr<outlook::NameSpace> ns;
  KESTRIN_RETURN_IF_FAILED(app->GetNamespace(u"MAPI", ns.put()));
  if (!ns) return hr::pointer;
  ComPtr<outlook::Folders> folders;
  KESTRIN_RETURN_IF_FAILED(ns->get_Folders(folders.put()));
  return ItemOf(folders, name, out);
}

HRESULT LookUpSubfolder(outlook::Folder& parent, const std::u16string& name, ComPtr<outlook::Folder>& out) {
  ComPtr<outlook::Folders> folders;
  KESTRIN_RETURN_IF_FAILED(parent.get_Folders(folders.put()));
  return ItemOf(folders, name, out);
}

HRESULT ActiveExplorerFolder(ComPtr<outlook::Folder>& out) {
  outlook::Application* app = nullptr;
  KESTRIN_RETURN_IF_FAILED(Application(&app));
  ComPtr<outlook::Explorer> explorer;
  KESTRIN_RETURN_IF_FAILED(app->ActiveExplorer(explorer.put()));
  if (!explorer) return hr::pointer;  // no explorer window: the step fails
  ComPtr<outlook::Folder> current;
  KESTRIN_RETURN_IF_FAILED(explorer->get_CurrentFolder(current.put()));
  out = std::move(current);
  return hr::ok;
}

}  // namespace

ComPtr<outlook::Application>& gobjOutlook() {
  static ComPtr<outlook::Application> application;
  return application;
}

HRESULT FindFolderByPath(const std::u16string& path, outlook::Folder** folder) {
  if (!folder) return hr::pointer;
  *folder = nullptr;
  bool suppress = true;
  // One step: skipped while suppression is on, else its failure ends the walk.
  auto step = [&](HRESULT result) { return Failed(result) && !suppress ? result : hr::ok; };

  ComPtr<outlook::Folder> current;
  std::u16string rest = path;
  if (!rest.empty() && rest[0] == u'\\') {
    rest.erase(0, 1);
  } else {
    ComPtr<outlook::Folder> start;
    if (Succeeded(step(ActiveExplorerFolder(start)))) current = std::move(start);
  }

  while (!rest.empty()) {
    const std::size_t separator = rest.find(u'\\');
    std::u16string name;
    if (separator == std::u16string::npos) {
      name = std::move(rest);
      rest.clear();
    } else {
      name = rest.substr(0, separator);
      rest.erase(0, separator + 1);
    }
    ComPtr<outlook::Folder> next;
    HRESULT result;
    if (!current) {
      result = step(LookUpTopLevel(name, next));
      suppress = false;  // whether the lookup succeeded or not
    } else {
      result = step(LookUpSubfolder(*current.get(), name, next));
    }
    KESTRIN_RETURN_IF_FAILED(result);
    if (next) current = std::move(next);
  }
  *folder = current.Detach();
  return hr::ok;
}

}  // namespace kestrin
