// resgen: builds the three resource modules (Simplified Chinese, English,
// Traditional Chinese) from the resource sources, at build time.
//
//   resgen SOURCE_DIR OUTPUT_DIR
//
// Sources (SOURCE_DIR = resources/):
//   strings/*.tsv     KEY <tab> SIMPLIFIED <tab> ENGLISH [<tab> TRADITIONAL]
//   menus.txt         MENU id / POPUP <tab> texts... / ITEM <tab> id <tab> texts... /
//                     SEPARATOR / END, with the same text columns
//   accelerators.txt  copied as it stands
//   toolbars.txt      copied as it stands
//   bitmaps/*.png, icons/*.png, and per language <lang>/bitmaps/*.png that
//                     replace the common picture of the same number
// The Traditional text is the Simplified text converted character by
// character with OpenCC (s2tw), unless the source gives it. Texts escape a
// line feed as \n, a tab as \t and a backslash as \\; "#" starts a comment
// line.
//
// Output: OUTPUT_DIR/<lang>/strings.tsv (KEY <tab> TEXT), menus.txt (one text
// column), accelerators.txt, toolbars.txt and module.qrc, which lists those
// and the pictures for rcc.
//
// The build fails (exit 1, with the file and line) on a key given twice, a
// missing English text, or a translation whose printf conversions ("%s",
// "%08x") or numbered arguments ("%1") differ from the Simplified text's:
// a mismatch there would crash or garble a message at run time.
#include <opencc/opencc.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStringList>
#include <QTextStream>
#include <cstdio>
#include <map>

namespace {

const char* const kLangs[] = {"chs", "enu", "cht"};

[[noreturn]] void Fail(const QString& where, const QString& what) {
  std::fprintf(stderr, "resgen: %s: %s\n", qPrintable(where), qPrintable(what));
  std::exit(1);
}

// The lines of a file without their line ends.
QStringList ReadLines(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) Fail(path, QStringLiteral("cannot be read"));
  QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
  for (QString& line : lines)
    if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
  return lines;
}

void WriteFile(const QString& path, const QByteArray& bytes) {
  QSaveFile f(path);
  if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit())
    Fail(path, QStringLiteral("cannot be written"));
}

class CConverter {
 public:
  CConverter() {
    m_handle = opencc_open("s2tw.json");
    if (m_handle == reinterpret_cast<opencc_t>(-1))
      Fail(QStringLiteral("OpenCC s2tw.json"), QString::fromUtf8(opencc_error()));
  }
  ~CConverter() { opencc_close(m_handle); }
  QString ToTraditional(const QString& text) const {
    const QByteArray in = text.toUtf8();
    char* out = opencc_convert_utf8(m_handle, in.constData(), static_cast<size_t>(in.size()));
    if (out == nullptr) Fail(QStringLiteral("OpenCC"), QString::fromUtf8(opencc_error()));
    QString result = QString::fromUtf8(out);
    opencc_convert_utf8_free(out);
    return result;
  }

 private:
  opencc_t m_handle;
};

// The conversions and numbered arguments of a text, in order.
QStringList Placeholders(const QString& text) {
  static const QRegularExpression re(
      QStringLiteral("%%|%[-+ #0]*[0-9*]*(?:\\.[0-9*]+)?(?:hh|h|ll|l|L|z|j|t)?[diouxXeEfgGcsSpn]"
                     "|%[1-9][0-9]?"));
  QStringList found;
  for (auto it = re.globalMatch(text); it.hasNext();) {
    const QString m = it.next().captured();
    if (m != QLatin1String("%%")) found.append(m);
  }
  return found;
}

// Texts of one entry, by language; checks the translations.
QStringList Texts(const QStringList& fields, int first, const CConverter& cc,
                  const QString& where) {
  if (fields.size() < first + 2 || fields[first + 1].isEmpty())
    Fail(where, QStringLiteral("an English text is missing"));
  QStringList texts{fields[first], fields[first + 1],
                    fields.size() > first + 2 && !fields[first + 2].isEmpty()
                        ? fields[first + 2]
                        : cc.ToTraditional(fields[first])};
  const QStringList expected = Placeholders(texts[0]);
  for (int i = 1; i < 3; ++i) {
    if (Placeholders(texts[i]) != expected)
      Fail(where, QStringLiteral("the %1 text's conversions %2 differ from %3")
                      .arg(QLatin1String(kLangs[i]), Placeholders(texts[i]).join(' '),
                           expected.join(' ')));
  }
  return texts;
}

bool Skip(const QString& line) {
  const QString t = line.trimmed();
  return t.isEmpty() || t.startsWith(QLatin1Char('#'));
}

struct Module {
  QByteArray strings;
  QByteArray menus;
};

void ReadStrings(const QString& dir, const CConverter& cc, Module* modules) {
  std::map<QString, QString> seen;  // key -> where
  QStringList files = QDir(dir).entryList({QStringLiteral("*.tsv")}, QDir::Files, QDir::Name);
  for (const QString& name : files) {
    const QString path = dir + QLatin1Char('/') + name;
    const QStringList lines = ReadLines(path);
    for (int n = 0; n < lines.size(); ++n) {
      const QString& line = lines[n];
      if (Skip(line)) continue;
      const QString where = QStringLiteral("%1:%2").arg(path).arg(n + 1);
      const QStringList fields = line.split(QLatin1Char('\t'));
      const QString key = fields[0].trimmed();
      if (key.isEmpty() || key.contains(QLatin1Char(' ')))
        Fail(where, QStringLiteral("a key is missing"));
      if (auto it = seen.find(key); it != seen.end())
        Fail(where, QStringLiteral("key %1 is also given at %2").arg(key, it->second));
      seen[key] = where;
      const QStringList texts = Texts(fields, 1, cc, where);
      for (int i = 0; i < 3; ++i) modules[i].strings += (key + '\t' + texts[i] + '\n').toUtf8();
    }
  }
}

