// COM activation from the hive: ProgID -> CLSID -> InprocServer32 -> library, and the running
// Application handed out for "Outlook.Application".
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/linux/ComActivation.h"
#include "platform/linux/ComRuntime.h"
#include "platform/linux/SqliteHive.h"

namespace kestrin::com {
namespace {

namespace fs = std::filesystem;

TEST(ComActivationTest, GuidTextBothWays) {
  const Guid g{0x0006F03A, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
  EXPECT_EQ(GuidToString(g), "{0006F03A-0000-0000-C000-000000000046}");
  Guid back{};
  ASSERT_TRUE(ParseGuid("{0006f03a-0000-0000-c000-000000000046}", &back));
  EXPECT_TRUE(back == g);
  for (const char* bad : {"", "0006F03A-0000-0000-C000-000000000046", "{0006F03A-0000-0000-C000-00000000004}",
                          "{0006F03A-0000-0000-C000-0000000000467}", "{0006F03A+0000-0000-C000-000000000046}",
                          "{0006F03G-0000-0000-C000-000000000046}", "(0006F03A-0000-0000-C000-000000000046)"})
    EXPECT_FALSE(ParseGuid(bad, &back)) << bad;
}

class HiveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "kestrin-com.XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    dir_ = tmpl;
    std::string why;
    hive_ = SqliteHive::Open(dir_ + "/hive.db", SqliteHive::Mode::ReadWrite, &why);
    ASSERT_TRUE(hive_) << why;
  }
  void TearDown() override {
    hive_.reset();
    fs::remove_all(dir_);
  }
  void Default(RegKey root, const std::string& path, const std::string& value) {
    RegKey key = 0;
    ASSERT_EQ(hive_->CreateKey(root, path, &key), kErrorSuccess);
    ASSERT_EQ(hive_->SetValue(key, "", kRegSz, reinterpret_cast<const std::uint8_t*>(value.c_str()),
                              static_cast<std::uint32_t>(value.size() + 1)), kErrorSuccess);
    ASSERT_EQ(hive_->CloseKey(key), kErrorSuccess);
  }
  std::string dir_;
  std::unique_ptr<SqliteHive> hive_;
};

TEST_F(HiveTest, ProgIdToClassToLibrary) {
  constexpr char kClsid[] = "{12345678-9ABC-DEF0-1234-56789ABCDEF0}";
  Guid clsid{};
  EXPECT_EQ(ClsidFromProgId(*hive_, u"Kestrin.Connect", &clsid), kClassStringInvalid);  // nothing registered
  Default(kHkeyCurrentUser, "Software\\Classes\\Kestrin.Connect\\CLSID", "not a guid");
  EXPECT_EQ(ClsidFromProgId(*hive_, u"Kestrin.Connect", &clsid), kClassStringInvalid);
  Default(kHkeyCurrentUser, "Software\\Classes\\Kestrin.Connect\\CLSID", kClsid);
  ASSERT_EQ(ClsidFromProgId(*hive_, u"kestrin.connect", &clsid), hr::ok);  // keys ignore case
  EXPECT_EQ(GuidToString(clsid), kClsid);

  std::string path;
  EXPECT_EQ(InprocServerPath(*hive_, clsid, &path), hr::regClassNotReg);
  // Machine-wide classes count when the user has none, as in HKEY_CLASSES_ROOT.
  Default(kHkeyLocalMachine, std::string("Software\\Classes\\CLSID\\") + kClsid + "\\InprocServer32", "/opt/machine.so");
  ASSERT_EQ(InprocServerPath(*hive_, clsid, &path), hr::ok);
  EXPECT_EQ(path, "/opt/machine.so");
  Default(kHkeyCurrentUser, std::string("Software\\Classes\\CLSID\\") + kClsid + "\\InprocServer32", "/opt/user.so");
  ASSERT_EQ(InprocServerPath(*hive_, clsid, &path), hr::ok);
  EXPECT_EQ(path, "/opt/user.so");

  void* out = reinterpret_cast<void*>(1);
  std::string used;
  EXPECT_EQ(CreateFromProgId(*hive_, u"Kestrin.Connect", IID_IUnknown, &out, &used), kModuleNotFound);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(used, "/opt/user.so");
}

TEST_F(HiveTest, ALibraryIsLoadedByFullPathOnly) {
  // A library named only by its file name would be looked for on the search path: refused, even
  // when a file of that name is in the current directory.
  const fs::path cwd = fs::current_path();
  fs::current_path(dir_);
  std::ofstream("libplanted.so") << "not even a library";
  void* out = nullptr;
  EXPECT_EQ(CreateFromLibrary("libplanted.so", IID_IUnknown, IID_IUnknown, &out), kModuleNotFound);
  EXPECT_NE(LastLoadError().find("not a full path"), std::string::npos) << LastLoadError();
  EXPECT_EQ(CreateFromLibrary(dir_ + "/libplanted.so", IID_IUnknown, IID_IUnknown, &out), kModuleNotFound);
  fs::current_path(cwd);
  EXPECT_EQ(CanUnloadNow(dir_ + "/libplanted.so"), hr::fail);  // never loaded
}

// An object that answers IUnknown and counts its references.
struct Counted final : Unknown {
  std::uint32_t refs = 1;
  HRESULT QueryInterface(const Guid& iid, void** out) override {
    *out = nullptr;
    if (!(iid == IID_IUnknown)) return hr::noInterface;
    *out = this;
    AddRef();
    return hr::ok;
  }
  std::uint32_t AddRef() override { return ++refs; }
  std::uint32_t Release() override { return --refs; }
};

TEST(KestrinCoCreateInstanceTest, HandsOutTheRunningApplication) {
  Counted app;
  SetRunningApplication(&app);
  EXPECT_EQ(app.refs, 2u);  // held while it runs
  void* out = nullptr;
  ASSERT_EQ(KestrinCoCreateInstance(u"Outlook.Application", &IID_IUnknown, &out), hr::ok);
  EXPECT_EQ(out, &app);
  EXPECT_EQ(app.refs, 3u);
  app.Release();
  ASSERT_EQ(KestrinCoCreateInstance(u"outlook.application", &IID_IDispatch, &out), hr::noInterface);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(KestrinCoCreateInstance(nullptr, &IID_IUnknown, &out), hr::invalidArg);
  EXPECT_EQ(KestrinCoCreateInstance(u"Outlook.Application", nullptr, &out), hr::invalidArg);
  EXPECT_EQ(KestrinCoCreateInstance(u"Outlook.Application", &IID_IUnknown, nullptr), hr::pointer);
  SetRunningApplication(nullptr);
  EXPECT_EQ(app.refs, 1u);  // let go
}

}  // namespace
}  // namespace kestrin::com
