#include "document/TextEncoding.h"

#include <opencc/opencc.h>

#include "document/CodePageList.h"
#include "document/TextCodePage.h"
#include "document/TextFile.h"
#include "platform/CodePage.h"
#include "platform/SysError.h"
#include "resources/ResourceIds.h"

uint32_t DecodeAutomatic(const QByteArray& bytes, uint32_t systemCodePage,
                         const std::vector<uint32_t>& candidates, QString* text) {
  if (bytes.startsWith("\xEF\xBB\xBF")) {
    *text = MultiByteToWide(kCodePageUtf8, bytes.constData() + 3, bytes.size() - 3);
    return kCodePageUtf8;
  }
  if (MultiByteToWideExact(systemCodePage, bytes.constData(), bytes.size(), text))
    return systemCodePage;
  std::vector<uint32_t> others;
  for (uint32_t cp : candidates)
    if (cp != systemCodePage && cp != kCodePageUcs2) others.push_back(cp);
  for (uint32_t cp : DetectCodePages(bytes.constData(), bytes.size(), others))
    if (MultiByteToWideExact(cp, bytes.constData(), bytes.size(), text)) return cp;
  // Nothing reads it whole: the system code page, as far as it goes.
  *text = MultiByteToWide(systemCodePage, bytes);
  return systemCodePage;
}

std::vector<uint32_t> ListedCodePages() {
  std::vector<uint32_t> pages;
  for (const QString& name : CodePageList()) pages.push_back(CodePageOfListName(name));
  return pages;
}

QByteArray EncodeDocumentText(const QString& text, uint32_t cp, bool* ok) {
  *ok = true;
  if (cp == kCodePageUcs2) return QByteArrayLiteral("\xFF\xFE") + SpeechTextBytes(text, cp);
  return WideToMultiByte(cp, text, ok);
}

bool HasCrLfLineBreaks(const QString& text) {
  const qsizetype crlf = text.count(QLatin1String("\r\n"));
  return crlf > 0 && crlf == text.count(QLatin1Char('\n'));
}

QString WithCrLfLineBreaks(const QString& text) {
  QString out = text;
  out.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
  return out;
}

QString EncodingPaneText(uint32_t cp, const QString& unicodeText) {
  QString name = cp == kCodePageUcs2 ? QString() : CodePageName(cp);
  if (name.isEmpty()) return unicodeText;
  while (name.endsWith(QLatin1Char(')')) || name.endsWith(QLatin1Char(' '))) name.chop(1);
  const qsizetype blank = name.indexOf(QLatin1Char(' '));
  return blank < 0 ? name : name.mid(blank + 1);
}

std::vector<EncodingBoxEntry> EncodingBoxEntries(bool open, const QString& autoText,
                                                 const QStringList& list) {
  std::vector<EncodingBoxEntry> entries;
  if (open) entries.push_back({autoText, 0});
  for (const QString& name : list) entries.push_back({name, CodePageOfListName(name)});
  return entries;
}

int EncodingBoxSelection(bool open, uint32_t currentCodePage, const QStringList& list) {
  if (open) return 0;
  for (qsizetype i = 0; i < list.size(); ++i)
    if (CodePageOfListName(list[i]) == currentCodePage) return static_cast<int>(i);
  return 0;
}

uint32_t ChosenCodePage(uint32_t entryCodePage, uint32_t systemCodePage, bool* explicitChoice) {
  *explicitChoice = entryCodePage != 0;
  return entryCodePage != 0 ? entryCodePage : systemCodePage;
}

bool IsChineseSwitch(uint32_t from, uint32_t to) {
  return (from == 936 && to == 950) || (from == 950 && to == 936);
}

bool ConvertChineseCharacters(const QString& text, bool toTraditional, QString* out) {
  // The character configurations keep the number of characters (the
  // phrase ones, with their idioms, do not).
  opencc_t cc = opencc_open(toTraditional ? "s2tw.json" : "tw2s.json");
  if (cc == reinterpret_cast<opencc_t>(-1)) return false;
  // The converter works on zero-terminated text: convert the pieces between
  // any U+0000 characters and keep those.
  QString result;
  result.reserve(text.size());
  bool ok = true;
  const QList<QStringView> pieces = QStringView(text).split(QChar(0));
  for (qsizetype i = 0; i < pieces.size() && ok; ++i) {
    if (i > 0) result.append(QChar(0));
    if (pieces[i].isEmpty()) continue;
    const QByteArray in = pieces[i].toUtf8();
    char* converted = opencc_convert_utf8(cc, in.constData(), static_cast<size_t>(in.size()));
    if (converted == nullptr) {
      ok = false;
      break;
    }
    result.append(QString::fromUtf8(converted));
    opencc_convert_utf8_free(converted);
  }
  opencc_close(cc);
  if (ok) *out = std::move(result);
  return ok;
}

uint32_t FileErrorReason(uint32_t code) {
  switch (code) {
    case ERROR_FILE_NOT_FOUND:
      return IDS_FILE_REASON_NOT_FOUND;
    case ERROR_PATH_NOT_FOUND:
      return IDS_FILE_REASON_NO_FOLDER;
    case ERROR_ACCESS_DENIED:
      return IDS_FILE_REASON_DENIED;
    case ERROR_DISK_FULL:
      return IDS_FILE_REASON_DISK_FULL;
    case ERROR_INVALID_PARAMETER:
      return IDS_FILE_REASON_CODE_PAGE;
    case ERROR_READ_FAULT:
    case ERROR_WRITE_FAULT:
      return IDS_FILE_REASON_IO;
    case ERROR_FILENAME_EXCED_RANGE:
      return IDS_FILE_REASON_NAME_TOO_LONG;
    case ERROR_NOT_ENOUGH_MEMORY:
      return IDS_FILE_REASON_MEMORY;
    default:
      return 0;
  }
}
