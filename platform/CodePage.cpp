// Code pages over ICU converters. A code page number resolves to an ICU
// converter name once per process ("windows-N" first, then a table for the
// numbers ICU knows only by another name); the result is cached behind a
// mutex. ICU converters keep conversion state and are not thread-safe, so
// each thread opens its own, kept in a thread-local cache that closes them
// when the thread ends. All functions may be called from any thread.
#include "platform/CodePage.h"

#include <langinfo.h>
#include <locale.h>
#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>
#include <unicode/ucnv_err.h>
#include <unicode/ucsdet.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <map>
#include <mutex>
#include <string>
#include <unordered_map>

namespace {

struct ExplicitName {
  uint32_t cp;
  const char* icuName;
};

// Code pages whose "windows-N" alias ICU lacks (or maps to something else).
constexpr ExplicitName kExplicitNames[] = {
    {65001, "UTF-8"},      {1200, "UTF-16LE"},     {1201, "UTF-16BE"},     {20127, "US-ASCII"},
    {28591, "ISO-8859-1"}, {28592, "ISO-8859-2"},  {28593, "ISO-8859-3"},  {28594, "ISO-8859-4"},
    {28595, "ISO-8859-5"}, {28596, "ISO-8859-6"},  {28597, "ISO-8859-7"},  {28598, "ISO-8859-8"},
    {28599, "ISO-8859-9"}, {28603, "ISO-8859-13"}, {28605, "ISO-8859-15"}, {20866, "KOI8-R"},
    {21866, "KOI8-U"},     {50220, "ISO-2022-JP"}, {52936, "HZ"},          {54936, "GB18030"},
    {1361, "johab"},       {51932, "EUC-JP"},      {20932, "EUC-JP"},      {20936, "EUC-CN"},
    {51936, "EUC-CN"},     {51949, "EUC-KR"},      {10000, "macintosh"},
};

// Returns the ICU name to open for cp, or empty when ICU cannot convert it.
std::string ResolveName(uint32_t cp) {
  static std::mutex mutex;
  static std::map<uint32_t, std::string> cache;
  std::lock_guard<std::mutex> lock(mutex);
  auto it = cache.find(cp);
  if (it != cache.end()) return it->second;

  auto opens = [](const std::string& name) {
    UErrorCode status = U_ZERO_ERROR;
    UConverter* conv = ucnv_open(name.c_str(), &status);
    // U_AMBIGUOUS_ALIAS_WARNING: "windows-936" is an alias of several tables;
    // ICU picks the Windows one, which is what is wanted.
    const bool ok = conv && U_SUCCESS(status);
    if (conv) ucnv_close(conv);
    return ok;
  };
  std::string name;
  // The explicit table wins for the Unicode forms: "windows-1200" would
  // otherwise resolve through ICU's alias list with its own byte-order rules.
  for (const ExplicitName& e : kExplicitNames) {
    if (e.cp == cp && opens(e.icuName)) {
      name = e.icuName;
      break;
    }
  }
  if (name.empty() && cp != 0) {
    const std::string windowsName = "windows-" + std::to_string(cp);
    if (opens(windowsName)) name = windowsName;
  }
  cache.emplace(cp, name);
  return name;
}

// Bytes that do not decode become U+FFFD, one per undecodable sequence. ICU's
// own substitute is U+001A for single-byte tables, an invisible control
// character in the editor.
void ToUnicodeReplacement(const void*, UConverterToUnicodeArgs* args, const char*, int32_t,
                          UConverterCallbackReason reason, UErrorCode* status) {
  if (reason > UCNV_IRREGULAR) return;  // reset, close, clone: nothing to write
  *status = U_ZERO_ERROR;
  static const UChar replacement = 0xFFFD;
  ucnv_cbToUWriteUChars(args, &replacement, 1, 0, status);
}

// One converter per code page per thread, with the substitution set up.
class ConverterCache {
 public:
  ~ConverterCache() {
    for (auto& [cp, conv] : m_converters)
      if (conv) ucnv_close(conv);
  }
  UConverter* Get(uint32_t cp) {
    auto it = m_converters.find(cp);
    if (it != m_converters.end()) return it->second;
    UConverter* conv = Open(cp);
    m_converters.emplace(cp, conv);
    return conv;
  }

