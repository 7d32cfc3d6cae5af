// A bad scenario file gets a message naming its place (file:line:col and the JSON path), exit
// code 2, and changes nothing: the check of the whole file comes before the hive is touched.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "host/ScenarioRunner.h"
#include "platform/linux/SqliteHive.h"

namespace kestrin::host {
namespace {

namespace fs = std::filesystem;

class BadScenarioTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "kestrin-bad.XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Write(const std::string& name, const std::string& text) {
    const std::string path = dir_ + "/" + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }

  int Run(std::vector<std::string> args, std::string* out, std::string* err) {
    std::ostringstream o, e;
    args.insert(args.begin(), "run");
    const int rc = RunScenarioCommand(args, o, e);
    *out = o.str();
    *err = e.str();
    return rc;
  }

  std::string dir_;
};

TEST_F(BadScenarioTest, EachMistakeIsNamedWhereItIs) {
  struct Case {
    const char* name;
    const char* text;
    const char* message;  // a part of the message, place included
  };
  const Case cases[] = {
      {"not JSON", "{\"steps\": [\n  {\"do\": \"connect\"}\n  {\"do\": \"startup\"}]}",
       "bad.json:3:3: unexpected '{': expected ',' or ']' in an array"},
      {"not an object", "[]", "bad.json:1:1: $: expected an object, got an array"},
      {"no steps", "{}", "bad.json:1:1: $: missing member \"steps\""},
      {"unknown top-level member", "{\"steps\": [], \"stpes\": []}", "bad.json:1:24: $.stpes: unknown member \"stpes\""},
      {"unknown step", "{\"steps\": [{\"do\": \"conect\"}]}", "bad.json:1:19: $.steps[0].do: unknown step \"conect\" (steps: "},
      {"step without do", "{\"steps\": [{\"id\": \"e1\"}]}", "$.steps[0]: missing member \"do\""},
      {"unknown member of a step", "{\"steps\": [{\"do\": \"closeExplorer\", \"id\": \"e1\", \"window\": 2}]}",
       "$.steps[0].window: unknown member \"window\""},
      {"missing step member", "{\"steps\": [{\"do\": \"closeExplorer\"}]}", "$.steps[0]: missing member \"id\""},
      {"wrong type in an item", "{\"steps\": [{\"do\": \"deliver\",\n \"item\": {\"from\": 42}}]}",
       "bad.json:2:19: $.steps[0].item.from: expected a string, got a number"},
      {"unknown item kind", "{\"steps\": [{\"do\": \"deliver\", \"item\": {\"kind\": \"fax\"}}]}",
       "$.steps[0].item.kind: unknown item kind \"fax\""},
      {"bad HRESULT", "{\"steps\": [{\"do\": \"fault\", \"op\": \"Folders.Item\", \"hr\": \"E_WHATEVER\"}]}",
       "$.steps[0].hr: \"E_WHATEVER\" is no HRESULT"},
      {"a fault that succeeds", "{\"steps\": [{\"do\": \"fault\", \"op\": \"Folders.Item\", \"hr\": \"S_OK\"}]}",
       "$.steps[0].hr: a fault fails"},
      {"nth from 0", "{\"faults\": [{\"op\": \"Items.Advise\", \"nth\": 0}], \"steps\": []}", "$.faults[0].nth: calls are counted from 1"},
      {"unknown registry type", "{\"registry\": [{\"key\": \"HKCU\\\\X\", \"name\": \"v\", \"type\": \"REG_QWORD\", \"value\": 1}], \"steps\": []}",
       "$.registry[0].type: unknown type \"REG_QWORD\""},
      {"key without root", "{\"registry\": [{\"key\": \"Software\\\\X\", \"name\": \"v\", \"value\": \"a\"}], \"steps\": []}",
       "$.registry[0].key: a key starts with its root"},
      {"DWORD too big", "{\"registry\": [{\"key\": \"HKCU\\\\X\", \"name\": \"v\", \"type\": \"REG_DWORD\", \"value\": 4294967296}], \"steps\": []}",
       "$.registry[0].value: a REG_DWORD holds 32 bits"},
      {"odd hex", "{\"registry\": [{\"key\": \"HKCU\\\\X\", \"name\": \"v\", \"type\": \"REG_BINARY\", \"hex\": \"abc\"}], \"steps\": []}",
       "$.registry[0].hex: an odd number of hexadecimal digits"},
      {"unknown setting", "{\"settings\": {\"MarkSpamRead\": \"Y\"}, \"steps\": []}", "$.settings.MarkSpamRead: unknown setting"},
      {"two default stores", "{\"profile\": {\"stores\": [{\"name\": \"A\", \"default\": true}, {\"name\": \"B\", \"default\": true}]}, \"steps\": []}",
       "$.profile.stores[1].default: only one store is the default store"},
      {"folder name with backslash", "{\"profile\": {\"stores\": [{\"name\": \"A\", \"folders\": [{\"name\": \"x\\\\y\"}]}]}, \"steps\": []}",
       "$.profile.stores[0].folders[0].name: a folder name is not empty and holds no backslash"},
      {"window of no kind", "{\"windows\": [{\"folder\": \"\\\\Personal Folders\\\\Inbox\"}], \"steps\": []}",
       "$.windows[0]: a window is"},
      {"unknown state section", "{\"show\": [\"everything\"], \"steps\": []}", "$.show[0]: no state section \"everything\""},
      {"expectations for fewer steps", "{\"steps\": [{\"do\": \"startup\"}], \"expect\": []}", "$.expect: lists 0 expectations for 1 steps"},
      {"expectation not an object", "{\"steps\": [{\"do\": \"startup\", \"expect\": 0}]}", "$.steps[0].expect: expected an object"},
  };
  for (const Case& c : cases) {
    const std::string file = Write("bad.json", c.text);
    std::string out, err;
    EXPECT_EQ(Run({file}, &out, &err), kRunBadInput) << c.name << ": " << err;
    EXPECT_NE(err.find(c.message), std::string::npos) << c.name << ":\n  wanted: " << c.message << "\n  got:    " << err;
    EXPECT_EQ(out, "") << c.name;  // nothing ran
  }
}

