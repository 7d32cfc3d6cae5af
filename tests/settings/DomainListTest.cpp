#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/DomainCollection.h"
#include "settings/DomainList.h"

namespace kestrin {
namespace {

TEST(DomainList, ReadersTakeEveryFieldButTheLast) {
  struct Row {
    std::u16string stored;
    std::vector<std::u16string> entries;
  };
  const Row rows[] = {
      {u"a.b;c.d;", {u"a.b", u"c.d"}},
      {u"a.b;c.d", {u"a.b"}},
      {u"a.b", {}},
      {u"", {}},
      {u";", {u""}},
      {u"a;;b;", {u"a", u"", u"b"}},
      {u" x.y ;Q.R;tail", {u" x.y ", u"Q.R"}},
  };
  for (const Row& row : rows) EXPECT_EQ(SplitDomainList(row.stored), row.entries) << std::string(row.stored.begin(), row.stored.end());
}

TEST(DomainList, WriterPutsASemicolonAfterEachEntryAndReadsBack) {
  const std::vector<std::u16string> entries = {u"a.b", u"c.d"};
  EXPECT_EQ(JoinDomainList(entries), u"a.b;c.d;");
  EXPECT_EQ(SplitDomainList(JoinDomainList(entries)), entries);
  EXPECT_EQ(JoinDomainList(std::vector<std::u16string>{}), u"");
  // An entry holding ";" comes back as two.
  EXPECT_EQ(SplitDomainList(JoinDomainList(std::vector<std::u16string>{u"a.com;b.com"})),
            (std::vector<std::u16string>{u"a.com", u"b.com"}));
}

TEST(DomainCollection, KeysIgnoreCaseAndRemovalIsExact) {
  DomainCollection c;
  EXPECT_TRUE(c.Add(u"example.com"));
  EXPECT_FALSE(c.Add(u"Example.COM")) << "differs only in case";
  EXPECT_TRUE(c.Add(u" example.com ")) << "spaces make another key";
  EXPECT_TRUE(c.Add(u"caf\u00E9.fr"));
  EXPECT_FALSE(c.Add(u"CAF\u00C9.FR")) << "accented letters fold too";
  EXPECT_EQ(c.Entries(), (std::vector<std::u16string>{u"example.com", u" example.com ", u"caf\u00E9.fr"}));
  EXPECT_FALSE(c.RemoveExact(u"EXAMPLE.COM")) << "removal compares case";
  EXPECT_TRUE(c.RemoveExact(u"example.com"));
  EXPECT_TRUE(c.Add(u"EXAMPLE.COM")) << "a removed key can come back";
  EXPECT_EQ(c.Entries().back(), u"EXAMPLE.COM");
}

}  // namespace
}  // namespace kestrin
