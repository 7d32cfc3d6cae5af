#include "AdvapiRegistry.h"

#include <windows.h>

namespace kestrin {

namespace {
HKEY H(RegKey k) { return reinterpret_cast<HKEY>(k); }
}  // namespace

RegStatus AdvapiRegistry::OpenKey(RegKey root, const std::string& path, RegKey* out) {
  HKEY k = nullptr;
  const LONG s = RegOpenKeyA(H(root), path.c_str(), &k);
  *out = reinterpret_cast<RegKey>(k);
  return static_cast<RegStatus>(s);
}

RegStatus AdvapiRegistry::CreateKey(RegKey root, const std::string& path, RegKey* out) {
  HKEY k = nullptr;
  const LONG s = RegCreateKeyA(H(root), path.c_str(), &k);
  *out = reinterpret_cast<RegKey>(k);
  return static_cast<RegStatus>(s);
}

RegStatus AdvapiRegistry::QueryValue(RegKey key, const std::string& name, std::uint32_t* type,
                                     std::uint8_t* data, std::uint32_t* size) {
  DWORD t = 0;
  DWORD n = size ? *size : 0;
  const LONG s = RegQueryValueExA(H(key), name.c_str(), nullptr, &t, data, size ? &n : nullptr);
  if (type) *type = t;
  if (size) *size = n;
  return static_cast<RegStatus>(s);
}

RegStatus AdvapiRegistry::SetValue(RegKey key, const std::string& name, std::uint32_t type,
                                   const std::uint8_t* data, std::uint32_t size) {
  return static_cast<RegStatus>(RegSetValueExA(H(key), name.c_str(), 0, type, data, size));
}

RegStatus AdvapiRegistry::CloseKey(RegKey key) { return static_cast<RegStatus>(RegCloseKey(H(key))); }

RegStatus AdvapiRegistry::DeleteTree(RegKey root, const std::string& path) {
  // RegDeleteTreeA exists from Vista on; a recursive walk keeps Outlook 2002's Windows working.
  HKEY k = nullptr;
  LONG s = RegOpenKeyExA(H(root), path.c_str(), 0, KEY_READ | KEY_WRITE, &k);
  if (s != ERROR_SUCCESS) return static_cast<RegStatus>(s);
  char child[256];
  for (;;) {
    DWORD len = sizeof child;
    if (RegEnumKeyExA(k, 0, child, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    const std::string sub = path.empty() ? std::string(child) : path + "\\" + child;
    if ((s = DeleteTree(root, sub)) != ERROR_SUCCESS) break;
  }
  RegCloseKey(k);
  return static_cast<RegStatus>(RegDeleteKeyA(H(root), path.c_str()));
}

RegStatus AdvapiRegistry::DeleteValue(RegKey key, const std::string& name) {
  return static_cast<RegStatus>(RegDeleteValueA(H(key), name.c_str()));
}

Registry& SystemRegistry() {
  static AdvapiRegistry registry;
  return registry;
}

}  // namespace kestrin
