// The current text code page and the one before the last change. The state
// is process-wide and starts at the system ANSI code page, so the tests run
// in this order within one process.
#include <gtest/gtest.h>

#include "document/TextCodePage.h"
#include "platform/CodePage.h"

namespace {

TEST(TextCodePage, ChangesRememberThePreviousValue) {
  const uint32_t ansi = GetACP();
  ASSERT_NE(ansi, kCodePageUcs2);
  EXPECT_EQ(GetTextCodePage(), ansi);
  EXPECT_EQ(GetPrevTextCodePage(), ansi);

  // Setting 1200 after the ANSI code page returns the ANSI code page, which
  // becomes the previous value.
  EXPECT_EQ(SetTextCodePage(kCodePageUcs2), ansi);
  EXPECT_EQ(GetTextCodePage(), kCodePageUcs2);
  EXPECT_EQ(GetPrevTextCodePage(), ansi);

  // Setting the current value again returns it and keeps the previous one.
  EXPECT_EQ(SetTextCodePage(kCodePageUcs2), kCodePageUcs2);
  EXPECT_EQ(GetTextCodePage(), kCodePageUcs2);
  EXPECT_EQ(GetPrevTextCodePage(), ansi);

  EXPECT_EQ(SetTextCodePage(936), kCodePageUcs2);
  EXPECT_EQ(GetPrevTextCodePage(), kCodePageUcs2);

  // The dialog's choice moves the pair even when it picks the same page.
  AcceptTextCodePage(936);
  EXPECT_EQ(GetTextCodePage(), 936u);
  EXPECT_EQ(GetPrevTextCodePage(), 936u);
  AcceptTextCodePage(950);
  EXPECT_EQ(GetTextCodePage(), 950u);
  EXPECT_EQ(GetPrevTextCodePage(), 936u);
}

}  // namespace