 private:
  static UConverter* Open(uint32_t cp) {
    const std::string name = ResolveName(cp);
    if (name.empty()) return nullptr;
    UErrorCode status = U_ZERO_ERROR;
    UConverter* conv = ucnv_open(name.c_str(), &status);
    if (!conv || U_FAILURE(status)) {
      if (conv) ucnv_close(conv);
      return nullptr;
    }
    // A character the code page lacks becomes one blank. Multi-byte tables
    // carry a single-byte substitute (subChar1) that ICU prefers for some
    // characters; setting the substitution string replaces both, so 936
    // and 950 also write one blank, not their two-byte default.
    status = U_ZERO_ERROR;
    ucnv_setSubstChars(conv, " ", 1, &status);
    if (U_FAILURE(status)) {
      // UTF-16 cannot take a one-byte substitute; it can encode every
      // character anyway, and an unpaired surrogate becomes U+0020.
      status = U_ZERO_ERROR;
      static const UChar blank[] = {0x20};
      ucnv_setSubstString(conv, blank, 1, &status);
    }
    status = U_ZERO_ERROR;
    ucnv_setFromUCallBack(conv, UCNV_FROM_U_CALLBACK_SUBSTITUTE, nullptr, nullptr, nullptr,
                          &status);
    status = U_ZERO_ERROR;
    ucnv_setToUCallBack(conv, ToUnicodeReplacement, nullptr, nullptr, nullptr, &status);
    return conv;
  }

