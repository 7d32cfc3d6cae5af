// The hive's own guarantees: registry semantics, two writers at once, a writer killed mid-write,
// and files that are not hives.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "platform/linux/SqliteHive.h"

namespace kestrin {
namespace {

class Hive : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = std::string(::testing::TempDir()) + "hive-" + std::to_string(getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".db";
    Remove();
  }
  void TearDown() override { Remove(); }
  void Remove() {
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) std::remove((path_ + suffix).c_str());
  }
  std::unique_ptr<SqliteHive> Open() {
    std::string error;
    auto hive = SqliteHive::Open(path_, SqliteHive::Mode::ReadWrite, &error);
    EXPECT_TRUE(hive) << error;
    return hive;
  }
  static void Put(Registry& r, const std::string& key, const std::string& name, const std::string& data) {
    RegKey k = 0;
    ASSERT_EQ(r.CreateKey(kHkeyCurrentUser, key, &k), kErrorSuccess);
    ASSERT_EQ(r.SetValue(k, name, kRegSz, reinterpret_cast<const std::uint8_t*>(data.data()),
                         static_cast<std::uint32_t>(data.size())),
              kErrorSuccess);
    r.CloseKey(k);
  }
  static std::string Get(Registry& r, const std::string& key, const std::string& name, RegStatus* status = nullptr) {
    RegKey k = 0;
    RegStatus s = r.OpenKey(kHkeyCurrentUser, key, &k);
    std::string data;
    if (s == kErrorSuccess) {
      std::uint32_t type = 0, size = 0;
      s = r.QueryValue(k, name, &type, nullptr, &size);
      data.resize(size);
      if (s == kErrorSuccess) s = r.QueryValue(k, name, &type, reinterpret_cast<std::uint8_t*>(data.data()), &size);
      r.CloseKey(k);
    }
    if (status) *status = s;
    return s == kErrorSuccess ? data : std::string();
  }
  std::string path_;
};

TEST_F(Hive, NamesIgnoreCaseAndKeysNestOnDemand) {
  auto hive = Open();
  Put(*hive, "Software\\Halvarn\\Kestrin", "MarkSpamAsRead", "Y");
  EXPECT_EQ(Get(*hive, "SOFTWARE\\halvarn\\KESTRIN", "markspamasread"), "Y");
  Put(*hive, "software\\HALVARN\\kestrin", "MARKSPAMASREAD", "N");  // the same value again
  EXPECT_EQ(Get(*hive, "Software\\Halvarn\\Kestrin", "MarkSpamAsRead"), "N");
  EXPECT_EQ(Get(*hive, "Software\\Halvarn", "MarkSpamAsRead"), "") << "values stay on their key";
  Put(*hive, "Software\\Caf\xE9", "V", "1");
  EXPECT_EQ(Get(*hive, "software\\CAF\xC9", "v"), "1") << "code-page letters fold as well";
  EXPECT_EQ(hive->OpenHandles(), 0u);
}

TEST_F(Hive, AnswersWithTheRegistrysCodes) {
  auto hive = Open();
  Put(*hive, "A\\B", "V", "x");
  struct Row {
    const char* what;
    RegStatus status;
    RegStatus expected;
  };
  RegKey k = 0;
  RegStatus missingValue = 0, missingKey = 0;
  Get(*hive, "A\\B", "Nope", &missingValue);
  Get(*hive, "A\\C", "V", &missingKey);
  std::uint32_t size = 0;
  std::uint8_t small[1];
  std::uint32_t smallSize = 0;
  hive->OpenKey(kHkeyCurrentUser, "A\\B", &k);
  const RegStatus moreData = hive->QueryValue(k, "V", nullptr, small, &smallSize);
  const Row rows[] = {
      {"missing value", missingValue, kErrorFileNotFound},
      {"missing key", missingKey, kErrorFileNotFound},
      {"null handle", hive->QueryValue(0, "V", nullptr, nullptr, &size), kErrorInvalidHandle},
      {"closed handle", [&] { RegKey c = 0; hive->OpenKey(kHkeyCurrentUser, "A", &c); hive->CloseKey(c); return hive->QueryValue(c, "V", nullptr, nullptr, &size); }(), kErrorInvalidHandle},
      {"leading backslash", [&] { RegKey c = 0; return hive->OpenKey(kHkeyCurrentUser, "\\A", &c); }(), kErrorBadPathname},
      {"buffer too small", moreData, kErrorMoreData},
      {"empty path opens the key itself", [&] { RegKey c = 0; RegStatus s = hive->OpenKey(k, "", &c); hive->CloseKey(c); return s; }(), kErrorSuccess},
  };
  for (const Row& row : rows) EXPECT_EQ(row.status, row.expected) << row.what;
  EXPECT_EQ(smallSize, 1u) << "the size needed comes back with ERROR_MORE_DATA";
  // A key deleted under an open handle answers as deleted.
  ASSERT_EQ(hive->DeleteTree(kHkeyCurrentUser, "A"), kErrorSuccess);
  EXPECT_EQ(hive->QueryValue(k, "V", nullptr, nullptr, &size), kErrorKeyDeleted);
  EXPECT_EQ(hive->SetValue(k, "V", kRegSz, nullptr, 0), kErrorKeyDeleted);
  hive->CloseKey(k);
  EXPECT_EQ(hive->OpenHandles(), 0u);
}

