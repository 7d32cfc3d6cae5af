#include "CreateObject.h"

#include <dlfcn.h>

#include "../ComRuntime.h"

namespace kestrin::page {

HRESULT CreateObjectThroughHost(const std::u16string& progId, const Guid& iid, void** out) {
  if (!out) return hr::pointer;
  *out = nullptr;
  auto create = reinterpret_cast<KestrinCoCreateInstanceFn>(dlsym(RTLD_DEFAULT, "KestrinCoCreateInstance"));
  if (!create) return kNoComRuntime;
  return create(progId.c_str(), &iid, out);
}

}  // namespace kestrin::page
