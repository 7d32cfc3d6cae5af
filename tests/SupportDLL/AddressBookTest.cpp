// IsSenderInAddressBook: the comparison rule, the containers searched, and the result rule.
#include <functional>
#include <vector>

#include "KestrinLibFixture.h"

namespace kestrin::testing {
namespace {

using standin::AbContainer;

// Outlook Address Book's children, in table order: Contacts, Friends, Work. So IAddrBook::OpenEntry
// opens 1 the root, 2 the Outlook Address Book, 3 Contacts, 4 Friends, 5 Work; HrQueryAllRows
// reads 1 the top level, 2 the children, 3 to 5 their entries.
void StandardBook(Profile& p) {
  AbContainer& gal = p.AddTopContainer("Global Address List");
  p.AddAbEntry(p.AddChildContainer(gal, "Users"), "Gal", "gal@example.net");
  AbContainer& book = p.AddTopContainer("Outlook Address Book");
  AbContainer& contacts = p.AddChildContainer(book, "Contacts");
  p.AddAbEntry(contacts, "Alice", "alice@example.com");
  p.AddAbEntry(contacts, "No Address", std::nullopt);
  p.AddAbEntry(contacts, "Bob", "Bob@Example.com");
  p.AddAbEntry(contacts, "Eva", "\xE9va@example.com");
  p.AddAbEntry(p.AddChildContainer(contacts, "Old Contacts"), "Old", "old@example.com");
  AbContainer& friends = p.AddChildContainer(book, "Friends");
  p.AddAbEntry(friends, "Carol", "carol@example.org");
  p.AddAbEntry(friends, "Shared", "shared@example.com");
  AbContainer& work = p.AddChildContainer(book, "Work");
  p.AddAbEntry(work, "Shared", "shared@example.com");
  p.AddAbEntry(work, "Dave", "dave@work.example");
}

struct FaultAt {
  const char* op;
  std::uint64_t nth;
  HRESULT result;
};

struct BookCase {
  const char* name;
  const char* address;
  std::int32_t expected;
  std::vector<FaultAt> faults = {};
  std::function<void(Profile&)> book = StandardBook;
  int contentsTables = -1;  // containers whose entries were read; -1: not checked
};

const HRESULT kFail = MAPI_E_CALL_FAILED;
const HRESULT kNotFound = MAPI_E_NOT_FOUND;
const HRESULT kWarning = MAPI_W_ERRORS_RETURNED;

const BookCase kComparison[] = {
    {"the same address", "alice@example.com", 1, {}, StandardBook, 3},
    {"letters A-Z in another case", "ALICE@Example.COM", 1},
    {"the entry in mixed case", "bob@example.com", 1},
    {"an accented letter in another case", "\xC9va@example.com", 0},
    {"an accented letter in the same case", "\xE9va@example.com", 1},
    {"a leading space", " alice@example.com", 0},
    {"a trailing space", "alice@example.com ", 0},
    {"a part of an entry", "alice@example", 0},
    {"an entry is a part of it", "alice@example.com.au", 0},
    {"'@' and '`' are not letters", "alice`example.com", 0},
    {"only in a grandchild container", "old@example.com", 0},
    {"only outside the Outlook Address Book", "gal@example.net", 0},
    {"empty address: entries without one are skipped", "", 0},
    {"in two containers: both searched", "shared@example.com", 1, {}, StandardBook, 3},
    {"in the last container", "dave@work.example", 1},
    {"in none: every container searched", "stranger@example.com", 0, {}, StandardBook, 3},
};

const BookCase kStructure[] = {
    {"no child containers", "alice@example.com", 0, {},
     [](Profile& p) { p.AddTopContainer("Outlook Address Book"); }},
    {"only empty child containers", "alice@example.com", 0, {},
     [](Profile& p) {
       AbContainer& b = p.AddTopContainer("Outlook Address Book");
       p.AddChildContainer(b, "A");
       p.AddChildContainer(b, "B");
     },
     2},
    {"only entries without an address", "alice@example.com", 0, {},
     [](Profile& p) { p.AddAbEntry(p.AddChildContainer(p.AddTopContainer("Outlook Address Book"), "A"), "x", {}); }},
    {"two named Outlook Address Book, address in the second", "alice@example.com", 0, {},
     [](Profile& p) {
       p.AddAbEntry(p.AddChildContainer(p.AddTopContainer("Outlook Address Book"), "A"), "b", "bob@example.com");
       p.AddAbEntry(p.AddChildContainer(p.AddTopContainer("Outlook Address Book"), "A"), "a", "alice@example.com");
     }},
    {"two named Outlook Address Book, address in the first", "alice@example.com", 1, {},
     [](Profile& p) {
       p.AddAbEntry(p.AddChildContainer(p.AddTopContainer("Outlook Address Book"), "A"), "a", "alice@example.com");
       p.AddAbEntry(p.AddChildContainer(p.AddTopContainer("Outlook Address Book"), "A"), "b", "bob@example.com");
     }},
    {"no Outlook Address Book", "alice@example.com", 0, {},
     [](Profile& p) { p.AddAbEntry(p.AddChildContainer(p.AddTopContainer("Contacts"), "A"), "a", "alice@example.com"); }},
    {"the name in another case is another name", "alice@example.com", 0, {},
     [](Profile& p) {
       p.AddAbEntry(p.AddChildContainer(p.AddTopContainer("outlook address book"), "A"), "a", "alice@example.com");
     }},
    {"the name with a trailing space is another name", "alice@example.com", 0, {},
     [](Profile& p) {
       p.AddAbEntry(p.AddChildContainer(p.AddTopContainer("Outlook Address Book "), "A"), "a", "alice@example.com");
     }},
    {"no address book containers at all", "alice@example.com", 0, {}, [](Profile&) {}},
};

const BookCase kFailures[] = {
    {"the address book cannot be opened", "stranger@example.com", 1, {{"IMAPISession::OpenAddressBook", 1, kFail}}},
    {"the address book open reports not found", "alice@example.com", 0,
     {{"IMAPISession::OpenAddressBook", 1, kNotFound}}},
    {"the root cannot be opened", "stranger@example.com", 1, {{"IAddrBook::OpenEntry", 1, kFail}}},
    {"the root's hierarchy fails", "stranger@example.com", 1, {{"IMAPIContainer::GetHierarchyTable", 1, kFail}}},
    {"the top-level query fails", "stranger@example.com", 1, {{"HrQueryAllRows", 1, kFail}}},
    {"the Outlook Address Book cannot be opened", "stranger@example.com", 1, {{"IAddrBook::OpenEntry", 2, kFail}}},
    {"its hierarchy fails", "stranger@example.com", 1, {{"IMAPIContainer::GetHierarchyTable", 2, kFail}}},
    {"the child query fails", "stranger@example.com", 1, {{"HrQueryAllRows", 2, kFail}}},
    {"the first child fails to open before any match: later ones not searched", "dave@work.example", 1,
     {{"IAddrBook::OpenEntry", 3, kFail}}, StandardBook, 0},
    {"the first child's contents table fails", "stranger@example.com", 1,
     {{"IMAPIContainer::GetContentsTable", 1, kFail}}},
    {"the first child's entries query fails", "stranger@example.com", 1, {{"HrQueryAllRows", 3, kFail}}},
    {"the rows cannot be read", "stranger@example.com", 1, {{"IMAPITable::QueryRows", 3, kFail}}},
    {"no match, the second child's open reports not found", "stranger@example.com", 0,
     {{"IAddrBook::OpenEntry", 4, kNotFound}}},
    {"a match in the first child stays found when the second reports not found", "alice@example.com", 1,
     {{"IAddrBook::OpenEntry", 4, kNotFound}}, StandardBook, 1},
    {"a match in the first child, the second's entries query reports not found", "alice@example.com", 1,
     {{"HrQueryAllRows", 4, kNotFound}}},
    {"a match in the first child, the second fails otherwise", "alice@example.com", 1,
     {{"IAddrBook::OpenEntry", 4, kFail}}},
    {"the address is in the second child, the first reports not found", "carol@example.org", 0,
     {{"IAddrBook::OpenEntry", 3, kNotFound}}},
    {"the last status a warning: no match still counts as known", "stranger@example.com", 1,
     {{"HrQueryAllRows", 5, kWarning}}},
    {"a warning before the last call does not count", "stranger@example.com", 0, {{"HrQueryAllRows", 3, kWarning}}},
};

class AddressBook : public KestrinLibTest {
 protected:
  void Run(const BookCase& c) {
    SCOPED_TRACE(c.name);
    Unload();
    SetUp();
    c.book(profile());
    for (const FaultAt& f : c.faults) profile().InjectFault(f.op, {f.nth, f.result});
    EXPECT_EQ(IsSender(kKey, c.address), c.expected);
    for (const FaultAt& f : c.faults) EXPECT_GE(profile().CallCount(f.op), f.nth) << "fault not reached: " << f.op;
    if (c.contentsTables >= 0) {
      EXPECT_EQ(profile().CallCount("IMAPIContainer::GetContentsTable"), static_cast<std::uint64_t>(c.contentsTables));
    }
    ExpectOnlySessionAlive(c.name);
  }
};

TEST_F(AddressBook, ComparisonRule) {
  for (const BookCase& c : kComparison) Run(c);
}

TEST_F(AddressBook, ContainersSearched) {
  for (const BookCase& c : kStructure) Run(c);
}

TEST_F(AddressBook, ResultRuleOnFailures) {
  for (const BookCase& c : kFailures) Run(c);
}

TEST_F(AddressBook, ReadsTheBookAfreshOnEveryCall) {
  StandardBook(profile());
  EXPECT_EQ(IsSender(kKey, "new@example.com"), 0);
  profile().AddAbEntry(*profile().TopContainers()[1]->children[0], "New", "new@example.com");
  EXPECT_EQ(IsSender(kKey, "new@example.com"), 1);
  EXPECT_EQ(profile().CallCount("IMAPISession::OpenAddressBook"), 2u);
}

TEST_F(AddressBook, NullAddressMatchesNothing) {
  StandardBook(profile());
  EXPECT_EQ(IsSender(kKey, nullptr), 0);
  ExpectOnlySessionAlive("null address");
}

}  // namespace
}  // namespace kestrin::testing
