// colDomains: an ordered collection of texts, each stored under a key equal to its own text.
// Keys compare without regard to letter case, so adding a text that differs from an entry only
// in case is refused.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kestrin {

class DomainCollection {
 public:
  // False (and nothing added) when an entry with the same key, ignoring case, is there.
  [[nodiscard]] bool Add(std::u16string_view text);
  // Removes the first entry whose text equals text exactly; false when there is none.
  bool RemoveExact(std::u16string_view text);
  [[nodiscard]] bool ContainsKey(std::u16string_view key) const;

  const std::vector<std::u16string>& Entries() const { return entries_; }
  std::size_t Count() const { return entries_.size(); }
  bool Empty() const { return entries_.empty(); }
  auto begin() const { return entries_.begin(); }
  auto end() const { return entries_.end(); }

 private:
  std::vector<std::u16string> entries_;
  std::vector<std::u16string> keys_;  // upper-cased, parallel to entries_
};

}  // namespace kestrin
