#include "Expect.h"

#include "ScenarioNode.h"

namespace kestrin::host {

namespace {

std::string Short(const Json& v) {
  std::string s = v.Dump(-1);
  if (s.size() > 200) s = s.substr(0, 197) + "...";
  return s;
}

bool IsHrKey(const std::string& path) {
  return path.size() >= 3 && path.compare(path.size() - 3, 3, ".hr") == 0;
}

}  // namespace

void MatchExpected(const Json& expected, const Json& actual, const std::string& path,
                   std::vector<Mismatch>& out) {
  if (IsHrKey(path) && (expected.IsString() || expected.IsInteger()) && actual.IsString()) {
    const auto a = ParseHResult(actual.AsString());
    if (expected.IsString() && (expected.AsString() == "FAILED" || expected.AsString() == "SUCCEEDED")) {
      const bool wantFailure = expected.AsString() == "FAILED";
      if (!a || Failed(*a) != wantFailure) out.push_back({path, expected.pos(), Short(expected), Short(actual)});
      return;
    }
    std::optional<HRESULT> e;
    if (expected.IsString()) e = ParseHResult(expected.AsString());
    else e = static_cast<HRESULT>(static_cast<std::uint32_t>(expected.AsInt()));
    if (!e || !a || *e != *a) out.push_back({path, expected.pos(), Short(expected), Short(actual)});
    return;
  }
  if (expected.IsObject()) {
    if (!actual.IsObject()) {
      out.push_back({path, expected.pos(), "an object", Short(actual)});
      return;
    }
    for (const auto& [key, value] : expected.Members()) {
      const Json* a = actual.Find(key);
      if (!a) {
        out.push_back({path + "." + key, value.pos(), Short(value), "(no such member)"});
        continue;
      }
      MatchExpected(value, *a, path + "." + key, out);
    }
    return;
  }
  if (expected.IsArray()) {
    if (!actual.IsArray()) {
      out.push_back({path, expected.pos(), "an array", Short(actual)});
      return;
    }
    const auto& e = expected.Elements();
    const auto& a = actual.Elements();
    if (e.size() != a.size()) {
      out.push_back({path, expected.pos(), std::to_string(e.size()) + " elements",
                     std::to_string(a.size()) + " elements: " + Short(actual)});
      return;
    }
    for (std::size_t i = 0; i < e.size(); ++i) MatchExpected(e[i], a[i], path + "[" + std::to_string(i) + "]", out);
    return;
  }
  if (!(expected == actual)) out.push_back({path, expected.pos(), Short(expected), Short(actual)});
}

}  // namespace kestrin::host
