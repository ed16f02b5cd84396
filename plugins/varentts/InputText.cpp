#include "plugins/varentts/InputText.h"

#include <langinfo.h>
#include <strings.h>
#include <unicode/ucnv.h>

#include <cstring>
#include <memory>
#include <string_view>

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

namespace {

char32_t LowerAscii(char32_t c) {
  return c >= 'A' && c <= 'Z' ? c + 32 : c;
}
bool IsBlank(char32_t c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// The quoted value of attribute name in tag: [*begin, *end). False when the
// tag has no such attribute.
bool FindAttribute(const std::u32string& tag, std::u32string_view name, size_t* begin,
                   size_t* end) {
  for (size_t i = 1; i + name.size() < tag.size(); ++i) {
    if (!IsBlank(tag[i - 1])) continue;
    size_t k = 0;
    while (k < name.size() && LowerAscii(tag[i + k]) == name[k]) ++k;
    if (k < name.size()) continue;
    size_t j = i + k;
    while (j < tag.size() && IsBlank(tag[j])) ++j;
    if (j >= tag.size() || tag[j] != '=') continue;
    ++j;
    while (j < tag.size() && IsBlank(tag[j])) ++j;
    if (j >= tag.size() || (tag[j] != '"' && tag[j] != '\'')) continue;
    const size_t close = tag.find(tag[j], j + 1);
    if (close == std::u32string::npos) return false;
    *begin = j + 1;
    *end = close;
    return true;
  }
  return false;
}

// A break time ("2s", "500ms", "1.5 s") in milliseconds; -1 when unreadable.
double BreakMs(std::u32string_view value) {
  double number = 0;
  double scale = 1;
  bool digits = false;
  bool fraction = false;
  size_t i = 0;
  for (; i < value.size(); ++i) {
    const char32_t c = value[i];
    if (c >= '0' && c <= '9') {
      digits = true;
      if (fraction) scale /= 10;
      number = number * (fraction ? 1 : 10) + (c - '0') * (fraction ? scale : 1);
    } else if (c == '.' && !fraction) {
      fraction = true;
    } else {
      break;
    }
  }
  if (!digits) return -1;
  while (i < value.size() && IsBlank(value[i])) ++i;
  std::u32string unit;
  for (; i < value.size(); ++i) unit.push_back(LowerAscii(value[i]));
  if (unit == U"ms") return number;
  if (unit == U"s") return number * 1000;
  return -1;
}

}  // namespace

size_t OverlongTagEnd(const CInputText& text, size_t i) {
  if (i + 1 >= text.Length() || text.At(i) != '<') return 0;
  const char32_t next = LowerAscii(text.At(i + 1));
  if (!((next >= 'a' && next <= 'z') || next == '/' || next == '!' || next == '?')) return 0;
  for (size_t j = i + 1; j < text.Length(); ++j) {
    if (text.At(j) == '<') return 0;
    if (text.At(j) == '>') return j + 1 - i > kMaxMarkupTag ? j + 1 : 0;
  }
  return 0;
}

std::u32string BoundedTag(const std::u32string& tag) {
  std::u32string name;
  for (size_t i = 1; i < tag.size() && !IsBlank(tag[i]) && tag[i] != '/' && tag[i] != '>'; ++i)
    name.push_back(LowerAscii(tag[i]));
  size_t begin = 0;
  size_t end = 0;
  if (name == U"sub" && FindAttribute(tag, U"alias", &begin, &end) &&
      end - begin > kMaxSpokenAttribute) {
    return tag.substr(0, begin + kMaxSpokenAttribute) + tag.substr(end);
  }
  if (name == U"break" && FindAttribute(tag, U"time", &begin, &end) &&
      BreakMs(std::u32string_view(tag).substr(begin, end - begin)) > kMaxBreakMs) {
    std::u32string bound;
    for (char c : std::to_string(kMaxBreakMs) + "ms") bound.push_back(static_cast<char32_t>(c));
    return tag.substr(0, begin) + bound + tag.substr(end);
  }
  return tag;
}

}  // namespace varentts
