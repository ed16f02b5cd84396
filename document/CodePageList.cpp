#include "document/CodePageList.h"

#include <vector>

#include "platform/CodePage.h"

namespace {

QStringList g_lstCodePages;

// Inserts name before the first entry that compares greater (ordinal
// comparison of the 16-bit characters), after any equal ones.
void InsertSorted(QStringList* list, const QString& name) {
  qsizetype at = 0;
  while (at < list->size() && QString::compare((*list)[at], name, Qt::CaseSensitive) <= 0) ++at;
  list->insert(at, name);
}

}  // namespace

void BuildCodePageList() {
  g_lstCodePages.clear();
  g_lstCodePages.append(QString::fromLatin1(kUcs2ListName));
  std::vector<uint32_t> pages;
  auto add = [&](uint32_t cp) {
    // A locale without a code page of that kind reports 0.
    if (cp == 0) return;
    for (uint32_t p : pages)
      if (p == cp) return;
    pages.push_back(cp);
  };
  for (const LocaleCodePages& locale : InstalledLocales()) {
    add(locale.oemCodePage);
    add(locale.ansiCodePage);
  }
  // The system's own locale is always installed, so its code page is
  // offered (and preselected when saving) even where no Windows locale uses
  // it as a default, as with UTF-8.
  add(GetACP());
  for (uint32_t cp : pages) {
    const QString name = CodePageName(cp);
    if (!name.isEmpty()) InsertSorted(&g_lstCodePages, name);
  }
}

const QStringList& CodePageList() {
  return g_lstCodePages;
}

uint32_t CodePageOfListName(const QString& name) {
  uint32_t cp = 0;
  for (QChar c : name) {
    if (c < QLatin1Char('0') || c > QLatin1Char('9')) break;
    cp = cp * 10 + static_cast<uint32_t>(c.unicode() - '0');
  }
  return cp;
}
