#include "Json.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace kestrin::host {

const Json* Json::Find(std::string_view key) const {
  for (const Member& m : obj_)
    if (m.first == key) return &m.second;
  return nullptr;
}

Json& Json::Set(std::string key, Json v) {
  kind_ = Kind::Object;
  for (Member& m : obj_)
    if (m.first == key) return m.second = std::move(v);
  obj_.emplace_back(std::move(key), std::move(v));
  return obj_.back().second;
}

bool operator==(const Json& a, const Json& b) {
  if (a.kind_ != b.kind_) return false;
  switch (a.kind_) {
    case Json::Kind::Null: return true;
    case Json::Kind::Bool: return a.bool_ == b.bool_;
    case Json::Kind::Number:
      if (a.isInt_ && b.isInt_) return a.int_ == b.int_;
      return a.num_ == b.num_;
    case Json::Kind::String: return a.str_ == b.str_;
    case Json::Kind::Array: return a.arr_ == b.arr_;
    case Json::Kind::Object:
      if (a.obj_.size() != b.obj_.size()) return false;
      for (const Json::Member& m : a.obj_) {
        const Json* other = b.Find(m.first);
        if (!other || !(*other == m.second)) return false;
      }
      return true;
  }
  return false;
}

const char* Json::KindName(Kind k) {
  switch (k) {
    case Kind::Null: return "null";
    case Kind::Bool: return "a boolean";
    case Kind::Number: return "a number";
    case Kind::String: return "a string";
    case Kind::Array: return "an array";
    case Kind::Object: return "an object";
  }
  return "?";
}

