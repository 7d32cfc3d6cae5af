#include "modRegistry.h"

#include <charconv>
#include <limits>
#include <stdexcept>
#include <vector>

#include "CodePage.h"

namespace kestrin {

namespace {

// Closes an open key at scope end; a null handle is closed too, as the store does.
class KeyHolder {
 public:
  explicit KeyHolder(Registry& registry) : registry_(registry) {}
  KeyHolder(const KeyHolder&) = delete;
  KeyHolder& operator=(const KeyHolder&) = delete;
  ~KeyHolder() { registry_.CloseKey(key_); }
  RegKey* put() { return &key_; }
  RegKey get() const { return key_; }

 private:
  Registry& registry_;
  RegKey key_ = 0;
};

bool ToInt32(const RegistryValue& value, std::int32_t& out) {
  if (const auto* n = std::get_if<std::int32_t>(&value)) {
    out = *n;
    return true;
  }
  if (const auto* t = std::get_if<std::u16string>(&value)) {
    // Decimal text, an optional sign, nothing else; out of range does not convert.
    const std::string bytes = ToCodePage(*t);
    long long parsed = 0;
    const char* first = bytes.data();
    const char* last = bytes.data() + bytes.size();
    if (first != last && *first == '+') ++first;
    auto [ptr, ec] = std::from_chars(first, last, parsed);
    if (ec != std::errc() || ptr != last || first == last) return false;
    if (parsed < std::numeric_limits<std::int32_t>::min() ||
        parsed > std::numeric_limits<std::int32_t>::max())
      return false;
    out = static_cast<std::int32_t>(parsed);
    return true;
  }
  return false;  // nothing does not convert to a number
}

}  // namespace

std::u16string ValueAsText(const RegistryValue& value) {
  if (const auto* t = std::get_if<std::u16string>(&value)) return *t;
  if (const auto* n = std::get_if<std::int32_t>(&value)) {
    const std::string s = std::to_string(*n);
    return std::u16string(s.begin(), s.end());
  }
  return {};
}

bool IsNothing(const RegistryValue& value) { return std::holds_alternative<std::monostate>(value); }

std::int32_t QueryValueData(Registry& registry, RegKey key, std::u16string_view valueName,
                            RegistryValue& value) {
  const std::string name = ToCodePage(valueName);
  std::uint32_t type = 0;
  std::uint32_t size = 0;
  const RegStatus asked = registry.QueryValue(key, name, &type, nullptr, &size);
  if (asked != kErrorSuccess) return asked;

  if (type == kRegSz) {
    std::vector<std::uint8_t> buffer(size, 0);
    std::uint32_t got = size;
    const RegStatus read = registry.QueryValue(key, name, nullptr, buffer.data(), &got);
    if (read == kErrorSuccess) {
      // Exactly the bytes the read reports: a stored terminating NUL is among them.
      value = FromCodePage(std::string_view(reinterpret_cast<const char*>(buffer.data()),
                                            got < size ? got : size));
    } else {
      value = std::monostate{};
    }
    return read;
  }
  if (type == kRegDword) {
    std::uint8_t bytes[4] = {};
    std::uint32_t got = sizeof bytes;
    const RegStatus read = registry.QueryValue(key, name, nullptr, bytes, &got);
    if (read == kErrorSuccess && got == sizeof bytes) {
      const std::uint32_t u = static_cast<std::uint32_t>(bytes[0]) |
                              static_cast<std::uint32_t>(bytes[1]) << 8 |
                              static_cast<std::uint32_t>(bytes[2]) << 16 |
                              static_cast<std::uint32_t>(bytes[3]) << 24;
      value = static_cast<std::int32_t>(u);
    }
    return read;
  }
  return -1;
}

RegistryValue ReadRegistryValue(Registry& registry, RegKey root, std::u16string_view keyPath,
                                std::u16string_view valueName) noexcept {
  try {
    KeyHolder key(registry);
    (void)registry.OpenKey(root, ToCodePage(keyPath), key.put());  // a failed open leaves null
    RegistryValue value;
    (void)QueryValueData(registry, key.get(), valueName, value);
    if (auto* t = std::get_if<std::u16string>(&value); t && !t->empty() && t->back() == u'\0')
      t->pop_back();
    return value;
  } catch (...) {
    return std::u16string();
  }
}

RegistryValue ReadRegistryValue(RegKey root, std::u16string_view keyPath,
                                std::u16string_view valueName) noexcept {
  try {
    return ReadRegistryValue(SystemRegistry(), root, keyPath, valueName);
  } catch (...) {
    return std::u16string();
  }
}

std::int32_t SetValueData(Registry& registry, RegKey key, std::u16string_view valueName,
                          std::uint32_t valueType, const RegistryValue& value) {
  const std::string name = ToCodePage(valueName);
  if (valueType == kRegSz) {
    const std::string bytes = ToCodePage(ValueAsText(value));
    return registry.SetValue(key, name, kRegSz, reinterpret_cast<const std::uint8_t*>(bytes.data()),
                             static_cast<std::uint32_t>(bytes.size()));
  }
  if (valueType == kRegDword) {
    std::int32_t n = 0;
    if (!ToInt32(value, n)) throw std::invalid_argument("value is not a 32-bit number");
    const auto u = static_cast<std::uint32_t>(n);
    const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(u), static_cast<std::uint8_t>(u >> 8),
                                   static_cast<std::uint8_t>(u >> 16), static_cast<std::uint8_t>(u >> 24)};
    return registry.SetValue(key, name, kRegDword, bytes, sizeof bytes);
  }
  return 0;
}

bool WriteRegistryValue(Registry& registry, RegKey root, std::u16string_view keyPath,
                        std::u16string_view valueName, const RegistryValue& value,
                        std::uint32_t valueType) noexcept {
  try {
    if (!keyPath.empty() && keyPath.front() == u'\\')
      keyPath.remove_prefix(1);
    else if (keyPath.empty())
      return false;
    KeyHolder key(registry);
    (void)registry.CreateKey(root, ToCodePage(keyPath), key.put());
    (void)SetValueData(registry, key.get(), valueName, valueType, value);
    return true;
  } catch (...) {
    return false;
  }
}

bool WriteRegistryValue(RegKey root, std::u16string_view keyPath, std::u16string_view valueName,
                        const RegistryValue& value, std::uint32_t valueType) noexcept {
  try {
    return WriteRegistryValue(SystemRegistry(), root, keyPath, valueName, value, valueType);
  } catch (...) {
    return false;
  }
}

bool YesNoToBool(const RegistryValue& value) {
  if (IsNothing(value)) return false;
  std::u16string text = UpperCase(ValueAsText(value));
  const auto first = text.find_first_not_of(u' ');
  if (first == std::u16string::npos) return false;
  const auto last = text.find_last_not_of(u' ');
  return text.substr(first, last - first + 1) == u"Y";
}

std::u16string BoolToYesNo(bool value) { return value ? u"Y" : u"N"; }

}  // namespace kestrin
