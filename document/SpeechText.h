// The text handed to the engine and the way back from its byte offsets to
// the view's characters. Widget-free.
//
// The engine reports which stretch of its input each piece of audio speaks
// as byte offsets into the bytes it was given. A byte offset is mapped back
// to the view's characters exactly, whatever the code page: a character may
// take one to four bytes (UTF-8, GB18030), so "two bytes per character"
// arithmetic would select the wrong text there. Where that arithmetic holds
// (UCS-2, and double-byte Chinese text in 936 or 950) the results agree.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <cstdint>
#include <vector>

// The stretch to speak: the selection; when it is empty, from the caret to
// the end; when that is empty too, the whole text. [*start, *end) in the
// text's UTF-16 units.
void SpeechStretch(int textLength, int selStart, int selEnd, int caret, int* start, int* end);

class CSpeechText {
 public:
  // Converts the stretch into code page cp: for 1200 its UTF-16 units as
  // they stand (little-endian), otherwise the platform's conversion with a
  // blank for each character the code page lacks. Every character is
  // converted, however many bytes it needs: nothing is cut off.
  void Build(QStringView stretch, uint32_t cp);

  const QByteArray& Bytes() const { return m_bytes; }
  // The characters (UTF-16 units from the stretch's start) that the bytes
  // [begin, end) stand for: from the character containing byte begin to the
  // first character boundary at or after end. Offsets past the bytes count
  // as the end.
  void BytesToChars(uint32_t begin, uint32_t end, int* first, int* last) const;

 private:
  QByteArray m_bytes;
  // For every character (a code point) of the stretch: the byte offset at
  // which its bytes start and its UTF-16 index; a last entry for the end.
  std::vector<uint32_t> m_byteStart;
  std::vector<int> m_unitIndex;
};
