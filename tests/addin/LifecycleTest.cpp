// Connection and lifecycle: unattached, attached, detached (twice), disconnected, and every
// reference and subscription given back.
#include <gtest/gtest.h>

#include "AddinWorld.h"
#include "addin/Module.h"
#include "addin/modOutlook.h"

namespace kestrin::test {
namespace {

using standin::Profile;

TEST(Lifecycle, NoWindowAtConnectionStaysUnattachedForTheRun) {
  AddinWorld w;
  WriteSetting(kValueDestination, u"\\Top\\Junk");
  EXPECT_EQ(w.ConnectAddin(), hr::ok);
  EXPECT_EQ(w.addin(), nullptr);
  EXPECT_EQ(w.Subscriptions(), 0u);
  EXPECT_EQ(w.outlook->RaiseStartup(), hr::ok);
  EXPECT_TRUE(w.outlook->OpenOptionsDialog().pages.empty());
  auto r = w.DeliverMail("spam@bad.example");
  EXPECT_EQ(r.item->folder, w.inbox);
  EXPECT_EQ(w.Disconnect(), hr::ok);
  EXPECT_TRUE(w.ReleaseAll());
}

TEST(Lifecycle, FailureReadingAWindowCountIsLikeNoWindow) {
  for (const char* op : {"Explorers.Count", "Inspectors.Count", "Application.Explorers"}) {
    SCOPED_TRACE(op);
    AddinWorld w;
    w.outlook->OpenExplorer(w.inbox);
    Profile::Current().InjectFault(op, {1, hr::fail});
    EXPECT_EQ(w.ConnectAddin(), hr::ok);
    EXPECT_EQ(w.addin(), nullptr);
    EXPECT_EQ(w.Subscriptions(), 0u);
  }
}

TEST(Lifecycle, AttachStopsAtItsFirstFailureAndConnectionStillSucceeds) {
  struct Case {
    const char* op;
    std::uint64_t nth;          // the connection's window-count check makes the first calls
    std::size_t subscriptions;  // fields stored before the failure
  } cases[] = {
      {"Application.Advise", 1, 0},     {"Application.GetNamespace", 1, 1}, {"NameSpace.Advise", 1, 1},
      {"Application.Inspectors", 2, 3}, {"Application.ActiveExplorer", 1, 4}, {"Explorer.Advise", 1, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.op);
    AddinWorld w;
    w.outlook->OpenExplorer(w.inbox);
    Profile::Current().InjectFault(c.op, {c.nth, hr::fail});
    EXPECT_EQ(w.ConnectAddin(), hr::ok);
    ASSERT_NE(w.addin(), nullptr);
    EXPECT_EQ(w.Subscriptions(), c.subscriptions);
    EXPECT_EQ(w.Disconnect(), hr::ok);
    EXPECT_EQ(w.Subscriptions(), 0u);
  }
}

TEST(Lifecycle, AttachedStartedDetachedDisconnected) {
  // Sinks that an earlier case left with a source stay for the process; nothing else may.
  const std::int64_t liveBefore = module::LiveObjects();
  AddinWorld w;
  WriteSetting(kValueDestination, u"\\Top\\Junk");
  const auto explorer = w.outlook->OpenExplorer(w.inbox).id;
  ASSERT_EQ(w.ConnectAddin(), hr::ok);
  ASSERT_TRUE(w.addin()->Attached());
  EXPECT_EQ(gobjOutlook().get() != nullptr, true);
  // objOutlook, objNS, colExpl, colInsp, objExpl
  EXPECT_EQ(w.Subscriptions(), 5u);
  ASSERT_EQ(w.outlook->RaiseStartup(), hr::ok);
  EXPECT_EQ(w.Subscriptions(), 7u);  // and the Inbox's and the destination's items

  // The last window closes: detached, but the Inbox is still watched.
  EXPECT_EQ(w.outlook->CloseExplorer(explorer), hr::ok);
  EXPECT_FALSE(w.addin()->Attached());
  EXPECT_FALSE(gobjOutlook());
  EXPECT_EQ(w.Subscriptions(), 2u);
  // Nothing re-attaches it.
  w.outlook->OpenExplorer(w.inbox);
  EXPECT_FALSE(w.addin()->Attached());
  EXPECT_EQ(w.Subscriptions(), 2u);

  // Then the host disconnects: the second detach changes nothing, and all goes.
  EXPECT_EQ(w.Disconnect(), hr::ok);
  EXPECT_EQ(w.addin(), nullptr);
  EXPECT_EQ(w.Subscriptions(), 0u);
  EXPECT_EQ(w.Disconnect(), hr::ok);
  EXPECT_TRUE(w.ReleaseAll());
  EXPECT_EQ(module::LiveObjects(), liveBefore);
  EXPECT_EQ(w.loader.liveHandles, 0);
}

TEST(Lifecycle, ReleasingConnectWithoutDisconnectionLetsGoOfEverything) {
  AddinWorld w;
  WriteSetting(kValueDestination, u"\\Top\\Junk");
  w.outlook->OpenExplorer(w.inbox);
  w.outlook->OpenInspector(nullptr);
  ASSERT_EQ(w.ConnectAddin(), hr::ok);
  ASSERT_EQ(w.outlook->RaiseStartup(), hr::ok);
  w.outlook->OpenInspector(nullptr);
  ASSERT_EQ(w.DeliverMail("spam@bad.example").eventResult, hr::ok);
  EXPECT_GT(w.Subscriptions(), 0u);
  w.connect = nullptr;  // Outlook shuts down fast: no OnDisconnection
  EXPECT_EQ(w.Subscriptions(), 0u);
  gobjOutlook() = nullptr;  // the library-wide reference goes when the library unloads
  EXPECT_TRUE(w.ReleaseAll());
}

TEST(Lifecycle, HostEventsWithoutEffectChangeNothing) {
  AddinWorld w;
  w.outlook->OpenExplorer(w.inbox);
  EXPECT_EQ(w.connect->OnStartupComplete(nullptr), hr::ok);
  EXPECT_EQ(w.connect->OnAddInsUpdate(nullptr), hr::ok);
  EXPECT_EQ(w.connect->OnBeginShutdown(nullptr), hr::ok);
  EXPECT_EQ(w.addin(), nullptr);
  ASSERT_EQ(w.ConnectAddin(), hr::ok);
  const std::size_t before = w.Subscriptions();
  EXPECT_EQ(w.connect->OnBeginShutdown(nullptr), hr::ok);
  EXPECT_EQ(w.connect->OnAddInsUpdate(nullptr), hr::ok);
  EXPECT_EQ(w.Subscriptions(), before);
  EXPECT_TRUE(w.addin()->Attached());
}

}  // namespace
}  // namespace kestrin::test

