#include "SettingsCommand.h"

#include <charconv>
#include <cstdint>
#include <iomanip>
#include <memory>
#include <ostream>
#include <sstream>

#include "../platform/linux/SqliteHive.h"
#include "../settings/CodePage.h"
#include "../settings/DomainList.h"
#include "../settings/modRegistry.h"
#include "Utf8.h"

namespace kestrin::host {

namespace {

struct UsageError {
  std::string message;
};

std::string TypeName(std::uint32_t type) {
  switch (type) {
    case kRegNone: return "REG_NONE";
    case kRegSz: return "REG_SZ";
    case kRegExpandSz: return "REG_EXPAND_SZ";
    case kRegBinary: return "REG_BINARY";
    case kRegDword: return "REG_DWORD";
    case kRegMultiSz: return "REG_MULTI_SZ";
    default: return "type " + std::to_string(type);
  }
}

bool ParseType(const std::string& name, std::uint32_t* type) {
  static const std::pair<const char*, std::uint32_t> kTypes[] = {
      {"REG_SZ", kRegSz},         {"REG_EXPAND_SZ", kRegExpandSz}, {"REG_MULTI_SZ", kRegMultiSz},
      {"REG_DWORD", kRegDword},   {"REG_BINARY", kRegBinary},      {"REG_NONE", kRegNone}};
  for (const auto& [n, t] : kTypes)
    if (name == n) { *type = t; return true; }
  return false;
}

// Text bytes shown as a quoted UTF-8 string: code-page characters decoded, NUL and control
// characters escaped so that a stored terminator is visible.
std::string Quote(std::string_view bytes) {
  std::string out = "\"";
  for (char16_t c : FromCodePage(bytes)) {
    if (c == u'\0') out += "\\0";
    else if (c == u'"') out += "\\\"";
    else if (c == u'\\') out += "\\\\";
    else if (c < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", static_cast<unsigned>(c));
      out += buf;
    } else out += Utf16ToUtf8(std::u16string(1, c));
  }
  return out + "\"";
}

std::string Hex(std::string_view bytes) {
  std::ostringstream s;
  for (std::size_t i = 0; i < bytes.size(); ++i)
    s << (i ? " " : "") << std::hex << std::uppercase << std::setw(2) << std::setfill('0')
      << static_cast<unsigned>(static_cast<std::uint8_t>(bytes[i]));
  return s.str();
}

std::string ShowRaw(std::uint32_t type, const std::string& data) {
  std::ostringstream s;
  s << TypeName(type) << ", " << data.size() << (data.size() == 1 ? " byte" : " bytes");
  if (type == kRegSz || type == kRegExpandSz || type == kRegMultiSz) {
    s << ": " << Quote(data);
  } else if (type == kRegDword && data.size() == 4) {
    std::uint32_t u = 0;
    for (int i = 3; i >= 0; --i) u = (u << 8) | static_cast<std::uint8_t>(data[static_cast<std::size_t>(i)]);
    s << ": " << static_cast<std::int32_t>(u) << " (0x" << std::hex << std::uppercase << std::setw(8)
      << std::setfill('0') << u << ")";
  } else if (!data.empty()) {
    s << ": " << Hex(data);
  }
  return s.str();
}

std::u16string Wide(const std::string& utf8, const char* what) {
  auto w = Utf8ToUtf16(utf8);
  if (!w) throw UsageError{std::string(what) + " is not valid UTF-8"};
  return *w;
}

// A root and a path from "HKCU\Software\..." (the long names are accepted too).
void SplitKey(const std::string& full, RegKey* root, std::string* path) {
  const auto slash = full.find('\\');
  const std::string head = full.substr(0, slash);
  std::string upper;
  for (char c : head) upper.push_back(static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c));
  if (upper == "HKCU" || upper == "HKEY_CURRENT_USER") *root = kHkeyCurrentUser;
  else if (upper == "HKLM" || upper == "HKEY_LOCAL_MACHINE") *root = kHkeyLocalMachine;
  else if (upper == "HKCR" || upper == "HKEY_CLASSES_ROOT") *root = kHkeyClassesRoot;
  else throw UsageError{"the key must start with HKCU, HKLM or HKCR: " + full};
  *path = slash == std::string::npos ? std::string() : ToCodePage(Wide(full.substr(slash + 1), "the key"));
}

struct Options {
  std::string hive;
  std::vector<std::string> positional;
  std::string valueName;
  bool haveValueName = false;
  std::string type = "REG_SZ";
  std::string data;
  bool haveData = false;
  bool withNul = false;
};

Options ParseOptions(const std::vector<std::string>& args, std::size_t from, bool regFlags) {
  Options o;
  o.hive = DefaultHivePath();
  for (std::size_t i = from; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto next = [&](const char* flag) -> const std::string& {
      if (i + 1 >= args.size()) throw UsageError{std::string(flag) + " needs a value"};
      return args[++i];
    };
    if (a == "--hive") o.hive = next("--hive");
    else if (regFlags && (a == "/v" || a == "--value")) { o.valueName = next("/v"); o.haveValueName = true; }
    else if (regFlags && (a == "/ve" || a == "--default")) { o.valueName.clear(); o.haveValueName = true; }
    else if (regFlags && (a == "/t" || a == "--type")) o.type = next("/t");
    else if (regFlags && (a == "/d" || a == "--data")) { o.data = next("/d"); o.haveData = true; }
    else if (regFlags && (a == "/z" || a == "--with-nul")) o.withNul = true;
    else if (!a.empty() && a[0] == '-' && a != "-") throw UsageError{"unknown option " + a};
    else o.positional.push_back(a);
  }
  return o;
}

std::unique_ptr<SqliteHive> OpenHive(const std::string& path, SqliteHive::Mode mode) {
  std::string error;
  auto hive = SqliteHive::Open(path, mode, &error);
  if (!hive) throw UsageError{"cannot use the hive: " + error};
  return hive;
}

// The bytes that reg add stores for its type and data text.
std::string EncodeData(const Options& o, std::uint32_t type) {
  switch (type) {
    case kRegSz:
    case kRegExpandSz: {
      std::string bytes = ToCodePage(Wide(o.data, "the data"));
      if (o.withNul) bytes.push_back('\0');
      return bytes;
    }
    case kRegMultiSz: {
      // Items separated by "\0", as reg.exe takes them; each ends with NUL, the list with one more.
      std::string bytes;
      std::string_view rest = o.data;
      while (true) {
        const auto sep = rest.find("\\0");
        bytes += ToCodePage(Wide(std::string(rest.substr(0, sep)), "the data"));
        bytes.push_back('\0');
        if (sep == std::string_view::npos) break;
        rest.remove_prefix(sep + 2);
      }
      bytes.push_back('\0');
      return bytes;
    }
    case kRegDword: {
      std::string_view text = o.data;
      int base = 10;
      if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) { base = 16; text.remove_prefix(2); }
      long long v = 0;
      auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), v, base);
      if (ec != std::errc() || p != text.data() + text.size() || text.empty() || v < INT32_MIN || v > UINT32_MAX)
        throw UsageError{"REG_DWORD data must be a 32-bit number (decimal or 0x...): " + o.data};
      const auto u = static_cast<std::uint32_t>(v);
      return std::string{static_cast<char>(u), static_cast<char>(u >> 8), static_cast<char>(u >> 16), static_cast<char>(u >> 24)};
    }
    case kRegBinary:
    case kRegNone: {
      std::string bytes;
      std::string digits;
      for (char c : o.data) if (c != ' ' && c != ',') digits.push_back(c);
      if (digits.size() % 2) throw UsageError{"binary data needs two hex digits per byte: " + o.data};
      for (std::size_t i = 0; i < digits.size(); i += 2) {
        unsigned v = 0;
        auto [p, ec] = std::from_chars(digits.data() + i, digits.data() + i + 2, v, 16);
        if (ec != std::errc() || p != digits.data() + i + 2) throw UsageError{"not hex: " + o.data};
        bytes.push_back(static_cast<char>(v));
      }
      return bytes;
    }
  }
  throw UsageError{"unsupported type"};
}

