// Typed, checked access to a scenario file's JSON: every value carries its JSON path and its
// place in the file, so a bad scenario is reported as "file:line:col: $.steps[2].to: ...".
// Members that nothing read are reported as unknown, so a misspelt key never passes silently.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "../settings/HResult.h"
#include "Json.h"

namespace kestrin::host {

// A mistake in the scenario file. Thrown inside the host only; never crosses into a library.
struct ScenarioError {
  SourcePos pos;
  std::string path;     // "$.steps[2].to"
  std::string message;
};

class Node {
 public:
  Node(const Json& value, std::string path);

  const Json& value() const { return *v_; }
  const std::string& path() const { return path_; }
  [[noreturn]] void Fail(const std::string& message) const;

  // ---- objects ----
  bool Has(const std::string& key) const;
  Node Get(const std::string& key) const;                 // required member
  std::optional<Node> Opt(const std::string& key) const;  // absent -> nothing
  std::string Str(const std::string& key) const;
  std::string Str(const std::string& key, const std::string& fallback) const;
  std::optional<std::string> OptStr(const std::string& key) const;
  bool Bool(const std::string& key, bool fallback) const;
  std::int64_t Int(const std::string& key) const;
  std::int64_t Int(const std::string& key, std::int64_t fallback) const;
  // Members read or declared so far; MarkUsed declares without reading.
  void MarkUsed(const std::string& key) const;
  // Fails on the first member that was never read (call once the object has been taken in).
  void CheckAllUsed() const;

  // ---- the value itself ----
  void ExpectObject() const;
  std::vector<Node> Elements() const;  // an array's elements
  std::vector<Node> Members() const;   // an object's members, each path "$.x.<key>"; marks all used
  std::string AsString() const;
  std::int64_t AsInt() const;
  bool AsBool() const;
  HRESULT AsHResult() const;           // 0x80004005, "0x80004005", "E_FAIL", -2147467259
  std::string KeyName() const { return key_; }  // for Members()

 private:
  Node Child(const Json& v, const std::string& key) const;

  const Json* v_;
  std::string path_;
  std::string key_;
  std::shared_ptr<std::set<std::string>> used_;
};

// HRESULT names the host knows, both ways ("E_FAIL" <-> 0x80004005); other values print as hex.
std::string HResultText(HRESULT hr);
std::optional<HRESULT> ParseHResult(const std::string& text);

}  // namespace kestrin::host