  std::unordered_map<uint32_t, UConverter*> m_converters;
};

UConverter* ThreadConverter(uint32_t cp) {
  thread_local ConverterCache cache;
  return cache.Get(cp);
}

QByteArray NormalizeCharset(const char* charset) {
  QByteArray out;
  for (const char* p = charset; p && *p; ++p) {
    const char c = *p;
    if (c == '-' || c == '_' || c == ' ') continue;
    out.append((c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c);
  }
  return out;
}

struct LocaleRow {
  uint32_t lcid;
  uint32_t oem;
  uint32_t ansi;
};

// Common Windows locales with their default OEM and ANSI code pages.
constexpr LocaleRow kLocales[] = {
    {0x0401, 720, 1256},   // Arabic (Saudi Arabia)
    {0x0402, 866, 1251},   // Bulgarian
    {0x0403, 850, 1252},   // Catalan
    {0x0404, 950, 950},    // Chinese (Taiwan)
    {0x0405, 852, 1250},   // Czech
    {0x0406, 850, 1252},   // Danish
    {0x0407, 850, 1252},   // German (Germany)
    {0x0408, 737, 1253},   // Greek
    {0x0409, 437, 1252},   // English (United States)
    {0x040A, 850, 1252},   // Spanish (traditional sort)
    {0x040B, 850, 1252},   // Finnish
    {0x040C, 850, 1252},   // French (France)
    {0x040D, 862, 1255},   // Hebrew
    {0x040E, 852, 1250},   // Hungarian
    {0x040F, 850, 1252},   // Icelandic
    {0x0410, 850, 1252},   // Italian (Italy)
    {0x0411, 932, 932},    // Japanese
    {0x0412, 949, 949},    // Korean
    {0x0413, 850, 1252},   // Dutch (Netherlands)
    {0x0414, 850, 1252},   // Norwegian (Bokmal)
    {0x0415, 852, 1250},   // Polish
    {0x0416, 850, 1252},   // Portuguese (Brazil)
    {0x0418, 852, 1250},   // Romanian
    {0x0419, 866, 1251},   // Russian
    {0x041A, 852, 1250},   // Croatian
    {0x041B, 852, 1250},   // Slovak
    {0x041C, 852, 1250},   // Albanian
    {0x041D, 850, 1252},   // Swedish
    {0x041E, 874, 874},    // Thai
    {0x041F, 857, 1254},   // Turkish
    {0x0420, 720, 1256},   // Urdu
    {0x0421, 850, 1252},   // Indonesian
    {0x0422, 866, 1251},   // Ukrainian
    {0x0423, 866, 1251},   // Belarusian
    {0x0424, 852, 1250},   // Slovenian
    {0x0425, 775, 1257},   // Estonian
    {0x0426, 775, 1257},   // Latvian
    {0x0427, 775, 1257},   // Lithuanian
    {0x0429, 720, 1256},   // Persian
    {0x042A, 1258, 1258},  // Vietnamese
    {0x042D, 850, 1252},   // Basque
    {0x042F, 866, 1251},   // Macedonian
    {0x0436, 850, 1252},   // Afrikaans
    {0x0438, 850, 1252},   // Faroese
    {0x0439, 0, 0},        // Hindi (Unicode only)
    {0x043E, 850, 1252},   // Malay (Malaysia)
    {0x043F, 866, 1251},   // Kazakh
    {0x0441, 437, 1252},   // Swahili
    {0x0443, 857, 1254},   // Uzbek (Latin)
    {0x0444, 866, 1251},   // Tatar
    {0x0456, 850, 1252},   // Galician
    {0x0804, 936, 936},    // Chinese (PRC)
    {0x0807, 850, 1252},   // German (Switzerland)
    {0x0809, 850, 1252},   // English (United Kingdom)
    {0x080A, 850, 1252},   // Spanish (Mexico)
    {0x080C, 850, 1252},   // French (Belgium)
    {0x0810, 850, 1252},   // Italian (Switzerland)
    {0x0813, 850, 1252},   // Dutch (Belgium)
    {0x0816, 850, 1252},   // Portuguese (Portugal)
    {0x081A, 852, 1250},   // Serbian (Latin)
    {0x0C04, 950, 950},    // Chinese (Hong Kong SAR)
    {0x0C07, 850, 1252},   // German (Austria)
    {0x0C09, 850, 1252},   // English (Australia)
    {0x0C0A, 850, 1252},   // Spanish (modern sort)
    {0x0C0C, 850, 1252},   // French (Canada)
    {0x0C1A, 855, 1251},   // Serbian (Cyrillic)
    {0x1004, 936, 936},    // Chinese (Singapore)
    {0x1009, 850, 1252},   // English (Canada)
    {0x1404, 950, 950},    // Chinese (Macao SAR)
    {0x1409, 850, 1252},   // English (New Zealand)
    {0x1809, 850, 1252},   // English (Ireland)
    {0x2C01, 720, 1256},   // Arabic (Jordan)
};

struct NameRow {
  uint32_t cp;
  const char* description;
};

// Descriptions in the form "<kind> - <script or region>"; the kind says
// whether the code page serves as a locale's ANSI code page, its OEM code
// page or both.
constexpr NameRow kNames[] = {
    {437, "OEM - United States"},
    {720, "OEM - Arabic"},
    {737, "OEM - Greek 437G"},
    {775, "OEM - Baltic"},
    {850, "OEM - Multilingual Latin I"},
    {852, "OEM - Latin II"},
    {855, "OEM - Cyrillic"},
    {857, "OEM - Turkish"},
    {858, "OEM - Multilingual Latin I + Euro"},
    {862, "OEM - Hebrew"},
    {866, "OEM - Russian"},
    {874, "ANSI/OEM - Thai"},
    {932, "ANSI/OEM - Japanese Shift-JIS"},
    {936, "ANSI/OEM - Simplified Chinese GBK"},
    {949, "ANSI/OEM - Korean Unified Hangul"},
    {950, "ANSI/OEM - Traditional Chinese Big5"},
    {1201, "Unicode UTF-16 big-endian"},
    {1250, "ANSI - Central Europe"},
    {1251, "ANSI - Cyrillic"},
    {1252, "ANSI - Latin I"},
    {1253, "ANSI - Greek"},
    {1254, "ANSI - Turkish"},
    {1255, "ANSI - Hebrew"},
    {1256, "ANSI - Arabic"},
    {1257, "ANSI - Baltic"},
    {1258, "ANSI/OEM - Vietnamese"},
    {1361, "Korean Johab"},
    {10000, "MAC - Roman"},
    {20127, "US-ASCII"},
    {20866, "Russian KOI8-R"},
    {20932, "JIS X 0208-1990 & 0212-1990"},
    {20936, "Simplified Chinese GB2312"},
    {21866, "Ukrainian KOI8-U"},
    {28591, "ISO 8859-1 Latin I"},
    {28592, "ISO 8859-2 Central Europe"},
    {28593, "ISO 8859-3 Latin 3"},
    {28594, "ISO 8859-4 Baltic"},
    {28595, "ISO 8859-5 Cyrillic"},
    {28596, "ISO 8859-6 Arabic"},
    {28597, "ISO 8859-7 Greek"},
    {28598, "ISO 8859-8 Hebrew: Visual Ordering"},
    {28599, "ISO 8859-9 Latin 5"},
    {28603, "ISO 8859-13 Estonian"},
    {28605, "ISO 8859-15 Latin 9"},
    {50220, "ISO-2022 Japanese with no halfwidth Katakana"},
    {51932, "EUC - Japanese"},
    {51936, "EUC - Simplified Chinese"},
    {51949, "EUC - Korean"},
    {52936, "HZ-GB2312 Simplified Chinese"},
    {54936, "GB18030 Simplified Chinese"},
    {65001, "UTF-8"},
};

uint32_t ComputeACP() {
  // The locale the environment selects (LC_ALL, LC_CTYPE, LANG), looked at
  // without changing the process's own locale. A locale that is not
  // installed gives "C", as setlocale(LC_CTYPE, "") would.
  locale_t loc = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(0));
  if (!loc) return CodePageFromCharset("ANSI_X3.4-1968");
  const uint32_t cp = CodePageFromCharset(nl_langinfo_l(CODESET, loc));
  freelocale(loc);
  // A character set this ICU cannot convert would make every text
  // conversion fail; UTF-8 is what such a system most likely uses.
  return IsValidCodePage(cp) ? cp : 65001;
}

}  // namespace

