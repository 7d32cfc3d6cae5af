// Explorer and inspector tracking: window sequences, and when the add-in lets go of Outlook.
#include <gtest/gtest.h>

#include "AddinWorld.h"

namespace kestrin::test {
namespace {

// A step of a window sequence, on windows named by their position in the sequence's own list.
struct Step {
  enum Kind { OpenExplorer, OpenInspector, CloseExplorer, CloseInspector } kind;
  int window;  // index into the windows opened so far (in opening order)
};

struct Sequence {
  const char* name;
  std::vector<Step> beforeConnect;
  std::vector<Step> after;
  std::vector<bool> attachedAfterEach;  // one per step of `after`
};

void RunStep(AddinWorld& w, std::vector<std::uint64_t>& ids, const Step& s) {
  switch (s.kind) {
    case Step::OpenExplorer: ids.push_back(w.outlook->OpenExplorer(w.inbox).id); break;
    case Step::OpenInspector: ids.push_back(w.outlook->OpenInspector(nullptr).id); break;
    case Step::CloseExplorer: EXPECT_EQ(w.outlook->CloseExplorer(ids.at(s.window)), hr::ok); break;
    case Step::CloseInspector: EXPECT_EQ(w.outlook->CloseInspector(ids.at(s.window)), hr::ok); break;
  }
}

TEST(Windows, Sequences) {
  using S = Step;
  const Sequence cases[] = {
      {"one explorer closed", {{S::OpenExplorer, 0}}, {{S::CloseExplorer, 0}}, {false}},
      {"explorer then inspector: explorer closed first",
       {{S::OpenExplorer, 0}},
       {{S::OpenInspector, 0}, {S::CloseExplorer, 0}, {S::CloseInspector, 1}},
       {true, true, false}},
      {"explorer then inspector: inspector closed first",
       {{S::OpenExplorer, 0}},
       {{S::OpenInspector, 0}, {S::CloseInspector, 1}, {S::CloseExplorer, 0}},
       {true, true, false}},
      {"two explorers, tracked one closed first",
       {{S::OpenExplorer, 0}, {S::OpenExplorer, 0}},
       {{S::CloseExplorer, 1}, {S::CloseExplorer, 0}},
       {true, false}},
      {"two explorers, untracked one closed first",
       {{S::OpenExplorer, 0}, {S::OpenExplorer, 0}},
       {{S::CloseExplorer, 0}, {S::CloseExplorer, 1}},
       {true, false}},
      {"explorer opened after attaching is not tracked while one is",
       {{S::OpenExplorer, 0}},
       {{S::OpenExplorer, 0}, {S::CloseExplorer, 1}, {S::CloseExplorer, 0}},
       {true, true, false}},
      {"two inspectors, no explorer, later one closed first",
       {{S::OpenInspector, 0}},
       {{S::OpenInspector, 0}, {S::CloseInspector, 0}, {S::OpenInspector, 0}, {S::CloseInspector, 2},
        {S::CloseInspector, 1}},
       {true, true, true, true, true}},
      {"inspector open before attaching is never tracked",
       {{S::OpenInspector, 0}},
       {{S::CloseInspector, 0}},
       {true}},
      {"inspector only, opened after attaching",
       {{S::OpenInspector, 0}},
       {{S::CloseInspector, 0}, {S::OpenInspector, 0}, {S::CloseInspector, 1}},
       {true, true, false}},
  };
  for (const Sequence& c : cases) {
    SCOPED_TRACE(c.name);
    AddinWorld w;
    std::vector<std::uint64_t> ids;
    for (const Step& s : c.beforeConnect) RunStep(w, ids, s);
    ASSERT_EQ(w.ConnectAddin(), hr::ok);
    ASSERT_TRUE(w.addin() && w.addin()->Attached());
    for (std::size_t i = 0; i < c.after.size(); ++i) {
      RunStep(w, ids, c.after[i]);
      EXPECT_EQ(w.addin()->Attached(), c.attachedAfterEach[i]) << "after step " << i;
    }
    if (!w.addin()->Attached()) {
      // Detached: no window field is left, so no window event reaches the add-in any more.
      EXPECT_FALSE(w.addin()->TrackedExplorer());
      EXPECT_FALSE(w.addin()->TrackedInspector());
      EXPECT_EQ(w.Subscriptions(), 0u);
    }
  }
}

TEST(Windows, FirstTrackedExplorerMovesToTheActiveOneOnClose) {
  AddinWorld w;
  const auto first = w.outlook->OpenExplorer(w.inbox).id;
  const auto second = w.outlook->OpenExplorer(w.junk).id;
  ASSERT_EQ(w.ConnectAddin(), hr::ok);
  ComPtr<outlook::Folder> folder;
  ASSERT_EQ(w.addin()->TrackedExplorer()->get_CurrentFolder(folder.put()), hr::ok);
  std::u16string path;
  ASSERT_EQ(folder->get_FolderPath(&path), hr::ok);
  EXPECT_EQ(path, u"\\\\Top\\Junk");  // the active explorer at connection
  EXPECT_EQ(w.outlook->CloseExplorer(second), hr::ok);
  folder.reset();
  ASSERT_EQ(w.addin()->TrackedExplorer()->get_CurrentFolder(folder.put()), hr::ok);
  ASSERT_EQ(folder->get_FolderPath(&path), hr::ok);
  EXPECT_EQ(path, u"\\\\Top\\Inbox");
  EXPECT_EQ(w.outlook->CloseExplorer(first), hr::ok);
  EXPECT_FALSE(w.addin()->Attached());
}

TEST(Windows, AFailureWhileEvaluatingTheDetachConditionDetaches) {
  struct Case {
    const char* name;
    bool closeInspector;  // else the explorer
    const char* op;
  } cases[] = {
      {"explorer close, inspector count", false, "Inspectors.Count"},
      {"inspector close, inspector count", true, "Inspectors.Count"},
      {"inspector close, active explorer", true, "Application.ActiveExplorer"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    AddinWorld w;
    w.outlook->OpenExplorer(w.inbox);
    w.outlook->OpenExplorer(w.inbox);  // one stays open: no detach without the failure
    ASSERT_EQ(w.ConnectAddin(), hr::ok);
    const auto inspector = w.outlook->OpenInspector(nullptr).id;
    auto& p = standin::Profile::Current();
    p.InjectFault(c.op, {p.CallCount(c.op) + 1, hr::fail});
    if (c.closeInspector)
      EXPECT_EQ(w.outlook->CloseInspector(inspector), hr::ok);
    else
      EXPECT_EQ(w.outlook->CloseExplorer(w.outlook->ActiveExplorerId()), hr::ok);
    EXPECT_FALSE(w.addin()->Attached());
  }
}

TEST(Windows, BeforeFolderSwitchNeverCancels) {
  AddinWorld w;
  const auto id = w.outlook->OpenExplorer(w.inbox).id;
  ASSERT_EQ(w.ConnectAddin(), hr::ok);
  standin::SwitchResult r = w.outlook->SwitchFolder(id, w.junk);
  EXPECT_EQ(r.eventResult, hr::ok);
  EXPECT_FALSE(r.cancelled);
  EXPECT_EQ(w.outlook->Explorers().front().currentFolder, w.junk);
}

}  // namespace
}  // namespace kestrin::test
