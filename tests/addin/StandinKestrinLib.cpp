// A stand-in KestrinLIB for the add-in's tests: the two exports, answering from the profile
// (the sender of the item with that entry identifier; membership in the address book). Built in
// variants that lack one export, to exercise the binding's look-up failures.
#include <cstdint>
#include <cstring>
#include <string>

#include "standin/Profile.h"

using kestrin::standin::AbContainer;
using kestrin::standin::Bytes;
using kestrin::standin::Profile;

#if defined(_WIN32)
#define STANDIN_EXPORT extern "C"  // compiled into the test program, found by InProcessLoader
#else
#define STANDIN_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

bool KeyIsGood(const char* key) { return key && std::strncmp(key, "463079", 6) == 0; }

bool ParseHex(const char* text, Bytes* out) {
  auto nibble = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
  };
  const std::size_t n = std::strlen(text);
  if (n % 2) return false;
  for (std::size_t i = 0; i < n; i += 2) {
    const int hi = nibble(text[i]), lo = nibble(text[i + 1]);
    if (hi < 0 || lo < 0) return false;
    out->push_back(static_cast<std::uint8_t>(hi * 16 + lo));
  }
  return true;
}

bool SameAddress(const std::string& a, const char* b) {
  if (a.size() != std::strlen(b)) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto up = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
    if (up(a[i]) != up(b[i])) return false;
  }
  return true;
}

bool InContainer(const AbContainer& c, const char* address) {
  for (const auto& e : c.entries)
    if (e.address && SameAddress(*e.address, address)) return true;
  for (const auto& child : c.children)
    if (InContainer(*child, address)) return true;
  return false;
}

}  // namespace

#ifndef STANDIN_WITHOUT_GET_SENDER_ADDRESS
STANDIN_EXPORT std::int32_t GetSenderAddress(const char* key, const char* entryIdHex, char** addressBuffer) {
  Profile::Current().Call("KestrinLIB.GetSenderAddress");
  if (!KeyIsGood(key) || !entryIdHex || !addressBuffer || !*addressBuffer) return 0;
  Bytes id;
  if (!ParseHex(entryIdHex, &id)) return 0;
  auto* item = Profile::Current().FindItemByEntryId(id);
  if (!item || !item->senderAddress) return 0;  // nothing written
  const std::string& a = *item->senderAddress;
  std::memcpy(*addressBuffer, a.data(), a.size() < 255 ? a.size() : 255);
  (*addressBuffer)[a.size() < 255 ? a.size() : 255] = '\0';
  return 1;
}
#endif

#ifndef STANDIN_WITHOUT_IS_SENDER_IN_ADDRESS_BOOK
STANDIN_EXPORT std::int32_t IsSenderInAddressBook(const char* key, const char* address) {
  Profile::Current().Call("KestrinLIB.IsSenderInAddressBook");
  if (!KeyIsGood(key) || !address || !*address) return 0;
  for (const auto& c : Profile::Current().TopContainers())
    if (c->displayName == "Outlook Address Book" && InContainer(*c, address)) return 1;
  return 0;
}
#endif