uint32_t CodePageFromCharset(const char* charset) {
  const QByteArray n = NormalizeCharset(charset);
  if (n.isEmpty() || n == "UTF8" || n == "ANSIX3.41968" || n == "ASCII" || n == "USASCII" ||
      n == "C" || n == "POSIX")
    return 65001;
  if (n == "GBK" || n == "GB2312" || n == "EUCCN" || n == "CP936") return 936;
  if (n == "GB18030") return 54936;
  if (n == "BIG5" || n == "BIG5HKSCS" || n == "CP950") return 950;
  if (n == "SJIS" || n == "SHIFTJIS" || n == "CP932" || n == "WINDOWS31J") return 932;
  if (n == "EUCKR" || n == "CP949" || n == "UHC") return 949;
  if (n == "EUCJP") return 51932;
  if (n == "KOI8R") return 20866;
  if (n == "KOI8U") return 21866;
  if (n == "TIS620" || n == "CP874") return 874;
  for (const char* prefix : {"CP", "WINDOWS"}) {
    if (n.startsWith(prefix)) {
      bool ok = false;
      const uint32_t cp = n.mid(int(strlen(prefix))).toUInt(&ok);
      if (ok && cp >= 1250 && cp <= 1258) return cp;
    }
  }
  if (n.startsWith("ISO8859")) {
    bool ok = false;
    const uint32_t part = n.mid(7).toUInt(&ok);
    // Windows numbers the parts it has: 1 to 9, 13 and 15.
    if (ok && ((part >= 1 && part <= 9) || part == 13 || part == 15)) return 28590 + part;
  }
  return 65001;
}

uint32_t GetACP() {
  static const uint32_t acp = ComputeACP();
  return acp;
}

uint32_t GetOEMCP() {
  switch (GetACP()) {
    case 932:
    case 936:
    case 949:
    case 950:
    case 874:
    case 1258:
    case 65001:
      return GetACP();
    case 1250:
      return 852;
    case 1251:
      return 866;
    case 1253:
      return 737;
    case 1254:
      return 857;
    case 1255:
      return 862;
    case 1256:
      return 720;
    case 1257:
      return 775;
    default:
      return 437;
  }
}

bool IsValidCodePage(uint32_t cp) {
  return !ResolveName(cp).empty();
}

QString MultiByteToWide(uint32_t cp, const char* data, qsizetype size, bool* ok) {
  UConverter* conv = ThreadConverter(cp);
  if (!conv || size < 0 || (size > 0 && !data) || size > std::numeric_limits<int32_t>::max()) {
    if (ok) *ok = false;
    return QString();
  }
  if (ok) *ok = true;
  if (size == 0) return QStringLiteral("");
  // Every byte gives at most two UTF-16 units (a supplementary character
  // needs at least two bytes in any table, so this is generous); ICU counts
  // in 32 bits.
  QString out(std::min<qsizetype>(size * 2 + 1, std::numeric_limits<int32_t>::max()),
              Qt::Uninitialized);
  // A table that expands further than the estimate reports the length it
  // needs; convert again with that much room.
  int32_t length = 0;
  for (int attempt = 0; attempt < 2; ++attempt) {
    UErrorCode status = U_ZERO_ERROR;
    length =
        ucnv_toUChars(conv, reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(out.size()),
                      data, static_cast<int32_t>(size), &status);
    if (status == U_BUFFER_OVERFLOW_ERROR && attempt == 0) {
      out.resize(qsizetype(length) + 1);
      continue;
    }
    if (U_FAILURE(status) && status != U_STRING_NOT_TERMINATED_WARNING) {
      if (ok) *ok = false;
      return QString();
    }
    break;
  }
  out.truncate(length);
  return out;
}

