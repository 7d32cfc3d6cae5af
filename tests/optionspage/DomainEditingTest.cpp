// Add and Remove on the accepted-domain list: the list box and colDomains stay in step.
#include <string>
#include <vector>

#include "PageFixture.h"

namespace kestrin::page::testing {
namespace {

using Entries = std::vector<std::u16string>;

class DomainEditing : public PageTest {
 protected:
  HRESULT Add(const std::u16string& text) {
    EXPECT_EQ(page_->EnterText(ControlId::Txt_ExcludeDomain, text), hr::ok);
    return page_->Click(ControlId::Command1);
  }
  void ExpectEntries(const Entries& expected, const char* where) {
    EXPECT_EQ(State().lst_Domains, expected) << where << ": list box";
    EXPECT_EQ(page_->Domains().Entries(), expected) << where << ": colDomains";
  }
};

struct AddCase {
  const char* name;
  std::optional<std::u16string> stored;
  std::u16string typed;
  Entries after;           // list box and colDomains
  std::u16string boxAfter;  // Txt_ExcludeDomain
  bool marks;
};
void PrintTo(const AddCase& c, std::ostream* os) { *os << c.name; }

class AddDomain : public DomainEditing, public ::testing::WithParamInterface<AddCase> {};

TEST_P(AddDomain, AppendsAcceptedTextAndKeepsRefusedTextInTheBox) {
  const AddCase& c = GetParam();
  Store({.domains = c.stored});
  OpenPage();
  EXPECT_EQ(Add(c.typed), hr::ok);
  ExpectEntries(c.after, c.name);
  EXPECT_EQ(State().Txt_ExcludeDomain, c.boxAfter);
  EXPECT_EQ(Dirty(), c.marks ? kTrue : kFalse);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AddDomain,
    ::testing::Values(
        AddCase{"ToEmptyList", std::nullopt, u"example.com", {u"example.com"}, u"", true},
        AddCase{"AtTheEnd", u"b.org;a.com;", u"0.net", {u"b.org", u"a.com", u"0.net"}, u"", true},
        AddCase{"SpacesKept", std::nullopt, u" example.com ", {u" example.com "}, u"", true},
        AddCase{"CaseKept", std::nullopt, u"Example.COM", {u"Example.COM"}, u"", true},
        AddCase{"NotADomainStillAnEntry", std::nullopt, u"anything at all", {u"anything at all"}, u"", true},
        AddCase{"TabIsNotBlank", std::nullopt, u"\t", {u"\t"}, u"", true},
        AddCase{"DuplicateInOtherCaseRefused", u"example.com;", u"Example.COM", {u"example.com"}, u"Example.COM", true},
        AddCase{"ExactDuplicateRefused", u"example.com;", u"example.com", {u"example.com"}, u"example.com", true},
        AddCase{"EmptyIgnored", u"a.com;", u"", {u"a.com"}, u"", false},
        AddCase{"SpacesOnlyIgnored", u"a.com;", u"   ", {u"a.com"}, u"   ", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DomainEditing, TwoAdditionsAreAppliedInTheOrderAdded) {
  OpenPage();
  ASSERT_EQ(Add(u"z.org"), hr::ok);
  ASSERT_EQ(Add(u"a.com"), hr::ok);
  ExpectEntries({u"z.org", u"a.com"}, "after adding");
  ASSERT_EQ(page_->Apply(), hr::ok);
  EXPECT_EQ(ReadText(kValueDomains), u"z.org;a.com;");
}

TEST_F(DomainEditing, SemicolonInsideAnEntryIsOneEntryUntilApplyAndReload) {
  OpenPage();
  ASSERT_EQ(Add(u"a.com;b.com"), hr::ok);
  ExpectEntries({u"a.com;b.com"}, "while open");
  ASSERT_EQ(page_->Apply(), hr::ok);
  EXPECT_EQ(ReadText(kValueDomains), u"a.com;b.com;");

  OpenPage();  // the dialog opened again: a new page over the same store
  ExpectEntries({u"a.com", u"b.com"}, "after reopening");
}

struct RemoveCase {
  const char* name;
  std::u16string stored;
  std::int32_t doubleClicked;  // -1: below the entries, nothing selected
  Entries list;
  Entries collection;
  std::u16string applied;
};
void PrintTo(const RemoveCase& c, std::ostream* os) { *os << c.name; }

class RemoveDomain : public DomainEditing, public ::testing::WithParamInterface<RemoveCase> {};

TEST_P(RemoveDomain, RemovesTheSelectedEntryAndTheCollectionEntryOfExactlyItsText) {
  const RemoveCase& c = GetParam();
  Store({.domains = c.stored});
  OpenPage();
  EXPECT_EQ(page_->DoubleClick(ControlId::lst_Domains, c.doubleClicked), hr::ok);
  EXPECT_EQ(State().lst_Domains, c.list);
  EXPECT_EQ(page_->Domains().Entries(), c.collection);
  EXPECT_EQ(Dirty(), kFalse);
  EXPECT_EQ(StatusChanges(), 0);
  ASSERT_EQ(page_->Apply(), hr::ok);
  EXPECT_EQ(ReadText(kValueDomains), c.applied);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RemoveDomain,
    ::testing::Values(
        RemoveCase{"SecondOfThree", u"a.com;b.com;c.com;", 1, {u"a.com", u"c.com"}, {u"a.com", u"c.com"}, u"a.com;c.com;"},
        RemoveCase{"Last", u"a.com;b.com;", 1, {u"a.com"}, {u"a.com"}, u"a.com;"},
        RemoveCase{"Only", u"a.com;", 0, {}, {}, u""},
        RemoveCase{"NothingSelected", u"a.com;b.com;", -1, {u"a.com", u"b.com"}, {u"a.com", u"b.com"}, u"a.com;b.com;"},
        // The list-only duplicate that loading kept: its text is in no collection entry.
        RemoveCase{"ListOnlyDuplicate", u"a.com;A.com;", 1, {u"a.com"}, {u"a.com"}, u"a.com;"},
        RemoveCase{"ExactTextNotTheKey", u"a.com;A.com;", 0, {u"A.com"}, {}, u""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DomainEditing, DoubleClickOnEmptyListChangesNothing) {
  OpenPage();
  EXPECT_EQ(page_->DoubleClick(ControlId::lst_Domains, -1), hr::ok);
  ExpectEntries({}, "empty");
  EXPECT_EQ(Dirty(), kFalse);
}

TEST_F(DomainEditing, SelectionThatWasMadeEarlierIsWhatADoubleClickBelowTheEntriesRemoves) {
  Store({.domains = u"a.com;b.com;c.com;"});
  OpenPage();
  ASSERT_EQ(page_->Select(ControlId::lst_Domains, 2), hr::ok);
  ASSERT_EQ(page_->DoubleClick(ControlId::lst_Domains, -1), hr::ok);
  ExpectEntries({u"a.com", u"b.com"}, "after removal");
  EXPECT_EQ(State().selected, -1);
  // With nothing selected now, another double-click removes nothing.
  ASSERT_EQ(page_->DoubleClick(ControlId::lst_Domains, -1), hr::ok);
  ExpectEntries({u"a.com", u"b.com"}, "second double-click");
}

TEST_F(DomainEditing, RemovedEntryCanBeAddedAgainInAnyCase) {
  Store({.domains = u"example.com;other.org;"});
  OpenPage();
  ASSERT_EQ(page_->DoubleClick(ControlId::lst_Domains, 0), hr::ok);
  ASSERT_EQ(Add(u"EXAMPLE.COM"), hr::ok);
  ExpectEntries({u"other.org", u"EXAMPLE.COM"}, "re-added");
  EXPECT_EQ(State().Txt_ExcludeDomain, u"");
}

TEST_F(DomainEditing, RemovalOnACleanPageIsStoredByTheNextApply) {
  Store({.domains = u"a.com;b.com;"});
  OpenPage();
  ASSERT_EQ(page_->DoubleClick(ControlId::lst_Domains, 0), hr::ok);
  EXPECT_EQ(ReadText(kValueDomains), u"a.com;b.com;") << "nothing is written before Apply";
  ASSERT_EQ(page_->Apply(), hr::ok);
  EXPECT_EQ(ReadText(kValueDomains), u"b.com;");
}

TEST_F(DomainEditing, UnappliedChangesAreLostWhenThePageCloses) {
  Store({.domains = u"a.com;"});
  OpenPage();
  ASSERT_EQ(Add(u"b.com"), hr::ok);
  ClosePage();
  EXPECT_EQ(ReadText(kValueDomains), u"a.com;");
}

}  // namespace
}  // namespace kestrin::page::testing
