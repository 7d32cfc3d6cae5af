// FindFolderByPath over the stand-in's folder tree: \Top (Inbox, Junk, Spam Folder, A\B) and
// a second store whose top-level folder is named A (Inbox).
#include <gtest/gtest.h>

#include "AddinWorld.h"
#include "addin/modOutlook.h"

namespace kestrin::test {
namespace {

constexpr const char* kFailure = "failure";
constexpr const char* kNone = "none";

// The outcome as text: the folder's path, "none" or "failure".
std::string Resolve(const std::u16string& path) {
  ComPtr<outlook::Folder> folder;
  const HRESULT result = FindFolderByPath(path, folder.put());
  if (Failed(result)) return kFailure;
  if (!folder) return kNone;
  std::u16string folderPath;
  if (Failed(folder->get_FolderPath(&folderPath))) return "unreadable";
  return Narrow(folderPath);
}

struct Case {
  const char16_t* path;
  bool explorer;  // an explorer showing \Top is open
  const char* expected;
};

TEST(FindFolderByPath, OutcomeTable) {
  const Case cases[] = {
      {u"\\Top\\A\\B", true, "\\\\Top\\A\\B"},
      {u"\\\\Top\\A\\B", true, "\\\\Top\\A\\B"},
      {u"\\Top", true, "\\\\Top"},
      {u"\\Top\\A\\", true, "\\\\Top\\A"},
      {u"\\Missing", true, kNone},
      {u"\\Missing\\A", true, "\\\\A"},
      {u"\\Missing\\Junk", true, kFailure},
      {u"\\Top\\Missing", true, kFailure},
      {u"\\\\Missing\\A", true, kFailure},
      {u"\\Top\\\\A", true, kFailure},
      {u"\\\\", true, kNone},
      {u"\\Top\\Spam Folder", true, "\\\\Top\\Spam Folder"},
      {u"\\Top\\ Spam Folder", true, kFailure},
      {u"A\\B", true, "\\\\Top\\A\\B"},
      {u"A\\Missing\\B", true, "\\\\Top\\A\\B"},
      {u"Missing", true, "\\\\Top"},
      {u"A\\Inbox", false, "\\\\A\\Inbox"},
      {u"A\\B", false, kFailure},
  };
  for (const Case& c : cases) {
    AddinWorld w;
    if (c.explorer) w.outlook->OpenExplorer(w.top);
    gobjOutlook() = w.outlook->Application();
    EXPECT_EQ(Resolve(c.path), c.expected) << Narrow(c.path) << (c.explorer ? " with" : " without")
                                           << " an explorer";
    gobjOutlook() = nullptr;
  }
}

TEST(FindFolderByPath, RemembersNothingBetweenCalls) {
  AddinWorld w;
  gobjOutlook() = w.outlook->Application();
  EXPECT_EQ(Resolve(u"\\Top\\A\\B"), "\\\\Top\\A\\B");
  w.outlook->RenameFolder(*w.b, u"Old");
  EXPECT_EQ(Resolve(u"\\Top\\A\\B"), kFailure);
  w.outlook->AddFolder(*w.a, u"B");
  EXPECT_EQ(Resolve(u"\\Top\\A\\B"), "\\\\Top\\A\\B");
  gobjOutlook() = nullptr;
}

TEST(FindFolderByPath, FetchesTheNameSpaceForEveryTopLevelLookup) {
  AddinWorld w;
  gobjOutlook() = w.outlook->Application();
  // The first top-level lookup fails and is skipped; Top is then looked up with a fresh name space.
  standin::Profile::Current().InjectFault("Application.GetNamespace", {1, hr::fail});
  EXPECT_EQ(Resolve(u"\\\\Top\\A"), "\\\\Top\\A");
  EXPECT_EQ(standin::Profile::Current().CallCount("Application.GetNamespace"), 2u);
  gobjOutlook() = nullptr;
}

}  // namespace
}  // namespace kestrin::test
