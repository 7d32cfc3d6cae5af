#include "ComRegistration.h"

#include "../../addin/GuidText.h"

namespace kestrin::com {

namespace {
HRESULT FromStatus(RegStatus status) { return status == kErrorSuccess ? hr::ok : hr::FromWin32(status); }

HRESULT SetValue(Registry& registry, RegKey root, const std::string& path, const std::string& name,
                 std::uint32_t type, const std::uint8_t* data, std::uint32_t size) {
  RegKey key = 0;
  KESTRIN_RETURN_IF_FAILED(FromStatus(registry.CreateKey(root, path, &key)));
  const HRESULT written = FromStatus(registry.SetValue(key, name, type, data, size));
  SkipOnFailure(FromStatus(registry.CloseKey(key)));
  return written;
}

std::string Classes(const std::string& below) { return std::string(kClassesKey) + "\\" + below; }
}  // namespace

HRESULT SetString(Registry& registry, RegKey root, const std::string& path, const std::string& name,
                  const std::string& value) {
  return SetValue(registry, root, path, name, kRegSz, reinterpret_cast<const std::uint8_t*>(value.data()),
                  static_cast<std::uint32_t>(value.size()));
}

HRESULT SetDword(Registry& registry, RegKey root, const std::string& path, const std::string& name,
                 std::uint32_t value) {
  const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                                 static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
  return SetValue(registry, root, path, name, kRegDword, bytes, 4);
}

HRESULT DeleteKeyTree(Registry& registry, RegKey root, const std::string& path) {
  const RegStatus status = registry.DeleteTree(root, path);
  return status == kErrorFileNotFound ? hr::ok : FromStatus(status);
}

HRESULT RegisterClass(Registry& registry, const ClassRegistration& entry) {
  const std::string clsid = GuidToText(entry.clsid);
  const std::string classKey = Classes("CLSID\\" + clsid);
  auto all = [&]() -> HRESULT {
    KESTRIN_RETURN_IF_FAILED(SetString(registry, kHkeyCurrentUser, classKey, "", entry.className));
    KESTRIN_RETURN_IF_FAILED(
        SetString(registry, kHkeyCurrentUser, classKey + "\\InprocServer32", "", entry.libraryPath));
    KESTRIN_RETURN_IF_FAILED(SetString(registry, kHkeyCurrentUser, classKey + "\\InprocServer32",
                                       "ThreadingModel", entry.threadingModel));
    KESTRIN_RETURN_IF_FAILED(SetString(registry, kHkeyCurrentUser, classKey + "\\ProgID", "", entry.progId));
    if (entry.typeLib)
      KESTRIN_RETURN_IF_FAILED(
          SetString(registry, kHkeyCurrentUser, classKey + "\\TypeLib", "", GuidToText(*entry.typeLib)));
    return SetString(registry, kHkeyCurrentUser, Classes(entry.progId + "\\CLSID"), "", clsid);
  };
  return Failed(all()) ? hr::selfRegClass : hr::ok;
}

HRESULT UnregisterClass(Registry& registry, const Guid& clsid, const std::string& progId) {
  KESTRIN_RETURN_IF_FAILED(DeleteKeyTree(registry, kHkeyCurrentUser, Classes("CLSID\\" + GuidToText(clsid))));
  return DeleteKeyTree(registry, kHkeyCurrentUser, Classes(progId));
}

HRESULT RegisterTypeLib(Registry& registry, const Guid& libid, const std::string& version,
                        const std::string& description) {
  return SetString(registry, kHkeyCurrentUser, Classes("TypeLib\\" + GuidToText(libid) + "\\" + version), "",
                   description);
}

HRESULT UnregisterTypeLib(Registry& registry, const Guid& libid) {
  return DeleteKeyTree(registry, kHkeyCurrentUser, Classes("TypeLib\\" + GuidToText(libid)));
}

}  // namespace kestrin::com