std::string QuoteJson(std::string_view s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      case '\b': out += "\\b"; break;
      case '\f': out += "\\f"; break;
      default:
        if (c < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", c);
          out += buf;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  out += '"';
  return out;
}

std::string Json::Dump(int indent) const {
  std::string out;
  DumpTo(out, indent, 0);
  return out;
}

// Pretty output keeps a small container below the top on one line, as a person would write it.
bool Json::FitsOnOneLine(int indent, int depth) const {
  constexpr std::size_t kWidth = 100;
  if (indent < 0 || depth == 0) return false;
  for (const Json& e : arr_)
    if ((e.IsArray() && !e.arr_.empty()) || (e.IsObject() && !e.obj_.empty() && kind_ == Kind::Object)) return false;
  return static_cast<std::size_t>(indent * depth) + Dump(-1).size() <= kWidth;
}

void Json::DumpTo(std::string& out, int indent, int depth) const {
  auto newline = [&](int d) {
    if (indent < 0) return;
    out += '\n';
    out.append(static_cast<std::size_t>(indent * d), ' ');
  };
  switch (kind_) {
    case Kind::Null: out += "null"; break;
    case Kind::Bool: out += bool_ ? "true" : "false"; break;
    case Kind::Number:
      if (isInt_) {
        out += std::to_string(int_);
      } else if (!std::isfinite(num_)) {
        out += "null";  // JSON has no infinities
      } else {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.17g", num_);
        out += buf;
      }
      break;
    case Kind::String: out += QuoteJson(str_); break;
    case Kind::Array:
      if (arr_.empty()) { out += "[]"; break; }
      if (FitsOnOneLine(indent, depth)) { DumpTo(out, -1, depth); break; }
      out += '[';
      for (std::size_t i = 0; i < arr_.size(); ++i) {
        if (i) out += indent < 0 ? ", " : ",";
        newline(depth + 1);
        arr_[i].DumpTo(out, indent, depth + 1);
      }
      newline(depth);
      out += ']';
      break;
    case Kind::Object:
      if (obj_.empty()) { out += "{}"; break; }
      if (FitsOnOneLine(indent, depth)) { DumpTo(out, -1, depth); break; }
      out += '{';
      for (std::size_t i = 0; i < obj_.size(); ++i) {
        if (i) out += indent < 0 ? ", " : ",";
        newline(depth + 1);
        out += QuoteJson(obj_[i].first);
        out += ": ";
        obj_[i].second.DumpTo(out, indent, depth + 1);
      }
      newline(depth);
      out += '}';
      break;
  }
}

// ---- UTF-8 ----

namespace {

// Decodes one UTF-8 sequence at s[i]; returns the code point and advances i, or -1 when the
// bytes are not well-formed UTF-8 (overlong forms, surrogates and values past U+10FFFF included).
std::int32_t DecodeUtf8(std::string_view s, std::size_t& i) {
  const unsigned char c = static_cast<unsigned char>(s[i]);
  if (c < 0x80) { ++i; return c; }
  int len;
  std::int32_t cp;
  std::int32_t min;
  if ((c & 0xE0) == 0xC0) { len = 2; cp = c & 0x1F; min = 0x80; }
  else if ((c & 0xF0) == 0xE0) { len = 3; cp = c & 0x0F; min = 0x800; }
  else if ((c & 0xF8) == 0xF0) { len = 4; cp = c & 0x07; min = 0x10000; }
  else return -1;
  if (i + static_cast<std::size_t>(len) > s.size()) return -1;
  for (int k = 1; k < len; ++k) {
    const unsigned char cc = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
    if ((cc & 0xC0) != 0x80) return -1;
    cp = (cp << 6) | (cc & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return -1;
  i += static_cast<std::size_t>(len);
  return cp;
}

void AppendUtf8(std::string& out, std::uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

}  // namespace

// ---- parser ----

namespace {

constexpr int kMaxDepth = 256;

class Parser {
 public:
  Parser(std::string_view text, JsonError* error) : s_(text), error_(error) {}

  std::optional<Json> Run() {
    if (s_.size() >= 3 && s_.substr(0, 3) == "\xEF\xBB\xBF") {  // a UTF-8 byte-order mark
      i_ = 3;
    }
    SkipSpace();
    if (AtEnd()) { Fail("the file is empty: expected a JSON value"); return std::nullopt; }
    Json v;
    if (!Value(v, 0)) return std::nullopt;
    SkipSpace();
    if (!AtEnd()) {
      Fail(std::string("unexpected ") + Describe() + " after the end of the JSON value");
      return std::nullopt;
    }
    return v;
  }

 private:
  bool AtEnd() const { return i_ >= s_.size(); }
  char Peek() const { return s_[i_]; }
  SourcePos Here() const { return {line_, col_}; }

  void Advance(std::size_t n = 1) {
    for (std::size_t k = 0; k < n && i_ < s_.size(); ++k) {
      if (s_[i_] == '\n') { ++line_; col_ = 1; }
      else if ((static_cast<unsigned char>(s_[i_]) & 0xC0) != 0x80) ++col_;  // count characters
      ++i_;
    }
  }

  bool Fail(std::string message) { return Fail(Here(), std::move(message)); }
  bool Fail(SourcePos at, std::string message) {
    if (error_) *error_ = {at, std::move(message)};
    return false;
  }

  std::string Describe() const {
    if (AtEnd()) return "end of file";
    const unsigned char c = static_cast<unsigned char>(Peek());
    if (c >= 0x21 && c < 0x7F) return std::string("'") + static_cast<char>(c) + "'";
    char buf[16];
    std::snprintf(buf, sizeof buf, "byte 0x%02X", c);
    return buf;
  }

  void SkipSpace() {
    while (!AtEnd() && (Peek() == ' ' || Peek() == '\t' || Peek() == '\n' || Peek() == '\r')) Advance();
  }

  bool Value(Json& out, int depth) {
    if (depth > kMaxDepth) return Fail("values nested too deeply (more than 256 levels)");
    const SourcePos start = Here();
    if (AtEnd()) return Fail("unexpected end of file: expected a value");
    bool ok;
    switch (Peek()) {
      case '{': ok = ObjectValue(out, depth); break;
      case '[': ok = ArrayValue(out, depth); break;
      case '"': {
        std::string s;
        ok = StringValue(s);
        if (ok) out = Json(std::move(s));
        break;
      }
      case 't': ok = Literal("true", Json(true), out); break;
      case 'f': ok = Literal("false", Json(false), out); break;
      case 'n': ok = Literal("null", Json(), out); break;
      default:
        if (Peek() == '-' || (Peek() >= '0' && Peek() <= '9')) {
          ok = NumberValue(out);
        } else {
          return Fail(std::string("unexpected ") + Describe() + ": expected a value");
        }
    }
    if (ok) out.SetPos(start);
    return ok;
  }

  bool Literal(std::string_view word, Json value, Json& out) {
    if (s_.substr(i_, word.size()) != word) {
      return Fail(std::string("unexpected ") + Describe() + ": expected a value (did you mean " +
                    std::string(word) + "?)");
    }
    Advance(word.size());
    out = std::move(value);
    return true;
  }

  bool NumberValue(Json& out) {
    const std::size_t begin = i_;
    const SourcePos start = Here();
    if (Peek() == '-') Advance();
    if (AtEnd() || !(Peek() >= '0' && Peek() <= '9')) return Fail("a number needs digits after '-'");
    if (Peek() == '0') {
      Advance();
      if (!AtEnd() && Peek() >= '0' && Peek() <= '9') return Fail(start, "a number may not have leading zeros");
    } else {
      while (!AtEnd() && Peek() >= '0' && Peek() <= '9') Advance();
    }
    bool integral = true;
    if (!AtEnd() && Peek() == '.') {
      integral = false;
      Advance();
      if (AtEnd() || !(Peek() >= '0' && Peek() <= '9')) return Fail("a number needs digits after '.'");
      while (!AtEnd() && Peek() >= '0' && Peek() <= '9') Advance();
    }
    if (!AtEnd() && (Peek() == 'e' || Peek() == 'E')) {
      integral = false;
      Advance();
      if (!AtEnd() && (Peek() == '+' || Peek() == '-')) Advance();
      if (AtEnd() || !(Peek() >= '0' && Peek() <= '9')) return Fail("a number needs digits in its exponent");
      while (!AtEnd() && Peek() >= '0' && Peek() <= '9') Advance();
    }
    const std::string text(s_.substr(begin, i_ - begin));
    if (integral) {
      errno = 0;
      char* end = nullptr;
      const long long v = std::strtoll(text.c_str(), &end, 10);
      if (errno == 0) { out = Json(static_cast<std::int64_t>(v)); return true; }
    }
    out = Json(std::strtod(text.c_str(), nullptr));
    return true;
  }

  bool Hex4(std::uint32_t& v) {
    v = 0;
    for (int k = 0; k < 4; ++k) {
      if (AtEnd()) return Fail("unexpected end of file in a \\u escape");
      const char c = Peek();
      int d;
      if (c >= '0' && c <= '9') d = c - '0';
      else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
      else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
      else return Fail("a \\u escape needs four hexadecimal digits");
      v = v * 16 + static_cast<std::uint32_t>(d);
      Advance();
    }
    return true;
  }

  bool StringValue(std::string& out) {
    const SourcePos start = Here();
    Advance();  // the opening quote
    for (;;) {
      if (AtEnd()) return Fail(start, "this string is not closed (no '\"' before the end of file)");
      const unsigned char c = static_cast<unsigned char>(Peek());
      if (c == '"') { Advance(); return true; }
      if (c == '\n') return Fail(start, "this string is not closed before the end of its line");
      if (c < 0x20) return Fail("a control character must be escaped inside a string");
      if (c == '\\') {
        const SourcePos escPos = Here();
        Advance();
        if (AtEnd()) return Fail(start, "this string is not closed (no '\"' before the end of file)");
        const char e = Peek();
        Advance();
        switch (e) {
          case '"': out += '"'; break;
          case '\\': out += '\\'; break;
          case '/': out += '/'; break;
          case 'b': out += '\b'; break;
          case 'f': out += '\f'; break;
          case 'n': out += '\n'; break;
          case 'r': out += '\r'; break;
          case 't': out += '\t'; break;
          case 'u': {
            std::uint32_t cp;
            if (!Hex4(cp)) return false;
            if (cp >= 0xD800 && cp <= 0xDBFF) {
              std::uint32_t lo;
              if (s_.substr(i_, 2) != "\\u") return Fail(escPos, "a high surrogate \\u escape must be followed by a low one");
              Advance(2);
              if (!Hex4(lo)) return false;
              if (lo < 0xDC00 || lo > 0xDFFF) return Fail(escPos, "a high surrogate \\u escape must be followed by a low one");
              cp = 0x10000 + ((cp - 0xD800) << 10) + (lo - 0xDC00);
            } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
              return Fail(escPos, "a low surrogate \\u escape without a high one before it");
            }
            AppendUtf8(out, cp);
            break;
          }
          default: {
            std::string msg = "unknown escape '\\";
            msg += e;
            msg += "' (a backslash in a path is written \\\\)";
            return Fail(escPos, msg);
          }
        }
        continue;
      }
      std::size_t j = i_;
      if (DecodeUtf8(s_, j) < 0) return Fail("the file is not valid UTF-8 here");
      out.append(s_.substr(i_, j - i_));
      Advance(j - i_);
    }
  }

  bool ArrayValue(Json& out, int depth) {
    out = Json::Array();
    Advance();  // '['
    SkipSpace();
    if (!AtEnd() && Peek() == ']') { Advance(); return true; }
    for (;;) {
      SkipSpace();
      Json v;
      if (!AtEnd() && Peek() == ']') return Fail("a trailing ',' before ']' is not allowed");
      if (!Value(v, depth + 1)) return false;
      out.Push(std::move(v));
      SkipSpace();
      if (AtEnd()) return Fail("unexpected end of file: expected ',' or ']' in an array");
      if (Peek() == ',') { Advance(); continue; }
      if (Peek() == ']') { Advance(); return true; }
      return Fail(std::string("unexpected ") + Describe() + ": expected ',' or ']' in an array");
    }
  }

  bool ObjectValue(Json& out, int depth) {
    out = Json::Object();
    Advance();  // '{'
    SkipSpace();
    if (!AtEnd() && Peek() == '}') { Advance(); return true; }
    for (;;) {
      SkipSpace();
      if (AtEnd()) return Fail("unexpected end of file: expected a member name in an object");
      if (Peek() == '}') return Fail("a trailing ',' before '}' is not allowed");
      if (Peek() != '"') return Fail(std::string("unexpected ") + Describe() + ": expected a member name in double quotes");
      const SourcePos keyPos = Here();
      std::string key;
      if (!StringValue(key)) return false;
      if (out.Find(key)) return Fail(keyPos, "duplicate member \"" + key + "\" in this object");
      SkipSpace();
      if (AtEnd() || Peek() != ':') return Fail(std::string("unexpected ") + Describe() + ": expected ':' after member name \"" + key + "\"");
      Advance();
      SkipSpace();
      Json v;
      if (!Value(v, depth + 1)) return false;
      out.Set(std::move(key), std::move(v));
      SkipSpace();
      if (AtEnd()) return Fail("unexpected end of file: expected ',' or '}' in an object");
      if (Peek() == ',') { Advance(); continue; }
      if (Peek() == '}') { Advance(); return true; }
      return Fail(std::string("unexpected ") + Describe() + ": expected ',' or '}' in an object");
    }
  }

  std::string_view s_;
  JsonError* error_;
  std::size_t i_ = 0;
  int line_ = 1;
  int col_ = 1;
};

}  // namespace

std::optional<Json> ParseJson(std::string_view text, JsonError* error) {
  return Parser(text, error).Run();
}

}  // namespace kestrin::host
