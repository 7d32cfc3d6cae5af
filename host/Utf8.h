// UTF-8 (the terminal's and the files' encoding) to and from UTF-16 (the add-in's text).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kestrin::host {

// Null when the bytes are not valid UTF-8.
std::optional<std::u16string> Utf8ToUtf16(std::string_view utf8);
// Unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view utf16);

}  // namespace kestrin::host
