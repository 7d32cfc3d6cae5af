#include "DomainList.h"

namespace kestrin {

std::vector<std::u16string> SplitDomainList(std::u16string_view stored) {
  // Every field but the last: the text after the final ";" is never an entry.
  std::vector<std::u16string> entries;
  std::size_t start = 0;
  for (std::size_t pos; (pos = stored.find(u';', start)) != std::u16string_view::npos; start = pos + 1)
    entries.emplace_back(stored.substr(start, pos - start));
  return entries;
}

}  // namespace kestrin
