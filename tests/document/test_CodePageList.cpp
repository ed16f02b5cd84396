// The list of code pages offered to the user.
#include <gtest/gtest.h>

#include <QSet>

#include "document/CodePageList.h"
#include "platform/CodePage.h"

namespace {

TEST(CodePageList, StartsWithUcs2AndIsOrdinallySortedWithoutDuplicates) {
  BuildCodePageList();
  const QStringList& list = CodePageList();
  ASSERT_GT(list.size(), 10);
  EXPECT_EQ(list.first(), "1200  (Unicode UCS-2)");
  QSet<uint32_t> seen;
  for (qsizetype i = 0; i < list.size(); ++i) {
    const uint32_t cp = CodePageOfListName(list[i]);
    EXPECT_NE(cp, 0u) << qPrintable(list[i]);
    EXPECT_FALSE(seen.contains(cp)) << cp;
    seen.insert(cp);
    if (i > 1) EXPECT_LE(QString::compare(list[i - 1], list[i]), 0) << qPrintable(list[i]);
  }
  // Ordinal, not numeric: "10000..." before "1200...", "437..." after "1258...".
  EXPECT_TRUE(seen.contains(936) && seen.contains(950) && seen.contains(437));
  // The system code page is offered, also where no locale's default is UTF-8.
  EXPECT_TRUE(seen.contains(GetACP()));
  const auto at = [&](uint32_t cp) {
    for (qsizetype i = 0; i < list.size(); ++i)
      if (CodePageOfListName(list[i]) == cp) return i;
    return qsizetype(-1);
  };
  EXPECT_LT(at(1258), at(437));
  // Building again gives the same list, not a second copy.
  const QStringList first = list;
  BuildCodePageList();
  EXPECT_EQ(CodePageList(), first);
}

TEST(CodePageList, TheNumberIsTheNamesLeadingDigits) {
  EXPECT_EQ(CodePageOfListName("936  (ANSI/OEM - Simplified Chinese GBK)"), 936u);
  EXPECT_EQ(CodePageOfListName("65001 (UTF-8)"), 65001u);
  EXPECT_EQ(CodePageOfListName("UTF-8"), 0u);
}

}  // namespace
