// Start-up state, the options page offer, and the accepted-domain rule over loaded domains.
#include <gtest/gtest.h>

#include <optional>

#include "AddinWorld.h"

namespace kestrin::test {
namespace {

using standin::Profile;

std::vector<std::u16string> Entries(const OutAddIn& addin) { return addin.Domains().Entries(); }

// Attached, then Startup with the given settings (nullopt: value missing).
struct Started {
  explicit Started(std::optional<std::u16string> destination, std::optional<std::u16string> domains,
                   std::optional<std::u16string> markRead, const char* faultOp = nullptr) {
    if (faultOp) Profile::Current().InjectFault(faultOp, {1, hr::fail});
    if (destination) WriteSetting(kValueDestination, *destination);
    if (domains) WriteSetting(kValueDomains, *domains);
    if (markRead) WriteSetting(kValueMarkRead, *markRead);
    w.outlook->OpenExplorer(w.inbox);
    EXPECT_EQ(w.ConnectAddin(), hr::ok);
    result = w.outlook->RaiseStartup();
  }
  AddinWorld w;
  HRESULT result = hr::ok;
};

TEST(Startup, FailureTable) {
  struct Case {
    const char* name;
    std::optional<std::u16string> destination;
    const char* faultOp;
    HRESULT expected;
    bool inboxSubscribed;
    bool junkSubscribed;
    std::vector<std::u16string> domains;
    bool markRead;
  } cases[] = {
      {"all good", u"\\Top\\Junk", nullptr, hr::ok, true, true, {u"a.b", u"c.d"}, true},
      {"empty destination still loads the rest", u"", nullptr, hr::ok, true, false, {u"a.b", u"c.d"}, true},
      {"missing destination value", std::nullopt, nullptr, hr::ok, true, false, {u"a.b", u"c.d"}, true},
      {"step 1: the Inbox's Items", u"\\Top\\Junk", "Folder.Items", hr::fail, false, false, {}, false},
      {"step 1: the default folder", u"\\Top\\Junk", "NameSpace.GetDefaultFolder", hr::fail, false, false, {}, false},
      {"step 2: a folder that does not exist", u"\\Top\\Gone", nullptr, standin::kNotFound, true, false, {}, false},
      {"step 2: a path naming no folder", u"\\Gone", nullptr, kFolderNotFound, true, false, {}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Started s(c.destination, u"a.b;c.d;", u"Y", c.faultOp);
    EXPECT_EQ(s.result, c.expected);
    ASSERT_TRUE(s.w.addin());
    EXPECT_EQ(s.w.addin()->InboxItems() != nullptr, c.inboxSubscribed);
    EXPECT_EQ(s.w.addin()->JunkItems() != nullptr, c.junkSubscribed);
    EXPECT_EQ(Entries(*s.w.addin()), c.domains);
    EXPECT_EQ(s.w.addin()->MarkSpamAsRead(), c.markRead);
  }
}

TEST(Startup, DomainListLoading) {
  struct Case {
    const char* name;
    std::optional<std::u16string> stored;
    HRESULT expected;
    std::vector<std::u16string> domains;
    bool markRead;  // MarkSpamAsRead is "Y" in every row
  } cases[] = {
      {"two entries each followed by ;", u"pq.rs;Example.COM;", hr::ok, {u"pq.rs", u"Example.COM"}, true},
      {"last entry without ; is not loaded", u"a.b;c.d", hr::ok, {u"a.b"}, true},
      {"a single entry without ; loads nothing", u"a.b", hr::ok, {}, true},
      {"entries kept exactly, spaces included", u" a.b ;", hr::ok, {u" a.b "}, true},
      {"empty value", u"", hr::ok, {}, true},
      {"missing value", std::nullopt, hr::ok, {}, true},
      {"duplicate in other case aborts start-up", u"a.b;x.y;A.B;c.d;", kDuplicateKey, {u"a.b", u"x.y"}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Started s(u"\\Top\\Junk", c.stored, u"Y");
    EXPECT_EQ(s.result, c.expected);
    EXPECT_EQ(Entries(*s.w.addin()), c.domains);
    EXPECT_EQ(s.w.addin()->MarkSpamAsRead(), c.markRead);
  }
}

TEST(Startup, MarkSpamAsReadValues) {
  struct Case {
    std::optional<std::u16string> stored;
    bool expected;
  } cases[] = {{u"Y", true},   {u" Y ", true}, {u"y", true},   {u"N", false},
               {u"Yes", false}, {u"", false},  {std::nullopt, false}};
  for (const Case& c : cases) {
    Started s(u"", u"", c.stored);
    EXPECT_EQ(s.result, hr::ok);
    EXPECT_EQ(s.w.addin()->MarkSpamAsRead(), c.expected) << (c.stored ? Narrow(*c.stored) : "missing");
  }
}

TEST(Startup, OptionsPageIsOfferedWhileAttached) {
  Started s(u"", u"", u"");
  standin::OptionsDialogResult open = s.w.outlook->OpenOptionsDialog();
  EXPECT_EQ(open.eventResult, hr::ok);
  ASSERT_EQ(open.pages.size(), 1u);
  EXPECT_EQ(open.pages[0].progId, u"KestrinPPE.OptionsPage");
  EXPECT_EQ(open.pages[0].title, u"Kestrin");

  Profile::Current().InjectFault("PropertyPages.Add", {Profile::Current().CallCount("PropertyPages.Add") + 1, hr::fail});
  EXPECT_EQ(s.w.outlook->OpenOptionsDialog().eventResult, hr::fail);

  // After the last window closes the page is no longer offered.
  s.w.outlook->CloseExplorer(s.w.outlook->Explorers().front().id);
  ASSERT_FALSE(s.w.addin()->Attached());
  EXPECT_TRUE(s.w.outlook->OpenOptionsDialog().pages.empty());
}

TEST(CheckAcceptedDomain, SubstringOfTheDomainPartIgnoringCase) {
  struct Case {
    const char16_t* domains;
    const char16_t* address;
    bool accepted;
  } cases[] = {
      {u"pq.rs;", u"x@pq.rs", true},
      {u"pq.rs;", u"x@PQ.RS", true},
      {u"pq.rs;", u"x@mail.pq.rs", true},
      {u"pq.rs;", u"x@pq.rst", true},
      {u"pq.rs;", u"x@apq.rs", true},
      {u"pq.rs;", u"x@pq.r", false},
      {u"pq.rs;", u"x@p.qrs", false},
      {u"pq.rs;", u"x@", false},
      {u"pq.rs;", u"", false},
      {u"PQ.RS;", u"x@pq.rs", true},
      {u"pq.rs;", u"pq.rs@other.org", false},         // only after the first "@"
      {u"pq.rs;", u"a@b@pq.rs", true},                // the domain part holds the second "@"
      {u"pq.rs;", u"/o=Org/cn=pq.rs", true},          // no "@": the whole address
      {u";", u"x@any.org", true},                     // an empty entry accepts any domain part
      {u";", u"x@", false},
      {u";", u"", false},
      {u" pq.rs;", u"x@pq.rs", false},                // spaces are part of the entry
      {u" pq.rs;", u"x@a pq.rs", true},
      {u"", u"x@pq.rs", false},                       // no entries
      {u"zz.zz;pq.rs;", u"x@pq.rs", true},
  };
  for (const Case& c : cases) {
    Started s(u"", c.domains, u"N");
    ASSERT_EQ(s.result, hr::ok);
    EXPECT_EQ(s.w.addin()->CheckAcceptedDomain(c.address), c.accepted)
        << Narrow(c.domains) << " / " << Narrow(c.address);
  }
}

}  // namespace
}  // namespace kestrin::test
