// The text handed to TTSSynthText, decoded once into code points, each with
// the byte offset in the caller's encoding where it begins. Everything the
// engine later reports (piece text offsets) is mapped back through this table,
// so highlighting follows the caller's own bytes whatever its code page.
//
// Owned by one synthesis session; built and read on the thread that calls
// TTSSynthText / TTSFetchNext. No shared state.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace varentts {

class CInputText {
 public:
  // Decodes size bytes in the encoding named by an ICU converter name
  // ("windows-936", "UTF-16LE", "UTF-8", ...). Bytes that do not decode become
  // U+FFFD (read as a blank later) and keep their offsets. Returns 0, or
  // TTSERR_INVALIDVALUE when ICU knows no such converter.
  uint32_t Decode(const uint8_t* data, uint32_t size, const char* converterName);

  uint32_t ByteSize() const { return m_nBytes; }
  size_t Length() const { return m_cps.size(); }
  char32_t At(size_t i) const { return m_cps[i]; }
  // Input byte offset where code point i begins; ByteBegin(Length()) is the size.
  uint32_t ByteBegin(size_t i) const { return i < m_begin.size() ? m_begin[i] : m_nBytes; }

 private:
  std::vector<char32_t> m_cps;
  std::vector<uint32_t> m_begin;
  uint32_t m_nBytes = 0;
};

// The ICU converter for a TTS_PARAM_INPUTCODEPAGE value; TTS_CP_DEFAULT
// follows the process locale's character set (the system ANSI code page).
// Null for an unknown value.
const char* ConverterForCodePage(uint32_t codePage);

// Appends the UTF-8 form of c.
void AppendUtf8(std::string* out, char32_t c);

}  // namespace varentts
