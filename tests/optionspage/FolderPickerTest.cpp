// The destination folder picker and BuildFolderPath, over the stand-in Outlook's folder dialog.
#include <string>

#include "PageFixture.h"
#include "optionspage/modOutlook.h"

namespace kestrin::page::testing {
namespace {

class FolderPicker : public PageTest {
 public:
  void SetUp() override {
    PageTest::SetUp();
    auto& profile = standin::Profile::Current();
    junk_ = &profile.AddFolder(*inbox_, u"Junk");
    deep_ = &profile.AddFolder(profile.AddFolder(*junk_, u"Level 2"), u"Level 3");
    slashed_ = &profile.AddFolder(*inbox_, u"Mail\\Old");
    other_ = profile.AddStore(u"Archive", u"Archive Folders", false).top.get();
  }

  standin::Folder* junk_ = nullptr;
  standin::Folder* deep_ = nullptr;
  standin::Folder* slashed_ = nullptr;
  standin::Folder* other_ = nullptr;
};

struct PickCase {
  const char* name;
  standin::Folder* FolderPicker::*answer;  // null member: the user cancels
  std::u16string path;
};
void PrintTo(const PickCase& c, std::ostream* os) { *os << c.name; }

class PickFolder : public FolderPicker, public ::testing::WithParamInterface<PickCase> {};

TEST_P(PickFolder, PutsTheChosenFoldersAbsolutePathInTheBox) {
  const PickCase& c = GetParam();
  OpenPage();
  standin::Folder* answer = c.answer ? this->*c.answer : nullptr;
  outlook_->SetPickFolderAnswer(answer);

  EXPECT_EQ(page_->Click(ControlId::cmdFolder), hr::ok);
  EXPECT_EQ(State().txtFolder, c.path);
  EXPECT_EQ(Dirty(), kTrue);
  EXPECT_EQ(StatusChanges(), 1);
  ASSERT_EQ(page_->Apply(), hr::ok);
  EXPECT_EQ(ReadText(kValueDestination), c.path);
  EXPECT_EQ(standin::Profile::Current().CallCount("NameSpace.PickFolder"), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PickFolder,
    ::testing::Values(PickCase{"TopLevelFolder", &FolderPicker::other_, u"\\Archive Folders"},
                      PickCase{"OneLevelDown", &FolderPicker::inbox_, u"\\Personal Folders\\Inbox"},
                      PickCase{"ThreeLevelsDown", &FolderPicker::deep_,
                               u"\\Personal Folders\\Inbox\\Junk\\Level 2\\Level 3"},
                      // Not escaped: one more separator than the folder has levels.
                      PickCase{"BackslashInName", &FolderPicker::slashed_, u"\\Personal Folders\\Inbox\\Mail\\Old"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FolderPicker, CancelLeavesTheBoxAndDirtyAlone) {
  Store({.folder = u"\\Personal Folders\\Junk"});
  OpenPage();
  outlook_->SetPickFolderAnswer(nullptr);
  EXPECT_EQ(page_->Click(ControlId::cmdFolder), hr::ok);
  EXPECT_EQ(State().txtFolder, u"\\Personal Folders\\Junk");
  EXPECT_EQ(Dirty(), kFalse);
  EXPECT_EQ(StatusChanges(), 0);
}

struct FailureCase {
  const char* name;
  const char* op;       // the stand-in operation that fails, or null for CreateObject
  std::uint64_t nth;
  HRESULT result;
};
void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }

class PickerFailure : public FolderPicker, public ::testing::WithParamInterface<FailureCase> {};

// The box keeps its text and the page stays clean; the click reports the failure. A name that
// cannot be read belongs here too: a path short of a name would name another folder, or none.
TEST_P(PickerFailure, LeavesTheBoxAndDirtyAloneAndReportsTheFailure) {
  const FailureCase& c = GetParam();
  Store({.folder = u"\\Personal Folders\\Inbox"});
  OpenPage();
  outlook_->SetPickFolderAnswer(junk_);
  if (c.op) standin::Profile::Current().InjectFault(c.op, {c.nth, c.result});
  else createObjectResult = c.result;

  EXPECT_EQ(page_->Click(ControlId::cmdFolder), c.result);
  EXPECT_EQ(State().txtFolder, u"\\Personal Folders\\Inbox");
  EXPECT_EQ(Dirty(), kFalse);
  EXPECT_EQ(StatusChanges(), 0);
}

constexpr HRESULT kRpcFailed = static_cast<HRESULT>(0x800706BEu);

INSTANTIATE_TEST_SUITE_P(
    Cases, PickerFailure,
    ::testing::Values(FailureCase{"CreateObject", nullptr, 0, static_cast<HRESULT>(0x800401E3u)},
                      FailureCase{"GetNamespace", "Application.GetNamespace", 1, hr::fail},
                      FailureCase{"PickFolder", "NameSpace.PickFolder", 1, kRpcFailed},
                      FailureCase{"ChosenFoldersName", "Folder.Name", 1, hr::dispException},
                      FailureCase{"ParentsName", "Folder.Name", 2, hr::dispException},
                      FailureCase{"Parent", "Folder.Parent", 1, kRpcFailed}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FolderPicker, PickerAsksForTheRunningOutlookAndTheMapiNameSpace) {
  OpenPage();
  outlook_->SetPickFolderAnswer(junk_);
  ASSERT_EQ(page_->Click(ControlId::cmdFolder), hr::ok);
  EXPECT_EQ(createObjectCalls, 1);
  bool askedMapi = false;
  for (const std::string& call : outlook_->CallLog())
    if (call.find("GetNamespace") != std::string::npos) askedMapi = call.find("MAPI") != std::string::npos;
  EXPECT_TRUE(askedMapi);
}

// BuildFolderPath itself: the path built before a failure comes back with the failure.
struct BuildCase {
  const char* name;
  const char* op;
  std::uint64_t nth;
  std::u16string path;
  bool succeeds;
};
void PrintTo(const BuildCase& c, std::ostream* os) { *os << c.name; }

class BuildPath : public FolderPicker, public ::testing::WithParamInterface<BuildCase> {};

TEST_P(BuildPath, WalksUpToTheTopOfTheStore) {
  const BuildCase& c = GetParam();
  ComPtr<outlook::NameSpace> ns;
  ASSERT_EQ(outlook_->Application()->GetNamespace(u"MAPI", ns.put()), hr::ok);
  outlook_->SetPickFolderAnswer(junk_);
  ComPtr<outlook::Folder> folder;
  ASSERT_EQ(ns->PickFolder(folder.put()), hr::ok);
  if (c.op) standin::Profile::Current().InjectFault(c.op, {c.nth, hr::fail});

  std::u16string path = u"sentinel";
  const HRESULT h = BuildFolderPath(folder.get(), &path);
  EXPECT_EQ(Succeeded(h), c.succeeds);
  EXPECT_EQ(path, c.path);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BuildPath,
    ::testing::Values(BuildCase{"Whole", nullptr, 0, u"\\Personal Folders\\Inbox\\Junk", true},
                      BuildCase{"OwnNameUnreadable", "Folder.Name", 1, u"", false},
                      BuildCase{"ParentNameUnreadable", "Folder.Name", 2, u"\\Junk", false},
                      BuildCase{"TopNameUnreadable", "Folder.Name", 3, u"\\Inbox\\Junk", false},
                      BuildCase{"SecondParentFails", "Folder.Parent", 2, u"\\Inbox\\Junk", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FolderPicker, BuildFolderPathOfNoFolder) {
  std::u16string path = u"sentinel";
  EXPECT_EQ(BuildFolderPath(nullptr, &path), hr::pointer);
  EXPECT_EQ(path, u"");
}

}  // namespace
}  // namespace kestrin::page::testing
