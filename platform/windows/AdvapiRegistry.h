// The registry interface over advapi32's code-page functions.
#pragma once

#include "../../settings/Registry.h"

namespace kestrin {

class AdvapiRegistry final : public Registry {
 public:
  RegStatus OpenKey(RegKey root, const std::string& path, RegKey* out) override;
  RegStatus CreateKey(RegKey root, const std::string& path, RegKey* out) override;
  RegStatus QueryValue(RegKey key, const std::string& name, std::uint32_t* type, std::uint8_t* data,
                       std::uint32_t* size) override;
  RegStatus SetValue(RegKey key, const std::string& name, std::uint32_t type,
                     const std::uint8_t* data, std::uint32_t size) override;
  RegStatus CloseKey(RegKey key) override;
  RegStatus DeleteTree(RegKey root, const std::string& path) override;
  RegStatus DeleteValue(RegKey key, const std::string& name) override;
};

}  // namespace kestrin
