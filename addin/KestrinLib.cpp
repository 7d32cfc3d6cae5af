#include "KestrinLib.h"

namespace kestrin {

KestrinLib::~KestrinLib() {
  if (handle_) loader_.Unload(handle_);
}

HRESULT KestrinLib::Bind(const char* name, LibraryLoader::Function* slot) {
  if (*slot) return hr::ok;
  if (!handle_) {
    std::string path;
    KESTRIN_RETURN_IF_FAILED(loader_.SupportLibraryPath(&path));
    LibraryLoader::Handle handle = nullptr;
    KESTRIN_RETURN_IF_FAILED(loader_.Load(path, &handle));
    if (!handle) return kModuleNotFound;
    handle_ = handle;
  }
  LibraryLoader::Function function = nullptr;
  KESTRIN_RETURN_IF_FAILED(loader_.Lookup(handle_, name, &function));
  if (!function) return kProcNotFound;
  *slot = function;
  return hr::ok;
}

HRESULT KestrinLib::GetSenderAddress(GetSenderAddressFn* fn) {
  *fn = nullptr;
  KESTRIN_RETURN_IF_FAILED(Bind("GetSenderAddress", &getSenderAddress_));
  *fn = reinterpret_cast<GetSenderAddressFn>(getSenderAddress_);
  return hr::ok;
}

HRESULT KestrinLib::IsSenderInAddressBook(IsSenderInAddressBookFn* fn) {
  *fn = nullptr;
  KESTRIN_RETURN_IF_FAILED(Bind("IsSenderInAddressBook", &isSenderInAddressBook_));
  *fn = reinterpret_cast<IsSenderInAddressBookFn>(isSenderInAddressBook_);
  return hr::ok;
}

}  // namespace kestrin
