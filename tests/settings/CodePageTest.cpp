#include <gtest/gtest.h>

#include <string>

#include "settings/CodePage.h"

namespace kestrin {
namespace {

TEST(CodePage, EveryByteSurvivesARoundTrip) {
  std::string all;
  for (int b = 1; b < 256; ++b) all.push_back(static_cast<char>(b));
  const std::u16string wide = FromCodePage(all);
  EXPECT_EQ(ToCodePage(wide), all);
}

TEST(CodePage, Windows1252Characters) {
  struct Row {
    std::u16string wide;
    std::string bytes;
  };
  const Row rows[] = {
      {u"\u20AC", "\x80"}, {u"\u0160", "\x8A"}, {u"\u0178", "\x9F"}, {u"\u00E9", "\xE9"},
      {u"\u00FF", "\xFF"}, {u"\u0101", "?"},    {u"\u2603", "?"},    {u"\U0001F600", "??"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(ToCodePage(row.wide), row.bytes) << static_cast<unsigned>(row.wide[0]);
  }
}

TEST(CodePage, UpperCasingKeepsLengthAndFoldsLetters) {
  struct Row {
    std::u16string in;
    std::u16string out;
  };
  const Row rows[] = {
      {u"pq.rs", u"PQ.RS"},
      {u"Mail.Example.COM", u"MAIL.EXAMPLE.COM"},
      {u"caf\u00E9\u00FF", u"CAF\u00C9\u0178"},
      {u"\u00F7\u00DF", u"\u00F7\u00DF"},  // division sign and sharp s have no one-letter capital
      {u"\u0101\u017E", u"\u0100\u017D"},
      {u"\u03B1\u03C2", u"\u0391\u03C2"},
      {u"\u0430\u0451", u"\u0410\u0401"},
      {u"1-_@ ", u"1-_@ "},
  };
  for (const Row& row : rows) EXPECT_EQ(UpperCase(row.in), row.out);
  EXPECT_TRUE(EqualsNoCase(u"Example.Com", u"eXAMPLE.cOM"));
  EXPECT_FALSE(EqualsNoCase(u"example.com", u"example.co"));
}

}  // namespace
}  // namespace kestrin
