// libKestrinOptionsPage.so as a process loads it: its exports, its registration in the hive, its
// class factory, and CreateObject reaching the process's KestrinCoCreateInstance (this program
// plays the host and exports one over the stand-in Outlook).
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "addin/GuidText.h"
#include "addin/OutlookHost.h"
#include "optionspage/OptionsPage.h"
#include "optionspage/PageDriver.h"
#include "platform/linux/ComRuntime.h"
#include "platform/linux/SqliteHive.h"
#include "settings/CodePage.h"
#include "settings/modRegistry.h"
#include "standin/Outlook.h"
#include "standin/Profile.h"

namespace {

kestrin::standin::Outlook* gOutlook = nullptr;
int gCoCreateCalls = 0;

}  // namespace

extern "C" __attribute__((visibility("default"))) kestrin::HRESULT KestrinCoCreateInstance(
    const char16_t* progId, const kestrin::Guid* iid, void** out) {
  ++gCoCreateCalls;
  *out = nullptr;
  if (std::u16string(progId) != u"Outlook.Application" || !gOutlook) return static_cast<kestrin::HRESULT>(0x800401F3u);
  return gOutlook->Application()->QueryInterface(*iid, out);
}

namespace kestrin::page {
namespace {

class PageServer : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    hivePath_ = new std::filesystem::path(std::filesystem::temp_directory_path() /
                                          ("kestrin-page-server-" + std::to_string(getpid()) + ".db"));
    std::filesystem::remove(*hivePath_);
    // Before the library's first registry call: the library opens the process's hive once.
    setenv("KESTRIN_HIVE", hivePath_->c_str(), 1);
    library_ = dlopen(KESTRIN_OPTIONSPAGE_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library_, nullptr) << dlerror();
  }
  static void TearDownTestSuite() {
    if (library_) dlclose(library_);
    std::filesystem::remove(*hivePath_);
    delete hivePath_;
  }

  void SetUp() override {
    ASSERT_NE(library_, nullptr);
    std::string error;
    hive_ = SqliteHive::Open(hivePath_->string(), SqliteHive::Mode::ReadWrite, &error);
    ASSERT_TRUE(hive_) << error;
  }

  template <class F>
  static F Export(const char* name) {
    return reinterpret_cast<F>(dlsym(library_, name));
  }

  std::u16string ClassesValue(const std::string& key, const std::string& name = "") {
    return ValueAsText(ReadRegistryValue(*hive_, kHkeyCurrentUser, FromCodePage("Software\\Classes\\" + key),
                                         FromCodePage(name)));
  }
  bool KeyExists(const std::string& key) {
    RegKey k = 0;
    if (hive_->OpenKey(kHkeyCurrentUser, "Software\\Classes\\" + key, &k) != kErrorSuccess) return false;
    (void)hive_->CloseKey(k);
    return true;
  }

  static inline void* library_ = nullptr;
  static inline std::filesystem::path* hivePath_ = nullptr;
  std::unique_ptr<SqliteHive> hive_;
};

TEST_F(PageServer, ExportsTheFourEntryPoints) {
  for (const char* name : {"DllRegisterServer", "DllUnregisterServer", "DllGetClassObject", "DllCanUnloadNow"})
    EXPECT_NE(dlsym(library_, name), nullptr) << name;
}

