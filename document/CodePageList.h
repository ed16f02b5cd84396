// The code pages offered to the user: built once at start-up from the
// installed locales' OEM and ANSI code pages (the system's own among them),
// each shown by the platform's name for it
// ("936  (ANSI/OEM - Simplified Chinese GBK)"), with "1200  (Unicode UCS-2)"
// added first and the rest sorted in ordinally around it. Every name starts
// with its code page number. The list never changes after it is built; the
// user-interface thread builds and reads it.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>

inline constexpr char kUcs2ListName[] = "1200  (Unicode UCS-2)";

// Builds the list (again, when called again).
void BuildCodePageList();
const QStringList& CodePageList();
// The code page a list name stands for: its leading decimal digits.
uint32_t CodePageOfListName(const QString& name);
