// The stand-in Outlook behaves as the add-in relies on Outlook behaving.
#include "standin/Outlook.h"

#include <gtest/gtest.h>

#include <vector>

namespace kestrin::standin {
namespace {

using outlook::ItemsEvents;

struct ItemSink : ItemsEvents {
  HRESULT result = hr::ok;
  std::vector<Unknown*> seen;
  HRESULT ItemAdd(Unknown* item) override {
    seen.push_back(item);
    return result;
  }
};

class StandinOutlook : public ::testing::Test {
 protected:
  void SetUp() override {
    Profile& p = Profile::Current();
    p.Reset();
    Store& s = p.AddStore(u"Personal Folders", u"Personal Folders", true);
    s.inbox = &p.AddFolder(*s.top, u"Inbox");
    junk = &p.AddFolder(*s.top, u"Junk");
    Store& other = p.AddStore(u"Archive", u"Archive", false);
    archiveInbox = &p.AddFolder(*other.top, u"Inbox");
    outlook = std::make_unique<Outlook>();
    app = outlook->Application();
  }
  void TearDown() override {
    app.reset();
    outlook.reset();
    EXPECT_EQ(Profile::Current().liveOutlookObjects, 0);
    Profile::Current().Reset();
  }
  ComPtr<outlook::Folder> Inbox() {
    ComPtr<outlook::NameSpace> ns;
    EXPECT_EQ(app->GetNamespace(u"MAPI", ns.put()), hr::ok);
    ComPtr<outlook::Folder> inbox;
    EXPECT_EQ(ns->GetDefaultFolder(outlook::olFolderInbox, inbox.put()), hr::ok);
    return inbox;
  }
  Folder* junk = nullptr;
  Folder* archiveInbox = nullptr;
  std::unique_ptr<Outlook> outlook;
  ComPtr<outlook::Application> app;
};

TEST_F(StandinOutlook, FolderPathHasOutlooksDoubleBackslashForm) {
  std::u16string path;
  ASSERT_EQ(Inbox()->get_FolderPath(&path), hr::ok);
  EXPECT_EQ(path, u"\\\\Personal Folders\\Inbox");
}

TEST_F(StandinOutlook, TopLevelFoldersAreTheStoresAndParentOfTopIsNoFolder) {
  ComPtr<outlook::NameSpace> ns;
  ASSERT_EQ(app->GetNamespace(u"MAPI", ns.put()), hr::ok);
  ComPtr<outlook::Folders> tops;
  ASSERT_EQ(ns->get_Folders(tops.put()), hr::ok);
  ComPtr<outlook::Folder> archive;
  ASSERT_EQ(tops->Item(u"Archive", archive.put()), hr::ok);
  ComPtr<outlook::Folder> missing;
  EXPECT_EQ(tops->Item(u"", missing.put()), kNotFound);
  EXPECT_FALSE(missing);
  ComPtr<Unknown> parent;
  ASSERT_EQ(archive->get_Parent(parent.put()), hr::ok);
  ComPtr<outlook::Folder> asFolder;
  EXPECT_EQ(parent.As(asFolder), hr::noInterface);
}

TEST_F(StandinOutlook, EventsReachOnlyLiveSubscriptionsAndReturnTheSinksResult) {
  ComPtr<outlook::Items> items;
  ASSERT_EQ(Inbox()->get_Items(items.put()), hr::ok);
  ItemSink sink;
  sink.result = hr::fail;
  std::uint32_t cookie = 0;
  ASSERT_EQ(items->Advise(&sink, &cookie), hr::ok);
  ASSERT_EQ(outlook->Subscriptions().size(), 1u);
  EXPECT_EQ(outlook->Subscriptions()[0].eventInterface, "ItemsEvents");

  auto r = outlook->Deliver(*Profile::Current().DefaultInbox(), ItemKind::Mail, "a@b.c");
  EXPECT_EQ(r.eventResult, hr::fail);
  EXPECT_EQ(sink.seen.size(), 1u);
  // Another folder's arrival does not reach the Inbox's sink.
  EXPECT_EQ(outlook->Deliver(*archiveInbox, ItemKind::Mail, "a@b.c").eventResult, hr::ok);
  EXPECT_EQ(sink.seen.size(), 1u);

  ASSERT_EQ(items->Unadvise(cookie), hr::ok);
  EXPECT_EQ(items->Unadvise(cookie), kNoConnection);
  EXPECT_EQ(outlook->Deliver(*Profile::Current().DefaultInbox(), ItemKind::Mail, "a@b.c").eventResult, hr::ok);
  EXPECT_EQ(sink.seen.size(), 1u);
  EXPECT_TRUE(outlook->Subscriptions().empty());
}

TEST_F(StandinOutlook, MoveRaisesItemAddOnTheDestination) {
  ComPtr<outlook::Folder> dest;
  {
    ComPtr<outlook::NameSpace> ns;
    ASSERT_EQ(app->GetNamespace(u"MAPI", ns.put()), hr::ok);
    ComPtr<outlook::Folders> tops, subs;
    ComPtr<outlook::Folder> top;
    ASSERT_EQ(ns->get_Folders(tops.put()), hr::ok);
    ASSERT_EQ(tops->Item(u"Personal Folders", top.put()), hr::ok);
    ASSERT_EQ(top->get_Folders(subs.put()), hr::ok);
    ASSERT_EQ(subs->Item(u"Junk", dest.put()), hr::ok);
  }
  ComPtr<outlook::Items> junkItems, inboxItems;
  ASSERT_EQ(dest->get_Items(junkItems.put()), hr::ok);
  ASSERT_EQ(Inbox()->get_Items(inboxItems.put()), hr::ok);
  struct Mover : ItemsEvents {
    ComPtr<outlook::Folder>* dest;
    HRESULT ItemAdd(Unknown* item) override {
      ComPtr<outlook::MailItem> mail;
      KESTRIN_RETURN_IF_FAILED(ComPtr<Unknown>(item).As(mail));
      KESTRIN_RETURN_IF_FAILED(mail->put_UnRead(false));
      ComPtr<Unknown> moved;
      return mail->Move(dest->get(), moved.put());
    }
  } mover;
  mover.dest = &dest;
  ItemSink junkSink;
  std::uint32_t c1 = 0, c2 = 0;
  ASSERT_EQ(inboxItems->Advise(&mover, &c1), hr::ok);
  ASSERT_EQ(junkItems->Advise(&junkSink, &c2), hr::ok);
  auto r = outlook->Deliver(*Profile::Current().DefaultInbox(), ItemKind::Mail, "x@y.z", true);
  EXPECT_EQ(r.eventResult, hr::ok);
  EXPECT_EQ(r.item->folder, junk);
  EXPECT_FALSE(r.item->unread);
  EXPECT_EQ(junkSink.seen.size(), 1u);
  ASSERT_EQ(inboxItems->Unadvise(c1), hr::ok);
  ASSERT_EQ(junkItems->Unadvise(c2), hr::ok);
}

TEST_F(StandinOutlook, OnlyMailItemsAnswerMailItem) {
  struct Case {
    const char* name;
    ItemKind kind;
    HRESULT expected;
  } cases[] = {
      {"mail", ItemKind::Mail, hr::ok},
      {"meeting request", ItemKind::MeetingRequest, hr::noInterface},
      {"other", ItemKind::Other, hr::noInterface},
  };
  for (const Case& c : cases) {
    ComPtr<outlook::Items> items;
    ASSERT_EQ(Inbox()->get_Items(items.put()), hr::ok);
    struct Caster : ItemsEvents {
      HRESULT ItemAdd(Unknown* item) override {
        ComPtr<outlook::MailItem> mail;
        return ComPtr<Unknown>(item).As(mail);
      }
    } caster;
    std::uint32_t cookie = 0;
    ASSERT_EQ(items->Advise(&caster, &cookie), hr::ok);
    EXPECT_EQ(outlook->Deliver(*Profile::Current().DefaultInbox(), c.kind, "a@b").eventResult, c.expected)
        << c.name;
    ASSERT_EQ(items->Unadvise(cookie), hr::ok);
  }
}

TEST_F(StandinOutlook, InjectedFaultFailsTheNthCallOnly) {
  Profile::Current().InjectFault("Explorers.Count", {2, hr::unexpected});
  ComPtr<outlook::Explorers> explorers;
  ASSERT_EQ(app->get_Explorers(explorers.put()), hr::ok);
  std::int32_t n = -1;
  EXPECT_EQ(explorers->get_Count(&n), hr::ok);
  EXPECT_EQ(explorers->get_Count(&n), hr::unexpected);
  EXPECT_EQ(explorers->get_Count(&n), hr::ok);
  EXPECT_EQ(Profile::Current().CallCount("Explorers.Count"), 3u);
}

TEST_F(StandinOutlook, ExplorerLeavesTheCountBeforeItsCloseAndInspectorAfter) {
  struct ExplSink : outlook::ExplorerEvents {
    outlook::Application* app;
    std::int32_t countAtClose = -1;
    bool activeAtClose = true;
    HRESULT BeforeFolderSwitch(Unknown*, bool*) override { return hr::ok; }
    HRESULT Close() override {
      ComPtr<outlook::Explorers> e;
      KESTRIN_RETURN_IF_FAILED(app->get_Explorers(e.put()));
      KESTRIN_RETURN_IF_FAILED(e->get_Count(&countAtClose));
      ComPtr<outlook::Explorer> active;
      KESTRIN_RETURN_IF_FAILED(app->ActiveExplorer(active.put()));
      activeAtClose = static_cast<bool>(active);
      return hr::ok;
    }
  } explSink;
  struct InspSink : outlook::InspectorEvents {
    outlook::Application* app;
    std::int32_t countAtClose = -1;
    HRESULT Close() override {
      ComPtr<outlook::Inspectors> i;
      KESTRIN_RETURN_IF_FAILED(app->get_Inspectors(i.put()));
      return i->get_Count(&countAtClose);
    }
  } inspSink;
  explSink.app = inspSink.app = app.get();
  WindowResult e = outlook->OpenExplorer(Profile::Current().DefaultInbox());
  WindowResult i = outlook->OpenInspector(nullptr);
  ComPtr<outlook::Explorer> explorer;
  ASSERT_EQ(app->ActiveExplorer(explorer.put()), hr::ok);
  ASSERT_TRUE(explorer);
  std::uint32_t c1 = 0;
  ASSERT_EQ(explorer->Advise(&explSink, &c1), hr::ok);
  EXPECT_EQ(outlook->CloseExplorer(e.id), hr::ok);
  EXPECT_EQ(explSink.countAtClose, 0);
  EXPECT_FALSE(explSink.activeAtClose);
  ASSERT_EQ(explorer->Unadvise(c1), hr::ok);

  struct NewInsp : outlook::InspectorsEvents {
    ComPtr<outlook::Inspector> got;
    HRESULT NewInspector(outlook::Inspector* i) override {
      got = ComPtr<outlook::Inspector>(i);
      return hr::ok;
    }
  } newInsp;
  ComPtr<outlook::Inspectors> inspectors;
  ASSERT_EQ(app->get_Inspectors(inspectors.put()), hr::ok);
  std::uint32_t c2 = 0, c3 = 0;
  ASSERT_EQ(inspectors->Advise(&newInsp, &c2), hr::ok);
  WindowResult i2 = outlook->OpenInspector(nullptr);
  ASSERT_TRUE(newInsp.got);
  ASSERT_EQ(newInsp.got->Advise(&inspSink, &c3), hr::ok);
  EXPECT_EQ(outlook->CloseInspector(i2.id), hr::ok);
  EXPECT_EQ(inspSink.countAtClose, 2);
  EXPECT_EQ(outlook->CloseInspector(i.id), hr::ok);
  ASSERT_EQ(newInsp.got->Unadvise(c3), hr::ok);
  ASSERT_EQ(inspectors->Unadvise(c2), hr::ok);
  newInsp.got.reset();
}

TEST_F(StandinOutlook, DeletedFolderObjectsFailInsteadOfCrashing) {
  ComPtr<outlook::Folder> inbox = Inbox();
  ASSERT_EQ(outlook->DeleteFolder(*Profile::Current().DefaultStore()->inbox), hr::ok);
  std::u16string path;
  EXPECT_EQ(inbox->get_FolderPath(&path), kNotFound);
  ComPtr<outlook::NameSpace> ns;
  ASSERT_EQ(app->GetNamespace(u"MAPI", ns.put()), hr::ok);
  ComPtr<outlook::Folder> none;
  EXPECT_EQ(ns->GetDefaultFolder(outlook::olFolderInbox, none.put()), kNotFound);
}

TEST_F(StandinOutlook, OptionsDialogRecordsPagesAndCallsTheHook) {
  struct AppSink : outlook::ApplicationEvents {
    HRESULT Startup() override { return hr::ok; }
    HRESULT OptionsPagesAdd(outlook::PropertyPages* pages) override { return pages->Add(u"P.Page", u"T"); }
  } sink;
  std::uint32_t cookie = 0;
  ASSERT_EQ(app->Advise(&sink, &cookie), hr::ok);
  int hookCalls = 0;
  outlook->SetPageAddHook([&](outlook::PropertyPages&, const std::u16string& progId, const std::u16string&) {
    ++hookCalls;
    return progId == u"P.Page" ? hr::regClassNotReg : hr::ok;
  });
  OptionsDialogResult r = outlook->OpenOptionsDialog();
  EXPECT_EQ(r.eventResult, hr::regClassNotReg);
  ASSERT_EQ(r.pages.size(), 1u);
  EXPECT_EQ(r.pages[0].title, u"T");
  EXPECT_EQ(hookCalls, 1);
  ASSERT_EQ(app->Unadvise(cookie), hr::ok);
}

}  // namespace
}  // namespace kestrin::standin
