// A strict SubRip reader for tests: every cue is its number (1, 2, ... in
// order), "HH:MM:SS,mmm --> HH:MM:SS,mmm", one or more lines of text and a
// blank line; times run forward (a cue starts no earlier than the previous
// one ended and ends no earlier than it starts). Nothing else is accepted.
#pragma once

#include <QByteArray>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

struct SrtCue {
  int64_t startMs = 0;
  int64_t endMs = 0;
  QString text;  // the lines joined with "\n"
};

// True with the cues; false with *why naming the first fault.
inline bool ParseSrtStrictly(const QByteArray& data, std::vector<SrtCue>* cues, QString* why) {
  cues->clear();
  if (data.isEmpty()) return true;
  if (!data.endsWith("\n\n")) {
    *why = QStringLiteral("the file does not end with a blank line");
    return false;
  }
  static const QRegularExpression kTime(
      QStringLiteral("^(\\d\\d):([0-5]\\d):([0-5]\\d),(\\d\\d\\d) --> "
                     "(\\d\\d):([0-5]\\d):([0-5]\\d),(\\d\\d\\d)$"));
  const QStringList lines = QString::fromUtf8(data).split(QLatin1Char('\n'));
  qsizetype i = 0;
  const qsizetype end = lines.size() - 1;  // the split's empty last entry
  int64_t previousEnd = 0;
  while (i < end) {
    const QString where = QStringLiteral("line %1: ").arg(i + 1);
    if (lines[i] != QString::number(cues->size() + 1)) {
      *why = where + QStringLiteral("expected the cue number %1").arg(cues->size() + 1);
      return false;
    }
    const QRegularExpressionMatch m = kTime.match(lines.value(++i));
    if (!m.hasMatch()) {
      *why = where + QStringLiteral("bad time line \"%1\"").arg(lines.value(i));
      return false;
    }
    auto ms = [&](int first) {
      return ((m.captured(first).toLongLong() * 60 + m.captured(first + 1).toLongLong()) * 60 +
              m.captured(first + 2).toLongLong()) *
                 1000 +
             m.captured(first + 3).toLongLong();
    };
    SrtCue cue{ms(1), ms(5), QString()};
    if (cue.endMs < cue.startMs || cue.startMs < previousEnd) {
      *why = where + QStringLiteral("times run backwards");
      return false;
    }
    previousEnd = cue.endMs;
    QStringList text;
    while (++i < end && !lines[i].isEmpty()) text << lines[i];
    if (text.isEmpty() || i >= end) {
      *why = where + QStringLiteral("a cue without text or without its blank line");
      return false;
    }
    cue.text = text.join(QLatin1Char('\n'));
    cues->push_back(cue);
    ++i;  // the blank line
  }
  return true;
}
