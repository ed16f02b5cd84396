// Initialisation files read with the profile functions' rules. The file is
// read whole on every call (these files are tiny and read a few times at
// start-up), so nothing is cached and every function may be called from any
// thread.
//
// Rules: a line "[name]" opens a section; "key=value" lines belong to the
// section above them; lines starting with ";" and lines without "=" are
// ignored. Section and key names match regardless of letter case, and the
// first match wins. Names and values are trimmed of blanks and tabs, and a
// value enclosed in one pair of matching quotes loses them. The file may be
// UTF-16LE or UTF-8 with a signature, UTF-8, or else the system ANSI code page.
#include "platform/Profile.h"

#include <QFile>
#include <QStringList>
#include <QStringView>

#include "platform/CodePage.h"

namespace {

QString DecodeFile(const QByteArray& bytes) {
  if (bytes.startsWith("\xFF\xFE")) {
    const qsizetype units = (bytes.size() - 2) / 2;
    QString text(units, Qt::Uninitialized);
    for (qsizetype i = 0; i < units; ++i) {
      const uchar lo = uchar(bytes[2 + 2 * i]);
      const uchar hi = uchar(bytes[3 + 2 * i]);
      text[i] = QChar(char16_t(lo | (hi << 8)));
    }
    return text;
  }
  if (bytes.startsWith("\xEF\xBB\xBF"))
    return QString::fromUtf8(bytes.constData() + 3, bytes.size() - 3);
  // Without a signature: UTF-8 when the bytes are valid UTF-8, else ANSI.
  bool ok = false;
  QString text = MultiByteToWide(65001, bytes, &ok);
  if (ok && !text.contains(QChar(QChar::ReplacementCharacter))) return text;
  text = MultiByteToWide(GetACP(), bytes, &ok);
  return ok ? text : QString::fromLatin1(bytes);
}

QStringView Trim(QStringView s) {
  qsizetype begin = 0, end = s.size();
  while (begin < end && (s[begin] == u' ' || s[begin] == u'\t')) ++begin;
  while (end > begin && (s[end - 1] == u' ' || s[end - 1] == u'\t')) --end;
  return s.mid(begin, end - begin);
}

// Finds the value of key in section; false when the file, the section or the
// key is missing.
bool Lookup(const QString& section, const QString& key, const QString& path, QString* value) {
  if (section.isEmpty() || key.isEmpty()) return false;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return false;
  const QString text = DecodeFile(file.readAll());
  const QStringView wantedSection = Trim(section);
  const QStringView wantedKey = Trim(key);
  bool inSection = false;
  qsizetype lineStart = 0;
  while (lineStart <= text.size()) {
    qsizetype lineEnd = lineStart;
    while (lineEnd < text.size() && text[lineEnd] != u'\n' && text[lineEnd] != u'\r') ++lineEnd;
    const QStringView line = Trim(QStringView(text).mid(lineStart, lineEnd - lineStart));
    lineStart = lineEnd + 1;
    if (line.isEmpty() || line[0] == u';') continue;
    if (line[0] == u'[') {
      const qsizetype close = line.indexOf(u']');
      if (close < 0) continue;  // not a section header; no "=" to be a key either
      inSection = Trim(line.mid(1, close - 1)).compare(wantedSection, Qt::CaseInsensitive) == 0;
      continue;
    }
    if (!inSection) continue;
    const qsizetype equals = line.indexOf(u'=');
    if (equals < 0) continue;
    if (Trim(line.left(equals)).compare(wantedKey, Qt::CaseInsensitive) != 0) continue;
    QStringView v = Trim(line.mid(equals + 1));
    if (v.size() >= 2 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front())
      v = v.mid(1, v.size() - 2);
    *value = v.toString();
    return true;
  }
  return false;
}

}  // namespace

QString GetPrivateProfileString(const QString& section, const QString& key,
                                const QString& defaultValue, const QString& path) {
  QString value;
  if (!Lookup(section, key, path, &value)) return defaultValue;
  return value;
}

int GetPrivateProfileInt(const QString& section, const QString& key, int defaultValue,
                         const QString& path) {
  QString value;
  if (!Lookup(section, key, path, &value) || value.isEmpty()) return defaultValue;
  // Leading digits count ("12abc" is 12; "abc" is 0), with an optional sign
  // and a "0x" prefix for hexadecimal. Overflow wraps to 32 bits.
  qsizetype i = 0;
  bool negative = false;
  if (value[i] == u'-' || value[i] == u'+') negative = value[i++] == u'-';
  unsigned base = 10;
  if (i + 1 < value.size() && value[i] == u'0' && (value[i + 1] == u'x' || value[i + 1] == u'X')) {
    base = 16;
    i += 2;
  }
  uint32_t result = 0;
  for (; i < value.size(); ++i) {
    const char16_t c = value[i].unicode();
    unsigned digit;
    if (c >= u'0' && c <= u'9')
      digit = c - u'0';
    else if (base == 16 && c >= u'a' && c <= u'f')
      digit = c - u'a' + 10;
    else if (base == 16 && c >= u'A' && c <= u'F')
      digit = c - u'A' + 10;
    else
      break;
    result = result * base + digit;
  }
  if (negative) result = 0u - result;
  return static_cast<int>(result);
}
