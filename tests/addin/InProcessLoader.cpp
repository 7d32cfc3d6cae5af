#include "InProcessLoader.h"

#include <cstdint>
#include <cstring>

extern "C" std::int32_t GetSenderAddress(const char* key, const char* entryIdHex, char** addressBuffer);
extern "C" std::int32_t IsSenderInAddressBook(const char* key, const char* address);

namespace kestrin::test {

namespace {
// The variants of the stand-in library, by directory name, and what each exports.
struct Variant {
  const char* name;
  bool sender;
  bool book;
};
constexpr Variant kVariants[] = {{"full", true, true}, {"no-sender", false, true}, {"no-book", true, false}};
}  // namespace

HRESULT InProcessLoader::SupportLibraryPath(std::string* path) {
  *path = directory_ + "/KestrinLIB.dll";
  return hr::ok;
}

HRESULT InProcessLoader::Load(const std::string& fullPath, Handle* handle) {
  *handle = nullptr;
  for (const Variant& v : kVariants)
    if (fullPath == std::string("standin/") + v.name + "/KestrinLIB.dll") {
      *handle = const_cast<Variant*>(&v);
      return hr::ok;
    }
  return kModuleNotFound;
}

HRESULT InProcessLoader::Lookup(Handle handle, const char* name, Function* function) {
  *function = nullptr;
  const auto* v = static_cast<const Variant*>(handle);
  if (v->sender && std::strcmp(name, "GetSenderAddress") == 0)
    *function = reinterpret_cast<Function>(&GetSenderAddress);
  else if (v->book && std::strcmp(name, "IsSenderInAddressBook") == 0)
    *function = reinterpret_cast<Function>(&IsSenderInAddressBook);
  return *function ? hr::ok : kProcNotFound;
}

}  // namespace kestrin::test