namespace kestrin::test {
namespace {

// The sinks this case leaves alive stay for the rest of the process, as they must.
TEST(Lifecycle, ASourceThatRefusesUnadviseCallsMutedSinksAfterTheAddInHasGone) {
  AddinWorld w;
  WriteSetting(kValueDestination, u"\\Top\\Junk");
  w.outlook->OpenExplorer(w.inbox);
  ASSERT_EQ(w.ConnectAddin(), hr::ok);
  ASSERT_EQ(w.outlook->RaiseStartup(), hr::ok);
  const std::int64_t before = module::LiveObjects();
  Profile::Current().InjectFault("Application.Unadvise", {Profile::Current().CallCount("Application.Unadvise") + 1, hr::fail});
  Profile::Current().InjectFault("Items.Unadvise", {Profile::Current().CallCount("Items.Unadvise") + 1, hr::fail});
  EXPECT_EQ(w.Disconnect(), hr::ok);
  EXPECT_EQ(w.addin(), nullptr);
  // The add-in is gone but Outlook still raises to its sinks: they answer S_OK and touch nothing.
  EXPECT_EQ(w.outlook->RaiseStartup(), hr::ok);
  auto r = w.DeliverMail("spam@bad.example");
  EXPECT_EQ(r.eventResult, hr::ok);
  EXPECT_EQ(r.item->folder, w.inbox);
  EXPECT_TRUE(r.item->unread);
  // The kept sinks count as a live object: the library must not unload under them.
  EXPECT_EQ(module::LiveObjects(), before) << "the OutAddIn went, its sinks took its place";
  EXPECT_FALSE(module::CanUnload());
}

}  // namespace
}  // namespace kestrin::test