bool MultiByteToWideExact(uint32_t cp, const char* data, qsizetype size, QString* text) {
  UConverter* conv = ThreadConverter(cp);
  if (!conv || size < 0 || (size > 0 && !data) || size > std::numeric_limits<int32_t>::max() / 2)
    return false;
  if (size == 0) {
    *text = QStringLiteral("");
    return true;
  }
  // The shared converter stops at the first undecodable sequence for this
  // call only; its replacing callback comes back afterwards.
  UConverterToUCallback oldAction = nullptr;
  const void* oldContext = nullptr;
  UErrorCode status = U_ZERO_ERROR;
  ucnv_setToUCallBack(conv, UCNV_TO_U_CALLBACK_STOP, nullptr, &oldAction, &oldContext, &status);
  if (U_FAILURE(status)) return false;
  // Room as MultiByteToWide gives it, and more when a table needs it.
  text->resize(size * 2 + 1);
  int32_t length = 0;
  for (int attempt = 0; attempt < 2; ++attempt) {
    status = U_ZERO_ERROR;
    length = ucnv_toUChars(conv, reinterpret_cast<UChar*>(text->data()),
                           static_cast<int32_t>(text->size()), data, static_cast<int32_t>(size),
                           &status);
    if (status != U_BUFFER_OVERFLOW_ERROR || attempt == 1) break;
    text->resize(qsizetype(length) + 1);
  }
  UErrorCode restore = U_ZERO_ERROR;
  ucnv_setToUCallBack(conv, oldAction, oldContext, nullptr, nullptr, &restore);
  if (U_FAILURE(status) && status != U_STRING_NOT_TERMINATED_WARNING) return false;
  text->truncate(length);
  return true;
}

QByteArray WideToMultiByte(uint32_t cp, const QString& text, bool* ok) {
  UConverter* conv = ThreadConverter(cp);
  if (!conv) {
    if (ok) *ok = false;
    return QByteArray();
  }
  if (ok) *ok = true;
  if (text.isEmpty()) return QByteArray("");
  const qsizetype capacity =
      UCNV_GET_MAX_BYTES_FOR_STRING(text.size(), ucnv_getMaxCharSize(conv)) + 1;
  if (capacity > std::numeric_limits<int32_t>::max()) {
    if (ok) *ok = false;
    return QByteArray();
  }
  QByteArray out(capacity, Qt::Uninitialized);
  int32_t length = 0;
  for (int attempt = 0; attempt < 2; ++attempt) {
    UErrorCode status = U_ZERO_ERROR;
    length = ucnv_fromUChars(conv, out.data(), static_cast<int32_t>(out.size()),
                             reinterpret_cast<const UChar*>(text.constData()),
                             static_cast<int32_t>(text.size()), &status);
    if (status == U_BUFFER_OVERFLOW_ERROR && attempt == 0) {
      out.resize(qsizetype(length) + 1);
      continue;
    }
    if (U_FAILURE(status) && status != U_STRING_NOT_TERMINATED_WARNING) {
      if (ok) *ok = false;
      return QByteArray();
    }
    break;
  }
  out.truncate(length);
  return out;
}

QByteArray WideToMultiByteWithOffsets(uint32_t cp, const QString& text,
                                      std::vector<int32_t>* sourceIndex, bool* ok) {
  sourceIndex->clear();
  UConverter* conv = ThreadConverter(cp);
  if (!conv) {
    if (ok) *ok = false;
    return QByteArray();
  }
  if (ok) *ok = true;
  if (text.isEmpty()) return QByteArray("");
  const qsizetype capacity =
      UCNV_GET_MAX_BYTES_FOR_STRING(text.size(), ucnv_getMaxCharSize(conv)) + 1;
  if (capacity > std::numeric_limits<int32_t>::max()) {
    if (ok) *ok = false;
    return QByteArray();
  }
  QByteArray out(capacity, Qt::Uninitialized);
  sourceIndex->assign(static_cast<size_t>(capacity), -1);
  ucnv_resetFromUnicode(conv);
  char* target = out.data();
  const auto* source = reinterpret_cast<const UChar*>(text.constData());
  UErrorCode status = U_ZERO_ERROR;
  ucnv_fromUnicode(conv, &target, out.data() + capacity, &source, source + text.size(),
                   sourceIndex->data(), true, &status);
  if (U_FAILURE(status)) {
    sourceIndex->clear();
    if (ok) *ok = false;
    return QByteArray();
  }
  const qsizetype length = target - out.data();
  out.truncate(length);
  sourceIndex->resize(static_cast<size_t>(length));
  return out;
}