TEST_F(Hive, TwoProcessesWritingAtOnceLoseNothing) {
  Open();  // create it first
  constexpr int kWrites = 150;
  pid_t children[2];
  for (int c = 0; c < 2; ++c) {
    children[c] = fork();
    ASSERT_GE(children[c], 0);
    if (children[c] == 0) {
      std::string error;
      auto hive = SqliteHive::Open(path_, SqliteHive::Mode::ReadWrite, &error);
      if (!hive) _exit(10);
      for (int i = 0; i < kWrites; ++i) {
        RegKey k = 0;
        // Both writers create the same nested keys and write values next to each other.
        if (hive->CreateKey(kHkeyCurrentUser, "Software\\Halvarn\\Kestrin\\Load", &k)) _exit(11);
        const std::string name = "w" + std::to_string(c) + "-" + std::to_string(i);
        if (hive->SetValue(k, name, kRegSz, reinterpret_cast<const std::uint8_t*>(name.data()),
                           static_cast<std::uint32_t>(name.size())))
          _exit(12);
        hive->CloseKey(k);
      }
      _exit(0);
    }
  }
  for (pid_t child : children) {
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "writer failed: " << status;
  }
  auto hive = Open();
  int found = 0;
  for (int c = 0; c < 2; ++c)
    for (int i = 0; i < kWrites; ++i) {
      const std::string name = "w" + std::to_string(c) + "-" + std::to_string(i);
      found += Get(*hive, "Software\\Halvarn\\Kestrin\\Load", name) == name;
    }
  EXPECT_EQ(found, 2 * kWrites);
}

TEST_F(Hive, AWriterKilledMidWriteLosesNothingWrittenBefore) {
  Open();
  int pipeFds[2];
  ASSERT_EQ(pipe(pipeFds), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    close(pipeFds[0]);
    std::string error;
    auto hive = SqliteHive::Open(path_, SqliteHive::Mode::ReadWrite, &error);
    if (!hive) _exit(10);
    for (int i = 0;; ++i) {
      RegKey k = 0;
      hive->CreateKey(kHkeyCurrentUser, "K\\" + std::to_string(i % 7), &k);
      const std::string big(4096 + i, static_cast<char>('a' + i % 26));
      if (hive->SetValue(k, "v" + std::to_string(i), kRegBinary,
                         reinterpret_cast<const std::uint8_t*>(big.data()), static_cast<std::uint32_t>(big.size())) == 0) {
        // Reported only once the write returned: everything reported must survive.
        if (write(pipeFds[1], &i, sizeof i) != sizeof i) _exit(11);
      }
      hive->CloseKey(k);
    }
  }
  close(pipeFds[1]);
  int last = -1, got = 0;
  while (last < 40 && read(pipeFds[0], &got, sizeof got) == sizeof got) last = got;
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  while (read(pipeFds[0], &got, sizeof got) == sizeof got) last = got;
  close(pipeFds[0]);
  ASSERT_GE(last, 40);

  auto hive = Open();
  ASSERT_TRUE(hive) << "the hive opens after the kill";
  for (int i = 0; i <= last; ++i) {
    const std::string v = Get(*hive, "K\\" + std::to_string(i % 7), "v" + std::to_string(i));
    ASSERT_EQ(v.size(), static_cast<std::size_t>(4096 + i)) << "write " << i << " of " << last;
  }
}

TEST_F(Hive, RefusesFilesThatAreNotHivesAndLeavesThemAlone) {
  struct Row {
    const char* what;
    std::string content;
  };
  const Row rows[] = {
      {"text file", "this is not a database\n"},
      {"truncated database header", std::string("SQLite format 3\0\x10\0", 18)},
  };
  for (const Row& row : rows) {
    { std::ofstream(path_, std::ios::binary) << row.content; }
    for (auto mode : {SqliteHive::Mode::ReadWrite, SqliteHive::Mode::ReadOnly}) {
      std::string error;
      EXPECT_FALSE(SqliteHive::Open(path_, mode, &error)) << row.what;
      EXPECT_FALSE(error.empty()) << row.what;
    }
    std::ifstream in(path_, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), row.content) << row.what << " was changed";
  }
  std::string error;
  EXPECT_FALSE(SqliteHive::Open(path_ + ".missing", SqliteHive::Mode::ReadOnly, &error));
  EXPECT_NE(error.find("no hive"), std::string::npos) << error;
}

}  // namespace
}  // namespace kestrin
