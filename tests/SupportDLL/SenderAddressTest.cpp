// GetSenderAddress: what lands in the caller's buffer after success and after every failure.
#include <functional>
#include <optional>

#include "KestrinLibFixture.h"

namespace kestrin::testing {
namespace {

const std::string k255(255, 'a');

struct SenderCase {
  const char* name;
  std::optional<std::string> sender;           // the item's PR_SENDER_EMAIL_ADDRESS_A
  std::function<std::string(const std::string&)> hex;  // the text passed, from the item's hex
  const char* faultOp = nullptr;               // fails on its first call
  HRESULT faultResult = MAPI_E_CALL_FAILED;
  std::function<void(Profile&, standin::Item&)> change = {};  // a change to the profile before the call
  std::optional<std::string> written = {};     // the buffer's text after; none: untouched
};

std::string Same(const std::string& hex) { return hex; }

const SenderCase kSenderCases[] = {
    {"short address: its NUL follows, the rest stays", "alice@example.com", Same, nullptr, 0, {}, "alice@example.com"},
    {"lower-case hex digits", "alice@example.com",
     [](const std::string& h) {
       std::string s = h;
       for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
       return s;
     },
     nullptr, 0, {}, "alice@example.com"},
    {"255 characters fill the buffer", k255, Same, nullptr, 0, {}, k255},
    {"256 characters are cut to 255", k255 + "b", Same, nullptr, 0, {}, k255},
    {"1000 characters are cut to 255", std::string(1000, 'z'), Same, nullptr, 0, {}, std::string(255, 'z')},
    {"empty sender address", std::string(), Same, nullptr, 0, {}, std::string()},
    {"bytes above 0x7F are copied as they are", "j\xF6rg@example.com", Same, nullptr, 0, {}, "j\xF6rg@example.com"},
    {"no sender address property", std::nullopt, Same, nullptr, 0, {}, std::nullopt},
    {"a character that is not a hex digit", "alice@example.com", [](const std::string& h) { return "G" + h.substr(1); },
     nullptr, 0, {}, std::nullopt},
    {"odd number of digits", "alice@example.com", [](const std::string& h) { return h + "0"; }, nullptr, 0, {},
     std::nullopt},
    {"odd number of digits, last pair dropped", "alice@example.com",
     [](const std::string& h) { return h.substr(0, h.size() - 1); }, nullptr, 0, {}, std::nullopt},
    {"empty entry id", "alice@example.com", [](const std::string&) { return std::string(); }, nullptr, 0, {},
     std::nullopt},
    {"entry id the store does not know", "alice@example.com",
     [](const std::string& h) { return h.substr(0, h.size() - 2) + "FF"; }, nullptr, 0, {}, std::nullopt},
    {"no store marked as default", "alice@example.com", Same, nullptr, 0,
     [](Profile& p, standin::Item&) { p.Stores()[0]->isDefault = false; }, std::nullopt},
    {"item in a store that is not the default", "alice@example.com", Same, nullptr, 0,
     [](Profile& p, standin::Item&) {
       p.Stores()[0]->isDefault = false;
       p.AddStore(u"Archive", u"Archive", true);
     },
     std::nullopt},
    {"the default store is the first of two default rows", "alice@example.com", Same, nullptr, 0,
     [](Profile& p, standin::Item&) {
       p.AddStore(u"Other", u"Other", false).isDefault = true;  // a second row marked default
     },
     "alice@example.com"},
    {"MAPIAllocateBuffer fails", "alice@example.com", Same, "MAPIAllocateBuffer"},
    {"FBinFromHex fails", "alice@example.com", Same, "FBinFromHex"},
    {"GetMsgStoresTable fails", "alice@example.com", Same, "IMAPISession::GetMsgStoresTable"},
    {"HrQueryAllRows fails", "alice@example.com", Same, "HrQueryAllRows"},
    {"the table's Restrict fails", "alice@example.com", Same, "IMAPITable::Restrict"},
    {"the table's QueryRows fails", "alice@example.com", Same, "IMAPITable::QueryRows"},
    {"OpenMsgStore fails", "alice@example.com", Same, "IMAPISession::OpenMsgStore"},
    {"the store's OpenEntry fails", "alice@example.com", Same, "IMsgStore::OpenEntry"},
    {"HrGetOneProp fails", "alice@example.com", Same, "HrGetOneProp"},
    {"the message's GetProps fails", "alice@example.com", Same, "IMessage::GetProps"},
    {"a failure reported as MAPI_E_NOT_FOUND", "alice@example.com", Same, "IMsgStore::OpenEntry", MAPI_E_NOT_FOUND},
};

class SenderAddress : public KestrinLibTest {};

TEST_F(SenderAddress, BufferAfterSuccessAndAfterEveryFailure) {
  for (const SenderCase& c : kSenderCases) {
    SCOPED_TRACE(c.name);
    Unload();
    SetUp();
    standin::Item& item = AddDefaultStoreWithItem(c.sender);
    if (c.change) c.change(profile(), item);
    if (c.faultOp) profile().InjectFault(c.faultOp, {1, c.faultResult});

    CallerBuffer buffer;
    const std::int32_t result = GetSender(kKey, c.hex(ToHex(item.entryId)), buffer);
    EXPECT_TRUE(buffer.GuardsIntact()) << "written past the caller's buffer";
    if (c.written) {
      EXPECT_EQ(result, 0);
      EXPECT_EQ(buffer.Text(), *c.written);
      // Nothing but the address and its NUL: the caller's bytes behind it stay.
      const CallerBuffer before;
      for (std::size_t i = c.written->size() + 1; i < CallerBuffer::kSize; ++i)
        ASSERT_EQ(buffer.bytes[i], before.bytes[i]) << "byte " << i << " changed";
    } else {
      EXPECT_LT(result, 0);
      EXPECT_EQ(buffer.bytes, CallerBuffer().bytes) << "buffer touched";
    }
    if (c.faultOp) {
      EXPECT_EQ(profile().CallCount(c.faultOp), 1u) << "the fault was not reached";
    }
    ExpectOnlySessionAlive(c.name);
  }
}

TEST_F(SenderAddress, OddTextNeverReachesTheConversion) {
  standin::Item& item = AddDefaultStoreWithItem("alice@example.com");
  CallerBuffer buffer;
  (void)GetSender(kKey, ToHex(item.entryId) + "A", buffer);
  EXPECT_EQ(profile().CallCount("FBinFromHex"), 0u);
  EXPECT_EQ(profile().CallCount("IMsgStore::OpenEntry"), 0u);
}

TEST_F(SenderAddress, LooksUpTheDefaultStoreAfreshOnEveryCall) {
  standin::Item& item = AddDefaultStoreWithItem("alice@example.com");
  const std::string hex = ToHex(item.entryId);
  CallerBuffer first, second;
  (void)GetSender(kKey, hex, first);
  item.senderAddress = "bob@example.com";
  (void)GetSender(kKey, hex, second);
  EXPECT_EQ(first.Text(), "alice@example.com");
  EXPECT_EQ(second.Text(), "bob@example.com");
  EXPECT_EQ(profile().CallCount("IMAPISession::GetMsgStoresTable"), 2u);
  EXPECT_EQ(profile().CallCount("IMAPISession::OpenMsgStore"), 2u);
}

TEST_F(SenderAddress, NullArgumentsTouchNothing) {
  standin::Item& item = AddDefaultStoreWithItem("alice@example.com");
  const std::string hex = ToHex(item.entryId);
  EXPECT_LT(getSender_(kKey, hex.c_str(), nullptr), 0);
  char* none = nullptr;
  EXPECT_LT(getSender_(kKey, hex.c_str(), &none), 0);
  CallerBuffer buffer;
  char* p = buffer.bytes.data();
  EXPECT_LT(getSender_(kKey, nullptr, &p), 0);
  EXPECT_EQ(buffer.bytes, CallerBuffer().bytes);
  ExpectOnlySessionAlive("after null arguments");
}

}  // namespace
}  // namespace kestrin::testing