void ReadMenus(const QString& path, const CConverter& cc, Module* modules) {
  const QStringList lines = ReadLines(path);
  for (int n = 0; n < lines.size(); ++n) {
    const QString& line = lines[n];
    if (Skip(line)) continue;
    const QString where = QStringLiteral("%1:%2").arg(path).arg(n + 1);
    // Indentation is blanks only: tabs separate the fields.
    qsizetype depth = 0;
    while (depth < line.size() && line[depth] == QLatin1Char(' ')) ++depth;
    const QString indent = line.left(depth);
    const QStringList fields = line.trimmed().split(QLatin1Char('\t'));
    const QString& kind = fields[0];
    QStringList out[3];
    if (kind == QLatin1String("POPUP")) {
      const QStringList texts = Texts(fields, 1, cc, where);
      for (int i = 0; i < 3; ++i) out[i] = {kind, texts[i]};
    } else if (kind == QLatin1String("ITEM")) {
      if (fields.size() < 2) Fail(where, QStringLiteral("an item needs a command id"));
      const QStringList texts = Texts(fields, 2, cc, where);
      for (int i = 0; i < 3; ++i) out[i] = {kind, fields[1], texts[i]};
    } else if (kind.startsWith(QLatin1String("MENU")) || kind == QLatin1String("SEPARATOR") ||
               kind == QLatin1String("END")) {
      for (auto& o : out) o = fields;
    } else {
      Fail(where, QStringLiteral("unknown line %1").arg(kind));
    }
    for (int i = 0; i < 3; ++i) modules[i].menus += (indent + out[i].join('\t') + '\n').toUtf8();
  }
}

// Pictures by file name; a language's own folder replaces the common one.
QMap<QString, QString> Pictures(const QString& src, const QString& kind, const QString& lang) {
  QMap<QString, QString> files;
  for (const QString& dir : {src + '/' + kind, src + '/' + lang + '/' + kind}) {
    for (const QFileInfo& fi : QDir(dir).entryInfoList({QStringLiteral("*.png")}, QDir::Files))
      files[kind + '/' + fi.fileName()] = fi.absoluteFilePath();
  }
  return files;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QStringList args = app.arguments();
  if (args.size() != 3) {
    std::fprintf(stderr, "usage: resgen SOURCE_DIR OUTPUT_DIR\n");
    return 2;
  }
  const QString src = QFileInfo(args[1]).absoluteFilePath();
  const QString out = QFileInfo(args[2]).absoluteFilePath();
  CConverter cc;
  Module modules[3];
  ReadStrings(src + QStringLiteral("/strings"), cc, modules);
  ReadMenus(src + QStringLiteral("/menus.txt"), cc, modules);
  QFile accel(src + QStringLiteral("/accelerators.txt"));
  QFile toolbars(src + QStringLiteral("/toolbars.txt"));
  if (!accel.open(QIODevice::ReadOnly)) Fail(accel.fileName(), QStringLiteral("cannot be read"));
  if (!toolbars.open(QIODevice::ReadOnly))
    Fail(toolbars.fileName(), QStringLiteral("cannot be read"));
  const QByteArray accelBytes = accel.readAll();
  const QByteArray toolbarBytes = toolbars.readAll();

  for (int i = 0; i < 3; ++i) {
    const QString lang = QLatin1String(kLangs[i]);
    const QString dir = out + QLatin1Char('/') + lang;
    if (!QDir().mkpath(dir)) Fail(dir, QStringLiteral("cannot be created"));
    WriteFile(dir + QStringLiteral("/strings.tsv"), modules[i].strings);
    WriteFile(dir + QStringLiteral("/menus.txt"), modules[i].menus);
    WriteFile(dir + QStringLiteral("/accelerators.txt"), accelBytes);
    WriteFile(dir + QStringLiteral("/toolbars.txt"), toolbarBytes);
    QString qrc = QStringLiteral("<RCC>\n<qresource prefix=\"/\">\n");
    for (const char* f : {"strings.tsv", "menus.txt", "accelerators.txt", "toolbars.txt"})
      qrc += QStringLiteral("<file alias=\"%1\">%2/%1</file>\n").arg(QLatin1String(f), dir);
    for (const QString& kind : {QStringLiteral("bitmaps"), QStringLiteral("icons")}) {
      const QMap<QString, QString> pictures = Pictures(src, kind, lang);
      for (auto it = pictures.begin(); it != pictures.end(); ++it)
        qrc += QStringLiteral("<file alias=\"%1\">%2</file>\n").arg(it.key(), it.value());
    }
    qrc += QStringLiteral("</qresource>\n</RCC>\n");
    WriteFile(dir + QStringLiteral("/module.qrc"), qrc.toUtf8());
  }
  return 0;
}
