// The system code page on Linux: Windows-1252. Bytes 0x80-0x9F map as Windows maps them; the
// five bytes Windows leaves undefined there (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 control
// characters of the same value, both ways, as Windows' own conversion does, so every byte
// survives a round trip. A character outside the code page becomes the default character '?'
// (no best-fit: "é" stays é, but "ā" becomes "?", not "a").
//
// Upper-casing: simple one-to-one mappings for Latin-1, Latin Extended-A, Greek and Cyrillic, the
// letters a mail address or a domain name may hold; other characters stay as they are. Lengths
// never change, so upper-cased keys compare position by position.
#include "../../settings/CodePage.h"

#include <array>
#include <cstdint>

namespace kestrin {

namespace {

constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

char ByteOf(char16_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
  for (std::size_t i = 0; i < kHigh.size(); ++i)
    if (kHigh[i] == c) return static_cast<char>(0x80 + i);
  return '?';
}

char16_t Upper(char16_t c) {
  if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 0x20);
  if (c < 0x80) return c;
  if ((c >= 0xE0 && c <= 0xFE && c != 0xF7)) return static_cast<char16_t>(c - 0x20);
  if (c == 0xFF) return 0x178;
  if (c == 0xB5) return 0x39C;  // micro sign
  // Latin Extended-A: pairs of capital (even) and small (odd), shifted by one in 0x139-0x148
  // and 0x179-0x17E; 0x131 (dotless i) and 0x138 (kra) stand apart.
  if (c >= 0x100 && c <= 0x137 && c != 0x131) return (c & 1) ? static_cast<char16_t>(c - 1) : c;
  if (c == 0x131) return u'I';
  if (c >= 0x139 && c <= 0x148) return (c & 1) ? c : static_cast<char16_t>(c - 1);
  if (c >= 0x14A && c <= 0x177) return (c & 1) ? static_cast<char16_t>(c - 1) : c;
  if (c >= 0x179 && c <= 0x17E) return (c & 1) ? c : static_cast<char16_t>(c - 1);
  if (c == 0x17F) return u'S';  // long s
  if (c == 0x192) return 0x191;
  // Greek
  if (c >= 0x3B1 && c <= 0x3C1) return static_cast<char16_t>(c - 0x20);
  if (c == 0x3C2) return c;  // final sigma stays, as Windows keeps it
  if (c >= 0x3C3 && c <= 0x3CB) return static_cast<char16_t>(c - 0x20);
  if (c == 0x3AC) return 0x386;
  if (c >= 0x3AD && c <= 0x3AF) return static_cast<char16_t>(c - 0x25);
  if (c == 0x3CC) return 0x38C;
  if (c == 0x3CD || c == 0x3CE) return static_cast<char16_t>(c - 0x3F);
  // Cyrillic
  if (c >= 0x430 && c <= 0x44F) return static_cast<char16_t>(c - 0x20);
  if (c >= 0x450 && c <= 0x45F) return static_cast<char16_t>(c - 0x50);
  // Full-width Latin
  if (c >= 0xFF41 && c <= 0xFF5A) return static_cast<char16_t>(c - 0x20);
  return c;
}

}  // namespace

std::string ToCodePage(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  // One byte per UTF-16 unit: a character beyond the BMP becomes two default characters, as
  // Windows converts it.
  for (const char16_t c : text) out.push_back(ByteOf(c));
  return out;
}

std::u16string FromCodePage(std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  for (const char ch : bytes) {
    const auto b = static_cast<std::uint8_t>(ch);
    out.push_back(b >= 0x80 && b < 0xA0 ? kHigh[b - 0x80] : static_cast<char16_t>(b));
  }
  return out;
}

std::u16string UpperCase(std::u16string_view text) {
  std::u16string out(text);
  for (char16_t& c : out) c = Upper(c);
  return out;
}

}  // namespace kestrin
