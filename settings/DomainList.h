// The accepted-domain list as stored: every entry followed by ";". Readers take every field but
// the last; the writer puts ";" after each entry.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kestrin {

std::vector<std::u16string> SplitDomainList(std::u16string_view stored);

template <class Range>
std::u16string JoinDomainList(const Range& entries) {
  std::u16string out;
  for (const auto& entry : entries) {
    out += entry;
    out += u';';
  }
  return out;
}

}  // namespace kestrin
