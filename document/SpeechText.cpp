#include "document/SpeechText.h"

#include <algorithm>

#include "platform/CodePage.h"

void SpeechStretch(int textLength, int selStart, int selEnd, int caret, int* start, int* end) {
  if (selStart != selEnd) {
    *start = std::min(selStart, selEnd);
    *end = std::max(selStart, selEnd);
  } else if (caret < textLength) {
    *start = caret;
    *end = textLength;
  } else {
    *start = 0;
    *end = textLength;
  }
}

void CSpeechText::Build(QStringView stretch, uint32_t cp) {
  m_bytes.clear();
  m_byteStart.clear();
  m_unitIndex.clear();
  const int units = static_cast<int>(stretch.size());
  if (cp == 1200) {
    m_bytes.resize(2 * qsizetype(units));
    for (int i = 0; i < units; ++i) {
      const char16_t u = stretch[i].unicode();
      m_bytes[2 * i] = static_cast<char>(u & 0xFF);
      m_bytes[2 * i + 1] = static_cast<char>(u >> 8);
      if (!stretch[i].isLowSurrogate() || i == 0 || !stretch[i - 1].isHighSurrogate()) {
        m_byteStart.push_back(2u * static_cast<uint32_t>(i));
        m_unitIndex.push_back(i);
      }
    }
  } else {
    std::vector<int32_t> source;
    m_bytes = WideToMultiByteWithOffsets(cp, stretch.toString(), &source);
    for (size_t b = 0; b < source.size(); ++b) {
      // A character starts where the unit the bytes come from changes.
      if (b == 0 || source[b] != source[b - 1]) {
        m_byteStart.push_back(static_cast<uint32_t>(b));
        m_unitIndex.push_back(source[b]);
      }
    }
  }
  m_byteStart.push_back(static_cast<uint32_t>(m_bytes.size()));
  m_unitIndex.push_back(units);
}

void CSpeechText::BytesToChars(uint32_t begin, uint32_t end, int* first, int* last) const {
  const uint32_t size = static_cast<uint32_t>(m_bytes.size());
  begin = std::min(begin, size);
  end = std::min(std::max(end, begin), size);
  // The character containing byte begin: the last start at or before it.
  auto b = std::upper_bound(m_byteStart.begin(), m_byteStart.end(), begin);
  const size_t firstEntry = b == m_byteStart.begin() ? 0 : size_t(b - m_byteStart.begin()) - 1;
  // The first boundary at or after end.
  auto e = std::lower_bound(m_byteStart.begin(), m_byteStart.end(), end);
  const size_t lastEntry =
      e == m_byteStart.end() ? m_byteStart.size() - 1 : size_t(e - m_byteStart.begin());
  *first = m_unitIndex[firstEntry];
  *last = std::max(*first, m_unitIndex[lastEntry]);
}