// Mistakes that only show while the scenario runs (a name that is not there at that point) are
// named in the same way. The add-in is not registered here, so nothing else is involved.
TEST_F(BadScenarioTest, NamesThatDoNotExistWhenTheStepRuns) {
  struct Case {
    const char* name;
    const char* steps;
    const char* message;
  };
  const Case cases[] = {
      {"unknown folder", "[{\"do\": \"deliver\", \"to\": \"\\\\Personal Folders\\\\Junk\", \"item\": {}}]",
       "$.steps[0].to: no folder \"\\Personal Folders\\Junk\" in the profile at this point"},
      {"relative folder", "[{\"do\": \"openExplorer\", \"id\": \"e1\", \"folder\": \"Inbox\"}]",
       "$.steps[0].folder: a folder is named by its absolute path"},
      {"deleted folder", "[{\"do\": \"addFolder\", \"parent\": \"\\\\Personal Folders\", \"name\": \"J\"},"
                         " {\"do\": \"deleteFolder\", \"path\": \"\\\\Personal Folders\\\\J\"},"
                         " {\"do\": \"renameFolder\", \"path\": \"\\\\Personal Folders\\\\J\", \"name\": \"K\"}]",
       "$.steps[2].path: no folder"},
      {"unknown window", "[{\"do\": \"closeExplorer\", \"id\": \"e9\"}]", "$.steps[0].id: no explorer named \"e9\""},
      {"inspector closed as explorer", "[{\"do\": \"openInspector\", \"id\": \"i1\"}, {\"do\": \"closeExplorer\", \"id\": \"i1\"}]",
       "$.steps[1].id: no explorer named \"i1\""},
      {"window name taken", "[{\"do\": \"openExplorer\", \"id\": \"e1\"}, {\"do\": \"openInspector\", \"id\": \"e1\"}]",
       "$.steps[1]: the window name \"e1\" is already taken"},
      {"unknown item", "[{\"do\": \"openInspector\", \"id\": \"i1\", \"item\": \"nope\"}]", "$.steps[0].item: no item named \"nope\""},
      {"item name taken", "[{\"do\": \"deliver\", \"item\": {\"id\": \"m\"}}, {\"do\": \"deliver\", \"item\": {\"id\": \"m\"}}]",
       "$.steps[1].item: the item name \"m\" is already taken"},
  };
  for (const Case& c : cases) {
    const std::string file = Write("run.json", std::string("{\"register\": false, \"steps\": ") + c.steps + "}");
    std::string out, err;
    EXPECT_EQ(Run({file, "--quiet"}, &out, &err), kRunBadInput) << c.name << ": " << err;
    EXPECT_NE(err.find(c.message), std::string::npos) << c.name << ":\n  wanted: " << c.message << "\n  got:    " << err;
  }
}