constexpr char kRegUsage[] =
    "usage: kestrin-host reg add KEY (/v NAME | /ve) [/t TYPE] [/d DATA] [/z] [--hive PATH]\n"
    "       kestrin-host reg delete KEY [/v NAME | /ve] [--hive PATH]\n"
    "       kestrin-host reg query KEY (/v NAME | /ve) [--hive PATH]\n"
    "  KEY   HKCU\\Software\\Halvarn\\Kestrin (HKCU, HKLM or HKCR first)\n"
    "  TYPE  REG_SZ (default), REG_EXPAND_SZ, REG_MULTI_SZ (items separated by \\0), REG_DWORD\n"
    "        (decimal or 0x...), REG_BINARY (hex digits), REG_NONE\n"
    "  /z    store a REG_SZ or REG_EXPAND_SZ with its terminating NUL (the add-in accepts both)\n";

}  // namespace

int RunSettingsCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  try {
    const Options o = ParseOptions(args, 1, false);
    if (!o.positional.empty()) throw UsageError{"unexpected argument " + o.positional.front()};
    auto hive = OpenHive(o.hive, SqliteHive::Mode::ReadOnly);
    Registry& reg = *hive;
    const std::u16string key = kSettingsKey;
    out << "hive: " << o.hive << "\n";
    out << "key:  HKEY_CURRENT_USER\\" << Utf16ToUtf8(key) << "\n\n";

    out << "As the add-in reads them:\n";
    const std::u16string destination = ValueAsText(ReadRegistryValue(reg, kSettingsRoot, key, kValueDestination));
    out << "  destination folder: "
        << (destination.empty() ? std::string("(none: nothing is moved)") : Utf16ToUtf8(destination)) << "\n";
    const auto domains = SplitDomainList(ValueAsText(ReadRegistryValue(reg, kSettingsRoot, key, kValueDomains)));
    out << "  accepted domains:   " << domains.size() << (domains.size() == 1 ? " entry" : " entries") << "\n";
    for (std::size_t i = 0; i < domains.size(); ++i)
      out << "    " << i + 1 << ". " << Quote(ToCodePage(domains[i])) << "\n";
    const bool markRead = YesNoToBool(ReadRegistryValue(reg, kSettingsRoot, key, kValueMarkRead));
    out << "  mark as read:       " << (markRead ? "yes" : "no") << "\n\n";

    out << "Stored values:\n";
    RegKey k = 0;
    const RegStatus opened = reg.OpenKey(kSettingsRoot, ToCodePage(key), &k);
    for (const char16_t* name : {kValueDestination, kValueDomains, kValueMarkRead}) {
      out << "  " << std::left << std::setw(27) << Utf16ToUtf8(name);
      std::uint32_t type = 0, size = 0;
      const std::string n = ToCodePage(name);
      if (opened != kErrorSuccess) {
        out << "(key missing)\n";
        continue;
      }
      if (reg.QueryValue(k, n, &type, nullptr, &size) != kErrorSuccess) {
        out << "(missing)\n";
        continue;
      }
      std::string data(size, '\0');
      if (reg.QueryValue(k, n, &type, reinterpret_cast<std::uint8_t*>(data.data()), &size) != kErrorSuccess) {
        out << "(unreadable)\n";
        continue;
      }
      data.resize(size);
      out << ShowRaw(type, data) << "\n";
    }
    if (opened == kErrorSuccess) (void)reg.CloseKey(k);
    return 0;
  } catch (const UsageError& e) {
    err << "kestrin-host settings: " << e.message << "\n"
        << "usage: kestrin-host settings [--hive PATH]\n";
    return 2;
  }
}

int RunRegCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  try {
    if (args.size() < 2) throw UsageError{"missing operation"};
    const std::string& op = args[1];
    const Options o = ParseOptions(args, 2, true);
    if (o.positional.size() != 1) throw UsageError{o.positional.empty() ? "missing KEY" : "unexpected argument " + o.positional[1]};
    RegKey root = 0;
    std::string path;
    SplitKey(o.positional[0], &root, &path);
    const std::string name = ToCodePage(Wide(o.valueName, "the value name"));

    if (op == "add") {
      if (!o.haveValueName) throw UsageError{"reg add needs /v NAME or /ve"};
      std::uint32_t type = 0;
      if (!ParseType(o.type, &type)) throw UsageError{"unknown type " + o.type};
      if (o.withNul && type != kRegSz && type != kRegExpandSz) throw UsageError{"/z applies to REG_SZ and REG_EXPAND_SZ only"};
      if (!o.haveData && type == kRegDword) throw UsageError{"REG_DWORD needs /d DATA"};
      const std::string bytes = EncodeData(o, type);  // checked before the hive is touched
      auto hive = OpenHive(o.hive, SqliteHive::Mode::ReadWrite);
      RegKey k = 0;
      if (RegStatus s = hive->CreateKey(root, path, &k)) throw UsageError{"cannot create the key (error " + std::to_string(s) + ")"};
      const RegStatus s = hive->SetValue(k, name, type, reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                         static_cast<std::uint32_t>(bytes.size()));
      (void)hive->CloseKey(k);
      if (s) throw UsageError{"cannot write the value (error " + std::to_string(s) + ")"};
      out << "stored " << ShowRaw(type, bytes) << "\n";
      return 0;
    }
    if (op == "delete") {
      auto hive = OpenHive(o.hive, SqliteHive::Mode::ReadWrite);
      RegStatus s = 0;
      if (o.haveValueName) {
        RegKey k = 0;
        s = hive->OpenKey(root, path, &k);
        if (!s) {
          s = hive->DeleteValue(k, name);
          (void)hive->CloseKey(k);
        }
      } else {
        if (path.empty()) throw UsageError{"refusing to delete a root key"};
        s = hive->DeleteTree(root, path);
      }
      if (s == kErrorFileNotFound) throw UsageError{"no such key or value"};
      if (s) throw UsageError{"cannot delete (error " + std::to_string(s) + ")"};
      out << "deleted\n";
      return 0;
    }
    if (op == "query") {
      if (!o.haveValueName) throw UsageError{"reg query needs /v NAME or /ve"};
      auto hive = OpenHive(o.hive, SqliteHive::Mode::ReadOnly);
      RegKey k = 0;
      if (hive->OpenKey(root, path, &k)) throw UsageError{"no such key"};
      std::uint32_t type = 0, size = 0;
      RegStatus s = hive->QueryValue(k, name, &type, nullptr, &size);
      std::string data(size, '\0');
      if (!s) s = hive->QueryValue(k, name, &type, reinterpret_cast<std::uint8_t*>(data.data()), &size);
      (void)hive->CloseKey(k);
      if (s) throw UsageError{"no such value"};
      data.resize(size);
      out << ShowRaw(type, data) << "\n";
      return 0;
    }
    throw UsageError{"unknown operation " + op};
  } catch (const UsageError& e) {
    err << "kestrin-host reg: " << e.message << "\n" << kRegUsage;
    return 2;
  }
}

}  // namespace kestrin::host
