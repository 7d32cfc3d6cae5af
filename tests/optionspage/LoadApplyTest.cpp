// Loading the stored settings into a new page, and Apply writing them back.
#include <string>
#include <vector>

#include "PageFixture.h"

namespace kestrin::page::testing {
namespace {

using Entries = std::vector<std::u16string>;

struct DomainLoadCase {
  const char* name;
  std::optional<std::u16string> stored;
  Entries list;         // lst_Domains after loading
  Entries collection;   // colDomains after loading
  std::u16string applied;  // ExcludedDomains after an Apply
};
void PrintTo(const DomainLoadCase& c, std::ostream* os) { *os << c.name; }

class DomainLoad : public PageTest, public ::testing::WithParamInterface<DomainLoadCase> {};

TEST_P(DomainLoad, ShowsEveryFieldButTheLastAndApplyWritesTheCollection) {
  const DomainLoadCase& c = GetParam();
  Store({.domains = c.stored});
  OpenPage();
  EXPECT_EQ(State().lst_Domains, c.list);
  EXPECT_EQ(page_->Domains().Entries(), c.collection);
  EXPECT_EQ(Dirty(), kFalse);
  EXPECT_EQ(StatusChanges(), 0);

  ASSERT_EQ(page_->Apply(), hr::ok);
  EXPECT_EQ(ReadText(kValueDomains), c.applied);
}

INSTANTIATE_TEST_SUITE_P(
    Stored, DomainLoad,
    ::testing::Values(
        DomainLoadCase{"TwoEntries", u"a.com;b.org;", {u"a.com", u"b.org"}, {u"a.com", u"b.org"}, u"a.com;b.org;"},
        DomainLoadCase{"NoFinalSemicolon", u"a.com;b.org", {u"a.com"}, {u"a.com"}, u"a.com;"},
        DomainLoadCase{"OneEntryWithoutSemicolon", u"a.com", {}, {}, u""},
        DomainLoadCase{"DuplicateInOtherCase", u"a.com;A.com;", {u"a.com", u"A.com"}, {u"a.com"}, u"a.com;"},
        DomainLoadCase{"Empty", u"", {}, {}, u""},
        DomainLoadCase{"Missing", std::nullopt, {}, {}, u""},
        DomainLoadCase{"KeptAsStored", u" Mixed.Case ;x.org;", {u" Mixed.Case ", u"x.org"},
                       {u" Mixed.Case ", u"x.org"}, u" Mixed.Case ;x.org;"},
        // Not written by the page; kept rather than dropped so Apply gives the same text back.
        DomainLoadCase{"EmptyFieldInside", u"a.com;;b.org;", {u"a.com", u"", u"b.org"}, {u"a.com", u"", u"b.org"},
                       u"a.com;;b.org;"}),
    [](const auto& info) { return std::string(info.param.name); });

struct MarkReadCase {
  const char* name;
  std::optional<std::u16string> stored;
  bool ticked;
};
void PrintTo(const MarkReadCase& c, std::ostream* os) { *os << c.name; }

class MarkReadLoad : public PageTest, public ::testing::WithParamInterface<MarkReadCase> {};

TEST_P(MarkReadLoad, TicksTheBoxOnlyForY) {
  const MarkReadCase& c = GetParam();
  Store({.markRead = c.stored});
  OpenPage();
  EXPECT_EQ(State().chk_MarkRead, c.ticked ? kChecked : kUnchecked);
  EXPECT_EQ(Dirty(), kFalse);
  EXPECT_EQ(StatusChanges(), 0);
  ASSERT_EQ(page_->Apply(), hr::ok);
  EXPECT_EQ(ReadText(kValueMarkRead), c.ticked ? u"Y" : u"N");
}

INSTANTIATE_TEST_SUITE_P(Stored, MarkReadLoad,
                         ::testing::Values(MarkReadCase{"Y", u"Y", true},
                                           MarkReadCase{"LowerCaseBetweenSpaces", u"  y ", true},
                                           MarkReadCase{"N", u"N", false},
                                           MarkReadCase{"Yes", u"yes", false},
                                           MarkReadCase{"Empty", u"", false},
                                           MarkReadCase{"Missing", std::nullopt, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PageTest, MarkReadStoredAsNumberLeavesTheBoxCleared) {
  RegKey key = 0;
  ASSERT_EQ(registry().CreateKey(kSettingsRoot, "Software\\Halvarn\\Kestrin", &key), kErrorSuccess);
  const std::uint8_t one[4] = {1, 0, 0, 0};
  ASSERT_EQ(registry().SetValue(key, "MarkSpamAsRead", kRegDword, one, 4), kErrorSuccess);
  ASSERT_EQ(registry().CloseKey(key), kErrorSuccess);
  OpenPage();
  EXPECT_EQ(State().chk_MarkRead, kUnchecked);
}

TEST_F(PageTest, FilledPageOpensCleanUnderLoading) {
  Store({.folder = u"\\Personal Folders\\Junk", .domains = u"a.com;", .markRead = u"Y"});
  OpenPage();
  const PageState s = State();
  EXPECT_EQ(s.txtFolder, u"\\Personal Folders\\Junk");
  EXPECT_EQ(s.chk_MarkRead, kChecked);
  EXPECT_EQ(s.lst_Domains, Entries{u"a.com"});
  EXPECT_EQ(s.Txt_ExcludeDomain, u"");
  // The box and the check box raised their events while loading: neither marked the page.
  EXPECT_EQ(Dirty(), kFalse);
  EXPECT_EQ(StatusChanges(), 0);
}

TEST_F(PageTest, MissingKeyOpensAnEmptyPage) {
  OpenPage();
  const PageState s = State();
  EXPECT_EQ(s.txtFolder, u"");
  EXPECT_EQ(s.chk_MarkRead, kUnchecked);
  EXPECT_TRUE(s.lst_Domains.empty());
  EXPECT_EQ(Dirty(), kFalse);
}

TEST_F(PageTest, ApplyWritesAllThreeValuesAsText) {
  Store({.folder = u"\\Personal Folders\\Junk", .domains = u"a.com;", .markRead = u"Y"});
  OpenPage();
  ASSERT_EQ(page_->EnterText(ControlId::txtFolder, u""), hr::ok);
  ASSERT_EQ(page_->DoubleClick(ControlId::lst_Domains, 0), hr::ok);
  ASSERT_EQ(page_->Click(ControlId::chk_MarkRead), hr::ok);
  const int callsBefore = StatusChanges();

  ASSERT_EQ(page_->Apply(), hr::ok);
  EXPECT_EQ(Dirty(), kFalse);
  EXPECT_EQ(StatusChanges(), callsBefore) << "Apply must not call OnStatusChange";
  for (const char16_t* name : {kValueDestination, kValueDomains, kValueMarkRead}) {
    const RegistryValue v = Read(name);
    ASSERT_TRUE(std::holds_alternative<std::u16string>(v)) << Narrow(name) << " not stored as text";
  }
  EXPECT_EQ(ReadText(kValueDestination), u"");
  EXPECT_EQ(ReadText(kValueDomains), u"");
  EXPECT_EQ(ReadText(kValueMarkRead), u"N");
}

TEST_F(PageTest, ApplyRunsAgainAndWritesUnchangedValuesToo) {
  OpenPage();
  ASSERT_EQ(page_->EnterText(ControlId::txtFolder, u"\\A"), hr::ok);
  ASSERT_EQ(page_->Apply(), hr::ok);
  // Someone else changes the store; the next Apply writes the page's values again.
  ASSERT_TRUE(WriteRegistryValue(registry(), kSettingsRoot, kSettingsKey, kValueDestination, u"\\B", kRegSz));
  ASSERT_EQ(page_->Apply(), hr::ok);
  EXPECT_EQ(ReadText(kValueDestination), u"\\A");
  EXPECT_EQ(ReadText(kValueMarkRead), u"N");
}

// A grey box (set by a view, not by the user) is not "ticked".
TEST_F(PageTest, GreyCheckBoxIsWrittenAsN) {
  auto view = std::make_unique<HeadlessView>();
  HeadlessView* v = view.get();
  OptionsPage* page = OptionsPage::Create(std::move(view), OutlookCreateObject(), registry());
  ASSERT_EQ(page->InitNew(), hr::ok);
  ASSERT_EQ(v->SetValue(ControlId::chk_MarkRead, kGrayed), hr::ok);
  ASSERT_EQ(page->Apply(), hr::ok);
  EXPECT_EQ(ReadText(kValueMarkRead), u"N");
  ASSERT_EQ(v->SetValue(ControlId::chk_MarkRead, kChecked), hr::ok);
  ASSERT_EQ(page->Apply(), hr::ok);
  EXPECT_EQ(ReadText(kValueMarkRead), u"Y");
  page->Release();
}

// A registry whose writes of one value throw, as a conversion or a hive failure would.
class FailingWrites final : public Registry {
 public:
  FailingWrites(Registry& inner, std::string failing) : inner_(inner), failing_(std::move(failing)) {}
  RegStatus OpenKey(RegKey r, const std::string& p, RegKey* o) override { return inner_.OpenKey(r, p, o); }
  RegStatus CreateKey(RegKey r, const std::string& p, RegKey* o) override { return inner_.CreateKey(r, p, o); }
  RegStatus QueryValue(RegKey k, const std::string& n, std::uint32_t* t, std::uint8_t* d, std::uint32_t* s) override {
    return inner_.QueryValue(k, n, t, d, s);
  }
  RegStatus SetValue(RegKey k, const std::string& n, std::uint32_t t, const std::uint8_t* d, std::uint32_t s) override {
    writes.push_back(n);
    if (n == failing_) throw std::runtime_error("write failed");
    return inner_.SetValue(k, n, t, d, s);
  }
  RegStatus CloseKey(RegKey k) override { return inner_.CloseKey(k); }
  RegStatus DeleteTree(RegKey r, const std::string& p) override { return inner_.DeleteTree(r, p); }
  RegStatus DeleteValue(RegKey k, const std::string& n) override { return inner_.DeleteValue(k, n); }
  std::vector<std::string> writes;

 private:
  Registry& inner_;
  std::string failing_;
};

TEST_F(PageTest, FailedWriteRunsTheOtherWritesButLeavesThePageChanged) {
  FailingWrites failing(registry(), "ExcludedDomains");
  OptionsPage* page = OptionsPage::CreateHeadless(OutlookCreateObject(), failing);
  auto* site = new FakeClientSite(true);
  ASSERT_EQ(page->SetClientSite(site), hr::ok);
  ASSERT_EQ(page->InitNew(), hr::ok);
  ASSERT_EQ(page->EnterText(ControlId::txtFolder, u"\\Personal Folders\\Inbox"), hr::ok);
  ASSERT_EQ(page->Click(ControlId::chk_MarkRead), hr::ok);

  EXPECT_TRUE(Failed(page->Apply()));
  EXPECT_EQ(failing.writes, (std::vector<std::string>{"SpamDestinationFolderPath", "ExcludedDomains", "MarkSpamAsRead"}));
  std::int16_t dirty = 0;
  ASSERT_EQ(page->get_Dirty(&dirty), hr::ok);
  EXPECT_EQ(dirty, kTrue) << "unsaved changes must not look saved";
  EXPECT_EQ(ReadText(kValueDestination), u"\\Personal Folders\\Inbox");
  EXPECT_EQ(ReadText(kValueMarkRead), u"Y");
  page->Release();
  site->Release();
}

}  // namespace
}  // namespace kestrin::page::testing
