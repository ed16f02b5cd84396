// The current text code page: the code page of the bytes that go to a file
// and to the speech engine. 1200 is UCS-2 little-endian; every other number
// is a multibyte Windows code page. Read on the user-interface thread and,
// during a synthesis, on the audio worker thread; a plain 32-bit value.
#pragma once

#include <cstdint>

inline constexpr uint32_t kCodePageUcs2 = 1200;

// Both values start at the system's ANSI code page on first use.
uint32_t GetTextCodePage();
uint32_t GetPrevTextCodePage();
// Returns the old value; setting the current value again changes nothing.
uint32_t SetTextCodePage(uint32_t cp);
// The file dialog's accepted choice: previous := current, current := cp.
void AcceptTextCodePage(uint32_t cp);
