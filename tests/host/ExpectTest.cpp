// A step's expectation is a partial picture of its output.
#include <gtest/gtest.h>

#include "host/Expect.h"

namespace kestrin::host {
namespace {

Json Parse(const char* text) {
  JsonError error;
  auto v = ParseJson(text, &error);
  EXPECT_TRUE(v.has_value()) << text << ": " << error.message;
  return v ? *v : Json();
}

TEST(ExpectTest, MatchesPartsAndReportsEveryDifference) {
  const Json actual = Parse(R"({"hr": "E_FAIL", "outcome": "connected",
      "state": {"addin": {"loaded": true, "attached": false},
                "items": [{"id": "a", "folder": "\\P\\Inbox", "unread": true}, {"id": "b", "folder": null, "unread": false}]}})");
  struct Case {
    const char* name;
    const char* expected;
    std::vector<std::string> paths;  // where it differs; empty: it matches
  };
  const Case cases[] = {
      {"nothing asked", "{}", {}},
      {"a member of a member", R"({"state": {"addin": {"attached": false}}})", {}},
      {"hr by name", R"({"hr": "E_FAIL"})", {}},
      {"hr by hex", R"({"hr": "0x80004005"})", {}},
      {"hr by number", R"({"hr": -2147467259})", {}},
      {"any failure", R"({"hr": "FAILED"})", {}},
      {"not a success", R"({"hr": "SUCCEEDED"})", {"$.hr"}},
      {"another hr", R"({"hr": "S_OK"})", {"$.hr"}},
      {"array elements in order, each partial", R"({"state": {"items": [{"id": "a"}, {"folder": null}]}})", {}},
      {"array too short", R"({"state": {"items": [{"id": "a"}]}})", {"$.state.items"}},
      {"wrong element", R"({"state": {"items": [{"id": "b"}, {}]}})", {"$.state.items[0].id"}},
      {"two differences", R"({"outcome": "failed", "state": {"addin": {"loaded": false}}})",
       {"$.outcome", "$.state.addin.loaded"}},
      {"absent member", R"({"canUnloadNow": true})", {"$.canUnloadNow"}},
      {"kind differs", R"({"state": []})", {"$.state"}},
      {"null is not false", R"({"state": {"items": [{}, {"unread": null}]}})", {"$.state.items[1].unread"}},
  };
  for (const Case& c : cases) {
    std::vector<Mismatch> out;
    MatchExpected(Parse(c.expected), actual, "$", out);
    std::vector<std::string> paths;
    for (const Mismatch& m : out) paths.push_back(m.path);
    EXPECT_EQ(paths, c.paths) << c.name;
  }
}

}  // namespace
}  // namespace kestrin::host
