#include "plugins/varentts/InputText.h"

#include <langinfo.h>
#include <strings.h>
#include <unicode/ucnv.h>

#include <cstring>
#include <memory>

#include "sdk/ttsapi.h"

namespace varentts {

namespace {

struct ConverterCloser {
  void operator()(UConverter* c) const { ucnv_close(c); }
};

// The locale's character set as a Windows-style ICU converter name. The C
// locale and UTF-8 locales read UTF-8, as the program itself does.
const char* LocaleConverter() {
  const char* codeset = nl_langinfo(CODESET);
  if (codeset == nullptr || *codeset == 0) return "UTF-8";
  struct Alias {
    const char* codeset;
    const char* converter;
  };
  static const Alias kAliases[] = {
      {"UTF-8", "UTF-8"},          {"utf8", "UTF-8"},
      {"ANSI_X3.4-1968", "UTF-8"}, {"GBK", "windows-936"},
      {"GB2312", "windows-936"},   {"GB18030", "gb18030"},
      {"BIG5", "windows-950"},     {"BIG5-HKSCS", "windows-950"},
      {"SJIS", "windows-932"},     {"SHIFT_JIS", "windows-932"},
      {"EUC-KR", "windows-949"},   {"EUC-JP", "euc-jp"},
  };
  for (const Alias& a : kAliases) {
    if (strcasecmp(codeset, a.codeset) == 0) return a.converter;
  }
  // Any other character set (ISO-8859-x, CP125x, KOI8-R) is a name ICU knows.
  static thread_local char name[64];
  snprintf(name, sizeof name, "%s", codeset);
  return name;
}

}  // namespace

const char* ConverterForCodePage(uint32_t codePage) {
  switch (codePage) {
    case TTS_CP_DEFAULT:
      return LocaleConverter();
    case TTS_CP_GBK:
      return "windows-936";
    case TTS_CP_BIG5:
      return "windows-950";
    case TTS_CP_UTF16LE:
      return "UTF-16LE";
    default:
      return nullptr;
  }
}

void AppendUtf8(std::string* out, char32_t c) {
  if (c < 0x80) {
    out->push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (c >> 6)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (c >> 12)));
    out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (c >> 18)));
    out->push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

uint32_t CInputText::Decode(const uint8_t* data, uint32_t size, const char* converterName) {
  m_cps.clear();
  m_begin.clear();
  m_nBytes = size;
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<UConverter, ConverterCloser> conv(ucnv_open(converterName, &status));
  if (U_FAILURE(status) || !conv) {
    // An unknown locale character set falls back to UTF-8 rather than failing
    // every synthesis; an explicitly unknown name is the caller's error.
    status = U_ZERO_ERROR;
    conv.reset(ucnv_open("UTF-8", &status));
    if (U_FAILURE(status) || !conv) return TTSERR_INVALIDVALUE;
  }
  // Decode in slices so the UTF-16 scratch stays small for long texts; ICU
  // keeps partial characters between calls and gives each UTF-16 unit the
  // offset of the input byte that produced it.
  constexpr size_t kSlice = 16384;
  std::vector<UChar> units(kSlice * 2 + 8);
  std::vector<int32_t> offsets(units.size());
  m_cps.reserve(size / 2 + 1);
  m_begin.reserve(size / 2 + 1);
  const char* src = reinterpret_cast<const char*>(data);
  const char* srcEnd = src + size;
  char16_t pendingHigh = 0;
  uint32_t pendingOffset = 0;
  uint32_t sliceBase = 0;
  while (true) {
    const char* sliceStart = src;
    const char* sliceLimit =
        (srcEnd - src > static_cast<ptrdiff_t>(kSlice)) ? src + kSlice : srcEnd;
    bool flush = sliceLimit == srcEnd;
    UChar* target = units.data();
    status = U_ZERO_ERROR;
    ucnv_toUnicode(conv.get(), &target, units.data() + units.size(), &src, sliceLimit,
                   offsets.data(), flush, &status);
    if (U_FAILURE(status) && status != U_BUFFER_OVERFLOW_ERROR) return TTSERR_INVALIDVALUE;
    size_t produced = static_cast<size_t>(target - units.data());
    for (size_t i = 0; i < produced; ++i) {
      char16_t u = units[i];
      // Offsets are relative to the slice start; -1 marks units that came from
      // bytes of the previous slice (a character split between slices).
      uint32_t off = offsets[i] >= 0 ? sliceBase + static_cast<uint32_t>(offsets[i])
                                     : (m_begin.empty() ? 0 : m_begin.back());
      if (u >= 0xD800 && u <= 0xDBFF) {
        pendingHigh = u;
        pendingOffset = off;
        continue;
      }
      char32_t c = u;
      if (u >= 0xDC00 && u <= 0xDFFF) {
        if (pendingHigh == 0) {
          c = 0xFFFD;
        } else {
          c = 0x10000 + ((static_cast<char32_t>(pendingHigh) - 0xD800) << 10) + (u - 0xDC00);
          off = pendingOffset;
        }
      } else if (pendingHigh != 0) {
        m_cps.push_back(0xFFFD);
        m_begin.push_back(pendingOffset);
      }
      pendingHigh = 0;
      // Offsets never go backwards: a substitution may report its start late.
      if (!m_begin.empty() && off < m_begin.back()) off = m_begin.back();
      if (off > size) off = size;
      m_cps.push_back(c);
      m_begin.push_back(off);
    }
    sliceBase += static_cast<uint32_t>(src - sliceStart);
    if (status == U_BUFFER_OVERFLOW_ERROR) continue;
    if (flush && src == srcEnd) break;
  }
  if (pendingHigh != 0) {
    m_cps.push_back(0xFFFD);
    m_begin.push_back(pendingOffset);
  }
  return 0;
}

}  // namespace varentts