std::vector<uint32_t> DetectCodePages(const char* data, qsizetype size,
                                      const std::vector<uint32_t>& candidates) {
  // The detector's charset names and the code pages that read them, the
  // usual Windows one first (GBK text is GB18030 to the detector; Latin-1
  // text is read by 1252, a superset).
  struct DetectedName {
    const char* name;
    uint32_t codePages[2];
  };
  static constexpr DetectedName kDetected[] = {
      {"UTF-8", {65001, 0}},         {"GB18030", {936, 54936}},       {"Big5", {950, 0}},
      {"Shift_JIS", {932, 0}},       {"EUC-KR", {949, 51949}},        {"EUC-JP", {51932, 20932}},
      {"ISO-2022-JP", {50220, 0}},   {"ISO-8859-1", {1252, 28591}},   {"ISO-8859-2", {1250, 28592}},
      {"ISO-8859-5", {28595, 0}},    {"ISO-8859-6", {28596, 0}},      {"ISO-8859-7", {1253, 28597}},
      {"ISO-8859-8", {1255, 28598}}, {"ISO-8859-8-I", {1255, 28598}}, {"ISO-8859-9", {1254, 28599}},
      {"windows-1250", {1250, 0}},   {"windows-1251", {1251, 0}},     {"windows-1252", {1252, 0}},
      {"windows-1253", {1253, 0}},   {"windows-1254", {1254, 0}},     {"windows-1255", {1255, 0}},
      {"windows-1256", {1256, 0}},   {"KOI8-R", {20866, 0}},
  };
  std::vector<uint32_t> found;
  if (!data || size <= 0 || candidates.empty()) return found;
  UErrorCode status = U_ZERO_ERROR;
  UCharsetDetector* detector = ucsdet_open(&status);
  if (!detector || U_FAILURE(status)) {
    if (detector) ucsdet_close(detector);
    return found;
  }
  ucsdet_setText(detector, data, static_cast<int32_t>(std::min(size, kDetectCodePageBytes)),
                 &status);
  int32_t count = 0;
  const UCharsetMatch** matches =
      U_SUCCESS(status) ? ucsdet_detectAll(detector, &count, &status) : nullptr;
  for (int32_t i = 0; matches && U_SUCCESS(status) && i < count; ++i) {
    UErrorCode nameStatus = U_ZERO_ERROR;
    const char* name = ucsdet_getName(matches[i], &nameStatus);
    if (U_FAILURE(nameStatus) || !name) continue;
    for (const DetectedName& d : kDetected) {
      if (std::strcmp(d.name, name) != 0) continue;
      for (uint32_t cp : d.codePages) {
        if (cp == 0) continue;
        if (std::find(candidates.begin(), candidates.end(), cp) == candidates.end()) continue;
        if (std::find(found.begin(), found.end(), cp) == found.end()) found.push_back(cp);
      }
    }
  }
  ucsdet_close(detector);  // the matches belong to the detector
  return found;
}

const std::vector<LocaleCodePages>& InstalledLocales() {
  static const std::vector<LocaleCodePages> locales = [] {
    std::vector<LocaleCodePages> list;
    for (const LocaleRow& row : kLocales) {
      LocaleCodePages entry{row.lcid, row.oem, row.ansi};
      if (entry.oemCodePage && !IsValidCodePage(entry.oemCodePage)) entry.oemCodePage = 0;
      if (entry.ansiCodePage && !IsValidCodePage(entry.ansiCodePage)) entry.ansiCodePage = 0;
      list.push_back(entry);
    }
    return list;
  }();
  return locales;
}

QString CodePageName(uint32_t cp) {
  if (cp == 1200) return QStringLiteral("1200  (Unicode UCS-2)");
  if (!IsValidCodePage(cp)) return QString();
  for (const NameRow& row : kNames) {
    if (row.cp == cp) return QStringLiteral("%1  (%2)").arg(cp).arg(QLatin1String(row.description));
  }
  return QString();
}
