#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "TestRegistry.h"
#include "settings/CodePage.h"
#include "settings/DomainList.h"
#include "settings/modRegistry.h"

namespace kestrin {
namespace {

using test::kTestKey;

std::string Bytes(const std::string& s) { return s; }

// Forwards to a real registry, keeps count of open keys and records every write; can make one
// call fail or throw, to reach the store's failure paths.
class RecordingRegistry final : public Registry {
 public:
  explicit RecordingRegistry(Registry& inner) : inner_(inner) {}
  struct Write {
    std::string name;
    std::uint32_t type;
    std::string bytes;
  };
  std::vector<Write> writes;
  int openKeys = 0;
  int queryCalls = 0;
  int failQueryCall = 0;        // the nth QueryValue returns failQueryStatus
  RegStatus failQueryStatus = kErrorAccessDenied;
  bool throwOnQuery = false;

  RegStatus OpenKey(RegKey root, const std::string& path, RegKey* out) override {
    const RegStatus s = inner_.OpenKey(root, path, out);
    if (s == kErrorSuccess) ++openKeys;
    return s;
  }
  RegStatus CreateKey(RegKey root, const std::string& path, RegKey* out) override {
    const RegStatus s = inner_.CreateKey(root, path, out);
    if (s == kErrorSuccess) ++openKeys;
    return s;
  }
  RegStatus QueryValue(RegKey key, const std::string& name, std::uint32_t* type, std::uint8_t* data,
                       std::uint32_t* size) override {
    if (throwOnQuery) throw std::runtime_error("registry gone");
    if (++queryCalls == failQueryCall) return failQueryStatus;
    return inner_.QueryValue(key, name, type, data, size);
  }
  RegStatus SetValue(RegKey key, const std::string& name, std::uint32_t type, const std::uint8_t* data,
                     std::uint32_t size) override {
    writes.push_back({name, type, std::string(reinterpret_cast<const char*>(data), size)});
    return inner_.SetValue(key, name, type, data, size);
  }
  RegStatus CloseKey(RegKey key) override {
    if (key != 0 && inner_.CloseKey(key) == kErrorSuccess) --openKeys;
    return kErrorSuccess;
  }
  RegStatus DeleteTree(RegKey root, const std::string& path) override { return inner_.DeleteTree(root, path); }
  RegStatus DeleteValue(RegKey key, const std::string& name) override { return inner_.DeleteValue(key, name); }

 private:
  Registry& inner_;
};

class SettingsStore : public ::testing::Test {
 protected:
  void SetUp() override {
    real_ = test::MakeTestRegistry();
    ASSERT_TRUE(real_);
    reg_ = std::make_unique<RecordingRegistry>(*real_);
  }
  void TearDown() override {
    EXPECT_EQ(reg_->openKeys, 0) << "a key was left open";
    (void)real_->DeleteTree(kHkeyCurrentUser, ToCodePage(kTestKey));
  }
  // Stores raw bytes under kTestKey, as another program might have.
  void StoreRaw(const char16_t* name, std::uint32_t type, const std::string& bytes) {
    RegKey k = 0;
    ASSERT_EQ(real_->CreateKey(kHkeyCurrentUser, ToCodePage(kTestKey), &k), kErrorSuccess);
    ASSERT_EQ(real_->SetValue(k, ToCodePage(name), type, reinterpret_cast<const std::uint8_t*>(bytes.data()),
                              static_cast<std::uint32_t>(bytes.size())),
              kErrorSuccess);
    real_->CloseKey(k);
  }
  RegistryValue Read(const char16_t* name) { return ReadRegistryValue(*reg_, kHkeyCurrentUser, kTestKey, name); }

