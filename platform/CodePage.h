// Code-page services over ICU. Code pages are Windows code-page numbers;
// 1200 is UTF-16LE. Unmappable characters become one blank each; undecodable
// bytes become U+FFFD. Every function may be called from any thread (each
// thread converts with converters of its own).
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <vector>

// The system ANSI code page from the process locale's character set
// (GBK/GB2312 936, BIG5 950, UTF-8 or C 65001, ...).
uint32_t GetACP();
// The code page of a C library character-set name ("UTF-8", "GBK",
// "ISO-8859-5", "ANSI_X3.4-1968"); 65001 for names without a Windows
// counterpart.
uint32_t CodePageFromCharset(const char* charset);
uint32_t GetOEMCP();
bool IsValidCodePage(uint32_t cp);

// Multibyte text in code page cp to UTF-16. Undecodable bytes are replaced;
// *ok is false for a code page that cannot be converted.
QString MultiByteToWide(uint32_t cp, const char* data, qsizetype size, bool* ok = nullptr);
inline QString MultiByteToWide(uint32_t cp, const QByteArray& bytes, bool* ok = nullptr) {
  return MultiByteToWide(cp, bytes.constData(), bytes.size(), ok);
}
// The same conversion, but only for bytes that are wholly text of code page
// cp: true with *text set when every byte sequence decodes; false (and *text
// unspecified) at the first sequence that does not, without converting the
// rest, or when cp cannot be converted.
bool MultiByteToWideExact(uint32_t cp, const char* data, qsizetype size, QString* text);
// UTF-16 to code page cp, a blank for every character the code page lacks.
QByteArray WideToMultiByte(uint32_t cp, const QString& text, bool* ok = nullptr);

// The code pages among candidates that bytes of unknown encoding most likely
// are, the likeliest first, by the platform's charset detection over at most
// the first kDetectCodePageBytes bytes. A guess only: a caller checks the
// whole text (MultiByteToWideExact). Empty when no candidate fits.
inline constexpr qsizetype kDetectCodePageBytes = 65536;
std::vector<uint32_t> DetectCodePages(const char* data, qsizetype size,
                                      const std::vector<uint32_t>& candidates);

// The same conversion, also telling for every output byte the index of the
// UTF-16 unit it came from (*sourceIndex gets one entry per byte).
QByteArray WideToMultiByteWithOffsets(uint32_t cp, const QString& text,
                                      std::vector<int32_t>* sourceIndex, bool* ok = nullptr);

struct LocaleCodePages {
  uint32_t lcid;
  uint32_t oemCodePage;   // 0 for none
  uint32_t ansiCodePage;  // 0 for none
};
// The installed locales and their OEM and ANSI code pages (a built-in table
// of Windows locales; only code pages that ICU converts).
const std::vector<LocaleCodePages>& InstalledLocales();
// The display name of a code page, "936  (ANSI/OEM - Simplified Chinese GBK)";
// empty when it is not known.
QString CodePageName(uint32_t cp);
