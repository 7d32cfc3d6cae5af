// The registry of this process on Linux: the user's hive, opened at first use. When it cannot be
// opened (a damaged or foreign file), every call fails with the registry's own code and the file
// is left as it is: inside Outlook's place the system stays silent, reads give nothing.
#include <memory>

#include "SqliteHive.h"

namespace kestrin {

namespace {

class UnavailableRegistry final : public Registry {
 public:
  RegStatus OpenKey(RegKey, const std::string&, RegKey*) override { return kErrorRegistryCorrupt; }
  RegStatus CreateKey(RegKey, const std::string&, RegKey*) override { return kErrorRegistryCorrupt; }
  RegStatus QueryValue(RegKey, const std::string&, std::uint32_t*, std::uint8_t*, std::uint32_t*) override {
    return kErrorRegistryCorrupt;
  }
  RegStatus SetValue(RegKey, const std::string&, std::uint32_t, const std::uint8_t*, std::uint32_t) override {
    return kErrorRegistryCorrupt;
  }
  RegStatus CloseKey(RegKey) override { return kErrorSuccess; }
  RegStatus DeleteTree(RegKey, const std::string&) override { return kErrorRegistryCorrupt; }
  RegStatus DeleteValue(RegKey, const std::string&) override { return kErrorRegistryCorrupt; }
};

}  // namespace

Registry& SystemRegistry() {
  static std::unique_ptr<Registry> registry = []() -> std::unique_ptr<Registry> {
    if (auto hive = SqliteHive::Open(DefaultHivePath(), SqliteHive::Mode::ReadWrite, nullptr)) return hive;
    return std::make_unique<UnavailableRegistry>();
  }();
  return *registry;
}

}  // namespace kestrin