TEST_F(BadScenarioTest, ABadFileLeavesTheGivenHiveAsItWas) {
  const std::string hive = dir_ + "/hive.db";
  {
    std::string why;
    auto h = SqliteHive::Open(hive, SqliteHive::Mode::ReadWrite, &why);
    ASSERT_TRUE(h) << why;
    RegKey key = 0;
    ASSERT_EQ(h->CreateKey(kHkeyCurrentUser, "Software\\Halvarn\\Kestrin", &key), kErrorSuccess);
    const std::string v = "\\Personal Folders\\Junk";
    ASSERT_EQ(h->SetValue(key, "SpamDestinationFolderPath", kRegSz, reinterpret_cast<const std::uint8_t*>(v.data()),
                          static_cast<std::uint32_t>(v.size())), kErrorSuccess);
    ASSERT_EQ(h->CloseKey(key), kErrorSuccess);
  }
  std::ifstream before(hive, std::ios::binary);
  const std::string bytesBefore((std::istreambuf_iterator<char>(before)), {});
  // The mistake is in the last step: the settings and registration before it must not be applied.
  const std::string file = Write("bad.json", "{\"settings\": {\"SpamDestinationFolderPath\": \"\"},"
                                             " \"steps\": [{\"do\": \"connect\"}, {\"do\": \"nothing\"}]}");
  std::string out, err;
  EXPECT_EQ(Run({file, "--hive", hive}, &out, &err), kRunBadInput) << err;
  std::ifstream after(hive, std::ios::binary);
  const std::string bytesAfter((std::istreambuf_iterator<char>(after)), {});
  EXPECT_EQ(bytesAfter, bytesBefore);
}

TEST_F(BadScenarioTest, AFileThatIsNoHiveIsRefusedAndKept) {
  const std::string notAHive = Write("notes.txt", "my notes, not a registry\n");
  const std::string file = Write("ok.json", "{\"register\": false, \"steps\": []}");
  std::string out, err;
  EXPECT_EQ(Run({file, "--hive", notAHive}, &out, &err), kRunSetupFailed);
  EXPECT_NE(err.find("cannot use the hive " + notAHive), std::string::npos) << err;
  std::ifstream in(notAHive);
  const std::string text((std::istreambuf_iterator<char>(in)), {});
  EXPECT_EQ(text, "my notes, not a registry\n");
}

TEST_F(BadScenarioTest, CommandLineMistakes) {
  struct Case {
    const char* name;
    std::vector<std::string> args;
    std::string message;
  };
  const std::string missing = dir_ + "/missing.json";
  const Case cases[] = {
      {"no file", {}, "usage: kestrin-host run FILE.json"},
      {"unknown option", {"x.json", "--fast"}, "unknown option --fast"},
      {"two files", {"a.json", "b.json"}, "one scenario file at a time"},
      {"--hive without a path", {"a.json", "--hive"}, "--hive needs a path"},
      {"missing file", {missing}, "cannot read " + missing},
  };
  for (const Case& c : cases) {
    std::string out, err;
    EXPECT_EQ(Run(c.args, &out, &err), kRunBadInput) << c.name;
    EXPECT_NE(err.find(c.message), std::string::npos) << c.name << ": " << err;
  }
}

}  // namespace
}  // namespace kestrin::host
