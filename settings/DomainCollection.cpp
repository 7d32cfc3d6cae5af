#include "DomainCollection.h"

#include "CodePage.h"

namespace kestrin {

bool DomainCollection::Add(std::u16string_view text) {
  std::u16string key = UpperCase(text);
  for (const auto& k : keys_)
    if (k == key) return false;
  entries_.emplace_back(text);
  keys_.push_back(std::move(key));
  return true;
}

bool DomainCollection::RemoveExact(std::u16string_view text) {
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    if (entries_[i] == text) {
      entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(i));
      keys_.erase(keys_.begin() + static_cast<std::ptrdiff_t>(i));
      return true;
    }
  }
  return false;
}

bool DomainCollection::ContainsKey(std::u16string_view key) const {
  const std::u16string upper = UpperCase(key);
  for (const auto& k : keys_)
    if (k == upper) return true;
  return false;
}

}  // namespace kestrin
