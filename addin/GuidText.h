// GUIDs as registry text: "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper case.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "ComPtr.h"

namespace kestrin {

inline std::string GuidToText(const Guid& g) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out = "{";
  auto put = [&](std::uint32_t value, int nibbles) {
    for (int i = nibbles - 1; i >= 0; --i) out += digits[(value >> (4 * i)) & 0xF];
  };
  put(g.data1, 8);
  out += '-';
  put(g.data2, 4);
  out += '-';
  put(g.data3, 4);
  out += '-';
  put(g.data4[0], 2);
  put(g.data4[1], 2);
  out += '-';
  for (int i = 2; i < 8; ++i) put(g.data4[i], 2);
  out += '}';
  return out;
}

// Any letter case; false (and *out untouched) when the text is not exactly that form.
inline bool TextToGuid(std::string_view text, Guid* out) {
  if (text.size() != 38 || text.front() != '{' || text.back() != '}') return false;
  std::uint8_t bytes[16];
  int n = 0;
  for (std::size_t i = 1; i < 37;) {
    if (i == 9 || i == 14 || i == 19 || i == 24) {
      if (text[i] != '-') return false;
      ++i;
      continue;
    }
    auto nibble = [](char c) -> int {
      if (c >= '0' && c <= '9') return c - '0';
      if (c >= 'a' && c <= 'f') return c - 'a' + 10;
      if (c >= 'A' && c <= 'F') return c - 'A' + 10;
      return -1;
    };
    const int hi = nibble(text[i]), lo = nibble(text[i + 1]);
    if (hi < 0 || lo < 0) return false;
    bytes[n++] = static_cast<std::uint8_t>(hi * 16 + lo);
    i += 2;
  }
  Guid g{};
  g.data1 = (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) | (std::uint32_t{bytes[2]} << 8) | bytes[3];
  g.data2 = static_cast<std::uint16_t>((bytes[4] << 8) | bytes[5]);
  g.data3 = static_cast<std::uint16_t>((bytes[6] << 8) | bytes[7]);
  for (int i = 0; i < 8; ++i) g.data4[i] = bytes[8 + i];
  *out = g;
  return true;
}

}  // namespace kestrin
