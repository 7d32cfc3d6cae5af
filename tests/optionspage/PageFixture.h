// A page as Outlook creates it: over a temporary hive, a client site that does or does not offer
// a page site (counting OnStatusChange), and the stand-in Outlook behind CreateObject.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "addin/OutlookHost.h"
#include "optionspage/OptionsPage.h"
#include "settings/modRegistry.h"
#include "standin/Outlook.h"
#include "standin/PageClientSite.h"
#include "standin/Profile.h"

#if defined(_WIN32)
#include "settings/Registry.h"
#else
#include "platform/linux/SqliteHive.h"
#endif

namespace kestrin::page::testing {

// The host's client site, as the Options dialog gives it.
using FakeClientSite = standin::PageClientSite;

// Stored settings of one case; nullopt leaves the value missing.
struct Stored {
  std::optional<std::u16string> folder = std::nullopt;
  std::optional<std::u16string> domains = std::nullopt;
  std::optional<std::u16string> markRead = std::nullopt;
};

class PageTest : public ::testing::Test {
 public:
  void SetUp() override {
    standin::Profile::Current().Reset();
#if defined(_WIN32)
    registry_ = &SystemRegistry();
    (void)registry_->DeleteTree(kSettingsRoot, "Software\\Halvarn\\Kestrin");
#else
    hivePath_ = std::filesystem::temp_directory_path() /
                ("kestrin-page-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".db");
    std::filesystem::remove(hivePath_);
    std::string error;
    hive_ = SqliteHive::Open(hivePath_.string(), SqliteHive::Mode::ReadWrite, &error);
    ASSERT_TRUE(hive_) << error;
    registry_ = hive_.get();
#endif
    outlook_ = std::make_unique<standin::Outlook>();
    auto& profile = standin::Profile::Current();
    store_ = &profile.AddStore(u"Personal Folders", u"Personal Folders", true);
    inbox_ = &profile.AddFolder(*store_->top, u"Inbox");
    store_->inbox = inbox_;
  }

  void TearDown() override {
    ClosePage();
    EXPECT_EQ(FakeClientSite::live, 0) << "the page kept its site";
    EXPECT_EQ(OptionsPage::LiveObjects(), 0);
    outlook_.reset();
    EXPECT_EQ(standin::Profile::Current().liveOutlookObjects, 0) << "an Outlook reference leaked";
    standin::Profile::Current().Reset();
#if !defined(_WIN32)
    hive_.reset();
    std::filesystem::remove(hivePath_);
#endif
  }

  Registry& registry() { return *registry_; }

  void Store(const Stored& s) {
    auto put = [&](const char16_t* name, const std::optional<std::u16string>& v) {
      if (v) {
        ASSERT_TRUE(WriteRegistryValue(registry(), kSettingsRoot, kSettingsKey, name, *v, kRegSz));
      }
    };
    put(kValueDestination, s.folder);
    put(kValueDomains, s.domains);
    put(kValueMarkRead, s.markRead);
  }

  RegistryValue Read(const char16_t* name) { return ReadRegistryValue(registry(), kSettingsRoot, kSettingsKey, name); }
  std::u16string ReadText(const char16_t* name) { return ValueAsText(Read(name)); }

  CreateObjectFn OutlookCreateObject() {
    return [this](const std::u16string& progId, const Guid& iid, void** out) -> HRESULT {
      ++createObjectCalls;
      *out = nullptr;
      if (createObjectResult != hr::ok) return createObjectResult;
      if (progId != u"Outlook.Application") return static_cast<HRESULT>(0x800401F3u);
      return outlook_->Application()->QueryInterface(iid, out);
    };
  }

  // Creates the page as Outlook does: by its class, client site first, then InitNew.
  void OpenPage(bool offersPageSite = true, bool giveClientSite = true) {
    ClosePage();
    page_ = OptionsPage::CreateHeadless(OutlookCreateObject(), registry());
    ASSERT_TRUE(page_);
    site_ = new FakeClientSite(offersPageSite);
    if (giveClientSite) {
      ASSERT_EQ(page_->SetClientSite(site_), hr::ok);
    }
    ASSERT_EQ(page_->InitNew(), hr::ok);
  }

  void ClosePage() {
    if (page_) page_->Release();
    page_ = nullptr;
    if (site_) site_->Release();
    site_ = nullptr;
  }

  std::int16_t Dirty() {
    std::int16_t d = 12345;
    EXPECT_EQ(page_->get_Dirty(&d), hr::ok);
    return d;
  }
  int StatusChanges() const { return site_ ? site_->statusChanges : 0; }
  PageState State() {
    PageState s;
    EXPECT_EQ(page_->GetState(&s), hr::ok);
    return s;
  }

  std::unique_ptr<standin::Outlook> outlook_;
  standin::Store* store_ = nullptr;
  standin::Folder* inbox_ = nullptr;
  OptionsPage* page_ = nullptr;
  FakeClientSite* site_ = nullptr;
  int createObjectCalls = 0;
  HRESULT createObjectResult = hr::ok;

 private:
  Registry* registry_ = nullptr;
#if !defined(_WIN32)
  std::filesystem::path hivePath_;
  std::unique_ptr<SqliteHive> hive_;
#endif
};

inline std::string Narrow(const std::u16string& s) {
  std::string out;
  for (char16_t c : s) out += c < 0x80 ? static_cast<char>(c) : '?';
  return out;
}

}  // namespace kestrin::page::testing
