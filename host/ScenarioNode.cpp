#include "ScenarioNode.h"

#include <cstdio>
#include <cstdlib>
#include <utility>

namespace kestrin::host {

namespace {

struct NamedHr {
  const char* name;
  std::uint32_t value;
};

constexpr NamedHr kNamed[] = {
    {"S_OK", 0x00000000u},
    {"S_FALSE", 0x00000001u},
    {"E_NOTIMPL", 0x80004001u},
    {"E_NOINTERFACE", 0x80004002u},
    {"E_POINTER", 0x80004003u},
    {"E_ABORT", 0x80004004u},
    {"E_FAIL", 0x80004005u},
    {"E_UNEXPECTED", 0x8000FFFFu},
    {"E_ACCESSDENIED", 0x80070005u},
    {"E_OUTOFMEMORY", 0x8007000Eu},
    {"E_INVALIDARG", 0x80070057u},
    {"DISP_E_UNKNOWNNAME", 0x80020006u},
    {"DISP_E_EXCEPTION", 0x80020009u},
    {"CLASS_E_NOAGGREGATION", 0x80040110u},
    {"CLASS_E_CLASSNOTAVAILABLE", 0x80040111u},
    {"REGDB_E_CLASSNOTREG", 0x80040154u},
    {"CO_E_CLASSSTRING", 0x800401F3u},
    {"CONNECT_E_NOCONNECTION", 0x80040200u},
    {"MAPI_E_CALL_FAILED", 0x80004005u},
    {"MAPI_E_NO_SUPPORT", 0x80040102u},
    {"MAPI_E_NOT_FOUND", 0x8004010Fu},
    {"MAPI_E_LOGON_FAILED", 0x80040111u},
    {"MAPI_E_NOT_ENOUGH_MEMORY", 0x8007000Eu},
    {"MAPI_E_INVALID_PARAMETER", 0x80070057u},
    {"ERROR_MOD_NOT_FOUND", 0x8007007Eu},
    {"ERROR_PROC_NOT_FOUND", 0x8007007Fu},
};

std::string Describe(const Json& v) { return Json::KindName(v.kind()); }

}  // namespace

std::string HResultText(HRESULT hr) {
  const auto u = static_cast<std::uint32_t>(hr);
  for (const NamedHr& n : kNamed)
    if (n.value == u) return n.name;  // the first name listed for a value wins
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%08X", u);
  return buf;
}

std::optional<HRESULT> ParseHResult(const std::string& text) {
  for (const NamedHr& n : kNamed)
    if (text == n.name) return static_cast<HRESULT>(n.value);
  if (text.size() > 2 && text.size() <= 10 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    char* end = nullptr;
    const unsigned long long v = std::strtoull(text.c_str() + 2, &end, 16);
    if (end && *end == '\0') return static_cast<HRESULT>(static_cast<std::uint32_t>(v));
  }
  return std::nullopt;
}

Node::Node(const Json& value, std::string path)
    : v_(&value), path_(std::move(path)), used_(std::make_shared<std::set<std::string>>()) {}

void Node::Fail(const std::string& message) const { throw ScenarioError{v_->pos(), path_, message}; }

Node Node::Child(const Json& v, const std::string& key) const {
  Node n(v, path_ + "." + key);
  n.key_ = key;
  return n;
}

void Node::ExpectObject() const {
  if (!v_->IsObject()) Fail("expected an object, got " + Describe(*v_));
}

bool Node::Has(const std::string& key) const {
  ExpectObject();
  return v_->Find(key) != nullptr;
}

Node Node::Get(const std::string& key) const {
  ExpectObject();
  const Json* m = v_->Find(key);
  if (!m) Fail("missing member \"" + key + "\"");
  used_->insert(key);
  return Child(*m, key);
}

std::optional<Node> Node::Opt(const std::string& key) const {
  ExpectObject();
  used_->insert(key);
  const Json* m = v_->Find(key);
  if (!m) return std::nullopt;
  return Child(*m, key);
}

std::string Node::Str(const std::string& key) const { return Get(key).AsString(); }

std::string Node::Str(const std::string& key, const std::string& fallback) const {
  auto n = Opt(key);
  return n ? n->AsString() : fallback;
}

std::optional<std::string> Node::OptStr(const std::string& key) const {
  auto n = Opt(key);
  if (!n) return std::nullopt;
  return n->AsString();
}

bool Node::Bool(const std::string& key, bool fallback) const {
  auto n = Opt(key);
  return n ? n->AsBool() : fallback;
}

std::int64_t Node::Int(const std::string& key) const { return Get(key).AsInt(); }

std::int64_t Node::Int(const std::string& key, std::int64_t fallback) const {
  auto n = Opt(key);
  return n ? n->AsInt() : fallback;
}

void Node::MarkUsed(const std::string& key) const { used_->insert(key); }

void Node::CheckAllUsed() const {
  if (!v_->IsObject()) return;
  for (const auto& [key, value] : v_->Members()) {
    if (used_->count(key)) continue;
    std::string known;
    for (const std::string& k : *used_) known += (known.empty() ? "" : ", ") + k;
    Node(value, path_ + "." + key)
        .Fail("unknown member \"" + key + "\"" + (known.empty() ? "" : " (known here: " + known + ")"));
  }
}

std::vector<Node> Node::Elements() const {
  if (!v_->IsArray()) Fail("expected an array, got " + Describe(*v_));
  std::vector<Node> out;
  const auto& els = v_->Elements();
  for (std::size_t i = 0; i < els.size(); ++i) out.emplace_back(els[i], path_ + "[" + std::to_string(i) + "]");
  return out;
}

std::vector<Node> Node::Members() const {
  ExpectObject();
  std::vector<Node> out;
  for (const auto& [key, value] : v_->Members()) {
    used_->insert(key);
    out.push_back(Child(value, key));
  }
  return out;
}

std::string Node::AsString() const {
  if (!v_->IsString()) Fail("expected a string, got " + Describe(*v_));
  return v_->AsString();
}

std::int64_t Node::AsInt() const {
  if (!v_->IsInteger()) Fail("expected an integer, got " + Describe(*v_));
  return v_->AsInt();
}

bool Node::AsBool() const {
  if (!v_->IsBool()) Fail("expected true or false, got " + Describe(*v_));
  return v_->AsBool();
}

HRESULT Node::AsHResult() const {
  if (v_->IsInteger()) {
    const std::int64_t v = v_->AsInt();
    if (v < INT32_MIN || v > static_cast<std::int64_t>(UINT32_MAX)) Fail("an HRESULT is a 32-bit value");
    return static_cast<HRESULT>(static_cast<std::uint32_t>(v));
  }
  if (v_->IsString()) {
    if (auto h = ParseHResult(v_->AsString())) return *h;
    Fail("\"" + v_->AsString() + "\" is no HRESULT: write a name such as \"E_FAIL\" or hex such as \"0x80004005\"");
  }
  Fail("expected an HRESULT (a name such as \"E_FAIL\", hex text or a number), got " + Describe(*v_));
}

}  // namespace kestrin::host