  std::unique_ptr<Registry> real_;
  std::unique_ptr<RecordingRegistry> reg_;
};

std::string Describe(const RegistryValue& v) {
  if (IsNothing(v)) return "nothing";
  if (const auto* n = std::get_if<std::int32_t>(&v)) return "number " + std::to_string(*n);
  std::string s = "text \"";
  for (char16_t c : std::get<std::u16string>(v)) s += c == 0 ? std::string("\\0") : c < 0x80 ? std::string(1, static_cast<char>(c)) : "\\u" + std::to_string(c);
  return s + "\"";
}

TEST_F(SettingsStore, ReadsEachStoredKindAsTheAddInExpects) {
  struct Row {
    const char* what;
    std::uint32_t type;
    std::string bytes;
    RegistryValue expected;
  };
  const Row rows[] = {
      {"text without NUL", kRegSz, "a.b;c.d;", std::u16string(u"a.b;c.d;")},
      {"text with its NUL", kRegSz, Bytes(std::string("a.b;c.d;\0", 9)), std::u16string(u"a.b;c.d;")},
      {"two NULs lose one", kRegSz, Bytes(std::string("Y\0\0", 3)), std::u16string(u"Y\0", 2)},
      {"empty text", kRegSz, "", std::u16string()},
      {"only a NUL", kRegSz, Bytes(std::string("\0", 1)), std::u16string()},
      {"code-page bytes", kRegSz, "caf\xE9 \x80", std::u16string(u"caf\u00E9 \u20AC")},
      {"REG_DWORD 1", kRegDword, Bytes(std::string("\x01\0\0\0", 4)), std::int32_t{1}},
      {"REG_DWORD -2", kRegDword, "\xFE\xFF\xFF\xFF", std::int32_t{-2}},
      {"REG_EXPAND_SZ", kRegExpandSz, Bytes(std::string("%TEMP%\0", 7)), std::monostate{}},
      {"REG_MULTI_SZ", kRegMultiSz, Bytes(std::string("a\0b\0\0", 5)), std::monostate{}},
      {"REG_BINARY", kRegBinary, "\x59", std::monostate{}},
  };
  for (const Row& row : rows) {
    StoreRaw(u"V", row.type, row.bytes);
    EXPECT_EQ(Describe(Read(u"V")), Describe(row.expected)) << row.what;
  }
}

TEST_F(SettingsStore, MissingKeyOrValueReadsAsNothingAndTheDefaults) {
  EXPECT_TRUE(IsNothing(Read(u"V"))) << "key absent";
  StoreRaw(u"Other", kRegSz, "x");
  EXPECT_TRUE(IsNothing(Read(u"V"))) << "value absent";
  EXPECT_EQ(ValueAsText(Read(u"V")), u"");
  EXPECT_TRUE(SplitDomainList(ValueAsText(Read(u"V"))).empty());
  EXPECT_FALSE(YesNoToBool(Read(u"V")));
}

TEST_F(SettingsStore, ReadNeverFails) {
  StoreRaw(u"V", kRegSz, "text");
  reg_->failQueryCall = 2;  // the size query works, the read itself fails
  EXPECT_TRUE(IsNothing(Read(u"V"))) << "a failed read gives nothing";
  reg_->failQueryCall = 0;
  reg_->throwOnQuery = true;
  EXPECT_EQ(Describe(Read(u"V")), Describe(std::u16string())) << "an unexpected failure gives the empty text";
  reg_->throwOnQuery = false;
  // The key path is used unchanged on read: a leading backslash is not a path the registry opens.
  EXPECT_TRUE(IsNothing(ReadRegistryValue(*reg_, kHkeyCurrentUser, std::u16string(u"\\") + kTestKey, u"V")));
}

TEST_F(SettingsStore, WritesTextWithoutNulAndItsByteLength) {
  struct Row {
    const char* what;
    std::u16string text;
    std::string stored;
  };
  const Row rows[] = {
      {"plain", u"\\Personal Folders\\Junk", "\\Personal Folders\\Junk"},
      {"empty", u"", ""},
      {"Latin-1", u"Caf\u00E9;", "Caf\xE9;"},
      {"outside the code page", u"a\u0101\u2603b", "a??b"},
      {"one character beyond the BMP", u"x\U0001F600y", "x??y"},
  };
  for (const Row& row : rows) {
    reg_->writes.clear();
    ASSERT_TRUE(WriteRegistryValue(*reg_, kHkeyCurrentUser, kTestKey, u"V", row.text, kRegSz)) << row.what;
    ASSERT_EQ(reg_->writes.size(), 1u) << row.what;
    EXPECT_EQ(reg_->writes[0].type, kRegSz) << row.what;
    EXPECT_EQ(reg_->writes[0].bytes, row.stored) << row.what << ": bytes written, no NUL";
    EXPECT_EQ(Describe(Read(u"V")), Describe(FromCodePage(row.stored))) << row.what << ": read back";
  }
}

TEST_F(SettingsStore, WriteKeyPathsAndTypes) {
  struct Row {
    const char* what;
    std::u16string keyPath;
    RegistryValue value;
    std::uint32_t type;
    bool result;
    RegistryValue readBack;  // from kTestKey
  };
  const std::u16string key = kTestKey;
  const Row rows[] = {
      {"leading backslash removed", u"\\" + key, std::u16string(u"x"), kRegSz, true, std::u16string(u"x")},
      {"empty key path", u"", std::u16string(u"x"), kRegSz, false, std::monostate{}},
      {"number as REG_DWORD", key, std::int32_t{7}, kRegDword, true, std::int32_t{7}},
      {"decimal text as REG_DWORD", key, std::u16string(u"-42"), kRegDword, true, std::int32_t{-42}},
      {"text that is no number", key, std::u16string(u"abc"), kRegDword, false, std::monostate{}},
      {"number out of range", key, std::u16string(u"4294967296"), kRegDword, false, std::monostate{}},
      {"number as REG_SZ", key, std::int32_t{12}, kRegSz, true, std::u16string(u"12")},
      {"REG_BINARY writes nothing", key, std::u16string(u"x"), kRegBinary, true, std::monostate{}},
  };
  for (const Row& row : rows) {
    (void)real_->DeleteTree(kHkeyCurrentUser, ToCodePage(kTestKey));
    EXPECT_EQ(WriteRegistryValue(*reg_, kHkeyCurrentUser, row.keyPath, u"V", row.value, row.type), row.result)
        << row.what;
    EXPECT_EQ(Describe(Read(u"V")), Describe(row.readBack)) << row.what;
  }
  // With the key path empty, the registry is not touched at all.
  reg_->writes.clear();
  EXPECT_FALSE(WriteRegistryValue(*reg_, kHkeyCurrentUser, u"", u"V", std::u16string(u"x"), kRegSz));
  EXPECT_TRUE(reg_->writes.empty());
}

TEST_F(SettingsStore, InnerStepsReportTheRegistryStatus) {
  RegistryValue value = std::u16string(u"before");
  EXPECT_EQ(QueryValueData(*reg_, 0, u"V", value), kErrorInvalidHandle) << "null key";
  EXPECT_EQ(Describe(value), Describe(std::u16string(u"before")));

  StoreRaw(u"E", kRegExpandSz, "x");
  StoreRaw(u"D", kRegDword, std::string("\x05\0\0\0", 4));
  RegKey k = 0;
  ASSERT_EQ(reg_->OpenKey(kHkeyCurrentUser, ToCodePage(kTestKey), &k), kErrorSuccess);
  EXPECT_EQ(QueryValueData(*reg_, k, u"Missing", value), kErrorFileNotFound);
  EXPECT_EQ(Describe(value), Describe(std::u16string(u"before"))) << "left as it was";
  EXPECT_EQ(QueryValueData(*reg_, k, u"E", value), -1) << "unsupported type";
  EXPECT_EQ(Describe(value), Describe(std::u16string(u"before"))) << "left as it was";
  EXPECT_EQ(QueryValueData(*reg_, k, u"D", value), kErrorSuccess);
  EXPECT_EQ(Describe(value), Describe(std::int32_t{5}));
  EXPECT_EQ(SetValueData(*reg_, k, u"B", kRegBinary, std::u16string(u"x")), 0);
  EXPECT_TRUE(reg_->writes.empty()) << "another type writes nothing";
  reg_->CloseKey(k);
}

TEST(YesNo, ConvertsAsTheStoredTextMeans) {
  struct Row {
    RegistryValue value;
    bool expected;
  };
  const Row rows[] = {
      {std::u16string(u"Y"), true},   {std::u16string(u"y"), true},    {std::u16string(u" Y"), true},
      {std::u16string(u"y  "), true}, {std::u16string(u" y "), true},  {std::u16string(u"Yes"), false},
      {std::u16string(u"N"), false},  {std::u16string(u"1"), false},   {std::u16string(u""), false},
      {std::u16string(u"\tY"), false}, {std::u16string(u"Y\0", 2), false}, {std::int32_t{1}, false},
      {std::monostate{}, false},
  };
  for (const Row& row : rows) EXPECT_EQ(YesNoToBool(row.value), row.expected) << Describe(row.value);
  EXPECT_EQ(BoolToYesNo(true), u"Y");
  EXPECT_EQ(BoolToYesNo(false), u"N");
}

}  // namespace
}  // namespace kestrin
