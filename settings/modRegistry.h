// The settings store: the product's registry key, its three values and the operations on them.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

#include "Registry.h"

namespace kestrin {

// A value as the store reads it: nothing, a text, or a 32-bit signed integer.
using RegistryValue = std::variant<std::monostate, std::u16string, std::int32_t>;

// Nothing as the empty text, a number as its decimal text.
std::u16string ValueAsText(const RegistryValue& value);
bool IsNothing(const RegistryValue& value);

// Where the settings live, and their value names.
inline constexpr RegKey kSettingsRoot = kHkeyCurrentUser;
inline constexpr char16_t kSettingsKey[] = u"Software\\Halvarn\\Kestrin";
inline constexpr char16_t kValueDestination[] = u"SpamDestinationFolderPath";
inline constexpr char16_t kValueDomains[] = u"ExcludedDomains";
inline constexpr char16_t kValueMarkRead[] = u"MarkSpamAsRead";

// Never fails: a missing key or value, another type and a failed read give nothing; an
// unexpected failure gives the empty text.
RegistryValue ReadRegistryValue(Registry& registry, RegKey root, std::u16string_view keyPath,
                                std::u16string_view valueName) noexcept;
RegistryValue ReadRegistryValue(RegKey root, std::u16string_view keyPath,
                                std::u16string_view valueName) noexcept;

// True once the key was created or opened and the write attempted; false for an empty key path
// or a failure while converting (a text that is no number, for REG_DWORD).
bool WriteRegistryValue(Registry& registry, RegKey root, std::u16string_view keyPath,
                        std::u16string_view valueName, const RegistryValue& value,
                        std::uint32_t valueType) noexcept;
bool WriteRegistryValue(RegKey root, std::u16string_view keyPath, std::u16string_view valueName,
                        const RegistryValue& value, std::uint32_t valueType) noexcept;

// The inner steps on an open key. QueryValueData: 0, the registry's error code, or -1 for an
// unsupported type (value left as it was then). SetValueData: the write's status, 0 when the
// type is neither REG_SZ nor REG_DWORD (nothing written).
std::int32_t QueryValueData(Registry& registry, RegKey key, std::u16string_view valueName,
                            RegistryValue& value);
std::int32_t SetValueData(Registry& registry, RegKey key, std::u16string_view valueName,
                          std::uint32_t valueType, const RegistryValue& value);

// "Y"/"N". Null (nothing) is false; a number is taken as its decimal text.
bool YesNoToBool(const RegistryValue& value);
std::u16string BoolToYesNo(bool value);

}  // namespace kestrin
