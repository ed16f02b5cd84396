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

// Bounds on markup (SSML and CSSML texts), so that no attribute makes the
// synthesiser speak or wait for long:
// - a tag is at most kMaxMarkupTag code points; a longer one (a "<" followed
//   by a letter, "/", "!" or "?", with its ">" before any other "<") is
//   dropped whole, never read aloud as text;
// - the text a <sub alias="..."> speaks is cut to kMaxSpokenAttribute code
//   points (about as long as the longest word the engine reads whole);
// - a <break time="..."/> of more than kMaxBreakMs waits kMaxBreakMs.
inline constexpr size_t kMaxMarkupTag = 1024;
inline constexpr size_t kMaxSpokenAttribute = 200;
inline constexpr uint32_t kMaxBreakMs = 10000;

// The end (one past its ">") of an over-long tag that starts at text[i], or
// 0 when none starts there.
size_t OverlongTagEnd(const CInputText& text, size_t i);
// The tag ("<" ... ">") with the attributes above bounded; others unchanged.
std::u32string BoundedTag(const std::u32string& tag);

}  // namespace varentts
