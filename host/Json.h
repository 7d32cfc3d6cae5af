// A small JSON reader and writer for scenario files and the host's output. Strict RFC 8259 input
// (UTF-8, no comments, no trailing commas, no duplicate keys); every value remembers where it
// started, so a scenario error can name file:line:col as well as the JSON path.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kestrin::host {

struct SourcePos {
  int line = 0;  // 1-based; 0 for values built in code
  int col = 0;   // 1-based, in bytes
};

class Json {
 public:
  enum class Kind { Null, Bool, Number, String, Array, Object };
  using Member = std::pair<std::string, Json>;

  Json() = default;
  Json(std::nullptr_t) {}
  Json(bool b) : kind_(Kind::Bool), bool_(b) {}
  Json(int v) : Json(static_cast<std::int64_t>(v)) {}
  Json(std::int64_t v) : kind_(Kind::Number), isInt_(true), int_(v), num_(static_cast<double>(v)) {}
  Json(std::uint64_t v) : Json(static_cast<std::int64_t>(v)) {}
  Json(double v) : kind_(Kind::Number), num_(v) {}
  Json(std::string s) : kind_(Kind::String), str_(std::move(s)) {}
  Json(const char* s) : Json(std::string(s)) {}
  static Json Array() { Json j; j.kind_ = Kind::Array; return j; }
  static Json Object() { Json j; j.kind_ = Kind::Object; return j; }

  Kind kind() const { return kind_; }
  bool IsNull() const { return kind_ == Kind::Null; }
  bool IsBool() const { return kind_ == Kind::Bool; }
  bool IsNumber() const { return kind_ == Kind::Number; }
  bool IsInteger() const { return kind_ == Kind::Number && isInt_; }
  bool IsString() const { return kind_ == Kind::String; }
  bool IsArray() const { return kind_ == Kind::Array; }
  bool IsObject() const { return kind_ == Kind::Object; }

  bool AsBool() const { return bool_; }
  std::int64_t AsInt() const { return int_; }
  double AsDouble() const { return num_; }
  const std::string& AsString() const { return str_; }

  // Arrays.
  const std::vector<Json>& Elements() const { return arr_; }
  std::vector<Json>& Elements() { return arr_; }
  Json& Push(Json v) { arr_.push_back(std::move(v)); return arr_.back(); }

  // Objects keep their members in the order written.
  const std::vector<Member>& Members() const { return obj_; }
  const Json* Find(std::string_view key) const;
  // Sets (replacing) a member; returns it.
  Json& Set(std::string key, Json v);

  SourcePos pos() const { return pos_; }
  void SetPos(SourcePos p) { pos_ = p; }

  // Structural equality; numbers compare by value, positions are ignored.
  friend bool operator==(const Json& a, const Json& b);

  // Serialises; indent < 0 gives one line.
  std::string Dump(int indent = 2) const;

  static const char* KindName(Kind k);

 private:
  void DumpTo(std::string& out, int indent, int depth) const;
  bool FitsOnOneLine(int indent, int depth) const;

  Kind kind_ = Kind::Null;
  bool bool_ = false;
  bool isInt_ = false;
  std::int64_t int_ = 0;
  double num_ = 0;
  std::string str_;
  std::vector<Json> arr_;
  std::vector<Member> obj_;
  SourcePos pos_;
};

struct JsonError {
  SourcePos pos;
  std::string message;
};

// Parses text as one JSON value. On failure returns nothing and fills error.
std::optional<Json> ParseJson(std::string_view text, JsonError* error);

// A JSON string literal of s (quotes included).
std::string QuoteJson(std::string_view s);

}  // namespace kestrin::host
