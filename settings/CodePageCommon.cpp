#include "CodePage.h"

namespace kestrin {

bool EqualsNoCase(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() && UpperCase(a) == UpperCase(b);
}

}  // namespace kestrin
