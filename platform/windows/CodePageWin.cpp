// The system's code page on Windows: the real ANSI code page. Best-fit mapping is turned off, so
// a character outside the code page becomes its default character, as on Linux, rather than a
// look-alike (best fit can turn an innocent character into a separator such as "\").
#include <windows.h>

#include "../../settings/CodePage.h"

namespace kestrin {

std::string ToCodePage(std::u16string_view text) {
  if (text.empty()) return {};
  const auto* w = reinterpret_cast<const wchar_t*>(text.data());
  const int n = static_cast<int>(text.size());
  const int bytes = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, w, n, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(bytes > 0 ? bytes : 0), '\0');
  if (bytes > 0) WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, w, n, out.data(), bytes, nullptr, nullptr);
  return out;
}

std::u16string FromCodePage(std::string_view bytes) {
  if (bytes.empty()) return {};
  const int n = static_cast<int>(bytes.size());
  const int chars = MultiByteToWideChar(CP_ACP, 0, bytes.data(), n, nullptr, 0);
  std::u16string out(static_cast<std::size_t>(chars > 0 ? chars : 0), u'\0');
  if (chars > 0) MultiByteToWideChar(CP_ACP, 0, bytes.data(), n, reinterpret_cast<wchar_t*>(out.data()), chars);
  return out;
}

std::u16string UpperCase(std::u16string_view text) {
  std::u16string out(text);
  if (!out.empty()) CharUpperBuffW(reinterpret_cast<wchar_t*>(out.data()), static_cast<DWORD>(out.size()));
  return out;
}

}  // namespace kestrin
