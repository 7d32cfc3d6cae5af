// libKestrin.so as Outlook meets it: registration in the hive, the class factory, and KestrinLIB
// loaded from the add-in's own directory, whatever lies in the current directory.
#include <dlfcn.h>
#include <stdlib.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "AddinWorld.h"
#include "addin/GuidText.h"
#include "settings/modRegistry.h"

namespace kestrin::test {
namespace {

namespace fs = std::filesystem;

std::u16string Wide(const std::string& s) { return std::u16string(s.begin(), s.end()); }

RegistryValue Read(const std::string& key, const char16_t* name) {
  return ReadRegistryValue(kHkeyCurrentUser, Wide(key), name);
}

// A copy of libKestrin.so beside the full stand-in KestrinLIB, in a fresh directory; the current
// directory holds a KestrinLIB without IsSenderInAddressBook, which must never be the one loaded.
class Server : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/kestrin-server-XXXXXX";
    ASSERT_TRUE(mkdtemp(pattern));
    dir_ = pattern;
    fs::create_directory(dir_ / "cwd");
    fs::copy_file(fs::path(KESTRIN_BIN_DIR) / "libKestrin.so", dir_ / "libKestrin.so");
    fs::copy_file(StandinLibDirectory("full") + "/libKestrinLIB.so", dir_ / "libKestrinLIB.so");
    fs::copy_file(StandinLibDirectory("no-book") + "/libKestrinLIB.so", dir_ / "cwd" / "libKestrinLIB.so");
    oldCwd_ = fs::current_path();
    fs::current_path(dir_ / "cwd");
    library_ = dlopen((dir_ / "libKestrin.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_TRUE(library_) << dlerror();
    getClassObject_ = reinterpret_cast<DllGetClassObjectFn>(dlsym(library_, "DllGetClassObject"));
    canUnloadNow_ = reinterpret_cast<DllCanUnloadNowFn>(dlsym(library_, "DllCanUnloadNow"));
    register_ = reinterpret_cast<DllRegisterServerFn>(dlsym(library_, "DllRegisterServer"));
    unregister_ = reinterpret_cast<DllUnregisterServerFn>(dlsym(library_, "DllUnregisterServer"));
    ASSERT_TRUE(getClassObject_ && canUnloadNow_ && register_ && unregister_);
  }
  void TearDown() override {
    if (library_) dlclose(library_);
    fs::current_path(oldCwd_);
    fs::remove_all(dir_);
  }

  ComPtr<outlook::DTExtensibility2> CreateConnect() {
    ComPtr<ClassFactory> factory;
    EXPECT_EQ(getClassObject_(CLSID_Connect, ClassFactory::iid, reinterpret_cast<void**>(factory.put())), hr::ok);
    ComPtr<outlook::DTExtensibility2> connect;
    if (factory)
      EXPECT_EQ(factory->CreateInstance(nullptr, outlook::DTExtensibility2::iid,
                                        reinterpret_cast<void**>(connect.put())),
                hr::ok);
    return connect;
  }

  fs::path dir_, oldCwd_;
  void* library_ = nullptr;
  DllGetClassObjectFn getClassObject_ = nullptr;
  DllCanUnloadNowFn canUnloadNow_ = nullptr;
  DllRegisterServerFn register_ = nullptr;
  DllUnregisterServerFn unregister_ = nullptr;
};

TEST_F(Server, RegistrationWritesClassesAndAddinKeyAndUnregistrationRemovesThem) {
  const std::string connect = "Software\\Classes\\CLSID\\" + GuidToText(CLSID_Connect);
  const std::string outAddIn = "Software\\Classes\\CLSID\\" + GuidToText(CLSID_OutAddIn);
  const std::string addin = "Software\\Microsoft\\Office\\Outlook\\Addins\\Kestrin.Connect";
  ASSERT_EQ(register_(), hr::ok);
  struct Expect {
    std::string key;
    const char16_t* name;
    RegistryValue value;
  } expected[] = {
      {connect + "\\InprocServer32", u"", Wide(fs::canonical(dir_ / "libKestrin.so").string())},
      {connect + "\\InprocServer32", u"ThreadingModel", u"Apartment"},
      {connect + "\\ProgID", u"", u"Kestrin.Connect"},
      {outAddIn + "\\ProgID", u"", u"Kestrin.OutAddIn"},
      {outAddIn + "\\InprocServer32", u"ThreadingModel", u"Apartment"},
      {"Software\\Classes\\Kestrin.Connect\\CLSID", u"", Wide(GuidToText(CLSID_Connect))},
      {"Software\\Classes\\Kestrin.OutAddIn\\CLSID", u"", Wide(GuidToText(CLSID_OutAddIn))},
      {"Software\\Classes\\TypeLib\\" + GuidToText(LIBID_Kestrin) + "\\1.0", u"", u"Kestrin Outlook Add-in"},
      {addin, u"FriendlyName", u"Kestrin"},
      {addin, u"Description", u"Pellor's Kestrin add-in"},
      {addin, u"LoadBehavior", std::int32_t{3}},
  };
  for (const Expect& e : expected) EXPECT_EQ(Read(e.key, e.name), e.value) << e.key << " " << Narrow(e.name);

  ASSERT_EQ(unregister_(), hr::ok);
  for (const Expect& e : expected) EXPECT_TRUE(IsNothing(Read(e.key, e.name))) << e.key;
  EXPECT_EQ(unregister_(), hr::ok);  // nothing left to remove is no failure
}

TEST_F(Server, FactoriesHandOutTheTwoClassesOnly) {
  ComPtr<ClassFactory> factory;
  const Guid unknown = OleGuid(0x12345678);
  EXPECT_EQ(getClassObject_(unknown, ClassFactory::iid, reinterpret_cast<void**>(factory.put())),
            hr::classNotAvailable);
  EXPECT_FALSE(factory);
  ASSERT_EQ(getClassObject_(CLSID_OutAddIn, ClassFactory::iid, reinterpret_cast<void**>(factory.put())), hr::ok);
  ComPtr<Unknown> object;
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(object.put())), hr::ok);
  ComPtr<Unknown> aggregated;
  EXPECT_EQ(factory->CreateInstance(object.get(), IID_IUnknown, reinterpret_cast<void**>(aggregated.put())),
            hr::noAggregation);
  EXPECT_EQ(canUnloadNow_(), hr::falseOk);
  object.reset();
  factory.reset();
  EXPECT_EQ(canUnloadNow_(), hr::ok);
}

TEST_F(Server, FiltersWithTheSupportLibraryBesideItself) {
  AddinWorld w;  // the profile and Outlook; its own Connect stays unused
  WriteSetting(kValueDestination, u"\\Top\\Junk");
  w.outlook->OpenExplorer(w.inbox);
  ComPtr<outlook::DTExtensibility2> connect = CreateConnect();
  ASSERT_TRUE(connect);
  ComPtr<outlook::Application> app = w.outlook->Application();
  ASSERT_EQ(connect->OnConnection(app.get(), 0, nullptr, nullptr), hr::ok);
  ASSERT_EQ(w.outlook->RaiseStartup(), hr::ok);
  auto r = w.DeliverMail("spam@bad.example");
  EXPECT_EQ(r.eventResult, hr::ok);  // the current directory's library lacks an export
  EXPECT_EQ(r.item->folder, w.junk);
  EXPECT_EQ(canUnloadNow_(), hr::falseOk);
  ASSERT_EQ(connect->OnDisconnection(1, nullptr), hr::ok);
  connect.reset();
  app.reset();
  EXPECT_EQ(canUnloadNow_(), hr::ok);
  EXPECT_EQ(w.Subscriptions(), 0u);
}

}  // namespace
}  // namespace kestrin::test
