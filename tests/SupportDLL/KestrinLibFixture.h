// Loads the real libKestrinLIB.so for each test, so every test starts with MapiStarted false, and
// unloads it at the end: the unload releases the session, after which no MAPI object or buffer
// may be alive.
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>

#include "SupportDLL/KestrinLIB.h"
#include "SupportDLL/MapiInterface.h"
#include "standin/Profile.h"

namespace kestrin::testing {

using standin::Profile;

inline constexpr char kKey[] = "463079";

inline std::string ToHex(const standin::Bytes& bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string s;
  for (auto b : bytes) {
    s += digits[b >> 4];
    s += digits[b & 15];
  }
  return s;
}

// The caller's buffer: 255 characters and a NUL, then guard bytes that must never change.
struct CallerBuffer {
  static constexpr std::size_t kSize = 256;
  static constexpr std::size_t kGuard = 32;
  std::array<char, kSize + kGuard> bytes{};

  CallerBuffer() {
    // Not NULs: a failure that writes even an empty string shows.
    bytes.fill('\xA5');
    for (std::size_t i = 0; i < kSize - 1; ++i) bytes[i] = '#';
    bytes[kSize - 1] = '\0';
  }
  std::string Text() const { return std::string(bytes.data()); }
  bool GuardsIntact() const {
    for (std::size_t i = kSize; i < bytes.size(); ++i)
      if (bytes[i] != '\xA5') return false;
    return true;
  }
};

class KestrinLibTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Profile& p = profile();
    p.Reset();
    p.liveMapiObjects = 0;
    p.liveMapiBuffers = 0;
    p.mapiInitialized = 0;
    p.lastMapiInitFlags = 0;
    p.lastMapiLogonFlags = 0;
    p.mapiLogonLeavesSession = false;
    Load();
  }

  void TearDown() override {
    Unload();
    EXPECT_EQ(profile().liveMapiObjects, 0) << "MAPI objects alive after unload";
    EXPECT_EQ(profile().liveMapiBuffers, 0) << "MAPI buffers alive after unload";
  }

  void Load() {
    handle_ = dlopen(KESTRINLIB_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle_, nullptr) << dlerror();
    isSender_ = reinterpret_cast<IsSenderInAddressBookFn>(dlsym(handle_, "IsSenderInAddressBook"));
    getSender_ = reinterpret_cast<GetSenderAddressFn>(dlsym(handle_, "GetSenderAddress"));
    ASSERT_NE(isSender_, nullptr);
    ASSERT_NE(getSender_, nullptr);
  }

  void Unload() {
    if (!handle_) return;
    dlclose(handle_);
    handle_ = nullptr;
    // Really gone, so its unload routine ran and the next Load starts afresh.
    void* still = dlopen(KESTRINLIB_PATH, RTLD_NOW | RTLD_NOLOAD);
    EXPECT_EQ(still, nullptr) << "libKestrinLIB.so stayed loaded";
    if (still) dlclose(still);
  }

  static Profile& profile() { return Profile::Current(); }

  std::int32_t IsSender(const char* key, const char* address) { return isSender_(key, address); }
  std::int32_t GetSender(const char* key, const std::string& hex, CallerBuffer& buffer) {
    char* p = buffer.bytes.data();
    const std::int32_t r = getSender_(key, hex.c_str(), &p);
    EXPECT_EQ(p, buffer.bytes.data()) << "the caller's pointer changed";
    return r;
  }

  // A default store with an Inbox, and a mail item from sender in it.
  standin::Item& AddDefaultStoreWithItem(std::optional<std::string> sender) {
    standin::Store& store = profile().AddStore(u"Personal Folders", u"Personal Folders", true);
    store.inbox = &profile().AddFolder(*store.top, u"Inbox");
    return profile().AddItem(*store.inbox, standin::ItemKind::Mail, std::move(sender), true);
  }

  // Nothing alive but the session (when there is one), and no buffer.
  void ExpectOnlySessionAlive(const std::string& where, bool sessionOpen = true) {
    EXPECT_EQ(profile().liveMapiObjects, sessionOpen ? 1 : 0) << where;
    EXPECT_EQ(profile().liveMapiBuffers, 0) << where;
  }

  void* handle_ = nullptr;
  IsSenderInAddressBookFn isSender_ = nullptr;
  GetSenderAddressFn getSender_ = nullptr;
};

}  // namespace kestrin::testing
