#include "document/TextSearch.h"

namespace {

bool IsWordCharacter(char32_t c) {
  return c == U'_' || QChar::isLetterOrNumber(c) || QChar::isMark(c);
}

// The character that ends right before pos (a whole surrogate pair).
char32_t CharacterBefore(QStringView text, qsizetype pos) {
  const QChar c = text[pos - 1];
  if (c.isLowSurrogate() && pos >= 2 && text[pos - 2].isHighSurrogate())
    return QChar::surrogateToUcs4(text[pos - 2], c);
  return c.unicode();
}

char32_t CharacterAt(QStringView text, qsizetype pos) {
  const QChar c = text[pos];
  if (c.isHighSurrogate() && pos + 1 < text.size() && text[pos + 1].isLowSurrogate())
    return QChar::surrogateToUcs4(c, text[pos + 1]);
  return c.unicode();
}

}  // namespace

bool CTextSearch::WordBoundariesAt(QStringView text, qsizetype pos) const {
  if (!m_options.m_bWholeWord) return true;
  const qsizetype end = pos + Length();
  if (pos > 0 && IsWordCharacter(CharacterBefore(text, pos))) return false;
  if (end < text.size() && IsWordCharacter(CharacterAt(text, end))) return false;
  return true;
}

bool CTextSearch::IsMatchAt(QStringView text, qsizetype pos) const {
  if (Length() == 0 || pos < 0 || pos + Length() > text.size()) return false;
  const Qt::CaseSensitivity cs = m_options.m_bMatchCase ? Qt::CaseSensitive : Qt::CaseInsensitive;
  return text.mid(pos, Length()).compare(m_options.m_strFind, cs) == 0 &&
         WordBoundariesAt(text, pos);
}

bool CTextSearch::IsMatch(QStringView text, qsizetype selStart, qsizetype selEnd) const {
  return selEnd - selStart == Length() && IsMatchAt(text, selStart);
}

qsizetype CTextSearch::FindNext(QStringView text, qsizetype selStart, qsizetype selEnd) const {
  const qsizetype length = Length();
  if (length == 0) return -1;
  const Qt::CaseSensitivity cs = m_options.m_bMatchCase ? Qt::CaseSensitive : Qt::CaseInsensitive;
  const QStringView find(m_options.m_strFind);
  if (m_options.m_bSearchDown) {
    for (qsizetype from = std::max<qsizetype>(selEnd, 0); from + length <= text.size();) {
      const qsizetype pos = text.indexOf(find, from, cs);
      if (pos < 0) return -1;
      if (WordBoundariesAt(text, pos)) return pos;
      from = pos + 1;
    }
    return -1;
  }
  // lastIndexOf takes a negative start as counted from the end: stop first.
  for (qsizetype from = std::min(selStart, text.size()) - length; from >= 0;) {
    const qsizetype pos = text.lastIndexOf(find, from, cs);
    if (pos < 0) return -1;
    if (WordBoundariesAt(text, pos)) return pos;
    from = pos - 1;
  }
  return -1;
}

std::vector<qsizetype> CTextSearch::FindAll(QStringView text) const {
  std::vector<qsizetype> starts;
  const qsizetype length = Length();
  if (length == 0) return starts;
  const Qt::CaseSensitivity cs = m_options.m_bMatchCase ? Qt::CaseSensitive : Qt::CaseInsensitive;
  const QStringView find(m_options.m_strFind);
  for (qsizetype from = 0; from + length <= text.size();) {
    const qsizetype pos = text.indexOf(find, from, cs);
    if (pos < 0) break;
    if (WordBoundariesAt(text, pos)) {
      starts.push_back(pos);
      from = pos + length;
    } else {
      from = pos + 1;
    }
  }
  return starts;
}
