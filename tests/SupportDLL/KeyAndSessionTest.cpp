// The caller key, the lazy start and its retry, and the release at unload.
#include "KestrinLibFixture.h"

namespace kestrin::testing {
namespace {

struct KeyCase {
  const char* name;
  const char* key;
  bool good;
  std::int32_t getSenderResult;  // for a wrong key
};

const KeyCase kKeyCases[] = {
    {"empty key", "", false, -1},
    {"null key", nullptr, false, -1},
    {"first five digits only", "46307", false, -1},
    {"first digit greater", "563079", false, 1},
    {"first digit smaller", "363079", false, -1},
    {"last digit smaller", "463078", false, -1},
    {"last digit greater", "46307:", false, 1},
    {"byte above 0x7F compares unsigned", "\xE4" "63079", false, 1},
    {"letter in place of a digit", "4630A9", false, 1},
    {"the six digits", "463079", true, 0},
    {"the six digits and more", "463079 and anything", true, 0},
    {"the six digits then a differing seventh", "4630790", true, 0},
};

class KeyCheck : public KestrinLibTest {};

TEST_F(KeyCheck, BothExportsAnswerTheKeyBeforeTouchingMapi) {
  for (const KeyCase& c : kKeyCases) {
    SCOPED_TRACE(c.name);
    Unload();
    SetUp();
    standin::Item& item = AddDefaultStoreWithItem("alice@example.com");
    standin::AbContainer& book = profile().AddTopContainer("Outlook Address Book");
    profile().AddAbEntry(profile().AddChildContainer(book, "Contacts"), "Alice", "alice@example.com");

    CallerBuffer buffer;
    const std::int32_t sender = GetSender(c.key, ToHex(item.entryId), buffer);
    const std::int32_t known = IsSender(c.key, "alice@example.com");
    EXPECT_TRUE(buffer.GuardsIntact());
    if (c.good) {
      EXPECT_EQ(buffer.Text(), "alice@example.com");
      EXPECT_EQ(known, 1);
      EXPECT_EQ(profile().CallCount("MAPILogonEx"), 1u);
    } else {
      EXPECT_EQ(sender, c.getSenderResult);
      EXPECT_EQ(known, 99);
      EXPECT_EQ(buffer.Text(), CallerBuffer().Text()) << "buffer touched";
      EXPECT_TRUE(profile().CallCounts().empty()) << "MAPI was called";
      EXPECT_EQ(profile().liveMapiObjects, 0);
    }
  }
}

class LazyStart : public KestrinLibTest {};

TEST_F(LazyStart, FirstGoodCallStartsOnceWithoutComOrDialog) {
  EXPECT_EQ(IsSender(kKey, "nobody@example.com"), 0) << "no Outlook Address Book: not in it";
  EXPECT_EQ(profile().CallCount("MAPIInitialize"), 1u);
  EXPECT_EQ(profile().CallCount("MAPILogonEx"), 1u);
  EXPECT_EQ(profile().lastMapiInitFlags, static_cast<std::uint32_t>(MAPI_NO_COINIT));
  EXPECT_EQ(profile().lastMapiLogonFlags, 0x8008u);

  CallerBuffer buffer;
  (void)GetSender(kKey, "00", buffer);
  (void)IsSender(kKey, "nobody@example.com");
  EXPECT_EQ(profile().CallCount("MAPIInitialize"), 1u) << "a started library starts no more";
  EXPECT_EQ(profile().CallCount("MAPILogonEx"), 1u);
  EXPECT_EQ(profile().CallCount("MAPIUninitialize"), 0u);
  ExpectOnlySessionAlive("after three calls");
}

struct StartFailure {
  const char* name;
  const char* op;
  bool logonLeavesSession;
  std::uint64_t logons, uninitializes;  // after the failed start
};

const StartFailure kStartFailures[] = {
    {"MAPIInitialize fails: nothing else is done", "MAPIInitialize", false, 0, 0},
    {"MAPILogonEx fails: MAPI is uninitialised", "MAPILogonEx", false, 1, 1},
    {"MAPILogonEx fails but hands out a session: it is released", "MAPILogonEx", true, 1, 1},
};

TEST_F(LazyStart, AFailedStartIsUndoneAndRetriedByTheNextCall) {
  for (const StartFailure& c : kStartFailures) {
    for (const bool throughAddressBook : {true, false}) {
      SCOPED_TRACE(std::string(c.name) + (throughAddressBook ? ", IsSenderInAddressBook" : ", GetSenderAddress"));
      Unload();
      SetUp();
      standin::Item& item = AddDefaultStoreWithItem("alice@example.com");
      standin::AbContainer& book = profile().AddTopContainer("Outlook Address Book");
      profile().AddAbEntry(profile().AddChildContainer(book, "Contacts"), "Alice", "alice@example.com");
      profile().mapiLogonLeavesSession = c.logonLeavesSession;
      profile().InjectFault(c.op, {1, MAPI_E_CALL_FAILED});
      const std::string hex = ToHex(item.entryId);

      CallerBuffer buffer;
      if (throughAddressBook) {
        EXPECT_EQ(IsSender(kKey, "stranger@example.com"), 1) << "no look: counted as known";
      } else {
        (void)GetSender(kKey, hex, buffer);
        EXPECT_EQ(buffer.Text(), CallerBuffer().Text()) << "buffer touched";
        EXPECT_TRUE(buffer.GuardsIntact());
      }
      EXPECT_EQ(profile().CallCount("MAPIInitialize"), 1u);
      EXPECT_EQ(profile().CallCount("MAPILogonEx"), c.logons);
      EXPECT_EQ(profile().CallCount("MAPIUninitialize"), c.uninitializes);
      EXPECT_EQ(profile().mapiInitialized, 0) << "the start was not undone";
      ExpectOnlySessionAlive("after the failed start", false);

      // The next call with a good key starts again from MAPIInitialize, and works.
      if (throughAddressBook) {
        EXPECT_EQ(IsSender(kKey, "stranger@example.com"), 0);
      } else {
        (void)GetSender(kKey, hex, buffer);
        EXPECT_EQ(buffer.Text(), "alice@example.com");
      }
      EXPECT_EQ(profile().CallCount("MAPIInitialize"), 2u);
      EXPECT_EQ(profile().CallCount("MAPILogonEx"), c.logons + 1);
      ExpectOnlySessionAlive("after the retry");
    }
  }
}

TEST_F(LazyStart, AWrongKeyNeverRetriesAFailedStart) {
  profile().InjectFault("MAPILogonEx", {1, MAPI_E_CALL_FAILED});
  (void)IsSender(kKey, "a@b");
  (void)IsSender("000000", "a@b");
  EXPECT_EQ(profile().CallCount("MAPIInitialize"), 1u);
}

class Unloading : public KestrinLibTest {};

TEST_F(Unloading, ReleasesTheSessionButNeitherLogsOffNorUninitialises) {
  (void)IsSender(kKey, "a@b");
  ASSERT_EQ(profile().liveMapiObjects, 1);
  Unload();
  EXPECT_EQ(profile().liveMapiObjects, 0) << "session not released";
  EXPECT_EQ(profile().CallCount("MAPIUninitialize"), 0u);
  EXPECT_EQ(profile().mapiInitialized, 1);
}

TEST_F(Unloading, WithoutAGoodCallReleasesNothing) {
  (void)IsSender("", "a@b");
  Unload();
  EXPECT_TRUE(profile().CallCounts().empty());
  EXPECT_EQ(profile().liveMapiObjects, 0);
}

TEST_F(Unloading, AReloadedLibraryStartsAgain) {
  (void)IsSender(kKey, "a@b");
  Unload();
  Load();
  (void)IsSender(kKey, "a@b");
  EXPECT_EQ(profile().CallCount("MAPILogonEx"), 2u);
}

}  // namespace
}  // namespace kestrin::testing
