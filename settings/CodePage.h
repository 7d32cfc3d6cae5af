// Wide text (UTF-16, as a BSTR holds it) to and from the system's single-byte code page, and the
// system's upper-casing. On Windows these are the real ANSI code page and CharUpperBuffW; on
// Linux, Windows-1252 with its default character '?' for anything outside it, and a table of
// simple case mappings (see platform/linux/CodePage1252.cpp).
#pragma once

#include <string>
#include <string_view>

namespace kestrin {

// Wide text to code-page bytes. Characters the code page cannot hold become its default character.
std::string ToCodePage(std::u16string_view text);

// Code-page bytes to wide text. Every byte maps to some character: nothing is lost or dropped.
std::u16string FromCodePage(std::string_view bytes);

// The system's upper-casing, used for every case-insensitive comparison.
std::u16string UpperCase(std::u16string_view text);

// Equality without regard to letter case, through UpperCase.
bool EqualsNoCase(std::u16string_view a, std::u16string_view b);

}  // namespace kestrin
