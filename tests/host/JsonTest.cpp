// The scenario reader's JSON: what it accepts, and where and why it refuses.
#include <gtest/gtest.h>

#include "host/Json.h"

namespace kestrin::host {
namespace {

struct BadCase {
  const char* name;
  const char* text;
  int line;
  int col;
  const char* message;  // a part of the message
};

TEST(JsonTest, RefusesMalformedTextNamingLineAndColumn) {
  const BadCase cases[] = {
      {"empty", "", 1, 1, "empty"},
      {"only space", " \n ", 2, 2, "empty"},
      {"trailing comma in object", "{\"a\": 1,\n }", 2, 2, "trailing ','"},
      {"trailing comma in array", "[1, 2, ]", 1, 8, "trailing ','"},
      {"missing colon", "{\"a\" 1}", 1, 6, "expected ':'"},
      {"unquoted key", "{a: 1}", 1, 2, "double quotes"},
      {"missing comma", "[1 2]", 1, 4, "expected ',' or ']'"},
      {"unclosed string", "{\"a\": \"abc}", 1, 7, "not closed"},
      {"string across lines", "[\"ab\ncd\"]", 1, 2, "end of its line"},
      {"bad escape", "[\"C:\\Users\"]", 1, 5, "unknown escape"},
      {"lone low surrogate", "[\"\\udc00\"]", 1, 3, "low surrogate"},
      {"high surrogate alone", "[\"\\ud800x\"]", 1, 3, "high surrogate"},
      {"short unicode escape", "[\"\\u12\"]", 1, 7, "four hexadecimal"},
      {"leading zero", "[01]", 1, 2, "leading zeros"},
      {"bare minus", "[-]", 1, 3, "digits after '-'"},
      {"fraction without digits", "[1.]", 1, 4, "after '.'"},
      {"exponent without digits", "[1e+]", 1, 5, "exponent"},
      {"misspelt literal", "[tru]", 1, 2, "true"},
      {"duplicate key", "{\"a\": 1, \"a\": 2}", 1, 10, "duplicate member \"a\""},
      {"two values", "{} {}", 1, 4, "after the end"},
      {"unclosed object", "{\"a\": 1", 1, 8, "end of file"},
      {"control character", "[\"a\tb\"]", 1, 4, "control character"},
      {"invalid UTF-8", "[\"\xC3\x28\"]", 1, 3, "UTF-8"},
      {"overlong UTF-8", "[\"\xC0\xAF\"]", 1, 3, "UTF-8"},
      {"column counts characters", "{\"é\": x}", 1, 7, "expected a value"},
      {"comment", "// note\n{}", 1, 1, "expected a value"},
  };
  for (const BadCase& c : cases) {
    JsonError error;
    EXPECT_FALSE(ParseJson(c.text, &error).has_value()) << c.name;
    EXPECT_EQ(error.pos.line, c.line) << c.name << ": " << error.message;
    EXPECT_EQ(error.pos.col, c.col) << c.name << ": " << error.message;
    EXPECT_NE(error.message.find(c.message), std::string::npos) << c.name << ": " << error.message;
  }
}

TEST(JsonTest, RefusesDeepNestingInsteadOfOverflowingTheStack) {
  const std::string deep(100000, '[');
  JsonError error;
  EXPECT_FALSE(ParseJson(deep, &error).has_value());
  EXPECT_NE(error.message.find("nested too deeply"), std::string::npos) << error.message;
}

TEST(JsonTest, ReadsValuesWithTheirPositions) {
  JsonError error;
  const auto v = ParseJson("\xEF\xBB\xBF{\"n\": -12, \"big\": 9007199254740993, \"x\": 1.5e2,\n"
                           " \"s\": \"a\\\"\\\\\\/\\b\\f\\n\\r\\t\\u00e9\\ud83d\\ude00\", \"l\": [true, false, null]}",
                           &error);
  ASSERT_TRUE(v.has_value()) << error.message;
  EXPECT_EQ(v->Find("n")->AsInt(), -12);
  EXPECT_TRUE(v->Find("big")->IsInteger());
  EXPECT_EQ(v->Find("big")->AsInt(), 9007199254740993LL);  // exact, beyond a double's integers
  EXPECT_FALSE(v->Find("x")->IsInteger());
  EXPECT_EQ(v->Find("x")->AsDouble(), 150.0);
  EXPECT_EQ(v->Find("s")->AsString(), "a\"\\/\b\f\n\r\t\xC3\xA9\xF0\x9F\x98\x80");
  EXPECT_EQ(v->Find("l")->Elements().size(), 3u);
  EXPECT_EQ(v->Find("s")->pos().line, 2);
  EXPECT_EQ(v->Find("s")->pos().col, 7);
  // Members keep the order written.
  ASSERT_EQ(v->Members().size(), 5u);
  EXPECT_EQ(v->Members()[0].first, "n");
  EXPECT_EQ(v->Members()[4].first, "l");
}

TEST(JsonTest, WrittenTextReadsBackEqual) {
  Json v = Json::Object();
  v.Set("path", "\\Personal Folders\\Inbox");
  v.Set("quote", "say \"hi\"\n\x01");
  v.Set("n", static_cast<std::int64_t>(-2147467259));
  v.Set("d", 0.1);
  v.Set("list", Json::Array()).Push(true);
  v.Set("empty", Json::Object());
  for (int indent : {-1, 2}) {
    JsonError error;
    const auto back = ParseJson(v.Dump(indent), &error);
    ASSERT_TRUE(back.has_value()) << indent << ": " << error.message << "\n" << v.Dump(indent);
    EXPECT_TRUE(*back == v) << v.Dump(indent);
  }
  EXPECT_EQ(Json("a\x01").Dump(), "\"a\\u0001\"");
}

}  // namespace
}  // namespace kestrin::host
