// The incoming-mail filter, end to end over the stand-in Outlook and a stand-in KestrinLIB.
#include <gtest/gtest.h>

#include <functional>

#include "AddinWorld.h"

namespace kestrin::test {
namespace {

using standin::Folder;
using standin::ItemKind;
using standin::Profile;

constexpr HRESULT kDenied = static_cast<HRESULT>(0x80070005u);

// Outlook with one explorer, the add-in connected and started.
void Start(AddinWorld& w) {
  w.outlook->OpenExplorer(w.inbox);
  ASSERT_EQ(w.ConnectAddin(), hr::ok);
  ASSERT_EQ(w.outlook->RaiseStartup(), hr::ok);
}

bool Called(AddinWorld& w, const std::string& prefix) {
  for (const auto& entry : w.outlook->CallLog())
    if (entry.rfind(prefix, 0) == 0) return true;
  return false;
}

struct Outcome {
  Folder* AddinWorld::*folder;  // where the item ends up
  bool unread;
  HRESULT result;
};

struct FilterCase {
  const char* name;
  std::function<void(AddinWorld&)> arrange;  // before the add-in starts
  ItemKind kind;
  std::optional<std::string> sender;
  bool unreadBefore;
  Outcome expected;
};

TEST(Filter, OutcomeOfEachKindOfItemAndSender) {
  auto dest = [](std::u16string path) { return [path](AddinWorld&) { WriteSetting(kValueDestination, path); }; };
  const FilterCase cases[] = {
      {"sender in the address book stays",
       [](AddinWorld& w) { WriteSetting(kValueDestination, u"\\Top\\Junk"); w.AddToAddressBook("friend@known.org"); },
       ItemKind::Mail, "friend@known.org", true, {&AddinWorld::inbox, true, hr::ok}},
      {"address with spaces around it is trimmed before the address-book test",
       [](AddinWorld& w) { WriteSetting(kValueDestination, u"\\Top\\Junk"); w.AddToAddressBook("friend@known.org"); },
       ItemKind::Mail, "  friend@known.org  ", true, {&AddinWorld::inbox, true, hr::ok}},
      {"sender in an accepted domain stays",
       [](AddinWorld&) { WriteSetting(kValueDestination, u"\\Top\\Junk"); WriteSetting(kValueDomains, u"pq.rs;"); },
       ItemKind::Mail, "someone@mail.PQ.RS", true, {&AddinWorld::inbox, true, hr::ok}},
      {"unknown sender moved and marked read",
       [](AddinWorld&) { WriteSetting(kValueDestination, u"\\Top\\Junk"); WriteSetting(kValueMarkRead, u"Y"); },
       ItemKind::Mail, "spam@bad.example", true, {&AddinWorld::junk, false, hr::ok}},
      {"unknown sender moved and marked unread although it was read",
       [](AddinWorld&) { WriteSetting(kValueDestination, u"\\Top\\Junk"); WriteSetting(kValueMarkRead, u"N"); },
       ItemKind::Mail, "spam@bad.example", false, {&AddinWorld::junk, true, hr::ok}},
      {"destination in another store, with spaces in its name",
       dest(u"\\Top\\Spam Folder"), ItemKind::Mail, "spam@bad.example", true, {&AddinWorld::spamFolder, true, hr::ok}},
      {"library writes no address: moved, since the empty address is in no book",
       dest(u"\\Top\\Junk"), ItemKind::Mail, std::nullopt, true, {&AddinWorld::junk, true, hr::ok}},
      {"no destination stored: nothing moved or marked",
       [](AddinWorld&) { WriteSetting(kValueMarkRead, u"Y"); }, ItemKind::Mail, "spam@bad.example", true,
       {&AddinWorld::inbox, true, hr::ok}},
      {"empty destination: nothing moved or marked",
       [](AddinWorld&) { WriteSetting(kValueDestination, u""); WriteSetting(kValueMarkRead, u"Y"); }, ItemKind::Mail,
       "spam@bad.example", true, {&AddinWorld::inbox, true, hr::ok}},
      {"destination lookup fails: item untouched, failure returned",
       [](AddinWorld& w) { w.outlook->DeleteFolder(*w.junk); w.junk = nullptr; WriteSetting(kValueMarkRead, u"Y"); },
       ItemKind::Mail, "spam@bad.example", true, {&AddinWorld::inbox, true, standin::kNotFound}},
      {"destination names no folder: item untouched, failure returned",
       [](AddinWorld&) { WriteSetting(kValueDestination, u"\\Missing"); WriteSetting(kValueMarkRead, u"Y"); },
       ItemKind::Mail, "spam@bad.example", true, {&AddinWorld::inbox, true, kFolderNotFound}},
      {"meeting request left alone", dest(u"\\Top\\Junk"), ItemKind::MeetingRequest, "spam@bad.example", true,
       {&AddinWorld::inbox, true, hr::ok}},
      {"other kind of item left alone", dest(u"\\Top\\Junk"), ItemKind::Other, "spam@bad.example", true,
       {&AddinWorld::inbox, true, hr::ok}},
  };
  for (const FilterCase& c : cases) {
    SCOPED_TRACE(c.name);
    AddinWorld w;
    WriteSetting(kValueDestination, u"");
    c.arrange(w);
    // The destination of the failing-lookup row is set after its folder is gone.
    if (!w.junk) WriteSetting(kValueDestination, u"\\Top\\Junk");
    w.outlook->OpenExplorer(w.inbox);
    ASSERT_EQ(w.ConnectAddin(), hr::ok);
    SkipOnFailure(w.outlook->RaiseStartup());
    auto r = w.outlook->Deliver(*w.inbox, c.kind, c.sender, c.unreadBefore);
    EXPECT_EQ(r.eventResult, c.expected.result);
    EXPECT_EQ(r.item->folder, w.*(c.expected.folder));
    EXPECT_EQ(r.item->unread, c.expected.unread);
    if (c.expected.folder == &AddinWorld::inbox) {
      EXPECT_FALSE(Called(w, "MailItem.UnRead"));
      EXPECT_FALSE(Called(w, "MailItem.Move"));
    }
    if (c.kind != ItemKind::Mail) EXPECT_EQ(Profile::Current().CallCount("KestrinLIB.GetSenderAddress"), 0u);
  }
}

TEST(Filter, InboxMarkerIsACaseSensitiveSubstringOfTheFolderPath) {
  struct Case {
    const char* name;
    const char16_t* inboxName;
    bool underA;
    bool filtered;
  } cases[] = {
      {"Inbox", u"Inbox", false, true},
      {"a folder named Inbox below another folder", u"Inbox", true, true},
      {"a name that contains Inbox", u"Old Inbox 2", false, true},
      {"lower case", u"inbox", false, false},
      {"upper case", u"INBOX", false, false},
      {"a translated name", u"Posteingang", false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    AddinWorld w;
    Folder& inbox = w.outlook->AddFolder(c.underA ? *w.a : *w.top, c.inboxName);
    Profile::Current().DefaultStore()->inbox = &inbox;
    WriteSetting(kValueDestination, u"\\Top\\Junk");
    Start(w);
    auto r = w.outlook->Deliver(inbox, ItemKind::Mail, "spam@bad.example");
    EXPECT_EQ(r.eventResult, hr::ok);
    EXPECT_EQ(r.item->folder, c.filtered ? w.junk : &inbox);
    EXPECT_EQ(Profile::Current().CallCount("KestrinLIB.GetSenderAddress"), c.filtered ? 1u : 0u);
  }
}

TEST(Filter, AFailingStepEndsTheHandlerWithItsFailure) {
  struct Case {
    const char* name;
    const char* op;
    std::uint64_t nth;
    bool unreadSet;  // the flag had already been set when the step failed
  } cases[] = {
      {"Parent", "MailItem.Parent", 1, false},
      {"FolderPath", "Folder.FolderPath", 1, false},
      {"EntryID", "MailItem.EntryID", 1, false},
      {"lookup below the top-level folder", "Folders.Item", 2, false},
      {"UnRead", "MailItem.UnRead", 1, false},
      {"Move", "MailItem.Move", 1, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    AddinWorld w;
    WriteSetting(kValueDestination, u"\\Top\\Junk");
    WriteSetting(kValueMarkRead, u"Y");
    Start(w);
    Profile::Current().InjectFault(c.op, {Profile::Current().CallCount(c.op) + c.nth, kDenied});
    auto r = w.outlook->Deliver(*w.inbox, ItemKind::Mail, "spam@bad.example", true);
    EXPECT_EQ(r.eventResult, kDenied);
    EXPECT_EQ(r.item->folder, w.inbox);
    EXPECT_EQ(r.item->unread, !c.unreadSet);
    // The next item is handled by itself.
    auto next = w.outlook->Deliver(*w.inbox, ItemKind::Mail, "spam@bad.example", true);
    EXPECT_EQ(next.eventResult, hr::ok);
    EXPECT_EQ(next.item->folder, w.junk);
  }
}

TEST(Filter, LibraryThatCannotBeBoundFailsTheItemUntouched) {
  struct Case {
    const char* variant;
    HRESULT expected;
  } cases[] = {
      {"missing", kModuleNotFound},
      {"no-sender", kProcNotFound},
      {"no-book", kProcNotFound},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.variant);
    AddinWorld w(c.variant);
    WriteSetting(kValueDestination, u"\\Top\\Junk");
    Start(w);
    auto r = w.DeliverMail("spam@bad.example");
    EXPECT_EQ(r.eventResult, c.expected);
    EXPECT_EQ(r.item->folder, w.inbox);
    EXPECT_TRUE(r.item->unread);
  }
}

TEST(Filter, BindsEachExportOnceAndRetriesAFailedLoadAtTheNextItem) {
  AddinWorld w;
  WriteSetting(kValueDestination, u"\\Top\\Junk");
  Start(w);
  w.loader.refuseLoad = true;
  EXPECT_EQ(w.DeliverMail("spam@bad.example").eventResult, kModuleNotFound);
  EXPECT_EQ(w.loader.loads, 1);
  w.loader.refuseLoad = false;
  auto second = w.DeliverMail("spam@bad.example");
  EXPECT_EQ(second.eventResult, hr::ok);
  EXPECT_EQ(second.item->folder, w.junk);
  EXPECT_EQ(w.loader.loads, 2);
  EXPECT_EQ(w.loader.lookups, 2);
  EXPECT_EQ(w.DeliverMail("spam@bad.example").eventResult, hr::ok);
  EXPECT_EQ(w.loader.loads, 2);
  EXPECT_EQ(w.loader.lookups, 2);
  EXPECT_EQ(w.loader.liveHandles, 1);
  ASSERT_TRUE(w.ReleaseAll());
  EXPECT_EQ(w.loader.liveHandles, 0);
}

TEST(Filter, DestinationIsResolvedAnewForEveryItem) {
  AddinWorld w;
  WriteSetting(kValueDestination, u"\\Top\\Junk");
  Start(w);
  EXPECT_EQ(w.DeliverMail("x@bad.example").item->folder, w.junk);
  WriteSetting(kValueDestination, u"\\Top\\A\\B");
  EXPECT_EQ(w.DeliverMail("x@bad.example").item->folder, w.b);
  w.outlook->RenameFolder(*w.b, u"C");
  Folder& newB = w.outlook->AddFolder(*w.a, u"B");
  EXPECT_EQ(w.DeliverMail("x@bad.example").item->folder, &newB);
}

TEST(StripAtNull, CutsAtTheFirstNulAndTrimsSpacesOnly) {
  using namespace std::string_literals;
  struct Case {
    std::u16string in, out;
  } cases[] = {
      {u"a@b.c\0\0\0"s, u"a@b.c"},
      {u"  a@b.c  \0 junk"s, u"a@b.c"},
      {u"\0a@b.c"s, u""},
      {u" \ta@b.c\t "s, u"\ta@b.c\t"},
      {u"no nul  "s, u"no nul"},
      {u"   "s, u""},
  };
  for (const Case& c : cases) EXPECT_EQ(StripAtNull(c.in), c.out) << std::string(c.in.begin(), c.in.end());
}

}  // namespace
}  // namespace kestrin::test
