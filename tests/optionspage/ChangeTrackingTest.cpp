// Dirty and OnStatusChange: which user actions mark the page, and the property-page protocol.
#include <functional>
#include <string>
#include <vector>

#include "PageFixture.h"

namespace kestrin::page::testing {
namespace {

struct ActionCase {
  const char* name;
  Stored stored;
  std::function<void(PageTest&)> setUp;  // before the action, e.g. the folder dialog's answer
  std::function<HRESULT(OptionsPage&)> action;
  bool marks;  // sets Dirty and calls OnStatusChange once
};
void PrintTo(const ActionCase& c, std::ostream* os) { *os << c.name; }

class ChangeTracking : public PageTest, public ::testing::WithParamInterface<ActionCase> {};

std::vector<ActionCase> ActionCases() {
  return {
      {"TickMarkRead", {}, nullptr, [](OptionsPage& p) { return p.Click(ControlId::chk_MarkRead); }, true},
      {"ClearMarkRead", {.markRead = u"Y"}, nullptr,
       [](OptionsPage& p) { return p.Click(ControlId::chk_MarkRead); }, true},
      {"TypeOneCharacterInFolderBox", {.folder = u"\\Personal Folders\\Junk"}, nullptr,
       [](OptionsPage& p) { return p.EnterText(ControlId::txtFolder, u"\\Personal Folders\\Junkx"); }, true},
      {"ClearFolderBox", {.folder = u"\\Personal Folders\\Junk"}, nullptr,
       [](OptionsPage& p) { return p.EnterText(ControlId::txtFolder, u""); }, true},
      {"PickAnotherFolder", {.folder = u"\\Personal Folders\\Junk"},
       [](PageTest& t) { t.outlook_->SetPickFolderAnswer(t.inbox_); },
       [](OptionsPage& p) { return p.Click(ControlId::cmdFolder); }, true},
      {"PickTheFolderAlreadyShown", {.folder = u"\\Personal Folders\\Inbox"},
       [](PageTest& t) { t.outlook_->SetPickFolderAnswer(t.inbox_); },
       [](OptionsPage& p) { return p.Click(ControlId::cmdFolder); }, false},
      {"CancelFolderDialog", {.folder = u"\\Personal Folders\\Junk"},
       [](PageTest& t) { t.outlook_->SetPickFolderAnswer(nullptr); },
       [](OptionsPage& p) { return p.Click(ControlId::cmdFolder); }, false},
      {"AddDomain", {}, nullptr,
       [](OptionsPage& p) {
         (void)p.EnterText(ControlId::Txt_ExcludeDomain, u"example.com");
         return p.Click(ControlId::Command1);
       },
       true},
      {"AddRefusedDuplicate", {.domains = u"example.com;"}, nullptr,
       [](OptionsPage& p) {
         (void)p.EnterText(ControlId::Txt_ExcludeDomain, u"Example.COM");
         return p.Click(ControlId::Command1);
       },
       true},
      {"AddEmptyText", {}, nullptr, [](OptionsPage& p) { return p.Click(ControlId::Command1); }, false},
      {"AddOnlySpaces", {}, nullptr,
       [](OptionsPage& p) {
         (void)p.EnterText(ControlId::Txt_ExcludeDomain, u"   ");
         return p.Click(ControlId::Command1);
       },
       false},
      {"TypeInDomainBoxWithoutAdd", {}, nullptr,
       [](OptionsPage& p) { return p.EnterText(ControlId::Txt_ExcludeDomain, u"example.com"); }, false},
      {"DoubleClickEntry", {.domains = u"a.com;b.com;"}, nullptr,
       [](OptionsPage& p) { return p.DoubleClick(ControlId::lst_Domains, 0); }, false},
      {"DoubleClickWithNothingSelected", {.domains = u"a.com;b.com;"}, nullptr,
       [](OptionsPage& p) { return p.DoubleClick(ControlId::lst_Domains, -1); }, false},
      {"Apply", {.markRead = u"Y"}, nullptr, [](OptionsPage& p) { return p.Apply(); }, false},
  };
}

TEST_P(ChangeTracking, MarksOnlyTheActionsThatChangeSettings) {
  const ActionCase& c = GetParam();
  Store(c.stored);
  OpenPage();
  if (c.setUp) c.setUp(*this);
  ASSERT_EQ(Dirty(), kFalse);

  EXPECT_EQ(c.action(*page_), hr::ok);
  EXPECT_EQ(Dirty(), c.marks ? kTrue : kFalse);
  EXPECT_EQ(StatusChanges(), c.marks ? 1 : 0);
}

TEST_P(ChangeTracking, AlreadyChangedPageReportsEveryChangeAgain) {
  const ActionCase& c = GetParam();
  Store(c.stored);
  OpenPage();
  if (c.setUp) c.setUp(*this);
  ASSERT_EQ(page_->Click(ControlId::chk_MarkRead), hr::ok);
  ASSERT_EQ(StatusChanges(), 1);

  EXPECT_EQ(c.action(*page_), hr::ok);
  // Apply is the one action that makes a changed page clean again.
  EXPECT_EQ(Dirty(), std::string(c.name) == "Apply" ? kFalse : kTrue);
  EXPECT_EQ(StatusChanges(), c.marks ? 2 : 1);
}

TEST_P(ChangeTracking, PageWithoutPageSiteNeverBecomesChanged) {
  const ActionCase& c = GetParam();
  Store(c.stored);
  OpenPage(/*offersPageSite=*/false);
  EXPECT_FALSE(page_->HasSite());
  if (c.setUp) c.setUp(*this);

  EXPECT_EQ(c.action(*page_), hr::ok);
  EXPECT_EQ(Dirty(), kFalse);
  EXPECT_EQ(StatusChanges(), 0);
}

INSTANTIATE_TEST_SUITE_P(Actions, ChangeTracking, ::testing::ValuesIn(ActionCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PageTest, PageThatWasGivenNoClientSiteStillWorksUnmarked) {
  Store({.domains = u"a.com;"});
  OpenPage(/*offersPageSite=*/true, /*giveClientSite=*/false);
  EXPECT_FALSE(page_->HasSite());
  EXPECT_EQ(State().lst_Domains, std::vector<std::u16string>{u"a.com"});
  EXPECT_EQ(page_->Click(ControlId::chk_MarkRead), hr::ok);
  EXPECT_EQ(Dirty(), kFalse);
  EXPECT_EQ(page_->Apply(), hr::ok);
  EXPECT_EQ(ReadText(kValueMarkRead), u"Y");
}

TEST_F(PageTest, FailingOnStatusChangeEndsTheHandlerWithThePageAlreadyChanged) {
  OpenPage();
  site_->statusChangeResult = hr::unexpected;
  EXPECT_EQ(page_->Click(ControlId::chk_MarkRead), hr::unexpected);
  EXPECT_EQ(Dirty(), kTrue);
  EXPECT_EQ(State().chk_MarkRead, kChecked);

  // Add: the entry is in before the marking fails.
  ASSERT_EQ(page_->EnterText(ControlId::Txt_ExcludeDomain, u"a.com"), hr::ok);
  EXPECT_EQ(page_->Click(ControlId::Command1), hr::unexpected);
  EXPECT_EQ(State().lst_Domains, std::vector<std::u16string>{u"a.com"});
}

TEST_F(PageTest, GetPageInfoSucceedsAndLeavesBothArgumentsAlone) {
  OpenPage();
  std::u16string helpFile = u"sentinel.hlp";
  std::int32_t helpContext = 0x5A5A5A5A;
  EXPECT_EQ(page_->GetPageInfo(&helpFile, &helpContext), hr::ok);
  EXPECT_EQ(helpFile, u"sentinel.hlp");
  EXPECT_EQ(helpContext, 0x5A5A5A5A);
  EXPECT_EQ(page_->GetPageInfo(nullptr, nullptr), hr::ok);
}

TEST_F(PageTest, ProtocolInterfacesAndIdentity) {
  OpenPage();
  struct Row {
    const char* name;
    Guid iid;
    bool answers;
  } rows[] = {
      {"IUnknown", IID_IUnknown, true},
      {"PropertyPage", outlook::PropertyPage::iid, true},
      {"_OptionsPage", IID__OptionsPage, true},
      {"OleObject", outlook::OleObject::iid, true},
      {"PersistStreamInit", outlook::PersistStreamInit::iid, true},
      {"PageDriver", PageDriver::iid, true},
      {"IDispatch", IID_IDispatch, false},
      {"PropertyPageSite", outlook::PropertyPageSite::iid, false},
  };
  for (const Row& r : rows) {
    void* p = reinterpret_cast<void*>(1);
    const HRESULT h = page_->QueryInterface(r.iid, &p);
    EXPECT_EQ(Succeeded(h), r.answers) << r.name;
    if (r.answers) {
      ASSERT_NE(p, nullptr) << r.name;
      static_cast<Unknown*>(p)->Release();
    } else {
      EXPECT_EQ(h, hr::noInterface) << r.name;
      EXPECT_EQ(p, nullptr) << r.name;
    }
  }
  EXPECT_EQ(page_->get_Dirty(nullptr), hr::pointer);
}

TEST_F(PageTest, InitialisingTwiceIsRefusedAndLoadsNothingAgain) {
  Store({.domains = u"a.com;b.com;"});
  OpenPage();
  EXPECT_EQ(page_->InitNew(), hr::unexpected);
  EXPECT_EQ(State().lst_Domains, (std::vector<std::u16string>{u"a.com", u"b.com"}));
}

TEST_F(PageTest, ThePageReleasesItsSiteWhenDestroyed) {
  OpenPage();
  ASSERT_TRUE(page_->HasSite());
  site_->Release();  // the host lets go of its own reference first
  site_ = nullptr;
  EXPECT_EQ(FakeClientSite::live, 1);
  page_->Release();
  page_ = nullptr;
  EXPECT_EQ(FakeClientSite::live, 0);
}

}  // namespace
}  // namespace kestrin::page::testing
