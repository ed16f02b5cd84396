// CTextSearch: where a search of the edit view's text lands, without any
// widget. The view asks it for the next match from its selection, whether
// the selection is itself a match (before replacing it) and where every
// match of a replace-all lies; the view then moves its caret or edits its
// document. Positions are UTF-16 offsets into the text, as the edit view's
// cursor counts them.
//
// Rules:
// - matching ignores case unless m_bMatchCase (Unicode simple case folding,
//   so a match has the length of the searched text);
// - with m_bWholeWord a match must not have a word character (letter,
//   digit, mark or "_") right before or right after it;
// - searching down finds the first match at or after the selection's end;
//   searching up the last match that ends at or before the selection's
//   start, so a search never finds the selection itself again; there is no
//   wrapping around the ends of the text;
// - replace-all takes the matches from the start of the text, each after
//   the previous one (they never overlap), whichever the direction.
//
// Threads: any; the object holds only its options.
#pragma once

#include <QString>
#include <QStringView>
#include <vector>

struct CFindOptions {
  QString m_strFind;
  bool m_bMatchCase = false;
  bool m_bWholeWord = false;
  bool m_bSearchDown = true;
};

class CTextSearch {
 public:
  explicit CTextSearch(CFindOptions options) : m_options(std::move(options)) {}

  // The start of the next match from the selection [selStart, selEnd) in
  // the options' direction, or -1 (also for an empty search text).
  qsizetype FindNext(QStringView text, qsizetype selStart, qsizetype selEnd) const;
  // Whether a match starts at pos.
  bool IsMatchAt(QStringView text, qsizetype pos) const;
  // Whether [selStart, selEnd) is exactly a match.
  bool IsMatch(QStringView text, qsizetype selStart, qsizetype selEnd) const;
  // The starts of all matches, in order, none overlapping another.
  std::vector<qsizetype> FindAll(QStringView text) const;

  qsizetype Length() const { return m_options.m_strFind.size(); }
  const CFindOptions& Options() const { return m_options; }

 private:
  bool WordBoundariesAt(QStringView text, qsizetype pos) const;

  CFindOptions m_options;
};