TEST_F(PageServer, RegistersTheClassProgIdAndTypeLibraryAndRemovesThemAgain) {
  auto reg = Export<DllRegisterServerFn>("DllRegisterServer");
  auto unreg = Export<DllUnregisterServerFn>("DllUnregisterServer");
  ASSERT_EQ(reg(), hr::ok);

  const std::string clsid = GuidToText(CLSID_OptionsPage);
  const std::string libid = GuidToText(LIBID_KestrinPPE);
  struct Row {
    std::string key, name;
    std::u16string value;
  } rows[] = {
      {"KestrinPPE.OptionsPage\\CLSID", "", FromCodePage(clsid)},
      {"CLSID\\" + clsid, "", u"OptionsPage"},
      {"CLSID\\" + clsid + "\\InprocServer32", "", FromCodePage(std::filesystem::canonical(KESTRIN_OPTIONSPAGE_LIBRARY).string())},
      {"CLSID\\" + clsid + "\\InprocServer32", "ThreadingModel", u"Apartment"},
      {"CLSID\\" + clsid + "\\ProgID", "", u"KestrinPPE.OptionsPage"},
      {"CLSID\\" + clsid + "\\TypeLib", "", FromCodePage(libid)},
      {"CLSID\\" + clsid + "\\MiscStatus\\1", "", u"131473"},
      {"TypeLib\\" + libid + "\\1.0", "", u"Kestrin Outlook Add-in Options Form"},
  };
  for (const Row& r : rows) EXPECT_EQ(ClassesValue(r.key, r.name), r.value) << r.key << " " << r.name;
  EXPECT_EQ(clsid, "{9B427B40-739E-49BC-BDB9-EFC608FD4ED2}") << "the class identifier is fixed once";
  EXPECT_EQ(libid, "{BA6C6B6B-8052-4991-85C4-4BD2DDD818CE}") << "the type library identifier is fixed once";

  ASSERT_EQ(unreg(), hr::ok);
  for (const std::string& key : {"CLSID\\" + clsid, std::string("KestrinPPE.OptionsPage"), "TypeLib\\" + libid,
                                 "Interface\\" + GuidToText(IID__OptionsPage)})
    EXPECT_FALSE(KeyExists(key)) << key;
  EXPECT_EQ(unreg(), hr::ok) << "unregistering twice is no failure";
}

TEST_F(PageServer, FactoryMakesPagesThatReachOutlookThroughTheHost) {
  auto getClassObject = Export<DllGetClassObjectFn>("DllGetClassObject");
  auto canUnload = Export<DllCanUnloadNowFn>("DllCanUnloadNow");
  ASSERT_TRUE(getClassObject && canUnload);

  void* p = nullptr;
  EXPECT_EQ(getClassObject(IID__OptionsPage, ClassFactory::iid, &p), hr::classNotAvailable);
  EXPECT_EQ(p, nullptr);
  ASSERT_EQ(getClassObject(CLSID_OptionsPage, ClassFactory::iid, &p), hr::ok);
  ComPtr<ClassFactory> factory = ComPtr<ClassFactory>::Attach(static_cast<ClassFactory*>(p));

  Unknown* outer = reinterpret_cast<Unknown*>(factory.get());
  EXPECT_EQ(factory->CreateInstance(outer, outlook::PropertyPage::iid, &p), hr::noAggregation);

  standin::Profile::Current().Reset();
  auto& profile = standin::Profile::Current();
  auto& store = profile.AddStore(u"Personal Folders", u"Personal Folders", true);
  standin::Folder& junk = profile.AddFolder(profile.AddFolder(*store.top, u"Inbox"), u"Junk");
  {
    standin::Outlook outlook;
    gOutlook = &outlook;
    outlook.SetPickFolderAnswer(&junk);

    ComPtr<outlook::PropertyPage> page;
    ASSERT_EQ(factory->CreateInstance(nullptr, outlook::PropertyPage::iid, reinterpret_cast<void**>(page.put())), hr::ok);
    EXPECT_EQ(canUnload(), hr::falseOk);
    ComPtr<outlook::PersistStreamInit> init;
    ASSERT_EQ(page.As(init), hr::ok);
    ASSERT_EQ(init->InitNew(), hr::ok);
    ComPtr<PageDriver> driver;
    ASSERT_EQ(page.As(driver), hr::ok);

    gCoCreateCalls = 0;
    ASSERT_EQ(driver->Click(ControlId::cmdFolder), hr::ok);
    EXPECT_EQ(gCoCreateCalls, 1);
    PageState state;
    ASSERT_EQ(driver->GetState(&state), hr::ok);
    EXPECT_EQ(state.txtFolder, u"\\Personal Folders\\Inbox\\Junk");

    ASSERT_EQ(page->Apply(), hr::ok);
    EXPECT_EQ(ValueAsText(ReadRegistryValue(*hive_, kSettingsRoot, kSettingsKey, kValueDestination)),
              u"\\Personal Folders\\Inbox\\Junk");
    driver.reset();
    init.reset();
    page.reset();
    gOutlook = nullptr;
  }
  EXPECT_EQ(canUnload(), hr::ok);
  EXPECT_EQ(standin::Profile::Current().liveOutlookObjects, 0);
  standin::Profile::Current().Reset();
}

}  // namespace
}  // namespace kestrin::page
