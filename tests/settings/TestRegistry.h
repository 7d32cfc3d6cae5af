// The registry the settings tests run against: a fresh SQLite hive on Linux, the real registry
// through advapi32 under Wine.
#pragma once

#include <memory>
#include <string>

#include "settings/Registry.h"

namespace kestrin::test {

std::unique_ptr<Registry> MakeTestRegistry();
// Where the platform keeps registry tests apart (a name that is safe to delete).
inline constexpr char16_t kTestKey[] = u"Software\\Halvarn\\KestrinTest";

}  // namespace kestrin::test
